// Lines of straight lines, tangents and normals are entered as their
// objects, and the definition line each writes is entered as the same object.
#include "entry/entry.h"
#include "formula/markup.h"
#include "geometry/bestfit.h"
#include "geometry/coordcurve.h"
#include "geometry/straightline.h"
#include "plot/formulacurve.h"
#include "settings/mathswriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

class LineEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        AngleFactor = RadiansFactor;
        parabola = Enter("y=x{^{2}", nullptr);
        ASSERT_NE(dynamic_cast<TYofX*>(parabola.get()), nullptr);
    }
    void TearDown() override { AngleFactor = DegreesFactor; }

    // The object a line in markup becomes under parent; message holds the error.
    std::unique_ptr<TEquationObject> Enter(const std::string& markup, TEquationObject* parent)
    {
        TEditor line;
        line.SetElements(ElementsFromText(markup));
        line.SetParent(parent);
        TParseParams params;
        std::unique_ptr<TEquationObject> object = ClassifyLine(line, params);
        message = HasError(params) ? params.error.message : "";
        return object;
    }

    std::unique_ptr<TEquationObject> parabola;
    std::string message;
};

Extended ValueOf(const TEvaluatorPtr& tree)
{
    return FormulaValue(tree.get());
}

} // namespace

TEST_F(LineEntry, LinesBecomeTheirObjects)
{
    // Line
    auto line = Enter("Line angle0.5\tintercept -2", nullptr);
    auto* straight = dynamic_cast<TStraightLine*>(line.get());
    ASSERT_NE(straight, nullptr) << message;
    EXPECT_EQ(straight->Line.Angle, 0.5L);
    EXPECT_EQ(straight->Line.Intercept, -2);

    // Tangent and normal under a curve, the description in or before the list
    const struct {
        const char* markup;
        bool tangent;
        Extended at;
    } tangents[] = {
        {"{fix \x02\x01{Tangent at x =}{1}", true, 1},
        {"{fix \x02\x01{Normal at x =}{1+2}", false, 3},
        {"Tangent at {fix \x02\x01{x =}{-0.5}", true, -0.5L},
    };
    for (const auto& c : tangents) {
        SCOPED_TRACE(c.markup);
        auto object = Enter(c.markup, parabola.get());
        auto* tangent = dynamic_cast<TTangent*>(object.get());
        ASSERT_NE(tangent, nullptr) << message;
        EXPECT_EQ(tangent->IsTangent, c.tangent);
        EXPECT_EQ(ValueOf(tangent->Parameter), c.at);
        EXPECT_EQ(tangent->PrimaryCurve, parabola.get());
    }

    // Through a point; to the curve
    auto through = Enter("{fix \x02\x01{Vertical line through }{{coords{2}{5}}", nullptr);
    auto* kindLine = dynamic_cast<TLineThroughPoint*>(through.get());
    ASSERT_NE(kindLine, nullptr) << message;
    EXPECT_EQ(kindLine->Kind, lkVertical);
    EXPECT_EQ(kindLine->Point->Point().x, 2);
    EXPECT_EQ(kindLine->Point->Point().y, 5);

    auto to = Enter("{fix \x02\x01{Origin line to x =}{3}", parabola.get());
    auto* toCurve = dynamic_cast<TLineToCurve*>(to.get());
    ASSERT_NE(toCurve, nullptr) << message;
    EXPECT_EQ(toCurve->Kind, lkOrigin);
    EXPECT_EQ(ValueOf(toCurve->Parameter), 3);
}

TEST_F(LineEntry, WrongLinesGiveTheirMessages)
{
    const struct {
        const char* markup;
        bool parent;
        const char* message;
    } cases[] = {
        {"{fix \x02\x01{Tangent at x =}{1}", false, EntryMessage::CannotPaste},
        {"{fix \x02\x01{Tangent at x =}{}", true, ParseMessage::EmptyCell},
        {"{fix \x02\x01{Horizontal line through }{}", false, EntryMessage::NeedCoordinates},
        {"Line angle0.5", false, ParseMessage::NotUnderstood},
        {"Line 3", false, ParseMessage::NotUnderstood},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markup);
        auto object = Enter(c.markup, c.parent ? parabola.get() : nullptr);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(message, c.message);
    }
}

TEST_F(LineEntry, DefinitionLinesReadBack)
{
    auto* curve = static_cast<TCurvePLotter*>(parabola.get());
    TStraightLine straight(0.25L, 7, nullptr);
    TTangent normal(std::make_unique<TConstantEvaluator>(1.5L), false, curve);
    TLineThroughPoint origin(lkOrigin, std::make_unique<TCoordinates>(-3, 4));
    // The parameter, not the curve's name, stands in the second field.
    TLineToCurve horizontal(lkHorizontal, std::make_unique<TConstantEvaluator>(2), curve);
    const TCurvePLotter* lines[] = {&straight, &normal, &origin, &horizontal};
    for (const TCurvePLotter* written : lines) {
        TMathsWriter writer;
        written->WriteDefinition(writer);
        SCOPED_TRACE(writer.Text());
        auto object = Enter(writer.Text(), parabola.get());
        ASSERT_NE(object, nullptr) << message;
        EXPECT_EQ(typeid(*object), typeid(*written));
        TMathsWriter again;
        static_cast<TCurvePLotter*>(object.get())->WriteDefinition(again);
        EXPECT_EQ(again.Text(), writer.Text());
    }
}

// A best-fit heading under a data set makes that fit, fitted at once; under
// a curve that is not a list of points, or under nothing, it cannot be pasted.
TEST_F(LineEntry, BestFitHeadingsUnderADataSet)
{
    TDataPoints set;
    set.AddPoint(1, 2);
    set.AddPoint(2, 4);
    const struct {
        const char* heading;
        const char* text;
    } cases[] = {
        {"Best fit straight line", ":    Very strong positive correlation"},
        {"Best fit straight y on x", ":  y=2x    r=1"},
        {"Best fit quadratic", ":  y=2x:  r=1"},
        {"Polynomial", ":  y=2x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.heading);
        auto object = Enter(c.heading, &set);
        auto* fit = dynamic_cast<TBestFit*>(object.get());
        ASSERT_NE(fit, nullptr) << message;
        EXPECT_EQ(fit->GetParent(), &set);
        EXPECT_EQ(fit->InfoText(), c.text);
        EXPECT_TRUE(fit->DescriptionFlag);
        EXPECT_EQ(object->Elements()->next->DescriptionNumber(), fit->FitDescription());
    }
    for (TEquationObject* parent : {static_cast<TEquationObject*>(nullptr), parabola.get()}) {
        auto object = Enter("Best fit ln", parent);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(message, EntryMessage::CannotPaste);
    }
}
