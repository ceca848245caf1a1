#include "document/lineediting.h"

#include "document/equationlist.h"
#include "entry/declarationlines.h"
#include "entry/entry.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "platform/graphcolours.h"
#include "platform/mainwindowbase.h"
#include "settings/configuration.h"
#include "settings/mathsreader.h"

#include <typeinfo>
#include <vector>

namespace {

// The switch of a curve the user has hidden.
constexpr std::uint16_t HiddenSwitch = 0x8000;

// Whether element still stands in the list (at any depth of cells).
bool ListHolds(TEditorObject* list, TEditorObject* element)
{
    if (!element)
        return false;
    for (TEditorObject* e = list; e; e = e->next)
        if (e->Find(element))
            return true;
    return false;
}

// An object replacing another must be of the same class; a plain line being
// edited has no kind to keep, and a line waiting for definitions stands for
// whatever it will become.
bool DifferentKind(const TEquationObject& old, const TEquationObject& result)
{
    if (dynamic_cast<const TEditor*>(&old) || dynamic_cast<const TNeedsDefinitions*>(&result))
        return false;
    return typeid(old) != typeid(result);
}

void CopyLook(const TEquationObject& from, TEquationObject& to)
{
    to.colour = from.colour;
    to.style = from.style;
    to.thickness = from.thickness;
    to.SetSwitches(from.Switches());
}

} // namespace

TLineEditing::TLineEditing(TEquationList& list) : list_(list) {}

void TLineEditing::Changed()
{
    if (RecordChange)
        RecordChange();
    else if (MainWindow)
        MainWindow->UndoPostAction();
}

TColour TLineEditing::NewLineColour(const TEquationObject* parent) const
{
    if (!parent)
        return CurveColour(list_.Count());
    // A line that belongs to another is a lighter mix of that line's colour
    // and the colour of its place among the other line's dependants.
    int dependants = 0;
    for (TEquationObject* line : list_.Lines())
        if (line->GetParent() == parent)
            ++dependants;
    return LightenColour(AverageColour(parent->colour, CurveColour(dependants)), 5);
}

TEditor* TLineEditing::Begin(int index, TEquationObject* parent, unsigned options)
{
    if (index >= list_.Count()) {
        auto line = std::make_unique<TEditor>(options);
        line->SetParent(parent);
        line->colour = NewLineColour(parent);
        TEditor* raw = line.get();
        originalMarkup_.clear();
        list_.SetSelected(list_.InsertObject(std::move(line)));
        return raw;
    }
    TEquationObject* object = list_.ItemAt(index);
    if (!object)
        return nullptr;
    if (auto* plain = dynamic_cast<TEditor*>(object)) {
        list_.SetSelected(index);
        Tidy(plain->ElementList(), tmPaste, plain);
        return plain;
    }
    std::unique_ptr<TEditor> line = object->ToEditor();
    if (!line)
        return nullptr;
    TEditor* raw = line.get();
    originalMarkup_ = ElementsToText(raw->Elements());
    Tidy(raw->ElementList(), tmPaste, raw);
    raw->ResetCaret();
    std::unique_ptr<TEquationObject> taken = list_.ReplaceLine(*object, std::move(line));
    list_.HoldEditedObject(*raw, std::move(taken));
    list_.SetSelected(list_.IndexOf(raw));
    return raw;
}

TFinishResult TLineEditing::Finish(TEditor& line)
{
    TFinishResult result;
    if (list_.IndexOf(&line) < 0)
        return result; // not a line of this list: nothing to finish
    std::vector<TEquationObject*> names = list_.Lines();
    TParseParams params;
    params.declaredNames = &names;
    params.defineLater = Configuration.DefineConstants;
    std::unique_ptr<TEquationObject> object = ClassifyLine(line, params);
    // Entry put the missing tab in: the second pass gives the answer.
    if (HasError(params) && std::string_view(params.error.message) == EntryMessage::TabBeforeFor)
        object = ClassifyLine(line, params);

    if (HasError(params)) {
        result.message = params.error.message;
        // Finishing took the anchors out of empty cells; the line goes on
        // being edited, so they come back before anything paints or types.
        Tidy(line.ElementList(), tmPaste, &line);
        if (ListHolds(line.Elements(), params.error.element)) {
            result.element = params.error.element;
            result.position = params.error.position;
            // A structure reported for an empty cell: the caret goes into
            // that cell, where the user has to type.
            if (auto* cells = dynamic_cast<TSublistsEditObject*>(result.element)) {
                for (int i = 0; i < cells->CellCount(); ++i) {
                    if (ListIsEmpty(cells->Cell(i))) {
                        result.element = cells->Cell(i);
                        result.position = 0;
                        break;
                    }
                }
            }
        }
        return result;
    }

    result.editStopped = true;
    TEquationObject* old = list_.HeldObject(line);
    if (!object) {
        // An empty line removes itself, and the object it was editing.
        list_.DeleteObject(&line);
        Changed();
        return result;
    }

    TEquationObject* placed = object.get();
    if (old && DifferentKind(*old, *object)) {
        std::unique_ptr<TEquationObject> kept = list_.ReleaseEditedObject(line);
        try {
            kept->SetElements(ElementsFromText(originalMarkup_));
        } catch (const eReaderror&) {
            // It keeps the text it showed while being edited.
        }
        kept->SetLayoutOutOfDate(true);
        placed = kept.get();
        std::unique_ptr<TEquationObject> finishedLine = list_.ReplaceLine(line, std::move(kept));
        result.appended = object.get();
        list_.InsertAt(list_.Count(), std::move(object));
        result.message = LineEditingMessage::DifferentType;
        finishedLine.reset();
    } else if (old && old->SwapFormula(*object)) {
        // The old object keeps its identity, so its dependants stay with it.
        old->SetElements(object->TakeElements());
        object.reset();
        std::unique_ptr<TEquationObject> kept = list_.ReleaseEditedObject(line);
        placed = kept.get();
        placed->SetMustRecalculate(true);
        list_.RecalculateDependants(placed);
        std::unique_ptr<TEquationObject> finishedLine = list_.ReplaceLine(line, std::move(kept));
        finishedLine.reset();
    } else {
        if (old)
            list_.DropEditedObject(line);
        std::unique_ptr<TEquationObject> finishedLine = list_.ReplaceLine(line, std::move(object));
        finishedLine.reset();
    }
    result.object = placed;
    if (DrawWithDependants) {
        DrawWithDependants(placed);
        if (result.appended)
            DrawWithDependants(result.appended);
    }
    Changed();
    return result;
}

TEquationObject* TLineEditing::Reclassify(TEquationObject* line, const TEquationObject* excluded)
{
    if (!line || list_.IndexOf(line) < 0)
        return nullptr;
    auto editor = std::make_unique<TEditor>();
    std::unique_ptr<TEquationObject> object;
    try {
        editor->SetElements(CopyElements(line->Elements()));
        std::vector<TEquationObject*> names;
        for (TEquationObject* declared : list_.Lines())
            if (declared != excluded && declared != line)
                names.push_back(declared);
        TParseParams params;
        params.declaredNames = &names;
        // A name that went away makes the line wait for it, whatever the
        // setting for new lines says.
        params.defineLater = true;
        // Nobody typed it: no warning box for it.
        params.warningBoxes = false;
        object = ClassifyLine(*editor, params);
        if (HasError(params))
            object.reset();
    } catch (const eReaderror&) {
        object.reset();
    }
    if (!object) {
        list_.DeleteObject(line);
        return nullptr;
    }
    CopyLook(*line, *object);
    list_.DeleteDependents(line);
    TEquationObject* placed = object.get();
    std::unique_ptr<TEquationObject> old = list_.ReplaceLine(*line, std::move(object));
    old.reset();
    return placed;
}

std::string TLineEditing::DeleteCurve(TEquationObject* object)
{
    if (!object || list_.IndexOf(object) < 0)
        return {};
    const auto* declared = dynamic_cast<const TDeclaredNameEquation*>(object);
    if (declared) {
        for (TEquationObject* line : list_.Lines()) {
            if (line == object)
                continue;
            if (line->UsesName(*object) ||
                ((line->Switches() & HiddenSwitch) && line->DependsOn(declared->NameText())))
                return LineEditingMessage::NamesStillUsed;
        }
        // Every user of the name waits for it again; formulas must not keep
        // pointing at a declaration that is about to be freed.
        for (int guard = list_.Count() * 2 + 1; guard > 0; --guard) {
            TEquationObject* user = nullptr;
            for (TEquationObject* line : list_.Lines())
                if (line != object && line->DependsOn(declared->NameText())) {
                    user = line;
                    break;
                }
            if (!user)
                break;
            Reclassify(user, object);
        }
    }
    TEquationObject* primary = object->GetParent();
    const int index = list_.IndexOf(object);
    list_.DeleteObject(object);
    int next = primary ? list_.IndexOf(primary) : -1;
    if (next < 0)
        next = std::min(index, list_.Count() - 1);
    // Selecting the line that already slid into the place would start
    // editing it; only a different line is selected anew.
    if (list_.SelectLineHook && next != list_.SelectedIndex())
        list_.SelectLineHook(next);
    else
        list_.SetSelected(next);
    if (MainWindow)
        MainWindow->ShowStatus("");
    Changed();
    return {};
}
