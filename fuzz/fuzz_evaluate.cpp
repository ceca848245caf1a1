// Parsed trees evaluated at varying values of the variables, the way the
// curves drive them: plain evaluation, a tracked sweep with the
// discontinuity memory saved and restored, the analysis of ± branches and
// the inversion towards x and y. The input is formula markup, optionally
// followed by a zero byte, a flags byte and up to six 8-byte values for x,
// y, t, θ, r and n (raw doubles, so infinities, NaNs and denormals occur).
// A declared constant k and a declared function f(x)=x²+1 are known.
#include "expr/analysis.h"
#include "expr/declarations.h"
#include "fuzzsupport.h"
#include "numbers/numerics.h"
#include "settings/mathsreader.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using fuzzsupport::Check;

namespace {

enum : std::uint8_t { fRadians = 1, fTrackedSweep = 2, fAnalyse = 4, fInvert = 8, fMemory = 16 };

// The tree of markup with every variable allowed, or nullptr when it is refused.
TEvaluatorPtr Parse(const std::string& markup)
{
    TElementList line;
    try {
        line = ElementsFromText(markup);
    } catch (const eReaderror&) {
        return nullptr;
    }
    Tidy(line, tmFinish);
    TParseParams params;
    params.declaredNames = &fuzzsupport::Declared();
    StartParse(params, line.get(), fuzzsupport::AllVariables, nullptr, false, EndOrTabTerminators());
    TEvaluatorPtr tree = ParseExpression(params);
    if (HasError(params)) {
        fuzzsupport::CheckErrorPlace(params, line.get());
        return nullptr;
    }
    return tree;
}

Extended Evaluated(TEvaluator* tree)
{
    const Extended value = ResetAndEvaluate(tree);
    Check(std::isfinite(value), "evaluation answered a value that is not finite");
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto* begin = reinterpret_cast<const char*>(data);
    const auto* zero = static_cast<const char*>(std::memchr(begin, 0, size));
    const std::string markup(begin, zero ? zero : begin + size);
    std::uint8_t flags = 0;
    Extended values[6] = {1, 2, 0.5L, 30, 3, 4};
    if (zero) {
        const std::uint8_t* rest = reinterpret_cast<const std::uint8_t*>(zero) + 1;
        std::size_t left = size - static_cast<std::size_t>(rest - data);
        if (left > 0) {
            flags = *rest++;
            --left;
        }
        for (Extended& value : values) {
            if (left < sizeof(double))
                break;
            double raw = 0;
            std::memcpy(&raw, rest, sizeof raw);
            value = raw;
            rest += sizeof raw;
            left -= sizeof raw;
        }
    }

    // Constant parts are folded as they are parsed, so the angle unit holds from the parse on.
    AngleFactor = (flags & fRadians) ? RadiansFactor : DegreesFactor;
    TEvaluatorPtr tree = Parse(markup);
    if (!tree)
        return 0;

    Tracking = false;
    Variables = TVariableValues{values[0], values[1], values[2], values[3], values[4], values[5]};
    const Extended first = Evaluated(tree.get());
    const std::uint8_t firstStatus = EvaluationStatus;
    // Evaluation without tracking has no memory: the same values give the same answer.
    const Extended second = Evaluated(tree.get());
    Check(EvaluationStatus == firstStatus && second == first,
          "the same values evaluated twice give different answers");

    if (flags & fTrackedSweep) {
        // A curve steps its variables across the window with tracking on.
        const Extended step = std::isfinite(values[1]) && values[1] != 0 ? values[1] : 0.25L;
        std::vector<std::unique_ptr<TMemoryStore>> stores;
        if (flags & fMemory)
            stores = CollectMemoryStores(tree.get());
        Tracking = true;
        for (int i = 0; i < 24; ++i) {
            Variables.x = values[0] + i * step;
            Variables.t = values[2] + i * step;
            Variables.theta = values[3] + i * step;
            (void)Evaluated(tree.get());
            if (i == 12)
                for (const auto& store : stores)
                    store->Swap();
        }
        Tracking = false;
    }

    if (flags & fAnalyse) {
        const int branches = CountBranches(tree.get());
        Check(branches >= 1, "a tree has no branch");
        TFormulaAnalysis analysis;
        for (int branch = 1; branch <= std::min(branches, 4); ++branch) {
            SelectBranch(tree.get(), analysis, branch, branches, (flags & 32) != 0);
            (void)Evaluated(tree.get());
        }
        AnalyseTree(tree.get(), analysis, false);
    }

    if (flags & fInvert) {
        // Inversion takes the tree apart, so each direction gets a fresh parse.
        for (const int variable : {vcX, vcY}) {
            TEvaluatorPtr fresh = Parse(markup);
            Check(fresh != nullptr, "a formula parsed once is refused the second time");
            bool reversed = false;
            TEvaluatorPtr inverse =
                InvertTree(*fresh, variable, std::make_unique<TConstantEvaluator>(values[1]), reversed);
            if (inverse)
                (void)Evaluated(inverse.get());
        }
    }
    (void)TreeToMarkup(tree.get());
    return 0;
}
