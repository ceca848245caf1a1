// TLineSource: the list of document lines as the graph window sees it. The
// equations window provides it in the program; tests and the command-line
// tool provide simple lists of lines made by equation entry. The graph
// window draws the visible lines in this order and borrows every object.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "formula/equationobject.h"

class TLineSource {
public:
    virtual ~TLineSource() = default;
    // The number of lines.
    [[nodiscard]] virtual int LineCount() const = 0;
    // The line at index, or nullptr outside 0 .. LineCount() - 1 (borrowed).
    [[nodiscard]] virtual TEquationObject* LineAt(int index) const = 0;
};

// A line source over a vector of owned lines (the command-line tool, tests).
class TOwnedLines : public TLineSource {
public:
    std::vector<std::unique_ptr<TEquationObject>> lines;

    [[nodiscard]] int LineCount() const override { return static_cast<int>(lines.size()); }
    [[nodiscard]] TEquationObject* LineAt(int index) const override
    {
        return index >= 0 && index < LineCount() ? lines[static_cast<std::size_t>(index)].get() : nullptr;
    }
};
