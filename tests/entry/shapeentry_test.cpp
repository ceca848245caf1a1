// Entering shape lines: polygons by side count, length and centre, named
// shapes by side or by centre and vertex, their messages, and the line of a
// coordinate list.
#include "entry/declarationlines.h"
#include "entry/entry.h"
#include "formula/markup.h"
#include "geometry/polygon.h"
#include "settings/configuration.h"
#include "settings/mathswriter.h"

#include "fieldlists.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

struct TEntered {
    std::unique_ptr<TEditor> line;
    std::unique_ptr<TEquationObject> object;
    std::string message;
};

TEntered Enter(const std::string& markup, TEquationObject* edited = nullptr,
               std::vector<TEquationObject*>* names = nullptr)
{
    TEntered entered;
    entered.line = std::make_unique<TEditor>();
    entered.line->SetElements(ElementsFromText(markup));
    if (edited) {
        // As the equations window hands an object over for editing.
        TElementList elements = ElementsFromText(markup);
        entered.line->TakeOver(*edited);
        entered.line->SetElements(std::move(elements));
    }
    std::vector<TEquationObject*> none;
    TParseParams params;
    params.declaredNames = names ? names : &none;
    params.defineLater = true;
    entered.object = ClassifyLine(*entered.line, params);
    if (HasError(params))
        entered.message = params.error.message;
    return entered;
}

} // namespace

TEST(ShapeEntry, PolygonLinesBecomePolygons)
{
    struct Case {
        const char* name;
        std::string markup;
        const char* kind;
        int sides;
        double area;
    };
    const Case cases[] = {
        {"polygon with 5 sides",
         Fields(6, 21, {"Polygon with", "5", "sides of length", "2", "centre", "{coords{1}{1}"}), "TPolygon",
         5, 6.881909602355868},
        {"square by its side", Fields(5, 11, {"Square", "sides of length", "2", "centre", "{coords{0}{0}"}),
         "TPolygon", 4, 4},
        {"triangle by its side",
         Fields(5, 11, {"Triangle", "sides of length", "2", "centre", "{coords{0}{0}"}), "TPolygon", 3,
         std::sqrt(3.0)},
        {"octagon", Fields(5, 11, {"Octagon", "sides of length", "1", "centre", "{coords{0}{0}"}), "TPolygon",
         8, 2 * (1 + std::sqrt(2.0))},
        {"square by centre and vertex",
         Fields(5, 11, {"Square", "centre", "{coords{0}{0}", "vertex", "{coords{2}{0}"}), "TDragPolygon", 4,
         8},
        {"a thousand sides",
         Fields(6, 21, {"Polygon with", "1000", "sides of length", "1", "centre", "{coords{0}{0}"}),
         "TPolygon", 1000, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TEntered entered = Enter(c.markup);
        EXPECT_EQ(entered.message, "");
        auto* polygon = dynamic_cast<TPolygon*>(entered.object.get());
        ASSERT_NE(polygon, nullptr);
        EXPECT_STREQ(polygon->KindName(), c.kind);
        EXPECT_EQ(polygon->SideCount(), c.sides);
        if (c.area >= 0) {
            EXPECT_NEAR(double(polygon->Area()), c.area, 1e-12);
        }
        // The line stays as it was typed, and the definition line reads back as the same polygon.
        EXPECT_EQ(ElementsToText(polygon->Elements()), c.markup);
        TMathsWriter definition;
        polygon->WriteDefinition(definition);
        TEntered again = Enter(definition.Text());
        auto* copy = dynamic_cast<TPolygon*>(again.object.get());
        ASSERT_NE(copy, nullptr) << again.message;
        EXPECT_STREQ(copy->KindName(), c.kind);
        EXPECT_EQ(copy->Vertices().size(), polygon->Vertices().size());
        EXPECT_NEAR(double(copy->Area()), double(polygon->Area()), 1e-9);
    }
}

TEST(ShapeEntry, WrongShapeLinesSayWhatIsWrong)
{
    struct Case {
        const char* name;
        std::string markup;
        const char* message;
    };
    const Case cases[] = {
        {"two sides", Fields(6, 21, {"Polygon with", "2", "sides of length", "1", "centre", "{coords{0}{0}"}),
         EntryMessage::PolygonSides},
        {"a part of a side",
         Fields(6, 21, {"Polygon with", "4.5", "sides of length", "1", "centre", "{coords{0}{0}"}),
         EntryMessage::PolygonSides},
        // Each vertex is drawn and dragged: a polygon of this many sides would hang the program.
        {"too many sides",
         Fields(6, 21, {"Polygon with", "1001", "sides of length", "1", "centre", "{coords{0}{0}"}),
         ParseMessage::TooBig},
        {"no side length",
         Fields(6, 21, {"Polygon with", "4", "sides of length", "", "centre", "{coords{0}{0}"}),
         ParseMessage::EmptyCell},
        {"no centre", Fields(5, 11, {"Square", "sides of length", "2", "centre", "3"}),
         EntryMessage::NeedCoordinates},
        {"half a centre", Fields(5, 11, {"Square", "sides of length", "2", "centre", "{coords{1}{}"}),
         ParseMessage::EmptyCell},
        {"an empty centre", Fields(5, 11, {"Square", "sides of length", "2", "centre", "{coords{}{}"}),
         ParseMessage::EmptyCell},
        {"a vertex still to place",
         Fields(5, 11, {"Square", "centre", "{coords{0}{0}", "vertex", "{coords{}{}"}),
         ParseMessage::EmptyCell},
        {"a variable in a number",
         Fields(5, 11, {"Square", "sides of length", "x", "centre", "{coords{0}{0}"}),
         ParseMessage::BadVariable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TEntered entered = Enter(c.markup);
        EXPECT_EQ(entered.object, nullptr);
        EXPECT_EQ(entered.message, c.message);
    }
}

TEST(ShapeEntry, APolygonWaitsForANameDeclaredLater)
{
    TEntered entered =
        Enter(Fields(6, 21, {"Polygon with", "m", "sides of length", "k", "centre", "{coords{0}{w}"}));
    EXPECT_EQ(entered.message, "");
    auto* waiting = dynamic_cast<TNeedsDefinitions*>(entered.object.get());
    ASSERT_NE(waiting, nullptr);
}

TEST(ShapeEntry, ANewShapeTakesTheShadingAndLabelSettings)
{
    Configuration = DefaultConfiguration;
    Configuration.ShadeShapes = true;
    Configuration.LabelCoordinates = false;
    TEntered entered = Enter(Fields(5, 11, {"Square", "sides of length", "2", "centre", "{coords{0}{0}"}));
    ASSERT_NE(entered.object, nullptr);
    EXPECT_TRUE(entered.object->Switches() & swShade);
    EXPECT_TRUE(entered.object->Switches() & swLabelsOff);
    Configuration = DefaultConfiguration;
}

TEST(ShapeEntry, TheLineOfACoordinateListStandsForTheListItEdits)
{
    TEntered pasted = Enter("Coordinates");
    EXPECT_EQ(pasted.object, nullptr);
    EXPECT_EQ(pasted.message, EntryMessage::CannotPaste);

    TCoordCurve list(dnCoordinates);
    list.AddPoint(1, 2);
    list.AddBlank();
    list.AddPoint(3, 4);
    list.Closed = true;
    TEntered edited = Enter("Coordinates", &list);
    EXPECT_EQ(edited.message, "");
    auto* copy = dynamic_cast<TCoordCurve*>(edited.object.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->RowCount(), 3);
    EXPECT_EQ(copy->PointAt(2)->Point().y, 4);
    EXPECT_EQ(copy->PointAt(1), nullptr);
    EXPECT_TRUE(copy->Closed);
}
