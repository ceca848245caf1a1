// Finished formula lines classified as the equations window classifies them
// on Enter: into a curve, a relation, a declaration, a prompt for the next
// part, or a message at a place in the line. The first byte chooses how:
// bit 0 reads the rest as markup instead of typed text (one text run without
// tab, "{" and "}"), bit 1 makes a constant k and a function f(x) known,
// bit 2 works in radians, bit 3 lets unknown names wait for a definition.
#include "entry/entry.h"
#include "expr/declarations.h"
#include "fuzzsupport.h"
#include "numbers/numerics.h"
#include "plot/formulacurve.h"
#include "settings/mathsreader.h"
#include "settings/mathswriter.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using fuzzsupport::Check;

namespace {

enum : std::uint8_t { fMarkup = 1, fDeclared = 2, fRadians = 4, fDefineLater = 8 };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::uint8_t flags = 0;
    TElementList list;
    if (!fuzzsupport::FlaggedLine(data, size, fMarkup, flags, list))
        return 0;

    FamilyEnd();
    AngleFactor = (flags & fRadians) ? RadiansFactor : DegreesFactor;
    TEditor line;
    line.SetElements(std::move(list));
    const std::vector<TEquationObject*> none;
    TParseParams params;
    params.declaredNames = (flags & fDeclared) ? &fuzzsupport::Declared() : &none;
    params.defineLater = (flags & fDefineLater) != 0;
    std::unique_ptr<TEquationObject> object = ClassifyLine(line, params);

    if (!object) {
        // The line stays in editing; the message must point into it.
        if (HasError(params))
            fuzzsupport::CheckErrorPlace(params, line.Elements());
        FamilyEnd();
        return 0;
    }
    if (auto* curve = dynamic_cast<TFormulaCurve*>(object.get()); curve && curve->Formula) {
        Variables = TVariableValues{0.5L, -1.5L, 2, 30, 3, 4};
        Check(std::isfinite(ResetAndEvaluate(curve->Formula.get())),
              "a curve's formula gave a value that is not finite");
    }
    TMathsWriter writer;
    object->WriteTo(writer);
    FamilyEnd();
    return 0;
}
