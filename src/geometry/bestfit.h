// Lines and curves of best fit: dependent lines of a data set that fit it
// afresh whenever it changes (also while it is dragged) and draw the fitted
// curve, either a straight line in angle-and-intercept form or a y = f(x)
// curve read from the very formula the line shows, so that what is drawn is
// exactly the equation the pupil reads. The line shows its heading and, in
// an information element, the fit's verdict or equation; a fit that fails
// shows why and draws nothing.
#pragma once

#include "geometry/statistics.h"
#include "plot/curveplotter.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TCoordCurve;

// Description numbers of the best-fit headings.
enum : int {
    dnBestFitStraight = 51,
    dnBestFitExponential = 52,
    dnBestFitLn = 53,
    dnBestFitQuadratic = 54,
    dnBestFitYOnX = 55,
    dnBestFitXOnY = 56,
    dnPolynomial = 57,
    dnStatsLine = 58,
};

// The failure texts shown after the heading (their leading blanks are part of them).
inline constexpr const char* NotEnoughPointsText = "   Not enough points";
inline constexpr const char* TooManyPointsText = "    Too many points!";
inline constexpr const char* SameXValuesText = "    Two x values are the same";

class TBestFit : public TDependentCurvePlotter {
public:
    explicit TBestFit(TCurvePLotter* parent);
    ~TBestFit() override;

    std::unique_ptr<TCurvePLotter> Fitted; // the fitted curve, or none
    bool Failed = false;                   // the last fit gave a message instead of a curve

    // The change applied to each point before gathering (none here).
    [[nodiscard]] virtual TPointTransform TransformPoint() const { return nullptr; }
    // Whether the fit reads the sorted statistics (extremes, quartiles,
    // medians, modes); a fit needs only sums, which follow a drag faster.
    [[nodiscard]] virtual bool NeedsOrderStatistics() const { return false; }
    // Fits the gathered points (at least one): sets the fitted curve and the text.
    virtual void Fit(const TGatherStatistics& stats) = 0;
    // The description number of the heading.
    [[nodiscard]] virtual int FitDescription() const = 0;

    // Gathers the data set through TransformPoint and fits it; with no
    // point, fails with "   Not enough points".
    virtual void Refit();
    // The text after the heading (markup).
    [[nodiscard]] const std::string& InfoText() const { return info_; }
    // The data set fitted, or nullptr.
    [[nodiscard]] TCoordCurve* DataSet() const;

    // ---- the line ---------------------------------------------------------------
    void Recalculate() override;
    void MouseFiguresChanged() override { Refit(); }
    [[nodiscard]] std::uint32_t PropertyFlags() const override;
    // Valid while it hangs under a coordinate list.
    [[nodiscard]] bool IsValid() const override;
    // The heading of the class.
    void WriteDefinition(TMathsWriter& writer) const override;
    // Best-fit lines are not edited as formulas.
    [[nodiscard]] std::unique_ptr<TEditor> ToEditor() override;

    // ---- the fitted curve stands in for the line ----------------------------------
    // Nothing when the fit failed; the fitted curve in the line's look
    // otherwise, fitted afresh while the data set is being dragged.
    void DrawOnGraph(Canvas& canvas, TGraphParams& params) override;
    void InitContext(TXY& context) override;
    void SelectPart(TXY& context, int part) override;
    void CalculatePoint(TXY& context) override;
    // Never hit when the fit failed.
    [[nodiscard]] bool IsNear(TXYSearch& search) override;
    [[nodiscard]] char VariableLetter(int index) const override;
    [[nodiscard]] Extended ParameterAt(Extended y, Extended x) override;
    [[nodiscard]] Extended ParameterStep(const TAxes& window) override;
    void SetParameterValue(TXY& context, Extended v) override;
    [[nodiscard]] Extended SignedDistance(const TRealPoint& point, int part) override;
    [[nodiscard]] bool MeasuresDistance() const override { return Fitted && Fitted->MeasuresDistance(); }

protected:
    // Shows the heading followed by text (markup) in an information element.
    void ShowText(const std::string& text);
    // Frees the fitted curve, marks the fit failed and shows text.
    void FailWith(const std::string& text);
    // The fitted curve becomes the line y = a + m·x, or x = a + m·y.
    void FitLine(Extended m, Extended a, bool xOnY);
    // The fitted curve becomes y = formula (markup); fails with text when the
    // formula cannot be read.
    void FitFormula(const std::string& formula);
    // y = a·term + b from the regression of y on the gathered (changed) x,
    // shown with r.
    void FitRegressionOn(const std::string& term, const TGatherStatistics& stats);
    // The points of the last gathering, after TransformPoint.
    [[nodiscard]] std::span<const TRealPoint> Points() const { return points_; }

    std::string info_;

private:
    std::vector<TRealPoint> points_;
};

// The line of best fit with the verdict on the correlation.
class TBestFitStraight : public TBestFit {
public:
    using TBestFit::TBestFit;
    void Fit(const TGatherStatistics& stats) override;
    [[nodiscard]] int FitDescription() const override { return dnBestFitStraight; }
};

// The regression line of y on x with r.
class TBestFityonx : public TBestFitStraight {
public:
    using TBestFitStraight::TBestFitStraight;
    void Fit(const TGatherStatistics& stats) override;
    [[nodiscard]] int FitDescription() const override { return dnBestFitYOnX; }
};

// The regression line of x on y with r.
class TBestFitxony : public TBestFitStraight {
public:
    using TBestFitStraight::TBestFitStraight;
    void Fit(const TGatherStatistics& stats) override;
    [[nodiscard]] int FitDescription() const override { return dnBestFitXOnY; }
};

// y = a·eˣ + b, the regression of y on eˣ (points above x = 80 left out).
class TBestFitexponential : public TBestFit {
public:
    using TBestFit::TBestFit;
    [[nodiscard]] TPointTransform TransformPoint() const override;
    void Fit(const TGatherStatistics& stats) override;
    [[nodiscard]] int FitDescription() const override { return dnBestFitExponential; }
};

// y = a·ln x + b, the regression of y on ln|x| (points at x = 0 left out).
class TBestFitlog : public TBestFit {
public:
    using TBestFit::TBestFit;
    [[nodiscard]] TPointTransform TransformPoint() const override;
    void Fit(const TGatherStatistics& stats) override;
    [[nodiscard]] int FitDescription() const override { return dnBestFitLn; }
};

// y = a·(x + h)² + c, shown expanded: the least-squares quadratic, whatever
// part of the graph is on screen.
class TBestFitQuad : public TBestFit {
public:
    using TBestFit::TBestFit;
    Extended Shift = 0; // h
    void Fit(const TGatherStatistics& stats) override;
    [[nodiscard]] int FitDescription() const override { return dnBestFitQuadratic; }
};

// The polynomial through up to 10 points.
class TBestFitPoly : public TBestFit {
public:
    using TBestFit::TBestFit;
    void Refit() override;
    void Fit(const TGatherStatistics& stats) override;
    [[nodiscard]] int FitDescription() const override { return dnPolynomial; }
};

// The element of a statistics line: its statistics in one row per axis
// shown, stacked, each row an information element. It is made afresh from
// the data and never written.
class TDisplayStatsEditor : public TSublistsEditObject {
public:
    explicit TDisplayStatsEditor(int rows);
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] std::uint16_t Dimensions() const override;
    [[nodiscard]] bool IsOneUnit() const override { return false; }
    // Row r lies under the rows above it, the first on the text row.
    void CellLayout(int index, TCellLayout& layout) override;

private:
    int rows_;
};

// The statistics line: the data set's statistics after "Stats:  ", as its
// own options (copied from the program's when it is made) choose; it draws
// nothing. Its record is followed by its options block.
class TDisplayStatsCurve : public TBestFit {
public:
    explicit TDisplayStatsCurve(TCurvePLotter* parent);
    TStatsOptions Options;
    // Shows the rows of StatsLineRows in a TDisplayStatsEditor.
    void Fit(const TGatherStatistics& stats) override;
    [[nodiscard]] int FitDescription() const override { return dnStatsLine; }
    [[nodiscard]] bool NeedsOrderStatistics() const override { return true; }
    void WriteTo(TMathsWriter& writer) const override;
};

// The best-fit line of heading 51 to 57, or the statistics line (58), under
// parent, fitted; nullptr for other numbers.
[[nodiscard]] std::unique_ptr<TBestFit> MakeBestFit(int heading, TCurvePLotter* parent);

// The coefficients, highest power first, of the polynomial through the
// points (distinct x values); empty for no points.
[[nodiscard]] std::vector<Extended> PolynomialThrough(std::span<const TRealPoint> points);
// The least-squares quadratic y = a·x² + b·x + c of the points: false, with
// a = 0 and the regression line of y on x in b and c, when the points do not
// determine a curved one.
bool LeastSquaresQuadratic(std::span<const TRealPoint> points, Extended& a, Extended& b, Extended& c);
