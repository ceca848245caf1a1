#include "app/shapework.h"

#include "app/coordinateeditor.h"
#include "app/coordinatelister.h"
#include "app/lumacurveform.h"
#include "entry/shapeentry.h"
#include "equations/equationswindow.h"
#include "formula/descriptions.h"
#include "geometry/polygon.h"
#include "graphwindow/graphwindow.h"
#include "settings/configuration.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

namespace {

// The flag of the Flag command, closed.
constexpr int FlagPoints[] = {1, 1, 1, 3, 2, 2, 1, 2};
// The popup items of the shapes: Delete point, Label, Shade.
constexpr int PopupDeletePoint = 1;
constexpr int PopupLabel = 15;
constexpr int PopupShade = 16;

TElementList DescriptionCell(int number)
{
    TElementList list(new TEditorObject);
    list->next = new TFixedDescription(number);
    return list;
}

TElementList PointCell()
{
    TElementList list(new TEditorObject);
    list->next = new TCoordEditObject;
    return list;
}

// A line of fields for the user to fill: descriptions where numbers says 0,
// empty slots and an empty "(x, y)" elsewhere.
TElementList FieldLine(std::initializer_list<int> fields, int mask)
{
    auto* list = new TFixedList(static_cast<int>(fields.size()), mask);
    int i = 0;
    for (int field : fields) {
        if (field > 0)
            list->SetCell(i, DescriptionCell(field).release());
        else if (field < 0)
            list->SetCell(i, PointCell().release());
        ++i;
    }
    TElementList line(new TEditorObject);
    line->next = list;
    return line;
}

bool Inside(const QWidget* widget, const QWidget* ancestor)
{
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (w == ancestor)
            return true;
    return false;
}

} // namespace

TShapeWork::TShapeWork(TLumacurveForm& form) : QObject(&form), form_(form)
{
    previousHost_ = PlotHost;
    PlotHost = this;
}

TShapeWork::~TShapeWork()
{
    disconnect(qApp, nullptr, this, nullptr);
    CoordinateEditorOpener = nullptr;
    if (PlotHost == this)
        PlotHost = previousHost_;
}

void TShapeWork::Register()
{
    editor_ = new TCoordinateEditor;
    editor_->SetWindows(form_.Equations(), form_.GraphArea());
    editor_->SetErrorReporter(form_.MessageLabel());
    editorPanel_ = form_.AddPanel("CoordsDockPanel", editor_->windowTitle(), editor_, Qt::LeftDockWidgetArea);
    editorPanel_->hide();
    lister_ = new TCoordinateLister;
    listerPanel_ =
        form_.AddPanel("CoordListerDockPanel", lister_->windowTitle(), lister_, Qt::LeftDockWidgetArea);
    listerPanel_->hide();
    if (QDockWidget* equations = form_.Panel("EquationsDockPanel")) {
        form_.splitDockWidget(equations, editorPanel_, Qt::Vertical);
        form_.splitDockWidget(editorPanel_, listerPanel_, Qt::Vertical);
    }

    connect(editor_, &TCoordinateEditor::HelpRequested, this, [this](int topic) { form_.ShowHelp(topic); });
    connect(lister_, &TCoordinateLister::HelpRequested, this, [this](int topic) { form_.ShowHelp(topic); });
    connect(lister_, &TCoordinateLister::CloseRequested, listerPanel_, &QDockWidget::hide);
    connect(editor_, &TCoordinateEditor::Finished, this, [this] {
        editorPanel_->hide();
        form_.UndoPostAction();
        form_.UpdateCommands();
    });
    connect(editor_, &TCoordinateEditor::ListChanged, this, [this] {
        form_.SetModified(true);
        form_.Equations()->ScheduleIdle();
        form_.UndoPostAction();
    });
    connect(editor_, &TCoordinateEditor::NewListRequested, this, [this] { NewList(dnCoordinates); });
    // Closing the panel ends the editing like Finish (a row with a fault keeps it open).
    connect(editorPanel_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!visible && editor_->Curve() && !editorPanel_->isVisible()) {
            if (!editor_->Finish())
                QTimer::singleShot(0, editorPanel_, &QDockWidget::show);
            form_.UndoPostAction();
        }
    });
    // The editor is active while the focus is in its panel (or on the graph it takes points from).
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FocusChanged(now); });

    RegisterCommands();
    JoinEvents();
    CoordinateEditorOpener = [this](TCoordCurve* list) {
        // Opened after the equations window has finished with its own handling.
        QTimer::singleShot(0, this, [this, list] {
            if (form_.Equations()->List().IndexOf(list) >= 0)
                OpenCoordinateEditor(list);
        });
    };
}

void TShapeWork::Shutdown()
{
    disconnect(qApp, nullptr, this, nullptr);
    for (QObject* sender : {static_cast<QObject*>(editorPanel_), static_cast<QObject*>(listerPanel_),
                            static_cast<QObject*>(editor_), static_cast<QObject*>(lister_)})
        if (sender)
            disconnect(sender, nullptr, this, nullptr);
    if (editor_)
        editor_->Shutdown();
    CoordinateEditorOpener = nullptr;
    if (PlotHost == this)
        PlotHost = previousHost_;
}

void TShapeWork::FocusChanged(QWidget* now)
{
    if (!now || !editor_)
        return;
    if (Inside(now, editorPanel_))
        editor_->Activate();
    else if (!Inside(now, form_.GraphArea()) && !qobject_cast<QMenu*>(now))
        editor_->Deactivate();
}

bool TShapeWork::CoordinateEditorBound() const
{
    return editor_ && editor_->Curve() != nullptr;
}

bool TShapeWork::SettleInput()
{
    if (!CoordinateEditorBound())
        return true;
    if (!editor_->Finish())
        return false;
    editorPanel_->hide();
    return true;
}

void TShapeWork::OpenCoordinateEditor(TCoordCurve* list)
{
    if (!list)
        return;
    form_.UndoPostAction();
    editorPanel_->show();
    editorPanel_->raise();
    editor_->EditList(list);
    if (!editorPanel_->isFloating())
        editor_->Grid()->setFocus();
    editor_->Activate();
}

void TShapeWork::AddFacts(TCommandFacts& facts) const
{
    facts.selectedPointList = dynamic_cast<TCoordCurve*>(form_.Equations()->SelectedObject()) != nullptr;
    facts.coordinateEditorActive = editor_ && editor_->Active();
}

// ---- the plot host ----------------------------------------------------------------------------

void TShapeWork::RedrawCurve(TCurvePLotter& curve)
{
    const int index = LineIndexOf(&curve);
    curve.DiscardLineStore();
    if (index >= 0)
        form_.GraphArea()->LinesChanged(index);
}

int TShapeWork::LineIndexOf(const TEquationObject* object) const
{
    return form_.Equations()->List().IndexOf(object);
}

std::vector<TEquationObject*> TShapeWork::Lines() const
{
    return form_.Equations()->List().Lines();
}

std::unique_ptr<TEquationObject> TShapeWork::ReplaceLine(TEquationObject& old,
                                                         std::unique_ptr<TEquationObject> replacement)
{
    return form_.Equations()->List().ReplaceLine(old, std::move(replacement));
}

TGraphParams* TShapeWork::GraphParams()
{
    return &form_.GraphArea()->Params();
}

void TShapeWork::SetGraphMouseMode(int code)
{
    form_.SetSelectionMouseMode(code);
}

// ---- commands -----------------------------------------------------------------------------------

void TShapeWork::RegisterCommands()
{
    TCommandList& c = form_.Commands();
    c.SetHandler("ActionNewShape", [this] { NewList(dnCoordinates); });
    c.SetHandler("ActionDataPoints", [this] { NewList(dnDataPoints); });
    c.SetHandler("ActionFlag", [this] { NewFlag(); });
    for (const char* name :
         {"ActionTriangle", "ActionSquare", "ActionPentagon", "ActionHexagon", "ActionOctagon"}) {
        const int sides = FindCommand(name)->tag;
        c.SetHandler(name, [this, sides] { NewShape(sides); });
    }
    c.SetHandler("ActionPolygon", [this] { NewPolygonLine(); });
    c.SetHandler("ActionCoordList", [this] {
        listerPanel_->show();
        listerPanel_->raise();
        lister_->ShowList(form_.Equations()->SelectedObject(), &form_.GraphArea()->Params());
    });
    c.SetHandler("ActionSwapxy", [this] { SwapXY(); });
    c.SetHandler("ActionArea", [this] { ShowArea(); });

    // The popup's items for shapes.
    for (QAction* action : form_.GraphPopup()->findChildren<QAction*>()) {
        if (!action->data().isValid())
            continue;
        switch (action->data().toInt()) {
        case PopupDeletePoint:
            popupDeletePoint_ = action;
            break;
        case PopupLabel:
            popupLabel_ = action;
            break;
        case PopupShade:
            popupShade_ = action;
            break;
        default:
            break;
        }
    }
    for (QAction* action : {popupDeletePoint_, popupLabel_, popupShade_})
        if (action)
            action->setVisible(false);
    if (popupLabel_)
        popupLabel_->setCheckable(true);
    if (popupShade_)
        popupShade_->setCheckable(true);
    auto popupCurve = [this]() -> TCurvePLotter* {
        TEquationObject* object = popupObject_;
        popupObject_ = nullptr;
        if (!object || form_.Equations()->List().IndexOf(object) < 0)
            return nullptr;
        return dynamic_cast<TCurvePLotter*>(object);
    };
    if (popupDeletePoint_)
        connect(popupDeletePoint_, &QAction::triggered, this, [this, popupCurve] {
            auto* list = dynamic_cast<TCoordCurve*>(popupCurve());
            if (list && list->DeletePointAt(popupPoint_, form_.GraphArea()->Params()))
                ListChanged(list);
        });
    auto toggle = [this, popupCurve](std::uint16_t mask) {
        TCurvePLotter* curve = popupCurve();
        if (!curve)
            return;
        curve->SetSwitch(mask, !(curve->Switches() & mask));
        ListChanged(curve);
    };
    if (popupLabel_)
        connect(popupLabel_, &QAction::triggered, this, [toggle] { toggle(swLabelsOff); });
    if (popupShade_)
        connect(popupShade_, &QAction::triggered, this, [toggle] { toggle(swShade); });
}

void TShapeWork::PopupOpening(TEquationObject* object, QPoint point, bool onGraph)
{
    popupObject_ = object;
    popupPoint_ = point;
    auto* list = dynamic_cast<TCoordCurve*>(object);
    auto* polygon = dynamic_cast<TPolygon*>(object);
    const bool shape = list || polygon;
    const bool editing = form_.Equations()->Line() != nullptr;
    if (popupDeletePoint_) {
        bool onPoint = false;
        if (list && onGraph) {
            // Whether a point's handle is (or would be) under the click.
            const bool shown = list->DragPoints != nullptr;
            if (!shown)
                list->RebuildDragPoints();
            onPoint = list->DragPoints->IndexAt(point, form_.GraphArea()->Params()) >= 0;
            if (!shown)
                list->DragPoints.reset();
        }
        popupDeletePoint_->setVisible(onPoint);
        popupDeletePoint_->setEnabled(onPoint && !editing);
    }
    if (popupLabel_) {
        popupLabel_->setVisible(shape && object->HasProperty(0x400000));
        popupLabel_->setEnabled(!editing);
        popupLabel_->setChecked(shape && !(object->Switches() & swLabelsOff));
    }
    if (popupShade_) {
        popupShade_->setVisible(shape && object->HasProperty(0x200000));
        popupShade_->setEnabled(!editing);
        popupShade_->setChecked(shape && (object->Switches() & swShade));
    }
}

bool TShapeWork::FinishPendingLine()
{
    TEquationsWindow& equations = *form_.Equations();
    if (!equations.Line())
        return true;
    // A fault in the line being typed is shown on the status line, with the
    // caret at it, and the command waits: no message box stops the work.
    QLabel* reporter = equations.ErrorReporter;
    equations.ErrorReporter = form_.MessageLabel();
    const bool finished = equations.FinishPendingEdit();
    equations.ErrorReporter = reporter;
    return finished;
}

TEquationObject* TShapeWork::AddLine(std::unique_ptr<TEquationObject> object)
{
    TEquationsWindow& equations = *form_.Equations();
    if (!FinishPendingLine())
        return nullptr;
    object->colour = CurveColour(equations.Count());
    TEquationObject* added = object.get();
    const int index = equations.InsertObject(std::move(object));
    equations.SelectLine(index);
    return added;
}

void TShapeWork::NewList(int kind)
{
    if (editor_->IsFreshEntry()) {
        // A list just begun is still empty: the editor is shown instead of making another.
        editorPanel_->show();
        editor_->Grid()->setFocus();
        return;
    }
    std::unique_ptr<TCoordCurve> list;
    if (kind == dnDataPoints)
        list = std::make_unique<TDataPoints>();
    else
        list = std::make_unique<TCoordCurve>(dnCoordinates);
    list->DescriptionFlag = true;
    auto* made = static_cast<TCoordCurve*>(AddLine(std::move(list)));
    if (made)
        OpenCoordinateEditor(made);
}

void TShapeWork::NewFlag()
{
    auto flag = std::make_unique<TCoordCurve>(dnCoordinates);
    flag->AddIntegerPoints(FlagPoints, true);
    flag->DescriptionFlag = true;
    AddLine(std::move(flag));
    form_.GraphArea()->LinesChanged(0);
}

void TShapeWork::NewShape(int sides)
{
    const int description = NamedShapeDescription(sides);
    if (!FinishPendingLine())
        return;
    if (!Configuration.DragCurves) {
        // A line to fill in: the shape, its side length and its centre.
        form_.Equations()->AddLineWith(FieldLine({description, dnSidesOfLength, 0, dnCentre, -1}, 11), 0,
                                       false, 0);
        return;
    }
    auto shape = std::make_unique<TDragPolygon>(sides);
    shape->SetElements(TDragPolygon::PlacingLine(sides));
    shape->DescriptionFlag = true;
    ApplyNewShapeSwitches(*shape);
    auto* placing = static_cast<TDragPolygon*>(AddLine(std::move(shape)));
    if (!placing)
        return;
    ShowStatus(placing->PlacingPrompt());
    TGraphWindow* graph = form_.GraphArea();
    graph->SetMouseMode(mmNone);
    graph->SetActiveTool(std::make_unique<TMousePlaceShape>(*graph, placing, [this](TDragPolygon* placed) {
        TEquationsWindow& equations = *form_.Equations();
        const int index = equations.List().IndexOf(placed);
        if (index < 0)
            return;
        equations.ScheduleIdle();
        equations.InvalidateLine(index, 1);
        form_.GraphArea()->LineChanged(index);
        if (placed->Complete()) {
            form_.SetModified(true);
            form_.UndoPostAction();
        }
    }));
}

void TShapeWork::NewPolygonLine()
{
    if (!FinishPendingLine())
        return;
    form_.Equations()->AddLineWith(FieldLine({dnPolygonWith, 0, dnSidesOfLength, 0, dnCentre, -1}, 21), 0,
                                   false, 0);
}

void TShapeWork::ShowArea()
{
    // On a curve with tangents the command draws its area function instead.
    if (form_.StartAreaFunction())
        return;
    auto* curve = dynamic_cast<TCurvePLotter*>(form_.Equations()->SelectedObject());
    if (!curve || !curve->HasProperty(0x80))
        return;
    const std::string area = FormatNumber(Configuration.MouseFigures, false, curve->Area());
    form_.Message(QString("The area of the polygon is %1").arg(QString::fromStdString(area)),
                  QMessageBox::Information);
}

void TShapeWork::SwapXY()
{
    auto* list = dynamic_cast<TCoordCurve*>(form_.Equations()->SelectedObject());
    if (!list)
        return;
    const bool editing = editor_->Curve() == list;
    if (editing && editor_->CommitRow() == TCoordinateEditor::crError)
        return;
    list->SwapXY();
    if (editing)
        editor_->EditList(list);
    ListChanged(list);
}

void TShapeWork::ListChanged(TCurvePLotter* curve)
{
    const int index = LineIndexOf(curve);
    if (index >= 0)
        form_.GraphArea()->LineChanged(index);
    form_.Equations()->ScheduleIdle();
    form_.SetModified(true);
    form_.UndoPostAction();
    form_.UpdateCommands();
}

// ---- the equations window's events --------------------------------------------------------------

void TShapeWork::JoinEvents()
{
    TEquationsWindow& equations = *form_.Equations();
    auto selected = equations.OnSelectCurve;
    equations.OnSelectCurve = [this, selected](TEquationsWindow* sender, TEquationObject* object,
                                               bool select) {
        if (selected)
            selected(sender, object, select);
        if (!select)
            return;
        if (listerPanel_->isVisible())
            lister_->ShowList(object, &form_.GraphArea()->Params());
        editor_->FollowSelection(object);
    };
    auto processed = equations.OnChangesProcessed;
    equations.OnChangesProcessed = [this, processed] {
        if (processed)
            processed();
        if (listerPanel_->isVisible())
            lister_->RelistIfChanged();
    };
    equations.OnLineLeaving = [this](TEquationObject* line) {
        // Nothing may keep a line that is about to be freed.
        lister_->LineLeaving(line);
        if (line && line == editor_->Curve()) {
            // The editor closes with its list.
            editor_->LineLeaving(line);
            editorPanel_->hide();
        }
        if (popupObject_ == line)
            popupObject_ = nullptr;
    };
}
