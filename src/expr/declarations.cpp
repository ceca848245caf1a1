#include "expr/declarations.h"

#include "expr/analysis.h"
#include "formula/equationobject.h"
#include "numbers/numerics.h"
#include "platform/mainwindowbase.h"
#include "settings/mathswriter.h"

#include <algorithm>
#include <cctype>
#include <cfenv>
#include <cmath>

namespace {

std::string LowerCase(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

} // namespace

// ---- declarations ----------------------------------------------------------

TDeclaredName::TDeclaredName(std::string_view name) : name_(LowerCase(name)) {}

TDeclaredConstant::TDeclaredConstant(std::string_view name, TRealReaderPtr value)
    : TDeclaredName(name), value_(std::move(value))
{
    if (!value_)
        value_ = std::make_unique<TRealReader>(0);
    const Extended v = value_->Value();
    step_ = std::make_unique<TRealReader>(v == 0 ? 0.1L : std::fabs(v) / 10);
}

bool TDeclaredConstant::Exchange(TDeclaredName& other)
{
    auto* constant = dynamic_cast<TDeclaredConstant*>(&other);
    if (!constant)
        return false;
    std::swap(value_, constant->value_);
    std::swap(name_, constant->name_);
    std::swap(step_, constant->step_);
    return true;
}

bool TDeclaredConstant::DependsOn(std::string_view name) const
{
    return value_->DependsOn(name);
}

TDeclaredFunction::TDeclaredFunction(std::string_view name, TEvaluatorPtr definition)
    : TDeclaredName(name), definition_(std::move(definition))
{
}

bool TDeclaredFunction::Exchange(TDeclaredName& other)
{
    auto* function = dynamic_cast<TDeclaredFunction*>(&other);
    if (!function)
        return false;
    std::swap(definition_, function->definition_);
    std::swap(compiled_, function->compiled_);
    ++generation_;
    ++function->generation_;
    return true;
}

bool TDeclaredFunction::DependsOn(std::string_view name) const
{
    return definition_ && definition_->DependsOn(name);
}

// ---- nodes -----------------------------------------------------------------

Extended TDeclaredConstantEvaluator::Evaluate()
{
    const Extended value = constant_->Value();
    if (constant_ != Family.constant)
        return value;
    Family.used = true;
    return value + constant_->Step().Value() * Family.memberIndex;
}

bool TDeclaredConstantEvaluator::DependsOn(std::string_view name) const
{
    return constant_->Name() == LowerCase(name) || constant_->DependsOn(name);
}

void TDeclaredConstantEvaluator::Analyse(TFormulaAnalysis& analysis)
{
    // The family step is not applied: the analysis sees the constant's own value.
    analysis.constantFlag = true;
    analysis.declaredFlag = true;
    analysis.constantValue = constant_->Value();
}

void TDeclaredConstantEvaluator::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText(constant_->Name());
}

TDeclaredFunctionEvaluator::TDeclaredFunctionEvaluator(TDeclaredFunction* function, TEvaluatorPtr operand)
    : TUnaryEvaluator(std::move(operand)), function_(function),
      stores_(CollectMemoryStores(function->Definition())), storesGeneration_(function->Generation())
{
}

void TDeclaredFunctionEvaluator::RefreshStores()
{
    if (storesGeneration_ == function_->Generation())
        return;
    // The old stores refer to nodes of a definition that may be freed:
    // drop them without swapping.
    stores_ = CollectMemoryStores(function_->Definition());
    storesGeneration_ = function_->Generation();
}

void TDeclaredFunctionEvaluator::SwapStores()
{
    for (auto& store : stores_)
        store->Swap();
}

Extended TDeclaredFunctionEvaluator::Apply(Extended value)
{
    RefreshStores();
    SwapStores();
    const Extended outer = ParameterValue;
    ParameterValue = value;
    // The definition is evaluated on its own, which clears the fault flags:
    // raise the outer evaluation's faults again so that it still sees them.
    const int outerFaults = std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID);
    const Extended result = function_->EvaluateDefinition();
    if (outerFaults)
        std::feraiseexcept(outerFaults);
    ParameterValue = outer;
    SwapStores();
    return result;
}

bool TDeclaredFunctionEvaluator::DependsOn(std::string_view name) const
{
    return function_->Name() == LowerCase(name) || function_->DependsOn(name) ||
           (operand_ && operand_->DependsOn(name));
}

void TDeclaredFunctionEvaluator::Analyse(TFormulaAnalysis& analysis)
{
    RefreshStores();
    SwapStores();
    ++analysis.nonLinearDepth;
    operand_->Analyse(analysis);
    const std::int32_t count = analysis.functionCount;
    if (TEvaluator* definition = function_->Definition())
        definition->Analyse(analysis);
    --analysis.nonLinearDepth;
    analysis.termIndex = tiOuter;
    analysis.functionCount = count + 1;
    analysis.description = function_->Name() + "(";
    analysis.descriptionEnd.clear();
    SwapStores();
}

void TDeclaredFunctionEvaluator::WriteName(TMathsWriter& writer) const
{
    writer.WriteText(function_->Name());
}

void TDeclaredFunctionParameter::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("x");
}

bool MatchDeclaredName(const std::vector<TEquationObject*>& lines, std::string_view text,
                       TDeclaredMatch& match)
{
    for (TEquationObject* object : lines) {
        auto* line = dynamic_cast<TDeclarationLine*>(object);
        if (!line)
            continue;
        const std::string& name = line->NameText();
        if (!name.empty() && text.substr(0, name.size()) == name) {
            match.line = line;
            match.token = line->DeclarationToken();
            match.length = name.size();
            return true;
        }
    }
    return false;
}

TEvaluatorPtr MakeDeclaredConstantNode(TDeclarationLine* line)
{
    auto* constant = dynamic_cast<TDeclaredConstant*>(&line->Declaration());
    return std::make_unique<TDeclaredConstantEvaluator>(constant);
}

TEvaluatorPtr MakeDeclaredFunctionNode(TDeclarationLine* line, TEvaluatorPtr argument)
{
    auto* function = dynamic_cast<TDeclaredFunction*>(&line->Declaration());
    return std::make_unique<TDeclaredFunctionEvaluator>(function, std::move(argument));
}

TEvaluatorPtr MakeParameterNode()
{
    return std::make_unique<TDeclaredFunctionParameter>();
}

// ---- families --------------------------------------------------------------

void FamilyStart()
{
    if (Family.held)
        return;
    Family.memberIndex = 0;
    Family.used = false;
}

bool FamilyNext()
{
    if (Family.held)
        return false;
    ++Family.memberIndex;
    if (Family.extraMembers >= Family.memberIndex && Family.used)
        return true;
    Family.memberIndex = 0;
    return false;
}

bool FamilyHold()
{
    Family.held = Family.used;
    return Family.held;
}

bool FamilyNextHeld()
{
    if (!Family.held)
        return false;
    Family.used = true;
    Family.held = false;
    Family.held = FamilyNext();
    return Family.held;
}

bool FamilyNextUnheld()
{
    Family.held = false;
    Family.held = FamilyNext();
    return Family.held;
}

void FamilySet(int memberCount, const TDeclaredConstant* constant)
{
    // Ending a family (count 0, no constant) clears its display on the line
    // just as replacing it does. The old family is forgotten before the main
    // window is asked, so that a window which ends families itself while
    // clearing cannot recurse.
    if (Family.constant) {
        const std::string shown = std::move(Family.name);
        Family.constant = nullptr;
        Family.name.clear();
        Family.extraMembers = 0;
        if (MainWindow)
            MainWindow->ClearFamily(shown);
    }
    Family.extraMembers = memberCount > 0 ? memberCount - 1 : 0;
    Family.constant = constant;
    Family.name = constant ? constant->Name() : std::string();
}

void FamilyEnd()
{
    FamilySet(0, nullptr);
}

void FamilyIdleCheck()
{
    if (Family.extraMembers == 0)
        FamilyEnd();
}
