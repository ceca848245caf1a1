#include "mouse/mousedrag.h"

#include "graph/axes.h"
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "graph/graphsurface.h"
#include "numbers/evalstate.h"
#include "platform/mainwindowbase.h"
#include "plot/curveplotter.h"

#include <cmath>

namespace {

constexpr Extended QuarterPi = Pi / 4;

Extended Direction(const TRealPoint& v)
{
    return std::atan2(v.y, v.x);
}

TRealPoint Minus(const TRealPoint& a, const TRealPoint& b)
{
    return {a.x - b.x, a.y - b.y};
}

bool AtPoint(const TRealPoint& a, const TRealPoint& b)
{
    return std::fabs(a.x - b.x) < 1e-8L && std::fabs(a.y - b.y) < 1e-8L;
}

} // namespace

Extended StretchFactor(Extended d0, Extended d, Extended axisRange)
{
    if (std::fabs(d) < 1e-10L)
        return 1e-10L;
    // A press on (or next to) the fixed point cannot tell a factor.
    if (std::fabs(d0) < std::fabs(axisRange) / 100)
        return 1;
    // The factor itself is rounded: rounding its reciprocal made a drag to
    // three times the distance a factor of 1 / 0.33 = 3.03.
    return RoundDisplayFigures(d / d0);
}

Extended TurnBetween(const TRealPoint& a, const TRealPoint& b)
{
    Extended turn = Direction(b) - Direction(a);
    while (turn <= -Pi)
        turn += 2 * Pi;
    while (turn > Pi)
        turn -= 2 * Pi;
    return turn;
}

TRealPoint SnapDirection(const TRealPoint& start, const TRealPoint& p)
{
    const TRealPoint v = Minus(p, start);
    const Extended distance = std::hypot(v.x, v.y);
    if (distance == 0)
        return p;
    const Extended angle = std::round(Direction(v) / QuarterPi) * QuarterPi;
    return {start.x + distance * std::cos(angle), start.y + distance * std::sin(angle)};
}

// ---- the whole curve ----------------------------------------------------------------------------

TMouseDragCurve::TMouseDragCurve(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel,
                                 TDragCustom* handle)
    : TMouseControl(surface), Curve(curve), Handle(handle)
{
    StartPoint = LastPoint = RoundedPoint(pixel);
    if (Curve)
        if (const TDragMatrices* matrices = Curve->DragMatricesOf(PointHandle()))
            StartMatrices = *matrices;
    Surface.CaptureMouse(true);
}

TMouseDragCurve::~TMouseDragCurve() = default;

const TAxes& TMouseDragCurve::Axes() const
{
    return *Surface.Params().Axes;
}

TDragPoint* TMouseDragCurve::PointHandle() const
{
    return dynamic_cast<TDragPoint*>(Handle);
}

TRealPoint TMouseDragCurve::RoundedPoint(QPoint pixel) const
{
    return Axes().PixelToRoundedValue(pixel);
}

void TMouseDragCurve::LineLeaving(const void* line)
{
    if (!Curve || static_cast<const void*>(static_cast<const TEquationObject*>(Curve)) != line)
        return;
    Curve = nullptr;
    Handle = nullptr;
    Committed = true;
}

void TMouseDragCurve::MouseMove(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    if (!Curve)
        return; // the line left while it was dragged
    Surface.SetToolCursor(DragCursorSlot(CursorNumber()));
    TRealPoint p = RoundedPoint(pixel);
    if ((modifiers & Qt::ShiftModifier) && ShiftSnaps())
        p = SnapDirection(StartPoint, p);
    if (p.x == LastPoint.x && p.y == LastPoint.y)
        return;
    if (DragTo(modifiers, p))
        ShowChange();
    LastPoint = p;
}

bool TMouseDragCurve::MouseRelease(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    MouseMove(pixel, modifiers);
    return false;
}

void TMouseDragCurve::ShowChange()
{
    Surface.UpdateArea(QRect(QPoint(0, 0), Surface.ClientSize()));
    if (MainWindow)
        MainWindow->LineRewritten(); // the line's text follows the drag
}

void TMouseDragCurve::ApplyStep(const TDragMatrices& step)
{
    TDragMatrices matrices = step;
    matrices.Compose(StartMatrices);
    if (Curve)
        Curve->ApplyDragMatrices(PointHandle(), matrices);
}

void TMouseDragCurve::SetStatus(std::string text)
{
    status_ = std::move(text);
    ShowStatus(status_, false, true);
}

bool TMouseDragCurve::DragTo(Qt::KeyboardModifiers, TRealPoint& p)
{
    const Extended dx = Axes().XAxis->RoundToDisplay(p.x - StartPoint.x);
    const Extended dy = Axes().YAxis->RoundToDisplay(p.y - StartPoint.y);
    TDragMatrices step;
    step.SetTranslation(dx, dy);
    ApplyStep(step);
    SetStatus("Drag curve by [" + DisplayText(dx) + "," + DisplayText(dy) + "]");
    return true;
}

void TMouseDragCurve::FinishAction()
{
    Surface.CaptureMouse(false);
    Surface.SetToolCursor(TCursorSlot::Default);
    if (Committed || !Curve)
        return;
    Committed = true;
    Curve->FinishDrag(PointHandle());
    Surface.UpdateArea(QRect(QPoint(0, 0), Surface.ClientSize()));
    if (MainWindow)
        MainWindow->LineDragged();
}

// ---- stretch, enlarge, rotate -------------------------------------------------------------------

TMouseStretchCurve::TMouseStretchCurve(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel,
                                       TDragCustom* handle, TDirections directions)
    : TMouseDragCurve(surface, curve, pixel, handle), directions_(directions)
{
    const TDragPointList* handles = curve ? curve->DragPointList() : nullptr;
    FixedPoint = handles ? handles->CentrePosition() : TRealPoint{0, 0};
}

bool TMouseStretchCurve::DragTo(Qt::KeyboardModifiers, TRealPoint& p)
{
    const TAxes& axes = Axes();
    Extended fx = 1, fy = 1;
    bool changed = false;
    std::string text;
    if (directions_ != TDirections::UpOnly) {
        fx =
            StretchFactor(StartPoint.x - FixedPoint.x, p.x - FixedPoint.x, axes.XAxis->Max - axes.XAxis->Min);
        text = "Stretch curve from x=" + AxisValueText(axes, 'x', FixedPoint.x) + ", factor " +
               AxisValueText(axes, 'y', fx);
        changed = p.x != LastPoint.x;
    } else {
        p.x = LastPoint.x;
    }
    if (directions_ != TDirections::AcrossOnly) {
        fy =
            StretchFactor(StartPoint.y - FixedPoint.y, p.y - FixedPoint.y, axes.YAxis->Max - axes.YAxis->Min);
        const std::string up =
            "y=" + AxisValueText(axes, 'y', FixedPoint.y) + ", factor " + AxisValueText(axes, 'x', fy);
        text = text.empty() ? "Stretch curve from " + up : text + " and " + up;
        changed = changed || p.y != LastPoint.y;
    } else {
        p.y = LastPoint.y;
    }
    if (directions_ == TDirections::Equal) {
        fx = fy = std::max(fx, fy);
        changed = p.x != LastPoint.x || p.y != LastPoint.y;
    }
    if (changed) {
        TDragMatrices step;
        step.SetScale(fx, fy, FixedPoint.x, FixedPoint.y);
        ApplyStep(step);
        SetStatus(text + ".");
    }
    return changed;
}

TMouseRotateCurve::TMouseRotateCurve(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel,
                                     TDragCustom* handle)
    : TMouseStretchCurve(surface, curve, pixel, handle)
{
}

bool TMouseRotateCurve::DragTo(Qt::KeyboardModifiers modifiers, TRealPoint& p)
{
    Extended turn = RoundDisplay(TurnBetween(Minus(StartPoint, FixedPoint), Minus(p, FixedPoint)));
    if (modifiers & Qt::ShiftModifier)
        turn = std::round(turn / QuarterPi) * QuarterPi;
    TDragMatrices step;
    step.SetRotation(turn, FixedPoint.x, FixedPoint.y);
    ApplyStep(step);
    const TAxes& axes = Axes();
    SetStatus("Rotate curve by " + DisplayText(turn / AngleFactor) +
              (AngleFactor != 1 ? "\u00B0" : " radians") + ", centre (" +
              AxisValueText(axes, 'x', FixedPoint.x) + "," + AxisValueText(axes, 'y', FixedPoint.y) + ")");
    return true;
}

// ---- handles ------------------------------------------------------------------------------------

bool TMouseDragPoint::MoveHandle(const TRealPoint& p)
{
    if (!Handle)
        return false;
    const TRealPoint now{Handle->AnchorX, Handle->AnchorY};
    if (AtPoint(now, p))
        return false;
    Handle->BasePosition.x += p.x - now.x;
    Handle->BasePosition.y += p.y - now.y;
    Handle->MoveTo(p.x, p.y);
    return true;
}

bool TMouseDragPoint::DragTo(Qt::KeyboardModifiers, TRealPoint& p)
{
    if (!MoveHandle(p))
        return false;
    if (Curve)
        Curve->DragPointMoved(Handle);
    return true;
}

TMouseDragOnPrimary::TMouseDragOnPrimary(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel,
                                         TDragCustom* handle, bool onAxis)
    : TMouseDragPoint(surface, curve, pixel, handle), onAxis_(onAxis)
{
}

bool TMouseDragOnPrimary::ProjectPoint(TRealPoint& p) const
{
    if (onAxis_) {
        p.y = 0;
        return true;
    }
    auto* parent = Curve ? dynamic_cast<TCurvePLotter*>(Curve->GetParent()) : nullptr;
    if (!parent)
        return false;
    const TRealPoint on = parent->PointAtParameter(parent->ParameterAt(p.y, p.x));
    // Where the parent is not defined (the point comes back as (x, 0) with
    // a status) the handle stays where it was.
    if (EvaluationStatus != esNormal || !std::isfinite(on.x) || !std::isfinite(on.y)) {
        ResetStatus();
        return false;
    }
    p = on;
    return true;
}

void TMouseDragOnPrimary::MouseMove(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    if (!Curve)
        return;
    Surface.SetToolCursor(DragCursorSlot(CursorNumber()));
    TRealPoint p = RoundedPoint(pixel);
    if (!ProjectPoint(p))
        return;
    if (p.x == LastPoint.x && p.y == LastPoint.y)
        return;
    if (DragTo(modifiers, p))
        ShowChange();
    LastPoint = p;
}

TMouseDragDragPoint::TMouseDragDragPoint(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel,
                                         TDragCustom* handle, bool ctrlDown, bool centre)
    : TMouseDragPoint(surface, curve, pixel, handle), ctrlDown_(ctrlDown), centre_(centre)
{
}

bool TMouseDragDragPoint::DragTo(Qt::KeyboardModifiers, TRealPoint& p)
{
    if (!Handle || AtPoint({Handle->AnchorX, Handle->AnchorY}, p))
        return false;
    if (!centre_ && (!Curve || !Curve->MayMoveDragPoint(PointHandle(), p.x, p.y)))
        return false;
    return MoveHandle(p);
}

void TMouseDragDragPoint::FinishAction()
{
    TMouseDragPoint::FinishAction();
    Surface.SetToolCursor(TCursorSlot::Default);
}

// ---- a step of a transformation -----------------------------------------------------------------

TMouseDragStepValue::TMouseDragStepValue(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel,
                                         TKind kind, Extended start, TRealPoint centre, TRealPoint direction)
    : TMouseDragCurve(surface, curve, pixel), kind_(kind), start_(start), centre_(centre),
      direction_(direction), last_(start)
{
    const Extended length = std::hypot(direction_.x, direction_.y);
    if (length > 0)
        direction_ = {direction_.x / length, direction_.y / length};
}

Extended TMouseDragStepValue::ValueAt(TRealPoint p, bool shift) const
{
    // Less than a pixel from the centre or the invariant line the press
    // cannot tell a factor: the step keeps its own.
    const Extended pixel = std::min(std::fabs(Axes().XAxis->Max - Axes().XAxis->Min),
                                    std::fabs(Axes().YAxis->Max - Axes().YAxis->Min)) /
                           std::max(1, std::max(Surface.ClientSize().width(), Surface.ClientSize().height()));
    const TRealPoint normal{-direction_.y, direction_.x};
    auto along = [&](const TRealPoint& q, const TRealPoint& axis) {
        const TRealPoint v = Minus(q, centre_);
        return v.x * axis.x + v.y * axis.y;
    };
    switch (kind_) {
    case TKind::Rotation: {
        Extended angle = RoundDisplay(start_ + TurnBetween(Minus(StartPoint, centre_), Minus(p, centre_)));
        if (shift)
            angle = std::round(angle / QuarterPi) * QuarterPi;
        return angle;
    }
    case TKind::Enlargement: {
        const TRealPoint v = Minus(StartPoint, centre_);
        const Extended length = std::hypot(v.x, v.y);
        if (length < pixel)
            return start_;
        const TRealPoint line{v.x / length, v.y / length};
        return RoundDisplay(start_ * along(p, line) / along(StartPoint, line));
    }
    case TKind::Stretch: {
        const Extended h0 = along(StartPoint, normal);
        if (std::fabs(h0) < pixel)
            return start_;
        return RoundDisplay(start_ * along(p, normal) / h0);
    }
    case TKind::Shear: {
        const Extended h0 = along(StartPoint, normal);
        if (std::fabs(h0) < pixel)
            return start_;
        const TRealPoint moved = Minus(p, StartPoint);
        return RoundDisplay(start_ + (moved.x * direction_.x + moved.y * direction_.y) / h0);
    }
    }
    return start_;
}

bool TMouseDragStepValue::DragTo(Qt::KeyboardModifiers modifiers, TRealPoint& p)
{
    const Extended value = ValueAt(p, (modifiers & Qt::ShiftModifier) != 0);
    if (value == last_)
        return false;
    last_ = value;
    if (Curve)
        Curve->SetDragValue(value);
    return true;
}

std::unique_ptr<TMouseDragCurve> HandleTool(TGraphSurface& surface, TCurvePLotter* curve, TDragCustom* handle,
                                            QPoint pixel, bool ctrlOnly)
{
    if (!handle)
        return nullptr;
    TDragPress press;
    press.Handle = handle;
    press.Kind = ctrlOnly && handle->CtrlMovable ? TDragMouseKind::DragAlone : handle->MouseKind();
    return DragTool(surface, curve, press, pixel);
}

std::unique_ptr<TMouseDragCurve> PressDrag(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel,
                                           Qt::KeyboardModifiers modifiers, bool onLine, bool& taken)
{
    taken = false;
    if (!curve || !curve->DraggingAllowed())
        return nullptr;
    const TDragPointList* handles = curve->DragPointList();
    const bool onHandle = handles && handles->AnyHit(pixel, surface.Params());
    const bool waiting = curve->WaitsForClicks();
    if (!onLine && !onHandle && !waiting)
        return nullptr;
    const std::optional<TDragPress> press = curve->DragControlAt(pixel, modifiers);
    // The pressed curve may have handed the drag to the curve now in its place.
    std::unique_ptr<TMouseDragCurve> tool =
        press ? DragTool(surface, press->Replacement ? press->Replacement : curve, *press, pixel) : nullptr;
    taken = tool || waiting;
    return tool;
}

std::unique_ptr<TMouseDragCurve> DragTool(TGraphSurface& surface, TCurvePLotter* curve,
                                          const TDragPress& press, QPoint pixel)
{
    using K = TDragMouseKind;
    using D = TMouseStretchCurve::TDirections;
    using S = TMouseDragStepValue::TKind;
    TDragCustom* handle = press.Handle;
    const auto step = [&](S kind) {
        return std::make_unique<TMouseDragStepValue>(surface, curve, pixel, kind, press.Start, press.Centre,
                                                     press.Direction);
    };
    switch (press.Kind) {
    case K::DragCurve:
        return std::make_unique<TMouseDragCurve>(surface, curve, pixel, handle);
    case K::DragPoint:
        return std::make_unique<TMouseDragPoint>(surface, curve, pixel, handle);
    case K::OnPrimary:
    case K::OnAxis:
        return std::make_unique<TMouseDragOnPrimary>(surface, curve, pixel, handle, press.Kind == K::OnAxis);
    case K::CentrePoint:
        return std::make_unique<TMouseDragDragPoint>(surface, curve, pixel, handle, false, true);
    case K::DragAlone:
        return std::make_unique<TMouseDragDragPoint>(surface, curve, pixel, handle, true);
    case K::Rotate:
        return std::make_unique<TMouseRotateCurve>(surface, curve, pixel, handle);
    case K::Stretch:
        return std::make_unique<TMouseStretchCurve>(surface, curve, pixel, handle, D::Both);
    case K::StretchHorz:
        return std::make_unique<TMouseStretchCurve>(surface, curve, pixel, handle, D::AcrossOnly);
    case K::StretchVert:
        return std::make_unique<TMouseStretchCurve>(surface, curve, pixel, handle, D::UpOnly);
    case K::Enlarge:
        return std::make_unique<TMouseStretchCurve>(surface, curve, pixel, handle, D::Equal);
    case K::StepRotation:
        return step(S::Rotation);
    case K::StepEnlargement:
        return step(S::Enlargement);
    case K::StepStretch:
        return step(S::Stretch);
    case K::StepShear:
        return step(S::Shear);
    }
    return nullptr;
}
