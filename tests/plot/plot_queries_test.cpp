// What a curve answers besides drawing itself: hit tests, comparisons,
// suggested ranges, crossings, its left-hand side, its document record, its
// drag matrices; and the automatic accuracy and the keyboard poller.
#include "plot_testcurve.h"

#include "formula/editor.h"
#include "formula/markup.h"
#include "settings/mathswriter.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <cmath>

namespace {

using Queries = PlotFixture;

// Sets x from xmin to xmax and y from -5 to 5.
void SetRange(TGraphParams& params, TScaleHost& host, Extended xmin, Extended xmax)
{
    ASSERT_TRUE(params.SetScales(std::make_unique<TRescaleDataTransfer>(xmin, xmax, -5, 5), &host));
}

// A triangle whose three corners are labelled.
class TTriangle : public TCurvePLotter {
public:
    static constexpr Extended Corners[3][2] = {{-3, -2}, {3, -2}, {0, 3}};
    void InitContext(TXY& context) override { context.SampleCount = context.CurrentCount = 3; }
    void CalculatePoint(TXY& context) override
    {
        const int k = static_cast<int>(std::lround(static_cast<double>(context.Parameter * 3)));
        const int corner = ((k - 1) % 3 + 3) % 3;
        context.X = Corners[corner][0];
        context.Y = Corners[corner][1];
    }
    [[nodiscard]] bool HasPointLabels() const override { return true; }
};

class TRecordingHost : public TPlotHost {
public:
    void RedrawCurve(TCurvePLotter& curve) override { redrawn.push_back(&curve); }
    [[nodiscard]] int LineIndexOf(const TEquationObject* object) const override
    {
        for (std::size_t k = 0; k < lines.size(); ++k)
            if (lines[k].get() == object)
                return static_cast<int>(k);
        return -1;
    }
    [[nodiscard]] std::vector<TEquationObject*> Lines() const override
    {
        std::vector<TEquationObject*> result;
        for (const auto& line : lines)
            result.push_back(line.get());
        return result;
    }
    [[nodiscard]] std::unique_ptr<TEquationObject>
    ReplaceLine(TEquationObject& old, std::unique_ptr<TEquationObject> replacement) override
    {
        for (auto& line : lines)
            if (line.get() == &old) {
                std::swap(line, replacement);
                return replacement;
            }
        return replacement;
    }
    std::vector<std::unique_ptr<TEquationObject>> lines;
    std::vector<TCurvePLotter*> redrawn;
};

} // namespace

TEST_F(Queries, HitTestsFindTheCurveWithinFivePixels)
{
    TTestCurve curve([](Extended x) { return x / 2; });
    EXPECT_FALSE(curve.IsNearPoint(Pixel(1, 0.5L), *params)) << "nothing stored yet";
    Draw(curve);
    EXPECT_TRUE(curve.IsNearPoint(Pixel(1, 0.5L), *params));
    EXPECT_TRUE(curve.IsNearPoint(Pixel(1, 0.5L) + QPoint(0, 5), *params));
    EXPECT_FALSE(curve.IsNearPoint(Pixel(1, 0.5L) + QPoint(0, 12), *params));

    const Extended x = XAxis().Min + 0.25L * (XAxis().Max - XAxis().Min);
    TXYSearch near(*params, Pixel(x, x / 2));
    const int index = curve.NearestSample(near);
    ASSERT_GT(index, 0);
    // The sample found lies within the tolerance of the search point.
    const Extended sampleX = XAxis().Min + static_cast<Extended>(index) / 1000 * (XAxis().Max - XAxis().Min);
    EXPECT_LT(std::fabs(sampleX - near.SearchX), near.ClipXMin);
    TXYSearch far(*params, Pixel(x, x / 2 + 2));
    EXPECT_EQ(curve.NearestSample(far), -1);

    // The test curve's parameter for an exact point is x itself.
    const TRealPoint point = curve.PointAtParameter(0.5L, params.get());
    EXPECT_EQ(point.x, 0.5L);
    EXPECT_EQ(point.y, 0.25L);
}

TEST_F(Queries, CompareTellsSameCurvesKindsAndShapes)
{
    auto line = [](Extended t) { return t; };
    auto shifted = [](Extended t) { return t + 1; };
    struct Case {
        const char* name;
        std::function<std::unique_ptr<TTestCurve>()> first, second;
        int undrawn, drawn;
    };
    const Case cases[] = {
        {"y = x and x = y", [&] { return std::make_unique<TTestCurve>(line); },
         [&] { return std::make_unique<TOtherTestCurve>(line, true); }, 1, 0},
        {"y = x twice", [&] { return std::make_unique<TTestCurve>(line); },
         [&] { return std::make_unique<TTestCurve>(line); }, 0, 0},
        {"y = x and y = x + 1", [&] { return std::make_unique<TTestCurve>(line); },
         [&] { return std::make_unique<TTestCurve>(shifted); }, 2, 2},
        {"y > x and x < y",
         [&] {
             auto c = std::make_unique<TTestCurve>(line);
             c->shadeKind = 3;
             return c;
         },
         [&] {
             std::unique_ptr<TTestCurve> c = std::make_unique<TOtherTestCurve>(line, true);
             c->shadeKind = 1;
             return c;
         },
         1, 0},
        {"y > x and y < x",
         [&] {
             auto c = std::make_unique<TTestCurve>(line);
             c->shadeKind = 3;
             return c;
         },
         [&] {
             auto c = std::make_unique<TTestCurve>(line);
             c->shadeKind = 4;
             return c;
         },
         0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto a = c.first();
        auto b = c.second();
        EXPECT_EQ(a->CompareCurve(*a, *params), 0);
        EXPECT_EQ(a->CompareCurve(*b, *params), c.undrawn);
        Draw(*a);
        Draw(*b);
        EXPECT_EQ(a->CompareCurve(*b, *params), c.drawn);
        EXPECT_EQ(a->CompareWith(*b, *params), c.drawn == 0);
    }
}

TEST_F(Queries, SuggestedRangesSpreadAboutTheSamples)
{
    struct Case {
        const char* name;
        bool swapped;
        std::uint32_t properties;
        bool xChanges, yChanges;
    };
    const Case cases[] = {
        {"y = x", false, 0x200, false, true},
        {"x = y", true, 0x200, true, false},
        {"not offered to automatic scaling", false, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTestCurve curve([](Extended t) { return t; }, c.swapped);
        curve.properties = c.properties;
        TAxisRanges bounds{-8, 8, -5, 5};
        curve.SuggestRanges(bounds);
        // The sampled coordinate runs over its range in 50 steps; the other equals it.
        const Extended low = c.swapped ? -5 : -8, high = c.swapped ? 5 : 8;
        Extended sum = 0, squares = 0;
        for (int i = 0; i <= 50; ++i) {
            const Extended v = low + (high - low) * i / 50;
            sum += v;
            squares += v * v;
        }
        const Extended mean = sum / 51;
        const Extended s = std::sqrt(squares / 51 - mean * mean);
        if (c.xChanges) {
            EXPECT_NEAR(double(bounds.XMin), double(mean - 1.75L * s), 1e-9);
            EXPECT_NEAR(double(bounds.XMax), double(mean + 1.75L * s), 1e-9);
        } else {
            EXPECT_EQ(bounds.XMin, -8);
            EXPECT_EQ(bounds.XMax, 8);
        }
        if (c.yChanges) {
            EXPECT_NEAR(double(bounds.YMin), double(mean - 1.75L * s), 1e-9);
            EXPECT_NEAR(double(bounds.YMax), double(mean + 1.75L * s), 1e-9);
        } else {
            EXPECT_EQ(bounds.YMin, -5);
            EXPECT_EQ(bounds.YMax, 5);
        }
    }
}

TEST_F(Queries, FindsCrossingsAndTouchingPoints)
{
    SetRange(*params, *host, -7.3L, 8.1L);
    const Extended u0 = -XAxis().Min / (XAxis().Max - XAxis().Min) * 1000;
    ASSERT_NE(u0, std::round(u0)) << "x = 0 must not be a sample";
    struct Case {
        const char* name;
        TTestCurve::TFunction f, g;
        std::vector<Extended> xs;
        double tolerance;
    };
    const Case cases[] = {
        {"lines", [](Extended x) { return x / 3; }, [](Extended x) { return -x / 3; }, {0}, 1e-5},
        {"parabola across the axis",
         [](Extended x) { return x * x - 1; },
         [](Extended) { return 0; },
         {-1, 1},
         1e-5},
        {"parabola touching the axis",
         [](Extended x) { return x * x; },
         [](Extended) { return 0; },
         {0},
         3e-3},
        {"parabola above the axis", [](Extended x) { return x * x + 1; }, [](Extended) { return 0; }, {}, 0},
        // No sample at the finest density comes within the tolerance of so
        // steep a crossing; it is still found, between its two samples.
        {"steep line across the axis",
         [](Extended x) { return 100000 * (x - 0.3L); },
         [](Extended) { return 0; },
         {0.3L},
         1e-9},
        // A pole of the other curve changes the sign of D by a jump: no crossing.
        {"pole of the other curve",
         [](Extended) { return 0; },
         [](Extended x) { return 1 / (x - 0.3L); },
         {},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTestCurve curve(c.f), other(c.g);
        std::vector<TRealPoint> rounded, exact;
        curve.FindCrossings(other, *params, rounded, exact);
        ASSERT_EQ(exact.size(), c.xs.size());
        ASSERT_EQ(rounded.size(), c.xs.size());
        for (std::size_t k = 0; k < c.xs.size(); ++k) {
            EXPECT_NEAR(double(exact[k].x), double(c.xs[k]), c.tolerance);
            EXPECT_NEAR(double(exact[k].y), double(c.f(c.xs[k])), c.tolerance);
        }
    }
}

TEST_F(Queries, LabelsTheCornersOfALabelledShape)
{
    TTriangle triangle;
    Draw(triangle);
    const QImage& picture = Finished();
    const QPointF centre = QPointF(Pixel(0, -1 / 3.0L));
    for (const auto& corner : TTriangle::Corners) {
        const QPoint p = Pixel(corner[0], corner[1]);
        QPointF out = QPointF(p) - centre;
        out /= std::hypot(out.x(), out.y());
        // Some ink lies beyond the corner, away from the edges.
        int ink = 0;
        const QPoint box = p + (out * 12).toPoint();
        for (int dx = -8; dx <= 8; ++dx)
            for (int dy = -8; dy <= 8; ++dy)
                if (picture.rect().contains(box + QPoint(dx, dy)) &&
                    qGray(picture.pixel(box + QPoint(dx, dy))) < 160)
                    ++ink;
        EXPECT_GT(ink, 3) << corner[0] << ", " << corner[1];
    }
}

TEST_F(Queries, DragMatricesMapPointsAndRectangles)
{
    struct Case {
        const char* name;
        std::function<void(TDragMatrices&)> set;
        TRealPoint in, out;
    };
    const Case cases[] = {
        {"identity", [](TDragMatrices&) {}, {1, 2}, {1, 2}},
        {"translation", [](TDragMatrices& m) { m.SetTranslation(2, 3); }, {1, 1}, {3, 4}},
        {"scale about a centre", [](TDragMatrices& m) { m.SetScale(2, 3, 1, 1); }, {2, 2}, {3, 4}},
        {"scale keeps the centre", [](TDragMatrices& m) { m.SetScale(2, 3, 1, 1); }, {1, 1}, {1, 1}},
        {"quarter turn about (1, 0)", [](TDragMatrices& m) { m.SetRotation(Pi / 2, 1, 0); }, {2, 0}, {1, 1}},
        {"translate, then double",
         [](TDragMatrices& m) {
             TDragMatrices shift;
             shift.SetTranslation(1, 0);
             m.SetScale(2, 2, 0, 0);
             m.Compose(shift);
         },
         {1, 1},
         {4, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDragMatrices m;
        c.set(m);
        const TRealPoint out = m.Apply(c.in);
        EXPECT_NEAR(double(out.x), double(c.out.x), 1e-15);
        EXPECT_NEAR(double(out.y), double(c.out.y), 1e-15);
        const TRealPoint back = m.ApplyInverse(out);
        EXPECT_NEAR(double(back.x), double(c.in.x), 1e-15);
        EXPECT_NEAR(double(back.y), double(c.in.y), 1e-15);
    }

    TDragMatrices turn;
    turn.SetRotation(Pi / 2, 0, 0);
    const TAxisRanges box = turn.InverseBounds({0, 2, 0, 1});
    EXPECT_NEAR(double(box.XMin), 0, 1e-15);
    EXPECT_NEAR(double(box.XMax), 1, 1e-15);
    EXPECT_NEAR(double(box.YMin), -2, 1e-15);
    EXPECT_NEAR(double(box.YMax), 0, 1e-15);

    TDragMatrices flat;
    flat.SetScale(0, 1, 0, 0);
    ResetStatus();
    (void)flat.ApplyInverse({1, 1});
    EXPECT_EQ(EvaluationStatus, esUndefined);
    flat.Reset();
    EXPECT_TRUE(flat.IsIdentity());
}

TEST(AutomaticAccuracy, FollowsTheTestCurveTimeWithinItsBounds)
{
    struct Case {
        double seconds;
        int accuracy;
    };
    for (const Case c : {Case{0, 20}, Case{-1, 20}, Case{1e-3, 20}, Case{0.125, 20}, Case{0.2, 12},
                         Case{0.25, 10}, Case{1, 2}, Case{10, 2}}) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(AutomaticAccuracyFor(c.seconds), c.accuracy);
    }
}

TEST_F(Queries, MeasuringTheAccuracyLeavesTheSettingsAlone)
{
    Configuration.Accuracy = 37;
    DrawMode = dmDemonstration;
    TTestCurve curve([](Extended x) { return x; });
    const int accuracy = MeasureAutomaticAccuracy(curve, *canvas, *params);
    EXPECT_GE(accuracy, MinimumAutomaticAccuracy);
    EXPECT_LE(accuracy, MaximumAutomaticAccuracy);
    EXPECT_EQ(curve.evaluations, 501);
    EXPECT_EQ(curve.LineStore(), nullptr);
    EXPECT_EQ(Configuration.Accuracy, 37);
    EXPECT_EQ(DrawMode, dmDemonstration);
}

TEST_F(Queries, LeftHandSideAndDocumentRecord)
{
    TTestCurve y([](Extended t) { return t; });
    TTestCurve x([](Extended t) { return t; }, true);
    EXPECT_EQ(ElementsToText(y.LeftHandSide().get()), "y =");
    EXPECT_EQ(ElementsToText(x.LeftHandSide().get()), "x =");
    TCurvePLotter none;
    EXPECT_EQ(ElementsToText(none.LeftHandSide().get()), "");

    y.SetElements(ElementsFromText("y=x{^{2}"));
    y.colour = 255;
    y.style = 2;
    y.SetSwitches(4);
    y.thickness = 3;
    TMathsWriter writer;
    y.WriteTo(writer);
    EXPECT_EQ(writer.Text(), "Curve\r\ny=x{^{2}\r\n\tcolour = 255\r\n\tstyle = 2\r\n\tSwitches = 4\r\n"
                             "\tLine thickness = 3\r\n");

    TRecordingHost recording;
    PlotHost = &recording;
    auto primary = std::make_unique<TTestCurve>([](Extended t) { return t; });
    TDependentCurvePlotter dependent(primary.get());
    EXPECT_EQ(dependent.GetParent(), primary.get());
    EXPECT_EQ(dependent.style, 0);
    recording.lines.push_back(std::move(primary));
    TMathsWriter dependentWriter;
    dependent.WriteTo(dependentWriter);
    EXPECT_NE(dependentWriter.Text().find("\tprimary equation number = 0\r\n"), std::string::npos);
    dependent.SetParent(nullptr);
    TMathsWriter orphanWriter;
    dependent.WriteTo(orphanWriter);
    EXPECT_NE(orphanWriter.Text().find("\tprimary equation number = -1\r\n"), std::string::npos);
    PlotHost = nullptr;
}

TEST_F(Queries, EditingSwitchesAndReplacing)
{
    TRecordingHost recording;
    PlotHost = &recording;
    auto owned = std::make_unique<TTestCurve>([](Extended t) { return t; });
    TTestCurve* curve = owned.get();
    curve->SetElements(ElementsFromText("y=x{^{2}"));
    curve->colour = RgbColour(0, 0, 255);
    recording.lines.push_back(std::move(owned));
    auto dependant = std::make_unique<TDependentCurvePlotter>(curve);
    TDependentCurvePlotter* dependent = dependant.get();
    recording.lines.push_back(std::move(dependant));

    Draw(*curve);
    ASSERT_NE(curve->LineStore(), nullptr);
    curve->SetSwitch(4, true);
    EXPECT_EQ(curve->LineStore(), nullptr);
    EXPECT_EQ(recording.redrawn, std::vector<TCurvePLotter*>{curve});

    std::unique_ptr<TEditor> editor = curve->ToEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(ElementsToText(editor->Elements()), "y=x{^{2}");
    EXPECT_EQ(editor->EditedObject(), curve);
    EXPECT_EQ(editor->colour, curve->colour);
    EXPECT_EQ(ElementsToText(curve->Elements()), "y=x{^{2}");

    auto replacement = std::make_unique<TTestCurve>([](Extended t) { return -t; });
    TTestCurve* fresh = replacement.get();
    std::unique_ptr<TEquationObject> old = curve->ReplaceBy(std::move(replacement));
    EXPECT_EQ(old.get(), curve);
    EXPECT_EQ(recording.lines[0].get(), fresh);
    EXPECT_EQ(dependent->GetParent(), fresh);
    EXPECT_EQ(recording.redrawn.back(), fresh);
    PlotHost = nullptr;
}

TEST(KeyboardInterrupt, EscapeIsRecordedByTheApplicationFilter)
{
    TKeyboardInterrupt keyboard;
    EXPECT_FALSE(keyboard.Poll().abandon);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &press);
    EXPECT_TRUE(keyboard.Poll().abandon);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &release);
    EXPECT_FALSE(keyboard.Poll().abandon);

    // Drawing scopes nest; timers read the flag.
    EXPECT_FALSE(DrawingInProgress());
    {
        TDrawingScope outer;
        TDrawingScope inner;
        EXPECT_TRUE(DrawingInProgress());
    }
    EXPECT_FALSE(DrawingInProgress());
}
