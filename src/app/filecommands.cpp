// The main window's File menu: New, Open, Save, Print and Exit, the document
// name and caption, asking to save, and putting a read document into the
// windows.
#include "app/lumacurveform.h"

#include "app/commentary.h"
#include "app/guidelink.h"
#include "app/helpwindow.h"
#include "app/pagedrawing.h"
#include "app/recentdocuments.h"
#include "app/startupwindow.h"
#include "app/statswork.h"
#include "document/document.h"
#include "editor/canvascontrol.h"
#include "editor/mathseditor.h"
#include "entry/declarationlines.h"
#include "entry/entry.h"
#include "equations/equationswindow.h"
#include "formula/formulalayout.h"
#include "graph/graphparams.h"
#include "graphwindow/equationdisplayform.h"
#include "graphwindow/graphwindow.h"
#include "platform/canvas.h"
#include "platform/windowmessages.h"
#include "settings/configuration.h"
#include "settings/mathsreader.h"

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QStandardPaths>

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* HeaderText = "Lumacurve for windows version";

} // namespace

// The File menu: documents, printing and leaving the program.
void TLumacurveForm::RegisterFileHandlers()
{
    auto& c = *commands_;
    c.SetHandler("ActionFileNew", [this] { ClearAll(true); });
    c.SetHandler("ActionClearCurves", [this] { ClearAll(false); });
    c.SetHandler("ActionExit", [this] { close(); });
    c.SetHandler("ActionPrint2", [this] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(ProgramName);
        QPrintDialog dialog(&printer, this);
        if (dialog.exec() == QDialog::Accepted)
            Print(printer);
    });
    c.SetHandler("ActionFileOpen", [this] {
        if (!AskToSave())
            return;
        const QString path = QFileDialog::getOpenFileName(
            this, tr("Open"), QFileInfo(documentPath_).absolutePath(),
            tr("Lumacurve documents (*.lcv);;Guide help (*.ltg);;All files (*)"));
        if (!path.isEmpty())
            OpenFile(path);
    });
    c.SetHandler("ActionFileSave", [this] { SaveDocument(documentPath_); });
}

QString DocumentNameOf(const QString& path)
{
    if (path.isEmpty())
        return {};
    QString name = QFileInfo(path).fileName();
    const int extension = name.indexOf(".lcv", 0, Qt::CaseInsensitive);
    if (extension >= 0)
        name.remove(extension, 4);
    if (name.compare(ProgramName, Qt::CaseInsensitive) == 0)
        return {};
    return name;
}

QString CaptionFor(const QString& documentName)
{
    return documentName.isEmpty() ? QString(ProgramName) : QString("%1 : %2").arg(ProgramName, documentName);
}

bool HasDocumentHeader(const QByteArray& data)
{
    return data.left(64).toLower().startsWith(QByteArray(HeaderText).toLower());
}

QString DefaultDocumentPath()
{
    const QString user =
        QStandardPaths::locate(QStandardPaths::AppDataLocation, "Lumacurve.lcv", QStandardPaths::LocateFile);
    return user.isEmpty() ? QStringLiteral(":/Lumacurve.lcv") : user;
}

void TLumacurveForm::SetModified(bool modified)
{
    // The caption names the document only (it is written into documents and
    // printed page headers), so the window's own modified mark is not used.
    modified_ = modified;
}

void TLumacurveForm::SetDocumentPath(const QString& path)
{
    documentPath_ =
        path.startsWith(":/") ? QString() : (path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath());
    UpdateCaption();
}

void TLumacurveForm::UpdateCaption()
{
    setWindowTitle(
        CaptionFor(guideHelp_.isEmpty() ? DocumentName() : QFileInfo(guideHelp_).completeBaseName()));
}

bool TLumacurveForm::AskToSave()
{
    // Asked whenever something is modified, so that no change is lost silently.
    if (!modified_ && !(commentary_ && commentary_->IsModified()))
        return true;
    switch (SaveQuestion()) {
    case QMessageBox::Cancel:
        return false;
    case QMessageBox::Yes:
        return SaveDocument(documentPath_);
    default:
        return true;
    }
}

int TLumacurveForm::SaveQuestion()
{
    if (options_.quiet) {
        std::fprintf(stderr, "lumacurve: the document was modified and is not saved\n");
        return QMessageBox::No;
    }
    QMessageBox box(QMessageBox::Question, ProgramName, tr("Should I save the curves?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::No);
    return box.exec();
}

void TLumacurveForm::ClearAll(bool resetScales)
{
    if (!AskToSave())
        return;
    EndDynamicPeriod();
    if (equations_->Count() > 0)
        undo_.DropRedo();
    graphArea_->ClearGraphObjects();
    loading_ = true;
    equations_->ClearAll();
    loading_ = false;
    graphArea_->LinesChanged(0);
    document_->commentary.reset();
    ResetCommentary();
    // The text boxes on the graph belong to the document that was cleared.
    document_->annotations.clear();
    SetDocumentPath({});
    saveSuggestion_.clear();
    if (resetScales)
        graphArea_->Params().ResetScales(graphArea_);
    Configuration.ClearPassword();
    graphArea_->update();
    EquationsArea()->update();
    SetModified(false);
    ShowStatusFlags(StartText, 0);
    RefillDynamicEditor(); // closes it: no constants are left
    // A guide's exercise series ends with New and Clear curves.
    if (guideLink_)
        guideLink_->EndSeries();
    UndoPostAction();
}

bool TLumacurveForm::OpenFile(const QString& path, TReadResult* readResult)
{
    if (QFileInfo(path).suffix().compare("ltg", Qt::CaseInsensitive) == 0) {
        OpenGuideHelp(path);
        return true;
    }
    if (!QFileInfo::exists(path)) {
        Message(tr("The file %1 does not exist.").arg(QDir::toNativeSeparators(path)), QMessageBox::Warning);
        return false;
    }
    // The file is read into a fresh document: the one on screen stays untouched when the read fails.
    graphArea_->RemoveTrace();
    auto document = std::make_unique<TDocument>();
    std::string error;
    TReadResult result = TReadResult::Document; // stays when the file cannot be read at all
    const bool read = LoadDocument(path, *document, error, &result);
    if (readResult)
        *readResult = result;
    if (!read) {
        Message(QString::fromStdString(error), QMessageBox::Information);
        return false;
    }
    // Notes say what was read; only the other warnings tell of damage.
    QString skipped;
    for (const auto& warning : document->warnings)
        if (!warning.note)
            skipped += QString("\n%1: %2")
                           .arg(warning.place.empty() ? QString("line %1").arg(warning.line)
                                                      : QString::fromStdString(warning.place),
                                QString::fromStdString(warning.text));
    const std::size_t points = document->numberPairPoints;
    ReplaceDocument(std::move(document));
    // A current-format document becomes the save target (unless guide help
    // is loaded) and joins the recent documents; anything else read is a new
    // document, which Save asks a name for, so that the file read or the
    // document before is never overwritten in a format it did not have.
    if (result == TReadResult::Document) {
        if (guideHelp_.isEmpty()) {
            SetDocumentPath(path);
            if (!DocumentName().isEmpty())
                RecentDocuments::Add(path);
        }
        saveSuggestion_.clear();
    } else {
        SetDocumentPath({});
        const QFileInfo file(path);
        saveSuggestion_ = file.absoluteDir().filePath(file.completeBaseName() + ".lcv");
    }
    SetModified(false);
    UndoPostAction();
    if (result == TReadResult::NumberPairs)
        ShowStatusFlags(tr("Read as one set of %1 data points.").arg(points), 2);
    if (!skipped.isEmpty())
        Message(tr("I got stuck but have done my best.") + "\n" + skipped.left(2000),
                QMessageBox::Information);
    return true;
}

void TLumacurveForm::ReplaceDocument(std::unique_ptr<TDocument> document)
{
    // The editor on the old lines closes; the document's layout may ask for it again.
    FreeDynamicEditor();
    // The present state is one step back from the new document.
    undo_.Record(Snapshot());
    LoadDocumentIntoWindows(std::move(document));
    ReopenDynamicEditor();
}

void TLumacurveForm::LoadDocumentIntoWindows(std::unique_ptr<TDocument> document)
{
    const bool whiteboardBefore = whiteboard_;
    stats_->DocumentOpening();
    graphArea_->ClearGraphObjects();
    loading_ = true;
    equations_->ClearAll();
    loading_ = false;
    document_ = std::move(document);
    document_->ApplySettings();
    if (Configuration.AutoAccuracy)
        Configuration.Accuracy = static_cast<std::int16_t>(AutomaticAccuracy);
    // The window, its panels and toolbars take their places first: the graph
    // keeps its scale when it is resized, so a scaling applied before would
    // be cropped to the graph's new size (and saved so).
    ArrangeWindowFor(*document_);
    ApplyArrangement(CurrentArrangement()); // the document's font and background
    if (document_->whiteboard && !whiteboardBefore)
        SetWhiteboard(true);
    SettleLayout();
    document_->ApplyScales(graphArea_->Params(), graphArea_);
    // The lines pass to the equations window, which the graph draws from.
    PutLines(document_->lines, document_->selectedLine);
    graphArea_->RedrawAll();
    SetLayoutLocked(!document_->dragLayout);
    // The comment boxes, laid out in the document's font.
    LoadAnnotations(document_->annotations);
    ReadCommentary(document_->commentary);
    commands_->Action("ActionToolTips")->setChecked(Configuration.ShowHints);
    commands_->Action("ActionShowGraphNames")->setChecked(Configuration.ShowGraphNames);
    commands_->Action("ActionDynamicCUrves")->setChecked(Configuration.DragCurves);
    commands_->Action("ActionDegrees")->setChecked(!Configuration.Radians());
    commands_->Action("ActionRadians")->setChecked(Configuration.Radians());
    commands_->Action("ActionGraphPaper")->setChecked(graphArea_->Params().GraphPaperOn());
    graphArea_->update();
    EquationsArea()->update();
    UpdateCommands();
}

void TLumacurveForm::ArrangeWindowFor(const TDocument& document)
{
    if (document.window && !options_.screenshot) {
        const TWindowRecord& window = *document.window;
        ApplyPlacement(TPlacementEvent(static_cast<double>(window.left), static_cast<double>(window.wide),
                                       static_cast<double>(window.top), static_cast<double>(window.high),
                                       window.state));
    }
    SetLayoutLocked(false);
    if (document.screenLayout)
        RestoreLayoutText(*document.screenLayout);
    if (!document.toolbars.empty()) {
        HideAllBars();
        const bool rows = CompareVersions(document.fileVersion, "3.004") > 0;
        for (const auto& record : document.toolbars)
            ApplyToolbarRecord(record, rows);
    }
    // Older documents say only which toolbars show, and place the equations panel.
    for (const auto& [name, shown] : document.toolbarVisibility)
        ShowBar(QString::fromStdString(name), shown);
    if (document.equationsPanel)
        PlaceEquationsPanel(*document.equationsPanel);
}

void TLumacurveForm::PlaceEquationsPanel(const TEquationsPanelRecord& record)
{
    QDockWidget* panel = Panel("EquationsDockPanel");
    if (!panel)
        return;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const auto across = [&](const std::optional<Extended>& fraction, int fallback) {
        return fraction ? static_cast<int>(std::lround(static_cast<double>(*fraction) * available.width()))
                        : fallback;
    };
    const auto down = [&](const std::optional<Extended>& fraction, int fallback) {
        return fraction ? static_cast<int>(std::lround(static_cast<double>(*fraction) * available.height()))
                        : fallback;
    };
    static constexpr Qt::DockWidgetArea Sides[] = {Qt::NoDockWidgetArea,     Qt::TopDockWidgetArea,
                                                   Qt::BottomDockWidgetArea, Qt::LeftDockWidgetArea,
                                                   Qt::RightDockWidgetArea,  Qt::LeftDockWidgetArea};
    const Qt::DockWidgetArea side = Sides[std::clamp(record.align, 0, 5)];
    if (side == Qt::NoDockWidgetArea) {
        panel->setFloating(true);
        const QRect bounds(available.left() + across(record.left, 0), available.top() + down(record.top, 0),
                           std::max(200, across(record.wide, panel->width())),
                           std::max(100, down(record.high, panel->height())));
        panel->setGeometry(bounds.intersected(available).isEmpty() ? QRect(available.topLeft(), bounds.size())
                                                                   : bounds);
    } else {
        panel->setFloating(false);
        addDockWidget(side, panel);
        SettleLayout(); // the panel's new side is laid out before it is sized
        if (side == Qt::TopDockWidgetArea || side == Qt::BottomDockWidgetArea) {
            resizeDocks({panel}, {std::max(60, down(record.high, panel->height()))}, Qt::Vertical);
        } else {
            resizeDocks({panel}, {std::max(200, across(record.wide, panel->width()))}, Qt::Horizontal);
        }
    }
    panel->setVisible(record.visible);
}

void TLumacurveForm::SettleLayout()
{
    // Placements and docking post their layout work; the sizes must be final now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

void TLumacurveForm::CaptureDocument()
{
    TDocument& document = *document_;
    document.CaptureSettings();
    document.CaptureScales(graphArea_->Params());
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->geometry() : QRect(0, 0, 1280, 800);
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    TWindowRecord window;
    window.caption = windowTitle().toStdString();
    window.left = Extended(normal.left() - available.left()) / available.width();
    window.wide = Extended(normal.width()) / available.width();
    window.top = Extended(normal.top() - available.top()) / available.height();
    window.high = Extended(normal.height()) / available.height();
    window.state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    document.window = window;
    document.screenLayout = LayoutText();
    document.toolbars = ToolbarRecords();
    document.whiteboard = whiteboard_;
    document.dragLayout = !LayoutLocked();
    document.annotations = AnnotationRecords();
    document.commentary = CommentaryRecord();
}

void TLumacurveForm::OpenGuideHelp(const QString& path)
{
    if (!HelpWindow()->ShowGuideFile(path)) {
        Message(tr("The guide help file %1 cannot be read.").arg(QDir::toNativeSeparators(path)),
                QMessageBox::Warning);
        return;
    }
    guideHelp_ = QFileInfo(path).absoluteFilePath();
    commands_->Action("ActionLumatutor")->setText(QFileInfo(path).completeBaseName());
    UpdateCaption();
    UpdateCommands();
}

bool TLumacurveForm::SaveDocument(const QString& path)
{
    if (!equations_->FinishPendingEdit()) {
        Message(tr("You must correct the fault in the equation before I can save."), QMessageBox::Warning);
        return false;
    }
    for (int n = 0; n < equations_->Count(); ++n)
        if (dynamic_cast<TNeedsDefinitions*>(equations_->ItemAt(n))) {
            Message(tr("You must define all constants and functions before saving"), QMessageBox::Warning,
                    206);
            return false;
        }
    QString target = path;
    if (target.isEmpty()) {
        const QString suggested = !documentPath_.isEmpty()     ? documentPath_
                                  : !saveSuggestion_.isEmpty() ? saveSuggestion_
                                                               : QStringLiteral("Lumacurve.lcv");
        target = AskSaveFileName(suggested);
        if (target.isEmpty())
            return false;
        if (QFileInfo(target).suffix().isEmpty())
            target += ".lcv";
    }
    const std::vector<TEquationObject*> lines = PrepareForWriting();
    std::string error;
    if (!::SaveDocument(*document_, target, error, &lines)) {
        // The previous file is whole, and the document still counts as modified under its old name.
        QString reason = QString::fromStdString(error);
        if (!reason.isEmpty())
            reason[0] = reason[0].toUpper();
        Message(reason, QMessageBox::Warning);
        return false;
    }
    SetDocumentPath(target);
    saveSuggestion_.clear();
    SetModified(false);
    // Only a save that succeeded marks the commentary as saved.
    if (commentary_)
        commentary_->SetModified(false);
    if (!DocumentName().isEmpty())
        RecentDocuments::Add(target);
    return true;
}

std::vector<TEquationObject*> TLumacurveForm::PrepareForWriting()
{
    CaptureDocument();
    // The document's sections, with the equation records of the equations window at the end.
    document_->lines.lines.clear();
    document_->selectedLine = SelectedLine();
    return equations_->List().Lines();
}

QString TLumacurveForm::AskSaveFileName(const QString& suggested)
{
    if (options_.quiet)
        return {};
    return QFileDialog::getSaveFileName(this, tr("Save"), suggested, tr("Lumacurve documents (*.lcv)"));
}

bool TLumacurveForm::Print(QPrinter& printer)
{
    printer.setDocName(ProgramName);
    ShowStatusFlags(tr("Printing......."), 0);
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    const bool ok =
        PrintPage(*this, printer, PrintChoices, QString::fromStdString(Configuration.PrintName), &error)
            .has_value();
    QApplication::restoreOverrideCursor();
    setEnabled(true);
    ShowStatusFlags(ok ? QString() : error, ok ? 0 : 3);
    return ok;
}
