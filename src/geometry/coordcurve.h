// TCoordCurve: a coordinate list, the points a user enters rather than a
// formula: joined into a polyline or a closed shape, labelled A, B, C ..., or,
// as TDataPoints, marked with crosses as a data set. It plots through the
// curve plotter as a sequence of points, answers area, ranges, labels and
// the nearest row, writes and reads its rows in the document record, and
// changes as the coordinate editor, the popup menu and the mouse change it.
#pragma once

#include "expr/objectlist.h"
#include "geometry/coordinates.h"
#include "geometry/statistics.h"
#include "plot/curveplotter.h"
#include "plot/dragpoint.h"

#include <QPoint>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

class TAxes;
class TCoordRowsElement;

// Line switches of shapes: labels suppressed, shape shaded.
enum : std::uint16_t { swLabelsOff = 2, swShade = 4 };

// Description numbers of coordinate lists and shapes.
enum : int {
    dnCoordinates = 5,
    dnDataPoints = 6,
    dnSquare = 34,
    dnTriangle = 35,
    dnPentagon = 36,
    dnHexagon = 37,
    dnOctagon = 38,
    dnPolygonWith = 39,
    dnPolygon = 40,
    dnSidesOfLength = 41,
    dnVertex = 42,
    dnCentre = 26,
};

// A list with more rows is not labelled (letters would repeat).
inline constexpr int MaximumLabelledRows = 26;

// True for the headings a coordinate record is written under: "Coordinates",
// "Data points", the named shapes and "Polygon".
[[nodiscard]] bool IsCoordinateListHeading(int description);

class TCoordCurve : public TDependentCurvePlotter {
public:
    // A coordinate list (kind 5, joined) or a data set (kind 6, crosses),
    // headed by its kind's description; shaded when "Shade shapes" is on
    // (kind 5), labels suppressed when "Label coordinates" is off.
    explicit TCoordCurve(int kind = dnCoordinates);
    ~TCoordCurve() override;

    // The class name, as the command-line tool prints it.
    [[nodiscard]] virtual const char* KindName() const { return "TCoordCurve"; }
    // 5 for a coordinate list, 6 for a data set.
    [[nodiscard]] virtual int Kind() const { return dnCoordinates; }

    TObjectList<TBlankCoordinates> Points; // rows in entry order
    bool Joined = true;
    bool Closed = false;
    char LabelFrom = 'A';
    std::unique_ptr<TDragMatrices> DragMatrices; // while the whole list is dragged
    std::unique_ptr<TDragPointList> DragPoints;  // while handles are shown
    // While the coordinate editor works on the list, the editor draws it
    // over the graph's picture, which is then drawn without it.
    bool DrawnByEditor = false;

    // ---- the line ----------------------------------------------------------------
    // Makes the line the heading (a locked description) with the rows under it.
    void SetHeading(int description);
    // The heading's description number (0 when the line has none).
    [[nodiscard]] int Heading() const;
    // Shows the rows again after any change to them, and asks for the
    // layout, the drawing, the listing and the handles to follow.
    void RowsChanged();
    // Shows one row again after it alone changed.
    void RowChanged(int index);

    // ---- rows ----------------------------------------------------------------------
    [[nodiscard]] int RowCount() const { return Points.Count(); }
    // The point of a row, or nullptr for a blank row or an index outside the list.
    [[nodiscard]] TCoordinates* PointAt(int index) const;
    // The number of rows holding points.
    [[nodiscard]] int PointCount() const;
    // Appends a point; appends a blank row.
    void AddPoint(Extended x, Extended y);
    void AddBlank();
    // Appends the points (values[0], values[1]), (values[2], values[3]) ... and sets Closed.
    void AddIntegerPoints(std::span<const int> values, bool closed);
    // Puts row in place of the row at index (freeing it); false outside the list.
    bool ReplaceRow(int index, std::unique_ptr<TBlankCoordinates> row);
    // Inserts row before index (clamped).
    void InsertRow(int index, std::unique_ptr<TBlankCoordinates> row);
    // Removes and frees the row at index.
    void DeleteRow(int index);
    // Exchanges x and y of every point and redraws.
    void SwapXY();
    // Gathers the statistics of the points in row order: blank rows and
    // points that cannot be computed are left out, each point follows the
    // drag matrices while the whole list is dragged, then transform when one
    // is given (a point it refuses is left out too).
    void GatherStatistics(TGatherStatistics& stats, TPointTransform transform = nullptr) const;
    // The points GatherStatistics gathers, in row order.
    [[nodiscard]] std::vector<TRealPoint> UsablePoints(TPointTransform transform = nullptr) const;
    // Parses again every number that waited for a name declared later.
    void ResolvePendingNumbers(const std::vector<TEquationObject*>& declared);

    // ---- shape ---------------------------------------------------------------------
    // Joined, more than one row, every row a point, and Closed or the first
    // point equal to the last.
    [[nodiscard]] bool IsClosedShape() const;
    // Drawn as a closed figure: joined, closed and more than one row.
    [[nodiscard]] bool ClosedFigure() const;
    [[nodiscard]] bool LabelsSuppressed() const { return (Switches() & swLabelsOff) != 0; }
    [[nodiscard]] bool Shaded() const { return (Switches() & swShade) != 0; }

    // ---- dragging (the handles and mouse tools build on these) -------------------------
    // The row at index takes the point (x, y) as plain numbers.
    void ApplyDragPoint(int index, Extended x, Extended y);
    // Starts a drag of the whole list: the drawing follows the drag matrices.
    void StartWholeDrag();
    // Maps every draggable row through the drag matrices, each number
    // rounded for its axis, and ends the whole drag.
    void CommitWholeDrag(const TAxes& axes);
    // The first row whose point lies less than tolerance pixels from pixel
    // both across and down, or -1 (the point the mouse is over).
    [[nodiscard]] int RowNear(const TAxes& axes, QPoint pixel, int tolerance) const;
    // The row of the handle under pixel is removed (the popup's "Delete
    // point"); false when no handle is there.
    bool DeletePointAt(QPoint pixel, const TGraphParams& params);
    // Builds the handles: one per draggable point, its index the row.
    void RebuildDragPoints();

    // ---- curve operations ----------------------------------------------------------
    // The list as a sequence of N points: N = rows (+ 1 when a closed figure),
    // from sample 1; a closed figure is labelled without its repeated first
    // point and shaded when its shading switch is on.
    void InitContext(TXY& context) override;
    // Row (k - 1) mod rows for k = round(u·N); a blank row gives no point.
    void CalculatePoint(TXY& context) override;
    [[nodiscard]] Extended ParameterStep(const TAxes& window) override;
    [[nodiscard]] Extended ParameterAt(Extended y, Extended x) override;
    [[nodiscard]] Extended Area() override;
    // The range of the points doubled about its middle (an axis of zero
    // width is left alone).
    void SuggestRanges(TAxisRanges& bounds) override;
    void HandleBox(TRealPoint& fixed, TRealPoint& far) const override;
    [[nodiscard]] bool HasTransformHandles() const override { return true; }
    [[nodiscard]] char LabelLetter() const override { return LabelFrom; }
    [[nodiscard]] bool HasPointLabels() const override;
    [[nodiscard]] std::uint32_t PropertyFlags() const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    [[nodiscard]] bool UsesName(const TEquationObject& declaredNameLine) const override;
    // Editing a coordinate list opens the coordinate editor; there is no formula line.
    [[nodiscard]] std::unique_ptr<TEditor> ToEditor() override;
    void Recalculate() override;
    // Nothing while the coordinate editor draws the list itself.
    void DrawOnGraph(Canvas& canvas, TGraphParams& params) override;
    // The drawing the coordinate editor puts over the graph's picture, kept
    // to the box round the points (with room for the letters), so that its
    // shading costs that box and not the whole window.
    void DrawForEditor(Canvas& canvas, TGraphParams& params);
    // The Curve record with the coordinate part.
    void WriteTo(TMathsWriter& writer) const override;
    // "Coordinates" ("Data points" for a data set).
    void WriteDefinition(TMathsWriter& writer) const override;

    [[nodiscard]] TDragPointList* DragPointList() const override { return DragPoints.get(); }
    void BuildDragPoints(Canvas& canvas, TGraphParams& params) override;
    void DropDragPoints(Canvas& canvas, bool flag) override;
    [[nodiscard]] bool DragHandlesShown() const override { return DragPoints && !DragPoints->Empty(); }
    [[nodiscard]] TDragMatrices* DragMatricesOf(TDragPoint* handle) override;
    // The cursor of the handle under the mouse, else number 7 (the list moves as a whole).
    [[nodiscard]] int DragCursorAt(int currentCursor, QPoint pixel) override;
    // A handle's drag, else the whole list moves with the pointer.
    [[nodiscard]] std::optional<TDragPress> DragControlAt(QPoint pixel,
                                                          Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] bool MayMoveDragPoint(TDragPoint* handle, Extended& x, Extended& y) override;
    void DragPointMoved(TDragCustom* handle) override;
    void ApplyDragMatrices(TDragPoint* handle, const TDragMatrices& matrices) override;
    void FinishDrag(TDragPoint* handle) override;

    // A deep copy of the rows, flags and look (same class).
    [[nodiscard]] std::unique_ptr<TCoordCurve> CloneList() const;

protected:
    // Makes an empty list of the same class.
    [[nodiscard]] virtual std::unique_ptr<TCoordCurve> MakeEmpty() const;

private:
    [[nodiscard]] TCoordRowsElement* RowsElement() const;
    // The pixels of the rows (a row without a point far off) at the mapping
    // they were worked out for, so that following the mouse costs no
    // conversions until the rows or the scales change.
    struct TPixelCache {
        Extended xScale = 0, xOrigin = 0, yScale = 0, yOrigin = 0;
        std::vector<QPoint> pixels;
        bool valid = false;
    };
    mutable TPixelCache pixelCache_;
    // The drawing, layout, listing, dependants and handles follow a change of rows.
    void AfterRowsChange();
    // The plotted point of a row: its values through the drag matrices.
    [[nodiscard]] bool RowPoint(int index, TRealPoint& point) const;
};

// A data set: the same list, drawn with crosses, never labelled by default,
// offering best fit and statistics instead of polynomial fitting.
class TDataPoints : public TCoordCurve {
public:
    TDataPoints();
    [[nodiscard]] const char* KindName() const override { return "TDataPoints"; }
    [[nodiscard]] int Kind() const override { return dnDataPoints; }
    [[nodiscard]] std::uint32_t PropertyFlags() const override;

protected:
    [[nodiscard]] std::unique_ptr<TCoordCurve> MakeEmpty() const override;
};

// The bounding box of points, widened on each side by the letter "M" of the
// graph window's font in graph units (not widened without a graph window);
// zero for no points.
void HandleBoxOf(const std::vector<TRealPoint>& points, TRealPoint& fixed, TRealPoint& far);

// The cursor number of a press that moves a whole list or shape.
inline constexpr int MoveCursor = 7;
// The cursor of the handle under pixel (on the graph window), else MoveCursor.
[[nodiscard]] int HandleCursorAt(const TDragPointList* handles, QPoint pixel);

// Opens the coordinate editor on a list (registered by the main window;
// empty: editing a list does nothing).
inline std::function<void(TCoordCurve* list)> CoordinateEditorOpener;

// A coordinate list or data set for a heading read from a document (5, 6,
// the named shapes or "Polygon"), its rows read from the record's lines
// ("\t\tjoined: ", "\t\tclosed: ", "\t\tLabel from: " and the rows, each line
// without its line end). Problems are reported through warn with the line
// number of the record line they were found on. The rows are not yet shown
// in the list's elements: the reader gives it the elements the record holds
// and then calls RowsChanged once, rather than laying the rows out twice.
[[nodiscard]] std::unique_ptr<TCoordCurve>
ReadCoordinateList(int heading, const std::vector<std::pair<int, std::string>>& lines,
                   const std::vector<TEquationObject*>* declaredNames, bool gapsAsUndefined,
                   const std::function<void(int line, std::string text)>& warn);

// A number of a record's row: a plain number in either written form, or an
// expression against the declared names (waiting for them when not yet
// declared); nullptr when the text cannot be read at all.
[[nodiscard]] TRealReaderPtr RowNumberFromText(std::string_view text,
                                               const std::vector<TEquationObject*>* declaredNames);

// A data set holding the points, as number pairs read from a text file become.
[[nodiscard]] std::unique_ptr<TDataPoints>
MakeDataPoints(std::span<const std::pair<Extended, Extended>> points);
