#include "document/commentarytext.h"

#include "platform/codepage.h"
#include "platform/fontfamilies.h"

#include <cmath>

namespace {

int Scaled(Extended fraction, int length)
{
    return static_cast<int>(std::lround(static_cast<double>(fraction) * length));
}

} // namespace

TCommentarySide CommentarySideOf(int align)
{
    switch (align) {
    case 1:
        return TCommentarySide::Top;
    case 2:
        return TCommentarySide::Bottom;
    case 3:
        return TCommentarySide::Left;
    case 4:
        return TCommentarySide::Right;
    default:
        return TCommentarySide::Floating;
    }
}

int AlignCodeOf(TCommentarySide side)
{
    switch (side) {
    case TCommentarySide::Top:
        return 1;
    case TCommentarySide::Bottom:
        return 2;
    case TCommentarySide::Left:
        return 3;
    case TCommentarySide::Right:
        return 4;
    default:
        return 0;
    }
}

std::string CommentaryBytes(const QString& text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QChar(u'\r'), QChar(u'\n'));
    lines.replace(QChar(0x2029), QChar(u'\n')); // a paragraph end as text controls give it
    lines.replace(QChar(u'\n'), QStringLiteral("\r\n"));
    return QStringToAnsi(lines);
}

QString CommentaryText(std::string_view bytes)
{
    QString text = AnsiToQString(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\r'), QChar(u'\n'));
    return text;
}

QFont CommentaryFont(const TCommentaryRecord& record, const QFont& fallback)
{
    if (!record.hasFont || record.fontName.empty())
        return fallback;
    QFont font = FamilyFont(record.fontName, record.fontSize > 0 ? record.fontSize : -1);
    font.setBold(record.bold);
    font.setItalic(record.italic);
    font.setUnderline(record.underline);
    return font;
}

TCommentaryRecord CommentaryRecordOf(const TCommentaryState& state, const QRect& screen)
{
    TCommentaryRecord record;
    record.text = CommentaryBytes(state.text);
    record.hasFont = true;
    record.fontName = QStringToAnsi(state.fontName.isEmpty() ? state.font.family() : state.fontName);
    record.fontSize = state.font.pointSize() > 0 ? state.font.pointSize()
                                                 : static_cast<int>(std::lround(state.font.pointSizeF()));
    if (record.fontSize <= 0)
        record.fontSize = 10;
    record.fontColour = state.colour;
    record.bold = state.font.bold();
    record.italic = state.font.italic();
    record.underline = state.font.underline();
    record.align = AlignCodeOf(state.side);
    if (screen.width() > 0 && screen.height() > 0 && state.bounds.isValid()) {
        record.left = Extended(state.bounds.left() - screen.left()) / screen.width();
        record.top = Extended(state.bounds.top() - screen.top()) / screen.height();
        record.wide = Extended(state.bounds.width()) / screen.width();
        record.high = Extended(state.bounds.height()) / screen.height();
    }
    return record;
}

QRect CommentaryBounds(const TCommentaryRecord& record, const QRect& screen, const QRect& current)
{
    QRect bounds = current;
    if (record.left)
        bounds.moveLeft(screen.left() + Scaled(*record.left, screen.width()));
    if (record.top)
        bounds.moveTop(screen.top() + Scaled(*record.top, screen.height()));
    if (record.wide)
        bounds.setWidth(Scaled(*record.wide, screen.width()));
    if (record.high)
        bounds.setHeight(Scaled(*record.high, screen.height()));
    return bounds;
}

QRect DefaultCommentaryBounds(const QRect& screen)
{
    const int width = screen.width(), height = screen.height();
    return {screen.left() + width - width / 4, screen.top(), width / 4, height - height / 4};
}
