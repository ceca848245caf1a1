// The command list of the main window as data: every command of every menu,
// toolbar, popup menu and the keypad with its caption, shortcut, hint, kind
// and the rule that enables it, and the layout of the menus and toolbars
// that show them. TCommandList turns the table into QActions (QtGui), runs
// the handlers the window registers and applies the enabling rules; a
// command without a handler stays disabled, so no click does nothing.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QActionGroup;

// What a command does with its check mark.
enum class TCommandKind : std::uint8_t {
    Plain, // runs its handler
    Check, // toggles its check, then runs its handler
    Mode,  // one of the mouse modes: toggles, then sets its mode or mode None
};

// When a command is enabled (beyond having a handler).
enum class TCommandRule : std::uint8_t {
    Always,
    NeedsObject,      // a selected line
    CurveFlag,        // the selected object has flag 1 (tangents, gradients, lines to curves)
    Area,             // flag 0x80 or flag 1
    Transform,        // flag 8, a valid object, and no edited line when transformation dialogs are on
    Repeats,          // as Transform, and a line being edited
    CompassPoints,    // flag 4
    CoordinateList,   // flag 0x400
    ClosedShape,      // flag 0x80 (a closed shape has an area)
    PointList,        // a selected coordinate list or data set
    BestFit,          // flag 0x20000 (a data set)
    FitPolynomial,    // flag 0x40000 (a coordinate list of 2 to 10 points)
    Insert,           // the line being edited is not a fixed line
    Family,           // a selected dynamic constant that is not being edited
    DynamicConstants, // no dynamic constant line being edited
    CopyCut,          // a maths editor selection or a selected line, coordinate editor not active
    Paste,            // text on the clipboard, coordinate editor not active
    Undo,             // the undo index is above 0
    Redo,             // the undo index is below the last entry
    ScaleList,        // the stored scale list is not empty
    ScaleListTwo,     // the stored scale list has at least two entries
    DragCurves,       // draggable curves are on
    Save,             // saving is possible (no modal editor)
};

// One command of the table.
struct TCommandRow {
    std::string_view name;     // the action's component name
    std::string_view category; // the menu it belongs to
    std::string_view caption;  // with its accelerator mark
    std::string_view shortcut; // in QKeySequence's portable text, or empty
    std::string_view hint;     // status tip and tool tip
    TCommandKind kind = TCommandKind::Plain;
    TCommandRule rule = TCommandRule::Always;
    int tag = 0; // mouse-mode code, turn, popup tag or help topic
};

// The facts the enabling rules read; the main window fills them in.
struct TCommandFacts {
    bool hasObject = false;
    std::uint32_t flags = 0;
    bool objectValid = false;
    bool editing = false;
    bool editingFixedLine = false;
    bool transformDialogs = false;
    bool selectedDynamicConstant = false;
    bool editingDynamicConstant = false;
    bool editorHasSelection = false;
    bool clipboardHasText = false;
    bool coordinateEditorActive = false;
    bool selectedPointList = false;
    int scaleListCount = 0;
    int undoIndex = 0;
    int undoCount = 0;
    bool dragCurves = false;
    bool modalEditorOpen = false;
};

// What a command does with a line being edited in the equations window.
enum class TEditingPolicy : std::uint8_t {
    KeepsEditing,  // works on the line being edited, or leaves it alone: the editing goes on
    EndsEditing,   // the editing ends first (a fault is shown); the command runs either way
    NeedsFinished, // the editing ends first; while the line has a fault the command is refused
};
// The policy of a command (NeedsFinished unless it is known to need less).
[[nodiscard]] TEditingPolicy EditingPolicy(const TCommandRow& command);

// Answers whether a rule lets its command be enabled under the facts.
[[nodiscard]] bool RuleAllows(TCommandRule rule, const TCommandFacts& facts);

// Every command, in menu order.
[[nodiscard]] std::span<const TCommandRow> CommandTable();
// The command of that name, or nullptr.
[[nodiscard]] const TCommandRow* FindCommand(std::string_view name);

// A menu of the menu bar or a popup: its caption and its entries. An entry is
// a command name, "-" for a separator, or ">Caption" opening a submenu that
// runs to the matching "<".
struct TMenuLayout {
    std::string_view name;
    std::string_view caption;
    std::vector<std::string_view> entries;
};
[[nodiscard]] const std::vector<TMenuLayout>& MainMenus();

// Where a toolbar starts.
enum class TToolbarSide : std::uint8_t { Top, Bottom, Left, Right, Floating };

// A toolbar: component name, caption, initial side and visibility, and its
// command names ("-" a separator).
struct TToolbarLayout {
    std::string_view name;
    std::string_view caption;
    TToolbarSide side;
    bool visible;
    std::vector<std::string_view> commands;
};
[[nodiscard]] const std::vector<TToolbarLayout>& Toolbars();

// A keypad button: the caption shown, what it types (empty: a command), and
// the group it belongs to (0 shown always, 1 and 2 switched by "fn").
struct TKeypadKey {
    std::string_view caption;
    std::string_view types;
    int group;
};
[[nodiscard]] std::span<const TKeypadKey> KeypadKeys();

// The popup menu of the graph and equations windows: 17 items; bit i of an
// object's answer shows item i (items 6 to 8 are enabled instead).
struct TPopupItem {
    std::string_view caption;
    int tag;         // passed to the object's popup action; 0 when none
    int submenu;     // 0 top level, else the index of the item heading the submenu
    bool enableOnly; // enabled or disabled by its bit rather than shown or hidden
};
[[nodiscard]] std::span<const TPopupItem> PopupItems();

// The command list: one QAction per command of the table.
class TCommandList : public QObject {
    Q_OBJECT
public:
    explicit TCommandList(QObject* parent = nullptr);
    ~TCommandList() override;

    // The action of a command (nullptr for an unknown name).
    [[nodiscard]] QAction* Action(std::string_view name) const;
    // Registers the work of a command; it becomes enabled when its rule allows.
    void SetHandler(std::string_view name, std::function<void()> handler);
    // True when the command has work registered.
    [[nodiscard]] bool HasHandler(std::string_view name) const;
    // Where the mouse-mode commands send their code (305 turns the mode off).
    void SetModeHandler(std::function<void(int code)> handler);
    // Asked before any command runs; false refuses it (its check mark is
    // put back). Mode commands always run once it has been asked.
    void SetBeforeCommand(std::function<bool(const TCommandRow& command)> check);
    // Checks the mode command of that code (None for 305 or an unknown code).
    void ShowMode(int code);
    // The mode code whose command is checked.
    [[nodiscard]] int CheckedMode() const;
    // Applies the enabling rules to every command.
    void Update(const TCommandFacts& facts);
    // Disables every command but the four insert commands a modal editor may use, or undoes that.
    void SetDialogMode(bool dialogOpen);
    // Runs a command as a click on it would; false when it is disabled or unknown.
    bool Trigger(std::string_view name);
    // The facts last applied.
    [[nodiscard]] const TCommandFacts& Facts() const { return facts_; }

private:
    void Triggered(const TCommandRow& command, QAction* action);
    void Apply();

    std::map<std::string, QAction*, std::less<>> actions_;
    std::map<std::string, std::function<void()>, std::less<>> handlers_;
    std::function<void(int)> modeHandler_;
    std::function<bool(const TCommandRow&)> beforeCommand_;
    QActionGroup* modeGroup_ = nullptr;
    TCommandFacts facts_;
    bool dialogMode_ = false;
};
