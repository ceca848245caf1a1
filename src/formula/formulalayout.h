// Formula layout and painting: the program-wide formula font values (the
// reference height H0, the current height H and the small height S), the
// records that measuring fills, the line measure and line paint every
// equation object shares, and DisplayColour. Elements measure and paint
// themselves (formula/elements.h); this file holds what they share.
//
// Measuring uses font metrics in logical pixels, which are the same on every
// paint device, so a line measured once paints alike on the screen, in an
// image at any device pixel ratio, in SVG and in PDF.
#pragma once

#include "platform/canvas.h"
#include "platform/colour.h"

#include <QFont>

#include <cstdint>
#include <string>
#include <string_view>

class TEquationObject;

// The formula font: the reference height H0 in pixels (the equations
// window's font height) and the font's family name.
inline int FormulaReferenceHeight = 16;
inline std::string FormulaFontName = "DejaVu Sans";

// The current formula height H.
[[nodiscard]] int FormulaHeight();
// The small height S = (3 * H) div 4.
[[nodiscard]] int SmallHeight();
// Sets H (at least 1) and with it S; answers the previous H.
int SetFormulaHeight(int height);

// The height the element being measured or painted uses; structured elements
// set it for their cells and restore it afterwards. An int, so that print
// and whiteboard sizes above 255 pixels do not wrap.
inline int CurrentHeight = 16;

// The formula font at a pixel height.
[[nodiscard]] QFont FormulaFont(int pixelHeight, bool italic = false);
// Width of code-page text (or Symbol-font codes) in the formula font at a
// pixel height; answers from a cache of metrics per height.
[[nodiscard]] int FormulaTextWidth(std::string_view text, int pixelHeight, bool symbol = false,
                                   bool italic = false);
// Ascent plus descent of the formula font at a pixel height: the height of a
// row of text, which lines and cells start with so that no glyph reaches
// out of them.
[[nodiscard]] int FormulaTextHeight(int pixelHeight);
// The formula font's ascent (the baseline's distance below the top of a row),
// the height of its capitals and figures, and the height above the baseline
// of the middle of "=": where a fraction bar or the middle of a matrix sits so
// that it lines up with the signs beside it. Measured, so that the layout
// holds with whatever font a document names.
[[nodiscard]] int FormulaAscent(int pixelHeight);
[[nodiscard]] int FormulaCapHeight(int pixelHeight);
[[nodiscard]] qreal FormulaAxisHeight(int pixelHeight);
// How far above the baseline the ink of figures, capitals, brackets and tall
// letters reaches (at most the ascent): the top a denominator keeps clear of
// its bar.
[[nodiscard]] int FormulaInkHeight(int pixelHeight);
// The width M of the letter "M" at the current formula height H.
[[nodiscard]] int TabUnit();
// The end of a tab that starts at x (both relative to the start of its list).
[[nodiscard]] int TabEnd(int x);

// What SelectFont saves: the canvas (or none), its previous font and the
// previous formula height. RestoreFont puts both back.
struct TFontSave {
    Canvas* canvas = nullptr;
    TFontState font;
    int height = 0;
};
// Selects the formula font at the current height H on canvas (nullptr: only
// the height is recorded) and answers the record that restores it.
[[nodiscard]] TFontSave SelectFormulaFont(Canvas* canvas);
void RestoreFont(const TFontSave& save);

// A measure record: height, raise (the space above the main text row), width
// so far and a fourth value used by structured elements.
struct TMeasureRecord {
    std::int32_t height = 0;
    std::int32_t raise = 0;
    std::int32_t width = 0;
    std::int32_t extra = 0;
};

// What painting carries besides the canvas: the text colour in force.
struct TPaintContext {
    TColour colour = clBlack;
};

// The line layout of one cell of a structured element: gaps, vertical offset
// of the cell's text row below the element's text row, fonts and flags.
struct TCellLayout {
    int gapBefore = 0;
    int gapAfter = 0;
    int offset = 0;
    int second = 0;
    int fontHeight = 0;
    int restoreHeight = 0;
    int topMargin = 0;
    bool skipTab = false;
    bool noEmptyBox = false;
};

// Width of the dotted box that stands for an empty cell.
inline constexpr int EmptyCellWidth = 7;

// Measures the elements of a list (from its anchor on) into record at the
// current height.
void MeasureList(class TEditorObject* list, TMeasureRecord& record);
// Paints the elements of a list at the pen position.
void PaintList(Canvas& canvas, TPaintContext& context, class TEditorObject* list);

// Lays out a line: fills its height, raise, width and fourth value at the
// current formula height H, level with its parent's text row when the
// parent has the larger raise.
void MeasureLine(TEquationObject& line);
// Paints a line with its top-left corner at the canvas pen position (the
// left margin and raise are added here); nothing for an empty list.
void PaintLine(Canvas& canvas, TEquationObject& line);

// The colour a formula is shown in on canvas: monochrome while printing asks
// for it, otherwise blended towards a coloured background.
[[nodiscard]] TColour DisplayColour(const Canvas& canvas, TColour colour);

// Draws a filled bar (fraction bars, overbars) of the pen's colour: crisp at
// every device pixel ratio.
void DrawBar(Canvas& canvas, int x1, int x2, int y, int thickness);
// Draws a straight stroke of the pen's colour and the given logical width,
// smoothed on devices with more than one pixel per logical pixel.
void DrawStroke(Canvas& canvas, QPoint from, QPoint to, int width);
