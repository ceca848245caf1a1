// TAxis: one direction of the graph, the one place where graph units and
// pixels meet (pixel = Round(value x Scale + Origin), rounding half to even).
// It also chooses the tick step and subdivisions of its scale, where the
// other axis crosses it, how its labels are offset and scaled, the 2 mm
// graph-paper layout, and draws its line, ticks, grid lines and labels.
#pragma once

#include "expr/realreader.h"
#include "formula/elements.h"
#include "numbers/evalstate.h"

#include <QFont>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class Canvas;

enum : std::uint8_t { akHorizontal = 0, akVertical = 1 };

// The subdivision count that marks 2 mm graph-paper mode.
inline constexpr std::uint8_t GraphPaperSubdivisions = 10;

// A copy of a number object (the typed text and value; a text following
// declared names keeps its text and current value).
[[nodiscard]] TRealReaderPtr CloneNumber(const TRealReader* number);

class TAxis {
public:
    Extended Origin = 0;           // pixel of the value 0
    Extended Scale = 1;            // pixels per unit; negative for y
    Extended Step = 1;             // major division, scaling included
    Extended Min = 0, Max = 0;     // values at the low and high edges
    std::int32_t CrossPixel = 0;   // where the other axis is drawn
    std::uint8_t Subdivisions = 1; // 1, 2, 5, or 10 in graph-paper mode
    std::int8_t Digits = 1;        // decimal position of the step
    Extended LabelOffset = 0, LabelFactor = 1;
    TRealReaderPtr Scaling; // the axis scaling constant; none means 1
    std::uint8_t Kind = akHorizontal;
    std::int32_t Length = 100; // window extent in pixels
    bool KeepOrigin = false;   // a zoom about zero keeps Origin in graph paper

    TAxis(std::uint8_t kind, int length) : Kind(kind), Length(length)
    {
        Scale = kind == akHorizontal ? 1 : -1;
    }
    // Copies every field, cloning the scaling.
    [[nodiscard]] static std::unique_ptr<TAxis> CreateCopy(const TAxis& source);

    // The pixel of x; values beyond six window widths are clamped to the
    // nearer edge with status 4, arithmetic failure gives 0 with status 5.
    [[nodiscard]] int ValueToPixel(Extended x) const;
    [[nodiscard]] Extended PixelToValue(Extended pixel) const { return (pixel - Origin) / Scale; }
    [[nodiscard]] Extended PixelToRoundedValue(int pixel) const
    {
        return RoundToDisplay(PixelToValue(pixel));
    }
    [[nodiscard]] int LengthToPixels(Extended x) const;
    [[nodiscard]] Extended PixelsToLength(Extended n) const { return n / Scale; }
    [[nodiscard]] Extended WindowExtent() const;
    [[nodiscard]] Extended DivisionCount() const { return (Max - Min) / Step; }
    // Max, or in graph-paper mode the value at the far window edge.
    [[nodiscard]] Extended ShownMax() const;
    // Min < x < Max.
    [[nodiscard]] bool Contains(Extended x) const { return Min < x && x < Max; }
    // The pixels of Min and Max.
    [[nodiscard]] std::pair<int, int> PixelRange() const { return {ValueToPixel(Min), ValueToPixel(Max)}; }
    [[nodiscard]] bool GraphPaperMode() const { return Subdivisions == GraphPaperSubdivisions; }

    // The scaling constant's value, 1 when there is none.
    [[nodiscard]] Extended ScalingValue() const;
    // The markup text of the scaling, empty when there is none.
    [[nodiscard]] std::string ScalingText() const;
    // Replaces the scaling by one read from markup text (empty: none).
    void SetScalingText(std::string_view text);
    // True when the scaling is a named constant (shown as a symbol after labels).
    [[nodiscard]] bool ScalingIsSymbol() const;

    // x to the nearest multiple of 10^(Digits - MouseFigures), halves away
    // from zero.
    [[nodiscard]] Extended RoundToDisplay(Extended x) const;
    [[nodiscard]] Extended MinorStep() const;
    [[nodiscard]] Extended SnapToMinor(Extended x) const;
    [[nodiscard]] bool IsOnMinorTick(Extended x) const;

    // The label margin belonging to a character size.
    [[nodiscard]] int MarginFor(int charSize) const;
    // Fits the scale so that vmin lands at pixel p0 and vmax at p1, keeps
    // zero clear of the label margin, and chooses step, crossing and labels.
    void AutoScale(int p0, int p1, int margin, int minGap, Extended vmax, Extended vmin);
    // Places the other axis at zero, or on a tick inside the window.
    void SetCrossing(int p0, int p1, int margin);
    // Chooses the label factor (powers of ten) and offset for large or tiny values.
    void ComputeLabelFactor();
    // Recomputes Digits from Step.
    void ComputeDigits();
    // Switches to 2 mm graph paper at a nice step per 2 cm.
    void SetGraphPaper(int charSize);
    // One step per 20 mm on screen.
    void SetStep(Extended step);
    // Graph paper starting at min with the given step per 2 cm.
    void GraphPaperFrom(int length, int charSize, Extended step, Extended min);
    void GraphPaperFromMin(int length, int charSize);
    // Graph paper at its step for a new length; mode 1 keeps the centre,
    // mode 2 the maximum, otherwise min is used.
    void ResizeGraphPaper(int length, int charSize, Extended min, int mode, Extended oldExtent);
    // Origin and crossing at the middle of the window, one unit per 2 cm.
    void CentreOrigin();
    // Moves the origin by percent of the window; refused (false) when the
    // new range would fail the scale validation.
    bool Pan(Extended percent, int charSize);
    void ScaleBy(Extended factor);
    // Graph paper at true size on a device: pixels across millimetres.
    void FitToDevice(Extended millimetres, Extended pixels);
    // The nice step for the range a to b at the current division count.
    [[nodiscard]] Extended NiceStepFor(Extended a, Extended b) const;

    // The label value at a pixel: (value - LabelOffset) / LabelFactor, snapped
    // to a whole number within 0.01 while an offset or factor is in force.
    [[nodiscard]] Extended LabelValue(Extended value) const;
    [[nodiscard]] bool HasLabelNote() const { return LabelOffset != 0 || LabelFactor != 1; }
    // The coordinate readout of a pixel, at most 18 characters.
    [[nodiscard]] std::string ValueText(int pixel) const;
    // The markup of the label of a pixel: the readout (with all its figures
    // while an offset is in force) followed by the note of the offset and
    // factor in force (a times sign, 10 with its index, the signed offset).
    [[nodiscard]] std::string LabelMarkup(int pixel) const;
    // LabelMarkup as a formula element chain (anchor first).
    [[nodiscard]] TElementList LabelObject(int pixel) const;

    // Draws one pass: 0 the axis line with its ticks, 1 to 3 the grid lines
    // (all, the 1 cm ones, the major ones), and the labels when they are on.
    void Draw(Canvas& canvas, int cross, int pass, int extentAcross, int extentAlong,
              const QFont& labelFont) const;

private:
    // How far the note's exponent stands above its text; the note's box,
    // whose top DrawNote is given, includes it.
    [[nodiscard]] int NoteRaise(Canvas& canvas) const;
    void DrawNote(Canvas& canvas, int left, int top) const;
    [[nodiscard]] int NoteWidth(Canvas& canvas) const;
    void FitScale(int p0, int p1, Extended& vmax, Extended& vmin);
};
