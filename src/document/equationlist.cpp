#include "document/equationlist.h"

#include "entry/declarationlines.h"
#include "formula/editor.h"
#include "formula/markup.h"

#include <algorithm>

namespace {

// Lines that report this property are derived from other lines (gradients,
// best-fit lines, intersections): a declared name they use does not doom them.
constexpr std::uint32_t DerivedLineProperty = 0x2;
// Lines that report this property are coordinate lists.
constexpr std::uint32_t CoordinateListProperty = 0x400;

} // namespace

TEquationList::TEquationList() = default;

TEquationList::~TEquationList()
{
    // Dependants borrow their primaries: free from the last line up, after
    // the object held for editing (whose dependants are in the list).
    held_.reset();
    heldFor_ = nullptr;
    selected_ = nullptr;
    while (!lines_.Empty())
        lines_.Delete(lines_.Count() - 1);
}

TEquationObject* TEquationList::ItemAt(int index) const
{
    return index >= 0 && index < Count() ? lines_[index] : nullptr;
}

std::vector<TEquationObject*> TEquationList::Lines() const
{
    std::vector<TEquationObject*> lines;
    lines.reserve(static_cast<std::size_t>(Count()));
    for (TEquationObject* line : lines_)
        lines.push_back(line);
    return lines;
}

int TEquationList::SelectedIndex() const
{
    if (selected_)
        return IndexOf(selected_);
    return newLineSelected_ ? Count() : -1;
}

void TEquationList::SetSelected(int index)
{
    selected_ = ItemAt(index);
    newLineSelected_ = index == Count();
}

void TEquationList::Measured(TEquationObject& line)
{
    if (Measure)
        Measure(line);
}

void TEquationList::RepaintFrom(int index)
{
    if (OnRepaintFrom)
        OnRepaintFrom(std::max(index, 0));
}

void TEquationList::LinesChanged()
{
    if (OnLinesChanged)
        OnLinesChanged();
}

int TEquationList::InsertObject(std::unique_ptr<TEquationObject> object)
{
    int position = Count();
    if (TEquationObject* parent = object ? object->GetParent() : nullptr) {
        for (int i = Count() - 1; i >= 0; --i) {
            if (lines_[i] == parent || lines_[i]->DependsOnObject(parent)) {
                position = i + 1;
                break;
            }
        }
    }
    return InsertAt(position, std::move(object));
}

int TEquationList::InsertAt(int index, std::unique_ptr<TEquationObject> object)
{
    if (!object)
        return -1;
    index = std::clamp(index, 0, Count());
    TEquationObject* inserted = object.get();
    Measured(*inserted);
    inserted->SetLayoutOutOfDate(false);
    lines_.Insert(index, std::move(object));
    if (OnInsertCurve)
        OnInsertCurve(inserted);
    LinesChanged();
    RepaintFrom(index);
    return IndexOf(inserted);
}

bool TEquationList::DoomedBy(const TEquationObject* line, const TEquationObject* object) const
{
    if (line == object)
        return false;
    if (line->Involves(object))
        return true;
    const auto* declared = dynamic_cast<const TDeclaredNameEquation*>(object);
    if (!declared || !line->DependsOn(declared->NameText()))
        return false;
    return !line->HasProperty(DerivedLineProperty) || line->HasProperty(CoordinateListProperty);
}

void TEquationList::DeleteDependents(TEquationObject* object)
{
    if (!object)
        return;
    ++deletionDepth_;
    // Each deletion may take other lines with it, above or below, so the
    // search starts again from the last line rather than trusting an index.
    for (;;) {
        TEquationObject* doomed = nullptr;
        for (int i = Count() - 1; i >= 0 && !doomed; --i)
            if (DoomedBy(lines_[i], object))
                doomed = lines_[i];
        if (!doomed)
            break;
        DeleteObject(doomed);
    }
    --deletionDepth_;
    CorrectSelection();
}

void TEquationList::DeleteObject(TEquationObject* object)
{
    if (!object || IndexOf(object) < 0)
        return;
    ++deletionDepth_;
    if (auto* line = dynamic_cast<TEditor*>(object); line && HeldObject(*line))
        DropEditedObject(*line);
    if (OnDeleteCurve)
        OnDeleteCurve(object);
    if (IndexOf(object) >= 0)
        DeleteDependents(object);
    RemoveObject(object);
    --deletionDepth_;
    CorrectSelection();
}

void TEquationList::CorrectSelection()
{
    if (deletionDepth_ > 0)
        return;
    const int index = SelectedIndex();
    if (index > Count() - 1 && index >= 0) {
        if (SelectLineHook)
            SelectLineHook(Count() - 1);
        else
            SetSelected(Count() - 1);
    }
    RepaintFrom(SelectedIndex());
}

void TEquationList::RemoveObject(TEquationObject* object)
{
    const int index = IndexOf(object);
    if (index < 0)
        return;
    if (auto* line = dynamic_cast<TEditor*>(object); line && HeldObject(*line))
        DropEditedObject(*line);
    const int at = IndexOf(object);
    if (at < 0)
        return;
    std::unique_ptr<TEquationObject> taken = lines_.Extract(object);
    if (selected_ == object) {
        // The line that slides into the place is selected, as an index would.
        selected_ = ItemAt(at);
        newLineSelected_ = selected_ == nullptr;
    }
    if (OnLineLeaving)
        OnLineLeaving(object);
    LinesChanged();
    RepaintFrom(at);
    taken.reset();
}

std::unique_ptr<TEquationObject> TEquationList::ReplaceLine(TEquationObject& old,
                                                            std::unique_ptr<TEquationObject> replacement)
{
    const int index = IndexOf(&old);
    if (index < 0 || !replacement)
        return replacement;
    TEquationObject* incoming = replacement.get();
    Measured(*incoming);
    incoming->SetLayoutOutOfDate(false);
    std::unique_ptr<TEquationObject> taken = lines_.Extract(&old);
    lines_.Insert(index, std::move(replacement));
    if (selected_ == &old)
        selected_ = incoming;
    if (OnLineLeaving)
        OnLineLeaving(&old);
    LinesChanged();
    RepaintFrom(index);
    return taken;
}

void TEquationList::ClearAll()
{
    selected_ = nullptr;
    newLineSelected_ = false;
    held_.reset();
    heldFor_ = nullptr;
    while (!lines_.Empty()) {
        TEquationObject* last = lines_.Last();
        std::unique_ptr<TEquationObject> taken = lines_.Extract(last);
        if (OnLineLeaving)
            OnLineLeaving(last);
    }
    LinesChanged();
    RepaintFrom(0);
}

void TEquationList::HoldEditedObject(TEditor& line, std::unique_ptr<TEquationObject> object)
{
    if (held_ && heldFor_ && heldFor_ != &line)
        DropEditedObject(*heldFor_);
    held_ = std::move(object);
    heldFor_ = held_ ? &line : nullptr;
}

TEquationObject* TEquationList::HeldObject(const TEditor& line) const
{
    return heldFor_ == &line ? held_.get() : nullptr;
}

std::unique_ptr<TEquationObject> TEquationList::ReleaseEditedObject(TEditor& line)
{
    if (heldFor_ != &line)
        return nullptr;
    heldFor_ = nullptr;
    line.ForgetEditedObject();
    return std::move(held_);
}

void TEquationList::DropEditedObject(TEditor& line)
{
    if (heldFor_ != &line || !held_)
        return;
    TEquationObject* object = held_.get();
    ++deletionDepth_;
    DeleteDependents(object);
    if (OnDeleteCurve)
        OnDeleteCurve(object);
    --deletionDepth_;
    std::unique_ptr<TEquationObject> doomed = ReleaseEditedObject(line);
    doomed.reset();
}

void TEquationList::RecalculateDependants(const TEquationObject* object)
{
    // A declaration entered again with a new value or definition changes
    // every line that uses its name.
    const auto* declared = dynamic_cast<const TDeclaredNameEquation*>(object);
    for (TEquationObject* line : lines_)
        if (line != object && (line->Involves(object) || (declared && line->DependsOn(declared->NameText()))))
            line->SetMustRecalculate(true);
}

void TEquationList::RecalculateFrom(int index)
{
    TEquationObject* primary = ItemAt(index);
    primary->Recalculate();
    primary->SetMustRecalculate(false);
    // Derived lines follow their primaries, so walking down in order
    // recalculates a derived line after everything it is derived from.
    for (int i = index + 1; i < Count(); ++i) {
        TEquationObject* line = lines_[i];
        if (line->Involves(primary)) {
            line->Recalculate();
            line->SetMustRecalculate(false);
        }
    }
}

bool TEquationList::PrimaryWaiting(int index) const
{
    const TEquationObject* line = ItemAt(index);
    for (int j = 0; j < index; ++j)
        if (lines_[j]->MustRecalculate() && line->Involves(lines_[j]))
            return true;
    return false;
}

bool TEquationList::HasPendingChanges() const
{
    for (TEquationObject* line : lines_) {
        if (line->MustRecalculate() || line->LayoutOutOfDate() || line->Changed() || line->ResultsChanged())
            return true;
        if (!line->IsValid() && !(line == selected_ && !line->HasProperty(DerivedLineProperty)))
            return true;
    }
    return false;
}

bool TEquationList::ProcessChanges()
{
    bool done = false;
    // A line whose results changed (a data set's points) has the lines
    // computed from it follow: best-fit lines fit the new points.
    for (int i = 0; i < Count(); ++i) {
        TEquationObject* line = lines_[i];
        if (!line->ResultsChanged())
            continue;
        line->SetResultsChanged(false);
        for (int j = i + 1; j < Count(); ++j)
            if (lines_[j]->Involves(line))
                lines_[j]->SetMustRecalculate(true);
    }
    int i = Count() - 1;
    while (i >= 0) {
        TEquationObject* line = lines_[i];
        if (!line->IsValid() && !(line == selected_ && !line->HasProperty(DerivedLineProperty))) {
            if (ClearStatus)
                ClearStatus();
            DeleteObject(line);
            // A removal may take lines anywhere with it: start again from the
            // end; lines already visited have their bits cleared.
            i = Count() - 1;
            continue;
        }
        if (line->MustRecalculate() && !PrimaryWaiting(i)) {
            RecalculateFrom(i);
            done = true;
        }
        if (line->LayoutOutOfDate()) {
            Measured(*line);
            line->SetLayoutOutOfDate(false);
            RepaintFrom(i);
            done = true;
        }
        if (line->Changed()) {
            line->SetChanged(false);
            done = true;
        }
        --i;
    }
    return done;
}

int TEquationList::DropTarget(int target) const
{
    if (Count() == 0)
        return -1;
    target = std::clamp(target, 0, Count() - 1);
    const int from = SelectedIndex();
    if (!selected_ || target == from)
        return target;
    const TEquationObject* moving = selected_;
    if (target > from) {
        for (int i = from + 1; i <= target; ++i)
            if (lines_[i]->UsesName(*moving))
                return -1;
    } else {
        for (int i = target; i < from; ++i)
            if (moving->UsesName(*lines_[i]))
                return -1;
    }
    const bool last = target == Count() - 1;
    TEquationObject* parent = moving->GetParent();
    if (lines_[target]->GetParent() != parent && !(last && !parent))
        return -1;
    if (!last && lines_[target + 1]->GetParent() != parent)
        return -1;
    return target;
}

bool TEquationList::MoveSelectedTo(int target)
{
    const int at = DropTarget(target);
    const int from = SelectedIndex();
    if (at < 0 || !selected_ || at == from)
        return false;
    TEquationObject* moving = selected_;
    TEquationObject* anchor = lines_[at];
    if (anchor->DependsOnObject(moving))
        return false;
    const bool down = at > from;

    // The block: the line and the lines derived from it that follow it.
    std::vector<std::unique_ptr<TEquationObject>> block;
    block.push_back(lines_.Extract(moving));
    while (from < Count() && lines_[from]->DependsOnObject(moving))
        block.push_back(lines_.Extract(lines_[from]));

    int position = IndexOf(anchor);
    if (down)
        ++position;
    for (auto& line : block)
        lines_.Insert(position++, std::move(line));
    selected_ = moving;
    LinesChanged();
    RepaintFrom(std::min(from, IndexOf(moving)));
    return true;
}

std::string TEquationList::LineMarkup(int index) const
{
    const TEquationObject* line = ItemAt(index);
    return line ? ElementsToText(line->Elements()) : std::string();
}
