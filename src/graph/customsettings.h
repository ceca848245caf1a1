// TCustomSettings: what the Custom dialog edits, without the dialog. It takes
// a copy of the settings in force with the axis scale factors of the scaling
// in force, tells what a changed copy would change (a redraw, the curves'
// thickness, the lines' label and shade switches, the font, the scales), and
// puts a copy in force. The font-size arithmetic, the scale-factor check and
// the password's character rule live here too, so the dialog only shows them.
#pragma once

#include "settings/configuration.h"

#include <optional>
#include <string>
#include <string_view>

class TGraphParams;
class TRealReader;
class TScaleHost;

// The equations font's cell height (negative: a character height in
// pixels, as documents hold it) for a size in points, and back. Integer
// point sizes survive the round trip, so saving never makes fonts grow.
[[nodiscard]] int FontHeightForPoints(int points);
[[nodiscard]] int PointsForFontHeight(int height);

// Why a scale factor cannot be used ("" when it can): a factor of 0 or one
// that is not defined would be taken as 1 without a word. No factor at all
// (nullptr) is fine: the axis is then unscaled.
[[nodiscard]] std::string ScaleFactorProblem(const TRealReader* factor);

// Which characters the password box takes. Setting a password keeps to
// letters and the blank; entering one takes any printable character, since
// documents may hold any password.
enum class TPasswordMode { Set, Enter };
[[nodiscard]] bool PasswordCharacterAllowed(char32_t c, TPasswordMode mode);

// The sides the equations panel or a toolbar can be docked on, as the
// dialog's radio groups list them.
enum class TDockSide { Unchanged = -1, Top, Bottom, Left, Right };

struct TCustomSettings {
    TConfiguration config;
    TColour background = clWhite;
    std::uint8_t graphPaperColour = 0;
    std::string fontName;
    int fontPoints = 12;
    bool dragLayout = true;
    // The sides chosen in the Layout page; Unchanged when their group was not clicked.
    TDockSide equationsSide = TDockSide::Unchanged;
    TDockSide toolbarSide = TDockSide::Unchanged;
    // The axis scale factor texts of the scaling in force ("" for none).
    std::string xScaling, yScaling;

    // The settings in force, with the scale factors of params (may be nullptr).
    [[nodiscard]] static TCustomSettings Current(const TGraphParams* params);
};

// What putting a changed copy in force would change.
struct TCustomChanges {
    bool redraw = false;       // the graph must be drawn again
    bool thickness = false;    // every curve takes the new thickness
    bool labelOrShade = false; // every line takes the label and shade switches
    bool angle = false;        // the equations are measured again
    bool font = false;         // the equations and annotations are laid out again
    bool scales = false;       // the scale factors go through SetScales
    bool docking = false;      // Allow docking changed
    bool stored = false;       // something a document stores changed
    [[nodiscard]] bool Any() const
    {
        return redraw || thickness || labelOrShade || angle || font || scales || docking || stored;
    }
};

[[nodiscard]] TCustomChanges CompareSettings(const TCustomSettings& before, const TCustomSettings& after);

// Puts the settings in force (not the scale factors: ApplyScaleFactors).
// The font height changes only when the name or the size does.
void ApplySettings(const TCustomSettings& settings);

// A copy of the scaling in force with the two scale factor texts, applied
// through SetScales; false (message set) when a factor cannot be used or the
// scales are refused.
bool ApplyScaleFactors(TGraphParams& params, TScaleHost* window, const std::string& xScaling,
                       const std::string& yScaling, std::string& message);

// The password lock as the dialog shows it.
class TPasswordLock {
public:
    explicit TPasswordLock(TConfiguration& config) : config_(config) {}
    [[nodiscard]] bool Unlocked() const { return config_.Unlocked; }
    // "Set password": the text becomes the password; the settings stay
    // unlocked. Answers whether the password changed.
    bool Set(std::string_view text);
    // "Enter password": a right text (any letter case) unlocks.
    bool Enter(std::string_view text);

private:
    TConfiguration& config_;
};
