// Compiling an evaluation tree into a flat list of instructions, and running
// it. Every instruction does what its node does, with the same long double
// operations in the same order (left operand before right, operands before
// their node), so values agree to the last bit and statuses are set in the
// same sequence. Only what cannot set a status or depend on anything but its
// operands is folded; nodes that remember something (tracked division, int,
// tan, sec, ±) keep that memory in the node, and unknown kinds of node are
// evaluated as a subtree.
#include "expr/compiledformula.h"

#include "expr/declarations.h"
#include "expr/functions.h"
#include "expr/numerics.h"

#include <typeinfo>

namespace {

enum class TOp : std::uint8_t {
    Add,
    Subtract,
    Multiply,
    Power,
    WholePower, // a constant whole exponent from 0 to 9
    Square,     // the exponent 2, the commonest of them
    Divide,
    Negate,
    Abs,
    Function,
    Int,
    Tan,
    Sec,
    PlusOrMinus,
    DeclaredConstant,
    DeclaredFunction,
    Subtree, // a node of a kind the compiler does not know, evaluated as a tree
};

// Deeper trees than this (which only a program can build) are evaluated as
// subtrees below it, so that compiling never recurses without bound.
constexpr int MaximumCompileDepth = 2500;

// Functions whose value depends on the angle unit, which may change after
// compiling: never folded.
[[nodiscard]] bool UsesAngleUnit(int code)
{
    return (code >= 200 && code <= 202) || (code >= 206 && code <= 211) || (code >= 215 && code <= 217);
}

// Evaluates a fold on constants with the status reset, tracking off and the
// fault flags clear, and restores all three; false unless it succeeded
// quietly (status 3, no fault, a finite value), as only then does leaving it
// out change nothing.
template <class TFold> bool FoldQuietly(TFold&& fold, Extended& value)
{
    const std::uint8_t status = EvaluationStatus;
    const bool tracking = Tracking;
    std::fexcept_t flags;
    std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
    std::feclearexcept(FE_ALL_EXCEPT);
    Tracking = false;
    ResetStatus();
    value = fold();
    const bool quiet = EvaluationStatus == esNormal &&
                       !std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID) && std::isfinite(value);
    EvaluationStatus = status;
    Tracking = tracking;
    std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
    return quiet;
}

// Where an operand is found while compiling: a program-wide value (a
// variable or the declared function's parameter), a folded constant or a
// register holding an intermediate result. Registers live in one array that
// is only laid out at the end, so operands are resolved to addresses then.
struct TOperand {
    enum TKind : std::uint8_t { Fixed, Constant, Register } kind = Fixed;
    const Extended* fixed = nullptr;
    int index = 0;
    Extended value = 0; // of a constant
};

} // namespace

struct TCompiledFormula::TInstruction {
    TOp op;
    int exponent = 0; // of WholePower
    const Extended* a = nullptr;
    const Extended* b = nullptr;
    Extended* result = nullptr;
    union {
        TRealFunction function;
        TEvaluator* node;
        bool* sign; // the remembered sign of a tracked division
    };
};

class TFormulaCompiler {
public:
    explicit TFormulaCompiler(TCompiledFormula& form) : form_(form) {}

    void CompileTree(TEvaluator* tree)
    {
        const TOperand result = Compile(tree, 0, 0);
        // Lay out the registers: the constants, then the intermediate results.
        const std::size_t constants = constants_.size();
        form_.registers_.assign(constants + static_cast<std::size_t>(registerCount_), 0);
        for (std::size_t k = 0; k < constants; ++k)
            form_.registers_[k] = constants_[k];
        for (std::size_t k = 0; k < form_.code_.size(); ++k) {
            TCompiledFormula::TInstruction& instruction = form_.code_[k];
            instruction.a = Address(operands_[k].a);
            instruction.b = Address(operands_[k].b);
            instruction.result = const_cast<Extended*>(Address(operands_[k].result));
        }
        form_.result_ = Address(result);
    }

private:
    struct TOperands {
        TOperand a, b, result;
    };

    [[nodiscard]] const Extended* Address(const TOperand& operand) const
    {
        switch (operand.kind) {
        case TOperand::Fixed:
            return operand.fixed;
        case TOperand::Constant:
            return &form_.registers_[static_cast<std::size_t>(operand.index)];
        case TOperand::Register:
            return &form_.registers_[constants_.size() + static_cast<std::size_t>(operand.index)];
        }
        return nullptr;
    }

    TOperand Fixed(const Extended* value)
    {
        TOperand operand;
        operand.fixed = value;
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

    // Appends an instruction whose result goes to register depth.
    TCompiledFormula::TInstruction& Emit(TOp op, int depth, const TOperand& a = {}, const TOperand& b = {})
    {
        TOperand result;
        result.kind = TOperand::Register;
        result.index = depth;
        registerCount_ = std::max(registerCount_, depth + 1);
        operands_.push_back({a, b, result});
        TCompiledFormula::TInstruction instruction{};
        instruction.op = op;
        form_.code_.push_back(instruction);
        return form_.code_.back();
    }

    [[nodiscard]] static TOperand Result(int depth)
    {
        TOperand result;
        result.kind = TOperand::Register;
        result.index = depth;
        return result;
    }

    // The register below which a second operand may work, given the first.
    [[nodiscard]] static int After(const TOperand& first, int depth)
    {
        return first.kind == TOperand::Register ? depth + 1 : depth;
    }

    // A constant leaf was folded away when the operand turned out constant;
    // the constant takes no register.
    void Forget(const TOperand& operand)
    {
        if (operand.kind == TOperand::Constant && operand.index + 1 == static_cast<int>(constants_.size()))
            constants_.pop_back();
    }

    // Compiles node so that its instructions use registers from depth on;
    // answers where its value is found.
    TOperand Compile(TEvaluator* node, int depth, int nesting)
    {
        if (!node)
            return Constant(0); // only a parent with a missing operand meets this; see Subtree
        if (nesting > MaximumCompileDepth)
            return Subtree(node, depth);
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
            Emit(TOp::DeclaredConstant, depth).node = node;
            return Result(depth);
        }
        if (auto* binary = dynamic_cast<TBinaryEvaluator*>(node)) {
            if (!binary->Left() || !binary->Right())
                return Subtree(node, depth);
            if (kind == typeid(TOperationEvaluator))
                return CompileOperation(static_cast<TOperationEvaluator*>(node), depth, nesting);
            if (kind == typeid(TDivideEvaluator)) {
                auto* divide = static_cast<TDivideEvaluator*>(node);
                const TOperand left = Compile(divide->Left(), depth, nesting + 1);
                const TOperand right = Compile(divide->Right(), After(left, depth), nesting + 1);
                Emit(TOp::Divide, depth, left, right).sign = &divide->lastSign_;
                return Result(depth);
            }
            return Subtree(node, depth);
        }
        if (auto* unary = dynamic_cast<TUnaryEvaluator*>(node)) {
            if (!unary->Operand())
                return Subtree(node, depth);
            TOp op;
            if (kind == typeid(TFunctionEvaluator))
                return CompileFunction(static_cast<TFunctionEvaluator*>(node), depth, nesting);
            if (kind == typeid(TIntEvaluator))
                op = TOp::Int;
            else if (kind == typeid(TTanEvaluator))
                op = TOp::Tan;
            else if (kind == typeid(TSecEvaluator))
                op = TOp::Sec;
            else if (kind == typeid(TPlusOrMinusEvaluator))
                op = TOp::PlusOrMinus;
            else if (kind == typeid(TDeclaredFunctionEvaluator))
                op = TOp::DeclaredFunction;
            else
                return Subtree(node, depth);
            const TOperand operand = Compile(unary->Operand(), depth, nesting + 1);
            Emit(op, depth, operand).node = node;
            return Result(depth);
        }
        return Subtree(node, depth);
    }

    TOperand Subtree(TEvaluator* node, int depth)
    {
        Emit(TOp::Subtree, depth).node = node;
        return Result(depth);
    }

    TOperand CompileOperation(TOperationEvaluator* node, int depth, int nesting)
    {
        const TOperand left = Compile(node->Left(), depth, nesting + 1);
        const TOperand right = Compile(node->Right(), After(left, depth), nesting + 1);
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
            Emit(TOp::Add, depth, left, right);
            break;
        case TOperation::Subtract:
            Emit(TOp::Subtract, depth, left, right);
            break;
        case TOperation::Multiply:
            Emit(TOp::Multiply, depth, left, right);
            break;
        case TOperation::Power: {
            // RealPower multiplies out whole exponents from 0 to 9.
            const Extended e = right.value;
            if (right.kind == TOperand::Constant && RoundHalfEven(e) == e && e >= 0 && e <= 9) {
                Forget(right);
                const int exponent = static_cast<int>(e);
                Emit(exponent == 2 ? TOp::Square : TOp::WholePower, depth, left).exponent = exponent;
            } else {
                Emit(TOp::Power, depth, left, right);
            }
            break;
        }
        }
        return Result(depth);
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
            Emit(TOp::Negate, depth, operand);
        else if (code == 218)
            Emit(TOp::Abs, depth, operand);
        else
            Emit(TOp::Function, depth, operand).function = function;
        return Result(depth);
    }

    TCompiledFormula& form_;
    std::vector<Extended> constants_;
    std::vector<TOperands> operands_; // one per instruction
    int registerCount_ = 0;
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
    result_ = other.result_;
    source_ = other.source_;
    generation_ = other.generation_;
    other.code_.clear();
    other.registers_.clear();
    other.result_ = nullptr;
    other.source_ = nullptr;
    other.generation_ = 0;
    return *this;
}

void TCompiledFormula::Compile(TEvaluator* tree)
{
    code_.clear();
    registers_.clear();
    result_ = nullptr;
    source_ = tree;
    if (tree)
        TFormulaCompiler(*this).CompileTree(tree);
    // Compiling frees nothing, but a fold might in a future kind of node:
    // take the count afterwards.
    generation_ = EvaluatorGeneration;
}

int TCompiledFormula::InstructionCount() const
{
    return static_cast<int>(code_.size());
}

Extended TCompiledFormula::Run() const
{
    for (const TInstruction& i : code_) {
        switch (i.op) {
        case TOp::Add:
            *i.result = *i.a + *i.b;
            break;
        case TOp::Subtract:
            *i.result = *i.a - *i.b;
            break;
        case TOp::Multiply:
            *i.result = *i.a * *i.b;
            break;
        case TOp::Power:
            *i.result = RealPower(*i.a, *i.b);
            break;
        case TOp::WholePower:
            *i.result = RealWholePower(*i.a, i.exponent);
            break;
        case TOp::Square:
            *i.result = RealWholePower(*i.a, 2);
            break;
        case TOp::Divide:
            *i.result = TrackedDivide(*i.a, *i.b, *i.sign);
            break;
        case TOp::Negate:
            *i.result = -*i.a;
            break;
        case TOp::Abs:
            *i.result = std::fabs(*i.a);
            break;
        case TOp::Function:
            *i.result = i.function(*i.a);
            break;
        case TOp::Int:
            *i.result = static_cast<TIntEvaluator*>(i.node)->TIntEvaluator::Apply(*i.a);
            break;
        case TOp::Tan:
            *i.result = static_cast<TTanEvaluator*>(i.node)->TTanEvaluator::Apply(*i.a);
            break;
        case TOp::Sec:
            *i.result = static_cast<TSecEvaluator*>(i.node)->TSecEvaluator::Apply(*i.a);
            break;
        case TOp::PlusOrMinus:
            *i.result = static_cast<TPlusOrMinusEvaluator*>(i.node)->Minus() ? -*i.a : *i.a;
            break;
        case TOp::DeclaredConstant:
            *i.result =
                static_cast<TDeclaredConstantEvaluator*>(i.node)->TDeclaredConstantEvaluator::Evaluate();
            break;
        case TOp::DeclaredFunction:
            *i.result =
                static_cast<TDeclaredFunctionEvaluator*>(i.node)->TDeclaredFunctionEvaluator::Apply(*i.a);
            break;
        case TOp::Subtree:
            *i.result = i.node->Evaluate();
            break;
        }
    }
    return *result_;
}
