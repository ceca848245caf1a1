// The drag descriptions of explicit curves: what the equation of a curve
// y = f(x) or x = f(y) becomes while the curve is dragged or its handles
// are pulled, chosen from the shape of the formula (a straight line, a
// quadratic, a polynomial through handles, a circle, one function of a
// linear expression, a reciprocal, or a substitution of the variables for
// anything else). Each rewrites the shown text as the mouse moves and, when
// the drag ends, makes the curve's formula from the new text. No widgets.
#pragma once

#include "formula/elements.h"
#include "plot/formulacurve.h"

#include <memory>
#include <string>
#include <tuple>
#include <vector>

// The description for the formula of curve (the classification); with
// generic set, the substitution of the variables whatever the formula. The
// explicit curves reach it through TYofX::DescriptionMaker.
[[nodiscard]] std::unique_ptr<TDragDescriptionBase> MakeDragDescription(TYofX& curve, bool generic);
// Lets the explicit curves build descriptions (run once at start-up).
void InstallDragDescriptions();

// The kinds of curve placed by clicks.
enum class TClickedCurve { Line, Quadratic, Circle };
// A new curve that waits for its points to be clicked ("New line", "New
// quadratic", "New circle"): it draws nothing and takes every press on the
// graph as its next point until it has them all (two for a line and a
// circle, three for a quadratic); the first prompt is shown at once. The
// window puts it last in the list and drags with it as with any curve. A
// line placed for a transformation names itself in the prompts by role
// ("mirror line", "invariant line") instead of "straight line".
[[nodiscard]] std::unique_ptr<TYofX> NewClickedCurve(TClickedCurve kind, const char* role = nullptr);

// The texts shown when handles cannot make a curve.
inline constexpr const char* QuadraticFailureText = "Cannot make a quadratic with these points";
inline constexpr const char* PolynomialFailureText = "Cannot make a polynomial with these points";

// The generic description: the curve keeps its formula and is drawn through
// its drag matrices; every occurrence of the independent variable in the
// shown text is replaced by the expression the matrices give it, and the
// dependent side is scaled and shifted around the right-hand side.
class TDragCurveInfo : public TDragDescriptionBase {
public:
    explicit TDragCurveInfo(TYofX& curve);
    ~TDragCurveInfo() override;

    [[nodiscard]] const char* KindName() const override { return "TDragCurveInfo"; }
    void WriteFormula() override;
    void CreateDragPointsAt(const TRealPoint (&points)[3]) override;
    void SetCurve(TYofX& curve) override { curve_ = &curve; }

    // Whether the occurrence of a variable at position in run (a text run of
    // a list) is written in brackets when it is replaced by a sum.
    [[nodiscard]] static bool NeedsBracket(const TEditorObject* list, const TStringEditObject& run,
                                           int position, int length);

protected:
    [[nodiscard]] TYofX& Curve() const { return *curve_; }
    // The dependent (v) and independent (u) letters of the curve.
    [[nodiscard]] char Dependent() const { return curve_->VariableLetter(0); }
    [[nodiscard]] char Independent() const { return curve_->VariableLetter(1); }
    // Scale and offset of the independent (u) and dependent (v) axes in the drag matrices.
    void Maps(Extended& su, Extended& tu, Extended& sv, Extended& tv) const;
    // The shown line := the elements read from markup; laid out again, marked changed.
    void SetFormulaText(const std::string& markup);

private:
    struct TOccurrence {
        TStringEditObject* run; // in elements_
        int position;
        int length;
        bool bracket;
    };
    TYofX* curve_;
    TElementList elements_;                // the shown line as the drag started, rewritten in place
    std::vector<TOccurrence> occurrences_; // of the independent letter on the right-hand side
};

// Descriptions whose drag ends with the formula made again from the new text.
class TDragCurveInfoReparse : public TDragCurveInfo {
public:
    using TDragCurveInfo::TDragCurveInfo;
    // The description of a curve placed by clicks: it waits for its points.
    void WaitForPoints()
    {
        complete_ = false;
        Prompt(0);
    }
    [[nodiscard]] const char* KindName() const override { return "TDragCurveInfoReparse"; }
    void CommitParameters() override;
    void DragStarted() override;
    [[nodiscard]] bool Valid() const override { return !failed_ && HasAllPoints(); }
    [[nodiscard]] bool HasAllPoints() const override { return complete_; }
    // A click added a handle: the prompt for the next, or the curve through them all.
    void PointAdded() override;

protected:
    // The markup of the line to parse: the shown line by default.
    [[nodiscard]] virtual std::string ParseSource() const;
    // Whether handles that miss the curve get the text with one more figure.
    [[nodiscard]] virtual bool RetryWithMoreFigures() const { return true; }
    // Takes the change of a whole drag into the parameters (the primed values).
    virtual void TakePrimed() {}
    // The parameters as at the press, and back.
    virtual void SaveParameters() {}
    virtual void RestoreParameters() {}
    // The parameters describe a curve of the other kind than the curve (a
    // line pulled upright that keeps its kind until the drag ends).
    [[nodiscard]] virtual bool Exchanged() const { return false; }
    // The matrices := the identity, or the exchange of x and y while Exchanged.
    void ResetMatrices();
    // Makes the formula from ParseSource; at the commit a line that became
    // x = f(y) (or the reverse) changes kind. The matrices go back to the
    // identity (or, while a drag goes on, the exchange of x and y) and the
    // handles are re-based; handles off the curve get more figures.
    bool Reparse(bool commit);
    // Every point handle lies on the curve, to the dependent axis's rounding.
    [[nodiscard]] bool HandlesOnCurve();
    // The failed state: nothing drawn, the placeholder text fixed.
    void Fail(const char* message, const std::string& placeholder);
    void ClearFailure(const char* message);
    // The handles of the curve (may be absent).
    [[nodiscard]] TDragPointList* Handles() const { return Curve().DragPoints.get(); }
    void AddHandle(Extended x, Extended y);
    // The point (u, v) in graph coordinates.
    [[nodiscard]] TRealPoint GraphPoint(Extended u, Extended v) const;
    // A handle's (u, v).
    void HandleUV(int i, Extended& u, Extended& v) const;

    // The points a curve placed by clicks needs, and the prompts while it waits.
    [[nodiscard]] virtual int PointsNeeded() const { return 0; }
    virtual void Prompt(int count) const { (void)count; }

    bool failed_ = false;
    bool textFixed_ = false;
    bool complete_ = true; // false while a curve placed by clicks waits for points

private:
    bool retrying_ = false;
    std::string pressText_; // the shown line at the press
};

// v = m·u + c.
class TDragLinearCurveInfo : public TDragCurveInfoReparse {
public:
    TDragLinearCurveInfo(TYofX& curve, Extended m, Extended c);
    [[nodiscard]] const char* KindName() const override { return "TDragLinearCurveInfo"; }
    void WriteFormula() override;
    bool CreateDragPoints() override;
    void DragPointsMoved() override;
    [[nodiscard]] bool MayRotate() const override { return true; }
    // What the prompts call the line while it is placed (text that outlives it).
    void SetRole(const char* role) { role_ = role; }

protected:
    [[nodiscard]] bool Exchanged() const override { return upright_ != Curve().IsSwapped(); }
    [[nodiscard]] int PointsNeeded() const override { return 2; }
    void Prompt(int count) const override;
    void TakePrimed() override;
    void SaveParameters() override { saved_ = {m_, c_, upright_}; }
    void RestoreParameters() override { std::tie(m_, c_, upright_) = saved_; }

private:
    // The line the drag matrices make of this one: its gradient and
    // intercept and whether it is written x = f(y).
    void Primed(Extended& m, Extended& c, bool& upright) const;
    std::string Text(Extended m, Extended c, bool upright) const;
    Extended m_, c_;
    bool upright_; // the line is x = m·y + c
    std::tuple<Extended, Extended, bool> saved_;
    const char* role_ = "straight line"; // what the prompts call the line (static text)
};

// v = a·u² + b·u + c, written expanded, factorised or as a completed square.
class TDragQuadraticCurveInfo : public TDragCurveInfoReparse {
public:
    TDragQuadraticCurveInfo(TYofX& curve, Extended a, Extended b, Extended c, int form);
    [[nodiscard]] const char* KindName() const override { return "TDragQuadraticCurveInfo"; }
    void WriteFormula() override;
    bool CreateDragPoints() override;
    void DragPointsMoved() override;
    bool SetForm(int form) override;
    [[nodiscard]] int Form() const { return form_; }

    // The markup of a·u² + b·u + c in form (0 expanded, 1 factorised when the
    // roots are real, 2 completed square); a line when a shows as 0.
    [[nodiscard]] static std::string QuadraticText(Extended a, Extended b, Extended c, char u, int form);

protected:
    void TakePrimed() override;
    void SaveParameters() override;
    void RestoreParameters() override;

private:
    [[nodiscard]] int PointsNeeded() const override { return 3; }
    void Prompt(int count) const override;
    void Primed(Extended& a, Extended& b, Extended& c) const;
    Extended a_, b_, c_;
    int form_;
    Extended saved_[3] = {0, 0, 0};
};

// y = the polynomial through its handles (degree 3 to 9).
class TDragPolyCurveInfo : public TDragCurveInfoReparse {
public:
    TDragPolyCurveInfo(TYofX& curve, int degree);
    [[nodiscard]] const char* KindName() const override { return "TDragPolyCurveInfo"; }
    void WriteFormula() override;
    void CommitParameters() override;
    bool CreateDragPoints() override;
    void DragPointsMoved() override;
    void DragStarted() override;

private:
    // The points the polynomial goes through: the handles, or without them
    // the characteristic points found at the press, through the matrices.
    [[nodiscard]] std::vector<TRealPoint> Points() const;
    int degree_;
    bool handlesFound_ = false;
    std::vector<TRealPoint> pressPoints_;
};

// (x − a)² + (y − b)² = r², drawn as y = ±√(r² − (x − a)²) + b.
class TDragCircleInfo : public TDragCurveInfoReparse {
public:
    TDragCircleInfo(TYofX& curve, TRealPoint centre, Extended r);
    [[nodiscard]] const char* KindName() const override { return "TDragCircleInfo"; }
    void WriteFormula() override;
    bool CreateDragPoints() override;
    void DragPointsMoved() override;
    [[nodiscard]] bool KeepsShapeWhenStretched() const override { return false; }

protected:
    [[nodiscard]] std::string ParseSource() const override { return hidden_; }
    [[nodiscard]] int PointsNeeded() const override { return 2; }
    void Prompt(int count) const override;
    void TakePrimed() override;
    void SaveParameters() override { saved_ = {centre_, r_}; }
    void RestoreParameters() override;

private:
    void Primed(TRealPoint& centre, Extended& r) const;
    void Write(const TRealPoint& centre, Extended r);
    TRealPoint centre_;
    Extended r_;
    std::string hidden_; // the formula actually parsed
    std::pair<TRealPoint, Extended> saved_;
};

// v = A·F(B·u + C) + D for one function F.
class TDragSimpleFunction : public TDragCurveInfoReparse {
public:
    TDragSimpleFunction(TYofX& curve, Extended A, Extended B, Extended C, Extended D, std::string opening,
                        std::string closing);
    [[nodiscard]] const char* KindName() const override { return "TDragSimpleFunction"; }
    void WriteFormula() override;

protected:
    [[nodiscard]] bool RetryWithMoreFigures() const override { return false; }
    void TakePrimed() override;
    void SaveParameters() override { std::copy(std::begin(p_), std::end(p_), std::begin(saved_)); }
    void RestoreParameters() override { std::copy(std::begin(saved_), std::end(saved_), std::begin(p_)); }
    // The text of the primed values.
    [[nodiscard]] virtual std::string Text(const Extended (&q)[4]) const;
    void Primed(Extended (&q)[4]) const;

    Extended p_[4];     // A, B, C, D
    Extended saved_[4]; // as at the press
    std::string opening_, closing_;
    bool bracketed_; // the argument is always bracketed
};

// v = A / (B·u + C) + D.
class TDragReciprocalFunction : public TDragSimpleFunction {
public:
    TDragReciprocalFunction(TYofX& curve, Extended A, Extended B, Extended C, Extended D);
    [[nodiscard]] const char* KindName() const override { return "TDragReciprocalFunction"; }

protected:
    [[nodiscard]] std::string Text(const Extended (&q)[4]) const override;
};
