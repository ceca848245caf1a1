// TTraceMarker: the marker that runs along a curve in trace mode. It holds
// the curve parameter in the curve's own units (x for explicit curves, t for
// parametric, θ for polar), sits on the curve's point for it, and shows that
// point on the status line while it is shown.
#pragma once

#include "plot/graphobject.h"

class TCurvePLotter;

class TTraceMarker : public TBitMapMarker {
public:
    // A marker of the "TRACE" image (hot spot 7, 7) for curve (borrowed) at (x, y).
    TTraceMarker(TCurvePLotter* curve, Extended x, Extended y);
    ~TTraceMarker() override;

    TCurvePLotter* Curve = nullptr; // borrowed
    Extended TraceValue = 0;
    // The curve has no point at TraceValue (off its domain): nothing is drawn.
    bool Undefined = false;

    // Moves to the curve's point at parameter v and shows it on the status line.
    void SetValue(Extended v, const TGraphParams& params);
    // Moves to the curve's point nearest the graph point.
    void MoveToPoint(const TRealPoint& point, const TGraphParams& params);
    // One parameter step forwards (direction > 0) or backwards.
    void Step(int direction, const TGraphParams& params);
    // Hiding also clears the status text the marker put there.
    void Hide() override;
    // Draws the marker when its point is defined and lies in the window.
    void Draw(Canvas& canvas, const TGraphParams& params) override;
    // The marker's point lies within the window's ranges.
    [[nodiscard]] bool InWindow(const TGraphParams& params) const;
    // The status-line text for the marker's point.
    [[nodiscard]] std::string StatusText(const TGraphParams& params) const;

private:
    bool statusShown_ = false;
};
