// Gradient and area functions, differential equations with their solutions
// and direction fields, and series: what they compute and draw, where the
// primary is undefined, far-off start values, and the bounds of series.
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "geometry/derivedcurves.h"
#include "geometry/diffeq.h"
#include "geometry/geometrytesting.h"
#include "geometry/series.h"
#include "geometry/straightline.h"
#include "plot/formulacurve.h"
#include "settings/mathswriter.h"

#include <cmath>
#include <functional>
#include <limits>

namespace {

TEvaluatorPtr Formula(const std::string& markup)
{
    TElementList elements = ElementsFromText(markup);
    Tidy(elements, tmFinish);
    TParseParams parse;
    StartParse(parse, elements.get(), avX | avY | avN, nullptr, false, EndOrTabTerminators());
    TEvaluatorPtr tree = ParseExpression(parse);
    EXPECT_FALSE(HasError(parse)) << markup;
    return tree;
}

TEvaluatorPtr Number(Extended v)
{
    return std::make_unique<TConstantEvaluator>(v);
}

std::unique_ptr<TYofX> Curve(const std::string& markup)
{
    return std::make_unique<TYofX>(Formula(markup), rlEqual);
}

struct TSample {
    std::uint8_t status;
    Extended x, y;
};

// A curve whose every point fails with the status given, offering solutions.
class TFailingEquation : public TCurvePLotter {
public:
    explicit TFailingEquation(std::uint8_t status) : status_(status) {}
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return 0x8004; }
    void CalculatePoint(TXY& context) override
    {
        ++calls;
        context.PrevX = 0;
        SetStatus(status_);
    }
    int calls = 0;

private:
    std::uint8_t status_;
};

std::string Definition(const TCurvePLotter& curve)
{
    TMathsWriter writer;
    curve.WriteDefinition(writer);
    return writer.TakeText();
}

class Analysis : public GeometryFixture {
protected:
    void SetScales(Extended xmin, Extended xmax, Extended ymin, Extended ymax)
    {
        ASSERT_TRUE(
            params->SetScales(std::make_unique<TRescaleDataTransfer>(xmin, xmax, ymin, ymax), host.get()));
    }

    // The points of a drawing run over u = i / n, i = 0 ... n, as the plotter asks for them.
    std::vector<TSample> Samples(TCurvePLotter& curve, int n)
    {
        TXY context(*params);
        context.SampleCount = n;
        curve.InitContext(context);
        curve.SelectPart(context, 1);
        std::vector<TSample> samples;
        for (int i = 0; i <= n; ++i) {
            context.Parameter = static_cast<Extended>(i) / n;
            context.Continuous = true;
            ResetStatus();
            curve.CalculatePoint(context);
            samples.push_back({EvaluationStatus, context.X, context.Y});
        }
        ResetStatus();
        return samples;
    }

    // The polylines a recorded drawing stores, in graph values.
    std::vector<std::vector<TRealPoint>> Drawn(TCurvePLotter& curve)
    {
        QImage image(Width, Height, QImage::Format_RGB32);
        curve.DiscardLineStore();
        {
            Canvas canvas(&image);
            curve.DrawOnGraph(canvas, *params);
        }
        std::vector<std::vector<TRealPoint>> runs;
        if (!curve.LineStore())
            return runs;
        for (int i = 0; i < curve.LineStore()->Count(); ++i) {
            const auto* piece = dynamic_cast<const TLineStore*>((*curve.LineStore())[i]);
            if (!piece)
                continue;
            runs.emplace_back();
            for (QPoint p : piece->Points())
                runs.back().push_back(
                    {params->Axes->XAxis->PixelToValue(p.x()), params->Axes->YAxis->PixelToValue(p.y())});
        }
        return runs;
    }
};

} // namespace

TEST_F(Analysis, GradientOfASquareIsTheLineTwiceX)
{
    SetScales(-10, 10, -10, 10);
    auto primary = Curve("x^2");
    TGradient gradient(primary.get());
    const auto samples = Samples(gradient, 100);
    EXPECT_EQ(samples[0].status, esUndefined); // the first sample has no chord
    for (std::size_t i = 1; i < samples.size(); ++i) {
        ASSERT_EQ(samples[i].status, esNormal) << i;
        EXPECT_NEAR(static_cast<double>(samples[i].y), static_cast<double>(2 * samples[i].x), 1e-9) << i;
    }
    // Alone, the point takes its chord from one sample before.
    TXY context(*params);
    context.SampleCount = 100;
    context.ExactParameter = true;
    gradient.InitContext(context);
    context.Parameter = 0.75; // x = 5: the chord from 4.8 to 5
    ResetStatus();
    gradient.CalculatePoint(context);
    EXPECT_EQ(EvaluationStatus, esNormal);
    EXPECT_NEAR(static_cast<double>(context.X), 4.9, 1e-9);
    EXPECT_NEAR(static_cast<double>(context.Y), 9.8, 1e-9);
}

TEST_F(Analysis, AGapInThePrimaryIsNotTakenIntoLaterChordsOrSums)
{
    // sqrt(x) − 1 is undefined left of 0: on x = −2 ... 2 by 1 the samples
    // −2 and −1 fail, 0 starts afresh.
    SetScales(-2, 2, -10, 10);
    auto primary = Curve("x^0.5-1");
    TGradient gradient(primary.get());
    const auto g = Samples(gradient, 4);
    const std::vector<bool> drawn{false, false, false, true, true};
    for (std::size_t i = 0; i < g.size(); ++i)
        EXPECT_EQ(g[i].status == esNormal, drawn[i]) << i;
    EXPECT_EQ(g[2].status, esUndefined);                  // the fresh chord has no gradient yet
    EXPECT_NEAR(static_cast<double>(g[3].y), 1.0, 1e-12); // (0 − (−1)) / 1
    EXPECT_NEAR(static_cast<double>(g[3].x), 0.5, 1e-12);

    // The area from −2: nothing to sum before 0; then trapezia of defined points only.
    TArea area(Number(-2), primary.get());
    const auto a = Samples(area, 4);
    EXPECT_GT(a[1].status, esClamped);
    EXPECT_EQ(a[2].status, esNormal);
    EXPECT_NEAR(static_cast<double>(a[2].y), 0.0, 1e-12); // a fresh start keeps the sum (0)
    EXPECT_NEAR(static_cast<double>(a[2].x), 0.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(a[3].y), -0.5, 1e-12); // (−1 + 0) / 2
    const double last = (std::sqrt(2.0) - 1) / 2;
    EXPECT_NEAR(static_cast<double>(a[4].y), -0.5 + last, 1e-12);
}

TEST_F(Analysis, AreaOfOneRisesWithSlopeOneFromItsStartValue)
{
    SetScales(-10, 10, -10, 10);
    auto primary = Curve("1");
    struct Case {
        Extended start;
    };
    for (const Case c : {Case{0}, Case{0.123L}, Case{-30}, Case{25}, Case{1e6L}, Case{-1e12L}}) {
        TArea area(Number(c.start), primary.get());
        const auto runs = area.DrawnPoints(params.get());
        ASSERT_FALSE(runs.empty()) << c.start;
        std::size_t points = 0;
        for (const auto& run : runs)
            for (const TRealPoint& p : run) {
                ++points;
                // Each sum sits at the middle of its last step, one step of 0.02 wide.
                EXPECT_NEAR(static_cast<double>(p.y), static_cast<double>(p.x - c.start),
                            0.0100001 + 1e-15 * std::fabs(static_cast<double>(c.start)))
                    << c.start;
            }
        // Only the window's samples are kept, however far the start.
        EXPECT_LE(points, 2u * 1002u) << c.start;
        if (c.start >= -10 && c.start <= 10) {
            // Both runs start at the start value itself, with area 0.
            EXPECT_NEAR(static_cast<double>(runs.front().front().x), static_cast<double>(c.start), 1e-12);
            EXPECT_EQ(runs.front().front().y, 0);
        }
    }
    // A start beyond any reach is still summed in bounded time and never overflows an index.
    TArea far(Number(1e30L), primary.get());
    EXPECT_FALSE(far.DrawnPoints(params.get()).empty());
}

TEST_F(Analysis, SolutionGoesRoundTheCircleAndTurnsAtInfiniteSlopes)
{
    SetScales(-5, 5, -5, 5);
    TDifferentialEquation equation(Formula("-x/y"));
    TDiffeqSolution solution(std::make_unique<TCoordinates>(0, 2), &equation);
    ASSERT_TRUE(solution.IsValid());
    const auto runs = Drawn(solution);
    ASSERT_FALSE(runs.empty());
    Extended minX = 10, maxX = -10;
    for (const auto& run : runs)
        for (const TRealPoint& p : run) {
            EXPECT_NEAR(static_cast<double>(std::hypot(p.x, p.y)), 2.0, 0.1);
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
        }
    EXPECT_NEAR(static_cast<double>(maxX), 2.0, 0.1);
    EXPECT_NEAR(static_cast<double>(minX), -2.0, 0.1);
}

TEST_F(Analysis, SolutionPassEndsWhereTheSlopeCannotBeFollowed)
{
    SetScales(-5, 5, -5, 5);
    for (std::uint8_t status : {esClamped, esInvalid, esNotWhole}) {
        TFailingEquation equation(status);
        TDiffeqSolution solution(std::make_unique<TCoordinates>(0, 0), &equation);
        TXY context(*params);
        int points = 0;
        solution.Trace(context, [&](int) { return ++points < 1000000; });
        // Each pass shows only its start point and asks for one slope.
        EXPECT_EQ(points, 2) << int(status);
        EXPECT_EQ(equation.calls, 2) << int(status);
    }
}

TEST_F(Analysis, DirectionFieldOfAnUndefinedSlopeIsVertical)
{
    SetScales(-5, 5, -5, 5);
    TDifferentialEquation equation(Formula("x/0"));
    TDiffeqCompassPoints field(&equation);
    Configuration.AutoAccuracy = false;
    Configuration.Accuracy = 10; // N = 1000: 31 columns, 21 rows
    ASSERT_TRUE(field.UsesLineStore());
    const auto pieces = Drawn(field);
    ASSERT_EQ(pieces.size(), 1u);
    ASSERT_EQ(pieces[0].size(), 2u * 31 * 21);
    for (std::size_t i = 0; i < pieces[0].size(); i += 2) {
        EXPECT_EQ(pieces[0][i].x, pieces[0][i + 1].x);
        EXPECT_NE(pieces[0][i].y, pieces[0][i + 1].y);
    }
    struct Case {
        int n, columns, rows;
    };
    for (const Case c : {Case{1000, 31, 21}, Case{100000, 221, 147}, Case{100, 17, 11}}) {
        int columns = 0, rows = 0;
        TDiffeqCompassPoints::GridSize(c.n, columns, rows);
        EXPECT_EQ(columns, c.columns) << c.n;
        EXPECT_EQ(rows, c.rows) << c.n;
    }
    Configuration.Accuracy = 200;
    EXPECT_FALSE(field.UsesLineStore());
}

TEST_F(Analysis, SeriesSumTheirTerms)
{
    SetScales(-1, 1, -10, 10);
    struct Case {
        const char* name;
        std::function<std::unique_ptr<TCurvePLotter>()> make;
        Extended expected; // the last partial sum at any x
    };
    const std::vector<Case> cases{
        {"ratio 0 stops after the first term",
         [] { return std::make_unique<TPowerSeries>(Number(2), Number(0), Number(1), Number(5)); }, 2},
        {"halving",
         [] { return std::make_unique<TPowerSeries>(Number(1), Number(0.5), Number(1), Number(3)); }, 1.75},
        {"first term reads n as 1",
         [] { return std::make_unique<TPowerSeries>(Formula("n"), Number(1), Number(1), Number(1)); }, 1},
        {"general terms sum from 1 whatever the first bound",
         [] { return std::make_unique<TGenPowerSeries>(Formula("n"), Number(3), Number(3)); }, 6},
    };
    for (const Case& c : cases) {
        auto series = c.make();
        Variables.n = 7; // left over from an earlier evaluation
        const TRealPoint p = series->PointAtParameter(0.25L, params.get());
        EXPECT_EQ(EvaluationStatus, esNormal) << c.name;
        EXPECT_NEAR(static_cast<double>(p.y), static_cast<double>(c.expected), 1e-12) << c.name;
        EXPECT_NEAR(static_cast<double>(p.x), -0.5, 1e-12) << c.name;
        ResetStatus();
    }
    // n = 1 to 5 draws five curves.
    TPowerSeries halving(Number(1), Number(0.5), Number(1), Number(5));
    EXPECT_EQ(Drawn(halving).size(), 5u);
}

TEST_F(Analysis, SeriesBoundsAreKeptWithinTheirLimits)
{
    constexpr Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    struct Case {
        Extended from, to;
        bool any;
        int first, last;
    };
    for (const Case c : {Case{1, 5, true, 1, 5}, Case{1.4L, 4.6L, true, 1, 5}, Case{5, 1, false, 0, 0},
                         Case{1, 1e9L, true, 1, 99}, Case{-5000, -4000, true, -1000, -1000},
                         Case{-1e30L, 1e30L, true, -1000, -902}, Case{nan, 3, false, 0, 0}}) {
        int first = 0, last = 0;
        EXPECT_EQ(SeriesRange(c.from, c.to, first, last), c.any) << double(c.from) << " " << double(c.to);
        if (c.any) {
            EXPECT_EQ(first, c.first) << double(c.from);
            EXPECT_EQ(last, c.last) << double(c.to);
        }
    }
}

TEST_F(Analysis, KindTextsAndAcceptance)
{
    auto primary = Curve("x^2");
    TDifferentialEquation equation(Formula("x+y"));
    TGradient gradient(primary.get());
    TDiffeqCompassPoints field(&equation);
    TPowerSeries power(Number(1), Formula("x"), Number(1), Number(4));
    TGenPowerSeries general(Formula("x^n"), Number(0), Number(3));
    TDiffeqSolution solution(std::make_unique<TCoordinates>(1, 2), &equation);
    // Formulas are written in the tree's text form.
    EXPECT_EQ(Definition(equation), "dy/dx=((x)+(y))");
    EXPECT_EQ(Definition(gradient), "Gradient function");
    EXPECT_EQ(Definition(field), "compass points");
    EXPECT_EQ(Definition(power), "first=1\tratio=x\tn=1 to 4");
    EXPECT_EQ(Definition(general), "nth=((x)^(n))\tn=0 to 3");
    EXPECT_EQ(Definition(solution).substr(0, 8), "{coords{");

    EXPECT_EQ(gradient.PropertyFlags() & 0x10002u, 0x10002u);
    EXPECT_EQ(equation.PropertyFlags(), 0x8004u);
    EXPECT_EQ(general.PropertyFlags(), 0u);
    struct Case {
        const char* name;
        bool valid;
    };
    TGradient onEquation(&equation);
    TArea areaOnEquation(Number(0), &equation);
    TArea area(Number(0), primary.get());
    TDiffeqCompassPoints fieldOnCurve(primary.get());
    TDiffeqSolution solutionOnCurve(std::make_unique<TCoordinates>(1, 2), primary.get());
    TGradient orphan(nullptr);
    const std::vector<std::pair<Case, const TEquationObject*>> cases{
        {{"gradient of a curve", true}, &gradient},
        {{"gradient of an equation", false}, &onEquation},
        {{"area of a curve", true}, &area},
        {{"area of an equation", false}, &areaOnEquation},
        {{"field of an equation", true}, &field},
        {{"field of a curve", false}, &fieldOnCurve},
        {{"solution of an equation", true}, &solution},
        {{"solution of a curve", false}, &solutionOnCurve},
        {{"gradient without primary", false}, &orphan},
    };
    for (const auto& [c, object] : cases)
        EXPECT_EQ(object->IsValid(), c.valid) << c.name;
}

TEST_F(Analysis, CrossingsFollowThePointsTheDrawingComputes)
{
    SetScales(-10, 10, -10, 10);
    auto parabola = Curve("x^2");
    auto one = Curve("1");
    TDifferentialEquation equation(Formula("-x/y"));
    TGradient gradient(parabola.get());
    TArea area(Number(0), one.get());
    TDiffeqSolution solution(std::make_unique<TCoordinates>(0, 2), &equation);
    TDiffeqCompassPoints field(&equation);
    struct Case {
        const char* name;
        TCurvePLotter* scanned;
        const char* line;
        std::vector<TRealPoint> expected;
        double tolerance;
    };
    const std::vector<Case> cases{
        // The area from 0 is x, not the area from the window's edge (x + 10).
        {"area", &area, "2", {{2, 2}}, 0.02},
        {"gradient", &gradient, "4", {{2, 4}}, 0.02},
        {"solution", &solution, "1", {{1.7320508, 1}, {-1.7320508, 1}}, 0.05},
        {"equation", &equation, "x", {}, 0},
        {"field", &field, "x", {}, 0},
    };
    for (const Case& c : cases) {
        auto line = Curve(c.line);
        std::vector<TRealPoint> rounded, exact;
        c.scanned->FindCrossings(*line, *params, rounded, exact);
        ASSERT_EQ(exact.size(), c.expected.size()) << c.name;
        for (const TRealPoint& want : c.expected) {
            bool found = false;
            for (const TRealPoint& p : exact)
                found = found || (std::fabs(static_cast<double>(p.x - want.x)) < c.tolerance &&
                                  std::fabs(static_cast<double>(p.y - want.y)) < c.tolerance);
            EXPECT_TRUE(found) << c.name << " " << double(want.x) << ", " << double(want.y);
        }
    }
}

TEST_F(Analysis, HandlesMoveTheAreaStartAndTheSolutionPoint)
{
    SetScales(-10, 10, -10, 10);
    QImage image(Width, Height, QImage::Format_RGB32);
    Canvas canvas(&image);

    // Under y = f(x) the area's start is a handle that slides along the x axis.
    auto primary = Curve("x^2");
    TArea area(Number(1), primary.get());
    area.BuildDragPoints(canvas, *params);
    ASSERT_TRUE(area.DragHandlesShown());
    TDragCustom* handle = (*area.DragPointList())[0];
    EXPECT_NE(dynamic_cast<TDragOnAxis*>(handle), nullptr);
    EXPECT_EQ(handle->AnchorX, 1);
    EXPECT_EQ(handle->AnchorY, 0);
    EXPECT_TRUE(handle->CtrlMovable);
    EXPECT_EQ(handle->CursorNumber(false), 12);
    handle->MoveTo(-2.5L, 0);
    area.SetChanged(false);
    area.DragPointMoved(handle);
    EXPECT_EQ(FormulaValue(area.StartValue.get()), -2.5L);
    EXPECT_EQ(ElementsToText(area.Elements()), std::string("{fix \x02\x01{Area from x =}{-2.5}"));
    EXPECT_EQ(Definition(area), ElementsToText(area.Elements()));
    EXPECT_TRUE(area.Changed());
    EXPECT_TRUE(area.LayoutOutOfDate());
    // The next drawing starts both runs at the new start and puts the handle there.
    const auto runs = Drawn(area);
    ASSERT_FALSE(runs.empty());
    EXPECT_NEAR(static_cast<double>(runs.front().front().x), -2.5, 1e-12);
    EXPECT_EQ((*area.DragPointList())[0]->AnchorX, -2.5L);
    area.DropDragPoints(canvas, true);
    EXPECT_FALSE(area.DragHandlesShown());

    // Under any other curve the start is no place on an axis: no handle.
    TXofY sideways(Formula("y^2"), rlEqual);
    TArea underSideways(Number(1), &sideways);
    underSideways.BuildDragPoints(canvas, *params);
    EXPECT_FALSE(underSideways.DragHandlesShown());

    // A solution's handle is the point it passes through; moving it moves the curve.
    TDifferentialEquation equation(Formula("-x/y"));
    TDiffeqSolution solution(std::make_unique<TCoordinates>(0, 2), &equation);
    solution.BuildDragPoints(canvas, *params);
    ASSERT_TRUE(solution.DragHandlesShown());
    handle = (*solution.DragPointList())[0];
    EXPECT_NE(dynamic_cast<TDragPoint*>(handle), nullptr);
    EXPECT_EQ(handle->AnchorX, 0);
    EXPECT_EQ(handle->AnchorY, 2);
    EXPECT_FALSE(handle->CtrlMovable);
    handle->MoveTo(0, 3);
    solution.SetChanged(false);
    solution.DragPointMoved(handle);
    EXPECT_EQ(Definition(solution), "{coords{0}{3}");
    EXPECT_EQ(ElementsToText(solution.Elements()), "{coords{0}{3}");
    EXPECT_TRUE(solution.Changed());
    for (const auto& run : Drawn(solution))
        for (const TRealPoint& p : run)
            EXPECT_NEAR(static_cast<double>(std::hypot(p.x, p.y)), 3.0, 0.15);
    EXPECT_EQ((*solution.DragPointList())[0]->AnchorY, 3);
}
