// Lines replaced during a press or drag, kept until the next press.
#include "plot/replacedlines.h"

#include "formula/equationobject.h"

#include <vector>

namespace {

std::vector<std::unique_ptr<TEquationObject>>& ReplacedLines()
{
    static std::vector<std::unique_ptr<TEquationObject>> lines;
    return lines;
}

} // namespace

void KeepReplacedLine(std::unique_ptr<TEquationObject> line)
{
    if (line)
        ReplacedLines().push_back(std::move(line));
}

void FreeReplacedLines()
{
    ReplacedLines().clear();
}
