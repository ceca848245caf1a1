// Drawing a curve: sampling and refinement, the breaks in the line, the
// polyline batches and the drawing cache, the first-drawing messages, and
// the keyboard's hold on a long drawing.
#include "plot_testcurve.h"

#include "expr/evaluator.h"
#include "plot/polylinebuffer.h"

#include <algorithm>
#include <cmath>

namespace {

TEvaluatorPtr Constant(Extended v)
{
    return std::make_unique<TConstantEvaluator>(v);
}
TEvaluatorPtr VariableX()
{
    return MakeVariable(vcX);
}
TEvaluatorPtr Divide(TEvaluatorPtr a, TEvaluatorPtr b)
{
    return std::make_unique<TDivideEvaluator>(std::move(a), std::move(b));
}
TEvaluatorPtr Minus(TEvaluatorPtr a, TEvaluatorPtr b)
{
    return std::make_unique<TOperationEvaluator>(TOperation::Subtract, std::move(a), std::move(b));
}

bool DarkNear(const QImage& image, QPoint p)
{
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
            const QPoint q = p + QPoint(dx, dy);
            if (image.rect().contains(q) && qGray(image.pixel(q)) < 128)
                return true;
        }
    return false;
}

using Drawing = PlotFixture;

} // namespace

TEST_F(Drawing, SamplesEveryFractionOnceForOrdinaryCurves)
{
    struct Case {
        int accuracy;
        int parts;
    };
    for (const Case c : {Case{5, 1}, Case{10, 1}, Case{5, 2}}) {
        SCOPED_TRACE(c.accuracy);
        Configuration.Accuracy = static_cast<std::int16_t>(c.accuracy);
        TTestCurve curve([](Extended x) { return x / 10; });
        curve.parts = c.parts;
        Draw(curve);
        const int n = c.accuracy * 100;
        ASSERT_EQ(curve.evaluations, c.parts * (n + 1));
        for (int k = 0; k <= n; ++k)
            ASSERT_EQ(curve.parameters[static_cast<std::size_t>(k)], static_cast<Extended>(k) / n);
    }
}

TEST_F(Drawing, RefinesTowardsTheEdgeOfTheDomain)
{
    struct Case {
        int accuracy;
        int finest;
    };
    const Extended boundary = 0.0123L; // not a sample at any density
    for (const Case c : {Case{5, 128000}, Case{10, 256000}}) {
        SCOPED_TRACE(c.accuracy);
        Configuration.Accuracy = static_cast<std::int16_t>(c.accuracy);
        TTestCurve curve([&](Extended x) { return SquareRoot(x - boundary); });
        Draw(curve);
        // Four refinement runs of five samples each, and nothing else.
        EXPECT_EQ(curve.evaluations, c.accuracy * 100 + 1 + 4 * 5);

        Extended firstDefined = 2;
        for (std::size_t k = 0; k < curve.parameters.size(); ++k)
            if (curve.statuses[k] == esNormal)
                firstDefined = std::min(firstDefined, curve.parameters[k]);
        Extended lastUndefined = -1;
        for (std::size_t k = 0; k < curve.parameters.size(); ++k)
            if (curve.statuses[k] != esNormal && curve.parameters[k] < firstDefined)
                lastUndefined = std::max(lastUndefined, curve.parameters[k]);
        const Extended u0 = (boundary - XAxis().Min) / (XAxis().Max - XAxis().Min);
        EXPECT_LT(lastUndefined, u0);
        EXPECT_GE(firstDefined, u0);
        EXPECT_NEAR(static_cast<double>(firstDefined - lastUndefined), 1.0 / c.finest, 1e-12);

        const auto lines = Lines(curve);
        ASSERT_FALSE(lines.empty());
        const Extended x = XAxis().Min + firstDefined * (XAxis().Max - XAxis().Min);
        EXPECT_EQ(lines.front()->Points().front(), Pixel(x, std::sqrt(x - boundary)));
    }
}

TEST_F(Drawing, BreaksTheLineAtPolesStepsAndFarOffPoints)
{
    struct Case {
        const char* name;
        TEvaluatorPtr (*tree)();
    };
    const Case cases[] = {
        {"pole that stays on screen",
         [] { return Divide(Constant(0.0001L), Minus(VariableX(), Constant(0.3L))); }},
        {"clamped values beside 1/x", [] { return Divide(Constant(1), VariableX()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTestCurve curve(TreeFunction(c.tree()));
        Draw(curve);
        Extended largest = 0;
        for (const TLineStore* line : Lines(curve)) {
            bool above = false, below = false;
            for (QPoint p : line->Points()) {
                const Extended y = YAxis().PixelToValue(p.y());
                above = above || y > 0.1L;
                below = below || y < -0.1L;
                largest = std::max(largest, std::fabs(y));
            }
            EXPECT_FALSE(above && below) << "a piece bridges the asymptote";
        }
        // The refinement followed the branches close to the asymptote.
        EXPECT_GT(largest, 1);
    }

    // int(x) steps: every piece is one level.
    TTestCurve steps(TreeFunction(std::make_unique<TIntEvaluator>(VariableX())));
    Draw(steps);
    const auto lines = Lines(steps);
    EXPECT_GE(lines.size(), 9u);
    for (const TLineStore* line : lines)
        for (QPoint p : line->Points())
            EXPECT_EQ(p.y(), line->Points().front().y());
}

TEST_F(Drawing, DrawsInBatchesThatJoinWithoutGaps)
{
    Configuration.Accuracy = 30;
    TTestCurve wave([](Extended x) { return 4 * std::sin(3 * x); });
    Draw(wave);
    const auto lines = Lines(wave);
    ASSERT_GE(lines.size(), 2u);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        EXPECT_LE(lines[k]->Points().size(), static_cast<std::size_t>(TPolyLineBuffer::Capacity));
        if (k + 1 < lines.size()) {
            EXPECT_EQ(lines[k]->Points().back(), lines[k + 1]->Points().front());
        }
    }

    // Samples that land on the pixel of the one before are not stored.
    TTestCurve flat([](Extended) { return 0; });
    Draw(flat);
    std::size_t stored = 0;
    for (const TLineStore* line : Lines(flat)) {
        stored += line->Points().size();
        for (std::size_t k = 1; k < line->Points().size(); ++k)
            EXPECT_NE(line->Points()[k], line->Points()[k - 1]);
    }
    EXPECT_LE(stored, static_cast<std::size_t>(Width + 2 + Lines(flat).size()));

    const QImage& picture = Finished();
    for (Extended x : {-7.0L, -2.3L, 0.7L, 5.9L})
        EXPECT_TRUE(DarkNear(picture, Pixel(x, 4 * std::sin(3 * x)))) << static_cast<double>(x);
    EXPECT_EQ(picture.pixel(Pixel(1, 4.6L)), qRgb(255, 255, 255));
}

TEST_F(Drawing, RepaintsFromTheCacheWithoutEvaluating)
{
    TTestCurve curve([](Extended x) { return x * x / 4 - 3; });
    Draw(curve);
    ASSERT_NE(curve.LineStore(), nullptr);
    EXPECT_EQ(curve.LineStore()->State, lsComplete);
    const QImage first = Finished().copy();

    NewImage();
    curve.ForgetSamples();
    Draw(curve);
    EXPECT_EQ(curve.evaluations, 0);
    EXPECT_EQ(Finished(), first);

    // Drawing visibly recomputes; so does a drawing after a switch change.
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"draw visibly", [] { DrawMode = dmDrawVisibly; }},
        {"switch changed", [&] { curve.SetSwitch(4, true); }},
        {"no cache while a picture is made", [&] { DrawMode = dmNoCache; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DrawMode = 0;
        NewImage();
        Draw(curve); // make sure a complete store exists
        c.change();
        NewImage();
        curve.ForgetSamples();
        Draw(curve);
        EXPECT_EQ(curve.evaluations, 10 * 100 + 1);
    }
    // A picture drawing leaves no cache behind it to replay.
    DrawMode = dmNoCache;
    curve.DiscardLineStore();
    Draw(curve);
    EXPECT_EQ(curve.LineStore(), nullptr);
}

TEST_F(Drawing, PartialRepaintDoesNotBecomeTheCache)
{
    TTestCurve curve([](Extended x) { return x / 2; });
    const QRect part(100, 100, 200, 200);
    params->PaintRect = &part;
    Draw(curve);
    params->PaintRect = nullptr;
    EXPECT_TRUE(curve.LineStore() == nullptr || curve.LineStore()->State != lsComplete);
    curve.ForgetSamples();
    Draw(curve);
    EXPECT_EQ(curve.evaluations, 1001);
    EXPECT_EQ(curve.LineStore()->State, lsComplete);
}

TEST_F(Drawing, ReportsCurvesThatDrewNothingOnlyTheFirstTime)
{
    struct Case {
        const char* name;
        TTestCurve::TFunction f;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"off the screen", [](Extended) { return 100; }, {std::string(OffScreenCurveMessage)}},
        {"defined nowhere",
         [](Extended x) { return SquareRoot(-1 - x * x); },
         {std::string(ComplexCurveMessage)}},
        {"visible", [](Extended x) { return x; }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.messages.clear();
        window.beeps.clear();
        OffScreenMessageShown = false;
        TTestCurve curve(c.f);
        Draw(curve);
        EXPECT_EQ(window.messages, c.expected);
        for (bool beep : window.beeps)
            EXPECT_TRUE(beep);
        curve.DiscardLineStore();
        NewImage();
        Draw(curve);
        EXPECT_EQ(window.messages, c.expected) << "repeated at the second drawing";
    }

    // A curve that does show clears the off-screen message of the one before.
    window.messages.clear();
    TTestCurve hidden([](Extended) { return -50; });
    TTestCurve shown([](Extended x) { return x; });
    Draw(hidden);
    Draw(shown);
    EXPECT_EQ(window.messages, (std::vector<std::string>{std::string(OffScreenCurveMessage), ""}));
}

TEST_F(Drawing, EscapeAbandonsTheDrawingAndItsCache)
{
    TFakeInterrupt keyboard;
    keyboard.escapeAtPoll = 300;
    InstallDrawingInterrupt(&keyboard);
    TTestCurve curve([](Extended x) { return x / 3; });
    Draw(curve);
    EXPECT_LT(curve.evaluations, 300);
    EXPECT_EQ(curve.LineStore(), nullptr);
    EXPECT_FALSE(DrawingCompleted);
    EXPECT_TRUE(window.messages.empty());
    EXPECT_FALSE(curve.DrawFlag()) << "the first-drawing messages are still due";

    // The next repaint draws it again from scratch.
    keyboard.escapeAtPoll = 0;
    curve.ForgetSamples();
    DrawingCompleted = true;
    NewImage();
    Draw(curve);
    EXPECT_EQ(curve.evaluations, 1001);
    ASSERT_NE(curve.LineStore(), nullptr);
    EXPECT_EQ(curve.LineStore()->State, lsComplete);

    // Calculations that are not drawings are never interrupted.
    keyboard.escapeAtPoll = 1;
    TTestCurve other([](Extended x) { return -x / 3; });
    std::vector<TRealPoint> rounded, exact;
    curve.FindCrossings(other, *params, rounded, exact);
    EXPECT_EQ(exact.size(), 1u);
}

TEST_F(Drawing, CtrlPausesOnlyWhileDrawingVisibly)
{
    TFakeInterrupt keyboard;
    keyboard.ctrlFrom = 10;
    keyboard.ctrlUntil = 13;
    InstallDrawingInterrupt(&keyboard);
    for (std::uint8_t mode : {std::uint8_t(0), std::uint8_t(dmDrawVisibly)}) {
        SCOPED_TRACE(mode);
        DrawMode = mode;
        keyboard.polls = 0;
        keyboard.pauses = 0;
        TTestCurve curve([](Extended x) { return x; });
        Draw(curve);
        EXPECT_EQ(keyboard.pauses, mode ? 3 : 0);
        EXPECT_EQ(curve.evaluations, 1001);
    }
}

TEST_F(Drawing, PencilLeavesNothingBehind)
{
    Configuration.RepeatsDelay = 0;
    // The curve ends inside the window, where the pencil stops last.
    auto f = [](Extended x) { return x > 2 ? SquareRoot(-1) : x / 3; };
    TTestCurve curve(f);
    DrawMode = dmDrawVisibly;
    Draw(curve);
    const QImage plain = Finished().copy();

    NewImage();
    DrawMode = dmDemonstration | dmDrawVisibly;
    TTestCurve demonstrated(f);
    Draw(demonstrated);
    EXPECT_EQ(Finished(), plain);
}

TEST_F(Drawing, UnjoinedPointsAreCrosses)
{
    Configuration.Accuracy = 1;
    TTestCurve curve([](Extended x) { return x / 4; });
    curve.joinPoints = false;
    Draw(curve);
    std::size_t crosses = 0;
    for (const TStoredPiece* piece : *curve.LineStore()) {
        ASSERT_NE(dynamic_cast<const TCrossStore*>(piece), nullptr);
        crosses += static_cast<const TCrossStore*>(piece)->Points().size();
    }
    EXPECT_EQ(crosses, 101u);
    const Extended x = XAxis().Min + 0.75L * (XAxis().Max - XAxis().Min); // sample 75 of 100
    const QPoint centre = Pixel(x, x / 4);
    const QImage& picture = Finished();
    EXPECT_LT(qGray(picture.pixel(centre + QPoint(2, 2))), 128);
    EXPECT_LT(qGray(picture.pixel(centre + QPoint(-2, 2))), 128);
}

TEST_F(Drawing, FamilyMembersAreEachDrawn)
{
    FamilySet(3, nullptr);
    TTestCurve curve([](Extended) {
        Family.used = true;
        return static_cast<Extended>(Family.memberIndex);
    });
    Draw(curve);
    EXPECT_EQ(curve.evaluations, 3 * 1001);
    const QImage& picture = Finished();
    for (int member = 0; member < 3; ++member)
        EXPECT_TRUE(DarkNear(picture, Pixel(3, member))) << member;
    EXPECT_FALSE(DarkNear(picture, Pixel(3, 3)));

    // A curve that does not use the family constant is drawn once.
    TTestCurve plain([](Extended x) { return x; });
    NewImage();
    Draw(plain);
    EXPECT_EQ(plain.evaluations, 1001);
}
