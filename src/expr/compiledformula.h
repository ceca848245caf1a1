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
// freed since, so it is never stale.
#pragma once

#include "expr/evaluator.h"

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
        if (tree != source_ || generation_ != EvaluatorGeneration)
            Compile(tree);
        if (!tree)
            return 0;
        // A program on the x87 unit alone raises no SSE flags to look at.
        if (x87Only_)
            return GuardFaults([this] { return Run(); }, false);
        return GuardFaults([this] { return Run(); });
    }
    // Compiles tree (borrowed; nullptr gives the empty form, which answers 0).
    void Compile(TEvaluator* tree);
    // True when this is the compiled form of tree as it stands.
    [[nodiscard]] bool IsCurrent(const TEvaluator* tree) const
    {
        return tree == source_ && generation_ == EvaluatorGeneration;
    }
    // The number of instructions (a formula that is a single variable or
    // constant needs none).
    [[nodiscard]] int InstructionCount() const;

private:
    friend class TFormulaCompiler;
    struct TInstruction;

    // The instructions in order, without the fault handling.
    [[nodiscard]] Extended Run() const;

    std::vector<TInstruction> code_;
    std::vector<Extended> registers_;  // the folded constants, then spilled intermediate results
    const Extended* result_ = nullptr; // where the value is found; nullptr: the accumulator
    bool x87Only_ = false;
    const TEvaluator* source_ = nullptr;
    std::uint64_t generation_ = 0;
};
