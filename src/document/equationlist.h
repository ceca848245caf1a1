// TEquationList: the lines of a document in display order, as the equations
// window keeps them: insertion after a parent's derived lines, deletion of a
// line together with everything derived from it, the idle carrying-out of the
// requests objects make through their state bits, the selection (kept as an
// object, so that removals above it never move it onto another line), and
// reordering by drag and drop. The window adds painting and input on top.
#pragma once

#include "expr/objectlist.h"
#include "graph/linesource.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TEditor;

class TEquationList : public TLineSource {
public:
    TEquationList();
    ~TEquationList() override;
    TEquationList(const TEquationList&) = delete;
    TEquationList& operator=(const TEquationList&) = delete;

    // ---- events ---------------------------------------------------------------
    // After an object was inserted.
    std::function<void(TEquationObject* object)> OnInsertCurve;
    // Just before an object leaves the list through a deletion.
    std::function<void(TEquationObject* object)> OnDeleteCurve;
    // After a line left the list, before it is freed or handed back (any
    // removal or replacement): whoever borrows it lets go.
    std::function<void(TEquationObject* object)> OnLineLeaving;
    // The lines from index down need repainting (the list or heights changed).
    std::function<void(int index)> OnRepaintFrom;
    // The order or membership of the lines changed: whatever draws them must
    // draw again.
    std::function<void()> OnLinesChanged;
    // Lays a line out (fills its height, raise and width); without one the
    // layout values are left as they are.
    std::function<void(TEquationObject& line)> Measure;
    // Selects a line with all the consequences (events, editing); used by
    // deletions that must move the selection. Without one: SetSelected.
    std::function<void(int index)> SelectLineHook;
    // Clears the status line before an invalid line is removed at idle.
    std::function<void()> ClearStatus;

    // ---- lines ---------------------------------------------------------------
    [[nodiscard]] int Count() const { return lines_.Count(); }
    [[nodiscard]] int LineCount() const override { return Count(); }
    // The object at index, or nullptr outside 0 .. Count() - 1 (borrowed).
    [[nodiscard]] TEquationObject* ItemAt(int index) const;
    [[nodiscard]] TEquationObject* LineAt(int index) const override { return ItemAt(index); }
    [[nodiscard]] int IndexOf(const TEquationObject* object) const { return lines_.IndexOf(object); }
    // The lines in order (borrowed); the declared names the parser searches.
    [[nodiscard]] std::vector<TEquationObject*> Lines() const;

    // ---- selection -------------------------------------------------------------
    // -1 for none, Count() for the new-line position after the last line.
    [[nodiscard]] int SelectedIndex() const;
    // ItemAt(SelectedIndex()).
    [[nodiscard]] TEquationObject* SelectedObject() const { return selected_; }
    // Sets the selection without telling anybody; indexes outside -1 .. Count()
    // become -1.
    void SetSelected(int index);

    // ---- changes ---------------------------------------------------------------
    // Inserts object (measured first): at the end, or, for an object with a
    // parent, after the last line that is the parent or derived from it.
    // Answers the index.
    int InsertObject(std::unique_ptr<TEquationObject> object);
    // Inserts object at index (clamped), measured; answers the index.
    int InsertAt(int index, std::unique_ptr<TEquationObject> object);
    // Removes object and everything that depends on it; objects not in the
    // list are left alone. Corrects the selection when it fell off the end.
    void DeleteObject(TEquationObject* object);
    // Removes every other line that involves object (and, for a declared
    // name, the coordinate lists and other non-derived lines using the name).
    void DeleteDependents(TEquationObject* object);
    // Removes and frees one line only.
    void RemoveObject(TEquationObject* object);
    // Puts replacement in old's place (measured) and answers old, now out of
    // the list; when old is not listed, answers replacement back untouched.
    // The selection follows old to replacement.
    [[nodiscard]] std::unique_ptr<TEquationObject> ReplaceLine(TEquationObject& old,
                                                               std::unique_ptr<TEquationObject> replacement);
    // Frees every line (the line being edited must have been detached by the
    // caller first); selection -1.
    void ClearAll();
    // Number of deletions in progress.
    [[nodiscard]] int DeletionDepth() const { return deletionDepth_; }

    // ---- the object edited through a line ----------------------------------------
    // Keeps object, taken out of the list while line edits its formula; line
    // must have taken it over (EditedObject() == object).
    void HoldEditedObject(TEditor& line, std::unique_ptr<TEquationObject> object);
    // The held object of line, or nullptr.
    [[nodiscard]] TEquationObject* HeldObject(const TEditor& line) const;
    // Hands the held object of line back to the caller (nullptr when none);
    // the line forgets it.
    [[nodiscard]] std::unique_ptr<TEquationObject> ReleaseEditedObject(TEditor& line);
    // Removes the lines that depend on line's edited object, fires
    // OnDeleteCurve for it and frees it; the line forgets it.
    void DropEditedObject(TEditor& line);

    // ---- idle processing ---------------------------------------------------------
    // Carries out the objects' requests from the last line to the first:
    // removes invalid lines (not a selected plain object), recalculates,
    // re-measures, clears the changed bit. True when anything but a removal
    // was done.
    bool ProcessChanges();
    // True when some line has a request ProcessChanges would carry out.
    [[nodiscard]] bool HasPendingChanges() const;
    // Marks the lines that depend on object (derived from it, or using the
    // name it declares) for recalculation.
    void RecalculateDependants(const TEquationObject* object);

    // ---- reordering --------------------------------------------------------------
    // Where the selected line would go when dropped on line target (Count()
    // or more for below all lines): the target index, or -1 when the drop
    // would separate derived lines from their parent or put a declared name
    // below a line that uses it.
    [[nodiscard]] int DropTarget(int target) const;
    // Moves the selected line, with the lines derived from it following as one
    // block in their order, to DropTarget(target); answers whether it moved.
    bool MoveSelectedTo(int target);

    // ---- clipboard -----------------------------------------------------------------
    // The markup text of the whole line at index (empty outside the list).
    [[nodiscard]] std::string LineMarkup(int index) const;

private:
    void Measured(TEquationObject& line);
    void RepaintFrom(int index);
    void LinesChanged();
    void CorrectSelection();
    [[nodiscard]] bool DoomedBy(const TEquationObject* line, const TEquationObject* object) const;
    void RecalculateFrom(int index);
    // Whether a line above index that index is derived from still waits for
    // its recalculation (which then recalculates index too).
    [[nodiscard]] bool PrimaryWaiting(int index) const;

    TObjectList<TEquationObject> lines_;
    TEquationObject* selected_ = nullptr; // borrowed: an entry of lines_
    bool newLineSelected_ = false;
    int deletionDepth_ = 0;
    TEditor* heldFor_ = nullptr; // borrowed
    std::unique_ptr<TEquationObject> held_;
};
