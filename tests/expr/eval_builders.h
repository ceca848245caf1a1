// Short builders for evaluation trees in the evaluator tests.
#pragma once

#include "expr/evaluator.h"

#include <memory>

namespace evaltest {

inline TEvaluatorPtr C(Extended value)
{
    return std::make_unique<TConstantEvaluator>(value);
}
inline TEvaluatorPtr X()
{
    return MakeVariable(vcX);
}
inline TEvaluatorPtr Y()
{
    return MakeVariable(vcY);
}
inline TEvaluatorPtr F(int code, TEvaluatorPtr operand)
{
    return std::make_unique<TFunctionEvaluator>(code, std::move(operand));
}
inline TEvaluatorPtr Neg(TEvaluatorPtr operand)
{
    return F(fcNegate, std::move(operand));
}
inline TEvaluatorPtr PlusMinus(TEvaluatorPtr operand)
{
    return std::make_unique<TPlusOrMinusEvaluator>(std::move(operand));
}
inline TEvaluatorPtr Int(TEvaluatorPtr operand)
{
    return std::make_unique<TIntEvaluator>(std::move(operand));
}
inline TEvaluatorPtr Tan(TEvaluatorPtr operand)
{
    return std::make_unique<TTanEvaluator>(std::move(operand));
}
inline TEvaluatorPtr Sec(int base, TEvaluatorPtr operand)
{
    return std::make_unique<TSecEvaluator>(base, std::move(operand));
}
// op is one of + - * ^ /.
inline TEvaluatorPtr B(char op, TEvaluatorPtr left, TEvaluatorPtr right)
{
    if (op == '/')
        return std::make_unique<TDivideEvaluator>(std::move(left), std::move(right));
    return std::make_unique<TOperationEvaluator>(static_cast<TOperation>(op), std::move(left),
                                                 std::move(right));
}

// Keeps the program-wide evaluation state of one test to itself.
struct TStateGuard {
    TStateGuard() { ResetStatus(); }
    ~TStateGuard()
    {
        Tracking = false;
        AngleFactor = DegreesFactor;
        Variables = {};
        ResetStatus();
    }
};

} // namespace evaltest
