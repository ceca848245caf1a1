// Coordinate lists and regular polygons as the plotter sees them: which
// points are drawn and joined, where labels go and which letter each takes,
// areas, suggested ranges, property bits, and the changes dragging makes.
#include "geometrytesting.h"

#include "expr/parser.h"
#include "formula/markup.h"
#include "plot/polylinestore.h"

#include <cmath>

namespace {

using Row = std::optional<TRealPoint>;

// The stored pixel runs of a drawing.
std::vector<std::vector<QPoint>> Runs(const TCurvePLotter& curve)
{
    std::vector<std::vector<QPoint>> runs;
    if (!curve.LineStore())
        return runs;
    for (const TStoredPiece* piece : *curve.LineStore())
        if (const auto* line = dynamic_cast<const TLineStore*>(piece)) {
            const auto points = line->Points();
            runs.emplace_back(points.begin(), points.end());
        }
    return runs;
}

std::unique_ptr<TPolygon> Polygon(Extended sides, Extended length, Extended cx = 0, Extended cy = 0)
{
    return std::make_unique<TPolygon>(std::make_unique<TRealReader>(sides),
                                      std::make_unique<TRealReader>(length),
                                      std::make_unique<TCoordinates>(cx, cy));
}

std::unique_ptr<TDragPolygon> DragPolygon(int sides, TRealPoint centre, TRealPoint vertex)
{
    return std::make_unique<TDragPolygon>(std::make_unique<TRealReader>(sides),
                                          std::make_unique<TCoordinates>(centre.x, centre.y),
                                          std::make_unique<TCoordinates>(vertex.x, vertex.y));
}

// A number that follows the declared names of no list: an expression the
// mouse must not overwrite.
TRealReaderPtr Expression(const char* markup)
{
    TElementList elements = ElementsFromText(markup);
    TParseParams params;
    StartParse(params, elements.get(), avX, nullptr, false, EndOrTabTerminators());
    TRealReaderPtr number = NumberFromParse(params);
    EXPECT_FALSE(HasError(params));
    return number;
}

} // namespace

using CoordinateLists = GeometryFixture;

TEST_F(CoordinateLists, AnOpenListIsDrawnFromItsFirstPointToItsLastOnly)
{
    // Sampling from 0 would start at the last row (row -1) and join it to the first.
    auto open = List({TRealPoint{0, 0}, TRealPoint{4, 0}, TRealPoint{4, 3}});
    auto closed = List({TRealPoint{0, 0}, TRealPoint{4, 0}, TRealPoint{4, 3}}, true);
    QImage image(Width, Height, QImage::Format_RGB32);
    {
        Canvas canvas(&image);
        open->DrawOnGraph(canvas, *params);
        closed->DrawOnGraph(canvas, *params);
    }
    const std::vector<QPoint> expectedOpen{Pixel(0, 0), Pixel(4, 0), Pixel(4, 3)};
    const std::vector<QPoint> expectedClosed{Pixel(0, 0), Pixel(4, 0), Pixel(4, 3), Pixel(0, 0)};
    EXPECT_EQ(Runs(*open), std::vector<std::vector<QPoint>>{expectedOpen});
    EXPECT_EQ(Runs(*closed), std::vector<std::vector<QPoint>>{expectedClosed});
}

TEST_F(CoordinateLists, AGapBreaksTheLineAndADataSetDrawsCrosses)
{
    auto list = List({TRealPoint{0, 0}, TRealPoint{1, 1}, Row{}, TRealPoint{2, 0}, TRealPoint{3, 1}});
    QImage image(Width, Height, QImage::Format_RGB32);
    {
        Canvas canvas(&image);
        list->DrawOnGraph(canvas, *params);
    }
    const std::vector<std::vector<QPoint>> expected{{Pixel(0, 0), Pixel(1, 1)}, {Pixel(2, 0), Pixel(3, 1)}};
    EXPECT_EQ(Runs(*list), expected);

    TDataPoints set;
    set.Points.Add(std::make_unique<TCoordinates>(1, 1));
    set.Points.Add(std::make_unique<TCoordinates>(2, 3));
    TXY context(*params);
    set.InitContext(context);
    EXPECT_FALSE(context.JoinPoints);
    EXPECT_EQ(context.SampleCount, 2);
    EXPECT_EQ(context.ShadeKind, 0);
}

TEST_F(CoordinateLists, AListWithoutRowsDrawsLabelsAndRangesNothing)
{
    TCoordCurve empty(dnCoordinates);
    QImage image(Width, Height, QImage::Format_RGB32);
    {
        Canvas canvas(&image);
        empty.DrawOnGraph(canvas, *params); // must neither divide by zero nor crash
    }
    EXPECT_EQ(empty.Area(), 0);
    EXPECT_EQ(empty.ParameterStep(*params->Axes), 1);
    EXPECT_EQ(empty.ParameterAt(0, 0), 0);
    EXPECT_FALSE(empty.HasPointLabels());
    EXPECT_FALSE(empty.HasProperty(0x200));
    TAxisRanges bounds{-5, 5, -8, 8};
    empty.SuggestRanges(bounds);
    EXPECT_EQ(bounds.XMin, -5);
    EXPECT_EQ(bounds.YMax, 8);
    EXPECT_TRUE(Labels(empty).empty());
}

TEST_F(CoordinateLists, SuggestedRangesDoubleEachSpanAndLeaveAnAxisWithoutWidthAlone)
{
    struct Case {
        const char* name;
        std::vector<Row> rows;
        TAxisRanges expected;
    };
    const Case cases[] = {
        {"a box from (1, 2) to (3, 6)", {TRealPoint{1, 2}, TRealPoint{3, 6}}, {0, 4, 0, 8}},
        {"one point", {TRealPoint{1, 2}}, {-5, 5, -8, 8}},
        {"points on a vertical line", {TRealPoint{1, 2}, TRealPoint{1, 6}}, {-5, 5, 0, 8}},
        {"a gap is left out", {TRealPoint{1, 2}, Row{}, TRealPoint{3, 6}}, {0, 4, 0, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto list = List(c.rows);
        TAxisRanges bounds{-5, 5, -8, 8};
        list->SuggestRanges(bounds);
        EXPECT_EQ(bounds.XMin, c.expected.XMin);
        EXPECT_EQ(bounds.XMax, c.expected.XMax);
        EXPECT_EQ(bounds.YMin, c.expected.YMin);
        EXPECT_EQ(bounds.YMax, c.expected.YMax);
    }
}

TEST_F(CoordinateLists, EveryPointTakesTheLetterItsListingGives)
{
    struct Case {
        const char* name;
        std::vector<Row> rows;
        bool closed;
        char from;
        // The row each letter A, B, C ... stands at (-1: no such label).
        std::vector<std::pair<std::string, int>> labels;
    };
    const Case cases[] = {
        {"an open triangle",
         {TRealPoint{0, 0}, TRealPoint{4, 0}, TRealPoint{4, 3}},
         false,
         'A',
         {{"A", 0}, {"B", 1}, {"C", 2}}},
        // The repeated first sample of a closed figure must not shift the letters.
        {"a closed triangle",
         {TRealPoint{0, 0}, TRealPoint{4, 0}, TRealPoint{4, 3}},
         true,
         'A',
         {{"A", 0}, {"B", 1}, {"C", 2}}},
        // A gap takes no letter, and the point before it still takes one.
        {"a list with a gap",
         {TRealPoint{0, 0}, Row{}, TRealPoint{4, 0}, TRealPoint{4, 3}},
         false,
         'A',
         {{"A", 0}, {"B", 2}, {"C", 3}}},
        // A single point is labelled with the first letter, not two letters on.
        {"one point", {TRealPoint{1, 1}}, false, 'C', {{"C", 0}}},
        {"from Y, wrapping to A",
         {TRealPoint{0, 0}, TRealPoint{4, 0}, TRealPoint{4, 3}},
         false,
         'Y',
         {{"Y", 0}, {"Z", 1}, {"A", 2}}},
        // A shape closed by its first point: the last row keeps letter D but is not written over A.
        {"closed by repeating the first point",
         {TRealPoint{0, 0}, TRealPoint{4, 0}, TRealPoint{4, 3}, TRealPoint{0, 0}},
         false,
         'A',
         {{"A", 0}, {"B", 1}, {"C", 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto list = List(c.rows, c.closed);
        list->LabelFrom = c.from;
        std::vector<TRealPoint> points;
        for (const Row& row : c.rows)
            points.push_back(row ? *row : TRealPoint{1e6L, 1e6L});
        const auto labels = Labels(*list);
        ASSERT_EQ(labels.size(), c.labels.size());
        for (std::size_t i = 0; i < labels.size(); ++i) {
            EXPECT_EQ(labels[i].text, c.labels[i].first);
            EXPECT_EQ(NearestTo(labels[i].at, points), c.labels[i].second) << labels[i].text;
        }
    }
}

TEST_F(CoordinateLists, LabelsFollowTheCountTheSwitchAndThePrimary)
{
    std::vector<Row> rows;
    for (int i = 0; i < 27; ++i)
        rows.push_back(TRealPoint{Extended(i) / 4, 0});
    auto many = List(rows);
    EXPECT_FALSE(many->HasPointLabels());
    rows.pop_back();
    auto enough = List(rows);
    EXPECT_TRUE(enough->HasPointLabels());
    enough->SetSwitches(swLabelsOff);
    EXPECT_FALSE(enough->HasPointLabels());

    Configuration.LabelCoordinates = true;
    Configuration.ShadeShapes = true;
    TCoordCurve list(dnCoordinates);
    EXPECT_FALSE(list.LabelsSuppressed());
    EXPECT_TRUE(list.Shaded());
    TDataPoints set;
    EXPECT_TRUE(set.LabelsSuppressed());
    EXPECT_FALSE(set.Shaded());
    Configuration.LabelCoordinates = false;
    TCoordCurve unlabelled(dnCoordinates);
    EXPECT_TRUE(unlabelled.LabelsSuppressed());
}

TEST_F(CoordinateLists, AreaAndTheBitsOfAClosedShape)
{
    struct Case {
        const char* name;
        std::vector<Row> rows;
        bool closed;
        bool closedShape;
        double area;
    };
    const Case cases[] = {
        {"closed triangle", {TRealPoint{0, 0}, TRealPoint{4, 0}, TRealPoint{4, 3}}, true, true, 6},
        {"open triangle", {TRealPoint{0, 0}, TRealPoint{4, 0}, TRealPoint{4, 3}}, false, false, 6},
        {"first point repeated",
         {TRealPoint{0, 0}, TRealPoint{4, 0}, TRealPoint{4, 3}, TRealPoint{0, 0}},
         false,
         true,
         6},
        {"a gap", {TRealPoint{0, 0}, Row{}, TRealPoint{4, 3}}, true, false, 0},
        {"one point", {TRealPoint{1, 1}}, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto list = List(c.rows, c.closed);
        EXPECT_EQ(list->IsClosedShape(), c.closedShape);
        EXPECT_EQ(list->HasProperty(0x80), c.closedShape);
        if (c.closedShape) {
            EXPECT_NEAR(double(list->Area()), c.area, 1e-15);
        }
    }
}

TEST_F(CoordinateLists, PropertyBitsOfListsAndDataSets)
{
    std::vector<Row> ten, eleven;
    for (int i = 0; i < 10; ++i)
        ten.push_back(TRealPoint{Extended(i), Extended(i * i)});
    eleven = ten;
    eleven.push_back(TRealPoint{10, 100});
    auto list = List(ten);
    EXPECT_TRUE(list->HasProperty(0x40000)); // Fit polynomial
    EXPECT_FALSE(list->HasProperty(0x20000));
    EXPECT_FALSE(List(eleven)->HasProperty(0x40000));
    EXPECT_FALSE(List({TRealPoint{1, 1}})->HasProperty(0x40000));
    for (std::uint32_t bit : {0x8u, 0x200u, 0x400u, 0x10000u, 0x400000u})
        EXPECT_TRUE(list->HasProperty(bit)) << bit;
    EXPECT_FALSE(list->HasProperty(0x200000));
    list->Closed = true;
    EXPECT_TRUE(list->HasProperty(0x200000));

    TDataPoints set;
    for (int i = 0; i < 5; ++i)
        set.Points.Add(std::make_unique<TCoordinates>(i, i));
    EXPECT_TRUE(set.HasProperty(0x20000));
    EXPECT_FALSE(set.HasProperty(0x40000));
    EXPECT_FALSE(set.HasProperty(0x80)); // not joined: never a closed shape
}

TEST_F(CoordinateLists, TheNearestRowIsTheParameterOfAPoint)
{
    auto list = List({TRealPoint{0, 0}, Row{}, TRealPoint{4, 0}, TRealPoint{4, 0}});
    // Blank rows count in the index but are never chosen; ties keep the earlier row.
    EXPECT_EQ(list->ParameterAt(0.1L, 3.9L), Extended(3) / 4);
    EXPECT_EQ(list->ParameterAt(0, -1), Extended(1) / 4);
    TXY context;
    list->InitContext(context);
    context.Parameter = Extended(2) / 4;
    ResetStatus();
    list->CalculatePoint(context);
    EXPECT_EQ(EvaluationStatus, 0) << "a gap is no point";
}

TEST_F(CoordinateLists, SwapExchangesEveryPoint)
{
    auto list = List({TRealPoint{1, 2}, Row{}, TRealPoint{-3, 4}});
    list->SwapXY();
    EXPECT_EQ(list->PointAt(0)->Point().x, 2);
    EXPECT_EQ(list->PointAt(0)->Point().y, 1);
    EXPECT_EQ(list->PointAt(1), nullptr);
    EXPECT_EQ(list->PointAt(2)->Point().x, 4);
    EXPECT_EQ(list->PointAt(2)->Point().y, -3);
}

TEST_F(CoordinateLists, DraggingMovesPlainPointsAndLeavesExpressions)
{
    auto list = List({TRealPoint{1, 1}, TRealPoint{2, 2}});
    list->Points.Add(std::make_unique<TCoordinates>(Expression("x+1"), std::make_unique<TRealReader>(3)));
    list->RowsChanged();

    list->ApplyDragPoint(1, 5, 6);
    EXPECT_EQ(list->PointAt(1)->Point().x, 5);
    EXPECT_EQ(list->PointAt(1)->Point().y, 6);
    list->ApplyDragPoint(2, 7, 7); // an expression is not the mouse's to change
    EXPECT_TRUE(dynamic_cast<TVariableString*>(list->PointAt(2)->X.get()));

    list->RebuildDragPoints();
    EXPECT_EQ(list->DragPoints->Count(), 2) << "one handle per draggable point";

    list->StartWholeDrag();
    TDragMatrices shift;
    shift.SetTranslation(1, 2);
    list->ApplyDragMatrices(nullptr, shift);
    TXY context;
    list->InitContext(context);
    context.Parameter = Extended(1) / 3;
    list->CalculatePoint(context);
    EXPECT_EQ(context.X, 2); // drawn through the matrices, the row unchanged so far
    EXPECT_EQ(list->PointAt(0)->Point().x, 1);
    list->CommitWholeDrag(*params->Axes);
    EXPECT_EQ(list->DragMatrices, nullptr);
    EXPECT_EQ(list->PointAt(0)->Point().x, 2);
    EXPECT_EQ(list->PointAt(0)->Point().y, 3);
    EXPECT_EQ(list->PointAt(1)->Point().x, 6);
    EXPECT_EQ(list->PointAt(1)->Point().y, 8);
    EXPECT_TRUE(dynamic_cast<TVariableString*>(list->PointAt(2)->X.get()));
    EXPECT_EQ(list->PointAt(2)->Point().y, 3);
}

TEST_F(CoordinateLists, DeletePointRemovesTheRowUnderTheClick)
{
    auto list = List({TRealPoint{0, 0}, TRealPoint{2, 2}, TRealPoint{4, 0}});
    EXPECT_FALSE(list->DeletePointAt(Pixel(1, 1), *params));
    EXPECT_EQ(list->RowCount(), 3);
    EXPECT_TRUE(list->DeletePointAt(Pixel(2, 2) + QPoint(2, -1), *params));
    ASSERT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->PointAt(1)->Point().x, 4);
}

using Polygons = GeometryFixture;

TEST_F(Polygons, VerticesOfRegularShapes)
{
    const Extended s3 = std::sqrt(3.0L);
    struct Case {
        const char* name;
        std::unique_ptr<TPolygon> polygon;
        std::vector<TRealPoint> vertices;
    };
    std::vector<Case> cases;
    cases.push_back({"triangle of side 2", Polygon(3, 2), {{0, 2 / s3}, {-1, -1 / s3}, {1, -1 / s3}}});
    cases.push_back({"square of side 2", Polygon(4, 2), {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}}});
    cases.push_back({"square of side 2 at (3, 1)", Polygon(4, 2, 3, 1), {{4, 2}, {2, 2}, {2, 0}, {4, 0}}});
    cases.push_back(
        {"square by centre and vertex", DragPolygon(4, {0, 0}, {2, 0}), {{2, 0}, {0, 2}, {-2, 0}, {0, -2}}});
    cases.push_back(
        {"vertex straight below", DragPolygon(4, {1, 1}, {1, -1}), {{1, -1}, {3, 1}, {1, 3}, {-1, 1}}});
    cases.push_back(
        {"vertex to the left", DragPolygon(4, {0, 0}, {-1, 0}), {{-1, 0}, {0, -1}, {1, 0}, {0, 1}}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<TRealPoint> vertices = c.polygon->Vertices();
        ASSERT_EQ(vertices.size(), c.vertices.size());
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            EXPECT_NEAR(double(vertices[i].x), double(c.vertices[i].x), 1e-15) << i;
            EXPECT_NEAR(double(vertices[i].y), double(c.vertices[i].y), 1e-15) << i;
        }
    }
}

TEST_F(Polygons, AreaRangeAndValidity)
{
    struct Case {
        const char* name;
        std::unique_ptr<TPolygon> polygon;
        bool valid;
        double area;
        double reach; // the range is centre ± reach (0: the bounds stay)
    };
    const double r8 = 0.5 / std::sin(M_PI / 8); // circumradius of an octagon of side 1
    std::vector<Case> cases;
    cases.push_back({"square of side 2", Polygon(4, 2), true, 4, 1.2 * 2});
    cases.push_back({"triangle of side 2", Polygon(3, 2), true, std::sqrt(3.0), 1.2 * 2});
    // The circumradius is larger than the side from 7 sides on: 1.2 × the side would cut corners off.
    cases.push_back({"octagon of side 1", Polygon(8, 1), true, 2 * (1 + std::sqrt(2.0)), 1.2 * r8});
    // A negative side length draws the same shape turned round; its range must not turn inside out.
    cases.push_back({"square of side -2", Polygon(4, -2), true, 4, 1.2 * 2});
    cases.push_back({"two sides", Polygon(2, 2), false, 0, 0});
    cases.push_back({"3.5 sides", Polygon(3.5L, 2), false, 0, 0});
    cases.push_back({"1000 sides", Polygon(1000, 0.01L), true, -1, -1});
    cases.push_back({"1001 sides", Polygon(1001, 0.01L), false, 0, 0});
    // Given by centre and vertex: the side is 2r·sin(π/n).
    cases.push_back(
        {"square by centre and vertex", DragPolygon(4, {0, 0}, {2, 0}), true, 8, 1.2 * 2 * std::sqrt(2.0)});
    cases.push_back({"shape with no points yet", std::make_unique<TDragPolygon>(4), false, 0, 0});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.polygon->Valid(), c.valid);
        EXPECT_EQ(c.polygon->HasProperty(0x80), c.valid);
        if (c.area >= 0) {
            EXPECT_NEAR(double(c.polygon->Area()), c.area, 1e-14);
        }
        if (c.reach < 0)
            continue;
        TAxisRanges bounds{-5, 5, -8, 8};
        c.polygon->SuggestRanges(bounds);
        if (c.reach == 0) {
            EXPECT_EQ(bounds.XMin, -5);
            EXPECT_EQ(bounds.YMax, 8);
            continue;
        }
        EXPECT_NEAR(double(bounds.XMin), -c.reach, 1e-14);
        EXPECT_NEAR(double(bounds.XMax), c.reach, 1e-14);
        EXPECT_NEAR(double(bounds.YMin), -c.reach, 1e-14);
        EXPECT_NEAR(double(bounds.YMax), c.reach, 1e-14);
    }
}

TEST_F(Polygons, AShapeIsPlacedByItsCentreThenAVertex)
{
    TDragPolygon shape(4);
    shape.SetElements(TDragPolygon::PlacingLine(4));
    EXPECT_FALSE(shape.IsValid());
    EXPECT_EQ(shape.PlacingPrompt(), "Click one point to place the centre of the Square");
    QImage image(Width, Height, QImage::Format_RGB32);
    {
        Canvas canvas(&image);
        shape.DrawOnGraph(canvas, *params); // an incomplete shape draws nothing
    }
    EXPECT_EQ(shape.Area(), 0);
    EXPECT_FALSE(shape.PlacePoint(1, 2));
    EXPECT_EQ(shape.PlacingPrompt(), "Click one vertex of the Square");
    EXPECT_EQ(shape.Area(), 0);
    EXPECT_TRUE(shape.PlacePoint(3, 2));
    EXPECT_TRUE(shape.IsValid());
    EXPECT_EQ(shape.PlacingPrompt(), "");
    EXPECT_NEAR(double(shape.Area()), 8, 1e-15);
    // The line shows both points.
    EXPECT_EQ(ElementsToText(shape.Elements()),
              std::string("{fix \x05\x0b{Square}{centre}{{coords{1}{2}}{vertex}{{coords{3}{2}}"));
}

TEST_F(Polygons, APolygonBecomesAClosedListOfItsVertices)
{
    auto pentagon = Polygon(5, 2);
    pentagon->colour = 0x0000FF;
    pentagon->SetSwitches(swShade);
    std::unique_ptr<TCoordCurve> list = pentagon->ConvertToList();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->RowCount(), 5);
    EXPECT_TRUE(list->Closed);
    EXPECT_EQ(list->Heading(), dnPolygon);
    EXPECT_EQ(list->colour, 0x0000FFu);
    EXPECT_TRUE(list->Shaded());
    const std::vector<TRealPoint> vertices = pentagon->Vertices();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list->PointAt(i)->Point().x, vertices[static_cast<std::size_t>(i)].x);
        EXPECT_EQ(list->PointAt(i)->Point().y, vertices[static_cast<std::size_t>(i)].y);
    }
    EXPECT_EQ(Polygon(2, 2)->ConvertToList(), nullptr);
}

TEST_F(CoordinateLists, ThePointUnderTheMouseFollowsTheRowsAndTheScales)
{
    auto list = List({TRealPoint{1, 1}, Row{}, TRealPoint{-2, 3}});
    const TAxes& axes = *params->Axes;
    EXPECT_EQ(list->RowNear(axes, Pixel(1, 1) + QPoint(4, -4), 5), 0);
    EXPECT_EQ(list->RowNear(axes, Pixel(1, 1) + QPoint(5, 0), 5), -1) << "5 pixels off is too far";
    EXPECT_EQ(list->RowNear(axes, Pixel(-2, 3), 5), 2);
    list->ApplyDragPoint(0, 3, 3);
    EXPECT_EQ(list->RowNear(axes, Pixel(1, 1), 5), -1) << "the point has moved";
    EXPECT_EQ(list->RowNear(axes, Pixel(3, 3), 5), 0);
    // Zoomed: the point is found where it is drawn now.
    const QPoint before = Pixel(3, 3);
    params->Axes->XAxis->Scale *= 2;
    ASSERT_NE(Pixel(3, 3), before);
    EXPECT_EQ(list->RowNear(axes, before, 5), -1);
    EXPECT_EQ(list->RowNear(axes, Pixel(3, 3), 5), 0);
}
