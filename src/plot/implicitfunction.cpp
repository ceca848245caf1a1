#include "plot/implicitfunction.h"

#include "expr/declarations.h"
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "plot/plotworkers.h"
#include "settings/configuration.h"
#include "settings/mathswriter.h"

#include <QLine>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <vector>

namespace {

// F this close to zero counts as lying on the curve.
constexpr Extended ZeroValue = 1e-20L;
// A scan split among workers takes bands of at least this many rows; each
// band takes 1 / (BandShare × workers) of the rows left, so the bands shrink
// towards the end and rows dense with dots or crossings even out among the
// workers while the seams stay few.
constexpr int MinimumBandRows = 8;
constexpr int BandShare = 2;

// The first rows of the bands that rowCount rows split into for workers,
// and rowCount itself to close the last.
std::vector<int> BandStarts(int rowCount, int workers)
{
    std::vector<int> starts;
    const int share = BandShare * std::max(1, workers);
    int row = 0;
    while (row < rowCount) {
        starts.push_back(row);
        const int left = rowCount - row;
        int size = std::max(MinimumBandRows, (left + share - 1) / share);
        // Too few rows left after this band for one more: this band takes them.
        if (left - size < MinimumBandRows)
            size = left;
        row += size;
    }
    starts.push_back(rowCount);
    return starts;
}
// Regula falsi converges, but possibly slowly on one side; past this many
// steps the crossing is placed where it has got to.
constexpr int MaximumRefinements = 200;

[[nodiscard]] bool Succeeded()
{
    return !StatusFailed();
}

// The first and last grid index covering [low, high] of a range starting at
// origin with the given step, kept inside 0 ... count.
void CoveringIndexes(Extended low, Extended high, Extended origin, Extended step, int count, int& first,
                     int& last)
{
    auto index = [&](Extended v) {
        const Extended k = std::trunc((v - origin) / step);
        if (!(k > 0))
            return 0;
        return k > count ? count : static_cast<int>(k);
    };
    first = index(low);
    last = std::min(count, index(high) + 1);
}

// The dots of a drawing, kept for replaying: each is a line from a pixel to
// the pixel on its right, drawn with the curve's pen.
class TDotStore : public TStoredPiece {
public:
    explicit TDotStore(std::vector<QLine> dots) : dots_(std::move(dots)) {}
    void Replay(Canvas& canvas, TShadingBitmap&) const override
    {
        if (!dots_.empty() && canvas.Pen().style != TPenStyle::Clear)
            canvas.Painter().drawLines(dots_.data(), static_cast<int>(dots_.size()));
    }

private:
    std::vector<QLine> dots_;
};

} // namespace

TImplicitGrid ImplicitGridFor(int sampleCount)
{
    const Extended a = std::sqrt(std::max(sampleCount, 0) / 1000.0L / 100.0L);
    return {static_cast<int>(RoundEven(590 * a)) + 10, static_cast<int>(RoundEven(900 * a)) + 100};
}

// One scan of the grid for one drawing (one family member).
class TImplicitFunction::TScan {
public:
    // A scan of curve drawn on canvas with context; compiled, when given, is
    // the compiled form this scan evaluates F through (a band's own).
    TScan(TImplicitFunction& curve, Canvas& canvas, TXY& context, TCompiledFormula* compiled = nullptr)
        : canvas_(canvas), context_(context), axes_(*context.Axes), curve_(curve), compiled_(compiled)
    {
        const TImplicitGrid grid = ImplicitGridFor(context.SampleCount);
        columns_ = grid.Columns;
        rows_ = grid.Rows;
        const TAxis& x = *axes_.XAxis;
        const TAxis& y = *axes_.YAxis;
        xMin_ = x.Min;
        yMin_ = y.Min;
        dx_ = (x.Max - x.Min) / columns_;
        dy_ = (y.Max - y.Min) / rows_;
        pixelWidth_ = std::fabs(x.PixelToValue(1) - x.PixelToValue(0));
        boundary_ = RelationHasBoundary(curve.Relation);
        shading_ = curve.Relation != rlEqual;
        // (2 − relation)·F·(2S − 1) > 0 marks the side that is shaded.
        shadeFactor_ = static_cast<Extended>(2 - curve.Relation) * (Configuration.ShadeSide ? 1 : -1);
        drawing_ = !context.Unseen && canvas.Pen().style != TPenStyle::Clear;
        remembers_ = compiled ? compiled->Remembers(curve.Formula.get()) : curve.FormulaRemembers();
        band_ = compiled != nullptr;
    }

    // The number of grid rows less one: rows 0 ... RowCount() are scanned.
    [[nodiscard]] int RowCount() const { return rows_; }
    // True when F evaluated at a point is all that a row needs (no
    // remembered state carried from one evaluation to the next), so that
    // bands of rows may be scanned apart and give the same dots.
    [[nodiscard]] bool Separable() const { return !remembers_; }

    // Scans the rows and columns (those over the repaint rectangle, on a
    // partial repaint); false when Escape abandoned the drawing.
    bool Run()
    {
        if (!curve_.Formula || !(dx_ > 0) || !(dy_ > 0) || !std::isfinite(dx_) || !std::isfinite(dy_))
            return true;
        int firstRow = 0, lastRow = rows_, firstColumn = 0, lastColumn = columns_;
        if (context_.PartialPaint) {
            CoveringIndexes(context_.ClipYMin, context_.ClipYMax, yMin_, dy_, rows_, firstRow, lastRow);
            CoveringIndexes(context_.ClipXMin, context_.ClipXMax, xMin_, dx_, columns_, firstColumn,
                            lastColumn);
        }
        recording_ = context_.Store != nullptr;
        if (!ScanRows(firstRow, lastRow, firstRow, firstColumn, lastColumn))
            return false;
        StoreDots();
        return true;
    }

    // Scans rows first ... last of a band of the whole grid as the scan of
    // every row would (the columns below first searched too, from row
    // first − 1, scanned again for that alone), keeping the dots for Dots;
    // false when the drawing was abandoned.
    bool RunBand(int first, int last)
    {
        recording_ = true;
        if (!curve_.Formula || !(dx_ > 0) || !(dy_ > 0) || !std::isfinite(dx_) || !std::isfinite(dy_))
            return true;
        return ScanRows(std::max(0, first - 1), last, first, 0, columns_);
    }
    // Scans the grid in bands of rows on workers threads (a separable F
    // only) and stores their dots in order: the dots, and their order, of
    // one scan of every row. False when the drawing was abandoned.
    bool RunInBands(int workers)
    {
        const int rowCount = rows_ + 1;
        const std::vector<int> starts = BandStarts(rowCount, workers);
        const int bands = static_cast<int>(starts.size()) - 1;
        std::vector<std::vector<QLine>> dots(static_cast<std::size_t>(bands));
        // Per band: 1 the family constant was evaluated, 2 it ran out of memory, 4 it was abandoned.
        std::vector<std::uint8_t> outcome(static_cast<std::size_t>(bands), 0);
        std::atomic<bool> stop{false};
        // Stopped before every band was scanned (Escape, or the drawing this
        // scan is part of abandoned), the scan is abandoned.
        const bool finished = RunOnWorkers(
            bands, workers,
            [&](int b) {
                const std::size_t k = static_cast<std::size_t>(b);
                Tracking = true;
                Family.used = false;
                try {
                    TCompiledFormula compiled;
                    TScan band(curve_, canvas_, context_, &compiled);
                    if (!band.RunBand(starts[k], starts[k + 1] - 1))
                        outcome[k] |= 4;
                    dots[k] = std::move(band.recorded_);
                } catch (const std::bad_alloc&) {
                    outcome[k] |= 2;
                }
                if (Family.used)
                    outcome[k] |= 1;
            },
            stop, false);
        std::uint8_t all = 0;
        for (const std::uint8_t o : outcome)
            all |= o;
        if (all & 1)
            Family.used = true;
        if ((all & 4) || !finished) {
            context_.Abandoned = true;
            DrawingCompleted = false;
            return false;
        }
        recording_ = context_.Store != nullptr;
        try {
            if (all & 2)
                throw std::bad_alloc();
            for (std::vector<QLine>& band : dots)
                recorded_.insert(recorded_.end(), band.begin(), band.end());
        } catch (const std::bad_alloc&) {
            recorded_.clear();
            if (curve_.LineStore() == context_.Store)
                curve_.DiscardLineStore();
            context_.Store = nullptr;
            return true;
        }
        StoreDots();
        return true;
    }

private:
    struct TSample {
        Extended value = 0;
        bool succeeded = false;
    };

    // Scans rows from ... last over columns firstColumn ... lastColumn; the
    // rows before plotFrom only give their values to the column search.
    bool ScanRows(int from, int last, int plotFrom, int firstColumn, int lastColumn)
    {
        firstColumn_ = firstColumn;
        lastColumn_ = lastColumn;
        const std::size_t width = static_cast<std::size_t>(lastColumn - firstColumn + 1);
        previous_.assign(width, {});
        current_.assign(width, {});
        for (int i = from; i <= last; ++i) {
            const Extended y = yMin_ + i * dy_;
            plotting_ = i >= plotFrom;
            if (!ScanRow(y))
                return false;
            // Where the curve runs along between two rows the rows miss it,
            // and a row that crosses one branch says nothing of another
            // (a horizontal line crossed by a vertical one): every column
            // between every two rows is searched too, from the values of F
            // the rows kept, so the search costs no evaluation of its own.
            if (i > from)
                ScanColumns(y);
            std::swap(previous_, current_);
            FlushPoints();
        }
        FlushPoints();
        return true;
    }

    bool Abandoned()
    {
        if (ComputationStop) {
            if (!ComputationStopped())
                return false;
            // A band leaves the context to the scan that split the grid.
            if (band_)
                return true;
            context_.Abandoned = true;
            DrawingCompleted = false;
            return true;
        }
        if (!DrawingInProgress())
            return false;
        const TInterruptRequest request = DrawingInterrupt().Poll();
        if (!request.abandon)
            return false;
        context_.Abandoned = true;
        DrawingCompleted = false;
        return true;
    }

    Extended Evaluate(Extended x, bool& succeeded)
    {
        ResetStatus();
        Variables.x = x;
        const Extended value = compiled_ ? curve_.EvaluateFormulaWith(*compiled_) : curve_.EvaluateFormula();
        succeeded = Succeeded();
        return value;
    }

    // True when the last evaluation, with tracking on, found a pole or a
    // step between the point evaluated before and this one: a change of sign
    // there is the jump of F, not a crossing of the curve.
    static bool Jumped() { return EvaluationStatus == esPole || EvaluationStatus == esStep; }

    bool ScanRow(Extended y)
    {
        Variables.y = y;
        Extended previousX = 0, previousValue = 0;
        bool previousSign = false;
        for (int j = firstColumn_; j <= lastColumn_; ++j) {
            if (Abandoned())
                return false;
            const Extended x = xMin_ + j * dx_;
            bool ok = false;
            const Extended f = Evaluate(x, ok);
            const bool jumped = Jumped();
            current_[static_cast<std::size_t>(j - firstColumn_)] = {f, ok};
            const bool sign = f > 0;
            if (shading_ && ok && shadeFactor_ * f > 0)
                PlotPoint(x, y);
            if (ok && std::fabs(f) < ZeroValue) {
                PlotPoint(x, y);
            } else if (j > firstColumn_ && sign != previousSign && boundary_ && ok && !jumped) {
                RefineAlongRow(previousX, previousValue, x, f, y);
                // The refinement moved the remembered signs of the tracked
                // nodes: evaluating here again puts them back for the next column.
                if (remembers_)
                    (void)Evaluate(x, ok);
            }
            previousX = x;
            previousValue = f;
            previousSign = sign;
        }
        return true;
    }

    // Regula falsi between (xa, fa) and (xb, fb), whose signs differ, down to
    // the width of a pixel.
    void RefineAlongRow(Extended xa, Extended fa, Extended xb, Extended fb, Extended y)
    {
        const Extended w = pixelWidth_;
        Extended current = xb;
        for (int step = 0; step < MaximumRefinements; ++step) {
            if (xb - xa <= w)
                break;
            const Extended x = (fa * xb - fb * xa) / (fa - fb);
            bool ok = false;
            const Extended f = Evaluate(x, ok);
            if (!ok || !std::isfinite(x))
                return;
            current = x;
            if (f == 0)
                break;
            const bool besideA = x - xa <= w;
            const bool besideB = xb - x <= w;
            const bool likeA = (f > 0) == (fa > 0);
            // Beside an end and across the sign change from it: the crossing
            // lies within a pixel.
            if ((besideA && !likeA) || (besideB && likeA))
                break;
            if (likeA) {
                xa = x;
                fa = f;
            } else {
                xb = x;
                fb = f;
            }
            if (!besideA && !besideB)
                continue;
            // A curved F makes the secant land beside an end while the
            // crossing lies further in; one pixel further in tells which.
            const Extended probe = besideA ? x + w : x - w;
            if (probe <= xa || probe >= xb)
                break;
            const Extended g = Evaluate(probe, ok);
            if (!ok)
                break;
            if ((g > 0) == (f > 0)) {
                (besideA ? xa : xb) = probe;
                (besideA ? fa : fb) = g;
                current = probe;
            } else {
                break; // the sign changes between x and the probe, a pixel apart
            }
        }
        PlotPoint(current, y);
    }

    // Between the previous row (at y − dy) and this one, each column whose
    // sign changes gets a point placed by linear interpolation, unless F
    // evaluated down the column jumps over a pole or a step there.
    void ScanColumns(Extended y)
    {
        if (!boundary_)
            return;
        for (int j = firstColumn_; j <= lastColumn_; ++j) {
            const std::size_t k = static_cast<std::size_t>(j - firstColumn_);
            const TSample& below = previous_[k];
            const TSample& here = current_[k];
            if (!below.succeeded || !here.succeeded || (below.value > 0) == (here.value > 0))
                continue;
            const Extended x = xMin_ + j * dx_;
            // A formula that remembers nothing can neither jump nor fail
            // where both samples succeeded.
            if (remembers_) {
                bool ok = false;
                Variables.y = y - dy_;
                (void)Evaluate(x, ok);
                Variables.y = y;
                (void)Evaluate(x, ok);
                if (!ok || Jumped())
                    continue;
            }
            PlotPoint(x, y - dy_ + dy_ * below.value / (below.value - here.value));
        }
    }

    // A dot: the line from the point's pixel to the pixel on its right, drawn
    // with the curve's pen (so its width shapes the dot).
    void PlotPoint(Extended x, Extended y)
    {
        if (!plotting_)
            return;
        const std::uint8_t saved = EvaluationStatus;
        const QPoint p = axes_.ValueToPixel(x, y);
        EvaluationStatus = saved;
        if (drawing_ || recording_)
            points_.emplace_back(p, p + QPoint(1, 0));
    }

    void FlushPoints()
    {
        if (points_.empty())
            return;
        if (drawing_)
            canvas_.Painter().drawLines(points_.data(), static_cast<int>(points_.size()));
        if (recording_)
            recorded_.insert(recorded_.end(), points_.begin(), points_.end());
        points_.clear();
    }

    // Puts the dots of a complete scan into the context's store.
    void StoreDots()
    {
        if (!recording_ || !context_.Store)
            return;
        try {
            context_.Store->Add(std::make_unique<TDotStore>(std::move(recorded_)));
        } catch (const std::bad_alloc&) {
            // Without memory for the cache the next repaint scans again.
            if (curve_.LineStore() == context_.Store)
                curve_.DiscardLineStore();
            context_.Store = nullptr;
        }
        recorded_.clear();
    }

    Canvas& canvas_;
    TXY& context_;
    const TAxes& axes_;
    TImplicitFunction& curve_;
    TCompiledFormula* compiled_ = nullptr; // borrowed; nullptr: the curve's own
    bool plotting_ = true;                 // the row being scanned gets its dots
    bool band_ = false;                    // a band of a split scan, on a worker
    int columns_ = 0, rows_ = 0;
    int firstColumn_ = 0, lastColumn_ = 0;
    Extended xMin_ = 0, yMin_ = 0, dx_ = 0, dy_ = 0, pixelWidth_ = 0;
    Extended shadeFactor_ = 0;
    bool boundary_ = false;
    bool shading_ = false;
    bool drawing_ = true;
    bool recording_ = false; // the dots go into the context's store as well
    bool remembers_ = true;  // evaluating F again at a point may change what it remembers
    std::vector<TSample> previous_, current_;
    std::vector<QLine> points_;
    std::vector<QLine> recorded_;
};

TImplicitFunction::TImplicitFunction(TEvaluatorPtr formula, int relation)
    : TFormulaCurve(std::move(formula)), Relation(CheckedRelation(relation))
{
}

void TImplicitFunction::Draw(Canvas& canvas, TXY& context)
{
    // Tracking on: the scan tells a sign change across a pole or a step of F
    // (tan(xy) = 1, 1/(x² − y) + y = 0) from a crossing of the curve.
    const TEvaluationStateSaver saver;
    Tracking = true;
    FamilyStart();
    const int workers = context.Unseen ? PlotWorkerCount() : 1;
    do {
        TScan scan(*this, canvas, context);
        // Computed unseen with workers to spare, a separable F is scanned in bands.
        const bool split = workers > 1 && !context.PartialPaint && scan.Separable() &&
                           scan.RowCount() + 1 >= 2 * MinimumBandRows;
        if (!(split ? scan.RunInBands(workers) : scan.Run()))
            break;
    } while (FamilyNext());
    ResetStatus();
}

bool TImplicitFunction::IsNear(TXYSearch& search)
{
    const Extended tolX = search.ClipXMin;
    const Extended tolY = search.ClipYMin;
    const TRealPoint corners[4] = {{search.SearchX - tolX, search.SearchY - tolY},
                                   {search.SearchX - tolX, search.SearchY + tolY},
                                   {search.SearchX + tolX, search.SearchY - tolY},
                                   {search.SearchX + tolX, search.SearchY + tolY}};
    bool near = false;
    bool havePrevious = false;
    bool previousSign = false;
    for (const TRealPoint& corner : corners) {
        ResetStatus();
        Variables.x = corner.x;
        Variables.y = corner.y;
        const Extended f = EvaluateFormula();
        // A corner where F is not defined tells nothing about the curve.
        if (!Succeeded())
            continue;
        const bool sign = f > 0;
        if (std::fabs(f) < ZeroValue || (havePrevious && sign != previousSign)) {
            near = true;
            break;
        }
        havePrevious = true;
        previousSign = sign;
    }
    ResetStatus();
    return near;
}

void TImplicitFunction::WriteDefinition(TMathsWriter& writer) const
{
    writer.WriteChar('0');
    writer.WriteChar(RelationChar(Relation));
    if (Formula)
        Formula->WriteTo(writer);
}

bool TImplicitFunction::CanSwapWith(const TFormulaCurve& other) const
{
    // The relation is part of what is drawn: a new relation needs a new object.
    return static_cast<const TImplicitFunction&>(other).Relation == Relation;
}

bool TImplicitFunction::CompareWith(const TEquationObject& other, const TGraphParams& params) const
{
    // Implicit curves calculate no points for a parameter, so the sampled
    // comparison of other curves would find any two of them equal.
    if (&other == this)
        return true;
    const auto* curve = dynamic_cast<const TImplicitFunction*>(&other);
    if (!curve || curve->Relation != Relation || !Formula || !curve->Formula)
        return false;
    const TEvaluationStateSaver saver;
    const TAxisRanges r = params.Axes->GetRanges();
    constexpr int Steps = 50;
    auto sign = [](TEvaluator* formula, int& result) {
        ResetStatus();
        const Extended f = SafeEvaluate(formula);
        result = f > 0 ? 1 : (f < 0 ? -1 : 0);
        return !StatusFailed();
    };
    for (int i = 0; i <= Steps; ++i)
        for (int j = 0; j <= Steps; ++j) {
            Variables.x = r.XMin + (r.XMax - r.XMin) * j / Steps;
            Variables.y = r.YMin + (r.YMax - r.YMin) * i / Steps;
            int mine = 0, theirs = 0;
            const bool mineDefined = sign(Formula.get(), mine);
            const bool theirsDefined = sign(curve->Formula.get(), theirs);
            if (mineDefined != theirsDefined || (mineDefined && mine != theirs))
                return false;
        }
    return true;
}
