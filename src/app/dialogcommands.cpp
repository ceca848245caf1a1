// The main window's commands that open its dialogs: Rescale and Arrange
// scale list, the Comment box and the Introduction, Customise curve, Print
// preview, and the Custom settings. Each handler opens its dialog modally
// and brings the windows and commands up to date afterwards.
#include "app/lumacurveform.h"

#include "app/annotatedlg.h"
#include "app/arrangeaxes.h"
#include "app/rescaledialog.h"
#include "document/annotationrecord.h"
#include "equations/equationswindow.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "plot/annotation.h"
#include "plot/curveplotter.h"

#include <QAction>
#include <QCursor>

void TLumacurveForm::RegisterDialogHandlers()
{
    auto& c = *commands_;
    c.SetHandler("ActionRescale", [this] { RescaleDialog(); });
    c.SetHandler("ActionArrangeList", [this] { ArrangeScaleList(); });
    c.SetHandler("ActionCommentBox", [this] { CommentBox(); });
    graphArea_->AnnotationEditor = [this](TAnnotation& annotation) { EditAnnotation(annotation); };
    // A comment box moved with the mouse, or removed, is a change to save.
    connect(graphArea_, &TGraphWindow::GraphObjectsChanged, this, [this] {
        if (!loading_)
            SetModified(true);
    });
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

void TLumacurveForm::CommentBox()
{
    // With the pointer on a comment box, the command edits that one.
    const QPoint pointer = graphArea_->mapFromGlobal(QCursor::pos());
    if (graphArea_->rect().contains(pointer))
        if (TAnnotation* annotation = graphArea_->AnnotationAt(pointer)) {
            (void)annotation->Clicked(*graphArea_);
            return;
        }
    // A new box at the centre of the graph, edited at once; left empty, it goes.
    auto fresh = TAnnotation::AtCentre(graphArea_->Params());
    TAnnotation* annotation = fresh.get();
    graphArea_->AddGraphObject(std::move(fresh));
    (void)annotation->Clicked(*graphArea_);
}

void TLumacurveForm::EditAnnotation(TAnnotation& annotation)
{
    const std::string before = annotation.Markup();
    const TColour colour = annotation.GetColour();
    {
        TAnnotateDlg dialog(annotation, this);
        dialog.ShowHelp = [this](int topic) { ShowHelp(topic); };
        dialog.exec();
    }
    if (annotation.Markup() != before || annotation.GetColour() != colour || annotation.IsEmpty())
        SetModified(true);
}

void TLumacurveForm::LoadAnnotations(const std::vector<TAnnotationRecord>& records)
{
    for (const TAnnotationRecord& record : records)
        if (std::unique_ptr<TAnnotation> annotation = AnnotationFromRecord(record))
            graphArea_->AddGraphObject(std::move(annotation));
}

std::vector<TAnnotationRecord> TLumacurveForm::AnnotationRecords() const
{
    std::vector<TAnnotationRecord> records;
    for (const auto& object : graphArea_->GraphObjects())
        if (const auto* annotation = dynamic_cast<const TAnnotation*>(object.get()))
            if (!annotation->IsEmpty())
                records.push_back(AnnotationRecordOf(*annotation));
    return records;
}
