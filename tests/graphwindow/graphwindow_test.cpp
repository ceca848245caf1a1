// The graph window as a user drives it: lines drawn into its picture,
// curves selected by clicking, tracing with the arrow keys, the status-line
// readout, the pop-up equation, the colour helpers and the graph objects it
// owns.
#include "graphwindow/graphwindowtesting.h"

#include "graphwindow/equationdisplayform.h"
#include "mouse/mousezoomin.h"
#include "platform/graphcolours.h"
#include "plot/tracemarker.h"

#include <QSignalSpy>

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
