#include "expr/declarations.h"

#include "app/mainwindowbase.h"
#include "app/mathswriter.h"
#include "expr/analysis.h"
#include "expr/numerics.h"
#include "formula/markup.h"
#include "platform/canvas.h"

#include <QFont>

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

// A cell list: an anchor followed by element (nullptr for an empty cell).
TEditorObject* CellHolding(TEditorObject* element)
{
    auto* anchor = new TEditorObject;
    anchor->next = element;
    return anchor;
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

bool TDeclaredConstant::DependsOn(std::string_view name) const { return value_->DependsOn(name); }

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

void TDeclaredConstantEvaluator::WriteTo(TMathsWriter& writer) const { writer.WriteText(constant_->Name()); }

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
    return function_->Name() == LowerCase(name) || function_->DependsOn(name)
           || (operand_ && operand_->DependsOn(name));
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

void TDeclaredFunctionEvaluator::WriteName(TMathsWriter& writer) const { writer.WriteText(function_->Name()); }

void TDeclaredFunctionParameter::WriteTo(TMathsWriter& writer) const { writer.WriteText("x"); }

// ---- lines -----------------------------------------------------------------

TDeclaredNameEquation::TDeclaredNameEquation(std::unique_ptr<TDeclaredName> declaration)
    : declaration_(std::move(declaration))
{
}

void TDeclaredNameEquation::DrawOnGraph(Canvas&, TGraphParams&) {}

bool TDeclaredNameEquation::SwapFormula(TEquationObject& other)
{
    auto* line = dynamic_cast<TDeclaredNameEquation*>(&other);
    if (!line || typeid(*line) != typeid(*this) || line->NameText() != NameText())
        return false;
    return declaration_->Exchange(*line->declaration_);
}

void TDeclaredNameEquation::WriteDefinition(TMathsWriter& writer) const { writer.WriteText(WriteDefinition()); }

bool TDeclaredNameEquation::DependsOn(std::string_view name) const { return declaration_->DependsOn(name); }

std::unique_ptr<TDynamicConstantEquation> TDynamicConstantEquation::Create(std::string_view name,
                                                                           TRealReaderPtr value)
{
    std::unique_ptr<TDynamicConstantEquation> line(
        new TDynamicConstantEquation(std::make_unique<TDeclaredConstant>(name, std::move(value))));
    if (DynamicToolbarState == 0)
        DynamicToolbarState = 1;
    return line;
}

std::string TDynamicConstantEquation::WriteDefinition() const
{
    TMathsWriter writer;
    writer.WriteText(NameText());
    writer.WriteText("=");
    Constant().ValueObject().WriteValue(writer, true);
    return writer.TakeText();
}

void TDynamicConstantEquation::WriteTo(TMathsWriter& writer) const
{
    TCurvePLotter::WriteTo(writer);
    writer.WriteText("\tStep: ");
    Constant().Step().WriteValue(writer, true);
    writer.WriteText("\r\n");
}

void TDynamicConstantEquation::RebuildLine()
{
    TElementList list = ElementsFromText(NameText() + "=" + Constant().ValueObject().GetText(10, 0));
    if (!list)
        list.reset(new TEditorObject);
    if (&Constant() == Family.constant)
        LastElement(list.get())->next = FamilyFields(true);
    SetElements(std::move(list));
    SetLayoutOutOfDate(true);
}

void TDynamicConstantEquation::AdoptStep(TEquationObject* other)
{
    if (auto* line = dynamic_cast<TDynamicConstantEquation*>(other))
        Constant().SwapSteps(line->Constant());
}

void TDynamicConstantEquation::SetFamily(int memberCount, TRealReaderPtr step)
{
    Constant().SetStep(std::move(step));
    FamilySet(memberCount, &Constant());
}

bool TDynamicConstantEquation::EndFamilyDisplay(std::string_view name)
{
    if (LowerCase(name) != NameText())
        return false;
    TEditorObject* previous = nullptr;
    for (TEditorObject* element = Elements(); element; previous = element, element = element->next) {
        if (dynamic_cast<TFixedList*>(element)) {
            if (previous)
                FreeList(previous->DetachNext());
            break;
        }
    }
    SetLayoutOutOfDate(true);
    return true;
}

TEditorObject* TDynamicConstantEquation::FamilyFields(bool filled) const
{
    auto* fields = new TFixedList(5, 5);
    fields->SetCell(0, CellHolding(new TFixedDescription(43)));
    fields->SetCell(2, CellHolding(new TFixedDescription(44)));
    fields->SetCell(4, CellHolding(new TFixedDescription(45)));
    if (filled) {
        const int members = Family.constant == &Constant() ? Family.extraMembers + 1 : 0;
        fields->SetCell(1, CellHolding(new TStringEditObject(FormatNumber(10, false, members))));
        TElementList step = ElementsFromText(Constant().Step().GetText(10, 0));
        fields->SetCell(3, step ? step.release() : CellHolding(nullptr));
    }
    return fields;
}

TDeclaredFunctionEquation::TDeclaredFunctionEquation(std::string_view name, TEvaluatorPtr definition)
    : TDeclaredNameEquation(std::make_unique<TDeclaredFunction>(name, std::move(definition)))
{
}

std::string TDeclaredFunctionEquation::WriteDefinition() const
{
    return NameText() + "(x)=" + TreeToMarkup(Function().Definition());
}

void TDeclaredFunctionEquation::WriteDisplayedLine(TMathsWriter& writer) const
{
    if (ListIsEmpty(Elements()))
        TDeclaredNameEquation::WriteDisplayedLine(writer); // made by the program, never typed
    else
        TCurvePLotter::WriteDisplayedLine(writer);
}

bool MatchDeclaredName(const std::vector<TEquationObject*>& lines, std::string_view text, TDeclaredMatch& match)
{
    for (TEquationObject* object : lines) {
        auto* line = dynamic_cast<TDeclaredNameEquation*>(object);
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

TEvaluatorPtr MakeDeclaredConstantNode(TDeclaredNameEquation* line)
{
    auto* constant = dynamic_cast<TDeclaredConstant*>(&line->Declaration());
    return std::make_unique<TDeclaredConstantEvaluator>(constant);
}

TEvaluatorPtr MakeDeclaredFunctionNode(TDeclaredNameEquation* line, TEvaluatorPtr argument)
{
    auto* function = dynamic_cast<TDeclaredFunction*>(&line->Declaration());
    return std::make_unique<TDeclaredFunctionEvaluator>(function, std::move(argument));
}

TEvaluatorPtr MakeParameterNode() { return std::make_unique<TDeclaredFunctionParameter>(); }

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

void FamilyEnd() { FamilySet(0, nullptr); }

void FamilyIdleCheck()
{
    if (Family.extraMembers == 0)
        FamilyEnd();
}

// ---- waiting lines ---------------------------------------------------------

bool TErrorEditObject::TidySelf(TEditor*, int) { return true; }

void TErrorEditObject::Paint(Canvas& canvas, TPaintContext&)
{
    const QFont upright = canvas.Font().font;
    QFont italic = upright;
    italic.setItalic(true);
    canvas.SetFont(italic);
    canvas.SetFontColour(RgbColour(255, 0, 0));
    canvas.TextAtPen(line_ ? line_->NoteText() : std::string());
    canvas.SetFont(upright);
    canvas.SetFontColour(clBlack);
}

TNeedsDefinitions::TNeedsDefinitions(std::unique_ptr<TEquationObject> object, const std::vector<std::string>& names)
{
    if (object)
        TEquationObject::TakeOver(*object);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i)
            names_ += ",";
        names_ += names[i];
    }
    note_ = "  (" + names_ + " to be defined)";
    if (!Elements())
        SetElements(TElementList(new TEditorObject));
    TEditorObject* last = LastElement(Elements());
    caret.element = last;
    caret.offset = last->PositionCount();
    anchor = caret;
    last->next = new TErrorEditObject(this);
}

void TNeedsDefinitions::ShowDragHandles(bool show)
{
    if (!show) {
        ShowStatus("");
        return;
    }
    ShowStatus("You must now define the constants or functions " + names_ + " for this curve to be drawn",
               firstShow_);
    firstShow_ = false;
}

void TNeedsDefinitions::ReparentDependants(const std::vector<TEquationObject*>& lines, TEquationObject* newParent)
{
    for (TEquationObject* line : lines)
        if (line && line->GetParent() == this)
            line->SetParent(newParent);
}
