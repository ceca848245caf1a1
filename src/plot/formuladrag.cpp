// The explicit curves' side of mouse dragging: which drag a press starts,
// the handles and where they go (the characteristic points of the curve and
// the generic three points), the drag matrices while the whole curve moves,
// the commit, the transform handles, and the change between y = f(x) and
// x = f(y) when a dragged line turns upright. What the equation becomes is
// the drag description's business; the curve only calls it.
#include "formula/markup.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "numbers/evalstate.h"
#include "plot/formulacurve.h"
#include "plot/replacedlines.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

bool IsTransformHandle(const TDragCustom& handle)
{
    return dynamic_cast<const TCentrePoint*>(&handle) || dynamic_cast<const TStretchPoint*>(&handle) ||
           dynamic_cast<const TRotatePoint*>(&handle) || dynamic_cast<const TTranslatePoint*>(&handle);
}

bool Defined()
{
    return EvaluationStatus <= esNormal;
}

// Values this small are taken as 0, so that sin(pi) counts as a crossing.
Extended Tidied(Extended v)
{
    return std::fabs(v) < 1e-10L ? 0 : v;
}

} // namespace

const TGraphParams* TYofX::DragParams() const
{
    return PlotHost ? PlotHost->GraphParams() : nullptr;
}

void TYofX::Classify()
{
    if (!DragInfo && DescriptionMaker)
        DragInfo = DescriptionMaker(*this, false);
}

void TYofX::RewriteFormula()
{
    if (DragInfo)
        DragInfo->WriteFormula();
    SetLayoutOutOfDate(true);
    SetChanged(true);
}

std::optional<TDragPress> TYofX::DragControlAt(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    // The drag that changed a line's kind has long ended.
    FreeReplacedLines();
    if (!GateOpen()) {
        // A curve placed by clicks takes every press as its next point, and
        // the press goes on to drag that point until the button is released.
        const TGraphParams* params = DragParams();
        if (!params || !params->Axes || !DragInfo)
            return std::nullopt;
        if (!DragPoints)
            DragPoints = std::make_unique<TDragPointList>();
        const TRealPoint p = params->Axes->PixelToRoundedValue(pixel);
        auto handle = std::make_unique<TDragPoint>(this, p.x, p.y, -1, true);
        handle->CtrlMovable = true;
        TDragPress press;
        press.Kind = TDragMouseKind::DragPoint;
        press.Handle = handle.get();
        DragPoints->Add(std::move(handle));
        DragInfo->PointAdded();
        if (GateOpen()) {
            DiscardLineStore();
            SetLayoutOutOfDate(true);
            SetChanged(true);
            SetResultsChanged(true);
        }
        return press;
    }
    std::optional<TDragPress> press = TCurvePLotter::DragControlAt(pixel, modifiers);
    if (!press && Relation == rlEqual && DraggingAllowed())
        press = TDragPress{};
    if (press) {
        Classify();
        if (DragInfo)
            DragInfo->DragStarted();
    }
    return press;
}

int TYofX::DragCursorAt(int currentCursor, QPoint pixel)
{
    if (const TGraphParams* params = DragParams(); params && DragPoints)
        if (const int cursor = DragPoints->CursorAt(pixel, *params, false))
            return cursor;
    if (Relation != rlEqual || !DraggingAllowed())
        return currentCursor;
    return GateOpen() ? crDragMove : crPickAPoint;
}

TAxisMaps TYofX::AxisMaps() const
{
    return {Matrices.T[0], Matrices.M[0][0], Matrices.T[1], Matrices.M[1][1]};
}

void TYofX::DragPointMoved(TDragCustom*)
{
    if (GateOpen() && DragInfo)
        DragInfo->DragPointsMoved();
}

bool TYofX::MayMoveDragPoint(TDragPoint*, Extended& x, Extended& y)
{
    // The handle goes to the curve's point at the same independent value
    // (as drawn), so a handle moved alone slides along the curve; where the
    // curve is not defined it stays.
    const bool swapped = Swapped();
    const TRealPoint base = Matrices.ApplyInverse({x, y});
    ResetStatus();
    const Extended v = swapped ? base.y : base.x;
    const Extended f = ValueAt(v);
    const bool defined = Defined() && std::isfinite(f);
    ResetStatus();
    if (!defined)
        return false;
    const TRealPoint on = Matrices.Apply(swapped ? TRealPoint{f, v} : TRealPoint{v, f});
    x = on.x;
    y = on.y;
    return true;
}

void TYofX::ApplyDragMatrices(TDragPoint*, const TDragMatrices& matrices)
{
    SetMatrices(matrices);
    if (DragPoints)
        DragPoints->ApplyDragMatrices(matrices);
    RewriteFormula();
}

void TYofX::FinishDrag(TDragPoint*)
{
    DiscardLineStore();
    SetResultsChanged(true);
    if (DragInfo)
        DragInfo->CommitParameters(); // may put another curve in this one's place
}

void TYofX::RebaseHandles()
{
    if (!DragPoints)
        return;
    for (int i = 0; i < DragPoints->Count(); ++i) {
        TDragCustom* handle = (*DragPoints)[i];
        const std::uint8_t saved = EvaluationStatus;
        handle->BasePosition = Matrices.ApplyInverse({handle->AnchorX, handle->AnchorY});
        EvaluationStatus = saved;
    }
}

void TYofX::BuildDragPoints(Canvas&, TGraphParams&)
{
    if (Relation != rlEqual || IsLocked() || DragPoints)
        return;
    DragPoints = std::make_unique<TDragPointList>();
    Classify();
    if (!DragInfo || !GateOpen() || DragInfo->CreateDragPoints())
        return;
    TRealPoint points[3];
    if (FindThreePoints(points))
        DragInfo->CreateDragPointsAt(points);
}

void TYofX::DropDragPoints(Canvas&, bool)
{
    DragPoints.reset();
}

std::vector<TSearchForDragPoint> TYofX::FindCharacteristicPoints(int n)
{
    std::vector<TSearchForDragPoint> found;
    const TGraphParams* params = DragParams();
    if (!params || !params->Axes)
        return found;
    const bool swapped = Swapped();
    const TAxis& independent = swapped ? *params->Axes->YAxis : *params->Axes->XAxis;
    const TAxis& dependent = swapped ? *params->Axes->XAxis : *params->Axes->YAxis;
    const Extended step = independent.Step / 20;
    if (!(step > 0) || !std::isfinite(step))
        return found;
    const Extended flat = dependent.Step / 50;
    const std::uint8_t savedStatus = EvaluationStatus;

    // The value at v (drawn through the matrices); false where undefined or
    // outside the window.
    auto sample = [&](Extended v, TRealPoint& point, Extended& value) {
        ResetStatus();
        const Extended f = ValueAt(v);
        if (!Defined() || !std::isfinite(f))
            return false;
        point = Matrices.Apply(swapped ? TRealPoint{f, v} : TRealPoint{v, f});
        point = {Tidied(point.x), Tidied(point.y)};
        value = swapped ? point.x : point.y;
        const TAxisRanges r = params->Axes->GetRanges();
        return point.x >= r.XMin && point.x <= r.XMax && point.y >= r.YMin && point.y <= r.YMax;
    };
    auto add = [&](std::uint8_t kind, const TRealPoint& p, Extended key) { found.push_back({kind, p, key}); };
    // Scans [from, to] again at a twentieth of the step, up to three levels
    // deep, and records the sample where test(previous, value) first holds.
    std::function<void(Extended, Extended, int, std::uint8_t)> refine;
    auto changedSign = [](Extended a, Extended b) { return (a < 0) != (b < 0); };
    refine = [&](Extended from, Extended to, int level, std::uint8_t kind) {
        const Extended fine = (to - from) / 20;
        Extended previous = 0, before = 0;
        bool havePrevious = false, haveBefore = false;
        for (int i = 0; i <= 20; ++i) {
            const Extended v = from + fine * i;
            TRealPoint p;
            Extended value = 0;
            if (!sample(v, p, value)) {
                havePrevious = haveBefore = false;
                continue;
            }
            const bool hit =
                kind == 3 ? havePrevious && (std::fabs(value) < flat / 20 || changedSign(previous, value))
                          : haveBefore && havePrevious &&
                                ((previous - before) * (value - previous) < 0 || value == previous);
            if (hit) {
                if (level >= 3) {
                    add(kind, p, kind == 2 ? v - fine : v);
                } else {
                    refine(kind == 2 ? v - 2 * fine : v - fine, v, level + 1, kind);
                }
                return;
            }
            before = previous;
            haveBefore = havePrevious;
            previous = value;
            havePrevious = true;
        }
    };

    Extended previous = 0, before = 0;
    bool havePrevious = false, haveBefore = false;
    const Extended start = independent.SnapToMinor(independent.Min);
    const long count = std::min<long>(100000, static_cast<long>((independent.Max - start) / step) + 1);
    for (long i = 0; i <= count; ++i) {
        const Extended v = start + step * static_cast<Extended>(i);
        TRealPoint p;
        Extended value = 0;
        if (!sample(v, p, value)) {
            havePrevious = haveBefore = false;
            continue;
        }
        if (std::fabs(value) < flat)
            add(3, p, v);
        else if (havePrevious && changedSign(previous, value))
            refine(v - step, v, 1, 3);
        else if (haveBefore && (previous - before) * (value - previous) < 0)
            refine(v - 2 * step, v, 1, 2);
        else if (independent.IsOnMinorTick(v))
            add(1, p, v);
        add(0, p, v);
        before = previous;
        haveBefore = havePrevious;
        previous = value;
        havePrevious = true;
    }
    EvaluationStatus = savedStatus;

    std::stable_sort(found.begin(), found.end(),
                     [](const TSearchForDragPoint& a, const TSearchForDragPoint& b) {
                         if (a.PointKind != b.PointKind)
                             return a.PointKind > b.PointKind;
                         return (a.Key + 1e-10L >= 0) && !(b.Key + 1e-10L >= 0);
                     });
    const Extended apart = independent.MinorStep() / 5;
    const std::size_t keep = n > 0 ? static_cast<std::size_t>(n) : found.size();
    for (std::size_t i = 0; i < found.size() && i < keep; ++i) {
        const Extended key = swapped ? found[i].Point.y : found[i].Point.x;
        found.erase(std::remove_if(found.begin() + static_cast<std::ptrdiff_t>(i) + 1, found.end(),
                                   [&](const TSearchForDragPoint& c) {
                                       return std::fabs((swapped ? c.Point.y : c.Point.x) - key) < apart;
                                   }),
                    found.end());
    }
    if (found.size() > keep)
        found.resize(keep);
    return found;
}

bool TYofX::FindThreePoints(TRealPoint (&points)[3])
{
    const TGraphParams* params = DragParams();
    if (!params || !params->Axes)
        return false;
    const TAxis& x = *params->Axes->XAxis;
    const TAxis& y = *params->Axes->YAxis;
    const bool swapped = Swapped();
    const TAxis& independent = swapped ? y : x;
    const Extended step = independent.Step / 10;
    if (!(step > 0) || !std::isfinite(step))
        return false;
    const std::uint8_t savedStatus = EvaluationStatus;
    const TAxisRanges r = params->Axes->GetRanges();
    auto sample = [&](Extended v, TRealPoint& point) {
        ResetStatus();
        const Extended f = ValueAt(v);
        if (!Defined() || !std::isfinite(f))
            return false;
        point = Matrices.Apply(swapped ? TRealPoint{f, v} : TRealPoint{v, f});
        return point.x >= r.XMin && point.x <= r.XMax && point.y >= r.YMin && point.y <= r.YMax;
    };
    // The first point; then one whose y differs by a fifth of a minor step;
    // then one whose x differs by as much from the first.
    int have = 0;
    const Extended middle = (independent.Min + independent.Max) / 2;
    for (int pass = 0; pass < 2 && have < 3; ++pass) {
        const Extended direction = pass == 0 ? 1 : -1;
        for (Extended v = middle; v >= independent.Min && v <= independent.Max && have < 3;
             v += direction * step) {
            TRealPoint p;
            if (!sample(v, p))
                continue;
            if (have == 0) {
                points[have++] = p;
            } else if (have == 1 && std::fabs(p.y - points[0].y) >= y.MinorStep() / 5) {
                points[have++] = p;
            } else if (have == 2 && std::fabs(p.x - points[0].x) >= x.MinorStep() / 5 &&
                       std::fabs(p.y - points[1].y) + std::fabs(p.x - points[1].x) > 0) {
                points[have++] = p;
            }
        }
    }
    EvaluationStatus = savedStatus;
    return have == 3;
}

void TYofX::HandleBox(TRealPoint& fixed, TRealPoint& far) const
{
    auto* self = const_cast<TYofX*>(this);
    const std::vector<TSearchForDragPoint> candidates = self->FindCharacteristicPoints(0);
    const TGraphParams* params = DragParams();
    if (candidates.empty() || !params || !params->Axes) {
        // No point of the curve is in sight: there is no box.
        fixed = far = {NAN, NAN};
        return;
    }
    const TAxis& x = *params->Axes->XAxis;
    const TAxis& y = *params->Axes->YAxis;
    fixed = candidates.front().Point;
    far = {fixed.x + x.Step, fixed.y + y.Step};
    for (const TSearchForDragPoint& c : candidates)
        if (std::fabs(c.Point.x - fixed.x) >= x.MinorStep() / 5 &&
            std::fabs(c.Point.y - fixed.y) >= y.MinorStep() / 5) {
            far = c.Point;
            break;
        }
}

void TYofX::StartTransformDrag(int mode)
{
    if (mode >= 12 && mode <= 14) {
        Classify();
        if (DragInfo && DragInfo->SetForm(mode - 12))
            RewriteFormula();
        return;
    }
    if (mode < 6 || mode > 9 || Relation != rlEqual)
        return;
    Classify();
    // A turned curve is no longer a function of the same variable: only a
    // straight line can be turned and written again.
    if (mode == 6 && !(DragInfo && DragInfo->MayRotate()))
        return;
    if (mode == 7 && DragInfo && !DragInfo->KeepsShapeWhenStretched() && DescriptionMaker) {
        DragInfo = DescriptionMaker(*this, true);
        DragPoints.reset();
    }
    if (!DragPoints) {
        DragPoints = std::make_unique<TDragPointList>();
        if (DragInfo && GateOpen() && !DragInfo->CreateDragPoints()) {
            TRealPoint points[3];
            if (FindThreePoints(points))
                DragInfo->CreateDragPointsAt(points);
        }
    }
    // The transform handles already there go; plain handles stay.
    auto kept = std::make_unique<TDragPointList>();
    std::vector<TRealPoint> plain;
    for (int i = 0; i < DragPoints->Count(); ++i)
        if (!IsTransformHandle(*(*DragPoints)[i]))
            plain.push_back({(*DragPoints)[i]->AnchorX, (*DragPoints)[i]->AnchorY});
    TRealPoint fixed, far;
    HandleBox(fixed, far);
    DragPoints = std::move(kept);
    for (const TRealPoint& p : plain)
        DragPoints->Add(std::make_unique<TDragPoint>(this, p.x, p.y, -1, true));
    if (!std::isfinite(fixed.x) || !std::isfinite(fixed.y) || !std::isfinite(far.x) || !std::isfinite(far.y))
        return;
    switch (mode) {
    case 6:
        DragPoints->Add(std::make_unique<TCentrePoint>(this, fixed.x, fixed.y, true));
        DragPoints->Add(std::make_unique<TRotatePoint>(this, far.x, far.y, true));
        break;
    case 7:
        DragPoints->Add(std::make_unique<TCentrePoint>(this, fixed.x, fixed.y, true));
        DragPoints->Add(std::make_unique<TStretchPointVert>(this, fixed.x, far.y, true));
        DragPoints->Add(std::make_unique<TStretchPointHorz>(this, far.x, fixed.y, true));
        DragPoints->Add(std::make_unique<TStretchPoint>(this, far.x, far.y, true));
        break;
    case 8:
        DragPoints->Add(std::make_unique<TCentrePoint>(this, fixed.x, fixed.y, true));
        DragPoints->Add(std::make_unique<TEnlargePoint>(this, far.x, far.y, true));
        break;
    default:
        DragPoints->Add(std::make_unique<TTranslatePoint>(this, fixed.x, fixed.y, true));
        break;
    }
    // The centre and the translation handle may be moved alone with Ctrl.
    for (int i = 0; i < DragPoints->Count(); ++i)
        if (dynamic_cast<TCentrePoint*>((*DragPoints)[i]) || dynamic_cast<TTranslatePoint*>((*DragPoints)[i]))
            (*DragPoints)[i]->CtrlMovable = true;
}

TYofX* TYofX::ChangeKind()
{
    // Outside a list nothing can take this curve's place.
    if (!PlotHost || PlotHost->LineIndexOf(this) < 0)
        return this;
    std::unique_ptr<TYofX> other;
    if (Swapped())
        other = std::make_unique<TYofX>(std::move(Formula), Relation);
    else
        other = std::make_unique<TXofY>(std::move(Formula), Relation);
    other->TakeOver(*this);
    other->DragInfo = std::move(DragInfo);
    if (other->DragInfo)
        other->DragInfo->SetCurve(*other);
    other->DragPoints = std::move(DragPoints);
    if (other->DragPoints)
        for (int i = 0; i < other->DragPoints->Count(); ++i)
            (*other->DragPoints)[i]->Owner = other.get();
    TYofX* replacement = other.get();
    // The drag that changed the line's kind holds the old curve until its commit has returned.
    KeepReplacedLine(ReplaceBy(std::move(other)));
    return replacement;
}
