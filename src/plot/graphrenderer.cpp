#include "plot/graphrenderer.h"

#include "expr/declarations.h"
#include "graph/graphparams.h"
#include "graph/linesource.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "platform/graphcolours.h"
#include "plot/curveplotter.h"
#include "plot/graphobject.h"
#include "plot/implicitfunction.h"
#include "plot/plotworkers.h"
#include "settings/configuration.h"

#include <QImage>

#include <atomic>
#include <cmath>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

bool Complete(const TPolyLineStore* store)
{
    return store && store->State == lsComplete;
}

// How far (in pixels) a point of a drawn line may lie from the halo's
// polyline and still be left out of it.
constexpr double HaloTolerance = 0.35;

// The points of a drawn line that the halo needs: the ends, and every point
// further than HaloTolerance from the chord between its kept neighbours
// (Douglas-Peucker, with a stack of its own). A curve is sampled about a
// point a pixel, and a wide round-joined pen costs a join for every point:
// a straight stretch cost as much as a bend. The band looks the same.
std::vector<QPoint> HaloPoints(std::span<const QPoint> points)
{
    const std::size_t n = points.size();
    if (n < 3)
        return {points.begin(), points.end()};
    std::vector<bool> keep(n, false);
    keep.front() = keep.back() = true;
    std::vector<std::pair<std::size_t, std::size_t>> spans{{0, n - 1}};
    while (!spans.empty()) {
        const auto [first, last] = spans.back();
        spans.pop_back();
        const QPointF a = points[first], b = points[last];
        const double dx = b.x() - a.x(), dy = b.y() - a.y();
        const double length = std::hypot(dx, dy);
        double farthest = 0;
        std::size_t at = first;
        for (std::size_t i = first + 1; i < last; ++i) {
            const QPointF p = points[i];
            // The distance from the chord, or from its one point when the ends meet.
            const double d = length > 0 ? std::fabs(dx * (p.y() - a.y()) - dy * (p.x() - a.x())) / length
                                        : std::hypot(p.x() - a.x(), p.y() - a.y());
            if (d > farthest) {
                farthest = d;
                at = i;
            }
        }
        if (farthest <= HaloTolerance)
            continue;
        keep[at] = true;
        if (at - first > 1)
            spans.push_back({first, at});
        if (last - at > 1)
            spans.push_back({at, last});
    }
    std::vector<QPoint> kept;
    for (std::size_t i = 0; i < n; ++i)
        if (keep[i])
            kept.push_back(points[i]);
    return kept;
}

// The curves the workers compute for a drawing while it draws: by line
// index, the curves handed to them; for a picture (which leaves the curves'
// caches alone), the caches taken aside meanwhile, to be put back once drawn.
struct TComputedLines {
    std::vector<int> tasks; // by line index: the curve's task, or −1
    std::vector<std::unique_ptr<TPolyLineStore>> kept;
    std::vector<TCurvePLotter*> curves;
    std::vector<std::unique_ptr<TXY>> contexts;
    std::vector<std::uint8_t> done;
    std::unique_ptr<QImage> scratchImage;
    std::unique_ptr<Canvas> scratch; // paints on scratchImage: goes first
    std::optional<TDrawingScope> drawing;
    std::unique_ptr<TSharedComputation> computation;
    bool busy = false;

    TComputedLines() = default;
    TComputedLines(const TComputedLines&) = delete;
    TComputedLines& operator=(const TComputedLines&) = delete;
    ~TComputedLines() { Finish(); }

    // True when the line at index was handed to the workers.
    [[nodiscard]] bool Handed(int index) const
    {
        return static_cast<std::size_t>(index) < tasks.size() && tasks[static_cast<std::size_t>(index)] >= 0;
    }
    // Waits for the curve at index when it was handed to the workers; true
    // when its stored drawing is complete. Sets stopped when Escape stopped
    // the computation.
    bool Await(int index, bool& stopped)
    {
        if (!Handed(index))
            return false;
        const int task = tasks[static_cast<std::size_t>(index)];
        // Once finished, every worker has left and what they did stands.
        if (computation && !computation->Await(task)) {
            stopped = computation->Stopped();
            if (stopped)
                return false;
        }
        return done[static_cast<std::size_t>(task)] != 0;
    }
    // Waits for every worker to leave, with abandon leaving undone what
    // nobody has started (else computing it): after it, nothing but this
    // thread touches the curves.
    void Finish(bool abandon = true)
    {
        if (computation) {
            computation->Finish(abandon);
            if (busy)
                DrawingInterrupt().EndBusy();
            busy = false;
            computation.reset();
            drawing.reset();
        }
    }
    // Puts back the cache taken from the curve at index, if any.
    void PutBack(int index, TEquationObject* line)
    {
        const auto k = static_cast<std::size_t>(index);
        if (k < kept.size() && kept[k]) {
            if (auto* curve = dynamic_cast<TCurvePLotter*>(line))
                curve->SetLineStore(std::move(kept[k]));
        }
    }
};

// Starts computing on workers (when more than one) the stored drawings of
// the visible curves from index first on that can be computed off this
// thread and are not stored yet (for a picture, every one, into a store of
// its own); the drawing then awaits each in turn, computing on this thread
// those no worker has taken yet. A picture leaves the highlighted line (its
// halo goes between its drawing and its replay) to the drawing.
void StartOnWorkers(TComputedLines& result, const TGraphParams& params, const TLineSource* lines, int first,
                    int workers, int highlight)
{
    // Drawn visibly or as a demonstration, a curve is drawn as it is computed.
    if (workers <= 1 || (DrawMode & (dmDrawVisibly | dmDemonstration)) || !lines)
        return;
    const bool picture = (DrawMode & dmNoCache) != 0;
    std::vector<TCurvePLotter*> curves;
    std::vector<int> indexes;
    for (int index = std::max(0, first); index < lines->LineCount(); ++index) {
        TEquationObject* line = lines->LineAt(index);
        auto* curve = LineVisible(line) ? dynamic_cast<TCurvePLotter*>(line) : nullptr;
        if (curve && curve->UsesLineStore() && (picture || !Complete(curve->LineStore())) &&
            !(picture && index == highlight) && curve->ComputesOffThread()) {
            curves.push_back(curve);
            indexes.push_back(index);
        }
    }
    // One curve that is neither scanned in bands nor a family whose members
    // may be computed apart gains nothing from a worker: it is drawn as it is
    // computed, as with one worker.
    if (curves.empty() ||
        (curves.size() == 1 && !dynamic_cast<TImplicitFunction*>(curves.front()) &&
         !(Family.extraMembers > 0 && !Family.name.empty() && curves.front()->DependsOn(Family.name))))
        return;
    // The contexts copy the axes here, on the drawing thread.
    result.contexts.reserve(curves.size());
    for (std::size_t i = 0; i < curves.size(); ++i) {
        result.contexts.push_back(std::make_unique<TXY>(params));
        // A partial repaint draws only part of a curve, which is not stored.
        if (result.contexts.back()->PartialPaint) {
            result.contexts.clear();
            return;
        }
    }
    const auto count = static_cast<std::size_t>(lines->LineCount());
    result.tasks.assign(count, -1);
    for (std::size_t k = 0; k < curves.size(); ++k)
        result.tasks[static_cast<std::size_t>(indexes[k])] = static_cast<int>(k);
    if (picture) {
        result.kept.resize(count);
        for (std::size_t k = 0; k < curves.size(); ++k)
            result.kept[static_cast<std::size_t>(indexes[k])] = curves[k]->TakeLineStore();
    }
    result.curves = std::move(curves);
    // A canvas for the kinds' signatures; nothing is drawn on it.
    result.scratchImage = std::make_unique<QImage>(1, 1, QImage::Format_ARGB32_Premultiplied);
    result.scratch = std::make_unique<Canvas>(result.scratchImage.get());
    result.done.assign(result.curves.size(), 0);
    result.drawing.emplace();
    result.busy = BusyCursorFlag;
    if (result.busy)
        DrawingInterrupt().BeginBusy();
    result.computation = std::make_unique<TSharedComputation>(
        static_cast<int>(result.curves.size()), workers,
        [&result](int i) {
            const auto k = static_cast<std::size_t>(i);
            try {
                result.done[k] =
                    result.curves[k]->ComputeLineStore(*result.scratch, *result.contexts[k]) ? 1 : 0;
            } catch (const std::bad_alloc&) {
                // Left incomplete: the drawing computes it as it draws it.
                result.done[k] = 0;
            }
        },
        true);
}

} // namespace

bool LineVisible(const TEquationObject* line)
{
    return line && (line->Switches() & HiddenLineSwitch) == 0;
}

void TGraphRenderer::DrawBackground(Canvas& canvas, TGraphParams& params, const QRect& rect)
{
    TCanvasStateSaver saver(canvas);
    // Printing in grey or black draws on white paper: the colour adjustment
    // would turn the page colour itself black.
    const bool monochromePage = canvas.Printing() && !PrintsInColour();
    canvas.SetBrush(
        {monochromePage ? clWhite : AdjustedColour(canvas, BackgroundColour), TBrushStyle::Solid});
    canvas.FillRect(rect);
    const QRect* saved = params.PaintRect;
    params.PaintRect = &rect;
    params.Axes->Draw(canvas, rect);
    params.PaintRect = saved;
}

int TGraphRenderer::DrawLines(Canvas& canvas, TGraphParams& params, const TLineSource* lines, int first) const
{
    if (!lines)
        return first;
    DrawingCompleted = true;
    // The curves that can be computed off this thread are handed to the
    // workers; the loop then draws every line in order as before, replaying
    // those as they are done (computing here those no worker has started).
    // Pausing between lines lets the list change under the loop: it draws on one thread.
    TComputedLines computed;
    StartOnWorkers(computed, params, lines, first, PauseBetweenLines ? 1 : PlotWorkerCount(), HighlightLine);
    int index = std::max(0, first);
    // The count is read each time: a pause may let the list change.
    for (; index < lines->LineCount() && DrawingCompleted; ++index) {
        TEquationObject* line = lines->LineAt(index);
        if (!LineVisible(line))
            continue;
        // A line the workers do not compute may read any curve: it waits for them all.
        bool stopped = false;
        const bool precomputed = computed.Await(index, stopped);
        if (!computed.Handed(index))
            computed.Finish(false);
        if (stopped) {
            DrawingCompleted = false;
            break;
        }
        const std::uint8_t mode = DrawMode;
        const bool shown = index >= VisibleFrom || !(DrawMode & dmDrawVisibly);
        if (!shown)
            DrawMode = static_cast<std::uint8_t>(DrawMode & ~dmDrawVisibly);
        if (BeforeLine && shown)
            BeforeLine(index);
        TCanvasStateSaver saver(canvas);
        if (precomputed) {
            if (auto* computedCurve = dynamic_cast<TCurvePLotter*>(line))
                computedCurve->ShowPendingReport();
            // A picture replays what the workers stored for it.
            DrawMode = static_cast<std::uint8_t>(DrawMode & ~dmNoCache);
        }
        auto* curve = index == HighlightLine ? dynamic_cast<TCurvePLotter*>(line) : nullptr;
        bool done = false;
        if (curve) {
            // The halo goes under the curve, so the curve is drawn (and stored)
            // first; drawn visibly, it is computed afresh before its halo
            // shows, rather than announced by the halo of its last drawing.
            // Computed on a worker just now, it is drawn from its store as
            // though computed here.
            if (!Complete(curve->LineStore()) || (DrawMode & dmDrawVisibly) || precomputed) {
                curve->DrawOnGraph(canvas, params);
                // Computed just now (visibly, when so asked): over the halo its lines are
                // replayed, without shading its side a second time. A drawing that could
                // not be stored (a partial repaint, an abandoned one) has no halo either.
                DrawMode = static_cast<std::uint8_t>((DrawMode & ~dmDrawVisibly) | dmLinesOnly);
                done = !Complete(curve->LineStore());
            }
            if (DrawingCompleted)
                DrawHalo(canvas, *curve);
        }
        if (!done)
            line->DrawOnGraph(canvas, params);
        DrawMode = mode;
        computed.PutBack(index, line);
        if (PauseBetweenLines && BetweenLines && shown && index + 1 < lines->LineCount() &&
            lines->LineCount() > 1 && DrawingCompleted)
            BetweenLines();
    }
    // The caches of the lines an abandoned picture did not reach.
    computed.Finish();
    for (int k = 0; k < static_cast<int>(computed.kept.size()); ++k)
        computed.PutBack(k, lines->LineAt(k));
    return index;
}

void TGraphRenderer::DrawHalo(Canvas& canvas, const TCurvePLotter& curve)
{
    const TPolyLineStore* store = curve.LineStore();
    if (!Complete(store))
        return;
    TCanvasStateSaver saver(canvas);
    canvas.SetPen({LightenColour(AdjustedColour(canvas, curve.colour), 25),
                   std::max<int>(1, curve.thickness) + 6, TPenStyle::Solid, TPenMode::Copy});
    canvas.SetAntialiasing(true);
    for (const auto& piece : *store) {
        const auto* line = dynamic_cast<const TLineStore*>(piece);
        if (!line || !line->DrawsLine() || line->Points().size() < 2)
            continue;
        // A plain polyline is thinned; the other kinds of piece (crosses,
        // separate segments) draw their own lines.
        if (typeid(*line) == typeid(TLineStore))
            canvas.Polyline(HaloPoints(line->Points()));
        else
            line->DrawLines(canvas);
    }
    canvas.SetAntialiasing(false);
}

void TGraphRenderer::DrawObjects(Canvas& canvas, const TGraphParams& params,
                                 std::span<TGraphObject* const> objects)
{
    for (TGraphObject* object : objects)
        if (object && object->IsShown()) {
            TCanvasStateSaver saver(canvas);
            object->Draw(canvas, params);
        }
}

void TGraphRenderer::Render(Canvas& canvas, TGraphParams& params, const TLineSource* lines,
                            std::span<TGraphObject* const> objects, QRect rect) const
{
    if (rect.isEmpty())
        rect = canvas.Bounds();
    // The background and the lines fill the rectangle; the objects keep
    // their places in the window.
    const int savedWidth = params.Width, savedHeight = params.Height;
    params.Width = rect.right() + 1;
    params.Height = rect.bottom() + 1;
    DrawBackground(canvas, params, rect);
    const QRect* saved = params.PaintRect;
    params.PaintRect = &rect;
    DrawLines(canvas, params, lines);
    params.PaintRect = saved;
    params.Width = savedWidth;
    params.Height = savedHeight;
    DrawObjects(canvas, params, objects);
}
