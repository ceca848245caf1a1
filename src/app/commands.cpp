#include "app/commands.h"

#include "platform/busygate.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>

#include <algorithm>
#include <array>
#include <iterator>

namespace {

using K = TCommandKind;
using R = TCommandRule;

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// clang-format off
const TCommandRow Table[] = {
    // File
    {"ActionFileNew", "File", "&New", "Ctrl+N", "Start a new document with the default scales", K::Plain, R::Always, 0},
    {"ActionClearCurves", "File", "Clear curves", "", "Remove every line but keep the scales", K::Plain, R::Always, 0},
    {"ActionFileOpen", "File", "Open", "", "Open a document or a guide help file", K::Plain, R::Always, 0},
    {"ActionFileSave", "File", "Save", "", "Save the document", K::Plain, R::Save, 0},
    {"ActionFileSaveAs", "File", "Save as…", "Ctrl+Shift+S", "Save the document under a new name", K::Plain, R::Save, 0},
    {"ActionExportPicture", "File", "Export picture…", "Ctrl+Shift+E", "Save the graph as a PNG, SVG or PDF picture", K::Plain, R::Always, 0},
    {"ActionPrint", "File", "Print preview", "", "Preview the page and print it", K::Plain, R::Always, 0},
    {"ActionPrint2", "File", "Print", "", "Print the equations and graphs", K::Plain, R::Always, 0},
    {"ActionExit", "File", "Exit", "", "Close Lumacurve", K::Plain, R::Always, 0},
    // Edit
    {"ActionUndo", "Edit", "Undo", "Ctrl+Z", "Undo the last change to the equations", K::Plain, R::Undo, 0},
    {"ActionRedo", "Edit", "Redo", "Ctrl+Shift+Z", "Redo the change just undone", K::Plain, R::Redo, 0},
    {"ActionCut", "Edit", "Cu&t", "Ctrl+X", "Cut the selection to the clipboard", K::Plain, R::CopyCut, 0},
    {"ActionCopy", "Edit", "&Copy", "Ctrl+C", "Copy the selection to the clipboard", K::Plain, R::CopyCut, 0},
    {"ActionPaste", "Edit", "&Paste", "Ctrl+V", "Paste formula text from the clipboard", K::Plain, R::Paste, 0},
    {"ActionDeleteCurve", "Edit", "Delete curve", "Ctrl+Del", "Delete the selected line", K::Plain, R::NeedsObject, 0},
    {"ActionDeleteSecondaries", "Edit", "De&lete secondaries", "", "Delete the lines that depend on the selected one", K::Plain, R::NeedsObject, 0},
    {"Actioncopyscreen", "Edit", "Copy &screen", "", "Copy the graphs and equations as a picture", K::Plain, R::Always, 0},
    {"ActionCopyGraph", "Edit", "Copy &graphs", "", "Copy the graphs as a picture", K::Plain, R::Always, 0},
    {"ActionCopyEquations", "Edit", "Copy &equations", "", "Copy the equations as a picture", K::Plain, R::Always, 0},
    {"ActionRedraw", "Edit", "&Redraw", "Ctrl+R", "Draw the graphs again", K::Plain, R::Always, 0},
    {"ActionDemoDraw", "Edit", "De&mo draw", "", "Draw the graphs slowly, as a demonstration", K::Plain, R::Always, 0},
    // Insert (inside Edit); the captions are the key names
    {"ActionInsertSuper", "Insert", "Alt+S", "Alt+S", "Index (power)", K::Plain, R::Insert, 0},
    {"ActionInsFraction", "Insert", "Ctrl+/", "Ctrl+/", "Fraction", K::Plain, R::Insert, 0},
    {"ActionInsplusminus", "Insert", "Ctrl++", "Ctrl++", "Plus or minus", K::Plain, R::Insert, 0},
    {"ActionInsSqroot", "Insert", "Ctrl+S", "Ctrl+S", "Square root", K::Plain, R::Insert, 0},
    {"ActionInsPi", "Insert", "Ctrl+P", "Ctrl+P", "Pi", K::Plain, R::Insert, 0},
    {"ActionInsTheta", "Insert", "Ctrl+T", "Ctrl+T", "Theta", K::Plain, R::Insert, 0},
    {"ActionInsLessEq", "Insert", "Ctrl+<", "Ctrl+<", "Less than or equal to", K::Plain, R::Insert, 0},
    {"ActionInsGreaterEq", "Insert", "Ctrl+>", "Ctrl+>", "Greater than or equal to", K::Plain, R::Insert, 0},
    // Zoom
    {"ActionUndoZoom", "Zoom", "Undo zoom", "", "Return to the previous scales", K::Plain, R::ScaleList, 0},
    {"ActionRedoZoom", "Zoom", "Redo zoom", "", "Go forward again in the stored scales", K::Plain, R::ScaleList, 0},
    {"ActionNoZoom", "Zoom", "&None", "", "No mouse tool", K::Mode, R::Always, 305},
    {"ActionZoomin", "Zoom", "&In", "Ctrl+I", "Zoom in: drag a box or click on the graph", K::Mode, R::Always, 301},
    {"ActionZoomout", "Zoom", "&Out", "Ctrl+O", "Zoom out: click on the graph", K::Mode, R::Always, 302},
    {"ActionMoveOrigin", "Zoom", "&Move origin", "Ctrl+M", "Click where the origin should be", K::Mode, R::Always, 304},
    {"ActionDragGrid", "Zoom", "&Drag grid", "Ctrl+D", "Drag the grid with the mouse", K::Mode, R::Always, 303},
    {"ActionSquareScales", "Zoom", "&Square scales", "", "Make the scales square, or not", K::Check, R::Always, 0},
    {"ActionGraphPaper", "Zoom", "&Graph paper", "", "2 mm graph paper on or off", K::Check, R::Always, 0},
    {"ActionRescale", "Zoom", "&Rescale", "", "Set the scales in a dialog", K::Plain, R::Always, 0},
    {"ActionTrigScales", "Zoom", "&Trig scales", "", "Scales for the trigonometric functions", K::Plain, R::Always, 0},
    {"ActionPositiveScales", "Zoom", "&Positive scales", "", "Scales with the origin at the lower left", K::Plain, R::Always, 0},
    {"ActionResetScales", "Zoom", "R&eset scales", "", "Back to the default scales", K::Plain, R::Always, 0},
    {"ActionClearScaleList", "Zoom", "&Clear scale list", "", "Forget the stored scales", K::Plain, R::ScaleList, 0},
    {"ActionLastScales", "Zoom", "&Last scales", "", "Return to the previous scales", K::Plain, R::ScaleList, 0},
    {"ActionArrangeList", "Zoom", "&Arrange scale list", "", "Arrange the stored scales", K::Plain, R::ScaleListTwo, 0},
    {"HorzZoomOutBtn", "Zoom", "x out", "", "Zoom out across", K::Plain, R::Always, 0},
    {"HorzZoomInBtn", "Zoom", "x in", "", "Zoom in across", K::Plain, R::Always, 0},
    {"VertZoomOutBtn", "Zoom", "y out", "", "Zoom out up and down", K::Plain, R::Always, 0},
    {"VertZoomInBtn", "Zoom", "y in", "", "Zoom in up and down", K::Plain, R::Always, 0},
    // Transform
    {"ActionTranslate", "Transform", "&Translate", "", "Translate the selected object", K::Plain, R::Transform, 0},
    {"ActionReflect", "Transform", "&Reflect", "", "Reflect the selected object", K::Plain, R::Transform, 0},
    {"ActionRotate", "Transform", "R&otate", "", "Rotate the selected object", K::Plain, R::Transform, 0},
    {"BtnRotClock", "Transform", "Clockwise", "", "Turn clockwise", K::Check, R::Always, 0},
    {"btnRotAnti", "Transform", "Anticlockwise", "", "Turn anticlockwise", K::Check, R::Always, 0},
    {"ActionEnlarge", "Transform", "&Enlarge", "", "Enlarge the selected object", K::Plain, R::Transform, 0},
    {"ActionStretch", "Transform", "&Stretch", "", "Stretch the selected object", K::Plain, R::Transform, 0},
    {"ActionShear", "Transform", "S&hear", "", "Shear the selected object", K::Plain, R::Transform, 0},
    {"ActionMatrix", "Transform", "&Matrix", "", "Transform the selected object by a matrix", K::Plain, R::Transform, 0},
    {"ActionRepeats", "Transform", "Re&peats", "", "Repeat the transformation", K::Plain, R::Repeats, 0},
    {"ActionInvariants", "Transform", "&Draw invariants", "", "Draw mirror lines, centres and invariant lines", K::Check, R::Always, 0},
    {"ActionConstructionLines", "Transform", "&Construction lines", "", "Draw construction lines", K::Check, R::Always, 0},
    {"ActionDynamicCUrves", "Transform", "Dynamic points and curves", "", "Let curves and points be dragged with the mouse", K::Check, R::Always, 0},
    {"ActionDynamicConstants", "Transform", "D&ynamic constants", "", "Step and play the selected dynamic constant", K::Plain, R::DynamicConstants, 0},
    {"ActionFamily", "Transform", "&Family", "", "A family of curves for the selected dynamic constant", K::Check, R::Family, 0},
    {"ActRotate90", "Simple transformations", "Rotate 90", "", "Quarter turn anticlockwise", K::Plain, R::Transform, 90},
    {"ActRotate180", "Simple transformations", "Rotate 180", "", "Half turn", K::Plain, R::Transform, 180},
    {"ActRotate270", "Simple transformations", "Rotate 270", "", "Quarter turn clockwise", K::Plain, R::Transform, -90},
    {"ActReflecty", "Simple transformations", "Reflect in y axis", "", "Reflect in the y axis", K::Plain, R::Transform, 0},
    {"Actreflectx", "Simple transformations", "reflect iin x axis", "", "Reflect in the x axis", K::Plain, R::Transform, 0},
    {"ActReflectyx", "Simple transformations", "Reflect in y=x", "", "Reflect in the line y=x", K::Plain, R::Transform, 0},
    {"ActReflectynx", "Simple transformations", "Reflect in y=-x", "", "Reflect in the line y=-x", K::Plain, R::Transform, 0},
    // Shapes
    {"ActionNewShape", "Shapes", "&New shape", "", "Type the coordinates of a new shape", K::Plain, R::Always, 0},
    {"ActionFlag", "Shapes", "&Flag", "", "A flag shape to transform", K::Plain, R::Always, 0},
    {"ActionTriangle", "Shapes", "&Triangle", "", "A regular triangle", K::Plain, R::Always, 3},
    {"ActionSquare", "Shapes", "&Square", "", "A square", K::Plain, R::Always, 4},
    {"ActionPentagon", "Shapes", "&Pentagon", "", "A regular pentagon", K::Plain, R::Always, 5},
    {"ActionHexagon", "Shapes", "&Hexagon", "", "A regular hexagon", K::Plain, R::Always, 6},
    {"ActionOctagon", "Shapes", "&Octagon", "", "A regular octagon", K::Plain, R::Always, 8},
    {"ActionPolygon", "Shapes", "Pol&ygon", "", "A regular polygon with any number of sides", K::Plain, R::Always, 0},
    {"ActionNewDynamicLine", "Shapes", "New line", "", "A straight line to drag", K::Plain, R::DragCurves, 0},
    {"ActionNewDynamicQuad", "Shapes", "New quadratic", "", "A quadratic to drag", K::Plain, R::DragCurves, 0},
    {"ActionNewCircle", "Shapes", "New circle", "", "A circle to drag", K::Plain, R::DragCurves, 0},
    {"ActionFitPolynomial", "Shapes", "Fit polynomial", "", "A polynomial through the selected points", K::Plain, R::FitPolynomial, 0},
    {"ActionCoordList", "Shapes", "&Coordinate list", "", "List the points of the selected object", K::Plain, R::CoordinateList, 0},
    // Stats
    {"ActionDataPoints", "Stats", "&Data Points", "", "Type in a set of data points", K::Plain, R::Always, 0},
    {"ActionBestFit", "Stats", "Best fit &straight line", "", "The best fit straight line of the selected data", K::Plain, R::BestFit, 0},
    {"ActionBestFityonx", "Stats", "y on x", "", "Regression line of y on x", K::Plain, R::BestFit, 0},
    {"ActionBestFitxony", "Stats", "x on y", "", "Regression line of x on y", K::Plain, R::BestFit, 0},
    {"ActionBestFItQuad", "Stats", "Quadratic", "", "Best fit quadratic", K::Plain, R::BestFit, 0},
    {"ActionBestExponential", "Stats", "Exponential", "", "Best fit exponential curve", K::Plain, R::BestFit, 0},
    {"ActionBestFitln", "Stats", "Logarithmic", "", "Best fit logarithmic curve", K::Plain, R::BestFit, 0},
    {"ActionShowStats", "Stats", "Show stats", "", "Show the statistics panel", K::Plain, R::Always, 0},
    {"ActionSwapxy", "Stats", "Swap x and y", "", "Exchange the coordinates of the selected data", K::Plain, R::PointList, 0},
    {"ActionStatsOptions", "Stats", "Options", "", "Statistics options", K::Plain, R::Always, 0},
    // Analysis
    {"ActionTangent", "Analysis", "&Tangent", "", "Click on a curve to draw its tangent", K::Plain, R::CurveFlag, 0},
    {"ActionNormal", "Analysis", "&Normal", "", "Click on a curve to draw its normal", K::Plain, R::CurveFlag, 0},
    {"ActionHorizontalLine", "Analysis", "&Horizontal line", "", "A horizontal line through a point", K::Plain, R::Always, 406},
    {"ActionVerticalLine", "Analysis", "&Vertical line", "", "A vertical line through a point", K::Plain, R::Always, 407},
    {"ActionLineThroOrigin", "Analysis", "Line through &origin", "", "A line through the origin and a point", K::Plain, R::Always, 408},
    {"ActionYAxisToCurve", "Analysis", "&y axis to curve", "", "A line from the y axis to the curve", K::Plain, R::CurveFlag, 411},
    {"ActionXAxisToCurve", "Analysis", "&x axis to curve", "", "A line from the x axis to the curve", K::Plain, R::CurveFlag, 412},
    {"ActionOriginToCurve", "Analysis", "Origin to &curve", "", "A line from the origin to the curve", K::Plain, R::CurveFlag, 413},
    {"ActionTraceOnOff", "Analysis", "Tr&ace", "", "Trace a point along a curve", K::Mode, R::Always, 399},
    {"ActionArea", "Analysis", "&Area", "", "Draw the area function for the curve", K::Plain, R::Area, 0},
    {"ActionGradient", "Analysis", "&Gradient", "", "Draw the gradient function for the curve", K::Plain, R::CurveFlag, 0},
    {"ActionCompassPoints", "Analysis", "&Compass points", "", "Draw a direction field for the differential equation", K::Plain, R::CompassPoints, 0},
    // Custom
    {"ActionCustom", "Custom", "&Custom", "", "Settings", K::Plain, R::Always, 0},
    {"ActionCustomiseCurve", "Custom", "C&ustomise curve", "", "Colour and thickness of the selected curve", K::Plain, R::NeedsObject, 0},
    {"ActionToolbars", "Custom", "Toolbars", "", "Choose the toolbars to show", K::Plain, R::Always, 0},
    {"ActionLoadToolbars", "Custom", "Load toolbars", "", "Restore the stored toolbar arrangement", K::Plain, R::Always, 0},
    {"ActionSaveToolbars", "Custom", "Save toolbars", "", "Store the toolbar arrangement", K::Plain, R::Always, 0},
    {"ActionIntroduction", "Custom", "&Introduction", "", "Show the commentary", K::Plain, R::Always, 0},
    {"ActionCommentBox", "Custom", "C&omment box", "", "Write a comment on the graph", K::Plain, R::Always, 0},
    {"ActionWhiteboard", "Custom", "Whiteboard", "", "Large writing and toolbars for a whiteboard", K::Check, R::Always, 0},
    {"ActionWhiteboardSettings", "Custom", "Whiteboard settings", "", "Store or forget your whiteboard preferences", K::Plain, R::Always, 214},
    {"ActionEquationsWindow", "Custom", "Equations window", "", "Show the equations window", K::Plain, R::Always, 0},
    {"ActionDegrees", "Angle", "Degrees", "", "Measure angles in degrees", K::Check, R::Always, 0},
    {"ActionRadians", "Angle", "Radians", "", "Measure angles in radians", K::Check, R::Always, 0},
    // Help
    {"ActionHelpContents", "Help", "&Contents", "F1", "Help contents", K::Plain, R::Always, 0},
    {"ActionAbout", "Help", "&About Lumacurve", "", "About Lumacurve", K::Plain, R::Always, 0},
    {"ActionExamples", "Help", "Examples…", "", "Open one of the example documents", K::Plain, R::Always, 0},
    {"ActionToolTips", "Help", "Tool tips", "", "Show tool tips", K::Check, R::Always, 0},
    {"ActionShowGraphNames", "Help", "Graph names", "", "Name a curve as the pointer crosses it", K::Check, R::Always, 0},
    {"ActionLumatutor", "Help", "Lumatutor", "", "Open the guide help", K::Plain, R::Always, 0},
    // Keypad
    {"KeybtnAltAct", "Keypad", "Alt key", "", "The next key is typed as an index", K::Check, R::Always, 0},
    {"KeyBtnFnAct", "Keypad", "fn button", "", "Switch between the two sets of keys", K::Check, R::Always, 0},
    {"KeyBtnRightMouseAct", "Keypad", "RIght button", "", "The next click is a right click", K::Check, R::Always, 0},
    {"KeyBtnHelpAct", "Keypad", "Help", "", "Help on the keypad", K::Plain, R::Always, 215},
};
// clang-format on

const TKeypadKey Keys[] = {
    {"y", "y", 1},
    {"x", "x", 1},
    {"=", "=", 1},
    {"7", "7", 1},
    {"8", "8", 1},
    {"9", "9", 1},
    {"/", "/", 1},
    {"4", "4", 1},
    {"5", "5", 1},
    {"6", "6", 1},
    {"*", "*", 1},
    {"1", "1", 1},
    {"2", "2", 1},
    {"3", "3", 1},
    {"-", "-", 1},
    {"0", "0", 1},
    {".", ".", 1},
    {"(", "(", 1},
    {")", ")", 1},
    {"+", "+", 1},
    {"sin", "sin", 2},
    {"cos", "cos", 2},
    {"tan", "tan", 2},
    {"ln", "ln", 2},
    {"log", "log", 2},
    {"abs", "abs", 2},
    {"t", "t", 2},
    {"r", "r", 2},
    {"<", "<", 2},
    {">", ">", 2},
    {",", ",", 2},
    {"e", "e", 2},
    {"-1", "-1", 0},
    {"enter", "\r", 0},
    {"delete back", "\b", 0},
    {"cursor left", "\x1c", 0},
    {"cursor right", "\x1d", 0},
};

const TPopupItem Popup[] = {
    {"Delete", 0, 0, false},
    {"Delete point", 10, 0, false},
    {"Custom curve", 0, 0, false},
    {"Equation type...", 0, 0, false},
    {"New line...", 0, 0, false},
    {"Stats options", 0, 0, false},
    {"Normal", 12, 3, true},
    {"Completed square", 14, 3, true},
    {"Factorised", 13, 3, true},
    {"Dynamic transform", 0, 0, false},
    {"Translate", 9, 9, false},
    {"Rotate", 6, 9, false},
    {"Stretch", 7, 9, false},
    {"Enlarge", 8, 9, false},
    {"Intersect", 0, 0, false},
    {"Label", 0, 0, false},
    {"Shade", 0, 0, false},
    // After the items the objects' bit sets answer for, so that each keeps its bit.
    {"straight", 0, 4, false},
    {"quadratic", 0, 4, false},
};

bool HasFlag(const TCommandFacts& facts, std::uint32_t flag)
{
    return facts.hasObject && (facts.flags & flag) != 0;
}

} // namespace

TEditingPolicy EditingPolicy(const TCommandRow& command)
{
    // Typing into the line, the clipboard, undo, help and showing panels or
    // toolbars leave the line being edited as it is.
    static constexpr std::string_view Keeping[] = {
        "ActionCut",          "ActionCopy",         "ActionPaste",          "ActionUndo",
        "ActionRedo",         "ActionDeleteCurve",  "ActionRepeats",        "ActionToolbars",
        "ActionLoadToolbars", "ActionSaveToolbars", "ActionEquationsWindow"};
    // Views, pictures and leaving the document need no finished line.
    static constexpr std::string_view Ending[] = {"ActionFileNew",
                                                  "ActionClearCurves",
                                                  "ActionFileOpen",
                                                  "ActionPrint",
                                                  "ActionPrint2",
                                                  "ActionExit",
                                                  "Actioncopyscreen",
                                                  "ActionCopyGraph",
                                                  "ActionCopyEquations",
                                                  "ActionRedraw",
                                                  "ActionDemoDraw",
                                                  "ActionWhiteboard",
                                                  "ActionWhiteboardSettings"};
    const auto among = [&](const auto& names) {
        return std::find(std::begin(names), std::end(names), command.name) != std::end(names);
    };
    if (command.category == "Insert" || command.category == "Keypad" || command.category == "Help" ||
        among(Keeping))
        return TEditingPolicy::KeepsEditing;
    if (command.kind == TCommandKind::Mode || command.category == "Zoom" || command.category == "Angle" ||
        among(Ending))
        return TEditingPolicy::EndsEditing;
    return TEditingPolicy::NeedsFinished;
}

bool RuleAllows(TCommandRule rule, const TCommandFacts& f)
{
    switch (rule) {
    case R::Always:
        return true;
    case R::NeedsObject:
        return f.hasObject;
    case R::CurveFlag:
        return HasFlag(f, 1);
    case R::Area:
        return HasFlag(f, 0x80) || HasFlag(f, 1);
    case R::Transform:
        return HasFlag(f, 8) && f.objectValid && !(f.transformDialogs && f.editing);
    case R::Repeats:
        return HasFlag(f, 8) && f.objectValid && f.editing && !f.transformDialogs;
    case R::CompassPoints:
        return HasFlag(f, 4);
    case R::CoordinateList:
        return HasFlag(f, 0x400);
    case R::ClosedShape:
        return HasFlag(f, 0x80);
    case R::PointList:
        return f.hasObject && f.selectedPointList;
    case R::BestFit:
        return HasFlag(f, 0x20000);
    case R::FitPolynomial:
        return HasFlag(f, 0x40000);
    case R::Insert:
        return !f.editingFixedLine;
    case R::Family:
        return f.selectedDynamicConstant && !f.editingDynamicConstant;
    case R::DynamicConstants:
        return !f.editingDynamicConstant;
    case R::CopyCut:
        return (f.editorHasSelection || f.hasObject) && !f.coordinateEditorActive;
    case R::Paste:
        return f.clipboardHasText && !f.coordinateEditorActive;
    case R::Undo:
        return f.undoIndex > 0;
    case R::Redo:
        return f.undoIndex < f.undoCount - 1;
    case R::ScaleList:
        return f.scaleListCount > 0;
    case R::ScaleListTwo:
        return f.scaleListCount >= 2;
    case R::DragCurves:
        return f.dragCurves;
    case R::Save:
        return !f.modalEditorOpen;
    }
    return false;
}

std::span<const TCommandRow> CommandTable()
{
    return Table;
}

const TCommandRow* FindCommand(std::string_view name)
{
    for (const auto& command : Table)
        if (command.name == name)
            return &command;
    return nullptr;
}

std::span<const TKeypadKey> KeypadKeys()
{
    return Keys;
}
std::span<const TPopupItem> PopupItems()
{
    return Popup;
}

const std::vector<TMenuLayout>& MainMenus()
{
    static const std::vector<TMenuLayout> menus = {
        {"File1",
         "&File",
         {"ActionFileNew", "ActionClearCurves", "ActionFileOpen", ">Recent documents", "<", "ActionFileSave",
          "ActionFileSaveAs", "-", "ActionExportPicture", "-", "ActionPrint", "ActionPrint2", "-",
          "ActionExit"}},
        {"Edit1",
         "&Edit",
         {"ActionUndo",
          "ActionRedo",
          "-",
          "ActionCut",
          "ActionCopy",
          "ActionPaste",
          "-",
          "ActionDeleteCurve",
          "ActionDeleteSecondaries",
          "-",
          "Actioncopyscreen",
          "ActionCopyGraph",
          "ActionCopyEquations",
          "-",
          "ActionRedraw",
          "ActionDemoDraw",
          "-",
          ">&Insert",
          "ActionInsertSuper",
          "ActionInsFraction",
          "ActionInsplusminus",
          "ActionInsSqroot",
          "ActionInsPi",
          "ActionInsTheta",
          "ActionInsLessEq",
          "ActionInsGreaterEq",
          "<"}},
        {"Zoom1",
         "&Zoom",
         {"ActionUndoZoom", "ActionRedoZoom", "-", "ActionNoZoom", "ActionZoomin", "ActionZoomout",
          "ActionMoveOrigin", "ActionDragGrid", "-", "ActionSquareScales", "ActionGraphPaper",
          "ActionRescale", "ActionTrigScales", "ActionPositiveScales", "ActionResetScales", "-",
          "ActionClearScaleList", "ActionLastScales", "ActionArrangeList"}},
        {"Transform1",
         "&Transform",
         {"ActionTranslate", "ActionReflect", "ActionRotate", "ActionEnlarge", "ActionStretch", "ActionShear",
          "ActionMatrix", "ActionRepeats", "-", "ActionInvariants", "ActionConstructionLines", "-",
          "ActionDynamicCUrves", "ActionDynamicConstants", "ActionFamily"}},
        {"Shapes1",
         "Sha&pes",
         {"ActionNewShape", "ActionFlag", ">Pol&ygon", "ActionTriangle", "ActionSquare", "ActionPentagon",
          "ActionHexagon", "ActionOctagon", "ActionPolygon", "<", ">New dynamic curve",
          "ActionNewDynamicLine", "ActionNewDynamicQuad", "ActionNewCircle", "ActionFitPolynomial", "<",
          "ActionCoordList"}},
        {"Stats1",
         "St&ats",
         {"ActionDataPoints", "ActionBestFit", ">Regression", "ActionBestFityonx", "ActionBestFitxony",
          "ActionBestFItQuad", "ActionBestExponential", "ActionBestFitln", "<", "-", "ActionShowStats",
          "ActionSwapxy", "ActionStatsOptions"}},
        {"Analysis1",
         "&Analysis",
         {"ActionTangent", "ActionNormal", ">&Straight lines", "ActionHorizontalLine", "ActionVerticalLine",
          "ActionLineThroOrigin", "-", "ActionYAxisToCurve", "ActionXAxisToCurve", "ActionOriginToCurve", "<",
          "ActionTraceOnOff", "ActionArea", "ActionGradient", "ActionCompassPoints"}},
        {"Custom1",
         "C&ustom",
         {"ActionCustom", "ActionCustomiseCurve", "ActionToolbars", "ActionLoadToolbars",
          "ActionSaveToolbars", "-", "ActionIntroduction", "ActionCommentBox", "-", "ActionWhiteboard",
          "ActionWhiteboardSettings"}},
        {"Help1",
         "&Help",
         {"ActionHelpContents", "ActionExamples", "ActionAbout", "-", "ActionToolTips",
          "ActionShowGraphNames", "-", "ActionLumatutor"}},
    };
    return menus;
}

const std::vector<TToolbarLayout>& Toolbars()
{
    using S = TToolbarSide;
    static const std::vector<TToolbarLayout> bars = {
        {"ToolBarFile",
         "File",
         S::Top,
         true,
         {"ActionFileNew", "ActionFileOpen", "ActionFileSave", "ActionPrint", "ActionEquationsWindow"}},
        {"ToolBarEdit",
         "Edit",
         S::Top,
         true,
         {"ActionUndo", "ActionRedo", "-", "ActionCut", "ActionCopy", "ActionPaste", "ActionDeleteCurve",
          "ActionRedraw"}},
        {"ToolBarInsert",
         "Insert",
         S::Bottom,
         true,
         {"ActionInsertSuper", "ActionInsFraction", "ActionInsplusminus", "ActionInsSqroot", "ActionInsPi",
          "ActionInsTheta", "ActionInsLessEq", "ActionInsGreaterEq"}},
        {"ToolbarKeypad", "Keypad", S::Floating, false, {}},
        {"ToolBarZoom",
         "Zoom",
         S::Top,
         true,
         {"ActionNoZoom", "ActionZoomin", "ActionZoomout", "ActionMoveOrigin", "ActionDragGrid", "-",
          "ActionUndoZoom", "ActionRedoZoom", "ActionSquareScales", "ActionGraphPaper", "ActionTrigScales",
          "ActionResetScales"}},
        {"ToolBarTransform",
         "Transform",
         S::Top,
         false,
         {"ActionTranslate", "ActionReflect", "ActionRotate", "BtnRotClock", "btnRotAnti", "ActionEnlarge",
          "ActionStretch", "ActionShear", "ActionMatrix", "ActionRepeats"}},
        {"ToolBarShapes",
         "Shapes",
         S::Top,
         false,
         {"ActionNewShape", "ActionFlag", "ActionTriangle", "ActionSquare", "ActionPentagon", "ActionHexagon",
          "ActionOctagon", "ActionCoordList"}},
        {"ToolBarStats",
         "Stats",
         S::Top,
         false,
         {"ActionDataPoints", "ActionBestFit", "ActionShowStats", "ActionSwapxy"}},
        {"ToolBarAnalysis",
         "Analysis",
         S::Top,
         false,
         {"ActionTangent", "ActionNormal", "ActionTraceOnOff", "ActionArea", "ActionGradient",
          "ActionCompassPoints"}},
        {"ToolBarDynamicEditor",
         "Dynamic",
         S::Top,
         false,
         {"ActionDynamicCUrves", "ActionDynamicConstants", "ActionFamily"}},
        {"ToolBarAngle", "Angle", S::Top, false, {"ActionDegrees", "ActionRadians"}},
        {"toolbarSimpleTrans",
         "Simple transformations",
         S::Bottom,
         false,
         {"ActRotate90", "ActRotate180", "ActRotate270", "ActReflecty", "Actreflectx", "ActReflectyx",
          "ActReflectynx"}},
        {"ToolBarCurves",
         "Curves",
         S::Top,
         false,
         {"ActionNewDynamicLine", "ActionNewDynamicQuad", "ActionNewCircle", "ActionFitPolynomial"}},
        {"Trials",
         "Trials",
         S::Floating,
         false,
         {"ActionDemoDraw", "ActionCommentBox", "ActionIntroduction"}},
    };
    return bars;
}

TCommandList::TCommandList(QObject* parent) : QObject(parent)
{
    modeGroup_ = new QActionGroup(this);
    modeGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (const auto& command : Table) {
        auto* action = new QAction(Text(command.caption), this);
        action->setObjectName(Text(command.name));
        const QString hint = Text(command.hint);
        action->setStatusTip(hint);
        action->setToolTip(hint);
        if (!command.shortcut.empty()) {
            action->setShortcut(QKeySequence(Text(command.shortcut), QKeySequence::PortableText));
            // Main-window commands win over the maths editor's own chords.
            action->setShortcutContext(Qt::WindowShortcut);
        }
        action->setCheckable(command.kind != TCommandKind::Plain);
        if (command.kind == TCommandKind::Mode)
            modeGroup_->addAction(action);
        action->setEnabled(false);
        const TCommandRow* row = &command;
        connect(action, &QAction::triggered, this, [this, row, action] { Triggered(*row, action); });
        actions_.emplace(std::string(command.name), action);
    }
    ShowMode(305);
}

TCommandList::~TCommandList() = default;

QAction* TCommandList::Action(std::string_view name) const
{
    const auto found = actions_.find(name);
    return found == actions_.end() ? nullptr : found->second;
}

void TCommandList::SetHandler(std::string_view name, std::function<void()> handler)
{
    if (!Action(name))
        return;
    handlers_[std::string(name)] = std::move(handler);
    Apply();
}

bool TCommandList::HasHandler(std::string_view name) const
{
    const auto* command = FindCommand(name);
    if (command && command->kind == TCommandKind::Mode)
        return static_cast<bool>(modeHandler_);
    return handlers_.find(name) != handlers_.end();
}

void TCommandList::SetModeHandler(std::function<void(int code)> handler)
{
    modeHandler_ = std::move(handler);
    Apply();
}

void TCommandList::ShowMode(int code)
{
    QAction* none = Action("ActionNoZoom");
    bool found = false;
    for (const auto& command : Table) {
        if (command.kind != TCommandKind::Mode)
            continue;
        const bool on = command.tag == code && code != 305;
        found = found || on;
        Action(command.name)->setChecked(on);
    }
    none->setChecked(!found);
}

int TCommandList::CheckedMode() const
{
    for (const auto& command : Table)
        if (command.kind == TCommandKind::Mode && Action(command.name)->isChecked())
            return command.tag;
    return 305;
}

void TCommandList::SetBeforeCommand(std::function<bool(const TCommandRow& command)> check)
{
    beforeCommand_ = std::move(check);
}

void TCommandList::Triggered(const TCommandRow& command, QAction* action)
{
    // Requests from outside the program wait until the command has finished.
    const TBusyScope busy;
    const bool allowed = !beforeCommand_ || beforeCommand_(command);
    if (!allowed && command.kind == TCommandKind::Check) {
        action->setChecked(!action->isChecked());
        return;
    }
    if (!allowed && command.kind != TCommandKind::Mode)
        return;
    if (command.kind == TCommandKind::Mode) {
        // QAction has already toggled the check: checked sets the mode, unchecked turns it off.
        const int code = action->isChecked() ? command.tag : 305;
        ShowMode(code);
        if (modeHandler_)
            modeHandler_(code);
        return;
    }
    const auto handler = handlers_.find(command.name);
    if (handler != handlers_.end() && handler->second)
        handler->second();
}

bool TCommandList::Trigger(std::string_view name)
{
    QAction* action = Action(name);
    if (!action || !action->isEnabled())
        return false;
    action->trigger();
    return true;
}

void TCommandList::Update(const TCommandFacts& facts)
{
    facts_ = facts;
    Apply();
}

void TCommandList::SetDialogMode(bool dialogOpen)
{
    dialogMode_ = dialogOpen;
    Apply();
}

void TCommandList::Apply()
{
    static constexpr std::array<std::string_view, 4> DialogInserts = {
        "ActionInsertSuper", "ActionInsFraction", "ActionInsPi", "ActionInsSqroot"};
    for (const auto& command : Table) {
        bool enabled = HasHandler(command.name) && RuleAllows(command.rule, facts_);
        if (dialogMode_ &&
            std::find(DialogInserts.begin(), DialogInserts.end(), command.name) == DialogInserts.end())
            enabled = false;
        Action(command.name)->setEnabled(enabled);
    }
}
