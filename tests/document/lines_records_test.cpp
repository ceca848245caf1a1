// The records of straight lines, tangents, lines to curves and intersection
// lists read back as those objects and are written out byte for byte, also
// when an intersection names a curve further down.
#include "document/document.h"
#include "documentsamples.h"
#include "geometry/intersection.h"
#include "geometry/straightline.h"
#include "plot/formulacurve.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

namespace {

// The settings of the Curves sample, without its lines.
std::string Header()
{
    return documentsamples::Curves.substr(0, documentsamples::Curves.find("Whiteboard0\r\n") + 13);
}

std::string CurveRecord(const std::string& markup, int primary = -2)
{
    std::string record =
        "Curve\r\n" + markup +
        "\r\n\tcolour = 16777216\r\n\tstyle = 0\r\n\tSwitches = 0\r\n\tLine thickness = 1\r\n";
    if (primary > -2)
        record += "\tprimary equation number = " + std::to_string(primary) + "\r\n";
    return record;
}

std::string IntersectRecord(int primary, int other)
{
    return "Intersect\r\n\tcolour = 255\r\n\tCurve\t" + std::to_string(primary) + "\r\n\tCurve\t" +
           std::to_string(other) + "\r\n";
}

std::string Warnings(const TDocument& doc)
{
    std::string text;
    for (const auto& warning : doc.warnings)
        text += std::to_string(warning.line) + ": " + warning.text + "\n";
    return text;
}

} // namespace

TEST(LineRecords, LinesAndIntersectionsReadBackAndWriteOutByteForByte)
{
    const std::string lines =
        CurveRecord("y=x{^{2}") + IntersectRecord(0, 4) + CurveRecord("{fix \x02\x01{Tangent at x =}{1}", 0) +
        CurveRecord("{fix \x02\x01{Vertical line through }{{coords{2}{5}}") + CurveRecord("y=x+2") +
        CurveRecord("{fix \x02\x01{Horizontal line to x =}{2}", 0) +
        CurveRecord("Line angle0.5\tintercept 2", -1) + "Selected curve no: 1\r\n";
    const std::string text = Header() + lines;
    TDocument doc;
    ASSERT_EQ(ReadDocument(text, doc), TReadResult::Document);
    EXPECT_TRUE(doc.warnings.empty()) << Warnings(doc);
    ASSERT_EQ(doc.lines.lines.size(), 7u);
    const std::type_info* kinds[] = {
        &typeid(TYofX), &typeid(TIntersectCurve), &typeid(TTangent),     &typeid(TLineThroughPoint),
        &typeid(TYofX), &typeid(TLineToCurve),    &typeid(TStraightLine)};
    for (std::size_t i = 0; i < 7; ++i)
        EXPECT_EQ(typeid(*doc.lines.lines[i]), *kinds[i]) << i;
    // The intersection names a curve below it.
    auto* intersection = dynamic_cast<TIntersectCurve*>(doc.lines.lines[1].get());
    ASSERT_NE(intersection, nullptr);
    EXPECT_EQ(intersection->PrimaryCurve, doc.lines.lines[0].get());
    EXPECT_EQ(intersection->OtherCurve, doc.lines.lines[4].get());
    EXPECT_EQ(doc.lines.lines[2]->GetParent(), doc.lines.lines[0].get());
    EXPECT_EQ(doc.lines.lines[5]->GetParent(), doc.lines.lines[0].get());
    EXPECT_EQ(doc.selectedLine, 1);
    EXPECT_EQ(DocumentText(doc), text);
}

TEST(LineRecords, IntersectRecordsOddities)
{
    const std::string curves =
        CurveRecord("y=x{^{2}") + CurveRecord("x=cos t\ty=sin t\tt=0to360") + CurveRecord("r=2\tfor 1 revs");
    const struct {
        const char* what;
        std::string records, written, warning;
        bool intersection;
    } cases[] = {
        {"one empty line after the record is skipped", curves + IntersectRecord(0, 1) + "\r\n",
         curves + IntersectRecord(0, 1), "", true},
        {"neither curve can be searched", curves + IntersectRecord(1, 2), curves + IntersectRecord(1, 2),
         "neither curve of this intersection can be searched", true},
        {"a curve that does not exist", curves + IntersectRecord(0, 9), curves + IntersectRecord(0, -1),
         "kept as text", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TDocument doc;
        ASSERT_EQ(ReadDocument(Header() + c.records, doc), TReadResult::Document);
        if (c.warning.empty()) {
            EXPECT_TRUE(doc.warnings.empty()) << Warnings(doc);
        } else {
            ASSERT_EQ(doc.warnings.size(), 1u) << Warnings(doc);
            EXPECT_NE(doc.warnings[0].text.find(c.warning), std::string::npos) << Warnings(doc);
        }
        ASSERT_EQ(doc.lines.lines.size(), 4u);
        EXPECT_EQ(dynamic_cast<TIntersectCurve*>(doc.lines.lines[3].get()) != nullptr, c.intersection);
        EXPECT_EQ(DocumentText(doc), Header() + c.written + "Selected curve no: -1\r\n");
    }
}

// Intersections that cannot be resolved are kept as text; one that names
// itself, or another kept one, still names the same lines when written.
TEST(LineRecords, KeptIntersectionsNamingThemselvesWriteOutByteForByte)
{
    const std::string text = Header() + CurveRecord("y=x{^{2}") + CurveRecord("y=x") + CurveRecord("y=2") +
                             IntersectRecord(3, 4) + IntersectRecord(3, 0) + "Selected curve no: -1\r\n";
    TDocument doc;
    ASSERT_EQ(ReadDocument(text, doc), TReadResult::Document);
    ASSERT_EQ(doc.lines.lines.size(), 5u);
    EXPECT_EQ(dynamic_cast<TIntersectCurve*>(doc.lines.lines[3].get()), nullptr);
    EXPECT_EQ(dynamic_cast<TIntersectCurve*>(doc.lines.lines[4].get()), nullptr);
    EXPECT_EQ(doc.warnings.size(), 2u) << Warnings(doc);
    EXPECT_EQ(DocumentText(doc), text);
}
