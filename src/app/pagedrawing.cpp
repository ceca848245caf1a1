#include "app/pagedrawing.h"

#include "app/lumacurveform.h"
#include "equations/equationswindow.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "platform/canvas.h"
#include "platform/valuescope.h"
#include "settings/configuration.h"

#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>

namespace {

// A panel counts when it stands in the dock site: shown and not floating.
bool Docked(const QDockWidget* dock)
{
    return dock && dock->isVisible() && !dock->isFloating();
}

QRect InWindow(const QWidget* widget, const QWidget* window)
{
    return QRect(widget->mapTo(window, QPoint()), widget->size());
}

// The graph window's axes replaced by a copy fitted to the page for the
// lifetime of the scope; the window's own axes come back however the
// drawing ends.
class TAxesOnPage {
public:
    TAxesOnPage(TGraphParams& params, std::unique_ptr<TAxes> page) : params_(params)
    {
        saved_ = std::exchange(params_.Axes, std::move(page));
    }
    ~TAxesOnPage() { params_.Axes = std::move(saved_); }
    TAxesOnPage(const TAxesOnPage&) = delete;
    TAxesOnPage& operator=(const TAxesOnPage&) = delete;

private:
    TGraphParams& params_;
    std::unique_ptr<TAxes> saved_;
};

// The axes for a graph of logical size (window pixels scaled onto the
// page). In graph-paper mode the paper keeps its true 2 mm squares at the
// page's millimetres per pixel; with Fill page the scale stays and the
// range grows, anchored by the alignment choices. Otherwise the window's
// axes are used as they are, the painter doing the scaling.
std::unique_ptr<TAxes> AxesForPage(const TAxes& window, Canvas& canvas, QSize logical,
                                   const TPrintChoices& choices)
{
    auto axes = TAxes::CreateCopy(window);
    axes->GraphPaper = window.GraphPaper;
    if (!window.GraphPaper && !choices.FillPage)
        return axes;
    const Extended oldX = std::fabs(axes->XAxis->Length / axes->XAxis->Scale);
    const Extended oldY = std::fabs(axes->YAxis->Length / axes->YAxis->Scale);
    if (window.GraphPaper) {
        axes->XAxis->SetStep(axes->XAxis->Step);
        axes->YAxis->SetStep(axes->YAxis->Step);
    }
    // Left, centre, right map to modes 0, 1, 2 (keep the minimum, the centre,
    // the maximum); bottom, centre, top likewise for the y axis.
    axes->ResizeGraphPaper(canvas, logical.width(), logical.height(), choices.AlignAcross,
                           choices.AlignUpDown, oldX, oldY);
    return axes;
}

QString Caption(const TLumacurveForm& form)
{
    QString caption = form.windowTitle();
    caption.remove(QStringLiteral("[*]"));
    return caption;
}

} // namespace

TPageDevice MeasurePrinter(const QPrinter& printer)
{
    // The page layout knows the page without a job: beginning one and
    // aborting it would leave a printer writing a PDF with a blank page in
    // place of the file it had.
    const QPageLayout layout = printer.pageLayout();
    TPageDevice device;
    const int resolution = printer.resolution();
    device.Pixels = layout.paintRectPixels(resolution).size();
    const QRectF millimetres = layout.paintRect(QPageLayout::Millimeter);
    device.MillimetresAcross = millimetres.width();
    device.MillimetresDown = millimetres.height();
    // A printer's resolution is the same across and down.
    device.Aspect = 1;
    return device;
}

TWindowPanels WindowPanels(const TLumacurveForm& form)
{
    TWindowPanels panels;
    QRect site;
    const QDockWidget* equationsDock = nullptr;
    const QDockWidget* graphDock = nullptr;
    for (const QDockWidget* dock : form.findChildren<QDockWidget*>()) {
        if (!Docked(dock))
            continue;
        site = site.united(dock->geometry());
        if (dock->objectName() == QLatin1String("EquationsDockPanel"))
            equationsDock = dock;
        else if (dock->objectName() == QLatin1String("GraphWindowDockPanel"))
            graphDock = dock;
    }
    panels.Site = site;
    if (graphDock && form.GraphArea())
        panels.Graph = InWindow(form.GraphArea(), &form);
    const QWidget* lines = form.EquationsArea();
    if (equationsDock && lines && lines->parentWidget()) {
        panels.Equations = InWindow(lines->parentWidget(), &form);
        // The room the lines need: down to the last line's bottom (the
        // window itself may be taller than its lines).
        const TEquationsWindow* equations = form.Equations();
        const int count = equations ? equations->Count() : 0;
        panels.EquationsHeight = count > 0 ? equations->LineRect(count - 1).bottom() + 1 : 0;
    }
    return panels;
}

std::optional<TPagePlacement> DrawPage(TLumacurveForm& form, QPainter& painter, const TPageDevice& device,
                                       const TPrintChoices& choices, const QString& printName)
{
    const TWindowPanels panels = WindowPanels(form);
    const auto placement = PlacePanels(device.Pixels, device.Aspect, panels, choices);
    if (!placement)
        return std::nullopt;
    const TLayoutFactors& f = placement->Factors;
    const qreal fx = static_cast<qreal>(f.FactorAcross);
    const qreal fy = static_cast<qreal>(f.FactorDown);
    // Millimetres per window pixel on the page: graph paper and ticks come
    // out at their true size on paper.
    const auto mmAcross = static_cast<Extended>(device.MillimetresAcross) / device.Pixels.width() * fx;
    const auto mmDown = static_cast<Extended>(device.MillimetresDown) / device.Pixels.height() * fy;
    const TValueScope<Extended> keepAcross(MillimetresPerPixelX, mmAcross);
    const TValueScope<Extended> keepDown(MillimetresPerPixelY, mmDown);
    const TValueScope<TColour> keepPage(BackgroundColour, clWhite);

    painter.save();
    painter.fillRect(QRect(QPoint(0, 0), device.Pixels), Qt::white);

    TEquationsWindow* equations = form.Equations();
    if (equations) {
        // The title line in the top margin.
        painter.save();
        painter.translate(0, f.Margin / 4.0);
        painter.scale(fx, fy);
        Canvas canvas(&painter);
        canvas.SetPrinting(true);
        (void)equations->PrintHeader(canvas, static_cast<int>(device.Pixels.width() / fx), 1, Caption(form),
                                     printName);
        painter.restore();
    }

    if (!placement->Graph.isEmpty() && form.GraphArea()) {
        TGraphWindow& graph = *form.GraphArea();
        const QRect target = placement->Graph;
        const QSize logical(std::max(1, static_cast<int>(std::lround(target.width() / fx))),
                            std::max(1, static_cast<int>(std::lround(target.height() / fy))));
        painter.save();
        painter.translate(target.topLeft());
        painter.scale(fx, fy);
        painter.setClipRect(QRect(QPoint(0, 0), logical), Qt::IntersectClip);
        {
            Canvas canvas(&painter);
            canvas.SetPrinting(true);
            TGraphParams& params = graph.Params();
            TAxesOnPage axes(params, AxesForPage(*params.Axes, canvas, logical, choices));
            graph.RenderInto(canvas, QRect(QPoint(0, 0), logical));
        }
        painter.restore();
        const qreal frame = std::max<qreal>(1, Configuration.ThickLines * fx);
        painter.setPen(QPen(Qt::black, frame, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(target).adjusted(frame / 2, frame / 2, -frame / 2, -frame / 2));
    }

    if (!placement->Equations.isEmpty() && equations) {
        const QRect target = placement->Equations;
        const QSizeF logical(target.width() / fx, target.height() / fy);
        painter.save();
        painter.translate(target.topLeft());
        painter.scale(fx, fy);
        painter.setClipRect(QRectF(QPointF(0, 0), logical), Qt::IntersectClip);
        Canvas canvas(&painter);
        canvas.SetPrinting(true);
        equations->PrintLines(canvas, QPoint());
        painter.restore();
    }
    painter.restore();
    return placement;
}

std::optional<TPagePlacement> PrintPage(TLumacurveForm& form, QPrinter& printer, const TPrintChoices& choices,
                                        const QString& printName, QString* error)
{
    const auto fail = [error](const QString& why) -> std::optional<TPagePlacement> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const TPageDevice device = MeasurePrinter(printer);
    // Nothing to print: the printer is never started, so no file is touched.
    if (!PlacePanels(device.Pixels, device.Aspect, WindowPanels(form), choices))
        return fail(QObject::tr("There is nothing to print: the graphs and equations panels are hidden"));

    const QString target = printer.outputFileName();
    std::unique_ptr<QTemporaryFile> partial;
    if (!target.isEmpty()) {
        const QFileInfo info(target);
        partial = std::make_unique<QTemporaryFile>(info.absolutePath() + "/." + info.fileName() + ".XXXXXX");
        if (!partial->open())
            return fail(QObject::tr("Cannot write %1").arg(target));
        partial->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                QFileDevice::ReadOther);
        partial->close();
        printer.setOutputFileName(partial->fileName());
    }
    // The printer keeps the name it was given, whatever happens here.
    const auto restoreName = [&] {
        if (partial)
            printer.setOutputFileName(target);
    };
    QPainter painter;
    if (!painter.begin(&printer)) {
        restoreName();
        return fail(QObject::tr("The printer could not be started"));
    }
    const auto placement = DrawPage(form, painter, device, choices, printName);
    const bool ended = painter.end();
    restoreName();
    if (!ended)
        return fail(QObject::tr("The printer could not finish the page"));
    if (partial) {
        // rename(2) replaces the old file in one step.
        if (std::rename(QFile::encodeName(partial->fileName()).constData(),
                        QFile::encodeName(target).constData()) != 0)
            return fail(QObject::tr("Cannot write %1").arg(target));
        partial->setAutoRemove(false);
    }
    return placement;
}

std::optional<TPagePlacement> PrintPdf(TLumacurveForm& form, const QString& file, bool landscape,
                                       const TPrintChoices& choices, QString* error)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(600);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer.setOutputFileName(file);
    printer.setDocName(ProgramName);
    return PrintPage(form, printer, choices, QString::fromStdString(Configuration.PrintName), error);
}

std::string PlacementReport(const TPagePlacement& placement)
{
    const auto number = [](Extended value) {
        char text[32];
        const auto end =
            std::to_chars(text, text + sizeof text, static_cast<double>(value), std::chars_format::general, 6)
                .ptr;
        return std::string(text, end);
    };
    return "margin: " + std::to_string(placement.Factors.Margin) +
           " factors: " + number(placement.Factors.FactorAcross) + " " + number(placement.Factors.FactorDown);
}
