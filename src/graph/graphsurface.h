// TGraphSurface: what mouse tools, graph objects and the trace marker need
// of the window they work on: its scales, its size, repaint requests for the
// overlays drawn over the cached picture, the mouse capture, the pointer
// shape and the slot of the active mouse tool. The graph window implements
// it; tests may implement it over an image.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <memory>

class TAnnotation;
class TGraphObject;
class TGraphParams;
class TMouseControl;
class TScaleHost;

// The pointer shapes of the graph window: the named cursors of our own
// drawing and the few standard ones.
enum class TCursorSlot {
    Default,
    Cross,
    SizeAll,
    ZoomIn,
    ZoomOut,
    Hand,
    Origin,
    Coords,
    Tangent,
    Normal,
    Area,
    Horizontal,
    Vertical,
    LineOrigin,
    Trace,
    OverCurve,
    Blank,
    // Dragging curves and their handles (cursor numbers 6 to 15, 19 and 20).
    DragStretch,
    DragMove,
    DragRotate,
    DragEnlarge,
    StretchHorz,
    StretchVert,
    DragPoint,
    DragPointAlongCurve,
    Dragging,
    DraggingAlongCurve,
    PickAPoint,
    DragShear,
};

// The cursor of a drag cursor number (6 to 15, 19, 20); any other number
// gives the default cursor.
[[nodiscard]] TCursorSlot DragCursorSlot(int number);

class TGraphSurface {
public:
    virtual ~TGraphSurface() = default;
    // The scales every tool converts with.
    [[nodiscard]] virtual TGraphParams& Params() = 0;
    // The window the scales belong to, handed to scale changes (may be nullptr).
    [[nodiscard]] virtual TScaleHost* ScaleHost() = 0;
    [[nodiscard]] virtual QSize ClientSize() const = 0;
    // Asks for a repaint of rect from the cached picture with the overlays
    // (graph objects, tool feedback) drawn again; the picture is kept.
    virtual void UpdateArea(const QRect& rect) = 0;
    // A copy of what the window shows now (the cached picture with its
    // overlays), at the window's device pixel ratio.
    [[nodiscard]] virtual QImage GrabPicture() = 0;
    virtual void CaptureMouse(bool on) { (void)on; }
    virtual void SetToolCursor(TCursorSlot slot) { (void)slot; }
    // The tool in progress, or nullptr (owned by the surface). A tool being
    // called is detached from the slot for the call, so it reads nullptr.
    [[nodiscard]] virtual TMouseControl* ActiveTool() const = 0;
    // Makes tool the active one; a tool already there ends first (its
    // finishing action runs) unless it is the one being called.
    virtual void SetActiveTool(std::unique_ptr<TMouseControl> tool) = 0;
    // The tool with which a click selects and moves object (borrowed); the
    // object asks for it here, since the tools are built above the objects.
    [[nodiscard]] virtual std::unique_ptr<TMouseControl> ObjectTool(TGraphObject& object) = 0;
    // Sets the mouse mode code (0: selection, dragging and tracing).
    virtual void SetMouseModeCode(int code) = 0;
    // True while the equations window accepts a command (not busy editing).
    [[nodiscard]] virtual bool AcceptsCommand() const { return true; }
    // Edits a comment box's text (the Comment box dialog); the box is not
    // drawn meanwhile. Without an editor nothing changes.
    virtual void EditAnnotation(TAnnotation& annotation) { (void)annotation; }
    // Removes and frees one of the window's graph objects, once the mouse
    // tool working on it (if any) has ended.
    virtual void RemoveObjectLater(TGraphObject& object) { (void)object; }
    // An object was moved or changed by the mouse (the document changed).
    virtual void GraphObjectChanged(TGraphObject& object) { (void)object; }
};
