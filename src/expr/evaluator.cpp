// Evaluation, markup, the visitor and the discontinuity memory of the
// evaluation nodes. Analysis and inversion live in analysis.cpp.
#include "expr/evaluator.h"

#include "expr/functions.h"
#include "numbers/numerics.h"
#include "settings/mathswriter.h"

#include <cmath>
#include <cstdlib>

// ---------------------------------------------------------------------------
// Base node and leaves

void TEvaluator::WriteTo(TMathsWriter&) const {}

void TEvaluator::ForEachNode(TNodeCallback callback, void* data, void* argument)
{
    callback(data, this, argument);
}

std::unique_ptr<TMemoryStore> TEvaluator::CreateMemoryStore()
{
    return nullptr;
}

void TTokenEvaluator::WriteTo(TMathsWriter&) const {}

namespace {

// A power of ten below e^-85 reads back as 0, so a number that small is
// written out in full: 1.5*10^-43 as 0.00...0015 (42 zeros after the point).
std::string SmallNumberInFull(const std::string& text)
{
    const auto power = text.find("*10^");
    if (power == std::string::npos)
        return text;
    const int exponent = std::atoi(text.c_str() + power + 4);
    if (exponent > -30)
        return text;
    std::string sign, digits;
    for (char c : text.substr(0, power)) {
        if (c == '-')
            sign = "-";
        else if (c >= '0' && c <= '9')
            digits += c;
    }
    return sign + "0" + DecimalPoint + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
}

} // namespace

void TConstantEvaluator::WriteTo(TMathsWriter& writer) const
{
    std::string text = SmallNumberInFull(FormatNumber(8, false, value_));
    // The missing-value marker formats as a zero character, which would cut a
    // markup text held in memory short; a tree holding the value writes it.
    if (text.size() == 1 && text[0] == '\0')
        text = "2*10^-37";
    writer.WriteText(text);
}

void TxAxisEvaluator::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("x");
}
void TyAxisEvaluator::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("y");
}
void TTEvaluator::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("t");
}
void TThetaEvaluator::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("{q");
}
void TREvaluator::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("R");
}
void TNEvaluator::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("n");
}

TEvaluatorPtr MakeVariable(int code)
{
    switch (code) {
    case vcX:
        return std::make_unique<TxAxisEvaluator>();
    case vcY:
        return std::make_unique<TyAxisEvaluator>();
    case vcT:
        return std::make_unique<TTEvaluator>();
    case vcTheta:
        return std::make_unique<TThetaEvaluator>();
    case vcR:
        return std::make_unique<TREvaluator>();
    case vcN:
        return std::make_unique<TNEvaluator>();
    default:
        return std::make_unique<TTokenEvaluator>(1); // a placeholder worth 0
    }
}

// ---------------------------------------------------------------------------
// Unary nodes

void TUnaryEvaluator::WriteName(TMathsWriter&) const {}

void TUnaryEvaluator::WriteTo(TMathsWriter& writer) const
{
    WriteName(writer);
    writer.WriteChar('(');
    if (operand_)
        operand_->WriteTo(writer);
    writer.WriteChar(')');
}

bool TUnaryEvaluator::DependsOn(std::string_view name) const
{
    return operand_ && operand_->DependsOn(name);
}

void TUnaryEvaluator::ForEachNode(TNodeCallback callback, void* data, void* argument)
{
    callback(data, this, argument);
    if (operand_)
        operand_->ForEachNode(callback, data, argument);
}

Extended TUnaryEvaluator::FoldConstant(Extended value)
{
    const std::uint8_t status = EvaluationStatus;
    const bool tracking = Tracking;
    Tracking = false;
    const Extended result = Apply(value);
    Tracking = tracking;
    EvaluationStatus = status;
    return result;
}

TFunctionEvaluator::TFunctionEvaluator(int functionCode, TEvaluatorPtr operand)
    : TUnaryEvaluator(std::move(operand)), code_(functionCode), function_(FunctionFor(functionCode))
{
}

void TFunctionEvaluator::WriteName(TMathsWriter& writer) const
{
    writer.WriteText(FunctionName(code_));
}

void TFunctionEvaluator::WriteTo(TMathsWriter& writer) const
{
    switch (code_) {
    case fcFactorial:
        writer.WriteText("((");
        if (operand_)
            operand_->WriteTo(writer);
        writer.WriteText(")!)");
        return;
    case fcSquare: // the inverse of sqrt, written as a power node
        writer.WriteText("((");
        if (operand_)
            operand_->WriteTo(writer);
        writer.WriteText(")^(2))");
        return;
    case fcTenToThe: // the inverse of log, written as a power node
        writer.WriteText("((10)^(");
        if (operand_)
            operand_->WriteTo(writer);
        writer.WriteText("))");
        return;
    default:
        TUnaryEvaluator::WriteTo(writer);
    }
}

Extended TIntEvaluator::Apply(Extended value)
{
    const Extended result = std::floor(value);
    if (Tracking && result != lastResult_) {
        lastResult_ = result;
        SetStatus(esStep);
    }
    return result;
}

Extended TIntEvaluator::FoldConstant(Extended value)
{
    return std::floor(value);
}

void TIntEvaluator::WriteName(TMathsWriter& writer) const
{
    writer.WriteText("int");
}

std::unique_ptr<TMemoryStore> TIntEvaluator::CreateMemoryStore()
{
    return std::make_unique<TRealMemoryStore>(lastResult_);
}

Extended TTanEvaluator::Apply(Extended value)
{
    const Extended s = RealSin(value);
    return TrackedDivide(s, RealCos(value), lastSign_);
}

Extended TTanEvaluator::FoldConstant(Extended value)
{
    const bool sign = lastSign_;
    const Extended result = TUnaryEvaluator::FoldConstant(value);
    lastSign_ = sign;
    return result;
}

void TTanEvaluator::WriteName(TMathsWriter& writer) const
{
    writer.WriteText("tan");
}

std::unique_ptr<TMemoryStore> TTanEvaluator::CreateMemoryStore()
{
    return std::make_unique<TBooleanMemoryStore>(lastSign_);
}

TSecEvaluator::TSecEvaluator(int baseCode, TEvaluatorPtr operand)
    : TTanEvaluator(std::move(operand)), baseCode_(baseCode)
{
}

Extended TSecEvaluator::Apply(Extended value)
{
    switch (baseCode_) {
    case 201:
        return TrackedDivide(1, RealCos(value), lastSign_);
    case 200:
        return TrackedDivide(1, RealSin(value), lastSign_);
    default: {
        // cot is cos / sin rather than 1 / tan: the divisor then changes sign
        // only at the real poles, and cot 90° is an exact 0 instead of a
        // division by the zero cosine inside tan.
        const Extended c = RealCos(value);
        return TrackedDivide(c, RealSin(value), lastSign_);
    }
    }
}

void TSecEvaluator::WriteName(TMathsWriter& writer) const
{
    writer.WriteText(baseCode_ == 201 ? "sec" : baseCode_ == 200 ? "cosec" : "cot");
}

void TPlusOrMinusEvaluator::WriteName(TMathsWriter& writer) const
{
    writer.WriteText("{\xB1");
}

std::unique_ptr<TMemoryStore> TPlusOrMinusEvaluator::CreateMemoryStore()
{
    return std::make_unique<TBooleanMemoryStore>(minus_);
}

// ---------------------------------------------------------------------------
// Binary nodes

void TBinaryEvaluator::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("((");
    if (left_)
        left_->WriteTo(writer);
    writer.WriteChar(')');
    WriteOperator(writer);
    writer.WriteChar('(');
    if (right_)
        right_->WriteTo(writer);
    writer.WriteText("))");
}

bool TBinaryEvaluator::DependsOn(std::string_view name) const
{
    return (left_ && left_->DependsOn(name)) || (right_ && right_->DependsOn(name));
}

void TBinaryEvaluator::ForEachNode(TNodeCallback callback, void* data, void* argument)
{
    callback(data, this, argument);
    if (left_)
        left_->ForEachNode(callback, data, argument);
    if (right_)
        right_->ForEachNode(callback, data, argument);
}

Extended TBinaryEvaluator::FoldConstants(Extended left, Extended right)
{
    const std::uint8_t status = EvaluationStatus;
    const bool tracking = Tracking;
    Tracking = false;
    const Extended result = Operate(left, right);
    Tracking = tracking;
    EvaluationStatus = status;
    return result;
}

TOperationEvaluator::TOperationEvaluator(TOperation operation, TEvaluatorPtr left, TEvaluatorPtr right)
    : TBinaryEvaluator(std::move(left), std::move(right)), operation_(operation)
{
}

Extended TOperationEvaluator::Operate(Extended left, Extended right)
{
    switch (operation_) {
    case TOperation::Add:
        return left + right;
    case TOperation::Subtract:
        return left - right;
    case TOperation::Multiply:
        return left * right;
    case TOperation::Power:
        return RealPower(left, right);
    }
    return 0;
}

void TOperationEvaluator::WriteOperator(TMathsWriter& writer) const
{
    writer.WriteChar(static_cast<char>(operation_));
}

Extended TDivideEvaluator::Operate(Extended left, Extended right)
{
    return TrackedDivide(left, right, lastSign_);
}

Extended TDivideEvaluator::FoldConstants(Extended left, Extended right)
{
    const bool sign = lastSign_;
    const Extended result = TBinaryEvaluator::FoldConstants(left, right);
    lastSign_ = sign;
    return result;
}

void TDivideEvaluator::WriteOperator(TMathsWriter& writer) const
{
    writer.WriteChar('/');
}

int TDivideEvaluator::TokenCode() const
{
    // The fraction dy over dx of a differential equation.
    if (left_ && right_ && left_->TokenCode() == 226 && right_->TokenCode() == 227)
        return 306;
    return 1;
}

std::unique_ptr<TMemoryStore> TDivideEvaluator::CreateMemoryStore()
{
    return std::make_unique<TBooleanMemoryStore>(lastSign_);
}

// ---------------------------------------------------------------------------
// Shared operations

Extended SafeEvaluate(TEvaluator* tree)
{
    if (!tree)
        return 0;
    return GuardFaults([tree] { return tree->Evaluate(); });
}

Extended ResetAndEvaluate(TEvaluator* tree)
{
    ResetStatus();
    return SafeEvaluate(tree);
}

Extended EvaluateConstantPart(TEvaluator* tree, std::uint8_t& status)
{
    const bool tracking = Tracking;
    Tracking = false;
    const Extended value = ResetAndEvaluate(tree);
    status = EvaluationStatus;
    Tracking = tracking;
    ResetStatus();
    return value;
}

std::vector<std::unique_ptr<TMemoryStore>> CollectMemoryStores(TEvaluator* tree)
{
    std::vector<std::unique_ptr<TMemoryStore>> stores;
    if (tree)
        tree->ForEachNode(
            [](void* data, TEvaluator* node, void*) {
                if (auto store = node->CreateMemoryStore())
                    static_cast<std::vector<std::unique_ptr<TMemoryStore>>*>(data)->push_back(
                        std::move(store));
            },
            &stores, nullptr);
    return stores;
}

std::string TreeToMarkup(const TEvaluator* tree)
{
    TMathsWriter writer;
    if (tree)
        tree->WriteTo(writer);
    return writer.TakeText();
}
