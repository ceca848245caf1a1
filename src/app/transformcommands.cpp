// The Transform menu and the Simple transformations toolbar: each command
// starts a transformation line of the selected object to be filled in (or,
// from the toolbar, a complete one that is entered at once), or, with
// "Transform dialogs" on, opens its dialog; the two switches show the steps'
// construction and the construction lines.
#include "app/lumacurveform.h"

#include "app/transformdlg.h"

#include "equations/equationswindow.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "geometry/dragdescriptions.h"
#include "geometry/transformation.h"
#include "graphwindow/graphwindow.h"
#include "settings/configuration.h"

#include <utility>

namespace {

struct TStartCommand {
    const char* name;
    TTransformCommand command;
};

constexpr TStartCommand StartCommands[] = {
    {"ActionTranslate", TTransformCommand::Translate}, {"ActionReflect", TTransformCommand::Reflect},
    {"ActionRotate", TTransformCommand::Rotate},       {"BtnRotClock", TTransformCommand::Clockwise},
    {"btnRotAnti", TTransformCommand::Anticlockwise},  {"ActionEnlarge", TTransformCommand::Enlarge},
    {"ActionStretch", TTransformCommand::Stretch},     {"ActionShear", TTransformCommand::Shear},
};

struct TReflectCommand {
    const char* name;
    const char* line;
};

constexpr TReflectCommand ReflectCommands[] = {
    {"ActReflecty", "y axis"}, {"Actreflectx", "x axis"}, {"ActReflectyx", "y=x"}, {"ActReflectynx", "y=-x"}};

// The anchor of the first empty cell in list, at any depth, or nullptr.
TEditorObject* FirstEmptyCell(TEditorObject* list)
{
    for (TEditorObject* e = list; e; e = e->next) {
        auto* cells = dynamic_cast<TSublistsEditObject*>(e);
        for (int i = 0; cells && i < cells->CellCount(); ++i) {
            TEditorObject* cell = cells->Cell(i);
            if (cell && ListIsEmpty(cell))
                return cell;
            if (TEditorObject* inner = FirstEmptyCell(cell))
                return inner;
        }
    }
    return nullptr;
}

} // namespace

void TLumacurveForm::RegisterTransformHandlers()
{
    auto& c = *commands_;
    for (const TStartCommand& command : StartCommands)
        c.SetHandler(command.name, [this, which = command.command] {
            if (Configuration.TransformDialogs && OpenTransformDialog(which))
                return;
            if (DraggableCurvesInUse(false) && StartDraggedTransform(which))
                return;
            StartTransformLine(TransformLineMarkup(which, AngleFactor == DegreesFactor), false);
        });
    c.SetHandler("ActionMatrix", [this] {
        equations_->AddMatrixLine(dnMatrixWord, 2, 2);
        UpdateCommands();
    });
    c.SetHandler("ActionRepeats", [this] {
        // Appended to the line being edited, its count to be typed.
        auto fields = std::make_unique<TFixedList>(2, 1);
        auto* label = new TEditorObject;
        label->next = new TFixedDescription(dnRepeats);
        fields->SetCell(0, label);
        auto* count = new TEditorObject;
        fields->SetCell(1, count);
        if (equations_->AddFixedList(std::move(fields), 0, 0) && equations_->Line()) {
            equations_->Line()->SetCaret(count, 0);
            equations_->update();
        }
    });
    for (const int tag : {90, 180, -90}) {
        const char* name = tag == 90 ? "ActRotate90" : tag == 180 ? "ActRotate180" : "ActRotate270";
        c.SetHandler(name, [this, tag] { StartTransformLine(TurnLineMarkup(tag), true); });
    }
    for (const TReflectCommand& command : ReflectCommands)
        c.SetHandler(command.name,
                     [this, line = command.line] { StartTransformLine(ReflectionLineMarkup(line), true); });
    c.SetHandler("ActionInvariants", [this] {
        Configuration.DrawInvariants = !Configuration.DrawInvariants;
        commands_->Action("ActionInvariants")->setChecked(Configuration.DrawInvariants);
        graphArea_->RedrawAll();
    });
    // A straight line, quadratic or circle placed by clicking its points, then dragged.
    const std::pair<const char*, TClickedCurve> clicked[] = {
        {"ActionNewDynamicLine", TClickedCurve::Line},
        {"ActionNewDynamicQuad", TClickedCurve::Quadratic},
        {"ActionNewCircle", TClickedCurve::Circle}};
    for (const auto& [name, kind] : clicked)
        c.SetHandler(name, [this, kind = kind] { StartClickedCurve(kind); });
    // A line dragged with the mouse may leave under the drag (Undo, Open, Delete by key).
    auto leaving = equations_->List().OnLineLeaving;
    equations_->List().OnLineLeaving = [this, leaving](TEquationObject* line) {
        if (leaving)
            leaving(line);
        graphArea_->LineLeaving(line);
    };
    c.SetHandler("ActionDynamicCUrves", [this] {
        // A locked document keeps its setting; the check mark says so.
        if (Configuration.Unlocked)
            Configuration.DragCurves = !Configuration.DragCurves;
        commands_->Action("ActionDynamicCUrves")->setChecked(Configuration.DragCurves);
        graphArea_->RefreshDragHandles();
        UpdateCommands();
    });
    c.SetHandler("ActionConstructionLines", [this] {
        Configuration.ConstructionLines = !Configuration.ConstructionLines;
        commands_->Action("ActionConstructionLines")->setChecked(Configuration.ConstructionLines);
        graphArea_->RedrawAll();
    });
}

void TLumacurveForm::StartTransformLine(const std::string& markup, bool complete)
{
    auto* parent = dynamic_cast<TCurvePLotter*>(equations_->SelectedObject());
    if (!parent || !parent->HasProperty(8))
        return;
    // Option 0x10: the line must stay a transformation; 8: it can be repeated.
    if (!equations_->AddLineWith(ElementsFromText(markup), 0, true, 24))
        return;
    // The new line shows its construction as the Draw invariants switch
    // says; the caret waits in its first slot.
    if (TEditor* line = equations_->Line()) {
        line->SetSwitches(Configuration.DrawInvariants ? 0 : swHideConstruction);
        if (TEditorObject* slot = FirstEmptyCell(line->Elements()))
            line->SetCaret(slot, 0);
        equations_->update();
    }
    if (complete)
        equations_->FinishEdit();
    UpdateCommands();
}

void TLumacurveForm::PopupTransformDrag(int mode)
{
    auto* curve = dynamic_cast<TCurvePLotter*>(std::exchange(popupObject_, nullptr));
    const int line = equations_->List().IndexOf(curve);
    if (!curve || line < 0 || equations_->Line())
        return;
    // Selecting the selected line again would open it for editing, and the
    // editor would write the old text back over the new form.
    if (equations_->SelectedIndex() != line)
        equations_->SelectLine(line);
    const std::string before = equations_->List().LineMarkup(line);
    curve->StartTransformDrag(mode);
    if (equations_->List().LineMarkup(line) != before)
        LineDragged(); // the equation written in another form is a change of its own
    graphArea_->update();
}

void TLumacurveForm::StartClickedCurve(TClickedCurve kind, std::optional<QPoint> firstPoint)
{
    if (!DraggableCurvesInUse(false))
        return;
    if (equations_->Line() && !equations_->FinishEdit())
        return;
    // A curve still waiting for its points gives way to the new one.
    if (const int count = equations_->Count(); count > 0)
        if (auto* last = dynamic_cast<TCurvePLotter*>(equations_->ItemAt(count - 1));
            last && last->WaitsForClicks())
            (void)equations_->DeleteCurve(last);
    std::unique_ptr<TYofX> curve = NewClickedCurve(kind);
    if (!curve)
        return;
    curve->colour = CurveColour(equations_->Count());
    TYofX* placed = curve.get();
    const int index = equations_->InsertObject(std::move(curve));
    equations_->SelectLine(index);
    // The point the popup menu was opened on is the first click.
    if (firstPoint)
        (void)placed->DragControlAt(*firstPoint, Qt::NoModifier);
    graphArea_->LinesChanged(index);
    UpdateCommands();
}

bool TLumacurveForm::StartDraggedTransform(TTransformCommand command)
{
    using C = TTransformCommand;
    if (command == C::Matrix)
        return false; // a matrix is typed
    if (equations_->Line() && !equations_->FinishEdit())
        return true;
    auto* parent = dynamic_cast<TCurvePLotter*>(equations_->SelectedObject());
    if (!parent || !parent->HasProperty(8))
        return true;
    // The image is dragged with its construction in sight.
    Configuration.DrawInvariants = true;
    commands_->Action("ActionInvariants")->setChecked(true);
    std::unique_ptr<TTransformation> image =
        DraggedTransformation(command, parent, AngleFactor == DegreesFactor);
    if (!image)
        return false;
    image->colour = CurveColour(equations_->Count());
    const int index = equations_->InsertObject(std::move(image));
    equations_->SelectLine(index);
    graphArea_->LinesChanged(index);
    SetModified(true);
    UndoPostAction();
    // A mirror or invariant line put up its own prompt for its two points.
    if (command == C::Translate)
        ShowStatus("Drag the object to translate");
    else if (const auto* made = dynamic_cast<const TTransformation*>(equations_->ItemAt(index));
             made && made->WaitsForCentre())
        ShowStatus("Click to fix centre");
    UpdateCommands();
    return true;
}

bool TLumacurveForm::OpenTransformDialog(TTransformCommand command)
{
    // A line being typed is entered first; a fault in it is shown and waits.
    if (equations_->Line() && !equations_->FinishEdit())
        return true;
    TEquationObject* selected = equations_->SelectedObject();
    auto* parent = dynamic_cast<TCurvePLotter*>(selected);
    if (!parent || !parent->HasProperty(8))
        return true;
    std::unique_ptr<TDialogTransform> dialog = MakeTransformDialog(command, selected, this);
    if (!dialog)
        return false;
    dialog->DeclaredNames = [this] { return equations_->List().Lines(); };
    dialog->Apply = [this, parent](TTransformation* line, const std::string& step) {
        return ApplyTransformStep(parent, line, step);
    };
    dialog->exec();
    UpdateCommands();
    return true;
}

TTransformation* TLumacurveForm::ApplyTransformStep(TCurvePLotter* parent, TTransformation* line,
                                                    const std::string& step)
{
    TEquationList& list = equations_->List();
    if (!line) {
        // A new line under the parent, entered as a typed one is.
        const int index = list.IndexOf(parent);
        if (index < 0)
            return nullptr;
        if (equations_->SelectedIndex() != index)
            equations_->SelectLine(index);
        StartTransformLine(step, true);
        auto* made = dynamic_cast<TTransformation*>(equations_->SelectedObject());
        return made && made->GetParent() == parent && !equations_->Line() ? made : nullptr;
    }
    // The line is edited: its first step gets the new values, the rest stays,
    // and it is entered again.
    const int index = list.IndexOf(line);
    if (index < 0)
        return nullptr;
    const std::string markup = ReplaceFirstStep(line->Elements(), step);
    if (equations_->SelectedIndex() != index)
        equations_->SelectLine(index);
    if (!equations_->Line())
        equations_->StartEdit(false);
    TEditor* editor = equations_->Line();
    if (!editor)
        return nullptr;
    editor->SetElements(ElementsFromText(markup));
    editor->ResetCaret();
    if (!equations_->FinishEdit())
        return nullptr;
    UpdateCommands();
    return dynamic_cast<TTransformation*>(equations_->ItemAt(index));
}
