// TGraphRenderer: draws the whole graph onto any canvas (the graph window's
// cached picture, a printer page, an SVG or PNG picture, the command-line
// tool), so that every output shows the same drawing: the background, the
// grid and axes, each visible line in list order, and the graph objects on
// top. Escape during a long drawing stops the remaining lines.
#pragma once

#include "platform/colour.h"

#include <QRect>

#include <functional>
#include <span>

class Canvas;
class TCurvePLotter;
class TEquationObject;
class TGraphObject;
class TGraphParams;
class TLineSource;

// The switch bit of a line that keeps it off the graph.
inline constexpr std::uint16_t HiddenLineSwitch = 0x8000;

// True when the line is drawn on the graph (it exists and its hidden switch is off).
[[nodiscard]] bool LineVisible(const TEquationObject* line);

class TGraphRenderer {
public:
    // Called before a line is drawn in demonstration drawing (the equations
    // window selects it), and between lines when pausing (the pause box).
    std::function<void(int index)> BeforeLine;
    std::function<void()> BetweenLines;
    bool PauseBetweenLines = false;
    // The selected line, drawn over a light halo on screen (-1: none).
    int HighlightLine = -1;
    // While drawing visibly, the lines before this index are drawn from
    // their stored drawings as usual, without being selected or paused
    // after: only the lines from here on are shown being drawn.
    int VisibleFrom = 0;

    // Fills rect with the background colour and draws grid and axes.
    static void DrawBackground(Canvas& canvas, TGraphParams& params, const QRect& rect);
    // Draws the visible lines from index first on, in order, while no
    // drawing was abandoned; answers the index after the last line drawn.
    int DrawLines(Canvas& canvas, TGraphParams& params, const TLineSource* lines, int first = 0) const;
    // Draws the light, wide band that marks a selected curve, from its stored drawing.
    static void DrawHalo(Canvas& canvas, const TCurvePLotter& curve);
    // Draws every shown graph object.
    static void DrawObjects(Canvas& canvas, const TGraphParams& params,
                            std::span<TGraphObject* const> objects);
    // Background, lines and objects for a repaint of rect (the whole canvas
    // when rect is empty): the drawing of pictures and printing.
    void Render(Canvas& canvas, TGraphParams& params, const TLineSource* lines,
                std::span<TGraphObject* const> objects, QRect rect = QRect()) const;
};
