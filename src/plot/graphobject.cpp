#include "plot/graphobject.h"

#include "graph/graphparams.h"
#include "graph/graphsurface.h"
#include "graph/mousecontrol.h"
#include "platform/canvas.h"
#include "settings/configuration.h"
#include "settings/mathswriter.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace {

int RoundInt(Extended v)
{
    return static_cast<int>(std::lround(static_cast<double>(v)));
}

// The two strokes of the arrowhead at a, opening about 22 degrees either
// side of the leader that comes from s.
std::pair<QPoint, QPoint> ArrowStrokes(QPoint a, QPoint s)
{
    const double dx = s.x() - a.x(), dy = s.y() - a.y();
    double length = std::hypot(dx, dy);
    if (length == 0)
        length = 1;
    const double ux = dx / length, uy = dy / length;
    const double l = ArrowLength;
    return {QPoint(a.x() + static_cast<int>(std::lround(l * (ux - 0.4 * uy))),
                   a.y() + static_cast<int>(std::lround(l * (0.4 * ux + uy)))),
            QPoint(a.x() + static_cast<int>(std::lround(l * (0.4 * uy + ux))),
                   a.y() + static_cast<int>(std::lround(l * (uy - 0.4 * ux))))};
}

// Where the leader leaves the box: its top-left corner moved towards the anchor.
QPoint LeaderStart(const QRect& box, QPoint anchor)
{
    QPoint s = box.topLeft();
    if (anchor.x() > box.left())
        s.setX(std::min(anchor.x(), box.left() + box.width()));
    if (anchor.y() > box.top())
        s.setY(std::min(anchor.y(), box.top() + box.height()));
    return s;
}

} // namespace

// ---- TGraphObject ---------------------------------------------------------------

TGraphObject::TGraphObject(Extended anchorX, Extended anchorY) : AnchorX(anchorX), AnchorY(anchorY) {}

TGraphObject::~TGraphObject() = default;

QPoint TGraphObject::AnchorPixel(const TGraphParams& params) const
{
    return params.Axes->ValueToPixel(AnchorX, AnchorY);
}

QRect TGraphObject::BoxRect(const TGraphParams& params) const
{
    const QPoint a = AnchorPixel(params);
    return QRect(a.x() + OffsetX, a.y() + OffsetY, 0, 0);
}

void TGraphObject::ScaleOffsets(Extended fx, Extended fy)
{
    OffsetX = RoundInt(OffsetX * fx);
    OffsetY = RoundInt(OffsetY * fy);
}

bool TGraphObject::IsOnScreen(const TGraphParams& params) const
{
    if (Locked)
        return false;
    const QRect box = BoxRect(params);
    const TAxis& x = *params.Axes->XAxis;
    const TAxis& y = *params.Axes->YAxis;
    return box.left() + box.width() >= x.ValueToPixel(x.Min) && box.left() <= x.ValueToPixel(x.Max) &&
           box.top() <= y.ValueToPixel(y.Min) && box.top() + box.height() >= y.ValueToPixel(y.Max);
}

bool TGraphObject::NeedsLeader(const TGraphParams& params) const
{
    const QRect box = BoxRect(params);
    const QPoint a = AnchorPixel(params);
    const int t = AnchorTolerance;
    const bool inside = a.x() >= box.left() - t && a.x() <= box.left() + box.width() + t &&
                        a.y() >= box.top() - t && a.y() <= box.top() + box.height() + t;
    return !inside;
}

void TGraphObject::DrawLeader(Canvas& canvas, const TGraphParams& params) const
{
    if (!IsShown() || !NeedsLeader(params))
        return;
    const QRect box = BoxRect(params);
    const QPoint a = AnchorPixel(params);
    const QPoint s = LeaderStart(box, a);
    canvas.SetPenWidth(std::max<int>(1, Configuration.ThickLines));
    canvas.MoveTo(s);
    canvas.LineTo(a);
    const auto [left, right] = ArrowStrokes(a, s);
    canvas.MoveTo(a);
    canvas.LineTo(left);
    canvas.MoveTo(a);
    canvas.LineTo(right);
    canvas.SetPenWidth(1);
}

void TGraphObject::DrawAnchorCircle(Canvas& canvas, const TGraphParams& params) const
{
    const QPoint a = AnchorPixel(params);
    TCanvasStateSaver saver(canvas);
    canvas.SetPenWidth(1);
    canvas.SetPenStyle(TPenStyle::Solid);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    const int r = AnchorTolerance;
    canvas.Ellipse(a.x() - r, a.y() - r, a.x() + r + 1, a.y() + r + 1);
}

void TGraphObject::DrawSelectionFrame(Canvas& canvas, const TGraphParams& params) const
{
    if (!IsShown())
        return;
    {
        TCanvasStateSaver saver(canvas);
        canvas.SetPenColour(AdjustedColour(canvas, GetColour()));
        canvas.SetPenWidth(1);
        canvas.SetPenStyle(TPenStyle::Dot);
        canvas.SetBrushStyle(TBrushStyle::Clear);
        const QRect box = BoxRect(params);
        canvas.Rectangle(box.left() - 1, box.top() - 1, box.left() + box.width() + 1,
                         box.top() + box.height() + 1);
    }
    DrawAnchorCircle(canvas, params);
}

void TGraphObject::Draw(Canvas& canvas, const TGraphParams& params)
{
    if (!IsOnScreen(params) || !IsShown())
        return;
    TCanvasStateSaver saver(canvas);
    const TColour colour = AdjustedColour(canvas, GetColour());
    canvas.SetPenColour(colour);
    canvas.SetFontColour(colour);
    canvas.SetPenStyle(TPenStyle::Solid);
    DrawLeader(canvas, params);
    canvas.MoveTo(BoxRect(params).topLeft());
    if (Selected)
        DrawSelectionFrame(canvas, params);
}

void TGraphObject::DrawUnselected(Canvas& canvas, const TGraphParams& params)
{
    const bool selected = std::exchange(Selected, false);
    Draw(canvas, params);
    Selected = selected;
}

bool TGraphObject::BoxContains(QPoint pixel, const TGraphParams& params) const
{
    const QRect box = BoxRect(params);
    return pixel.x() >= box.left() && pixel.x() < box.left() + box.width() && pixel.y() >= box.top() &&
           pixel.y() < box.top() + box.height();
}

bool TGraphObject::NearAnchor(QPoint pixel, const TGraphParams& params) const
{
    const QPoint a = AnchorPixel(params);
    return std::abs(pixel.x() - a.x()) <= AnchorTolerance && std::abs(pixel.y() - a.y()) <= AnchorTolerance;
}

QRect TGraphObject::PaintedArea(const TGraphParams& params) const
{
    const QRect box = BoxRect(params);
    const QPoint a = AnchorPixel(params);
    const int r = AnchorTolerance + 2;
    QRect area = QRect(box.left() - 2, box.top() - 2, box.width() + 4, box.height() + 4);
    area |= QRect(a.x() - r, a.y() - r, 2 * r + 1, 2 * r + 1);
    if (NeedsLeader(params)) {
        const int pad = ArrowLength + Configuration.ThickLines + 2;
        area |= QRect(a.x() - pad, a.y() - pad, 2 * pad + 1, 2 * pad + 1);
        area |= QRect(LeaderStart(box, a), a).normalized().adjusted(-pad, -pad, pad, pad);
    }
    return area;
}

void TGraphObject::Invalidate() const
{
    if (Surface)
        Surface->UpdateArea(PaintedArea(Surface->Params()));
}

void TGraphObject::Erase()
{
    Invalidate();
}

void TGraphObject::Hide()
{
    if (HideCount == 0)
        Erase();
    ++HideCount;
}

void TGraphObject::Show()
{
    if (HideCount <= 0)
        return;
    if (--HideCount == 0)
        Invalidate();
}

bool TGraphObject::TakeClick(TGraphSurface& surface, QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    if (!Hit(pixel, surface.Params()))
        return false;
    surface.SetMouseModeCode(0);
    std::unique_ptr<TMouseControl> tool = surface.ObjectTool(*this);
    TMouseControl* taking = tool.get();
    surface.SetActiveTool(std::move(tool));
    if (surface.ActiveTool() == taking)
        taking->MousePress(pixel, modifiers);
    return true;
}

void TGraphObject::WriteTo(TMathsWriter& writer) const
{
    writer.WriteLine("\tPosition: " + FormatNumber(15, false, AnchorX) + ", " +
                     FormatNumber(15, false, AnchorY));
    writer.WriteLine("\tLine: " + std::to_string(OffsetX) + ", " + std::to_string(OffsetY));
    writer.WriteLine("\tcolour = " + std::to_string(GetColour()));
}

// ---- TBitMapMarker ----------------------------------------------------------------

TBitMapMarker::TBitMapMarker(std::string resourceName, int hotY, int hotX, Extended anchorX, Extended anchorY)
    : TGraphObject(anchorX, anchorY), ResourceName(std::move(resourceName)), HotX(hotX), HotY(hotY)
{
    const QImage image = ResourceImage("markers", ResourceName, 1);
    BitmapWidth = image.isNull() ? 0 : image.width();
    BitmapHeight = image.isNull() ? 0 : image.height();
}

TBitMapMarker::~TBitMapMarker()
{
    if (IsShown())
        Erase();
}

QRect TBitMapMarker::BoxRect(const TGraphParams& params) const
{
    const QPoint a = AnchorPixel(params);
    return QRect(a.x() + OffsetX - 1 - HotX, a.y() + OffsetY - 1 - HotY, BitmapWidth, BitmapHeight);
}

void TBitMapMarker::Draw(Canvas& canvas, const TGraphParams& params)
{
    if (!IsShown() || !IsOnScreen(params))
        return;
    TGraphObject::Draw(canvas, params);
    const QImage image = ResourceImage("markers", ResourceName, canvas.DevicePixelRatio());
    if (image.isNull())
        return;
    const QRect box = BoxRect(params);
    canvas.Painter().drawImage(QRect(box.topLeft(), QSize(BitmapWidth, BitmapHeight)), image);
}

// ---- resources -------------------------------------------------------------------------

QImage ResourceImage(const std::string& folder, const std::string& name, qreal ratio)
{
    static std::map<std::pair<std::string, int>, QImage> cache;
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string key = folder + "/" + lower;
    const int ratioKey = static_cast<int>(std::lround(ratio * 100));
    const auto found = cache.find({key, ratioKey});
    if (found != cache.end())
        return found->second;

    QImage image;
    const QString base = QStringLiteral(":/") + QString::fromStdString(key);
    if (QFile::exists(base + ".svg")) {
        QImageReader reader(base + ".svg");
        const QSize size = reader.size();
        if (size.isValid()) {
            reader.setScaledSize(QSize(static_cast<int>(std::lround(size.width() * ratio)),
                                       static_cast<int>(std::lround(size.height() * ratio))));
            image = reader.read();
        }
    } else if (QFile::exists(base + ".png")) {
        image.load(base + ".png");
        if (!image.isNull() && !image.hasAlphaChannel()) {
            // An image without alpha is transparent where it has the colour of its bottom-left pixel.
            const QRgb transparent = image.pixel(0, image.height() - 1);
            image = image.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixel(x, y) == transparent)
                        image.setPixel(x, y, 0);
        }
        ratio = 1;
    }
    if (!image.isNull())
        image.setDevicePixelRatio(ratio);
    cache[{key, ratioKey}] = image;
    return image;
}
