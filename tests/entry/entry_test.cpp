// Equation entry turns a finished line into the right object, or into a
// message at a place in the line, completing half-typed lines on the way.
#include "entry/declarationlines.h"
#include "entry/entry.h"
#include "expr/analysis.h"
#include "formula/markup.h"
#include "plot/formulacurve.h"
#include "plot/implicitfunction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct TEntered {
    std::unique_ptr<TEditor> line;
    std::unique_ptr<TEquationObject> object;
    std::string message;
    int position = -1;
};

class EntryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AngleFactor = RadiansFactor;
        FamilyEnd();
    }
    void TearDown() override
    {
        AngleFactor = DegreesFactor;
        FamilyEnd();
    }

    TEntered Enter(const std::string& markup)
    {
        TEntered entered;
        entered.line = std::make_unique<TEditor>();
        entered.line->SetElements(ElementsFromText(markup));
        TParseParams params;
        params.declaredNames = &lines;
        entered.object = ClassifyLine(*entered.line, params);
        if (HasError(params)) {
            entered.message = params.error.message;
            entered.position = params.error.position;
        }
        return entered;
    }

    // Value of an explicit curve's formula at v.
    static Extended FormulaAt(TEquationObject* object, Extended v)
    {
        auto* curve = dynamic_cast<TFormulaCurve*>(object);
        if (!curve)
            return NAN;
        Variables = TVariableValues{};
        Variables.x = v;
        Variables.y = v;
        return ResetAndEvaluate(curve->Formula.get());
    }

    std::vector<TEquationObject*> lines;
};

TEST_F(EntryTest, FormulasBecomeTheRightKindOfCurve)
{
    struct {
        const char* markup;
        const char* kind;
    } cases[] = {
        {"y=3", "TYofX"},
        {"x=3", "TXofY"},
        {"y=x{^{2}", "TYofX"},
        {"y>x{^{2}", "TYofX"},
        {"y+1=x", "TYofX"},
        {"2x+y=4", "TYofX"},
        {"x=y{^{2}", "TXofY"},
        {"x{^{2}+y{^{2}=4", "TYofX"},
        {"x{^{2}+y{^{2}<4", "TImplicitFunction"},
        {"x{^{2}+xy+y{^{2}=3", "TImplicitFunction"},
        // dividing by a factor in the other variable would lose a branch
        // where it is zero or turn an inequality round where it is negative
        {"x(y-1)=0", "TImplicitFunction"},
        {"xy=0", "TImplicitFunction"},
        {"xy>1", "TImplicitFunction"},
        {"{/{1}{y}<x", "TXofY"}, // x > 1/y: solved for x, which divides by nothing
        {"{/{y}{x}>1", "TImplicitFunction"},
        {"{/{y}{x}=2", "TYofX"}, // multiplying out an equation loses nothing
        {"y=2{\xB1"
         "1",
         "TYofX"},
        {"r=sin 4{q", "TRofTheta"},
        {"y=sin t\tx=cos t\tt=0 to 2{p", "TYParametric"},
        {"x=cos 3t\ty=sin 5t\tt=0 to 2{p", "TYParametric"},
        {"{q=t\tr=3+sin(4t)\tt=0 to 2{p", "TPolarParametric"},
        {"r=t\t{q=2t\tt=0 to 1", "TPolarParametric"},
    };
    for (const auto& row : cases) {
        TEntered entered = Enter(row.markup);
        ASSERT_NE(entered.object, nullptr) << row.markup << ": " << entered.message;
        EXPECT_STREQ(KindName(*entered.object), row.kind) << row.markup;
        EXPECT_EQ(entered.message, "") << row.markup;
        // the object took over the line's elements
        EXPECT_NE(entered.object->Elements(), nullptr);
    }
}

TEST_F(EntryTest, TheGeneralRouteIsolatesAVariable)
{
    // y + 1 = x gives y = x - 1; 2x + y = 4 gives y = 4 - 2x
    EXPECT_EQ(static_cast<double>(FormulaAt(Enter("y+1=x").object.get(), 5)), 4.0);
    EXPECT_EQ(static_cast<double>(FormulaAt(Enter("2x+y=4").object.get(), 1)), 2.0);
    // x = y² isolates x
    EXPECT_EQ(static_cast<double>(FormulaAt(Enter("x=y{^{2}").object.get(), 3)), 9.0);

    // a circle gives two ± branches: +√(4 − x²) and −√(4 − x²)
    TEntered circle = Enter("x{^{2}+y{^{2}=4");
    auto* curve = dynamic_cast<TFormulaCurve*>(circle.object.get());
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(CountBranches(curve->Formula.get()), 2);

    // −y < x turns round to y > −x
    TEntered turned = Enter("-y<x");
    auto* explicitCurve = dynamic_cast<TYofX*>(turned.object.get());
    ASSERT_NE(explicitCurve, nullptr);
    EXPECT_EQ(explicitCurve->Relation, rlGreater);
    EXPECT_EQ(static_cast<double>(FormulaAt(explicitCurve, 2)), -2.0);
    TEntered aboveLine = Enter("y>x{^{2}");
    auto* above = dynamic_cast<TYofX*>(aboveLine.object.get());
    ASSERT_NE(above, nullptr);
    EXPECT_EQ(above->Relation, rlGreater);
}

// True when the inequality curve holds at (x, y): F > 0 (or < 0) for an
// implicit relation, the variable against the formula for an explicit one.
bool HoldsAt(TFormulaCurve* curve, Extended x, Extended y)
{
    Variables.x = x;
    Variables.y = y;
    Extended difference = ResetAndEvaluate(curve->Formula.get());
    int relation = 0;
    if (auto* implicit = dynamic_cast<TImplicitFunction*>(curve)) {
        relation = implicit->Relation;
    } else {
        auto* explicitCurve = dynamic_cast<TYofX*>(curve);
        EXPECT_NE(explicitCurve, nullptr);
        if (!explicitCurve)
            return false;
        relation = explicitCurve->Relation;
        difference = (dynamic_cast<TXofY*>(curve) ? x : y) - difference;
    }
    return relation <= rlGreaterEqual ? difference > 0 : difference < 0;
}

TEST_F(EntryTest, InequalitiesThroughAFactorShadeTheRightSide)
{
    // (x, y, inside): xy > 1 holds at (-2, -2), not at (-4, 2); 1/y < x holds at (-1, -0.5), not at (-2, -1)
    struct {
        const char* markup;
        Extended x, y;
        bool inside;
    } cases[] = {
        {"xy>1", -2, -2, true},          {"xy>1", -4, 2, false},        {"xy>1", 2, 1, true},
        {"{/{1}{y}<x", -1, -0.5L, true}, {"{/{1}{y}<x", -2, -1, false}, {"{/{1}{y}<x", 2, 1, true},
        {"y(-2)>x", 0, -4, true},        {"y(-2)>x", 0, 4, false},
    };
    for (const auto& row : cases) {
        TEntered entered = Enter(row.markup);
        auto* curve = dynamic_cast<TFormulaCurve*>(entered.object.get());
        ASSERT_NE(curve, nullptr) << row.markup;
        EXPECT_EQ(HoldsAt(curve, row.x, row.y), row.inside)
            << row.markup << " at " << double(row.x) << ", " << double(row.y);
    }
}

TEST_F(EntryTest, AnInequalityThroughADeclaredFactorFollowsItsSign)
{
    TEntered k = Enter("k=2");
    ASSERT_NE(k.object, nullptr) << k.message;
    auto* constant = dynamic_cast<TDynamicConstantEquation*>(k.object.get());
    ASSERT_NE(constant, nullptr);
    lines.push_back(k.object.get());
    // ky > x holds above the line while k is 2 and below it once k is -2;
    // ky > 3 (y alone) turns round by k's sign when it is entered
    struct {
        const char* markup;
        Extended kAtEntry, kLater, x, y;
        bool inside;
    } cases[] = {
        {"ky>x", 2, 2, 0, 4, true},        {"ky>x", 2, -2, 0, 4, false},        {"ky>x", 2, -2, 0, -4, true},
        {"{/{y}{k}>x", -2, 2, 0, 4, true}, {"{/{y}{k}>x", -2, -2, 0, 4, false}, {"y>kx", 2, -2, 1, 0, true},
        {"ky>3", -2, -2, 0, -2, true},     {"ky>3", -2, -2, 0, 0, false},
    };
    for (const auto& row : cases) {
        constant->Constant().ValueObject().SetValue(row.kAtEntry);
        TEntered entered = Enter(row.markup);
        auto* curve = dynamic_cast<TFormulaCurve*>(entered.object.get());
        ASSERT_NE(curve, nullptr) << row.markup << ": " << entered.message;
        constant->Constant().ValueObject().SetValue(row.kLater);
        EXPECT_EQ(HoldsAt(curve, row.x, row.y), row.inside)
            << row.markup << " entered with k = " << double(row.kAtEntry) << ", k now " << double(row.kLater)
            << ", at " << double(row.x) << ", " << double(row.y);
    }
}

TEST_F(EntryTest, EveryPlusOrMinusOnAConstantIsABranch)
{
    struct {
        const char* markup;
        Extended at;
        std::vector<double> values;
    } cases[] = {
        {"y=2{\xB1"
         "1",
         0,
         {1, 3}},
        {"x={\xB1"
         "3",
         0,
         {-3, 3}},
        {"y={\xB1"
         "1{\xB1"
         "{sqrt{x}",
         4,
         {-3, -1, 1, 3}},
    };
    for (const auto& row : cases) {
        TEntered entered = Enter(row.markup);
        auto* curve = dynamic_cast<TFormulaCurve*>(entered.object.get());
        ASSERT_NE(curve, nullptr) << row.markup;
        const int count = CountBranches(curve->Formula.get());
        ASSERT_EQ(count, static_cast<int>(row.values.size())) << row.markup;
        std::vector<double> values;
        for (int branch = 1; branch <= count; ++branch) {
            TFormulaAnalysis analysis;
            SelectBranch(curve->Formula.get(), analysis, branch, count, false);
            values.push_back(static_cast<double>(FormulaAt(curve, row.at)));
        }
        std::sort(values.begin(), values.end());
        EXPECT_EQ(values, row.values) << row.markup;
    }
}

TEST_F(EntryTest, WrongLinesGiveTheirMessages)
{
    struct {
        const char* markup;
        const char* message;
    } cases[] = {
        {"sin x=0.5", EntryMessage::NeedsBoth},
        {"r<2", EntryMessage::NoInequality},
        {"Tangent at {fix \x02\x01{}{1}", EntryMessage::CannotPaste},
        {"Matrix", EntryMessage::CannotPaste},
        {"y=(x", ParseMessage::RightBracket},
        {"{q=2", ParseMessage::NotUnderstood},
        {"y=x\tz", ParseMessage::NotUnderstood},
    };
    for (const auto& row : cases) {
        TEntered entered = Enter(row.markup);
        EXPECT_EQ(entered.object, nullptr) << row.markup;
        EXPECT_EQ(entered.message, row.message) << row.markup;
    }
    // a missing operand is reported where it is missing
    TEntered missing = Enter("y=x+()");
    EXPECT_EQ(missing.message, ParseMessage::NotUnderstood);
    EXPECT_EQ(missing.position, 5);
    // an empty line is no object and no error
    TEntered empty = Enter("  ");
    EXPECT_EQ(empty.object, nullptr);
    EXPECT_EQ(empty.message, "");
}

TEST_F(EntryTest, HalfTypedLinesAreCompletedWithAPrompt)
{
    struct {
        const char* markup;
        const char* message;
        const char* completed;
    } cases[] = {
        {"y=2t", EntryMessage::NextFormula, "y=2t\tx="},
        {"x=cos t\ty=sin t", EntryMessage::ParameterRange, "x=cos t\ty=sin t\tt="},
        {"x=cos t\ty=sin t\tt=0", EntryMessage::ParameterRange, "x=cos t\ty=sin t\tt=0 to "},
        {"{q=t", EntryMessage::NextFormula, "{q=t\tr="},
        {"r=2 for 3 revs", EntryMessage::TabBeforeFor, "r=2 \tfor 3 revs"},
    };
    for (const auto& row : cases) {
        TEntered entered = Enter(row.markup);
        EXPECT_EQ(entered.object, nullptr) << row.markup;
        EXPECT_EQ(entered.message, row.message) << row.markup;
        EXPECT_EQ(ElementsToText(entered.line->Elements()), row.completed) << row.markup;
        // the caret waits where the user types on
        EXPECT_NE(entered.line->caret.element, nullptr) << row.markup;
    }
    // r = 2 is one turn, and the line shows it
    TEntered polar = Enter("r=2");
    ASSERT_NE(polar.object, nullptr) << polar.message;
    EXPECT_STREQ(KindName(*polar.object), "TRofTheta");
    EXPECT_EQ(ElementsToText(polar.object->Elements()), "r=2\tfor 1 revs");
    // the tab in front of "for" makes the second pass succeed; "revs" is added when left out
    TEntered turns = Enter("r=2\tfor 3");
    ASSERT_NE(turns.object, nullptr) << turns.message;
    EXPECT_EQ(ElementsToText(turns.object->Elements()), "r=2\tfor 3 revs");
}

TEST_F(EntryTest, DeclarationsAreMadeAndKnownToLaterLines)
{
    TEntered k = Enter("k=5");
    ASSERT_NE(k.object, nullptr) << k.message;
    auto* constant = dynamic_cast<TDynamicConstantEquation*>(k.object.get());
    ASSERT_NE(constant, nullptr);
    EXPECT_EQ(static_cast<double>(constant->Constant().Value()), 5.0);
    EXPECT_EQ(constant->style, 0);
    lines.push_back(k.object.get());

    // k = 6 on another line while k exists
    EXPECT_EQ(Enter("k=6").message, EntryMessage::ConstantDefined);

    TEntered f = Enter("f(t)=t{^{2}+k");
    ASSERT_NE(f.object, nullptr) << f.message;
    EXPECT_NE(dynamic_cast<TDeclaredFunctionEquation*>(f.object.get()), nullptr);
    lines.push_back(f.object.get());

    TEntered uses = Enter("y=f(x)");
    ASSERT_NE(uses.object, nullptr) << uses.message;
    EXPECT_EQ(static_cast<double>(FormulaAt(uses.object.get(), 2)), 9.0);

    // a family typed in the constant's fields
    std::string markup = "m=1{fix \x05\x05{  (family of}{3}{, step}{0.5}{)}";
    TEntered family = Enter(markup);
    ASSERT_NE(family.object, nullptr) << family.message;
    auto* m = dynamic_cast<TDynamicConstantEquation*>(family.object.get());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Family.constant, &m->Constant());
    EXPECT_EQ(Family.extraMembers, 2);
    EXPECT_EQ(static_cast<double>(m->Constant().Step().Value()), 0.5);
    markup = "w=1{fix \x05\x05{  (family of}{100}{, step}{0.5}{)}";
    EXPECT_EQ(Enter(markup).message, ParseMessage::TooBig);
}

TEST_F(EntryTest, LinesWithUnknownNamesWait)
{
    TEntered waiting = Enter("y=ax");
    ASSERT_NE(waiting.object, nullptr) << waiting.message;
    auto* needs = dynamic_cast<TNeedsDefinitions*>(waiting.object.get());
    ASSERT_NE(needs, nullptr);
    EXPECT_EQ(needs->NamesText(), "a");
}

} // namespace
