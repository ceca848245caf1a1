// The main window's part in dynamic constants: the "Dynamic constants" and
// "Family" commands, the dynamic constant editor's panel, and keeping the
// editor apart from lines that are about to be replaced (Open, New, Undo,
// Redo, Delete curve, closing the program).
#include "app/lumacurveform.h"

#include "app/declaredconstanteditor.h"
#include "entry/declarationlines.h"
#include "equations/equationswindow.h"
#include "formula/editor.h"
#include "graphwindow/graphwindow.h"

#include <QAction>
#include <QDockWidget>

#include <cctype>

void TLumacurveForm::RegisterDynamicHandlers()
{
    // Made now, hidden; the editor puts itself into it when first asked for.
    dynamicPanel_ = AddPanel("DynamicEditorDockPanel", tr(TDeclaredConstantEditor::Caption), nullptr,
                             Qt::RightDockWidgetArea);
    dynamicPanel_->setFloating(true);
    dynamicPanel_->hide();
    auto& c = *commands_;
    c.SetHandler("ActionDynamicConstants", [this] { OpenDynamicConstantEditor(SelectedDynamicConstant()); });
    c.SetHandler("ActionFamily", [this] { FamilyCommand(); });
    // Whatever leaves the list (a deletion, a replacement, the list emptied
    // for Undo) is let go of by the editor before it is freed.
    auto leaving = equations_->List().OnLineLeaving;
    equations_->List().OnLineLeaving = [this, leaving](TEquationObject* line) {
        if (leaving)
            leaving(line);
        if (dynamicEditor_)
            dynamicEditor_->Editing().LineLeaving(line);
    };
}

TDeclaredConstantEditor* TLumacurveForm::DynamicEditor() const
{
    return dynamicEditor_;
}

TDynamicConstantEquation* TLumacurveForm::SelectedDynamicConstant() const
{
    return dynamic_cast<TDynamicConstantEquation*>(equations_->SelectedObject());
}

bool TLumacurveForm::EditingDynamicConstant() const
{
    TEditor* line = equations_->Line();
    return line && dynamic_cast<TDynamicConstantEquation*>(equations_->List().HeldObject(*line));
}

void TLumacurveForm::OpenDynamicConstantEditor(const TDynamicConstantEquation* constant)
{
    if (!dynamicEditor_) {
        dynamicEditor_ = new TDeclaredConstantEditor(dynamicPanel_, equations_, graphArea_, constant);
        dynamicEditor_->OnDocumentModified = [this] { SetModified(true); };
        dynamicEditor_->OnHelp = [this](int topic) { ShowHelp(topic); };
        connect(dynamicEditor_, &QObject::destroyed, this, [this] { UpdateCommands(); });
    } else if (constant) {
        dynamicEditor_->Editing().EquationSelected(constant);
    }
    dynamicEditor_->ShowPanel();
    // The value box takes the focus, so that Shift with "." or "," steps at once.
    dynamicEditor_->TakeFocus();
    UpdateCommands();
}

void TLumacurveForm::FreeDynamicEditor()
{
    delete dynamicEditor_.data();
}

void TLumacurveForm::EndDynamicPeriod()
{
    if (dynamicEditor_)
        dynamicEditor_->EndPeriod();
}

void TLumacurveForm::RefillDynamicEditor()
{
    if (!dynamicEditor_)
        return;
    dynamicEditor_->Editing().Refill();
    // A document without dynamic constants closes the editor.
    if (dynamicEditor_->Editing().Empty())
        FreeDynamicEditor();
}

void TLumacurveForm::ReopenDynamicEditor()
{
    // A document whose layout shows the editor's panel gets the editor back.
    if (!dynamicPanel_ || !dynamicPanel_->isVisible() || dynamicEditor_)
        return;
    for (TEquationObject* line : equations_->List().Lines())
        if (dynamic_cast<TDynamicConstantEquation*>(line)) {
            OpenDynamicConstantEditor(nullptr);
            return;
        }
    dynamicPanel_->hide();
}

void TLumacurveForm::DynamicSelectionChanged(TEquationObject* object, bool selected)
{
    if (dynamicEditor_ && selected && object)
        dynamicEditor_->Editing().EquationSelected(object);
}

void TLumacurveForm::ClearFamily(std::string_view name)
{
    std::string lower(name);
    for (char& ch : lower)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    TEquationList& list = equations_->List();
    for (TEquationObject* line : list.Lines())
        if (auto* constant = dynamic_cast<TDynamicConstantEquation*>(line);
            constant && constant->EndFamilyDisplay(lower)) {
            if (list.Measure)
                list.Measure(*constant);
            constant->SetLayoutOutOfDate(false);
            // Its curves are drawn once again, not once per member.
            list.RecalculateDependants(constant);
        }
    if (Family.constant && Family.name == lower)
        FamilyEnd();
    commands_->Action("ActionFamily")->setChecked(Family.constant != nullptr);
    equations_->UpdateScrollRanges();
    equations_->update();
    equations_->ScheduleIdle();
}

void TLumacurveForm::FamilyCommand()
{
    // While a family is shown the command ends it.
    if (Family.constant) {
        ClearFamily(Family.name);
        return;
    }
    commands_->Action("ActionFamily")->setChecked(false);
    TDynamicConstantEquation* constant = SelectedDynamicConstant();
    if (!constant || !equations_->FinishPendingEdit())
        return;
    // The line is edited with empty family fields at its end, the caret in
    // the member count.
    equations_->setFocus(Qt::OtherFocusReason);
    if (equations_->Line() || !equations_->StartEdit(false) || !equations_->Line())
        return;
    TEditor* line = equations_->Line();
    line->CaretToEnd();
    line->TypeElements(TElementList(constant->FamilyFields(false)));
    equations_->update();
    UpdateCommands();
}
