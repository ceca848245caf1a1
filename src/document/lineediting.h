// TLineEditing: what happens when the user starts and finishes editing a
// line of the equations list, and when a line is deleted as a curve. Starting
// puts a formula line in the place of the chosen object; finishing classifies
// the line and puts the resulting object in its place (keeping an edited
// object's identity where its kind allows), or leaves the line in editing with
// the message and place of the fault. The equations window and the main
// window both go through these rules.
#pragma once

#include "platform/colour.h"

#include <functional>
#include <string>

class TEditor;
class TEditorObject;
class TEquationList;
class TEquationObject;

namespace LineEditingMessage {
inline constexpr const char* DifferentType = "You cannot change this equation to a different type.";
inline constexpr const char* NamesStillUsed =
    "You must delete the shapes and\n\rhidden curves that use this first.";
} // namespace LineEditingMessage

// How finishing a line ended.
struct TFinishResult {
    // The line is no longer being edited (it was replaced or removed).
    bool editStopped = false;
    // A message for the user: the fault (the line stays in editing, with its
    // element and position), or the refusal of a change of kind.
    std::string message;
    TEditorObject* element = nullptr; // borrowed: where the fault is
    int position = 0;
    // The object that now stands where the line stood (or the old object kept
    // after a refused change of kind), or nullptr when the line was removed.
    TEquationObject* object = nullptr;
    // The object added at the end after a refused change of kind, or nullptr.
    TEquationObject* appended = nullptr;
    [[nodiscard]] bool Fault() const { return !editStopped && !message.empty(); }
};

class TLineEditing {
public:
    explicit TLineEditing(TEquationList& list);

    // Asked to draw an object with its dependants (the main window lets the
    // graph window draw them); may be empty.
    std::function<void(TEquationObject* object)> DrawWithDependants;
    // Records a change (an undo step); empty: the main window in force is told.
    std::function<void()> RecordChange;

    // Supplies the line for editing at index: the new-line position (Count())
    // gets a fresh line with parent and options, inserted after the parent's
    // lines; a plain line is edited itself; an object is replaced by a line
    // made from it, which remembers it. Answers the line now at the selected
    // place, or nullptr when the object cannot be edited. Selects the line.
    TEditor* Begin(int index, TEquationObject* parent = nullptr, unsigned options = 0);
    // Classifies line and applies the result (see the header comment).
    [[nodiscard]] TFinishResult Finish(TEditor& line);
    // Deletes object as the Delete curve command does: a declared name still
    // used by a coordinate list or a hidden curve is refused (the answer is the
    // warning); otherwise the lines that use the name become lines waiting for
    // its definition, the object and its dependants are removed, and the next
    // line (the primary of the deleted one when it had one) is selected. An
    // empty answer means the object was deleted.
    [[nodiscard]] std::string DeleteCurve(TEquationObject* object);
    // Classifies line again (after the declarations changed), without the
    // declared names of excluded, and puts the result in its place, keeping
    // the line's look; lines derived from it are removed, as they cannot
    // follow a change of kind. A line that no longer classifies is removed.
    // Answers the line now standing there, or nullptr.
    TEquationObject* Reclassify(TEquationObject* line, const TEquationObject* excluded = nullptr);

private:
    void Changed();
    // The colour a new line takes: the curve colour of its place in the list,
    // or, for a line that belongs to parent, a lighter mix with the parent's.
    [[nodiscard]] TColour NewLineColour(const TEquationObject* parent) const;
    TEquationList& list_;
    // The markup of the object being edited when editing began: what it shows
    // again when a change of kind is refused.
    std::string originalMarkup_;
};
