// TUndoHistory: the undo history of the equations list as snapshot texts
// (each the equation records the document writer produces) and the index of
// the present one. A snapshot that differs from the present one only in the
// selected line replaces it instead of adding a step.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TEquationObject;

// The snapshot of an equations list: the records of its lines and the
// selected line, without a line that holds nothing yet (the new line being
// typed is no state to go back to, and read back it would be an empty line).
[[nodiscard]] std::string UndoSnapshot(const std::vector<TEquationObject*>& lines, int selectedLine);

class TUndoHistory {
public:
    static constexpr std::size_t MaxEntries = 5;

    // Records the state after a change; answers whether a new step was added.
    // A change of the selection alone only updates the present entry and
    // keeps the steps that Redo would bring back.
    bool Record(std::string snapshot);
    // Drops the entries after the present one (before a change that may need undoing).
    void DropRedo();
    // The snapshot to restore by Undo, moving back one; nullptr when none.
    [[nodiscard]] const std::string* Undo();
    // The snapshot to restore by Redo, moving forward one; nullptr when none.
    [[nodiscard]] const std::string* Redo();
    [[nodiscard]] bool CanUndo() const { return index_ > 0; }
    [[nodiscard]] bool CanRedo() const { return index_ + 1 < static_cast<int>(entries_.size()); }
    [[nodiscard]] bool Empty() const { return entries_.empty(); }
    [[nodiscard]] int Index() const { return index_; }
    [[nodiscard]] int Count() const { return static_cast<int>(entries_.size()); }
    [[nodiscard]] const std::string& Entry(int index) const
    {
        return entries_[static_cast<std::size_t>(index)];
    }

    // The part of a snapshot that counts when comparing: everything before "Selected curve no: ".
    [[nodiscard]] static std::string_view WithoutSelection(std::string_view snapshot);

private:
    std::vector<std::string> entries_;
    int index_ = -1;
};
