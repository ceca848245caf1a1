#include "equations/equationswindow.h"

#include "equations/equationsscrollingwidget.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "platform/canvas.h"
#include "platform/codepage.h"
#include "platform/mainwindowbase.h"
#include "plot/curveplotter.h"
#include "settings/configuration.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

// The drag payload names the window it came from, so that lines are dropped
// only on the window they belong to.
const QString LineDragFormat = QStringLiteral("application/x-lumacurve-line");

QByteArray WindowTag(const TEquationsWindow* window)
{
    return QByteArray::number(reinterpret_cast<quintptr>(window));
}

// Tab stops, in widths of "M", at which derived lines are indented.
constexpr int TabStopUnits = 1;

// The background of the line being edited.
constexpr TColour EditedLineBackground = RgbColour(248, 248, 240);

} // namespace

TEquationsWindow::TEquationsWindow(QWidget* parent) : TMathsEditor(parent, false)
{
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setMouseTracking(true);
    idle_.setSingleShot(true);
    idle_.setInterval(0);
    connect(&idle_, &QTimer::timeout, this, &TEquationsWindow::RunIdle);

    list_.Measure = [this](TEquationObject& line) { MeasureObject(line); };
    list_.OnInsertCurve = [this](TEquationObject* object) {
        if (OnInsertCurve)
            OnInsertCurve(object);
    };
    list_.OnDeleteCurve = [this](TEquationObject* object) {
        if (OnDeleteCurve)
            OnDeleteCurve(object);
    };
    list_.OnLineLeaving = [this](TEquationObject* line) { LineLeaving(line); };
    list_.OnRepaintFrom = [this](int index) { InvalidateLine(index, 1); };
    list_.OnLinesChanged = [this] {
        UpdateScrollRanges();
        if (OnLinesChanged)
            OnLinesChanged();
        ScheduleIdle();
    };
    list_.SelectLineHook = [this](int index) { SelectLine(index); };
    list_.ClearStatus = [] { ShowStatus(""); };
    editing_.DrawWithDependants = [this](TEquationObject*) {
        if (OnLinesChanged)
            OnLinesChanged();
    };

    OnStartEdit = [this](TMathsEditor*, bool& newEditor, TEquationObject* parent, int candoList) {
        StartEditDefault(newEditor, parent, candoList);
    };
    OnFinishEdit = [this](TMathsEditor*, bool& editStopped) { FinishEditDefault(editStopped); };
}

TEquationsWindow::~TEquationsWindow()
{
    // The editor lets go of its line before the list frees it.
    DetachLine();
}

void TEquationsWindow::AttachLine(TEditor* line)
{
    (void)SetLine(std::unique_ptr<TEditor>(line)).release();
    if (!line)
        return;
    const QRect rect = LineRect(list_.IndexOf(line));
    line->offsetX = rect.left();
    line->offsetY = rect.top();
    line->SetCaret(line->caret.element, line->caret.offset);
}

void TEquationsWindow::DetachLine()
{
    (void)SetLine(nullptr).release();
}

void TEquationsWindow::ShowFault(const TFinishResult& result)
{
    TParseParams params;
    params.error.message = result.message.c_str();
    params.error.element = result.element;
    params.error.position = result.position;
    if (!result.element) {
        // The fault's element went with the tidying: the caret stays put.
        // Placed before the message is shown, since moving the caret clears it.
        params.error.element = Line()->caret.element;
        params.error.position = Line()->caret.offset;
    }
    ShowError(params);
}

// ---- geometry --------------------------------------------------------------------------

int TEquationsWindow::TabStop() const
{
    return std::max(1, FormulaTextWidth("M", FormulaReferenceHeight) * TabStopUnits);
}

QRect TEquationsWindow::RectAt(const TEquationObject& line, int top) const
{
    const int stop = TabStop();
    int depth = 0;
    for (const TEquationObject* p = line.GetParent(); p && depth < 64; p = p->GetParent())
        ++depth;
    const int left = depth * stop;
    const int right = (left + line.leftMargin + line.width + stop - 1) / stop * stop;
    return QRect(left, top, std::max(stop, right - left), line.height);
}

QRect TEquationsWindow::LineRect(int index) const
{
    if (index >= Count()) {
        int bottom = 0;
        int right = 0;
        for (TEquationObject* line : list_.Lines()) {
            right = std::max(right, RectAt(*line, bottom).right() + 1);
            bottom += line->height;
        }
        if (index == 30000)
            return QRect(0, 0, right, bottom);
        return QRect(0, bottom, width(), 0);
    }
    if (index < 0)
        return {};
    int top = 0;
    for (int i = 0; i < index; ++i)
        top += list_.ItemAt(i)->height;
    return RectAt(*list_.ItemAt(index), top);
}

int TEquationsWindow::LineAt(QPoint pixel) const
{
    int top = 0;
    for (int i = 0; i < Count(); ++i) {
        const int bottom = top + list_.ItemAt(i)->height;
        if (pixel.y() >= top && pixel.y() < bottom)
            return i;
        top = bottom;
    }
    return pixel.y() >= top ? Count() : -1;
}

int TEquationsWindow::LineAtY(int y) const
{
    int bottom = 0;
    for (int i = 0; i < Count(); ++i) {
        bottom += list_.ItemAt(i)->height;
        if (bottom > y)
            return i;
    }
    return -1;
}

// ---- selection and editing ------------------------------------------------------------------

void TEquationsWindow::SetSelected(int index)
{
    list_.SetSelected(index);
}

bool TEquationsWindow::SelectLine(int index, TEquationObject* parent, int candoList)
{
    if (SetGraphMouseMode)
        SetGraphMouseMode(400);
    if (index != SelectedIndex()) {
        // Remember where the user pointed, not a number that removals shift.
        TEquationObject* target = ItemAt(index);
        const bool newLine = index >= Count();
        const int oldIndex = SelectedIndex();
        const int oldCount = Count();
        TEditor* finishing = Line();
        bool stopped = true;
        if (finishing)
            stopped = FinishEdit();
        if (!stopped)
            return false;
        // A parent that was the finished line is now the object in its place.
        if (finishing && parent == finishing)
            parent = SelectedObject();
        if (target && list_.IndexOf(target) >= 0)
            index = list_.IndexOf(target);
        else if (newLine)
            index = Count();
        else if (Count() < oldCount && oldIndex >= 0 && oldIndex < index)
            index = std::max(-1, index - 1);
        index = std::clamp(index, -1, Count());
        TEquationObject* old = SelectedObject();
        const int previous = SelectedIndex();
        if (OnSelectCurve)
            OnSelectCurve(this, old, false);
        InvalidateLine(previous);
        SetSelected(index);
        InvalidateLine(index);
        if (OnSelectCurve)
            OnSelectCurve(this, SelectedObject(), true);
        if (index != Count() || candoList == 2048 || Line()) {
            ScrollToSelected();
        } else {
            SetSelected(index);
            StartEdit(true, parent, candoList);
        }
    } else if (list_.DeletionDepth() == 0 && !Line() && index >= 0) {
        StartEdit(false, parent, candoList);
    }
    ScheduleIdle();
    return Line() != nullptr;
}

void TEquationsWindow::SelectRelative(int step)
{
    const int index = SelectedIndex() + step;
    if (index >= 0 && index < Count())
        SelectLine(index);
}

void TEquationsWindow::Deselect()
{
    TEquationObject* old = SelectedObject();
    DetachLine();
    InvalidateLine(SelectedIndex());
    SetSelected(-1);
    (void)old;
    if (OnSelectCurve)
        OnSelectCurve(this, nullptr, false);
}

bool TEquationsWindow::FinishPendingEdit()
{
    if (TEquationObject* selected = SelectedObject(); selected && !selected->IsValid())
        DeleteObject(selected);
    return !Line() || FinishEdit();
}

void TEquationsWindow::StartEditDefault(bool& newEditor, TEquationObject* parent, int candoList)
{
    if (newEditor && SelectedIndex() != Count()) {
        // Selecting the new-line position asks again, now with it selected.
        SelectLine(Count(), parent, candoList);
        newEditor = Line() != nullptr;
        return;
    }
    if (Line())
        return;
    const int index = newEditor ? Count() : SelectedIndex();
    if (index < 0)
        return;
    TEditor* line = editing_.Begin(index, parent, static_cast<unsigned>(candoList));
    if (!line) {
        newEditor = false;
        return;
    }
    AttachLine(line);
    ScrollToSelected();
    update();
    newEditor = true;
}

void TEquationsWindow::FinishEditDefault(bool& editStopped)
{
    TEditor* line = Line();
    if (!line) {
        editStopped = true;
        return;
    }
    TFinishResult result = editing_.Finish(*line); // line may be freed from here on
    if (result.Fault()) {
        editStopped = false;
        ShowFault(result);
        update();
        return;
    }
    editStopped = true;
    if (Line())
        DetachLine();
    if (!result.message.empty())
        ShowMessage(AnsiToQString(result.message), QMessageBox::Information, 205);
    if (result.object && OnSelectCurve)
        OnSelectCurve(this, result.object, true);
    ScrollToSelected();
    update();
    ScheduleIdle();
}

// ---- lines for commands ----------------------------------------------------------------------

bool TEquationsWindow::AddLineWith(TElementList list, int mouseMode, bool withParent, int candoList)
{
    // The parent is chosen once any edit is finished, so it is the object.
    if (Line() && !FinishEdit())
        return false;
    SelectLine(Count(), withParent ? SelectedObject() : nullptr, candoList);
    TEditor* line = Line();
    if (!line)
        return false;
    line->TypeElements(std::move(list));
    if (mouseMode != 0 && SetGraphMouseMode)
        SetGraphMouseMode(mouseMode);
    ScrollToSelected();
    return true;
}

bool TEquationsWindow::AddFixedList(std::unique_ptr<TFixedList> fields, int mouseMode, int candoList)
{
    TEditor* line = Line();
    if (!line)
        return AddLineWith(TElementList(fields.release()), mouseMode, true, candoList);
    // Right until the caret stands at the end of a field list, or at the start
    // of the line, or can go no further.
    for (int guard = 0; guard < 100000; ++guard) {
        const TCaretPosition& caret = line->caret;
        const bool atFieldListEnd = caret.element && caret.element->HasProperty(pfFieldList) &&
                                    caret.offset == caret.element->PositionCount();
        const bool atStart = caret.element == line->Elements() && caret.offset == 0;
        if (atFieldListEnd || atStart || !line->MoveRight())
            break;
    }
    line->SetCaret(line->caret.element, line->caret.offset);
    line->TypeElements(TElementList(fields.release()), true);
    update();
    return true;
}

bool TEquationsWindow::AddMatrixLine(int description, int rows, int columns)
{
    auto fields = std::make_unique<TFixedList>(2, 1);
    auto* label = new TEditorObject;
    label->next = new TFixedDescription(description);
    fields->SetCell(0, label);
    auto* matrix = new TEditorObject;
    matrix->next = new TMatrixEditObject(rows, columns);
    fields->SetCell(1, matrix);
    return AddFixedList(std::move(fields), 0, 24);
}

// ---- changes --------------------------------------------------------------------------------

int TEquationsWindow::InsertObject(std::unique_ptr<TEquationObject> object)
{
    const int index = list_.InsertObject(std::move(object));
    if (MainWindow)
        MainWindow->UndoPostAction();
    return index;
}

void TEquationsWindow::DeleteObject(TEquationObject* object)
{
    TEquationObject* before = SelectedObject();
    list_.DeleteObject(object);
    SelectionSlid(before);
    update();
}

void TEquationsWindow::SelectionSlid(const TEquationObject* before)
{
    // A removal moved the selection onto another line without a SelectLine:
    // the owner still hears which object is selected now.
    if (SelectedObject() != before && SelectedObject() && OnSelectCurve)
        OnSelectCurve(this, SelectedObject(), true);
}

void TEquationsWindow::DeleteDependents(TEquationObject* object)
{
    list_.DeleteDependents(object);
    update();
}

void TEquationsWindow::RemoveObject(TEquationObject* object)
{
    list_.RemoveObject(object);
}

QString TEquationsWindow::DeleteCurve(TEquationObject* object)
{
    if (Line() && object != Line() && !FinishEdit())
        return {};
    TEquationObject* before = SelectedObject();
    const std::string warning = editing_.DeleteCurve(object);
    SelectionSlid(before);
    update();
    return AnsiToQString(warning);
}

void TEquationsWindow::LineLeaving(TEquationObject* line)
{
    if (line && line == Line())
        DetachLine();
    if (OnLineLeaving)
        OnLineLeaving(line);
}

void TEquationsWindow::ClearAll()
{
    // The editor must not hold a line the list is about to free.
    DetachLine();
    SetSelected(-1);
    list_.ClearAll();
    UpdateScrollRanges();
    update();
}

void TEquationsWindow::ScheduleIdle()
{
    if (!idle_.isActive())
        idle_.start();
}

void TEquationsWindow::SuspendIdle(bool suspended)
{
    idleSuspended_ = suspended;
    if (!suspended && idleWaiting_) {
        idleWaiting_ = false;
        ScheduleIdle();
    }
}

void TEquationsWindow::RunIdle()
{
    if (idleSuspended_) {
        idleWaiting_ = true;
        return;
    }
    if (ProcessChanges() && OnChangesProcessed)
        OnChangesProcessed();
}

bool TEquationsWindow::ProcessChanges()
{
    TEquationObject* before = SelectedObject();
    const bool done = list_.ProcessChanges();
    SelectionSlid(before);
    if (done && OnLinesChanged)
        OnLinesChanged();
    return done;
}

// ---- view -------------------------------------------------------------------------------------

void TEquationsWindow::MeasureObject(TEquationObject& line)
{
    MeasureLine(line);
}

void TEquationsWindow::RemeasureAll()
{
    for (TEquationObject* line : list_.Lines())
        MeasureObject(*line);
    UpdateScrollRanges();
    update();
}

void TEquationsWindow::DiscardAllLineStores()
{
    for (TEquationObject* line : list_.Lines())
        if (auto* curve = dynamic_cast<TCurvePLotter*>(line))
            curve->DiscardLineStore();
}

void TEquationsWindow::UpdateScrollRanges()
{
    const QRect total = LineRect(30000);
    const QSize content(total.right() + fontMetrics().height(), total.bottom() + fontMetrics().height());
    if (ScrollBox)
        ScrollBox->FitWindow(content);
}

void TEquationsWindow::ScrollToSelected()
{
    UpdateScrollRanges();
    const QRect rect = LineRect(SelectedIndex());
    if (ScrollBox) {
        QScrollBar* vertical = ScrollBox->verticalScrollBar();
        const int visible = ScrollBox->viewport()->height();
        if (rect.top() < vertical->value() || rect.bottom() > vertical->value() + visible)
            vertical->setValue(rect.top());
        QScrollBar* horizontal = ScrollBox->horizontalScrollBar();
        const int across = ScrollBox->viewport()->width();
        if (rect.right() < horizontal->value() || rect.left() > horizontal->value() + across)
            horizontal->setValue(rect.left());
    }
    if (TEditor* line = Line()) {
        const QRect rect = LineRect(SelectedIndex());
        if (line->offsetX != rect.left() || line->offsetY != rect.top()) {
            line->offsetX = rect.left();
            line->offsetY = rect.top();
            update();
        }
        CaretMoved();
    }
}

void TEquationsWindow::LineHeightChanged()
{
    if (TEditor* line = Line()) {
        UpdateScrollRanges();
        InvalidateLine(list_.IndexOf(line), 1);
    }
}

void TEquationsWindow::InvalidateLine(int index, int extra)
{
    if (index < 0)
        return;
    QRect rect = index >= Count() ? LineRect(index) : LineRect(index);
    if (extra > 0)
        update(QRect(0, rect.top(), width(), height() - rect.top()));
    else
        update(QRect(0, rect.top(), width(), std::max(1, rect.height())).adjusted(0, -extra, 0, extra));
}

void TEquationsWindow::PaintLines(Canvas& canvas, const QRect& clip, bool printing, bool marks, QPoint offset)
{
    const TColour background = printing ? clWhite : BackgroundColour;
    const int selected = SelectedIndex();
    const TEditor* edited = Line();
    int top = offset.y();
    const int rowWidth = std::max(canvas.Width(), width());
    for (int i = 0; i < Count(); ++i) {
        TEquationObject* line = list_.ItemAt(i);
        if (!line)
            break; // the list changed under the painting
        // Rectangles follow one another: no walk from the first line for each.
        const QRect rect = RectAt(*line, top).translated(offset.x(), 0);
        top += line->height;
        if (!printing && !clip.intersects(QRect(0, rect.top(), rowWidth, std::max(1, rect.height()))))
            continue;
        QPainter& painter = canvas.Painter();
        const QRect row(0, rect.top(), rowWidth, rect.height());
        // Printed rows are on white paper: the grey and black print choices
        // must not turn the paper itself dark.
        painter.fillRect(row, printing ? QColor(Qt::white) : ToQColor(AdjustedColour(canvas, background)));
        if (i == selected && marks) {
            if (line == edited) {
                painter.fillRect(rect, ToQColor(DisplayColour(canvas, EditedLineBackground)));
            } else {
                QPen pen(ToQColor(DisplayColour(canvas, line->colour)), 1, Qt::DotLine);
                painter.setPen(pen);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(rect.adjusted(0, 0, -1, -1));
            }
        }
        if (line == edited && marks) {
            Line()->offsetX = rect.left();
            Line()->offsetY = rect.top();
            PaintEditedLine(canvas, painter);
        } else {
            canvas.MoveTo(rect.left(), rect.top());
            PaintLine(canvas, *line);
        }
    }
    if (!printing && top < canvas.Height())
        canvas.Painter().fillRect(QRect(0, top, rowWidth, canvas.Height() - top),
                                  ToQColor(AdjustedColour(canvas, background)));
}

void TEquationsWindow::PaintAll(Canvas& canvas, bool printing, QPoint offset)
{
    PaintLines(canvas, canvas.Bounds(), printing, false, offset);
}

void TEquationsWindow::PrintLines(Canvas& canvas, QPoint offset)
{
    PaintLines(canvas, canvas.Bounds(), true, false, offset);
}

int TEquationsWindow::PrintHeader(Canvas& canvas, int pageWidth, int pageNumber, const QString& caption,
                                  const QString& printName)
{
    canvas.SetFont(font());
    canvas.SetFontColour(clBlack);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    QString title = caption;
    if (!printName.isEmpty())
        title += QStringLiteral(":  ") + printName.left(30);
    if (pageNumber > 1)
        title += QStringLiteral("    Page ") + QString::number(pageNumber);
    canvas.SetTextAlign(taLeft | taTop);
    canvas.TextOut((pageWidth - canvas.TextWidth(title)) / 2, 0, title);
    const int height = canvas.TextHeight() * 3 / 2;
    QFont formula = font();
    formula.setPixelSize(FormulaHeight());
    canvas.SetFont(formula);
    return height;
}

void TEquationsWindow::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    Canvas canvas(&painter);
    PaintLines(canvas, event->rect(), false, true, QPoint());
}

// ---- input ----------------------------------------------------------------------------------------

void TEquationsWindow::mousePressEvent(QMouseEvent* event)
{
    if (MouseDown(event))
        return;
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    const QPoint point = event->position().toPoint();
    int index = LineAt(point);
    if (index < 0)
        index = Count();
    const bool editing = SelectLine(index);
    if (editing) {
        TMathsEditor::mousePressEvent(event);
    } else if (CanDrag && SelectedObject()) {
        pressPoint_ = point;
        dragArmed_ = true;
    }
    ScheduleIdle();
}

void TEquationsWindow::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (dragArmed_ && (event->buttons() & Qt::LeftButton) &&
        (point - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
        dragArmed_ = false;
        StartDrag();
        return;
    }
    TMathsEditor::mouseMoveEvent(event);
    const QRect selected = LineRect(SelectedIndex());
    setCursor(Line() && selected.contains(point) ? Qt::IBeamCursor : Qt::ArrowCursor);
}

void TEquationsWindow::mouseReleaseEvent(QMouseEvent* event)
{
    dragArmed_ = false;
    TMathsEditor::mouseReleaseEvent(event);
}

QMimeData* TEquationsWindow::LineMimeData() const
{
    auto* data = new QMimeData;
    data->setData(LineDragFormat, WindowTag(this));
    data->setText(AnsiToQString(list_.LineMarkup(SelectedIndex())));
    return data;
}

void TEquationsWindow::StartDrag()
{
    auto* drag = new QDrag(this);
    drag->setMimeData(LineMimeData());
    drag->exec(Qt::MoveAction);
}

bool TEquationsWindow::CanDropAt(QPoint pixel) const
{
    const int target = LineAt(pixel);
    return target >= 0 && list_.DropTarget(target) >= 0;
}

bool TEquationsWindow::DropAt(QPoint pixel)
{
    if (Line() || !CanDropAt(pixel))
        return false;
    const bool moved = list_.MoveSelectedTo(LineAt(pixel));
    update();
    if (moved && MainWindow)
        MainWindow->UndoPostAction();
    return moved;
}

void TEquationsWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->data(LineDragFormat) == WindowTag(this))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TEquationsWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->data(LineDragFormat) == WindowTag(this) && CanDropAt(event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TEquationsWindow::dropEvent(QDropEvent* event)
{
    if (event->mimeData()->data(LineDragFormat) == WindowTag(this) && DropAt(event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TEquationsWindow::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && !Line() && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        SelectRelative(key == Qt::Key_Left ? -1 : 1);
        return;
    }
    if (plain && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        TEditor* line = Line();
        const bool moved = line && (key == Qt::Key_Up ? line->MoveUp() : line->MoveDown());
        if (!moved)
            SelectRelative(key == Qt::Key_Up ? -1 : 1);
        return;
    }
    TMathsEditor::keyPressEvent(event);
    ScheduleIdle();
}

// ---- clipboard --------------------------------------------------------------------------------------

void TEquationsWindow::CopyToClipboard()
{
    if (Line() && Line()->HasSelection()) {
        TMathsEditor::CopyToClipboard();
        return;
    }
    if (SelectedObject())
        QApplication::clipboard()->setText(AnsiToQString(list_.LineMarkup(SelectedIndex())));
}

void TEquationsWindow::CutToClipboard()
{
    if (Line()) {
        TMathsEditor::CutToClipboard();
        return;
    }
    TEquationObject* selected = SelectedObject();
    if (!selected)
        return;
    CopyToClipboard();
    const QString warning = DeleteCurve(selected);
    if (!warning.isEmpty())
        ShowMessage(warning, QMessageBox::Warning, 0);
}

TDrawObject* TEquationsWindow::ObjectAt(QPoint pixel)
{
    return ItemAt(LineAt(pixel));
}

void TEquationsWindow::HintFlags(QPoint, std::uint32_t&) {}
