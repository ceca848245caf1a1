// The records of coordinate lists, data sets and polygons: written byte for
// byte as the format lays them out, read back into the same objects, with
// points that name constants declared further down, gaps, and the repairs
// made to damaged rows.
#include "document/document.h"
#include "documentsamples.h"
#include "geometry/polygon.h"

#include <gtest/gtest.h>

#include <string>

using documentsamples::WithCrLf;

namespace {

struct TRead {
    TOwnedLines lines;
    int selected = -1;
    std::vector<TDocumentWarning> warnings;
};

std::unique_ptr<TRead> Read(const std::string& text)
{
    auto read = std::make_unique<TRead>();
    ReadEquationListText(text, read->lines, read->selected, &read->warnings);
    return read;
}

std::string Written(const TRead& read)
{
    std::vector<TEquationObject*> lines;
    for (const auto& line : read.lines.lines)
        lines.push_back(line.get());
    return EquationListText(lines, read.selected);
}

template <class T> T* LineAs(const TRead& read, std::size_t index)
{
    return index < read.lines.lines.size() ? dynamic_cast<T*>(read.lines.lines[index].get()) : nullptr;
}

// A list with a description, a gap and a point naming a constant declared
// below it; a data set; a polygon turned into a list; a typed polygon; a
// shape placed with the mouse; the constant.
const std::string Shapes =
    WithCrLf("Curve\n"
             "Coordinates\n"
             "\tDescription: Coordinates\n"
             "\tcolour = 255\n"
             "\tstyle = 0\n"
             "\tSwitches = 4\n"
             "\tLine thickness = 1\n"
             "\tprimary equation number = -1\n"
             "\t\tjoined: 1\n"
             "\t\tclosed: 1\n"
             "\t\tLabel from: B\n"
             "\t\t( 1.000000E+0000, 2.000000E+0000)\n"
             "\t\t_________\n"
             "\t\t(k,-3.000000E+0000)\n"
             "Curve\n"
             "Data points\n"
             "\tcolour = 16777216\n"
             "\tstyle = 0\n"
             "\tSwitches = 2\n"
             "\tLine thickness = 1\n"
             "\tprimary equation number = -1\n"
             "\t\tjoined: 0\n"
             "\t\tclosed: 0\n"
             "\t\tLabel from: A\n"
             "\t\t( 5.000000E-0001, 2.500000E-0001)\n"
             "\t\t(-1.234568E+0005, 0.000000E+0000)\n"
             "Curve\n"
             "Coordinates\n"
             "\tDescription: Polygon\n"
             "\tcolour = 16777229\n"
             "\tstyle = 0\n"
             "\tSwitches = 0\n"
             "\tLine thickness = 2\n"
             "\tprimary equation number = -1\n"
             "\t\tjoined: 1\n"
             "\t\tclosed: 1\n"
             "\t\tLabel from: A\n"
             "\t\t( 0.000000E+0000, 1.000000E+0000)\n"
             "\t\t(-1.000000E+0000, 0.000000E+0000)\n"
             "\t\t( 1.000000E+0000, 0.000000E+0000)\n"
             "Curve\n"
             "{fix \x06\x15{Polygon with}{5}{sides of length}{2}{centre}{{coords{1}{1}}\n"
             "\tcolour = 16777217\n"
             "\tstyle = 0\n"
             "\tSwitches = 4\n"
             "\tLine thickness = 1\n"
             "Curve\n"
             "{fix \x05\x0b{Square}{centre}{{coords{0}{0}}{vertex}{{coords{2}{0.5}}\n"
             "\tDescription: {fix \x05\x0b{Square}{centre}{{coords{0}{0}}{vertex}{{coords{2}{0.5}}\n"
             "\tcolour = 16777218\n"
             "\tstyle = 0\n"
             "\tSwitches = 0\n"
             "\tLine thickness = 1\n"
             "Curve\n"
             "k=2\n"
             "\tcolour = 16777216\n"
             "\tstyle = 0\n"
             "\tSwitches = 0\n"
             "\tLine thickness = 1\n"
             "\tStep:  5.000000E-0001\n"
             "Selected curve no: 0\n");

} // namespace

TEST(CoordinateRecords, ShapesAreReadIntoTheirObjectsAndWrittenByteForByte)
{
    const auto read = Read(Shapes);
    EXPECT_TRUE(read->warnings.empty()) << read->warnings.front().text;
    ASSERT_EQ(read->lines.lines.size(), 6u);

    auto* list = LineAs<TCoordCurve>(*read, 0);
    ASSERT_NE(list, nullptr);
    EXPECT_STREQ(list->KindName(), "TCoordCurve");
    EXPECT_TRUE(list->Joined);
    EXPECT_TRUE(list->Closed);
    EXPECT_EQ(list->LabelFrom, 'B');
    EXPECT_TRUE(list->DescriptionFlag);
    EXPECT_TRUE(list->Shaded());
    ASSERT_EQ(list->RowCount(), 3);
    EXPECT_EQ(list->PointAt(0)->Point().y, 2);
    EXPECT_EQ(list->PointAt(1), nullptr);
    // The name declared further down is found once every line is in.
    EXPECT_EQ(list->PointAt(2)->Point().x, 2);
    EXPECT_TRUE(list->DependsOn("k"));

    auto* set = LineAs<TDataPoints>(*read, 1);
    ASSERT_NE(set, nullptr);
    EXPECT_FALSE(set->Joined);
    EXPECT_EQ(set->PointAt(1)->Point().x, -123456.8L);

    auto* converted = LineAs<TCoordCurve>(*read, 2);
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(converted->Heading(), dnPolygon);
    EXPECT_EQ(converted->thickness, 2);

    auto* polygon = LineAs<TPolygon>(*read, 3);
    ASSERT_NE(polygon, nullptr);
    EXPECT_STREQ(polygon->KindName(), "TPolygon");
    EXPECT_EQ(polygon->SideCount(), 5);
    EXPECT_FALSE(polygon->DescriptionFlag);

    auto* shape = LineAs<TDragPolygon>(*read, 4);
    ASSERT_NE(shape, nullptr);
    EXPECT_TRUE(shape->Complete());
    EXPECT_TRUE(shape->DescriptionFlag);

    EXPECT_EQ(Written(*read), Shapes);
}

TEST(CoordinateRecords, DamagedRowsAreRepairedAndSaid)
{
    const std::string text = WithCrLf("Curve\n"
                                      "Coordinates\n"
                                      "\tcolour = 0\n"
                                      "\t\tjoined: x\n"
                                      "\t\tLabel from: 1\n"
                                      "\t\t(1\n"
                                      "\t\t(abc,2)\n"
                                      "\t\t( 3.000000E+0000, 4.000000E+0000)\n"
                                      "Curve\n"
                                      "Coordinates\n"
                                      "\t\tLabel from: b\n"
                                      "Selected curve no: 0\n");
    const auto read = Read(text);
    auto* list = LineAs<TCoordCurve>(*read, 0);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->Joined) << "an unreadable flag keeps the default";
    EXPECT_EQ(list->LabelFrom, 'A');
    ASSERT_EQ(list->RowCount(), 3);
    EXPECT_EQ(list->PointAt(0), nullptr) << "a row without its y became a gap";
    ASSERT_NE(list->PointAt(1), nullptr) << "a text that names nothing is kept, undefined";
    EXPECT_TRUE(std::isnan(double(list->PointAt(1)->Point().x)));
    EXPECT_EQ(list->PointAt(2)->Point().y, 4);
    auto has = [&](int line, std::string_view part) {
        for (const TDocumentWarning& warning : read->warnings)
            if (warning.line == line && warning.text.find(part) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(has(4, "joined"));
    EXPECT_TRUE(has(5, "first label"));
    EXPECT_TRUE(has(6, "gap"));
    // A lower-case letter is not one of the letters A to Z either.
    EXPECT_EQ(LineAs<TCoordCurve>(*read, 1)->LabelFrom, 'A');
    // What cannot be read is written back as it stood, so nothing is lost.
    EXPECT_NE(Written(*read).find("\t\t(abc, 2.000000E+0000)\r\n"), std::string::npos);
}

TEST(CoordinateRecords, OlderDocumentsMarkGapsWithTheMissingNumber)
{
    const std::string list = WithCrLf("Curve\n"
                                      "Coordinates\n"
                                      "\t\t( 1.000000E+0000, 1.000000E+0000)\n"
                                      "\t\t( 2.000000E-0037, 0.000000E+0000)\n"
                                      "\t\t( 3.000000E+0000, 1.000000E+0000)\n");
    for (const char* version : {"1.5", "3.101"}) {
        SCOPED_TRACE(version);
        TDocument doc;
        ASSERT_EQ(ReadDocument(WithCrLf("Lumacurve for windows version ") + version + "\r\n" + list, doc),
                  TReadResult::Document);
        auto* read = dynamic_cast<TCoordCurve*>(doc.lines.lines.at(0).get());
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->PointAt(1) == nullptr, std::string(version) == "1.5");
    }
}

TEST(CoordinateRecords, NumberPairsBecomeADataSet)
{
    TDocument doc;
    ASSERT_EQ(ReadDocument("1,2\r\n3,-4.5\r\n", doc), TReadResult::NumberPairs);
    auto* set = dynamic_cast<TDataPoints*>(doc.lines.lines.at(0).get());
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->RowCount(), 2);
    EXPECT_EQ(set->PointAt(1)->Point().y, -4.5L);
    EXPECT_FALSE(set->Joined);
    EXPECT_TRUE(set->LabelsSuppressed());
    // Saved and opened again, it is the same data set.
    TDocument again;
    ASSERT_EQ(ReadDocument(DocumentText(doc), again), TReadResult::Document);
    auto* reread = dynamic_cast<TDataPoints*>(again.lines.lines.at(0).get());
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(reread->RowCount(), 2);
    EXPECT_EQ(DocumentText(again), DocumentText(doc));
}
