// The command table and the enabling rules: every command is reachable, the
// program's own captions and shortcuts, the mouse-mode group, and rules per fact.
#include "app/commands.h"

#include <QAction>
#include <QKeySequence>
#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::set<std::string> ShownCommands()
{
    std::set<std::string> shown;
    for (const auto& menu : MainMenus())
        for (auto entry : menu.entries)
            if (entry != "-" && entry != "<" && entry.front() != '>')
                shown.insert(std::string(entry));
    for (const auto& bar : Toolbars())
        for (auto name : bar.commands)
            if (name != "-")
                shown.insert(std::string(name));
    return shown;
}

} // namespace

TEST(CommandTable, NamesAreUniqueAndEveryCommandIsShownSomewhere)
{
    std::set<std::string> names;
    for (const auto& command : CommandTable())
        EXPECT_TRUE(names.insert(std::string(command.name)).second) << command.name;
    const auto shown = ShownCommands();
    for (const auto& name : shown)
        EXPECT_TRUE(names.count(name)) << "menu or toolbar names an unknown command " << name;
    // Commands shown only on the keypad or beside the scroll bars.
    const std::set<std::string> elsewhere = {"KeybtnAltAct",   "KeyBtnFnAct",    "KeyBtnRightMouseAct",
                                             "KeyBtnHelpAct",  "HorzZoomOutBtn", "HorzZoomInBtn",
                                             "VertZoomOutBtn", "VertZoomInBtn"};
    for (const auto& name : names)
        EXPECT_TRUE(shown.count(name) || elsewhere.count(name)) << name << " is in no menu or toolbar";
}

TEST(CommandTable, CaptionsAndShortcutsAreTheProgramsOwn)
{
    struct Row {
        const char* name;
        const char* caption;
        const char* shortcut;
    };
    const Row rows[] = {
        {"ActionFileNew", "&New", "Ctrl+N"},       {"ActionUndo", "Undo", "Ctrl+Z"},
        {"ActionRedo", "Redo", "Ctrl+Shift+Z"},    {"ActionDeleteCurve", "Delete curve", "Ctrl+Del"},
        {"ActionZoomout", "&Out", "Ctrl+O"},       {"ActionZoomin", "&In", "Ctrl+I"},
        {"ActionInsFraction", "Ctrl+/", "Ctrl+/"}, {"ActionInsertSuper", "Alt+S", "Alt+S"},
        {"ActionHelpContents", "&Contents", "F1"}, {"Actreflectx", "reflect iin x axis", ""},
        {"ActionTraceOnOff", "Tr&ace", ""},        {"KeyBtnRightMouseAct", "RIght button", ""},
    };
    TCommandList commands;
    for (const auto& row : rows) {
        QAction* action = commands.Action(row.name);
        ASSERT_NE(action, nullptr) << row.name;
        EXPECT_EQ(action->text(), row.caption) << row.name;
        EXPECT_EQ(action->shortcut(), QKeySequence(row.shortcut)) << row.name;
        EXPECT_FALSE(action->toolTip().isEmpty()) << row.name;
    }
    EXPECT_EQ(Toolbars().size(), 14u);
    EXPECT_EQ(PopupItems().size(), 19u); // the 17 the objects answer for, then New line's two
}

TEST(CommandRules, EachRuleFollowsItsFacts)
{
    TCommandFacts none;
    TCommandFacts curve;
    curve.hasObject = true;
    curve.flags = 1 | 8;
    curve.objectValid = true;
    TCommandFacts shape = curve;
    shape.flags = 0x80 | 8 | 0x400;
    TCommandFacts editingWithDialogs = curve;
    editingWithDialogs.editing = true;
    editingWithDialogs.transformDialogs = true;
    TCommandFacts editing = curve;
    editing.editing = true;
    struct Row {
        TCommandRule rule;
        const TCommandFacts* facts;
        bool allowed;
    };
    const Row rows[] = {
        {TCommandRule::NeedsObject, &none, false},    {TCommandRule::NeedsObject, &curve, true},
        {TCommandRule::CurveFlag, &shape, false},     {TCommandRule::CurveFlag, &curve, true},
        {TCommandRule::Area, &shape, true},           {TCommandRule::Area, &none, false},
        {TCommandRule::Transform, &curve, true},      {TCommandRule::Transform, &editingWithDialogs, false},
        {TCommandRule::Repeats, &curve, false},       {TCommandRule::Repeats, &editing, true},
        {TCommandRule::CoordinateList, &shape, true}, {TCommandRule::CoordinateList, &curve, false},
        {TCommandRule::CompassPoints, &curve, false}, {TCommandRule::CopyCut, &none, false},
        {TCommandRule::CopyCut, &curve, true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(RuleAllows(row.rule, *row.facts), row.allowed) << static_cast<int>(row.rule);

    TCommandFacts scales;
    EXPECT_FALSE(RuleAllows(TCommandRule::ScaleList, scales));
    scales.scaleListCount = 1;
    EXPECT_TRUE(RuleAllows(TCommandRule::ScaleList, scales));
    EXPECT_FALSE(RuleAllows(TCommandRule::ScaleListTwo, scales));
    scales.scaleListCount = 2;
    EXPECT_TRUE(RuleAllows(TCommandRule::ScaleListTwo, scales));

    TCommandFacts undo;
    undo.undoCount = 3;
    undo.undoIndex = 0;
    EXPECT_FALSE(RuleAllows(TCommandRule::Undo, undo));
    EXPECT_TRUE(RuleAllows(TCommandRule::Redo, undo));
    undo.undoIndex = 2;
    EXPECT_TRUE(RuleAllows(TCommandRule::Undo, undo));
    EXPECT_FALSE(RuleAllows(TCommandRule::Redo, undo));

    TCommandFacts family;
    family.selectedDynamicConstant = true;
    EXPECT_TRUE(RuleAllows(TCommandRule::Family, family));
    family.editingDynamicConstant = true;
    EXPECT_FALSE(RuleAllows(TCommandRule::Family, family));
    EXPECT_FALSE(RuleAllows(TCommandRule::DynamicConstants, family));
}

TEST(CommandList, CommandsWithoutWorkStayDisabledAndHandlersRun)
{
    TCommandList commands;
    TCommandFacts facts;
    commands.Update(facts);
    for (const auto& command : CommandTable())
        EXPECT_FALSE(commands.Action(command.name)->isEnabled()) << command.name;
    int runs = 0;
    commands.SetHandler("ActionDeleteCurve", [&] { ++runs; });
    EXPECT_FALSE(commands.Trigger("ActionDeleteCurve")); // nothing selected
    facts.hasObject = true;
    commands.Update(facts);
    EXPECT_TRUE(commands.Trigger("ActionDeleteCurve"));
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(commands.Trigger("NoSuchCommand"));
}

TEST(CommandList, ChoosingTheActiveMouseModeAgainTurnsItOff)
{
    TCommandList commands;
    std::vector<int> modes;
    commands.SetModeHandler([&](int code) { modes.push_back(code); });
    EXPECT_TRUE(commands.Action("ActionNoZoom")->isChecked());
    ASSERT_TRUE(commands.Trigger("ActionZoomin"));
    EXPECT_EQ(commands.CheckedMode(), 301);
    EXPECT_FALSE(commands.Action("ActionNoZoom")->isChecked());
    ASSERT_TRUE(commands.Trigger("ActionMoveOrigin"));
    EXPECT_EQ(commands.CheckedMode(), 304);
    EXPECT_FALSE(commands.Action("ActionZoomin")->isChecked());
    ASSERT_TRUE(commands.Trigger("ActionMoveOrigin"));
    EXPECT_EQ(commands.CheckedMode(), 305);
    EXPECT_TRUE(commands.Action("ActionNoZoom")->isChecked());
    EXPECT_EQ(modes, (std::vector<int>{301, 304, 305}));
}

TEST(CommandList, AModalEditorLeavesOnlyFourInsertCommands)
{
    TCommandList commands;
    for (const auto& command : CommandTable())
        commands.SetHandler(command.name, [] {});
    commands.SetModeHandler([](int) {});
    commands.SetDialogMode(true);
    std::set<std::string> enabled;
    for (const auto& command : CommandTable())
        if (commands.Action(command.name)->isEnabled())
            enabled.insert(std::string(command.name));
    EXPECT_EQ(enabled, (std::set<std::string>{"ActionInsertSuper", "ActionInsFraction", "ActionInsPi",
                                              "ActionInsSqroot"}));
    commands.SetDialogMode(false);
    EXPECT_TRUE(commands.Action("ActionFileNew")->isEnabled());
}
