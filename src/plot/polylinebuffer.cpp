#include "plot/polylinebuffer.h"

#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "settings/configuration.h"

#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr int PencilWidth = 24;
constexpr int PencilHeight = 30;
const QPoint PencilHidden(-100, -100);

// The pencil drawn by inverting the pixels under its shape: white where it
// is, black (which leaves the destination alone) elsewhere. Its drawing point
// is the bottom-left corner. It is drawn at the device's pixel ratio, so it
// stays crisp on a screen with more than one pixel to the logical one.
QImage MakePencilImage(qreal ratio)
{
    ratio = std::max<qreal>(1, ratio);
    QImage image(QSize(PencilWidth, PencilHeight) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::white, 1));
    // The lead tip at the bottom-left, the wooden cone, then the shaft up to the right.
    for (int i = 0; i < 6; ++i)
        painter.drawLine(0, PencilHeight - 1 - i, i, PencilHeight - 1);
    painter.drawLine(0, PencilHeight - 1, 22, PencilHeight - 27);
    painter.drawLine(5, PencilHeight - 1, 23, PencilHeight - 22);
    painter.drawLine(22, PencilHeight - 27, 23, PencilHeight - 22);
    painter.drawLine(19, PencilHeight - 26, 21, PencilHeight - 23);
    return image;
}

} // namespace

TPolyLineBuffer::TPolyLineBuffer(TCurvePLotter& curve, Canvas& canvas, TXY& context)
    : curve_(curve), canvas_(canvas), context_(context)
{
    // Computed unseen (on a worker), a curve is never drawn visibly; the
    // drawing thread may be changing the mode meanwhile.
    drawVisibly_ = !context.Unseen && (DrawMode & dmDrawVisibly) != 0;
    const TAxis& xAxis = *context_.Axes->XAxis;
    const TAxis& yAxis = *context_.Axes->YAxis;

    // The pencil XORs its picture, which only a raster device can do.
    QPaintEngine* engine = canvas_.Painter().paintEngine();
    pencil_ = context_.Pencil && context_.JoinPoints && engine && engine->type() == QPaintEngine::Raster;
    if (pencil_) {
        canvas_.SetFontColour(clBlack);
        pencilImage_ = MakePencilImage(canvas_.Painter().device()->devicePixelRatioF());
        pencilStart_ = std::chrono::steady_clock::now();
        pencilDelay_ = Configuration.RepeatsDelay;
        pencilWidth_ = PencilWidth / xAxis.Scale;
        pencilHeight_ = std::fabs(PencilHeight / yAxis.Scale);
    }

    const std::uint8_t kind = context_.ShadeKind;
    if (kind >= 1 && kind <= 5) {
        shading_ = true;
        direction_ = ShadingDirection(kind);
        // The far edge unless "Shade correct side" swaps the side a kind shades.
        const bool swapped = Configuration.ShadeSide != (kind == 2 || kind == 4);
        if (swapped)
            edge_ = 0;
        else if (direction_ == sdTowardsHorizontalEdge)
            edge_ = yAxis.ValueToPixel(yAxis.Min);
        else
            edge_ = xAxis.ValueToPixel(xAxis.Max);
        extent_ = direction_ == sdTowardsHorizontalEdge ? context_.WindowHeight : context_.WindowWidth;
        // Computed unseen, only the stored bands and runs are made; a replay shades.
        if (!context_.Unseen)
            bitmap_ = std::make_unique<TShadingBitmap>(canvas_);
        ResetStatus(); // the edge mapping must not leave a mark on the first sample
    }
}

TPolyLineBuffer::~TPolyLineBuffer()
{
    if (!finished_)
        Finish();
}

double TPolyLineBuffer::Seconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - pencilStart_).count();
}

// ---- sampling -------------------------------------------------------------------

bool TPolyLineBuffer::PollInterrupt()
{
    if (abandoned_)
        return true;
    if (ComputationStop) {
        if (!ComputationStopped())
            return false;
        Abandon();
        return true;
    }
    if (!DrawingInProgress())
        return false;
    const TInterruptRequest request = DrawingInterrupt().Poll();
    if (request.abandon) {
        Abandon();
        return true;
    }
    if (request.pause && drawVisibly_)
        DrawingInterrupt().Pause();
    return false;
}

void TPolyLineBuffer::Abandon()
{
    abandoned_ = true;
    context_.Abandoned = true;
    DrawingCompleted = false;
    // A half-made cache must not be replayed: the next repaint recomputes.
    if (context_.Store) {
        if (curve_.LineStore() == context_.Store)
            curve_.DiscardLineStore();
        context_.Store = nullptr;
    }
}

void TPolyLineBuffer::SampleRun(int start, int count, int n)
{
    if (abandoned_ || n <= 0)
        return;
    context_.CurrentCount = n;
    std::uint8_t previous = esNormal;
    for (int i = start; i <= start + count; ++i) {
        if (PollInterrupt())
            return;
        const Extended fraction = static_cast<Extended>(i) / n;
        context_.Parameter = context_.Reverse ? 1 - fraction : fraction;
        ResetStatus();
        curve_.CalculatePoint(context_);
        if (!context_.Continuous) {
            Flush(0);
            context_.Continuous = true;
            continue;
        }
        const std::uint8_t current = EvaluationStatus;
        if ((current == esNormal || previous == esNormal) && current != previous && current != esClamped &&
            previous != esClamped && current != 0) {
            if (i == start) {
                // A step or pole mark on the first sample only repeats the
                // last sample of the coarser run.
                if (current == esStep || current == esPole)
                    ResetStatus();
            } else if (n < DrawingRefinementLimit) {
                SampleRun((i - 1) * 4, 4, n * 4);
                if (abandoned_)
                    return;
                context_.CurrentCount = n;
            }
        }
        previous = EvaluationStatus;
        if (previous == esNormal)
            AddPoint();
        else
            Flush(0);
    }
    Flush(0);
}

bool TPolyLineBuffer::Beyond(QPoint p) const
{
    return p.x() < 0 || p.x() > context_.WindowWidth || p.y() < 0 || p.y() > context_.WindowHeight;
}

bool TPolyLineBuffer::SegmentBeyond(QPoint a, QPoint b) const
{
    return (a.x() < 0 && b.x() < 0) || (a.x() > context_.WindowWidth && b.x() > context_.WindowWidth) ||
           (a.y() < 0 && b.y() < 0) || (a.y() > context_.WindowHeight && b.y() > context_.WindowHeight);
}

void TPolyLineBuffer::AddPoint()
{
    if (abandoned_)
        return;
    const TAxes& axes = *context_.Axes;
    const QPoint p(axes.XAxis->ValueToPixel(context_.X), axes.YAxis->ValueToPixel(context_.Y));
    context_.AllInvalid = false;

    const std::uint8_t status = EvaluationStatus;
    if (status == esNormal) {
        if (!context_.JoinPoints) {
            context_.AllOffScreen = false;
            if (!context_.Unseen)
                DrawCross(canvas_, p);
            points_[count_++] = p;
            drawn_ = count_;
            if (count_ >= Capacity)
                Flush(0);
            return;
        }
        if (count_ > 0 && points_[count_ - 1] == p)
            return; // the same pixel again
        const bool beyond = count_ > 0 ? SegmentBeyond(points_[count_ - 1], p) : Beyond(p);
        if (!beyond) {
            offScreenCount_ = 0;
            // A point on the window counts even when nothing joins it yet: a
            // list whose first point was just put in is not off the screen.
            context_.AllOffScreen = false;
            points_[count_++] = p;
            if (count_ >= 2 && drawVisibly_ && context_.DrawLine) {
                HidePencil();
                canvas_.MoveTo(points_[count_ - 2]);
                canvas_.LineTo(p);
                drawn_ = count_;
                ShowPencil();
            }
            if (count_ >= Capacity)
                Flush(1);
            CloseBand();
        } else if (context_.ShadeKind == 5) {
            // A closed shape keeps only the two ends of a stretch off the window.
            if (++offScreenCount_ > 2 && count_ > 0)
                points_[count_ - 1] = p;
            else
                points_[count_++] = p;
            drawn_ = std::min(drawn_, count_ - 1);
            if (count_ >= Capacity)
                Flush(1);
        } else if (count_ >= 2) {
            points_[count_++] = p;
            Flush(1);
            UpdateBand(p);
        } else {
            UpdateBand(p);
            points_[0] = p;
            count_ = 1;
            drawn_ = 0;
        }
    } else if (status == esClamped) {
        UpdateBand(p);
        Flush(0);
    } else {
        Flush(0);
    }
}

// ---- flushing ---------------------------------------------------------------------

void TPolyLineBuffer::DrawPending()
{
    if (!context_.JoinPoints || !context_.DrawLine || count_ < 2 || context_.Unseen)
        return;
    const int from = drawn_ > 0 ? drawn_ - 1 : 0;
    if (count_ - from >= 2)
        canvas_.Polyline(
            std::span<const QPoint>(points_.data() + from, static_cast<std::size_t>(count_ - from)));
    drawn_ = count_;
}

void TPolyLineBuffer::StorePiece()
{
    TPolyLineStore* store = context_.Store;
    if (!store || count_ <= (context_.JoinPoints ? 1 : 0))
        return;
    try {
        const std::span<const QPoint> run(points_.data(), static_cast<std::size_t>(count_));
        if (context_.JoinPoints)
            store->Add(std::make_unique<TLineStore>(run, edge_, context_.ShadeKind, context_.DrawLine));
        else
            store->Add(std::make_unique<TCrossStore>(run, edge_, context_.ShadeKind, context_.DrawLine));
    } catch (const std::bad_alloc&) {
        // Without memory for the cache the drawing goes on uncached; what was
        // stored has been drawn already, and the next repaint recomputes.
        if (curve_.LineStore() == store)
            curve_.DiscardLineStore();
        context_.Store = nullptr;
    }
}

void TPolyLineBuffer::Flush(int keep)
{
    if (count_ == 0) {
        if (EvaluationStatus != esNormal)
            MovePencilClock();
        return;
    }
    HidePencil();
    StorePiece();
    if (shading_ && bitmap_ && count_ >= 2 && canvas_.Pen().mode == TPenMode::Copy)
        ShadeRun(*bitmap_, Points(), context_.ShadeKind, edge_);
    DrawPending();
    ShowPencil();
    points_[0] = points_[count_ - 1];
    count_ = keep;
    drawn_ = keep;
    if (keep == 0)
        offScreenCount_ = 0;
}

void TPolyLineBuffer::Finish()
{
    if (finished_)
        return;
    finished_ = true;
    CloseBand();
    Flush(0);
    if (pencil_) {
        if (context_.PencilShown)
            DrawPencil(pencilAt_);
        context_.PencilShown = false;
        pencilAt_ = PencilHidden;
        pencil_ = false;
    }
    if (bitmap_ && canvas_.Pen().mode == TPenMode::Copy)
        bitmap_->Blend(canvas_);
    bitmap_.reset();
    ResetStatus();
}

// ---- shading bands ----------------------------------------------------------------

void TPolyLineBuffer::UpdateBand(QPoint p)
{
    if (!shading_ || context_.ShadeKind == 5)
        return;
    const int across = direction_ == sdTowardsHorizontalEdge ? p.y() : p.x();
    const int along = direction_ == sdTowardsHorizontalEdge ? p.x() : p.y();
    if ((edge_ < across) != (edge_ < 1) || across == edge_) {
        // Beyond the edge shaded towards: nothing of the window lies between.
        CloseBand();
    } else if (band_) {
        band_->End = along;
    } else {
        band_ = std::make_unique<TShadingRect>(along, extent_, direction_, edge_);
    }
}

void TPolyLineBuffer::CloseBand()
{
    if (!band_)
        return;
    std::unique_ptr<TShadingRect> band = std::move(band_);
    if (band->End < band->Start)
        std::swap(band->Start, band->End);
    if (bitmap_ && canvas_.Pen().mode == TPenMode::Copy)
        bitmap_->FillRect(band->Rect());
    if (context_.Store) {
        try {
            context_.Store->Add(std::move(band));
        } catch (const std::bad_alloc&) {
            if (curve_.LineStore() == context_.Store)
                curve_.DiscardLineStore();
            context_.Store = nullptr;
        }
    }
}

// ---- the demonstration pencil ------------------------------------------------------

bool TPolyLineBuffer::PencilArea() const
{
    const TAxis& x = *context_.Axes->XAxis;
    const TAxis& y = *context_.Axes->YAxis;
    return !(context_.X <= x.Min || context_.X >= x.Max + pencilWidth_ ||
             context_.Y <= y.Min - pencilHeight_ || context_.Y >= y.Max);
}

void TPolyLineBuffer::DrawPencil(QPoint at)
{
    QPainter& painter = canvas_.Painter();
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.drawImage(QPoint(at.x(), at.y() - PencilHeight), pencilImage_);
    painter.restore();
}

void TPolyLineBuffer::MovePencilClock()
{
    if (pencil_)
        pencilStart_ =
            std::chrono::steady_clock::now() -
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(pencilDelay_ * static_cast<double>(context_.Parameter)));
}

void TPolyLineBuffer::HidePencil()
{
    if (!pencil_)
        return;
    if (!PencilArea()) {
        if (context_.PencilShown)
            DrawPencil(pencilAt_);
        context_.PencilShown = false;
        pencilAt_ = PencilHidden;
        MovePencilClock();
        return;
    }
    // The pencil keeps to the pace of one curve per "Repeats delay" seconds.
    const double due = pencilDelay_ * static_cast<double>(context_.Parameter);
    while (Seconds() < due && context_.Parameter < 1) {
        if (PollInterrupt())
            break;
    }
    if (context_.PencilShown)
        DrawPencil(pencilAt_);
    context_.PencilShown = false;
    pencilAt_ = count_ > 0 ? points_[count_ - 1] : PencilHidden;
}

void TPolyLineBuffer::ShowPencil()
{
    if (!pencil_ || context_.PencilShown || pencilAt_ == PencilHidden)
        return;
    DrawPencil(pencilAt_);
    context_.PencilShown = true;
}
