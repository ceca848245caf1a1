// Straight lines, tangents, normals, lines to curves and intersection lists:
// the line rules, what is drawn where, and which crossings are listed.
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "geometry/coordrows.h"
#include "geometry/geometrytesting.h"
#include "geometry/intersection.h"
#include "geometry/straightline.h"
#include "plot/formulacurve.h"
#include "plot/implicitfunction.h"

#include <cmath>

namespace {

TEvaluatorPtr Formula(const std::string& markup)
{
    TElementList elements = ElementsFromText(markup);
    Tidy(elements, tmFinish);
    TParseParams parse;
    StartParse(parse, elements.get(), avX | avY | avT, nullptr, false, EndOrTabTerminators());
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

class StraightLines : public GeometryFixture {
protected:
    void SetScales(Extended xmin, Extended xmax, Extended ymin, Extended ymax)
    {
        ASSERT_TRUE(
            params->SetScales(std::make_unique<TRescaleDataTransfer>(xmin, xmax, ymin, ymax), host.get()));
    }

    // The pixels a curve drawn alone on white colours.
    int InkedPixels(TCurvePLotter& curve, QRect* box = nullptr)
    {
        QImage image(Width, Height, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            Canvas canvas(&image);
            DrawMode = dmNoCache;
            curve.DrawOnGraph(canvas, *params);
            DrawMode = 0;
        }
        int count = 0;
        QRect bounds;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                    ++count;
                    bounds |= QRect(x, y, 1, 1);
                }
        if (box)
            *box = bounds;
        return count;
    }
};

} // namespace

TEST_F(StraightLines, LineRulesGiveAngleAndIntercept)
{
    struct Case {
        const char* name;
        TLineForm line;
        long double angle, intercept;
        bool shallow;
    };
    const Case cases[] = {
        {"through (0, 0) and (1, 2)", LineThroughPoints({0, 0}, {1, 2}, false), std::atan(2.0L), 0, false},
        {"through (0, 1) and (2, 2)", LineThroughPoints({0, 1}, {2, 2}, false), std::atan(0.5L), 1, true},
        {"an angle of exactly pi/4 is steep", LineThroughPoints({0, 0}, {1, 1}, false), Pi / 4, 0, false},
        {"same x: vertical", LineThroughPoints({3, 1}, {3, 7}, false), Pi / 2, 3, false},
        // The normal of y = x (through (0.5, 0.5)) is x = 1 - y.
        {"normal to y = x", LineThroughPoints({0, 0}, {1, 1}, true), -Pi / 4, 1, false},
        {"normal to a horizontal line", LineThroughPoints({0, 2}, {4, 2}, true), Pi / 2, 2, false},
        {"gradient 0, intercept 3", LineFromGradient(0, 3), 0, 3, true},
        {"gradient 2, y-intercept 4: x-intercept -2", LineFromGradient(2, 4), std::atan(2.0L), -2, false},
        {"x = 5 + 0y", LineFromXGradient(0, 5), Pi / 2, 5, false},
        // x = 1 - 2y is y = 0.5 - 0.5x: the angle is brought below pi/2.
        {"x = 1 - 2y", LineFromXGradient(-2, 1), std::atan(-0.5L), 0.5L, true},
        {"horizontal through (2, 5)", LineOfKind(lkHorizontal, {2, 5}), 0, 5, true},
        {"vertical through (2, 5)", LineOfKind(lkVertical, {2, 5}), Pi / 2, 2, false},
        {"origin line through (4, 2)", LineOfKind(lkOrigin, {4, 2}), std::atan(0.5L), 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(double(c.line.Angle), double(c.angle), 1e-12);
        EXPECT_NEAR(double(c.line.Intercept), double(c.intercept), 1e-12);
        EXPECT_EQ(c.line.Shallow(), c.shallow);
        EXPECT_TRUE(c.line.Exists());
    }
    EXPECT_FALSE(LineOfKind(lkOrigin, {NAN, 1}).Exists());
}

TEST_F(StraightLines, GradientTextHasThreeFiguresOrIsInfinite)
{
    const struct {
        TLineForm line;
        const char* text;
    } cases[] = {
        {LineFromXGradient(0, 5), "Gradient = infinite"},
        {LineThroughPoints({0, 1}, {2, 2}, false), "Gradient = 0.5"},
        {LineFromGradient(-2.0L / 3, 1), "Gradient = -0.667"},
        {LineFromGradient(1234.5L, 0), "Gradient = 1230"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.line.GradientText(), c.text);
}

TEST_F(StraightLines, TangentsAndNormalsOfACurve)
{
    SetScales(-5, 5, -5, 5);
    auto parabola = Curve("x{^{2}");
    struct Case {
        const char* name;
        Extended at;
        bool tangent;
        double gradient;
    };
    const Case cases[] = {
        {"tangent of x^2 at 1", 1, true, 2},
        {"normal of x^2 at 1", 1, false, -0.5},
        {"tangent of x^2 at -2", -2, true, -4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTangent line(Number(c.at), c.tangent, parabola.get());
        TXY context(*params);
        line.InitContext(context);
        ASSERT_TRUE(line.Line.Exists());
        EXPECT_NEAR(double(std::tan(line.Line.Angle)), c.gradient, 1e-3);
        // It touches the curve (to the accuracy of the central difference).
        EXPECT_NEAR(double(line.Line.DistanceTo({c.at, c.at * c.at})), 0, 1e-3);
        EXPECT_EQ(EvaluationStatus, esNormal);
    }
}

TEST_F(StraightLines, NoTangentAcrossAPoleOrAStep)
{
    // The chord across the pole of 1/x at 0 (or the step of a whole-number
    // part) is no tangent: both points must be computed normally.
    SetScales(-5, 5, -5, 5);
    auto reciprocal = Curve("1/x");
    auto stair = Curve("int(x)");
    const struct {
        const char* name;
        TCurvePLotter* curve;
        Extended at;
        bool exists;
    } cases[] = {
        {"1/x at its pole", reciprocal.get(), 0, false},
        {"1/x at 1", reciprocal.get(), 1, true},
        {"int(x) at its step", stair.get(), 1, false},
        {"int(x) between steps", stair.get(), 1.5L, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TLineForm line = TangentLine(*c.curve, c.at, true, params.get());
        EXPECT_EQ(line.Exists(), c.exists);
        EXPECT_EQ(EvaluationStatus, esNormal);
    }
    // Nothing is drawn for a missing tangent.
    TTangent none(Number(0), true, reciprocal.get());
    EXPECT_EQ(InkedPixels(none), 0);
}

TEST_F(StraightLines, LinesShowWithVeryDifferentScales)
{
    // On x 0...10 and y 0...1000 the steep line y = 2x + 500 runs from
    // (0, 500) to (10, 520), while its ends at the bottom and top of the window
    // lie 25 window widths off to either side.
    SetScales(0, 10, 0, 1000);
    TStraightLine line(0, 0);
    line.SetFromGradient(2, 500);
    ASSERT_FALSE(line.Line.Shallow());
    QRect box;
    EXPECT_GT(InkedPixels(line, &box), Width / 2);
    const QPoint left = Pixel(0, 500), right = Pixel(10, 520);
    EXPECT_LE(box.left(), left.x() + 2);
    EXPECT_GE(box.right(), right.x() - 2);
    EXPECT_NEAR(box.bottom(), left.y(), 2);
    EXPECT_NEAR(box.top(), right.y(), 2);

    // A segment to a curve point far off is cut to the window: from the
    // origin to (100, 10000) on y = 100x, it crosses the window corner to corner.
    auto steep = Curve("100x");
    TLineToCurve segment(lkOrigin, Number(100), steep.get());
    EXPECT_GT(InkedPixels(segment, &box), Width / 2);
    EXPECT_LE(box.left(), Pixel(0, 0).x() + 2);
    EXPECT_GE(box.right(), Pixel(10, 1000).x() - 2);
}

TEST_F(StraightLines, LineToCurveRunsFromItsAxis)
{
    SetScales(-5, 5, -5, 5);
    auto parabola = Curve("x{^{2}");
    const struct {
        int kind;
        TRealPoint other;
    } cases[] = {{lkHorizontal, {0, 4}}, {lkVertical, {2, 0}}, {lkOrigin, {0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        TLineToCurve line(c.kind, Number(2), parabola.get());
        TRealPoint onCurve, other;
        ASSERT_TRUE(line.Ends(params.get(), onCurve, other));
        EXPECT_NEAR(double(onCurve.x), 2, 1e-12);
        EXPECT_NEAR(double(onCurve.y), 4, 1e-12);
        EXPECT_EQ(other.x, c.other.x);
        EXPECT_EQ(other.y, c.other.y);
        EXPECT_FALSE(line.IsNearPoint(Pixel(1, 4), *params));
    }
    // Where the curve is not defined there is no segment.
    auto root = Curve("{sqrt{x}");
    TLineToCurve none(lkHorizontal, Number(-1), root.get());
    TRealPoint a, b;
    EXPECT_FALSE(none.Ends(params.get(), a, b));
    EXPECT_EQ(InkedPixels(none), 0);
}

TEST_F(StraightLines, TracingFollowsTheLinesAxis)
{
    SetScales(-10, 10, -10, 10);
    // A vertical line through (2, 5) is traced along y.
    TLineThroughPoint vertical(lkVertical, std::make_unique<TCoordinates>(2, 5));
    const TRealPoint p = vertical.PointAtParameter(3, params.get());
    EXPECT_NEAR(double(p.x), 2, 1e-12);
    EXPECT_NEAR(double(p.y), 3, 1e-9);
    EXPECT_EQ(vertical.ParameterAt(3, 7), 3);
    EXPECT_EQ(vertical.VariableLetter(0), 'x');
    // A shallow line along x.
    TLineThroughPoint origin(lkOrigin, std::make_unique<TCoordinates>(4, 2));
    const TRealPoint q = origin.PointAtParameter(-6, params.get());
    EXPECT_NEAR(double(q.x), -6, 1e-9);
    EXPECT_NEAR(double(q.y), -3, 1e-9);
    EXPECT_EQ(origin.ParameterAt(3, 7), 7);
    EXPECT_NEAR(double(origin.ParameterStep(*params->Axes)), 20.0 / TGraphParams::SamplePoints(), 1e-12);
}

TEST_F(StraightLines, HitTestIsAcrossTheLine)
{
    SetScales(-10, 10, -10, 10);
    TLineThroughPoint vertical(lkVertical, std::make_unique<TCoordinates>(2, 5));
    EXPECT_TRUE(vertical.IsNearPoint(Pixel(2, -8), *params));
    EXPECT_TRUE(vertical.IsNearPoint(Pixel(2, 9) + QPoint(3, 0), *params));
    EXPECT_FALSE(vertical.IsNearPoint(Pixel(2, 0) + QPoint(8, 0), *params));
    TStraightLine line(0, 0);
    line.SetFromGradient(0.5L, 1);
    EXPECT_TRUE(line.IsNearPoint(Pixel(4, 3), *params));
    EXPECT_FALSE(line.IsNearPoint(Pixel(4, 3) + QPoint(0, 8), *params));
}

TEST_F(StraightLines, DependentLinesNeedACurveWithTangents)
{
    auto parabola = Curve("x{^{2}");
    TImplicitFunction circle(Formula("x{^{2}+y{^{2}-1"), rlEqual);
    TDataPoints data;
    EXPECT_TRUE(TTangent(Number(1), true, parabola.get()).IsValid());
    EXPECT_FALSE(TTangent(Number(1), true, &circle).IsValid());
    EXPECT_FALSE(TTangent(Number(1), true, nullptr).IsValid());
    EXPECT_TRUE(TLineToCurve(lkVertical, Number(1), parabola.get()).IsValid());
    EXPECT_FALSE(TLineToCurve(lkVertical, Number(1), &circle).IsValid());
    EXPECT_TRUE(TStraightLine(0, 1).IsValid());
    EXPECT_TRUE(TStraightLine(0, 1, &data).IsValid());
    EXPECT_FALSE(TStraightLine(0, 1, &circle).IsValid());
}

TEST_F(StraightLines, IntersectionListsCrossingsEitherWayRound)
{
    SetScales(-5, 5, -5, 5);
    auto parabola = Curve("x{^{2}");
    auto line = Curve("x+2");
    // x = 1, y = t for t from -5 to 5, and a circle of radius 1.
    TYParametric upright(Formula("t"), Number(1), Number(-5), Number(5));
    TRofTheta polar(Number(1), Number(1));
    TStraightLine horizontal(0, 1);

    struct Case {
        const char* name;
        TCurvePLotter *primary, *other;
        std::vector<TRealPoint> points;
    };
    const Case cases[] = {
        {"x^2 with x + 2", line.get(), parabola.get(), {{-1, 1}, {2, 4}}},
        {"a straight line measures distance", parabola.get(), &horizontal, {{-1, 1}, {1, 1}}},
        // The other curve cannot measure distance: the search runs the other way round.
        {"parametric as the other curve", parabola.get(), &upright, {{1, 1}}},
        {"neither can measure", &upright, &polar, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TIntersectCurve intersection(c.primary, c.other);
        intersection.RebuildList(params.get());
        const auto& found = intersection.Crossings();
        ASSERT_EQ(found.size(), c.points.size());
        for (std::size_t k = 0; k < found.size(); ++k) {
            EXPECT_NEAR(double(found[k].x), double(c.points[k].x), 1e-6);
            EXPECT_NEAR(double(found[k].y), double(c.points[k].y), 1e-6);
        }
        EXPECT_TRUE(intersection.IsValid());
        EXPECT_EQ(intersection.GetSource(), c.other);
    }
}

TEST_F(StraightLines, IntersectionLineText)
{
    SetScales(-5, 5, -5, 5);
    auto parabola = Curve("x{^{2}");
    parabola->SetElements(ElementsFromText("y=x{^{2}"));
    auto line = Curve("x+2");
    TIntersectCurve intersection(line.get(), parabola.get());
    intersection.RebuildList(params.get());
    EXPECT_EQ(PlainLineText(intersection.Elements()), "Intersect with y=x^2 (-1,1) (2,4) ");
    EXPECT_EQ(intersection.PropertyFlags(), 0x100002u);
}
