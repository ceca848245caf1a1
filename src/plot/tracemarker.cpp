#include "plot/tracemarker.h"

#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "numbers/evalstate.h"
#include "platform/mainwindowbase.h"
#include "plot/curveplotter.h"

#include <cmath>

TTraceMarker::TTraceMarker(TCurvePLotter* curve, Extended x, Extended y)
    : TBitMapMarker("TRACE", 7, 7, x, y), Curve(curve)
{
}

TTraceMarker::~TTraceMarker()
{
    if (statusShown_)
        ShowStatus({});
}

std::string TTraceMarker::StatusText(const TGraphParams& params) const
{
    const TAxes& axes = *params.Axes;
    return "Trace point = (" + AxisValueText(axes, 'x', AnchorX) + ", " + AxisValueText(axes, 'y', AnchorY) +
           ")";
}

void TTraceMarker::SetValue(Extended v, const TGraphParams& params)
{
    if (!Curve || (v == TraceValue && !Undefined && statusShown_))
        return;
    Hide();
    TraceValue = v;
    const TRealPoint point = Curve->PointAtParameter(v, &params);
    const bool failed = StatusFailed();
    ResetStatus();
    Undefined = failed || !std::isfinite(static_cast<double>(point.x)) ||
                !std::isfinite(static_cast<double>(point.y));
    if (!Undefined) {
        AnchorX = point.x;
        AnchorY = point.y;
    }
    Show();
    if (!Undefined) {
        ShowStatus(StatusText(params), false, false);
        statusShown_ = true;
    }
}

void TTraceMarker::MoveToPoint(const TRealPoint& point, const TGraphParams& params)
{
    if (!Curve)
        return;
    const Extended v = Curve->ParameterAt(point.y, point.x);
    ResetStatus();
    if (std::isfinite(static_cast<double>(v)))
        SetValue(v, params);
}

void TTraceMarker::Step(int direction, const TGraphParams& params)
{
    if (!Curve)
        return;
    const Extended step = Curve->ParameterStep(*params.Axes);
    if (!std::isfinite(static_cast<double>(step)) || step == 0)
        return;
    SetValue(TraceValue + (direction >= 0 ? step : -step), params);
}

void TTraceMarker::Hide()
{
    if (HideCount == 0 && statusShown_) {
        statusShown_ = false;
        ShowStatus({});
    }
    TBitMapMarker::Hide();
}

bool TTraceMarker::InWindow(const TGraphParams& params) const
{
    const TAxis& x = *params.Axes->XAxis;
    const TAxis& y = *params.Axes->YAxis;
    return AnchorX >= x.Min && AnchorX <= x.ShownMax() && AnchorY >= y.Min && AnchorY <= y.ShownMax();
}

void TTraceMarker::Draw(Canvas& canvas, const TGraphParams& params)
{
    // Off the window the marker would be drawn where the curve is not (far
    // points are drawn on the window's edge); the status line says where it is.
    if (!Undefined && InWindow(params))
        TBitMapMarker::Draw(canvas, params);
}
