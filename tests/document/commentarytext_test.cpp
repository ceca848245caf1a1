// The commentary between its panel and the document: the byte count counts
// the bytes written (code page, CR LF), so what follows the text reads
// right; screen fractions bring the panel back to the same share of another
// screen; side codes, and fonts by the name the document gives.
#include "document/commentarytext.h"

#include "document/document.h"
#include "settings/mathswriter.h"

#include <gtest/gtest.h>

TEST(CommentaryText, TheByteCountIsTheCountOfTheBytesWritten)
{
    const struct {
        QString text;
        std::string bytes;
    } rows[] = {
        {QStringLiteral("one line"), "one line"},
        {QStringLiteral("two\nlines"), "two\r\nlines"},
        {QStringLiteral("caf\u00E9 \u00BD\n\u2029end"), "caf\xE9 \xBD\r\n\r\nend"},
        {QStringLiteral("\n"), "\r\n"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CommentaryBytes(row.text), row.bytes) << row.text.toStdString();
        EXPECT_EQ(CommentaryText(row.bytes), QString(row.text).replace(QChar(0x2029), QChar(u'\n')));
    }
    // Written and read back in a document, with the records after it intact.
    TDocument document;
    TCommentaryRecord record;
    record.text = CommentaryBytes(QStringLiteral("Find where\nf(x) = 0 \u2013 caf\u00E9"));
    document.commentary = record;
    TAnnotationRecord box;
    box.markup = "after";
    document.annotations.push_back(box);
    const std::string text = DocumentText(document);
    EXPECT_NE(text.find("Commentary: " + std::to_string(record.text.size()) + "\r\n"), std::string::npos);
    TDocument back;
    ASSERT_EQ(ReadDocument(text, back), TReadResult::Document);
    EXPECT_TRUE(back.warnings.empty());
    ASSERT_TRUE(back.commentary);
    EXPECT_EQ(CommentaryText(back.commentary->text), QStringLiteral("Find where\nf(x) = 0 \u2013 caf\u00E9"));
    ASSERT_EQ(back.annotations.size(), 1u);
    EXPECT_EQ(back.annotations[0].markup, "after");
}

TEST(CommentaryText, TheRightQuarterComesBackOnAnotherScreen)
{
    const QRect screen(0, 0, 1600, 1200);
    const QRect bounds = DefaultCommentaryBounds(screen);
    EXPECT_EQ(bounds, QRect(1200, 0, 400, 900));
    TCommentaryState state;
    state.text = QStringLiteral("x");
    state.font = QFont("DejaVu Sans", 11);
    state.bounds = bounds;
    const TCommentaryRecord record = CommentaryRecordOf(state, screen);
    ASSERT_TRUE(record.left && record.top && record.wide && record.high);
    EXPECT_EQ(static_cast<double>(*record.left), 0.75);
    EXPECT_EQ(static_cast<double>(*record.top), 0);
    EXPECT_EQ(static_cast<double>(*record.wide), 0.25);
    EXPECT_EQ(static_cast<double>(*record.high), 0.75);
    EXPECT_EQ(record.fontSize, 11);
    EXPECT_EQ(CommentaryBounds(record, QRect(0, 0, 1280, 800), QRect()), QRect(960, 0, 320, 600));
    // Absent parts keep the present bounds.
    TCommentaryRecord partial;
    partial.left = 0.5L;
    EXPECT_EQ(CommentaryBounds(partial, QRect(0, 0, 1000, 500), QRect(10, 20, 30, 40)),
              QRect(500, 20, 30, 40));
}

TEST(CommentaryText, SideCodesAndUnknownCodesFloat)
{
    const std::pair<int, TCommentarySide> rows[] = {
        {0, TCommentarySide::Floating},  {1, TCommentarySide::Top},       {2, TCommentarySide::Bottom},
        {3, TCommentarySide::Left},      {4, TCommentarySide::Right},     {5, TCommentarySide::Floating},
        {-1, TCommentarySide::Floating}, {99, TCommentarySide::Floating},
    };
    for (const auto& [code, side] : rows) {
        EXPECT_EQ(CommentarySideOf(code), side) << code;
        if (code >= 0 && code <= 4) {
            EXPECT_EQ(AlignCodeOf(side), code);
        }
    }
}

TEST(CommentaryText, TheFontIsTheOneTheDocumentNames)
{
    TCommentaryRecord record;
    const QFont fallback("DejaVu Sans", 9);
    EXPECT_EQ(CommentaryFont(record, fallback), fallback);
    record.hasFont = true;
    record.fontName = "Arial";
    record.fontSize = 14;
    record.bold = true;
    record.underline = true;
    const QFont font = CommentaryFont(record, fallback);
    EXPECT_EQ(font.pointSize(), 14);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
    EXPECT_TRUE(font.underline());
    // Saved under the name the document gave, not the face it is drawn with.
    TCommentaryState state;
    state.text = QStringLiteral("x");
    state.fontName = QStringLiteral("Arial");
    state.font = font;
    const TCommentaryRecord back = CommentaryRecordOf(state, QRect(0, 0, 100, 100));
    EXPECT_EQ(back.fontName, "Arial");
    EXPECT_EQ(back.fontSize, 14);
    EXPECT_TRUE(back.bold && back.underline && !back.italic);
}
