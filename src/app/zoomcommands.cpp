// The main window's Zoom menu and angle toolbar, and the wiring of the graph
// window's signals: scale changes, the mouse readout, the popup menu and the
// mouse-mode commands.
#include "app/lumacurveform.h"

#include "app/shapework.h"
#include "app/startupwindow.h"
#include "app/statswork.h"
#include "document/document.h"
#include "editor/canvascontrol.h"
#include "editor/mathseditor.h"
#include "entry/entry.h"
#include "equations/equationswindow.h"
#include "formula/formulalayout.h"
#include "graph/graphparams.h"
#include "graphwindow/equationdisplayform.h"
#include "graphwindow/graphwindow.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "platform/windowmessages.h"
#include "plot/curveplotter.h"
#include "plot/formulacurve.h"
#include "settings/configuration.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>

#include <cmath>
#include <cstdio>

// The Zoom menu, the angle toolbar and the graph window's signals.
void TLumacurveForm::RegisterZoomHandlers()
{
    auto& c = *commands_;
    c.SetHandler("ActionDegrees", [this] { SetAngleMeasure(false); });
    c.SetHandler("ActionRadians", [this] { SetAngleMeasure(true); });
    commands_->Action("ActionDegrees")->setChecked(!Configuration.Radians());
    commands_->Action("ActionRadians")->setChecked(Configuration.Radians());
    TGraphWindow* graph = graphArea_;
    TGraphParams& params = graph->Params();
    auto scaled = [this](std::function<void()> change) {
        return [this, change] {
            change();
            SetModified(true);
            graphArea_->update();
            UpdateCommands();
        };
    };
    c.SetHandler("ActionUndoZoom", scaled([&params, graph] { params.PreviousScales(graph); }));
    c.SetHandler("ActionLastScales", scaled([&params, graph] { params.PreviousScales(graph); }));
    c.SetHandler("ActionRedoZoom", scaled([&params, graph] { params.NextScales(graph); }));
    c.SetHandler("ActionClearScaleList", scaled([&params, graph] { params.ClearHistory(graph); }));
    c.SetHandler("ActionSquareScales", scaled([&params, graph] { params.ToggleSquare(graph); }));
    c.SetHandler("ActionGraphPaper", scaled([this, &params, graph] {
                     params.ToggleGraphPaper(graph);
                     commands_->Action("ActionGraphPaper")->setChecked(params.GraphPaperOn());
                 }));
    c.SetHandler("ActionTrigScales", scaled([&params, graph] {
                     const bool drag = Configuration.DragCurves;
                     Configuration.DragCurves = false;
                     params.TrigonometricScales(graph);
                     Configuration.DragCurves = drag;
                 }));
    c.SetHandler("ActionPositiveScales", scaled([&params, graph] { params.PositiveScales(graph); }));
    c.SetHandler("ActionResetScales", scaled([&params, graph] { params.ResetScales(graph); }));
    c.SetHandler("HorzZoomOutBtn",
                 scaled([&params, graph] { params.ZoomAxis(0, graph, TGraphParams::ZoomOutFactor()); }));
    c.SetHandler("HorzZoomInBtn",
                 scaled([&params, graph] { params.ZoomAxis(0, graph, TGraphParams::ZoomInFactor()); }));
    c.SetHandler("VertZoomOutBtn",
                 scaled([&params, graph] { params.ZoomAxis(1, graph, TGraphParams::ZoomOutFactor()); }));
    c.SetHandler("VertZoomInBtn",
                 scaled([&params, graph] { params.ZoomAxis(1, graph, TGraphParams::ZoomInFactor()); }));
    connect(graph, &TGraphWindow::SquareChecked, this,
            [this](bool square) { commands_->Action("ActionSquareScales")->setChecked(square); });
    connect(graph, &TGraphWindow::ScaleListUpdated, this, [this] { UpdateCommands(); });
    // The scales are part of the document: a zoom or a pan by the mouse is a change to save.
    connect(graph, &TGraphWindow::ScalesChanged, this, [this] {
        if (!loading_)
            SetModified(true);
    });
    connect(graph, &TGraphWindow::CoordinatesShown, this, [this](const QString& text, int panelWidth) {
        mousePosition_->setText(text);
        mousePosition_->setMinimumWidth(std::max(180, panelWidth));
    });
    connect(graph, &TGraphWindow::LineSelected, this, [this](int index) {
        if (index >= 0)
            equations_->SelectLine(index);
        else
            equations_->Deselect();
    });
    connect(graph, &TGraphWindow::KeyForEquations, this,
            [this](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
                QWidget* target = ActiveMathsWindow();
                QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
                QCoreApplication::sendEvent(target, &press);
            });
    // Both windows pop up one menu, for the line under the mouse.
    for (TCanvasControl* control :
         {static_cast<TCanvasControl*>(graph), static_cast<TCanvasControl*>(equations_)}) {
        control->PopupMenu = graphPopup_;
        control->OnContextPopup = [this](TCanvasControl* sender, QPoint point, bool&) {
            popupObject_ = dynamic_cast<TEquationObject*>(sender->ObjectAt(point));
            popupDelete_->setEnabled(popupObject_ && !equations_->Line());
            popupIntersect_->setEnabled(sender == graphArea_ && ChooseIntersectPair(point));
            const auto* curve = dynamic_cast<const TCurvePLotter*>(popupObject_);
            const bool mayDrag = curve && curve->DraggingAllowed() && !equations_->Line();
            popupTransform_->setEnabled(mayDrag && curve->HasTransformHandles());
            // A quadratic can be written expanded, factorised or as a completed square.
            auto* formula = dynamic_cast<TYofX*>(popupObject_);
            if (mayDrag && formula)
                formula->Classify();
            popupEquationType_->setEnabled(mayDrag && formula &&
                                           curve->DragDescriptionName() == "TDragQuadraticCurveInfo");
            // A new line starts at the point clicked on the graph.
            popupGraphPoint_ = sender == graphArea_ ? std::optional<QPoint>(point) : std::nullopt;
            popupNewLine_->setEnabled(sender == graphArea_ && DraggableCurvesInUse(false) &&
                                      !equations_->Line());
            shapes_->PopupOpening(popupObject_, point, sender == graphArea_);
            stats_->PopupOpening(popupObject_);
        };
    }
    connect(popupDelete_, &QAction::triggered, this, [this] {
        TEquationObject* object = popupObject_;
        popupObject_ = nullptr;
        if (!object || equations_->List().IndexOf(object) < 0 || equations_->Line())
            return;
        DeleteLine(object);
    });
    connect(popupIntersect_, &QAction::triggered, this, [this] { AddIntersection(); });
    // The mouse-mode commands drive the graph window's tools; trace is one of them.
    commands_->SetModeHandler([this](int code) {
        if (code == 399) {
            graphArea_->SetMouseMode(305);
            graphArea_->SetTraceMode(true);
            if (!traceHintShown_) {
                traceHintShown_ = true;
                ShowStatusFlags(
                    tr("Click on a curve then use the right or left arrow keys to move the trace point"), 3);
            }
            return;
        }
        graphArea_->SetTraceMode(false);
        graphArea_->SetMouseMode(code);
    });
    graphArea_->SetMouseMode(commands_->CheckedMode());
}

void TLumacurveForm::SetAngleMeasure(bool radians)
{
    commands_->Action("ActionDegrees")->setChecked(!radians);
    commands_->Action("ActionRadians")->setChecked(radians);
    if (Configuration.Radians() == radians)
        return;
    Configuration.AngleFactor = radians ? RadiansFactor : DegreesFactor;
    PublishSettings();
    SetModified(true);
    // Every formula is evaluated again in the new unit: the curves drop
    // their drawings, and the lines showing angle marks are measured again.
    equations_->RemeasureAll();
    EquationsArea()->update();
    graphArea_->RedrawAll();
}
