// What formula curves answer without drawing: the relation table, their
// kinds and letters, parameter conversions, hit tests, crossings, keeping
// their identity when re-entered, and the kind lines of their records.
#include "formulacurve_testing.h"

#include "expr/analysis.h"
#include "plot/implicitfunction.h"
#include "settings/mathswriter.h"

#include <cmath>

using namespace curvetesting;

namespace {

class TTestHost : public TPlotHost {
public:
    explicit TTestHost(TGraphParams* params) : params_(params) {}
    TGraphParams* GraphParams() override { return params_; }

private:
    TGraphParams* params_;
};

class FormulaCurveQueries : public CurveImageTest {
protected:
    void SetUp() override
    {
        CurveImageTest::SetUp();
        host_ = std::make_unique<TTestHost>(params.get());
        PlotHost = host_.get();
    }
    void TearDown() override
    {
        PlotHost = nullptr;
        CurveImageTest::TearDown();
    }
    static std::string Definition(const TCurvePLotter& curve)
    {
        TMathsWriter writer;
        curve.WriteDefinition(writer);
        return writer.Text();
    }
    std::unique_ptr<TTestHost> host_;
};

TEST_F(FormulaCurveQueries, RelationsChooseShadingAndLine)
{
    struct TCase {
        int relation;
        std::uint8_t yKind, xKind;
        bool line;
        const char* yText;
    };
    const TCase cases[] = {
        {rlGreater, 3, 2, false, "y>x"}, {rlGreaterEqual, 3, 2, true, "y\xB3x"},
        {rlEqual, 0, 0, true, "y=x"},    {rlLessEqual, 4, 1, true, "y\xA3x"},
        {rlLess, 4, 1, false, "y<x"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.relation);
        TYofX y(Formula("x"), c.relation);
        TXofY x(Formula("y"), c.relation);
        TXY context(*params);
        y.InitContext(context);
        EXPECT_EQ(context.ShadeKind, c.yKind);
        EXPECT_EQ(context.DrawLine, c.line);
        x.InitContext(context);
        EXPECT_EQ(context.ShadeKind, c.xKind);
        EXPECT_EQ(context.DrawLine, c.line);
        EXPECT_EQ(y.IsInequality(), c.relation != rlEqual);
        EXPECT_EQ(Definition(y), c.yText);
        EXPECT_EQ(Definition(x)[0], 'x');
        EXPECT_EQ(Definition(x)[1], c.yText[1]);
    }
    // A relation from outside the range is taken as "=".
    TYofX odd(Formula("x"), 9);
    EXPECT_EQ(odd.Relation, rlEqual);
}

TEST_F(FormulaCurveQueries, KindsLettersAndPropertiesByClass)
{
    struct TCase {
        std::unique_ptr<TFormulaCurve> curve;
        const char* kind;
        std::uint32_t properties;
        char dependent, independent;
        const char* definition;
    };
    TCase cases[] = {
        {std::make_unique<TYofX>(Formula("2x"), rlEqual), "TYofX", 0x90209, 'y', 'x', "y=((2)*(x))"},
        {std::make_unique<TXofY>(Formula("y+1"), rlLess), "TXofY", 0x90209, 'x', 'y', "x<((y)+(1))"},
        {std::make_unique<TYParametric>(Formula("t"), Formula("2"), Number(0), Number(5)), "TYParametric",
         0x10209, 0, 't', "y=t\tx=2\tt=0to5"},
        {std::make_unique<TPolarParametric>(Formula("t"), Formula("3"), Number(1), Number(2)),
         "TPolarParametric", 0x10209, 0, 't', "r=t\t{q=3\tt=1to2"},
        {std::make_unique<TRofTheta>(Formula("{q"), Number(2)), "TRofTheta", 0x10209, 'r', 'q',
         "r={q\tfor 2 revs"},
        {std::make_unique<TImplicitFunction>(Formula("xy-1"), rlGreaterEqual), "TImplicitFunction", 0, 0, 0,
         "0\xB3((((x)*(y)))-(1))"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_STREQ(c.curve->KindName(), c.kind);
        EXPECT_STREQ(KindName(*c.curve), c.kind);
        EXPECT_EQ(c.curve->PropertyFlags(), c.properties);
        EXPECT_EQ(c.curve->VariableLetter(0), c.dependent);
        EXPECT_EQ(c.curve->VariableLetter(1), c.independent);
        EXPECT_EQ(Definition(*c.curve), c.definition);
    }
    EXPECT_STREQ(KindName(*TYofX::XAxisLine()), "TYofX");
    EXPECT_EQ(ElementsToText(TYofX::XAxisLine()->Elements()), "x axis");
    EXPECT_EQ(ElementsToText(TYofX::DiagonalLine(true)->Elements()), "y=-x");
    EXPECT_EQ(ElementsToText(TXofY::YAxisLine()->Elements()), "y axis");
    EXPECT_EQ(TYofX::DiagonalLine(true)->PointAtParameter(2, params.get()).y, -2);
}

TEST_F(FormulaCurveQueries, ParametersConvertBothWays)
{
    struct TCase {
        std::unique_ptr<TFormulaCurve> curve;
        Extended parameter;
        TRealPoint point;
        Extended step;
    };
    // Degrees: the default angle unit.
    TCase cases[] = {
        {std::make_unique<TYofX>(Formula("x{^{2}"), rlEqual), 3, {3, 9}, 16.0L / 1000},
        {std::make_unique<TXofY>(Formula("y{^{2}"), rlEqual), 2, {4, 2}, 10.0L / 1000},
        {std::make_unique<TYParametric>(Formula("sin t"), Formula("cos t"), Number(0), Number(360)),
         90,
         {0, 1},
         360.0L / 1000},
        {std::make_unique<TPolarParametric>(Formula("2"), Formula("t"), Number(0), Number(180)),
         90,
         {0, 2},
         180.0L / 1000},
        {std::make_unique<TRofTheta>(Formula("{q"), Number(2)), 90, {0, 90}, 720.0L / 1000},
    };
    for (TCase& c : cases) {
        SCOPED_TRACE(c.curve->KindName());
        const TRealPoint p = c.curve->PointAtParameter(c.parameter, params.get());
        EXPECT_NEAR(static_cast<double>(p.x), static_cast<double>(c.point.x), 1e-9);
        EXPECT_NEAR(static_cast<double>(p.y), static_cast<double>(c.point.y), 1e-9);
        EXPECT_NEAR(static_cast<double>(c.curve->ParameterStep(*params->Axes)), static_cast<double>(c.step),
                    1e-12);
    }
    // Back from a point: explicit curves read their independent coordinate,
    // polar curves the angle in [0, one turn).
    TYofX y(Formula("x"), rlEqual);
    TXofY x(Formula("y"), rlEqual);
    TRofTheta r(Formula("1"), Number(1));
    EXPECT_EQ(y.ParameterAt(5, 2), 2);
    EXPECT_EQ(x.ParameterAt(5, 2), 5);
    struct TAngle {
        Extended y, x, degrees;
    };
    for (const TAngle& a : {TAngle{1, 1, 45}, TAngle{1, -1, 135}, TAngle{-1, -1, 225}, TAngle{-1, 1, 315},
                            TAngle{2, 0, 90}, TAngle{-2, 0, 270}, TAngle{0, 3, 0}}) {
        EXPECT_NEAR(static_cast<double>(r.ParameterAt(a.y, a.x)), static_cast<double>(a.degrees), 1e-12);
    }
    AngleFactor = RadiansFactor;
    EXPECT_NEAR(static_cast<double>(r.ParameterAt(-1, 1)), static_cast<double>(7 * Pi / 4), 1e-15);
}

TEST_F(FormulaCurveQueries, PolarCurvesTurnTheirNumberOfRevolutions)
{
    for (const bool radians : {false, true}) {
        SCOPED_TRACE(radians ? "radians" : "degrees");
        AngleFactor = radians ? RadiansFactor : DegreesFactor;
        TRofTheta curve(Formula("{q"), Number(2));
        TXY context(*params);
        curve.InitContext(context);
        context.Parameter = 1;
        curve.CalculatePoint(context);
        const Extended end = radians ? 4 * Pi : 720;
        EXPECT_NEAR(static_cast<double>(Variables.theta), static_cast<double>(end), 1e-12);
        EXPECT_NEAR(static_cast<double>(Variables.r), static_cast<double>(end), 1e-12);
        context.Parameter = 0.125L;
        curve.CalculatePoint(context);
        EXPECT_NEAR(static_cast<double>(context.X), 0, 1e-12);
        EXPECT_NEAR(static_cast<double>(context.Y), static_cast<double>(end / 8), 1e-12);
    }
}

TEST_F(FormulaCurveQueries, NearestParameterIsFoundInThreeScans)
{
    AngleFactor = RadiansFactor;
    TYParametric circle(Formula("sin t"), Formula("cos t"), Number(0), Formula("2{p"));
    const Extended t = circle.ParameterAt(1, 0);
    EXPECT_LT(std::fabs(t - Pi / 2), (2 * Pi / 30) * (2.0L / 10) * (2.0L / 10));
    // Points where the formulas fail do not count.
    TYParametric half(Formula("{sqrt{t}"), Formula("t"), Number(-4), Number(4));
    EXPECT_GE(half.ParameterAt(0, -3), 0);
}

TEST_F(FormulaCurveQueries, HitTestsFindTheCurveWithinFivePixels)
{
    AngleFactor = RadiansFactor;
    struct TCase {
        std::unique_ptr<TFormulaCurve> curve;
        TRealPoint on, off;
    };
    TCase cases[] = {
        {std::make_unique<TYofX>(Formula("x{^{2}"), rlEqual), {1.5L, 2.25L}, {1.5L, 2.6L}},
        {std::make_unique<TYofX>(Formula("10x"), rlEqual), {0.3L, 3}, {0.5L, 3}},
        {std::make_unique<TXofY>(Formula("y{^{2}"), rlEqual), {2.25L, -1.5L}, {2.6L, -1.5L}},
        {std::make_unique<TYParametric>(Formula("sin 5t"), Formula("cos 3t"), Number(0), Formula("2{p")),
         {std::cos(3.0L), std::sin(5.0L)},
         {1.5L, 1.5L}},
        {std::make_unique<TRofTheta>(Formula("sin 4{q"), Number(1)),
         {std::cos(Pi / 8), std::sin(Pi / 8)},
         {1.2L, 0.5L}},
        {std::make_unique<TRofTheta>(Formula("2"), Number(1)), {-2, 0.01L}, {-2.2L, 0}},
        {std::make_unique<TRofTheta>(Formula("-2"), Number(1)), {0, 2}, {0, 2.2L}},
        {std::make_unique<TRofTheta>(Formula("2"), Number(-1)), {0, -2}, {0, -1.8L}},
        {std::make_unique<TImplicitFunction>(Formula("x{^{2}+y{^{2}-4"), rlEqual), {0, 2}, {0, 2.2L}},
    };
    for (TCase& c : cases) {
        SCOPED_TRACE(c.curve->KindName() + std::string(" ") + TreeToMarkup(c.curve->Formula.get()));
        EXPECT_TRUE(c.curve->IsNearPoint(Pixel(c.on.x, c.on.y), *params));
        EXPECT_FALSE(c.curve->IsNearPoint(Pixel(c.off.x, c.off.y), *params));
        EXPECT_EQ(EvaluationStatus, esNormal);
    }
    // The lower half of y = ±√(4 − x²) is hit through its own part.
    TYofX both(Formula("{\xB1{sqrt{4-x{^{2}}"), rlEqual);
    EXPECT_TRUE(both.IsNearPoint(Pixel(0, -2), *params));
    EXPECT_TRUE(both.IsNearPoint(Pixel(0, 2), *params));
    EXPECT_FALSE(both.IsNearPoint(Pixel(0, 0), *params));
}

TEST_F(FormulaCurveQueries, CrossingsComeFromSignedDistances)
{
    TYofX parabola(Formula("x{^{2}"), rlEqual);
    TYofX line(Formula("x+2"), rlEqual);
    std::vector<TRealPoint> rounded, exact;
    line.FindCrossings(parabola, *params, rounded, exact);
    ASSERT_EQ(exact.size(), 2u);
    EXPECT_NEAR(static_cast<double>(exact[0].x), -1, 1e-6);
    EXPECT_NEAR(static_cast<double>(exact[0].y), 1, 1e-6);
    EXPECT_NEAR(static_cast<double>(exact[1].x), 2, 1e-6);

    // x = y² against y = 1 meets at (1, 1); the distance is measured along x.
    TXofY sideways(Formula("y{^{2}"), rlEqual);
    EXPECT_EQ(sideways.SignedDistance({3, 1}, 1), 1 - 3);
    TYofX one(Formula("1"), rlEqual);
    rounded.clear();
    exact.clear();
    one.FindCrossings(sideways, *params, rounded, exact);
    ASSERT_EQ(exact.size(), 1u);
    EXPECT_NEAR(static_cast<double>(exact[0].x), 1, 1e-6);

    // Each ± part is a curve of its own for the distance.
    TYofX both(Formula("{\xB1x"), rlEqual);
    EXPECT_EQ(both.SignedDistance({2, 0}, 1), -2);
    EXPECT_EQ(both.SignedDistance({2, 0}, 2), 2);
    // Parametric and polar curves cannot be crossed by distance.
    TRofTheta polar(Formula("1"), Number(1));
    ResetStatus();
    (void)polar.SignedDistance({1, 1}, 1);
    EXPECT_TRUE(StatusFailed());
    ResetStatus();
}

TEST_F(FormulaCurveQueries, ReenteredCurvesKeepTheirIdentity)
{
    // Same class (and relation): formulas change hands, drag state goes.
    TYofX kept(Formula("x"), rlLess);
    kept.Matrices.SetTranslation(1, 1);
    kept.DragInfo = std::make_unique<TDragDescriptionBase>();
    TYofX typed(Formula("3x"), rlLess);
    ASSERT_TRUE(kept.SwapFormula(typed));
    EXPECT_EQ(TreeToMarkup(kept.Formula.get()), "((3)*(x))");
    EXPECT_EQ(TreeToMarkup(typed.Formula.get()), "x");
    EXPECT_TRUE(kept.Matrices.IsIdentity());
    EXPECT_EQ(kept.DragInfo, nullptr);

    struct TRefusal {
        std::unique_ptr<TFormulaCurve> a, b;
        const char* why;
    };
    TRefusal refusals[] = {
        {std::make_unique<TYofX>(Formula("x"), rlLess), std::make_unique<TYofX>(Formula("x"), rlEqual),
         "relation"},
        {std::make_unique<TYofX>(Formula("x"), rlEqual), std::make_unique<TXofY>(Formula("y"), rlEqual),
         "class"},
        {std::make_unique<TYParametric>(Formula("t"), Formula("t"), Number(0), Number(1)),
         std::make_unique<TPolarParametric>(Formula("t"), Formula("t"), Number(0), Number(1)), "subclass"},
        {std::make_unique<TImplicitFunction>(Formula("xy"), rlLess),
         std::make_unique<TImplicitFunction>(Formula("xy"), rlEqual), "implicit relation"},
    };
    for (TRefusal& r : refusals) {
        SCOPED_TRACE(r.why);
        const std::string before = TreeToMarkup(r.a->Formula.get());
        EXPECT_FALSE(r.a->SwapFormula(*r.b));
        EXPECT_EQ(TreeToMarkup(r.a->Formula.get()), before);
    }

    // Parametric curves exchange all four formulas, polar curves both.
    TYParametric p(Formula("t"), Formula("2t"), Number(0), Number(1));
    TYParametric q(Formula("3t"), Formula("4t"), Number(5), Number(6));
    ASSERT_TRUE(p.SwapFormula(q));
    EXPECT_EQ(TreeToMarkup(p.XFormula.get()), "((4)*(t))");
    EXPECT_EQ(TreeToMarkup(p.TStart.get()), "5");
    EXPECT_EQ(TreeToMarkup(p.TEnd.get()), "6");
    TRofTheta r(Formula("{q"), Number(1));
    TRofTheta s(Formula("2{q"), Number(3));
    ASSERT_TRUE(r.SwapFormula(s));
    EXPECT_EQ(TreeToMarkup(r.Revolutions.get()), "3");
}

TEST_F(FormulaCurveQueries, ImplicitCurvesCompareByTheSignsOfTheirFormulas)
{
    TImplicitFunction circle(Formula("x{^{2}+y{^{2}-4"), rlEqual);
    struct TCase {
        std::unique_ptr<TEquationObject> other;
        bool same;
    };
    TCase cases[] = {
        {std::make_unique<TImplicitFunction>(Formula("2x{^{2}+2y{^{2}-8"), rlEqual), true},
        {std::make_unique<TImplicitFunction>(Formula("x{^{2}+y{^{2}-3"), rlEqual), false},
        {std::make_unique<TImplicitFunction>(Formula("x{^{2}+y{^{2}-4"), rlLess), false},
        {std::make_unique<TImplicitFunction>(Formula("{sqrt{x}+y{^{2}-4"), rlEqual), false},
        {std::make_unique<TYofX>(Formula("x"), rlEqual), false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(circle.CompareWith(*c.other, *params), c.same)
            << TreeToMarkup(dynamic_cast<TFormulaCurve&>(*c.other).Formula.get());
    EXPECT_TRUE(circle.CompareWith(circle, *params));
}

TEST_F(FormulaCurveQueries, DependsOnAnyOfItsFormulas)
{
    auto k = MakeConstantLine("k", std::make_unique<TRealReader>(2));
    declared.push_back(k.get());
    TYofX explicitCurve(Formula("kx"), rlEqual);
    TYParametric inRange(Formula("t"), Formula("t"), Number(0), Formula("k"));
    TRofTheta inTurns(Formula("{q"), Formula("k"));
    TYParametric without(Formula("t"), Formula("t"), Number(0), Number(1));
    EXPECT_TRUE(explicitCurve.DependsOn("k"));
    EXPECT_TRUE(inRange.DependsOn("k"));
    EXPECT_TRUE(inTurns.DependsOn("k"));
    EXPECT_FALSE(without.DependsOn("k"));
    // Range bounds are evaluated afresh at every use.
    const TRealPoint before = inRange.PointAtParameter(2, params.get());
    EXPECT_EQ(before.x, 2);
}

TEST_F(FormulaCurveQueries, CurvesEvaluateTheFormulaTheyHoldNow)
{
    TYofX curve(Formula("2x"), rlEqual);
    TYofX other(Formula("x+100"), rlEqual);
    Variables.x = 4;
    EXPECT_EQ(curve.EvaluateFormula(), 8);
    ASSERT_TRUE(curve.SwapFormula(other));
    EXPECT_EQ(curve.EvaluateFormula(), 104);
    EXPECT_EQ(other.EvaluateFormula(), 8);
    curve.Formula = Formula("x-1");
    EXPECT_EQ(curve.EvaluateFormula(), 3);
}

} // namespace
