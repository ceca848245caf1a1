// Explicit curves dragged on a real graph window: the whole curve moved,
// its handles pulled, and what its equation then reads. After every
// release the line re-entered from its text is the same curve as the one
// drawn. Also the choice of description, the brackets of the generic
// substitution, the quadratic's forms and the numbers written in index form.
#include "entry/entry.h"
#include "expr/realreader.h"
#include "formula/markup.h"
#include "geometry/dragdescriptions.h"
#include "graph/axes.h"
#include "graphwindow/graphwindowtesting.h"
#include "mouse/mousedrag.h"
#include "platform/canvas.h"
#include "plot/formulacurve.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace graphwindowtesting;

class DragEquations : public GraphWindowTest {
protected:
    void SetUp() override
    {
        GraphWindowTest::SetUp();
        Configuration.MouseFigures = 2;
    }
    void TearDown() override
    {
        PlotHost = nullptr;
        host_.reset();
        GraphWindowTest::TearDown();
    }
    // Shows the line and selects it by a click at (x, y) on it.
    void ShowSelected(const std::string& text, Extended x, Extended y)
    {
        ShowLines({text});
        host_ = std::make_unique<TListHost>(*window, *lines);
        PlotHost = host_.get();
        window->repaint();
        Click(Pixel(x, y));
        ASSERT_EQ(window->SelectedIndex(), 0) << text;
    }
    [[nodiscard]] TYofX* Curve() const { return dynamic_cast<TYofX*>(lines->lines[0].get()); }
    [[nodiscard]] std::string Text() const { return ElementsToText(lines->lines[0]->Elements()); }
    // The positions of the curve's point handles.
    [[nodiscard]] std::vector<TRealPoint> Handles() const
    {
        std::vector<TRealPoint> points;
        if (const TDragPointList* list = Curve()->DragPointList())
            for (int i = 0; i < list->Count(); ++i)
                if (dynamic_cast<TDragPoint*>((*list)[i]))
                    points.push_back({(*list)[i]->AnchorX, (*list)[i]->AnchorY});
        return points;
    }
    // Presses the handle at from as the window hands the press over (a
    // handle need not lie on the curve, as a circle's centre does not) and
    // drags it to to.
    void PullHandle(const TRealPoint& from, const TRealPoint& to)
    {
        const std::optional<TDragPress> press = Curve()->DragControlAt(Pixel(from.x, from.y), {});
        ASSERT_TRUE(press);
        ASSERT_NE(press->Handle, nullptr);
        std::unique_ptr<TMouseDragCurve> tool = DragTool(*window, Curve(), *press, Pixel(from.x, from.y));
        ASSERT_NE(tool, nullptr);
        tool->MouseMove(Pixel((from.x + to.x) / 2, (from.y + to.y) / 2), {});
        tool->MouseMove(Pixel(to.x, to.y), {});
        EXPECT_FALSE(tool->MouseRelease(Pixel(to.x, to.y), {}));
        tool->Finish();
    }
    // The value drawn at independent value u (through the drag matrices).
    static bool Drawn(TYofX& curve, Extended u, Extended& v)
    {
        const TAxisMaps m = curve.AxisMaps();
        const bool swapped = curve.IsSwapped();
        const Extended su = swapped ? m.YScale : m.XScale, tu = swapped ? m.YOffset : m.XOffset;
        const Extended sv = swapped ? m.XScale : m.YScale, tv = swapped ? m.XOffset : m.YOffset;
        ResetStatus();
        const Extended f = curve.DependentAt((u - tu) / su);
        const bool defined = EvaluationStatus <= esNormal && std::isfinite(f);
        ResetStatus();
        v = sv * f + tv;
        return defined;
    }
    // The saved line read back is the curve drawn: the same class, defined
    // at the same samples, within a pixel.
    void ExpectSameCurveReadBack()
    {
        std::unique_ptr<TOwnedLines> again = EnterLines({Text()});
        ASSERT_EQ(again->lines.size(), 1u);
        auto* read = dynamic_cast<TYofX*>(again->lines[0].get());
        ASSERT_NE(read, nullptr) << Text();
        EXPECT_STREQ(read->KindName(), Curve()->KindName()) << Text();
        const Extended pixel = 20.0L / Width;
        for (int i = -40; i <= 40; ++i) {
            const Extended u = i / 4.0L;
            Extended drawn = 0, reread = 0;
            const bool a = Drawn(*Curve(), u, drawn), b = Drawn(*read, u, reread);
            EXPECT_EQ(a, b) << Text() << " at " << static_cast<double>(u);
            if (a && b && std::fabs(drawn) < 10) {
                EXPECT_NEAR(static_cast<double>(drawn), static_cast<double>(reread),
                            static_cast<double>(pixel))
                    << Text() << " at " << static_cast<double>(u);
            }
        }
    }
    std::unique_ptr<TListHost> host_;
};

TEST_F(DragEquations, AWholeCurveMovedIsWrittenAgainFromItsShape)
{
    struct TRow {
        const char* typed;
        TRealPoint press, to;
        const char* description;
        const char* released;
    };
    const TRow rows[] = {
        {"y=2x+1", {-2, -3}, {-1, -3}, "TDragLinearCurveInfo", "y=2x-1"},
        {"x=2y+1", {-3, -2}, {-3, -1}, "TDragLinearCurveInfo", "x=2y-1"},
        {"y=x{^{2}", {2, 4}, {3, 6}, "TDragQuadraticCurveInfo", "y=x{^{2}-2x+3"},
        {"y=(x-1){^{2}+2", {3, 6}, {4, 6}, "TDragQuadraticCurveInfo", "y=(x-2){^{2}+2"},
        {"y=(x-1)(x-3)", {5, 8}, {6, 8}, "TDragQuadraticCurveInfo", "y=(x-2)(x-4)"},
        {"y=sin x", {3, std::sin(3.0L)}, {4, std::sin(3.0L)}, "TDragSimpleFunction", "y=sin(x-1)"},
        {"y=2sin(3x)+1", {-Pi / 3, 1}, {-Pi / 3, 2}, "TDragSimpleFunction", "y=2sin 3x+2"},
        {"y={/{5}{x}+2", {-1, -3}, {0, -3}, "TDragReciprocalFunction", "y={/{5}{x-1}+2"},
        // A fraction before the variable: the substitution is bracketed.
        {"y={/{1}{2}x+sin x",
         {2, 1 + std::sin(2.0L)},
         {3, 1 + std::sin(2.0L)},
         "TDragCurveInfo",
         "y={/{1}{2}(x-1)+sin (x-1)"},
        {"y=x{^{3}-3x", {3, 18}, {3, 19}, "TDragPolyCurveInfo", "y=x{^{3}-3x+1"},
        // A moved circle commits its new centre.
        {"(x-1){^{2}+(y-2){^{2}=9", {1, 5}, {2, 6}, "TDragCircleInfo", "(x-2){^{2}+(y-3){^{2}=3{^{2}"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.typed);
        ShowSelected(row.typed, row.press.x, row.press.y);
        ASSERT_NE(Curve(), nullptr);
        Drag(Pixel(row.press.x, row.press.y), Pixel(row.to.x, row.to.y));
        ASSERT_NE(Curve()->DragInfo, nullptr);
        EXPECT_STREQ(Curve()->DragInfo->KindName(), row.description);
        EXPECT_EQ(Text(), row.released);
        ExpectSameCurveReadBack();
        // The status line told how far it went while moving.
        ASSERT_FALSE(status.messages.empty());
        EXPECT_EQ(status.messages.back().rfind("Drag curve by [", 0), 0u) << status.messages.back();
    }
}

TEST_F(DragEquations, HandlesRewriteTheirCurve)
{
    struct TRow {
        const char* typed;
        TRealPoint select;
        std::vector<TRealPoint> handles; // where they are put
        int pulled;
        TRealPoint to;
        const char* released;
        const char* kind; // of the line afterwards
    };
    const TRow rows[] = {
        // The second handle of a line is where it crosses the axis.
        {"y=2x+1", {-2, -3}, {{0, 1}, {-0.5, 0}}, 0, {0, 3}, "y=6x+3", "TYofX"},
        // Pulled upright, the line becomes x = f(y) and changes kind.
        {"y=2x+1", {-2, -3}, {{0, 1}, {-0.5, 0}}, 0, {-0.5, 3}, "x=-0.5", "TXofY"},
        {"x=2y+1", {-3, -2}, {{1, 0}, {0, -0.5}}, 0, {1, -0.5}, "y=-0.5", "TYofX"},
        {"y=x{^{2}", {2, 4}, {{-1, 1}, {1, 1}, {0, 0}}, 2, {0, -1}, "y=2x{^{2}-1", "TYofX"},
        // Three handles in a row make a straight line.
        {"y=x{^{2}", {2, 4}, {{-1, 1}, {1, 1}, {0, 0}}, 2, {0, 1}, "y=1", "TYofX"},
        // Real roots: the handles stand on them, and the form stays factorised.
        {"y=(x-1)(x-3)", {5, 8}, {{1, 0}, {3, 0}, {2, -1}}, 2, {2, -4}, "y=4(x-1)(x-3)", "TYofX"},
        {"(x-1){^{2}+(y-2){^{2}=9",
         {1, 5},
         {{1, 2}, {4, 2}},
         1,
         {4, 6},
         "(x-1){^{2}+(y-2){^{2}=5{^{2}",
         "TYofX"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(std::string(row.typed) + " to " + row.released);
        ShowSelected(row.typed, row.select.x, row.select.y);
        const std::vector<TRealPoint> handles = Handles();
        ASSERT_EQ(handles.size(), row.handles.size());
        for (std::size_t i = 0; i < handles.size(); ++i) {
            EXPECT_NEAR(static_cast<double>(handles[i].x), static_cast<double>(row.handles[i].x), 1e-9);
            EXPECT_NEAR(static_cast<double>(handles[i].y), static_cast<double>(row.handles[i].y), 1e-9);
        }
        PullHandle(row.handles[static_cast<std::size_t>(row.pulled)], row.to);
        EXPECT_EQ(Text(), row.released);
        EXPECT_STREQ(KindName(*lines->lines[0]), row.kind);
        ExpectSameCurveReadBack();
    }
}

TEST_F(DragEquations, HandlesNearlyInARowMakeTheLineThroughThem)
{
    ShowSelected("y=x{^{2}", 2, 4);
    ASSERT_EQ(Handles().size(), 3u);
    // (−1, 1), (2, 1.3) and (1, 1.2) lie on y = 0.1x + 1.1; the decimals
    // are not exact in binary, which leaves a quadratic of a noise-sized a.
    PullHandle({1, 1}, {2, 1.3L});
    PullHandle({0, 0}, {1, 1.2L});
    EXPECT_EQ(Text(), "y=0.1x+1.1");
    ExpectSameCurveReadBack();
}

TEST_F(DragEquations, HandlesThatMakeNoQuadraticLeaveTheCurveAsAtThePress)
{
    ShowSelected("y=x{^{2}+1", 2, 5);
    const std::vector<TRealPoint> handles = Handles();
    ASSERT_EQ(handles.size(), 3u);
    // Two handles at the same x: no quadratic passes through them.
    const TRealPoint from = handles[0], onto{handles[1].x, handles[1].y + 2};
    QTest::mousePress(window.get(), Qt::LeftButton, {}, Pixel(from.x, from.y));
    QTest::mouseMove(window.get(), Pixel(onto.x, onto.y));
    EXPECT_EQ(Text(), "y=x{^{2}");
    EXPECT_FALSE(Curve()->IsValid());
    ASSERT_FALSE(status.messages.empty());
    EXPECT_EQ(status.messages.back(), QuadraticFailureText);
    EXPECT_GE(status.beeps, 1);
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, Pixel(onto.x, onto.y));
    // Released there, the curve is the one pressed on, not the placeholder.
    EXPECT_EQ(Text(), "y=x{^{2}+1");
    EXPECT_TRUE(Curve()->IsValid());
    EXPECT_EQ(static_cast<double>(Curve()->DependentAt(2)), 5.0);
    EXPECT_EQ(Handles().size(), 3u);
}

TEST_F(DragEquations, SmallCoefficientsGetMoreFiguresInsteadOfVanishing)
{
    struct TRow {
        const char* typed;
        TRealPoint press, to;
        const char* released;
    };
    const TRow rows[] = {
        // 0.001 shows as 0 with two figures: the text gets three.
        {"y=0.001sin x", {1, 0.001L * std::sin(1.0L)}, {1, 1 + 0.001L * std::sin(1.0L)}, "y=0.001sin x+1"},
        {"y={/{0.004}{x}", {4, 0.001}, {4, 2.001}, "y={/{0.004}{x}+2"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.typed);
        ShowSelected(row.typed, row.press.x, row.press.y);
        Drag(Pixel(row.press.x, row.press.y), Pixel(row.to.x, row.to.y));
        EXPECT_EQ(Text(), row.released);
        EXPECT_EQ(Configuration.MouseFigures, 2); // the retry's figures are never kept
    }
}

TEST_F(DragEquations, TransformHandlesNeedACurveInSightAndTurnOnlyLines)
{
    struct TRow {
        const char* typed;
        TRealPoint select;
        int mode;
        std::size_t transformHandles;
    };
    const TRow rows[] = {
        {"y=2x+1", {-2, -3}, 6, 2},
        // A turned parabola is no function of x: no rotation handles.
        {"y=x{^{2}", {2, 4}, 6, 0},
        {"y=x{^{2}", {2, 4}, 7, 4},
        {"y=x{^{2}", {2, 4}, 8, 2},
        {"y=x{^{2}", {2, 4}, 9, 1},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(std::string(row.typed) + " mode " + std::to_string(row.mode));
        ShowSelected(row.typed, row.select.x, row.select.y);
        Curve()->StartTransformDrag(row.mode);
        std::size_t count = 0;
        if (const TDragPointList* list = Curve()->DragPointList())
            for (int i = 0; i < list->Count(); ++i)
                count += dynamic_cast<TDragPoint*>((*list)[i]) ? 0 : 1;
        EXPECT_EQ(count, row.transformHandles);
    }
}

TEST_F(DragEquations, ALineOutOfSightHasNoHandles)
{
    ShowLines({"y=100"});
    host_ = std::make_unique<TListHost>(*window, *lines);
    PlotHost = host_.get();
    auto* curve = dynamic_cast<TYofX*>(lines->lines[0].get());
    ASSERT_NE(curve, nullptr);
    curve->ShowDragHandles(true);
    ASSERT_NE(curve->DragPointList(), nullptr);
    EXPECT_EQ(curve->DragPointList()->Count(), 0);
    curve->StartTransformDrag(9);
    EXPECT_EQ(curve->DragPointList()->Count(), 0);
}

TEST_F(DragEquations, CurvesArePlacedByClickingTheirPoints)
{
    struct TRow {
        TClickedCurve kind;
        std::vector<TRealPoint> clicks;
        std::vector<std::string> prompts; // before each click
        const char* placed;
    };
    const TRow rows[] = {
        {TClickedCurve::Line,
         {{1, 2}, {3, 6}},
         {"Click 2 more points to complete the straight line.",
          "Click 1 more point to complete the straight line."},
         "y=2x"},
        {TClickedCurve::Quadratic,
         {{-1, 1}, {0, 0}, {1, 1}},
         {"Click 3 more points to complete the quadratic curve.",
          "Click 2 more points to complete the quadratic curve.",
          "Click 1 more point to complete the quadratic curve."},
         "y=x{^{2}"},
        // Three points in a row make a straight line.
        {TClickedCurve::Quadratic, {{0, 0}, {1, 1}, {2, 2}}, {}, "y=x"},
        {TClickedCurve::Circle,
         {{1, 2}, {4, 6}},
         {"Click one point to place the centre of the circle", "Click one point on the circumference"},
         "(x-1){^{2}+(y-2){^{2}=5{^{2}"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.placed);
        ShowLines({});
        host_ = std::make_unique<TListHost>(*window, *lines);
        PlotHost = host_.get();
        status.messages.clear();
        lines->lines.push_back(NewClickedCurve(row.kind));
        EXPECT_FALSE(Curve()->IsValid()); // nothing drawn, every press taken
        EXPECT_EQ(Curve()->DragCursorAt(0, Pixel(0, 0)), crPickAPoint);
        for (std::size_t i = 0; i < row.clicks.size(); ++i) {
            if (i < row.prompts.size()) {
                ASSERT_FALSE(status.messages.empty());
                EXPECT_EQ(status.messages.back(), row.prompts[i]);
            }
            const QPoint at = Pixel(row.clicks[i].x, row.clicks[i].y);
            const std::optional<TDragPress> press = Curve()->DragControlAt(at, {});
            ASSERT_TRUE(press);
            std::unique_ptr<TMouseDragCurve> tool = DragTool(*window, Curve(), *press, at);
            EXPECT_FALSE(tool->MouseRelease(at, {}));
            tool->Finish();
        }
        EXPECT_TRUE(Curve()->IsValid());
        EXPECT_EQ(Text(), row.placed);
        EXPECT_EQ(status.messages.back(), "");
        ExpectSameCurveReadBack();
    }
}

TEST_F(DragEquations, TwoClicksAtOneXMakeNoQuadratic)
{
    ShowLines({});
    host_ = std::make_unique<TListHost>(*window, *lines);
    PlotHost = host_.get();
    lines->lines.push_back(NewClickedCurve(TClickedCurve::Quadratic));
    for (const TRealPoint& p : {TRealPoint{1, 1}, TRealPoint{1, 3}, TRealPoint{2, 2}}) {
        const std::optional<TDragPress> press = Curve()->DragControlAt(Pixel(p.x, p.y), {});
        ASSERT_TRUE(press);
        std::unique_ptr<TMouseDragCurve> tool = DragTool(*window, Curve(), *press, Pixel(p.x, p.y));
        EXPECT_FALSE(tool->MouseRelease(Pixel(p.x, p.y), {}));
        tool->Finish();
    }
    EXPECT_EQ(status.messages.back(), QuadraticFailureText);
    EXPECT_EQ(Text(), "y=x{^{2}");
    EXPECT_FALSE(Curve()->IsValid());
}

TEST_F(DragEquations, APointHandleMovedAloneSlidesAlongTheCurve)
{
    struct TRow {
        const char* typed;
        TRealPoint select, to, landed; // landed: where the handle ends
        const char* released;
    };
    const TRow rows[] = {
        {"y=x{^{2}", {2, 4}, {2, 7}, {2, 4}, "y=x{^{2}"},
        // Where the curve is not defined the handle stays.
        {"(x-1){^{2}+(y-2){^{2}=9", {1, 5}, {6, 2}, {4, 2}, "(x-1){^{2}+(y-2){^{2}=3{^{2}"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.typed);
        ShowSelected(row.typed, row.select.x, row.select.y);
        const std::vector<TRealPoint> handles = Handles();
        ASSERT_FALSE(handles.empty());
        const TRealPoint from = handles.back();
        const std::optional<TDragPress> press =
            Curve()->DragControlAt(Pixel(from.x, from.y), Qt::ControlModifier);
        ASSERT_TRUE(press);
        EXPECT_EQ(press->Kind, TDragMouseKind::DragAlone);
        std::unique_ptr<TMouseDragCurve> tool = DragTool(*window, Curve(), *press, Pixel(from.x, from.y));
        tool->MouseMove(Pixel(row.to.x, row.to.y), Qt::ControlModifier);
        EXPECT_FALSE(tool->MouseRelease(Pixel(row.to.x, row.to.y), Qt::ControlModifier));
        tool->Finish();
        const TRealPoint now = Handles().back();
        EXPECT_NEAR(static_cast<double>(now.x), static_cast<double>(row.landed.x), 0.06);
        EXPECT_NEAR(static_cast<double>(now.y), static_cast<double>(row.landed.y), 0.06);
        // The curve itself is unchanged (a circle is written in its own form at the release).
        EXPECT_EQ(Text(), row.released);
    }
}

TEST_F(DragEquations, AQuadraticTakesTheEquationTypeChosen)
{
    ShowSelected("y=(x-1)(x-3)", 5, 8);
    struct TRow {
        int mode;
        const char* text;
    };
    const TRow rows[] = {{12, "y=x{^{2}-4x+3"}, {14, "y=(x-2){^{2}-1"}, {13, "y=(x-1)(x-3)"}};
    for (const TRow& row : rows) {
        Curve()->StartTransformDrag(row.mode);
        EXPECT_EQ(Text(), row.text) << row.mode;
    }
}

TEST_F(DragEquations, StretchHandlesScaleTheEquation)
{
    struct TRow {
        const char* typed;
        TRealPoint select;
        int mode; // the transform handles shown
        TDragMouseKind pulled;
        Extended factor; // the far handle moved this many times as far from the centre
        const char* released;
    };
    const TRow rows[] = {
        {"y=x{^{2}", {2, 4}, 7, TDragMouseKind::StretchVert, 2, "y=2x{^{2}"},
        // About the crossing (−0.5, 0): x' = 2(x + 0.5) − 0.5.
        {"y=2x+1", {-2, -3}, 7, TDragMouseKind::StretchHorz, 2, "y=x+0.5"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.typed);
        ShowSelected(row.typed, row.select.x, row.select.y);
        Curve()->StartTransformDrag(row.mode);
        TDragPointList* list = Curve()->DragPointList();
        ASSERT_NE(list, nullptr);
        TDragCustom* handle = nullptr;
        for (int i = 0; i < list->Count(); ++i)
            if ((*list)[i]->MouseKind() == row.pulled)
                handle = (*list)[i];
        ASSERT_NE(handle, nullptr);
        const TRealPoint centre = list->CentrePosition();
        const TRealPoint from{handle->AnchorX, handle->AnchorY};
        const TRealPoint to{centre.x + row.factor * (from.x - centre.x),
                            centre.y + row.factor * (from.y - centre.y)};
        std::unique_ptr<TMouseDragCurve> tool =
            HandleTool(*window, Curve(), handle, Pixel(from.x, from.y), false);
        ASSERT_NE(tool, nullptr);
        tool->MouseMove(Pixel(to.x, to.y), {});
        EXPECT_FALSE(tool->MouseRelease(Pixel(to.x, to.y), {}));
        tool->Finish();
        EXPECT_EQ(Text(), row.released);
        ExpectSameCurveReadBack();
    }
}

TEST_F(DragEquations, ACircleToBeStretchedIsSubstitutedInstead)
{
    ShowSelected("x{^{2}+y{^{2}=16", 0, 4);
    Curve()->Classify();
    ASSERT_NE(Curve()->DragInfo, nullptr);
    EXPECT_STREQ(Curve()->DragInfo->KindName(), "TDragCircleInfo");
    Curve()->StartTransformDrag(7);
    EXPECT_STREQ(Curve()->DragInfo->KindName(), "TDragCurveInfo");
}

TEST_F(DragEquations, TheFormulaChoosesTheDescription)
{
    struct TRow {
        const char* typed;
        const char* description;
    };
    const TRow rows[] = {
        {"y=3", "TDragLinearCurveInfo"},
        {"y=2x-5", "TDragLinearCurveInfo"},
        // A negative power is no straight line.
        {"y=5x{^{-1}+2", "TDragCurveInfo"},
        {"y=(x{^{2}+1){^{-1}+2", "TDragCurveInfo"},
        {"y=x{^{2}+(x{^{2}+1){^{-1}", "TDragCurveInfo"},
        {"y=3x{^{2}-x", "TDragQuadraticCurveInfo"},
        {"y=x{^{4}-x", "TDragPolyCurveInfo"},
        // Degree 10 is more than the handles carry.
        {"y=x{^{10}", "TDragCurveInfo"},
        {"y=e{^{2x}", "TDragSimpleFunction"},
        {"y={sqrt{x+1}", "TDragSimpleFunction"},
        {"y=|x-1|", "TDragSimpleFunction"},
        {"y={/{1}{x+1}", "TDragReciprocalFunction"},
        {"x{^{2}+y{^{2}=16", "TDragCircleInfo"},
        {"y=sin x+cos x", "TDragCurveInfo"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.typed);
        ShowLines({row.typed});
        host_ = std::make_unique<TListHost>(*window, *lines);
        PlotHost = host_.get();
        auto* curve = dynamic_cast<TYofX*>(lines->lines[0].get());
        ASSERT_NE(curve, nullptr);
        curve->Classify();
        ASSERT_NE(curve->DragInfo, nullptr);
        EXPECT_STREQ(curve->DragInfo->KindName(), row.description);
    }
}

TEST(DragDescriptions, TheSubstitutionIsBracketedWhereItsNeighboursNeedIt)
{
    struct TRow {
        const char* line;
        int element; // the text run, counting from 0 among the runs of the top list
        int position;
        bool bracket;
    };
    const TRow rows[] = {
        {"y=x+1", 0, 2, false},
        {"y=2x+1", 0, 3, true},
        {"y=-x", 0, 3, true},
        {"y=sin x", 0, 6, true},
        {"y=x", 0, 2, true},
        {"y=(x+1)", 0, 3, false},
        // A variable starting its run: the run before decides; after a
        // fraction there is nothing to keep a sum together.
        {"y={/{1}{2}x+1", 1, 0, true},
        // An index after the variable is no sum's neighbour.
        {"y=x{^{2}", 0, 2, true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.line);
        TElementList list = ElementsFromText(row.line);
        const TStringEditObject* run = nullptr;
        int n = 0;
        for (TEditorObject* e = list.get(); e; e = e->next)
            if (auto* text = dynamic_cast<TStringEditObject*>(e))
                if (n++ == row.element) {
                    run = text;
                    break;
                }
        ASSERT_NE(run, nullptr);
        EXPECT_EQ(TDragCurveInfo::NeedsBracket(list.get(), *run, row.position, 1), row.bracket);
    }
}

TEST(DragDescriptions, AQuadraticIsWrittenInItsForm)
{
    ResetSettings();
    Configuration.MouseFigures = 2;
    struct TRow {
        Extended a, b, c;
        int form;
        const char* text;
    };
    const TRow rows[] = {
        {1, -4, 3, 0, "x{^{2}-4x+3"},
        {1, -4, 3, 1, "(x-1)(x-3)"},
        {2, 0, -8, 1, "2(x+2)(x-2)"},
        // No real roots: the factorised form is written expanded.
        {1, -4, 5, 1, "x{^{2}-4x+5"},
        {1, -4, 5, 2, "(x-2){^{2}+1"},
        {-1, 0, 0, 2, "-x{^{2}"},
        // a shows as 0: the line.
        {1e-9L, 2, 1, 2, "2x+1"},
    };
    for (const TRow& row : rows) {
        EXPECT_EQ(TDragQuadraticCurveInfo::QuadraticText(row.a, row.b, row.c, 'x', row.form), row.text);
    }
}

TEST(DragDescriptions, NumbersWithAPowerOfTenAreWrittenWithAnIndex)
{
    struct TRow {
        const char* text;
        const char* markup;
    };
    const TRow rows[] = {
        {"3*10^-10x", "3{\xB4"
                      "10{^{-10}x"},
        {"2.5*10^15x+1*10^-12", "2.5{\xB4"
                                "10{^{15}x+1{\xB4"
                                "10{^{-12}"},
        {"2x+1", "2x+1"},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(NumbersAsMarkup(row.text), row.markup);
}

} // namespace
