// TBackgroundPicture: a picture of the graph drawn without some of its lines
// (the curves a played constant moves, the curve being dragged), taken once
// and copied into every frame that draws those lines over it, so that a
// frame costs a copy and the moving lines rather than the whole graph.
// TChosenLines and DrawChosenLines draw a subset of the document's lines
// exactly as the graph window draws its picture.
#pragma once

#include "graph/linesource.h"
#include "platform/drawinginterrupt.h"

#include <QFont>
#include <QImage>
#include <QSize>

#include <cstdint>
#include <vector>

class Canvas;
class TGraphParams;

// Lines drawn in their list order, taken from the document's list (borrowed).
class TChosenLines : public TLineSource {
public:
    std::vector<TEquationObject*> lines;

    [[nodiscard]] int LineCount() const override { return static_cast<int>(lines.size()); }
    [[nodiscard]] TEquationObject* LineAt(int index) const override
    {
        return index >= 0 && index < LineCount() ? lines[static_cast<std::size_t>(index)] : nullptr;
    }
    // The index of line among the chosen ones, or -1.
    [[nodiscard]] int IndexOf(const TEquationObject* line) const;
};

// Draws lines over canvas as the graph window draws its picture: the whole
// window of size is the repaint rectangle, the highlighted line (may be
// nullptr or not chosen) over its halo.
void DrawChosenLines(Canvas& canvas, TGraphParams& params, const TChosenLines& lines, QSize size,
                     const TEquationObject* highlighted);

// For its lifetime, drawing is quick frame drawing: no busy cursor, and
// never drawn visibly (Ctrl is no pause key there, nor is a frame shown
// segment by segment).
class TQuickDrawing {
public:
    TQuickDrawing();
    ~TQuickDrawing();
    TQuickDrawing(const TQuickDrawing&) = delete;
    TQuickDrawing& operator=(const TQuickDrawing&) = delete;

private:
    TSwitchScope quiet_;
    std::uint8_t mode_;
};

class TBackgroundPicture {
public:
    // Draws the background, grid and axes and then others into a new picture
    // of size logical pixels at ratio, and remembers generation (what the
    // owner counts as the state of the graph drawn).
    void Take(QSize size, qreal ratio, const QFont& font, TGraphParams& params, const TChosenLines& others,
              const TEquationObject* highlighted, unsigned generation);
    // True when a picture was taken for this size, ratio and generation.
    [[nodiscard]] bool Current(QSize size, qreal ratio, unsigned generation) const;
    // A copy of the picture to draw a frame on, made in spare's memory when
    // it fits (no memory taken afresh for each frame); null without a picture.
    [[nodiscard]] QImage Frame(QImage spare) const;
    [[nodiscard]] const QImage& Picture() const { return picture_; }
    [[nodiscard]] int Builds() const { return builds_; }
    // Frees the picture.
    void Clear() { picture_ = QImage(); }

private:
    QImage picture_;
    unsigned generation_ = 0;
    int builds_ = 0;
};
