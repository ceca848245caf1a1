// The flat compiled form of an evaluation tree. Curves evaluate their trees
// hundreds of thousands of times per drawing, and walking a tree of virtual
// calls costs far more than the arithmetic. TCompiledFormula turns a tree
// into one contiguous list of instructions for an accumulator machine, with
// constant parts folded, small whole powers multiplied out and the real
// functions called directly, and evaluates it with exactly the value and the
// status the tree gives. The tree stays the object model: the compiled form borrows it, reads
// the discontinuity memory and the ± signs of its nodes in place (so memory
// stores, branch selection and declared names act on both alike) and compiles
// itself afresh whenever it is asked for another tree or nodes have been
// freed since, so it is never stale; the same goes when another thread
// evaluates it, since each thread has its own variables.
#pragma once

#include "expr/evaluator.h"
#include "expr/functions.h"

#include <cstdint>
#include <vector>

class TCompiledFormula {
public:
    TCompiledFormula();
    ~TCompiledFormula();
    TCompiledFormula(TCompiledFormula&&) noexcept;
    TCompiledFormula& operator=(TCompiledFormula&&) noexcept;
    TCompiledFormula(const TCompiledFormula&) = delete;
    TCompiledFormula& operator=(const TCompiledFormula&) = delete;

    // SafeEvaluate (tree) to the last bit, value and status alike, through the
    // compiled form of tree (borrowed), compiled first unless it is current.
    [[nodiscard]] Extended Evaluate(TEvaluator* tree)
    {
        if (!IsCurrent(tree))
            Compile(tree);
        if (!tree)
            return 0;
        if (flagFree_)
            return RunFlagFree();
        return RunGuarded(true);
    }
    // Compiles tree (borrowed; nullptr gives the empty form, which answers 0).
    void Compile(TEvaluator* tree);
    // True when this is the compiled form of tree as it stands.
    [[nodiscard]] bool IsCurrent(const TEvaluator* tree) const
    {
        return tree == source_ && generation_ == EvaluatorGeneration && variables_ == &Variables;
    }
    // False when evaluating tree neither changes what its nodes remember nor
    // reports a step or a pole, so that evaluating it again at the same
    // point is idle: no tracked division, int, tan, sec, declared function
    // or node evaluated as a subtree. Compiles tree first unless it is current.
    [[nodiscard]] bool Remembers(TEvaluator* tree)
    {
        if (!IsCurrent(tree))
            Compile(tree);
        return remembers_;
    }
    // The number of instructions (a formula that is a single variable or
    // constant needs none).
    [[nodiscard]] int InstructionCount() const;

private:
    friend class TFormulaCompiler;
    struct TInstruction;

    // The instructions in order, without the fault handling. Checked, the
    // run saves what Undo needs and sets unsure where a value that is not
    // finite may have vanished from the result.
    template <bool Checked> [[nodiscard]] Extended Run(bool& unsure) const;
    // Puts back what the last run changed in the nodes' memory.
    void Undo() const;

    // A program of arithmetic, divisions, whole and constant powers, int,
    // declared constants and the functions that are quiet on finite
    // arguments (sin, cos, exp, ln, sqrt and the like) raises a fault flag
    // only where a value that is not finite arises, and such a value either
    // reaches the result or passes a divisor, a base or a function's
    // argument, which mark the run unsure. Reading the flags stalls
    // the processor until every pending operation is done, so while no run
    // is unsure and the result is finite, there is nothing to read;
    // otherwise the run is undone and made again with the flags looked at,
    // which then tells the fault that occurred from flags other code left
    // behind.
    [[nodiscard]] Extended RunFlagFree()
    {
        const std::uint8_t status = EvaluationStatus;
        bool unsure = false;
        const Extended value = Run<true>(unsure);
        if (!unsure && value - value == 0) // a finite result
            return value;
        Undo();
        EvaluationStatus = status;
        return RunGuarded(false);
    }
    // The plain run with the fault flags looked at (the SSE ones too unless sse is false).
    [[nodiscard]] Extended RunGuarded(bool sse)
    {
        return GuardFaults(
            [this] {
                bool unused = false;
                return Run<false>(unused);
            },
            sse);
    }

    std::vector<TInstruction> code_;
    std::vector<Extended> registers_;    // the folded constants, spilled intermediate results, saved memory
    std::vector<double> shortConstants_; // the folded constants again, for those exactly doubles
    std::vector<TConstantExponent> exponents_; // of the constant powers
    const Extended* result_ = nullptr;         // where the value is found; nullptr: the accumulator
    bool flagFree_ = false;
    bool remembers_ = false;
    const TEvaluator* source_ = nullptr;
    std::uint64_t generation_ = 0;
    // The variables of the thread that compiled it: the instructions read
    // that thread's variables and parameter, so another thread compiles afresh.
    const TVariableValues* variables_ = nullptr;
};
