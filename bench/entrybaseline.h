// The baseline the document benchmarks measure opening against: each line
// entered from its markup as a typed line is, with the lines entered before
// it as the names it may use.
#pragma once

#include "entry/entry.h"
#include "formula/markup.h"

#include <memory>
#include <string>
#include <vector>

// Enters every line; answers how many became objects.
inline std::size_t EnterLines(const std::vector<std::string>& lines)
{
    std::vector<std::unique_ptr<TEquationObject>> objects;
    std::vector<TEquationObject*> declared;
    for (const std::string& text : lines) {
        TEditor line;
        line.SetElements(ElementsFromText(text));
        TParseParams parse;
        parse.declaredNames = &declared;
        parse.warningBoxes = false;
        auto object = ClassifyLine(line, parse);
        if (object) {
            declared.push_back(object.get());
            objects.push_back(std::move(object));
        }
    }
    return objects.size();
}
