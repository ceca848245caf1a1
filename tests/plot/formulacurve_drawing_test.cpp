// Where explicit, parametric and polar curves put their ink: on the pixels
// of the formula, broken at poles and asymptotes, starting at the edge of
// the domain, shaded on the right side, once per ± sign and family member.
#include "formulacurve_testing.h"

#include <cmath>
#include <functional>

using namespace curvetesting;

namespace {

class FormulaCurveDrawing : public CurveImageTest {};

struct TExplicitCase {
    const char* markup;
    bool radians;
    std::function<Extended(Extended)> f;
};

TEST_F(FormulaCurveDrawing, ExplicitCurvesLieOnTheirPixels)
{
    const TExplicitCase cases[] = {
        {"x{^{2}", false, [](Extended x) { return x * x; }},
        {"sin x", true, [](Extended x) { return std::sin(x); }},
        {"sin x", false, [](Extended x) { return std::sin(x * Pi / 180); }},
        {"x{^{3}-3x", false, [](Extended x) { return x * x * x - 3 * x; }},
    };
    for (const TExplicitCase& c : cases) {
        SCOPED_TRACE(std::string(c.markup) + (c.radians ? " (radians)" : " (degrees)"));
        AngleFactor = c.radians ? RadiansFactor : DegreesFactor;
        NewImage();
        TYofX curve(Formula(c.markup), rlEqual);
        Draw(curve);
        const QImage& picture = Finished();
        int onCurve = 0, checked = 0;
        for (Extended x = -7.5L; x <= 7.5L; x += 0.25L) {
            const Extended y = c.f(x);
            if (std::fabs(y) > 4.5L)
                continue;
            ++checked;
            onCurve += DarkNear(picture, Pixel(x, y));
            // Ten pixels above the curve is paper, unless the curve is steep there.
            const Extended above = y + 10 / std::fabs(YAxis().Scale);
            if (std::fabs(c.f(x + 0.02L) - y) < 0.05L) {
                EXPECT_FALSE(Dark(picture, Pixel(x, above))) << "x = " << static_cast<double>(x);
            }
        }
        EXPECT_GT(checked, 10);
        EXPECT_EQ(onCurve, checked);
    }
}

TEST_F(FormulaCurveDrawing, AsymptotesAndPolesAreNotBridged)
{
    // y = 1/x: nothing is drawn in the column of x = 0, though both branches
    // reach the top and bottom of the window beside it.
    {
        TYofX curve(Formula("1/x"), rlEqual);
        Draw(curve);
        const QImage& picture = Finished();
        const int column = Pixel(0, 0).x();
        for (int row = 0; row < Height; ++row)
            ASSERT_FALSE(Dark(picture, QPoint(column, row))) << "row " << row;
        EXPECT_TRUE(DarkNear(picture, Pixel(0.25L, 4), 2));
        EXPECT_TRUE(DarkNear(picture, Pixel(-0.25L, -4), 2));
    }
    // y = tan x in radians: each pole's column stays clear, each branch is drawn.
    {
        AngleFactor = RadiansFactor;
        NewImage();
        TYofX curve(Formula("tan x"), rlEqual);
        Draw(curve);
        const QImage& picture = Finished();
        int poles = 0;
        for (int k = -3; k <= 2; ++k) {
            const Extended pole = (k + 0.5L) * Pi;
            if (!XAxis().Contains(pole))
                continue;
            ++poles;
            const int column = Pixel(pole, 0).x();
            for (int row = 0; row < Height; ++row)
                ASSERT_FALSE(Dark(picture, QPoint(column, row))) << "pole " << k << " row " << row;
            const Extended branch = XAxis().Contains(pole + Pi / 2) ? pole + Pi / 2 : pole - Pi / 2;
            EXPECT_TRUE(DarkNear(picture, Pixel(branch, 0))) << "branch beside pole " << k;
        }
        EXPECT_EQ(poles, 6);
    }
}

TEST_F(FormulaCurveDrawing, SquareRootStartsAtTheEdgeOfItsDomain)
{
    TYofX curve(Formula("{sqrt{x}"), rlEqual);
    Draw(curve);
    const QImage& picture = Finished();
    const int origin = Pixel(0, 0).x();
    for (int column = 0; column < origin - 1; ++column)
        for (int row = 0; row < Height; ++row)
            ASSERT_FALSE(Dark(picture, QPoint(column, row))) << column << "," << row;
    // The line reaches the axis, not just the first regular sample 0.016 along.
    EXPECT_TRUE(DarkNear(picture, Pixel(0, 0), 1));
    EXPECT_TRUE(DarkNear(picture, Pixel(4, 2)));
    EXPECT_TRUE(status.messages.empty());
}

TEST_F(FormulaCurveDrawing, PartialRepaintsEvaluateOnlyInsideTheStrip)
{
    for (const bool sideways : {false, true}) {
        SCOPED_TRACE(sideways ? "x = f(y)" : "y = f(x)");
        NewImage();
        std::unique_ptr<TYofX> curve;
        if (sideways)
            curve = std::make_unique<TXofY>(Formula("y"), rlEqual);
        else
            curve = std::make_unique<TYofX>(Formula("x"), rlEqual);
        // The strip of pixels over 1 <= v <= 2 of the independent variable.
        const QRect strip = sideways ? QRect(0, Pixel(0, 2).y(), Width, Pixel(0, 1).y() - Pixel(0, 2).y())
                                     : QRect(Pixel(1, 0).x(), 0, Pixel(2, 0).x() - Pixel(1, 0).x(), Height);
        params->PaintRect = &strip;
        Draw(*curve);
        params->PaintRect = nullptr;
        EXPECT_EQ(curve->LineStore() ? curve->LineStore()->Count() : 0, 0) << "a partial drawing is not kept";
        const QImage& picture = Finished();
        EXPECT_TRUE(DarkNear(picture, Pixel(1.5L, 1.5L)));
        EXPECT_FALSE(DarkNear(picture, Pixel(0.5L, 0.5L), 2));
        EXPECT_FALSE(DarkNear(picture, Pixel(2.5L, 2.5L), 2));
    }
}

TEST_F(FormulaCurveDrawing, ParametricAndPolarCurvesLieOnTheirPixels)
{
    struct TPoint {
        Extended x, y;
    };
    std::vector<TPoint> expected;

    // x = y² as x = f(y).
    {
        TXofY curve(Formula("y{^{2}"), rlEqual);
        Draw(curve);
        for (Extended y = -2.2L; y <= 2.2L; y += 0.2L)
            EXPECT_TRUE(DarkNear(image, Pixel(y * y, y))) << static_cast<double>(y);
        EXPECT_FALSE(DarkNear(image, Pixel(-1, 0), 3));
    }
    // r = sin 4θ, one turn in degrees: the petal tips, and nothing along θ = 0
    // away from the origin.
    {
        NewImage();
        TRofTheta curve(Formula("sin 4{q"), Number(1));
        Draw(curve);
        const QImage& picture = Finished();
        for (int k = 0; k < 8; ++k) {
            const Extended theta = (22.5L + 45 * k) * Pi / 180;
            const Extended r = std::sin(4 * (22.5L + 45 * k) * Pi / 180);
            EXPECT_TRUE(DarkNear(picture, Pixel(r * std::cos(theta), r * std::sin(theta)))) << k;
        }
        EXPECT_FALSE(DarkNear(picture, Pixel(0.7L, 0), 1));
    }
    // (cos 3t, sin 5t) for t from 0 to 360 degrees.
    {
        NewImage();
        TYParametric curve(Formula("sin 5t"), Formula("cos 3t"), Number(0), Number(360));
        Draw(curve);
        const QImage& picture = Finished();
        for (int degrees = 0; degrees < 360; degrees += 7) {
            const Extended t = degrees * Pi / 180;
            EXPECT_TRUE(DarkNear(picture, Pixel(std::cos(3 * t), std::sin(5 * t)))) << degrees;
        }
        EXPECT_FALSE(DarkNear(picture, Pixel(2, 0), 3));
    }
    // The polar parametric circle r = 2, θ = t.
    {
        NewImage();
        TPolarParametric curve(Number(2), Formula("t"), Number(0), Number(360));
        Draw(curve);
        const QImage& picture = Finished();
        for (int degrees = 0; degrees < 360; degrees += 15) {
            const Extended t = degrees * Pi / 180;
            EXPECT_TRUE(DarkNear(picture, Pixel(2 * std::cos(t), 2 * std::sin(t)))) << degrees;
        }
        EXPECT_FALSE(DarkNear(picture, Pixel(0, 0), 3));
    }
}

TEST_F(FormulaCurveDrawing, InequalitiesShadeTheSideTheSettingAsksFor)
{
    struct TCase {
        bool yOfX;
        int relation;
        bool shadeCorrectSide;
        bool shadedAt[2]; // above/left of the curve, below/right of it
        bool line;
    };
    const TCase cases[] = {
        {true, rlGreater, true, {true, false}, false},      {true, rlGreaterEqual, true, {true, false}, true},
        {true, rlLess, true, {false, true}, false},         {true, rlGreater, false, {false, true}, false},
        {true, rlGreaterEqual, false, {false, true}, true}, {false, rlLess, true, {true, false}, false},
        {false, rlLess, false, {false, true}, false},       {false, rlGreater, true, {false, true}, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.yOfX ? "y" : "x") + RelationChar(c.relation) +
                     (c.shadeCorrectSide ? " shade correct side" : " opposite side"));
        Configuration.ShadeSide = c.shadeCorrectSide;
        NewImage();
        std::unique_ptr<TYofX> curve;
        if (c.yOfX)
            curve = std::make_unique<TYofX>(Formula("x{^{2}"), c.relation);
        else
            curve = std::make_unique<TXofY>(Formula("y{^{2}"), c.relation);
        Draw(*curve);
        const QImage& picture = Finished();
        // y = x²: (0, 3) lies above and (2, 1) below; x = y²: (-2, 0) lies left and (3, 0) right.
        const QPoint first = c.yOfX ? Pixel(0, 3) : Pixel(-2, 0);
        const QPoint second = c.yOfX ? Pixel(2, 1) : Pixel(3, 0);
        EXPECT_EQ(Tinted(picture, first), c.shadedAt[0]);
        EXPECT_EQ(Tinted(picture, second), c.shadedAt[1]);
        EXPECT_EQ(qGray(picture.pixel(first)) == 255, !c.shadedAt[0]);
        const QPoint onCurve = c.yOfX ? Pixel(1.5L, 2.25L) : Pixel(2.25L, 1.5L);
        EXPECT_EQ(DarkNear(picture, onCurve), c.line);
    }
}

TEST_F(FormulaCurveDrawing, PlusOrMinusDrawsOnePartPerSign)
{
    TYofX curve(Formula("{\xB1{sqrt{4-x{^{2}}"), rlEqual);
    TXY context(*params);
    curve.InitContext(context);
    EXPECT_EQ(context.PartCount, 2);
    Draw(curve);
    const QImage& picture = Finished();
    EXPECT_TRUE(DarkNear(picture, Pixel(0, 2)));
    EXPECT_TRUE(DarkNear(picture, Pixel(0, -2)));
    EXPECT_TRUE(DarkNear(picture, Pixel(1.2L, 1.6L)));
    EXPECT_TRUE(DarkNear(picture, Pixel(-1.2L, -1.6L)));

    // ± in either coordinate of a parametric curve gives parts; two of them four.
    TYParametric one(Formula("{\xB1t"), Formula("t"), Number(0), Number(1));
    TYParametric two(Formula("{\xB1t"), Formula("{\xB1t"), Number(0), Number(1));
    one.InitContext(context);
    EXPECT_EQ(context.PartCount, 2);
    two.InitContext(context);
    EXPECT_EQ(context.PartCount, 4);
    // The first ± part takes minus for every ±, the last one plus for every one.
    context.Parameter = 1;
    two.SelectPart(context, 1);
    two.CalculatePoint(context);
    EXPECT_EQ(context.X, -1);
    EXPECT_EQ(context.Y, -1);
    two.SelectPart(context, 4);
    two.CalculatePoint(context);
    EXPECT_EQ(context.X, 1);
    EXPECT_EQ(context.Y, 1);
}

TEST_F(FormulaCurveDrawing, FamiliesAreDrawnOncePerMember)
{
    auto a = MakeConstantLine("a", std::make_unique<TRealReader>(1));
    declared.push_back(a.get());
    a->SetFamily(3, std::make_unique<TRealReader>(0.5L));

    TYofX uses(Formula("ax{^{2}"), rlEqual);
    Draw(uses);
    TYofX ignores(Formula("x-3"), rlEqual);
    Draw(ignores);
    const QImage& picture = Finished();
    for (const Extended member : {1.0L, 1.5L, 2.0L}) {
        EXPECT_TRUE(DarkNear(picture, Pixel(1.5L, member * 2.25L))) << static_cast<double>(member);
        EXPECT_TRUE(DarkNear(picture, Pixel(-1.5L, member * 2.25L))) << static_cast<double>(member);
    }
    EXPECT_FALSE(DarkNear(picture, Pixel(1.5L, 1.25L * 2.25L), 1));
    EXPECT_FALSE(DarkNear(picture, Pixel(1.5L, 2.5L * 2.25L), 1));
    EXPECT_TRUE(DarkNear(picture, Pixel(5, 2)));

    // The stored drawing replays every member without evaluating again.
    NewImage();
    Draw(uses);
    const QImage& replayed = Finished();
    EXPECT_TRUE(DarkNear(replayed, Pixel(1.5L, 2.0L * 2.25L)));
    EXPECT_TRUE(DarkNear(replayed, Pixel(1.5L, 1.0L * 2.25L)));
}

TEST_F(FormulaCurveDrawing, DragMatricesMoveTheDrawnCurveNotTheFormula)
{
    TYofX curve(Formula("x{^{2}"), rlEqual);
    TDragMatrices shift;
    shift.SetTranslation(3, -2);
    curve.SetMatrices(shift);
    Draw(curve);
    const QImage& picture = Finished();
    EXPECT_TRUE(DarkNear(picture, Pixel(3, -2)));
    EXPECT_TRUE(DarkNear(picture, Pixel(5, 2)));
    EXPECT_FALSE(DarkNear(picture, Pixel(0, 0), 2));
    // A parabola moved 3 right must still reach the right of the window: the
    // samples follow the window, mapped back.
    EXPECT_TRUE(DarkNear(picture, Pixel(3 + std::sqrt(6.5L), 4.5L)));

    // Moved a long way, y < x is sampled far from the window yet drawn and
    // shaded across the whole of it.
    NewImage();
    TYofX below(Formula("x"), rlLessEqual);
    TDragMatrices far;
    far.SetTranslation(100, 100);
    below.SetMatrices(far);
    Draw(below);
    const QImage& moved = Finished();
    for (const Extended v : {-4.5L, -3.0L, 0.0L, 3.0L, 4.2L, 4.8L})
        EXPECT_TRUE(DarkNear(moved, Pixel(v, v))) << static_cast<double>(v);
    EXPECT_TRUE(Tinted(moved, Pixel(4, -2)));
    EXPECT_TRUE(Tinted(moved, Pixel(7, -4)));
    EXPECT_EQ(qGray(moved.pixel(Pixel(-2, 4))), 255);
}

} // namespace
