// The compiled form of a formula gives what its tree gives, to the last bit
// and status, on random formulas of every kind of node and on the formulas
// people type, along tracked sweeps; it folds and multiplies out only where
// that changes nothing, and it never runs a stale program.
#include "compiled_differential.h"
#include "eval_builders.h"

#include "expr/fastmath.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"

#include <gtest/gtest.h>

#include <limits>

#include <string>
#include <vector>

using namespace evaltest;

namespace {

TEvaluatorPtr Parse(const std::string& markup, const std::vector<TEquationObject*>& declared)
{
    TElementList elements = ElementsFromText(markup);
    Tidy(elements, tmFinish);
    TParseParams params;
    params.declaredNames = &declared;
    StartParse(params, elements.get(), avX | avY | avT | avR | avN | avTheta, nullptr, false,
               EndOrTabTerminators());
    TEvaluatorPtr tree = ParseExpression(params);
    EXPECT_FALSE(HasError(params)) << markup << ": " << params.error.message;
    return tree;
}

TEST(CompiledFormula, RandomFormulasGiveTheTreesValuesAndStatuses)
{
    compiledtest::TWorld world, twinWorld;
    int failures = 0;
    for (std::uint64_t seed = 1; seed <= 20000 && failures < 5; ++seed) {
        compiledtest::TSeededChoices choices(seed);
        const std::string difference =
            compiledtest::CheckRandomFormula(choices, world, twinWorld, 6, 80, seed % 2 == 0);
        if (!difference.empty()) {
            ++failures;
            ADD_FAILURE() << "seed " << seed << ": " << difference;
        }
    }
}

TEST(CompiledFormula, TypedFormulasGiveTheTreesValuesAlongTrackedSweeps)
{
    compiledtest::TWorld world, twinWorld;
    const std::vector<TEquationObject*> declared = {world.k.get(), world.m.get(), world.f.get(),
                                                    world.g.get()};
    const std::vector<TEquationObject*> twinDeclared = {twinWorld.k.get(), twinWorld.m.get(),
                                                        twinWorld.f.get(), twinWorld.g.get()};
    const char* formulas[] = {
        "x{^{2}-3x+1",
        "sin(2.2x)+cos({p/x)",
        "{sqrt{1-sin(2.2x)+cos({p/x)/3.3}",
        "tan x",
        "1/(x-1)+ln x",
        "exp(-x{^{2}/2)/{sqrt{2{p}",
        "k sin(mx+k)",
        "x{^{3}",
        "x{^{1.5}",
        "int x+|x|",
        "1/(x+1)+2/(x+2)+3/(x+3)",
        "x{^{2}+y{^{2}-1",
        "sin(xy)-cos(x+y)",
        "{\xB1{sqrt{4-x{^{2}}",
        "f(x)+g(x/2)",
        "sec x+cosec x+cot x",
        "(x-2){^{1/3}",
        "x!",
        "10{^{x}-log|x|",
        "asin(x/10)+acos(x/10)+atan x",
        "sinh x cosh x tanh x",
        "1/int x",
        // Faults that leave no trace in the value: an overflowed or infinite
        // divisor, and a fault in a numerator over 0.
        "1/(xx)",
        "(x-x)/0",
    };
    // Steps of uneven size, through poles, steps and the ends of domains.
    std::vector<Extended> sweep;
    for (int i = 0; i <= 400; ++i)
        sweep.push_back(-10 + i * 0.05L + (i % 7) * 1e-3L);
    sweep.insert(sweep.end(),
                 {0, 1, -1, 2, 90, -90, 1e4000L, -0.0L, std::numeric_limits<Extended>::infinity()});
    compiledtest::TStateKeeper keeper;
    for (const Extended angle : {RadiansFactor, DegreesFactor}) {
        AngleFactor = angle;
        for (const char* markup : formulas) {
            SCOPED_TRACE(markup);
            TEvaluatorPtr tree = Parse(markup, declared);
            TEvaluatorPtr twin = Parse(markup, twinDeclared);
            ASSERT_TRUE(tree && twin);
            TCompiledFormula compiled;
            const int branches = CountBranches(tree.get());
            (void)CountBranches(twin.get());
            for (int branch = 1; branch <= branches; ++branch) {
                TFormulaAnalysis analysis;
                SelectBranch(tree.get(), analysis, branch, branches, false);
                SelectBranch(twin.get(), analysis, branch, branches, false);
                Tracking = true;
                int differences = 0;
                for (const Extended x : sweep) {
                    Variables.x = x;
                    Variables.y = x / 3;
                    const Extended expected = ResetAndEvaluate(tree.get());
                    const std::uint8_t status = EvaluationStatus;
                    ResetStatus();
                    const Extended actual = compiled.Evaluate(twin.get());
                    if ((!compiledtest::SameBits(expected, actual) || status != EvaluationStatus) &&
                        differences++ < 3)
                        ADD_FAILURE()
                            << "x = " << static_cast<double>(x) << ": tree " << static_cast<double>(expected)
                            << " status " << int(status) << ", compiled " << static_cast<double>(actual)
                            << " status " << int(EvaluationStatus);
                }
                Tracking = false;
            }
        }
    }
}

TEST(CompiledFormula, FoldsAndMultipliesOutOnlyWhatChangesNothing)
{
    const TStateGuard guard;
    struct TRow {
        const char* what;
        TEvaluatorPtr tree;
        int instructions;
        Extended x;
        Extended value;
        std::uint8_t status;
    };
    TRow rows[] = {
        {"x^2-3x+1: a square kept aside, a product, two sums",
         B('+', B('-', B('^', X(), C(2)), B('*', C(3), X())), C(1)), 5, 2, -1, esNormal},
        {"(2+3)x folds the sum", B('*', B('+', C(2), C(3)), X()), 1, 2, 10, esNormal},
        {"sqrt(9)x folds the root", B('*', F(220, C(9)), X()), 1, 2, 6, esNormal},
        {"sin 2 · x keeps the sine: the angle unit may change", B('*', F(200, C(2)), X()), 2, 1, FastSin(2),
         esNormal},
        {"sqrt(−1) + x keeps its failure for every evaluation", B('+', F(220, C(-1)), X()), 2, 1, 1,
         esInvalid},
        {"0^0 · x keeps its failure", B('*', B('^', C(0), C(0)), X()), 2, 1, 0, esUndefined},
        {"x^5 multiplies out", B('^', X(), C(5)), 1, -2, -32, esNormal},
        {"x^2.5 is a real power", B('^', X(), C(2.5L)), 1, 4, 32, esNormal},
        {"1/(−2) keeps its division: its sign is remembered", B('/', C(1), C(-2)), 1, 0, -0.5L, esNormal},
        {"x alone needs no instruction", X(), 0, 7, 7, esNormal},
    };
    AngleFactor = RadiansFactor;
    for (TRow& row : rows) {
        SCOPED_TRACE(row.what);
        TCompiledFormula compiled;
        Variables.x = row.x;
        ResetStatus();
        const Extended value = compiled.Evaluate(row.tree.get());
        EXPECT_EQ(compiled.InstructionCount(), row.instructions);
        EXPECT_EQ(value, row.value);
        EXPECT_EQ(EvaluationStatus, row.status);
    }
}

TEST(CompiledFormula, ANewTreeAtTheSameAddressIsCompiledAfresh)
{
    const TStateGuard guard;
    TCompiledFormula compiled;
    Variables.x = 3;
    TEvaluatorPtr tree = B('+', X(), C(1));
    EXPECT_EQ(compiled.Evaluate(tree.get()), 4);
    // Freeing and allocating nodes of the same sizes tends to give the same
    // addresses; the compiled form must not run the freed program.
    tree.reset();
    tree = B('*', X(), C(5));
    EXPECT_EQ(compiled.Evaluate(tree.get()), 15);
    EXPECT_TRUE(compiled.IsCurrent(tree.get()));
    // Replacing an operand inside the tree changes the formula too.
    static_cast<TBinaryEvaluator*>(tree.get())->RightSlot() = C(6);
    EXPECT_FALSE(compiled.IsCurrent(tree.get()));
    EXPECT_EQ(compiled.Evaluate(tree.get()), 18);
    EXPECT_EQ(compiled.Evaluate(nullptr), 0);
}

TEST(CompiledFormula, FollowsDeclarationsTheAngleUnitAndBranches)
{
    compiledtest::TWorld world;
    compiledtest::TStateKeeper keeper;
    const std::vector<TEquationObject*> declared = {world.k.get(), world.f.get()};
    TCompiledFormula compiled;
    Variables.x = 3;

    TEvaluatorPtr tree = Parse("f(x)+k", declared); // 1/(x-1) + int x + k
    EXPECT_EQ(compiled.Evaluate(tree.get()), 0.5L + 3 + 2.5L);
    world.k->Constant().ValueObject().SetValue(10);
    EXPECT_EQ(compiled.Evaluate(tree.get()), 0.5L + 3 + 10);
    // Re-entering f(x) = 7x keeps the line and exchanges the definitions.
    TTestFunctionLine entered("f", B('*', C(7), MakeParameterNode()));
    ASSERT_TRUE(world.f->Function().Exchange(entered.Function()));
    EXPECT_EQ(compiled.Evaluate(tree.get()), 21 + 10);
    // A family member adds its steps: k was declared as 2.5, so its step is
    // a tenth of that, 0.25, and the third member is k + 2 × 0.25.
    Family.constant = &world.k->Constant();
    Family.memberIndex = 2;
    EXPECT_EQ(compiled.Evaluate(tree.get()), 21 + 10 + 0.5L);
    EXPECT_TRUE(Family.used);
    Family.constant = nullptr;

    TEvaluatorPtr sine = F(200, X());
    Variables.x = 90;
    AngleFactor = DegreesFactor;
    EXPECT_EQ(compiled.Evaluate(sine.get()), 1);
    AngleFactor = RadiansFactor;
    EXPECT_EQ(compiled.Evaluate(sine.get()), SafeEvaluate(sine.get()));

    TEvaluatorPtr branches = PlusMinus(X());
    TFormulaAnalysis analysis;
    SelectBranch(branches.get(), analysis, 1, 2, false);
    EXPECT_EQ(compiled.Evaluate(branches.get()), -90);
    SelectBranch(branches.get(), analysis, 2, 2, false);
    EXPECT_EQ(compiled.Evaluate(branches.get()), 90);
}

TEST(CompiledFormula, TrackingMemoryLivesInTheNodesSoStoresRestoreIt)
{
    const TStateGuard guard;
    TCompiledFormula compiled;
    TEvaluatorPtr tree = B('/', C(1), X());
    auto stores = CollectMemoryStores(tree.get());
    Tracking = true;
    Variables.x = -1;
    (void)compiled.Evaluate(tree.get()); // the divisor turns negative: a pole mark
    ResetStatus();
    Variables.x = -0.5L;
    (void)compiled.Evaluate(tree.get());
    EXPECT_EQ(EvaluationStatus, esNormal);
    for (auto& store : stores)
        store->Swap(); // back to before the sweep: the divisor was positive
    (void)compiled.Evaluate(tree.get());
    EXPECT_EQ(EvaluationStatus, esPole);
}

} // namespace
