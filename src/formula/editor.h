// TEditor: one editable formula line as a model: its element list, the caret
// and the other end of the selection, the options that decide which commands
// apply, and the object being edited. Also Tidy, which cleans an element list
// after editing (merging text runs, dropping empty elements, restoring or
// removing anchors) without recursing along the list.
#pragma once

#include "formula/elements.h"
#include "formula/equationobject.h"

#include <cstdint>

// One end of the selection: an element, the position inside it (0 ..
// PositionCount) and its pixel coordinates.
struct TCaretPosition {
    TEditorObject* element = nullptr; // borrowed: an element of the line
    int offset = 0;
    int x = 0;
    int y = 0;
};

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

    TCaretPosition caret;
    TCaretPosition anchor;
    // The line's property flags, given at creation.
    std::uint32_t options;
    // The "The formula is too long." warning has been shown.
    bool tooLong = false;

private:
    TEquationObject* parent_ = nullptr;
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
