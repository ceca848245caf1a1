// The differential check of compiled formulas, shared by the unit test and
// the fuzz target: random trees of every kind of node are built twice from
// the same choices, one copy evaluated as a tree and the other through its
// compiled form, along a script of evaluations and of everything that may
// change between them (variables, tracking, memory stores, ± branches, the
// angle unit, declared constants, families and function definitions). Both
// must give the same value to the last bit and the same status every time.
#pragma once

#include "declaredlines.h"
#include "expr/analysis.h"
#include "expr/compiledformula.h"
#include "expr/functions.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace compiledtest {

// Where the choices come from: a seeded generator or the fuzzer's bytes.
class TChoices {
public:
    virtual ~TChoices() = default;
    // A choice from 0 to bound - 1 (bound > 0).
    virtual unsigned Next(unsigned bound) = 0;
    // A raw double (infinities, NaNs and denormals included).
    virtual double NextDouble() = 0;
    // False once the choices are used up (a generator never is).
    [[nodiscard]] virtual bool More() const { return true; }
};

// A small deterministic generator (the same sequence on every machine).
class TSeededChoices : public TChoices {
public:
    explicit TSeededChoices(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
    unsigned Next(unsigned bound) override { return static_cast<unsigned>(Step() % bound); }
    double NextDouble() override
    {
        const std::uint64_t bits = Step();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    std::uint64_t Step()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    std::uint64_t state_;
};

// The fuzzer's bytes, read front to back; zeros once they are used up.
class TByteChoices : public TChoices {
public:
    TByteChoices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    unsigned Next(unsigned bound) override
    {
        if (bound <= 256)
            return NextByte() % bound;
        return (NextByte() | (NextByte() << 8)) % bound;
    }
    double NextDouble() override
    {
        std::uint64_t bits = 0;
        for (int k = 0; k < 8; ++k)
            bits |= static_cast<std::uint64_t>(NextByte()) << (8 * k);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    [[nodiscard]] bool More() const override { return position_ < size_; }

private:
    unsigned NextByte() { return position_ < size_ ? data_[position_++] : 0; }
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// Records the choices of one source so that a second tree can be built from
// exactly the same ones.
class TRecordedChoices : public TChoices {
public:
    explicit TRecordedChoices(TChoices* source) : source_(source) {}
    unsigned Next(unsigned bound) override
    {
        if (source_) {
            const unsigned choice = source_->Next(bound);
            choices_.push_back(choice);
            return choice;
        }
        return position_ < choices_.size() ? static_cast<unsigned>(choices_[position_++]) % bound : 0;
    }
    double NextDouble() override
    {
        if (source_) {
            const double value = source_->NextDouble();
            doubles_.push_back(value);
            return value;
        }
        return doublePosition_ < doubles_.size() ? doubles_[doublePosition_++] : 0;
    }
    // Replays the recorded choices from the start.
    void Replay()
    {
        source_ = nullptr;
        position_ = doublePosition_ = 0;
    }

private:
    TChoices* source_;
    std::vector<unsigned> choices_;
    std::vector<double> doubles_;
    std::size_t position_ = 0, doublePosition_ = 0;
};

// A kind of node the compiler does not know: evaluated as a subtree.
class TOpaqueEvaluator : public TUnaryEvaluator {
public:
    using TUnaryEvaluator::TUnaryEvaluator;
    Extended Apply(Extended value) override
    {
        if (value > 100)
            SetStatus(esNotWhole);
        return value / 3 + 1;
    }
};

// A subclass of a known kind with its own evaluation: also a subtree.
class TShiftedFunction : public TFunctionEvaluator {
public:
    TShiftedFunction(TEvaluatorPtr operand) : TFunctionEvaluator(220, std::move(operand)) {}
    Extended Apply(Extended value) override { return TFunctionEvaluator::Apply(value - 1); }
};

// The declared names random trees use: constants k and m (k carries a
// family) and q, a field x · 10^4000 evaluated on its own (its overflow
// cleared and read as 0), functions f(x) = 1/(x − 1) + int x (poles and steps to remember),
// g(x) = f(x)² − x and h(x) = tan x, whose definition f can be exchanged with.
class TWorld {
public:
    TWorld()
    {
        k = MakeConstantLine("k", std::make_unique<TRealReader>(2.5L));
        m = MakeConstantLine("m", std::make_unique<TRealReader>(-0.75L));
        q = MakeConstantLine(
            "q", std::make_unique<TVariableString>(
                     std::make_unique<TOperationEvaluator>(TOperation::Multiply, MakeVariable(vcX),
                                                           std::make_unique<TConstantEvaluator>(1e4000L)),
                     "x*10^4000"));
        auto parameter = [] { return MakeParameterNode(); };
        auto operation = [](TOperation op, TEvaluatorPtr a, TEvaluatorPtr b) {
            return std::make_unique<TOperationEvaluator>(op, std::move(a), std::move(b));
        };
        f = std::make_unique<TTestFunctionLine>(
            "f",
            operation(TOperation::Add,
                      std::make_unique<TDivideEvaluator>(std::make_unique<TConstantEvaluator>(1),
                                                         operation(TOperation::Subtract, parameter(),
                                                                   std::make_unique<TConstantEvaluator>(1))),
                      std::make_unique<TIntEvaluator>(parameter())));
        g = std::make_unique<TTestFunctionLine>(
            "g", operation(TOperation::Subtract,
                           operation(TOperation::Power, MakeDeclaredFunctionNode(f.get(), parameter()),
                                     std::make_unique<TConstantEvaluator>(2)),
                           parameter()));
        h = std::make_unique<TTestFunctionLine>("h", std::make_unique<TTanEvaluator>(parameter()));
    }

    std::unique_ptr<TTestConstantLine> k, m, q;
    std::unique_ptr<TTestFunctionLine> f, g, h;
};

inline const Extended InterestingValues[] = {
    0,
    -0.0L,
    1,
    -1,
    0.5L,
    2,
    -2.5L,
    3,
    1.5707963267948966192L,
    90,
    180,
    -90,
    1e-11L,
    -1e-11L,
    1e10L,
    7e10L,
    1e300L,
    1e4000L,
    -1e4000L,
    33,
    34,
    1e-4940L,
    1.0L / 3,
    85,
    -8,
    10,
    0.999999L,
    std::numeric_limits<Extended>::infinity(),
    -std::numeric_limits<Extended>::infinity(),
    std::numeric_limits<Extended>::quiet_NaN(),
    65000,
    81,
    -81,
    41,
};
inline constexpr unsigned InterestingCount = sizeof InterestingValues / sizeof InterestingValues[0];

inline Extended ChooseValue(TChoices& choices)
{
    const unsigned pick = choices.Next(InterestingCount + 4);
    if (pick < InterestingCount)
        return InterestingValues[pick];
    if (pick == InterestingCount)
        return choices.NextDouble();
    // A moderate value, where most curves are drawn.
    return (static_cast<Extended>(choices.Next(4001)) - 2000) / 100;
}

// A random tree at most depth levels deep; inDefinition allows the parameter
// of a declared function. An arithmetic tree has only the nodes that the
// compiled form runs without reading the fault flags (operations, divisions,
// powers with constant exponents, int, ±, declared constants and the
// functions quiet on finite arguments), which it would rarely be otherwise.
inline TEvaluatorPtr RandomTree(TChoices& choices, const TWorld& world, int depth, bool inDefinition,
                                bool arithmetic = false)
{
    auto leaf = [&]() -> TEvaluatorPtr {
        switch (choices.Next(inDefinition ? 12 : 10)) {
        case 0:
        case 1:
        case 2:
            return std::make_unique<TConstantEvaluator>(ChooseValue(choices));
        case 3: {
            // Exponents and divisors that take the special paths.
            static const Extended small[] = {0, 1, 2, 3, 4, 9, 10, -1, -2, 0.5L, 1.0L / 3, 2.5L};
            return std::make_unique<TConstantEvaluator>(small[choices.Next(12)]);
        }
        case 4:
            return MakeVariable(vcX + static_cast<int>(choices.Next(6)));
        case 5:
        case 6:
            return MakeVariable(vcX);
        case 7:
            return MakeDeclaredConstantNode(choices.Next(2) ? world.k.get()
                                            : arithmetic    ? world.q.get()
                                                            : world.m.get());
        case 8:
            return std::make_unique<TTokenEvaluator>(1);
        case 9:
            return MakeVariable(vcY);
        default:
            return MakeParameterNode();
        }
    };
    if (depth <= 0 || choices.Next(5) == 0)
        return leaf();
    auto sub = [&] { return RandomTree(choices, world, depth - 1, inDefinition, arithmetic); };
    static const int functionCodes[] = {
        200, 201, 202, 203, 204, 205, 206, 207, 208, 209,      210,         211,      212,        213, 214,
        215, 216, 217, 218, 219, 220, 221, 222, 223, fcNegate, fcFactorial, fcSquare, fcTenToThe, 999};
    // The functions that are quiet on finite arguments, which an arithmetic tree may hold.
    static const int quietCodes[] = {200, 201, 211, 220, 221, 222, 223};
    unsigned kind = choices.Next(16);
    if (arithmetic && ((kind >= 7 && kind <= 8) || (kind >= 10 && kind <= 12)))
        kind = kind % 2 ? 13 : 14;
    if (arithmetic && (kind == 4 || kind == 5))
        return std::make_unique<TFunctionEvaluator>(quietCodes[choices.Next(7)], sub());
    switch (kind) {
    case 0:
    case 1:
    case 2: {
        static const TOperation operations[] = {TOperation::Add, TOperation::Subtract, TOperation::Multiply,
                                                TOperation::Power};
        const TOperation op = operations[choices.Next(4)];
        TEvaluatorPtr left = sub();
        return std::make_unique<TOperationEvaluator>(op, std::move(left), sub());
    }
    case 3: {
        TEvaluatorPtr left = sub();
        return std::make_unique<TDivideEvaluator>(std::move(left), sub());
    }
    case 4:
    case 5:
        return std::make_unique<TFunctionEvaluator>(
            functionCodes[choices.Next(sizeof functionCodes / sizeof functionCodes[0])], sub());
    case 6:
        return std::make_unique<TIntEvaluator>(sub());
    case 7:
        return std::make_unique<TTanEvaluator>(sub());
    case 8: {
        static const int bases[] = {200, 201, 202};
        return std::make_unique<TSecEvaluator>(bases[choices.Next(3)], sub());
    }
    case 9:
        return std::make_unique<TPlusOrMinusEvaluator>(sub());
    case 10: {
        TDeclarationLine* lines[] = {world.f.get(), world.g.get(), world.h.get()};
        return MakeDeclaredFunctionNode(lines[choices.Next(3)], sub());
    }
    case 11:
        return std::make_unique<TOpaqueEvaluator>(sub());
    case 12:
        return std::make_unique<TShiftedFunction>(sub());
    case 13: {
        // A small whole power of a subtree, the commonest power.
        TEvaluatorPtr base = sub();
        return std::make_unique<TOperationEvaluator>(
            TOperation::Power, std::move(base),
            std::make_unique<TConstantEvaluator>(static_cast<Extended>(choices.Next(10))));
    }
    case 14: {
        // Any other constant exponent: roots, negative and huge ones, and
        // the tiniest, whose reciprocal overflows.
        static const Extended exponents[] = {1.5L, 0.5L,      1.0L / 3, -0.5L,   -1,    -2.5L,    10,
                                             0.2L, -1.0L / 3, 1e-4940L, 1e4000L, 1e-3L, 2.0L / 3, 1e30L};
        TEvaluatorPtr base = sub();
        const Extended exponent = choices.Next(4) == 0 ? ChooseValue(choices) : exponents[choices.Next(14)];
        return std::make_unique<TOperationEvaluator>(TOperation::Power, std::move(base),
                                                     std::make_unique<TConstantEvaluator>(exponent));
    }
    default:
        return leaf();
    }
}

// Leaves fault flags behind as other code might, on the x87 unit (long
// double arithmetic) and in the SSE unit (double arithmetic): kind 0 none.
inline void LeaveFaultFlags(unsigned kind)
{
    volatile long double bigLong = std::numeric_limits<long double>::max(), zeroLong = 0;
    volatile double bigDouble = std::numeric_limits<double>::max(), zeroDouble = 0;
    switch (kind) {
    case 1:
        bigLong = bigLong * 2;
        break;
    case 2:
        zeroLong = zeroLong / zeroLong;
        break;
    case 3:
        bigLong = 1 / zeroLong;
        break;
    case 4:
        bigDouble = bigDouble * 2;
        zeroDouble = zeroDouble / zeroDouble;
        break;
    default:
        break;
    }
}

// The same value to the last bit (the ten bytes of the format; the rest is padding).
inline bool SameBits(Extended a, Extended b)
{
    return std::memcmp(&a, &b, 10) == 0;
}

// The program-wide state a script changes, put back afterwards.
class TStateKeeper {
public:
    TStateKeeper() : angle_(AngleFactor), family_(Family) {}
    ~TStateKeeper()
    {
        AngleFactor = angle_;
        Family = family_;
        Tracking = false;
        Variables = {};
        ParameterValue = 0;
        ResetStatus();
    }
    TStateKeeper(const TStateKeeper&) = delete;
    TStateKeeper& operator=(const TStateKeeper&) = delete;

private:
    TEvaluationStateSaver saver_;
    Extended angle_;
    TFamilyState family_;
};

// Runs a script of steps chosen from choices on tree (evaluated as a tree)
// and twin (built from the same choices, evaluated through compiled), each
// over its own declarations, world and twinWorld: a declared function used
// inside another one keeps its memory in the outer definition, which would
// otherwise be shared. Answers an empty text, or what first differed.
// Declarations changed by the script are put back.
inline std::string RunScript(TChoices& choices, TWorld& world, TWorld& twinWorld, TEvaluator* tree,
                             TEvaluator* twin, TCompiledFormula& compiled, int steps)
{
    TStateKeeper keeper;
    auto treeStores = CollectMemoryStores(tree);
    auto twinStores = CollectMemoryStores(twin);
    const int branches = std::min(CountBranches(tree), 64);
    (void)CountBranches(twin);
    bool exchanged = false;
    bool familyOn = false;
    const Extended kValue = world.k->Constant().Value();
    TWorld* worlds[] = {&world, &twinWorld};
    std::string difference;
    for (int step = 0; step < steps && difference.empty() && choices.More(); ++step) {
        switch (choices.Next(12)) {
        case 0:
            Variables.x = ChooseValue(choices);
            break;
        case 1: {
            Extended* variables[] = {&Variables.y, &Variables.t, &Variables.theta,
                                     &Variables.r, &Variables.n, &ParameterValue};
            *variables[choices.Next(6)] = ChooseValue(choices);
            break;
        }
        case 2:
            Tracking = !Tracking;
            break;
        case 3:
            if (!treeStores.empty()) {
                // Back to an earlier point of a curve: both swap their memory.
                for (auto& store : treeStores)
                    store->Swap();
                for (auto& store : twinStores)
                    store->Swap();
            }
            break;
        case 4: {
            const int branch = 1 + static_cast<int>(choices.Next(static_cast<unsigned>(branches)));
            TFormulaAnalysis analysis;
            SelectBranch(tree, analysis, branch, branches, false);
            SelectBranch(twin, analysis, branch, branches, false);
            break;
        }
        case 5:
            AngleFactor = AngleFactor == RadiansFactor ? DegreesFactor : RadiansFactor;
            break;
        case 6: {
            const Extended value = ChooseValue(choices);
            for (TWorld* w : worlds)
                w->k->Constant().ValueObject().SetValue(value);
            break;
        }
        case 7:
            // The definition of f changes under both (and later back).
            for (TWorld* w : worlds)
                (void)w->f->Function().Exchange(w->h->Function());
            exchanged = !exchanged;
            break;
        case 8:
            familyOn = choices.Next(2) != 0;
            Family.extraMembers = 3;
            Family.memberIndex = static_cast<int>(choices.Next(4));
            break;
        default: {
            // An evaluation: the status before it is the same for both, reset
            // or kept from the last one as callers do.
            const std::uint8_t before = choices.Next(3) == 0 ? static_cast<std::uint8_t>(1 + choices.Next(7))
                                                             : static_cast<std::uint8_t>(esNormal);
            const unsigned flags = choices.Next(3) == 0 ? 1 + choices.Next(4) : 0;
            EvaluationStatus = before;
            Family.used = false;
            Family.constant = familyOn ? &world.k->Constant() : nullptr;
            LeaveFaultFlags(flags);
            const Extended expected = SafeEvaluate(tree);
            const std::uint8_t expectedStatus = EvaluationStatus;
            const bool expectedUsed = Family.used;
            EvaluationStatus = before;
            Family.used = false;
            Family.constant = familyOn ? &twinWorld.k->Constant() : nullptr;
            LeaveFaultFlags(flags);
            const Extended actual = compiled.Evaluate(twin);
            const std::uint8_t actualStatus = EvaluationStatus;
            if (!SameBits(expected, actual) || expectedStatus != actualStatus ||
                expectedUsed != Family.used) {
                std::ostringstream text;
                text.precision(21);
                text << "step " << step << ": tree " << expected << " status " << int(expectedStatus)
                     << ", compiled " << actual << " status " << int(actualStatus) << " (x = " << Variables.x
                     << ", tracking " << Tracking << ", formula " << TreeToMarkup(tree) << ")";
                difference = text.str();
            }
        }
        }
    }
    for (TWorld* w : worlds) {
        if (exchanged)
            (void)w->f->Function().Exchange(w->h->Function());
        w->k->Constant().ValueObject().SetValue(kValue);
    }
    return difference;
}

// Builds a random tree (an arithmetic one if asked) and its twin from
// choices and runs a script on them; answers what differed, or an empty text.
inline std::string CheckRandomFormula(TChoices& choices, TWorld& world, TWorld& twinWorld, int depth,
                                      int steps, bool arithmetic = false)
{
    TRecordedChoices recorded(&choices);
    const bool definition = choices.Next(4) == 0;
    TEvaluatorPtr tree = RandomTree(recorded, world, depth, definition, arithmetic);
    recorded.Replay();
    TEvaluatorPtr twin = RandomTree(recorded, twinWorld, depth, definition, arithmetic);
    TCompiledFormula compiled;
    return RunScript(choices, world, twinWorld, tree.get(), twin.get(), compiled, steps);
}

} // namespace compiledtest
