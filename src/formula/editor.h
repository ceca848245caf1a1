// TEditor: one editable formula line as a model: its element list, the caret
// and the other end of the selection, the options that decide which commands
// apply, and the object being edited. Also Tidy, which cleans an element list
// after editing (merging text runs, dropping empty elements, restoring or
// removing anchors) without recursing along the list.
#pragma once

#include "formula/elements.h"
#include "formula/equationobject.h"

#include <QPoint>
#include <QRect>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One end of the selection: an element, the position inside it (0 ..
// PositionCount) and its pixel coordinates.
struct TCaretPosition {
    TEditorObject* element = nullptr; // borrowed: an element of the line
    int offset = 0;
    int x = 0;
    int y = 0;
};

// One step of the way from a line down to a list inside a cell: the
// structured element and the cell's index.
struct TPathStep {
    TSublistsEditObject* owner = nullptr;
    int cell = 0;
};

// What a line needs of the control that shows it (the maths editor, the
// equations window, or a benchmark's stand-in). Rectangles are in line
// coordinates: the window adds the line's offsets.
class TLineWindow {
public:
    virtual ~TLineWindow() = default;
    // Repaints a part of the line.
    virtual void InvalidateLine(const QRect& rect) = 0;
    // The line was edited (fires the control's OnChange).
    virtual void LineChanged(TEditor& line) = 0;
    // Shows "The formula is too long." (warning, OK and Help, topic 207).
    virtual void ShowTooLong() = 0;
    // Shows that the formula would be nested deeper than a document can hold;
    // like ShowTooLong, only for the first refusal.
    virtual void ShowTooDeep() {}
    // An insertion was refused by the length or nesting limit (every time).
    virtual void InsertionRefused() {}
    // The line's height changed: everything shown below it moves.
    virtual void LineHeightChanged() {}
    // The caret or the selection moved: show the caret there and scroll it into view.
    virtual void CaretMoved() = 0;
    // The line's hook, called with 1000 after a deletion that only removed a
    // selection and after a paste.
    virtual void LineHook(int value) { (void)value; }
};

// What a paste did.
enum class TPasteResult { Pasted, Nothing, ReadError, TooLong, TooDeep };

class TEditor : public TEquationObject {
public:
    // A new line: one anchor, caret and anchor both at its offset 0.
    explicit TEditor(std::uint32_t options = 0);

    // Writes the Curve record: "Curve", the line's markup and its look.
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return options; }
    [[nodiscard]] TEquationObject* GetParent() const override { return parent_; }
    void SetParent(TEquationObject* parent) override { parent_ = parent; }
    // Takes over object's elements and remembers object as the edited one;
    // the caret goes to the start of the line. A fixed description naming a
    // kind of object is recorded in ReportedKind.
    void TakeOver(TEquationObject& object) override;
    // A plain formula line is not drawn.
    void DrawOnGraph(Canvas& canvas, TGraphParams& params) override;

    // The object whose formula this line edits, or nullptr (borrowed).
    [[nodiscard]] TEquationObject* EditedObject() const { return editedObject_; }
    // Forgets the edited object (it was freed or went back into the list).
    void ForgetEditedObject() { editedObject_ = nullptr; }
    // The kind named by the first description of the list taken over (0 for none).
    [[nodiscard]] int ReportedKind() const { return reportedKind_; }

    // Puts caret and anchor at the start of the list (or nowhere for no list).
    void ResetCaret();
    // Moves any selection end that lies on element, or inside its cells, to
    // the end of previous, else the start of following, else nowhere; called
    // before element is freed.
    void ElementRemoved(TEditorObject* element, TEditorObject* previous, TEditorObject* following);
    // Moves any selection end on from (about to be freed, its text appended
    // to into at offset shift) to the same character of into.
    void ElementMerged(const TEditorObject* from, TEditorObject* into, int shift);

    // ---- Editing --------------------------------------------------------
    // Widest line that still accepts insertions, in pixels.
    static constexpr int MaxWidth = 2000;
    // Longest clipboard text a paste reads; longer text is refused as too long.
    static constexpr std::size_t MaxPasteBytes = 64 * 1024;

    // One caret position right or left, dropping a selection (at its end);
    // true when the caret moved.
    bool MoveRight();
    bool MoveLeft();
    // As MoveRight/MoveLeft, but passing from the last cell of a grid row to
    // the first cell of the next row (and back).
    bool MoveRightAcross();
    bool MoveLeftAcross();
    // To the cell row below or above at the caret's x; false when there is none.
    bool MoveUp();
    bool MoveDown();
    void CaretToStart();
    void CaretToEnd();
    void SelectAll();
    // Sets the caret (and collapses the selection); an element not in the
    // line puts the caret at the line's start; the offset is clamped.
    void SetCaret(TEditorObject* element, int offset);
    // Places the caret at a point of the window (the line's offsets are
    // taken off); extend selects from the last press to the point.
    void PlaceAtPoint(QPoint point, bool extend);
    // Moves a caret that lies right before or after a grid of input cells
    // into the grid's nearest cell.
    void SnapCaret();
    [[nodiscard]] bool HasSelection() const;
    // Whether typed characters may be inserted at the caret.
    [[nodiscard]] bool CanType() const;

    // Insertions; each first applies the length limit and replaces the
    // selection. They answer whether anything was inserted.
    bool TypeText(std::string_view text);
    bool TypeSymbol(char code);
    bool TypeIndex(char character = 0);
    bool TypeSquareRoot();
    bool TypeFraction();
    // Splices list in at the caret; the caret then steps right once (into a
    // new structure's first cell), or with caretAfter goes after the last
    // inserted element.
    bool TypeElements(TElementList list, bool caretAfter = false);
    // Next field, or a tab element; false when nothing happened.
    bool TabForward();
    bool TabBack();
    // Mode 0: Delete; 1: Backspace; 2: only remove a selection.
    bool DeleteAtCaret(int mode);
    // The markup of the selection; empty without a selection or when its
    // ends do not lie in one list.
    [[nodiscard]] std::string CopySelection() const;
    // CopySelection, then the selection is deleted.
    std::string CutSelection();
    // Reads markup text and inserts it at the caret. Malformed markup, text
    // whose runs would hold control characters or "}", and text that would
    // make the line too long paste nothing.
    TPasteResult PasteText(std::string_view text);
    // Replaces the line's input from outside (tidy mode 3) by list.
    void ReplaceInput(TElementList list);
    // Tidy of the line's list; mode 0 re-places and snaps the caret, mode 3
    // re-places it at its own x.
    void TidyLine(int mode);
    // Measures the line and locates the caret and the other end.
    void Remeasure();
    // Fires the window's change notification and sets the modified flag.
    void NotifyChanged();

    // The caret's rectangle (2 pixels wide) and the selection's, in line coordinates.
    [[nodiscard]] QRect CaretRect() const;
    [[nodiscard]] QRect SelectionRect() const;
    // The way from the line down to the list that holds element (empty for
    // the line itself); false when element is not in the line.
    [[nodiscard]] bool PathTo(const TEditorObject* element, std::vector<TPathStep>& path) const;

    TCaretPosition caret;
    TCaretPosition anchor;
    // The window that shows the line, or nullptr (borrowed).
    TLineWindow* window = nullptr;
    // The line's place in its window.
    int offsetX = 0;
    int offsetY = 0;
    // Set by every edit; cleared by the owner.
    bool modified = false;
    // Set by the last edit (or the last Remeasure outside an edit): the width
    // (rounded to tab stops) or the height changed.
    bool widthChanged = false;
    bool heightChanged = false;
    // The line's property flags, given at creation.
    std::uint32_t options;
    // The "The formula is too long." warning has been shown.
    bool tooLong = false;
    // The warning that the formula would be nested too deeply has been shown.
    bool tooDeep = false;

private:
    struct TPos {
        TEditorObject* element = nullptr;
        int offset = 0;
    };
    [[nodiscard]] TEditorObject* ListOf(const std::vector<TPathStep>& path) const;
    [[nodiscard]] TPos Normalised(TPos position) const;
    [[nodiscard]] bool StepRight(TPos& position, bool across, bool passOver) const;
    [[nodiscard]] bool StepLeft(TPos& position, bool across, bool passOver) const;
    [[nodiscard]] bool BesideGrid(TPos position, int direction) const;
    // A place the caret cannot rest at: beside a grid of input cells, or
    // right before a locked description.
    [[nodiscard]] bool CannotRest(TPos position) const;
    // Where the repaint after an edit at position must start: the start of
    // the outermost structure holding it, whose centred cells may move.
    [[nodiscard]] int BandStart(const TCaretPosition& position) const;
    // Whether list may be spliced in at the caret without nesting cells
    // deeper than a document can hold; warns once when not.
    bool CheckNesting(const TEditorObject* list);
    // Refuses an insertion: the window beeps, and warns with warn the first
    // time (recorded in warned). Answers false.
    bool Refuse(bool& warned, void (TLineWindow::*warn)());
    bool Move(bool right, bool across);
    void Locate(TCaretPosition& position) const;
    void SetBoth(TPos position);
    [[nodiscard]] TPos PositionAt(QPoint point) const;
    TPos PositionInList(TEditorObject* list, QPoint origin, QPoint point) const;
    void Reconcile(TPos press, TPos point);
    bool CheckLength();
    void DeleteRange(TPos from, TPos to);
    // Repaints after an edit that started at x, given the line's size before
    // it; sets widthChanged and heightChanged for the edit as a whole.
    void InvalidateFrom(int x, int oldWidth, int oldHeight);
    bool NextField(int direction);
    bool MoveVertically(int direction);

    TEquationObject* parent_ = nullptr;
    TPos press_;
    TEquationObject* editedObject_ = nullptr;
    int reportedKind_ = 0;
};

// Tidies a list in one of the modes of TTidyMode, visiting its elements from
// last to first: elements whose TidySelf answers yes are unlinked and freed
// (never in tmTest), and in tmPaste an anchor is put back in front. Selection
// ends of line on freed elements are moved. Answers true when every element
// answered yes (the list holds nothing that counts).
bool Tidy(TEditorObject*& list, int mode, TEditor* line = nullptr);
bool Tidy(TElementList& list, int mode, TEditor* line = nullptr);
