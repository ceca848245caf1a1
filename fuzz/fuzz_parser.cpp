// Formulas as the equations window parses them, with every variable allowed.
// The first byte chooses how: bit 0 reads a relation first ("y=...",
// "x>=2"), bit 1 lets unknown names wait for a definition, bit 2 allows
// words, bit 3 allows "half" and "quarter", bit 4 keeps to the first
// variable met, bit 5 reads the rest as markup instead of typed text. Typed
// text arrives as one text run without the characters the editor keeps out
// (tab, "{" and "}"). A parse must end with a tree or with a message placed
// where the editor can show it.
#include "fuzzsupport.h"
#include "numbers/numerics.h"
#include "settings/mathsreader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using fuzzsupport::Check;

namespace {

enum : std::uint8_t {
    fRelation = 1,
    fUndefinedNames = 2,
    fWords = 4,
    fHalf = 8,
    fSingleVariable = 16,
    fMarkup = 32,
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::uint8_t flags = 0;
    TElementList line;
    if (!fuzzsupport::FlaggedLine(data, size, fMarkup, flags, line))
        return 0;
    Tidy(line, tmFinish);
    const TEditorObject* list = line.get();

    std::vector<std::string> undefined;
    const std::vector<TEquationObject*> declared;
    TParseParams params;
    params.declaredNames = (flags & fUndefinedNames) ? &declared : nullptr;
    const TTerminatorSet terminators = (flags & fRelation) ? RelationTerminators() : EndOrTabTerminators();
    std::vector<std::string>* waiting = (flags & fUndefinedNames) ? &undefined : nullptr;
    const bool single = (flags & fSingleVariable) != 0;
    StartParse(params, line.get(), fuzzsupport::AllVariables, waiting, single, terminators);
    params.wordsAllowed = (flags & fWords) != 0;
    params.halfAndQuarterAllowed = (flags & fHalf) != 0;

    std::vector<TEvaluatorPtr> trees;
    trees.push_back(ParseExpression(params));
    if ((flags & fRelation) && !HasError(params)) {
        params.terminators = EndOrTabTerminators();
        trees.push_back(ParseNext(params));
    }
    for (const TEvaluatorPtr& tree : trees)
        Check(tree != nullptr, "the parser answered no tree");
    if (HasError(params)) {
        fuzzsupport::CheckErrorPlace(params, list);
        return 0;
    }
    for (const TXYPosition& place : params.variablePositions) {
        Check(place.element == nullptr || fuzzsupport::AllElements(list).count(place.element) == 1,
              "a variable occurrence names an element outside the formula");
    }
    FinishParse(params);

    Tracking = false;
    AngleFactor = (flags & 64) ? RadiansFactor : DegreesFactor;
    Variables = TVariableValues{2, -3, 0.5L, 1, 7, 4};
    for (const TEvaluatorPtr& tree : trees) {
        const Extended value = ResetAndEvaluate(tree.get());
        Check(std::isfinite(value), "evaluation answered a value that is not finite");
        (void)FormatNumber(10, false, value);
        // The markup of a tree is read by the parser again (saved definitions).
        try {
            TElementList back = ElementsFromText(TreeToMarkup(tree.get()));
            TParseParams again;
            StartParse(again, back.get(), fuzzsupport::AllVariables, nullptr, false, EndOrTabTerminators());
            (void)ParseExpression(again);
        } catch (const eReaderror&) {
        }
    }
    return 0;
}
