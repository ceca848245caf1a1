// TAxes: the pair of axes of a graph window with the scale in force. Every
// curve asks it for the pixel of a point and every mouse tool for the point
// under a pixel. It applies scale requests (automatic fit or 2 mm graph
// paper), zooms one axis, and draws the axes, the Cartesian or polar grid and
// graph paper.
#pragma once

#include "formula/drawobject.h"
#include "graph/axis.h"
#include "graph/rescaledatatransfer.h"
#include "numbers/numerics.h"

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <memory>
#include <string>
#include <utility>

class Canvas;
class TMetaFileSizeStore;
class TScaleHost;

// The four bounds of both axes.
struct TAxisRanges {
    Extended XMin = 0, XMax = 0, YMin = 0, YMax = 0;
};

class TAxes : public TDrawObject {
public:
    std::unique_ptr<TAxis> XAxis, YAxis;
    std::unique_ptr<TRescaleDataTransfer> Scales; // the scale in force; none for off-screen axes
    bool GraphPaper = false;
    bool ScalesChanged = false; // read and cleared by the main window
    QFont LabelFont;            // the graph font, taken from the window

    // Axes sized to the window with default scales; without a window, axes
    // of length 100 mapping 0 to 100 and no scales (off-screen calculation).
    explicit TAxes(TScaleHost* window);
    // Copies both axes only.
    [[nodiscard]] static std::unique_ptr<TAxes> CreateCopy(const TAxes& source);

    [[nodiscard]] TAxis& Axis(int kind) { return kind == akHorizontal ? *XAxis : *YAxis; }
    [[nodiscard]] const TAxis& Axis(int kind) const { return kind == akHorizontal ? *XAxis : *YAxis; }
    // 'x' the x axis, 'y' the y axis, anything else none.
    [[nodiscard]] const TAxis* AxisByLetter(char letter) const;
    [[nodiscard]] const TRealReader* AxisScaling(int kind) const { return Axis(kind).Scaling.get(); }
    // Replaces the axis scaling (the old one is freed).
    void SetAxisScaling(int kind, TRealReaderPtr scaling) { Axis(kind).Scaling = std::move(scaling); }
    void ClearScalings();

    [[nodiscard]] QPoint ValueToPixel(Extended x, Extended y) const;
    [[nodiscard]] TRealPoint PixelToValue(QPoint pixel) const;
    [[nodiscard]] TRealPoint PixelToRoundedValue(QPoint pixel) const;
    // Strictly inside both ranges.
    [[nodiscard]] bool IsInside(Extended x, Extended y) const;
    // The two coordinate readouts of a pixel (the texts of a coordinate element).
    [[nodiscard]] std::pair<std::string, std::string> CoordinateTexts(QPoint pixel) const;

    // New default scales: x from -8 to 8, y to match the window's shape; the
    // previous scales are discarded, not kept in the history.
    void SetDefaultScales(TScaleHost* window);
    // Fits both axes to the scales in force and the window's size.
    void Recalculate(TScaleHost* window);
    // Makes transfer the scales in force, fits the axes and records the
    // fitted bounds and steps in it.
    void ApplyScales(std::unique_ptr<TRescaleDataTransfer> transfer, TScaleHost* window);
    void CaptureScales();
    // A request for the scales with one axis's range widened (factor > 1) or
    // narrowed; zoom about zero keeps zero where it is.
    [[nodiscard]] std::unique_ptr<TRescaleDataTransfer> ZoomAxis(int kind, Extended factor);
    // Switches both axes to 2 mm graph paper (char sizes: width and height of "0").
    void SetGraphPaper(QSize charSizes);
    void StoreGraphPaperSteps();
    // In graph-paper mode each maximum becomes a nice step from its minimum.
    void SnapGraphPaperMax(Extended xmin, Extended ymin, Extended& ymax, Extended& xmax) const;
    // Graph paper kept at its step for a new size (print layout); per axis
    // mode 1 keeps the centre, 2 the maximum, otherwise the minimum.
    void ResizeGraphPaper(Canvas& canvas, int width, int height, int xMode, int yMode, Extended oldXExtent,
                          Extended oldYExtent);
    void ScaleBy(Extended fx, Extended fy);
    // Graph paper at true size on the canvas's device for a graph of the
    // given pixel size; a size store, when given, supplies the sizes instead.
    void FitToDevice(Canvas& canvas, int widthPixels, int heightPixels, TMetaFileSizeStore* store = nullptr);
    [[nodiscard]] TAxisRanges GetRanges() const;
    void SetRanges(const TAxisRanges& ranges);

    // Draws the grid (Cartesian, polar or graph paper) and then the axes, by
    // the settings, for a repaint of paintRect.
    void Draw(Canvas& canvas, const QRect& paintRect) const;
    // The draw operation of a drawn object: the whole canvas.
    void Paint(Canvas& canvas, TPaintContext& context) override;
    // The Scaling record of the scales in force.
    void WriteTo(TMathsWriter& writer) const override;

private:
    void DrawPolarGrid(Canvas& canvas) const;
    [[nodiscard]] QSize CharSizes(TScaleHost* window) const;
};
