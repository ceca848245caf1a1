// The tools that drag a curve, driven by presses and moves on a real graph
// window: what the curve is told (its drag matrices, a moved handle, a new
// value for a transformation step, the commit) and what the status line
// says, for moves, stretches, enlargements, turns and handles.
#include "graph/displayrounding.h"
#include "graphwindow/graphwindowtesting.h"
#include "mouse/mousedrag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace graphwindowtesting;

// A curve that records what the drag tools tell it; with a primary it
// depends on that curve, as a tangent does.
class TRecordingCurve : public TDependentCurvePlotter {
public:
    using TDependentCurvePlotter::TDependentCurvePlotter;
    void InitContext(TXY&) override {}
    void SelectPart(TXY&, int) override {}
    void CalculatePoint(TXY& context) override { context.X = context.Y = context.Parameter; }

    TDragMatrices* DragMatricesOf(TDragPoint*) override { return &matrices; }
    void ApplyDragMatrices(TDragPoint*, const TDragMatrices& m) override { matrices = m; }
    void DragPointMoved(TDragCustom* handle) override { moved.push_back({handle->AnchorX, handle->AnchorY}); }
    bool MayMoveDragPoint(TDragPoint*, Extended& x, Extended&) override { return x <= 2; }
    void SetDragValue(Extended value) override { values.push_back(value); }
    void FinishDrag(TDragPoint*) override { ++finished; }
    [[nodiscard]] TDragPointList* DragPointList() const override { return handles.get(); }

    TDragMatrices matrices;
    std::unique_ptr<TDragPointList> handles = std::make_unique<TDragPointList>();
    std::vector<TRealPoint> moved;
    std::vector<Extended> values;
    int finished = 0;
};

class DragTools : public GraphWindowTest {
protected:
    void SetUp() override
    {
        GraphWindowTest::SetUp();
        SetScales(-10, 10, -10, 10); // 20 pixels a unit
    }
    // Presses at a, moves to each point, releases at the last; the tool ends.
    void Drag(TMouseDragCurve& tool, std::vector<TRealPoint> to, Qt::KeyboardModifiers modifiers = {})
    {
        for (const TRealPoint& p : to)
            tool.MouseMove(Pixel(p.x, p.y), modifiers);
        const TRealPoint& last = to.back();
        EXPECT_FALSE(tool.MouseRelease(Pixel(last.x, last.y), modifiers));
        tool.Finish();
    }
    static TRealPoint Image(const TDragMatrices& m, Extended x, Extended y) { return m.Apply({x, y}); }
    TRecordingCurve curve;
};

TEST_F(DragTools, AWholeCurveMovesStretchesEnlargesAndTurns)
{
    struct TRow {
        const char* what;
        TDragMouseKind kind;
        TRealPoint centre, press;
        std::vector<TRealPoint> to;
        Qt::KeyboardModifiers modifiers;
        TRealPoint from, image; // a point and where the matrices put it
        const char* status;
    };
    using K = TDragMouseKind;
    const TRow rows[] = {
        {"move", K::DragCurve, {0, 0}, {1, 1}, {{2, 1}}, {}, {0, 0}, {1, 0}, "Drag curve by [1,0]"},
        {"move, Shift keeps 45 degrees",
         K::DragCurve,
         {0, 0},
         {0, 0},
         {{3, 2.5}},
         Qt::ShiftModifier,
         {0, 0},
         {2.8, 2.8},
         "Drag curve by [2.8,2.8]"},
        {"stretch across and up",
         K::Stretch,
         {1, 1},
         {3, 2},
         {{5, 4}},
         {},
         {2, 2},
         {3, 4},
         "Stretch curve from x=1, factor 2 and y=1, factor 3."},
        {"stretch across only",
         K::StretchHorz,
         {0, 0},
         {2, 2},
         {{4, 6}},
         {},
         {1, 1},
         {2, 1},
         "Stretch curve from x=0, factor 2."},
        {"stretch up only",
         K::StretchVert,
         {0, 0},
         {2, 2},
         {{4, 6}},
         {},
         {1, 1},
         {1, 3},
         "Stretch curve from y=0, factor 3."},
        {"enlarge by the larger factor",
         K::Enlarge,
         {0, 0},
         {1, 1},
         {{2, 3}},
         {},
         {1, 1},
         {3, 3},
         "Stretch curve from x=0, factor 2 and y=0, factor 3."},
        {"a press on the fixed point stretches by 1",
         K::Stretch,
         {2, 2},
         {2, 2},
         {{5, 7}},
         {},
         {1, 1},
         {1, 1},
         nullptr},
        // The angle turned is the one the status line shows (1.57, not pi/2).
        {"turn a quarter",
         K::Rotate,
         {0, 0},
         {2, 0},
         {{0, 2}},
         {},
         {1, 0},
         {std::cos(1.57L), std::sin(1.57L)},
         "Rotate curve by 1.57 radians, centre (0,0)"},
        {"turn with Shift snaps to 45 degrees",
         K::Rotate,
         {0, 0},
         {2, 0},
         {{2, 1.8}},
         Qt::ShiftModifier,
         {1, 0},
         {std::sqrt(0.5L), std::sqrt(0.5L)},
         nullptr},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        curve.matrices.Reset();
        curve.handles->Clear();
        curve.handles->Add(std::make_unique<TCentrePoint>(&curve, row.centre.x, row.centre.y));
        TDragCustom* handle = nullptr;
        switch (row.kind) {
        case K::Stretch:
            handle = new TStretchPoint(&curve, row.press.x, row.press.y);
            break;
        case K::StretchHorz:
            handle = new TStretchPointHorz(&curve, row.press.x, row.press.y);
            break;
        case K::StretchVert:
            handle = new TStretchPointVert(&curve, row.press.x, row.press.y);
            break;
        case K::Enlarge:
            handle = new TEnlargePoint(&curve, row.press.x, row.press.y);
            break;
        case K::Rotate:
            handle = new TRotatePoint(&curve, row.press.x, row.press.y);
            break;
        default:
            handle = new TTranslatePoint(&curve, row.press.x, row.press.y);
        }
        curve.handles->Add(std::unique_ptr<TDragCustom>(handle));
        const int finishedBefore = curve.finished;
        std::unique_ptr<TMouseDragCurve> tool =
            HandleTool(*window, &curve, handle, Pixel(row.press.x, row.press.y), false);
        ASSERT_NE(tool, nullptr);
        Drag(*tool, row.to, row.modifiers);
        const TRealPoint image = Image(curve.matrices, row.from.x, row.from.y);
        EXPECT_NEAR(static_cast<double>(image.x), static_cast<double>(row.image.x), 1e-9);
        EXPECT_NEAR(static_cast<double>(image.y), static_cast<double>(row.image.y), 1e-9);
        if (row.status) {
            EXPECT_EQ(tool->StatusText(), row.status);
        }
        // The drag is committed once, however the tool ends.
        tool->Finish();
        EXPECT_EQ(curve.finished, finishedBefore + 1);
    }
}

TEST_F(DragTools, HandlesMoveWithTheirCurveAloneOrAlongTheAxis)
{
    // A point handle tells the curve where it went.
    auto* point = new TDragPoint(&curve, 1, 1, 0);
    curve.handles->Add(std::unique_ptr<TDragCustom>(point));
    std::unique_ptr<TMouseDragCurve> tool = HandleTool(*window, &curve, point, Pixel(1, 1), false);
    Drag(*tool, {{2, 3}});
    ASSERT_EQ(curve.moved.size(), 1u);
    EXPECT_EQ(curve.moved[0].x, 2);
    EXPECT_EQ(curve.moved[0].y, 3);
    EXPECT_EQ(point->BasePosition.x, 2);

    // With Ctrl it moves alone where the curve lets it, and the curve hears nothing of it.
    curve.moved.clear();
    tool = HandleTool(*window, &curve, point, Pixel(2, 3), true);
    Drag(*tool, {{1, 4}, {5, 5}});
    EXPECT_TRUE(curve.moved.empty());
    EXPECT_EQ(point->AnchorX, 1);
    EXPECT_EQ(point->AnchorY, 4);

    // A handle on the axis stays on it.
    auto* start = new TDragOnAxis(&curve, 0, 0);
    curve.handles->Add(std::unique_ptr<TDragCustom>(start));
    tool = HandleTool(*window, &curve, start, Pixel(0, 0), false);
    Drag(*tool, {{3, 4}});
    EXPECT_EQ(start->AnchorX, 3);
    EXPECT_EQ(start->AnchorY, 0);

    // A centre handle moves alone without asking (the curve would refuse x > 2).
    auto* centre = new TCentrePoint(&curve, 0, 0);
    curve.handles->Add(std::unique_ptr<TDragCustom>(centre));
    tool = HandleTool(*window, &curve, centre, Pixel(0, 0), false);
    Drag(*tool, {{4, -1}});
    EXPECT_EQ(centre->AnchorX, 4);
    EXPECT_EQ(curve.handles->CentrePosition().x, 4);
}

TEST_F(DragTools, AHandleOnACurveFollowsItAndStaysWhereItIsNotDefined)
{
    ShowLines({"y={sqrt{x}"});
    auto* parent = dynamic_cast<TCurvePLotter*>(lines->lines[0].get());
    ASSERT_NE(parent, nullptr);
    TRecordingCurve tangent(parent);
    TDragOnPrimary handle(&tangent, 1, 1);
    TMouseDragOnPrimary tool(*window, &tangent, Pixel(1, 1), &handle, false);
    tool.MouseMove(Pixel(4, 1), {});
    ASSERT_EQ(tangent.moved.size(), 1u);
    EXPECT_NEAR(static_cast<double>(handle.AnchorX), 4, 0.06);
    EXPECT_NEAR(static_cast<double>(handle.AnchorY), 2, 0.02);
    // Left of the y axis the root is not defined: the handle stays put.
    tool.MouseMove(Pixel(-3, 1), {});
    EXPECT_EQ(tangent.moved.size(), 1u);
    EXPECT_NEAR(static_cast<double>(handle.AnchorX), 4, 0.06);
    EXPECT_TRUE(std::isfinite(handle.AnchorY));
    tool.Finish();
}

TEST_F(DragTools, DraggingAnImageChangesItsStepsValue)
{
    using K = TMouseDragStepValue::TKind;
    struct TRow {
        const char* what;
        K kind;
        Extended start;
        TRealPoint centre, direction, press, to;
        Extended value;
    };
    const TRow rows[] = {
        {"a rotation turns on from its angle",
         K::Rotation,
         0.5L,
         {0, 0},
         {1, 0},
         {2, 0},
         {0, 2},
         0.5L + Pi / 2},
        {"an enlargement by the ratio along its line", K::Enlargement, 2, {1, 1}, {1, 0}, {2, 1}, {4, 5}, 6},
        {"a stretch by the ratio of distances from its line",
         K::Stretch,
         1,
         {0, 0},
         {1, 0},
         {1, 2},
         {3, 5},
         2.5L},
        {"a shear by the move along its line over the distance",
         K::Shear,
         0,
         {0, 0},
         {1, 0},
         {1, 2},
         {4, 2},
         1.5L},
        // A press on the centre or the line cannot tell a factor: the step keeps its own.
        {"an enlargement pressed on its centre", K::Enlargement, 2, {1, 1}, {1, 0}, {1, 1}, {4, 5}, 2},
        {"a stretch pressed on its line", K::Stretch, 3, {0, 0}, {1, 0}, {4, 0}, {3, 5}, 3},
        {"a shear pressed on its line", K::Shear, 0.5L, {0, 0}, {1, 0}, {4, 0}, {3, 5}, 0.5L},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        curve.values.clear();
        TMouseDragStepValue tool(*window, &curve, Pixel(row.press.x, row.press.y), row.kind, row.start,
                                 row.centre, row.direction);
        const Extended value = tool.ValueAt(row.to, false);
        EXPECT_TRUE(std::isfinite(value));
        EXPECT_NEAR(static_cast<double>(value), static_cast<double>(RoundDisplay(row.value)), 1e-9);
        tool.MouseMove(Pixel(row.to.x, row.to.y), {});
        // The curve hears of a value only when it changes.
        EXPECT_EQ(curve.values.size(), value == row.start ? 0u : 1u);
        tool.MouseMove(Pixel(row.to.x, row.to.y) + QPoint(0, 0), {});
        EXPECT_LE(curve.values.size(), 1u);
        tool.Finish();
    }
}

TEST(DragFactors, StretchFactorsAvoidZeroAndNoise)
{
    struct TRow {
        Extended d0, d, range, factor;
    };
    const TRow rows[] = {
        {2, 4, 20, 2},             // twice as far
        {2, -2, 20, -1},           // across the fixed point: a reflection
        {2, 0, 20, 1e-10L},        // onto the fixed point: not 0, the matrices stay invertible
        {0.1L, 4, 20, 1},          // a press next to the fixed point: a hundredth of the range
        {0.01L, 0.04L, 0.2L, 4},   // zoomed in, the same drag still stretches
        {0.001L, 0.004L, 0.2L, 1}, // but not from a press next to the fixed point
        {3, 9, 20, 3},             // three times exactly, not 1 / 0.33
    };
    for (const TRow& row : rows)
        EXPECT_NEAR(static_cast<double>(StretchFactor(row.d0, row.d, row.range)),
                    static_cast<double>(row.factor), 1e-12)
            << row.d0 << " " << row.d;
    EXPECT_NEAR(static_cast<double>(TurnBetween({1, 0}, {-1, -0.0001L})), -3.1415, 1e-3);
    EXPECT_NEAR(static_cast<double>(TurnBetween({-1, 0.0001L}, {-1, -0.0001L})), 0.0002, 1e-6);
    const TRealPoint snapped = SnapDirection({1, 1}, {4, 1.2L});
    EXPECT_NEAR(static_cast<double>(snapped.y), 1, 1e-12);
    EXPECT_NEAR(static_cast<double>(snapped.x), 1 + std::hypot(3.0, 0.2), 1e-12);
}

} // namespace
