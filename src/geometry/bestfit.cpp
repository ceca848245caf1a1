#include "geometry/bestfit.h"

#include "expr/parser.h"
#include "formula/descriptions.h"
#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "geometry/coordcurve.h"
#include "geometry/straightline.h"
#include "graph/displayrounding.h"
#include "platform/valuescope.h"
#include "plot/formulacurve.h"
#include "settings/configuration.h"
#include "settings/mathswriter.h"

#include <algorithm>
#include <cmath>

namespace {

// eˣ stops at x = 80 (beyond it the point cannot be used) and is 0 below −80.
bool ExponentialPoint(TRealPoint& p)
{
    if (!(p.x <= 80))
        return false;
    // In double precision: the fit is shown to a few figures and r to ten,
    // and the long double exponential costs more than the rest of the fit.
    p.x = p.x < -80 ? 0 : std::exp(static_cast<double>(p.x));
    return true;
}

// ln|x|, which x = 0 does not have.
bool LogPoint(TRealPoint& p)
{
    if (p.x == 0 || !std::isfinite(p.x))
        return false;
    p.x = std::log(std::fabs(static_cast<double>(p.x)));
    return true;
}

std::string RText(Extended r)
{
    return FormatNumber(10, false, r);
}

// The value of the polynomial with coefficients highest power first.
Extended PolynomialValue(std::span<const Extended> coefficients, Extended x)
{
    Extended value = 0;
    for (Extended c : coefficients)
        value = value * x + c;
    return value;
}

} // namespace

// ---- TBestFit ---------------------------------------------------------------------------

TBestFit::TBestFit(TCurvePLotter* parent) : TDependentCurvePlotter(parent)
{
    DescriptionFlag = true;
}

TBestFit::~TBestFit() = default;

TCoordCurve* TBestFit::DataSet() const
{
    return dynamic_cast<TCoordCurve*>(PrimaryCurve);
}

void TBestFit::Refit()
{
    const TCoordCurve* set = DataSet();
    points_ = set ? set->UsablePoints(TransformPoint()) : std::vector<TRealPoint>{};
    if (points_.empty()) {
        FailWith(NotEnoughPointsText);
        return;
    }
    TGatherStatistics stats;
    GatherPoints(points_, stats, NeedsOrderStatistics());
    Failed = false;
    Fit(stats);
}

void TBestFit::Recalculate()
{
    TDependentCurvePlotter::Recalculate();
    Refit();
}

std::uint32_t TBestFit::PropertyFlags() const
{
    return (Fitted ? Fitted->PropertyFlags() : 0) | 2;
}

bool TBestFit::IsValid() const
{
    return DataSet() != nullptr;
}

void TBestFit::WriteDefinition(TMathsWriter& writer) const
{
    writer.WriteText(DescriptionText(FitDescription(), true));
}

std::unique_ptr<TEditor> TBestFit::ToEditor()
{
    return nullptr;
}

void TBestFit::ShowText(const std::string& text)
{
    info_ = text;
    TElementList list(new TEditorObject);
    list->next = new TLockedDescription(FitDescription());
    auto* info = new TDisplayInfo;
    list->next->next = info;
    info->SetCell(0, ElementsFromText(text).release());
    SetElements(std::move(list));
    SetLayoutOutOfDate(true);
    SetChanged(true);
    DiscardLineStore();
}

void TBestFit::FailWith(const std::string& text)
{
    Fitted.reset();
    Failed = true;
    ShowText(text);
}

void TBestFit::FitLine(Extended m, Extended a, bool xOnY)
{
    auto line = std::make_unique<TStraightLine>(0, NoLineIntercept, PrimaryCurve);
    if (xOnY)
        line->SetFromXGradient(m, a);
    else
        line->SetFromGradient(m, a);
    Fitted = std::move(line);
}

void TBestFit::FitFormula(const std::string& formula)
{
    TElementList elements = ElementsFromText(formula);
    Tidy(elements, tmFinish);
    TParseParams parse;
    StartParse(parse, elements.get(), avX, nullptr, false, EndOrTabTerminators());
    TEvaluatorPtr tree = ParseExpression(parse);
    if (HasError(parse) || !tree) {
        FailWith(NotEnoughPointsText);
        return;
    }
    auto curve = std::make_unique<TYofX>(std::move(tree), rlEqual);
    curve->SetElements(std::move(elements));
    Fitted = std::move(curve);
}

void TBestFit::FitRegressionOn(const std::string& term, const TGatherStatistics& stats)
{
    const std::string names[] = {term, ""};
    const Extended values[] = {RegressionSlope(stats, saX), RegressionIntercept(stats, saX)};
    const std::string formula = FittedSumText(names, values);
    ShowText(":  y=" + formula + ":  r=" + RText(Correlation(stats)));
    FitFormula(formula);
}

void TBestFit::DrawOnGraph(Canvas& canvas, TGraphParams& params)
{
    const TCoordCurve* set = DataSet();
    // While the whole data set is dragged its rows stay put and only its
    // drag matrices move: the fit follows them at every move.
    if (set && set->DragMatrices)
        Refit();
    if (Failed || !Fitted)
        return;
    Fitted->colour = colour;
    Fitted->style = style;
    Fitted->thickness = thickness;
    Fitted->SetSwitches(Switches());
    Fitted->DrawOnGraph(canvas, params);
}

void TBestFit::InitContext(TXY& context)
{
    if (Fitted && !Failed)
        Fitted->InitContext(context);
    else
        context.Skip = true;
}

void TBestFit::SelectPart(TXY& context, int part)
{
    if (Fitted)
        Fitted->SelectPart(context, part);
}

void TBestFit::CalculatePoint(TXY& context)
{
    if (Fitted)
        Fitted->CalculatePoint(context);
    else
        context.Continuous = false;
}

bool TBestFit::IsNear(TXYSearch& search)
{
    return !Failed && Fitted && Fitted->IsNear(search);
}

char TBestFit::VariableLetter(int index) const
{
    return Fitted ? Fitted->VariableLetter(index) : 0;
}

Extended TBestFit::ParameterAt(Extended y, Extended x)
{
    return Fitted ? Fitted->ParameterAt(y, x) : 0;
}

Extended TBestFit::ParameterStep(const TAxes& window)
{
    return Fitted ? Fitted->ParameterStep(window) : 1;
}

void TBestFit::SetParameterValue(TXY& context, Extended v)
{
    if (Fitted)
        Fitted->SetParameterValue(context, v);
    else
        context.Parameter = v;
}

Extended TBestFit::SignedDistance(const TRealPoint& point, int part)
{
    return Fitted ? Fitted->SignedDistance(point, part) : TDependentCurvePlotter::SignedDistance(point, part);
}

// ---- the straight fits --------------------------------------------------------------------

void TBestFitStraight::Fit(const TGatherStatistics& stats)
{
    const TBestFitLine line = LineOfBestFit(stats);
    if (line.Vertical)
        FitLine(0, line.Intercept, true);
    else
        FitLine(line.Slope, line.Intercept, false);
    ShowText(":    " + CorrelationVerdict(stats));
}

void TBestFityonx::Fit(const TGatherStatistics& stats)
{
    FitLine(RegressionSlope(stats, saX), RegressionIntercept(stats, saX), false);
    ShowText(":  " + RegressionYOnXText(stats) + "    r=" + RText(Correlation(stats)));
}

void TBestFitxony::Fit(const TGatherStatistics& stats)
{
    FitLine(RegressionSlope(stats, saY), RegressionIntercept(stats, saY), true);
    ShowText(":  " + RegressionXOnYText(stats) + "    r=" + RText(Correlation(stats)));
}

// ---- the formula fits ---------------------------------------------------------------------

TPointTransform TBestFitexponential::TransformPoint() const
{
    return ExponentialPoint;
}

void TBestFitexponential::Fit(const TGatherStatistics& stats)
{
    FitRegressionOn("e{^{x}", stats);
}

TPointTransform TBestFitlog::TransformPoint() const
{
    return LogPoint;
}

void TBestFitlog::Fit(const TGatherStatistics& stats)
{
    FitRegressionOn("ln x", stats);
}

void TBestFitQuad::Fit(const TGatherStatistics& stats)
{
    Extended a = 0, b = 0, c = 0;
    if (!LeastSquaresQuadratic(Points(), a, b, c)) {
        // No curvature to fit: the regression line of y on x.
        Shift = 0;
        FitRegressionOn("x", stats);
        return;
    }
    // The vertex form y = a·(x + h)² + c, its a, c and r from the regression
    // of y on (x + h)².
    Shift = b / (2 * a);
    std::vector<TRealPoint> shifted(Points().begin(), Points().end());
    for (TRealPoint& p : shifted)
        p.x = (p.x + Shift) * (p.x + Shift);
    TGatherStatistics squared;
    GatherPoints(shifted, squared, false);
    const Extended slope = RegressionSlope(squared, saX);
    const Extended intercept = RegressionIntercept(squared, saX);
    const std::string names[] = {"x{^{2}", "x", ""};
    const Extended constant = slope * Shift * Shift;
    const Extended values[] = {slope, 2 * slope * Shift,
                               DropNoise(constant + intercept, std::fabs(constant) + std::fabs(intercept))};
    const std::string formula = FittedSumText(names, values);
    ShowText(":  y=" + formula + ":  r=" + RText(Correlation(squared)));
    FitFormula(formula);
}

// ---- the polynomial -----------------------------------------------------------------------

void TBestFitPoly::Refit()
{
    const TCoordCurve* set = DataSet();
    if (set && set->PointCount() > 10) {
        FailWith(TooManyPointsText);
        return;
    }
    TBestFit::Refit();
}

void TBestFitPoly::Fit(const TGatherStatistics&)
{
    std::vector<TRealPoint> distinct;
    for (const TRealPoint& p : Points()) {
        bool repeat = false;
        for (const TRealPoint& q : distinct) {
            if (p.x == q.x && p.y == q.y) {
                repeat = true;
                break;
            }
            if (std::fabs(p.x - q.x) < 1e-8L) {
                FailWith(SameXValuesText);
                return;
            }
        }
        if (!repeat)
            distinct.push_back(p);
    }
    std::vector<Extended> exact = PolynomialThrough(distinct);
    const std::size_t degree = exact.size() - 1;
    // A term far below the values it adds up to is the noise of solving for
    // the coefficients, not part of the polynomial.
    Extended xSize = 1, ySize = 0;
    for (const TRealPoint& p : distinct) {
        xSize = std::max(xSize, std::fabs(p.x));
        ySize = std::max(ySize, std::fabs(p.y));
    }
    for (std::size_t i = 0; i <= degree; ++i)
        exact[i] = DropNoise(exact[i] * std::pow(xSize, Extended(degree - i)), ySize) == 0 ? 0 : exact[i];
    std::vector<std::string> names;
    for (std::size_t i = 0; i <= degree; ++i) {
        const std::size_t power = degree - i;
        names.push_back(power >= 2 ? "x{^{" + std::to_string(power) + "}" : power == 1 ? "x" : "");
    }
    // Rounded coefficients that miss a point get one more figure, up to 10.
    std::string formula;
    for (int figures = Configuration.MouseFigures;; ++figures) {
        const TValueScope<std::uint8_t> scope(Configuration.MouseFigures, static_cast<std::uint8_t>(figures));
        std::vector<Extended> rounded;
        for (Extended c : exact)
            rounded.push_back(RoundDisplayFigures(c));
        formula = FittedSumText(names, rounded);
        bool through = true;
        for (const TRealPoint& p : distinct)
            through =
                through && RoundDisplayFigures(PolynomialValue(rounded, p.x)) == RoundDisplayFigures(p.y);
        if (through || figures >= 10)
            break;
    }
    ShowText(":  y=" + formula);
    FitFormula(formula);
}

// ---- the statistics line -----------------------------------------------------------------

TDisplayStatsCurve::TDisplayStatsCurve(TCurvePLotter* parent) : TBestFit(parent), Options(StatsOptions) {}

void TDisplayStatsCurve::Fit(const TGatherStatistics& stats)
{
    Fitted.reset();
    const std::vector<std::string> rows = StatsLineRows(stats, Options);
    info_.clear();
    TElementList list(new TEditorObject);
    list->next = new TLockedDescription(FitDescription());
    auto* grid = new TDisplayStatsEditor(static_cast<int>(rows.size()));
    list->next->next = grid;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        info_ += rows[i];
        auto* row = new TDisplayInfo;
        row->SetCell(0, ElementsFromText(rows[i]).release());
        auto* cell = new TEditorObject;
        cell->next = row;
        grid->SetCell(static_cast<int>(i), cell);
    }
    SetElements(std::move(list));
    SetLayoutOutOfDate(true);
    SetChanged(true);
}

TDisplayStatsEditor::TDisplayStatsEditor(int rows)
    : TSublistsEditObject(static_cast<std::uint16_t>(0x0100 | std::clamp(rows, 1, 2))),
      rows_(std::clamp(rows, 1, 2))
{
}

void TDisplayStatsEditor::WriteTo(TMathsWriter&) const {}

std::uint16_t TDisplayStatsEditor::Dimensions() const
{
    return static_cast<std::uint16_t>(0x0100 | rows_);
}

void TDisplayStatsEditor::CellLayout(int index, TCellLayout& layout)
{
    layout.fontHeight = CurrentHeight;
    layout.restoreHeight = CurrentHeight;
    layout.noEmptyBox = true;
    int top = 0;
    for (int r = 0; r < index; ++r)
        top += CellRecord(r).height;
    layout.offset = top + CellRecord(index).raise;
}

void TDisplayStatsCurve::WriteTo(TMathsWriter& writer) const
{
    TBestFit::WriteTo(writer);
    WriteStatsOptions(Options, writer);
}

// ---- helpers ------------------------------------------------------------------------------

std::vector<Extended> PolynomialThrough(std::span<const TRealPoint> points)
{
    const std::size_t m = points.size();
    if (m == 0)
        return {};
    // Lagrange: the sum of y_i times the product of (x − x_j)/(x_i − x_j),
    // multiplied out lowest power first.
    std::vector<Extended> sum(m, 0);
    for (std::size_t i = 0; i < m; ++i) {
        std::vector<Extended> basis{1};
        Extended denominator = 1;
        for (std::size_t j = 0; j < m; ++j) {
            if (j == i)
                continue;
            std::vector<Extended> next(basis.size() + 1, 0);
            for (std::size_t k = 0; k < basis.size(); ++k) {
                next[k + 1] += basis[k];
                next[k] -= basis[k] * points[j].x;
            }
            basis = std::move(next);
            denominator *= points[i].x - points[j].x;
        }
        for (std::size_t k = 0; k < m; ++k)
            sum[k] += points[i].y * basis[k] / denominator;
    }
    std::reverse(sum.begin(), sum.end());
    return sum;
}

bool LeastSquaresQuadratic(std::span<const TRealPoint> points, Extended& a, Extended& b, Extended& c)
{
    a = b = c = 0;
    const std::size_t count = points.size();
    if (count == 0)
        return false;
    const Extended n = static_cast<Extended>(count);
    Extended mean = 0;
    for (const TRealPoint& p : points)
        mean += p.x;
    mean /= n;
    // Sums of powers of u = x − mean (Σu = 0), so the normal equations stay
    // well conditioned for data far from x = 0.
    Extended s2 = 0, s3 = 0, s4 = 0, ty = 0, t1 = 0, t2 = 0;
    for (const TRealPoint& p : points) {
        const Extended u = p.x - mean;
        const Extended u2 = u * u;
        s2 += u2;
        s3 += u2 * u;
        s4 += u2 * u2;
        ty += p.y;
        t1 += u * p.y;
        t2 += u2 * p.y;
    }
    const Extended d = s2 > 0 ? s4 - s3 * s3 / s2 - s2 * s2 / n : 0;
    if (count < 3 || !(d > 1e-12L * s4)) {
        const Extended slope = s2 > 0 ? t1 / s2 : 0;
        b = slope;
        c = ty / n - slope * mean;
        return false;
    }
    const Extended A = (t2 - s3 * t1 / s2 - s2 * ty / n) / d;
    const Extended B = (t1 - A * s3) / s2;
    const Extended C = (ty - A * s2) / n;
    if (A == 0) {
        b = B;
        c = C - B * mean;
        return false;
    }
    a = A;
    b = B - 2 * A * mean;
    c = A * mean * mean - B * mean + C;
    return true;
}

std::unique_ptr<TBestFit> MakeBestFit(int heading, TCurvePLotter* parent)
{
    std::unique_ptr<TBestFit> fit;
    switch (heading) {
    case dnBestFitStraight:
        fit = std::make_unique<TBestFitStraight>(parent);
        break;
    case dnBestFitExponential:
        fit = std::make_unique<TBestFitexponential>(parent);
        break;
    case dnBestFitLn:
        fit = std::make_unique<TBestFitlog>(parent);
        break;
    case dnBestFitQuadratic:
        fit = std::make_unique<TBestFitQuad>(parent);
        break;
    case dnBestFitYOnX:
        fit = std::make_unique<TBestFityonx>(parent);
        break;
    case dnBestFitXOnY:
        fit = std::make_unique<TBestFitxony>(parent);
        break;
    case dnPolynomial:
        fit = std::make_unique<TBestFitPoly>(parent);
        break;
    case dnStatsLine:
        fit = std::make_unique<TDisplayStatsCurve>(parent);
        break;
    default:
        return nullptr;
    }
    fit->Refit();
    return fit;
}
