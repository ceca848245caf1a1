// The icons of the toolbar buttons. Commands with a standard freedesktop
// icon (new, open, save, print, undo, redo, cut, copy, paste, zoom in, zoom
// out ...) take it from the icon theme, with an icon of our own drawing as
// fallback, so the program looks the same without a theme; the others show
// our own drawings; the Insert commands and the keypad's keys show the
// symbol they type, drawn by the formula layout. Every icon is painted at the
// size and device pixel ratio it is shown at, so it stays crisp. The
// toolbars' context menu switches text beside the icons on and off, kept in
// the user's settings of the program (value "ToolbarText").
#pragma once

#include <QIcon>

#include <string>
#include <string_view>

class TLumacurveForm;
struct TKeypadKey;

// The icon of a command of the command table; a null icon for a command
// that shows no icon (the zoom buttons beside the scroll bars keep words).
[[nodiscard]] QIcon CommandIcon(std::string_view command);
// The icon of a keypad key: what it types, drawn by the formula layout, or a
// drawing for the keys that move the caret, delete or enter.
[[nodiscard]] QIcon KeypadIcon(const TKeypadKey& key);
// One of our own drawings by its name (a null icon for an unknown name).
[[nodiscard]] QIcon DrawingIcon(std::string_view name);
// An icon showing one formula line of markup as the equations window lays it out.
[[nodiscard]] QIcon FormulaIcon(const std::string& markup);

// Gives every command and keypad key of the form its icon and applies the
// stored choice of text beside icons.
void ApplyToolbarIcons(TLumacurveForm& form);
// Shows the captions beside the icons on every toolbar and the keypad, or
// icons only; the choice is stored for the next start.
void SetTextBesideIcons(TLumacurveForm& form, bool on);
// The stored choice (off unless the user turned it on).
[[nodiscard]] bool TextBesideIcons();
