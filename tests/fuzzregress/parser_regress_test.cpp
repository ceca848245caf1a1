// Formulas that once crashed, hung or escaped the parser's bounds, found by
// fuzzing: each row is the input (or the rule that builds it) and the
// message the parser must give instead. A tree the parser hands out must be
// safe to evaluate, write and free, however the input was nested.
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t AllVariables = avX | avY | avT | avR | avN | avTheta;

// A sum of count x terms, cut into text runs by π symbols (a run holds at most 250 characters).
std::string LongSum(int count)
{
    std::string sum = "x";
    for (int i = 1; i < count; ++i)
        sum += (i % 100 == 0) ? "{p+x" : "+x";
    return sum;
}

// Fractions nested depth deep; every level adds a sum of terms terms after the level below.
std::string NestedSums(int depth, int terms)
{
    std::string markup = "x";
    for (int i = 0; i < depth; ++i)
        markup = "{/{" + markup + "{p+" + LongSum(terms) + "}{2}";
    return markup;
}

struct TOutcome {
    std::string message; // empty when the formula is accepted
    TEvaluatorPtr tree;
};

TOutcome ParseMarkup(const std::string& markup)
{
    TElementList elements = ElementsFromText(markup);
    Tidy(elements, tmFinish);
    TParseParams params;
    StartParse(params, elements.get(), AllVariables, nullptr, false, EndOrTabTerminators());
    TOutcome outcome;
    outcome.tree = ParseExpression(params);
    if (HasError(params))
        outcome.message = params.error.message;
    return outcome;
}

TEST(ParserRegress, NestedCellsCannotBuildTreesTallerThanTheBound)
{
    // Each cell kept below the height bound, but a tree from a cell counted
    // as one node in the cell around it, so 60 nested fractions gave paths of
    // 118000 nodes: deep enough for evaluation, writing or freeing to
    // exhaust the stack.
    struct TRow {
        const char* what;
        std::string markup;
        const char* message;
    };
    const std::vector<TRow> rows = {
        {"62 fractions of 1900 terms each", NestedSums(62, 1900), ParseMessage::NotUnderstood},
        {"two fractions of 1200 terms", NestedSums(2, 1200), ParseMessage::NotUnderstood},
        {"a sum of 1500 terms in an index", "x{^{" + LongSum(1500) + "}+" + LongSum(1500),
         ParseMessage::NotUnderstood},
        {"a square root of 1500 terms in a sum", "{sqrt{" + LongSum(1500) + "}+" + LongSum(1500),
         ParseMessage::NotUnderstood},
        // within the bound the same shapes parse
        {"20 fractions of 40 terms", NestedSums(20, 40), ""},
        {"a short sum in an index", "x{^{" + LongSum(300) + "}+" + LongSum(300), ""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        const TOutcome outcome = ParseMarkup(row.markup);
        EXPECT_EQ(outcome.message, row.message);
        ASSERT_NE(outcome.tree, nullptr);
        if (outcome.message.empty()) {
            Variables = TVariableValues{};
            Variables.x = 1;
            EXPECT_TRUE(std::isfinite(static_cast<double>(ResetAndEvaluate(outcome.tree.get()))));
            EXPECT_FALSE(TreeToMarkup(outcome.tree.get()).empty());
        }
    }
}

} // namespace
