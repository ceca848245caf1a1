// Comment boxes between the document and the graph: an Annotation record
// becomes a laid-out box and comes back as the same record, a document with
// boxes reads and writes back byte for byte, and the box's size, leader and
// page scaling follow its text.
#include "document/annotationrecord.h"

#include "document/document.h"
#include "formula/editor.h"
#include "graph/graphparams.h"
#include "graph/scalehost.h"
#include "plot/annotation.h"
#include "settings/configuration.h"
#include "testfonts.h"

#include <gtest/gtest.h>

namespace {

TAnnotationRecord Record(Extended x, Extended y, int dx, int dy, TColour colour, std::string markup)
{
    TAnnotationRecord record;
    record.x = x;
    record.y = y;
    record.dx = dx;
    record.dy = dy;
    record.colour = colour;
    record.markup = std::move(markup);
    return record;
}

} // namespace

TEST(AnnotationRecords, ARecordBecomesABoxAndComesBackTheSame)
{
    const TAnnotationRecord records[] = {
        Record(1.5L, -2.25L, 0, 0, clBlack, "Hello"),
        Record(-3, 4, 40, -25, RgbColour(255, 0, 0), "y=x{^{2}"),
        Record(0, 0, -7, 9, PaletteIndex(12), "{/{1}{2} of a turn"),
    };
    for (const TAnnotationRecord& record : records) {
        const auto box = AnnotationFromRecord(record);
        ASSERT_NE(box, nullptr) << record.markup;
        EXPECT_FALSE(box->IsEmpty());
        const TAnnotationRecord back = AnnotationRecordOf(*box);
        EXPECT_EQ(back.markup, record.markup);
        EXPECT_EQ(static_cast<double>(back.x), static_cast<double>(record.x));
        EXPECT_EQ(static_cast<double>(back.y), static_cast<double>(record.y));
        EXPECT_EQ(back.dx, record.dx);
        EXPECT_EQ(back.dy, record.dy);
        EXPECT_EQ(back.colour, record.colour);
    }
    EXPECT_EQ(AnnotationFromRecord(Record(0, 0, 0, 0, clBlack, "{/{1")), nullptr);
}

TEST(AnnotationRecords, ADocumentWithBoxesWritesBackByteForByte)
{
    const std::string text = "Lumacurve for windows version 3.101\r\n"
                             "Annotation\r\n"
                             "\tPosition: \r\n\t\t 1.500000E+0000\r\n\t\t-2.000000E+0000\r\n"
                             "\tLine: \r\n\t\t30\r\n\t\t-20\r\n"
                             "\tcolour = 255\r\n"
                             "Mark {/{1}{2}\r\n";
    TDocument document;
    ASSERT_EQ(ReadDocument(text, document), TReadResult::Document);
    ASSERT_EQ(document.annotations.size(), 1u);
    // Through the graph object and back, as opening and saving do.
    const auto box = AnnotationFromRecord(document.annotations[0]);
    ASSERT_NE(box, nullptr);
    document.annotations = {AnnotationRecordOf(*box)};
    const std::string written = DocumentText(document);
    const std::size_t at = written.find("Annotation\r\n");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(written.substr(at, written.find("Selected curve no") - at),
              text.substr(text.find("Annotation")));
}

TEST(AnnotationBox, TheBoxHoldsTheTextAndTheLeaderShowsWhenItStandsAway)
{
    ResetSettings();
    TFixedScaleHost host(400, 300, DejaVuSans(12));
    TGraphParams params(&host);
    TAnnotation box(0, 0);
    EXPECT_TRUE(box.IsEmpty());
    ASSERT_TRUE(box.SetMarkup("words"));
    const QRect rect = box.BoxRect(params);
    const QPoint anchor = params.Axes->ValueToPixel(0, 0);
    EXPECT_EQ(rect.topLeft(), anchor);
    EXPECT_EQ(rect.width(), box.Text().width);
    EXPECT_EQ(rect.height(), box.Text().height);
    EXPECT_GT(rect.width(), 20);
    EXPECT_FALSE(box.NeedsLeader(params));
    box.OffsetX = 40;
    box.OffsetY = 30;
    EXPECT_TRUE(box.NeedsLeader(params));
    // A page twice the size: the offsets double and the text is laid out again.
    box.ScaleOffsets(2, 2);
    EXPECT_EQ(box.OffsetX, 80);
    EXPECT_EQ(box.OffsetY, 60);
    EXPECT_FALSE(box.SetMarkup("{/{1")); // unreadable: nothing changes
    EXPECT_EQ(box.Markup(), "words");
}
