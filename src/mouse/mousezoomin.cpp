#include "mouse/mousezoomin.h"

#include "graph/graphparams.h"
#include "graph/graphsurface.h"
#include "platform/canvas.h"
#include "settings/configuration.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Drags shorter than this in both directions count as clicks.
constexpr int ClickDistance = 20;

QRect OutlineArea(QPoint a, QPoint b)
{
    return QRect(a, b).normalized().adjusted(-2, -2, 2, 2);
}

} // namespace

TMouseZoomIn::TMouseZoomIn(TGraphSurface& surface, QPoint press)
    : TMouseControl(surface), press_(press), corner0_(press), corner1_(press)
{
    Surface.CaptureMouse(true);
}

TMouseZoomIn::~TMouseZoomIn()
{
    if (RectangleShown)
        Surface.UpdateArea(OutlineArea(corner0_, corner1_));
}

void TMouseZoomIn::ShowRectangle(QPoint a, QPoint b, bool shown)
{
    if (RectangleShown)
        Surface.UpdateArea(OutlineArea(corner0_, corner1_));
    corner0_ = a;
    corner1_ = b;
    RectangleShown = shown;
    if (shown)
        Surface.UpdateArea(OutlineArea(a, b));
}

bool TMouseZoomIn::IsClick(QPoint pixel) const
{
    return std::abs(pixel.x() - press_.x()) < ClickDistance &&
           std::abs(pixel.y() - press_.y()) < ClickDistance;
}

void TMouseZoomIn::MouseMove(QPoint pixel, Qt::KeyboardModifiers)
{
    ShowRectangle(press_, pixel, !IsClick(pixel));
}

void TMouseZoomIn::PaintFeedback(Canvas& canvas) const
{
    if (!RectangleShown)
        return;
    TCanvasStateSaver saver(canvas);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    canvas.SetPenWidth(1);
    // A white line under a dashed black one shows on any background.
    canvas.SetPenStyle(TPenStyle::Solid);
    canvas.SetPenColour(clWhite);
    const QRect r = Rectangle();
    canvas.Rectangle(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
    canvas.SetPenStyle(TPenStyle::Dash);
    canvas.SetPenColour(clBlack);
    canvas.Rectangle(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
}

QRect TMouseZoomIn::ClickRectangle() const
{
    const QSize size = Surface.ClientSize();
    const int factor = std::max<int>(1, Configuration.ZoomFactor);
    const int halfWidth = size.width() * 50 / factor;
    const int halfHeight = size.height() * 50 / factor;
    return QRect(QPoint(press_.x() - halfWidth, press_.y() - halfHeight),
                 QPoint(press_.x() + halfWidth, press_.y() + halfHeight));
}

void TMouseZoomIn::FinishAction()
{
    Surface.CaptureMouse(false);
    QPoint a, b;
    bool square = ScalesSquare(Surface);
    if (RectangleShown) {
        a = corner0_;
        b = corner1_;
        if (!rectangleKeepsSquare_)
            square = false;
    } else {
        const QRect r = ClickRectangle();
        a = r.topLeft();
        b = r.bottomRight();
    }
    if (RectangleShown)
        Surface.UpdateArea(OutlineArea(corner0_, corner1_));
    RectangleShown = false;
    const TAxes& axes = *Surface.Params().Axes;
    const TRealPoint p = axes.PixelToValue(a);
    const TRealPoint q = axes.PixelToValue(b);
    SetViewScales(Surface, p.x, q.x, p.y, q.y, square);
}

// A dragged zoom-in rectangle asks for scales that are not square; the
// proportional one keeps the window's shape and so keeps the square setting.
TZoomInProportion::TZoomInProportion(TGraphSurface& surface, QPoint press) : TMouseZoomIn(surface, press)
{
    rectangleKeepsSquare_ = true;
    const QRect r = ClickRectangle();
    ShowRectangle(r.topLeft(), r.bottomRight(), true);
}

void TZoomInProportion::MousePress(QPoint, Qt::KeyboardModifiers)
{
    // The click rectangle shown at the creation stands until the pointer moves.
}

void TZoomInProportion::MouseMove(QPoint pixel, Qt::KeyboardModifiers)
{
    // A click, or a drag too short to mean a rectangle, zooms by the zoom
    // factor about the press (a rectangle of a pixel or two would zoom
    // beyond what the scales can show).
    if (IsClick(pixel)) {
        const QRect r = ClickRectangle();
        ShowRectangle(r.topLeft(), r.bottomRight(), true);
        return;
    }
    const QSize size = Surface.ClientSize();
    const int w = std::max(1, size.width()), h = std::max(1, size.height());
    const long long cx = press_.x(), cy = press_.y();
    const long long f = std::max<long long>(std::llabs(pixel.y() - cy) * w / h, std::llabs(pixel.x() - cx));
    const long long g = f * h / w;
    ShowRectangle(QPoint(static_cast<int>(cx - f), static_cast<int>(cy - g)),
                  QPoint(static_cast<int>(cx + f), static_cast<int>(cy + g)), true);
}
