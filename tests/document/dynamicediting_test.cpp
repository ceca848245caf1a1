// The dynamic constant editor's logic without its window: stepping rounded
// to the step, playing and guided plays, the boxes committed into the
// constant (with a constant that may not refer to itself), editing periods
// with their undo step, the users redrawn over a cached picture, and the
// editor letting go of lines that leave the list.
#include "document/dynamicediting.h"

#include "document/document.h"
#include "document/equationlist.h"
#include "entry/declarationlines.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "geometry/straightline.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "platform/drawinginterrupt.h"
#include "platform/mainwindowbase.h"
#include "plot/curveplotter.h"
#include "settings/configuration.h"

#include <QColor>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

// The boxes as plain lines, and a record of what the editor asked of its window.
class TRecordingView : public TDynamicEditorView {
public:
    TEditor& BoxLine(TDynamicBox box) override { return box == TDynamicBox::Value ? value : step; }
    void ShowBoxNumber(TDynamicBox box, const TRealReader& number, bool changed) override
    {
        TEditor& line = BoxLine(box);
        line.SetElements(ElementsFromText(number.GetText(10, 0)));
        line.modified = changed;
    }
    void ClearBox(TDynamicBox box) override
    {
        BoxLine(box).SetElements(TElementList(new TEditorObject));
        BoxLine(box).modified = false;
    }
    void ShowBoxError(TDynamicBox, const TParseParams& params) override
    {
        errors.push_back(params.error.message ? params.error.message : "?");
    }
    void ConstantListChanged(const std::vector<std::string>& shown, int selected) override
    {
        names = shown;
        selectedName = selected;
    }
    void TimerChanged(bool on, int interval) override
    {
        running = on;
        timerInterval = interval;
    }
    void SuspendIdle(bool suspended) override { suspensions.push_back(suspended); }
    void DocumentModified() override { ++modified; }
    void RecordUndo() override
    {
        ++undoSteps;
        if (list)
            linesAtUndo.push_back(list->Count());
    }
    void CloseRequested() override { ++closeRequests; }

    // Types markup into a box as the user would.
    void Type(TDynamicBox box, const std::string& markup)
    {
        BoxLine(box).SetElements(ElementsFromText(markup));
        BoxLine(box).modified = true;
    }
    [[nodiscard]] std::string Text(TDynamicBox box) { return ElementsToText(BoxLine(box).Elements()); }

    TEditor value, step;
    std::vector<std::string> errors, names;
    std::vector<bool> suspensions;
    int selectedName = -2;
    bool running = false;
    int timerInterval = 0;
    int modified = 0, undoSteps = 0, closeRequests = 0;
    const TEquationList* list = nullptr; // the lines an undo step would be taken of
    std::vector<int> linesAtUndo;
};

// A Curve record of one line, with the step of a constant.
std::string Record(const std::string& markup, const std::string& step = {})
{
    std::string record = "Curve\r\n" + markup + "\r\n";
    if (!step.empty())
        record += "\tStep: " + step + "\r\n";
    return record;
}

class DynamicEditing : public ::testing::Test {
protected:
    void SetUp() override
    {
        Configuration = DefaultConfiguration;
        Configuration.Accuracy = 2;
        Configuration.AutoAccuracy = false;
        PublishSettings();
        view.list = &list;
        // As the main window does: a line leaving the list is let go of first.
        list.OnLineLeaving = [this](TEquationObject* line) {
            if (editing)
                editing->LineLeaving(line);
        };
    }
    void TearDown() override
    {
        editing.reset();
        Configuration = DefaultConfiguration;
        DrawMode = 0;
    }

    // Puts the lines of records into the list, colours every curve red,
    // and opens the editor on the constant named (the first when empty),
    // with a period begun as activation begins it.
    void Open(const std::string& records, const std::string& name = {}, bool activate = true)
    {
        Load(records);
        const TDynamicConstantEquation* constant = nullptr;
        for (TEquationObject* line : list.Lines())
            if (auto* c = dynamic_cast<TDynamicConstantEquation*>(line); c && c->NameText() == name)
                constant = c;
        editing = std::make_unique<TDynamicConstantEditing>(list, &graph, view, constant);
        if (activate)
            editing->Activate();
    }
    void Load(const std::string& records)
    {
        TOwnedLines lines;
        int selected = -1;
        ASSERT_TRUE(ReadEquationListText(records, lines, selected)) << records;
        for (auto& line : lines.lines) {
            line->colour = Red;
            list.InsertAt(list.Count(), std::move(line));
        }
    }
    [[nodiscard]] std::string Value() const { return editing->ValueText(); }
    // Whether the frame shown has the curves' red within a pixel of the graph point (x, y).
    [[nodiscard]] bool RedNear(long double x, long double y)
    {
        const QPoint pixel = graph.Params().Axes->ValueToPixel(x, y);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const QPoint p = pixel + QPoint(dx, dy);
                if (graph.shown.rect().contains(p) && graph.shown.pixelColor(p) == QColor(255, 0, 0))
                    return true;
            }
        return false;
    }

    static constexpr TColour Red = RgbColour(255, 0, 0);
    TEquationList list;
    TImageDynamicGraph graph{QSize(400, 300)};
    TRecordingView view;
    std::unique_ptr<TDynamicConstantEditing> editing;
};

TEST_F(DynamicEditing, OneStepLandsOnAMultipleOfTheStep)
{
    const struct {
        const char *value, *step;
        int direction;
        const char* expected;
    } cases[] = {
        {"0.3", "0.1", 1, "0.4"},  {"0.3", "0.1", -1, "0.2"}, {"2", "0.3", 1, "2.4"},
        {"2", "0.3", -1, "1.8"},   {"1", "0.5", 1, "1.5"},    {"-1", "0.25", 1, "-0.75"},
        {"0.33", "0.1", 1, "0.4"}, {"7", "-2", 1, "6"},
    };
    for (const auto& c : cases) {
        list.ClearAll();
        Open(Record(std::string("a=") + c.value, c.step) + Record("y=a"));
        EXPECT_TRUE(editing->Key(c.direction > 0 ? TDynamicKey::StepForward : TDynamicKey::StepBack));
        EXPECT_EQ(Value(), c.expected) << c.value << " step " << c.step;
        EXPECT_EQ(editing->Direction(), 0) << "a single step stops again";
        editing.reset();
    }
}

TEST_F(DynamicEditing, RepeatedStepsDoNotDrift)
{
    Open(Record("a=0", "0.1") + Record("y=a"));
    for (int i = 0; i < 100; ++i)
        editing->Key(TDynamicKey::StepForward);
    EXPECT_EQ(editing->Constant()->Value(), 100 * 0.1L);
    EXPECT_EQ(Value(), "10");
}

TEST_F(DynamicEditing, AStepOfZeroLeavesTheValueAlone)
{
    Open(Record("a=2", "0.5") + Record("y=a"));
    view.Type(TDynamicBox::Step, "0");
    ASSERT_TRUE(editing->CommitEdits());
    editing->Key(TDynamicKey::StepForward);
    editing->Play(-1);
    for (int i = 0; i < 5; ++i)
        editing->Tick();
    EXPECT_TRUE(std::isfinite(static_cast<double>(editing->Constant()->Value())));
    EXPECT_EQ(Value(), "2");
    // The guide's play towards a target needs a step to get there.
    editing->Play(0);
    TGuideFields fields;
    fields.first = 5;
    editing->ApplyGuideFields(fields);
    EXPECT_FALSE(editing->Targeting());
    EXPECT_EQ(editing->Constant()->ValueObject().GetText(10, 0), "2");
}

TEST_F(DynamicEditing, TheValueBoxMayNotReferToItsOwnConstant)
{
    const struct {
        const char* typed;
        const char* error; // nullptr: accepted
        const char* value;
    } cases[] = {
        {"a+1", ParseMessage::SelfReference, "1"},
        {"b", ParseMessage::SelfReference, "1"},  // b = a + 1
        {"2c", ParseMessage::SelfReference, "1"}, // c = 3b
        {"d+1", nullptr, "d+1"},                  // d = 5 does not use a
        {"{p", nullptr, "{p"},
    };
    for (const auto& c : cases) {
        list.ClearAll();
        view.errors.clear();
        Open(Record("a=1", "0.1") + Record("b=a+1") + Record("c=3b") + Record("d=5") + Record("y=ax"));
        view.Type(TDynamicBox::Value, c.typed);
        const bool committed = editing->CommitEdits();
        EXPECT_EQ(committed, c.error == nullptr) << c.typed;
        if (c.error) {
            ASSERT_EQ(view.errors.size(), 1u) << c.typed;
            EXPECT_EQ(view.errors[0], c.error) << c.typed;
            EXPECT_TRUE(editing->EditError());
        }
        EXPECT_EQ(Value(), c.value) << c.typed;
        editing.reset();
    }
}

TEST_F(DynamicEditing, TheStepBoxResolvesNoNames)
{
    Open(Record("a=1", "0.1") + Record("d=5") + Record("y=ax"));
    view.Type(TDynamicBox::Step, "d");
    EXPECT_FALSE(editing->CommitEdits());
    EXPECT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(editing->StepText(), "0.1");
    view.Type(TDynamicBox::Step, "{/{1}{4}");
    EXPECT_TRUE(editing->CommitEdits());
    EXPECT_EQ(editing->Constant()->Step().Value(), 0.25L);
}

TEST_F(DynamicEditing, ABoxInErrorKeepsPlayFromStartingButNotFromStopping)
{
    Open(Record("a=1", "0.5") + Record("y=a"));
    view.Type(TDynamicBox::Value, "1+");
    editing->Play(1);
    EXPECT_EQ(editing->Direction(), 0);
    EXPECT_EQ(Value(), "1");
    EXPECT_EQ(view.closeRequests, 0);
    editing->Finish();
    EXPECT_EQ(view.closeRequests, 0) << "Finish does not close with a box in error";

    view.Type(TDynamicBox::Value, "2");
    editing->Play(1);
    EXPECT_EQ(editing->Direction(), 1);
    EXPECT_EQ(Value(), "2.5");
    // Typed while playing, then Stop: the box does not read, yet play stops.
    view.Type(TDynamicBox::Value, "(");
    editing->Play(0);
    EXPECT_EQ(editing->Direction(), 0);
    EXPECT_FALSE(view.running);
}

TEST_F(DynamicEditing, AnExpressionBecomesItsNumberWhenPlayStarts)
{
    Open(Record("a=1", "0.1") + Record("y=a"));
    view.Type(TDynamicBox::Value, "{p");
    ASSERT_TRUE(editing->CommitEdits());
    EXPECT_EQ(Value(), "{p");
    editing->Play(1); // the first step is taken at once: from 3.14159... to 3.2
    EXPECT_EQ(Value(), "3.2");
    EXPECT_EQ(typeid(editing->Constant()->ValueObject()), typeid(TRealReader));
}

TEST_F(DynamicEditing, TheTimerRunsWhilePlayingWithAHoldAfterAFirstHeldStep)
{
    const struct {
        int delay, normal;
    } cases[] = {{5, 50}, {0, 10}, {20, 200}};
    for (const auto& c : cases) {
        Configuration.RepeatsDelay = static_cast<std::uint8_t>(c.delay);
        list.ClearAll();
        Open(Record("a=0", "1") + Record("y=a"));
        EXPECT_EQ(editing->NormalInterval(), c.normal);
        editing->HoldStep(1);
        EXPECT_EQ(Value(), "1");
        EXPECT_TRUE(view.running);
        EXPECT_EQ(view.timerInterval, TDynamicConstantEditing::HoldInterval) << "a second before repeating";
        editing->Tick();
        EXPECT_EQ(Value(), "2");
        EXPECT_EQ(view.timerInterval, c.normal);
        editing->HoldStep(0);
        EXPECT_FALSE(view.running);
        editing->Play(-1);
        EXPECT_EQ(view.timerInterval, c.normal);
        editing->Play(0);
        EXPECT_FALSE(view.running);
        editing.reset();
    }
}

TEST_F(DynamicEditing, GuideFieldsSetOrAddAndPlayTowardsATarget)
{
    using F = std::optional<Extended>;
    const struct {
        const char* name;
        F value, first, second, step;
        const char* start;
        const char* expected;
        int ticks; // timer ticks until the editor asked to close; 0: no play
    } cases[] = {
        {"only a value adds it", 2, {}, {}, {}, "1", "3", 0},
        {"a value and a step set both", 2, {}, {}, 0.25L, "1", "2", 0},
        {"from 0 towards 3 by 0.5, then 10", 0, 3, 10, 0.5L, "1", "10", 5},
        {"from 5 towards 3 plays back", 5, 3, {}, 0.5L, "1", "3", 3},
        {"a target alone plays from the value", {}, 2, {}, {}, "0", "2", 19},
    };
    for (const auto& c : cases) {
        list.ClearAll();
        view.closeRequests = 0;
        Open(Record(std::string("a=") + c.start, "0.1") + Record("y=a"), {}, false);
        editing->ApplyGuideFields({c.value, c.first, c.second, c.step});
        int ticks = 0;
        while (editing->TimerRunning() && view.closeRequests == 0 && ticks < 1000) {
            editing->Tick();
            ++ticks;
        }
        EXPECT_EQ(Value(), c.expected) << c.name;
        EXPECT_EQ(ticks, c.ticks) << c.name;
        EXPECT_EQ(view.closeRequests, c.ticks > 0 ? 1 : 0) << c.name;
        EXPECT_FALSE(editing->Targeting()) << c.name;
        if (c.step) {
            EXPECT_EQ(editing->Constant()->Step().Value(), *c.step) << c.name;
        }
        editing.reset();
    }
}

TEST_F(DynamicEditing, SuspendingIdleWorkIsASwitchNotACount)
{
    Open(Record("a=1", "0.1") + Record("y=a"), {}, false);
    editing->BeginEditing(); // the guide's start
    editing->Activate();     // then the focus arrives
    EXPECT_TRUE(editing->IdleSuspended());
    editing->Deactivate();
    EXPECT_FALSE(editing->IdleSuspended());
    EXPECT_EQ(view.suspensions, (std::vector<bool>{true, false}));
}

TEST_F(DynamicEditing, APeriodThatChangedTheValueRecordsOneUndoStepHoweverItEnds)
{
    const struct {
        const char* name;
        bool freed; // freed (closed) instead of deactivated
        bool change;
        int undo;
    } cases[] = {
        {"deactivated after a step", false, true, 1},
        {"freed after a step", true, true, 1},
        {"freed without a change", true, false, 0},
    };
    for (const auto& c : cases) {
        list.ClearAll();
        view.undoSteps = view.modified = 0;
        Open(Record("a=1", "0.1") + Record("y=a"));
        if (c.change)
            editing->Key(TDynamicKey::StepForward);
        EXPECT_EQ(view.modified > 0, c.change) << c.name << ": a changed value modifies the document";
        if (c.freed)
            editing.reset();
        else
            editing->Deactivate();
        EXPECT_EQ(view.undoSteps, c.undo) << c.name;
        editing.reset();
        EXPECT_EQ(view.undoSteps, c.undo) << c.name << ": one step only";
    }
}

TEST_F(DynamicEditing, UsersAreTheCurvesThatUseTheConstantOrANameMadeFromIt)
{
    Open(Record("a=1", "0.1") + Record("b=a+1") + Record("y=bx") + Record("y=x") + Record("y=ax{^{2}") +
         Record("x=2"));
    ASSERT_EQ(editing->Users().size(), 2u);
    EXPECT_EQ(ElementsToText(editing->Users()[0]->Curve->Elements()), "y=bx");
    EXPECT_EQ(ElementsToText(editing->Users()[1]->Curve->Elements()), "y=ax{^{2}");
}

TEST_F(DynamicEditing, ALineDerivedFromAUserIsAUserToo)
{
    // The tangent to y = ax^2 at x = 1 moves with a; y = x and its tangent stay in the background.
    const std::string tangent = "Curve\r\n{fix \x02\x01{Tangent at x =}{1}\r\n\tprimary equation number = ";
    Open(Record("a=1", "0.1") + Record("y=ax{^{2}") + tangent + "1\r\n" + Record("y=x") + tangent + "3\r\n");
    ASSERT_EQ(editing->Users().size(), 2u);
    EXPECT_EQ(ElementsToText(editing->Users()[0]->Curve->Elements()), "y=ax{^{2}");
    EXPECT_EQ(typeid(*editing->Users()[1]->Curve), typeid(TTangent));
    EXPECT_EQ(editing->Users()[1]->Curve->GetParent(), editing->Users()[0]->Curve);
}

TEST_F(DynamicEditing, UsersAreRedrawnOverTheRestOfTheGraph)
{
    Open(Record("a=2", "1") + Record("y=a") + Record("y=-3"));
    ASSERT_FALSE(editing->Background().isNull());
    // The background holds y = -3 and not the user y = a.
    graph.shown = editing->Background();
    EXPECT_TRUE(RedNear(1, -3));
    EXPECT_FALSE(RedNear(1, 2));
    editing->Key(TDynamicKey::StepForward);
    EXPECT_EQ(graph.frames, 1);
    EXPECT_TRUE(RedNear(1, 3));
    EXPECT_FALSE(RedNear(1, 2));
    EXPECT_TRUE(RedNear(1, -3));
    // The drawing just recorded is kept: a repaint replays a = 3.
    TCurvePLotter* user = editing->Users()[0]->Curve;
    ASSERT_NE(user->LineStore(), nullptr);
    EXPECT_EQ(user->LineStore()->State, lsComplete);
    EXPECT_GT(user->LineStore()->Count(), 0);
}

TEST_F(DynamicEditing, TheBackgroundIsRebuiltOnlyWhenTheGraphsPictureWentStale)
{
    Open(Record("a=2", "1") + Record("y=a") + Record("y=-3"));
    const int builds = editing->BackgroundBuilds();
    editing->Key(TDynamicKey::StepForward);
    editing->Key(TDynamicKey::StepForward);
    EXPECT_EQ(editing->BackgroundBuilds(), builds);
    ++graph.generation; // new scales, a new size, a line that is not a user changed
    editing->Key(TDynamicKey::StepForward);
    EXPECT_EQ(editing->BackgroundBuilds(), builds + 1);
    EXPECT_TRUE(RedNear(1, 5));
}

TEST_F(DynamicEditing, FreeingAUserFinishesItsStore)
{
    // y = a + 100 is off the window: its drawing has no pieces.
    Open(Record("a=0", "1") + Record("y=a") + Record("y=a+100"));
    editing->Key(TDynamicKey::StepForward);
    auto* shown = dynamic_cast<TCurvePLotter*>(list.ItemAt(1));
    auto* off = dynamic_cast<TCurvePLotter*>(list.ItemAt(2));
    ASSERT_TRUE(shown && off && shown->LineStore() && off->LineStore());
    shown->LineStore()->State = lsRecording;
    off->LineStore()->State = lsComplete;
    editing->Deactivate(); // the users are freed
    EXPECT_EQ(shown->LineStore()->State, lsComplete);
    EXPECT_EQ(off->LineStore()->State, lsRecording);
}

// Says Ctrl is held whenever a drawing asks, and counts the pauses it was asked for.
class THeldControl : public TDrawingInterrupt {
public:
    TInterruptRequest Poll() override { return {false, true}; }
    void Pause() override { ++pauses; }
    int pauses = 0;
};

TEST_F(DynamicEditing, RedrawsAreNeverDrawnVisiblySoControlPlaysRatherThanPauses)
{
    Open(Record("a=0", "1") + Record("y=ax{^{2}"));
    THeldControl control;
    InstallDrawingInterrupt(&control);
    DrawMode = dmDrawVisibly; // left over from a line just entered
    editing->Key(TDynamicKey::PlayForward);
    editing->Play(0);
    InstallDrawingInterrupt(nullptr);
    EXPECT_EQ(control.pauses, 0);
    EXPECT_EQ(DrawMode, dmDrawVisibly) << "the mode is put back";
}

TEST_F(DynamicEditing, LinesLeavingTheListAreLetGoBeforeTheyAreFreed)
{
    Open(Record("a=1", "1") + Record("y=a") + Record("y=x"));
    editing->Key(TDynamicKey::StepForward); // a change, so the period has a step to record
    // Undo empties the list to put a snapshot in its place.
    list.ClearAll();
    // No undo step was taken of a list that was being emptied.
    EXPECT_EQ(view.linesAtUndo, std::vector<int>{});
    EXPECT_EQ(editing->Constant(), nullptr);
    EXPECT_TRUE(editing->Users().empty());
    EXPECT_FALSE(editing->InPeriod());
    EXPECT_EQ(editing->CurrentName(), "a");
    // A tick or a key now touches nothing that was freed.
    editing->Tick();
    editing->Key(TDynamicKey::StepForward);
    // The list is refilled, as after Open, and the editor follows the new line.
    Load(Record("a=5", "1") + Record("y=a"));
    editing->Refill();
    editing->Activate();
    editing->Key(TDynamicKey::StepForward);
    auto* constant = dynamic_cast<TDynamicConstantEquation*>(list.ItemAt(0));
    ASSERT_NE(constant, nullptr);
    EXPECT_EQ(constant->Constant().Value(), 6);
    EXPECT_EQ(editing->Users().size(), 1u);
}

TEST_F(DynamicEditing, TheListIsSortedAndFollowsTheSelectedConstant)
{
    Open(Record("k=1") + Record("b=2") + Record("m=3") + Record("y=kx"), "m");
    EXPECT_EQ(view.names, (std::vector<std::string>{"b", "k", "m"}));
    EXPECT_EQ(view.selectedName, 2);
    EXPECT_EQ(Value(), "3");
    editing->EquationSelected(list.ItemAt(0));
    EXPECT_EQ(editing->CurrentName(), "k");
    EXPECT_EQ(view.selectedName, 1);
    EXPECT_EQ(view.Text(TDynamicBox::Value), "1");
    editing->ChooseConstant(0);
    EXPECT_EQ(editing->CurrentName(), "b");
    EXPECT_EQ(view.Text(TDynamicBox::Value), "2");
    ASSERT_TRUE(editing->Users().empty());

    list.ClearAll();
    Load(Record("y=x"));
    editing->Refill();
    EXPECT_TRUE(editing->Empty());
    EXPECT_EQ(view.selectedName, -1);
    EXPECT_EQ(view.Text(TDynamicBox::Value), "");
}

TEST_F(DynamicEditing, ConstantLineShowsTheValueReached)
{
    Open(Record("a=1", "0.5") + Record("y=a"));
    editing->Key(TDynamicKey::StepForward);
    editing->Key(TDynamicKey::StepForward);
    EXPECT_EQ(ElementsToText(list.ItemAt(0)->Elements()), "a=2");
    std::string saved = EquationListText(list.Lines(), -1);
    EXPECT_NE(saved.find("a=2\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\tStep:  5.000000E-0001\r\n"), std::string::npos) << saved;
}

TEST(DynamicKeys, KeysOfTheEditor)
{
    const struct {
        int key;
        bool shift, control;
        TDynamicKey action;
    } cases[] = {
        {Qt::Key_Return, false, false, TDynamicKey::Stop},
        {Qt::Key_Enter, false, false, TDynamicKey::Stop},
        {Qt::Key_Space, false, false, TDynamicKey::Stop},
        {Qt::Key_Escape, false, false, TDynamicKey::StopAndClose},
        {Qt::Key_F1, false, false, TDynamicKey::Help},
        {Qt::Key_Comma, false, false, TDynamicKey::PassOn},
        {Qt::Key_Period, false, false, TDynamicKey::PassOn},
        {Qt::Key_Comma, true, false, TDynamicKey::StepBack},
        {Qt::Key_Less, true, false, TDynamicKey::StepBack},
        {Qt::Key_Period, true, false, TDynamicKey::StepForward},
        {Qt::Key_Greater, true, false, TDynamicKey::StepForward},
        {Qt::Key_Comma, false, true, TDynamicKey::PlayBack},
        {Qt::Key_Less, true, true, TDynamicKey::PlayBack},
        {Qt::Key_Period, false, true, TDynamicKey::PlayForward},
        {Qt::Key_Less, false, false, TDynamicKey::Swallow},
        {Qt::Key_Greater, false, false, TDynamicKey::Swallow},
        {Qt::Key_A, true, false, TDynamicKey::PassOn},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DynamicKeyAction(c.key, c.shift, c.control), c.action)
            << std::hex << c.key << " shift " << c.shift << " control " << c.control;
}

} // namespace
