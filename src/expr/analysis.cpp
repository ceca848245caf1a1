// The structural analysis of evaluation trees and their inversion towards a
// variable: the Analyse, CombineAnalysis, InvertTowards and AppendInverse
// operations of the nodes, and the helpers that drive them.
#include "expr/analysis.h"

#include "expr/functions.h"
#include "numbers/numerics.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

[[nodiscard]] bool IsEven(Extended x)
{
    return IsWhole(x) && std::fmod(x, 2) == 0;
}

// Operands whose current linear form a constant term or factor changes: a
// linear term, or the reciprocal of one (A / (Bx + C) + D).
[[nodiscard]] bool TakesConstants(std::int32_t degree)
{
    return degree == 1 || degree == -1;
}

[[nodiscard]] std::int32_t SaturatedDegree(Extended degree)
{
    // An infinite power of a constant (0 × ∞) has no degree to speak of.
    if (std::isnan(degree))
        return 0;
    return static_cast<std::int32_t>(std::clamp(degree, Extended(-1e9), Extended(1e9)));
}

// Clears the occurs flags for an operand and answers the ones set before.
struct TOccurs {
    bool x = false, y = false;
};
[[nodiscard]] TOccurs TakeOccurs(TFormulaAnalysis& analysis)
{
    const TOccurs before{analysis.xEntry.occurs, analysis.yEntry.occurs};
    analysis.xEntry.occurs = false;
    analysis.yEntry.occurs = false;
    return before;
}
void RestoreOccurs(TFormulaAnalysis& analysis, TOccurs before)
{
    analysis.xEntry.occurs = analysis.xEntry.occurs || before.x;
    analysis.yEntry.occurs = analysis.yEntry.occurs || before.y;
}

void MarkNotInvertible(TFormulaAnalysis& analysis, const bool (&occurs)[2])
{
    if (occurs[0])
        analysis.xEntry.invertible = false;
    if (occurs[1])
        analysis.yEntry.invertible = false;
}

void MarkBehindDeclaredFactor(TFormulaAnalysis& analysis, const bool (&occurs)[2])
{
    if (occurs[0])
        analysis.xEntry.behindDeclaredFactor = true;
    if (occurs[1])
        analysis.yEntry.behindDeclaredFactor = true;
}

void RaiseDepth(TFormulaAnalysis& analysis, const bool (&occurs)[2])
{
    if (occurs[0] && analysis.xEntry.depth < UINT8_MAX)
        ++analysis.xEntry.depth;
    if (occurs[1] && analysis.yEntry.depth < UINT8_MAX)
        ++analysis.yEntry.depth;
}

// Functions whose inverse gives back only part of the variable's values
// (periodic or even functions), or that have no inverse at all, hide the
// variable from inversion.
[[nodiscard]] bool HidesVariable(int code, bool evenPowersBlocked)
{
    switch (code) {
    case 200: // sin
    case 201: // cos
    case 202: // tan
    case 204: // cosh: arcosh gives only the positive half
    case 218: // abs
        return true;
    case fcSquare:
        return evenPowersBlocked;
    default:
        return InverseFunctionCode(code) == 0;
    }
}

void Describe(TFormulaAnalysis& analysis, int code)
{
    analysis.descriptionEnd.clear();
    switch (code) {
    case 218:
        analysis.description = "|";
        analysis.descriptionEnd = "|";
        return;
    case 220:
        analysis.description = "{sqrt{";
        analysis.descriptionEnd = "}";
        return;
    case 223:
        analysis.description = "e{^{";
        analysis.descriptionEnd = "}";
        return;
    case fcTenToThe:
        analysis.description = "10{^{";
        analysis.descriptionEnd = "}";
        return;
    case fcFactorial:
    case fcSquare:
        analysis.description.clear();
        return;
    default:
        if (code >= 209 && code <= 217) // an inverse: sin to the power -1
            analysis.description = std::string(FunctionName(InverseFunctionCode(code))) + "{^{-1}";
        else
            analysis.description = FunctionName(code);
    }
}

void NegateForm(TLinearForm& form)
{
    form.multiplier = -form.multiplier;
    form.offset = -form.offset;
}

// True when node is a factor without variables whose value is negative now:
// a number, a constant part such as -2 or 3 - 5, or a declared constant.
[[nodiscard]] bool IsNegativeFactor(TEvaluator* node)
{
    if (!node)
        return false;
    TFormulaAnalysis analysis;
    AnalyseTree(node, analysis, false);
    return analysis.constantFlag && analysis.constantValue < 0;
}

// Puts node into the hole and moves the hole to the node's operand slot.
template <class Node> void PlaceUnary(TInversionRecord& record, std::unique_ptr<Node> node)
{
    TEvaluatorPtr& slot = node->OperandSlot();
    *record.hole = std::move(node);
    record.hole = &slot;
}

// Puts node into the hole and moves the hole to its left (0) or right (1) slot.
template <class Node> void PlaceBinary(TInversionRecord& record, std::unique_ptr<Node> node, int holeSide)
{
    TEvaluatorPtr& slot = holeSide == 0 ? node->LeftSlot() : node->RightSlot();
    *record.hole = std::move(node);
    record.hole = &slot;
}

std::unique_ptr<TOperationEvaluator> MakeOperation(TOperation operation, TEvaluatorPtr left,
                                                   TEvaluatorPtr right)
{
    return std::make_unique<TOperationEvaluator>(operation, std::move(left), std::move(right));
}

void Toggle(TInversionRecord& record)
{
    record.reversed = !record.reversed;
}

} // namespace

// ---------------------------------------------------------------------------
// The record

TVariableEntry* TFormulaAnalysis::EntryFor(int code)
{
    if (code == xEntry.code)
        return &xEntry;
    if (code == yEntry.code)
        return &yEntry;
    return nullptr;
}

void StartAnalysis(TFormulaAnalysis& analysis, bool evenPowersBlocked)
{
    analysis = TFormulaAnalysis{};
    analysis.evenPowersBlocked = evenPowersBlocked;
}

void AnalyseTree(TEvaluator* tree, TFormulaAnalysis& analysis, bool evenPowersBlocked)
{
    StartAnalysis(analysis, evenPowersBlocked);
    if (!tree)
        return;
    tree->Analyse(analysis);
    if (analysis.constantFlag)
        analysis.CurrentForm() = {0, analysis.constantValue};
}

int CountBranches(TEvaluator* tree)
{
    TFormulaAnalysis analysis;
    AnalyseTree(tree, analysis, false);
    return analysis.branchCount;
}

void SelectBranch(TEvaluator* tree, TFormulaAnalysis& analysis, int branch, int branchCount,
                  bool evenPowersBlocked)
{
    StartAnalysis(analysis, evenPowersBlocked);
    analysis.branchSelector = std::max(branchCount - branch, 0);
    if (!tree)
        return;
    tree->Analyse(analysis);
    if (analysis.constantFlag)
        analysis.CurrentForm() = {0, analysis.constantValue};
}

// ---------------------------------------------------------------------------
// Analysis of the nodes

void TEvaluator::Analyse(TFormulaAnalysis&) {}

void TConstantEvaluator::Analyse(TFormulaAnalysis& analysis)
{
    analysis.constantFlag = true;
    analysis.constantValue = value_;
}

void TxAxisEvaluator::Analyse(TFormulaAnalysis& analysis)
{
    if (analysis.variableNodes < INT16_MAX)
        ++analysis.variableNodes;
    if (analysis.nonLinearDepth > 0 || analysis.variableNodes > 1)
        analysis.singleVariable = false;
    if (TVariableEntry* entry = analysis.EntryFor(TokenCode())) {
        if (entry->count < UINT16_MAX)
            ++entry->count;
        entry->occurs = true;
    }
    analysis.degree = 1;
    // A variable after the first function: the formula is no longer one
    // function of a linear expression.
    if (analysis.functionCount == 1)
        analysis.functionCount = 2;
    analysis.linearForms[0] = {1, 0};
    analysis.linearForms[1] = {1, 0};
}

void TUnaryEvaluator::Analyse(TFormulaAnalysis& analysis)
{
    if (operand_)
        operand_->Analyse(analysis);
}

void TUnaryEvaluator::AnalyseOperandDeeper(TFormulaAnalysis& analysis, bool (&operandOccurs)[2])
{
    const TOccurs before = TakeOccurs(analysis);
    ++analysis.nonLinearDepth;
    if (operand_)
        operand_->Analyse(analysis);
    --analysis.nonLinearDepth;
    operandOccurs[0] = analysis.xEntry.occurs;
    operandOccurs[1] = analysis.yEntry.occurs;
    RestoreOccurs(analysis, before);
}

void TFunctionEvaluator::Analyse(TFormulaAnalysis& analysis)
{
    if (code_ == fcNegate) {
        if (operand_)
            operand_->Analyse(analysis);
        if (analysis.constantFlag)
            analysis.constantValue = -analysis.constantValue;
        else
            NegateForm(analysis.CurrentForm());
        return;
    }
    bool occurs[2];
    if (!AnalyseFunctionOperand(analysis, occurs))
        return;
    Describe(analysis, code_);
    if (HidesVariable(code_, analysis.evenPowersBlocked))
        MarkNotInvertible(analysis, occurs);
}

bool TUnaryEvaluator::AnalyseFunctionOperand(TFormulaAnalysis& analysis, bool (&operandOccurs)[2])
{
    AnalyseOperandDeeper(analysis, operandOccurs);
    if (analysis.constantFlag) {
        analysis.constantValue = FoldConstant(analysis.constantValue);
        return false;
    }
    analysis.termIndex = tiOuter;
    ++analysis.functionCount;
    return true;
}

void TIntEvaluator::Analyse(TFormulaAnalysis& analysis)
{
    bool occurs[2];
    if (AnalyseFunctionOperand(analysis, occurs))
        MarkNotInvertible(analysis, occurs);
}

void TTanEvaluator::Analyse(TFormulaAnalysis& analysis)
{
    bool occurs[2];
    if (!AnalyseFunctionOperand(analysis, occurs))
        return;
    analysis.description = "tan";
    analysis.descriptionEnd.clear();
    MarkNotInvertible(analysis, occurs);
}

void TSecEvaluator::Analyse(TFormulaAnalysis& analysis)
{
    bool occurs[2];
    if (AnalyseFunctionOperand(analysis, occurs))
        MarkNotInvertible(analysis, occurs);
}

void TPlusOrMinusEvaluator::Analyse(TFormulaAnalysis& analysis)
{
    minus_ = (analysis.branchSelector & 1) != 0;
    analysis.branchSelector >>= 1;
    if (analysis.branchCount <= INT32_MAX / 2)
        analysis.branchCount *= 2;
    if (operand_)
        operand_->Analyse(analysis);
    if (analysis.constantFlag && minus_)
        analysis.constantValue = -analysis.constantValue;
}

int TBinaryEvaluator::OperandDepthIncrease(int) const
{
    return 1;
}

int TOperationEvaluator::OperandDepthIncrease(int) const
{
    return operation_ == TOperation::Power ? 1 : 0;
}

// Dividing by a constant keeps a linear form, so only the denominator lies
// one level deeper.
int TDivideEvaluator::OperandDepthIncrease(int side) const
{
    return side == 1 ? 1 : 0;
}

void TBinaryEvaluator::Analyse(TFormulaAnalysis& analysis)
{
    TOperandFacts facts[2];
    TEvaluator* operands[2] = {left_.get(), right_.get()};
    for (int side = 0; side < 2; ++side) {
        const TOccurs before = TakeOccurs(analysis);
        analysis.degree = 0;
        analysis.constantFlag = false;
        analysis.declaredFlag = false;
        const int deeper = OperandDepthIncrease(side);
        analysis.nonLinearDepth = static_cast<std::int16_t>(analysis.nonLinearDepth + deeper);
        if (operands[side])
            operands[side]->Analyse(analysis);
        analysis.nonLinearDepth = static_cast<std::int16_t>(analysis.nonLinearDepth - deeper);
        facts[side].degree = analysis.degree;
        facts[side].constant = analysis.constantFlag;
        facts[side].declared = analysis.declaredFlag;
        facts[side].value = analysis.constantValue;
        facts[side].occurs[0] = analysis.xEntry.occurs;
        facts[side].occurs[1] = analysis.yEntry.occurs;
        RestoreOccurs(analysis, before);
    }
    // Constant operands make a constant, whatever the operation.
    analysis.constantFlag = facts[0].constant && facts[1].constant;
    if (analysis.constantFlag) {
        analysis.constantValue = FoldConstants(facts[0].value, facts[1].value);
        analysis.degree = 0;
    } else {
        CombineAnalysis(analysis, facts[0], facts[1]);
    }
    analysis.declaredFlag = facts[0].declared || facts[1].declared;
}

void TOperationEvaluator::CombineAnalysis(TFormulaAnalysis& analysis, const TOperandFacts& left,
                                          const TOperandFacts& right)
{
    TLinearForm& form = analysis.CurrentForm();
    switch (operation_) {
    case TOperation::Add:
    case TOperation::Subtract: {
        const bool subtract = operation_ == TOperation::Subtract;
        analysis.degree = std::max(left.degree, right.degree);
        if (right.constant && TakesConstants(left.degree)) {
            form.offset += subtract ? -right.value : right.value;
        } else if (left.constant && TakesConstants(right.degree)) {
            if (subtract)
                NegateForm(form);
            form.offset += left.value;
        }
        break;
    }
    case TOperation::Multiply:
        // Isolating a variable from a product with a factor in the other
        // variable divides by that factor: where it is zero an equation loses
        // a branch (x(y - 1) = 0 loses x = 0) and where it is negative an
        // inequality turns round. Like an even power, such a product hides
        // its variables from inversion, and the implicit route draws it.
        if (!left.constant && !right.constant) {
            const bool below[2] = {left.occurs[0] || right.occurs[0], left.occurs[1] || right.occurs[1]};
            MarkNotInvertible(analysis, below);
        }
        // A declared factor's sign decides which way an inequality turns
        // when it is divided out, and it may change after entry.
        if (analysis.evenPowersBlocked &&
            ((left.constant && left.declared) || (right.constant && right.declared))) {
            const bool below[2] = {left.occurs[0] || right.occurs[0], left.occurs[1] || right.occurs[1]};
            MarkBehindDeclaredFactor(analysis, below);
        }
        analysis.degree = SaturatedDegree(Extended(left.degree) + right.degree);
        if (left.constant && TakesConstants(right.degree)) {
            form.multiplier *= left.value;
            form.offset *= left.value;
        } else if (right.constant && TakesConstants(left.degree)) {
            form.multiplier *= right.value;
            form.offset *= right.value;
        }
        break;
    case TOperation::Power: {
        const bool below[2] = {left.occurs[0] || right.occurs[0], left.occurs[1] || right.occurs[1]};
        RaiseDepth(analysis, below);
        if (right.constant && IsWhole(right.value)) {
            analysis.degree = SaturatedDegree(right.value * left.degree);
            if (left.degree > 0)
                analysis.powerDegree = analysis.degree;
        } else {
            ++analysis.functionCount;
            analysis.degree = std::max(left.degree, right.degree);
        }
        if (!right.constant || (analysis.evenPowersBlocked && IsEven(right.value)))
            MarkNotInvertible(analysis, below);
        break;
    }
    }
}

void TDivideEvaluator::CombineAnalysis(TFormulaAnalysis& analysis, const TOperandFacts& left,
                                       const TOperandFacts& right)
{
    // An inequality cannot be multiplied out by a divisor in a variable,
    // whose sign changes across the plane (1/y < x, y/x > 1).
    if (!right.constant && analysis.evenPowersBlocked) {
        const bool below[2] = {left.occurs[0] || right.occurs[0], left.occurs[1] || right.occurs[1]};
        MarkNotInvertible(analysis, below);
    }
    if (right.constant && right.declared && analysis.evenPowersBlocked)
        MarkBehindDeclaredFactor(analysis, left.occurs);
    if (right.constant && right.value != 0) {
        TLinearForm& form = analysis.CurrentForm();
        form.multiplier /= right.value;
        form.offset /= right.value;
    } else {
        ++analysis.functionCount;
        analysis.description = "{/{";
        analysis.descriptionEnd.clear();
        // The reciprocal breaks the linear form like a function: what lies
        // around it is described by the outer form, whose multiplier starts
        // as a constant numerator (A in A / (Bx + C) + D).
        analysis.termIndex = tiOuter;
        if (left.constant)
            analysis.linearForms[1] = {left.value, 0};
    }
    analysis.degree = SaturatedDegree(Extended(left.degree) - right.degree);
}

// ---------------------------------------------------------------------------
// Inversion

bool TEvaluator::InvertTowards(TInversionRecord&)
{
    return false;
}

bool TxAxisEvaluator::InvertTowards(TInversionRecord& record)
{
    if (TokenCode() != record.variable)
        return false;
    record.hole = &record.root;
    return true;
}

bool TUnaryEvaluator::InvertTowards(TInversionRecord& record)
{
    if (!operand_ || !operand_->InvertTowards(record))
        return false;
    AppendInverse(record);
    return true;
}

bool TBinaryEvaluator::InvertTowards(TInversionRecord& record)
{
    if (left_ && left_->InvertTowards(record)) {
        AppendInverse(record, 0);
        return true;
    }
    if (right_ && right_->InvertTowards(record)) {
        AppendInverse(record, 1);
        return true;
    }
    return false;
}

// Nodes without an inverse (integer part, tan, sec, cosec, cot) add nothing;
// the analysis has marked the variable as not invertible below them.
void TUnaryEvaluator::AppendInverse(TInversionRecord&) {}

void TFunctionEvaluator::AppendInverse(TInversionRecord& record)
{
    switch (code_) {
    case fcNegate:
        PlaceUnary(record, std::make_unique<TFunctionEvaluator>(fcNegate, nullptr));
        Toggle(record);
        return;
    case fcSquare: // like a power 2: both roots
        PlaceUnary(record, std::make_unique<TPlusOrMinusEvaluator>(nullptr));
        PlaceUnary(record, std::make_unique<TFunctionEvaluator>(220, nullptr));
        return;
    default:
        break;
    }
    switch (const int inverse = InverseFunctionCode(code_)) {
    case 0:
        return;
    case 202:
        PlaceUnary(record, std::make_unique<TTanEvaluator>(nullptr));
        return;
    case 206:
        PlaceUnary(record, std::make_unique<TSecEvaluator>(201, nullptr));
        return;
    case 207:
        PlaceUnary(record, std::make_unique<TSecEvaluator>(200, nullptr));
        return;
    case 208:
        PlaceUnary(record, std::make_unique<TSecEvaluator>(202, nullptr));
        return;
    default:
        PlaceUnary(record, std::make_unique<TFunctionEvaluator>(inverse, nullptr));
        return;
    }
}

void TPlusOrMinusEvaluator::AppendInverse(TInversionRecord& record)
{
    PlaceUnary(record, std::make_unique<TPlusOrMinusEvaluator>(nullptr));
}

void TOperationEvaluator::AppendInverse(TInversionRecord& record, int side)
{
    TEvaluatorPtr other = side == 0 ? TakeRight() : TakeLeft();
    switch (operation_) {
    case TOperation::Add: // v + a, a + v: ? - a
        PlaceBinary(record, MakeOperation(TOperation::Subtract, nullptr, std::move(other)), 0);
        return;
    case TOperation::Subtract:
        if (side == 0) { // v - a: a + ?
            PlaceBinary(record, MakeOperation(TOperation::Add, std::move(other), nullptr), 1);
        } else { // a - v: a - ?
            PlaceBinary(record, MakeOperation(TOperation::Subtract, std::move(other), nullptr), 1);
            Toggle(record);
        }
        return;
    case TOperation::Multiply: // ? / a; a negative multiplier turns an inequality round
        if (IsNegativeFactor(other.get()))
            Toggle(record);
        PlaceBinary(record, std::make_unique<TDivideEvaluator>(nullptr, std::move(other)), 0);
        return;
    case TOperation::Power:
        if (side == 0) { // v^n
            const auto* constant = dynamic_cast<const TConstantEvaluator*>(other.get());
            if (constant && IsEven(constant->Value()))
                PlaceUnary(record, std::make_unique<TPlusOrMinusEvaluator>(nullptr));
            if (constant && constant->Value() == 2) {
                PlaceUnary(record, std::make_unique<TFunctionEvaluator>(220, nullptr));
            } else if (constant && constant->Value() != 0) {
                const Extended reciprocal = 1 / constant->Value();
                PlaceBinary(record,
                            MakeOperation(TOperation::Power, nullptr,
                                          std::make_unique<TConstantEvaluator>(reciprocal)),
                            0);
            } else { // ? ^ (1 / n); for n = 0 the division reports the failure
                auto exponent = std::make_unique<TDivideEvaluator>(std::make_unique<TConstantEvaluator>(1),
                                                                   std::move(other));
                PlaceBinary(record, MakeOperation(TOperation::Power, nullptr, std::move(exponent)), 0);
            }
        } else { // a^v: ln(?) / ln(a)
            PlaceBinary(record,
                        std::make_unique<TDivideEvaluator>(
                            nullptr, std::make_unique<TFunctionEvaluator>(222, std::move(other))),
                        0);
            PlaceUnary(record, std::make_unique<TFunctionEvaluator>(222, nullptr));
        }
        return;
    }
}

void TDivideEvaluator::AppendInverse(TInversionRecord& record, int side)
{
    if (side == 0) { // v / a: a * ?
        TEvaluatorPtr other = TakeRight();
        if (IsNegativeFactor(other.get()))
            Toggle(record);
        PlaceBinary(record, MakeOperation(TOperation::Multiply, std::move(other), nullptr), 1);
    } else { // a / v: a / ?
        PlaceBinary(record, std::make_unique<TDivideEvaluator>(TakeLeft(), nullptr), 1);
        Toggle(record);
    }
}

TEvaluatorPtr InvertTree(TEvaluator& tree, int variable, TEvaluatorPtr otherSide, bool& reversed)
{
    TInversionRecord record;
    record.variable = variable;
    reversed = false;
    if (!tree.InvertTowards(record))
        return nullptr;
    *record.hole = std::move(otherSide);
    reversed = record.reversed;
    return std::move(record.root);
}
