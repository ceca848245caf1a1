#include "plot/polylinestore.h"

#include "platform/canvas.h"

#include <QPainter>

#include <algorithm>
#include <utility>

std::uint8_t ShadingDirection(std::uint8_t shadeKind)
{
    return (shadeKind == 3 || shadeKind == 4) ? sdTowardsHorizontalEdge : sdTowardsVerticalEdge;
}

// ---- shading image -----------------------------------------------------------

TShadingBitmap::TShadingBitmap(Canvas& canvas)
    : box_(canvas.ClipBox()), ratio_(canvas.DevicePixelRatio()), colour_(canvas.Pen().colour)
{
}

TShadingBitmap::~TShadingBitmap() = default;

QPainter& TShadingBitmap::Painter()
{
    if (!painter_) {
        const QSize size = box_.isEmpty() ? QSize(1, 1) : box_.size();
        image_ = QImage(size * ratio_, QImage::Format_ARGB32_Premultiplied);
        image_.setDevicePixelRatio(ratio_);
        image_.fill(Qt::transparent);
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->translate(-box_.topLeft());
        painter_->setPen(Qt::NoPen);
        painter_->setBrush(ToQColor(colour_));
    }
    return *painter_;
}

void TShadingBitmap::FillPolygon(std::span<const QPoint> points)
{
    if (points.size() < 3 || cached_)
        return;
    Painter().drawPolygon(points.data(), static_cast<int>(points.size()), Qt::OddEvenFill);
}

void TShadingBitmap::FillRect(const QRect& rect)
{
    if (rect.isEmpty() || cached_)
        return;
    Painter().fillRect(rect, ToQColor(colour_));
}

QImage TShadingBitmap::Blend(Canvas& canvas)
{
    if (cached_) {
        if (!cached_->isNull())
            canvas.AlphaBlend(box_.x(), box_.y(), *cached_, ShadingAlphaInForce());
        return *cached_;
    }
    if (!painter_)
        return {};
    painter_->end();
    painter_.reset();
    canvas.AlphaBlend(box_.x(), box_.y(), image_, ShadingAlphaInForce());
    return std::exchange(image_, QImage());
}

bool TShadingBitmap::Matches(const TShadingCache& cache) const
{
    return cache.valid && cache.box == box_ && cache.ratio == ratio_ &&
           cache.colour == ToQColor(colour_).rgba();
}

void TShadingBitmap::UseCached(const QImage& image)
{
    cached_ = &image;
}

void TShadingBitmap::Keep(TShadingCache& cache, QImage image) const
{
    cache.image = std::move(image);
    cache.box = box_;
    cache.ratio = ratio_;
    cache.colour = ToQColor(colour_).rgba();
    cache.valid = true;
}

void ShadeRun(TShadingBitmap& bitmap, std::span<const QPoint> points, std::uint8_t shadeKind, int edge)
{
    if (points.size() < 2 || shadeKind == 0 || bitmap.UsesCached())
        return;
    if (shadeKind == 5) {
        bitmap.FillPolygon(points);
        return;
    }
    std::vector<QPoint> polygon(points.begin(), points.end());
    const QPoint first = points.front();
    const QPoint last = points.back();
    if (ShadingDirection(shadeKind) == sdTowardsHorizontalEdge) {
        polygon.emplace_back(last.x(), edge);
        polygon.emplace_back(first.x(), edge);
    } else {
        polygon.emplace_back(edge, last.y());
        polygon.emplace_back(edge, first.y());
    }
    bitmap.FillPolygon(polygon);
}

// ---- pieces -------------------------------------------------------------------

TLineStore::TLineStore(std::span<const QPoint> points, int edge, std::uint8_t shadeKind, bool drawLine)
    : points_(points.begin(), points.end()), edge_(edge), shadeKind_(shadeKind), drawLine_(drawLine)
{
}

void TLineStore::Replay(Canvas& canvas, TShadingBitmap& bitmap) const
{
    if (drawLine_)
        DrawLines(canvas);
    if (shadeKind_ != 0 && canvas.Pen().mode == TPenMode::Copy)
        ShadeRun(bitmap, points_, shadeKind_, edge_);
}

void TLineStore::DrawLines(Canvas& canvas) const
{
    canvas.Polyline(points_);
}

void DrawCross(Canvas& canvas, QPoint p)
{
    canvas.MoveTo(p.x() - CrossSize, p.y() - CrossSize);
    canvas.LineTo(p.x() + CrossSize + 1, p.y() + CrossSize + 1);
    canvas.MoveTo(p.x() + CrossSize, p.y() - CrossSize);
    canvas.LineTo(p.x() - CrossSize - 1, p.y() + CrossSize + 1);
}

void TCrossStore::Replay(Canvas& canvas, TShadingBitmap&) const
{
    for (const QPoint& p : points_)
        DrawCross(canvas, p);
}

QRect TShadingRect::Rect() const
{
    const int low = std::min(Start, End);
    const int high = std::max(Start, End);
    if (Direction == sdTowardsHorizontalEdge)
        return QRect(QPoint(low, 0), QPoint(high, Extent));
    return QRect(QPoint(0, low), QPoint(Extent, high));
}

void TShadingRect::Replay(Canvas& canvas, TShadingBitmap& bitmap) const
{
    if (canvas.Pen().mode == TPenMode::Copy)
        bitmap.FillRect(Rect());
}

// ---- the store ------------------------------------------------------------------

void TPolyLineStore::Replay(Canvas& canvas, bool shade) const
{
    TShadingBitmap bitmap(canvas);
    const bool copy = canvas.Pen().mode == TPenMode::Copy;
    // A complete drawing shades the same every time: its image is kept.
    const bool reuse = copy && State == lsComplete && bitmap.Matches(shading_);
    if (reuse)
        bitmap.UseCached(shading_.image);
    for (const TStoredPiece* piece : *this)
        piece->Replay(canvas, bitmap);
    if (!copy || !shade)
        return;
    QImage blended = bitmap.Blend(canvas);
    if (!reuse && State == lsComplete)
        bitmap.Keep(shading_, std::move(blended));
}

void TPolyLineStore::StartRecording()
{
    Clear();
    State = lsRecording;
    shading_ = {};
}
