#include "app/statswork.h"

#include "app/commands.h"
#include "app/lumacurveform.h"
#include "app/statsdisplay.h"
#include "app/statsoptionsdlg.h"
#include "equations/equationswindow.h"
#include "geometry/bestfit.h"
#include "graphwindow/graphwindow.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>

namespace {

struct TFitCommand {
    const char* name;
    int heading;
    std::uint32_t property;
};

// Best fit and the regressions need a data set; a polynomial goes through
// the 2 to 10 points of a coordinate list.
constexpr TFitCommand FitCommands[] = {
    {"ActionBestFit", dnBestFitStraight, 0x20000},
    {"ActionBestFityonx", dnBestFitYOnX, 0x20000},
    {"ActionBestFitxony", dnBestFitXOnY, 0x20000},
    {"ActionBestFItQuad", dnBestFitQuadratic, 0x20000},
    {"ActionBestExponential", dnBestFitExponential, 0x20000},
    {"ActionBestFitln", dnBestFitLn, 0x20000},
    {"ActionFitPolynomial", dnPolynomial, 0x40000},
};

} // namespace

TStatsWork::TStatsWork(TLumacurveForm& form) : QObject(&form), form_(form) {}

void TStatsWork::Register()
{
    display_ = new TStatsDisplayForm;
    panel_ =
        form_.AddPanel("StatsDisplayDockPanel", display_->windowTitle(), display_, Qt::RightDockWidgetArea);
    panel_->hide();
    connect(display_, &TStatsDisplayForm::PrintRequested, this, &TStatsWork::PrintWindow);
    // Floating, the window keeps itself inside the screen's work area.
    connect(panel_, &QDockWidget::topLevelChanged, this, [this](bool floating) {
        if (!floating)
            return;
        const QScreen* screen = panel_->screen() ? panel_->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect area = screen->availableGeometry();
        QRect frame = panel_->geometry();
        frame.setSize(frame.size().boundedTo(area.size()));
        frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() - frame.width() + 1));
        frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() - frame.height() + 1));
        panel_->setGeometry(frame);
    });
    // Shown again, it shows the set selected now.
    connect(panel_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            display_->ShowStats(form_.Equations()->SelectedObject());
    });
    RegisterCommands();
    JoinEvents();
}

void TStatsWork::RegisterCommands()
{
    TCommandList& c = form_.Commands();
    for (const TFitCommand& command : FitCommands)
        c.SetHandler(command.name,
                     [this, command] { form_.AddDerivedLine(command.heading, command.property); });
    c.SetHandler("ActionShowStats", [this] { ShowWindow(); });
    c.SetHandler("ActionStatsOptions", [this] {
        if (EditOptions(StatsOptions)) {
            display_->Refresh();
            form_.SetModified(true);
        }
    });
    for (QAction* action : form_.GraphPopup()->findChildren<QAction*>())
        if (action->text() == QLatin1String("Stats options"))
            popupOptions_ = action;
    if (popupOptions_) {
        popupOptions_->setVisible(false);
        connect(popupOptions_, &QAction::triggered, this, &TStatsWork::EditLineOptions);
    }
}

void TStatsWork::JoinEvents()
{
    TEquationsWindow& equations = *form_.Equations();
    auto selected = equations.OnSelectCurve;
    equations.OnSelectCurve = [this, selected](TEquationsWindow* sender, TEquationObject* object,
                                               bool select) {
        if (selected)
            selected(sender, object, select);
        if (panel_->isVisible())
            display_->ShowStats(select ? object : nullptr);
    };
    auto processed = equations.OnChangesProcessed;
    equations.OnChangesProcessed = [this, processed] {
        if (processed)
            processed();
        // The set shown may have been edited or dragged.
        if (panel_->isVisible() && display_->Shown())
            display_->Refresh();
    };
    auto leaving = equations.OnLineLeaving;
    equations.OnLineLeaving = [this, leaving](TEquationObject* line) {
        if (leaving)
            leaving(line);
        display_->LineLeaving(line);
        if (popupObject_ == line)
            popupObject_ = nullptr;
    };
}

void TStatsWork::ShowWindow()
{
    const bool wasHidden = panel_->isHidden();
    panel_->show();
    panel_->raise();
    display_->ShowStats(form_.Equations()->SelectedObject());
    // Docked, it opens wide enough for its grids.
    if (wasHidden && !panel_->isFloating())
        form_.resizeDocks({panel_}, {display_->sizeHint().width()}, Qt::Horizontal);
}

void TStatsWork::DocumentOpening()
{
    display_->ShowStats(nullptr);
    panel_->hide();
}

bool TStatsWork::EditOptions(TStatsOptions& options)
{
    TStatsOptionsDialog dialog(options, &form_);
    return dialog.exec() == QDialog::Accepted;
}

void TStatsWork::PopupOpening(TEquationObject* object)
{
    popupObject_ = object;
    if (popupOptions_) {
        const bool statsLine = dynamic_cast<TDisplayStatsCurve*>(object) != nullptr;
        popupOptions_->setVisible(statsLine);
        popupOptions_->setEnabled(statsLine && !form_.Equations()->Line());
    }
}

void TStatsWork::EditLineOptions()
{
    TEquationObject* object = popupObject_;
    popupObject_ = nullptr;
    auto* line = dynamic_cast<TDisplayStatsCurve*>(object);
    if (!line || form_.Equations()->List().IndexOf(line) < 0 || form_.Equations()->Line())
        return;
    TStatsOptions options = line->Options;
    if (!EditOptions(options) || options == line->Options)
        return;
    line->Options = options;
    line->Refit();
    form_.Equations()->ScheduleIdle();
    form_.Equations()->update();
    form_.SetModified(true);
    form_.UndoPostAction();
}

void TStatsWork::PrintWindow()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(display_->windowTitle());
    QPrintDialog dialog(&printer, &form_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPainter painter(&printer);
    if (!painter.isActive())
        return;
    // Drawn at the window's size on screen, a small table in the top left of the page.
    const qreal scale = printer.logicalDpiX() / static_cast<qreal>(display_->logicalDpiX());
    painter.scale(scale, scale);
    painter.setFont(display_->font());
    display_->PaintGrids(painter);
}
