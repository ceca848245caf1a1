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

#include <cstdint>
#include <memory>
#include <string_view>

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

// What an explicit curve needs of the description that mouse dragging builds
// for it; the dragging code derives its descriptions from this.
class TDragDescriptionBase {
public:
    virtual ~TDragDescriptionBase() = default;
    // The curve is hidden while the description is being dragged.
    [[nodiscard]] virtual bool Hidden() const { return false; }
    // False when the description has made the curve unusable (it is then
    // not drawn, and always hit, so that the user can select and mend it).
    [[nodiscard]] virtual bool Valid() const { return true; }
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
    [[nodiscard]] Extended EvaluateFormula() { return compiledFormula_.Evaluate(Formula.get()); }
    // False when evaluating the formula again at a point changes nothing it
    // remembers and can report no step or pole.
    [[nodiscard]] bool FormulaRemembers() { return compiledFormula_.Remembers(Formula.get()); }

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
    // Frees the drag description, so that the next drag builds a fresh one.
    void ForgetDragInfo() { DragInfo.reset(); }
    // Transformed by the mouse: the drag matrices change and the cached drawing goes.
    void SetMatrices(const TDragMatrices& matrices);

    std::uint8_t Relation = rlEqual;
    TDragMatrices Matrices;                                      // identity unless dragged or transformed
    std::unique_ptr<TObjectList<TCalculatedObject>> CreatorList; // handed over by the creator, may be absent
    std::unique_ptr<TDragDescriptionBase> DragInfo;              // the drag description, may be absent

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
