#include "entry/declarationlines.h"

#include "formula/markup.h"
#include "numbers/numerics.h"
#include "platform/canvas.h"
#include "platform/mainwindowbase.h"
#include "settings/mathswriter.h"

#include <QFont>

#include <cctype>

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

void TDeclaredNameEquation::WriteDefinition(TMathsWriter& writer) const
{
    writer.WriteText(WriteDefinition());
}

bool TDeclaredNameEquation::DependsOn(std::string_view name) const
{
    return declaration_->DependsOn(name);
}

std::unique_ptr<TDynamicConstantEquation> TDynamicConstantEquation::Create(std::string_view name,
                                                                           TRealReaderPtr value)
{
    std::unique_ptr<TDynamicConstantEquation> line(
        new TDynamicConstantEquation(std::make_unique<TDeclaredConstant>(name, std::move(value))));
    if (DynamicToolbarState == 0)
        DynamicToolbarState = 1;
    return line;
}

TDynamicConstantEquation::~TDynamicConstantEquation()
{
    // Forgotten without asking the main window to clear its display: the
    // line showing it is the one going away.
    if (Family.constant == &Constant()) {
        Family.constant = nullptr;
        Family.name.clear();
        Family.extraMembers = 0;
    }
}

bool TDynamicConstantEquation::SwapFormula(TEquationObject& other)
{
    if (!TDeclaredNameEquation::SwapFormula(other))
        return false;
    // The kept line now holds the values the new text gave: the family is
    // shown for it when the new text had family fields, and ends (with the
    // line given up) when it had none.
    auto& entered = static_cast<TDynamicConstantEquation&>(other);
    if (Family.constant == &entered.Constant())
        Family.constant = &Constant();
    else if (Family.constant == &Constant())
        Family.constant = &entered.Constant();
    return true;
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
    // The fixed real form (a typed text such as a multiple of pi stays as typed).
    writer.WriteText("\tStep: ");
    Constant().Step().WriteValue(writer, false);
    writer.WriteText("\r\n");
}

void TDynamicConstantEquation::WriteDisplayedLine(TMathsWriter& writer) const
{
    TDeclaredNameEquation::WriteDisplayedLine(writer);
    if (Family.constant != &Constant())
        return;
    const TElementList fields(FamilyFields(true));
    WriteElementList(fields.get(), writer);
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

// ---- waiting lines ---------------------------------------------------------

bool TErrorEditObject::TidySelf(TEditor*, int)
{
    return true;
}

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

TNeedsDefinitions::TNeedsDefinitions(std::unique_ptr<TEquationObject> object,
                                     const std::vector<std::string>& names)
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

void TNeedsDefinitions::ReparentDependants(const std::vector<TEquationObject*>& lines,
                                           TEquationObject* newParent)
{
    for (TEquationObject* line : lines)
        if (line && line->GetParent() == this)
            line->SetParent(newParent);
}
