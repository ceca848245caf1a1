// Evaluation trees. A parsed formula is a tree of TEvaluator nodes; Evaluate
// is a plain recursive call returning an 80-bit real, and problems are
// recorded in the program-wide status (evalstate.h), never thrown. Besides
// evaluation a tree writes itself back as markup, is analysed for the facts
// that classification and dragging need, can be inverted towards a variable,
// visited node by node, and its discontinuity state saved and restored.
#pragma once

#include "formula/drawobject.h"
#include "numbers/evalstate.h"

#include <atomic>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TMathsWriter;
struct TFormulaAnalysis;
struct TInversionRecord;
struct TOperandFacts;
class TMemoryStore;

// Variable codes, equal to the variable tokens.
enum : int { vcX = 300, vcY = 301, vcT = 302, vcTheta = 303, vcR = 304, vcN = 305 };

// Counts the evaluation nodes freed and the operands taken out of or put into
// nodes. A compiled form of a tree (compiledformula.h) borrows the tree's
// nodes; when the count has moved since it was compiled, a tree at the same
// address may be another one, and it compiles afresh. Atomic: a worker
// computing a curve may free a temporary tree.
inline std::atomic<std::uint64_t> EvaluatorGeneration = 0;

class TEvaluator : public TCalculatedObject {
public:
    ~TEvaluator() override { ++EvaluatorGeneration; }
    using TNodeCallback = void (*)(void* data, TEvaluator* node, void* argument);

    [[nodiscard]] virtual Extended Evaluate() { return 0; }
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] virtual int TokenCode() const { return 1; }
    // True when the record's variable occurs below; on the way back up each
    // node on the path appends its inverse to the record (analysis.h). The
    // inverse must not be evaluated before its hole has been filled.
    virtual bool InvertTowards(TInversionRecord& record);
    // Adds this subtree's facts to a record begun with StartAnalysis (analysis.h).
    virtual void Analyse(TFormulaAnalysis& analysis);
    // Calls callback (data, node, argument) for this node, then every child,
    // depth first.
    virtual void ForEachNode(TNodeCallback callback, void* data, void* argument);
    // A new store over this node's discontinuity state, or nullptr.
    [[nodiscard]] virtual std::unique_ptr<TMemoryStore> CreateMemoryStore();
};

using TEvaluatorPtr = std::unique_ptr<TEvaluator>;

// A bare token, used for words and placeholders while parsing.
class TTokenEvaluator : public TEvaluator {
public:
    explicit TTokenEvaluator(int token) : token_(static_cast<std::uint16_t>(token)) {}
    [[nodiscard]] int TokenCode() const override { return token_; }
    void WriteTo(TMathsWriter& writer) const override;

private:
    std::uint16_t token_;
};

class TConstantEvaluator : public TEvaluator {
public:
    explicit TConstantEvaluator(Extended value) : value_(value) {}
    [[nodiscard]] Extended Evaluate() override { return value_; }
    [[nodiscard]] int TokenCode() const override { return 321; }
    void WriteTo(TMathsWriter& writer) const override;
    void Analyse(TFormulaAnalysis& analysis) override;
    [[nodiscard]] Extended Value() const { return value_; }

private:
    Extended value_;
};

// Variable nodes read the program-wide current values.
class TxAxisEvaluator : public TEvaluator {
public:
    [[nodiscard]] Extended Evaluate() override { return Variables.x; }
    [[nodiscard]] int TokenCode() const override { return vcX; }
    void WriteTo(TMathsWriter& writer) const override;
    bool InvertTowards(TInversionRecord& record) override;
    void Analyse(TFormulaAnalysis& analysis) override;
};
class TyAxisEvaluator : public TxAxisEvaluator {
public:
    [[nodiscard]] Extended Evaluate() override { return Variables.y; }
    [[nodiscard]] int TokenCode() const override { return vcY; }
    void WriteTo(TMathsWriter& writer) const override;
};
class TTEvaluator : public TxAxisEvaluator {
public:
    [[nodiscard]] Extended Evaluate() override { return Variables.t; }
    [[nodiscard]] int TokenCode() const override { return vcT; }
    void WriteTo(TMathsWriter& writer) const override;
};
class TThetaEvaluator : public TxAxisEvaluator {
public:
    [[nodiscard]] Extended Evaluate() override { return Variables.theta; }
    [[nodiscard]] int TokenCode() const override { return vcTheta; }
    void WriteTo(TMathsWriter& writer) const override;
};
class TREvaluator : public TxAxisEvaluator {
public:
    [[nodiscard]] Extended Evaluate() override { return Variables.r; }
    [[nodiscard]] int TokenCode() const override { return vcR; }
    void WriteTo(TMathsWriter& writer) const override;
};
class TNEvaluator : public TxAxisEvaluator {
public:
    [[nodiscard]] Extended Evaluate() override { return Variables.n; }
    [[nodiscard]] int TokenCode() const override { return vcN; }
    void WriteTo(TMathsWriter& writer) const override;
};

// A new variable node for a variable code (300 to 305).
[[nodiscard]] TEvaluatorPtr MakeVariable(int code);

class TUnaryEvaluator : public TEvaluator {
public:
    explicit TUnaryEvaluator(TEvaluatorPtr operand) : operand_(std::move(operand)) {}
    [[nodiscard]] Extended Evaluate() override { return Apply(operand_->Evaluate()); }
    virtual Extended Apply(Extended value) { return value; }
    virtual void AppendInverse(TInversionRecord& record);
    virtual void WriteName(TMathsWriter& writer) const;
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    bool InvertTowards(TInversionRecord& record) override;
    void Analyse(TFormulaAnalysis& analysis) override;
    void ForEachNode(TNodeCallback callback, void* data, void* argument) override;

    [[nodiscard]] TEvaluator* Operand() const { return operand_.get(); }
    TEvaluatorPtr TakeOperand()
    {
        ++EvaluatorGeneration;
        return std::move(operand_);
    }
    void SetOperand(TEvaluatorPtr operand)
    {
        ++EvaluatorGeneration;
        operand_ = std::move(operand);
    }
    // The operand's slot, so that inversion can leave its hole there.
    [[nodiscard]] TEvaluatorPtr& OperandSlot() { return operand_; }

protected:
    // Analyses the operand one level deeper, with the occurs flags of the
    // record describing the operand alone; afterwards the flags that were set
    // before are set again and operandOccurs tells which variables occur below.
    void AnalyseOperandDeeper(TFormulaAnalysis& analysis, bool (&operandOccurs)[2]);
    // AnalyseOperandDeeper for a function: a function of a constant folds to
    // a constant (answers false); otherwise the node breaks the linear form
    // and the answer is true.
    bool AnalyseFunctionOperand(TFormulaAnalysis& analysis, bool (&operandOccurs)[2]);
    // The value of the node for a constant operand, computed without
    // disturbing the status, the tracking switch or the node's own state.
    [[nodiscard]] virtual Extended FoldConstant(Extended value);

    TEvaluatorPtr operand_;
};

// Function codes beyond the keyword codes 200 to 223 (functions.h).
enum : int {
    fcNegate = 101,
    fcFactorial = 108,
    fcSquare = 240,   // the inverse of sqrt
    fcTenToThe = 241, // the inverse of log
};

// A real function of one argument, identified by its function code so that
// inversion and analysis know it.
class TFunctionEvaluator : public TUnaryEvaluator {
public:
    // functionCode is a code of the function table (functions.h); an unknown
    // code evaluates to 0 with status 5 rather than failing.
    TFunctionEvaluator(int functionCode, TEvaluatorPtr operand);
    Extended Apply(Extended value) override { return function_(value); }
    void AppendInverse(TInversionRecord& record) override;
    void WriteName(TMathsWriter& writer) const override;
    // Factorial, square and ten to the power are not written as name(operand)
    // but in forms the parser reads back: ((a)!), ((a)^(2)) and ((10)^(a)).
    void WriteTo(TMathsWriter& writer) const override;
    void Analyse(TFormulaAnalysis& analysis) override;
    [[nodiscard]] int FunctionCode() const { return code_; }

private:
    int code_;
    Extended (*function_)(Extended);
};

class TIntEvaluator : public TUnaryEvaluator {
public:
    using TUnaryEvaluator::TUnaryEvaluator;
    Extended Apply(Extended value) override;
    void WriteName(TMathsWriter& writer) const override;
    void Analyse(TFormulaAnalysis& analysis) override;
    [[nodiscard]] std::unique_ptr<TMemoryStore> CreateMemoryStore() override;
    [[nodiscard]] Extended LastResult() const { return lastResult_; }

protected:
    Extended FoldConstant(Extended value) override;

private:
    // The compiled form steps in line with the node's own remembered result.
    friend class TFormulaCompiler;
    Extended lastResult_ = 0;
};

class TTanEvaluator : public TUnaryEvaluator {
public:
    using TUnaryEvaluator::TUnaryEvaluator;
    Extended Apply(Extended value) override;
    void WriteName(TMathsWriter& writer) const override;
    void Analyse(TFormulaAnalysis& analysis) override;
    [[nodiscard]] std::unique_ptr<TMemoryStore> CreateMemoryStore() override;
    [[nodiscard]] bool LastSign() const { return lastSign_; }

protected:
    Extended FoldConstant(Extended value) override;
    bool lastSign_ = true;
};

// sec, cosec and cot: 1 / base function through the tracked division. The
// base is the function code of cos (201), sin (200) or tan (202).
class TSecEvaluator : public TTanEvaluator {
public:
    TSecEvaluator(int baseCode, TEvaluatorPtr operand);
    Extended Apply(Extended value) override;
    void WriteName(TMathsWriter& writer) const override;
    void Analyse(TFormulaAnalysis& analysis) override;
    [[nodiscard]] int BaseCode() const { return baseCode_; }

private:
    int baseCode_;
};

class TPlusOrMinusEvaluator : public TUnaryEvaluator {
public:
    using TUnaryEvaluator::TUnaryEvaluator;
    Extended Apply(Extended value) override { return minus_ ? -value : value; }
    void AppendInverse(TInversionRecord& record) override;
    void WriteName(TMathsWriter& writer) const override;
    void Analyse(TFormulaAnalysis& analysis) override;
    [[nodiscard]] std::unique_ptr<TMemoryStore> CreateMemoryStore() override;
    [[nodiscard]] bool Minus() const { return minus_; }
    void SetMinus(bool minus) { minus_ = minus; }

private:
    bool minus_ = false;
};

class TBinaryEvaluator : public TEvaluator {
public:
    TBinaryEvaluator(TEvaluatorPtr left, TEvaluatorPtr right)
        : left_(std::move(left)), right_(std::move(right))
    {
    }
    // Left operand first, then the right one.
    [[nodiscard]] Extended Evaluate() override
    {
        const Extended l = left_->Evaluate();
        return Operate(l, right_->Evaluate());
    }
    virtual Extended Operate(Extended left, Extended right) = 0;
    // side: 0 when the variable is in the left operand, 1 in the right one.
    virtual void AppendInverse(TInversionRecord& record, int side) = 0;
    virtual void WriteOperator(TMathsWriter& writer) const = 0;
    // Analyses this node from its operands' facts; not both are constant.
    virtual void CombineAnalysis(TFormulaAnalysis& analysis, const TOperandFacts& left,
                                 const TOperandFacts& right) = 0;
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    bool InvertTowards(TInversionRecord& record) override;
    void Analyse(TFormulaAnalysis& analysis) override;
    void ForEachNode(TNodeCallback callback, void* data, void* argument) override;

    [[nodiscard]] TEvaluator* Left() const { return left_.get(); }
    [[nodiscard]] TEvaluator* Right() const { return right_.get(); }
    TEvaluatorPtr TakeLeft()
    {
        ++EvaluatorGeneration;
        return std::move(left_);
    }
    TEvaluatorPtr TakeRight()
    {
        ++EvaluatorGeneration;
        return std::move(right_);
    }
    // The operand slots, so that inversion can leave its hole there.
    [[nodiscard]] TEvaluatorPtr& LeftSlot() { return left_; }
    [[nodiscard]] TEvaluatorPtr& RightSlot() { return right_; }

protected:
    // How much deeper than this node an operand (side 0 left, 1 right) lies
    // for the analysis' non-linear depth.
    [[nodiscard]] virtual int OperandDepthIncrease(int side) const;
    // Operate for constant operands, without disturbing the status, the
    // tracking switch or the node's own state.
    [[nodiscard]] virtual Extended FoldConstants(Extended left, Extended right);

    TEvaluatorPtr left_;
    TEvaluatorPtr right_;
};

// The operator characters of TOperationEvaluator.
enum class TOperation : char { Add = '+', Subtract = '-', Multiply = '*', Power = '^' };

class TOperationEvaluator : public TBinaryEvaluator {
public:
    TOperationEvaluator(TOperation operation, TEvaluatorPtr left, TEvaluatorPtr right);
    Extended Operate(Extended left, Extended right) override;
    void AppendInverse(TInversionRecord& record, int side) override;
    void WriteOperator(TMathsWriter& writer) const override;
    void CombineAnalysis(TFormulaAnalysis& analysis, const TOperandFacts& left,
                         const TOperandFacts& right) override;
    [[nodiscard]] TOperation Operation() const { return operation_; }

protected:
    [[nodiscard]] int OperandDepthIncrease(int side) const override;

private:
    TOperation operation_;
};

class TDivideEvaluator : public TBinaryEvaluator {
public:
    using TBinaryEvaluator::TBinaryEvaluator;
    Extended Operate(Extended left, Extended right) override;
    void AppendInverse(TInversionRecord& record, int side) override;
    void WriteOperator(TMathsWriter& writer) const override;
    void CombineAnalysis(TFormulaAnalysis& analysis, const TOperandFacts& left,
                         const TOperandFacts& right) override;
    [[nodiscard]] int TokenCode() const override;
    [[nodiscard]] std::unique_ptr<TMemoryStore> CreateMemoryStore() override;
    [[nodiscard]] bool LastSign() const { return lastSign_; }

protected:
    [[nodiscard]] int OperandDepthIncrease(int side) const override;
    [[nodiscard]] Extended FoldConstants(Extended left, Extended right) override;

private:
    // The compiled form divides in line with the node's own remembered sign.
    friend class TFormulaCompiler;
    bool lastSign_ = true;
};

// Tracked division: n / d, or 0 with status 5 when d is exactly zero; while
// tracking, a change of the divisor's sign (d >= 0 counts as positive) from
// lastSign sets status 2. lastSign is updated.
[[nodiscard]] inline Extended TrackedDivide(Extended n, Extended d, bool& lastSign)
{
    Extended result = 0;
    if (d != 0)
        result = n / d;
    else
        SetStatus(esUndefined);
    const bool positive = d >= 0;
    if (Tracking && positive != lastSign)
        SetStatus(esPole);
    lastSign = positive;
    return result;
}

namespace evaluation_detail {

// The fault flags raised since they were last cleared: fetestexcept without
// the function call, read from the x87 status word (long double arithmetic)
// and, unless sse is false, from the SSE control register (conversions and
// double arithmetic); reading the latter costs as much as a multiplication.
inline int RaisedFaults(int faults, bool sse)
{
#if defined(__x86_64__)
    unsigned short status = 0;
    unsigned int mxcsr = 0;
    __asm__ volatile("fnstsw %0" : "=am"(status));
    if (sse)
        __asm__ volatile("stmxcsr %0" : "=m"(mxcsr));
    return static_cast<int>((status | mxcsr) & static_cast<unsigned>(faults));
#else
    (void)sse;
    return std::fetestexcept(faults);
#endif
}

} // namespace evaluation_detail

// The fault handling of SafeEvaluate around any evaluation run() of a tree
// or of its compiled form: faults and results that are not finite become
// status 5 (division by zero, overflow) or 6 (invalid), with the result 0.
// sse false serves an evaluation that runs on the x87 unit alone, which
// cannot raise the SSE flags: flags left there by other code are then not
// looked at, as they would only have been cleared.
template <class TRun> [[nodiscard]] inline Extended GuardFaults(TRun&& run, bool sse = true)
{
    using evaluation_detail::RaisedFaults;
    // Faults are read from the flags; traps stay off. Underflow and inexact
    // results are ordinary (2^-1000 is simply 0).
    // Clearing the flags is costly (it rewrites the whole floating-point
    // environment), so the normal path only tests them: they are clear on
    // entry unless other code left a fault behind, and a fault seen here is
    // cleared before returning.
    constexpr int faults = FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID;
    if (RaisedFaults(faults, sse))
        std::feclearexcept(faults);
    const Extended value = run();
    const int raised = RaisedFaults(faults, sse);
    if (raised)
        std::feclearexcept(faults);
    if ((raised & (FE_DIVBYZERO | FE_OVERFLOW)) || std::isinf(value)) {
        SetStatus(esUndefined);
        return 0;
    }
    if ((raised & FE_INVALID) || std::isnan(value)) {
        SetStatus(esInvalid);
        return 0;
    }
    return value;
}

// Evaluates a tree turning floating-point faults into the status: division
// by zero and overflow give 5, invalid gives 6, each with the result 0. A
// null tree gives 0.
[[nodiscard]] Extended SafeEvaluate(TEvaluator* tree);
// Resets the status to 3, then SafeEvaluate.
[[nodiscard]] Extended ResetAndEvaluate(TEvaluator* tree);
// Evaluates a constant part of a formula to fold it into a number: with
// tracking off and the status reset, both put back afterwards. Answers the
// value, and in status the status it gave; 5 (too big), 6 (complex) and 7
// (not whole) refuse it as a number.
[[nodiscard]] Extended EvaluateConstantPart(TEvaluator* tree, std::uint8_t& status);

// Memory stores save and restore the discontinuity state of one node.
class TMemoryStore {
public:
    virtual ~TMemoryStore() = default;
    // Exchanges the saved copy with the live state.
    virtual void Swap() = 0;
};
class TBooleanMemoryStore : public TMemoryStore {
public:
    explicit TBooleanMemoryStore(bool& state) : state_(state), saved_(state) {}
    void Swap() override { std::swap(state_, saved_); }

private:
    bool& state_;
    bool saved_;
};
class TRealMemoryStore : public TMemoryStore {
public:
    explicit TRealMemoryStore(Extended& state) : state_(state), saved_(state) {}
    void Swap() override { std::swap(state_, saved_); }

private:
    Extended& state_;
    Extended saved_;
};

// Collects the memory stores of every node of a tree.
[[nodiscard]] std::vector<std::unique_ptr<TMemoryStore>> CollectMemoryStores(TEvaluator* tree);

// The markup of a tree as a string (through TMathsWriter).
[[nodiscard]] std::string TreeToMarkup(const TEvaluator* tree);
