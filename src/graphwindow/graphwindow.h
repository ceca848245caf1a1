// TGraphWindow: the control the graph is drawn on. It owns the scales
// (TGraphParams) that every curve draws with, draws the lines of a line
// source over axes and grid into a cached picture, paints graph objects and
// the active mouse tool's feedback over that picture, turns mouse and keys
// into curve selection, view tools and tracing, keeps the status-line
// readout current, shows the equation of the curve under the mouse, and
// renders the same drawing into any other canvas for pictures and printing.
//
// Use: SetLineSource(lines); LinesChanged(from) whenever lines from that
// index on were added, removed, reordered or changed; SelectLine(i) when
// the equations window selects a line (LineSelected fires when a click on
// the graph selects one); SetMouseMode(code) and SetTraceMode(on) from the
// commands; RenderInto(canvas, rect) or RenderImage(size, ratio) for
// pictures and printing; connect CoordinatesShown to the status line.
#pragma once

#include "editor/canvascontrol.h"
#include "graph/graphparams.h"
#include "graph/graphsurface.h"
#include "graph/scalehost.h"
#include "plot/backgroundpicture.h"
#include "plot/graphrenderer.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>

#include <array>
#include <climits>
#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;
class QPainter;
class QScrollBar;
class TAnnotation;
class TCurvePLotter;
class TEquationDisplay;
class TEquationObject;
class TGraphObject;
class TLineSource;
class TMouseControl;
class TMouseDragCurve;
class TTraceMarker;

// Mouse mode codes of the graph window.
enum : int {
    mmNone = 0,
    mmCoordinates = 206,
    mmSolutionCurve = 212,
    mmZoomIn = 301,
    mmZoomOut = 302,
    mmPush = 303,
    mmOrigin = 304,
    mmEndViewMode = 305,  // turns a view mode off, otherwise does nothing
    mmKeepViewMode = 400, // leaves a tool or view mode alone, otherwise none
    mmReset = 399,
    mmTangent = 401,
    mmNormal = 402,
    mmArea = 403,
};
// The activation flag kept beside the mode (never part of it).
inline constexpr int MouseActivationFlag = 0x8000;

class TGraphWindow : public TCanvasControl, public TScaleHost, public TGraphSurface {
    Q_OBJECT
public:
    // A window with default scales for its size, in zoom-in mode with the
    // activation flag set (the main window then sets the mode of its
    // checked command).
    explicit TGraphWindow(QWidget* parent = nullptr);
    ~TGraphWindow() override;

    // ---- lines -----------------------------------------------------------------------
    // The lines drawn, in order (borrowed; nullptr for none).
    void SetLineSource(TLineSource* lines);
    [[nodiscard]] TLineSource* LineSource() const { return lines_; }
    // Lines from index first on were added, removed, reordered or changed:
    // the picture is redrawn (only the new lines when lines were appended),
    // the pop-up hides, and a trace on a line that left the list ends.
    void LinesChanged(int first = 0);
    // A line's drawing changed (style, formula): its cache is dropped and the picture redrawn.
    void LineChanged(int index);
    // Drops every cached drawing and redraws (settings that change every line).
    void RedrawAll();
    // The line at index when it is a curve, else nullptr.
    [[nodiscard]] TCurvePLotter* CurveAt(int index) const;

    // ---- selection -------------------------------------------------------------------
    [[nodiscard]] int SelectedIndex() const { return selected_; }
    // Selects the line at index (-1: none) without firing LineSelected.
    void SelectLine(int index);
    // The selected line drops its drag handles and builds them again when
    // dragging is allowed now (after the drag setting or the lock changed).
    void RefreshDragHandles();
    // line is about to leave the list and be freed: a drag of it lets go.
    void LineLeaving(const TEquationObject* line);
    // The curve under pixel: the selected line when it is one of them, else
    // the one with the lowest index; -1 for none.
    [[nodiscard]] int CurveIndexAt(QPoint pixel);
    // Every curve under pixel, in list order.
    [[nodiscard]] std::vector<int> CurvesAt(QPoint pixel);
    [[nodiscard]] TDrawObject* ObjectAt(QPoint pixel) override;
    void HintFlags(QPoint pixel, std::uint32_t& flags) override;

    // ---- mouse modes -----------------------------------------------------------------
    // Sets the mode (see the codes above) and answers the previous one.
    int SetMouseMode(int code);
    [[nodiscard]] int MouseMode() const { return mouseMode_; }
    [[nodiscard]] bool ActivationFlag() const { return activationFlag_; }
    void SetActivationFlag(bool on) { activationFlag_ = on; }
    // Trace mode (the "Trace" command): clicking a curve puts the trace marker on it.
    void SetTraceMode(bool on);
    [[nodiscard]] bool TraceMode() const { return traceMode_; }

    // ---- tracing ---------------------------------------------------------------------
    void StartTrace(TCurvePLotter* curve, QPoint pixel);
    void MoveTrace(const TRealPoint& point);
    // Steps the marker along its curve and pans when it leaves the view.
    void StepTrace(int direction);
    [[nodiscard]] bool TraceShown() const;
    [[nodiscard]] TTraceMarker* TraceMarker() const { return traceMarker_.get(); }
    void RemoveTrace();
    // Moves the view by percent of the window across or down; a refused pan changes nothing.
    void PanX(long double percent);
    void PanY(long double percent);

    // ---- scrolling -------------------------------------------------------------------
    // The scroll bars beside the window (borrowed; either may be nullptr).
    // Their arrows, pages and thumb pan the graph by a per cent of the
    // window a unit of the bar; the mouse wheel moves them. Whoever owns
    // them recentres them a while after the last movement, with their
    // signals blocked.
    void AttachScrollBars(QScrollBar* horizontal, QScrollBar* vertical);
    // Pans along the axis of kind (akHorizontal or akVertical) by steps
    // units of a scroll bar (positive: right or down, the view moving on to
    // larger x or smaller y). Small steps (the arrows, the wheel) that
    // follow each other grow: the nth of a run moves 1 + n div 10 units, n
    // counted up to 100, so at most eleven-fold.
    void ScrollBy(int kind, int steps, bool small);

    // ---- graph objects ---------------------------------------------------------------
    // Annotations, owned and drawn after the curves.
    void AddGraphObject(std::unique_ptr<TGraphObject> object);
    [[nodiscard]] const std::vector<std::unique_ptr<TGraphObject>>& GraphObjects() const { return objects_; }
    // Frees the active tool, removes the trace marker and frees every annotation (New, Open, Undo).
    void ClearGraphObjects();
    // The topmost shown annotation whose box or anchor is at pixel, or nullptr.
    [[nodiscard]] TAnnotation* AnnotationAt(QPoint pixel) const;
    // Edits a comment box's text (the main window's Comment box dialog).
    std::function<void(TAnnotation& annotation)> AnnotationEditor;
    // Markers owned elsewhere (drag handles) shown over the curves (borrowed).
    void AddMarker(TGraphObject* marker);
    void RemoveMarker(TGraphObject* marker);

    // ---- readout and pop-up ----------------------------------------------------------
    // The readout of a pixel: "(x, y) " or, with the polar grid, "[r, θ] ".
    [[nodiscard]] QString CoordinateText(QPoint pixel) const;
    // Shows the readout of pixel (fires CoordinatesShown).
    void ShowCoordinates(QPoint pixel);
    [[nodiscard]] TEquationDisplay* EquationDisplay() const { return display_; }
    // The pointer position the window last saw (moves and arrow keys).
    [[nodiscard]] QPoint PointerPixel() const { return lastPointer_; }

    // ---- drawing ---------------------------------------------------------------------
    // The whole graph drawn into canvas over rect at the window's scales (pictures, printing).
    void RenderInto(Canvas& canvas, const QRect& rect);
    // The graph as an image of the window's size at a device pixel ratio.
    [[nodiscard]] QImage RenderImage(qreal ratio = 1);
    // What the window shows now.
    [[nodiscard]] QImage CopyScreen();
    // Redraws a stale picture now (the idle processing calls it); true when done.
    bool CompleteRepaint();
    // Draws the lines from index first on visibly (the lines before them
    // come from their stored drawings), each segment shown as it is
    // computed, with Escape to abandon and Ctrl to pause. In demonstration
    // drawing (the demonstration argument, for the Demo draw command, or
    // the demonstration setting) the pencil draws, each line is selected
    // first (DemonstrateLine), the pause box waits between lines when the
    // "Pause" setting is on, and curves cannot be dragged meanwhile.
    void DrawVisibly(int first = 0, bool demonstration = false);
    // DrawVisibly(first) once the events pending now are handled (a line
    // just entered: its list settles first); until then the picture stays
    // as it was. Requests in a row draw from the lowest first.
    void DrawVisiblyLater(int first);
    void SetPaintSuppressed(bool suppressed);
    [[nodiscard]] bool PaintSuppressed() const { return paintSuppressed_; }
    // The lowest stale line index, or the largest int when the picture is current.
    [[nodiscard]] int RepaintFrom() const { return repaintFrom_; }
    // The pictures of the graph without a dragged line taken so far (one a
    // drag, and again when the view changes under it).
    [[nodiscard]] int DragBackgroundBuilds() const { return dragBackground_.Builds(); }
    // Moves whenever the picture stops being current (lines, selection, size,
    // scales), so that a copy of it kept elsewhere is known to be stale.
    [[nodiscard]] unsigned PictureGeneration() const { return pictureGeneration_; }
    // Puts a frame of an animation drawn elsewhere (at the window's size and
    // pixel ratio, every line in it) onto the window at once; it becomes the
    // window's picture, so that an expose shows it too. Answers the picture
    // it replaced, for the next frame to be drawn into (null when none).
    QImage ShowFrame(QImage frame);
    // Called with true before and false after each paint.
    std::function<void(bool before)> PaintEvent;
    // Called before each line in demonstration drawing (the equations window selects it).
    std::function<void(int index)> DemonstrateLine;
    // The pause between lines of a demonstration (the pause box); none: no pause.
    std::function<void()> PauseBetweenLines;

    // ---- TScaleHost --------------------------------------------------------------------
    [[nodiscard]] int ClientWidth() const override { return width(); }
    [[nodiscard]] int ClientHeight() const override { return height(); }
    [[nodiscard]] QFont GraphFont() const override;
    void ScalesRecalculated() override;
    void SetSquareChecked(bool checked) override;
    void ScaleListChanged() override;

    // ---- TGraphSurface ---------------------------------------------------------------
    [[nodiscard]] TGraphParams& Params() override { return *params_; }
    [[nodiscard]] TScaleHost* ScaleHost() override { return this; }
    [[nodiscard]] QSize ClientSize() const override { return size(); }
    void UpdateArea(const QRect& rect) override;
    [[nodiscard]] QImage GrabPicture() override;
    void CaptureMouse(bool on) override;
    void SetToolCursor(TCursorSlot slot) override;
    [[nodiscard]] TMouseControl* ActiveTool() const override { return tool_.get(); }
    void SetActiveTool(std::unique_ptr<TMouseControl> tool) override;
    [[nodiscard]] std::unique_ptr<TMouseControl> ObjectTool(TGraphObject& object) override;
    void SetMouseModeCode(int code) override;
    [[nodiscard]] bool AcceptsCommand() const override
    {
        return !AcceptsCommandQuery || AcceptsCommandQuery();
    }
    void EditAnnotation(TAnnotation& annotation) override;
    void RemoveObjectLater(TGraphObject& object) override;
    void GraphObjectChanged(TGraphObject& object) override;
    // Asked before view tools start and curves are selected (the equations
    // window answers false while a line is being edited); none: always.
    std::function<bool()> AcceptsCommandQuery;

    // ---- placing lines ---------------------------------------------------------------
    // Whether code is one of the line-placing modes (212, 401 to 403, 406 to 413).
    [[nodiscard]] static bool IsLineMode(int code);
    // In a line-placing mode, whether a line is being edited and the curve
    // it is under (nullptr for none); none: nothing is placed.
    std::function<bool(TCurvePLotter*& parent)> EditedLineQuery;
    // Called when a placing tool ends, with the mode it was made for, the
    // curve of the line and the markup of the field it fills.
    std::function<void(int code, TCurvePLotter* parent, const std::string& field)> OnLinePlaced;
    // Called at the press and at every move of the area and solution tools,
    // so the line being edited shows the field the pointer would place.
    std::function<void(int code, TCurvePLotter* parent, const std::string& field)> OnLineFieldMoved;
    // In mode 212 with no line being edited: starts the coordinate line of a
    // solution under the selected differential equation; false when it cannot.
    std::function<bool()> StartSolutionLine;

    // The cursor of a slot (drawn for this program).
    [[nodiscard]] static QCursor CursorFor(TCursorSlot slot);
    [[nodiscard]] TCursorSlot CursorSlot() const { return cursorSlot_; }

signals:
    // The readout text and the width the status panel should have.
    void CoordinatesShown(const QString& text, int panelWidth);
    // A click on the graph selected the line at index (-1: none).
    void LineSelected(int index);
    // The user changed the view (a view tool, a pan, a scale command or
    // dialog); a resize shows more or less of the same scales and is not one.
    void ScalesChanged();
    // The scale history changed.
    void ScaleListUpdated();
    // A graph object was moved, edited or removed (the document changed).
    void GraphObjectsChanged();
    // A scroll bar or the wheel moved the view (the bars are recentred a while after the last).
    void Scrolled();
    // The square-scales command shows whether scales are kept square.
    void SquareChecked(bool checked);
    // A key the graph does not use, for the equations window.
    void KeyForEquations(int key, Qt::KeyboardModifiers modifiers, const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // Runs call on the active tool detached from its slot; a tool that
    // answers false, or is replaced during the call, ends.
    template <class F> void CallTool(F&& call);
    void RemovePendingObjects();
    // A press on curve (the selected line) starts the drag it asks for: on
    // the line itself (onLine), on a handle, or anywhere while it waits for
    // clicks. True when the press was taken.
    bool StartDrag(TCurvePLotter* curve, QPoint pixel, Qt::KeyboardModifiers modifiers, bool onLine);
    void Select(QPoint pixel, Qt::KeyboardModifiers modifiers);
    // Ends tool (its finishing action runs); a curve drag's picture of the rest goes with it.
    void FinishTool(std::unique_ptr<TMouseControl> tool);
    // While a curve drag runs, paints a copy of the picture of the graph
    // without the dragged line, the line drawn over it; false when no drag
    // runs (or its line has left), so the window's own picture is shown.
    bool PaintDragFrame(QPainter& painter, const QRect& rect);
    // Draws the graph without the dragged line; false when the line is not listed.
    bool TakeDragBackground(TCurvePLotter* curve);
    void DropDragBackground();
    // The cursor of a drag's number (0 leaves the cursor alone).
    void ShowDragCursor(int number);
    void Pan(int kind, long double percent);
    void ScrollBarAction(int kind, int action);
    void StartViewTool(QPoint pixel, Qt::KeyboardModifiers modifiers);
    // Starts the line-placing tool of the mode; false when there is no line to fill.
    bool StartLineTool(QPoint pixel, Qt::KeyboardModifiers modifiers);
    void HoverAt(QPoint pixel);
    void MoveCursorBy(int dx, int dy);
    // The picture at the window's size and ratio, with the stale lines drawn.
    void EnsurePicture();
    void InvalidatePicture(int from = 0);
    void DiscardLineStores();
    [[nodiscard]] std::vector<TGraphObject*> OverlayObjects() const;
    void PaintOverlays(Canvas& canvas, bool withObjects);
    // The picture with the graph objects drawn over it, for repaints while
    // neither they nor the picture change; false when it cannot serve now.
    bool RefreshObjectLayer();
    void SetCursorSlot(TCursorSlot slot);
    void HidePopup();

    std::unique_ptr<TGraphParams> params_;
    TLineSource* lines_ = nullptr;
    TGraphRenderer renderer_;
    QImage picture_;
    bool pictureValid_ = false;
    int drawnLines_ = 0; // lines already in the picture
    int repaintFrom_;
    unsigned pictureGeneration_ = 0;
    bool painting_ = false;
    bool drawingVisibly_ = false;
    int visibleFrom_ = INT_MAX; // a visible drawing waits to start from this line
    bool visibleQueued_ = false;
    bool paintSuppressed_ = false;
    bool axesPending_ = true;
    int selected_ = -1;
    int mouseMode_ = mmZoomIn;
    bool activationFlag_ = true;
    bool traceMode_ = false;
    std::unique_ptr<TMouseControl> tool_;
    // During a curve drag: the tool (alive while set, even while it is being
    // called), the line it drags as the background left it out, the graph
    // without that line, the frame last shown and the stored drawing of the
    // line it was drawn from (another drawing, or none, composes it again).
    TMouseDragCurve* dragTool_ = nullptr;
    const TEquationObject* dragLine_ = nullptr;
    TBackgroundPicture dragBackground_;
    QImage dragFrame_;
    bool dragFrameValid_ = false;
    const void* dragFrameDrawing_ = nullptr;
    unsigned viewGeneration_ = 0; // moves with the scales: a background of other scales is stale
    std::vector<std::unique_ptr<TGraphObject>> objects_;
    // What the object layer shows of each object; a difference redraws it.
    struct TObjectLook {
        const TGraphObject* object;
        QRect box;
        Extended anchorX, anchorY;
        bool selected, locked, shown;
        TColour colour;
        bool operator==(const TObjectLook&) const = default;
    };
    QImage objectLayer_;
    std::vector<TObjectLook> objectLayerLooks_;
    bool objectLayerValid_ = false;
    std::vector<TGraphObject*> markers_;
    // Objects to free once the tool being called has ended.
    std::vector<TGraphObject*> pendingRemovals_;
    int toolCalls_ = 0;
    std::unique_ptr<TTraceMarker> traceMarker_;
    TEquationDisplay* display_ = nullptr; // a child widget
    TCursorSlot cursorSlot_ = TCursorSlot::Default;
    bool leftDown_ = false, rightDown_ = false;
    int keyRepeat_ = 0;
    int panelWidth_ = 0, narrowReadings_ = 0;
    QPoint lastPointer_;
    std::array<QPointer<QScrollBar>, 2> scrollBars_;
    // The run of small scroll steps: its length, axis and direction, and
    // the time since its last step (a pause ends it).
    int smallRun_ = 0;
    int runKind_ = -1, runDirection_ = 0;
    QElapsedTimer sinceSmallStep_;
    QPoint wheelRemainder_; // eighths of a degree not yet turned into steps
};
