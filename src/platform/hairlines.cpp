#include "platform/hairlines.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

// The image the painter writes into when its pixels may be set directly,
// with the rectangle they may be set in; nullptr otherwise.
QImage* DirectTarget(QPainter& painter, QRect& allowed)
{
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    auto* image = static_cast<QImage*>(device);
    // Writing to a shared image would copy it away from the painter's pixels.
    if (!image->isDetached())
        return nullptr;
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return nullptr;
    if (!painter.deviceTransform().isIdentity() || painter.testRenderHint(QPainter::Antialiasing) ||
        painter.opacity() < 1)
        return nullptr;
    const QPen& pen = painter.pen();
    if (pen.style() != Qt::SolidLine || pen.brush().style() != Qt::SolidPattern ||
        pen.color().alpha() != 255 || !(pen.isCosmetic() || pen.width() <= 1) ||
        pen.capStyle() != Qt::FlatCap)
        return nullptr;
    const QPainter::CompositionMode mode = painter.compositionMode();
    if (mode != QPainter::CompositionMode_SourceOver && mode != QPainter::CompositionMode_Source)
        return nullptr;
    allowed = image->rect();
    if (painter.hasClipping()) {
        const QRegion clip = painter.clipRegion();
        if (clip.rectCount() > 1)
            return nullptr;
        allowed &= clip.boundingRect();
    }
    return image;
}

long long FloorDiv(long long n, long long d)
{
    return n >= 0 ? n / d : -((-n + d - 1) / d);
}

long long CeilDiv(long long n, long long d)
{
    return -FloorDiv(-n, d);
}

} // namespace

bool DrawHairlinesDirect(QPainter& painter, std::span<const QPoint> pairs)
{
    QRect allowed;
    QImage* image = DirectTarget(painter, allowed);
    if (!image)
        return false;
    if (allowed.isEmpty())
        return true;
    const std::uint32_t colour = painter.pen().color().rgba(); // opaque: premultiplied alike
    const int left = allowed.left(), right = allowed.right(), top = allowed.top(), bottom = allowed.bottom();
    const qsizetype stride = image->bytesPerLine() / 4;
    auto* bits = reinterpret_cast<std::uint32_t*>(image->bits());
    const auto put = [&](int x, int y) {
        if (x >= left && x <= right && y >= top && y <= bottom)
            bits[y * stride + x] = colour;
    };
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
        QPoint a = pairs[i], b = pairs[i + 1];
        const bool alongX = std::abs(b.x() - a.x()) >= std::abs(b.y() - a.y());
        // The painter fills the pixels whose centres lie from the lower end
        // of the longer axis up to, but not including, the higher end,
        // whichever way the segment was given.
        if (alongX ? b.x() < a.x() : b.y() < a.y())
            std::swap(a, b);
        const int major = alongX ? b.x() - a.x() : b.y() - a.y();
        const int minor = alongX ? b.y() - a.y() : b.x() - a.x();
        for (int k = 0; k < major; ++k) {
            // The other coordinate: where it rises, the pixel holding the
            // line at the centre of the step (the lower one when the line
            // passes exactly between two); where it falls, the pixel holding
            // the line at the start of the step.
            const long long denominator = 2LL * major;
            long long quotient = 0;
            if (minor > 0)
                quotient = CeilDiv(static_cast<long long>(minor) * (2 * k + 1), denominator) - 1;
            else if (minor < 0)
                quotient = FloorDiv(static_cast<long long>(minor) * k, major);
            const int offset = static_cast<int>(quotient);
            if (alongX)
                put(a.x() + k, a.y() + offset);
            else
                put(a.x() + offset, a.y() + k);
        }
    }
    return true;
}
