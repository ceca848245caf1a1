// The markup a tree writes is read back by the markup reader and the parser
// into a tree with the same values: derived objects rely on this to turn
// computed trees into ordinary formula lines.
#include "eval_builders.h"

#include "expr/parser.h"
#include "formula/markup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace evaltest;

namespace {

TEvaluatorPtr Theta()
{
    return MakeVariable(vcTheta);
}
TEvaluatorPtr R()
{
    return MakeVariable(vcR);
}

TEST(EvalMarkup, WrittenTreesParseBackToTheSameValues)
{
    TStateGuard guard;
    AngleFactor = DegreesFactor;
    const struct {
        const char* label;
        TEvaluatorPtr tree;
    } cases[] = {
        {"x+2", B('+', X(), C(2))},
        {"-2.5 y - x", B('-', B('*', C(-2.5L), Y()), X())},
        {"x^3 / (y-1)", B('/', B('^', X(), C(3)), B('-', Y(), C(1)))},
        {"(x^2)^3", B('^', B('^', X(), C(2)), C(3))},
        {"x^-2", B('^', X(), C(-2))},
        {"-(x^2)", Neg(B('^', X(), C(2)))},
        {"-(-x)", Neg(Neg(X()))},
        {"±x + y", B('+', PlusMinus(X()), Y())},
        {"2 - ±y", B('-', C(2), PlusMinus(Y()))},
        {"small and large constants", B('+', B('*', C(1.5e-9L), X()), C(1.2345e15L))},
        {"theta and r", B('*', Theta(), R())},
        {"every function",
         B('+', B('+', B('+', F(200, X()), F(201, Y())), B('+', F(202, X()), F(203, Y()))),
           B('+', B('+', F(204, X()), F(205, Y())), B('+', F(209, C(0.5L)), F(210, C(0.25L)))))},
        {"inverse functions", B('+', B('+', F(211, X()), F(212, Y())),
                                B('+', F(213, B('+', C(2), B('*', X(), X()))), F(214, C(0.5L))))},
        {"reciprocal inverses", B('+', B('+', F(215, C(2)), F(216, C(3))), F(217, Y()))},
        {"abs sqrt log ln exp", B('+', B('+', F(218, Y()), F(220, B('*', X(), X()))),
                                  B('+', F(221, C(5)), B('+', F(222, C(7)), F(223, X()))))},
        {"int tan sec cosec cot", B('+', B('+', Int(B('*', C(3), X())), Tan(Y())),
                                    B('+', Sec(201, X()), B('+', Sec(200, Y()), Sec(202, X()))))},
        {"factorial", F(fcFactorial, B('+', C(2), C(3)))},
        {"factorial of a variable", B('*', F(fcFactorial, Int(X())), Y())},
        {"square", F(fcSquare, B('-', X(), Y()))},
        {"ten to the power", F(fcTenToThe, B('/', X(), C(4)))},
    };
    const Extended points[][2] = {{1.25L, -0.75L}, {2.5L, 3.5L}, {-1.5L, 0.5L}};
    for (const auto& c : cases) {
        const std::string markup = TreeToMarkup(c.tree.get());
        TElementList elements = ElementsFromText(markup);
        ASSERT_TRUE(elements) << c.label << ": " << markup;
        TParseParams params;
        StartParse(params, elements.get(), avX | avY | avT | avR | avN | avTheta, nullptr, false,
                   EndOrTabTerminators());
        TEvaluatorPtr reread = ParseExpression(params);
        ASSERT_FALSE(HasError(params)) << c.label << ": " << markup << ": " << params.error.message;
        FinishParse(params);
        for (const auto& point : points) {
            Variables.x = point[0];
            Variables.y = point[1];
            Variables.theta = point[0] * 10;
            Variables.r = point[1];
            const Extended expected = ResetAndEvaluate(c.tree.get());
            const std::uint8_t expectedStatus = EvaluationStatus;
            const Extended value = ResetAndEvaluate(reread.get());
            EXPECT_EQ(EvaluationStatus, expectedStatus) << c.label << ": " << markup;
            EXPECT_LE(std::fabs(value - expected), 1e-16L * std::max(Extended(1), std::fabs(expected)))
                << c.label << ": " << markup << " gave " << static_cast<double>(value) << " for "
                << static_cast<double>(expected);
        }
    }
}

} // namespace
