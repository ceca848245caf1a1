// How a coordinate list shows in the equations window: its heading, then its
// rows one under the other, each "(x, y)" in columns or an empty row for a
// gap. The rows are one display element at the end of the line's element
// list; it writes nothing to markup (the rows have their own record lines)
// and keeps its own copies of the row elements, so it never refers back to
// the list that made it.
#pragma once

#include "formula/equationobject.h"

#include <string>
#include <vector>

class TCoordRowsElement : public TEditorObject {
public:
    TCoordRowsElement() = default;

    // Appends a row's display elements (anchor first; owned).
    void AddRow(TElementList row) { rows_.push_back(std::move(row)); }
    // Replaces the display elements of row index (inside the list only).
    void SetRow(int index, TElementList row)
    {
        if (index >= 0 && index < RowCount())
            rows_[static_cast<std::size_t>(index)] = std::move(row);
    }
    [[nodiscard]] int RowCount() const { return static_cast<int>(rows_.size()); }
    [[nodiscard]] TEditorObject* Row(int index) const { return rows_[static_cast<std::size_t>(index)].get(); }

    // Display only: never written, never removed by tidying.
    void WriteTo(TMathsWriter& writer) const override { (void)writer; }
    bool TidySelf(TEditor* line, int mode) override;
    // The rows below the text row of the heading, at the start of the line.
    void Measure(TMeasureRecord& record) override;
    void Paint(Canvas& canvas, TPaintContext& context) override;

    // Left indent of the rows under the heading, in pixels.
    static constexpr int Indent = 0;

private:
    std::vector<TElementList> rows_;
    std::vector<int> rowTops_; // from the top of the first row
    std::vector<int> rowRaises_;
    int belowTextRow_ = 0; // from the heading's text row to the first row
};

class TBlankCoordinates;

// One row of the coordinate editor's grid: the "(x, y)" of a point in
// columns, or an empty line for a gap. Taken up for editing it hands a
// formula line an "(x, y)" element to type into (an empty one for a gap).
class TCoordRowLine : public TEquationObject {
public:
    // The display of row (a point or a gap).
    explicit TCoordRowLine(const TBlankCoordinates& row);

    [[nodiscard]] bool IsPoint() const { return point_; }
    void WriteTo(TMathsWriter& writer) const override { (void)writer; }
    void DrawOnGraph(Canvas& canvas, TGraphParams& params) override;
    // A formula line holding the row's "(x, y)"; for a gap an empty one, and
    // the line counts as changed (a gap the user leaves empty is a gap still).
    [[nodiscard]] std::unique_ptr<TEditor> ToEditor() override;

private:
    bool point_ = false;
};

// The line as plain text on one line, as the command-line tool prints it:
// indices with ^, fractions a/b, Greek letters and symbols in Unicode, a tab
// as a blank, the fields of a field list one blank apart, coordinates as
// "(x,y)", and the rows of a coordinate list after its heading, one blank
// apart (a gap row printing nothing). Nothing is trimmed.
[[nodiscard]] std::string PlainLineText(const TEditorObject* list);
