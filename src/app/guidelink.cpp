// The guide commands carried out on the main window.
#include "app/guidelink.h"

#include "app/commentary.h"
#include "app/declaredconstanteditor.h"
#include "app/lumacurveform.h"
#include "app/seriestoolbar.h"
#include "app/shapework.h"
#include "app/startupwindow.h"
#include "automation/guidereceiver.h"
#include "document/curvestyle.h"
#include "document/document.h"
#include "document/dynamicediting.h"
#include "entry/declarationlines.h"
#include "entry/entry.h"
#include "equations/equationswindow.h"
#include "formula/equationobject.h"
#include "geometry/coordcurve.h"
#include "graph/axes.h"
#include "graph/axis.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "guidelib/guideprotocol.h"
#include "platform/busygate.h"
#include "settings/configuration.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QFileInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

namespace {

// The toolbar command of each mouse code a drag may choose.
const char* MouseToolCommand(int code)
{
    switch (code) {
    case 211:
        return "ActionCompassPoints";
    case 301:
        return "ActionZoomin";
    case 302:
        return "ActionZoomout";
    case 303:
        return "ActionDragGrid";
    case 304:
        return "ActionMoveOrigin";
    case 401:
        return "ActionTangent";
    case 402:
        return "ActionNormal";
    case 403:
        return "ActionArea";
    case 404:
        return "ActionGradient";
    case 406:
        return "ActionHorizontalLine";
    case 407:
        return "ActionVerticalLine";
    case 408:
        return "ActionLineThroOrigin";
    case 411:
        return "ActionYAxisToCurve";
    case 412:
        return "ActionXAxisToCurve";
    case 413:
        return "ActionOriginToCurve";
    default:
        return nullptr;
    }
}

bool AllNumbers(const TGuideParameters& fields, int from, int to)
{
    for (int field = from; field <= to; ++field)
        if (!fields[field - 1].isNumber)
            return false;
    return true;
}

// The number a series name ends in (its last two characters, "%2d"), or 0.
int SeriesNumber(const QString& name)
{
    if (name.size() < 2)
        return 0;
    bool ok = false;
    const int number = name.right(2).trimmed().toInt(&ok);
    return ok && number > 0 && !name.right(2).trimmed().startsWith('+') ? number : 0;
}

QString SeriesStem(const QString& name)
{
    return name.left(name.size() - 2);
}

QString SeriesMember(const QString& stem, int number)
{
    return stem + QString::asprintf("%2d", number);
}

TDynamicConstantEquation* ConstantNamed(TEquationsWindow& equations, const QString& name)
{
    for (TEquationObject* line : equations.List().Lines())
        if (auto* constant = dynamic_cast<TDynamicConstantEquation*>(line))
            if (QString::fromStdString(constant->NameText()).compare(name, Qt::CaseInsensitive) == 0)
                return constant;
    return nullptr;
}

// A field's text without its leading blanks, as 8-bit text.
std::string Trimmed(const TGuideField& field)
{
    const auto start = field.bytes.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : field.bytes.substr(start);
}

} // namespace

int GuideDragSteps(QPoint start, QPoint end, QSize screen, int maxSteps)
{
    const long long distance = std::llabs(static_cast<long long>(end.x()) - start.x()) +
                               std::llabs(static_cast<long long>(end.y()) - start.y());
    const long long across = std::max(1, screen.width() + screen.height());
    return static_cast<int>(std::clamp<long long>(distance * 200 / across, 0, maxSteps));
}

TGuideLink::TGuideLink(TLumacurveForm& form) : QObject(&form), form_(form)
{
    receiver_ = new TGuideReceiver(*this, this);
    AskQuestion = [this](const QString& question) {
        if (form_.Quiet())
            return false;
        return QMessageBox::question(&form_, ProgramName, question, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes) == QMessageBox::Yes;
    };
}

TGuideLink::~TGuideLink()
{
    if (dragTimer_ != nullptr)
        BusyGate().Leave();
}

int TGuideLink::RaiseForGuide()
{
    if (form_.isMinimized())
        form_.setWindowState(form_.windowState() & ~Qt::WindowMinimized);
    form_.raise();
    form_.activateWindow();
    TShapeWork* shapes = form_.Shapes();
    if (shapes != nullptr && shapes->Editor() != nullptr && shapes->EditorPanel() != nullptr &&
        shapes->EditorPanel()->isVisible())
        return GUIDE_TARGET_COORDINATE_EDITOR;
    if (form_.DynamicEditor() != nullptr && form_.DynamicEditor()->isVisible())
        return GUIDE_TARGET_DYNAMIC_EDITOR;
    if (form_.startupWindow_ != nullptr && form_.startupWindow_->isVisible())
        return GUIDE_TARGET_STARTUP_SCREEN;
    return GUIDE_TARGET_MAIN;
}

void TGuideLink::CloseStartupScreen()
{
    if (form_.startupWindow_ != nullptr)
        form_.startupWindow_->close();
}

void TGuideLink::GuideLinkBroken(const QString& why)
{
    form_.ShowStatusFlags(tr("Link between Lumacurve and Lumatutor not working: %1").arg(why), 3);
}

void TGuideLink::Warn(const QString& text)
{
    form_.Inform(text, QMessageBox::Warning);
}

int TGuideLink::RunGuideCommand(const TGuideCommand& command)
{
    const TGuideParameters& fields = command.fields;
    const int sub = command.subCode;
    TCommandList& commands = form_.Commands();
    switch (command.code) {
    case 0:
        OpenExercise(fields);
        break;
    case 1:
        NewScaling(fields);
        break;
    case 2:
        // New or Clear curves without asking: the guide's work is not the pupil's to save.
        form_.SetModified(false);
        if (form_.Commentary() != nullptr)
            form_.Commentary()->SetModified(false);
        form_.ClearAll(sub == 1);
        EndSeries();
        break;
    case 3:
        commands.Trigger("ActionResetScales");
        break;
    case 4:
        commands.Trigger("ActionPositiveScales");
        break;
    case 5:
        commands.Trigger("ActionTrigScales");
        break;
    case 6:
        commands.Trigger("ActionSquareScales");
        break;
    case 7:
        form_.SetAngleMeasure(sub == 1);
        break;
    case 8:
        StartDrag(sub, fields);
        break;
    case 12:
        (void)SelectIndex(sub);
        break;
    case 13:
        if (SelectIndex(sub))
            commands.Trigger("ActionDeleteCurve");
        break;
    case 14:
        if (SelectIndex(sub))
            commands.Trigger("ActionDeleteSecondaries");
        break;
    case 15:
        DynamicConstant(sub, fields);
        break;
    case 17:
        InsertLine(fields);
        break;
    case 18:
        commands.Trigger("ActionRedraw");
        break;
    case 19:
        commands.Trigger("ActionDemoDraw");
        break;
    case 20:
        Family(fields);
        break;
    case 22: {
        TEquationsWindow* equations = form_.Equations();
        if (sub >= 1 && sub <= equations->Count())
            if (auto* list = dynamic_cast<TCoordCurve*>(equations->ItemAt(sub - 1)))
                form_.Shapes()->OpenCoordinateEditor(list);
        break;
    }
    case 23:
        messages_ = sub == 1;
        break;
    case 24: {
        const bool on = sub == 1;
        if (Configuration.LabelCoordinates != on) {
            Configuration.LabelCoordinates = on;
            PublishSettings();
            Refresh();
        }
        break;
    }
    case 25:
        if (sub >= 1) {
            // A thickness beyond the setting's range takes its nearest end.
            const auto thickness = static_cast<std::int16_t>(std::min(sub, 9));
            if (thickness != Configuration.ThickLines) {
                Configuration.ThickLines = thickness;
                PublishSettings();
                Refresh();
            }
        }
        break;
    case 26:
        StepSeries(1, false);
        break;
    case 27:
        StepSeries(-1, false);
        break;
    default: // 10 and 11 (zoom), 21 (questions and log-on) and unknown codes do nothing
        break;
    }
    return 0;
}

void TGuideLink::Refresh()
{
    TEquationsWindow* equations = form_.Equations();
    TGraphWindow* graph = form_.GraphArea();
    const std::vector<TEquationObject*> lines = equations->List().Lines();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (ApplySettingsToLine(*lines[i], true, true)) {
            lines[i]->SetLayoutOutOfDate(true);
            graph->LineChanged(static_cast<int>(i));
        }
    equations->ProcessChanges();
    graph->RedrawAll();
    graph->update();
    form_.EquationsArea()->update();
}

// ---- exercise documents ----------------------------------------------------------------------

QString TGuideLink::GuideFolder() const
{
    const QString help = form_.GuideHelpFile();
    return help.isEmpty() ? QString() : QFileInfo(help).absolutePath();
}

QString TGuideLink::ExercisePath(const QString& name) const
{
    // A document name has no folder: one that names a folder is not an exercise.
    if (name.isEmpty() || name.contains('/') || name.contains('\\') || name.contains(QChar(0)))
        return {};
    const QString folder = GuideFolder();
    const QString path = (folder.isEmpty() ? QString() : folder + "/") + name + ".lcv";
    return QFileInfo(path).isFile() ? path : QString();
}

bool TGuideLink::OpenQuietly(const QString& path)
{
    // Failures are not reported to the pupil: the guide goes on.
    const bool quiet = form_.options_.quiet;
    form_.options_.quiet = true;
    const bool read = form_.OpenFile(path);
    form_.options_.quiet = quiet;
    return read;
}

void TGuideLink::OpenExercise(const TGuideParameters& fields)
{
    const QString name = fields[0].text;
    const QString path = ExercisePath(name);
    if (path.isEmpty()) {
        if (messages_)
            Warn(tr("%1 not found").arg(name.isEmpty() ? tr("File") : name));
        return;
    }
    const int number = SeriesNumber(name);
    if (number <= 0 || ExercisePath(SeriesMember(SeriesStem(name), number + 1)).isEmpty()) {
        OpenQuietly(path);
        EndSeries();
        return;
    }
    if (!series_.isEmpty() && SeriesStem(name) == SeriesStem(series_)) {
        StepSeries(1, true);
        return;
    }
    series_ = name;
    int line = 0;
    answerLine_ = fields[1].Whole(line) ? line - 1 : -1;
    OpenQuietly(path);
    form_.activateWindow();
    SeriesChanged();
}

void TGuideLink::StepSeries(int step, bool fromOpen)
{
    if (series_.isEmpty())
        return;
    const QString stem = SeriesStem(series_);
    const QString next = SeriesMember(stem, SeriesNumber(series_) + step);
    if (const QString path = ExercisePath(next); !path.isEmpty()) {
        series_ = next;
        OpenQuietly(path);
    } else if (fromOpen && messages_) {
        form_.Inform(tr("You have completed %1 files.  Go back to the guide").arg(stem),
                     QMessageBox::Information);
    }
    form_.activateWindow();
    SeriesChanged();
}

void TGuideLink::LineEntered()
{
    if (series_.isEmpty() || checkPending_)
        return;
    // The check may ask a question and open the next document: never inside the end of the edit.
    checkPending_ = true;
    QTimer::singleShot(0, this, [this] {
        checkPending_ = false;
        CheckAnswer();
    });
}

void TGuideLink::CheckAnswer()
{
    if (series_.isEmpty())
        return;
    form_.SetModified(false);
    TEquationsWindow* equations = form_.Equations();
    const TEquationObject* selected = equations->SelectedObject();
    enum { Match, Unsure, NoMatch } result = Unsure;
    if (selected != nullptr && answerLine_ >= 0 && answerLine_ < equations->Count() &&
        answerLine_ != equations->SelectedIndex())
        result =
            equations->ItemAt(answerLine_)->CompareWith(*selected, form_.GraphParams()) ? Match : NoMatch;
    if (result == NoMatch) {
        form_.ShowStatusFlags(tr("The curves do not match.  Try again!"), 3);
        return;
    }
    const QString stem = SeriesStem(series_);
    const QString next = SeriesMember(stem, SeriesNumber(series_) + 1);
    if (const QString path = ExercisePath(next); !path.isEmpty()) {
        if (!messages_)
            return;
        const QString question =
            result == Match ? tr("Well done. Equations match.\nDo you want to go on to the next file?")
                            : tr("Do the curves match?\nDo you want to go on to the next file?");
        if (AskQuestion && AskQuestion(question)) {
            series_ = next;
            OpenQuietly(path);
            SeriesChanged();
        }
        return;
    }
    if (messages_)
        form_.Inform(tr("You have completed %1 files.  Go back to the guide").arg(stem),
                     QMessageBox::Information);
    EndSeries();
}

void TGuideLink::EndSeries()
{
    series_.clear();
    answerLine_ = -1;
    SeriesChanged();
}

void TGuideLink::SeriesChanged()
{
    if (series_.isEmpty()) {
        if (seriesBar_)
            seriesBar_->HideQuietly();
        return;
    }
    if (!seriesBar_) {
        seriesBar_ = new TLumatutorseriesDlg(&form_);
        connect(seriesBar_, &TLumatutorseriesDlg::LastFile, this, [this] { StepSeries(-1, false); });
        connect(seriesBar_, &TLumatutorseriesDlg::NextFile, this, [this] { StepSeries(1, false); });
        connect(seriesBar_, &TLumatutorseriesDlg::SeriesQuit, this, [this] { EndSeries(); });
    }
    const QString stem = SeriesStem(series_);
    const int number = SeriesNumber(series_);
    seriesBar_->ShowFor(!ExercisePath(SeriesMember(stem, number - 1)).isEmpty(),
                        !ExercisePath(SeriesMember(stem, number + 1)).isEmpty());
}

// ---- scales and lines ------------------------------------------------------------------------

void TGuideLink::NewScaling(const TGuideParameters& fields)
{
    if (!AllNumbers(fields, 1, 4))
        return;
    TGraphWindow* graph = form_.GraphArea();
    TGraphParams& params = graph->Params();
    auto scales = std::make_unique<TRescaleDataTransfer>(
        fields[0].value, fields[2].value, fields[1].value, fields[3].value,
        params.AxisByLetter('x')->ScalingText(), params.AxisByLetter('y')->ScalingText(), false);
    if (!params.SetScales(std::move(scales), graph))
        return;
    form_.Commands().Action("ActionGraphPaper")->setChecked(params.GraphPaperOn());
    form_.SetModified(true);
    graph->update();
    form_.UpdateCommands();
}

bool TGuideLink::SelectIndex(int index)
{
    TEquationsWindow* equations = form_.Equations();
    if (index < 0 || index >= equations->Count())
        return false;
    if (equations->SelectedIndex() != index)
        equations->SelectLine(index);
    return equations->SelectedIndex() == index && !equations->Line();
}

void TGuideLink::InsertLine(const TGuideParameters& fields)
{
    TEquationsWindow* equations = form_.Equations();
    if (!equations->FinishPendingEdit())
        return;
    TElementList list = FormulaFromText(fields[0].bytes);
    if (!list) {
        form_.ShowStatusFlags(EntryMessage::CannotPaste, 3);
        return;
    }
    const int count = equations->Count();
    int primary = 0, replaced = 0, colour = 0;
    const bool hasPrimary = fields[3].Whole(primary, 1, count);
    const bool hasReplaced = fields[2].Whole(replaced, 1, count);
    // A line cannot be the primary of the line that replaces it.
    TEquationObject* parent =
        hasPrimary && !(hasReplaced && replaced == primary) ? equations->ItemAt(primary - 1) : nullptr;
    TEquationObject* old = hasReplaced ? equations->ItemAt(replaced - 1) : nullptr;
    if (parent != nullptr) {
        equations->SelectLine(primary - 1);
        if (equations->SelectedObject() != parent)
            return;
    }
    const std::vector<TEquationObject*> before = equations->List().Lines();
    if (!equations->AddLineWith(std::move(list), 0, parent != nullptr, 0))
        return;
    if (!equations->FinishPendingEdit() || equations->Line()) {
        equations->Deselect(); // the entry's error stays on the status line; the half line goes
        return;
    }
    const std::set<TEquationObject*> old_lines(before.begin(), before.end());
    TEquationObject* added = nullptr;
    for (TEquationObject* line : equations->List().Lines())
        if (old_lines.count(line) == 0)
            added = line;
    if (added == nullptr)
        return;
    TCurveStyle style = CurveStyleOf(*added);
    if (fields[1].Whole(colour, 0, TableColourCount - 1)) {
        style.colourButton = colour;
        style.colour = ButtonColour(colour, style.colour);
    } else if (parent != nullptr) {
        style.colour = CurveStyleOf(*parent).colour;
        style.colourButton = CurveColourButton(style.colour);
    }
    if (ApplyCurveStyle(*added, style)) {
        added->SetLayoutOutOfDate(true);
        form_.GraphArea()->LinesChanged(0);
    }
    // A replaced line of the same kind takes the new formula over and so keeps its place and the lines
    // that depend on it; one of another kind stays beside the new line.
    if (old != nullptr && old != added) {
        const std::vector<TEquationObject*> now = equations->List().Lines();
        if (std::find(now.begin(), now.end(), old) != now.end() && old->SwapFormula(*added)) {
            old->SetElements(added->TakeElements());
            old->SetMustRecalculate(true);
            old->SetLayoutOutOfDate(true);
            equations->List().RecalculateDependants(old);
            equations->RemoveObject(added);
            equations->ProcessChanges();
            form_.GraphArea()->LinesChanged(0);
        }
    }
    form_.SetModified(true);
    form_.UndoPostAction();
    form_.UpdateCommands();
}

void TGuideLink::Family(const TGuideParameters& fields)
{
    int members = 0;
    // A family has 1 to 99 members.
    if (!fields[1].isNumber || !fields[2].Whole(members, 1, 99) || !fields[3].isNumber)
        return;
    const QString name = fields[0].text.trimmed();
    TEquationsWindow* equations = form_.Equations();
    // Field 1 is a name, never a piece of a formula to enter.
    static const QRegularExpression plainName("^[A-Za-z][A-Za-z0-9]*$");
    if (!plainName.match(name).hasMatch() || !equations->FinishPendingEdit())
        return;
    TDynamicConstantEquation* constant = ConstantNamed(*equations, name);
    if (constant == nullptr) {
        // Made as the pupil would type it, through entry's rules.
        TElementList list = FormulaFromText(Trimmed(fields[0]) + "=" + Trimmed(fields[1]));
        if (!list || !equations->AddLineWith(std::move(list), 0, false, 0))
            return;
        if (!equations->FinishPendingEdit() || equations->Line()) {
            equations->Deselect();
            return;
        }
        constant = ConstantNamed(*equations, name);
        if (constant == nullptr) {
            // The name is taken by the language (x, pi): the line entered is no constant and goes again.
            const std::vector<TEquationObject*> lines = equations->List().Lines();
            if (!lines.empty() && equations->Count() > 0)
                equations->DeleteObject(lines.back());
            form_.GraphArea()->LinesChanged(0);
            return;
        }
    }
    constant->Constant().SetValueObject(std::make_unique<TRealReader>(fields[1].value));
    constant->SetFamily(members, std::make_unique<TRealReader>(fields[3].value));
    constant->RebuildLine();
    equations->List().RecalculateDependants(constant);
    constant->SetLayoutOutOfDate(true);
    equations->ProcessChanges();
    form_.GraphArea()->RedrawAll();
    form_.GraphArea()->update();
    form_.EquationsArea()->update();
    form_.SetModified(true);
    form_.UpdateCommands();
}

void TGuideLink::DynamicConstant(int subCode, const TGuideParameters& fields)
{
    TEquationsWindow* equations = form_.Equations();
    TDynamicConstantEquation* constant = ConstantNamed(*equations, fields[0].text.trimmed());
    if (constant == nullptr)
        return;
    form_.FreeDynamicEditor();
    form_.OpenDynamicConstantEditor(constant);
    TDeclaredConstantEditor* editor = form_.DynamicEditor();
    if (editor == nullptr)
        return;
    auto number = [&fields](int field) {
        return fields[field - 1].isNumber ? std::optional<Extended>(fields[field - 1].value) : std::nullopt;
    };
    TGuideFields guide;
    if (subCode == 1) {
        guide.step = number(5);
        editor->Editing().ApplyGuideFields(guide);
        editor->ShowPanel();
        return;
    }
    if (subCode != 0)
        return;
    guide.step = number(5);
    guide.first = number(3);
    guide.second = number(4);
    guide.value = number(2);
    editor->Editing().ApplyGuideFields(guide);
}

// ---- simulated mouse drags -------------------------------------------------------------------

void TGuideLink::ChooseMouseTool(int mouseCode)
{
    TCommandList& commands = form_.Commands();
    const char* name = MouseToolCommand(mouseCode);
    QAction* action = name != nullptr ? commands.Action(name) : nullptr;
    if (action == nullptr || !action->isEnabled()) {
        commands.ShowMode(305);
        form_.GraphArea()->SetMouseMode(305);
        return;
    }
    // Choosing a tool that is already chosen keeps it (a second click would put it down).
    if (!(action->isCheckable() && action->isChecked()))
        action->trigger();
}

void TGuideLink::StartDrag(int mouseCode, const TGuideParameters& fields)
{
    if (!AllNumbers(fields, 1, 4) || dragTimer_ != nullptr)
        return;
    ChooseMouseTool(mouseCode);
    TGraphWindow* graph = form_.GraphArea();
    const TAxes& axes = *graph->Params().Axes;
    const QRect area = graph->rect();
    // Points far outside the graph are taken to its edge.
    auto pixel = [&axes, &area](double x, double y) {
        const QPoint point = axes.ValueToPixel(x, y);
        return QPoint(std::clamp(point.x(), area.left(), area.right()),
                      std::clamp(point.y(), area.top(), area.bottom()));
    };
    dragStart_ = pixel(fields[0].value, fields[1].value);
    dragEnd_ = pixel(fields[2].value, fields[3].value);
    const QSize screen = graph->screen() != nullptr ? graph->screen()->size() : QSize(1024, 768);
    dragSteps_ = GuideDragSteps(dragStart_, dragEnd_, screen, MaxDragSteps);
    dragStep_ = 0;
    // The drag runs after the sender's answer; commands meanwhile wait for it.
    BusyGate().Enter();
    dragTimer_ = new QTimer(this);
    // Each step waits its 50 ms; a drag of no steps is released straight after its press.
    dragTimer_->setInterval(dragSteps_ > 0 ? DragStep : 0);
    connect(dragTimer_, &QTimer::timeout, this, &TGuideLink::DragStepDone);
    QMouseEvent move(QEvent::MouseMove, dragStart_, graph->mapToGlobal(dragStart_), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &move);
    QMouseEvent press(QEvent::MouseButtonPress, dragStart_, graph->mapToGlobal(dragStart_), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &press);
    dragTimer_->start();
}

void TGuideLink::DragStepDone()
{
    TGraphWindow* graph = form_.GraphArea();
    if (dragStep_ >= dragSteps_) {
        EndDrag(); // a drag of no steps: released where it was pressed
        return;
    }
    ++dragStep_;
    const QPoint point(dragStart_.x() + (dragEnd_.x() - dragStart_.x()) * dragStep_ / dragSteps_,
                       dragStart_.y() + (dragEnd_.y() - dragStart_.y()) * dragStep_ / dragSteps_);
    QMouseEvent move(QEvent::MouseMove, point, graph->mapToGlobal(point), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(graph, &move);
    // The button is let go at once after the last step.
    if (dragStep_ == dragSteps_)
        EndDrag();
}

void TGuideLink::EndDrag()
{
    TGraphWindow* graph = form_.GraphArea();
    // Called from the timer's own signal: it goes once the signal has returned.
    dragTimer_->stop();
    dragTimer_->deleteLater();
    dragTimer_ = nullptr;
    dragSteps_ = 0;
    QMouseEvent release(QEvent::MouseButtonRelease, dragEnd_, graph->mapToGlobal(dragEnd_), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &release);
    form_.Commands().ShowMode(305);
    graph->SetMouseMode(305);
    BusyGate().Leave();
}
