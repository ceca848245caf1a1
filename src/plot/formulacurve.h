// The curves drawn straight from an entered formula: y = f(x) and x = f(y)
// with a relation (=, <, >, ≤, ≥), parametric curves x(t), y(t), polar curves
// r = f(θ) and polar parametric curves r(t), θ(t). Each supplies the point for
// a parameter fraction, the shading of an inequality, its variable letters
// and parameter conversions, its hit test and signed distance, and the kind
// line of its document record; the plotter core does the sampling.
#pragma once

#include "expr/compiledformula.h"
#include "expr/evaluator.h"
#include "expr/objectlist.h"
#include "expr/parser.h"
#include "plot/curveplotter.h"
#include "plot/dragmatrices.h"
#include "plot/dragpoint.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

struct TFormulaAnalysis;

// The character of a relation in markup and documents: ">", 0xB3 (≥ in the
// Symbol font), "=", 0xA3 (≤) or "<"; "=" for a value out of range.
[[nodiscard]] char RelationChar(int relation);
// A relation read from outside (documents, entry) kept in range: "=" for anything unknown.
[[nodiscard]] std::uint8_t CheckedRelation(int relation);
// True for the relations whose boundary is drawn as a line (≥, =, ≤).
[[nodiscard]] inline bool RelationHasBoundary(int relation)
{
    return relation == rlGreaterEqual || relation == rlEqual || relation == rlLessEqual;
}

// At most this many ± sign combinations of a formula are drawn; a formula
// with more ± signs than anyone types would otherwise take hours to draw.
inline constexpr int MaximumFormulaParts = 1024;

class TYofX;

// What an explicit curve needs of the description that mouse dragging builds
// for it: the description rewrites the curve's shown equation while the
// curve is dragged, takes the change when the drag ends, and may put handles
// of its own on the curve. The dragging code derives its descriptions from
// this; the curve reaches them only through these operations.
class TDragDescriptionBase {
public:
    virtual ~TDragDescriptionBase() = default;
    // The curve is hidden while the description is being dragged.
    [[nodiscard]] virtual bool Hidden() const { return false; }
    // False when the description has made the curve unusable (it is then
    // not drawn, and always hit, so that the user can select and mend it).
    [[nodiscard]] virtual bool Valid() const { return true; }
    // The class name, as the command-line tool prints it.
    [[nodiscard]] virtual const char* KindName() const { return "TDragCurveInfo"; }
    // Rewrites the shown equation for the curve's drag matrices.
    virtual void WriteFormula() {}
    // The drag has ended: the parameters take the change.
    virtual void CommitParameters() {}
    // Puts the description's own handles on the curve; false when it has none.
    virtual bool CreateDragPoints() { return false; }
    // A handle of the description has been moved.
    virtual void DragPointsMoved() {}
    // False while a curve placed by clicks still waits for points.
    [[nodiscard]] virtual bool HasAllPoints() const { return true; }
    // A click added a handle to a curve waiting for points.
    virtual void PointAdded() {}
    // The handles of the generic search at the three points found.
    virtual void CreateDragPointsAt(const TRealPoint (&points)[3]) { (void)points; }
    // The equation type (0 expanded, 1 factorised, 2 completed square);
    // false when the description has no such forms.
    virtual bool SetForm(int form)
    {
        (void)form;
        return false;
    }
    // Whether the curve may be turned (only a straight line stays one).
    [[nodiscard]] virtual bool MayRotate() const { return false; }
    // Whether a stretch keeps the description (a circle stretched is no circle).
    [[nodiscard]] virtual bool KeepsShapeWhenStretched() const { return true; }
    // A press starts a drag of the curve.
    virtual void DragStarted() {}
    // The description now belongs to curve (the line changed between
    // y = f(x) and x = f(y)).
    virtual void SetCurve(TYofX& curve) { (void)curve; }
};

// A candidate point for handles: an axis crossing (3), a turning point
// (2), a sample on a minor tick of the independent axis (1) or any other
// sample (0); Key is the independent value there.
struct TSearchForDragPoint {
    std::uint8_t PointKind = 0;
    TRealPoint Point;
    Extended Key = 0;
};

class TFormulaCurve : public TCurvePLotter {
public:
    // A curve drawn from formula (owned).
    explicit TFormulaCurve(TEvaluatorPtr formula);
    ~TFormulaCurve() override;

    // The class name, as the command-line tool prints it.
    [[nodiscard]] virtual const char* KindName() const { return "TFormulaCurve"; }
    // Adds every formula's facts to the analysis (on a selecting pass each
    // ± node takes its sign from the selector).
    virtual void AnalyseFormula(TFormulaAnalysis& analysis);
    // PartCount := the number of ± sign combinations of the formulas.
    void InitContext(TXY& context) override;
    // Selects sign combination PartCount − part of the formulas.
    void SelectPart(TXY& context, int part) override;
    // True when a formula of the curve uses the declared name.
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    // Tangents, transformations, automatic scaling and dragging apply.
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return 0x10209; }
    // Exchanges the formulas with other when it is a curve of exactly the same
    // kind (explicit curves also need the same relation); the cached drawing
    // of both is discarded. False, changing nothing, otherwise.
    bool SwapFormula(TEquationObject& other) override;
    // X := r·cos θ, Y := r·sin θ from the current r and θ, in the current angle unit.
    static void PolarPoint(TXY& context);
    // Writes prefix (at most 100 characters) and then the formula's markup.
    void WriteFormula(std::string_view prefix, TMathsWriter& writer) const;
    // SafeEvaluate (Formula) through its compiled form, which follows the
    // formula whatever replaces it.
    [[nodiscard]] Extended EvaluateFormula() { return FormulaForm().Evaluate(Formula.get()); }
    // False when evaluating the formula again at a point changes nothing it
    // remembers and can report no step or pole.
    [[nodiscard]] bool FormulaRemembers() { return FormulaForm().Remembers(Formula.get()); }
    // EvaluateFormula through another compiled form (one of a worker's own).
    [[nodiscard]] Extended EvaluateFormulaWith(TCompiledFormula& compiled)
    {
        return compiled.Evaluate(Formula.get());
    }
    // The plain kinds (explicit, parametric, polar, implicit) whose formulas
    // use no declared function and no constant defined by a formula.
    [[nodiscard]] bool ComputesOffThread() const override;
    // Explicit curves of one part, unshaded, whose formula remembers nothing.
    [[nodiscard]] bool MembersComputeApart(const TXY& context) override;
    void WithOwnForms(const std::function<void()>& compute) override;

    TEvaluatorPtr Formula; // the main formula (owned)

protected:
    // Exchanges the formulas of a curve of the same class.
    virtual void ExchangeFormulas(TFormulaCurve& other);
    // True when other may give this curve its formulas (same class already checked).
    [[nodiscard]] virtual bool CanSwapWith(const TFormulaCurve& other) const
    {
        (void)other;
        return true;
    }
    // Selects part of the formulas unless it is selected already.
    void EnsurePart(int part);

    int selectedPart_ = 0; // the sign combination the ± nodes hold now (0: none chosen)
    int selectedOf_ = 0;   // out of this many

private:
    // The compiled form this thread evaluates the formula through: its own
    // inside WithOwnForms, else the curve's.
    [[nodiscard]] TCompiledFormula& FormulaForm()
    {
        return OwnForm && OwnForm->curve == this ? OwnForm->formula : compiledFormula_;
    }

    struct TOwnForm {
        const TFormulaCurve* curve = nullptr;
        TCompiledFormula formula;
    };
    static inline thread_local TOwnForm* OwnForm = nullptr;

    TCompiledFormula compiledFormula_;
};

// y = f(x) with a relation, drawn through its drag matrices.
class TYofX : public TFormulaCurve {
public:
    // y relation formula; relation 0 ">", 1 ≥, 2 "=", 3 ≤, 4 "<".
    TYofX(TEvaluatorPtr formula, int relation);
    // The same with a list handed over by the creator (owned; may be null).
    TYofX(TEvaluatorPtr formula, int relation, std::unique_ptr<TObjectList<TCalculatedObject>> creatorList);
    ~TYofX() override;

    // The special lines shown by their names: "x axis" (y = 0), "y=x" and "y=-x".
    [[nodiscard]] static std::unique_ptr<TYofX> XAxisLine();
    [[nodiscard]] static std::unique_ptr<TYofX> DiagonalLine(bool negated);

    [[nodiscard]] const char* KindName() const override { return "TYofX"; }
    [[nodiscard]] std::uint32_t PropertyFlags() const override
    {
        return TFormulaCurve::PropertyFlags() | 0x80000;
    }
    // Valid without a drag description, otherwise as the description says.
    [[nodiscard]] bool IsValid() const override;
    // Samples only a valid curve.
    void Draw(Canvas& canvas, TXY& context) override;
    // Parts, shading kind and line from the relation; the sampled range is
    // where the window lies before the drag matrices move it.
    void InitContext(TXY& context) override;
    void CalculatePoint(TXY& context) override;
    void WriteDefinition(TMathsWriter& writer) const override;
    [[nodiscard]] bool IsInequality() const override { return Relation != rlEqual; }
    // True where the curve passes through the 5-pixel box around the search point.
    [[nodiscard]] bool IsNear(TXYSearch& search) override;
    [[nodiscard]] char VariableLetter(int index) const override;
    [[nodiscard]] Extended ParameterAt(Extended y, Extended x) override;
    // The independent variable's range of the window over N.
    [[nodiscard]] Extended ParameterStep(const TAxes& window) override;
    // The readout of the independent axis under pixel.
    [[nodiscard]] std::string PointText(const TAxes& axes, QPoint pixel) override;
    void SetParameterValue(TXY& context, Extended v) override;
    // f(independent value of point) − dependent value of point.
    [[nodiscard]] Extended SignedDistance(const TRealPoint& point, int part) override;
    [[nodiscard]] bool MeasuresDistance() const override { return true; }
    // The hook run after a constant the curve uses changed: forgets the drag description.
    void CurveHook() override { ForgetDragInfo(); }
    // Frees the drag description and its handles, so that the next drag builds fresh ones.
    void ForgetDragInfo()
    {
        DragInfo.reset();
        DragPoints.reset();
    }
    // Transformed by the mouse: the drag matrices change and the cached drawing goes.
    void SetMatrices(const TDragMatrices& matrices);

    // ---- dragging (the bodies are in formuladrag.cpp) ------------------------------
    // Makes the drag description of a curve; generic asks for the generic
    // substitution whatever the formula. Installed by the layer that knows
    // the descriptions; without it the curve is only moved through its matrices.
    using TDescriptionMaker = std::unique_ptr<TDragDescriptionBase> (*)(TYofX& curve, bool generic);
    static inline TDescriptionMaker DescriptionMaker = nullptr;

    [[nodiscard]] std::optional<TDragPress> DragControlAt(QPoint pixel,
                                                          Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] int DragCursorAt(int currentCursor, QPoint pixel) override;
    [[nodiscard]] TAxisMaps AxisMaps() const override;
    void DragPointMoved(TDragCustom* handle) override;
    // A handle moved alone slides along the curve; false where it is not defined.
    [[nodiscard]] bool MayMoveDragPoint(TDragPoint* handle, Extended& x, Extended& y) override;
    void ApplyDragMatrices(TDragPoint* handle, const TDragMatrices& matrices) override;
    [[nodiscard]] TDragMatrices* DragMatricesOf(TDragPoint* handle) override
    {
        (void)handle;
        return &Matrices;
    }
    void FinishDrag(TDragPoint* handle) override;
    [[nodiscard]] TDragPointList* DragPointList() const override { return DragPoints.get(); }
    void BuildDragPoints(Canvas& canvas, TGraphParams& params) override;
    void DropDragPoints(Canvas& canvas, bool flag) override;
    void HandleBox(TRealPoint& fixed, TRealPoint& far) const override;
    [[nodiscard]] bool DragHandlesShown() const override { return DragPoints && !DragPoints->Empty(); }
    // 6 rotate (straight lines only), 7 stretch, 8 enlarge, 9 translate; 12,
    // 13 and 14 the equation type of a quadratic.
    void StartTransformDrag(int mode) override;

    // The drag gate: open without a description or once it has all its points.
    [[nodiscard]] bool GateOpen() const { return !DragInfo || DragInfo->HasAllPoints(); }
    // The description's class, "" before the curve was classified.
    [[nodiscard]] std::string DragDescriptionName() const override
    {
        return DragInfo ? DragInfo->KindName() : std::string();
    }
    // Explicit curves (relation "=") take the transform handles.
    [[nodiscard]] bool HasTransformHandles() const override { return Relation == rlEqual; }
    [[nodiscard]] bool WaitsForClicks() const override { return !GateOpen(); }
    // DragInfo := the description for the formula, unless there is one.
    void Classify();
    // The description writes the equation; the line is laid out again.
    void RewriteFormula();
    // The dependent value at independent value v (no drag matrices).
    [[nodiscard]] Extended DependentAt(Extended v) { return ValueAt(v); }
    [[nodiscard]] bool IsSwapped() const { return Swapped(); }
    // The graph parameters the handles are placed with, or nullptr.
    [[nodiscard]] const TGraphParams* DragParams() const;
    // The candidates for handles in the window, ordered; n = 0 keeps all.
    [[nodiscard]] std::vector<TSearchForDragPoint> FindCharacteristicPoints(int n);
    // The generic three points for handles (centre, then the two stretches); false with fewer.
    [[nodiscard]] bool FindThreePoints(TRealPoint (&points)[3]);
    // Every handle's base position := its position mapped back through the matrices.
    void RebaseHandles();
    // Moves the formula into a curve of the other kind (x = f(y) for y = f(x)
    // and the reverse) that takes this one's place in the list, with the
    // shown text, look, description and handles; answers the curve now
    // listed, or this one, unchanged, when it is not in a list. This curve
    // lives on until the next press, as the drag that changed it holds it.
    TYofX* ChangeKind();

    std::uint8_t Relation = rlEqual;
    TDragMatrices Matrices;                                      // identity unless dragged or transformed
    std::unique_ptr<TObjectList<TCalculatedObject>> CreatorList; // handed over by the creator, may be absent
    std::unique_ptr<TDragDescriptionBase> DragInfo;              // the drag description, may be absent
    std::unique_ptr<TDragPointList> DragPoints;                  // the handles while shown, may be absent

protected:
    // x = f(y) reads the roles of the axes the other way round.
    [[nodiscard]] virtual bool Swapped() const { return false; }
    [[nodiscard]] bool CanSwapWith(const TFormulaCurve& other) const override;
    void ExchangeFormulas(TFormulaCurve& other) override;
    // The dependent value at independent value v: f(v).
    [[nodiscard]] Extended ValueAt(Extended v);
    // The range of the independent variable sampled in context.
    void SampledRange(const TXY& context, Extended& min, Extended& max) const;

private:
    // Set by InitContext for a transformed curve: the independent range whose
    // image is the window (the context's axes keep the window's ranges).
    bool sampleMoved_ = false;
    Extended sampleMin_ = 0, sampleMax_ = 0;
};

// x = f(y) with a relation; Formula gives x.
class TXofY : public TYofX {
public:
    TXofY(TEvaluatorPtr formula, int relation);
    TXofY(TEvaluatorPtr formula, int relation, std::unique_ptr<TObjectList<TCalculatedObject>> creatorList);

    // The special line "y axis" (x = 0).
    [[nodiscard]] static std::unique_ptr<TXofY> YAxisLine();

    [[nodiscard]] const char* KindName() const override { return "TXofY"; }

protected:
    [[nodiscard]] bool Swapped() const override { return true; }
};

// x = x(t), y = y(t) for t from TStart to TEnd; Formula gives y(t).
class TYParametric : public TFormulaCurve {
public:
    TYParametric(TEvaluatorPtr yFormula, TEvaluatorPtr xFormula, TEvaluatorPtr tStart, TEvaluatorPtr tEnd);

    [[nodiscard]] const char* KindName() const override { return "TYParametric"; }
    // Both coordinate formulas, so that ± in either gives parts.
    void AnalyseFormula(TFormulaAnalysis& analysis) override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void CalculatePoint(TXY& context) override;
    void WriteDefinition(TMathsWriter& writer) const override;
    // The point nearest the search point lies within 5 pixels in x and in y.
    [[nodiscard]] bool IsNear(TXYSearch& search) override;
    [[nodiscard]] char VariableLetter(int index) const override { return index == 1 ? 't' : 0; }
    // The t whose point is nearest (x, y): 30 steps over the range, then twice
    // 10 steps around the best so far.
    [[nodiscard]] Extended ParameterAt(Extended y, Extended x) override;
    [[nodiscard]] Extended ParameterStep(const TAxes& window) override;
    void SetParameterValue(TXY& context, Extended v) override;

    TEvaluatorPtr XFormula; // x(t), or θ(t) for a polar parametric curve (owned)
    TEvaluatorPtr TStart;   // the parameter range, evaluated afresh at every use (owned)
    TEvaluatorPtr TEnd;

protected:
    // SafeEvaluate (XFormula) through its compiled form.
    [[nodiscard]] Extended EvaluateXFormula() { return compiledXFormula_.Evaluate(XFormula.get()); }
    void ExchangeFormulas(TFormulaCurve& other) override;
    // The point of the curve at t (status left for the caller).
    virtual void PointAt(Extended t, TXY& context);
    // The markup prefixes of the kind line: "y=", "x=" or "r=", "{q=".
    [[nodiscard]] virtual const char* FirstPrefix() const { return "y="; }
    [[nodiscard]] virtual const char* SecondPrefix() const { return "x="; }

private:
    TCompiledFormula compiledXFormula_;
};

// r = r(t), θ = θ(t); Formula gives r(t) and XFormula θ(t).
class TPolarParametric : public TYParametric {
public:
    TPolarParametric(TEvaluatorPtr rFormula, TEvaluatorPtr thetaFormula, TEvaluatorPtr tStart,
                     TEvaluatorPtr tEnd);

    [[nodiscard]] const char* KindName() const override { return "TPolarParametric"; }

protected:
    void PointAt(Extended t, TXY& context) override;
    [[nodiscard]] const char* FirstPrefix() const override { return "r="; }
    [[nodiscard]] const char* SecondPrefix() const override { return "{q="; }
};

// r = f(θ) for Revolutions turns from θ = 0.
class TRofTheta : public TFormulaCurve {
public:
    TRofTheta(TEvaluatorPtr formula, TEvaluatorPtr revolutions);

    [[nodiscard]] const char* KindName() const override { return "TRofTheta"; }
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void CalculatePoint(TXY& context) override;
    void WriteDefinition(TMathsWriter& writer) const override;
    // The curve crosses the 5-pixel box around the search point.
    [[nodiscard]] bool IsNear(TXYSearch& search) override;
    [[nodiscard]] char VariableLetter(int index) const override { return index == 0 ? 'r' : 'q'; }
    // The angle of (x, y) in [0, one turn), in the current angle unit.
    [[nodiscard]] Extended ParameterAt(Extended y, Extended x) override;
    [[nodiscard]] Extended ParameterStep(const TAxes& window) override;
    void SetParameterValue(TXY& context, Extended v) override;

    TEvaluatorPtr Revolutions; // the number of turns, evaluated afresh at every use (owned)

protected:
    void ExchangeFormulas(TFormulaCurve& other) override;
    // The point at angle θ (current unit).
    void PointAtAngle(Extended theta, TXY& context);
    [[nodiscard]] Extended Turns();
};

// The class name of an equation line for the command-line tool: the kind
// name of a formula curve, an empty text for anything else.
[[nodiscard]] const char* KindName(const TEquationObject& object);
