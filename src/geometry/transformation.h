// The images of shapes, coordinate lists and curves under translations,
// reflections, rotations, enlargements, stretches, shears and matrices. A
// transformation line is a list of components, each knowing its own map and
// how it is written; the image curve composes them into one affine map
// x' = M·x + T and plots its parent through it, once or repeated.
#pragma once

#include "expr/matrix.h"
#include "geometry/coordinates.h"
#include "plot/curveplotter.h"
#include "plot/dragpoint.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TYofX;

// Description numbers of the transformation words.
enum : int {
    dnMatrixWord = 12,
    dnTranslationWord = 13,
    dnRotationAbout = 14,
    dnReflectionIn = 15,
    dnEnlargementCentre = 16,
    dnShearLine = 17,
    dnStretchLine = 18,
    dnRepeats = 19,
    dnFactor = 20,
    dnInvariant = 22,
    dnAngleWord = 23,
    dnDegreeMark = 46,
    dnRadianMark = 47,
    dnTurn = 48,
    dnClockwise = 49,
    dnAnticlockwise = 50,
};

// The most images a "repeats" line may ask for; more would keep the graph
// busy for minutes.
inline constexpr int MaximumRepeats = 1000;
// The line switch that hides an image's construction (centres, mirror lines).
inline constexpr std::uint16_t swHideConstruction = 1;
// A map whose determinant is smaller than this in size has no usable inverse.
inline constexpr Extended SingularDeterminant = 1e-10L;

class TTransform;

// One step of a transformation.
class TTransformParent : public TCalculatedObject {
public:
    // Composes this step's map after target's (target := this after target);
    // false when a number of the step cannot be computed.
    virtual bool ComposeInto(TTransform& target) const = 0;
    // Has everything it needs to compose its map.
    [[nodiscard]] virtual bool IsComplete() const { return true; }
    // The step's part of the document record.
    void WriteTo(TMathsWriter& writer) const override = 0;
    // A translation by a matrix (the construction lines draw these).
    [[nodiscard]] virtual bool IsTranslation() const { return false; }
    // Shows how the step works on the graph: a centre, a mirror line.
    virtual void DrawConstruction(Canvas& canvas, TGraphParams& params, TColour colour) const
    {
        (void)canvas;
        (void)params;
        (void)colour;
    }
    // The search point is on the step's construction.
    [[nodiscard]] virtual bool HitConstruction(TXYSearch& search) const
    {
        (void)search;
        return false;
    }

    // ---- dragging the image to change the step ----
    // The image can be dragged to change this step (its angle, factor or translation).
    [[nodiscard]] virtual bool CanDragWhole() const { return false; }
    // The cursor number over an image that can be dragged whole.
    [[nodiscard]] virtual int WholeDragCursor() const { return 0; }
    // The drag a press on the image starts: the step's value now with its
    // centre or invariant line.
    [[nodiscard]] virtual TDragPress WholeDrag() const { return {}; }
    // Takes a value found by a whole drag: an angle in radians or a factor.
    virtual void SetFromDrag(Extended value) { (void)value; }
    // Takes a moved handle of this step (a centre), the point rounded by the axes.
    virtual void ApplyDragPoint(const TRealPoint& point) { (void)point; }
    // Adds the step's handles to list; index is the step's place in the line.
    virtual void AddDragPoints(TDragPointList& list, TCurvePLotter* owner, int index) const
    {
        (void)list;
        (void)owner;
        (void)index;
    }
    // Waits for a click to place its centre (rotations and enlargements made to be dragged).
    [[nodiscard]] virtual bool NeedsCentre() const { return false; }
    // The straight line the step is built on (a mirror or invariant line),
    // borrowed; nullptr for none. A line made to be placed by clicks waits
    // for them, and is dragged by its own handles afterwards.
    [[nodiscard]] virtual TYofX* ConstructionLine() const { return nullptr; }
    // The step as the line shows it, written from its values now; "" leaves the line alone.
    [[nodiscard]] virtual std::string StepMarkup(const TAxes& axes) const
    {
        (void)axes;
        return {};
    }
};

// The value of a formula of a step, or false when it cannot be computed.
[[nodiscard]] bool StepValue(const TEvaluator* tree, Extended& value);

// A construction dot at a graph point, in colour.
void DrawConstructionDot(Canvas& canvas, const TGraphParams& params, const TRealPoint& point, TColour colour);

using TTransformStepPtr = std::unique_ptr<TTransformParent>;

// An affine map: M (2 × 2) and T (2 × 1). Also a step of its own when read
// from a record that stores the six numbers.
class TTransform : public TTransformParent {
public:
    TTransform();
    TTransform(const TRealMatrix& m, const TRealMatrix& t);

    TRealMatrix M;
    TRealMatrix T;

    [[nodiscard]] TRealPoint Apply(const TRealPoint& p) const;
    // M⁻¹·(p − T); false when the map is singular.
    [[nodiscard]] bool ApplyInverse(const TRealPoint& p, TRealPoint& result) const;
    // this := a after this.
    void ComposeAfter(const TTransform& a);
    // This map applied n times (n ≥ 0), by repeated squaring.
    [[nodiscard]] TTransform Power(int n) const;
    [[nodiscard]] Extended Determinant() const { return M.Determinant(); }
    [[nodiscard]] bool Invertible() const;

    bool ComposeInto(TTransform& target) const override;
    // "Matrix" and then "Translation", each entry with 10 figures.
    void WriteTo(TMathsWriter& writer) const override;
};

// A rotation by Angle × UnitFactor radians about Centre (anticlockwise when positive).
class TRotation : public TTransformParent {
public:
    TRotation(TEvaluatorPtr angle, Extended unitFactor, std::unique_ptr<TCoordinates> centre);

    TEvaluatorPtr Angle;
    Extended UnitFactor;
    std::unique_ptr<TCoordinates> Centre;

    bool ComposeInto(TTransform& target) const override;
    [[nodiscard]] bool IsComplete() const override { return Centre != nullptr; }
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void WriteTo(TMathsWriter& writer) const override;
    // A dot at the centre.
    void DrawConstruction(Canvas& canvas, TGraphParams& params, TColour colour) const override;
    // Within the plotter's tolerance of the centre.
    [[nodiscard]] bool HitConstruction(TXYSearch& search) const override;

    [[nodiscard]] bool CanDragWhole() const override { return Centre != nullptr; }
    [[nodiscard]] int WholeDragCursor() const override { return crDragRotate; }
    [[nodiscard]] TDragPress WholeDrag() const override;
    // The angle := value / UnitFactor, to "Mouse figures" figures.
    void SetFromDrag(Extended value) override;
    void ApplyDragPoint(const TRealPoint& point) override;
    // A handle at the centre, once there is one.
    void AddDragPoints(TDragPointList& list, TCurvePLotter* owner, int index) const override;
    [[nodiscard]] bool NeedsCentre() const override { return Centre == nullptr; }
    [[nodiscard]] std::string StepMarkup(const TAxes& axes) const override;

protected:
    // Composes the linear map m about Centre.
    bool ComposeAboutCentre(const TRealMatrix& m, TTransform& target) const;
};

// An enlargement by the factor held in Angle about Centre.
class TEnlarge : public TRotation {
public:
    TEnlarge(TEvaluatorPtr factor, std::unique_ptr<TCoordinates> centre);
    bool ComposeInto(TTransform& target) const override;
    void WriteTo(TMathsWriter& writer) const override;
    // The scale factor, NaN when it cannot be computed.
    [[nodiscard]] Extended Factor() const;
    [[nodiscard]] int WholeDragCursor() const override { return crDragMove; }
    [[nodiscard]] TDragPress WholeDrag() const override;
    void SetFromDrag(Extended value) override;
    [[nodiscard]] std::string StepMarkup(const TAxes& axes) const override;
};

// A reflection in the straight line Line (y = f(x) or x = f(y)).
class TReflect : public TTransformParent {
public:
    explicit TReflect(std::unique_ptr<TYofX> line);
    ~TReflect() override;

    std::unique_ptr<TYofX> Line;

    bool ComposeInto(TTransform& target) const override;
    // A line that still waits for its points is not there yet.
    [[nodiscard]] bool IsComplete() const override;
    [[nodiscard]] TYofX* ConstructionLine() const override { return Line.get(); }
    [[nodiscard]] std::string StepMarkup(const TAxes& axes) const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void WriteTo(TMathsWriter& writer) const override;
    // The mirror line across the graph.
    void DrawConstruction(Canvas& canvas, TGraphParams& params, TColour colour) const override;
    // On the mirror line.
    [[nodiscard]] bool HitConstruction(TXYSearch& search) const override;

    // The angle φ of the mirror line to the x axis; false when it cannot be found.
    [[nodiscard]] bool MirrorAngle(Extended& phi) const
    {
        TRealPoint p0;
        return LineGeometry(phi, p0);
    }

protected:
    // The line's angle φ and a point p0 on it; false when they cannot be found.
    bool LineGeometry(Extended& phi, TRealPoint& p0) const;
    // The line's definition as the line shows it ("x axis", "y=2x+1").
    [[nodiscard]] std::string LineMarkup() const;
};

// A stretch by Factor perpendicular to Line, Line fixed.
class TStretch : public TReflect {
public:
    TStretch(std::unique_ptr<TYofX> line, TEvaluatorPtr factor);

    TEvaluatorPtr Factor;

    bool ComposeInto(TTransform& target) const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] bool CanDragWhole() const override { return IsComplete(); }
    [[nodiscard]] int WholeDragCursor() const override { return crDragStretch; }
    [[nodiscard]] TDragPress WholeDrag() const override;
    void SetFromDrag(Extended value) override;
    [[nodiscard]] std::string StepMarkup(const TAxes& axes) const override;

protected:
    // translate by −p0, turn by −φ, apply f, turn by φ, translate by p0.
    bool ComposeAlongLine(const TRealMatrix& f, TTransform& target) const;
    [[nodiscard]] virtual int WordNumber() const { return dnStretchLine; }
};

// A shear by Factor parallel to Line, Line fixed.
class TShear : public TStretch {
public:
    using TStretch::TStretch;
    bool ComposeInto(TTransform& target) const override;
    [[nodiscard]] int WholeDragCursor() const override { return crDragShear; }
    [[nodiscard]] TDragPress WholeDrag() const override;

protected:
    [[nodiscard]] int WordNumber() const override { return dnShearLine; }
};

// A typed matrix: 2 × 2 about the origin, or 2 × 1 a translation.
class TMatrixTransform : public TTransformParent {
public:
    explicit TMatrixTransform(std::unique_ptr<TMatrix> matrix);

    std::unique_ptr<TMatrix> Matrix;

    bool ComposeInto(TTransform& target) const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] bool IsTranslation() const override { return Matrix && Matrix->Columns() == 1; }
    // A dragged translation: entries (1,1) and (2,1) of the vector become x and y.
    void SetTranslation(Extended x, Extended y);
    // The translation's two entries now; false for a 2 × 2 matrix or entries that cannot be computed.
    [[nodiscard]] bool Translation(Extended& x, Extended& y) const;
    [[nodiscard]] bool CanDragWhole() const override { return IsTranslation(); }
    [[nodiscard]] int WholeDragCursor() const override { return IsTranslation() ? crDragMove : 0; }
    [[nodiscard]] TDragPress WholeDrag() const override { return {}; }
    [[nodiscard]] std::string StepMarkup(const TAxes& axes) const override;
};

// A line (angle and intercept) that only shows as construction.
class TInvariantLine : public TTransformParent {
public:
    TInvariantLine(Extended first, Extended second) : First(first), Second(second) {}
    Extended First, Second;
    bool ComposeInto(TTransform&) const override { return true; }
    void WriteTo(TMathsWriter& writer) const override;
    // The line (angle First, intercept Second) across the graph.
    void DrawConstruction(Canvas& canvas, TGraphParams& params, TColour colour) const override;

protected:
    [[nodiscard]] virtual char KindDigit() const { return '1'; }
};

// A point (x, y) that only shows as construction.
class TInvariantPoint : public TInvariantLine {
public:
    using TInvariantLine::TInvariantLine;
    void DrawConstruction(Canvas& canvas, TGraphParams& params, TColour colour) const override;

protected:
    [[nodiscard]] char KindDigit() const override { return '0'; }
};

// The image curve of its parent under the composite of its steps.
class TTransformation : public TDependentCurvePlotter {
public:
    TTransformation(TCurvePLotter* parent, std::vector<TTransformStepPtr> components, int repeats);
    ~TTransformation() override;

    // 0 for a typed line without "repeats", 1 made by a command, n repeated.
    int Repeats = 0;
    std::vector<TTransformStepPtr> Components;
    // The step whose construction the mouse was last found on, −1 for none.
    int SelectedComponent = -1;
    // A step is being dragged: the hit test leaves SelectedComponent alone.
    bool Dragging = false;

    [[nodiscard]] const char* KindName() const { return "TTransformation"; }
    // The parent's bits 0x80, 0x200 and 0x400, draggable, a transformation, transformable.
    [[nodiscard]] std::uint32_t PropertyFlags() const override;
    // A parent that can be transformed, and every step complete.
    [[nodiscard]] bool IsValid() const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;

    // The composite of the steps for the family member in force; false when
    // a number of a step cannot be computed.
    [[nodiscard]] bool Composite(TTransform& composite) const;
    // How many images are drawn: max(Repeats, 1).
    [[nodiscard]] int ImageCount() const { return Repeats > 1 ? Repeats : 1; }

    // Every image, one after the other.
    void Draw(Canvas& canvas, TXY& context) override;
    // The parent's sampling, over the part of the parent whose images are visible.
    void InitContext(TXY& context) override;
    void SelectPart(TXY& context, int part) override;
    // The parent's point mapped through the image's map.
    void CalculatePoint(TXY& context) override;
    // The mouse point mapped back through the last image is near the parent,
    // or (construction shown) on a step's construction, which becomes selected.
    [[nodiscard]] bool IsNear(TXYSearch& search) override;
    [[nodiscard]] Extended ParameterAt(Extended y, Extended x) override;
    [[nodiscard]] Extended ParameterStep(const TAxes& window) override;
    void SetParameterValue(TXY& context, Extended v) override;
    // The parent's area times |det| of the last image's map.
    [[nodiscard]] Extended Area() override;
    // The image of a lettered shape is lettered as its parent (with a prime).
    [[nodiscard]] bool HasPointLabels() const override
    {
        return PrimaryCurve && IsValid() && PrimaryCurve->HasPointLabels();
    }
    [[nodiscard]] char LabelLetter() const override
    {
        return PrimaryCurve ? PrimaryCurve->LabelLetter() : 'A';
    }
    void WriteDefinition(TMathsWriter& writer) const override;
    // Thin grey segments between the points of a shape and their images
    // (or the centre of an enlargement), for a single simple step.
    void DrawConstructionLines(Canvas& canvas, TGraphParams& params) override;
    // Each step's construction, unless hidden.
    void DrawConstruction(Canvas& canvas, TGraphParams& params);
    // The construction (also while the image is incomplete), then the image.
    void DrawOnGraph(Canvas& canvas, TGraphParams& params) override;

    // Dragging with "Drag curves" on. A press on a step's handle drags it; a
    // press while the first step waits for its centre places the centre
    // there (and drags it); otherwise a press on the image changes the first
    // step's angle, factor or translation. Each change rewrites the step's
    // part of the line at once.
    [[nodiscard]] std::optional<TDragPress> DragControlAt(QPoint pixel,
                                                          Qt::KeyboardModifiers modifiers) override;
    // 19 while a step waits for its centre, a handle's cursor, the whole drag's cursor.
    [[nodiscard]] int DragCursorAt(int currentCursor, QPoint pixel) override;
    void SetDragValue(Extended value) override;
    void DragPointMoved(TDragCustom* handle) override;
    void ApplyDragMatrices(TDragPoint* handle, const TDragMatrices& matrices) override;
    // A translation's drag starts from the translation it has now.
    [[nodiscard]] TDragMatrices* DragMatricesOf(TDragPoint* handle) override;
    void FinishDrag(TDragPoint* handle) override;
    // The steps' handles; where the steps have none, a placed mirror or
    // invariant line's own (nullptr while no handles are shown).
    [[nodiscard]] TDragPointList* DragPointList() const override;
    void BuildDragPoints(Canvas& canvas, TGraphParams& params) override;
    void DropDragPoints(Canvas& canvas, bool flag) override;
    [[nodiscard]] bool DragHandlesShown() const override
    {
        const TDragPointList* list = DragPointList();
        return list && !list->Empty();
    }
    // The first step waits for a click to place its centre.
    [[nodiscard]] bool WaitsForCentre() const;
    // The first step's mirror or invariant line waits for its points.
    [[nodiscard]] TYofX* WaitingLine() const;
    [[nodiscard]] bool WaitsForClicks() const override { return WaitsForCentre() || WaitingLine(); }
    // A handle of a step's line moved alone (Ctrl) goes as that line lets it.
    [[nodiscard]] bool MayMoveDragPoint(TDragPoint* handle, Extended& x, Extended& y) override;

private:
    std::unique_ptr<TDragPointList> dragPoints_; // while handles are shown
    TDragMatrices dragMatrices_;                 // a translation being dragged
    int lineDrag_ = -1;                          // the step whose line is being dragged, −1 for none
    bool lineWasWaiting_ = false;                // that line still waited for points at the press
    // The line of step index (borrowed), or nullptr.
    [[nodiscard]] TYofX* LineOfStep(int index) const;
    // The step a handle belongs to: its own index, or the step whose line owns it.
    [[nodiscard]] int StepOfHandle(const TDragCustom* handle) const;
    // The drag of step's line that press (from the line) starts, if any.
    std::optional<TDragPress> StartLineDrag(int step, bool waiting, std::optional<TDragPress> press);
    // The step's part of the line written again from its values.
    void RewriteStep(int index);
    // The image is drawn afresh after a step changed during a drag.
    void StepChanged(int index);
    [[nodiscard]] const TAxes* DragAxes() const;

    // The parent's own context while the image is drawn or searched: its
    // ranges are widened to hold the preimage of the window.
    std::unique_ptr<TXY> parentContext_;
    TTransform map_; // the map of the image being drawn
    TTransform step_;
    bool mapValid_ = false;
    // Builds parentContext_ from context and the parent's InitContext.
    void StartParent(TXY& context, const TTransform& last);
    // The last image's map, or false.
    [[nodiscard]] bool LastMap(TTransform& last) const;
    // Passes hit on; a hit on the image itself leaves no step selected.
    bool ImageHit(bool hit);
    // A step's construction under the search point (construction shown); it becomes selected.
    [[nodiscard]] bool ConstructionHit(TXYSearch& search);
};

// The text of a count of repeats: "{fix \2\1{repeats}{n}}".
[[nodiscard]] std::string RepeatsMarkup(int repeats);

// The commands that start a transformation line of the selected object.
enum class TTransformCommand {
    Translate,
    Reflect,
    Rotate,
    Clockwise,
    Anticlockwise,
    Enlarge,
    Stretch,
    Shear,
    Matrix
};
// The line a command starts, to be filled in: the words with empty slots (an
// empty point for a centre, the angle unit's mark after a rotation's angle,
// with its direction for the Clockwise and Anticlockwise buttons).
[[nodiscard]] std::string TransformLineMarkup(TTransformCommand command, bool degrees);
// With dragging on, the image of parent a command makes at once, to be
// dragged: a translation by (0, 0), or a rotation by 0 (in the angle unit,
// with the buttons' direction) or an enlargement by 1 waiting for a click to
// place its centre; its line shows the same. nullptr for the other commands.
[[nodiscard]] std::unique_ptr<TTransformation> DraggedTransformation(TTransformCommand command,
                                                                     TCurvePLotter* parent, bool degrees);
// A complete rotation about the origin by a button's tag in degrees: −90 a
// quarter turn clockwise, 90 anticlockwise, 180 a half turn, any other as
// the number of degrees.
[[nodiscard]] std::string TurnLineMarkup(int tag);
// A complete reflection in a named line: "x axis", "y axis", "y=x" or "y=-x".
[[nodiscard]] std::string ReflectionLineMarkup(std::string_view line);

// The text of a transformation word (a description number above), as lines show it.
[[nodiscard]] std::string TransformWord(int description);
// A translation by the column vector (across; up), each part a number's markup.
[[nodiscard]] std::string TranslationLineMarkup(std::string_view across, std::string_view up);
// A rotation about centre (the markup of an "(x, y)") by angle: a formula
// followed by its unit mark and its direction word.
[[nodiscard]] std::string RotationLineMarkup(std::string_view centre, std::string_view angle);
// An enlargement about centre (the markup of an "(x, y)") by factor.
[[nodiscard]] std::string EnlargementLineMarkup(std::string_view centre, std::string_view factor);
// The markup of a transformation line whose first step (a step's field list,
// or a matrix with the word in front of it) is replaced by step; a line
// without a step gets step at its end. Repeats and the later steps stay.
[[nodiscard]] std::string ReplaceFirstStep(const TEditorObject* elements, std::string_view step);
// The same for the step at index (0 the first); a line with fewer steps gets step at its end.
[[nodiscard]] std::string ReplaceStep(const TEditorObject* elements, int index, std::string_view step);
