// Compiling an evaluation tree into a flat list of instructions, and running
// it. Every instruction does what its node does, with the same long double
// operations in the same order (left operand before right, operands before
// their node), so values agree to the last bit and statuses are set in the
// same sequence. Only what cannot set a status or depend on anything but its
// operands is folded; nodes that remember something (tracked division, int,
// tan, sec, ±) keep that memory in the node, and unknown kinds of node are
// evaluated as a subtree.
//
// The machine has one accumulator, kept in an x87 register, and operands in
// memory (variables, constants, registers); a constant that is exactly a
// double is read as one, which costs a fraction of an 80-bit load. An
// intermediate result is put aside (as the held value, or in a register
// where the other operand holds one of its own) only where the other
// operand still has to be computed: storing an 80-bit value and loading it
// straight back is what makes a naive register machine no faster than the
// tree.
#include "expr/compiledformula.h"

#include "expr/declarations.h"
#include "expr/functions.h"
#include "numbers/numerics.h"

#include <cfenv>
#include <limits>
#include <typeinfo>

namespace {

enum class TOp : std::uint8_t {
    Add,
    Subtract,
    Multiply,
    Divide,
    Power,
    WholePower,    // a constant whole exponent from 0 to 9
    Square,        // the exponent 2, the commonest of them
    ConstantPower, // any other finite constant exponent
    Negate,
    Abs,
    PlusOrMinus,
    Function,
    FiniteFunction, // a function that raises no fault flag on a finite argument
    Int,
    Tan,
    Sec,
    DeclaredFunction,
    DeclaredConstant, // no operand
    Subtree,          // a node of a kind the compiler does not know, evaluated as a tree
    Spill,            // the accumulator to a register
};

// Where an instruction finds its operands: both in memory, or the first
// (unary: the only one) in the accumulator, or the second in the accumulator.
// A constant that is exactly a double is read as one: loading a long double
// from memory takes several times the work. One value can be held aside in
// the unit instead of memory while the other operand is computed.
enum TForm : std::uint8_t {
    fMemory = 0,
    fFirstInAccumulator = 1,
    fSecondInAccumulator = 2,
    fFirstInAccumulatorSecondShort = 3,
    fFirstShortSecondInAccumulator = 4,
    fFirstHeldSecondInAccumulator = 5,
    fFirstInMemorySecondShort = 6,
    fFirstShortSecondInMemory = 7,
    FormCount = 8
};
// The spill forms: to a register in memory, or to the held value.
constexpr TForm fSpillToMemory = fFirstInAccumulator;
constexpr TForm fSpillToHeld = fSecondInAccumulator;

constexpr std::uint8_t Code(TOp op, TForm form)
{
    return static_cast<std::uint8_t>(static_cast<int>(op) * FormCount + form);
}

// Operations that run on the x87 unit alone and raise a fault flag only
// where a value that is not finite arises (see RunFlagFree).
[[nodiscard]] bool FlagFree(TOp op)
{
    switch (op) {
    case TOp::Add:
    case TOp::Subtract:
    case TOp::Multiply:
    case TOp::Divide:
    case TOp::WholePower:
    case TOp::Square:
    case TOp::ConstantPower:
    case TOp::Negate:
    case TOp::Abs:
    case TOp::PlusOrMinus:
    case TOp::FiniteFunction:
    case TOp::Int:
    case TOp::Spill:
    // A declared constant's value is finite or turns into an infinity at the
    // family step; a field behind it is evaluated on its own, its faults
    // cleared, as in the tree.
    case TOp::DeclaredConstant:
        return true;
    default:
        return false;
    }
}

// Operations whose nodes remember something while tracking or that may
// report a step or a pole.
[[nodiscard]] bool Remembers(TOp op)
{
    switch (op) {
    case TOp::Divide:
    case TOp::Int:
    case TOp::Tan:
    case TOp::Sec:
    case TOp::DeclaredFunction:
    case TOp::Subtree:
        return true;
    default:
        return false;
    }
}

// Functions that on a finite argument raise no fault flag and give a finite
// value (and at most a status): sin and cos refuse what lies beyond their
// bound, exp what is too big, ln, log and sqrt what is outside their domain,
// all by comparing, and otherwise work on values of moderate size. A value
// that is not finite arriving at one of them makes the run unsure.
[[nodiscard]] bool FiniteOnFinite(TRealFunction function)
{
    return function == RealSin || function == RealCos || function == RealArctan || function == RealExp ||
           function == RealLn || function == RealLog || function == RealSqrt;
}

// Deeper trees than this (which only a program can build) are evaluated as
// subtrees below it, so that compiling never recurses without bound.
constexpr int MaximumCompileDepth = 2500;

// Functions whose value depends on the angle unit, which may change after
// compiling: never folded.
[[nodiscard]] bool UsesAngleUnit(int code)
{
    return (code >= 200 && code <= 202) || (code >= 206 && code <= 211) || (code >= 215 && code <= 217);
}

// Runs work with the fault flags clear and puts back the flags it found;
// true when work raised no fault (division by zero, overflow, invalid).
template <class TWork> bool WithoutFault(TWork&& work)
{
    std::fexcept_t flags;
    std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
    std::feclearexcept(FE_ALL_EXCEPT);
    work();
    const bool quiet = !std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID);
    std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
    return quiet;
}

// Evaluates a fold on constants with the status reset, tracking off and the
// fault flags clear, and restores all three; false unless it succeeded
// quietly (status 3, no fault, a finite value), as only then does leaving it
// out change nothing.
template <class TFold> bool FoldQuietly(TFold&& fold, Extended& value)
{
    const std::uint8_t status = EvaluationStatus;
    const bool tracking = Tracking;
    Tracking = false;
    ResetStatus();
    const bool quiet =
        WithoutFault([&] { value = fold(); }) && EvaluationStatus == esNormal && std::isfinite(value);
    EvaluationStatus = status;
    Tracking = tracking;
    return quiet;
}

// Where a value is found while compiling: in the accumulator, or in memory:
// a program-wide value (a variable or the declared function's parameter), a
// folded constant, a register or a place where a node's memory is saved.
// These live in one array that is only laid out at the end, so memory
// operands get addresses then.
struct TOperand {
    enum TKind : std::uint8_t { Accumulator, Fixed, Constant, Register, Saved, Held } kind = Fixed;
    const Extended* fixed = nullptr;
    int index = 0;
    Extended value = 0; // of a constant
};

} // namespace

struct TCompiledFormula::TInstruction {
    std::uint8_t code = 0; // Code (op, form)
    // Of Divide, the sign it remembered before the last run; of Int, whether
    // the last run changed the remembered result.
    mutable bool saved = false;
    int exponent = 0; // of WholePower; of ConstantPower, its index while compiling
    union {
        const Extended* a = nullptr;
        const double* shortA;
    };
    union {
        const Extended* b = nullptr;
        const double* shortB;
    };
    Extended* result = nullptr; // of Spill; of Int, where its memory is saved before the run
    union {
        TRealFunction function;
        TEvaluator* node;
        bool* sign;           // the remembered sign of a tracked division
        Extended* remembered; // the remembered result of int
        const TConstantExponent* power;
    };
};

namespace {

// The greatest whole number not above x, as std::floor gives it (-0 stays
// -0) but without a call: below 2^62 adding and taking away 1.5 * 2^63
// rounds to a whole number, one too big when x was rounded up. Like every
// comparison of a value that may not be finite here, the first is a quiet
// one: it must raise no flag that the node itself would not.
inline Extended Floor(Extended x)
{
    if (!std::isless(std::fabs(x), 0x1p62L) || x == 0)
        return std::floor(x);
    constexpr Extended shifter = 0x1.8p63L;
    const Extended rounded = (x + shifter) - shifter;
    return rounded > x ? rounded - 1 : rounded;
}

// A tracked division (TrackedDivide). Checked, it saves the sign for Undo,
// and a divisor of 0 or one that is not finite (d - d is then not 0) makes
// the run unsure; the test may raise a flag, as that run's flags are not
// read.
template <bool Checked>
inline Extended DivideStep(Extended n, Extended d, bool& sign, bool& saved, bool& unsure)
{
    if constexpr (Checked) {
        saved = sign;
        if (d - d == 0 && d != 0) {
            // TrackedDivide for the commonest divisor, finite and not 0.
            const Extended result = n / d;
            const bool positive = d > 0;
            if (Tracking && positive != sign)
                SetStatus(esPole);
            sign = positive;
            return result;
        }
        unsure = true;
    }
    return TrackedDivide(n, d, sign);
}

// A function of FiniteOnFinite; checked, an argument that is not finite makes
// the run unsure.
template <bool Checked> inline Extended FiniteFunctionStep(TRealFunction function, Extended v, bool& unsure)
{
    if constexpr (Checked)
        if (!(v - v == 0))
            unsure = true;
    return function(v);
}

// int as TIntEvaluator::Apply; checked, a change of its memory is saved for Undo.
template <bool Checked>
inline Extended IntStep(Extended v, Extended& remembered, Extended& saved, bool& changed)
{
    const Extended result = Floor(v);
    if constexpr (Checked)
        changed = false;
    if (Tracking && result != remembered) {
        if constexpr (Checked) {
            saved = remembered;
            changed = true;
        }
        remembered = result;
        SetStatus(esStep);
    }
    return result;
}

} // namespace

class TFormulaCompiler {
public:
    explicit TFormulaCompiler(TCompiledFormula& form) : form_(form) {}

    void CompileTree(TEvaluator* tree)
    {
        const TOperand result = Compile(tree, 0, 0);
        // Lay out the constants, then the registers.
        const std::size_t constants = constants_.size();
        form_.registers_.assign(constants + static_cast<std::size_t>(registerCount_ + savedCount_), 0);
        for (std::size_t k = 0; k < constants; ++k)
            form_.registers_[k] = constants_[k];
        form_.shortConstants_.assign(constants, 0);
        for (std::size_t k = 0; k < constants; ++k)
            if (IsShort(constants_[k]))
                form_.shortConstants_[k] = static_cast<double>(constants_[k]);
        form_.flagFree_ = true;
        for (std::size_t k = 0; k < form_.code_.size(); ++k) {
            TCompiledFormula::TInstruction& instruction = form_.code_[k];
            const TForm form = static_cast<TForm>(instruction.code % FormCount);
            if (form == fFirstShortSecondInAccumulator || form == fFirstShortSecondInMemory)
                instruction.shortA = ShortAddress(operands_[k].a);
            else
                instruction.a = Address(operands_[k].a);
            if (form == fFirstInAccumulatorSecondShort || form == fFirstInMemorySecondShort)
                instruction.shortB = ShortAddress(operands_[k].b);
            else
                instruction.b = Address(operands_[k].b);
            instruction.result = const_cast<Extended*>(Address(operands_[k].result));
            if (ops_[k] == TOp::ConstantPower)
                instruction.power = &form_.exponents_[static_cast<std::size_t>(instruction.exponent)];
            form_.flagFree_ = form_.flagFree_ && FlagFree(ops_[k]);
            form_.remembers_ = form_.remembers_ || Remembers(ops_[k]);
        }
        form_.result_ = Address(result);
    }

private:
    struct TOperands {
        TOperand a, b, result;
        bool holds = false; // a spill to the held value
    };

    // A value that is exactly a double (finite, so that a NaN keeps its
    // bits; within range, so that testing raises no flag).
    [[nodiscard]] static bool IsShort(Extended value)
    {
        return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<double>::max() &&
               static_cast<Extended>(static_cast<double>(value)) == value &&
               std::signbit(static_cast<double>(value)) == std::signbit(value);
    }

    [[nodiscard]] static bool IsShort(const TOperand& operand)
    {
        return operand.kind == TOperand::Constant && IsShort(operand.value);
    }

    [[nodiscard]] const double* ShortAddress(const TOperand& operand) const
    {
        return &form_.shortConstants_[static_cast<std::size_t>(operand.index)];
    }

    // The address of a memory operand; nullptr for the accumulator and the held value.
    [[nodiscard]] const Extended* Address(const TOperand& operand) const
    {
        switch (operand.kind) {
        case TOperand::Accumulator:
        case TOperand::Held:
            return nullptr;
        case TOperand::Fixed:
            return operand.fixed;
        case TOperand::Constant:
            return &form_.registers_[static_cast<std::size_t>(operand.index)];
        case TOperand::Register:
            return &form_.registers_[constants_.size() + static_cast<std::size_t>(operand.index)];
        case TOperand::Saved:
            return &form_.registers_[constants_.size() +
                                     static_cast<std::size_t>(registerCount_ + operand.index)];
        }
        return nullptr;
    }

    static TOperand Fixed(const Extended* value)
    {
        TOperand operand;
        operand.fixed = value;
        return operand;
    }

    static TOperand InAccumulator()
    {
        TOperand operand;
        operand.kind = TOperand::Accumulator;
        return operand;
    }

    TOperand Constant(Extended value)
    {
        TOperand operand;
        operand.kind = TOperand::Constant;
        operand.value = value;
        operand.index = static_cast<int>(constants_.size());
        constants_.push_back(value);
        return operand;
    }

    // A constant operand folded into its node's value takes no room.
    void Forget(const TOperand& operand)
    {
        if (operand.kind == TOperand::Constant && operand.index + 1 == static_cast<int>(constants_.size()))
            constants_.pop_back();
    }

    // Appends an instruction of op on operands a and b (either may be the
    // accumulator, a the held value); its result is in the accumulator.
    TCompiledFormula::TInstruction& Emit(TOp op, const TOperand& a = {}, const TOperand& b = {})
    {
        const bool binary = op <= TOp::Power;
        TForm form = fMemory;
        if (a.kind == TOperand::Held)
            form = fFirstHeldSecondInAccumulator;
        else if (a.kind == TOperand::Accumulator)
            form = binary && IsShort(b) ? fFirstInAccumulatorSecondShort : fFirstInAccumulator;
        else if (b.kind == TOperand::Accumulator)
            form = IsShort(a) ? fFirstShortSecondInAccumulator : fSecondInAccumulator;
        else if (binary && IsShort(b))
            form = fFirstInMemorySecondShort;
        else if (binary && IsShort(a))
            form = fFirstShortSecondInMemory;
        TCompiledFormula::TInstruction instruction{};
        instruction.code = Code(op, form);
        form_.code_.push_back(instruction);
        operands_.push_back({a, b, {}});
        ops_.push_back(op);
        return form_.code_.back();
    }

    // Compiles node so that any register it needs is depth or above; answers
    // where its value is found.
    TOperand Compile(TEvaluator* node, int depth, int nesting)
    {
        if (nesting > MaximumCompileDepth)
            return Subtree(node);
        const std::type_info& kind = typeid(*node);
        if (kind == typeid(TConstantEvaluator))
            return Constant(static_cast<TConstantEvaluator*>(node)->Value());
        if (kind == typeid(TxAxisEvaluator))
            return Fixed(&Variables.x);
        if (kind == typeid(TyAxisEvaluator))
            return Fixed(&Variables.y);
        if (kind == typeid(TTEvaluator))
            return Fixed(&Variables.t);
        if (kind == typeid(TThetaEvaluator))
            return Fixed(&Variables.theta);
        if (kind == typeid(TREvaluator))
            return Fixed(&Variables.r);
        if (kind == typeid(TNEvaluator))
            return Fixed(&Variables.n);
        if (kind == typeid(TDeclaredFunctionParameter))
            return Fixed(&ParameterValue);
        if (kind == typeid(TTokenEvaluator))
            return Constant(0);
        if (kind == typeid(TDeclaredConstantEvaluator)) {
            Emit(TOp::DeclaredConstant).node = node;
            return InAccumulator();
        }
        if (auto* binary = dynamic_cast<TBinaryEvaluator*>(node)) {
            // A tree with a missing operand fails as the tree does.
            if (!binary->Left() || !binary->Right())
                return Subtree(node);
            if (kind == typeid(TOperationEvaluator))
                return CompileOperation(static_cast<TOperationEvaluator*>(node), depth, nesting);
            if (kind == typeid(TDivideEvaluator)) {
                auto* divide = static_cast<TDivideEvaluator*>(node);
                TOperand left, right;
                CompileOperands(divide, depth, nesting, left, right);
                Emit(TOp::Divide, left, right).sign = &divide->lastSign_;
                return InAccumulator();
            }
            return Subtree(node);
        }
        if (auto* unary = dynamic_cast<TUnaryEvaluator*>(node)) {
            if (!unary->Operand())
                return Subtree(node);
            TOp op;
            if (kind == typeid(TFunctionEvaluator))
                return CompileFunction(static_cast<TFunctionEvaluator*>(node), depth, nesting);
            if (kind == typeid(TIntEvaluator)) {
                auto* integer = static_cast<TIntEvaluator*>(node);
                const TOperand operand = Compile(integer->Operand(), depth, nesting + 1);
                Emit(TOp::Int, operand).remembered = &integer->lastResult_;
                TOperand saved;
                saved.kind = TOperand::Saved;
                saved.index = savedCount_++;
                operands_.back().result = saved;
                return InAccumulator();
            }
            if (kind == typeid(TTanEvaluator))
                op = TOp::Tan;
            else if (kind == typeid(TSecEvaluator))
                op = TOp::Sec;
            else if (kind == typeid(TPlusOrMinusEvaluator))
                op = TOp::PlusOrMinus;
            else if (kind == typeid(TDeclaredFunctionEvaluator))
                op = TOp::DeclaredFunction;
            else
                return Subtree(node);
            const TOperand operand = Compile(unary->Operand(), depth, nesting + 1);
            Emit(op, operand).node = node;
            return InAccumulator();
        }
        return Subtree(node);
    }

    TOperand Subtree(TEvaluator* node)
    {
        Emit(TOp::Subtree).node = node;
        return InAccumulator();
    }

    // Compiles both operands of node, left first. When both end in the
    // accumulator, the left one is put aside before the right one's
    // instructions: as the held value unless they hold one of their own, else
    // to register depth.
    void CompileOperands(TBinaryEvaluator* node, int depth, int nesting, TOperand& left, TOperand& right)
    {
        left = Compile(node->Left(), depth, nesting + 1);
        const std::size_t mark = form_.code_.size();
        right = Compile(node->Right(), depth + 1, nesting + 1);
        if (left.kind != TOperand::Accumulator || right.kind != TOperand::Accumulator)
            return;
        bool holding = false;
        for (std::size_t k = mark; k < operands_.size() && !holding; ++k)
            holding = operands_[k].holds;
        TOperand spilled;
        TCompiledFormula::TInstruction spill{};
        if (holding) {
            spilled.kind = TOperand::Register;
            spilled.index = depth;
            registerCount_ = std::max(registerCount_, depth + 1);
            spill.code = Code(TOp::Spill, fSpillToMemory);
        } else {
            spilled.kind = TOperand::Held;
            spill.code = Code(TOp::Spill, fSpillToHeld);
        }
        const auto at = static_cast<std::ptrdiff_t>(mark);
        form_.code_.insert(form_.code_.begin() + at, spill);
        operands_.insert(operands_.begin() + at, TOperands{InAccumulator(), {}, spilled, !holding});
        ops_.insert(ops_.begin() + at, TOp::Spill);
        left = spilled;
    }

    TOperand CompileOperation(TOperationEvaluator* node, int depth, int nesting)
    {
        TOperand left, right;
        CompileOperands(node, depth, nesting, left, right);
        if (left.kind == TOperand::Constant && right.kind == TOperand::Constant) {
            Extended value = 0;
            if (FoldQuietly([&] { return node->Operate(left.value, right.value); }, value)) {
                Forget(right);
                Forget(left);
                return Constant(value);
            }
        }
        switch (node->Operation()) {
        case TOperation::Add:
            Emit(TOp::Add, left, right);
            break;
        case TOperation::Subtract:
            Emit(TOp::Subtract, left, right);
            break;
        case TOperation::Multiply:
            Emit(TOp::Multiply, left, right);
            break;
        case TOperation::Power: {
            // RealPower multiplies out whole exponents from 0 to 9.
            const Extended e = right.value;
            if (right.kind == TOperand::Constant && IsWhole(e) && e >= 0 && e <= 9) {
                Forget(right);
                const int exponent = static_cast<int>(e);
                Emit(exponent == 2 ? TOp::Square : TOp::WholePower, left).exponent = exponent;
            } else if (right.kind == TOperand::Constant && std::isfinite(e) && QuietExponent(e)) {
                Forget(right);
                Emit(TOp::ConstantPower, left).exponent = static_cast<int>(form_.exponents_.size() - 1);
            } else {
                Emit(TOp::Power, left, right);
            }
            break;
        }
        }
        return InAccumulator();
    }

    // Works out the facts of a constant exponent, kept unless that raised a
    // fault flag, which RealPower would then raise on a negative base at
    // every call (1 / e overflows for the tiniest exponents).
    bool QuietExponent(Extended e)
    {
        TConstantExponent facts;
        const bool quiet = WithoutFault([&] { facts = ConstantExponent(e); });
        if (quiet)
            form_.exponents_.push_back(facts);
        return quiet;
    }

    TOperand CompileFunction(TFunctionEvaluator* node, int depth, int nesting)
    {
        const int code = node->FunctionCode();
        const TRealFunction function = FunctionFor(code);
        const TOperand operand = Compile(node->Operand(), depth, nesting + 1);
        if (operand.kind == TOperand::Constant && !UsesAngleUnit(code)) {
            Extended value = 0;
            if (FoldQuietly([&] { return function(operand.value); }, value)) {
                Forget(operand);
                return Constant(value);
            }
        }
        if (code == fcNegate)
            Emit(TOp::Negate, operand);
        else if (code == 218)
            Emit(TOp::Abs, operand);
        else
            Emit(FiniteOnFinite(function) ? TOp::FiniteFunction : TOp::Function, operand).function = function;
        return InAccumulator();
    }

    TCompiledFormula& form_;
    std::vector<Extended> constants_;
    std::vector<TOperands> operands_; // one per instruction
    std::vector<TOp> ops_;            // one per instruction
    int registerCount_ = 0;
    int savedCount_ = 0;
};

TCompiledFormula::TCompiledFormula() = default;
TCompiledFormula::~TCompiledFormula() = default;

// The instructions point into the register array, whose storage moves along
// with it; the form moved from is left empty, to compile afresh when used.
TCompiledFormula::TCompiledFormula(TCompiledFormula&& other) noexcept
{
    *this = std::move(other);
}

TCompiledFormula& TCompiledFormula::operator=(TCompiledFormula&& other) noexcept
{
    if (this == &other)
        return *this;
    code_ = std::move(other.code_);
    registers_ = std::move(other.registers_);
    shortConstants_ = std::move(other.shortConstants_);
    exponents_ = std::move(other.exponents_);
    result_ = other.result_;
    flagFree_ = other.flagFree_;
    remembers_ = other.remembers_;
    source_ = other.source_;
    generation_ = other.generation_;
    variables_ = other.variables_;
    other.code_.clear();
    other.registers_.clear();
    other.shortConstants_.clear();
    other.exponents_.clear();
    other.result_ = nullptr;
    other.source_ = nullptr;
    other.generation_ = 0;
    other.variables_ = nullptr;
    return *this;
}

void TCompiledFormula::Compile(TEvaluator* tree)
{
    code_.clear();
    registers_.clear();
    shortConstants_.clear();
    exponents_.clear();
    result_ = nullptr;
    flagFree_ = false;
    remembers_ = false;
    source_ = tree;
    if (tree)
        TFormulaCompiler(*this).CompileTree(tree);
    generation_ = EvaluatorGeneration;
    variables_ = &Variables;
}

int TCompiledFormula::InstructionCount() const
{
    return static_cast<int>(code_.size());
}

// The eight forms of a binary instruction, l and r its operands.
#define LC_BINARY(op, expression)                                                                            \
    case Code(TOp::op, fFirstInMemorySecondShort): {                                                         \
        const Extended l = *i.a, r = *i.shortB;                                                              \
        accumulator = (expression);                                                                          \
        break;                                                                                               \
    }                                                                                                        \
    case Code(TOp::op, fFirstShortSecondInMemory): {                                                         \
        const Extended l = *i.shortA, r = *i.b;                                                              \
        accumulator = (expression);                                                                          \
        break;                                                                                               \
    }                                                                                                        \
    case Code(TOp::op, fMemory): {                                                                           \
        const Extended l = *i.a, r = *i.b;                                                                   \
        accumulator = (expression);                                                                          \
        break;                                                                                               \
    }                                                                                                        \
    case Code(TOp::op, fFirstInAccumulatorSecondShort): {                                                    \
        const Extended l = accumulator, r = *i.shortB;                                                       \
        accumulator = (expression);                                                                          \
        break;                                                                                               \
    }                                                                                                        \
    case Code(TOp::op, fFirstShortSecondInAccumulator): {                                                    \
        const Extended l = *i.shortA, r = accumulator;                                                       \
        accumulator = (expression);                                                                          \
        break;                                                                                               \
    }                                                                                                        \
    case Code(TOp::op, fFirstHeldSecondInAccumulator): {                                                     \
        const Extended l = held, r = accumulator;                                                            \
        accumulator = (expression);                                                                          \
        break;                                                                                               \
    }                                                                                                        \
    case Code(TOp::op, fFirstInAccumulator): {                                                               \
        const Extended l = accumulator, r = *i.b;                                                            \
        accumulator = (expression);                                                                          \
        break;                                                                                               \
    }                                                                                                        \
    case Code(TOp::op, fSecondInAccumulator): {                                                              \
        const Extended l = *i.a, r = accumulator;                                                            \
        accumulator = (expression);                                                                          \
        break;                                                                                               \
    }
// The two forms of a unary instruction, v its operand.
#define LC_UNARY(op, expression)                                                                             \
    case Code(TOp::op, fMemory): {                                                                           \
        const Extended v = *i.a;                                                                             \
        accumulator = (expression);                                                                          \
        break;                                                                                               \
    }                                                                                                        \
    case Code(TOp::op, fFirstInAccumulator): {                                                               \
        const Extended v = accumulator;                                                                      \
        accumulator = (expression);                                                                          \
        break;                                                                                               \
    }

template <bool Checked> Extended TCompiledFormula::Run(bool& unsureRun) const
{
    Extended accumulator = 0, held = 0;
    bool unsure = false;
    for (const TInstruction& i : code_) {
        switch (i.code) {
            LC_BINARY(Add, l + r)
            LC_BINARY(Subtract, l - r)
            LC_BINARY(Multiply, l * r)
            LC_BINARY(Divide, DivideStep<Checked>(l, r, *i.sign, i.saved, unsure))
            LC_BINARY(Power, RealPower(l, r))
            LC_UNARY(WholePower, RealWholePower(v, i.exponent, unsure))
            LC_UNARY(Square, RealWholePower(v, 2, unsure))
            LC_UNARY(ConstantPower, RealConstantPower(v, *i.power, unsure))
            LC_UNARY(Negate, -v)
            LC_UNARY(Abs, std::fabs(v))
            LC_UNARY(PlusOrMinus, static_cast<TPlusOrMinusEvaluator*>(i.node)->Minus() ? -v : v)
            LC_UNARY(Function, i.function(v))
            LC_UNARY(FiniteFunction, FiniteFunctionStep<Checked>(i.function, v, unsure))
            LC_UNARY(Int, IntStep<Checked>(v, *i.remembered, *i.result, i.saved))
            LC_UNARY(Tan, static_cast<TTanEvaluator*>(i.node)->TTanEvaluator::Apply(v))
            LC_UNARY(Sec, static_cast<TSecEvaluator*>(i.node)->TSecEvaluator::Apply(v))
            LC_UNARY(DeclaredFunction,
                     static_cast<TDeclaredFunctionEvaluator*>(i.node)->TDeclaredFunctionEvaluator::Apply(v))
        case Code(TOp::DeclaredConstant, fMemory):
            accumulator =
                static_cast<TDeclaredConstantEvaluator*>(i.node)->TDeclaredConstantEvaluator::Evaluate();
            break;
        case Code(TOp::Subtree, fMemory):
            accumulator = i.node->Evaluate();
            break;
        case Code(TOp::Spill, fSpillToMemory):
            *i.result = accumulator;
            break;
        case Code(TOp::Spill, fSpillToHeld):
            held = accumulator;
            break;
        default:
            __builtin_unreachable();
        }
    }
    if constexpr (Checked)
        unsureRun = unsure;
    return result_ ? *result_ : accumulator;
}

template Extended TCompiledFormula::Run<false>(bool&) const;
template Extended TCompiledFormula::Run<true>(bool&) const;

void TCompiledFormula::Undo() const
{
    for (const TInstruction& i : code_) {
        switch (static_cast<TOp>(i.code / FormCount)) {
        case TOp::Divide:
            *i.sign = i.saved;
            break;
        case TOp::Int:
            if (i.saved)
                *i.remembered = *i.result;
            break;
        default:
            break;
        }
    }
}

#undef LC_BINARY
#undef LC_UNARY
