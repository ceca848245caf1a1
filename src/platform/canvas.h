// Canvas: the one drawing surface of the program, a small layer over
// QPainter that keeps the pen-position habits the drawing code is written
// for: move-to and line-to, text drawn at the pen that moves the pen on,
// polylines, filled polygons, pens and brushes with Windows-style colour
// values, constant-alpha shading, clipping rectangles and regions, and the
// Symbol-font stand-in. Screen, printer, SVG and images all draw through it,
// so one drawing path serves them all.
//
// Coordinates are whole logical pixels of the paint device. Lines follow the
// classic raster rules: a line-to leaves out its end pixel, and rectangles
// and ellipses leave out their right and bottom edges. Pens one pixel wide
// (or zero) are hairlines of exactly one device pixel, so they stay crisp on
// a device with a device pixel ratio above 1; wider pens scale with the
// device. Drawing is not antialiased unless asked for.
#pragma once

#include "platform/colour.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>

#include <algorithm>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

class QPainter;
class QPaintDevice;

enum class TPenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };
// How the pen combines with what is already drawn (Xor and NotXor undo
// themselves when drawn twice; they need a raster device).
enum class TPenMode { Copy, Xor, NotXor, Not, Merge, Mask };
enum class TBrushStyle { Solid, Clear, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };

struct TPenState {
    TColour colour = clBlack;
    int width = 1;
    TPenStyle style = TPenStyle::Solid;
    TPenMode mode = TPenMode::Copy;
    bool operator==(const TPenState&) const = default;
};

struct TBrushState {
    TColour colour = clWhite;
    TBrushStyle style = TBrushStyle::Solid;
    bool operator==(const TBrushState&) const = default;
};

// A font as the canvas holds it: the Qt font, whether text in it is
// Symbol-font bytes, and the text colour.
struct TFontState {
    QFont font;
    bool symbol = false;
    TColour colour = clBlack;
};

// Text alignment relative to the point given to TextOut (flags combine one
// horizontal and one vertical choice).
enum TTextAlign : int {
    taLeft = 0,
    taCentre = 1,
    taRight = 2,
    taTop = 0,
    taBaseline = 4,
    taBottom = 8,
};

class Canvas {
public:
    // Draws on device with a painter of its own, ended when the canvas goes.
    explicit Canvas(QPaintDevice* device);
    // Draws through a painter that is already active (a widget's paint
    // event); borrowed, its state is restored when the canvas goes.
    explicit Canvas(QPainter* painter);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // The painter drawing now (inside an alpha layer: the layer's painter).
    [[nodiscard]] QPainter& Painter();
    [[nodiscard]] QPaintDevice* Device() const { return device_; }
    // Device size in logical pixels.
    [[nodiscard]] int Width() const;
    [[nodiscard]] int Height() const;
    [[nodiscard]] QRect Bounds() const { return QRect(0, 0, Width(), Height()); }
    [[nodiscard]] qreal DevicePixelRatio() const;
    // Logical pixels per inch across and down (screen or printer).
    [[nodiscard]] int PixelsPerInchX() const;
    [[nodiscard]] int PixelsPerInchY() const;
    // Millimetres per pixel across and down, from the device's physical
    // size, so that lengths given in millimetres (ticks, margins) come out
    // true on screen, printer, SVG, PDF and images alike.
    [[nodiscard]] qreal MillimetresPerPixelX() const;
    [[nodiscard]] qreal MillimetresPerPixelY() const;
    // Rounds a length in millimetres across or down to whole pixels (at least 1).
    [[nodiscard]] int MillimetresToPixelsX(qreal millimetres) const;
    [[nodiscard]] int MillimetresToPixelsY(qreal millimetres) const;
    // True while the canvas draws for a printer (set by whoever prints);
    // drawing code chooses black grids and print pen widths from it.
    [[nodiscard]] bool Printing() const { return printing_; }
    // The pen width factor: 1 on screen, printer pixels per millimetre div 3
    // when printing. The pixels are the painter's, so a window's drawing
    // scaled onto a page gets pens of the same width on paper as one drawn
    // at the page's own resolution.
    [[nodiscard]] int PrintPenFactor() const
    {
        return printing_ ? std::max(1, static_cast<int>(1 / MillimetresPerPixelX()) / 3) : 1;
    }
    void SetPrinting(bool printing) { printing_ = printing; }
    // Smooth edges for curves; off by default so that pixels are exact.
    void SetAntialiasing(bool on);

    // Pen.
    [[nodiscard]] const TPenState& Pen() const { return pen_; }
    void SetPen(const TPenState& pen);
    void SetPenColour(TColour colour);
    void SetPenWidth(int width);
    void SetPenStyle(TPenStyle style);
    void SetPenMode(TPenMode mode);

    // Brush; text is drawn on an opaque background of the brush colour
    // unless the brush style is Clear.
    [[nodiscard]] const TBrushState& Brush() const { return brush_; }
    void SetBrush(const TBrushState& brush);
    void SetBrushColour(TColour colour);
    void SetBrushStyle(TBrushStyle style);

    // Font.
    [[nodiscard]] const TFontState& Font() const { return font_; }
    void SetFont(const TFontState& font);
    // Selects an ordinary font (text is code-page bytes).
    void SetFont(const QFont& font);
    // Selects the Symbol stand-in: the given formula font, with text bytes
    // read as Symbol-font code points.
    void SetSymbolFont(const QFont& formulaFont);
    void SetFontColour(TColour colour);
    void SetTextAlign(int flags) { textAlign_ = flags; }
    [[nodiscard]] int TextAlign() const { return textAlign_; }

    // Pen position.
    [[nodiscard]] QPoint PenPos() const { return penPos_; }
    void MoveTo(int x, int y) { penPos_ = QPoint(x, y); }
    void MoveTo(QPoint p) { penPos_ = p; }
    void MoveBy(int dx, int dy) { penPos_ += QPoint(dx, dy); }
    // Draws from the pen position to (x, y), leaving out the end pixel, and
    // moves the pen there.
    void LineTo(int x, int y);
    void LineTo(QPoint p) { LineTo(p.x(), p.y()); }

    // Text. Bytes are code-page text, or Symbol-font codes when the Symbol
    // font is selected. TextOut draws at (x, y) by the alignment and moves the
    // pen to the right end of the text at (x + width, y) for left alignment;
    // TextAtPen draws at the pen and moves it right by the text's width.
    void TextOut(int x, int y, std::string_view text);
    void TextOut(int x, int y, const QString& text);
    void TextAtPen(std::string_view text);
    void TextAtPen(const QString& text);
    // Literals are code-page text.
    void TextOut(int x, int y, const char* text) { TextOut(x, y, std::string_view(text)); }
    void TextAtPen(const char* text) { TextAtPen(std::string_view(text)); }
    [[nodiscard]] int TextWidth(std::string_view text) const;
    [[nodiscard]] int TextWidth(const QString& text) const;
    [[nodiscard]] int TextWidth(const char* text) const { return TextWidth(std::string_view(text)); }
    // The height of the current font (ascent plus descent).
    [[nodiscard]] int TextHeight() const;
    [[nodiscard]] int TextAscent() const;
    [[nodiscard]] QSize TextExtent(std::string_view text) const;
    // The Unicode text that bytes stand for in the current font.
    [[nodiscard]] QString DisplayText(std::string_view text) const;

    // Shapes, outlined with the pen and (where closed) filled with the brush.
    void Polyline(std::span<const QPoint> points);
    // Separate segments from points 0 to 1, 2 to 3 and so on, in one call
    // (thousands of short segments draw far faster than one by one).
    void Segments(std::span<const QPoint> pairs);
    void Polygon(std::span<const QPoint> points);
    // The rectangle from (left, top) up to but not including (right, bottom).
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const QRect& rect)
    {
        Rectangle(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1);
    }
    // Fills with the brush, no outline.
    void FillRect(const QRect& rect);
    // One-pixel outline in the brush colour.
    void FrameRect(const QRect& rect);
    // The ellipse inscribed in the box from (left, top) to (right, bottom), exclusive.
    void Ellipse(int left, int top, int right, int bottom);
    // The counter-clockwise arc of that ellipse from the ray towards
    // (startX, startY) to the ray towards (endX, endY).
    void Arc(int left, int top, int right, int bottom, int startX, int startY, int endX, int endY);
    void SetPixel(int x, int y, TColour colour);

    // Regions (polygon regions fill by alternate winding).
    [[nodiscard]] static QRegion PolygonRegion(std::span<const QPoint> points);
    void FillRegion(const QRegion& region);

    // Clipping, in logical pixels.
    void SetClipRect(const QRect& rect);
    void SetClipRegion(const QRegion& region);
    void IntersectClipRect(const QRect& rect);
    void ExcludeClipRect(const QRect& rect);
    void ClearClip();
    [[nodiscard]] bool HasClip() const;
    // The bounding box of what can be drawn: the clip box or the device.
    [[nodiscard]] QRect ClipBox() const;

    // Bitmaps.
    void DrawImage(int x, int y, const QImage& image);
    // Blends an image at (x, y) with a constant alpha (0 transparent, 255 opaque).
    void AlphaBlend(int x, int y, const QImage& image, int alpha);

    // Constant-alpha shading: between Begin and End everything is drawn
    // onto a transparent layer the size of the device, which End blends onto
    // the canvas with the given alpha (0 to 255), so overlapping shapes drawn
    // in one layer do not darken each other. Layers do not nest.
    void BeginAlphaLayer(int alpha);
    void EndAlphaLayer();
    [[nodiscard]] bool InAlphaLayer() const { return layer_ != nullptr; }

private:
    struct TLayer;
    void ApplyPen();
    void ApplyBrush();
    void ApplyFont();
    void ApplyAll();
    void DrawTextAt(QPoint at, const QString& text);
    [[nodiscard]] QFont EffectiveFont() const;
    [[nodiscard]] bool PenVisible() const { return pen_.style != TPenStyle::Clear; }
    // The offset that puts lines of the current pen on whole pixels, as the
    // raster engine does: half a pixel for odd widths on vector devices.
    [[nodiscard]] QPointF LineOffset() const;

    QPaintDevice* device_ = nullptr;
    std::unique_ptr<QPainter> ownPainter_;
    QPainter* painter_ = nullptr; // the device's painter, owned or borrowed
    std::unique_ptr<TLayer> layer_;
    bool borrowed_ = false;
    bool printing_ = false;
    bool vector_ = false; // SVG or PDF: coordinates are the edges of pixels, not their centres
    TPenState pen_;
    TBrushState brush_;
    TFontState font_;
    int textAlign_ = taLeft | taTop;
    QPoint penPos_;
};

// Sets a canvas's pen, brush and font for a scope and puts them back after.
class TCanvasStateSaver {
public:
    explicit TCanvasStateSaver(Canvas& canvas)
        : canvas_(canvas), pen_(canvas.Pen()), brush_(canvas.Brush()), font_(canvas.Font()),
          align_(canvas.TextAlign())
    {
    }
    ~TCanvasStateSaver()
    {
        canvas_.SetPen(pen_);
        canvas_.SetBrush(brush_);
        canvas_.SetFont(font_);
        canvas_.SetTextAlign(align_);
    }
    TCanvasStateSaver(const TCanvasStateSaver&) = delete;
    TCanvasStateSaver& operator=(const TCanvasStateSaver&) = delete;

private:
    Canvas& canvas_;
    TPenState pen_;
    TBrushState brush_;
    TFontState font_;
    int align_;
};
