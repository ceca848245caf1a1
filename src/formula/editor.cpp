#include "formula/editor.h"

#include "settings/mathswriter.h"

#include <vector>

TEditor::TEditor(std::uint32_t options) : options(options)
{
    ResetCaret();
}

void TEditor::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("Curve\r\n");
    WriteElementList(Elements(), writer);
    writer.WriteText("\r\n");
    WriteLook(writer);
}

void TEditor::TakeOver(TEquationObject& object)
{
    TEquationObject::TakeOver(object);
    if (!Elements())
        SetElements(TElementList(new TEditorObject));
    editedObject_ = &object;
    reportedKind_ = Elements()->DescribedKind();
    ResetCaret();
}

void TEditor::DrawOnGraph(Canvas&, TGraphParams&) {}

void TEditor::ResetCaret()
{
    caret = TCaretPosition{Elements(), 0, 0, 0};
    anchor = caret;
}

void TEditor::ElementRemoved(TEditorObject* element, TEditorObject* previous, TEditorObject* following)
{
    for (TCaretPosition* position : {&caret, &anchor}) {
        if (!position->element)
            continue;
        if (!element->Find(position->element))
            continue;
        if (previous)
            *position = TCaretPosition{previous, previous->PositionCount(), position->x, position->y};
        else if (following)
            *position = TCaretPosition{following, 0, position->x, position->y};
        else
            *position = TCaretPosition{nullptr, 0, position->x, position->y};
    }
}

void TEditor::ElementMerged(const TEditorObject* from, TEditorObject* into, int shift)
{
    for (TCaretPosition* position : {&caret, &anchor}) {
        if (position->element == from) {
            position->element = into;
            position->offset += shift;
        }
    }
}

bool Tidy(TEditorObject*& list, int mode, TEditor* line)
{
    // Collected first so that the walk from last to first needs no recursion
    // along the list, however long the line.
    std::vector<TEditorObject*> elements;
    for (TEditorObject* element = list; element; element = element->next)
        elements.push_back(element);

    bool allRemovable = true;
    for (std::size_t i = elements.size(); i-- > 0;) {
        TEditorObject* element = elements[i];
        // A run right after another run is about to be absorbed by it, which
        // then answers for the joined text; merging each run into its
        // predecessor in turn would copy the growing text again and again.
        if (mode != tmTest && i > 0 && dynamic_cast<TStringEditObject*>(element) &&
            dynamic_cast<TStringEditObject*>(elements[i - 1]))
            continue;
        // In the test an anchor only repeats the answer of the elements after it, which this walk
        // has already asked. Asking again through the anchor would tidy a structured element at the
        // start of a cell twice, and so each level of nesting would double the work.
        if (mode == tmTest && IsAnchor(element))
            continue;
        if (!element->TidySelf(line, mode)) {
            allRemovable = false;
            continue;
        }
        if (mode == tmTest)
            continue;
        TEditorObject* previous = i > 0 ? elements[i - 1] : nullptr;
        TEditorObject* following = element->DetachNext();
        if (previous)
            previous->next = following;
        else
            list = following;
        if (line)
            line->ElementRemoved(element, previous, following);
        FreeList(element);
    }

    if (mode == tmPaste && !IsAnchor(list)) {
        auto* anchorElement = new TEditorObject;
        anchorElement->next = list;
        list = anchorElement;
    }
    return allRemovable;
}

bool Tidy(TElementList& list, int mode, TEditor* line)
{
    TEditorObject* head = list.release();
    const bool result = Tidy(head, mode, line);
    list.reset(head);
    return result;
}
