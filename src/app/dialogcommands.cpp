// The main window's commands that open its dialogs: Rescale and Arrange
// scale list, the Comment box and the Introduction, Customise curve, Print
// preview, and the Custom settings. Each handler opens its dialog modally
// and brings the windows and commands up to date afterwards.
#include "app/lumacurveform.h"

#include "app/arrangeaxes.h"
#include "app/rescaledialog.h"
#include "equations/equationswindow.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "plot/curveplotter.h"

#include <QAction>

void TLumacurveForm::RegisterDialogHandlers()
{
    auto& c = *commands_;
    c.SetHandler("ActionRescale", [this] { RescaleDialog(); });
    c.SetHandler("ActionArrangeList", [this] { ArrangeScaleList(); });
}

void TLumacurveForm::ScaleDialogClosed(bool changed)
{
    commands_->Action("ActionGraphPaper")->setChecked(graphArea_->Params().GraphPaperOn());
    if (changed)
        SetModified(true);
    graphArea_->update();
    UpdateCommands();
}

void TLumacurveForm::RescaleDialog()
{
    if (!equations_->FinishPendingEdit())
        return;
    // The lines offered for automatic scaling, in document order.
    std::vector<TCurvePLotter*> curves;
    int shown = -1;
    for (int i = 0; i < equations_->Count(); ++i) {
        auto* curve = dynamic_cast<TCurvePLotter*>(equations_->ItemAt(i));
        if (!curve || !curve->HasProperty(0x200))
            continue;
        if (i == equations_->SelectedIndex())
            shown = static_cast<int>(curves.size());
        curves.push_back(curve);
    }
    TRescaleDialog dialog(graphArea_->Params(), graphArea_, std::move(curves), shown, this);
    dialog.ShowHelp = [this](int topic) { ShowHelp(topic); };
    const bool accepted = dialog.exec() == QDialog::Accepted;
    ScaleDialogClosed(accepted && dialog.Model().Applied());
}

void TLumacurveForm::ArrangeScaleList()
{
    TGraphParams& params = graphArea_->Params();
    const TRescaleDataTransfer* before = params.Axes->Scales.get();
    const std::size_t count = params.History.size();
    TArrangeAxes dialog(params, graphArea_, this);
    dialog.ShowHelp = [this](int topic) { ShowHelp(topic); };
    dialog.exec();
    ScaleDialogClosed(params.Axes->Scales.get() != before || params.History.size() != count);
}
