#include "app/coordinateeditor.h"

#include "app/mousecoords.h"
#include "equations/equationswindow.h"
#include "expr/parser.h"
#include "formula/formulalayout.h"
#include "geometry/coordcurve.h"
#include "geometry/coordrows.h"
#include "graphwindow/graphwindow.h"
#include "platform/canvas.h"
#include "plot/graphobject.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <cmath>

namespace {

// The hot spot of the marker, the centre of its 17 x 17 picture.
constexpr int MarkerHotSpot = 8;
// How near (pixels, each way) the mouse must be to a point to take it.
constexpr int HoverTolerance = 5;

QAction* MakeAction(QObject* parent, const char* name, const QString& caption, const QString& hint,
                    bool checkable = false)
{
    auto* action = new QAction(caption, parent);
    action->setObjectName(name);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    action->setCheckable(checkable);
    return action;
}

} // namespace

TCoordinateEditor::TCoordinateEditor(QWidget* parent) : QWidget(parent)
{
    setObjectName("TCoordinateEditor");
    setWindowTitle(tr("Coordinate editor"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildActions();
    layout->setMenuBar(menu_);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    viewer_ = new QScrollArea(this);
    viewer_->setObjectName("CoordinateViewer");
    viewer_->setWidgetResizable(true);
    grid_ = new TEquationsWindow;
    grid_->setObjectName("CoordWindow");
    grid_->CanDrag = false;
    grid_->Scrolling = viewer_;
    viewer_->setWidget(grid_);
    body->addWidget(viewer_, 1);
    body->addWidget(bar_);
    layout->addLayout(body, 1);
    // Every command of the toolbar shows, not behind an extension arrow.
    setMinimumHeight(menu_->sizeHint().height() + bar_->sizeHint().height());

    grid_->OnStartEdit = [this](TMathsEditor*, bool& newEditor, TEquationObject*, int) {
        GridStartEdit(newEditor);
    };
    grid_->OnFinishEdit = [this](TMathsEditor*, bool& editStopped) { GridFinishEdit(editStopped); };
    grid_->OnSelectCurve = [this](TEquationsWindow*, TEquationObject*, bool selected) {
        GridSelect(selected);
    };
    grid_->installEventFilter(this);
    // A comma goes on to the y of the point; the brackets are the element's own.
    grid_->OnKeyPress = [this](TMathsEditor*, char& key) {
        TEditor* line = grid_->Line();
        if (!line || (key != ',' && key != '(' && key != ')'))
            return;
        if (key == ',') {
            for (TEditorObject* e = line->Elements(); e; e = e->next) {
                auto* point = dynamic_cast<TCoordEditObject*>(e);
                if (!point)
                    continue;
                bool inX = false;
                for (TEditorObject* x = point->Cell(0); x && !inX; x = x->next)
                    inX = x == line->caret.element;
                if (!inX)
                    return; // a comma elsewhere is the user's own
                TEditorObject* last = LastElement(point->Cell(1));
                line->SetCaret(last, last ? last->PositionCount() : 0);
                grid_->update();
                break;
            }
        }
        key = 0;
    };
}

TCoordinateEditor::~TCoordinateEditor()
{
    qApp->removeEventFilter(this);
    if (mouseControl_)
        mouseControl_->ForgetEditor();
    if (graph_ && marker_ && markerShown_)
        graph_->RemoveMarker(marker_.get());
    if (marker_) {
        // The graph window may be gone already: the marker must not ask it for a repaint.
        marker_->Surface = nullptr;
        marker_->HideCount = 1;
    }
    if (curve_)
        curve_->DrawnByEditor = false;
    grid_->OnStartEdit = nullptr;
    grid_->OnFinishEdit = nullptr;
    grid_->OnSelectCurve = nullptr;
}

void TCoordinateEditor::BuildActions()
{
    ok_ = MakeAction(this, "ActionOk", tr("&Finish"), tr("Close coordinate editor"));
    insert_ = MakeAction(this, "ActionInsert", tr("&Insert"), tr("Insert a point"));
    delete_ = MakeAction(this, "ActionDelete", tr("&Delete point"), tr("Delete a point"));
    closed_ = MakeAction(this, "ActionClosed", tr("&Closed"), tr("Join the first and last point"), true);
    joined_ = MakeAction(this, "ActionJoined", tr("&Joined"), tr("Draw lines or crosses"), true);
    help_ = MakeAction(this, "ActionHelp", tr("&Help"), tr("Help"));
    label_ = MakeAction(this, "ActionLabelPoints", tr("&Label"), tr("Label the points"), true);
    shade_ = MakeAction(this, "ShadeBtn", tr("Shade"), tr("Shade shape"), true);
    shade_->setChecked(true);

    firstLetter_ = new QLineEdit(this);
    firstLetter_->setObjectName("FirstLetterEdit");
    firstLetter_->setToolTip(tr("Start labelling at"));
    firstLetter_->setMaxLength(1);
    firstLetter_->setFixedWidth(firstLetter_->fontMetrics().horizontalAdvance(QStringLiteral("MMM")));
    // A letter is taken in capitals; anything else is refused.
    firstLetter_->setValidator(new QRegularExpressionValidator(QRegularExpression("[A-Za-z]"), firstLetter_));
    connect(firstLetter_, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString upper = text.toUpper();
        if (!curve_ || upper.isEmpty())
            return;
        const char letter = static_cast<char>(upper.at(0).toLatin1());
        if (letter >= 'A' && letter <= 'Z')
            curve_->LabelFrom = letter;
        firstLetter_->setText(QString(QChar(curve_->LabelFrom)));
        curve_->RowsChanged();
        Redraw();
        emit ListChanged();
    });

    menu_ = new QMenuBar(this);
    QMenu* edit = menu_->addMenu(tr("&Edit"));
    edit->addAction(delete_);
    edit->addAction(insert_);
    edit->addAction(ok_);
    QMenu* options = menu_->addMenu(tr("&Options"));
    options->addAction(closed_);
    options->addAction(shade_);
    options->addAction(joined_);
    options->addAction(label_);
    QMenu* helpMenu = menu_->addMenu(tr("&Help"));
    helpMenu->addAction(help_);

    bar_ = new QToolBar(this);
    bar_->setObjectName("CoordToolBar");
    bar_->setOrientation(Qt::Vertical);
    bar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (QAction* action : {ok_, help_, delete_, closed_, shade_, joined_, insert_, label_})
        bar_->addAction(action);
    auto* first = new QWidget(bar_);
    auto* firstLayout = new QHBoxLayout(first);
    firstLayout->setContentsMargins(4, 2, 4, 2);
    firstLayout->addWidget(new QLabel(tr("1st"), first));
    firstLayout->addWidget(firstLetter_);
    firstLetterAction_ = bar_->addWidget(first);

    connect(ok_, &QAction::triggered, this, [this] {
        if (Finish())
            emit Finished();
    });
    connect(help_, &QAction::triggered, this, [this] { emit HelpRequested(HelpTopic); });
    connect(insert_, &QAction::triggered, this, &TCoordinateEditor::Insert);
    connect(delete_, &QAction::triggered, this, &TCoordinateEditor::DeletePoint);
    connect(closed_, &QAction::triggered, this, [this](bool checked) {
        if (!curve_)
            return;
        if (curve_->RowCount() < 3) {
            curve_->Closed = checked;
        } else if (checked != curve_->Closed && CommitRow() != crError) {
            curve_->Closed = !curve_->Closed;
        }
        curve_->RowsChanged();
        closed_->setChecked(curve_->Closed);
        Redraw();
        ShowOptions();
        grid_->setFocus();
        emit ListChanged();
    });
    connect(joined_, &QAction::triggered, this, [this](bool checked) {
        if (!curve_)
            return;
        if (checked != curve_->Joined && CommitRow() != crError) {
            curve_->Joined = checked;
            curve_->RowsChanged();
            Redraw();
            SelectRow(CurrentRow());
            emit ListChanged();
        }
        joined_->setChecked(curve_->Joined);
        ShowOptions();
    });
    connect(label_, &QAction::triggered, this, [this](bool checked) {
        if (!curve_)
            return;
        curve_->SetSwitches(checked ? (curve_->Switches() & ~swLabelsOff)
                                    : (curve_->Switches() | swLabelsOff));
        curve_->RowsChanged();
        ShowOptions();
        Redraw();
        emit ListChanged();
    });
    connect(shade_, &QAction::triggered, this, [this](bool checked) {
        if (!curve_)
            return;
        curve_->SetSwitches(checked ? (curve_->Switches() | swShade) : (curve_->Switches() & ~swShade));
        curve_->RowsChanged();
        Redraw();
        emit ListChanged();
    });
}

void TCoordinateEditor::SetWindows(TEquationsWindow* mainEquations, TGraphWindow* graph)
{
    mainEquations_ = mainEquations;
    graph_ = graph;
}

void TCoordinateEditor::SetErrorReporter(QLabel* label)
{
    grid_->ErrorReporter = label;
}

QAction* TCoordinateEditor::Action(const char* name) const
{
    return findChild<QAction*>(name);
}

// ---- binding -------------------------------------------------------------------------------

int TCoordinateEditor::RowCount() const
{
    return curve_ ? curve_->RowCount() : 0;
}

int TCoordinateEditor::CurrentRow() const
{
    const int index = grid_->SelectedIndex();
    return curve_ && index >= 0 && index < RowCount() ? index : -1;
}

void TCoordinateEditor::EditList(TCoordCurve* list)
{
    if (!list)
        return;
    if (curve_ && curve_ != list)
        Unbind();
    curve_ = list;
    bound_ = true;
    // A list with no rows gets one to type into.
    if (curve_->RowCount() == 0) {
        curve_->Points.Add(std::make_unique<TBlankCoordinates>());
        curve_->RowsChanged();
    }
    FillGrid();
    const bool dataSet = dynamic_cast<TDataPoints*>(curve_) != nullptr;
    closed_->setVisible(!dataSet);
    joined_->setVisible(!dataSet);
    ShowOptions();
    if (!marker_)
        marker_ = std::make_unique<TBitMapMarker>("CoordinateMarker", MarkerHotSpot, MarkerHotSpot, 0, 0);
    SelectRow(RowCount() - 1);
    if (active_) {
        curve_->DrawnByEditor = true;
        RetakeBackground();
        AttachMouse();
    }
    ShowMarker();
}

void TCoordinateEditor::FillGrid()
{
    grid_->ClearAll();
    if (!curve_)
        return;
    for (int i = 0; i < curve_->RowCount(); ++i)
        grid_->List().InsertAt(i, std::make_unique<TCoordRowLine>(*curve_->Points[i]));
    grid_->UpdateScrollRanges();
    grid_->update();
}

void TCoordinateEditor::ShowOptions()
{
    if (!curve_)
        return;
    joined_->setChecked(curve_->Joined);
    closed_->setChecked(curve_->Closed);
    closed_->setEnabled(curve_->Joined);
    label_->setChecked(!curve_->LabelsSuppressed());
    shade_->setChecked(curve_->Shaded());
    shade_->setVisible(curve_->Closed && curve_->Joined && !dynamic_cast<TDataPoints*>(curve_));
    firstLetterAction_->setVisible(label_->isChecked());
    firstLetter_->setText(QString(QChar(curve_->LabelLetter())));
}

void TCoordinateEditor::Unbind()
{
    if (unbinding_)
        return;
    unbinding_ = true;
    HideMarker();
    if (curve_)
        curve_->DrawnByEditor = false;
    // The grid's lines go first: none of them refers to the list, but the edited one must not be committed.
    grid_->Deselect();
    grid_->ClearAll();
    curve_ = nullptr;
    bound_ = false;
    hoverIndex_ = -1;
    dragging_ = false;
    unbinding_ = false;
}

void TCoordinateEditor::Shutdown()
{
    qApp->removeEventFilter(this);
    HideMarker();
    DetachMouse();
    active_ = false;
    Unbind();
    graph_ = nullptr;
    mainEquations_ = nullptr;
}

void TCoordinateEditor::LineLeaving(const TEquationObject* line)
{
    if (!line || line != curve_)
        return;
    // The list is about to be freed (deleted, replaced, the document cleared or
    // restored by Undo): nothing may refer to it from now on, and the graph
    // takes no more points for it.
    Deactivate();
    Unbind();
    if (graph_)
        graph_->update();
}

void TCoordinateEditor::FollowSelection(TEquationObject* object)
{
    auto* list = dynamic_cast<TCoordCurve*>(object);
    if (!isVisible() || !list || list == curve_ || creatingShape_)
        return;
    if (curve_ && !Finish())
        return;
    EditList(list);
}

bool TCoordinateEditor::IsFreshEntry() const
{
    return bound_ && curve_ && curve_->RowCount() <= 1 && RowEmpty();
}

bool TCoordinateEditor::RowEmpty() const
{
    TEditor* line = grid_->Line();
    if (line) {
        TEditorObject* list = line->Elements();
        return Tidy(list, tmTest);
    }
    const int index = CurrentRow();
    return index < 0 || !curve_->PointAt(index);
}

bool TCoordinateEditor::SettleInput()
{
    return CommitRow() != crError;
}

// ---- committing and the grid's events --------------------------------------------------------

TCoordinateEditor::TCommit TCoordinateEditor::CommitRow()
{
    TEditor* line = grid_->Line();
    const int index = CurrentRow();
    if (!line || !curve_ || index < 0)
        return crUnchanged;
    std::unique_ptr<TBlankCoordinates> result;
    if (line->modified) {
        line->TidyLine(tmFinish);
        TCoordEditObject* element = nullptr;
        for (TEditorObject* e = line->Elements(); e && !element; e = e->next)
            element = dynamic_cast<TCoordEditObject*>(e);
        if (element) {
            const std::vector<TEquationObject*> names =
                mainEquations_ ? mainEquations_->List().Lines() : std::vector<TEquationObject*>();
            TCoordinateParse parsed = ParseCoordinates(*element, &names);
            if (parsed.Failed()) {
                line->TidyLine(tmPaste);
                TParseParams params;
                params.error.message = parsed.message;
                params.error.element = parsed.element;
                params.error.position = parsed.position;
                grid_->ShowError(params);
                grid_->update();
                return crError;
            }
            result = std::move(parsed.row);
        } else {
            // What is not a point is a gap.
            result = std::make_unique<TBlankCoordinates>();
        }
    }
    TCommit answer = crUnchanged;
    if (result) {
        const auto* before = curve_->PointAt(index);
        const auto* after = dynamic_cast<const TCoordinates*>(result.get());
        bool same = !before && !after;
        if (before && after) {
            const TRealPoint a = before->Point(), b = after->Point();
            same = a.x == b.x && a.y == b.y && NumberText(*before->X) == NumberText(*after->X) &&
                   NumberText(*before->Y) == NumberText(*after->Y);
        }
        if (!same) {
            HideMarker();
            curve_->ReplaceRow(index, std::move(result));
            Redraw();
            answer = crChanged;
            emit ListChanged();
        }
    }
    // The grid row shows the row again, as a line of its own.
    std::unique_ptr<TEquationObject> held = grid_->List().ReleaseEditedObject(*line);
    std::unique_ptr<TEquationObject> editor =
        grid_->List().ReplaceLine(*line, std::make_unique<TCoordRowLine>(*curve_->Points[index]));
    editor.reset();
    held.reset();
    grid_->update();
    if (answer == crChanged)
        ShowMarker();
    return answer;
}

void TCoordinateEditor::GridStartEdit(bool& newEditor)
{
    if (!curve_) {
        newEditor = false;
        return;
    }
    if (newEditor) {
        // Moving beyond the last row asks for a new one.
        NewLineAt(RowCount());
        newEditor = grid_->Line() != nullptr;
        return;
    }
    grid_->StartEditDefault(newEditor, nullptr, 0);
}

void TCoordinateEditor::GridFinishEdit(bool& editStopped)
{
    editStopped = CommitRow() != crError;
}

void TCoordinateEditor::GridSelect(bool selected)
{
    if (!selected) {
        HideMarker();
        return;
    }
    if (!curve_)
        return;
    if (grid_->SelectedIndex() >= RowCount()) {
        InsertRowAt(RowCount());
        grid_->SetSelected(RowCount() - 1);
    }
    if (!grid_->Line())
        grid_->StartEdit(false);
    RemoveSpareBlanks();
    ShowMarker();
}

void TCoordinateEditor::RemoveSpareBlanks()
{
    if (!curve_)
        return;
    // A gap stays only between points, or as the current row and the one after it.
    bool previousBlank = true;
    for (int i = 0; i < RowCount();) {
        const int current = CurrentRow();
        const bool point = curve_->PointAt(i) != nullptr || (i == current && !RowEmpty());
        if (point) {
            previousBlank = false;
            ++i;
            continue;
        }
        const bool last = i == RowCount() - 1;
        if (i != current && (last || (previousBlank && i != current + 1))) {
            RemoveRowAt(i);
            continue;
        }
        previousBlank = true;
        ++i;
    }
}

bool TCoordinateEditor::SelectRow(int index)
{
    if (!curve_ || RowCount() == 0)
        return false;
    index = std::clamp(index, 0, RowCount() - 1);
    if (grid_->SelectedIndex() == index && grid_->Line())
        return true;
    grid_->SelectLine(index);
    return grid_->SelectedIndex() == index && grid_->Line() != nullptr;
}

void TCoordinateEditor::InsertRowAt(int row)
{
    curve_->InsertRow(row, std::make_unique<TBlankCoordinates>());
    grid_->List().InsertAt(row, std::make_unique<TCoordRowLine>(*curve_->Points[row]));
    grid_->UpdateScrollRanges();
}

void TCoordinateEditor::RemoveRowAt(int row)
{
    TEquationObject* line = grid_->ItemAt(row);
    if (line && line == grid_->Line()) {
        // The row being edited goes without being committed.
        std::unique_ptr<TEquationObject> held = grid_->List().ReleaseEditedObject(*grid_->Line());
        held.reset();
    }
    grid_->List().RemoveObject(line);
    curve_->DeleteRow(row);
    grid_->UpdateScrollRanges();
}

void TCoordinateEditor::NewLineAt(int position)
{
    if (!curve_ || (grid_->Line() && RowEmpty()))
        return;
    if (CommitRow() == crError)
        return;
    if (position < 0)
        position = 0;
    InsertRowAt(std::min(position, RowCount()));
    SelectRow(position);
    Redraw();
}

// ---- commands ---------------------------------------------------------------------------------

void TCoordinateEditor::Insert()
{
    if (!curve_)
        return;
    int index = CurrentRow();
    if (index < 0) {
        NewLineAt(RowCount());
        return;
    }
    // No second blank row at the end.
    if (index == RowCount() - 1 && RowEmpty() && RowCount() >= 2 && !curve_->PointAt(index - 1))
        return;
    bool before = false;
    if (TEditor* line = grid_->Line(); line && !RowEmpty()) {
        const TCaretPosition was = line->caret;
        line->CaretToStart();
        line->SnapCaret();
        before = was.element == line->caret.element && was.offset == line->caret.offset;
    }
    if (CommitRow() == crError)
        return;
    index = CurrentRow();
    if (before)
        --index;
    if (!(curve_->Closed && RowCount() == 2))
        InsertRowAt(index + 1);
    SelectRow(index + 1);
    Redraw();
    emit ListChanged();
}

void TCoordinateEditor::DeletePoint()
{
    if (!curve_)
        return;
    const int index = CurrentRow();
    if (index < 0)
        return;
    HideMarker();
    RemoveRowAt(index);
    Redraw();
    if (RowCount() == 0) {
        InsertRowAt(0);
        SelectRow(0);
    } else {
        SelectRow(std::min(index, RowCount() - 1));
    }
    ShowMarker();
    grid_->setFocus();
    emit ListChanged();
}

bool TCoordinateEditor::Finish()
{
    if (!curve_)
        return true;
    if (CommitRow() == crError)
        return false;
    HideMarker();
    // Rows at the end that hold no point go.
    while (RowCount() > 0 && !curve_->PointAt(RowCount() - 1))
        RemoveRowAt(RowCount() - 1);
    TCoordCurve* list = curve_;
    const bool empty = RowCount() == 0;
    Deactivate();
    Unbind();
    if (empty && mainEquations_ && mainEquations_->List().IndexOf(list) >= 0)
        mainEquations_->DeleteObject(list); // an empty list left when the editor closes is deleted
    emit ListChanged();
    return true;
}

// ---- activation ---------------------------------------------------------------------------------

void TCoordinateEditor::Activate()
{
    if (active_ || inMouseAction_) {
        inMouseAction_ = false;
        // Back from another mouse tool: points are taken from the graph again.
        if (active_ && !mouseControl_)
            AttachMouse();
        return;
    }
    if (!bound_) {
        creatingShape_ = true;
        emit NewListRequested();
        creatingShape_ = false;
        if (!bound_)
            return;
    }
    active_ = true;
    if (curve_)
        curve_->DrawnByEditor = true;
    RetakeBackground();
    AttachMouse();
    qApp->installEventFilter(this);
    ShowMarker();
}

void TCoordinateEditor::Deactivate()
{
    if (!active_)
        return;
    active_ = false;
    qApp->removeEventFilter(this);
    HideMarker();
    DetachMouse();
    if (curve_) {
        curve_->DrawnByEditor = false;
        curve_->DiscardLineStore();
    }
    if (graph_)
        graph_->LinesChanged(0);
}

void TCoordinateEditor::AttachMouse()
{
    if (!graph_ || !active_)
        return;
    graph_->SetMouseMode(mmCoordinates);
    if (!mouseControl_) {
        auto control = std::make_unique<TMouseCoords>(*graph_, this);
        mouseControl_ = control.get();
        graph_->SetActiveTool(std::move(control));
    }
}

void TCoordinateEditor::DetachMouse()
{
    if (graph_ && mouseControl_ && graph_->ActiveTool() == mouseControl_) {
        mouseControl_->ForgetEditor();
        mouseControl_ = nullptr;
        graph_->SetMouseMode(mmNone);
    } else if (mouseControl_) {
        mouseControl_->ForgetEditor();
        mouseControl_ = nullptr;
    }
}

void TCoordinateEditor::MouseControlGone(TMouseCoords* control)
{
    if (control == mouseControl_)
        mouseControl_ = nullptr;
}

// ---- drawing ---------------------------------------------------------------------------------

void TCoordinateEditor::Redraw()
{
    if (!graph_)
        return;
    if (curve_ && curve_->DrawnByEditor) {
        // Only the list is drawn again, over the graph's picture (which is drawn without it).
        curve_->DiscardLineStore();
        graph_->update();
    } else {
        graph_->LinesChanged(0);
    }
}

void TCoordinateEditor::RetakeBackground()
{
    // The graph's picture is drawn again without the list, which the editor draws over it from now on.
    if (!graph_)
        return;
    if (curve_)
        curve_->DiscardLineStore();
    graph_->LinesChanged(0);
}

void TCoordinateEditor::PaintCurve(Canvas& canvas)
{
    if (curve_ && curve_->DrawnByEditor && graph_)
        curve_->DrawForEditor(canvas, graph_->Params());
}

void TCoordinateEditor::ShowMarker()
{
    if (!marker_ || !curve_ || !graph_ || !active_)
        return;
    const int index = CurrentRow();
    const TCoordinates* point = curve_->PointAt(index);
    if (!point) {
        HideMarker();
        return;
    }
    const TRealPoint p = point->Point();
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
        HideMarker();
        return;
    }
    if (markerShown_)
        marker_->Invalidate();
    marker_->AnchorX = p.x;
    marker_->AnchorY = p.y;
    if (!markerShown_) {
        graph_->AddMarker(marker_.get());
        markerShown_ = true;
    } else {
        marker_->Invalidate();
    }
}

void TCoordinateEditor::HideMarker()
{
    if (!markerShown_)
        return;
    markerShown_ = false;
    if (graph_ && marker_)
        graph_->RemoveMarker(marker_.get());
}

// ---- point entry ----------------------------------------------------------------------------------

void TCoordinateEditor::Hover(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    hoverIndex_ = -1;
    if (curve_ && graph_) {
        const int row = curve_->RowNear(*graph_->Params().Axes, pixel, HoverTolerance);
        if (row >= 0)
            hoverIndex_ = (modifiers & Qt::ShiftModifier) ? row : -row - 2;
    }
    if (graph_)
        graph_->SetToolCursor(hoverIndex_ >= 0 ? TCursorSlot::Hand : TCursorSlot::Coords);
}

void TCoordinateEditor::ShiftChanged(bool down)
{
    if (down && hoverIndex_ <= -2)
        hoverIndex_ = -hoverIndex_ - 2;
    else if (!down && hoverIndex_ >= 0)
        hoverIndex_ = -hoverIndex_ - 2;
    if (graph_ && active_)
        graph_->SetToolCursor(hoverIndex_ >= 0 ? TCursorSlot::Hand : TCursorSlot::Coords);
}

bool TCoordinateEditor::Press(QPoint pixel)
{
    if (!curve_ || !graph_)
        return false;
    if (hoverIndex_ >= 0) {
        // Shift and a press on a point: that point is dragged.
        if (!SelectRow(hoverIndex_))
            return false;
    } else if (!RowEmpty()) {
        // Otherwise the press adds a point after the current row.
        const int index = CurrentRow();
        if (CommitRow() == crError)
            return false;
        InsertRowAt(index + 1);
        if (!SelectRow(index + 1))
            return false;
    } else if (!grid_->Line() && !SelectRow(CurrentRow())) {
        return false;
    }
    HideMarker();
    dragging_ = true;
    PutPoint(pixel);
    return true;
}

void TCoordinateEditor::DragTo(QPoint pixel)
{
    if (dragging_)
        PutPoint(pixel);
}

void TCoordinateEditor::PutPoint(QPoint pixel)
{
    const int index = CurrentRow();
    if (!curve_ || !graph_ || index < 0)
        return;
    const TRealPoint value = graph_->Params().Axes->PixelToRoundedValue(pixel);
    auto point = std::make_unique<TCoordinates>(value.x, value.y);
    // The edited line shows the new point; it holds what the row holds, so committing changes nothing.
    if (TEditor* line = grid_->Line()) {
        TElementList shown = point->DisplayElements();
        line->ReplaceInput(std::move(shown));
        line->modified = false;
        line->Remeasure();
    }
    curve_->ReplaceRow(index, std::move(point));
    Redraw();
    grid_->update();
    emit ListChanged();
}

void TCoordinateEditor::Release()
{
    if (!dragging_)
        return;
    dragging_ = false;
    inMouseAction_ = true;
    grid_->setFocus();
    inMouseAction_ = false;
    ShowMarker();
    if (TEditor* line = grid_->Line()) {
        line->CaretToEnd();
        line->Remeasure();
    }
    grid_->update();
}

// ---- keys ------------------------------------------------------------------------------------------

bool TCoordinateEditor::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Shift && active_)
        ShiftChanged(event->type() == QEvent::KeyPress);
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Insert();
            return true;
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            if (plain && curve_ && RowEmpty() && CurrentRow() >= 0) {
                DeletePoint();
                return true;
            }
            break;
        case Qt::Key_Down:
            if (plain && CurrentRow() == RowCount() - 1 && !(grid_->Line() && grid_->Line()->MoveDown())) {
                NewLineAt(RowCount());
                return true;
            }
            break;
        case Qt::Key_Up:
            if (plain && CurrentRow() == 0 && !(grid_->Line() && grid_->Line()->MoveUp())) {
                NewLineAt(-1);
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
