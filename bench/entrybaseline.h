// The baseline the document benchmarks measure opening against: each line
// entered from its markup as a typed line is, with the lines entered before
// it as the names it may use.
#pragma once

#include "entry/entry.h"
#include "formula/markup.h"

#include <memory>
#include <string>
#include <vector>

// A line's markup and the index of the line it is entered under (-1 for none).
struct TBaselineLine {
    std::string markup;
    int parent = -1;
};

// Enters every line (under its parent when it names one, as a tangent or an
// image is typed under its curve); answers how many became objects.
inline std::size_t EnterLines(const std::vector<TBaselineLine>& lines)
{
    std::vector<std::unique_ptr<TEquationObject>> objects;
    std::vector<TEquationObject*> made; // by line, nullptr where entry failed
    std::vector<TEquationObject*> declared;
    for (const TBaselineLine& text : lines) {
        TEditor line;
        line.SetElements(ElementsFromText(text.markup));
        if (text.parent >= 0 && text.parent < static_cast<int>(made.size()))
            line.SetParent(made[static_cast<std::size_t>(text.parent)]);
        TParseParams parse;
        parse.declaredNames = &declared;
        parse.warningBoxes = false;
        auto object = ClassifyLine(line, parse);
        made.push_back(object.get());
        if (object) {
            declared.push_back(object.get());
            objects.push_back(std::move(object));
        }
    }
    return objects.size();
}

inline std::size_t EnterLines(const std::vector<std::string>& lines)
{
    std::vector<TBaselineLine> plain;
    for (const std::string& text : lines)
        plain.push_back({text, -1});
    return EnterLines(plain);
}
