// TGraphParams: the scales of one graph window, handed to every curve while
// it draws. Every change of scale goes through it: new scales are validated,
// the replaced scale enters a history of at most 14 earlier scales, and the
// scale commands (default, square, positive, trigonometric, graph paper,
// zoom one axis, previous and next) live here.
#pragma once

#include "graph/axes.h"
#include "graph/rescaledatatransfer.h"

#include <QRect>

#include <memory>
#include <vector>

class TMathsWriter;
class TScaleHost;

class TGraphParams {
public:
    static constexpr std::size_t MaxHistory = 14;

    std::unique_ptr<TAxes> Axes;
    const QRect* PaintRect = nullptr; // the region being repainted, during a paint (borrowed)
    std::vector<std::unique_ptr<TRescaleDataTransfer>> History; // newest first
    int Width = 0, Height = 0;                                  // the window size at creation

    // Axes with default scales for the window (nullptr: off-screen axes).
    explicit TGraphParams(TScaleHost* window);

    // Applies valid scales, keeping the replaced ones in the history; an
    // invalid request goes to the status line with a beep and changes
    // nothing. Answers whether the scales were applied.
    bool SetScales(std::unique_ptr<TRescaleDataTransfer> transfer, TScaleHost* window);
    // Default scales, squared (the unsquared default enters the history).
    void ResetScales(TScaleHost* window);
    // Square scales on, or off when they are square now.
    void ToggleSquare(TScaleHost* window);
    // x and y from 0 over the extents shown now, without axis scalings.
    void PositiveScales(TScaleHost* window);
    // A period of the trigonometric functions across, -1.5 to 1.5 up (square
    // -1.5 to 1.5 both ways with the polar grid).
    void TrigonometricScales(TScaleHost* window);
    // 2 mm graph paper on or off.
    void ToggleGraphPaper(TScaleHost* window);
    // Zooms one axis by factor through SetScales.
    void ZoomAxis(int kind, TScaleHost* window, Extended factor);
    // The factors of the zoom commands from the "Zoom factor" setting.
    [[nodiscard]] static Extended ZoomOutFactor();
    [[nodiscard]] static Extended ZoomInFactor();
    // Back to the newest earlier scales (the current ones go to the far end).
    void PreviousScales(TScaleHost* window);
    // Forward to the scales at the far end (the current ones go to the front).
    void NextScales(TScaleHost* window);
    // Frees every entry of the history; the scales in force stay.
    void ClearHistory(TScaleHost* window);

    [[nodiscard]] bool GraphPaperOn() const { return Axes->GraphPaper; }
    [[nodiscard]] const TAxis* AxisByLetter(char letter) const { return Axes->AxisByLetter(letter); }
    // The samples per curve: the "Accuracy" setting times 100.
    [[nodiscard]] static int SamplePoints();
    [[nodiscard]] bool ScalesChanged() const { return Axes->ScalesChanged; }
    void SetScalesChanged(bool changed) { Axes->ScalesChanged = changed; }
    // The accuracy, the axis scalings, the scales in force and the history.
    void WriteScales(TMathsWriter& writer) const;

private:
    void Apply(std::unique_ptr<TRescaleDataTransfer> transfer, TScaleHost* window);
};
