// The questions a curve answers without drawing: hit tests, the point at a
// parameter, comparison with another curve, suggested ranges and crossings.
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "plot/curveplotter.h"
#include "settings/configuration.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>
#include <typeinfo>

namespace {

constexpr int HitTolerance = 5; // pixels

// Status 0 is a gap in a list of points: nothing there.
[[nodiscard]] bool Defined()
{
    return EvaluationStatus >= esStep && EvaluationStatus <= esNormal;
}

// ---- stored geometry ----------------------------------------------------------

// Whether a stored point is matched by some piece of the other store: a point
// closer than 2 pixels (city-block), or a segment more than 2 pixels wide
// passing within 2 pixels of it, or the point lies outside the window.
bool PointMatched(QPoint p, const TPolyLineStore& other, int width, int height)
{
    if (p.x() < 1 || p.x() >= width || p.y() < 1 || p.y() >= height)
        return true;
    for (const TStoredPiece* piece : other) {
        const auto* line = dynamic_cast<const TLineStore*>(piece);
        if (!line)
            continue;
        const auto points = line->Points();
        for (std::size_t k = 0; k < points.size(); ++k) {
            const QPoint q = points[k];
            if (std::abs(q.x() - p.x()) + std::abs(q.y() - p.y()) < 2)
                return true;
            if (k == 0)
                continue;
            const QPoint a = points[k - 1];
            const int dx = q.x() - a.x();
            if (std::abs(dx) <= 2)
                continue;
            const int low = std::min(a.x(), q.x());
            const int high = std::max(a.x(), q.x());
            if (p.x() < low || p.x() > high)
                continue;
            const double y = a.y() + static_cast<double>(q.y() - a.y()) * (p.x() - a.x()) / dx;
            if (std::fabs(y - p.y()) <= 2)
                return true;
        }
    }
    return false;
}

// The side of its boundary a shaded piece shades, as the sign of the turn
// from the boundary (oriented left to right, or downwards when vertical) to
// the direction of shading; 0 when the piece is too short to say.
int ShadedSide(const TLineStore& piece)
{
    const auto points = piece.Points();
    QPoint t = points.back() - points.front();
    if (t.x() < 0 || (t.x() == 0 && t.y() < 0))
        t = -t;
    const int towardsEdge = piece.Edge() <= 0 ? -1 : 1;
    const bool horizontalEdge = ShadingDirection(piece.ShadeKind()) == sdTowardsHorizontalEdge;
    const int vx = horizontalEdge ? 0 : towardsEdge;
    const int vy = horizontalEdge ? towardsEdge : 0;
    const long long cross = static_cast<long long>(t.x()) * vy - static_cast<long long>(t.y()) * vx;
    return cross > 0 ? 1 : (cross < 0 ? -1 : 0);
}

// The same kind, or kinds of different families shading the same side of
// the boundary (y > x shades what x < y does).
bool ShadingEquivalent(const TLineStore& a, const TLineStore& b)
{
    if (a.ShadeKind() == b.ShadeKind())
        return true;
    if (a.ShadeKind() == 5 || b.ShadeKind() == 5 || b.ShadeKind() == 0)
        return false;
    const int side = ShadedSide(a);
    return side != 0 && side == ShadedSide(b);
}

bool StoresMatch(const TPolyLineStore& mine, const TPolyLineStore& theirs, int width, int height)
{
    for (const TStoredPiece* piece : mine) {
        const auto* line = dynamic_cast<const TLineStore*>(piece);
        if (!line)
            continue;
        const auto points = line->Points();
        const int count = static_cast<int>(points.size());
        for (int j = 1; j <= (count - 5) / 5; ++j)
            if (!PointMatched(points[static_cast<std::size_t>(5 * j)], theirs, width, height))
                return false;
        if (line->ShadeKind() != 0 && count > 10) {
            bool found = false;
            for (const TStoredPiece* other : theirs) {
                const auto* otherLine = dynamic_cast<const TLineStore*>(other);
                if (otherLine && ShadingEquivalent(*line, *otherLine)) {
                    found = true;
                    break;
                }
            }
            if (!found)
                return false;
        }
    }
    return true;
}

// ---- crossings --------------------------------------------------------------------

// Adds point to exact and, rounded for display, to rounded, unless either holds it already.
void RecordCrossing(const TAxes& axes, const TRealPoint& point, std::vector<TRealPoint>& rounded,
                    std::vector<TRealPoint>& exact)
{
    const TRealPoint shown = RoundPoint(axes, point.x, point.y);
    for (const TRealPoint& p : exact)
        if (SamePoint(p, point))
            return;
    for (const TRealPoint& p : rounded)
        if (SamePoint(p, shown))
            return;
    exact.push_back(point);
    rounded.push_back(shown);
}

// One scan for crossings of one part of a curve with one part of another.
class TCrossingScan {
public:
    TCrossingScan(TCurvePLotter& curve, TCurvePLotter& other, TXY& context, int otherPart,
                  std::vector<TRealPoint>& rounded, std::vector<TRealPoint>& exact)
        : curve_(curve), other_(other), context_(context), otherPart_(otherPart), rounded_(rounded),
          exact_(exact)
    {
        const TAxis& x = *context.Axes->XAxis;
        const TAxis& y = *context.Axes->YAxis;
        tolerance_ = std::min(x.DivisionCount(), y.DivisionCount()) / 1000000;
        // D is measured along the other curve's dependent variable: a jump
        // wider than the window there is a pole of it, not a crossing.
        const bool alongX = other.VariableLetter(0) == 'x';
        jumpLimit_ = alongX ? x.Max - x.Min : y.Max - y.Min;
    }

    // Scans samples from ... to of n intervals; the densities grow by four at
    // each level, so the recursion is at most seven levels deep.
    void Scan(int from, int to, int n)
    {
        Extended d[3] = {0, 0, 0}; // D two samples back, one back, now
        bool defined[3] = {false, false, false};
        TRealPoint previous;
        for (int i = from; i <= to; ++i) {
            d[0] = d[1];
            d[1] = d[2];
            defined[0] = defined[1];
            defined[1] = defined[2];
            context_.CurrentCount = n;
            context_.Parameter = static_cast<Extended>(i) / n;
            ResetStatus();
            curve_.CalculatePoint(context_);
            const TRealPoint point{context_.X, context_.Y};
            const TRealPoint before = previous;
            previous = point;
            bool isDefined = Defined();
            Extended distance = 0;
            if (isDefined) {
                distance = other_.SignedDistance(point, otherPart_);
                isDefined = Defined() && std::isfinite(distance);
            }
            d[2] = isDefined ? distance : 0;
            defined[2] = isDefined;

            const bool first = i == from;
            if (isDefined && distance == 0) {
                Record(point);
            } else if (first || (isDefined && defined[1])) {
                if (first)
                    continue;
                const bool signChange = Sign(d[2]) != Sign(d[1]);
                // |D| shrinking faster and faster: a touching point may be near.
                const bool touch = i - from >= 2 && defined[0] && std::fabs(d[1]) > 0 && d[1] != 0 &&
                                   d[0] / d[1] > 1.5L && d[1] / d[2] > 0 && d[0] / d[1] > d[1] / d[2];
                if (!signChange && !touch)
                    continue;
                if (n < CrossingRefinementLimit) {
                    Scan(std::max(i - 2, 0) * 4, i * 4, n * 4);
                    context_.CurrentCount = n;
                } else if (std::fabs(d[2]) < tolerance_) {
                    Record(point);
                } else if (signChange && std::fabs(d[1]) < jumpLimit_ && std::fabs(d[2]) < jumpLimit_) {
                    // At a steep crossing or on large scales no sample comes
                    // within the tolerance: the crossing lies where D, taken
                    // as straight between the two samples, is zero.
                    const Extended t = d[1] / (d[1] - d[2]);
                    Record({before.x + t * (point.x - before.x), before.y + t * (point.y - before.y)});
                }
            } else if (isDefined != defined[1] && n < CrossingRefinementLimit) {
                Scan((i - 1) * 4, i * 4, n * 4);
                context_.CurrentCount = n;
            }
        }
    }

private:
    void Record(const TRealPoint& point) { RecordCrossing(*context_.Axes, point, rounded_, exact_); }

    TCurvePLotter& curve_;
    TCurvePLotter& other_;
    TXY& context_;
    int otherPart_;
    std::vector<TRealPoint>& rounded_;
    std::vector<TRealPoint>& exact_;
    Extended tolerance_ = 0;
    Extended jumpLimit_ = 0;
};

// Whether pixel lies within the hit tolerance of the segment from a to b.
bool NearSegment(QPoint a, QPoint b, QPoint pixel)
{
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double length2 = dx * dx + dy * dy;
    if (length2 == 0)
        return false;
    const double t = std::clamp(((pixel.x() - a.x()) * dx + (pixel.y() - a.y()) * dy) / length2, 0.0, 1.0);
    const double ex = a.x() + t * dx - pixel.x();
    const double ey = a.y() + t * dy - pixel.y();
    return ex * ex + ey * ey <= double(HitTolerance) * HitTolerance;
}

} // namespace

// ---- hit tests ----------------------------------------------------------------------

bool TCurvePLotter::IsNear(TXYSearch& search)
{
    const TPolyLineStore* store = LineStore();
    if (!store)
        return false;
    for (const TStoredPiece* piece : *store) {
        const auto* line = dynamic_cast<const TLineStore*>(piece);
        if (!line)
            continue;
        const std::span<const QPoint> points = line->Points();
        for (const QPoint& p : points)
            if (std::abs(p.x() - search.SearchPixel.x()) <= HitTolerance &&
                std::abs(p.y() - search.SearchPixel.y()) <= HitTolerance)
                return true;
        // A drawn polyline is hit along its segments too: a shape's side
        // between two corners far apart is as much the shape as its corners.
        const bool joined = line->DrawsLine() && !dynamic_cast<const TCrossStore*>(line);
        for (std::size_t i = 1; joined && i < points.size(); ++i)
            if (NearSegment(points[i - 1], points[i], search.SearchPixel))
                return true;
    }
    return false;
}

bool TCurvePLotter::IsNearPoint(QPoint pixel, const TGraphParams& params)
{
    TXYSearch search(params, pixel);
    InitContext(search);
    for (int part = 1; part <= search.PartCount; ++part) {
        SelectPart(search, part);
        if (IsNear(search)) {
            ResetStatus();
            return true;
        }
    }
    ResetStatus();
    return false;
}

int TCurvePLotter::NearestSample(TXYSearch& search)
{
    InitContext(search);
    const int n = search.SampleCount;
    const Extended tolX = search.ClipXMin;
    const Extended tolY = search.ClipYMin;
    TRealPoint previous;
    bool previousDefined = false;
    for (int i = 1; i <= n; ++i) {
        search.Parameter = static_cast<Extended>(i) / n;
        ResetStatus();
        CalculatePoint(search);
        const bool defined = Defined();
        const TRealPoint current{search.X, search.Y};
        bool match = false;
        if (i == 1 || !search.JoinPoints) {
            match = defined && std::fabs(current.x - search.SearchX) < tolX &&
                    std::fabs(current.y - search.SearchY) < tolY;
        } else if (defined && previousDefined) {
            const Extended dx = current.x - previous.x;
            const Extended dy = current.y - previous.y;
            const Extended length = std::hypot(dx, dy);
            const bool inBox = search.SearchX >= std::min(previous.x, current.x) - tolX &&
                               search.SearchX <= std::max(previous.x, current.x) + tolX &&
                               search.SearchY >= std::min(previous.y, current.y) - tolY &&
                               search.SearchY <= std::max(previous.y, current.y) + tolY;
            // A zero-length segment has no line through it and never matches.
            if (inBox && length > 0 && std::isfinite(length)) {
                const Extended distance =
                    std::fabs(dx * (search.SearchY - previous.y) - dy * (search.SearchX - previous.x)) /
                    length;
                match = distance < tolX;
            }
        }
        if (match) {
            ResetStatus();
            if (i > 1 && previousDefined &&
                std::hypot(previous.x - search.SearchX, previous.y - search.SearchY) <
                    std::hypot(current.x - search.SearchX, current.y - search.SearchY))
                return i - 1;
            return i;
        }
        previous = current;
        previousDefined = defined;
    }
    ResetStatus();
    return -1;
}

TRealPoint TCurvePLotter::PointAtParameter(Extended v, const TGraphParams* params)
{
    std::unique_ptr<TXYSearch> search =
        params ? std::make_unique<TXYSearch>(*params, QPoint()) : std::make_unique<TXYSearch>();
    search->ExactParameter = true;
    InitContext(*search);
    SetParameterValue(*search, v);
    ResetStatus();
    CalculatePoint(*search);
    return {search->X, search->Y};
}

std::string TCurvePLotter::PointText(const TAxes& axes, QPoint pixel)
{
    const TRealPoint point = axes.PixelToRoundedValue(pixel);
    const Extended v = ParameterAt(point.y, point.x);
    return FormatNumber(Configuration.MouseFigures, false, v);
}

// ---- comparison ---------------------------------------------------------------------------

bool TCurvePLotter::CompareWith(const TEquationObject& other, const TGraphParams& params) const
{
    const auto* curve = dynamic_cast<const TCurvePLotter*>(&other);
    if (!curve)
        return false;
    // Comparing samples evaluates both curves, which changes nothing but the
    // discontinuity memory of their own trees.
    return const_cast<TCurvePLotter*>(this)->CompareCurve(const_cast<TCurvePLotter&>(*curve), params) == 0;
}

int TCurvePLotter::CompareCurve(TCurvePLotter& other, const TGraphParams& params)
{
    if (&other == this)
        return 0;
    if (LineStore() && other.LineStore()) {
        TXY window(params);
        return StoresMatch(*LineStore(), *other.LineStore(), window.WindowWidth, window.WindowHeight) ? 0 : 2;
    }
    if (typeid(*this) != typeid(other))
        return 1;
    TXY mine(params);
    TXY theirs(params);
    InitContext(mine);
    other.InitContext(theirs);
    const int last = std::min(mine.SampleCount, 50);
    int result = 0;
    for (int k = 0; k <= last && result == 0; ++k) {
        mine.Parameter = theirs.Parameter = static_cast<Extended>(k) / 50;
        ResetStatus();
        CalculatePoint(mine);
        const bool mineDefined = Defined();
        ResetStatus();
        other.CalculatePoint(theirs);
        const bool theirsDefined = Defined();
        if (mineDefined != theirsDefined)
            result = 2;
        else if (mineDefined && (!NearlyEqual(mine.X, theirs.X) || !NearlyEqual(mine.Y, theirs.Y)))
            result = 2;
    }
    ResetStatus();
    return result;
}

// ---- ranges ------------------------------------------------------------------------------------

void TCurvePLotter::SuggestRanges(TAxisRanges& bounds)
{
    if (!HasProperty(0x200))
        return;
    TXY context;
    context.Axes->SetRanges(bounds);
    context.SampleCount = context.CurrentCount = 50;
    InitContext(context);
    int n = 0;
    Extended sumX = 0, sumXX = 0, sumY = 0, sumYY = 0;
    for (int i = 0; i <= 50; ++i) {
        context.Parameter = static_cast<Extended>(i) / 50;
        ResetStatus();
        CalculatePoint(context);
        if (EvaluationStatus > esNormal || !std::isfinite(context.X) || !std::isfinite(context.Y))
            continue;
        ++n;
        sumX += context.X;
        sumXX += context.X * context.X;
        sumY += context.Y;
        sumYY += context.Y * context.Y;
    }
    ResetStatus();
    if (n == 0)
        return;
    auto spread = [n](Extended sum, Extended sumSquares, Extended& low, Extended& high) {
        const Extended mean = sum / n;
        Extended s = std::sqrt(std::fabs(sumSquares / n - mean * mean));
        if (s == 0)
            s = 1;
        low = mean - 1.75L * s;
        high = mean + 1.75L * s;
    };
    const char letter = VariableLetter(0);
    if (letter != 'y')
        spread(sumX, sumXX, bounds.XMin, bounds.XMax);
    if (letter != 'x')
        spread(sumY, sumYY, bounds.YMin, bounds.YMax);
}

// ---- crossings ------------------------------------------------------------------------------------

Extended TCurvePLotter::SignedDistance(const TRealPoint&, int)
{
    SetStatus(esUndefined);
    return 0;
}

void TCurvePLotter::FindCrossings(TCurvePLotter& other, const TGraphParams& params,
                                  std::vector<TRealPoint>& rounded, std::vector<TRealPoint>& exact)
{
    TXY mine(params);
    TXY theirs(params);
    InitContext(mine);
    other.InitContext(theirs);
    const int n = mine.SampleCount;
    for (int part = 1; part <= mine.PartCount; ++part) {
        SelectPart(mine, part);
        for (int otherPart = 1; otherPart <= theirs.PartCount; ++otherPart) {
            other.SelectPart(theirs, otherPart);
            TCrossingScan scan(*this, other, mine, otherPart, rounded, exact);
            scan.Scan(mine.StartIndex, n, n);
        }
    }
    ResetStatus();
}

void FindCrossingsAlong(const std::vector<std::vector<TRealPoint>>& runs, TCurvePLotter& other,
                        const TGraphParams& params, std::vector<TRealPoint>& rounded,
                        std::vector<TRealPoint>& exact)
{
    TXY theirs(params);
    other.InitContext(theirs);
    const TAxes& axes = *theirs.Axes;
    const Extended tolerance = std::min(axes.XAxis->DivisionCount(), axes.YAxis->DivisionCount()) / 1000000;
    const bool alongX = other.VariableLetter(0) == 'x';
    const Extended jumpLimit = alongX ? axes.XAxis->Max - axes.XAxis->Min : axes.YAxis->Max - axes.YAxis->Min;
    for (int part = 1; part <= theirs.PartCount; ++part) {
        other.SelectPart(theirs, part);
        for (const auto& run : runs) {
            Extended d[3] = {0, 0, 0};
            bool defined[3] = {false, false, false};
            for (std::size_t i = 0; i < run.size(); ++i) {
                d[0] = d[1];
                d[1] = d[2];
                defined[0] = defined[1];
                defined[1] = defined[2];
                ResetStatus();
                const Extended distance = other.SignedDistance(run[i], part);
                defined[2] = EvaluationStatus <= esClamped && std::isfinite(distance);
                d[2] = defined[2] ? distance : 0;
                if (!defined[2] || i == 0 || !defined[1]) {
                    if (defined[2] && distance == 0)
                        RecordCrossing(axes, run[i], rounded, exact);
                    continue;
                }
                if (distance == 0) {
                    RecordCrossing(axes, run[i], rounded, exact);
                } else if (Sign(d[2]) != Sign(d[1]) && d[1] != 0) {
                    if (std::fabs(d[1]) < jumpLimit && std::fabs(d[2]) < jumpLimit) {
                        const Extended t = d[1] / (d[1] - d[2]);
                        const TRealPoint& a = run[i - 1];
                        const TRealPoint& b = run[i];
                        RecordCrossing(axes, {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}, rounded, exact);
                    }
                } else if (i >= 2 && defined[0] && d[1] != 0 && d[0] / d[1] > 1.5L && d[1] / d[2] > 0 &&
                           d[0] / d[1] > d[1] / d[2] && std::fabs(d[1]) < tolerance) {
                    // |D| shrank fast to within the tolerance and grows again: a touch.
                    RecordCrossing(axes, run[i - 1], rounded, exact);
                }
            }
        }
    }
    ResetStatus();
}
