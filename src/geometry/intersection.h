// TIntersectCurve: the line that lists where two curves of the equations
// window cross or touch. It draws nothing; whenever the equations window asks
// it to recalculate it searches the crossings again, scanning one curve's
// samples against the other's signed distance, and shows them as
// "Intersect with ", the other curve's equation and the list of points.
#pragma once

#include "plot/curveplotter.h"

#include <string>
#include <string_view>
#include <vector>

class TIntersectCurve : public TDependentCurvePlotter {
public:
    // The crossings of primary (whose samples are scanned) with other (which
    // measures distance); both borrowed.
    TIntersectCurve(TCurvePLotter* primary, TCurvePLotter* other);

    TCurvePLotter* OtherCurve = nullptr; // borrowed

    // Searches the crossings again with params (the graph window's when
    // none are given; without either the list is left empty) and rebuilds the line.
    void RebuildList(const TGraphParams* params = nullptr);
    // The crossings found by the last search, in the order found.
    [[nodiscard]] const std::vector<TRealPoint>& Crossings() const { return exact_; }

    [[nodiscard]] std::uint32_t PropertyFlags() const override { return 0x100002; }
    // Both curves are still lines of the equations window; when either has
    // gone both references are dropped.
    [[nodiscard]] bool IsValid() const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    [[nodiscard]] TEquationObject* GetSource() const override { return OtherCurve; }
    void DrawOnGraph(Canvas& canvas, TGraphParams& params) override
    {
        (void)canvas;
        (void)params;
    }
    [[nodiscard]] bool UsesLineStore() const override { return false; }
    void Recalculate() override { RebuildList(); }
    void MouseFiguresChanged() override { RebuildList(); }
    // "Intersect", "\tcolour = " C, "\tCurve\t" I, "\tCurve\t" J, each line
    // ended by CR LF.
    void WriteTo(TMathsWriter& writer) const override;

    // Whether the pair can be searched at all: one of them measures distance.
    [[nodiscard]] bool Searchable() const;

private:
    std::vector<TRealPoint> exact_, rounded_;
};
