#include "document/undohistory.h"

#include "document/document.h"
#include "formula/editor.h"

std::string UndoSnapshot(const std::vector<TEquationObject*>& lines, int selectedLine)
{
    std::vector<TEquationObject*> kept;
    int selected = -1;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        TEquationObject* line = lines[static_cast<std::size_t>(i)];
        const auto* typed = dynamic_cast<const TEditor*>(line);
        if (typed && ListIsEmpty(typed->Elements()))
            continue;
        if (i == selectedLine)
            selected = static_cast<int>(kept.size());
        kept.push_back(line);
    }
    return EquationListText(kept, selected);
}

std::string_view TUndoHistory::WithoutSelection(std::string_view snapshot)
{
    const auto cut = snapshot.find("Selected curve no: ");
    return cut == std::string_view::npos ? snapshot : snapshot.substr(0, cut);
}

bool TUndoHistory::Record(std::string snapshot)
{
    if (index_ >= 0 &&
        WithoutSelection(entries_[static_cast<std::size_t>(index_)]) == WithoutSelection(snapshot)) {
        entries_[static_cast<std::size_t>(index_)] = std::move(snapshot); // only the selection changed
        return false;
    }
    DropRedo();
    bool added = false;
    if (!entries_.empty() && WithoutSelection(entries_.back()) == WithoutSelection(snapshot)) {
        entries_.back() = std::move(snapshot);
    } else {
        entries_.push_back(std::move(snapshot));
        added = true;
    }
    // Trim first and set the index afterwards, so that it always names an entry.
    while (entries_.size() > MaxEntries)
        entries_.erase(entries_.begin());
    index_ = static_cast<int>(entries_.size()) - 1;
    return added;
}

void TUndoHistory::DropRedo()
{
    if (index_ >= 0 && index_ + 1 < static_cast<int>(entries_.size()))
        entries_.resize(static_cast<std::size_t>(index_) + 1);
}

const std::string* TUndoHistory::Undo()
{
    if (!CanUndo())
        return nullptr;
    --index_;
    return &entries_[static_cast<std::size_t>(index_)];
}

const std::string* TUndoHistory::Redo()
{
    if (!CanRedo())
        return nullptr;
    ++index_;
    return &entries_[static_cast<std::size_t>(index_)];
}
