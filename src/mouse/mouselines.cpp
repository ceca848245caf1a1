#include "mouse/mouselines.h"

#include "graph/graphparams.h"
#include "graph/graphsurface.h"
#include "numbers/evalstate.h"
#include "numbers/numerics.h"
#include "platform/canvas.h"
#include "platform/mainwindowbase.h"

#include <utility>

namespace {

// The pixel ends of the segment a-b cut to the window; false when none of it shows.
bool SegmentPixels(const TAxes& axes, TRealPoint a, TRealPoint b, QPoint& pa, QPoint& pb)
{
    if (!ClipSegment(a, b, WidenedRanges(axes)))
        return false;
    pa = axes.ValueToPixel(a.x, a.y);
    pb = axes.ValueToPixel(b.x, b.y);
    return true;
}

// The pixel ends of line across the window; false when it does not cross it.
bool LinePixels(const TAxes& axes, const TLineForm& line, QPoint& pa, QPoint& pb)
{
    Extended low = 0, high = 0;
    if (!line.Exists() || !VisibleSpan(line, WidenedRanges(axes), low, high))
        return false;
    return SegmentPixels(axes, line.PointAt(low), line.PointAt(high), pa, pb);
}

// The point under pixel as "(x, y)" with the axes' display rounding.
std::string PointFieldAt(const TAxes& axes, QPoint pixel)
{
    return "{coords{" + axes.XAxis->LabelMarkup(pixel.x()) + "}{" + axes.YAxis->LabelMarkup(pixel.y()) + "}";
}

} // namespace

// ---- TMousePlacing ------------------------------------------------------------------------------

TMousePlacing::TMousePlacing(TGraphSurface& surface, TPlacedField placed)
    : TMouseControl(surface), placed_(std::move(placed))
{
}

void TMousePlacing::MousePress(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    Surface.CaptureMouse(true);
    MouseMove(pixel, modifiers);
}

void TMousePlacing::MouseMove(QPoint pixel, Qt::KeyboardModifiers)
{
    pixel_ = pixel;
    const QRect before = Area();
    drawn_ = SegmentAt(pixel, a_, b_);
    Surface.UpdateArea(before.united(Area()));
    if (moved_)
        moved_(FieldAt(pixel));
}

bool TMousePlacing::MouseRelease(QPoint pixel, Qt::KeyboardModifiers)
{
    // The line is placed where the button comes up.
    pixel_ = pixel;
    return false;
}

void TMousePlacing::PaintFeedback(Canvas& canvas) const
{
    if (!drawn_)
        return;
    TCanvasStateSaver saver(canvas);
    canvas.SetPenStyle(TPenStyle::Solid);
    canvas.SetPenWidth(1);
    canvas.SetPenColour(clBlack);
    canvas.MoveTo(a_);
    canvas.LineTo(b_);
}

QRect TMousePlacing::Area() const
{
    return drawn_ ? QRect(a_, b_).normalized().adjusted(-3, -3, 3, 3) : QRect();
}

void TMousePlacing::FinishAction()
{
    const QRect shown = Area();
    drawn_ = false;
    Surface.UpdateArea(shown);
    Surface.CaptureMouse(false);
    const std::string field = FieldAt(pixel_);
    if (placed_)
        placed_(field);
}

// ---- TMouseStraightLine -------------------------------------------------------------------------

TMouseStraightLine::TMouseStraightLine(TGraphSurface& surface, int kind, TPlacedField placed)
    : TMousePlacing(surface, std::move(placed)), Kind(kind)
{
}

bool TMouseStraightLine::SegmentAt(QPoint pixel, QPoint& a, QPoint& b)
{
    line_.Line = LineAt(pixel);
    return LinePixels(*Surface.Params().Axes, line_.Line, a, b);
}

TLineForm TMouseStraightLine::LineAt(QPoint pixel)
{
    return LineOfKind(Kind, Surface.Params().Axes->PixelToValue(pixel));
}

std::string TMouseStraightLine::FieldAt(QPoint pixel)
{
    return PointFieldAt(*Surface.Params().Axes, pixel);
}

// ---- TMouseTangent ------------------------------------------------------------------------------

TMouseTangent::TMouseTangent(TGraphSurface& surface, TCurvePLotter& curve, bool isTangent,
                             TPlacedField placed)
    : TMouseStraightLine(surface, isTangent ? 401 : 402, std::move(placed)), curve_(curve),
      isTangent_(isTangent)
{
}

TLineForm TMouseTangent::LineAt(QPoint pixel)
{
    TGraphParams& params = Surface.Params();
    const TRealPoint point = params.Axes->PixelToValue(pixel);
    const Extended v = curve_.ParameterAt(point.y, point.x);
    ResetStatus();
    const TLineForm line = TangentLine(curve_, v, isTangent_, &params);
    if (line.Exists())
        ShowStatus(line.GradientText(), false, true);
    return line;
}

std::string TMouseTangent::FieldAt(QPoint pixel)
{
    std::string text = curve_.PointText(*Surface.Params().Axes, pixel);
    ResetStatus();
    return text;
}

// ---- TMouseline ---------------------------------------------------------------------------------

TMouseline::TMouseline(TGraphSurface& surface, TCurvePLotter& curve, int kind, TPlacedField placed)
    : TMousePlacing(surface, std::move(placed)), curve_(curve), kind_(kind)
{
}

bool TMouseline::SegmentAt(QPoint pixel, QPoint& a, QPoint& b)
{
    TGraphParams& params = Surface.Params();
    const TRealPoint point = params.Axes->PixelToValue(pixel);
    const Extended v = curve_.ParameterAt(point.y, point.x);
    ResetStatus();
    // Where the curve has no point the segment shrinks to its other end.
    if (!SegmentToCurve(curve_, kind_, v, &params, OnCurve, Other))
        OnCurve = Other = {0, 0};
    return SegmentPixels(*params.Axes, OnCurve, Other, a, b);
}

std::string TMouseline::FieldAt(QPoint pixel)
{
    std::string text = curve_.PointText(*Surface.Params().Axes, pixel);
    ResetStatus();
    return text;
}

// ---- TMouseArea ---------------------------------------------------------------------------------

TMouseArea::TMouseArea(TGraphSurface& surface, TCurvePLotter& curve, TPlacedField placed)
    : TMousePlacing(surface, std::move(placed)), curve_(curve)
{
}

bool TMouseArea::SegmentAt(QPoint, QPoint&, QPoint&)
{
    // The start value shows in the line being edited; nothing is drawn over the graph.
    return false;
}

std::string TMouseArea::FieldAt(QPoint pixel)
{
    const TAxes& axes = *Surface.Params().Axes;
    const TRealPoint point = axes.PixelToRoundedValue(pixel);
    const Extended v = curve_.ParameterAt(point.y, point.x);
    ResetStatus();
    // The start is a value on the x axis, written as the x readout writes
    // it: a fixed number of figures would put every click on an axis from
    // 1000 to 1010 on 1000 or 1010.
    return FormatNumber(10, false, axes.XAxis->RoundToDisplay(v));
}

// ---- TMouseDESoln -------------------------------------------------------------------------------

TMouseDESoln::TMouseDESoln(TGraphSurface& surface, TPlacedField placed)
    : TMousePlacing(surface, std::move(placed))
{
}

bool TMouseDESoln::SegmentAt(QPoint, QPoint&, QPoint&)
{
    return false;
}

std::string TMouseDESoln::FieldAt(QPoint pixel)
{
    // Each coordinate as the readout writes it.
    const TRealPoint point = Surface.Params().Axes->PixelToRoundedValue(pixel);
    return "{coords{" + FormatNumber(10, false, point.x) + "}{" + FormatNumber(10, false, point.y) + "}";
}
