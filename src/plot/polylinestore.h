// The drawing cache of a curve: TPolyLineStore keeps the pixel geometry of
// its last complete drawing as pieces (polylines, crosses and the shading
// bands of inequalities), so a repaint replays them without evaluating any
// formula. Also the shading image that inequality shading is painted into
// and blended from, shared by a drawing pass and by a replay.
#pragma once

#include "expr/objectlist.h"
#include "formula/drawobject.h"
#include "platform/colour.h"
#include "settings/configuration.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class Canvas;
class QPainter;

// The constant alpha (of 255) with which shading tints the graph, and the
// stronger one that shows on a projector (high contrast).
inline constexpr int ShadingAlpha = 20;
inline constexpr int HighContrastShadingAlpha = 56;
[[nodiscard]] inline int ShadingAlphaInForce()
{
    return HighContrast ? HighContrastShadingAlpha : ShadingAlpha;
}

// Shading directions: towards a vertical window edge (left or right) or a
// horizontal one (top or bottom).
enum : std::uint8_t { sdTowardsVerticalEdge = 0, sdTowardsHorizontalEdge = 1 };

// The direction a shading kind shades in: kinds 3 and 4 towards a horizontal
// edge, kinds 1, 2 and 5 towards a vertical edge.
[[nodiscard]] std::uint8_t ShadingDirection(std::uint8_t shadeKind);

// The shading image a complete drawing blended last, with what it was made
// for: replaying the drawing on the same box, at the same pixel ratio and in
// the same colour blends it again instead of filling a new one.
struct TShadingCache {
    QImage image; // null when nothing was shaded
    QRect box;
    qreal ratio = 0;
    QRgb colour = 0;
    bool valid = false;
};

// What the shading of one drawing is painted into: an image over the
// canvas's clip box, transparent until filled, in the colour of the canvas
// pen when it was made. Blending it tints the shaded regions lightly and
// leaves everything else exactly as it was. The image is made on first use.
class TShadingBitmap {
public:
    explicit TShadingBitmap(Canvas& canvas);
    ~TShadingBitmap();
    TShadingBitmap(const TShadingBitmap&) = delete;
    TShadingBitmap& operator=(const TShadingBitmap&) = delete;

    // Fills a polygon (alternate winding), in canvas pixels.
    void FillPolygon(std::span<const QPoint> points);
    // Fills a rectangle, in canvas pixels.
    void FillRect(const QRect& rect);
    // True once anything was filled.
    [[nodiscard]] bool Painted() const { return painter_ != nullptr; }
    // True when fills are ignored for a kept image.
    [[nodiscard]] bool UsesCached() const { return cached_ != nullptr; }
    // Blends what was filled over the canvas with ShadingAlpha, then starts
    // empty again; answers the image blended (null when nothing was filled).
    QImage Blend(Canvas& canvas);
    // True when cache holds the shading of this box, ratio and colour.
    [[nodiscard]] bool Matches(const TShadingCache& cache) const;
    // Fills are ignored from now on; Blend blends image (borrowed) instead.
    void UseCached(const QImage& image);
    // Records in cache the image Blend answered, as made for this bitmap.
    void Keep(TShadingCache& cache, QImage image) const;

private:
    QPainter& Painter();

    const QImage* cached_ = nullptr;
    QRect box_;
    qreal ratio_ = 1;
    TColour colour_ = clBlack;
    QImage image_;
    std::unique_ptr<QPainter> painter_;
};

// Shades one run of a curve: the polygon of its points closed along the
// edge (kinds 1 to 4) or on itself (kind 5).
void ShadeRun(TShadingBitmap& bitmap, std::span<const QPoint> points, std::uint8_t shadeKind, int edge);

// A piece of a stored drawing.
class TStoredPiece : public TDrawObject {
public:
    // Draws the piece with the canvas pen; shading goes into bitmap.
    virtual void Replay(Canvas& canvas, TShadingBitmap& bitmap) const = 0;
    // Pieces live only in memory.
    void WriteTo(TMathsWriter&) const override {}
};

// A polyline run with the shading that belongs to it.
class TLineStore : public TStoredPiece {
public:
    TLineStore(std::span<const QPoint> points, int edge, std::uint8_t shadeKind, bool drawLine);
    // Draws the polyline (when its line is drawn) and shades it (when it has a kind).
    void Replay(Canvas& canvas, TShadingBitmap& bitmap) const override;
    // Draws the piece's lines alone with the canvas pen (a selected curve's
    // halo follows them): a polyline here, other shapes in descendants.
    virtual void DrawLines(Canvas& canvas) const;

    [[nodiscard]] std::span<const QPoint> Points() const { return points_; }
    [[nodiscard]] int Edge() const { return edge_; }
    [[nodiscard]] std::uint8_t ShadeKind() const { return shadeKind_; }
    [[nodiscard]] bool DrawsLine() const { return drawLine_; }

protected:
    std::vector<QPoint> points_;
    int edge_;
    std::uint8_t shadeKind_;
    bool drawLine_;
};

// Half the width of the cross that marks a point drawn without joining.
inline constexpr int CrossSize = 3;
// Draws the cross that marks an unjoined point.
void DrawCross(Canvas& canvas, QPoint p);

// Points drawn as crosses.
class TCrossStore : public TLineStore {
public:
    using TLineStore::TLineStore;
    void Replay(Canvas& canvas, TShadingBitmap& bitmap) const override;
    // Crosses have no lines to surround.
    void DrawLines(Canvas& canvas) const override { (void)canvas; }
};

// A band of the window shaded across its whole extent, where an inequality's
// curve runs off the window on the far side of the edge it shades towards.
class TShadingRect : public TStoredPiece {
public:
    TShadingRect(int start, int extent, std::uint8_t direction, int edge)
        : Start(start), End(start), Extent(extent), Direction(direction), Edge(edge)
    {
    }
    void Replay(Canvas& canvas, TShadingBitmap& bitmap) const override;
    // The band as a canvas rectangle (its ends in either order).
    [[nodiscard]] QRect Rect() const;

    int Start;              // pixel along the window where the band begins
    int End;                // pixel along the window where it ends
    int Extent;             // the window's extent across the band
    std::uint8_t Direction; // sdTowardsVerticalEdge: a band of rows; otherwise of columns
    int Edge;
};

enum : std::uint8_t { lsRecording = 1, lsComplete = 2 };

// The stored drawing of one curve.
class TPolyLineStore : public TObjectList<TStoredPiece> {
public:
    std::uint8_t State = lsRecording;

    // Draws every piece with the canvas pen; the shading of all pieces is
    // blended once at the end (only with the pen mode copy, and when shade).
    void Replay(Canvas& canvas, bool shade = true) const;
    // Forgets the pieces and records afresh.
    void StartRecording();

private:
    mutable TShadingCache shading_; // of the complete drawing
};
