// The graph window as a user drives it: lines drawn into its picture,
// curves selected by clicking, tracing with the arrow keys, the status-line
// readout, the pop-up equation, the colour helpers and the graph objects it
// owns.
#include "graphwindow/graphwindowtesting.h"

#include "graphwindow/equationdisplayform.h"
#include "mouse/mousezoomin.h"
#include "platform/graphcolours.h"
#include "plot/polylinestore.h"
#include "plot/tracemarker.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>

using graphwindowtesting::GraphWindowTest;

namespace {

bool DarkNear(const QImage& image, QPoint p)
{
    const qreal ratio = image.devicePixelRatio();
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
            const QPoint q((p.x() + dx) * ratio, (p.y() + dy) * ratio);
            if (image.rect().contains(q) && qGray(image.pixel(q)) < 160)
                return true;
        }
    return false;
}

// Escape held from the first poll on.
class TEscapeHeld : public TDrawingInterrupt {
public:
    TInterruptRequest Poll() override { return {true, false}; }
};

// Escape down at the first poll of every drawing while held.
class TEscapeSwitch : public TDrawingInterrupt {
public:
    TInterruptRequest Poll() override { return {held, false}; }
    bool held = false;
};

} // namespace

TEST(GraphColours, ChannelsMoveAsTheFormulasSay)
{
    struct TRow {
        TColour colour;
        int amount;
        TColour lightened;
    };
    const TRow rows[] = {
        {RgbColour(0, 0, 0), 10, RgbColour(127, 127, 127)},    // half-way to white
        {RgbColour(200, 100, 0), 0, RgbColour(200, 100, 0)},   // unchanged
        {RgbColour(200, 100, 0), -10, RgbColour(100, 50, 0)},  // half-way to black
        {RgbColour(10, 20, 30), 30, RgbColour(193, 196, 198)}, // (10v + 7650) div 40
        {PaletteIndex(0), 10, RgbColour(127, 127, 127)},       // palette black is resolved first
    };
    for (const TRow& row : rows)
        EXPECT_EQ(LightenColour(row.colour, row.amount), row.lightened) << row.colour << " " << row.amount;
    EXPECT_EQ(AverageColour(RgbColour(255, 0, 1), RgbColour(0, 255, 2)), RgbColour(127, 127, 1));
    EXPECT_EQ(GreyColour(RgbColour(255, 0, 1)), RgbColour(85, 85, 85));
}

TEST_F(GraphWindowTest, LinesAreDrawnAndAnAppendedLineJoinsThePicture)
{
    ShowLines({"y=x{^{2}"});
    QImage picture = window->CopyScreen();
    EXPECT_TRUE(DarkNear(picture, Pixel(2, 4)));
    EXPECT_FALSE(DarkNear(picture, Pixel(2, -4)));
    // y = -x^2 appended: drawn without losing the first.
    auto more = graphwindowtesting::EnterLines({"y=-x{^{2}"});
    lines->lines.push_back(std::move(more->lines.front()));
    window->LinesChanged(1);
    picture = window->CopyScreen();
    EXPECT_TRUE(DarkNear(picture, Pixel(2, 4)));
    EXPECT_TRUE(DarkNear(picture, Pixel(2, -4)));
    // The last line deleted: the picture shows no stale curve.
    lines->lines.pop_back();
    window->LinesChanged(1);
    picture = window->CopyScreen();
    EXPECT_FALSE(DarkNear(picture, Pixel(2, -4)));
    // A hidden line is not drawn and cannot be hit.
    lines->lines[0]->SetSwitches(HiddenLineSwitch);
    window->LineChanged(0);
    EXPECT_FALSE(DarkNear(window->CopyScreen(), Pixel(2, 4)));
    EXPECT_EQ(window->CurveIndexAt(Pixel(2, 4)), -1);
}

TEST_F(GraphWindowTest, RenderingIntoAnotherCanvasDrawsTheSameGraph)
{
    ShowLines({"y=x{^{2}", "y=2x+1"});
    for (qreal ratio : {1.0, 2.0}) {
        const QImage image = window->RenderImage(ratio);
        EXPECT_EQ(image.size(), QSize(Width, Height) * ratio);
        EXPECT_TRUE(DarkNear(image, Pixel(2, 4))) << ratio;
        EXPECT_TRUE(DarkNear(image, Pixel(1, 3))) << ratio;
        EXPECT_FALSE(DarkNear(image, Pixel(-3, 3))) << ratio;
    }
}

TEST_F(GraphWindowTest, ASelectedInequalityIsShadedOnceHoweverItWasDrawn)
{
    ShowLines({"y>x{^{2}"});
    auto* curve = dynamic_cast<TCurvePLotter*>(lines->lines[0].get());
    ASSERT_NE(curve, nullptr);
    const QPoint inside = Pixel(0.5, 6);
    auto shade = [&] { return window->CopyScreen().pixel(inside); };
    const QRgb unselected = shade();
    ASSERT_NE(unselected, qRgb(255, 255, 255)) << "the side is shaded";
    // Selected when already stored, and when computed afresh under its halo.
    window->SelectLine(0);
    EXPECT_EQ(shade(), unselected);
    curve->DiscardLineStore();
    window->LinesChanged(0);
    EXPECT_EQ(shade(), unselected);
}

TEST_F(GraphWindowTest, ClickingOnACurveSelectsItAndBesideItDeselects)
{
    ShowLines({"y=x{^{2}", "y=2x+1"});
    QSignalSpy selected(window.get(), &TGraphWindow::LineSelected);
    struct TRow {
        long double x, y;
        int index;
    };
    // (1, 1) is only on the parabola, (-2, -3) only on the line, (-3, 3) on
    // neither; (1 + sqrt 2, 3 + 2 sqrt 2) lies on both and the selected one wins.
    const TRow rows[] = {{1, 1, 0}, {-2, -3, 1}, {-3, 3, -1}, {-2, -3, 1}, {-2, -3, 1}, {1, 1, 0}};
    for (const TRow& row : rows) {
        Click(Pixel(row.x, row.y));
        EXPECT_EQ(window->SelectedIndex(), row.index) << row.x << ", " << row.y;
    }
    EXPECT_EQ(selected.count(), 5); // the repeated click on the selected line fires nothing
    const long double s = std::sqrt(2.0L);
    const QPoint both = Pixel(1 + s, 3 + 2 * s);
    EXPECT_EQ(window->CurvesAt(both), (std::vector<int>{0, 1}));
    std::uint32_t flags = 0;
    window->HintFlags(both, flags);
    EXPECT_EQ(flags, 0x800u);
    window->SelectLine(1);
    EXPECT_EQ(window->CurveIndexAt(both), 1);
    window->SelectLine(-1);
    EXPECT_EQ(window->CurveIndexAt(both), 0);
}

TEST_F(GraphWindowTest, TheReadoutShowsThePointUnderThePointer)
{
    struct TRow {
        long double x, y;
        bool polar, degrees;
        const char* text;
    };
    const TRow rows[] = {
        {2, 3, false, false, "(2, 3) "},
        {-5, 0.5, false, false, "(-5, 0.5) "},
        {0, 1, true, true, "[1, 90\u00B0] "},
        {-2, 0, true, true, "[2, 180\u00B0] "},
    };
    for (const TRow& row : rows) {
        Configuration.PolarGrid = row.polar ? 1 : 0;
        Configuration.AngleFactor = row.degrees ? DegreesFactor : RadiansFactor;
        EXPECT_EQ(window->CoordinateText(Pixel(row.x, row.y)).toStdString(), row.text);
    }
    Configuration.PolarGrid = 0;
    QSignalSpy shown(window.get(), &TGraphWindow::CoordinatesShown);
    QTest::mouseMove(window.get(), Pixel(2, 3));
    ASSERT_GE(shown.count(), 1);
    EXPECT_EQ(shown.last().at(0).toString().toStdString(), "(2, 3) ");
    EXPECT_EQ(shown.last().at(1).toInt() % 80, 0);
}

TEST_F(GraphWindowTest, ThePopUpShowsTheCurveUnderTheMouseAndHidesOnChange)
{
    ShowLines({"y=x{^{2}", "y=2x+1"});
    QTest::mouseMove(window.get(), Pixel(-2, -3));
    TEquationDisplay* display = window->EquationDisplay();
    EXPECT_EQ(display->ShownIndex(), 1);
    EXPECT_TRUE(display->isVisible());
    EXPECT_LE(display->geometry().right(), Pixel(-2, -3).x() + 8);
    EXPECT_LT(display->geometry().bottom(), Pixel(-2, -3).y());
    // The line is deleted: the pop-up goes and never points past the list.
    lines->lines.pop_back();
    window->LinesChanged(1);
    EXPECT_EQ(display->ShownIndex(), -1);
    QTest::mouseMove(window.get(), Pixel(-3, 3));
    EXPECT_EQ(display->ShownIndex(), -1);
    // Clicking the pop-up selects its line.
    QTest::mouseMove(window.get(), Pixel(1, 1));
    ASSERT_EQ(display->ShownIndex(), 0);
    QSignalSpy selected(window.get(), &TGraphWindow::LineSelected);
    QTest::mouseClick(display, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    EXPECT_EQ(window->SelectedIndex(), 0);
    EXPECT_EQ(selected.count(), 1);
}

TEST_F(GraphWindowTest, TraceKeysMoveTheMarkerAlongTheCurveAndPanPastTheEdge)
{
    ShowLines({"y=x{^{2}"});
    window->SetTraceMode(true);
    Click(Pixel(1, 1)); // selects
    Click(Pixel(1, 1)); // traces
    TTraceMarker* marker = window->TraceMarker();
    ASSERT_NE(marker, nullptr);
    EXPECT_NEAR(static_cast<double>(marker->AnchorX), 1, 0.06);
    EXPECT_NEAR(static_cast<double>(marker->AnchorY), marker->AnchorX * marker->AnchorX, 1e-9);
    // The marker's box: top-left 8 pixels left of and above the traced point.
    const QRect box = marker->BoxRect(window->Params());
    EXPECT_EQ(box.topLeft(), Pixel(marker->AnchorX, marker->AnchorY) - QPoint(8, 8));
    EXPECT_EQ(box.size(), QSize(16, 16));

    // The status line shows the point rounded by its axes: steps of 5 on
    // both (Digits 1) and two mouse figures give tenths.
    ASSERT_EQ(Configuration.MouseFigures, 2);
    marker->SetValue(1.236L, window->Params());
    EXPECT_EQ(status.messages.back(), "Trace point = (1.2, 1.5)"); // 1.236² = 1.527696
    // A step is the window's x range over the sample count: 20 / (Accuracy 10 × 100).
    ASSERT_EQ(Configuration.Accuracy, 10);
    QTest::keyClick(window.get(), Qt::Key_Right);
    QTest::keyClick(window.get(), Qt::Key_Right);
    QTest::keyClick(window.get(), Qt::Key_Left);
    EXPECT_NEAR(static_cast<double>(marker->TraceValue), 1.256, 1e-12);
    EXPECT_EQ(status.messages.back(), "Trace point = (1.3, 1.6)"); // 1.256² = 1.577536
    // Zoomed in ten times, a step is ten times smaller.
    SetScales(-1, 1, -1, 1);
    marker->SetValue(0.5L, window->Params());
    QTest::keyClick(window.get(), Qt::Key_Right);
    EXPECT_NEAR(static_cast<double>(marker->TraceValue), 0.502, 1e-12);
    SetScales(-10, 10, -10, 10);

    // Stepping past the top edge pans up by 110 % of the overshoot.
    const TAxisRanges before = Ranges();
    for (int i = 0; i < 200 && marker->AnchorY <= before.YMax; ++i)
        QTest::keyClick(window.get(), Qt::Key_Right);
    const TAxisRanges after = Ranges();
    EXPECT_GT(after.YMax, before.YMax);
    EXPECT_GT(after.YMax, marker->AnchorY);
    EXPECT_NEAR(static_cast<double>(after.YMax - after.YMin), static_cast<double>(before.YMax - before.YMin),
                1e-9);

    // Any mouse mode removes the marker and clears its status text.
    window->SetMouseMode(mmNone);
    EXPECT_EQ(window->TraceMarker(), nullptr);
    EXPECT_EQ(status.messages.back(), "");
    EXPECT_FALSE(window->TraceMode());
}

TEST_F(GraphWindowTest, ATraceOffTheCurvesDomainShowsNothingAndKeepsWorking)
{
    ShowLines({"y={sqrt{x}"});
    window->SetTraceMode(true);
    Click(Pixel(4, 2));
    Click(Pixel(4, 2));
    TTraceMarker* marker = window->TraceMarker();
    ASSERT_NE(marker, nullptr);
    marker->SetValue(-3, window->Params());
    EXPECT_TRUE(marker->Undefined);
    EXPECT_FALSE(window->CopyScreen().isNull());
    marker->SetValue(9, window->Params());
    EXPECT_FALSE(marker->Undefined);
    EXPECT_NEAR(static_cast<double>(marker->AnchorY), 3, 1e-9);
}

TEST_F(GraphWindowTest, EmptyingTheObjectsFreesTheToolAndTheTraceFirst)
{
    ShowLines({"y=x"});
    window->SetTraceMode(true);
    Click(Pixel(1, 1));
    Click(Pixel(1, 1));
    ASSERT_NE(window->TraceMarker(), nullptr);
    auto note = std::make_unique<TGraphObject>(2, 2);
    TGraphObject* raw = note.get();
    window->AddGraphObject(std::move(note));
    EXPECT_TRUE(raw->TakeClick(*window, Pixel(2, 2), Qt::NoModifier));
    ASSERT_NE(window->ActiveTool(), nullptr);
    EXPECT_TRUE(raw->Selected);
    window->ClearGraphObjects();
    EXPECT_EQ(window->ActiveTool(), nullptr);
    EXPECT_EQ(window->TraceMarker(), nullptr);
    EXPECT_TRUE(window->GraphObjects().empty());
    // A line that leaves the list takes its trace with it.
    Click(Pixel(1, 1));
    ASSERT_NE(window->TraceMarker(), nullptr);
    lines->lines.clear();
    window->LinesChanged(0);
    EXPECT_EQ(window->TraceMarker(), nullptr);
}

TEST_F(GraphWindowTest, ArrowKeysMoveThePointerFasterTheLongerTheyAreHeld)
{
    QTest::mouseMove(window.get(), QPoint(100, 100));
    std::vector<int> xs;
    for (int i = 0; i < 25; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), i > 0);
        QCoreApplication::sendEvent(window.get(), &press);
        xs.push_back(window->PointerPixel().x());
    }
    // One pixel a step for ten steps, then two, then three.
    EXPECT_EQ(xs[0], 101);
    EXPECT_EQ(xs[9], 110);
    EXPECT_EQ(xs[10], 112);
    EXPECT_EQ(xs[20], 133);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &release);
    QKeyEvent again(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &again);
    EXPECT_EQ(window->PointerPixel(), QPoint(xs.back(), 101));
}

TEST_F(GraphWindowTest, ResizingKeepsTheScale)
{
    const long double scale = window->Params().Axes->XAxis->Scale;
    const TAxisRanges before = Ranges();
    window->resize(2 * Width, Height);
    const TAxisRanges after = Ranges();
    EXPECT_EQ(window->Params().Axes->XAxis->Scale, scale);
    EXPECT_NEAR(static_cast<double>(after.XMin), static_cast<double>(before.XMin), 1e-12);
    EXPECT_NEAR(static_cast<double>(after.XMax - after.XMin),
                2 * static_cast<double>(before.XMax - before.XMin), 1e-9);
    EXPECT_EQ(window->Params().Width, 2 * Width);
}

TEST_F(GraphWindowTest, ACurveThatFailsEverywhereLeavesTheWindowWorking)
{
    ShowLines({"y={sqrt{-1-x{^{2}}", "y=x"});
    EXPECT_TRUE(DarkNear(window->CopyScreen(), Pixel(3, 3)));
    Click(Pixel(3, 3));
    EXPECT_EQ(window->SelectedIndex(), 1);
    // Escape while drawing stops the remaining lines; the window still paints.
    TEscapeHeld escape;
    InstallDrawingInterrupt(&escape);
    window->RedrawAll();
    window->repaint();
    InstallDrawingInterrupt(nullptr);
    window->RedrawAll();
    EXPECT_TRUE(DarkNear(window->CopyScreen(), Pixel(3, 3)));
}

TEST_F(GraphWindowTest, TheSelectedCurveHasAHaloOnScreenButNotInPictures)
{
    ShowLines({"y=2x+1"});
    const QPoint beside = Pixel(0.25, 1.5) + QPoint(2, 0);
    EXPECT_EQ(window->CopyScreen().pixel(beside), qRgb(255, 255, 255));
    Click(Pixel(0.25, 1.5));
    ASSERT_EQ(window->SelectedIndex(), 0);
    const QRgb halo = window->CopyScreen().pixel(beside);
    EXPECT_NE(halo, qRgb(255, 255, 255));
    EXPECT_GT(qGray(halo), 150); // light: the curve itself stays the darkest line
    EXPECT_EQ(window->RenderImage().pixel(beside), qRgb(255, 255, 255));
    Click(Pixel(-5, 7));
    EXPECT_EQ(window->CopyScreen().pixel(beside), qRgb(255, 255, 255));
}

TEST_F(GraphWindowTest, TheHaloFollowsEveryBendOfTheSelectedCurve)
{
    // The halo leaves out points that lie on a straight stretch, never a bend:
    // two pixels above and below every point drawn it is still there.
    struct TRow {
        const char* typed;
        TRealPoint on;
    };
    const TRow rows[] = {
        {"y=sin 2x", {0, 0}},
        {"y=0.03x{^{2}-0.13x+3", {0, 3}},
        {"y={/{1}{x}", {1, 1}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.typed);
        ShowLines({row.typed});
        Click(Pixel(row.on.x, row.on.y));
        ASSERT_EQ(window->SelectedIndex(), 0);
        const QImage shown = window->CopyScreen();
        auto* curve = window->CurveAt(0);
        ASSERT_NE(curve, nullptr);
        ASSERT_NE(curve->LineStore(), nullptr);
        int checked = 0;
        for (const auto* piece : *curve->LineStore())
            if (const auto* line = dynamic_cast<const TLineStore*>(piece))
                for (const QPoint& p : line->Points())
                    for (const int dy : {-2, 2}) {
                        const QPoint at = p + QPoint(0, dy);
                        if (!shown.rect().adjusted(1, 1, -1, -1).contains(at))
                            continue;
                        ++checked;
                        EXPECT_NE(shown.pixel(at), qRgb(255, 255, 255))
                            << "at (" << at.x() << ", " << at.y() << ")";
                    }
        EXPECT_GT(checked, 200);
        Click(Pixel(-5, 7)); // nothing selected
    }
}

TEST_F(GraphWindowTest, AnAbandonedDrawingIsDrawnAgainWholeWhenALineIsAdded)
{
    TEscapeSwitch escape;
    InstallDrawingInterrupt(&escape);
    escape.held = true;
    ShowLines({"y=x", "y=-x"});
    EXPECT_FALSE(DarkNear(window->CopyScreen(), Pixel(3, 3)));
    // Escape let go, a line added at the end: the picture must not be taken
    // as holding the lines before it.
    escape.held = false;
    auto more = graphwindowtesting::EnterLines({"y=2x"});
    lines->lines.push_back(std::move(more->lines.front()));
    window->LinesChanged(2);
    const QImage picture = window->CopyScreen();
    InstallDrawingInterrupt(nullptr);
    EXPECT_TRUE(DarkNear(picture, Pixel(3, 3)));
    EXPECT_TRUE(DarkNear(picture, Pixel(3, -3)));
    EXPECT_TRUE(DarkNear(picture, Pixel(3, 6)));
}

TEST_F(GraphWindowTest, TraceStepsFollowTheZoom)
{
    // Accuracy 10: N = 1000 intervals of the window's x range.
    struct TRow {
        long double xmin, xmax, ymin, ymax;
        long double step;
    };
    const TRow rows[] = {
        {-10, 10, -10, 10, 0.02L},
        {1.5L, 2.5L, 3.5L, 4.5L, 0.001L},
        {1.99L, 2.01L, 3.99L, 4.01L, 0.00002L},
    };
    ShowLines({"y=x{^{2}"});
    window->SetTraceMode(true);
    for (const TRow& row : rows) {
        SetScales(row.xmin, row.xmax, row.ymin, row.ymax);
        window->repaint();
        const QPoint at = Pixel(2, 4);
        Click(at); // selects (the first time) or traces
        Click(at);
        TTraceMarker* marker = window->TraceMarker();
        ASSERT_NE(marker, nullptr);
        marker->SetValue(2, window->Params());
        QTest::keyClick(window.get(), Qt::Key_Right);
        EXPECT_NEAR(static_cast<double>(marker->TraceValue), static_cast<double>(2 + row.step),
                    static_cast<double>(row.step) * 1e-6)
            << static_cast<double>(row.xmax - row.xmin);
        // The marker stays in view: the window did not move.
        EXPECT_NEAR(static_cast<double>(Ranges().XMin), static_cast<double>(row.xmin), 1e-12);
    }
}

TEST_F(GraphWindowTest, ACurveIsNotHitWhereItJumpsOverAPoleOrAStep)
{
    // 20 pixels a unit; the tolerance box reaches 5 pixels (0.25) each way.
    struct TRow {
        const char* line;
        long double x, y;
        bool near;
    };
    const long double pole = 1.5707963267948966L;
    const TRow rows[] = {
        {"y=tan x", pole - 0.15L, 1, false},          // 3 pixels left of the pole, far below the branch
        {"y=tan x", pole + 0.15L, 1, false},          // and right of it, far above the other branch
        {"y=tan x", pole + 0.15L, -6.6166L, true},    // on the right branch (tan(π/2 + 0.15))
        {"y=tan x", 1.4464413322481351L, 8, true},    // 2.5 pixels from the pole on the steep left branch
        {"y=tan x", 0.5L, 0.5463024898437905L, true}, // an ordinary point
        {"y=int(x)", 2, 1.5L, false},                 // the gap between two steps is not drawn
        {"y=int(x)", 2.1L, 2, true},                  // a step itself
        {"y={/{1}{x-1}", 1.1L, 0, false},             // beside the pole of 1/(x − 1)
    };
    for (const TRow& row : rows) {
        ShowLines({row.line});
        EXPECT_EQ(window->CurveIndexAt(Pixel(row.x, row.y)) == 0, row.near)
            << row.line << " at (" << static_cast<double>(row.x) << ", " << static_cast<double>(row.y) << ")";
    }
}

TEST_F(GraphWindowTest, ThePopUpNeverComesUnderThePointer)
{
    // A 100 x 20 pop-up (its line 92 x 16) in a 400 x 400 window.
    const QSize size(100, 20), area(Width, Height);
    struct TRow {
        QPoint pointer;
        QRect placed;
    };
    const TRow rows[] = {
        {QPoint(200, 200), QRect(104, 176, 100, 20)}, // up and to the left, as usual
        {QPoint(50, 200), QRect(0, 176, 100, 20)},    // pushed against the left edge, still above
        {QPoint(200, 10), QRect(104, 34, 100, 20)},   // at the top: below the pointer's arrow
        {QPoint(30, 8), QRect(0, 32, 100, 20)},       // in the corner: below it too
        {QPoint(390, 10), QRect(294, 34, 100, 20)},   // at the top right
    };
    for (const TRow& row : rows) {
        const QRect placed = TEquationDisplay::Placement(size, row.pointer, area);
        EXPECT_EQ(placed, row.placed) << row.pointer.x() << "," << row.pointer.y();
        EXPECT_FALSE(placed.contains(row.pointer));
    }
    // Shown for a curve near the top-left corner, the pop-up leaves the
    // pointer over the graph, so the graph keeps getting the moves.
    ShowLines({"y=9"});
    const QPoint near = Pixel(-9.5L, 9);
    QTest::mouseMove(window.get(), near);
    TEquationDisplay* display = window->EquationDisplay();
    ASSERT_EQ(display->ShownIndex(), 0);
    EXPECT_FALSE(display->geometry().contains(near));
    EXPECT_EQ(window->childAt(near), nullptr);
}

TEST_F(GraphWindowTest, ATraceMarkerOutsideTheWindowIsHiddenAndTheReadoutSaysWhereItIs)
{
    ShowLines({"y=tan x"});
    window->SetTraceMode(true);
    const QPoint on = Pixel(1, std::tan(1.0L));
    Click(on);
    Click(on);
    TTraceMarker* marker = window->TraceMarker();
    ASSERT_NE(marker, nullptr);
    EXPECT_TRUE(marker->InWindow(window->Params()));
    // tan(-1.5665) = -232.75: far below the window, which shows -10 to 10.
    marker->SetValue(-1.5665L, window->Params());
    EXPECT_FALSE(marker->Undefined);
    EXPECT_FALSE(marker->InWindow(window->Params()));
    EXPECT_EQ(status.messages.back(), "Trace point = (-1.6, -233)");
    const QImage withMarker = window->CopyScreen();
    window->RemoveTrace();
    EXPECT_EQ(withMarker, window->CopyScreen()) << "the marker was drawn where the curve is not";
}

TEST_F(GraphWindowTest, EveryPetalTipOfARoseCanBeSelected)
{
    // r = sin 4θ: eight petals of length 1, their tips at 22.5° + k·45°.
    struct TRow {
        long double extent; // the window shows -extent to extent both ways
        bool degrees;
    };
    for (const TRow row : {TRow{2, false}, TRow{2, true}, TRow{10, false}, TRow{8, true}, TRow{5, true}}) {
        SetScales(-row.extent, row.extent, -row.extent, row.extent);
        Configuration.AngleFactor = row.degrees ? DegreesFactor : RadiansFactor;
        AngleFactor = Configuration.AngleFactor;
        ShowLines({"r=sin(4{q)"});
        ASSERT_NE(window->CurveAt(0), nullptr);
        const long double pixel = 2 * row.extent / Width;
        for (int k = 0; k < 8; ++k) {
            const long double angle = (22.5L + 45 * k) * Pi / 180;
            const QPoint tip = Pixel(std::cos(angle), std::sin(angle));
            EXPECT_EQ(window->CurveIndexAt(tip), 0)
                << "tip at " << 22.5 + 45 * k << " degrees, extent " << static_cast<double>(row.extent);
            // 8 pixels further out nothing is hit.
            const long double out = 1 + 8 * pixel;
            const QPoint beyond = Pixel(out * std::cos(angle), out * std::sin(angle));
            EXPECT_EQ(window->CurveIndexAt(beyond), -1)
                << "beyond the tip at " << 22.5 + 45 * k << " degrees, extent "
                << static_cast<double>(row.extent);
        }
        // Half-way along a petal's edge.
        const long double angle = 10 * Pi / 180;
        const long double r = std::sin(4 * angle);
        EXPECT_EQ(window->CurveIndexAt(Pixel(r * std::cos(angle), r * std::sin(angle))), 0);
    }
}

TEST_F(GraphWindowTest, ScrollBarsAndTheWheelPanTheGraph)
{
    // Bars of 0 ... 100 at 50: a unit of a bar is 1 % of the window (0.2 of x or y here).
    QScrollBar horizontal(Qt::Horizontal), vertical(Qt::Vertical);
    for (QScrollBar* bar : {&horizontal, &vertical}) {
        bar->setRange(0, 100);
        bar->setValue(50);
    }
    window->AttachScrollBars(&horizontal, &vertical);
    QSignalSpy scrolled(window.get(), &TGraphWindow::Scrolled);
    auto expect = [&](long double xmin, long double ymin, const char* what) {
        EXPECT_NEAR(static_cast<double>(Ranges().XMin), static_cast<double>(xmin), 1e-9) << what;
        EXPECT_NEAR(static_cast<double>(Ranges().XMax), static_cast<double>(xmin + 20), 1e-9) << what;
        EXPECT_NEAR(static_cast<double>(Ranges().YMin), static_cast<double>(ymin), 1e-9) << what;
        EXPECT_NEAR(static_cast<double>(Ranges().YMax), static_cast<double>(ymin + 20), 1e-9) << what;
    };
    // 25 clicks on the right arrow: 10 of 1 %, 10 of 2 %, 5 of 3 %: 45 % = 9.
    for (int i = 0; i < 25; ++i)
        horizontal.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    expect(-1, -10, "a run of small steps grows");
    EXPECT_EQ(horizontal.value(), 75);
    // Back one: a new run of 1 %.
    horizontal.triggerAction(QAbstractSlider::SliderSingleStepSub);
    expect(-1.2L, -10, "the other way starts a new run");
    // A page down: 10 % towards smaller y.
    vertical.triggerAction(QAbstractSlider::SliderPageStepAdd);
    expect(-1.2L, -12, "a page down");
    // The thumb dragged 20 units to the left: 20 % towards smaller x.
    horizontal.setSliderDown(true);
    horizontal.setSliderPosition(horizontal.value() - 20);
    horizontal.setSliderDown(false);
    expect(-5.2L, -12, "the thumb dragged");
    // The wheel turned one notch away from the user: up by as many small steps
    // as the desktop scrolls lines; with Shift held, left.
    const int lines = QApplication::wheelScrollLines();
    auto wheel = [&](Qt::KeyboardModifiers modifiers) {
        const QPointF at(200, 200);
        QWheelEvent event(at, window->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window.get(), &event);
    };
    const int before = vertical.value();
    wheel(Qt::NoModifier);
    expect(-5.2L, -12 + 0.2L * lines, "the wheel pans up");
    EXPECT_EQ(vertical.value(), before - lines);
    wheel(Qt::ShiftModifier);
    expect(-5.2L - 0.2L * lines, -12 + 0.2L * lines, "Shift and the wheel pan left");
    EXPECT_EQ(scrolled.count(), 30);
}
