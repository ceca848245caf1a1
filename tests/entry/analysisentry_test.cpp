// Lines of differential equations, their solutions and direction fields,
// gradient and area functions and series are entered as their objects;
// unfinished sequences are completed with a prompt, and the definition line
// each writes is entered as the same object.
#include "entry/entry.h"
#include "formula/markup.h"
#include "geometry/derivedcurves.h"
#include "geometry/diffeq.h"
#include "geometry/series.h"
#include "geometry/straightline.h"
#include "plot/formulacurve.h"
#include "settings/mathswriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>

namespace {

class AnalysisEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        parabola = Enter("y=x{^{2}", nullptr);
        equation = Enter("dy/dx=x+y", nullptr);
        ASSERT_NE(dynamic_cast<TDifferentialEquation*>(equation.get()), nullptr) << message;
    }

    std::unique_ptr<TEquationObject> Enter(const std::string& markup, TEquationObject* parent)
    {
        TEditor line;
        line.SetElements(ElementsFromText(markup));
        line.SetParent(parent);
        TParseParams params;
        std::unique_ptr<TEquationObject> object = ClassifyLine(line, params);
        message = HasError(params) ? params.error.message : "";
        completed = ElementsToText(line.Elements());
        return object;
    }

    std::unique_ptr<TEquationObject> parabola, equation;
    std::string message, completed;
};

} // namespace

TEST_F(AnalysisEntry, LinesBecomeTheirObjects)
{
    struct Case {
        const char* markup;
        bool underEquation;
        const std::type_info& kind;
    };
    const Case cases[] = {
        {"dy/dx=-x/y", false, typeid(TDifferentialEquation)},
        {"Gradient function", false, typeid(TGradient)},
        {"{fix \x02\x01{Area from x =}{2}", false, typeid(TArea)},
        {"compass points", true, typeid(TDiffeqCompassPoints)},
        {"{coords{1}{2}", true, typeid(TDiffeqSolution)},
        {"first=1\tratio=x\tn=1 to 5", false, typeid(TPowerSeries)},
        {"nth=x{^{n}\tn=0 to 3", false, typeid(TGenPowerSeries)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.markup);
        TEquationObject* parent = c.underEquation ? equation.get() : parabola.get();
        auto object = Enter(c.markup, parent);
        ASSERT_NE(object, nullptr) << message;
        EXPECT_EQ(typeid(*object), c.kind);
        EXPECT_TRUE(object->IsValid());
    }
    // A point under a curve stays what it was before: not a solution.
    auto point = Enter("{coords{1}{2}", parabola.get());
    EXPECT_EQ(dynamic_cast<TDiffeqSolution*>(point.get()), nullptr);
    // The direction field is drawn in style 0.
    auto field = Enter("compass points", equation.get());
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->style, 0);
}

TEST_F(AnalysisEntry, UnfinishedAndWrongLines)
{
    struct Case {
        const char* markup;
        bool parent;
        const char* message;
        const char* completed; // the line after entry, or nullptr when unchanged
    };
    const Case cases[] = {
        {"first=1", false, EntryMessage::NextFormula, "first=1\tratio="},
        {"first=1\tratio=2", false, EntryMessage::ParameterRange, "first=1\tratio=2\tn="},
        {"nth=n\tn=1", false, EntryMessage::ParameterRange, "nth=n\tn=1 to "},
        {"nth=n\tn=1.5 to 4", false, ParseMessage::NotInteger, nullptr},
        {"nth=n\tn=1 to 4.5", false, ParseMessage::NotInteger, nullptr},
        {"nth=n\tn=1 to 1001", false, ParseMessage::TooBig, nullptr},
        {"nth=n\tn=-2000 to 1", false, ParseMessage::TooBig, nullptr},
        {"nth=n\tn=1 to 100", false, ParseMessage::TooBig, nullptr},
        {"Gradient function", false, EntryMessage::CannotPaste, nullptr},
        {"{fix \x02\x01{Area from x =}{2}", false, EntryMessage::CannotPaste, nullptr},
        {"compass points", false, EntryMessage::CannotPaste, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.markup);
        auto object = Enter(c.markup, c.parent ? parabola.get() : nullptr);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(message, c.message);
        if (c.completed) {
            EXPECT_EQ(completed, c.completed);
        }
    }
    // 99 partial sums are allowed.
    EXPECT_NE(Enter("nth=n\tn=1 to 99", nullptr), nullptr) << message;
}

TEST_F(AnalysisEntry, DefinitionLinesReadBack)
{
    auto* curve = static_cast<TCurvePLotter*>(parabola.get());
    auto* de = static_cast<TCurvePLotter*>(equation.get());
    TGradient gradient(curve);
    TArea area(std::make_unique<TConstantEvaluator>(-1.5L), curve);
    TDiffeqCompassPoints field(de);
    TDiffeqSolution solution(std::make_unique<TCoordinates>(0.5L, -2), de);
    auto power = Enter("first=2\tratio=x/2\tn=1 to 6", nullptr);
    auto general = Enter("nth=x{^{n}/n\tn=2 to 4", nullptr);
    ASSERT_NE(power, nullptr);
    ASSERT_NE(general, nullptr);
    struct Case {
        const TCurvePLotter* written;
        TEquationObject* parent;
    };
    const Case cases[] = {
        {&gradient, curve},
        {&area, curve},
        {&field, de},
        {&solution, de},
        {static_cast<TCurvePLotter*>(power.get()), nullptr},
        {static_cast<TCurvePLotter*>(general.get()), nullptr},
        {de, nullptr},
    };
    for (const Case& c : cases) {
        TMathsWriter writer;
        c.written->WriteDefinition(writer);
        SCOPED_TRACE(writer.Text());
        auto object = Enter(writer.Text(), c.parent);
        ASSERT_NE(object, nullptr) << message;
        EXPECT_EQ(typeid(*object), typeid(*c.written));
        TMathsWriter again;
        static_cast<TCurvePLotter*>(object.get())->WriteDefinition(again);
        EXPECT_EQ(again.Text(), writer.Text());
    }
}
