// TCurvePLotter: the base of every line drawn from mathematics. A kind only
// says how to compute the point for a parameter fraction u in [0, 1]
// (CalculatePoint); the base samples u, refines where the formula stops or
// starts being defined, converts to pixels through its own copy of the axes,
// breaks the line at steps, poles, failures and far-off points, shades
// inequalities, caches what it drew for fast repainting, reports a curve
// that could not be drawn, and answers hit tests, comparisons, suggested
// ranges and crossings. TDependentCurvePlotter is the base of curves computed
// from another curve, their primary.
#pragma once

#include "formula/equationobject.h"
#include "graph/axes.h"
#include "numbers/numerics.h"
#include "plot/dragmatrices.h"
#include "plot/dragpoint.h"
#include "plot/polylinestore.h"

#include <QPoint>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Canvas;
class TGraphParams;
class TMathsWriter;
class TDragCustom;
class TDragPoint;
class TDragPointList;
class TCurvePLotter;

// The status-line texts of a first drawing that drew nothing.
inline constexpr std::string_view ComplexCurveMessage = "The equation is complex in the graph's range";
inline constexpr std::string_view OffScreenCurveMessage = "The curve is off the screen";
// True while the status line shows the off-screen message of a plotter, so
// that the next curve drawn for the first time on screen clears it. Whoever
// writes the status line otherwise clears this.
inline bool OffScreenMessageShown = false;

// Refinement stops at this density while drawing, and crossing search at the second.
inline constexpr int DrawingRefinementLimit = 100000;
inline constexpr int CrossingRefinementLimit = 10000000;

// The plotting context of one drawing or calculation pass, handed to every
// curve operation.
class TPolyLineBuffer;

struct TXY {
    // Off-screen axes (length 100, no scales).
    TXY();
    // A copy of the window's axes, N = "Accuracy" x 100 and the window's size;
    // with a repaint rectangle that does not cover the window, the clip
    // fields hold its graph values widened by one pixel.
    explicit TXY(const TGraphParams& params);
    virtual ~TXY();
    TXY(const TXY&) = delete;
    TXY& operator=(const TXY&) = delete;
    // A context of its own with the same fields (a copy of the axes), for a
    // worker continuing the drawing beside this one.
    [[nodiscard]] std::unique_ptr<TXY> Clone() const;

    Extended X = 0, Y = 0;         // the point just calculated
    Extended PrevX = 0, PrevY = 0; // a previous point, for slopes
    Extended Parameter = 0;        // the fraction u to calculate at
    Extended ClipXMin = 0, ClipXMax = 0, ClipYMin = 0, ClipYMax = 0;
    std::int32_t StartIndex = 0;   // the first sample index
    bool Reverse = false;          // sample from u = 1 down to 0
    bool JoinPoints = true;        // join points by lines, otherwise mark each with a cross
    std::uint8_t LabelSkip = 0;    // samples not labelled at the end
    bool Skip = false;             // draw nothing
    std::unique_ptr<TAxes> Axes;   // owned copy, so a kind may change its ranges
    std::int32_t SampleCount = 1;  // N, the number of sample intervals
    std::int32_t CurrentCount = 1; // the N in force during refinement
    std::int32_t PartCount = 1;    // how many separate parts the curve is drawn in
    bool PartialPaint = false;     // a repaint rectangle smaller than the window was given
    bool Continuous = true;        // cleared by a kind: do not join this point to the previous one
    bool Pencil = false;           // the demonstration pencil is on
    bool PencilShown = false;
    std::uint8_t ShadeKind = 0; // 0 none, 1-4 towards a window edge, 5 inside the closed polyline
    bool DrawLine = true;       // draw the polyline itself (false for strict inequalities)
    bool Labelling = false;     // this is a labelling pass
    std::int32_t WindowWidth = 0, WindowHeight = 0;
    bool AllOffScreen = true;             // no point lay on screen
    bool AllInvalid = true;               // no point was defined
    bool ExactParameter = false;          // one point is asked for at a given parameter
    bool Abandoned = false;               // Escape abandoned the drawing
    bool Unseen = false;                  // computed off the drawing thread: stored, nothing drawn
    TPolyLineStore* Store = nullptr;      // the store this drawing records into (borrowed), or none
    const TGraphParams* Params = nullptr; // the window's parameters (borrowed), or none
};

// A context for hit tests: the graph point searched for and its pixel. The
// clip fields carry the tolerance: ClipXMin 5 pixels in x units, ClipYMin 5
// pixels in y units (both positive).
struct TXYSearch : TXY {
    TXYSearch() = default;
    // A search for the graph point under pixel with a 5-pixel tolerance.
    TXYSearch(const TGraphParams& params, QPoint pixel);

    Extended SearchX = 0, SearchY = 0;
    QPoint SearchPixel;
};

// Offset and scale of drag matrices per axis.
struct TAxisMaps {
    Extended XOffset = 0, XScale = 1, YOffset = 0, YScale = 1;
};

// What the main window's equations list offers the curves: redrawing after a
// change of look, line numbers for document records, the list itself and the
// graph's canvas and parameters. The program installs its implementation;
// without one these requests go nowhere.
class TPlotHost {
public:
    virtual ~TPlotHost() = default;
    // Redraws curve and the lines that depend on it (the whole graph is to be
    // repainted from the curve on, as its shading cannot be erased).
    virtual void RedrawCurve(TCurvePLotter& curve) { (void)curve; }
    // The index of object in the equations list, or -1.
    [[nodiscard]] virtual int LineIndexOf(const TEquationObject* object) const
    {
        (void)object;
        return -1;
    }
    // The lines of the equations list in order (borrowed).
    [[nodiscard]] virtual std::vector<TEquationObject*> Lines() const { return {}; }
    // Puts replacement in old's place; answers old, now out of the list, or
    // replacement itself when old is not listed.
    [[nodiscard]] virtual std::unique_ptr<TEquationObject>
    ReplaceLine(TEquationObject& old, std::unique_ptr<TEquationObject> replacement)
    {
        (void)old;
        return replacement;
    }
    // The graph window's canvas and parameters, or nullptr without one (borrowed).
    [[nodiscard]] virtual Canvas* GraphCanvas() { return nullptr; }
    [[nodiscard]] virtual TGraphParams* GraphParams() { return nullptr; }
    // Puts the graph window into mouse mode code because a line was selected
    // (212: clicks place solution curves) or leaves that mode (0).
    virtual void SetGraphMouseMode(int code) { (void)code; }
};

// The host in force (borrowed), or nullptr.
inline TPlotHost* PlotHost = nullptr;

// The automatic accuracy for a test curve drawn at Accuracy 5 in seconds:
// Round(5 / (2·seconds)), at least 2 and at most 20 (about one sample per
// pixel column of a large window); 20 when no time was measured.
[[nodiscard]] int AutomaticAccuracyFor(double seconds);
inline constexpr int MaximumAutomaticAccuracy = 20;
inline constexpr int MinimumAutomaticAccuracy = 2;
// Draws the test curve once at Accuracy 5 without caching and answers the
// automatic accuracy its drawing time gives; the settings are left as they were.
[[nodiscard]] int MeasureAutomaticAccuracy(TCurvePLotter& testCurve, Canvas& canvas, TGraphParams& params);

class TCurvePLotter : public TEquationObject {
public:
    TCurvePLotter();
    ~TCurvePLotter() override;

    // ---- virtual operations --------------------------------------------------
    // Draws the curve into canvas with context: the sampling loop (Plot).
    virtual void Draw(Canvas& canvas, TXY& context) { Plot(canvas, context); }
    // Sets X and Y for context.Parameter; may clear Continuous or leave a
    // failure in the evaluation status.
    virtual void CalculatePoint(TXY& context) { (void)context; }
    // Writes the kind line of the document record.
    virtual void WriteDefinition(TMathsWriter& writer) const { (void)writer; }

    // Whether a worker thread may compute the stored drawing: computing it
    // touches only the curve itself, its context and the evaluation state of
    // the thread (no declared function, no other curve, no canvas).
    [[nodiscard]] virtual bool ComputesOffThread() const { return false; }
    // True when, computed unseen with context, the members of a family after
    // the first may be computed beside each other, each from a fresh start:
    // one part, no state carried from one point to the next, and nothing
    // else of the curve that evaluating changes.
    [[nodiscard]] virtual bool MembersComputeApart(const TXY& context)
    {
        (void)context;
        return false;
    }
    // Runs compute with this thread evaluating the curve through compiled
    // forms of its own (the curve's own stay with the thread that owns them).
    virtual void WithOwnForms(const std::function<void()>& compute) { compute(); }

    // ---- dynamic operations --------------------------------------------------
    [[nodiscard]] virtual bool IsInequality() const { return false; }
    // Sets PartCount, ShadeKind, DrawLine and the ranges of the context's axes.
    virtual void InitContext(TXY& context) { (void)context; }
    // Selects part (1 ... PartCount) of the curve.
    virtual void SelectPart(TXY& context, int part)
    {
        (void)context;
        (void)part;
    }
    [[nodiscard]] virtual bool HasPointLabels() const { return false; }
    virtual void DrawConstructionLines(Canvas& canvas, TGraphParams& params)
    {
        (void)canvas;
        (void)params;
    }
    // True when a stored point lies within 5 pixels in x and in y of the search pixel.
    [[nodiscard]] virtual bool IsNear(TXYSearch& search);
    // Replaces the bounds of the axes the curve concerns by mean ± 1.75
    // standard deviations of 51 samples (only with property 0x200).
    virtual void SuggestRanges(TAxisRanges& bounds);
    // The letter of a variable: index 0 the dependent, 1 the independent one; 0 for none.
    [[nodiscard]] virtual char VariableLetter(int index) const
    {
        (void)index;
        return 0;
    }
    // The parameter of the curve nearest the graph point (x, y) (note the order).
    [[nodiscard]] virtual Extended ParameterAt(Extended y, Extended x)
    {
        (void)y;
        (void)x;
        return 0;
    }
    // How far one trace step moves the parameter, for the window shown with window's axes.
    [[nodiscard]] virtual Extended ParameterStep(const TAxes& window)
    {
        (void)window;
        return 1;
    }
    // ParameterAt of the rounded graph point under pixel, with "Mouse figures" figures.
    [[nodiscard]] virtual std::string PointText(const TAxes& axes, QPoint pixel);
    virtual void SetParameterValue(TXY& context, Extended v) { context.Parameter = v; }
    // The area enclosed by a closed shape.
    [[nodiscard]] virtual Extended Area() { return 0; }
    [[nodiscard]] virtual char LabelLetter() const { return 'A'; }
    // Whether the object keeps the pixel geometry of its last drawing.
    [[nodiscard]] virtual bool UsesLineStore() const { return true; }

    // Drag support; the kinds that can be dragged implement these.
    // The drag a press at pixel starts (the mouse tools make its control), or
    // nothing. By default: the drag of the handle pressed; with exactly Ctrl
    // held, a Ctrl-movable handle moves alone.
    [[nodiscard]] virtual std::optional<TDragPress> DragControlAt(QPoint pixel,
                                                                  Qt::KeyboardModifiers modifiers);
    virtual void SetDragValue(Extended value) { (void)value; }
    [[nodiscard]] virtual int DragCursorAt(int currentCursor, QPoint pixel);
    [[nodiscard]] virtual TAxisMaps AxisMaps() const { return {}; }
    virtual void DragPointMoved(TDragCustom* handle) { (void)handle; }
    // May the handle be moved alone to (x, y); may adjust x and y.
    [[nodiscard]] virtual bool MayMoveDragPoint(TDragPoint* handle, Extended& x, Extended& y);
    virtual void ApplyDragMatrices(TDragPoint* handle, const TDragMatrices& matrices);
    // The drag matrices a drag starts from (borrowed), or nullptr.
    [[nodiscard]] virtual TDragMatrices* DragMatricesOf(TDragPoint* handle);
    virtual void FinishDrag(TDragPoint* handle) { (void)handle; }
    // The handle list (borrowed), or nullptr.
    [[nodiscard]] virtual TDragPointList* DragPointList() const { return nullptr; }
    virtual void BuildDragPoints(Canvas& canvas, TGraphParams& params);
    virtual void DropDragPoints(Canvas& canvas, bool flag);
    // The fixed point and the far corner of the transform handles.
    virtual void HandleBox(TRealPoint& fixed, TRealPoint& far) const;
    // The curve can be turned, stretched, enlarged and moved by transform handles.
    [[nodiscard]] virtual bool HasTransformHandles() const { return false; }
    // Puts up the transform handles of mode 6 (turn), 7 (stretch), 8
    // (enlarge) or 9 (move) at the handle box, in place of any there were;
    // the handles of points stay.
    void StartTransformDrag(int mode) override;
    // The class of the description that rewrites the curve's equation while
    // it is dragged, "" for none.
    [[nodiscard]] virtual std::string DragDescriptionName() const { return {}; }
    // The curve still waits for clicks on the graph to place its points (a
    // centre, the points of a line): a press anywhere goes to it.
    [[nodiscard]] virtual bool WaitsForClicks() const { return false; }
    // True when a handle list exists and is not empty.
    [[nodiscard]] virtual bool DragHandlesShown() const { return false; }
    // True when the line is locked against dragging.
    [[nodiscard]] virtual bool IsLocked() const { return false; }

    // Finds where this curve meets other within the window: each point is
    // added to exact and, rounded for display, to rounded, unless either
    // already holds it.
    virtual void FindCrossings(TCurvePLotter& other, const TGraphParams& params,
                               std::vector<TRealPoint>& rounded, std::vector<TRealPoint>& exact);
    // How far (with sign) point lies from part of this curve; a kind that
    // cannot be crossed leaves status 5.
    [[nodiscard]] virtual Extended SignedDistance(const TRealPoint& point, int part);
    // Whether the kind measures SignedDistance (explicit curves and lines do).
    [[nodiscard]] virtual bool MeasuresDistance() const { return false; }

    // ---- overrides -------------------------------------------------------------
    // The "Curve" record.
    void WriteTo(TMathsWriter& writer) const override;
    // A formula line holding the curve's elements for editing; the curve
    // keeps the markup of its formula as plain text.
    [[nodiscard]] std::unique_ptr<TEditor> ToEditor() override;
    // Replays the stored drawing, or samples the curve afresh (recording it).
    void DrawOnGraph(Canvas& canvas, TGraphParams& params) override;
    // After the inherited handling builds (when dragging is allowed) or drops the handles.
    void ShowDragHandles(bool show) override;
    // True when CompareCurve answers 0.
    [[nodiscard]] bool CompareWith(const TEquationObject& other, const TGraphParams& params) const override;
    // Discards the stored drawing and has the graph redraw the curve.
    void SetSwitch(std::uint16_t mask, bool on) override;
    // What the curve was drawn from changed (a declared name it uses): the
    // stored drawing no longer holds.
    void Recalculate() override { DiscardLineStore(); }

    // ---- plain operations ------------------------------------------------------
    // The sampling loop: every part of every family member, then the
    // end-of-drawing messages of a first drawing.
    void Plot(Canvas& canvas, TXY& context);
    // 0 the same curve, 1 a different kind, 2 a different curve.
    [[nodiscard]] int CompareCurve(TCurvePLotter& other, const TGraphParams& params);

    [[nodiscard]] TPolyLineStore* LineStore() const { return lineStore_.get(); }
    // The store, created (recording) when the kind uses one; nullptr otherwise.
    TPolyLineStore* LineStoreOrNew();
    void SetLineStore(std::unique_ptr<TPolyLineStore> store) { lineStore_ = std::move(store); }
    // Takes the stored drawing away (a picture computed apart puts it back after).
    [[nodiscard]] std::unique_ptr<TPolyLineStore> TakeLineStore() { return std::move(lineStore_); }
    // Frees the stored drawing (whenever the curve or the scales change).
    void DiscardLineStore() { lineStore_.reset(); }

    // Pen style, colour (through the shared colour adjustment) and width of the curve.
    void SetPen(Canvas& canvas) const;
    // Draws the letters of a kind with point labels.
    void LabelPoints(Canvas& canvas, const TGraphParams& params);
    // Puts curve in this one's place in the equations list and in every line
    // that depends on this one, and redraws. Answers the object that left the
    // list (this one: the caller frees it once it has returned), or curve
    // itself when there is no list to put it in.
    [[nodiscard]] std::unique_ptr<TEquationObject> ReplaceBy(std::unique_ptr<TCurvePLotter> curve);
    // The point at parameter v (window axes when params are given).
    [[nodiscard]] TRealPoint PointAtParameter(Extended v, const TGraphParams* params = nullptr);
    // The sample index (1 ... N) nearest the search point, or -1.
    [[nodiscard]] int NearestSample(TXYSearch& search);
    // True when some part of the curve passes within 5 pixels of pixel.
    [[nodiscard]] bool IsNearPoint(QPoint pixel, const TGraphParams& params);
    // The elements of the left-hand side: the variable letter (θ for 'q') and " =".
    [[nodiscard]] TElementList LeftHandSide() const;
    // The settings allow dragging curves and the curve is not locked.
    [[nodiscard]] bool DraggingAllowed() const;

    // The displayed text is a description; the record then starts with the definition line.
    bool DescriptionFlag = false;
    // The formula line as it was typed (markup) before a name was shown
    // instead: written as the definition line, so that the numbers keep
    // every figure typed; empty when the kind writes its own definition.
    std::string TypedDefinition;

    // Shows the end-of-drawing messages the first time a curve is plotted
    // (for kinds that drive the sampling themselves); computed unseen, they
    // wait for ShowPendingReport.
    void ReportFirstDrawing(const TXY& context);
    // Computes the family members after the first on workers into stores of
    // their own and appends them, in order, to what buffer recorded.
    void PlotOtherMembers(Canvas& canvas, TXY& context, TPolyLineBuffer& buffer);
    // Computes the stored drawing into the curve's store with context (made
    // by the drawing thread, Unseen set; scratch is never drawn on), for the
    // kinds that compute off the drawing thread. False when it was abandoned
    // (the store is then discarded) or could not be stored.
    bool ComputeLineStore(Canvas& scratch, TXY& context);
    // Shows the end-of-drawing messages an unseen computation held back (on
    // the drawing thread, in list order).
    void ShowPendingReport();

protected:
    // The displayed line of the Curve record (its markup, without line end).
    virtual void WriteDisplayedLine(TMathsWriter& writer) const;
    // Draws the handles of the selected curve after the curve.
    virtual void DrawDragPoints(Canvas& canvas, TGraphParams& params)
    {
        (void)canvas;
        (void)params;
    }

private:
    // The messages of a first drawing computed unseen: everything off the
    // window, nothing defined.
    struct TPendingReport {
        bool pending = false, allInvalid = false, allOffScreen = false;
    };

    void ShowReport(bool allInvalid, bool allOffScreen);

    std::unique_ptr<TPolyLineStore> lineStore_;
    TPendingReport pendingReport_;
};

// The crossings of other with a curve given as the points its drawing
// computes, one list per unbroken run: a sign change of other's signed
// distance between consecutive points gives the point where it is zero on
// the straight line between them, and a distance that shrinks to within the
// tolerance and grows again gives a touching point.
void FindCrossingsAlong(const std::vector<std::vector<TRealPoint>>& runs, TCurvePLotter& other,
                        const TGraphParams& params, std::vector<TRealPoint>& rounded,
                        std::vector<TRealPoint>& exact);

class TDependentCurvePlotter : public TCurvePLotter {
public:
    // A curve computed from primary (borrowed), drawn with a solid pen.
    explicit TDependentCurvePlotter(TCurvePLotter* primary = nullptr);

    [[nodiscard]] TEquationObject* GetParent() const override { return PrimaryCurve; }
    // Takes parent as the primary when it is a curve (otherwise none).
    void SetParent(TEquationObject* parent) override;
    // The curve record followed by the primary's line number.
    void WriteTo(TMathsWriter& writer) const override;

    TCurvePLotter* PrimaryCurve = nullptr; // borrowed
};
