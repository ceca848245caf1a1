// Regular polygons: TPolygon, given by its number of sides, side length and
// centre (the Polygon command and the named shapes typed in), and
// TDragPolygon, given by its centre and one vertex, placed with two presses
// on the graph. Both plot their vertices as a closed figure, answer area,
// ranges and labels, write their definition lines, and turn into a plain
// coordinate list when they are to be changed point by point.
#pragma once

#include "geometry/coordcurve.h"
#include "graph/mousecontrol.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// More sides than this are refused: each vertex is a handle and a sample at
// every drawing, and such a polygon cannot be told from a circle.
inline constexpr int MaximumPolygonSides = 1000;

// The number of sides of a named shape's description (34 to 38), 0 for others.
[[nodiscard]] int NamedShapeSides(int description);
// The description of a named shape with n sides (34 to 38), 0 for other counts.
[[nodiscard]] int NamedShapeDescription(int sides);

class TPolygon : public TCurvePLotter {
public:
    // A polygon with n sides of length L centred at the point (numbers owned).
    TPolygon(TRealReaderPtr sides, TRealReaderPtr sideLength, std::unique_ptr<TCoordinates> centre);
    ~TPolygon() override;

    [[nodiscard]] virtual const char* KindName() const { return "TPolygon"; }

    TRealReaderPtr SideLength; // none for a polygon given by centre and vertex
    TRealReaderPtr Sides;
    std::unique_ptr<TCoordinates> Centre; // none until placed
    std::unique_ptr<TDragPointList> DragPoints;

    // A whole number of sides from 3 to 1000, a finite side length and centre.
    [[nodiscard]] virtual bool Valid() const;
    // The number of sides (0 when it is not a whole number in range).
    [[nodiscard]] int SideCount() const;
    // The circumradius, 0 when not valid.
    [[nodiscard]] virtual Extended Circumradius() const;
    // The side length (from the circumradius for a polygon placed by its vertex).
    [[nodiscard]] virtual Extended SideLengthValue() const;
    // Vertices 0 ... n - 1; none when not valid.
    [[nodiscard]] virtual std::vector<TRealPoint> Vertices() const;
    // The description number the line starts with (39 "Polygon with", or a shape's).
    [[nodiscard]] int OwnDescription() const;

    // A closed kind-5 coordinate list of the vertices in this polygon's
    // place, with its look and switches, headed by its own description (39
    // becoming 40 "Polygon"); nullptr when not valid.
    [[nodiscard]] std::unique_ptr<TCoordCurve> ConvertToList() const;
    // Puts ConvertToList in this polygon's place in the equations list and
    // answers the new list (borrowed) and this polygon, now out of the list
    // (the caller frees it once it has returned); nullptr when not replaced.
    TCoordCurve* ReplaceWithList(std::unique_ptr<TEquationObject>& old);

    // ---- curve operations ----------------------------------------------------------
    // N = sides + 1 from sample 1, closed, labelled without the repeated vertex.
    void InitContext(TXY& context) override;
    // Vertex k - 1 (vertex N - 1 is vertex 0 again).
    void CalculatePoint(TXY& context) override;
    [[nodiscard]] Extended ParameterStep(const TAxes& window) override;
    [[nodiscard]] Extended ParameterAt(Extended y, Extended x) override;
    // r²·n·sin(2π/n)/2, 0 when not valid.
    [[nodiscard]] Extended Area() override;
    // The centre ± 1.2 × the larger of the side length and the circumradius.
    void SuggestRanges(TAxisRanges& bounds) override;
    void HandleBox(TRealPoint& fixed, TRealPoint& far) const override;
    [[nodiscard]] bool HasPointLabels() const override;
    [[nodiscard]] std::uint32_t PropertyFlags() const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    // Fixed list of 6 fields: "Polygon with", n, "sides of length", L, "centre", the point.
    void WriteDefinition(TMathsWriter& writer) const override;
    [[nodiscard]] TDragPointList* DragPointList() const override { return DragPoints.get(); }
    void BuildDragPoints(Canvas& canvas, TGraphParams& params) override;
    void DropDragPoints(Canvas& canvas, bool flag) override;
    // The cursor of the handle under the mouse, else number 7.
    [[nodiscard]] int DragCursorAt(int currentCursor, QPoint pixel) override;
    // A regular polygon is dragged point by point as the list of its
    // vertices: the press puts that list in its place and hands it the drag
    // (this polygon is freed at the next press).
    [[nodiscard]] std::optional<TDragPress> DragControlAt(QPoint pixel,
                                                          Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] bool HasTransformHandles() const override { return true; }
    // The transform handles go to the list that takes this polygon's place.
    void StartTransformDrag(int mode) override;

protected:
    // Vertex a for the given circumradius (the polygon's own angles).
    [[nodiscard]] virtual TRealPoint VertexAt(int a, Extended r) const;
};

class TDragPolygon : public TPolygon {
public:
    // A shape of n sides with neither centre nor vertex yet.
    explicit TDragPolygon(int sides);
    // A shape of n sides with its centre and one vertex.
    TDragPolygon(TRealReaderPtr sides, std::unique_ptr<TCoordinates> centre,
                 std::unique_ptr<TCoordinates> vertex);

    [[nodiscard]] const char* KindName() const override { return "TDragPolygon"; }

    std::unique_ptr<TCoordinates> Vertex; // none until placed
    TDragMatrices DragMatrices;

    // Both the centre and the vertex are placed.
    [[nodiscard]] bool Complete() const { return Centre && Vertex; }
    // Complete, and valid as a polygon.
    [[nodiscard]] bool Valid() const override;
    // An incomplete shape asks to leave the equations list once it is no longer being placed.
    [[nodiscard]] bool IsValid() const override { return Complete(); }
    [[nodiscard]] Extended Circumradius() const override;
    [[nodiscard]] Extended SideLengthValue() const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    // Fixed list of 5 fields: the shape's name, "centre", the point, "vertex", the point.
    void WriteDefinition(TMathsWriter& writer) const override;
    void BuildDragPoints(Canvas& canvas, TGraphParams& params) override;
    // Cursor 19 while the shape waits for its points.
    [[nodiscard]] int DragCursorAt(int currentCursor, QPoint pixel) override;
    // A complete shape keeps its form: its centre handle carries it, its
    // vertex handle turns and resizes it, a press on a side moves it whole.
    [[nodiscard]] std::optional<TDragPress> DragControlAt(QPoint pixel,
                                                          Qt::KeyboardModifiers modifiers) override;
    void DragPointMoved(TDragCustom* handle) override;
    void ApplyDragMatrices(TDragPoint* handle, const TDragMatrices& matrices) override;
    [[nodiscard]] TDragMatrices* DragMatricesOf(TDragPoint* handle) override;
    void FinishDrag(TDragPoint* handle) override;
    [[nodiscard]] bool HasTransformHandles() const override { return false; }
    void StartTransformDrag(int mode) override { (void)mode; }

    // Places the next point (the centre, then the vertex) at (x, y) and
    // writes it into the line; answers whether the shape is now complete.
    bool PlacePoint(Extended x, Extended y);
    // Moves the centre (index 2: the whole shape) or the vertex (index 4:
    // turns and resizes it) to (x, y), writing the numbers into its line.
    void ApplyDragPoint(int index, Extended x, Extended y);
    // The status-line text while placing ("Click one point to place the
    // centre of the Square"), empty once complete.
    [[nodiscard]] std::string PlacingPrompt() const;
    // The line of a new shape: its name, "centre", "(x, y)", "vertex", "(x, y)".
    [[nodiscard]] static TElementList PlacingLine(int sides);

protected:
    [[nodiscard]] TRealPoint VertexAt(int a, Extended r) const override;

private:
    void WritePointIntoLine(int field, Extended x, Extended y);
    TRealPoint dragCentre_, dragVertex_; // where a whole move started
};

// Places a shape with presses on the graph: each press puts the next point
// of the shape (the centre, then a vertex); the tool stays active until the
// shape is complete or has left the equations list. After each point,
// placed is called with the shape.
class TMousePlaceShape : public TMouseControl {
public:
    TMousePlaceShape(TGraphSurface& surface, TDragPolygon* shape, std::function<void(TDragPolygon*)> placed);

    void MousePress(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] bool MouseRelease(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] bool MousePressAgain(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    // The shape being placed (borrowed), or nullptr once it has left the list.
    [[nodiscard]] TDragPolygon* Shape() const;

private:
    TDragPolygon* shape_; // borrowed; checked against the equations list before each use
    std::function<void(TDragPolygon*)> placed_;
};
