// The settings in force: one TConfiguration record read everywhere, the
// built-in defaults it starts from, the few values kept beside it (colours,
// equations font, layout lock, measured accuracy) and the device metrics of
// the graph canvas. Documents carry the settings; there is no settings file.
#pragma once

#include "numbers/evalstate.h"
#include "platform/colour.h"

#include <cstdint>
#include <string>
#include <string_view>

class Canvas;

struct TConfiguration {
    static constexpr std::size_t PrintNameLength = 30;

    char DecimalPoint = '.';
    Extended AngleFactor = DegreesFactor; // radians per angle unit: 1 or pi/180
    bool DemonstrationDraw = false;
    std::uint8_t MouseFigures = 2; // 2 to 5
    std::uint8_t RepeatsDelay = 5; // 0 to 20
    std::int16_t ThickLines = 1;   // 1 to 9
    bool DrawInvariants = false;   // not stored in documents
    bool Pause = false;
    bool ConstructionLines = false;
    bool LabelAxes = true;
    bool DrawAxes = true;
    std::uint8_t PolarGrid = 0;    // 0 Cartesian, 1 polar
    std::int16_t ZoomFactor = 200; // per cent, 150 to 500 in steps of 50
    std::string PrintName;         // at most 30 characters
    bool Grid = true;
    bool AutoAccuracy = true;
    bool ShowHints = true;
    bool ShowGraphNames = true;
    std::int16_t Accuracy = 10; // 1 to 1000
    bool ShadeSide = true;
    bool ShadeShapes = true;
    bool LabelCoordinates = true;
    bool DefineConstants = false;
    bool AllowDocking = true;
    bool DragCurves = true;
    bool Unlocked = true; // derived from the password
    bool TransformDialogs = false;
    std::string Password;

    // True when angles are measured in radians.
    [[nodiscard]] bool Radians() const { return AngleFactor == 1.0L; }
    // Sets the print name, cut to its 30 characters.
    void SetPrintName(std::string_view name) { PrintName = std::string(name.substr(0, PrintNameLength)); }
    // Compares text with the password without regard to letter case; the
    // answer also becomes the unlocked flag.
    bool CheckPassword(std::string_view text);
    // Removes the password and unlocks (New and Clear curves).
    void ClearPassword();
    // The plotting accuracy in hundreds of samples.
    [[nodiscard]] int AccuracyHundreds() const { return Accuracy * 100; }
};

// The password a document without a "Password: " line is locked under.
inline constexpr std::string_view BuiltInPassword = "SQUARE PLOTTER";

// The built-in defaults and the record in force.
inline const TConfiguration DefaultConfiguration{};
inline TConfiguration Configuration{};

// Copies the defaults into the record in force, keeping the print name.
void ResetSettings();
// Hands the decimal point and angle factor of the record in force to the
// number formatting and the evaluator, which keep their own copies; call
// after changing either.
void PublishSettings();

// Values kept beside the record.
inline TColour BackgroundColour = clWhite; // graph and equations windows
inline std::uint8_t PrintColourOption = 0; // 0 colour, 1 grey, 2 black
inline std::uint8_t GraphPaperColour = 0;  // 0 green, 1 blue
inline std::string EquationsFontName = "DejaVu Sans";
inline int EquationsFontHeight = -16; // negative: character height in pixels
inline bool DragLayout = true;        // dock panels and toolbars may move
inline int AutomaticAccuracy = 10;    // measured at start-up
// Drawing for a projector (the whiteboard's "High contrast" choice): stronger
// shading and a colour order for new curves whose neighbours differ in hue
// and lightness. Never stored in documents, whose own values stay the design's.
inline bool HighContrast = false;

// Device metrics of the graph canvas, set from the screen at start-up and
// for each print: millimetres per logical pixel across and down, and pixels
// per inch down over pixels per inch across.
inline Extended MillimetresPerPixelX = 25.4L / 96;
inline Extended MillimetresPerPixelY = 25.4L / 96;
inline Extended PixelAspect = 1;
// Takes the metrics from a canvas's logical pixels per inch.
void SetDeviceMetrics(const Canvas& canvas);
void SetDeviceMetrics(int pixelsPerInchX, int pixelsPerInchY);
// MillimetresPerPixelX for kind 0 (across), MillimetresPerPixelY for kind 1.
[[nodiscard]] Extended MillimetresPerPixel(int kind);

// The draw-mode byte (owned by the main window).
enum : std::uint8_t {
    dmDemonstration = 0x1, // the demonstration drawing setting is on
    dmDrawVisibly = 0x2,   // each segment appears as soon as it is computed
    dmNoCache = 0x4,       // a picture is being made
    dmLinesOnly = 0x8,     // a stored drawing is replayed without its shading
};
inline std::uint8_t DrawMode = 0;

// Set while the dynamic constant editor exists: its animation redraws the
// curves, which then cannot be dragged and show no handles.
inline bool DynamicEditorOpen = false;
// Whether curves may be dragged now: dragging on and unlocked, no modal
// editing, no dynamic constant editor, and no demonstration drawing in progress.
[[nodiscard]] bool DraggableCurvesInUse(bool modalEditing);
// Whether printing keeps colours (the print colour option is Colour).
[[nodiscard]] inline bool PrintsInColour()
{
    return PrintColourOption == 0;
}

// The shared colour adjustment for the background colour and the print
// colour option, installed by the formula painting; until one is installed
// colours are drawn as they are.
inline TColour (*DisplayColourHook)(const Canvas& canvas, TColour colour) = nullptr;
[[nodiscard]] TColour AdjustedColour(const Canvas& canvas, TColour colour);

// The three graph-paper colours of the chosen scheme: 0 the 2 cm lines, 1 the
// 1 cm lines, 2 the 2 mm lines.
[[nodiscard]] TColour GraphPaperLineColour(int level);
