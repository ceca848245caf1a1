// The main window's commands that open its dialogs: Rescale and Arrange
// scale list, the Comment box and the Introduction, Customise curve, Print
// preview, and the Custom settings. Each handler opens its dialog modally
// and brings the windows and commands up to date afterwards.
#include "app/lumacurveform.h"

#include "app/annotatedlg.h"
#include "app/arrangeaxes.h"
#include "app/commentary.h"
#include "app/customcurve.h"
#include "app/lcvprintdialog.h"
#include "app/rescaledialog.h"
#include "document/annotationrecord.h"
#include "equations/equationswindow.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "plot/annotation.h"
#include "plot/curveplotter.h"

#include <QAction>
#include <QCursor>
#include <QDockWidget>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>

void TLumacurveForm::RegisterDialogHandlers()
{
    auto& c = *commands_;
    c.SetHandler("ActionRescale", [this] { RescaleDialog(); });
    c.SetHandler("ActionArrangeList", [this] { ArrangeScaleList(); });
    c.SetHandler("ActionCommentBox", [this] { CommentBox(); });
    c.SetHandler("ActionIntroduction", [this] { ShowIntroduction(); });
    c.SetHandler("ActionCustomiseCurve", [this] { CustomiseCurve(nullptr); });
    c.SetHandler("ActionPrint", [this] {
        // One preview for the run: its printer keeps the orientation, copies and set-up chosen.
        auto* preview = findChild<TLCVPrintDialog*>(QString(), Qt::FindDirectChildrenOnly);
        if (!preview)
            preview = new TLCVPrintDialog(*this);
        if (preview->exec() == QDialog::Accepted)
            Print(preview->Printer());
    });
    // The popup menu's "Custom curve" is for the line under the mouse.
    for (QAction* item : graphPopup_->actions())
        if (item->data().toInt() == 2) { // "Custom curve"
            connect(graphPopup_, &QMenu::aboutToShow, item,
                    [this, item] { item->setEnabled(popupObject_ && !equations_->Line()); });
            connect(item, &QAction::triggered, this, [this] {
                TEquationObject* line = std::exchange(popupObject_, nullptr);
                if (line && equations_->List().IndexOf(line) >= 0)
                    CustomiseCurve(line);
            });
        }
    BuildCommentary();
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

namespace {

// The screen the window stands on (the primary one before it is shown).
QRect ScreenArea(const QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1280, 800);
}

Qt::DockWidgetArea AreaOf(TCommentarySide side)
{
    switch (side) {
    case TCommentarySide::Top:
        return Qt::TopDockWidgetArea;
    case TCommentarySide::Bottom:
        return Qt::BottomDockWidgetArea;
    case TCommentarySide::Left:
        return Qt::LeftDockWidgetArea;
    default:
        return Qt::RightDockWidgetArea;
    }
}

TCommentarySide SideOf(Qt::DockWidgetArea area)
{
    switch (area) {
    case Qt::TopDockWidgetArea:
        return TCommentarySide::Top;
    case Qt::BottomDockWidgetArea:
        return TCommentarySide::Bottom;
    case Qt::LeftDockWidgetArea:
        return TCommentarySide::Left;
    case Qt::RightDockWidgetArea:
        return TCommentarySide::Right;
    default:
        return TCommentarySide::Floating;
    }
}

} // namespace

void TLumacurveForm::BuildCommentary()
{
    commentary_ = new TCommentary;
    QDockWidget* panel =
        AddPanel("CommentaryDockPanel", tr("Introduction"), commentary_, Qt::RightDockWidgetArea);
    commentary_->HideRequested = [panel] { panel->hide(); };
    commentary_->ShowHelp = [this](int topic) { ShowHelp(topic); };
    ResetCommentary();
}

void TLumacurveForm::ResetCommentary()
{
    commentary_->Reset();
    QDockWidget* panel = Panel("CommentaryDockPanel");
    panel->hide();
    panel->setFloating(true);
    panel->setGeometry(DefaultCommentaryBounds(ScreenArea(this)));
}

void TLumacurveForm::ReadCommentary(const std::optional<TCommentaryRecord>& record)
{
    ResetCommentary();
    if (!record || record->text.empty())
        return;
    commentary_->Read(*record);
    QDockWidget* panel = Panel("CommentaryDockPanel");
    const QRect bounds = CommentaryBounds(*record, ScreenArea(this), panel->geometry());
    const TCommentarySide side = CommentarySideOf(record->align);
    if (side == TCommentarySide::Floating) {
        panel->setFloating(true);
        panel->setGeometry(bounds);
    } else {
        panel->setFloating(false);
        addDockWidget(AreaOf(side), panel);
        const bool across = side == TCommentarySide::Top || side == TCommentarySide::Bottom;
        resizeDocks({panel}, {across ? bounds.height() : bounds.width()},
                    across ? Qt::Vertical : Qt::Horizontal);
    }
    // A document with a commentary shows it, to be read.
    commentary_->SetEditable(false);
    panel->show();
}

std::optional<TCommentaryRecord> TLumacurveForm::CommentaryRecord() const
{
    if (commentary_->Text().isEmpty())
        return std::nullopt;
    TCommentaryState state = commentary_->State();
    const QDockWidget* panel = Panel("CommentaryDockPanel");
    state.side = panel->isFloating() ? TCommentarySide::Floating
                                     : SideOf(dockWidgetArea(const_cast<QDockWidget*>(panel)));
    // Floating, the rectangle is the floating window's, on the screen; docked, the panel's in the window.
    state.bounds =
        panel->isFloating() ? panel->frameGeometry() : QRect(panel->mapToGlobal(QPoint(0, 0)), panel->size());
    return CommentaryRecordOf(state, ScreenArea(this));
}

void TLumacurveForm::ShowIntroduction()
{
    if (!equations_->FinishPendingEdit())
        return;
    QDockWidget* panel = Panel("CommentaryDockPanel");
    commentary_->SetEditable(true);
    panel->show();
    panel->raise();
    commentary_->Memo()->setFocus();
}

void TLumacurveForm::CustomiseCurve(TEquationObject* line)
{
    // Finishing the edit in progress puts a new object in place of the line
    // being edited, so the line is found again by its place in the list.
    const int place = line ? equations_->List().IndexOf(line) : -1;
    if (line && place < 0)
        return;
    if (!equations_->FinishPendingEdit())
        return;
    const std::vector<TEquationObject*> lines = equations_->List().Lines();
    if (!line)
        line = equations_->SelectedObject();
    else if (equations_->List().IndexOf(line) < 0)
        line = equations_->ItemAt(place);
    const auto found = std::find(lines.begin(), lines.end(), line);
    if (!line || found == lines.end())
        return;
    TCustomCurve dialog(lines, static_cast<int>(found - lines.begin()), this);
    dialog.ShowHelp = [this](int topic) { ShowHelp(topic); };
    dialog.LineChanged = [this](TEquationObject& changed) {
        changed.SetLayoutOutOfDate(true);
        SetModified(true);
        const int index = equations_->List().IndexOf(&changed);
        if (index >= 0)
            graphArea_->LineChanged(index);
        equations_->ScheduleIdle();
        equations_->update();
    };
    dialog.RecordChange = [this] { UndoPostAction(); };
    dialog.exec();
    if (dialog.AnythingChanged()) {
        equations_->ProcessChanges();
        graphArea_->update();
        EquationsArea()->update();
    }
}
