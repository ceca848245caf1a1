// The Transform menu and the Simple transformations toolbar: each command
// starts a transformation line of the selected object to be filled in (or,
// from the toolbar, a complete one that is entered at once), and the two
// switches show the steps' construction and the construction lines.
#include "app/lumacurveform.h"

#include "equations/equationswindow.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "geometry/transformation.h"
#include "graphwindow/graphwindow.h"
#include "settings/configuration.h"

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
