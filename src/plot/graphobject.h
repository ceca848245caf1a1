// Graph objects: things placed on the graph at a point rather than computed
// from a formula (bitmap markers such as the trace marker and drag handles,
// and annotations). Each has an anchor in graph units and a box at a pixel
// offset from it, joined by a leader line with an arrowhead; they are drawn
// over the curves, hide and show in nested fashion, and answer hit tests.
// They are overlays: the graph window paints them over its cached picture on
// every repaint, so erasing one only asks for its box to be repainted.
#pragma once

#include "formula/drawobject.h"
#include "numbers/numerics.h"
#include "platform/colour.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <string>

class Canvas;
class TGraphParams;
class TGraphSurface;

// The arrowhead length in pixels: 10 on screen, scaled for printing.
inline int ArrowLength = 10;
// How near (in pixels, each direction) a pointer counts as at the anchor,
// and how far a box may lie from its anchor without a leader.
inline constexpr int AnchorTolerance = 5;

class TGraphObject : public TDrawObject {
public:
    TGraphObject(Extended anchorX, Extended anchorY);
    ~TGraphObject() override;

    Extended AnchorX = 0, AnchorY = 0; // graph units
    std::int32_t OffsetX = 0, OffsetY = 0;
    bool Selected = false;
    bool Locked = false; // not drawn while set
    std::int32_t HideCount = 0;
    // The window the object is shown on, for hide and show (borrowed; may be nullptr).
    TGraphSurface* Surface = nullptr;

    // ---- virtual operations ------------------------------------------------------
    // Draws box, leader and selection frame when shown and on screen.
    virtual void Draw(Canvas& canvas, const TGraphParams& params);
    [[nodiscard]] virtual TColour GetColour() const { return clBlack; }
    virtual void SetColour(TColour colour) { (void)colour; }
    // Scales the offsets (a picture of another size).
    virtual void ScaleOffsets(Extended fx, Extended fy);
    // The box in window pixels: by default the zero-size box at the anchor's
    // pixel moved by the offsets.
    [[nodiscard]] virtual QRect BoxRect(const TGraphParams& params) const;
    // Asks for the object's box (and leader) to be repainted without it.
    virtual void Erase();
    // A click without a move on the selected object; true keeps its mouse tool.
    virtual bool Clicked(TGraphSurface& surface)
    {
        (void)surface;
        return true;
    }
    // Hides one level more (erasing the object on the first).
    virtual void Hide();
    // The position record of an annotation: the anchor, the offsets and the colour.
    void WriteTo(TMathsWriter& writer) const override;

    // ---- plain operations --------------------------------------------------------
    // Shows one level less (drawing the object again on the last).
    void Show();
    [[nodiscard]] bool IsShown() const { return HideCount == 0; }
    [[nodiscard]] QPoint AnchorPixel(const TGraphParams& params) const;
    // The box intersects the window and the object is not locked.
    [[nodiscard]] bool IsOnScreen(const TGraphParams& params) const;
    // False when the anchor's pixel lies within the box widened by 5 pixels.
    [[nodiscard]] bool NeedsLeader(const TGraphParams& params) const;
    void DrawLeader(Canvas& canvas, const TGraphParams& params) const;
    void DrawAnchorCircle(Canvas& canvas, const TGraphParams& params) const;
    void DrawSelectionFrame(Canvas& canvas, const TGraphParams& params) const;
    // The pixel lies in the box (right and bottom excluded).
    [[nodiscard]] bool BoxContains(QPoint pixel, const TGraphParams& params) const;
    // Within 5 pixels of the anchor's pixel in x and in y.
    [[nodiscard]] bool NearAnchor(QPoint pixel, const TGraphParams& params) const;
    [[nodiscard]] bool Hit(QPoint pixel, const TGraphParams& params) const
    {
        return BoxContains(pixel, params) || NearAnchor(pixel, params);
    }
    // When hit, the surface's mode becomes 0 and a new object tool takes the
    // press; answers whether it was hit.
    bool TakeClick(TGraphSurface& surface, QPoint pixel, Qt::KeyboardModifiers modifiers);
    // Draws with Selected cleared for the duration.
    void DrawUnselected(Canvas& canvas, const TGraphParams& params);
    // The whole area the object covers: box, leader, arrowhead and anchor circle.
    [[nodiscard]] QRect PaintedArea(const TGraphParams& params) const;
    // Asks the surface to repaint PaintedArea.
    void Invalidate() const;
};

// A marker drawn from an image resource of our own, its hot spot on the anchor.
class TBitMapMarker : public TGraphObject {
public:
    // The image ":/markers/<name in lower case>.svg" (or .png), hot spot (hotX, hotY).
    TBitMapMarker(std::string resourceName, int hotY, int hotX, Extended anchorX, Extended anchorY);
    ~TBitMapMarker() override;

    std::string ResourceName;
    std::int32_t HotX = 0, HotY = 0;
    std::int32_t BitmapWidth = 0, BitmapHeight = 0; // logical pixels

    // The bitmap's box: top-left 1 + hot spot left of and above the anchor's pixel.
    [[nodiscard]] QRect BoxRect(const TGraphParams& params) const override;
    // Always draws the bitmap (erasing goes through Erase and Hide only).
    void Draw(Canvas& canvas, const TGraphParams& params) override;
    // Markers are shown by whoever made them and never written to documents.
    void WriteTo(TMathsWriter& writer) const override { (void)writer; }
};

// The image of a marker or cursor resource at a device pixel ratio (drawn
// from the vector original at that ratio, so it stays crisp), cached; a
// resource that cannot be read gives a null image.
[[nodiscard]] QImage ResourceImage(const std::string& folder, const std::string& name, qreal ratio);
