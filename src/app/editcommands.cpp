// The main window's Edit menu: undo and redo through snapshots of the
// lines, the clipboard, deleting lines, redrawing, and the pictures of the
// graph and equations that Copy puts on the clipboard.
#include "app/lumacurveform.h"
#include "app/shapework.h"

#include "app/startupwindow.h"
#include "document/document.h"
#include "document/undohistory.h"
#include "editor/canvascontrol.h"
#include "editor/mathseditor.h"
#include "equations/equationswindow.h"
#include "graphwindow/equationdisplayform.h"
#include "graphwindow/graphwindow.h"
#include "mouse/mousedrag.h"
#include "platform/canvas.h"
#include "plot/curveplotter.h"
#include "settings/configuration.h"

#include <QBuffer>
#include <QClipboard>
#include <QDockWidget>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QSvgGenerator>
#include <QTimer>

#include <cmath>
#include <cstdio>

// The Edit menu: undo, the clipboard, deleting lines, pictures and redrawing.
void TLumacurveForm::RegisterEditHandlers()
{
    auto& c = *commands_;
    // The dynamic constant editor ends its period first (a played value
    // becomes the step undone), and follows the restored lines afterwards.
    c.SetHandler("ActionUndo", [this] {
        // The coordinate editor's pending input becomes a step of its own first.
        if (shapes_ && !shapes_->SettleInput())
            return;
        FinishDragFirst();
        EndDynamicPeriod();
        if (const std::string* snapshot = undo_.Undo()) {
            RestoreSnapshot(*snapshot);
            SetModified(true);
            RefillDynamicEditor();
        }
    });
    c.SetHandler("ActionRedo", [this] {
        FinishDragFirst();
        EndDynamicPeriod();
        if (const std::string* snapshot = undo_.Redo()) {
            RestoreSnapshot(*snapshot);
            SetModified(true);
            RefillDynamicEditor();
        }
    });
    c.SetHandler("Actioncopyscreen", [this] { CopyPicture(TPictureArea::Screen); });
    c.SetHandler("ActionCopyGraph", [this] { CopyPicture(TPictureArea::Graphs); });
    c.SetHandler("ActionCopyEquations", [this] { CopyPicture(TPictureArea::Equations); });
    c.SetHandler("ActionRedraw", [this] {
        graphArea_->RedrawAll();
        EquationsArea()->update();
    });
    // Every line drawn again in front of the class: slowly, with the pencil,
    // each line selected as it is drawn, pausing between lines as the
    // settings say; Escape stops it.
    c.SetHandler("ActionDemoDraw", [this] {
        if (!equations_->FinishPendingEdit())
            return;
        // The drawing holds the event loop for a while: the menu it was
        // chosen from goes from the screen first (the window is shown
        // again where it was, without waiting for the system to ask).
        QTimer::singleShot(0, this, [this] {
            repaint();
            graphArea_->DrawVisibly(0, true);
            UpdateCommands();
        });
    });
}

void TLumacurveForm::DeleteLine(TEquationObject* object)
{
    FreeDynamicEditor(); // it may be playing the line, or a curve of it
    const QString refusal = equations_->DeleteCurve(object);
    if (!refusal.isEmpty()) {
        Message(refusal, QMessageBox::Warning);
        return;
    }
    SetModified(true);
    UndoPostAction();
}

void TLumacurveForm::FinishDragFirst()
{
    // A line being dragged commits as it stands, as its own step: Undo then
    // takes back that drag, and the history keeps every step before it.
    if (dynamic_cast<TMouseDragCurve*>(graphArea_->ActiveTool()))
        graphArea_->SetActiveTool(nullptr);
}

std::string TLumacurveForm::Snapshot() const
{
    return UndoSnapshot(equations_->List().Lines(), SelectedLine());
}

void TLumacurveForm::RestoreSnapshot(const std::string& snapshot)
{
    TOwnedLines lines;
    int selected = -1;
    (void)ReadEquationListText(snapshot, lines, selected);
    // The mouse tool and the trace marker go before the lines they may point at.
    graphArea_->ClearGraphObjects();
    loading_ = true;
    equations_->ClearAll();
    loading_ = false;
    PutLines(lines, selected);
    EquationsArea()->update();
    UpdateCommands();
}

void TLumacurveForm::PutLines(TOwnedLines& lines, int selected)
{
    loading_ = true;
    for (auto& line : lines.lines)
        equations_->InsertObject(std::move(line));
    loading_ = false;
    lines.lines.clear();
    equations_->RemeasureAll();
    if (selected >= 0 && selected < equations_->Count())
        equations_->SetSelected(selected);
    graphArea_->SelectLine(SelectedLine());
    graphArea_->LinesChanged(0);
}

QWidget* TLumacurveForm::EquationsArea() const
{
    return equationsScroller_->widget();
}

TGraphWindow* TLumacurveForm::GraphArea() const
{
    return graphArea_;
}

QWidget* TLumacurveForm::AreaSource(TPictureArea area, QRect& sourceRect) const
{
    QWidget* source = area == TPictureArea::Graphs ? graphArea_
                      : area == TPictureArea::Equations
                          ? static_cast<QWidget*>(equationsScroller_->viewport())
                          : const_cast<TLumacurveForm*>(this);
    sourceRect = source->rect();
    if (area == TPictureArea::Screen) {
        // The dock site: the panels without the menu, the toolbars and the status line.
        QRect docks;
        for (QDockWidget* panel : findChildren<QDockWidget*>())
            if (panel->isVisible() && !panel->isFloating())
                docks = docks.united(panel->geometry());
        if (!docks.isEmpty())
            sourceRect = docks;
    }
    return source;
}

void TLumacurveForm::DrawArea(TPictureArea area, QPainter& painter, const QRectF& target)
{
    QRect sourceRect;
    (void)AreaSource(area, sourceRect);
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / sourceRect.width(), target.height() / sourceRect.height());
    // The windows draw their contents, as vectors on vector devices, without
    // the selection's marks; the panels' furniture (title bars, scroll bars,
    // buttons) is no part of a picture.
    const auto drawEquations = [this](QPainter& on, QPoint origin) {
        Canvas canvas(&on);
        equations_->PaintAll(canvas, false, origin);
    };
    const auto drawGraph = [this](QPainter& on) {
        on.setClipRect(graphArea_->rect(), Qt::IntersectClip);
        Canvas canvas(&on);
        graphArea_->RenderInto(canvas, graphArea_->rect());
    };
    if (area == TPictureArea::Equations) {
        drawEquations(painter, QPoint());
    } else if (area == TPictureArea::Graphs) {
        drawGraph(painter);
    } else {
        painter.fillRect(QRect(QPoint(0, 0), sourceRect.size()), Qt::white);
        const auto shown = [this](const char* panel) {
            const QDockWidget* dock = Panel(panel);
            return dock && dock->isVisible() && !dock->isFloating();
        };
        if (shown("EquationsDockPanel")) {
            QWidget* view = equationsScroller_->viewport();
            painter.save();
            painter.translate(view->mapTo(this, QPoint()) - sourceRect.topLeft());
            painter.setClipRect(view->rect(), Qt::IntersectClip);
            painter.fillRect(view->rect(), EquationsArea()->palette().color(QPalette::Window));
            drawEquations(painter, equations_->pos());
            painter.restore();
        }
        if (shown("GraphWindowDockPanel")) {
            painter.save();
            painter.translate(graphArea_->mapTo(this, QPoint()) - sourceRect.topLeft());
            drawGraph(painter);
            painter.restore();
        }
    }
    painter.restore();
}

QByteArray TLumacurveForm::PictureSvg(TPictureArea area)
{
    const QSize size = AreaSize(area);
    if (size.isEmpty())
        return {};
    const QRectF target(QPointF(0, 0), QSizeF(size));
    QByteArray svg;
    QBuffer buffer(&svg);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(target);
    generator.setTitle("Copy of graph");
    generator.setDescription("Lumacurve version 3.101");
    QPainter painter(&generator);
    DrawArea(area, painter, target);
    painter.end();
    return svg;
}

QImage TLumacurveForm::PictureImage(TPictureArea area, qreal pixelRatio)
{
    const QSize size = AreaSize(area);
    if (size.isEmpty() || pixelRatio <= 0)
        return {};
    // The clipboard's picture is drawn at twice the resolution, like the metafile it stands in for.
    QImage image((QSizeF(size) * pixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawArea(area, painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

bool TLumacurveForm::CopyPicture(TPictureArea area)
{
    if (AreaSize(area).isEmpty())
        return false;
    const QByteArray svg = PictureSvg(area);
    const QImage image = PictureImage(area);
    auto* mime = new QMimeData;
    mime->setData("image/svg+xml", svg);
    mime->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(mime);
    return true;
}
