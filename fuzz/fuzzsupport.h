// What the fuzz targets share: a check that stops the run with a message
// (libFuzzer keeps the input that caused it), a walk over every element of a
// list and its cells without recursion, and the parse the formula lines get.
#pragma once

#include "entry/declarationlines.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/elements.h"
#include "formula/markup.h"
#include "settings/mathsreader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace fuzzsupport {

// The declaration lines k = 5 and f(x) = x² + 1, made once.
inline const std::vector<TEquationObject*>& Declared()
{
    static const std::vector<TEquationObject*> lines = [] {
        static auto k = TDynamicConstantEquation::Create("k", std::make_unique<TRealReader>(5));
        TElementList definition = ElementsFromText("t{^{2}+1");
        TParseParams params;
        StartParse(params, definition.get(), 0, nullptr, false, EndOrTabTerminators());
        params.parameterName = "t";
        static auto f = std::make_unique<TDeclaredFunctionEquation>("f", ParseExpression(params));
        return std::vector<TEquationObject*>{k.get(), f.get()};
    }();
    return lines;
}

// The fuzzer's text as a line: read as markup, or typed (one text run
// without tab, "{" and "}", as the editor's character filter lets through).
// False for markup that does not read.
inline bool InputLine(bool markup, std::string_view text, TElementList& line)
{
    if (markup) {
        try {
            line = ElementsFromText(text);
        } catch (const eReaderror&) {
            return false;
        }
        return true;
    }
    std::string typed;
    for (const char c : text)
        if (c != '\t' && c != '{' && c != '}' && c != '\0')
            typed.push_back(c);
    line.reset(new TEditorObject);
    if (!typed.empty())
        line->next = new TStringEditObject(typed);
    return true;
}

// An input made of one byte of flags and a line: false for an empty input or
// markup that does not read. markupFlag is the flag bit that asks for markup.
inline bool FlaggedLine(const std::uint8_t* data, std::size_t size, std::uint8_t markupFlag,
                        std::uint8_t& flags, TElementList& line)
{
    if (size == 0)
        return false;
    flags = data[0];
    return InputLine((flags & markupFlag) != 0,
                     std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), line);
}

inline constexpr std::uint32_t AllVariables = avX | avY | avT | avR | avN | avTheta;

// Stops the process when a property that must hold does not.
inline void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// Every element of the list and of the cells below it, in no particular order.
inline std::unordered_set<const TEditorObject*> AllElements(const TEditorObject* list)
{
    std::unordered_set<const TEditorObject*> found;
    std::vector<const TEditorObject*> pending{list};
    while (!pending.empty()) {
        const TEditorObject* element = pending.back();
        pending.pop_back();
        for (; element; element = element->next) {
            found.insert(element);
            if (const auto* structured = dynamic_cast<const TSublistsEditObject*>(element))
                for (int i = 0; i < structured->CellCount(); ++i)
                    pending.push_back(structured->Cell(i));
        }
    }
    return found;
}

// True when some text run of the list or its cells has reached the reader's
// run limit: the reader ends the list there, so such lists do not survive
// being written and read again.
inline bool HasFullRun(const TEditorObject* list)
{
    for (const TEditorObject* element : AllElements(list))
        if (const auto* run = dynamic_cast<const TStringEditObject*>(element))
            if (run->Text().size() >= MaxMarkupRunLength)
                return true;
    return false;
}

// The place a parse error names must be one the editor can put the caret on:
// an element of the parsed list (or none) and a position inside it.
inline void CheckErrorPlace(const TParseParams& params, const TEditorObject* list)
{
    Check(params.error.message != nullptr, "an error without a message");
    const TEditorObject* element = params.error.element;
    if (!element)
        return;
    Check(AllElements(list).count(element) == 1, "the error names an element outside the formula");
    Check(params.error.position >= 0 && params.error.position <= element->PositionCount(),
          "the error position lies outside its element");
}

} // namespace fuzzsupport
