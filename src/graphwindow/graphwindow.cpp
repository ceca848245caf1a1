#include "graphwindow/graphwindow.h"

#include "graph/displayrounding.h"
#include "graph/linesource.h"
#include "graph/mousecontrol.h"
#include "graphwindow/equationdisplayform.h"
#include "mouse/graphobjectmouse.h"
#include "mouse/mousedrag.h"
#include "mouse/mouselines.h"
#include "mouse/mouseorigin.h"
#include "mouse/mousepush.h"
#include "mouse/mousezoomin.h"
#include "mouse/mousezoomout.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "platform/fontfamilies.h"
#include "platform/mainwindowbase.h"
#include "plot/annotation.h"
#include "plot/curveplotter.h"
#include "plot/graphobject.h"
#include "plot/tracemarker.h"
#include "settings/configuration.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <map>
#include <utility>

namespace {

constexpr int NothingStale = INT_MAX;
// The readout's status panel grows at once and shrinks after this many narrower readings.
constexpr int NarrowReadingsBeforeShrink = 11;
constexpr int ReadoutLength = 30;

bool IsViewMode(int mode)
{
    return mode >= mmZoomIn && mode <= mmOrigin;
}

TCursorSlot ModeCursor(int mode)
{
    switch (mode) {
    case mmCoordinates:
    case mmSolutionCurve:
        return TCursorSlot::Coords;
    case mmZoomIn:
        return TCursorSlot::ZoomIn;
    case mmZoomOut:
        return TCursorSlot::ZoomOut;
    case mmPush:
        return TCursorSlot::Hand;
    case mmOrigin:
        return TCursorSlot::Origin;
    case mmTangent:
        return TCursorSlot::Tangent;
    case mmNormal:
        return TCursorSlot::Normal;
    case mmArea:
        return TCursorSlot::Area;
    case 406:
    case 411:
        return TCursorSlot::Horizontal;
    case 407:
    case 412:
        return TCursorSlot::Vertical;
    case 408:
    case 413:
        return TCursorSlot::LineOrigin;
    default:
        return TCursorSlot::Default;
    }
}

// Shows each visible segment of a drawing as soon as it is computed: while
// installed, every poll of the keyboard also pushes the picture drawn so far
// to the screen (at most about 60 times a second).
class TPresentingInterrupt : public TDrawingInterrupt {
public:
    TPresentingInterrupt(QWidget& window) : window_(window), inner_(DrawingInterrupt())
    {
        InstallDrawingInterrupt(this);
    }
    ~TPresentingInterrupt() override { InstallDrawingInterrupt(&inner_); }
    TPresentingInterrupt(const TPresentingInterrupt&) = delete;
    TPresentingInterrupt& operator=(const TPresentingInterrupt&) = delete;

    TInterruptRequest Poll() override
    {
        if (clock_.Due(std::chrono::milliseconds(16)))
            window_.repaint();
        return inner_.Poll();
    }
    void Pause() override
    {
        window_.repaint();
        inner_.Pause();
    }
    void BeginBusy() override { inner_.BeginBusy(); }
    void EndBusy() override { inner_.EndBusy(); }
    void DrawingStarts() override { inner_.DrawingStarts(); }

private:
    QWidget& window_;
    TDrawingInterrupt& inner_;
    TPollClock<> clock_;
};

} // namespace

// ---- construction ------------------------------------------------------------------------

TGraphWindow::TGraphWindow(QWidget* parent) : TCanvasControl(parent), repaintFrom_(NothingStale)
{
    setObjectName(QStringLiteral("GraphWindow"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    params_ = std::make_unique<TGraphParams>(this);
    DrawMode &= static_cast<std::uint8_t>(~dmDrawVisibly);
    display_ = new TEquationDisplay(this);
    connect(display_, &TEquationDisplay::LineClicked, this, [this](int index) {
        SelectLine(index);
        emit LineSelected(index);
    });
    SetCursorSlot(ModeCursor(mouseMode_));
}

TGraphWindow::~TGraphWindow()
{
    // Tools and markers refer to the window; they go first, without actions.
    dragTool_ = nullptr;
    tool_.reset();
    traceMarker_.reset();
    objects_.clear();
}

QFont TGraphWindow::GraphFont() const
{
    QFont font = FamilyFont(EquationsFontName);
    font.setPixelSize(12);
    return font;
}

// ---- lines -----------------------------------------------------------------------------------

void TGraphWindow::SetLineSource(TLineSource* lines)
{
    RemoveTrace();
    lines_ = lines;
    selected_ = -1;
    LinesChanged(0);
}

TCurvePLotter* TGraphWindow::CurveAt(int index) const
{
    return lines_ ? dynamic_cast<TCurvePLotter*>(lines_->LineAt(index)) : nullptr;
}

void TGraphWindow::InvalidatePicture(int from)
{
    from = std::max(0, from);
    if (from < repaintFrom_)
        repaintFrom_ = from;
    ++pictureGeneration_;
    // A drag shows its own frame until it ends, and the picture is drawn
    // again then: the lines the drag changes need no repaint of their own.
    if (!dragTool_)
        update();
}

void TGraphWindow::LinesChanged(int first)
{
    HidePopup();
    const int count = lines_ ? lines_->LineCount() : 0;
    if (selected_ >= count)
        selected_ = -1;
    // A trace whose curve left the list ends.
    if (traceMarker_) {
        bool listed = false;
        for (int i = 0; i < count && !listed; ++i)
            listed = lines_->LineAt(i) == traceMarker_->Curve;
        if (!listed)
            RemoveTrace();
    }
    InvalidatePicture(first);
}

void TGraphWindow::LineChanged(int index)
{
    if (TCurvePLotter* curve = CurveAt(index))
        curve->DiscardLineStore();
    LinesChanged(index);
}

void TGraphWindow::DiscardLineStores()
{
    if (!lines_)
        return;
    for (int i = 0; i < lines_->LineCount(); ++i)
        if (TCurvePLotter* curve = CurveAt(i))
            curve->DiscardLineStore();
}

void TGraphWindow::RedrawAll()
{
    DiscardLineStores();
    InvalidatePicture(0);
}

// ---- selection ---------------------------------------------------------------------------------

void TGraphWindow::SelectLine(int index)
{
    const int count = lines_ ? lines_->LineCount() : 0;
    if (index < -1 || index >= count)
        index = -1;
    if (index == selected_)
        return;
    if (TEquationObject* old = lines_ ? lines_->LineAt(selected_) : nullptr)
        old->ShowDragHandles(false);
    const int old = selected_;
    selected_ = index;
    if (TEquationObject* line = lines_ ? lines_->LineAt(selected_) : nullptr)
        line->ShowDragHandles(true);
    // The selected curve is drawn over a halo in the picture.
    InvalidatePicture(std::max(0, std::min(old < 0 ? index : old, index < 0 ? old : index)));
}

void TGraphWindow::RefreshDragHandles()
{
    if (TEquationObject* line = lines_ ? lines_->LineAt(selected_) : nullptr) {
        line->ShowDragHandles(false);
        line->ShowDragHandles(true); // builds them only while dragging is allowed
        InvalidatePicture(selected_);
    }
    update();
}

std::vector<int> TGraphWindow::CurvesAt(QPoint pixel)
{
    std::vector<int> found;
    if (!lines_ || !AcceptsCommand())
        return found;
    for (int i = 0; i < lines_->LineCount(); ++i) {
        TCurvePLotter* curve = CurveAt(i);
        if (curve && LineVisible(curve) && curve->IsNearPoint(pixel, *params_))
            found.push_back(i);
    }
    return found;
}

int TGraphWindow::CurveIndexAt(QPoint pixel)
{
    if (!lines_ || !AcceptsCommand())
        return -1;
    // The selected curve first, then the first curve in the list that is
    // near: each curve is tested at most once, and only up to the hit (the
    // test analyses and evaluates the formula, on every mouse move).
    auto near = [&](int i) {
        TCurvePLotter* curve = CurveAt(i);
        return curve && LineVisible(curve) && curve->IsNearPoint(pixel, *params_);
    };
    const int count = lines_->LineCount();
    if (selected_ >= 0 && selected_ < count && near(selected_))
        return selected_;
    for (int i = 0; i < count; ++i)
        if (i != selected_ && near(i))
            return i;
    return -1;
}

TDrawObject* TGraphWindow::ObjectAt(QPoint pixel)
{
    const int index = CurveIndexAt(pixel);
    if (index >= 0)
        return lines_->LineAt(index);
    for (auto it = objects_.rbegin(); it != objects_.rend(); ++it)
        if ((*it)->IsShown() && (*it)->Hit(pixel, *params_))
            return it->get();
    return nullptr;
}

void TGraphWindow::HintFlags(QPoint pixel, std::uint32_t& flags)
{
    if (CurvesAt(pixel).size() > 1)
        flags |= 0x800;
}

// ---- mouse modes ---------------------------------------------------------------------------------

void TGraphWindow::SetMouseModeCode(int code)
{
    mouseMode_ = code & ~MouseActivationFlag;
    SetCursorSlot(ModeCursor(mouseMode_));
}

int TGraphWindow::SetMouseMode(int code)
{
    const int previous = mouseMode_;
    if (code & MouseActivationFlag) {
        activationFlag_ = true;
        code &= ~MouseActivationFlag;
    }
    RemoveTrace();
    if (code == mmKeepViewMode) {
        if (tool_ || IsViewMode(mouseMode_))
            return previous;
        code = mmNone;
    } else if (code == mmEndViewMode) {
        if (!IsViewMode(mouseMode_))
            return previous;
        code = mmNone;
    } else if (code == mmReset) {
        code = mmNone;
    }
    if (code == mmNone)
        traceMode_ = false;
    if (code != mouseMode_)
        FinishTool(std::move(tool_));
    if (mouseMode_ == mmSolutionCurve && code != mmSolutionCurve)
        ShowStatus({});
    else if (code == mmSolutionCurve && mouseMode_ != mmSolutionCurve)
        ShowStatus("Click on the screen for solution curve");
    SetMouseModeCode(code);
    return previous;
}

void TGraphWindow::SetTraceMode(bool on)
{
    traceMode_ = on;
    if (!on)
        RemoveTrace();
}

// ---- tools ---------------------------------------------------------------------------------------

template <class F> void TGraphWindow::CallTool(F&& call)
{
    std::unique_ptr<TMouseControl> tool = std::move(tool_);
    if (!tool)
        return;
    ++toolCalls_;
    // A tool may move or edit an object: the objects are drawn afresh.
    objectLayerValid_ = false;
    const bool keep = call(*tool);
    if (keep && !tool_)
        tool_ = std::move(tool);
    else
        FinishTool(std::move(tool));
    --toolCalls_;
    // An object the call asked to remove goes only now, after its tool has
    // ended: the tool's last words still touch it.
    if (toolCalls_ == 0)
        RemovePendingObjects();
}

void TGraphWindow::RemovePendingObjects()
{
    const std::vector<TGraphObject*> removals = std::exchange(pendingRemovals_, {});
    for (TGraphObject* object : removals) {
        if (tool_)
            tool_->ForgetObject(object);
        const auto found = std::find_if(objects_.begin(), objects_.end(),
                                        [object](const auto& owned) { return owned.get() == object; });
        if (found == objects_.end())
            continue;
        object->Invalidate();
        objects_.erase(found);
        objectLayerValid_ = false;
        emit GraphObjectsChanged();
    }
}

void TGraphWindow::RemoveObjectLater(TGraphObject& object)
{
    pendingRemovals_.push_back(&object);
    if (toolCalls_ == 0)
        RemovePendingObjects();
}

void TGraphWindow::EditAnnotation(TAnnotation& annotation)
{
    if (AnnotationEditor)
        AnnotationEditor(annotation);
    // Its text may have changed without its box.
    objectLayerValid_ = false;
    update();
}

void TGraphWindow::GraphObjectChanged(TGraphObject&)
{
    objectLayerValid_ = false;
    emit GraphObjectsChanged();
}

TAnnotation* TGraphWindow::AnnotationAt(QPoint pixel) const
{
    for (auto it = objects_.rbegin(); it != objects_.rend(); ++it)
        if (auto* annotation = dynamic_cast<TAnnotation*>(it->get()))
            if (annotation->IsShown() && annotation->Hit(pixel, *params_))
                return annotation;
    return nullptr;
}

std::unique_ptr<TMouseControl> TGraphWindow::ObjectTool(TGraphObject& object)
{
    return std::make_unique<TGraphObjectMouse>(object, *this);
}

void TGraphWindow::SetActiveTool(std::unique_ptr<TMouseControl> tool)
{
    std::unique_ptr<TMouseControl> old = std::move(tool_);
    tool_ = std::move(tool);
    FinishTool(std::move(old));
    update();
}

void TGraphWindow::StartViewTool(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    if (!AcceptsCommand())
        return;
    std::unique_ptr<TMouseControl> tool;
    switch (mouseMode_) {
    case mmZoomIn:
        if (modifiers & Qt::ShiftModifier)
            tool = std::make_unique<TZoomInProportion>(*this, pixel);
        else
            tool = std::make_unique<TMouseZoomIn>(*this, pixel);
        break;
    case mmZoomOut:
        tool = std::make_unique<TMouseZoomOut>(*this);
        break;
    case mmPush:
        tool = std::make_unique<TMousePush>(*this, pixel);
        break;
    case mmOrigin:
        tool = std::make_unique<TMouseOrigin>(*this);
        break;
    default:
        return;
    }
    tool_ = std::move(tool);
    CallTool([&](TMouseControl& t) {
        t.MousePress(pixel, modifiers);
        return true;
    });
}

bool TGraphWindow::IsLineMode(int code)
{
    return code == mmSolutionCurve || code == mmTangent || code == mmNormal || code == mmArea ||
           (code >= 406 && code <= 408) || (code >= 411 && code <= 413);
}

bool TGraphWindow::StartLineTool(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    TCurvePLotter* parent = nullptr;
    const int code = mouseMode_;
    // A click places a solution curve without a command first: the line is begun here.
    if (code == mmSolutionCurve && EditedLineQuery && !EditedLineQuery(parent) &&
        (!StartSolutionLine || !StartSolutionLine()))
        return false;
    if (!EditedLineQuery || !EditedLineQuery(parent))
        return false;
    auto placed = [this, code, parent](const std::string& field) {
        if (OnLinePlaced)
            OnLinePlaced(code, parent, field);
    };
    auto moved = [this, code, parent](const std::string& field) {
        if (OnLineFieldMoved)
            OnLineFieldMoved(code, parent, field);
    };
    std::unique_ptr<TMouseControl> tool;
    if (code == mmArea || code == mmSolutionCurve) {
        if (!parent)
            return false;
        std::unique_ptr<TMousePlacing> placing;
        if (code == mmArea)
            placing = std::make_unique<TMouseArea>(*this, *parent, placed);
        else
            placing = std::make_unique<TMouseDESoln>(*this, placed);
        placing->SetFollowing(moved);
        tool = std::move(placing);
    } else if (code == mmTangent || code == mmNormal) {
        if (!parent)
            return false;
        tool = std::make_unique<TMouseTangent>(*this, *parent, code == mmTangent, placed);
    } else if (parent) {
        // Under a curve every kind reaches from its axis or the origin to the curve.
        tool = std::make_unique<TMouseline>(*this, *parent, code >= 411 ? code - 5 : code, placed);
    } else if (code <= 408) {
        tool = std::make_unique<TMouseStraightLine>(*this, code, placed);
    } else {
        return false;
    }
    tool_ = std::move(tool);
    CallTool([&](TMouseControl& t) {
        t.MousePress(pixel, modifiers);
        return true;
    });
    return true;
}

void TGraphWindow::Select(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    if (!AcceptsCommand())
        return;
    // The selected line's handles (which need not lie on it) and a line
    // waiting for clicks take the press first.
    if (StartDrag(selected_ >= 0 ? CurveAt(selected_) : nullptr, pixel, modifiers, false))
        return;
    const int index = CurveIndexAt(pixel);
    if (index >= 0) {
        TCurvePLotter* curve = CurveAt(index);
        if (index != selected_) {
            SelectLine(index);
            emit LineSelected(index);
        } else if (StartDrag(curve, pixel, modifiers, true)) {
            return;
        }
        if (traceMode_)
            StartTrace(CurveAt(selected_), pixel);
        return;
    }
    for (auto it = objects_.rbegin(); it != objects_.rend(); ++it)
        if ((*it)->IsShown() && (*it)->TakeClick(*this, pixel, modifiers))
            return;
    if (selected_ >= 0) {
        SelectLine(-1);
        emit LineSelected(-1);
    }
}

// ---- mouse events --------------------------------------------------------------------------------

void TGraphWindow::mousePressEvent(QMouseEvent* event)
{
    if (MouseDown(event))
        return;
    const QPoint pixel = event->position().toPoint();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::RightButton) {
        rightDown_ = true;
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    leftDown_ = true;
    HidePopup();
    if (tool_) {
        bool ended = false;
        CallTool([&](TMouseControl& t) {
            if (!t.MousePressAgain(pixel, modifiers)) {
                ended = true;
                return false;
            }
            t.MousePress(pixel, modifiers);
            return true;
        });
        if (!ended)
            return;
    }
    if (IsViewMode(mouseMode_))
        StartViewTool(pixel, modifiers);
    else if (!IsLineMode(mouseMode_) || !StartLineTool(pixel, modifiers))
        Select(pixel, modifiers);
}

void TGraphWindow::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pixel = event->position().toPoint();
    lastPointer_ = pixel;
    if (tool_)
        CallTool([&](TMouseControl& t) {
            t.MouseMove(pixel, event->modifiers());
            return true;
        });
    ShowCoordinates(pixel);
    if (tool_ || mouseMode_ != mmNone)
        return;
    HoverAt(pixel);
}

void TGraphWindow::HoverAt(QPoint pixel)
{
    if (leftDown_ && !rightDown_ && traceMarker_) {
        MoveTrace(params_->Axes->PixelToValue(pixel));
        SetCursorSlot(TCursorSlot::Blank);
        return;
    }
    TCurvePLotter* chosen = selected_ >= 0 ? CurveAt(selected_) : nullptr;
    if (chosen && !traceMode_ && chosen->DraggingAllowed()) {
        // The selected line's handles, and a line waiting for clicks, show their cursor anywhere.
        const TDragPointList* handles = chosen->DragPointList();
        if (chosen->WaitsForClicks() || (handles && handles->AnyHit(pixel, *params_))) {
            ShowDragCursor(chosen->DragCursorAt(crPickAPoint, pixel));
            return;
        }
    }
    const int index = CurveIndexAt(pixel);
    if (index < 0) {
        SetCursorSlot(TCursorSlot::Default);
        HidePopup();
        return;
    }
    TCurvePLotter* curve = CurveAt(index);
    SetCursorSlot(TCursorSlot::OverCurve);
    if (index == selected_ && !traceMode_ && curve->DraggingAllowed())
        ShowDragCursor(curve->DragCursorAt(0, pixel)); // the drag a press would start
    if (Configuration.ShowGraphNames && curve->IsValid())
        display_->ShowFor(lines_, index, pixel.x(), pixel.y());
    if (traceMode_)
        SetCursorSlot(TCursorSlot::Trace);
}

void TGraphWindow::ShowDragCursor(int number)
{
    if (number == 0)
        return;
    SetCursorSlot(DragCursorSlot(number));
    // Over a point handle the window takes the keys, so that arrows nudge the pointer.
    if ((number == crDragPoint || number == crDragPointAlongCurve) && !hasFocus())
        setFocus(Qt::MouseFocusReason);
}

void TGraphWindow::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pixel = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        rightDown_ = false;
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    CallTool([&](TMouseControl& t) { return t.MouseRelease(pixel, event->modifiers()); });
    leftDown_ = false;
    if (cursorSlot_ == TCursorSlot::Blank)
        SetCursorSlot(traceMode_ ? TCursorSlot::Trace : TCursorSlot::Default);
}

void TGraphWindow::leaveEvent(QEvent*)
{
    HidePopup();
}

// ---- keys ----------------------------------------------------------------------------------------

bool TGraphWindow::focusNextPrevChild(bool)
{
    return false; // the window wants its arrows and Tab
}

void TGraphWindow::MoveCursorBy(int dx, int dy)
{
    const int step = keyRepeat_ / 10 + 1;
    keyRepeat_ = std::min(127, keyRepeat_ + 1);
    const QPoint target = QCursor::pos() + QPoint(dx * step, dy * step);
    QCursor::setPos(target);
    // The offscreen and some other platforms move no pointer: follow the
    // intended point ourselves so the readout and the tool still see it.
    const QPoint local = lastPointer_ + QPoint(dx * step, dy * step);
    lastPointer_ = local;
    QMouseEvent move(QEvent::MouseMove, local, mapToGlobal(local), Qt::NoButton,
                     leftDown_ ? Qt::LeftButton : Qt::NoButton, QGuiApplication::keyboardModifiers());
    mouseMoveEvent(&move);
}

void TGraphWindow::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Left || key == Qt::Key_Right) && TraceShown()) {
        StepTrace(key == Qt::Key_Right ? 1 : -1);
        return;
    }
    switch (key) {
    case Qt::Key_Left:
        MoveCursorBy(-1, 0);
        return;
    case Qt::Key_Right:
        MoveCursorBy(1, 0);
        return;
    case Qt::Key_Up:
        MoveCursorBy(0, -1);
        return;
    case Qt::Key_Down:
        MoveCursorBy(0, 1);
        return;
    default:
        break;
    }
    if (key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt || key == Qt::Key_Meta)
        return;
    emit KeyForEquations(key, event->modifiers(), event->text());
}

void TGraphWindow::keyReleaseEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat())
        keyRepeat_ = 0;
}

// ---- tracing -------------------------------------------------------------------------------------

bool TGraphWindow::TraceShown() const
{
    return traceMarker_ && traceMarker_->IsShown();
}

void TGraphWindow::StartTrace(TCurvePLotter* curve, QPoint pixel)
{
    if (!traceMode_ || !curve)
        return;
    const TRealPoint point = params_->Axes->PixelToValue(pixel);
    if (traceMarker_) {
        traceMarker_->Hide();
        traceMarker_->Curve = curve;
    } else {
        traceMarker_ = std::make_unique<TTraceMarker>(curve, point.x, point.y);
        traceMarker_->Surface = this;
        traceMarker_->Hide();
    }
    traceMarker_->MoveToPoint(point, *params_);
    traceMarker_->Show();
}

void TGraphWindow::MoveTrace(const TRealPoint& point)
{
    if (!traceMode_ || !traceMarker_)
        return;
    traceMarker_->MoveToPoint(point, *params_);
}

void TGraphWindow::StepTrace(int direction)
{
    if (!traceMarker_)
        return;
    traceMarker_->Step(direction, *params_);
    if (traceMarker_->Undefined)
        return;
    const TAxis& x = *params_->Axes->XAxis;
    const TAxis& y = *params_->Axes->YAxis;
    const Extended mx = traceMarker_->AnchorX, my = traceMarker_->AnchorY;
    const Extended xExtent = x.WindowExtent(), yExtent = y.WindowExtent();
    // Whole per cents, rounded away from zero so that the marker always
    // comes back into view (rounding to nearest could leave it outside).
    auto percent = [](Extended overshoot, Extended extent) {
        const Extended p = overshoot * 110 / extent;
        return p < 0 ? -std::ceil(-p) : std::ceil(p);
    };
    if (xExtent > 0) {
        if (mx > x.ShownMax())
            PanX(percent(x.ShownMax() - mx, xExtent));
        else if (mx < x.Min)
            PanX(percent(x.Min - mx, xExtent));
    }
    if (yExtent > 0) {
        if (my > y.ShownMax())
            PanY(percent(my - y.ShownMax(), yExtent));
        else if (my < y.Min)
            PanY(percent(my - y.Min, yExtent));
    }
}

void TGraphWindow::RemoveTrace()
{
    if (!traceMarker_)
        return;
    traceMarker_->Hide();
    traceMarker_.reset();
}

void TGraphWindow::PanX(long double percent)
{
    Pan(akHorizontal, percent);
}

void TGraphWindow::PanY(long double percent)
{
    Pan(akVertical, percent);
}

void TGraphWindow::Pan(int kind, long double percent)
{
    if (percent == 0 || !std::isfinite(static_cast<double>(percent)))
        return;
    const QSize chars = CharSize(*this);
    if (!params_->Axes->Axis(kind).Pan(percent, kind == akHorizontal ? chars.width() : chars.height()))
        return;
    params_->Axes->CaptureScales();
    params_->SetScalesChanged(true);
    RedrawAll();
    {
        const TSwitchScope quiet(BusyCursorFlag, false);
        repaint();
    }
    emit ScalesChanged();
}

// ---- scrolling -----------------------------------------------------------------------------------

void TGraphWindow::AttachScrollBars(QScrollBar* horizontal, QScrollBar* vertical)
{
    for (QScrollBar* bar : scrollBars_)
        if (bar)
            disconnect(bar, nullptr, this, nullptr);
    scrollBars_ = {horizontal, vertical};
    for (int kind : {int(akHorizontal), int(akVertical)})
        if (QScrollBar* bar = scrollBars_[static_cast<std::size_t>(kind)])
            connect(bar, &QAbstractSlider::actionTriggered, this,
                    [this, kind](int action) { ScrollBarAction(kind, action); });
}

void TGraphWindow::ScrollBarAction(int kind, int action)
{
    QScrollBar* bar = scrollBars_[static_cast<std::size_t>(kind)];
    if (!bar)
        return;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
    case QAbstractSlider::SliderSingleStepSub:
        // At the end of the bar the thumb stays, but the graph still moves.
        ScrollBy(kind, action == QAbstractSlider::SliderSingleStepAdd ? 1 : -1, true);
        break;
    case QAbstractSlider::SliderPageStepAdd:
    case QAbstractSlider::SliderPageStepSub:
        ScrollBy(kind, action == QAbstractSlider::SliderPageStepAdd ? bar->pageStep() : -bar->pageStep(),
                 false);
        break;
    default:
        // The thumb dragged (or sent to an end): the distance it moves.
        ScrollBy(kind, bar->sliderPosition() - bar->value(), false);
        break;
    }
}

void TGraphWindow::ScrollBy(int kind, int steps, bool small)
{
    if (steps == 0 || (kind != akHorizontal && kind != akVertical))
        return;
    long double units = steps;
    if (small) {
        constexpr qint64 RunPause = 600; // ms; a held arrow repeats well within it
        const int direction = steps > 0 ? 1 : -1;
        if (kind != runKind_ || direction != runDirection_ || !sinceSmallStep_.isValid() ||
            sinceSmallStep_.elapsed() > RunPause)
            smallRun_ = 0;
        runKind_ = kind;
        runDirection_ = direction;
        units = 0;
        for (int i = 0; i < std::abs(steps); ++i) {
            units += 1 + std::min(smallRun_, 100) / 10;
            smallRun_ = std::min(smallRun_ + 1, 100);
        }
        units *= direction;
        sinceSmallStep_.start();
    } else {
        smallRun_ = 0;
        runKind_ = -1;
    }
    // A bar moving right or down shows what lies right or below: the
    // picture moves the other way.
    Pan(kind, -units);
    emit Scrolled();
}

void TGraphWindow::wheelEvent(QWheelEvent* event)
{
    // A notch is 120 eighths of a degree and moves the bar as many small
    // steps as the desktop scrolls lines; Shift or a sideways wheel pans
    // across.
    QPoint delta = event->angleDelta();
    if ((event->modifiers() & Qt::ShiftModifier) && delta.x() == 0)
        delta = QPoint(delta.y(), 0);
    wheelRemainder_ += delta;
    const int lines = std::max(1, QApplication::wheelScrollLines());
    for (int kind : {int(akHorizontal), int(akVertical)}) {
        int& remainder = kind == akHorizontal ? wheelRemainder_.rx() : wheelRemainder_.ry();
        const int notches = remainder / 120;
        if (notches == 0)
            continue;
        remainder -= notches * 120;
        // Turning the wheel away (up) scrolls up or left: the bar's value falls.
        const int steps = -notches * lines;
        if (QScrollBar* bar = scrollBars_[static_cast<std::size_t>(kind)])
            bar->setValue(bar->value() + steps);
        ScrollBy(kind, steps, true);
    }
    event->accept();
}

// ---- graph objects -------------------------------------------------------------------------------

void TGraphWindow::AddGraphObject(std::unique_ptr<TGraphObject> object)
{
    if (!object)
        return;
    object->Surface = this;
    object->Invalidate();
    objects_.push_back(std::move(object));
    objectLayerValid_ = false;
}

void TGraphWindow::ClearGraphObjects()
{
    FinishTool(std::move(tool_));
    RemoveTrace();
    pendingRemovals_.clear();
    objects_.clear();
    objectLayerValid_ = false;
    update();
}

void TGraphWindow::AddMarker(TGraphObject* marker)
{
    if (!marker)
        return;
    marker->Surface = this;
    markers_.push_back(marker);
    marker->Invalidate();
}

void TGraphWindow::RemoveMarker(TGraphObject* marker)
{
    if (tool_)
        tool_->ForgetObject(marker);
    std::erase(markers_, marker);
    if (marker)
        marker->Invalidate();
}

std::vector<TGraphObject*> TGraphWindow::OverlayObjects() const
{
    std::vector<TGraphObject*> all;
    all.reserve(objects_.size() + markers_.size() + 1);
    for (const auto& object : objects_)
        all.push_back(object.get());
    all.insert(all.end(), markers_.begin(), markers_.end());
    if (traceMarker_)
        all.push_back(traceMarker_.get());
    return all;
}

// ---- readout -------------------------------------------------------------------------------------

QString TGraphWindow::CoordinateText(QPoint pixel) const
{
    const TAxes& axes = *params_->Axes;
    TRealPoint p = axes.PixelToRoundedValue(pixel);
    QString open = QStringLiteral("("), close = QStringLiteral(")");
    bool polar = Configuration.PolarGrid != 0;
    if (polar) {
        const TRealPoint raw = axes.PixelToValue(pixel);
        const Extended r = std::hypot(static_cast<double>(raw.x), static_cast<double>(raw.y));
        // A point on the negative x axis reads 180 degrees, never -180.
        const double ry = raw.y == 0 ? 0.0 : static_cast<double>(raw.y);
        const Extended theta =
            std::atan2(ry, static_cast<double>(raw.x)) / static_cast<double>(Configuration.AngleFactor);
        p = RoundPoint(axes, r, theta);
        open = QStringLiteral("[");
        close = Configuration.Radians() ? QStringLiteral("]") : QStringLiteral("\u00B0]");
    }
    Extended x = polar ? p.x : axes.XAxis->LabelValue(p.x);
    Extended y = polar ? p.y : axes.YAxis->LabelValue(p.y);
    const double lx = x != 0 ? std::fabs(std::log(std::fabs(static_cast<double>(x)))) : 0;
    const double ly = y != 0 ? std::fabs(std::log(std::fabs(static_cast<double>(y)))) : 0;
    const bool scientific = x != 0 && y != 0 && lx + ly > 18 * std::log(10.0);
    QString text = open + QString::fromStdString(FormatNumber(10, scientific, x)) + QStringLiteral(", ") +
                   QString::fromStdString(FormatNumber(10, scientific, y)) + close + QLatin1Char(' ');
    if (text.size() > ReadoutLength)
        text.truncate(ReadoutLength);
    return text;
}

void TGraphWindow::ShowCoordinates(QPoint pixel)
{
    const QString text = CoordinateText(pixel);
    const int textWidth = QFontMetrics(font()).horizontalAdvance(text);
    const int wanted = ((textWidth + 3) / 80) * 80 + 80;
    if (wanted > panelWidth_) {
        panelWidth_ = wanted;
        narrowReadings_ = 0;
    } else if (wanted < panelWidth_) {
        if (++narrowReadings_ >= NarrowReadingsBeforeShrink) {
            panelWidth_ = wanted;
            narrowReadings_ = 0;
        }
    } else {
        narrowReadings_ = 0;
    }
    emit CoordinatesShown(text, panelWidth_);
}

void TGraphWindow::HidePopup()
{
    if (display_ && display_->ShownIndex() >= 0)
        display_->HideDisplay();
}

// ---- drawing -------------------------------------------------------------------------------------

void TGraphWindow::EnsurePicture()
{
    const qreal ratio = devicePixelRatioF();
    const QSize deviceSize = size() * ratio;
    if (picture_.size() != deviceSize || picture_.devicePixelRatio() != ratio) {
        picture_ = QImage(deviceSize, QImage::Format_ARGB32_Premultiplied);
        picture_.setDevicePixelRatio(ratio);
        repaintFrom_ = 0;
        drawnLines_ = 0;
        ++pictureGeneration_;
    }
    if (repaintFrom_ == NothingStale)
        return;
    const int count = lines_ ? lines_->LineCount() : 0;
    Canvas canvas(&picture_);
    canvas.SetFont(GraphFont());
    const QRect all(QPoint(0, 0), size());
    int first = 0;
    // Lines appended after everything already drawn are drawn over the picture.
    if (repaintFrom_ >= drawnLines_ && repaintFrom_ <= count && drawnLines_ > 0)
        first = drawnLines_;
    else
        TGraphRenderer::DrawBackground(canvas, *params_, all);
    renderer_.HighlightLine = selected_;
    renderer_.PauseBetweenLines = (DrawMode & dmDrawVisibly) && Configuration.Pause && PauseBetweenLines;
    renderer_.BetweenLines = PauseBetweenLines;
    const bool demonstrating =
        (DrawMode & (dmDemonstration | dmDrawVisibly)) == (dmDemonstration | dmDrawVisibly);
    renderer_.BeforeLine = demonstrating || renderer_.PauseBetweenLines ? DemonstrateLine : nullptr;
    params_->PaintRect = &all;
    drawnLines_ = renderer_.DrawLines(canvas, *params_, lines_, first);
    params_->PaintRect = nullptr;
    // Escape abandoned the drawing: the lines from the abandoned one on are
    // missing, so nothing may be drawn over this picture as if it were
    // whole. It stays on show until the next redraw, which starts afresh
    // (the abandoned curves have dropped their cached drawings).
    if (!DrawingCompleted)
        drawnLines_ = 0;
    repaintFrom_ = NothingStale;
    objectLayerValid_ = false;
}

void TGraphWindow::PaintOverlays(Canvas& canvas, bool withObjects)
{
    std::vector<TGraphObject*> objects = OverlayObjects();
    if (!withObjects)
        objects.erase(objects.begin(), objects.begin() + static_cast<std::ptrdiff_t>(objects_.size()));
    TGraphRenderer::DrawObjects(canvas, *params_, objects);
    // The selected line's handles belong to the window, never to a picture or a print.
    if (TCurvePLotter* chosen = selected_ >= 0 ? CurveAt(selected_) : nullptr)
        if (const TDragPointList* handles = chosen->DragPointList(); handles && !traceMode_)
            handles->Draw(canvas, *params_);
    if (tool_)
        tool_->PaintFeedback(canvas);
}

bool TGraphWindow::RefreshObjectLayer()
{
    // While a tool runs it may move an object at every event, and a picture
    // drawn visibly changes under the layer: the objects are drawn live then.
    if (objects_.empty() || tool_ || drawingVisibly_ || repaintFrom_ != NothingStale || picture_.isNull()) {
        objectLayerValid_ = false;
        return false;
    }
    std::vector<TObjectLook> looks;
    looks.reserve(objects_.size());
    for (const auto& object : objects_)
        looks.push_back({object.get(), object->BoxRect(*params_), object->AnchorX, object->AnchorY,
                         object->Selected, object->Locked, object->IsShown(), object->GetColour()});
    if (objectLayerValid_ && looks == objectLayerLooks_ && objectLayer_.size() == picture_.size() &&
        objectLayer_.devicePixelRatio() == picture_.devicePixelRatio())
        return true;
    objectLayer_ = picture_.copy();
    objectLayer_.setDevicePixelRatio(picture_.devicePixelRatio());
    Canvas canvas(&objectLayer_);
    canvas.SetFont(GraphFont());
    std::vector<TGraphObject*> objects;
    for (const auto& object : objects_)
        objects.push_back(object.get());
    TGraphRenderer::DrawObjects(canvas, *params_, objects);
    objectLayerLooks_ = std::move(looks);
    objectLayerValid_ = true;
    return true;
}

void TGraphWindow::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (paintSuppressed_) {
        painter.fillRect(event->rect(), ToQColor(BackgroundColour));
        return;
    }
    if (PaintEvent)
        PaintEvent(true);
    painting_ = true;
    if (axesPending_) {
        axesPending_ = false;
        params_->Width = width();
        params_->Height = height();
        params_->Axes->XAxis->Length = width();
        params_->Axes->YAxis->Length = height();
        params_->Axes->Recalculate(this);
    }
    bool layered = false;
    if (!PaintDragFrame(painter, event->rect())) {
        // While a visible drawing waits to start, the picture as it was stays.
        if (!drawingVisibly_ && (visibleFrom_ == NothingStale || picture_.isNull()))
            EnsurePicture();
        // Graph objects that have not changed since the last repaint come with the picture.
        layered = RefreshObjectLayer();
        const QImage& shown = layered ? objectLayer_ : picture_;
        painter.drawImage(event->rect(), shown,
                          QRectF(QPointF(event->rect().topLeft()) * shown.devicePixelRatio(),
                                 QSizeF(event->rect().size()) * shown.devicePixelRatio()));
    }
    Canvas canvas(&painter);
    canvas.SetFont(GraphFont());
    PaintOverlays(canvas, !layered);
    painting_ = false;
    if (!drawingVisibly_)
        DrawMode &= static_cast<std::uint8_t>(~dmDrawVisibly);
    if (PaintEvent)
        PaintEvent(false);
}

QImage TGraphWindow::ShowFrame(QImage frame)
{
    const qreal ratio = devicePixelRatioF();
    if (frame.size() != size() * ratio || frame.devicePixelRatio() != ratio) {
        InvalidatePicture(0); // drawn for another size: the window draws its own
        return {};
    }
    QImage replaced = std::exchange(picture_, std::move(frame));
    repaintFrom_ = NothingStale;
    objectLayerValid_ = false;
    drawnLines_ = lines_ ? lines_->LineCount() : 0;
    repaint();
    return replaced;
}

void TGraphWindow::UpdateArea(const QRect& rect)
{
    dragFrameValid_ = false; // a drag moved its line or a handle
    update(rect);
}

QImage TGraphWindow::GrabPicture()
{
    EnsurePicture();
    QImage copy = picture_.copy();
    copy.setDevicePixelRatio(picture_.devicePixelRatio());
    {
        QPainter painter(&copy);
        Canvas canvas(&painter);
        canvas.SetFont(GraphFont());
        TGraphRenderer::DrawObjects(canvas, *params_, OverlayObjects());
    }
    return copy;
}

QImage TGraphWindow::CopyScreen()
{
    return GrabPicture();
}

void TGraphWindow::RenderInto(Canvas& canvas, const QRect& rect)
{
    const TSwitchScope quiet(BusyCursorFlag, false);
    const std::uint8_t mode = DrawMode;
    DrawMode |= dmNoCache;
    canvas.SetFont(GraphFont());
    std::vector<TGraphObject*> annotations;
    for (const auto& object : objects_)
        annotations.push_back(object.get());
    TGraphRenderer().Render(canvas, *params_, lines_, annotations, rect);
    DrawMode = mode;
}

QImage TGraphWindow::RenderImage(qreal ratio)
{
    QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    {
        Canvas canvas(&image);
        RenderInto(canvas, QRect(QPoint(0, 0), size()));
    }
    return image;
}

bool TGraphWindow::CompleteRepaint()
{
    const int count = lines_ ? lines_->LineCount() : 0;
    if (repaintFrom_ == NothingStale || (count == 0 && drawnLines_ == 0 && repaintFrom_ > 0) || !isVisible())
        return true;
    EnsurePicture();
    update();
    return true;
}

void TGraphWindow::DrawVisibly(int first, bool demonstration)
{
    if (drawingVisibly_ || !isVisible())
        return;
    first = std::max(0, first);
    visibleFrom_ = NothingStale; // a drawing asked for later is this one
    drawingVisibly_ = true;
    const std::uint8_t mode = DrawMode;
    // Drawing visibly makes the curves drop their cached drawings and
    // compute afresh; with the demonstration setting (or the command) the
    // pencil draws them, and curves cannot be dragged meanwhile.
    DrawMode |= dmDrawVisibly;
    if (demonstration || Configuration.DemonstrationDraw)
        DrawMode |= dmDemonstration;
    const bool demonstrating = (DrawMode & dmDemonstration) != 0;
    TEquationObject* selected = lines_ ? lines_->LineAt(selected_) : nullptr;
    if (demonstrating && selected)
        selected->ShowDragHandles(false);
    repaintFrom_ = std::min(repaintFrom_, first);
    renderer_.VisibleFrom = first;
    {
        TPresentingInterrupt presenting(*this);
        EnsurePicture();
    }
    renderer_.VisibleFrom = 0;
    DrawMode = static_cast<std::uint8_t>(mode & ~dmDrawVisibly);
    drawingVisibly_ = false;
    // A demonstration selects the lines it draws: the handles and the halo
    // go to the line selected at its end (the halo waits for the next
    // redraw when Escape stopped the drawing, which must not start again).
    if (demonstrating)
        if (TEquationObject* line = lines_ ? lines_->LineAt(selected_) : nullptr)
            line->ShowDragHandles(true);
    if (renderer_.HighlightLine != selected_ && DrawingCompleted)
        InvalidatePicture(0);
    repaint();
}

void TGraphWindow::DrawVisiblyLater(int first)
{
    visibleFrom_ = std::min(visibleFrom_, std::max(0, first));
    InvalidatePicture(visibleFrom_);
    if (visibleQueued_)
        return;
    visibleQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        visibleQueued_ = false;
        const int from = visibleFrom_;
        visibleFrom_ = NothingStale;
        if (from != NothingStale)
            DrawVisibly(from);
    });
}

void TGraphWindow::SetPaintSuppressed(bool suppressed)
{
    paintSuppressed_ = suppressed;
    if (!suppressed)
        update();
}

// ---- scales and size ---------------------------------------------------------------------------

void TGraphWindow::ScalesRecalculated()
{
    if (!params_)
        return;           // still being made
    axesPending_ = false; // the scales were fitted to the window as it is
    ++viewGeneration_;
    HidePopup();
    DiscardLineStores();
    repaintFrom_ = 0;
    ++pictureGeneration_;
    // The trace marker keeps its point; its pixel follows the new scales.
    if (!painting_) {
        update();
        emit ScalesChanged();
    }
}

void TGraphWindow::SetSquareChecked(bool checked)
{
    emit SquareChecked(checked);
}

void TGraphWindow::ScaleListChanged()
{
    emit ScaleListUpdated();
}

void TGraphWindow::resizeEvent(QResizeEvent* event)
{
    TCanvasControl::resizeEvent(event);
    const int w = width(), h = height();
    if (w < 1 || h < 1)
        return;
    params_->Width = w;
    params_->Height = h;
    TAxis& x = *params_->Axes->XAxis;
    TAxis& y = *params_->Axes->YAxis;
    if (axesPending_) {
        x.Length = w;
        y.Length = h;
        return;
    }
    // The scale stays; the window shows more or less of the plane.
    x.Min = x.PixelToValue(0);
    x.Max = x.PixelToValue(w);
    y.Max = y.PixelToValue(0);
    y.Min = y.PixelToValue(h);
    x.Length = w;
    y.Length = h;
    const QSize chars = CharSize(*this);
    x.SetCrossing(0, w, x.MarginFor(chars.width()));
    y.SetCrossing(h, 0, y.MarginFor(chars.height()));
    params_->Axes->CaptureScales();
    DiscardLineStores();
    repaintFrom_ = 0;
    ++pictureGeneration_;
    update();
}

// ---- cursors -----------------------------------------------------------------------------------

void TGraphWindow::SetCursorSlot(TCursorSlot slot)
{
    if (slot == cursorSlot_ && testAttribute(Qt::WA_SetCursor))
        return;
    cursorSlot_ = slot;
    setCursor(CursorFor(slot));
}

void TGraphWindow::SetToolCursor(TCursorSlot slot)
{
    SetCursorSlot(slot);
}

void TGraphWindow::CaptureMouse(bool)
{
    // A widget keeps the mouse from a press to its release by itself.
}

QCursor TGraphWindow::CursorFor(TCursorSlot slot)
{
    struct TCursorResource {
        TCursorSlot slot;
        const char* name;
        int hotX, hotY;
    };
    // Hot spots in the 32 x 32 drawings.
    static const TCursorResource Resources[] = {
        {TCursorSlot::ZoomIn, "zoomin", 12, 12},
        {TCursorSlot::ZoomOut, "zoomout", 12, 12},
        {TCursorSlot::Hand, "hand", 16, 16},
        {TCursorSlot::Origin, "origin", 16, 16},
        {TCursorSlot::Coords, "coords", 16, 16},
        {TCursorSlot::Tangent, "tangent", 16, 16},
        {TCursorSlot::Normal, "normal", 16, 16},
        {TCursorSlot::Area, "area", 16, 16},
        {TCursorSlot::Horizontal, "horizontal", 16, 16},
        {TCursorSlot::Vertical, "vertical", 16, 16},
        {TCursorSlot::LineOrigin, "lineorigin", 16, 16},
        {TCursorSlot::Trace, "tracecursor", 16, 16},
        {TCursorSlot::OverCurve, "overcurve", 4, 2},
        {TCursorSlot::DragStretch, "mousestretch", 16, 16},
        {TCursorSlot::DragMove, "mousemove", 16, 16},
        {TCursorSlot::DragRotate, "mouserotate", 16, 16},
        {TCursorSlot::DragEnlarge, "mouseenlarge", 16, 16},
        {TCursorSlot::StretchHorz, "stretchhorz", 16, 16},
        {TCursorSlot::StretchVert, "stretchvert", 16, 16},
        {TCursorSlot::DragPoint, "dragpoint", 16, 16},
        {TCursorSlot::DragPointAlongCurve, "dragpointalongcurve", 16, 16},
        {TCursorSlot::Dragging, "dragging", 16, 16},
        {TCursorSlot::DraggingAlongCurve, "dragalongcurve", 16, 16},
        {TCursorSlot::PickAPoint, "pickapoint", 16, 16},
        {TCursorSlot::DragShear, "mouseshear", 16, 16},
        {TCursorSlot::Blank, "blank", 0, 0},
    };
    switch (slot) {
    case TCursorSlot::Default:
        return QCursor(Qt::ArrowCursor);
    case TCursorSlot::Cross:
        return QCursor(Qt::CrossCursor);
    case TCursorSlot::SizeAll:
        return QCursor(Qt::SizeAllCursor);
    default:
        break;
    }
    static std::map<int, QCursor> cache;
    const auto found = cache.find(static_cast<int>(slot));
    if (found != cache.end())
        return found->second;
    QCursor cursor(Qt::ArrowCursor);
    if (slot == TCursorSlot::Blank) {
        cursor = QCursor(Qt::BlankCursor);
    } else {
        for (const TCursorResource& resource : Resources) {
            if (resource.slot != slot)
                continue;
            const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1;
            const QImage image = ResourceImage("cursors", resource.name, std::max<qreal>(1, ratio));
            if (!image.isNull())
                cursor = QCursor(QPixmap::fromImage(image), resource.hotX, resource.hotY);
        }
    }
    cache[static_cast<int>(slot)] = cursor;
    return cursor;
}
