// The image curve: where images and repeats are drawn, what a click on an
// image or its parent selects, tracing through the map, and the area of the
// image of a shape.
#include "expr/declarations.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "geometry/geometrytesting.h"
#include "geometry/transformation.h"
#include "plot/formulacurve.h"
#include "settings/mathswriter.h"

#include <cmath>

namespace {

TEvaluatorPtr Formula(const std::string& markup)
{
    TElementList elements = ElementsFromText(markup);
    Tidy(elements, tmFinish);
    TParseParams parse;
    StartParse(parse, elements.get(), avX | avY, nullptr, false, EndOrTabTerminators());
    TEvaluatorPtr tree = ParseExpression(parse);
    EXPECT_FALSE(HasError(parse)) << markup;
    return tree;
}

TEvaluatorPtr Number(Extended v)
{
    return std::make_unique<TConstantEvaluator>(v);
}

std::unique_ptr<TMatrix> Grid(std::initializer_list<Extended> values)
{
    auto matrix = std::make_unique<TMatrix>(2, values.size() == 4 ? 2 : 1);
    int k = 0;
    for (const Extended v : values) {
        matrix->Set(k / matrix->Columns() + 1, k % matrix->Columns() + 1, Number(v));
        ++k;
    }
    return matrix;
}

std::vector<TTransformStepPtr> Steps(TTransformStepPtr step)
{
    std::vector<TTransformStepPtr> steps;
    steps.push_back(std::move(step));
    return steps;
}

std::unique_ptr<TTransformation> Translated(TCurvePLotter& parent, Extended x, Extended y, int repeats)
{
    return std::make_unique<TTransformation>(&parent, Steps(std::make_unique<TMatrixTransform>(Grid({x, y}))),
                                             repeats);
}

class Transformations : public GeometryFixture {
protected:
    void SetUp() override
    {
        GeometryFixture::SetUp();
        ASSERT_TRUE(params->SetScales(std::make_unique<TRescaleDataTransfer>(-10, 10, -10, 10), host.get()));
    }

    // Draws curve alone on white; the picture is kept in image.
    void DrawAlone(TCurvePLotter& curve)
    {
        image = QImage(Width, Height, QImage::Format_RGB32);
        image.fill(Qt::white);
        Canvas canvas(&image);
        DrawMode = dmNoCache;
        curve.DrawOnGraph(canvas, *params);
        DrawMode = 0;
    }

    // Some pixel within 2 pixels of the graph point is inked.
    [[nodiscard]] bool InkedNear(Extended x, Extended y) const
    {
        const QPoint p = Pixel(x, y);
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (image.valid(p.x() + dx, p.y() + dy) &&
                    image.pixel(p.x() + dx, p.y() + dy) != qRgb(255, 255, 255))
                    return true;
        return false;
    }

    QImage image;
};

} // namespace

TEST_F(Transformations, ImagesOfAPartOfTheParentOffTheWindowAreDrawn)
{
    // y = x moved by (−15, −15) is y = x again; its visible part comes from
    // the parent's x between 5 and 25, outside the window. A command-made
    // image (one repeat) must be drawn there as well as a typed one.
    TYofX line(Formula("x"), rlEqual);
    for (const int repeats : {0, 1}) {
        SCOPED_TRACE(repeats);
        auto image = Translated(line, -15, -15, repeats);
        ASSERT_TRUE(image->IsValid());
        DrawAlone(*image);
        for (const Extended x : {-8.0L, -2.0L, 3.0L, 8.0L})
            EXPECT_TRUE(InkedNear(x, x)) << x;
        EXPECT_FALSE(InkedNear(5, -5));
    }
}

TEST_F(Transformations, RepeatsDrawEachPowerOfTheStepOnce)
{
    // A short vertical segment moved 2 to the right three times.
    auto segment = List({TRealPoint{0, 0}, TRealPoint{0, 1}});
    auto image = Translated(*segment, 2, 0, 3);
    TMathsWriter before;
    image->WriteDefinition(before);
    for (int drawing = 0; drawing < 2; ++drawing) {
        SCOPED_TRACE(drawing);
        DrawAlone(*image);
        for (const Extended x : {2, 4, 6})
            EXPECT_TRUE(InkedNear(x, 0.5L)) << x;
        for (const Extended x : {0, 8, 14})
            EXPECT_FALSE(InkedNear(x, 0.5L)) << x;
    }
    // Drawing never changes the steps: the record is as it was.
    TMathsWriter after;
    image->WriteDefinition(after);
    EXPECT_EQ(after.Text(), before.Text());
    TTransform step;
    ASSERT_TRUE(image->Composite(step));
    EXPECT_EQ(step.Apply({0, 0}).x, 2);
}

TEST_F(Transformations, AQuarterTurnFourTimesEndsOnTheParent)
{
    auto segment = List({TRealPoint{2, 0}, TRealPoint{4, 0}});
    std::vector<TTransformStepPtr> steps;
    steps.push_back(std::make_unique<TRotation>(Number(0.25L), 2 * Pi, std::make_unique<TCoordinates>(0, 0)));
    TTransformation image(segment.get(), std::move(steps), 4);
    DrawAlone(image);
    EXPECT_TRUE(InkedNear(3, 0));
    EXPECT_TRUE(InkedNear(0, 3));
    EXPECT_TRUE(InkedNear(-3, 0));
    EXPECT_TRUE(InkedNear(0, -3));
    TTransform step;
    ASSERT_TRUE(image.Composite(step));
    const TRealPoint last = step.Power(4).Apply({3, 0});
    EXPECT_NEAR(last.x, 3, 1e-12);
    EXPECT_NEAR(last.y, 0, 1e-12);
}

TEST_F(Transformations, AClickSelectsTheImageNotItsParent)
{
    // A typed line without repeats (0) and a command-made one (1) alike.
    TYofX parabola(Formula("x{^{2}"), rlEqual);
    for (const int repeats : {0, 1}) {
        SCOPED_TRACE(repeats);
        auto image = Translated(parabola, 3, 0, repeats);
        EXPECT_TRUE(image->IsNearPoint(Pixel(3, 0), *params));
        EXPECT_TRUE(image->IsNearPoint(Pixel(5, 4), *params));
        EXPECT_FALSE(image->IsNearPoint(Pixel(0, 0), *params));
        EXPECT_FALSE(image->IsNearPoint(Pixel(2, 4), *params));
    }
    // With repeats the last image is the one tested.
    auto repeated = Translated(parabola, 3, 0, 2);
    EXPECT_TRUE(repeated->IsNearPoint(Pixel(6, 0), *params));
}

TEST_F(Transformations, TracingGoesThroughTheMap)
{
    TYofX parabola(Formula("x{^{2}"), rlEqual);
    auto image = Translated(parabola, 3, 1, 0);
    const TRealPoint p = image->PointAtParameter(2, params.get());
    EXPECT_NEAR(p.x, 5, 1e-9);
    EXPECT_NEAR(p.y, 5, 1e-9);
    EXPECT_NEAR(image->ParameterAt(5, 5), 2, 1e-9);
}

TEST_F(Transformations, AreaOfTheImageOfAShape)
{
    // A closed square of side 2.
    auto square = List({TRealPoint{0, 0}, TRealPoint{2, 0}, TRealPoint{2, 2}, TRealPoint{0, 2}}, true);
    ResetStatus();
    ASSERT_NEAR(square->Area(), 4, 1e-12);
    TTransformation stretched(square.get(), Steps(std::make_unique<TMatrixTransform>(Grid({2, 0, 0, 3}))), 0);
    EXPECT_NEAR(stretched.Area(), 24, 1e-12);
    TTransformation reflected(square.get(), Steps(std::make_unique<TReflect>(TYofX::XAxisLine())), 0);
    EXPECT_NEAR(reflected.Area(), 4, 1e-12);
    EXPECT_TRUE(stretched.PropertyFlags() & 0x10);
    EXPECT_TRUE(stretched.PropertyFlags() & 0x8);
}

TEST_F(Transformations, InvalidWithoutATransformableParentOrAnIncompleteStep)
{
    TYofX parabola(Formula("x{^{2}"), rlEqual);
    EXPECT_TRUE(Translated(parabola, 1, 1, 0)->IsValid());
    TTransformation noParent(nullptr, Steps(std::make_unique<TMatrixTransform>(Grid({1, 0}))), 0);
    EXPECT_FALSE(noParent.IsValid());
    TTransformation noCentre(&parabola, Steps(std::make_unique<TRotation>(Number(1), 1, nullptr)), 0);
    EXPECT_FALSE(noCentre.IsValid());
    DrawAlone(noCentre);
    EXPECT_FALSE(InkedNear(0, 0));
}

TEST_F(Transformations, ConstructionShowsCentresMirrorsAndConstructionLines)
{
    TYofX parabola(Formula("x{^{2}"), rlEqual);
    TTransformation turned(
        &parabola,
        Steps(std::make_unique<TRotation>(Number(0.5L), 2 * Pi, std::make_unique<TCoordinates>(-6, -6))), 0);
    TTransformation mirrored(&parabola, Steps(std::make_unique<TReflect>(TYofX::DiagonalLine(false))), 0);
    struct Case {
        TTransformation* image;
        TRealPoint construction;
    };
    for (const Case& c : {Case{&turned, {-6, -6}}, Case{&mirrored, {-5, -5}}}) {
        c.image->SetSwitches(0);
        DrawAlone(*c.image);
        EXPECT_TRUE(InkedNear(c.construction.x, c.construction.y));
        c.image->SetSwitches(swHideConstruction);
        DrawAlone(*c.image);
        EXPECT_FALSE(InkedNear(c.construction.x, c.construction.y));
    }

    // A square moved 5 to the right: grey segments join each corner to its image.
    auto square = List({TRealPoint{0, 0}, TRealPoint{2, 0}, TRealPoint{2, 2}, TRealPoint{0, 2}}, true);
    auto moved = Translated(*square, 5, 0, 0);
    Configuration.ConstructionLines = false;
    DrawAlone(*moved);
    EXPECT_FALSE(InkedNear(3.5L, 0));
    Configuration.ConstructionLines = true;
    DrawAlone(*moved);
    EXPECT_TRUE(InkedNear(3.5L, 0));
    EXPECT_TRUE(InkedNear(3.5L, 2));
    EXPECT_FALSE(InkedNear(3.5L, 1));
}

TEST(TransformSteps, ADraggedTranslationGoesIntoTheVector)
{
    // The vector's entries are (1,1) and (2,1): x over y.
    TMatrixTransform translation(Grid({0, 0}));
    translation.SetTranslation(3, -2);
    TTransform map;
    ASSERT_TRUE(translation.ComposeInto(map));
    const TRealPoint p = map.Apply({1, 1});
    EXPECT_EQ(p.x, 4);
    EXPECT_EQ(p.y, -1);
    // A 2x2 matrix is not a translation and keeps its entries.
    TMatrixTransform matrix(Grid({0, -1, 1, 0}));
    matrix.SetTranslation(3, -2);
    TTransform turn;
    ASSERT_TRUE(matrix.ComposeInto(turn));
    EXPECT_EQ(turn.Apply({1, 0}).y, 1);
}

namespace {

// The number of the family member being drawn, as a family constant gives it.
class TMemberEvaluator : public TEvaluator {
public:
    [[nodiscard]] Extended Evaluate() override
    {
        Family.used = true;
        return Family.memberIndex;
    }
};

} // namespace

TEST_F(Transformations, EachMemberOfAFamilyHasItsImage)
{
    // A vertical segment moved (member, 0) for members 0, 1 and 2.
    auto segment = List({TRealPoint{0, 0}, TRealPoint{0, 1}});
    auto vector = std::make_unique<TMatrix>(2, 1);
    vector->Set(1, 1, std::make_unique<TMemberEvaluator>());
    vector->Set(2, 1, Number(0));
    TTransformation image(segment.get(), Steps(std::make_unique<TMatrixTransform>(std::move(vector))), 0);
    FamilySet(3, nullptr);
    DrawAlone(image);
    FamilyEnd();
    for (const Extended x : {0, 1, 2})
        EXPECT_TRUE(InkedNear(x, 0.5L)) << x;
    EXPECT_FALSE(InkedNear(3, 0.5L));
}

TEST(TransformSteps, DefinitionLinesAreWrittenAsTheRecordsLayThemOut)
{
    auto parabola = std::make_unique<TYofX>(Formula("x{^{2}"), rlEqual);
    auto write = [&](TTransformStepPtr step, int repeats) {
        TTransformation image(parabola.get(), Steps(std::move(step)), repeats);
        TMathsWriter writer;
        image.WriteDefinition(writer);
        return writer.TakeText();
    };
    EXPECT_EQ(
        write(std::make_unique<TRotation>(Number(90), DegreesFactor, std::make_unique<TCoordinates>(1, 0)),
              0),
        "{fix \x04\x05{Rotation about}{{coords{1}{0}}{angle}{90*0.01745329252}");
    // A formula's markup brackets its operations, so the multiplier applies to all of it.
    EXPECT_EQ(
        write(std::make_unique<TRotation>(Formula("x+1"), -2 * Pi, std::make_unique<TCoordinates>(0, 0)), 0),
        "{fix \x04\x05{Rotation about}{{coords{0}{0}}{angle}{((x)+(1))*-6.283185307}");
    EXPECT_EQ(write(std::make_unique<TEnlarge>(Number(2), std::make_unique<TCoordinates>(1, 1)), 0),
              "{fix \x04\x05{Enlargement centre}{{coords{1}{1}}{factor}{2}");
    EXPECT_EQ(write(std::make_unique<TReflect>(TYofX::XAxisLine()), 0),
              "{fix \x02\x01{Reflection in}{x axis}");
    EXPECT_EQ(write(std::make_unique<TShear>(TYofX::XAxisLine(), Number(2)), 0),
              "{fix \x04\x05{Shear line}{x axis}{factor}{2}");
    EXPECT_EQ(write(std::make_unique<TMatrixTransform>(Grid({3, -2})), 4),
              "{fix \x02\x01{repeats}{4}{fix \x02\x01{Translation}{{Mtrx \x02\x01{3}{-2}}");
    EXPECT_EQ(write(std::make_unique<TInvariantLine>(0.5L, 2), 0), " Invariant 1\t0.5\t2");
    EXPECT_EQ(write(std::make_unique<TInvariantPoint>(1, -3), 0), " Invariant 0\t1\t-3");
    // A stored map: "Matrix" first, then "Translation", with 10 figures.
    EXPECT_EQ(
        write(std::make_unique<TTransform>(TRealMatrix(0, -1, 1, 0), TRealMatrix::Column(1.0L / 3, 3)), 0),
        "{fix \x02\x01{Matrix}{{Mtrx \x02\x02{0}{-1}{1}{0}}"
        "{fix \x02\x01{Translation}{{Mtrx \x02\x01{0.3333333333}{3}}");
}

TEST_F(Transformations, AClickOnAConstructionSelectsItsStep)
{
    TYofX parabola(Formula("x{^{2}"), rlEqual);
    std::vector<TTransformStepPtr> steps;
    steps.push_back(std::make_unique<TReflect>(TYofX::DiagonalLine(false)));
    steps.push_back(
        std::make_unique<TRotation>(Number(0.5L), 2 * Pi, std::make_unique<TCoordinates>(-6, -3)));
    TTransformation image(&parabola, std::move(steps), 0);
    image.SetSwitches(0);
    EXPECT_TRUE(image.IsNearPoint(Pixel(-6, -3), *params));
    EXPECT_EQ(image.SelectedComponent, 1);
    EXPECT_TRUE(image.IsNearPoint(Pixel(-5, -5), *params));
    EXPECT_EQ(image.SelectedComponent, 0);
    // The image itself (x = y² in the mirror y = x): no step is selected, so a press drags the image.
    std::vector<TTransformStepPtr> mirror;
    mirror.push_back(std::make_unique<TReflect>(TYofX::DiagonalLine(false)));
    TTransformation reflected(&parabola, std::move(mirror), 0);
    reflected.SetSwitches(0);
    EXPECT_TRUE(reflected.IsNearPoint(Pixel(-5, -5), *params));
    EXPECT_EQ(reflected.SelectedComponent, 0);
    EXPECT_TRUE(reflected.IsNearPoint(Pixel(4, 2), *params));
    EXPECT_EQ(reflected.SelectedComponent, -1);
    // Hidden construction cannot be clicked; a drag keeps its step.
    image.Dragging = true;
    EXPECT_TRUE(image.IsNearPoint(Pixel(-6, -3), *params));
    EXPECT_EQ(image.SelectedComponent, 0);
    image.SetSwitches(swHideConstruction);
    EXPECT_FALSE(image.IsNearPoint(Pixel(-6, -3), *params));
}
