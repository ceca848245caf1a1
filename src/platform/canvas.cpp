#include "platform/canvas.h"

#include "platform/codepage.h"
#include "platform/hairlines.h"
#include "platform/symbolfont.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

#include <algorithm>
#include <cmath>

// An offscreen layer of the alpha shading: what is drawn between
// BeginAlphaLayer and EndAlphaLayer, in canvas coordinates shifted by box.
struct Canvas::TLayer {
    QImage image;
    std::unique_ptr<QPainter> painter;
    QRect box;
    int alpha = 255;
};

namespace {

Qt::PenStyle QtPenStyle(TPenStyle style)
{
    switch (style) {
    case TPenStyle::Dash:
        return Qt::DashLine;
    case TPenStyle::Dot:
        return Qt::DotLine;
    case TPenStyle::DashDot:
        return Qt::DashDotLine;
    case TPenStyle::DashDotDot:
        return Qt::DashDotDotLine;
    case TPenStyle::Clear:
        return Qt::NoPen;
    case TPenStyle::Solid:
    case TPenStyle::InsideFrame:
        break;
    }
    return Qt::SolidLine;
}

Qt::BrushStyle QtBrushStyle(TBrushStyle style)
{
    switch (style) {
    case TBrushStyle::Clear:
        return Qt::NoBrush;
    case TBrushStyle::Horizontal:
        return Qt::HorPattern;
    case TBrushStyle::Vertical:
        return Qt::VerPattern;
    case TBrushStyle::FDiagonal:
        return Qt::FDiagPattern;
    case TBrushStyle::BDiagonal:
        return Qt::BDiagPattern;
    case TBrushStyle::Cross:
        return Qt::CrossPattern;
    case TBrushStyle::DiagCross:
        return Qt::DiagCrossPattern;
    case TBrushStyle::Solid:
        break;
    }
    return Qt::SolidPattern;
}

QPainter::CompositionMode QtMode(TPenMode mode)
{
    switch (mode) {
    case TPenMode::Xor:
        return QPainter::RasterOp_SourceXorDestination;
    case TPenMode::NotXor:
        return QPainter::RasterOp_NotSourceXorDestination;
    case TPenMode::Not:
        return QPainter::RasterOp_NotDestination;
    case TPenMode::Merge:
        return QPainter::RasterOp_SourceOrDestination;
    case TPenMode::Mask:
        return QPainter::RasterOp_SourceAndDestination;
    case TPenMode::Copy:
        break;
    }
    return QPainter::CompositionMode_SourceOver;
}

// The angle in degrees, counter-clockwise as seen on screen, of the ray from
// the centre towards a point.
qreal ScreenAngle(qreal cx, qreal cy, int x, int y)
{
    return std::atan2(cy - y, x - cx) * 180.0 / M_PI;
}

} // namespace

namespace {

bool IsVectorEngine(const QPainter& painter)
{
    const QPaintEngine* engine = painter.paintEngine();
    return engine && (engine->type() == QPaintEngine::SVG || engine->type() == QPaintEngine::Pdf);
}

} // namespace

Canvas::Canvas(QPaintDevice* device) : device_(device)
{
    ownPainter_ = std::make_unique<QPainter>(device);
    painter_ = ownPainter_.get();
    vector_ = IsVectorEngine(*painter_);
    ApplyAll();
}

Canvas::Canvas(QPainter* painter) : device_(painter->device()), painter_(painter), borrowed_(true)
{
    painter_->save();
    vector_ = IsVectorEngine(*painter_);
    ApplyAll();
}

Canvas::~Canvas()
{
    if (layer_)
        EndAlphaLayer();
    if (borrowed_)
        painter_->restore();
    else
        painter_->end();
}

QPainter& Canvas::Painter()
{
    return layer_ ? *layer_->painter : *painter_;
}

int Canvas::Width() const
{
    if (!device_)
        return 0;
    // Images and pixmaps report device pixels; widgets and printers report
    // the logical size the drawing code works in.
    switch (device_->devType()) {
    case QInternal::Image:
        return static_cast<const QImage*>(device_)->deviceIndependentSize().toSize().width();
    case QInternal::Pixmap:
        return static_cast<const QPixmap*>(device_)->deviceIndependentSize().toSize().width();
    default:
        return device_->width();
    }
}

int Canvas::Height() const
{
    if (!device_)
        return 0;
    switch (device_->devType()) {
    case QInternal::Image:
        return static_cast<const QImage*>(device_)->deviceIndependentSize().toSize().height();
    case QInternal::Pixmap:
        return static_cast<const QPixmap*>(device_)->deviceIndependentSize().toSize().height();
    default:
        return device_->height();
    }
}

qreal Canvas::DevicePixelRatio() const
{
    return device_ ? device_->devicePixelRatioF() : 1.0;
}
int Canvas::PixelsPerInchX() const
{
    return device_ ? device_->logicalDpiX() : 96;
}
int Canvas::PixelsPerInchY() const
{
    return device_ ? device_->logicalDpiY() : 96;
}

// The device's size in millimetres over its size in pixels: true for every
// device, where the physical resolution some devices report is not the one
// they are drawn in (a PDF writer reports 1200 whatever its resolution).
// A drawing scaled onto the device (a window's drawing filling a printed
// page) measures in its own pixels, each that many device pixels.
qreal Canvas::MillimetresPerPixelX() const
{
    const qreal scale = painter_ ? std::fabs(painter_->worldTransform().m11()) : 1;
    if (device_ && device_->widthMM() > 0 && device_->width() > 0)
        return static_cast<qreal>(device_->widthMM()) / device_->width() * (scale > 0 ? scale : 1);
    return 25.4 / 96;
}

qreal Canvas::MillimetresPerPixelY() const
{
    const qreal scale = painter_ ? std::fabs(painter_->worldTransform().m22()) : 1;
    if (device_ && device_->heightMM() > 0 && device_->height() > 0)
        return static_cast<qreal>(device_->heightMM()) / device_->height() * (scale > 0 ? scale : 1);
    return 25.4 / 96;
}

int Canvas::MillimetresToPixelsX(qreal millimetres) const
{
    return std::max(1, static_cast<int>(std::nearbyint(millimetres / MillimetresPerPixelX())));
}

int Canvas::MillimetresToPixelsY(qreal millimetres) const
{
    return std::max(1, static_cast<int>(std::nearbyint(millimetres / MillimetresPerPixelY())));
}

QPointF Canvas::LineOffset() const
{
    // A vector device strokes a line of width 1 at x = 100 over 99.5 to
    // 100.5, which renders as two grey half-covered pixels; the raster
    // engine fills the pixel from 100 to 101.
    if (!vector_ || layer_)
        return {};
    const int width = std::max(1, pen_.width);
    return width % 2 == 1 ? QPointF(0.5, 0.5) : QPointF();
}

void Canvas::SetAntialiasing(bool on)
{
    Painter().setRenderHint(QPainter::Antialiasing, on);
}

void Canvas::ApplyPen()
{
    QPainter& p = Painter();
    QPen pen(ToQColor(pen_.colour));
    pen.setStyle(QtPenStyle(pen_.style));
    if (pen_.width <= 1) {
        // A hairline of one device pixel; flat caps leave out the end pixel
        // of a line as raster line drawing does. A drawing scaled up onto a
        // page or a picture keeps the lines one window pixel wide: a device
        // pixel of a printer is too thin to see.
        const QTransform& transform = p.worldTransform();
        const bool scaledUp = std::fabs(transform.m11()) > 1.01 || std::fabs(transform.m22()) > 1.01;
        pen.setWidth(1);
        pen.setCosmetic(!scaledUp);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
    } else {
        pen.setWidth(pen_.width);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    p.setPen(pen);
    QPainter::CompositionMode mode = QtMode(pen_.mode);
    if (mode != QPainter::CompositionMode_SourceOver &&
        !(p.paintEngine() && p.paintEngine()->hasFeature(QPaintEngine::RasterOpModes)))
        mode = QPainter::CompositionMode_SourceOver;
    p.setCompositionMode(mode);
}

void Canvas::ApplyBrush()
{
    Painter().setBrush(QBrush(ToQColor(brush_.colour), QtBrushStyle(brush_.style)));
}

void Canvas::ApplyFont()
{
    Painter().setFont(font_.font);
}

void Canvas::ApplyAll()
{
    ApplyPen();
    ApplyBrush();
    ApplyFont();
}

void Canvas::SetPen(const TPenState& pen)
{
    pen_ = pen;
    ApplyPen();
}

void Canvas::SetPenColour(TColour colour)
{
    pen_.colour = colour;
    ApplyPen();
}

void Canvas::SetPenWidth(int width)
{
    pen_.width = width;
    ApplyPen();
}

void Canvas::SetPenStyle(TPenStyle style)
{
    pen_.style = style;
    ApplyPen();
}

void Canvas::SetPenMode(TPenMode mode)
{
    pen_.mode = mode;
    ApplyPen();
}

void Canvas::SetBrush(const TBrushState& brush)
{
    brush_ = brush;
    ApplyBrush();
}

void Canvas::SetBrushColour(TColour colour)
{
    brush_.colour = colour;
    ApplyBrush();
}

void Canvas::SetBrushStyle(TBrushStyle style)
{
    brush_.style = style;
    ApplyBrush();
}

void Canvas::SetFont(const TFontState& font)
{
    font_ = font;
    ApplyFont();
}

void Canvas::SetFont(const QFont& font)
{
    font_.font = font;
    font_.symbol = false;
    ApplyFont();
}

void Canvas::SetSymbolFont(const QFont& formulaFont)
{
    font_.font = formulaFont;
    font_.symbol = true;
    ApplyFont();
}

void Canvas::SetFontColour(TColour colour)
{
    font_.colour = colour;
}

QFont Canvas::EffectiveFont() const
{
    return font_.font;
}

QString Canvas::DisplayText(std::string_view text) const
{
    return font_.symbol ? SymbolText(text) : AnsiToQString(text);
}

void Canvas::LineTo(int x, int y)
{
    const QPoint to(x, y);
    if (PenVisible()) {
        const QPointF offset = LineOffset();
        if (offset.isNull())
            Painter().drawLine(penPos_, to);
        else
            Painter().drawLine(QPointF(penPos_) + offset, QPointF(to) + offset);
    }
    penPos_ = to;
}

void Canvas::DrawTextAt(QPoint at, const QString& text)
{
    QPainter& p = Painter();
    const QFontMetrics metrics(EffectiveFont(), device_);
    const int width = metrics.horizontalAdvance(text);
    int x = at.x();
    if (textAlign_ & taCentre)
        x -= width / 2;
    else if (textAlign_ & taRight)
        x -= width;
    int top = at.y();
    if (textAlign_ & taBaseline)
        top -= metrics.ascent();
    else if (textAlign_ & taBottom)
        top -= metrics.height();
    if (brush_.style != TBrushStyle::Clear)
        p.fillRect(QRect(x, top, width, metrics.height()), ToQColor(brush_.colour));
    const QPen pen = p.pen();
    const QPainter::CompositionMode mode = p.compositionMode();
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(ToQColor(font_.colour));
    p.drawText(QPoint(x, top + metrics.ascent()), text);
    p.setPen(pen);
    p.setCompositionMode(mode);
}

void Canvas::TextOut(int x, int y, const QString& text)
{
    DrawTextAt(QPoint(x, y), text);
    penPos_ = QPoint(x + TextWidth(text), y);
}

void Canvas::TextOut(int x, int y, std::string_view text)
{
    TextOut(x, y, DisplayText(text));
}

void Canvas::TextAtPen(const QString& text)
{
    DrawTextAt(penPos_, text);
    penPos_.rx() += TextWidth(text);
}

void Canvas::TextAtPen(std::string_view text)
{
    TextAtPen(DisplayText(text));
}

int Canvas::TextWidth(const QString& text) const
{
    return QFontMetrics(EffectiveFont(), device_).horizontalAdvance(text);
}

int Canvas::TextWidth(std::string_view text) const
{
    return TextWidth(DisplayText(text));
}

int Canvas::TextHeight() const
{
    return QFontMetrics(EffectiveFont(), device_).height();
}

int Canvas::TextAscent() const
{
    return QFontMetrics(EffectiveFont(), device_).ascent();
}

QSize Canvas::TextExtent(std::string_view text) const
{
    return QSize(TextWidth(text), TextHeight());
}

void Canvas::Polyline(std::span<const QPoint> points)
{
    if (points.size() < 2 || !PenVisible())
        return;
    const QPointF offset = LineOffset();
    if (offset.isNull()) {
        Painter().drawPolyline(points.data(), static_cast<int>(points.size()));
        return;
    }
    std::vector<QPointF> aligned;
    aligned.reserve(points.size());
    for (const QPoint& point : points)
        aligned.push_back(QPointF(point) + offset);
    Painter().drawPolyline(aligned.data(), static_cast<int>(aligned.size()));
}

void Canvas::Segments(std::span<const QPoint> pairs)
{
    const int count = static_cast<int>(pairs.size() / 2);
    if (count == 0 || !PenVisible())
        return;
    const QPointF offset = LineOffset();
    if (offset.isNull()) {
        if (!DrawHairlinesDirect(Painter(), pairs))
            Painter().drawLines(pairs.data(), count);
        return;
    }
    std::vector<QPointF> aligned;
    aligned.reserve(pairs.size());
    for (const QPoint& point : pairs)
        aligned.push_back(QPointF(point) + offset);
    Painter().drawLines(aligned.data(), count);
}

void Canvas::Polygon(std::span<const QPoint> points)
{
    if (points.size() < 2)
        return;
    Painter().drawPolygon(points.data(), static_cast<int>(points.size()), Qt::OddEvenFill);
}

void Canvas::Rectangle(int left, int top, int right, int bottom)
{
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    QRect box(left, top, right - left - 1, bottom - top - 1);
    if (pen_.style == TPenStyle::InsideFrame && pen_.width > 1)
        box.adjust(pen_.width / 2, pen_.width / 2, -(pen_.width - 1) / 2, -(pen_.width - 1) / 2);
    Painter().drawRect(box);
}

void Canvas::FillRect(const QRect& rect)
{
    if (brush_.style == TBrushStyle::Clear)
        return;
    Painter().fillRect(rect, QBrush(ToQColor(brush_.colour), QtBrushStyle(brush_.style)));
}

void Canvas::FrameRect(const QRect& rect)
{
    QPainter& p = Painter();
    const QColor colour = ToQColor(brush_.colour);
    p.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), colour);
    p.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), colour);
    p.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), colour);
    p.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), colour);
}

void Canvas::Ellipse(int left, int top, int right, int bottom)
{
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    Painter().drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void Canvas::Arc(int left, int top, int right, int bottom, int startX, int startY, int endX, int endY)
{
    if (!PenVisible())
        return;
    const qreal cx = (left + right) / 2.0;
    const qreal cy = (top + bottom) / 2.0;
    const qreal start = ScreenAngle(cx, cy, startX, startY);
    qreal span = ScreenAngle(cx, cy, endX, endY) - start;
    while (span <= 0)
        span += 360; // equal rays make a whole ellipse
    const QRect box(left, top, right - left - 1, bottom - top - 1);
    Painter().drawArc(box, static_cast<int>(std::lround(start * 16)),
                      static_cast<int>(std::lround(span * 16)));
}

void Canvas::SetPixel(int x, int y, TColour colour)
{
    Painter().fillRect(QRect(x, y, 1, 1), ToQColor(colour));
}

QRegion Canvas::PolygonRegion(std::span<const QPoint> points)
{
    return QRegion(QPolygon(QList<QPoint>(points.begin(), points.end())), Qt::OddEvenFill);
}

void Canvas::FillRegion(const QRegion& region)
{
    if (brush_.style == TBrushStyle::Clear)
        return;
    const QBrush brush(ToQColor(brush_.colour), QtBrushStyle(brush_.style));
    for (const QRect& rect : region)
        Painter().fillRect(rect, brush);
}

void Canvas::SetClipRect(const QRect& rect)
{
    Painter().setClipRect(rect, Qt::ReplaceClip);
}

void Canvas::SetClipRegion(const QRegion& region)
{
    Painter().setClipRegion(region, Qt::ReplaceClip);
}

void Canvas::IntersectClipRect(const QRect& rect)
{
    QPainter& p = Painter();
    p.setClipRect(rect, p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void Canvas::ExcludeClipRect(const QRect& rect)
{
    QPainter& p = Painter();
    const QRegion current = p.hasClipping() ? p.clipRegion() : QRegion(Bounds());
    p.setClipRegion(current.subtracted(QRegion(rect)), Qt::ReplaceClip);
}

void Canvas::ClearClip()
{
    Painter().setClipping(false);
}

bool Canvas::HasClip() const
{
    return layer_ ? layer_->painter->hasClipping() : painter_->hasClipping();
}

QRect Canvas::ClipBox() const
{
    const QPainter& p = layer_ ? *layer_->painter : *painter_;
    if (!p.hasClipping())
        return Bounds();
    return p.clipBoundingRect().toAlignedRect().intersected(Bounds());
}

void Canvas::DrawImage(int x, int y, const QImage& image)
{
    Painter().drawImage(QPoint(x, y), image);
}

void Canvas::AlphaBlend(int x, int y, const QImage& image, int alpha)
{
    QPainter& p = Painter();
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setOpacity(std::clamp(alpha, 0, 255) / 255.0);
    p.drawImage(QPoint(x, y), image);
    p.restore();
}

void Canvas::BeginAlphaLayer(int alpha)
{
    if (layer_)
        return;
    auto layer = std::make_unique<TLayer>();
    layer->alpha = std::clamp(alpha, 0, 255);
    layer->box = ClipBox();
    const qreal ratio = DevicePixelRatio();
    const QSize size = layer->box.isEmpty() ? QSize(1, 1) : layer->box.size();
    layer->image = QImage(size * ratio, QImage::Format_ARGB32_Premultiplied);
    layer->image.setDevicePixelRatio(ratio);
    layer->image.fill(Qt::transparent);
    layer->painter = std::make_unique<QPainter>(&layer->image);
    layer->painter->translate(-layer->box.topLeft());
    if (painter_->hasClipping())
        layer->painter->setClipRegion(painter_->clipRegion());
    layer->painter->setRenderHints(painter_->renderHints());
    layer_ = std::move(layer);
    ApplyAll();
}

void Canvas::EndAlphaLayer()
{
    if (!layer_)
        return;
    std::unique_ptr<TLayer> layer = std::move(layer_);
    layer->painter->end();
    painter_->save();
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->setOpacity(layer->alpha / 255.0);
    painter_->drawImage(layer->box.topLeft(), layer->image);
    painter_->restore();
    ApplyAll();
}
