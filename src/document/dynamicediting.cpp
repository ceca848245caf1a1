#include "document/dynamicediting.h"

#include "document/equationlist.h"
#include "entry/declarationlines.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "graph/graphparams.h"
#include "graph/linesource.h"
#include "graph/scalehost.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "platform/fontfamilies.h"
#include "platform/mainwindowbase.h"
#include "plot/curveplotter.h"
#include "plot/graphrenderer.h"
#include "settings/configuration.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>
#include <unordered_set>
#include <utility>

namespace {

[[nodiscard]] bool IsExpression(const TRealReader& value)
{
    return typeid(value) != typeid(TRealReader);
}

} // namespace

// ---- the graph without a window -----------------------------------------------------------

TImageDynamicGraph::TImageDynamicGraph(QSize size, qreal ratio)
    : size_(size), ratio_(ratio),
      host_(std::make_unique<TFixedScaleHost>(size.width(), size.height(), FamilyFont(EquationsFontName, 10)))
{
    params_ = std::make_unique<TGraphParams>(host_.get());
}

TImageDynamicGraph::~TImageDynamicGraph() = default;

QFont TImageDynamicGraph::GraphFont() const
{
    QFont font = FamilyFont(EquationsFontName);
    font.setPixelSize(12);
    return font;
}

QImage TImageDynamicGraph::ShowFrame(QImage frame)
{
    ++frames;
    return std::exchange(shown, std::move(frame));
}

// ---- users ---------------------------------------------------------------------------------

TDynamicEquation::TDynamicEquation(TCurvePLotter* curve, TDynamicGraph* graph)
    : Curve(curve), Graph(graph),
      StoredCount(curve && curve->LineStore() ? static_cast<std::int32_t>(curve->LineStore()->Count()) : 0)
{
}

TDynamicEquation::~TDynamicEquation()
{
    if (!Curve)
        return;
    if (TPolyLineStore* store = Curve->LineStore())
        store->State = store->Count() > 0 ? lsComplete : lsRecording;
}

void TDynamicEditorView::RecordUndo()
{
    if (MainWindow)
        MainWindow->UndoPostAction();
}

TDynamicKey DynamicKeyAction(int key, bool shift, bool control)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        return TDynamicKey::Stop;
    case Qt::Key_Escape:
        return TDynamicKey::StopAndClose;
    case Qt::Key_F1:
        return TDynamicKey::Help;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        if (control)
            return TDynamicKey::PlayBack;
        if (shift)
            return TDynamicKey::StepBack;
        return key == Qt::Key_Less ? TDynamicKey::Swallow : TDynamicKey::PassOn;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        if (control)
            return TDynamicKey::PlayForward;
        if (shift)
            return TDynamicKey::StepForward;
        return key == Qt::Key_Greater ? TDynamicKey::Swallow : TDynamicKey::PassOn;
    default:
        return TDynamicKey::PassOn;
    }
}

// ---- the editor ----------------------------------------------------------------------------

TDynamicConstantEditing::TDynamicConstantEditing(TEquationList& list, TDynamicGraph* graph,
                                                 TDynamicEditorView& view,
                                                 const TDynamicConstantEquation* constant)
    : list_(list), graph_(graph), view_(view)
{
    FillConstantList(constant ? std::string_view(constant->NameText()) : std::string_view());
    // With no constant given the first entry is the one selected.
}

TDynamicConstantEditing::~TDynamicConstantEditing()
{
    // Closing the editor by freeing it (Escape, Finish, a reached target)
    // still ends the period: its undo step is recorded.
    if (inPeriod_)
        EndEditing();
    targeting_ = false;
}

void TDynamicConstantEditing::FillConstantList(std::string_view name)
{
    const std::string wanted(name);
    names_.clear();
    currentName_.clear();
    TDynamicConstantEquation* chosen = nullptr;
    for (TEquationObject* line : list_.Lines()) {
        auto* constantLine = dynamic_cast<TDynamicConstantEquation*>(line);
        if (!constantLine)
            continue;
        names_.push_back(constantLine->NameText());
        if (!chosen || constantLine->NameText() == wanted)
            if (!chosen || chosen->NameText() != wanted)
                chosen = constantLine;
    }
    std::sort(names_.begin(), names_.end());
    names_.erase(std::unique(names_.begin(), names_.end()), names_.end());
    TDynamicConstantEquation* before = constantLine_;
    constantLine_ = chosen;
    constant_ = chosen ? &chosen->Constant() : nullptr;
    constantIndex_ = chosen ? list_.IndexOf(chosen) : -1;
    if (chosen)
        currentName_ = chosen->NameText();
    int selected = -1;
    if (chosen)
        selected = static_cast<int>(std::find(names_.begin(), names_.end(), currentName_) - names_.begin());
    view_.ConstantListChanged(names_, selected);
    if (constant_) {
        ShowBoxes();
    } else {
        view_.ClearBox(TDynamicBox::Value);
        view_.ClearBox(TDynamicBox::Step);
    }
    editError_ = false;
    // Another constant during a period: its users are animated from now on.
    if (inPeriod_ && before != constantLine_) {
        FindUsers();
        RebuildBackground();
    }
}

void TDynamicConstantEditing::Refill()
{
    FillConstantList(currentName_);
}

void TDynamicConstantEditing::EquationSelected(const TEquationObject* line)
{
    const auto* constantLine = dynamic_cast<const TDynamicConstantEquation*>(line);
    if (constantLine && constantLine != constantLine_)
        FillConstantList(constantLine->NameText());
}

void TDynamicConstantEditing::ChooseConstant(int index)
{
    if (index < 0 || index >= static_cast<int>(names_.size()))
        return;
    Play(0);
    if (!CommitEdits()) {
        // The boxes still belong to the constant shown: the list keeps it.
        const auto at = std::find(names_.begin(), names_.end(), currentName_);
        view_.ConstantListChanged(names_, at == names_.end() ? -1 : static_cast<int>(at - names_.begin()));
        return;
    }
    currentName_ = names_[static_cast<std::size_t>(index)];
    SelectConstant();
}

void TDynamicConstantEditing::SelectConstant()
{
    if (!CommitEdits())
        return;
    constantLine_ = nullptr;
    constant_ = nullptr;
    constantIndex_ = -1;
    for (TEquationObject* line : list_.Lines()) {
        auto* constantLine = dynamic_cast<TDynamicConstantEquation*>(line);
        if (constantLine && constantLine->NameText() == currentName_) {
            constantLine_ = constantLine;
            constant_ = &constantLine->Constant();
            constantIndex_ = list_.IndexOf(line);
            break;
        }
    }
    if (inPeriod_) {
        FindUsers();
        RebuildBackground();
    }
    if (constant_)
        ShowBoxes();
}

// ---- periods -------------------------------------------------------------------------------

void TDynamicConstantEditing::Activate()
{
    if (active_ || !view_.CanFinishEquationsEdit())
        return;
    FillConstantList(currentName_);
    BeginEditing();
    active_ = true;
    if (targeting_)
        StartTargetPlay();
}

void TDynamicConstantEditing::Deactivate()
{
    if (!active_)
        return;
    EndEditing();
    active_ = false;
}

void TDynamicConstantEditing::BeginEditing()
{
    // Suspending is a switch, not a count: the guide's start and the
    // activation that follows both begin, and one end restores.
    if (!idleSuspended_) {
        idleSuspended_ = true;
        view_.SuspendIdle(true);
    }
    if (!inPeriod_)
        busyFlagSaved_ = BusyCursorFlag;
    BusyCursorFlag = false;
    const int delay = Configuration.RepeatsDelay;
    normalInterval_ = delay > 0 ? delay * 10 : 10;
    SetTimer(timerRunning_, normalInterval_);
    inPeriod_ = true;
    deactivated_ = false;
    SelectConstant();
}

void TDynamicConstantEditing::EndEditing()
{
    EndPeriod(true);
}

void TDynamicConstantEditing::EndPeriod(bool commit)
{
    if (commit) {
        Play(0);
        RefreshConstantLine();
    } else {
        direction_ = 0;
        SetTimer(false, interval_);
        view_.PlayDirectionShown(0);
    }
    if (inPeriod_)
        BusyCursorFlag = busyFlagSaved_;
    if (idleSuspended_) {
        idleSuspended_ = false;
        view_.SuspendIdle(false);
    }
    deactivated_ = true;
    inPeriod_ = false;
    if (changed_) {
        changed_ = false;
        view_.RecordUndo();
    }
    ClearUsers();
    background_.Clear();
    spare_ = QImage();
}

void TDynamicConstantEditing::LineLeaving(const TEquationObject* line)
{
    if (!line)
        return;
    if (line == constantLine_) {
        // The constant goes: the period ends while its line still exists
        // (what the boxes hold is not read into a constant that is going),
        // and nothing borrowed from it is kept but the name, for a refill.
        // No undo step is taken now: the list is half emptied, and whoever
        // removes the line records the step of its own change.
        changed_ = false;
        if (inPeriod_)
            EndPeriod(false);
        active_ = false;
        ClearUsers();
        constantLine_ = nullptr;
        constant_ = nullptr;
        constantIndex_ = -1;
        direction_ = 0;
        targeting_ = false;
        SetTimer(false, interval_);
        return;
    }
    const auto user = std::find(userLines_.begin(), userLines_.end(), line);
    if (user == userLines_.end())
        return;
    userLines_.erase(user);
    users_.erase(std::remove_if(
                     users_.begin(), users_.end(),
                     [line](const std::unique_ptr<TDynamicEquation>& entry) { return entry->Curve == line; }),
                 users_.end());
}

// ---- users and pictures --------------------------------------------------------------------

void TDynamicConstantEditing::ClearUsers()
{
    users_.clear();
    userLines_.clear();
}

void TDynamicConstantEditing::FindUsers()
{
    ClearUsers();
    if (!constantLine_)
        return;
    // Every line that uses the constant, or a name declared in terms of it,
    // or is derived from such a line (a tangent of a curve that uses it).
    const std::vector<TEquationObject*> lines = list_.Lines();
    std::vector<const TDeclaredNameEquation*> names{constantLine_};
    std::unordered_set<const TEquationObject*> users;
    for (bool grew = true; grew;) {
        grew = false;
        for (const TEquationObject* line : lines) {
            if (line == constantLine_ || users.count(line))
                continue;
            bool uses = false;
            for (const TDeclaredNameEquation* name : names)
                uses = uses || line->DependsOn(name->NameText()) || line->UsesName(*name);
            for (const TEquationObject* user : users)
                uses = uses || line->Involves(user);
            if (!uses)
                continue;
            users.insert(line);
            grew = true;
            if (const auto* declared = dynamic_cast<const TDeclaredNameEquation*>(line))
                names.push_back(declared);
        }
    }
    for (TEquationObject* line : lines) {
        if (!users.count(line))
            continue;
        userLines_.push_back(line);
        if (auto* curve = dynamic_cast<TCurvePLotter*>(line); curve && curve->UsesLineStore())
            users_.push_back(std::make_unique<TDynamicEquation>(curve, graph_));
    }
}

void TDynamicConstantEditing::RebuildBackground()
{
    background_.Clear();
    if (!graph_ || !inPeriod_)
        return;
    TChosenLines others;
    for (TEquationObject* line : list_.Lines())
        if (std::find(userLines_.begin(), userLines_.end(), line) == userLines_.end())
            others.lines.push_back(line);
    background_.Take(graph_->PictureSize(), graph_->PictureRatio(), graph_->GraphFont(), graph_->Params(),
                     others, list_.ItemAt(graph_->HighlightedLine()), graph_->PictureGeneration());
}

void TDynamicConstantEditing::RedrawUsers()
{
    if (!graph_)
        return;
    if (!inPeriod_) {
        // No cached picture outside a period: the users' drawings go, and
        // the graph draws them again as it draws everything.
        const bool found = users_.empty() && constantLine_;
        if (found)
            FindUsers();
        for (const auto& user : users_)
            if (user->Curve)
                user->Curve->DiscardLineStore();
        if (found)
            ClearUsers();
        graph_->RedrawLines();
        return;
    }
    const QSize size = graph_->PictureSize();
    const qreal ratio = graph_->PictureRatio();
    if (!background_.Current(size, ratio, graph_->PictureGeneration()))
        RebuildBackground();
    if (background_.Picture().isNull())
        return;
    // The quick redraw shows no busy cursor, and is never drawn visibly:
    // Ctrl is a play key here, not the pause of a visible drawing.
    std::optional<TQuickDrawing> quick(std::in_place);
    TChosenLines users;
    for (const auto& user : users_) {
        if (!user->Curve)
            continue;
        users.lines.push_back(user->Curve);
        // What the curve derives from the constant is refreshed, and its
        // stored drawing goes: the drawing below records the new one, which
        // the graph then replays.
        user->Curve->Recalculate();
    }
    // The background is copied into the picture the last frame replaced:
    // no memory is taken afresh for each frame.
    QImage frame = background_.Frame(std::move(spare_));
    {
        Canvas canvas(&frame);
        canvas.SetFont(graph_->GraphFont());
        DrawChosenLines(canvas, graph_->Params(), users, size, list_.ItemAt(graph_->HighlightedLine()));
    }
    for (TEquationObject* user : users.lines)
        user->CurveHook(); // a dragged curve forgets what it knew of its old shape
    quick.reset();
    spare_ = graph_->ShowFrame(std::move(frame));
    view_.UsersRedrawn();
}

void TDynamicConstantEditing::RefreshConstantLine()
{
    if (!constantLine_ || !constant_)
        return;
    constantIndex_ = list_.IndexOf(constantLine_);
    if (constantIndex_ < 0)
        return; // being edited: the line in its place is the user's
    const int before = constantLine_->height;
    constantLine_->RebuildLine();
    if (list_.Measure) {
        list_.Measure(*constantLine_);
        constantLine_->SetLayoutOutOfDate(false);
    }
    view_.ConstantLineRefreshed(constantIndex_, constantLine_->height != before);
}

// ---- boxes ---------------------------------------------------------------------------------

void TDynamicConstantEditing::ShowBoxes()
{
    view_.ShowBoxNumber(TDynamicBox::Value, constant_->ValueObject(), false);
    view_.ShowBoxNumber(TDynamicBox::Step, constant_->Step(), false);
}

void TDynamicConstantEditing::ShowValue(bool changed)
{
    if (constant_)
        view_.ShowBoxNumber(TDynamicBox::Value, constant_->ValueObject(), changed);
}

bool TDynamicConstantEditing::CommitValue()
{
    TEditor& box = view_.BoxLine(TDynamicBox::Value);
    TParseParams params;
    // Names resolve against the document's lines, the constant being the
    // name defined: "a+1" in a's box refers to itself and is refused.
    const std::vector<TEquationObject*> lines = list_.Lines();
    params.declaredNames = &lines;
    StartParse(params, box.Elements(), 0, nullptr, true, EndOrTabTerminators());
    params.definedName = &constant_->Name(); // (StartParse begins afresh)
    TRealReaderPtr value = NumberFromParse(params);
    if (HasError(params) || !value) {
        view_.ShowBoxError(TDynamicBox::Value, params);
        return false;
    }
    box.modified = false;
    const bool sameText = value->GetText(20, 0) == constant_->ValueObject().GetText(20, 0) &&
                          typeid(*value) == typeid(constant_->ValueObject());
    if (!sameText)
        StoreValue(std::move(value));
    RefreshConstantLine();
    return true;
}

bool TDynamicConstantEditing::CommitStep()
{
    TEditor& box = view_.BoxLine(TDynamicBox::Step);
    TParseParams params;
    StartParse(params, box.Elements(), 0, nullptr, true, EndOrTabTerminators());
    TRealReaderPtr step = NumberFromParse(params);
    if (HasError(params) || !step) {
        view_.ShowBoxError(TDynamicBox::Step, params);
        return false;
    }
    box.modified = false;
    const bool sameText = step->GetText(20, 0) == constant_->Step().GetText(20, 0);
    if (sameText)
        return true;
    const Extended before = constant_->Step().Value();
    constant_->SetStep(std::move(step));
    Changes();
    // The step shows in the drawing only through a family of the constant.
    if (Family.constant == constant_ && constant_->Step().Value() != before) {
        RefreshConstantLine();
        RedrawUsers();
    }
    return true;
}

bool TDynamicConstantEditing::CommitEdits()
{
    if (!constant_)
        return true;
    bool ok = true;
    if (view_.BoxLine(TDynamicBox::Value).modified)
        ok = CommitValue() && ok;
    if (view_.BoxLine(TDynamicBox::Step).modified)
        ok = CommitStep() && ok;
    editError_ = !ok;
    return ok;
}

void TDynamicConstantEditing::CommitBox(TDynamicBox box)
{
    if (deactivated_ || !constant_ || !view_.BoxLine(box).modified)
        return;
    const bool ok = box == TDynamicBox::Value ? CommitValue() : CommitStep();
    editError_ = !ok;
    // A box left in error stops the play.
    if (!ok && direction_ != 0) {
        direction_ = 0;
        SetTimer(false, interval_);
        view_.PlayDirectionShown(0);
    }
}

// ---- values --------------------------------------------------------------------------------

void TDynamicConstantEditing::Changes()
{
    changed_ = true;
    view_.DocumentModified();
}

void TDynamicConstantEditing::StoreValue(TRealReaderPtr value)
{
    const Extended before = constant_->Value();
    constant_->SetValueObject(std::move(value));
    Changes();
    const Extended after = constant_->Value();
    if (after != before && !(std::isnan(after) && std::isnan(before)))
        RedrawUsers();
}

void TDynamicConstantEditing::SetValue(Extended value)
{
    if (!constant_ || value == constant_->Value())
        return;
    StoreValue(std::make_unique<TRealReader>(value));
}

void TDynamicConstantEditing::SetStep(Extended step)
{
    if (!constant_ || step == constant_->Step().Value())
        return;
    constant_->SetStep(std::make_unique<TRealReader>(step));
    Changes();
    RedrawUsers();
}

bool TDynamicConstantEditing::PlaysValue() const
{
    if (!constant_)
        return false;
    const Extended step = constant_->Step().Value();
    // A step of 0 (typed, or sent by the guide) moves nothing: dividing by
    // it would make the value NaN, and the NaN would be saved.
    return step != 0 && std::isfinite(step);
}

void TDynamicConstantEditing::StepOnce()
{
    if (!PlaysValue() || direction_ == 0)
        return;
    const Extended step = constant_->Step().Value();
    Extended value = constant_->Value() + step * direction_;
    // A multiple of the step, so that repeated steps do not drift.
    value = std::round(value / step) * step;
    if (!std::isfinite(value))
        return;
    SetValue(value);
    ShowValue(true);
    RefreshConstantLine();
}

// ---- playing -------------------------------------------------------------------------------

void TDynamicConstantEditing::SetTimer(bool running, int interval)
{
    timerRunning_ = running;
    interval_ = interval;
    view_.TimerChanged(running, interval);
}

void TDynamicConstantEditing::Play(int direction)
{
    direction = direction < 0 ? -1 : direction > 0 ? 1 : 0;
    if (!constant_)
        direction = 0;
    // Stop always stops, even with a box in error.
    if (!CommitEdits() && direction != 0)
        return;
    if (direction != 0 && constant_ && IsExpression(constant_->ValueObject())) {
        // Steps go from the present value: an expression becomes its number.
        constant_->SetValueObject(std::make_unique<TRealReader>(constant_->Value()));
        Changes();
        ShowValue(false);
        RefreshConstantLine();
    }
    if (direction != 0)
        view_.TakeFocus();
    direction_ = direction;
    view_.PlayDirectionShown(direction);
    SetTimer(direction != 0, interval_);
    if (direction != 0)
        Tick();
}

void TDynamicConstantEditing::HoldStep(int direction)
{
    Play(direction);
    view_.PlayDirectionShown(0); // the fast buttons stay up
    // The step at once set the normal interval; the first repeat waits longer.
    if (direction != 0 && direction_ != 0)
        SetTimer(true, HoldInterval);
}

void TDynamicConstantEditing::Tick()
{
    // Evaluation state is program-wide: nothing evaluates inside a drawing.
    if (DrawingInProgress())
        return;
    if (direction_ != 0)
        StepOnce();
    SetTimer(timerRunning_, normalInterval_);
    if (targeting_ && TargetReached()) {
        Play(0);
        SetValue(endValue_);
        ShowValue(false);
        RefreshConstantLine();
        targeting_ = false;
        view_.CloseRequested();
    }
}

bool TDynamicConstantEditing::TargetReached() const
{
    if (!PlaysValue())
        return false;
    const Extended step = constant_->Step().Value();
    return (constant_->Value() - target_) / step * direction_ >= 0;
}

void TDynamicConstantEditing::StartTargetPlay()
{
    if (!PlaysValue())
        return;
    const Extended step = constant_->Step().Value();
    Play((constant_->Value() - target_) / step > 0 ? -1 : 1);
}

void TDynamicConstantEditing::Finish()
{
    Play(0);
    if (!editError_)
        view_.CloseRequested();
}

void TDynamicConstantEditing::StopAndClose()
{
    Play(0);
    view_.CloseRequested();
}

bool TDynamicConstantEditing::Key(TDynamicKey action)
{
    switch (action) {
    case TDynamicKey::PassOn:
    case TDynamicKey::Help:
        return false;
    case TDynamicKey::Swallow:
        return true;
    case TDynamicKey::Stop:
        Play(0);
        return true;
    case TDynamicKey::StopAndClose:
        StopAndClose();
        return true;
    case TDynamicKey::StepBack:
    case TDynamicKey::StepForward:
        Play(action == TDynamicKey::StepBack ? -1 : 1);
        view_.PlayDirectionShown(0);
        Play(0);
        return true;
    case TDynamicKey::PlayBack:
        Play(-1);
        return true;
    case TDynamicKey::PlayForward:
        Play(1);
        return true;
    }
    return false;
}

// ---- the guide -----------------------------------------------------------------------------

void TDynamicConstantEditing::ApplyGuideFields(const TGuideFields& fields)
{
    if (!constant_)
        return;
    if (fields.value) {
        const bool absolute = fields.first || fields.second || fields.step;
        SetValue(absolute ? *fields.value : constant_->Value() + *fields.value);
        ShowValue(false);
        RefreshConstantLine();
    }
    if (fields.step) {
        SetStep(*fields.step);
        view_.ShowBoxNumber(TDynamicBox::Step, constant_->Step(), false);
        RefreshConstantLine();
    }
    if (fields.first && constant_->Step().Value() != 0) {
        targeting_ = true;
        target_ = *fields.first;
        endValue_ = fields.second ? *fields.second : *fields.first;
        view_.ShowPanel();
        // Play towards the target after it, then the end value: an editor
        // already active starts the play itself.
        if (active_)
            StartTargetPlay();
        else
            Activate();
    }
}

std::string TDynamicConstantEditing::ValueText() const
{
    return constant_ ? constant_->ValueObject().GetText(10, 0) : std::string();
}

std::string TDynamicConstantEditing::StepText() const
{
    return constant_ ? constant_->Step().GetText(10, 0) : std::string();
}
