// Evaluation nodes: values, tracked division and integer-part steps, the
// mapping of floating-point faults to the status, markup, the visitor and the
// discontinuity memory.
#include "eval_builders.h"

#include "expr/functions.h"
#include "numbers/numerics.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace evaltest;

namespace {

TEST(EvalTree, VariablesReadTheCurrentValuesAndWriteTheirLetters)
{
    TStateGuard guard;
    Variables = {1.5L, 2.5L, 3.5L, 4.5L, 5.5L, 6.5L};
    const struct {
        int code;
        Extended value;
        const char* markup;
    } cases[] = {
        {vcX, 1.5L, "x"},      {vcY, 2.5L, "y"}, {vcT, 3.5L, "t"},
        {vcTheta, 4.5L, "{q"}, {vcR, 5.5L, "R"}, {vcN, 6.5L, "n"},
    };
    for (const auto& c : cases) {
        TEvaluatorPtr node = MakeVariable(c.code);
        EXPECT_EQ(node->Evaluate(), c.value) << c.code;
        EXPECT_EQ(node->TokenCode(), c.code);
        EXPECT_EQ(TreeToMarkup(node.get()), c.markup);
    }
    TEvaluatorPtr unknown = MakeVariable(999);
    EXPECT_EQ(unknown->Evaluate(), 0);
}

TEST(EvalTree, NodesComputeTheirOperations)
{
    TStateGuard guard;
    AngleFactor = DegreesFactor;
    Variables.x = 3;
    const struct {
        const char* label;
        TEvaluatorPtr tree;
        Extended expected;
    } cases[] = {
        {"x+2", B('+', X(), C(2)), 5},
        {"x-5", B('-', X(), C(5)), -2},
        {"x*4", B('*', X(), C(4)), 12},
        {"x^3", B('^', X(), C(3)), 27},
        {"x/2", B('/', X(), C(2)), 1.5L},
        {"-x", Neg(X()), -3},
        {"x!", F(fcFactorial, X()), 6},
        {"square", F(fcSquare, X()), 9},
        {"ten to the x", F(fcTenToThe, C(0)), 1},
        {"int(-x/2)", Int(Neg(B('/', X(), C(2)))), -2},
        {"tan 45", Tan(C(45)), 1},
        {"sec 60", Sec(201, C(60)), 2},
        {"cosec 30", Sec(200, C(30)), 2},
        {"cot 45", Sec(202, C(45)), 1},
        {"cot 90", Sec(202, C(90)), 0},
        {"±x plus", PlusMinus(X()), 3},
        {"sin of sin", F(209, F(200, C(30))), 30},
        {"token", std::make_unique<TTokenEvaluator>(226), 0},
    };
    for (const auto& c : cases) {
        const Extended value = ResetAndEvaluate(c.tree.get());
        EXPECT_EQ(EvaluationStatus, esNormal) << c.label;
        EXPECT_LE(std::fabs(value - c.expected), 1e-17L * std::max(Extended(1), std::fabs(c.expected)))
            << c.label << " gave " << static_cast<double>(value);
    }
    auto minus = std::make_unique<TPlusOrMinusEvaluator>(X());
    minus->SetMinus(true);
    EXPECT_EQ(minus->Evaluate(), -3);
}

// One evaluation of a sequence: the variable value, whether tracking is on,
// and the status and value expected afterwards.
struct TStep {
    Extended x;
    bool tracking;
    std::uint8_t status;
    Extended value;
};

void RunSteps(const char* label, TEvaluator& tree, std::initializer_list<TStep> steps)
{
    int index = 0;
    for (const TStep& step : steps) {
        Variables.x = step.x;
        Tracking = step.tracking;
        const Extended value = ResetAndEvaluate(&tree);
        EXPECT_EQ(EvaluationStatus, step.status) << label << " step " << index;
        if (std::isfinite(step.value)) {
            EXPECT_NEAR(static_cast<double>(value), static_cast<double>(step.value), 1e-12)
                << label << " step " << index;
        }
        ++index;
    }
    Tracking = false;
}

TEST(EvalTree, TrackedDivisionReportsZeroDivisorsAndSignChanges)
{
    TStateGuard guard;
    AngleFactor = DegreesFactor;
    constexpr Extended any = std::numeric_limits<Extended>::infinity();
    {
        auto tree = B('/', C(1), X());
        RunSteps("1/x", *tree,
                 {{0, false, esUndefined, 0},
                  {-0.1L, true, esPole, -10},
                  {0.1L, true, esPole, 10},
                  {0.2L, true, esNormal, 5},
                  {-0.1L, false, esNormal, -10},
                  {0.1L, false, esNormal, 10}});
    }
    {
        auto tree = Tan(X());
        RunSteps("tan x", *tree,
                 {{89, true, esNormal, any},
                  {90, true, esUndefined, 0},
                  {91, true, esPole, any},
                  {45, true, esPole, 1},
                  {135, false, esNormal, -1}});
    }
    {
        auto tree = Sec(201, X());
        RunSteps("sec x", *tree,
                 {{80, true, esNormal, any}, {90, true, esUndefined, 0}, {100, true, esPole, any}});
    }
    {
        auto tree = Sec(200, X());
        RunSteps("cosec x", *tree, {{0, true, esUndefined, 0}, {-10, true, esPole, any}});
    }
    {
        // cot is continuous through 90°: no pole, no failure there.
        auto tree = Sec(202, X());
        RunSteps("cot x", *tree,
                 {{89, true, esNormal, any},
                  {90, true, esNormal, 0},
                  {91, true, esNormal, any},
                  {179, true, esNormal, any},
                  {181, true, esPole, any}});
    }
}

TEST(EvalTree, IntegerPartMarksStepsOnlyWhileTracking)
{
    TStateGuard guard;
    auto tree = Int(X());
    RunSteps("int x tracking", *tree,
             {{0.9L, true, esNormal, 0},
              {1.1L, true, esStep, 1},
              {1.5L, true, esNormal, 1},
              {-0.5L, true, esStep, -1}});
    auto fresh = Int(X());
    RunSteps("int x not tracking", *fresh, {{0.9L, false, esNormal, 0}, {1.1L, false, esNormal, 1}});
    EXPECT_EQ(static_cast<TIntEvaluator*>(fresh.get())->LastResult(), 0); // untouched without tracking
}

TEST(EvalTree, SafeEvaluateTurnsFloatingPointFaultsIntoTheStatus)
{
    TStateGuard guard;
    const Extended huge = 1e4000L;
    const Extended tiny = 1e-4000L;
    const Extended inf = std::numeric_limits<Extended>::infinity();
    const struct {
        const char* label;
        TEvaluatorPtr tree;
        std::uint8_t status;
        Extended value;
    } cases[] = {
        {"overflow", B('*', C(huge), C(huge)), esUndefined, 0},
        {"overflow in a sum", B('+', B('*', C(huge), C(huge)), C(1)), esUndefined, 0},
        {"infinite constant", C(inf), esUndefined, 0},
        {"invalid product", B('*', C(inf), C(0)), esInvalid, 0},
        {"not a number", C(std::numeric_limits<Extended>::quiet_NaN()), esInvalid, 0},
        {"underflow is plain 0", B('*', C(tiny), C(tiny)), esNormal, 0},
        {"exp(-100) is plain 0", F(223, C(-100)), esNormal, 0},
        {"2^-1000 is plain 0", B('^', C(2), C(-1000)), esNormal, 0},
        {"inexact is fine", B('/', C(1), C(3)), esNormal, 1.0L / 3},
        {"division by exactly zero", B('/', C(1), C(0)), esUndefined, 0},
        {"sqrt of negative", F(220, C(-4)), esInvalid, 0},
    };
    for (const auto& c : cases) {
        const Extended value = ResetAndEvaluate(c.tree.get());
        EXPECT_EQ(EvaluationStatus, c.status) << c.label;
        EXPECT_EQ(value, c.value) << c.label;
    }
    // No trap is ever enabled: the faults above came back as flags.
    EXPECT_EQ(fegetexcept(), 0);

    SetStatus(esInvalid);
    EXPECT_EQ(SafeEvaluate(nullptr), 0);
    EXPECT_EQ(EvaluationStatus, esInvalid); // SafeEvaluate does not reset
    EXPECT_EQ(ResetAndEvaluate(nullptr), 0);
    EXPECT_EQ(EvaluationStatus, esNormal);
}

TEST(EvalTree, MarkupIsReadableFormulaText)
{
    TStateGuard guard;
    const struct {
        const char* label;
        TEvaluatorPtr tree;
        std::string markup;
    } cases[] = {
        {"sum", B('+', X(), C(2)), "((x)+(2))"},
        {"difference", B('-', Y(), C(0.5L)), "((y)-(0.5))"},
        {"product", B('*', C(-2.5L), X()), "((-2.5)*(x))"},
        {"power", B('^', X(), C(3)), "((x)^(3))"},
        {"quotient", B('/', C(1), X()), "((1)/(x))"},
        {"third", C(1.0L / 3), "0.33333333"},
        {"big constant", C(1234567890123.0L), "1.2345679*10^12"},
        {"missing-value marker", C(MissingValue), "2*10^-37"},
        // A power of ten that small would read back as 0: written out in full.
        {"tiny constant", C(-1.6740342e-43L), "-0." + std::string(42, '0') + "16740342"},
        {"small constant", C(2.5e-20L), "2.5*10^-20"},
        {"negation", Neg(X()), "-(x)"},
        {"sine", F(200, X()), "sin(x)"},
        {"arcsinh", F(212, X()), "asinh(x)"},
        {"arccosec", F(216, X()), "acosec(x)"},
        {"square root", F(220, X()), "sqrt(x)"},
        {"exponential", F(223, X()), "exp(x)"},
        {"plus or minus", PlusMinus(X()), "{\xB1(x)"},
        {"integer part", Int(X()), "int(x)"},
        {"tan", Tan(X()), "tan(x)"},
        {"sec", Sec(201, X()), "sec(x)"},
        {"cosec", Sec(200, X()), "cosec(x)"},
        {"cot", Sec(202, X()), "cot(x)"},
        {"factorial", F(fcFactorial, X()), "((x)!)"},
        {"square", F(fcSquare, X()), "((x)^(2))"},
        {"ten to the power", F(fcTenToThe, X()), "((10)^(x))"},
        {"token writes nothing", std::make_unique<TTokenEvaluator>(230), ""},
        {"nested", B('*', C(2), F(201, B('+', MakeVariable(vcTheta), MakeVariable(vcR)))),
         "((2)*(cos((("
         "{q)+(R)))))"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TreeToMarkup(c.tree.get()), c.markup) << c.label;
    EXPECT_EQ(TreeToMarkup(nullptr), "");
}

// A node that stands for a declared name, to see DependsOn pass through the tree.
class TNamedLeaf : public TEvaluator {
public:
    [[nodiscard]] bool DependsOn(std::string_view name) const override { return name == "k"; }
};

TEST(EvalTree, DependsOnLooksThroughEveryOperand)
{
    auto tree = B('+', X(), F(200, B('*', C(2), std::make_unique<TNamedLeaf>())));
    EXPECT_TRUE(tree->DependsOn("k"));
    EXPECT_FALSE(tree->DependsOn("m"));
    auto plain = B('+', X(), F(200, C(2)));
    EXPECT_FALSE(plain->DependsOn("k"));
}

TEST(EvalTree, DivisionOfTheWordsDyByDxIsTheDerivativeToken)
{
    EXPECT_EQ(
        B('/', std::make_unique<TTokenEvaluator>(226), std::make_unique<TTokenEvaluator>(227))->TokenCode(),
        306);
    EXPECT_EQ(
        B('/', std::make_unique<TTokenEvaluator>(227), std::make_unique<TTokenEvaluator>(226))->TokenCode(),
        1);
    EXPECT_EQ(B('/', X(), Y())->TokenCode(), 1);
    EXPECT_EQ(C(2)->TokenCode(), 321);
}

TEST(EvalTree, ForEachNodeVisitsParentsBeforeChildrenLeftToRight)
{
    // (x + 2) * -(y)
    auto tree = B('*', B('+', X(), C(2)), Neg(Y()));
    std::vector<int> tokens;
    tree->ForEachNode(
        [](void* data, TEvaluator* node, void* argument) {
            EXPECT_EQ(argument, reinterpret_cast<void*>(7));
            static_cast<std::vector<int>*>(data)->push_back(node->TokenCode());
        },
        &tokens, reinterpret_cast<void*>(7));
    const std::vector<int> expected = {1, 1, vcX, 321, 1, vcY};
    EXPECT_EQ(tokens, expected);
}

TEST(EvalTree, MemoryStoresSwapTheDiscontinuityState)
{
    TStateGuard guard;
    // 1/x + int(x) + tan(x) + ±1: one store per stateful node.
    auto tree = B('+', B('+', B('/', C(1), X()), Int(X())), B('+', Tan(X()), PlusMinus(C(1))));
    Tracking = true;
    Variables.x = -0.5L;
    (void)ResetAndEvaluate(tree.get());
    auto stores = CollectMemoryStores(tree.get());
    ASSERT_EQ(stores.size(), 4u);

    // Crossing 0 marks a pole (and a step); going back through the saved state
    // and repeating the crossing marks it again.
    Variables.x = 0.5L;
    (void)ResetAndEvaluate(tree.get());
    EXPECT_LT(EvaluationStatus, esNormal);
    (void)ResetAndEvaluate(tree.get());
    EXPECT_EQ(EvaluationStatus, esNormal);
    for (auto& store : stores)
        store->Swap();
    (void)ResetAndEvaluate(tree.get());
    EXPECT_LT(EvaluationStatus, esNormal);

    // Swapping twice gives the live state back.
    auto divide = B('/', C(1), X());
    auto* node = static_cast<TDivideEvaluator*>(divide.get());
    Variables.x = -1;
    (void)ResetAndEvaluate(divide.get());
    auto store = node->CreateMemoryStore();
    Variables.x = 1;
    (void)ResetAndEvaluate(divide.get());
    EXPECT_TRUE(node->LastSign());
    store->Swap();
    EXPECT_FALSE(node->LastSign());
    store->Swap();
    EXPECT_TRUE(node->LastSign());
    EXPECT_FALSE(X()->CreateMemoryStore());
    EXPECT_TRUE(CollectMemoryStores(nullptr).empty());
}

} // namespace
