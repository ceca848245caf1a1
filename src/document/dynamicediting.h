// The dynamic constant editor without its window: picking one of the
// document's dynamic constants, committing what was typed into its value and
// step boxes, stepping and playing the value, and redrawing only the curves
// that use it over a cached picture of the rest of the graph. The window
// (the main window's dock panel) and `lcvtool dynamic` drive the same object;
// they supply the boxes, the timer and the graph through the small
// interfaces below.
#pragma once

#include "expr/realreader.h"
#include "plot/backgroundpicture.h"

#include <QFont>
#include <QImage>
#include <QSize>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Canvas;
class TCurvePLotter;
class TDeclaredConstant;
class TDynamicConstantEquation;
class TEditor;
class TEquationList;
class TEquationObject;
class TGraphParams;
struct TParseParams;

// The graph the editor animates: its scales, the size and pixel ratio of its
// picture, and the frame it shows. The graph window implements it; tests,
// the benchmark and the command-line tool use TImageDynamicGraph.
class TDynamicGraph {
public:
    virtual ~TDynamicGraph() = default;
    [[nodiscard]] virtual TGraphParams& Params() = 0;
    // The picture's size in logical pixels and its device pixel ratio.
    [[nodiscard]] virtual QSize PictureSize() const = 0;
    [[nodiscard]] virtual qreal PictureRatio() const = 0;
    [[nodiscard]] virtual QFont GraphFont() const = 0;
    // The index of the line drawn over a halo, or -1.
    [[nodiscard]] virtual int HighlightedLine() const { return -1; }
    // Moves whenever the graph's own picture stops being current (a new size
    // or scales, a changed line): a cached picture of the graph is then stale.
    [[nodiscard]] virtual unsigned PictureGeneration() const = 0;
    // Puts the frame onto the graph in one copy; it becomes the picture the
    // graph shows until something else redraws it. Answers the picture it
    // replaced (or a null image), which the next frame may reuse.
    virtual QImage ShowFrame(QImage frame) = 0;
    // The graph must draw its lines afresh (outside an editing period).
    virtual void RedrawLines() {}
};

// A graph without a window: scales for a size, and the last frame shown.
class TImageDynamicGraph : public TDynamicGraph {
public:
    TImageDynamicGraph(QSize size, qreal ratio = 1);
    ~TImageDynamicGraph() override;
    [[nodiscard]] TGraphParams& Params() override { return *params_; }
    [[nodiscard]] QSize PictureSize() const override { return size_; }
    [[nodiscard]] qreal PictureRatio() const override { return ratio_; }
    [[nodiscard]] QFont GraphFont() const override;
    [[nodiscard]] int HighlightedLine() const override { return highlighted; }
    [[nodiscard]] unsigned PictureGeneration() const override { return generation; }
    QImage ShowFrame(QImage frame) override;
    void RedrawLines() override { ++redraws; }

    int highlighted = -1;
    unsigned generation = 0; // a test moves it to say the picture went stale
    QImage shown;            // the last frame
    int frames = 0;          // frames shown
    int redraws = 0;         // requests to redraw outside a period

private:
    QSize size_;
    qreal ratio_;
    std::unique_ptr<class TFixedScaleHost> host_;
    std::unique_ptr<TGraphParams> params_;
};

// One curve that uses the constant being edited. Freeing it finishes the
// curve's stored drawing: complete when it holds pieces, otherwise recording,
// so that the next repaint replays or recomputes it as it should.
class TDynamicEquation {
public:
    TDynamicEquation(TCurvePLotter* curve, TDynamicGraph* graph);
    ~TDynamicEquation();
    TDynamicEquation(const TDynamicEquation&) = delete;
    TDynamicEquation& operator=(const TDynamicEquation&) = delete;

    TCurvePLotter* Curve;     // borrowed; nullptr once the curve left the list
    TDynamicGraph* Graph;     // borrowed
    std::int32_t StoredCount; // pieces in the curve's store when this was made
};

// The two boxes of the editor.
enum class TDynamicBox { Value, Step };

// What the editor asks of whoever shows it. Only the boxes are required; the
// rest tells the window what to show and may be ignored.
class TDynamicEditorView {
public:
    virtual ~TDynamicEditorView() = default;
    // The line of a box (owned by the view); its modified flag says that the
    // user changed it since it was last shown or committed.
    [[nodiscard]] virtual TEditor& BoxLine(TDynamicBox box) = 0;
    // Shows number in the box (caret at the start); changed marks it as
    // changed, as if typed.
    virtual void ShowBoxNumber(TDynamicBox box, const TRealReader& number, bool changed) = 0;
    virtual void ClearBox(TDynamicBox box) = 0;
    // A box that does not read: its caret goes to the fault and it shows the
    // message itself (never a message box).
    virtual void ShowBoxError(TDynamicBox box, const TParseParams& params) = 0;
    // The drop-down list of names (sorted) and the entry selected (-1: none);
    // the editor is enabled only when the list has entries.
    virtual void ConstantListChanged(const std::vector<std::string>& names, int selected)
    {
        (void)names;
        (void)selected;
    }
    // The timer runs (or stops) with an interval in milliseconds.
    virtual void TimerChanged(bool running, int interval)
    {
        (void)running;
        (void)interval;
    }
    // The fast button of a direction is held down (0: both released).
    virtual void PlayDirectionShown(int direction) { (void)direction; }
    // A frame went onto the graph: presses on the step and play buttons
    // queued during the redraw are to be dropped.
    virtual void UsersRedrawn() {}
    // The constant's line was rebuilt: the equations window repaints it, and
    // everything below it when its height changed.
    virtual void ConstantLineRefreshed(int index, bool heightChanged)
    {
        (void)index;
        (void)heightChanged;
    }
    // The application's idle processing stops or resumes.
    virtual void SuspendIdle(bool suspended) { (void)suspended; }
    // Whether the equations window can finish the line it is editing.
    [[nodiscard]] virtual bool CanFinishEquationsEdit() { return true; }
    // The value changed: the document is modified.
    virtual void DocumentModified() {}
    // An editing period that changed the value ended: one undo step.
    virtual void RecordUndo();
    // Escape, Finish or a reached target: the editor is to close.
    virtual void CloseRequested() {}
    // Play started: the editor's panel takes the focus; the guide shows it.
    virtual void TakeFocus() {}
    virtual void ShowPanel() {}
};

// Fields 2 to 5 of the guide's dynamic constant command: a value, a first
// and a second limit and a step, each absent when the field is no number.
struct TGuideFields {
    std::optional<Extended> value, first, second, step;
};

// What a key does in the editor (the keys are handled for the whole editor).
enum class TDynamicKey {
    PassOn,       // typed into the box with the focus
    Swallow,      // never typed: "<" and ">"
    Stop,         // Enter, Space
    StopAndClose, // Escape
    Help,         // F1
    StepBack,     // Shift with the comma key
    StepForward,  // Shift with the full-stop key
    PlayBack,     // Ctrl with the comma key
    PlayForward,  // Ctrl with the full-stop key
};
// The keys by their Qt key codes and modifier flags (QtCore's values).
[[nodiscard]] TDynamicKey DynamicKeyAction(int key, bool shift, bool control);

class TDynamicConstantEditing {
public:
    // How long Step back and Step forward wait after their first step.
    static constexpr int HoldInterval = 1000;
    // The timer's interval when the editor is made.
    static constexpr int InitialInterval = 10;

    // An editor on the lines of list (borrowed) drawing on graph (borrowed,
    // may be nullptr: nothing is drawn), shown through view (borrowed).
    // Fills the list choosing constant (or the first when none is given).
    TDynamicConstantEditing(TEquationList& list, TDynamicGraph* graph, TDynamicEditorView& view,
                            const TDynamicConstantEquation* constant = nullptr);
    // Freeing ends a running editing period, which records its undo step.
    ~TDynamicConstantEditing();
    TDynamicConstantEditing(const TDynamicConstantEditing&) = delete;
    TDynamicConstantEditing& operator=(const TDynamicConstantEditing&) = delete;

    // ---- the constants ------------------------------------------------------------
    // Lists the dynamic constants; the one named (when listed) or the first
    // becomes the current one, and the boxes show it.
    void FillConstantList(std::string_view name);
    // FillConstantList with the current name (after the document changed).
    void Refill();
    // The main window selected a dynamic constant line: edit that one.
    void EquationSelected(const TEquationObject* line);
    // The user chose the entry at index of the list: play stops and, once the
    // boxes are committed, that constant is edited.
    void ChooseConstant(int index);
    // Answers true when the editor should close because there is nothing to edit.
    [[nodiscard]] bool Empty() const { return names_.empty(); }
    [[nodiscard]] const std::vector<std::string>& Names() const { return names_; }
    [[nodiscard]] const std::string& CurrentName() const { return currentName_; }
    [[nodiscard]] TDeclaredConstant* Constant() const { return constant_; }
    [[nodiscard]] TDynamicConstantEquation* ConstantLine() const { return constantLine_; }

    // ---- editing periods ---------------------------------------------------------------
    // The editor became active (its panel took the focus): a period begins,
    // and a guided play starts towards its target. Ignored while active or
    // while the equations window cannot finish its edit.
    void Activate();
    // The editor lost the focus: the period ends.
    void Deactivate();
    // BeginEditing as the guide's start does (without activation).
    void BeginEditing();
    void EndEditing();
    [[nodiscard]] bool Active() const { return active_; }
    [[nodiscard]] bool InPeriod() const { return inPeriod_; }
    [[nodiscard]] bool Deactivated() const { return deactivated_; }
    [[nodiscard]] bool IdleSuspended() const { return idleSuspended_; }
    // A line leaves the list (before it is freed): whatever borrows it lets go.
    void LineLeaving(const TEquationObject* line);

    // ---- boxes ---------------------------------------------------------------------------
    // Reads the changed boxes into the constant; false when either box is in error.
    bool CommitEdits();
    // Commits one box (the focus left it), unless the period has ended.
    void CommitBox(TDynamicBox box);
    [[nodiscard]] bool EditError() const { return editError_; }

    // ---- values --------------------------------------------------------------------------
    // Stores a new value (or step) and redraws the users; nothing when it is
    // the present one.
    void SetValue(Extended value);
    void SetStep(Extended step);
    // One step in the playing direction, rounded to a multiple of the step.
    void StepOnce();

    // ---- playing -------------------------------------------------------------------------
    // Plays back (-1), forward (+1) or stops (0); a direction other than 0
    // steps at once.
    void Play(int direction);
    // Step back or forward held down: one step, then a pause of a second
    // before the steps repeat.
    void HoldStep(int direction);
    // The timer fired.
    void Tick();
    // Stop, then close unless a box is in error (Finish).
    void Finish();
    // Escape: stop and close.
    void StopAndClose();
    // Carries out what a key asks; false when the key is passed on.
    bool Key(TDynamicKey action);
    [[nodiscard]] int Direction() const { return direction_; }
    [[nodiscard]] bool TimerRunning() const { return timerRunning_; }
    [[nodiscard]] int TimerInterval() const { return interval_; }
    [[nodiscard]] int NormalInterval() const { return normalInterval_; }
    [[nodiscard]] bool Changed() const { return changed_; }

    // ---- the guide -------------------------------------------------------------------------
    // The guide's dynamic constant command on the current constant.
    void ApplyGuideFields(const TGuideFields& fields);
    [[nodiscard]] bool Targeting() const { return targeting_; }
    [[nodiscard]] Extended Target() const { return target_; }
    [[nodiscard]] Extended EndValue() const { return endValue_; }
    // Clears a guided play (the editor is being freed).
    void ForgetTarget() { targeting_ = false; }

    // ---- drawing ----------------------------------------------------------------------------
    [[nodiscard]] const std::vector<std::unique_ptr<TDynamicEquation>>& Users() const { return users_; }
    // The picture of the graph without the users (null outside a period).
    [[nodiscard]] const QImage& Background() const { return background_.Picture(); }
    [[nodiscard]] int BackgroundBuilds() const { return background_.Builds(); }
    // Draws the users afresh over a copy of the background and shows it.
    void RedrawUsers();

    // The value as the constant's line shows it ("0.4", "{p/2").
    [[nodiscard]] std::string ValueText() const;
    [[nodiscard]] std::string StepText() const;

private:
    void SelectConstant();
    // Ends the period; without commit the boxes are not read (the constant is leaving).
    void EndPeriod(bool commit);
    void FindUsers();
    void ClearUsers();
    void RebuildBackground();
    void RefreshConstantLine();
    void ShowBoxes();
    void SetTimer(bool running, int interval);
    void ShowValue(bool changed);
    void StoreValue(TRealReaderPtr value);
    bool CommitValue();
    bool CommitStep();
    void Changes();
    [[nodiscard]] bool PlaysValue() const;
    [[nodiscard]] bool TargetReached() const;
    void StartTargetPlay();

    TEquationList& list_;
    TDynamicGraph* graph_;
    TDynamicEditorView& view_;

    std::vector<std::string> names_;
    std::string currentName_;
    TDeclaredConstant* constant_ = nullptr;            // borrowed from its line
    TDynamicConstantEquation* constantLine_ = nullptr; // borrowed
    int constantIndex_ = -1;
    std::vector<std::unique_ptr<TDynamicEquation>> users_;
    std::vector<const TEquationObject*> userLines_; // every user, curves or not (borrowed)

    int direction_ = 0;
    bool changed_ = false;
    int normalInterval_ = InitialInterval;
    int interval_ = InitialInterval;
    bool timerRunning_ = false;
    bool editError_ = false;
    bool targeting_ = false;
    Extended target_ = 0;
    Extended endValue_ = 0;
    TBackgroundPicture background_; // the graph without the users
    QImage spare_;                  // the picture the last frame replaced: the next frame is drawn into it
    bool active_ = false;
    bool inPeriod_ = false;
    bool deactivated_ = false;
    bool idleSuspended_ = false;
    bool busyFlagSaved_ = false;
};
