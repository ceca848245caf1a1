#include "formula/elements.h"

#include "expr/evaluator.h"
#include "formula/descriptions.h"
#include "formula/editor.h"
#include "settings/mathswriter.h"

#include <algorithm>
#include <typeinfo>

// ---- Lists -------------------------------------------------------------

TEditorObject::~TEditorObject()
{
    FreeList(DetachNext());
}

void FreeList(TEditorObject* list)
{
    // Successors and the lists of cells are unlinked before each element is
    // deleted, so no destructor ever frees more than the element itself: a
    // long line or deeply nested cells cannot exhaust the stack.
    std::vector<TEditorObject*> pending;
    TEditorObject* element = list;
    for (;;) {
        while (element) {
            TEditorObject* following = element->DetachNext();
            if (auto* structured = dynamic_cast<TSublistsEditObject*>(element))
                structured->DetachCells(pending);
            delete element;
            element = following;
        }
        if (pending.empty())
            break;
        element = pending.back();
        pending.pop_back();
    }
}

TEditorObject* LastElement(TEditorObject* list)
{
    if (!list)
        return nullptr;
    while (list->next)
        list = list->next;
    return list;
}

bool ListIsEmpty(const TEditorObject* list)
{
    return !list || (IsAnchor(list) && !list->next);
}

bool IsAnchor(const TEditorObject* element)
{
    return element && typeid(*element) == typeid(TEditorObject);
}

void WriteElementList(const TEditorObject* list, TMathsWriter& writer)
{
    for (const TEditorObject* element = list; element; element = element->next)
        element->WriteTo(writer);
}

// ---- TEditorObject -----------------------------------------------------

void TEditorObject::WriteTo(TMathsWriter&) const {}

namespace {

// Anchors, blank lines and evaluator storers tidy alike; a run of them is
// walked in a loop rather than by asking each in turn.
bool TidiesAsAnchor(const TEditorObject* element)
{
    return IsAnchor(element) || dynamic_cast<const TBlankLine*>(element) ||
           dynamic_cast<const TEvaluatorStorer*>(element);
}

} // namespace

bool TEditorObject::TidySelf(TEditor* line, int mode)
{
    if (mode == tmFinish)
        return true;
    if (mode != tmTest)
        return false;
    TEditorObject* following = next;
    while (following && TidiesAsAnchor(following))
        following = following->next;
    return !following || following->TidySelf(line, tmTest);
}

int TEditorObject::DescribedKind() const
{
    for (const TEditorObject* element = this; element; element = element->next) {
        if (const int number = element->DescriptionNumber())
            return ::DescribedKind(number);
    }
    return 0;
}

TEditorObject* TEditorObject::Find(TEditorObject* element)
{
    return element == this ? this : nullptr;
}

// ---- TStringEditObject -------------------------------------------------

TStringEditObject::TStringEditObject(std::string_view text)
{
    SetText(text);
}

void TStringEditObject::Reserve(std::size_t length)
{
    const std::size_t needed = length + 1; // room for the terminating zero
    if (needed <= capacity_)
        return;
    capacity_ = (needed + CapacityStep - 1) / CapacityStep * CapacityStep;
    text_.reserve(capacity_);
}

void TStringEditObject::SetText(std::string_view text)
{
    Reserve(text.size());
    text_.assign(text);
}

void TStringEditObject::Append(std::string_view text)
{
    Reserve(text_.size() + text.size());
    text_.append(text);
}

void TStringEditObject::Insert(int offset, std::string_view text)
{
    const auto at = static_cast<std::size_t>(std::clamp(offset, 0, PositionCount()));
    Reserve(text_.size() + text.size());
    text_.insert(at, text);
}

void TStringEditObject::Erase(int from, int to)
{
    from = std::clamp(from, 0, PositionCount());
    to = std::clamp(to, from, PositionCount());
    text_.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
}

void TStringEditObject::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText(text_);
}

bool TStringEditObject::TidySelf(TEditor* line, int mode)
{
    if (mode != tmTest) {
        while (auto* run = dynamic_cast<TStringEditObject*>(next)) {
            if (line)
                line->ElementMerged(run, this, static_cast<int>(text_.size()));
            Append(run->text_);
            next = run->DetachNext();
            delete run;
        }
    }
    return text_.empty();
}

// ---- Symbols, tabs and descriptions --------------------------------------

void TSpecialChar::WriteTo(TMathsWriter& writer) const
{
    writer.WriteChar('{');
    writer.WriteChar(character_);
}

bool TSpecialChar::TidySelf(TEditor*, int)
{
    return false;
}

void TEditTabObject::WriteTo(TMathsWriter& writer) const
{
    writer.WriteChar('\t');
}

bool TEditTabObject::TidySelf(TEditor*, int mode)
{
    return mode == tmFinish && !next;
}

void TFixedDescription::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText(DescriptionText(number_, true));
}

bool TFixedDescription::TidySelf(TEditor* line, int mode)
{
    if (mode == tmReplace && next && next->DescriptionNumber() != 0) {
        // A further description ends what the outside input may keep.
        FreeList(DetachNext());
        if (line) {
            line->caret.element = this;
            line->caret.offset = PositionCount();
            line->anchor = line->caret;
        }
    }
    return false;
}

int TFixedDescription::DescribedKind() const
{
    return ::DescribedKind(number_);
}

// ---- TEvaluatorStorer --------------------------------------------------

TEvaluatorStorer::TEvaluatorStorer(std::unique_ptr<TEvaluator> tree) : tree_(std::move(tree)) {}

TEvaluatorStorer::~TEvaluatorStorer() = default;

void TEvaluatorStorer::WriteTo(TMathsWriter& writer) const
{
    if (tree_)
        tree_->WriteTo(writer);
}

// ---- Structured elements -------------------------------------------------

TSublistsEditObject::TSublistsEditObject(std::uint16_t dimensions)
{
    const std::size_t count = static_cast<std::size_t>(dimensions & 0xFF) * ((dimensions >> 8) & 0xFF);
    cells_.resize(count);
    for (TSubList& cell : cells_)
        cell.list = new TEditorObject;
}

TSublistsEditObject::~TSublistsEditObject()
{
    for (TSubList& cell : cells_)
        FreeList(cell.list);
}

std::uint16_t TSublistsEditObject::Dimensions() const
{
    return 0x0101;
}

void TSublistsEditObject::SetCell(int index, TEditorObject* list)
{
    TSubList& cell = cells_[static_cast<std::size_t>(index)];
    if (cell.list != list)
        FreeList(cell.list);
    cell.list = list;
}

void TSublistsEditObject::DetachCells(std::vector<TEditorObject*>& pending)
{
    for (TSubList& cell : cells_) {
        if (cell.list)
            pending.push_back(cell.list);
        cell.list = nullptr;
    }
}

void TSublistsEditObject::ResizeCells()
{
    const std::size_t count = static_cast<std::size_t>(Rows()) * static_cast<std::size_t>(Columns());
    while (cells_.size() > count) {
        FreeList(cells_.back().list);
        cells_.pop_back();
    }
    while (cells_.size() < count)
        cells_.push_back(TSubList{new TEditorObject});
}

void TSublistsEditObject::WriteCells(TMathsWriter& writer) const
{
    for (const TSubList& cell : cells_) {
        writer.WriteChar('{');
        WriteElementList(cell.list, writer);
        writer.WriteChar('}');
    }
}

void TSublistsEditObject::WriteTo(TMathsWriter& writer) const
{
    const std::string_view tag = TagName();
    if (!tag.empty()) {
        writer.WriteChar('{');
        writer.WriteText(tag);
    }
    WriteCells(writer);
}

bool TSublistsEditObject::TidySelf(TEditor* line, int mode)
{
    bool allEmpty = true;
    for (TSubList& cell : cells_) {
        if (!Tidy(cell.list, mode, line))
            allEmpty = false;
    }
    return (mode == tmTest || mode == tmReplace) && allEmpty;
}

TEditorObject* TSublistsEditObject::Find(TEditorObject* element)
{
    if (element == this)
        return this;
    for (const TSubList& cell : cells_) {
        for (TEditorObject* item = cell.list; item; item = item->next) {
            if (item->Find(element))
                return this;
        }
    }
    return nullptr;
}

TMatrixEditObject::TMatrixEditObject(int rows, int columns)
    : TSmallFontSubList(static_cast<std::uint16_t>((rows & 0xFF) | ((columns & 0xFF) << 8))),
      dimensions_(static_cast<std::uint16_t>((rows & 0xFF) | ((columns & 0xFF) << 8)))
{
}

void TMatrixEditObject::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("{Mtrx ");
    writer.WriteChar(static_cast<char>(Rows()));
    writer.WriteChar(static_cast<char>(Columns()));
    WriteCells(writer);
}

TFixedList::TFixedList(int count, int mask)
    : TSublistsEditObject(static_cast<std::uint16_t>(0x01 | ((count & 0xFF) << 8))),
      count_(static_cast<std::uint8_t>(count)), mask_(static_cast<std::uint8_t>(mask))
{
}

std::uint16_t TFixedList::Dimensions() const
{
    return static_cast<std::uint16_t>(0x01 | (count_ << 8));
}

void TFixedList::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("{fix ");
    writer.WriteChar(static_cast<char>(count_));
    writer.WriteChar(static_cast<char>(mask_));
    WriteCells(writer);
}

bool TFixedList::TidySelf(TEditor* line, int mode)
{
    if (mode != tmReplace)
        return TSublistsEditObject::TidySelf(line, mode);
    // Outside input replaces the second field; the caret waits there.
    if (CellCount() < 2)
        return false;
    TSubList& field = CellRecord(1);
    if (!field.list)
        field.list = new TEditorObject;
    FreeList(field.list->DetachNext());
    if (line) {
        line->caret.element = field.list;
        line->caret.offset = field.list->PositionCount();
        line->anchor = line->caret;
    }
    return false;
}

void TDisplayInfo::WriteTo(TMathsWriter&) const {}

void TCoordEditObject::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("{coords");
    WriteCells(writer);
}
