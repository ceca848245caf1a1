// A compact structural picture of an element list for the formula tests:
// every element's class and content, cells in brackets, so that a table row
// can state exactly which elements a markup text must read into.
#pragma once

#include "formula/elements.h"

#include <cstdio>
#include <string>
#include <typeinfo>

namespace elementdump {

inline std::string Bytes(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "$%02X", code);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

inline std::string Dump(const TEditorObject* list);

inline std::string Cells(const TSublistsEditObject& element)
{
    std::string out = "(";
    for (int i = 0; i < element.CellCount(); ++i) {
        if (i > 0)
            out += "|";
        out += element.Cell(i) ? Dump(element.Cell(i)) : "-";
    }
    return out + ")";
}

inline std::string DumpOne(const TEditorObject& e)
{
    if (typeid(e) == typeid(TEditorObject))
        return "A";
    if (const auto* run = dynamic_cast<const TStringEditObject*>(&e))
        return "\"" + Bytes(run->Text()) + "\"";
    if (const auto* symbol = dynamic_cast<const TSpecialChar*>(&e))
        return "{" + Bytes(std::string(1, symbol->Character())) + "}";
    if (dynamic_cast<const TEditTabObject*>(&e))
        return "TAB";
    if (dynamic_cast<const TLockedDescription*>(&e))
        return "L" + std::to_string(e.DescriptionNumber());
    if (dynamic_cast<const TFixedDescription*>(&e))
        return "D" + std::to_string(e.DescriptionNumber());
    if (const auto* m = dynamic_cast<const TMatrixEditObject*>(&e))
        return "M" + std::to_string(m->Rows()) + "x" + std::to_string(m->Columns()) + Cells(*m);
    if (const auto* info = dynamic_cast<const TDisplayInfo*>(&e))
        return "info" + Cells(*info);
    if (const auto* f = dynamic_cast<const TFixedList*>(&e))
        return "fix" + std::to_string(f->FieldCount()) + "m" + std::to_string(f->LayoutMask()) + Cells(*f);
    if (const auto* c = dynamic_cast<const TCoordEditObject*>(&e))
        return "coords" + Cells(*c);
    if (const auto* s = dynamic_cast<const TSublistsEditObject*>(&e)) {
        const std::string tag(s->TagName());
        return (tag.empty() ? std::string("cells") : tag) + Cells(*s);
    }
    if (dynamic_cast<const TBlankLine*>(&e))
        return "BLANK";
    return "?";
}

inline std::string Dump(const TEditorObject* list)
{
    std::string out;
    for (const TEditorObject* e = list; e; e = e->next) {
        if (!out.empty())
            out += " ";
        out += DumpOne(*e);
    }
    return out;
}

} // namespace elementdump
