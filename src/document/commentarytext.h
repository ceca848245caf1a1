// The commentary between its panel and the document's Commentary block: the
// text as the document holds it (code-page bytes, lines ended by CR LF, so
// that the byte count written before it is the count of the bytes after it),
// the font, the docking side and the panel's place as fractions of the
// screen, so that a commentary on the right quarter of one screen comes back
// on the right quarter of another.
#pragma once

#include "document/document.h"

#include <QFont>
#include <QRect>
#include <QString>

#include <string>
#include <string_view>

// Where the commentary panel stands: docked on a side, or floating.
enum class TCommentarySide { Floating, Top, Bottom, Left, Right };

// The document's side code (0 floating, 1 top, 2 bottom, 3 left, 4 right);
// any other code floats the panel.
[[nodiscard]] TCommentarySide CommentarySideOf(int align);
[[nodiscard]] int AlignCodeOf(TCommentarySide side);

// The document's bytes of a text: code page, every line end CR LF.
[[nodiscard]] std::string CommentaryBytes(const QString& text);
// The text of the document's bytes: CR LF (and lone CR) become line feeds.
[[nodiscard]] QString CommentaryText(std::string_view bytes);

// The font a record names (name, size in points, styles), or fallback when
// it names none. The colour is the record's fontColour.
[[nodiscard]] QFont CommentaryFont(const TCommentaryRecord& record, const QFont& fallback);

// What the panel holds, as a record: text, font and colour, side and bounds
// (as fractions of screen). An empty text gives no record to write.
struct TCommentaryState {
    QString text;
    // The family as the document names it (drawn with the face it resolves to).
    QString fontName;
    QFont font;
    TColour colour = clBlack;
    TCommentarySide side = TCommentarySide::Floating;
    QRect bounds;
};
[[nodiscard]] TCommentaryRecord CommentaryRecordOf(const TCommentaryState& state, const QRect& screen);
// The panel's bounds a record gives on screen: each fraction present times
// the screen's width (left, wide) or height (top, high), rounded; parts
// absent keep current's.
[[nodiscard]] QRect CommentaryBounds(const TCommentaryRecord& record, const QRect& screen,
                                     const QRect& current);
// The bounds of a fresh commentary: the right quarter of the screen, three
// quarters of its height.
[[nodiscard]] QRect DefaultCommentaryBounds(const QRect& screen);
