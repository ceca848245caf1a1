// The analysis of trees (degrees, linear forms, descriptions, variables,
// ± branches, constants) and the inversion of a tree towards a variable.
#include "eval_builders.h"

#include "expr/analysis.h"
#include "expr/functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace evaltest;

namespace {

TFormulaAnalysis Analysed(TEvaluator* tree, bool evenPowersBlocked = false)
{
    TFormulaAnalysis analysis;
    AnalyseTree(tree, analysis, evenPowersBlocked);
    return analysis;
}

TEST(EvalAnalysis, StartValues)
{
    TFormulaAnalysis analysis;
    analysis.degree = 5;
    analysis.description = "sin";
    StartAnalysis(analysis, true);
    EXPECT_EQ(analysis.nonLinearDepth, 0);
    EXPECT_TRUE(analysis.singleVariable);
    EXPECT_TRUE(analysis.evenPowersBlocked);
    EXPECT_EQ(analysis.branchSelector, INT32_MAX);
    EXPECT_EQ(analysis.branchCount, 1);
    EXPECT_EQ(analysis.xEntry.code, vcX);
    EXPECT_EQ(analysis.yEntry.code, vcY);
    EXPECT_TRUE(analysis.xEntry.invertible);
    EXPECT_EQ(analysis.degree, 0);
    EXPECT_EQ(analysis.termIndex, 120);
    EXPECT_TRUE(analysis.description.empty());
    EXPECT_EQ(analysis.functionCount, 0);
}

TEST(EvalAnalysis, DegreesFunctionCountsAndDescriptions)
{
    const struct {
        const char* label;
        TEvaluatorPtr tree;
        int degree;
        int functionCount;
        int powerDegree;
        const char* description;
        const char* descriptionEnd;
    } cases[] = {
        {"2x+3", B('+', B('*', C(2), X()), C(3)), 1, 0, 0, "", ""},
        {"x^2+x", B('+', B('^', X(), C(2)), X()), 2, 0, 2, "", ""},
        {"(x^2)^3", B('^', B('^', X(), C(2)), C(3)), 6, 0, 6, "", ""},
        {"x*x*x", B('*', B('*', X(), X()), X()), 3, 0, 0, "", ""},
        {"1/x", B('/', C(1), X()), -1, 1, 0, "{/{", ""},
        {"x/(x^2)", B('/', X(), B('^', X(), C(2))), -1, 1, 2, "{/{", ""},
        {"x/4", B('/', X(), C(4)), 1, 0, 0, "", ""},
        {"x^0.5", B('^', X(), C(0.5L)), 1, 1, 0, "", ""},
        {"2^x", B('^', C(2), X()), 1, 1, 0, "", ""},
        {"sqrt(4-x^2)", F(220, B('-', C(4), B('^', X(), C(2)))), 2, 1, 2, "{sqrt{", "}"},
        {"|x|", F(218, X()), 1, 1, 0, "|", "|"},
        {"exp(x)", F(223, X()), 1, 1, 0, "e{^{", "}"},
        {"arcsin x", F(209, X()), 1, 1, 0, "sin{^{-1}", ""},
        {"arccot x", F(217, X()), 1, 1, 0, "cot{^{-1}", ""},
        {"ln x", F(222, X()), 1, 1, 0, "ln", ""},
        {"tan node", Tan(X()), 1, 1, 0, "tan", ""},
        {"sec node", Sec(201, X()), 1, 1, 0, "", ""},
        {"int x", Int(X()), 1, 1, 0, "", ""},
        {"-x", Neg(X()), 1, 0, 0, "", ""},
        {"sin x + x", B('+', F(200, X()), X()), 1, 2, 0, "sin", ""},
        {"sqrt(sin x)", F(220, F(200, X())), 1, 2, 0, "{sqrt{", "}"},
    };
    for (const auto& c : cases) {
        const TFormulaAnalysis a = Analysed(c.tree.get());
        EXPECT_EQ(a.degree, c.degree) << c.label;
        EXPECT_EQ(a.functionCount, c.functionCount) << c.label;
        EXPECT_EQ(a.powerDegree, c.powerDegree) << c.label;
        EXPECT_EQ(a.description, c.description) << c.label;
        EXPECT_EQ(a.descriptionEnd, c.descriptionEnd) << c.label;
        EXPECT_FALSE(a.constantFlag) << c.label;
    }
}

TEST(EvalAnalysis, LinearFormsDescribeTheInnerAndOuterTerms)
{
    const struct {
        const char* label;
        TEvaluatorPtr tree;
        TLinearForm inner, outer;
        int termIndex;
    } cases[] = {
        {"2x+3", B('+', B('*', C(2), X()), C(3)), {2, 3}, {1, 0}, 120},
        {"3-2x", B('-', C(3), B('*', C(2), X())), {-2, 3}, {1, 0}, 120},
        {"x/4+1", B('+', B('/', X(), C(4)), C(1)), {0.25L, 1}, {1, 0}, 120},
        {"-(x-5)", Neg(B('-', X(), C(5))), {-1, 5}, {1, 0}, 120},
        {"3 sin(2x+1)+4",
         B('+', B('*', C(3), F(200, B('+', B('*', C(2), X()), C(1)))), C(4)),
         {2, 1},
         {3, 4},
         121},
        {"5-|x/2|", B('-', C(5), F(218, B('/', X(), C(2)))), {0.5L, 0}, {-1, 5}, 121},
        {"3/(2x+1)+4", B('+', B('/', C(3), B('+', B('*', C(2), X()), C(1))), C(4)), {2, 1}, {3, 4}, 121},
    };
    for (const auto& c : cases) {
        const TFormulaAnalysis a = Analysed(c.tree.get());
        EXPECT_EQ(a.termIndex, c.termIndex) << c.label;
        EXPECT_EQ(a.linearForms[0].multiplier, c.inner.multiplier) << c.label;
        EXPECT_EQ(a.linearForms[0].offset, c.inner.offset) << c.label;
        EXPECT_EQ(a.linearForms[1].multiplier, c.outer.multiplier) << c.label;
        EXPECT_EQ(a.linearForms[1].offset, c.outer.offset) << c.label;
    }
}

TEST(EvalAnalysis, VariablesOccurrencesInvertibilityAndDepth)
{
    const struct {
        const char* label;
        TEvaluatorPtr tree;
        bool blocked;
        int variableNodes;
        bool singleVariable;
        int xCount, yCount;
        bool xInvertible, yInvertible;
        int xDepth, yDepth;
    } cases[] = {
        {"2x+3", B('+', B('*', C(2), X()), C(3)), false, 1, true, 1, 0, true, true, 0, 0},
        {"x/2", B('/', X(), C(2)), false, 1, true, 1, 0, true, true, 0, 0},
        {"2/x", B('/', C(2), X()), false, 1, false, 1, 0, true, true, 0, 0},
        // isolating either variable of a product would divide by the other
        {"x*y", B('*', X(), Y()), false, 2, false, 1, 1, false, false, 0, 0},
        {"2*y", B('*', C(2), Y()), true, 1, true, 0, 1, true, true, 0, 0},
        {"y/x", B('/', Y(), X()), false, 2, false, 1, 1, true, true, 0, 0},
        {"y/x blocked", B('/', Y(), X()), true, 2, false, 1, 1, false, false, 0, 0},
        {"1/y blocked", B('/', C(1), Y()), true, 1, false, 0, 1, true, false, 0, 0},
        {"sin x + y", B('+', F(200, X()), Y()), false, 2, false, 1, 1, false, true, 0, 0},
        {"x^2 + y^2", B('+', B('^', X(), C(2)), B('^', Y(), C(2))), false, 2, false, 1, 1, true, true, 1, 1},
        {"x^2 + y^2 blocked", B('+', B('^', X(), C(2)), B('^', Y(), C(2))), true, 2, false, 1, 1, false,
         false, 1, 1},
        {"x^3 blocked", B('^', X(), C(3)), true, 1, false, 1, 0, true, true, 1, 0},
        {"x^y", B('^', X(), Y()), false, 2, false, 1, 1, false, false, 1, 1},
        {"x = y^2", B('-', X(), B('^', Y(), C(2))), false, 2, false, 1, 1, true, true, 0, 1},
        {"|x|", F(218, X()), false, 1, false, 1, 0, false, true, 0, 0},
        {"cosh y", F(204, Y()), false, 1, false, 0, 1, true, false, 0, 0},
        {"sinh y", F(203, Y()), false, 1, false, 0, 1, true, true, 0, 0},
        {"int x", Int(X()), false, 1, false, 1, 0, false, true, 0, 0},
        {"tan node", Tan(Y()), false, 1, false, 0, 1, true, false, 0, 0},
        {"x!", F(fcFactorial, X()), false, 1, false, 1, 0, false, true, 0, 0},
        {"x + x", B('+', X(), X()), false, 2, false, 2, 0, true, true, 0, 0},
        {"t + n", B('+', MakeVariable(vcT), MakeVariable(vcN)), false, 2, false, 0, 0, true, true, 0, 0},
    };
    for (const auto& c : cases) {
        const TFormulaAnalysis a = Analysed(c.tree.get(), c.blocked);
        EXPECT_EQ(a.variableNodes, c.variableNodes) << c.label;
        EXPECT_EQ(a.singleVariable, c.singleVariable) << c.label;
        EXPECT_EQ(a.xEntry.count, c.xCount) << c.label;
        EXPECT_EQ(a.yEntry.count, c.yCount) << c.label;
        EXPECT_EQ(a.xEntry.invertible, c.xInvertible) << c.label;
        EXPECT_EQ(a.yEntry.invertible, c.yInvertible) << c.label;
        EXPECT_EQ(a.xEntry.depth, c.xDepth) << c.label;
        EXPECT_EQ(a.yEntry.depth, c.yDepth) << c.label;
    }
}

TEST(EvalAnalysis, ConstantTreesFoldToTheirValue)
{
    TStateGuard guard;
    AngleFactor = DegreesFactor;
    Tracking = true;
    const struct {
        const char* label;
        TEvaluatorPtr tree;
    } cases[] = {
        {"(2+3)*sin 30", B('*', B('+', C(2), C(3)), F(200, C(30)))},
        {"-(4)^0.5 / 8", B('/', Neg(B('^', C(4), C(0.5L))), C(8))},
        {"int(tan 60) - sec 60 + cot 45", B('+', B('-', Int(Tan(C(60))), Sec(201, C(60))), Sec(202, C(45)))},
        {"±3 - 5!", B('-', PlusMinus(C(3)), F(fcFactorial, C(5)))},
        {"1/0 stays quiet", B('/', C(1), C(0))},
    };
    for (const auto& c : cases) {
        SetStatus(esNormal);
        const TFormulaAnalysis a = Analysed(c.tree.get());
        EXPECT_EQ(EvaluationStatus, esNormal) << c.label << ": analysis must not report";
        EXPECT_TRUE(a.constantFlag) << c.label;
        EXPECT_EQ(a.degree, 0) << c.label;
        EXPECT_EQ(a.functionCount, 0) << c.label;
        EXPECT_EQ(a.variableNodes, 0) << c.label;
        EXPECT_EQ(a.CurrentForm().multiplier, 0) << c.label;
        EXPECT_EQ(a.CurrentForm().offset, a.constantValue) << c.label;
        Tracking = false;
        EXPECT_EQ(a.constantValue, ResetAndEvaluate(c.tree.get())) << c.label;
        Tracking = true;
    }
    // Folding does not disturb the discontinuity state.
    auto divide = B('/', C(1), C(-2));
    (void)Analysed(divide.get());
    EXPECT_TRUE(static_cast<TDivideEvaluator*>(divide.get())->LastSign());
}

TEST(EvalAnalysis, PlusOrMinusBranches)
{
    TStateGuard guard;
    // y = ± sqrt x
    auto root = PlusMinus(F(220, X()));
    const int count = CountBranches(root.get());
    EXPECT_EQ(count, 2);
    Variables.x = 4;
    TFormulaAnalysis analysis;
    SelectBranch(root.get(), analysis, 1, count, false);
    EXPECT_EQ(ResetAndEvaluate(root.get()), -2); // branch 1 is the minus curve
    SelectBranch(root.get(), analysis, 2, count, false);
    EXPECT_EQ(ResetAndEvaluate(root.get()), 2);

    // x ± 10 ± 1: four different branches.
    auto two = B('+', B('+', X(), PlusMinus(C(10))), PlusMinus(C(1)));
    const int four = CountBranches(two.get());
    ASSERT_EQ(four, 4);
    Variables.x = 100;
    bool seen[4] = {};
    for (int branch = 1; branch <= four; ++branch) {
        SelectBranch(two.get(), analysis, branch, four, false);
        EXPECT_EQ(analysis.branchCount, 4);
        const Extended value = ResetAndEvaluate(two.get());
        const int index = (value > 100 ? 2 : 0) + (std::fmod(value, 10) == 1 ? 1 : 0);
        EXPECT_FALSE(seen[index]) << "branch " << branch << " repeats " << static_cast<double>(value);
        seen[index] = true;
    }
    EXPECT_EQ(CountBranches(X().get()), 1);
}

// Inverts f(x) towards x with y in the hole.
TEvaluatorPtr InvertForX(TEvaluatorPtr tree, bool& reversed)
{
    return InvertTree(*tree, vcX, Y(), reversed);
}

TEST(EvalInversion, MakesTheVariableTheSubject)
{
    TStateGuard guard;
    AngleFactor = DegreesFactor;
    struct {
        const char* label;
        TEvaluatorPtr tree;
        std::string markup;
        bool reversed;
    } cases[] = {
        {"2x+3", B('+', B('*', C(2), X()), C(3)), "((((y)-(3)))/(2))", false},
        {"3+x", B('+', C(3), X()), "((y)-(3))", false},
        {"x-3", B('-', X(), C(3)), "((3)+(y))", false},
        {"5-x", B('-', C(5), X()), "((5)-(y))", true},
        {"x/4", B('/', X(), C(4)), "((4)*(y))", false},
        {"10/x", B('/', C(10), X()), "((10)/(y))", true},
        {"-x", Neg(X()), "-(y)", true},
        {"x*(-2)", B('*', X(), C(-2)), "((y)/(-2))", true},
        {"x/(-2)", B('/', X(), C(-2)), "((-2)*(y))", true},
        {"x^2", B('^', X(), C(2)), "{\xB1(sqrt(y))", false},
        {"x^4", B('^', X(), C(4)), "{\xB1(((y)^(0.25)))", false},
        {"x^3", B('^', X(), C(3)), "((y)^(0.33333333))", false},
        {"2^x", B('^', C(2), X()), "((ln(y))/(ln(2)))", false},
        {"sqrt x", F(220, X()), "((y)^(2))", false},
        {"log x", F(221, X()), "((10)^(y))", false},
        {"ln x", F(222, X()), "exp(y)", false},
        {"exp x", F(223, X()), "ln(y)", false},
        {"sin x", F(200, X()), "asin(y)", false},
        {"arctan x", F(211, X()), "tan(y)", false},
        {"arcsec x", F(215, X()), "sec(y)", false},
        {"arccosec x", F(216, X()), "cosec(y)", false},
        {"arccot x", F(217, X()), "cot(y)", false},
        {"cosh x", F(204, X()), "acosh(y)", false},
        {"±x", PlusMinus(X()), "{\xB1(y)", false},
        {"int x adds nothing", Int(X()), "y", false},
        {"y + 2x", B('+', Y(), B('*', C(2), X())), "((((y)-(y)))/(2))", false},
    };
    for (auto& c : cases) {
        bool reversed = false;
        TEvaluatorPtr inverse = InvertForX(std::move(c.tree), reversed);
        ASSERT_TRUE(inverse) << c.label;
        EXPECT_EQ(TreeToMarkup(inverse.get()), c.markup) << c.label;
        EXPECT_EQ(reversed, c.reversed) << c.label;
    }
}

TEST(EvalInversion, InverseUndoesTheFormula)
{
    TStateGuard guard;
    AngleFactor = DegreesFactor;
    const struct {
        const char* label;
        TEvaluatorPtr (*make)();
        Extended x;
    } cases[] = {
        {"2x+3", [] { return B('+', B('*', C(2), X()), C(3)); }, 1.75L},
        {"(5-x)/3", [] { return B('/', B('-', C(5), X()), C(3)); }, -4},
        {"7/(x+1)", [] { return B('/', C(7), B('+', X(), C(1))); }, 2.5L},
        {"x^3", [] { return B('^', X(), C(3)); }, -2},
        {"(x-1)^2 (plus branch)", [] { return B('^', B('-', X(), C(1)), C(2)); }, 3},
        {"3^(2x)", [] { return B('^', C(3), B('*', C(2), X())); }, 0.7L},
        {"exp(-x)", [] { return F(223, Neg(X())); }, 1.25L},
        {"log(x)+1", [] { return B('+', F(221, X()), C(1)); }, 42},
        {"sqrt(x+4)", [] { return F(220, B('+', X(), C(4))); }, 5},
        {"sinh x", [] { return F(203, X()); }, -1.5L},
        {"tanh x", [] { return F(205, X()); }, 0.5L},
        {"arcsin x", [] { return F(209, X()); }, 0.3L},
        {"arccot x", [] { return F(217, X()); }, 2},
        {"arccos(x/2)", [] { return F(210, B('/', X(), C(2))); }, 1},
    };
    for (const auto& c : cases) {
        TEvaluatorPtr forward = c.make();
        Variables.x = c.x;
        const Extended y = ResetAndEvaluate(forward.get());
        ASSERT_EQ(EvaluationStatus, esNormal) << c.label;
        bool reversed = false;
        TEvaluatorPtr inverse = InvertForX(c.make(), reversed);
        ASSERT_TRUE(inverse) << c.label;
        TFormulaAnalysis analysis;
        const int branches = CountBranches(inverse.get());
        SelectBranch(inverse.get(), analysis, branches, branches, false); // all plus
        Variables = {};
        Variables.y = y;
        const Extended x = ResetAndEvaluate(inverse.get());
        EXPECT_EQ(EvaluationStatus, esNormal) << c.label;
        EXPECT_NEAR(static_cast<double>(x), static_cast<double>(c.x), 1e-12) << c.label;
    }
}

TEST(EvalInversion, MovesTheOtherOperandOutOfTheOriginal)
{
    auto tree = B('+', B('*', C(2), X()), C(3));
    auto* sum = static_cast<TBinaryEvaluator*>(tree.get());
    auto* product = static_cast<TBinaryEvaluator*>(sum->Left());
    TInversionRecord record;
    record.variable = vcX;
    ASSERT_TRUE(tree->InvertTowards(record));
    ASSERT_NE(record.hole, nullptr);
    EXPECT_FALSE(*record.hole);           // the hole is empty
    EXPECT_EQ(sum->Right(), nullptr);     // 3 moved into the inverse
    EXPECT_EQ(product->Left(), nullptr);  // 2 moved as well
    EXPECT_NE(product->Right(), nullptr); // the path to x stays
    EXPECT_EQ(TreeToMarkup(record.root.get()), "(((("
                                               ")-(3)))/(2))");
    *record.hole = Y();
    tree.reset(); // the original is freed without the moved operands
    TStateGuard guard;
    Variables.y = 9;
    EXPECT_EQ(ResetAndEvaluate(record.root.get()), 3);
}

TEST(EvalInversion, AbsentVariableGivesNothing)
{
    auto tree = B('+', Y(), C(1));
    TInversionRecord record;
    record.variable = vcX;
    EXPECT_FALSE(tree->InvertTowards(record));
    EXPECT_EQ(record.hole, nullptr);
    bool reversed = true;
    EXPECT_FALSE(InvertTree(*tree, vcX, C(0), reversed));
    EXPECT_FALSE(reversed);
    // The variable alone: the other side is the whole inverse.
    auto alone = X();
    EXPECT_EQ(TreeToMarkup(InvertTree(*alone, vcX, C(4), reversed).get()), "4");
}

} // namespace
