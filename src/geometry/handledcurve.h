// A curve drawn from a primary that carries one handle of its own: the start
// of an area function or the point a solution curve passes through. The
// handle is made afresh at every drawing while the line is selected, so it
// always sits where the drawn curve now starts; moving it changes the line.
#pragma once

#include "plot/curveplotter.h"
#include "plot/dragpoint.h"

#include <memory>

class THandledCurve : public TDependentCurvePlotter {
public:
    using TDependentCurvePlotter::TDependentCurvePlotter;

    [[nodiscard]] TDragPointList* DragPointList() const override { return dragPoints_.get(); }
    [[nodiscard]] bool DragHandlesShown() const override { return dragPoints_ && !dragPoints_->Empty(); }
    // The handle, when there is one and the line is selected.
    void BuildDragPoints(Canvas& canvas, TGraphParams& params) override;
    void DropDragPoints(Canvas& canvas, bool flag) override;
    // The handle's cursor over it, else the cursor passed in.
    [[nodiscard]] int DragCursorAt(int currentCursor, QPoint pixel) override;

protected:
    // The handle for the curve as it now stands, or nullptr when it has none.
    [[nodiscard]] virtual std::unique_ptr<TDragCustom> MakeHandle() = 0;
    // The line shows a changed definition: laid out again, saved, redrawn.
    void DefinitionChanged();
    void DrawDragPoints(Canvas& canvas, TGraphParams& params) override;

private:
    void RebuildHandle();
    std::unique_ptr<TDragPointList> dragPoints_; // present while handles are shown
};
