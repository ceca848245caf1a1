// TArrangeModel: what the "Arrange scale list" dialog does with the stored
// scales, without the dialog. While it is open, the scale in force stands in
// front of the list as row 0 (a copy: the scales keep owning theirs), every
// row can be put in force by selecting it, rows move and are deleted, and
// finishing leaves the row in force as the scales and the others as the list
// in rotated order. The row in force is followed by identity, so moves and
// deletions never lose track of it.
#pragma once

#include "expr/realreader.h"

#include <array>
#include <string>

class TGraphParams;
class TRescaleDataTransfer;
class TScaleHost;

// A bound as a row shows it: its text with 5 significant figures (a typed
// form as typed), padded in front with blanks until three characters stand
// before the decimal point.
[[nodiscard]] std::string ArrangeBoundText(const TRealReader& bound);

class TArrangeModel {
public:
    // Puts a copy of the scale in force in front of the list (row 0, in force).
    TArrangeModel(TGraphParams& params, TScaleHost* window);
    // Finishes when Finish has not run.
    ~TArrangeModel();
    TArrangeModel(const TArrangeModel&) = delete;
    TArrangeModel& operator=(const TArrangeModel&) = delete;

    [[nodiscard]] int RowCount() const;
    // The four bounds of a row (x from, to, y from, to) as markup texts;
    // graph-paper steps are shown as the maxima they give.
    [[nodiscard]] std::array<std::string, 4> RowTexts(int row) const;
    // The row whose scales are in force.
    [[nodiscard]] int AppliedIndex() const;
    [[nodiscard]] int Selected() const { return selected_; }

    // Selects a row and puts its scales in force (nothing when it is in force already).
    void Select(int row);
    // Moves the selected row to target (clamped to the last row); the moved
    // row stays selected and nothing is applied. False when nothing moved.
    bool MoveSelected(int target);
    // Deletes the selected row. When it was the row in force, the row above
    // it (or the first) is selected and put in force; otherwise the row in
    // force stays and is selected. Answers false when only one row is left
    // (the dialog then closes). Nothing happens with only one row.
    bool DeleteSelected();
    // Leaves the row in force as the scales (the list then holds the rows
    // after it, then those before it, each group in order). Runs once.
    void Finish();
    [[nodiscard]] bool Finished() const { return finished_; }

private:
    [[nodiscard]] int IndexOf(const TRescaleDataTransfer* entry) const;

    TGraphParams& params_;
    TScaleHost* window_;
    const TRescaleDataTransfer* applied_ = nullptr; // the entry in force, in the list
    int selected_ = 0;
    bool finished_ = false;
};
