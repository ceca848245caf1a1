// The editing operations of TEditor: caret positions and steps, placing
// from a pixel, selection, insertion, deletion, the clipboard's markup and
// re-measuring with the repaint of the changed band.
#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "settings/mathsreader.h"
#include "settings/mathswriter.h"

#include <QRegion>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// Bound on repeated steps (passing grids): far more than any line holds.
constexpr int MaxRepeats = 100000;

bool IsStructure(const TEditorObject* element)
{
    return dynamic_cast<const TSublistsEditObject*>(element) != nullptr;
}

bool IsIndex(const TEditorObject* element)
{
    return dynamic_cast<const TSuperscriptEditObject*>(element) != nullptr;
}

// Cells of a field list that hold descriptions: caret steps and Tab pass them.
bool SkipsCell(const TSublistsEditObject* owner, int cell)
{
    const auto* fields = dynamic_cast<const TFixedList*>(owner);
    return fields && cell < 8 && ((fields->LayoutMask() >> cell) & 1) != 0;
}

TEditorObject* Previous(TEditorObject* list, const TEditorObject* element)
{
    for (TEditorObject* item = list; item; item = item->next)
        if (item->next == element)
            return item;
    return nullptr;
}

// Index of element in list (INT_MAX when absent).
int IndexIn(const TEditorObject* list, const TEditorObject* element)
{
    int index = 0;
    for (const TEditorObject* item = list; item; item = item->next, ++index)
        if (item == element)
            return index;
    return INT_MAX;
}

// A cell list always starts with an anchor while its line is edited.
TEditorObject* CellList(TSublistsEditObject* owner, int cell)
{
    if (!owner->Cell(cell))
        owner->SetCell(cell, new TEditorObject);
    return owner->Cell(cell);
}

// True when a run of the pasted list holds a character the markup cannot
// keep in a run (a control character or "}"), at any depth.
bool HoldsUnsafeText(const TEditorObject* list)
{
    std::vector<const TEditorObject*> pending{list};
    while (!pending.empty()) {
        const TEditorObject* item = pending.back();
        pending.pop_back();
        for (; item; item = item->next) {
            if (const auto* run = dynamic_cast<const TStringEditObject*>(item)) {
                for (char c : run->Text())
                    if (static_cast<unsigned char>(c) < 0x20 || c == '}' || c == '{' || c == 0x7F)
                        return true;
            } else if (const auto* structured = dynamic_cast<const TSublistsEditObject*>(item)) {
                for (int i = 0; i < structured->CellCount(); ++i)
                    pending.push_back(structured->Cell(i));
            }
        }
    }
    return false;
}

} // namespace

// ---- Places ----------------------------------------------------------------

bool TEditor::PathTo(const TEditorObject* element, std::vector<TPathStep>& path) const
{
    // Depth-first with an explicit stack of (list item, path length).
    path.clear();
    struct TFrame {
        TEditorObject* item;
        std::size_t depth;
        TPathStep step;
    };
    std::vector<TFrame> stack{{Elements(), 0, {}}};
    std::vector<TPathStep> current;
    while (!stack.empty()) {
        TFrame frame = stack.back();
        stack.pop_back();
        current.resize(frame.depth);
        if (frame.depth > 0)
            current[frame.depth - 1] = frame.step;
        for (TEditorObject* item = frame.item; item; item = item->next) {
            if (item == element) {
                path = current;
                return true;
            }
            if (auto* owner = dynamic_cast<TSublistsEditObject*>(item))
                for (int i = owner->CellCount() - 1; i >= 0; --i)
                    stack.push_back({owner->Cell(i), frame.depth + 1, {owner, i}});
        }
    }
    return false;
}

TEditorObject* TEditor::ListOf(const std::vector<TPathStep>& path) const
{
    return path.empty() ? Elements() : path.back().owner->Cell(path.back().cell);
}

TEditor::TPos TEditor::Normalised(TPos position) const
{
    if (!position.element)
        return TPos{Elements(), 0};
    position.offset = std::clamp(position.offset, 0, position.element->PositionCount());
    if (IsStructure(position.element) && position.offset == 1)
        position.offset = 2;
    if (position.offset == 0 && !IsAnchor(position.element)) {
        std::vector<TPathStep> path;
        if (PathTo(position.element, path))
            if (TEditorObject* previous = Previous(ListOf(path), position.element))
                return TPos{previous, previous->PositionCount()};
    }
    return position;
}

bool TEditor::StepRight(TPos& position, bool across, bool passOver) const
{
    TEditorObject* element = position.element;
    if (dynamic_cast<TStringEditObject*>(element) && position.offset < element->PositionCount()) {
        ++position.offset;
        return true;
    }
    // Elements without positions (stored trees, blank lines) hold no caret:
    // the step goes on to the element after them.
    while (element->next && element->next->PositionCount() == 0)
        element = element->next;
    if (TEditorObject* following = element->next) {
        if (auto* owner = dynamic_cast<TSublistsEditObject*>(following); owner && !passOver) {
            for (int i = 0; i < owner->CellCount(); ++i)
                if (!SkipsCell(owner, i)) {
                    position = TPos{CellList(owner, i), 0};
                    return true;
                }
            position = TPos{following, 2};
            return true;
        }
        // One position: past the first character of a run, or past the
        // whole of anything else.
        const bool run = dynamic_cast<TStringEditObject*>(following) != nullptr;
        position = TPos{following, run ? 1 : following->PositionCount()};
        return true;
    }
    // The end of a list: the next cell of the row, or out of the element.
    std::vector<TPathStep> path;
    if (!PathTo(element, path) || path.empty())
        return false;
    TSublistsEditObject* owner = path.back().owner;
    const int columns = std::max(1, owner->Columns());
    const int cell = path.back().cell;
    const int rowEnd = (cell / columns + 1) * columns;
    const int last = across ? owner->CellCount() : std::min(rowEnd, owner->CellCount());
    for (int i = cell + 1; i < last; ++i)
        if (!SkipsCell(owner, i)) {
            position = TPos{CellList(owner, i), 0};
            return true;
        }
    position = TPos{owner, 2};
    return true;
}

bool TEditor::StepLeft(TPos& position, bool across, bool passOver) const
{
    TEditorObject* element = position.element;
    if (dynamic_cast<TStringEditObject*>(element) && position.offset > 1) {
        --position.offset;
        return true;
    }
    if (auto* owner = dynamic_cast<TSublistsEditObject*>(element);
        owner && position.offset == 2 && !passOver) {
        // Into the last cell of the first row (of the last row going across).
        const int columns = std::max(1, owner->Columns());
        const int rows = owner->CellCount() / columns;
        const int row = across ? rows - 1 : 0;
        for (int i = std::min(owner->CellCount(), (row + 1) * columns) - 1; i >= 0; --i)
            if (!SkipsCell(owner, i)) {
                TEditorObject* last = LastElement(CellList(owner, i));
                position = TPos{last, last->PositionCount()};
                return true;
            }
    }
    std::vector<TPathStep> path;
    if (!PathTo(element, path))
        return false;
    if (!IsAnchor(element)) {
        if (TEditorObject* previous = Previous(ListOf(path), element)) {
            position = TPos{previous, previous->PositionCount()};
            return true;
        }
        return false;
    }
    if (path.empty())
        return false;
    TSublistsEditObject* owner = path.back().owner;
    const int columns = std::max(1, owner->Columns());
    const int cell = path.back().cell;
    const int rowStart = (cell / columns) * columns;
    const int first = across ? 0 : rowStart;
    for (int i = cell - 1; i >= first; --i)
        if (!SkipsCell(owner, i)) {
            TEditorObject* last = LastElement(CellList(owner, i));
            position = TPos{last, last->PositionCount()};
            return true;
        }
    std::vector<TPathStep> ownerPath(path.begin(), path.end() - 1);
    TEditorObject* previous = Previous(ListOf(ownerPath), owner);
    if (!previous)
        return false;
    position = TPos{previous, previous->PositionCount()};
    return true;
}

bool TEditor::BesideGrid(TPos position, int direction) const
{
    const TEditorObject* element = position.element;
    if (direction >= 0 && ::HasProperty(element, pfInputGrid) && position.offset == 2)
        return true;
    return direction <= 0 && position.offset == element->PositionCount() &&
           ::HasProperty(element->next, pfInputGrid);
}

bool TEditor::CannotRest(TPos position) const
{
    const TEditorObject* element = position.element;
    if (BesideGrid(position, 0))
        return true;
    return position.offset == element->PositionCount() &&
           dynamic_cast<const TLockedDescription*>(element->next) != nullptr;
}

bool TEditor::Move(bool right, bool across)
{
    if (!Elements())
        return false;
    TPos position = Normalised(TPos{caret.element, caret.offset});
    if (HasSelection()) {
        // Arrows drop a selection at its end in their direction.
        const TCaretPosition& end = right ? anchor : caret;
        SetBoth(Normalised(TPos{end.element, end.offset}));
        SnapCaret();
        return true;
    }
    TPos step = position;
    for (int repeat = 0; repeat < MaxRepeats; ++repeat) {
        if (!(right ? StepRight(step, across, false) : StepLeft(step, across, false)))
            return false;
        step = Normalised(step);
        if (!CannotRest(step))
            break;
    }
    SetBoth(step);
    return true;
}

bool TEditor::MoveRight()
{
    return Move(true, false);
}

bool TEditor::MoveLeft()
{
    return Move(false, false);
}

bool TEditor::MoveRightAcross()
{
    return Move(true, true);
}

bool TEditor::MoveLeftAcross()
{
    return Move(false, true);
}

void TEditor::Locate(TCaretPosition& position) const
{
    std::vector<TPathStep> path;
    if (!position.element || !PathTo(position.element, path)) {
        position = TCaretPosition{Elements(), 0, leftMargin, raise};
        return;
    }
    int x = leftMargin;
    int y = raise;
    for (const TPathStep& step : path) {
        const TSubList& cell = step.owner->CellRecord(step.cell);
        x += step.owner->layoutX + cell.dx;
        y += cell.dy;
    }
    position.x = x + position.element->layoutX + position.element->CaretX(position.offset);
    position.y = y;
}

void TEditor::SetBoth(TPos position)
{
    // A selection being dropped leaves no highlight behind.
    if (window && HasSelection())
        window->InvalidateLine(SelectionRect());
    caret.element = position.element;
    caret.offset = position.offset;
    Locate(caret);
    anchor = caret;
    if (window)
        window->CaretMoved();
}

void TEditor::SetCaret(TEditorObject* element, int offset)
{
    if (!Elements())
        return;
    std::vector<TPathStep> path;
    if (!element || !PathTo(element, path))
        SetBoth(TPos{Elements(), 0});
    else
        SetBoth(Normalised(TPos{element, offset}));
}

void TEditor::CaretToStart()
{
    if (!Elements())
        return;
    SetBoth(TPos{Elements(), 0});
    SnapCaret();
}

void TEditor::CaretToEnd()
{
    if (!Elements())
        return;
    TEditorObject* last = LastElement(Elements());
    SetBoth(Normalised(TPos{last, last->PositionCount()}));
    SnapCaret();
}

void TEditor::SelectAll()
{
    if (!Elements())
        return;
    TEditorObject* last = LastElement(Elements());
    caret = TCaretPosition{Elements(), 0};
    anchor = TCaretPosition{last, last->PositionCount()};
    Locate(caret);
    Locate(anchor);
    if (window) {
        window->InvalidateLine(SelectionRect());
        window->CaretMoved();
    }
}

void TEditor::SnapCaret()
{
    if (!Elements() || HasSelection())
        return;
    const TPos position = Normalised(TPos{caret.element, caret.offset});
    TPos step = position;
    // Out of the sides of grids into their cells, and past locked
    // descriptions to the element after them.
    for (int repeat = 0; repeat < MaxRepeats && CannotRest(step); ++repeat) {
        TPos next = step;
        const bool moved = BesideGrid(step, 1) ? StepLeft(next, false, false) : StepRight(next, false, false);
        if (!moved)
            break;
        step = Normalised(next);
    }
    if (step.element != position.element || step.offset != position.offset)
        SetBoth(step);
}

bool TEditor::HasSelection() const
{
    return caret.element != anchor.element || caret.offset != anchor.offset;
}

bool TEditor::CanType() const
{
    const TEditorObject* element = caret.element;
    if (!element)
        return false;
    if (dynamic_cast<const TStringEditObject*>(element))
        return true;
    return HasSelection() ||
           !(::HasProperty(element, pfFieldList) || ::HasProperty(element->next, pfFieldList));
}

// ---- Placing from pixels -------------------------------------------------------

TEditor::TPos TEditor::PositionInList(TEditorObject* list, QPoint origin, QPoint point) const
{
    // Descend into a structure under the point when the point lies in one of
    // its cells' bands (always for grids, whose sides hold no caret).
    for (int depth = 0; depth < MaxRepeats && list; ++depth) {
        const int x = point.x() - origin.x();
        TSublistsEditObject* inside = nullptr;
        for (TEditorObject* item = list; item; item = item->next)
            if (auto* owner = dynamic_cast<TSublistsEditObject*>(item);
                owner && x >= item->layoutX && x < item->layoutX + item->layoutWidth) {
                inside = owner;
                break;
            }
        if (inside) {
            int best = -1;
            long bestScore = LONG_MAX;
            for (int i = 0; i < inside->CellCount(); ++i) {
                if (SkipsCell(inside, i))
                    continue;
                const TSubList& cell = inside->CellRecord(i);
                const int left = origin.x() + inside->layoutX + cell.dx;
                const int right = left + inside->CellWidth(i);
                const int top = origin.y() + cell.dy - cell.raise;
                const int bottom = top + cell.height;
                const long dy =
                    point.y() < top ? top - point.y() : (point.y() >= bottom ? point.y() - bottom + 1 : 0);
                const long dx =
                    point.x() < left ? left - point.x() : (point.x() > right ? point.x() - right : 0);
                const long score = dy * 4096 + dx;
                if (score < bestScore) {
                    bestScore = score;
                    best = i;
                }
            }
            if (best >= 0 && (bestScore < 4096 || inside->HasProperty(pfInputGrid))) {
                const TSubList& cell = inside->CellRecord(best);
                origin += QPoint(inside->layoutX + cell.dx, cell.dy);
                list = CellList(inside, best);
                continue;
            }
        }
        // The nearest boundary of this list by x.
        TPos best{list, 0};
        int bestDistance = std::abs(x);
        for (TEditorObject* item = list; item; item = item->next) {
            if (item->PositionCount() == 0)
                continue;
            const int offset = item->OffsetAt(x - item->layoutX);
            for (int candidate : {offset, item->PositionCount()}) {
                if (candidate == 0)
                    continue;
                const int distance = std::abs(item->layoutX + item->CaretX(candidate) - x);
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = TPos{item, candidate};
                }
            }
        }
        best = Normalised(best);
        // A locked description holds no caret before it: the click goes after it.
        for (int repeat = 0; repeat < MaxRepeats && best.offset == best.element->PositionCount() &&
                             dynamic_cast<TLockedDescription*>(best.element->next);
             ++repeat)
            best = TPos{best.element->next, best.element->next->PositionCount()};
        // Beside a grid the caret cannot rest: the click goes into the grid.
        TEditorObject* grid = nullptr;
        if (::HasProperty(best.element, pfInputGrid) && best.offset == 2)
            grid = best.element;
        else if (best.offset == best.element->PositionCount() &&
                 ::HasProperty(best.element->next, pfInputGrid))
            grid = best.element->next;
        if (!grid || grid->layoutWidth <= 0)
            return best;
        point.setX(origin.x() + std::clamp(x, grid->layoutX, grid->layoutX + grid->layoutWidth - 1));
    }
    return TPos{Elements(), 0};
}

TEditor::TPos TEditor::PositionAt(QPoint point) const
{
    return PositionInList(Elements(), QPoint(leftMargin, raise), point);
}

void TEditor::Reconcile(TPos press, TPos point)
{
    // Both ends are lifted to the innermost list that holds them both; an end
    // lifted out of a structure takes the whole structure.
    std::vector<TPathStep> pressPath, pointPath;
    if (!PathTo(press.element, pressPath) || !PathTo(point.element, pointPath)) {
        SetBoth(point);
        return;
    }
    std::size_t common = 0;
    while (common < pressPath.size() && common < pointPath.size() &&
           pressPath[common].owner == pointPath[common].owner &&
           pressPath[common].cell == pointPath[common].cell)
        ++common;
    pressPath.resize(common);
    TEditorObject* list = ListOf(pressPath);
    struct TEnd {
        TPos position;
        bool lifted;
        TEditorObject* levelElement;
    };
    const auto level = [&](TPos position) {
        std::vector<TPathStep> path;
        (void)PathTo(position.element, path);
        if (path.size() > common)
            return TEnd{position, true, path[common].owner};
        return TEnd{position, false, position.element};
    };
    TEnd a = level(press);
    TEnd b = level(point);
    const auto key = [&](const TEnd& end) {
        return std::make_pair(IndexIn(list, end.levelElement), end.lifted ? 1 : end.position.offset);
    };
    if (key(b) < key(a))
        std::swap(a, b);
    TPos left = a.position;
    TPos right = b.position;
    if (a.lifted) {
        TEditorObject* previous = Previous(list, a.levelElement);
        left = previous ? TPos{previous, previous->PositionCount()} : TPos{list, 0};
    }
    if (b.lifted)
        right = TPos{b.levelElement, 2};
    const QRect before = SelectionRect();
    caret.element = left.element;
    caret.offset = left.offset;
    anchor.element = right.element;
    anchor.offset = right.offset;
    Locate(caret);
    Locate(anchor);
    if (window) {
        // Only the exclusive-or of the old and new highlight changes.
        const QRegion changed = QRegion(before).xored(QRegion(SelectionRect()));
        for (const QRect& rect : changed)
            window->InvalidateLine(rect);
        window->CaretMoved();
    }
}

void TEditor::PlaceAtPoint(QPoint point, bool extend)
{
    if (!Elements())
        return;
    point -= QPoint(offsetX, offsetY);
    const TPos position = PositionAt(point);
    if (!extend) {
        if (window && HasSelection())
            window->InvalidateLine(SelectionRect());
        press_ = position;
        SetBoth(position);
        return;
    }
    std::vector<TPathStep> path;
    if (!press_.element || !PathTo(press_.element, path))
        press_ = Normalised(TPos{caret.element, caret.offset});
    Reconcile(press_, position);
}

QRect TEditor::CaretRect() const
{
    std::vector<TPathStep> path;
    int fontHeight = FormulaHeight();
    if (caret.element && PathTo(caret.element, path) && !path.empty())
        fontHeight = path.back().owner->CellRecord(path.back().cell).fontHeight;
    const int height = std::max(2, (3 * fontHeight) / 4);
    const int top = caret.y + std::max(0, (FormulaTextHeight(fontHeight) - height) / 2);
    return QRect(caret.x, top, 2, height);
}

QRect TEditor::SelectionRect() const
{
    if (!HasSelection())
        return QRect();
    std::vector<TPathStep> path;
    if (!PathTo(caret.element, path) || path.empty())
        return QRect(QPoint(caret.x, 0), QPoint(anchor.x - 1, height - 1));
    const TSubList& cell = path.back().owner->CellRecord(path.back().cell);
    const int top = caret.y - cell.raise;
    return QRect(caret.x, top, anchor.x - caret.x, cell.height);
}

// ---- Vertical moves and fields ----------------------------------------------------

bool TEditor::MoveVertically(int direction)
{
    std::vector<TPathStep> path;
    if (!caret.element || !PathTo(caret.element, path))
        return false;
    // The innermost structure with a row in that direction wins.
    for (std::size_t depth = path.size(); depth-- > 0;) {
        TSublistsEditObject* owner = path[depth].owner;
        const int columns = std::max(1, owner->Columns());
        const int target = path[depth].cell + direction * columns;
        if (target < 0 || target >= owner->CellCount() || SkipsCell(owner, target))
            continue;
        QPoint origin(leftMargin, raise);
        for (std::size_t i = 0; i < depth; ++i) {
            const TSubList& cell = path[i].owner->CellRecord(path[i].cell);
            origin += QPoint(path[i].owner->layoutX + cell.dx, cell.dy);
        }
        const TSubList& cell = owner->CellRecord(target);
        origin += QPoint(owner->layoutX + cell.dx, cell.dy);
        const TPos position = PositionInList(CellList(owner, target), origin, QPoint(caret.x, origin.y()));
        SetBoth(position);
        return true;
    }
    return false;
}

bool TEditor::MoveUp()
{
    return MoveVertically(-1);
}

bool TEditor::MoveDown()
{
    return MoveVertically(1);
}

bool TEditor::NextField(int direction)
{
    if (!Elements() || !caret.element)
        return false;
    // Every element and every cell gets a number in reading order; the
    // fields are the cells of elements that are not one unit.
    struct TField {
        TSublistsEditObject* owner;
        int cell;
        int number;
        int end; // number after the cell's last element
    };
    std::vector<TField> fields;
    int counter = 0;
    int caretNumber = -1;
    const auto walk = [&](auto&& self, TEditorObject* list, int depth) -> void {
        if (depth > MaxCellNesting * 4)
            return;
        for (TEditorObject* item = list; item; item = item->next) {
            if (item == caret.element)
                caretNumber = counter;
            ++counter;
            if (auto* owner = dynamic_cast<TSublistsEditObject*>(item)) {
                for (int i = 0; i < owner->CellCount(); ++i) {
                    const bool field = !owner->IsOneUnit() && !SkipsCell(owner, i);
                    const std::size_t index = fields.size();
                    if (field)
                        fields.push_back(TField{owner, i, counter, 0});
                    ++counter;
                    self(self, owner->Cell(i), depth + 1);
                    if (field)
                        fields[index].end = counter;
                }
            }
        }
    };
    walk(walk, Elements(), 0);
    if (caretNumber < 0 || fields.empty())
        return false;
    // The innermost field holding the caret.
    int current = -1;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].number < caretNumber && caretNumber < fields[i].end)
            current = static_cast<int>(i);
    const TField* target = nullptr;
    if (direction > 0) {
        const int after = current >= 0 ? fields[static_cast<std::size_t>(current)].number : caretNumber;
        for (const TField& field : fields)
            if (field.number > after) {
                target = &field;
                break;
            }
    } else {
        const int before = current >= 0 ? fields[static_cast<std::size_t>(current)].number : caretNumber;
        for (const TField& field : fields)
            if (field.number < before && !(field.number < caretNumber && caretNumber < field.end))
                target = &field;
    }
    if (!target)
        return false;
    TEditorObject* last = LastElement(CellList(target->owner, target->cell));
    SetBoth(Normalised(TPos{last, last->PositionCount()}));
    return true;
}

bool TEditor::TabForward()
{
    if (NextField(1))
        return true;
    const TEditorObject* element = caret.element;
    if (!HasSelection() && element &&
        ((dynamic_cast<const TEditTabObject*>(element) && caret.offset == 1) ||
         (caret.offset == element->PositionCount() && dynamic_cast<const TEditTabObject*>(element->next))))
        return false;
    return TypeElements(TElementList(new TEditTabObject));
}

bool TEditor::TabBack()
{
    return NextField(-1);
}

// ---- Changes -----------------------------------------------------------------

bool TEditor::Refuse(bool& warned, void (TLineWindow::*warn)())
{
    if (window)
        window->InsertionRefused();
    if (!warned) {
        warned = true;
        if (window)
            (window->*warn)();
    }
    return false;
}

bool TEditor::CheckLength()
{
    if (width > MaxWidth)
        return Refuse(tooLong, &TLineWindow::ShowTooLong);
    tooLong = false;
    return true;
}

bool TEditor::CheckNesting(const TEditorObject* list)
{
    std::vector<TPathStep> path;
    (void)PathTo(caret.element, path);
    if (static_cast<int>(path.size()) + NestingDepth(list) > MaxCellNesting)
        return Refuse(tooDeep, &TLineWindow::ShowTooDeep);
    tooDeep = false;
    return true;
}

int TEditor::BandStart(const TCaretPosition& position) const
{
    std::vector<TPathStep> path;
    if (position.element && PathTo(position.element, path) && !path.empty())
        return std::min(position.x, leftMargin + path.front().owner->layoutX);
    return position.x;
}

void TEditor::Remeasure()
{
    const int oldWidth = width;
    const int oldHeight = height;
    MeasureLine(*this);
    widthChanged = TabEnd(width) != TabEnd(oldWidth);
    heightChanged = height != oldHeight;
    Locate(caret);
    Locate(anchor);
}

void TEditor::InvalidateFrom(int x, int oldWidth, int oldHeight)
{
    widthChanged = TabEnd(width) != TabEnd(oldWidth);
    heightChanged = height != oldHeight;
    if (!window)
        return;
    if (heightChanged) {
        window->InvalidateLine(
            QRect(0, 0, leftMargin + MaxWidth + FormulaHeight(), std::max(height, oldHeight)));
        window->LineHeightChanged();
        return;
    }
    const int right =
        widthChanged ? MaxWidth + FormulaHeight() : TabEnd(std::max(width, oldWidth)) + leftMargin;
    window->InvalidateLine(QRect(x, 0, std::max(1, right - x), height));
}

void TEditor::NotifyChanged()
{
    modified = true;
    SetLayoutOutOfDate(false);
    if (window)
        window->LineChanged(*this);
}

bool TEditor::TypeText(std::string_view text)
{
    if (!Elements() || text.empty())
        return false;
    // A run cannot hold what the markup gives a meaning to, nor control characters.
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == '{' || c == '}' || c == 0x7F)
            return false;
    if (!CheckLength())
        return false;
    DeleteAtCaret(2);
    const int oldWidth = width;
    const int oldHeight = height;
    const int editX = BandStart(caret);
    const TPos at = Normalised(TPos{caret.element, caret.offset});
    TPos after;
    if (auto* run = dynamic_cast<TStringEditObject*>(at.element)) {
        run->Insert(at.offset, text);
        after = TPos{run, at.offset + static_cast<int>(text.size())};
    } else if (auto* following = dynamic_cast<TStringEditObject*>(at.element->next)) {
        following->Insert(0, text);
        after = TPos{following, static_cast<int>(text.size())};
    } else {
        auto* fresh = new TStringEditObject(text);
        fresh->next = at.element->DetachNext();
        at.element->next = fresh;
        after = TPos{fresh, fresh->PositionCount()};
    }
    Remeasure();
    SetBoth(after);
    InvalidateFrom(editX, oldWidth, oldHeight);
    NotifyChanged();
    return true;
}

bool TEditor::TypeElements(TElementList list, bool caretAfter)
{
    if (!Elements() || !list)
        return false;
    // A selection that goes is always in the caret's list, so the caret's
    // depth is where the list lands.
    if (!CheckLength() || !CheckNesting(list.get()))
        return false;
    DeleteAtCaret(2);
    TEditorObject* first = list.release();
    if (IsAnchor(first)) {
        TEditorObject* rest = first->DetachNext();
        delete first;
        first = rest;
    }
    if (!first)
        return false;
    const int oldWidth = width;
    const int oldHeight = height;
    const int editX = BandStart(caret);
    const TPos at = Normalised(TPos{caret.element, caret.offset});
    TEditorObject* last = LastElement(first);
    TEditorObject* tail = at.element->DetachNext();
    if (auto* run = dynamic_cast<TStringEditObject*>(at.element); run && at.offset < run->PositionCount()) {
        // The list lands at the caret: the run is split there.
        auto* rest =
            new TStringEditObject(std::string_view(run->Text()).substr(static_cast<std::size_t>(at.offset)));
        run->Erase(at.offset, run->PositionCount());
        rest->next = tail;
        tail = rest;
    }
    last->next = tail;
    at.element->next = first;
    Remeasure();
    TPos after = at;
    if (caretAfter) {
        after = Normalised(TPos{last, last->PositionCount()});
    } else if (!StepRight(after, false, false)) {
        after = TPos{last, last->PositionCount()};
    } else if (after.element == first && dynamic_cast<TStringEditObject*>(first)) {
        // Inserted text is stepped over as one piece.
        after.offset = first->PositionCount();
    }
    SetBoth(Normalised(after));
    if (caretAfter)
        SnapCaret();
    InvalidateFrom(editX, oldWidth, oldHeight);
    NotifyChanged();
    return true;
}

bool TEditor::TypeSymbol(char code)
{
    return TypeElements(TElementList(new TSpecialChar(code)));
}

bool TEditor::TypeSquareRoot()
{
    return TypeElements(TElementList(new TSquareRootEditObject));
}

bool TEditor::TypeFraction()
{
    return TypeElements(TElementList(new TFractionObject));
}

bool TEditor::TypeIndex(char character)
{
    if (!Elements())
        return false;
    // An index needs something before it; checked before the selection goes.
    const TPos start = Normalised(TPos{caret.element, caret.offset});
    if (IsAnchor(start.element) && start.offset == 0)
        return false;
    if (!CheckLength())
        return false;
    // A selection is replaced by a new index: refused before it goes.
    if (HasSelection()) {
        const TSuperscriptEditObject probe;
        if (!CheckNesting(&probe))
            return false;
    }
    const int oldWidth = width;
    const int oldHeight = height;
    DeleteAtCaret(2);
    TPos at = Normalised(TPos{caret.element, caret.offset});
    if (IsAnchor(at.element) && at.offset == 0)
        return false;
    bool existing = false;
    bool fromLeft = false;
    if (IsIndex(at.element) && at.offset == 2) {
        existing = StepLeft(at, false, false);
    } else if (at.offset == at.element->PositionCount() && IsIndex(at.element->next)) {
        existing = StepRight(at, false, false);
        fromLeft = existing;
    }
    if (existing)
        SetBoth(Normalised(at));
    else if (!TypeElements(TElementList(new TSuperscriptEditObject)))
        return false;
    if (character) {
        TypeText(std::string_view(&character, 1));
        if (!(existing && fromLeft)) {
            std::vector<TPathStep> path;
            if (PathTo(caret.element, path) && !path.empty() && IsIndex(path.back().owner))
                SetBoth(TPos{path.back().owner, 2});
        }
    }
    anchor = caret;
    Remeasure();
    InvalidateFrom(0, oldWidth, oldHeight);
    NotifyChanged();
    return true;
}

void TEditor::DeleteRange(TPos from, TPos to)
{
    std::vector<TPathStep> fromPath, toPath;
    if (!PathTo(from.element, fromPath) || !PathTo(to.element, toPath))
        return;
    TEditorObject* list = ListOf(fromPath);
    if (ListOf(toPath) != list)
        return;
    // The walk from the first end must reach the second.
    bool reaches = false;
    for (TEditorObject* item = from.element; item; item = item->next)
        if (item == to.element) {
            reaches = true;
            break;
        }
    if (!reaches)
        return;
    if (from.element == to.element) {
        if (auto* run = dynamic_cast<TStringEditObject*>(from.element))
            run->Erase(from.offset, to.offset);
        return;
    }
    if (auto* run = dynamic_cast<TStringEditObject*>(from.element))
        run->Erase(from.offset, run->PositionCount());
    // Everything strictly between goes whole.
    while (from.element->next && from.element->next != to.element) {
        TEditorObject* gone = from.element->next;
        from.element->next = gone->DetachNext();
        FreeList(gone);
    }
    if (auto* run = dynamic_cast<TStringEditObject*>(to.element)) {
        run->Erase(0, to.offset);
    } else if (to.offset > 0 && to.offset == to.element->PositionCount()) {
        from.element->next = to.element->DetachNext();
        FreeList(to.element);
    }
}

bool TEditor::DeleteAtCaret(int mode)
{
    if (!Elements())
        return false;
    TPos from = Normalised(TPos{caret.element, caret.offset});
    TPos to = Normalised(TPos{anchor.element, anchor.offset});
    if (!HasSelection()) {
        if (mode == 2)
            return false;
        // One position, passing over a whole structure next to the caret.
        TPos step = from;
        if (!(mode == 0 ? StepRight(step, false, true) : StepLeft(step, false, true)))
            return false;
        step = Normalised(step);
        std::vector<TPathStep> a, b;
        if (!PathTo(step.element, a) || !PathTo(from.element, b) || ListOf(a) != ListOf(b))
            return false;
        if (mode == 0)
            to = step;
        else {
            to = from;
            from = step;
        }
    }
    const int oldWidth = width;
    const int oldHeight = height;
    if (window && HasSelection())
        window->InvalidateLine(SelectionRect());
    const int editX = std::min(BandStart(caret), BandStart(anchor));
    caret.element = from.element;
    caret.offset = from.offset;
    anchor = caret;
    DeleteRange(from, to);
    Tidy(ElementList(), tmPaste, this);
    Remeasure();
    SetBoth(Normalised(TPos{caret.element, caret.offset}));
    InvalidateFrom(editX, oldWidth, oldHeight);
    NotifyChanged();
    if (mode == 2 && window)
        window->LineHook(1000);
    return true;
}

// ---- Clipboard -------------------------------------------------------------------

std::string TEditor::CopySelection() const
{
    if (!HasSelection())
        return {};
    std::vector<TPathStep> a, b;
    if (!PathTo(caret.element, a) || !PathTo(anchor.element, b) || ListOf(a) != ListOf(b))
        return {};
    bool reaches = false;
    for (const TEditorObject* item = caret.element; item; item = item->next)
        if (item == anchor.element) {
            reaches = true;
            break;
        }
    if (!reaches)
        return {};
    TMathsWriter writer;
    for (const TEditorObject* item = caret.element; item; item = item->next) {
        const bool first = item == caret.element;
        const bool last = item == anchor.element;
        if (const auto* run = dynamic_cast<const TStringEditObject*>(item)) {
            const int begin = first ? caret.offset : 0;
            const int end = last ? anchor.offset : run->PositionCount();
            if (end > begin)
                writer.WriteText(
                    std::string_view(run->Text())
                        .substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin)));
        } else if (!first && (!last || anchor.offset == item->PositionCount())) {
            item->WriteTo(writer);
        }
        if (last)
            break;
    }
    return writer.TakeText();
}

std::string TEditor::CutSelection()
{
    std::string text = CopySelection();
    if (!text.empty())
        DeleteAtCaret(2);
    return text;
}

TPasteResult TEditor::PasteText(std::string_view text)
{
    if (!Elements())
        return TPasteResult::Nothing;
    // The text ends at its first zero, as the reader reads it.
    text = text.substr(0, text.find('\0'));
    if (text.empty())
        return TPasteResult::Nothing;
    if (text.size() > MaxPasteBytes) {
        if (window)
            window->ShowTooLong();
        return TPasteResult::TooLong;
    }
    TElementList list;
    try {
        TMathsReader reader{std::string(text)};
        reader.SetFileVersion(CurrentFileVersion);
        list = ReadElementLine(reader, '\0');
    } catch (const eReaderror&) {
        return TPasteResult::ReadError;
    }
    if (HoldsUnsafeText(list.get()))
        return TPasteResult::ReadError;
    Tidy(list, tmPaste);
    if (ListIsEmpty(list.get()))
        return TPasteResult::Nothing;
    TMeasureRecord record;
    const int saved = CurrentHeight;
    CurrentHeight = FormulaHeight();
    MeasureList(list.get(), record);
    CurrentHeight = saved;
    if (width + record.width > MaxWidth) {
        if (window)
            window->ShowTooLong();
        return TPasteResult::TooLong;
    }
    if (!CheckNesting(list.get()))
        return TPasteResult::TooDeep;
    if (!TypeElements(std::move(list), true))
        return tooDeep ? TPasteResult::TooDeep : TPasteResult::TooLong;
    if (window)
        window->LineHook(1000);
    return TPasteResult::Pasted;
}

void TEditor::ReplaceInput(TElementList list)
{
    if (!Elements())
        return;
    const int oldWidth = width;
    const int oldHeight = height;
    TidyLine(tmReplace);
    TEditorObject* first = list.release();
    if (IsAnchor(first)) {
        TEditorObject* rest = first->DetachNext();
        delete first;
        first = rest;
    }
    if (first) {
        const TPos at = Normalised(TPos{caret.element, caret.offset});
        TEditorObject* last = LastElement(first);
        last->next = at.element->DetachNext();
        at.element->next = first;
        Tidy(ElementList(), tmPaste, this);
    }
    Remeasure();
    SetBoth(Normalised(TPos{caret.element, caret.offset}));
    SnapCaret();
    InvalidateFrom(0, oldWidth, oldHeight);
    NotifyChanged();
}

void TEditor::TidyLine(int mode)
{
    if (!Elements())
        return;
    Tidy(ElementList(), mode, this);
    if (!Elements())
        return;
    Remeasure();
    if (mode == tmPaste) {
        SetBoth(Normalised(TPos{caret.element, caret.offset}));
        SnapCaret();
    } else if (mode == tmReplace) {
        const QPoint at(caret.x + offsetX, caret.y + offsetY);
        PlaceAtPoint(at, false);
    }
}
