// TImplicitFunction: a relation F(x, y) ▷ 0 that is solved for neither
// variable. Instead of sampling a parameter it scans a grid of rows and
// columns over the window, finds where F changes sign, refines each crossing
// along its row to the width of a pixel and plots single points; an
// inequality is shaded with a dot at every grid point on its shaded side.
// Like the other curves it keeps the dots of its last complete drawing, so a
// repaint without a change of formula or scale does not scan again.
#pragma once

#include "plot/formulacurve.h"

#include <cstdint>
#include <vector>

class QLine;

// The grid of one drawing: columns and rows grow with the square root of the
// sample count N (N = 1000, Accuracy 10: 69 columns and 190 rows).
struct TImplicitGrid {
    int Columns = 0;
    int Rows = 0;
};
[[nodiscard]] TImplicitGrid ImplicitGridFor(int sampleCount);

class TImplicitFunction : public TFormulaCurve {
public:
    // formula relation 0, the relation 0 ">", 1 ≥, 2 "=", 3 ≤, 4 "<".
    TImplicitFunction(TEvaluatorPtr formula, int relation);

    [[nodiscard]] const char* KindName() const override { return "TImplicitFunction"; }
    // No tangents, transformations, automatic scaling or dragging.
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return 0; }
    [[nodiscard]] bool IsInequality() const override { return Relation != rlEqual; }
    // Scans the grid (only the rows and columns over a repaint rectangle)
    // once for every member of a family, recording the dots into the
    // context's store when it has one.
    void Draw(Canvas& canvas, TXY& context) override;
    // True when F is zero at a corner of the 5-pixel box or changes sign between corners.
    [[nodiscard]] bool IsNear(TXYSearch& search) override;
    // "0", the relation character and F.
    void WriteDefinition(TMathsWriter& writer) const override;
    // True for an implicit curve with the same relation whose F has the same
    // sign (and is defined at the same places) at every point of a 50 x 50
    // grid over the window.
    [[nodiscard]] bool CompareWith(const TEquationObject& other, const TGraphParams& params) const override;

    std::uint8_t Relation = rlEqual;

protected:
    [[nodiscard]] bool CanSwapWith(const TFormulaCurve& other) const override;

private:
    class TScan;
};
