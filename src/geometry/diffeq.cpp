#include "geometry/diffeq.h"

#include "expr/declarations.h"
#include "formula/descriptions.h"
#include "formula/markup.h"
#include "graph/graphparams.h"
#include "numbers/evalstate.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "plot/polylinebuffer.h"
#include "settings/configuration.h"
#include "settings/mathswriter.h"

#include <algorithm>
#include <cmath>

namespace {

// 1 for values ≥ 0, else −1.
Extended SlopeSign(Extended v)
{
    return v >= 0 ? 1 : -1;
}

bool HasEquation(const TCurvePLotter* primary)
{
    return primary && primary->HasProperty(4);
}

} // namespace

// ---- TDifferentialEquation ----------------------------------------------------------------

TDifferentialEquation::TDifferentialEquation(TEvaluatorPtr formula) : TFormulaCurve(std::move(formula)) {}

void TDifferentialEquation::CalculatePoint(TXY& context)
{
    Variables.x = context.X;
    Variables.y = context.Y;
    context.PrevY = context.PrevX;
    context.PrevX = EvaluateFormula();
}

void TDifferentialEquation::ShowDragHandles(bool show)
{
    TFormulaCurve::ShowDragHandles(show);
    if (PlotHost)
        PlotHost->SetGraphMouseMode(show ? 212 : 0);
}

void TDifferentialEquation::WriteDefinition(TMathsWriter& writer) const
{
    WriteFormula("dy/dx=", writer);
}

// ---- TDiffeqSolution --------------------------------------------------------------------------

TDiffeqSolution::TDiffeqSolution(std::unique_ptr<TCoordinates> throughPoint, TCurvePLotter* primary)
    : ThroughPoint(std::move(throughPoint))
{
    PrimaryCurve = primary;
}

TDiffeqSolution::~TDiffeqSolution() = default;

bool TDiffeqSolution::IsValid() const
{
    return HasEquation(PrimaryCurve);
}

bool TDiffeqSolution::DependsOn(std::string_view name) const
{
    return ThroughPoint && ThroughPoint->DependsOn(name);
}

void TDiffeqSolution::Trace(TXY& context, const std::function<bool(int pass)>& point)
{
    if (!PrimaryCurve || !ThroughPoint)
        return;
    const TRealPoint start = ThroughPoint->Point();
    if (!std::isfinite(start.x) || !std::isfinite(start.y))
        return;
    const TAxis& xAxis = *context.Axes->XAxis;
    const TAxis& yAxis = *context.Axes->YAxis;
    const int n = std::max(1, context.SampleCount);
    const Extended step = std::sqrt((xAxis.Max - xAxis.Min) * (yAxis.Max - yAxis.Min)) / n;
    if (!std::isfinite(step) || step == 0)
        return;
    const Extended xLow = 2 * xAxis.Min - xAxis.Max, xHigh = 2 * xAxis.Max - xAxis.Min;
    const Extended yLow = 2 * yAxis.Min - yAxis.Max, yHigh = 2 * yAxis.Max - yAxis.Min;
    const long long maximumSteps = static_cast<long long>(MaximumStepFactor) * n;
    const Extended advance = 1.0L / n;

    int reversals = 0;
    for (int pass = 0; pass < 2; ++pass) {
        Extended h = pass == 0 ? step : -std::fabs(step);
        if (pass == 1 && reversals == 2)
            reversals = 3;
        Extended x = start.x, y = start.y;
        int retries = 2;
        context.X = x;
        context.Y = y;
        context.PrevX = context.PrevY = 0;
        ResetStatus();
        if (!point(pass))
            return;
        for (long long count = 0; count < maximumSteps; ++count) {
            ResetStatus();
            context.X = x;
            context.Y = y;
            PrimaryCurve->CalculatePoint(context);
            const Extended slope = context.PrevX;
            std::uint8_t status = EvaluationStatus;
            if (status == esStep)
                status = esNormal; // a whole-number jump moves along the slope as usual
            if (status == esPole) {
                // The slope passed through infinity: step across it vertically,
                // then turn back once the first steps of the pass are used.
                y += SlopeSign(context.PrevY) * h;
                if (retries > 0) {
                    --retries;
                } else {
                    h = -h;
                    ++reversals;
                }
            } else if (status == esNormal) {
                const Extended theta = std::atan(slope);
                retries = 0;
                x += h * std::cos(theta);
                y += h * std::sin(theta);
            } else if (status == esUndefined) {
                retries = 0;
                context.PrevY = slope;
                y += SlopeSign(slope) * h;
            } else {
                break; // no real slope, clamped or not whole: nothing to follow
            }
            ResetStatus();
            context.X = x;
            context.Y = y;
            context.Parameter += advance;
            if (!point(pass))
                return;
            if (x < xLow || x > xHigh || y < yLow || y > yHigh || reversals == 2 || reversals == 4 ||
                !std::isfinite(x) || !std::isfinite(y))
                break;
        }
    }
}

void TDiffeqSolution::Draw(Canvas& canvas, TXY& context)
{
    if (!PrimaryCurve)
        return;
    const TSwitchScope tracking(Tracking, true);
    TPolyLineBuffer buffer(*this, canvas, context);
    FamilyStart();
    do {
        int current = -1;
        context.Parameter = 0;
        Trace(context, [&](int pass) {
            if (pass != current) {
                buffer.Flush(0); // the pen is lifted between passes
                current = pass;
            }
            buffer.AddPoint();
            return !buffer.Interrupted();
        });
        buffer.Flush(0);
    } while (!buffer.Abandoned() && FamilyNext());
    if (!buffer.Abandoned())
        ReportFirstDrawing(context);
    buffer.Finish();
}

void TDiffeqSolution::FindCrossings(TCurvePLotter& other, const TGraphParams& params,
                                    std::vector<TRealPoint>& rounded, std::vector<TRealPoint>& exact)
{
    const TSwitchScope tracking(Tracking, true);
    TXY context(params);
    InitContext(context);
    std::vector<std::vector<TRealPoint>> runs;
    int current = -1;
    Trace(context, [&](int pass) {
        if (pass != current) {
            runs.emplace_back();
            current = pass;
        }
        runs.back().push_back({context.X, context.Y});
        return true;
    });
    FindCrossingsAlong(runs, other, params, rounded, exact);
}

void TDiffeqSolution::WriteDefinition(TMathsWriter& writer) const
{
    if (ThroughPoint)
        writer.WriteText(PointMarkup(*ThroughPoint));
}

std::unique_ptr<TDragCustom> TDiffeqSolution::MakeHandle()
{
    if (!ThroughPoint)
        return nullptr;
    const TRealPoint point = ThroughPoint->Point();
    if (!std::isfinite(point.x) || !std::isfinite(point.y))
        return nullptr;
    auto handle = std::make_unique<TDragPoint>(this, point.x, point.y, -1);
    // Ctrl and a press move nothing else: the handle is the whole definition.
    handle->CtrlMovable = false;
    return handle;
}

void TDiffeqSolution::DragPointMoved(TDragCustom* handle)
{
    if (!handle || !std::isfinite(handle->AnchorX) || !std::isfinite(handle->AnchorY))
        return;
    ThroughPoint = std::make_unique<TCoordinates>(handle->AnchorX, handle->AnchorY);
    SetElements(ElementsFromText(PointMarkup(*ThroughPoint)));
    DefinitionChanged();
}

// ---- TDiffeqCompassPoints -------------------------------------------------------------------

TDiffeqCompassPoints::TDiffeqCompassPoints(TCurvePLotter* primary)
{
    PrimaryCurve = primary;
}

void TDiffeqCompassPoints::SetCompassText()
{
    TElementList list(new TEditorObject);
    list->next = new TFixedDescription(dnCompassPoints);
    SetElements(std::move(list));
    DescriptionFlag = true;
}

bool TDiffeqCompassPoints::IsValid() const
{
    return HasEquation(PrimaryCurve);
}

bool TDiffeqCompassPoints::UsesLineStore() const
{
    return TGraphParams::SamplePoints() < 200 * 100;
}

void TDiffeqCompassPoints::GridSize(int sampleCount, int& columns, int& rows)
{
    columns =
        static_cast<int>(std::lround(std::sqrt(static_cast<double>(std::max(0, sampleCount))) / 1.5 + 10));
    rows = static_cast<int>(std::lround(columns / 1.5));
}

void TDiffeqCompassPoints::Draw(Canvas& canvas, TXY& context)
{
    if (!PrimaryCurve)
        return;
    const TAxis& xAxis = *context.Axes->XAxis;
    const TAxis& yAxis = *context.Axes->YAxis;
    const int width = xAxis.ValueToPixel(xAxis.Max);
    const int height = yAxis.ValueToPixel(yAxis.Min);
    const double half = std::sqrt(static_cast<double>(width) * height) / 100;
    int columns = 0, rows = 0;
    GridSize(context.SampleCount, columns, rows);
    if (columns <= 0 || rows <= 0 || width <= 0 || height <= 0)
        return;
    const Extended ratio = yAxis.Scale / xAxis.Scale;

    const TSwitchScope tracking(Tracking, false);
    TPolyLineBuffer buffer(*this, canvas, context);
    std::vector<QPoint> segments;
    segments.reserve(static_cast<std::size_t>(columns) * rows * 2);
    context.AllInvalid = context.AllOffScreen = false;
    for (int j = 1; j <= rows; ++j) {
        if (buffer.Interrupted())
            break;
        const int py = static_cast<int>((j - 0.5) * height * 1.5 / columns);
        for (int i = 1; i <= columns; ++i) {
            const int px = static_cast<int>(static_cast<double>(width) / columns * (i - 0.5));
            ResetStatus();
            context.X = xAxis.PixelToValue(px);
            context.Y = yAxis.PixelToValue(py);
            PrimaryCurve->CalculatePoint(context);
            const std::uint8_t status = EvaluationStatus;
            // The segment along arctan of the pixel slope m: its cosine and
            // sine are 1/√(1 + m²) and m/√(1 + m²), without the arc tangent.
            double cosine = 0, sine = 1;
            if (status == esNormal || status == esStep || status == esPole) {
                const double m = static_cast<double>(context.PrevX * ratio);
                if (std::isnan(m))
                    continue;
                if (std::fabs(m) < 1e150) {
                    const double length = std::sqrt(1 + m * m);
                    cosine = 1 / length;
                    sine = m / length;
                } else {
                    sine = m > 0 ? 1 : -1;
                }
            } else if (status != esUndefined) {
                continue;
            }
            const int dx = static_cast<int>(std::lround(half * cosine));
            const int dy = static_cast<int>(std::lround(half * sine));
            segments.emplace_back(px - dx, py - dy);
            segments.emplace_back(px + dx, py + dy);
        }
    }
    ResetStatus();
    if (buffer.Abandoned())
        return;
    TSegmentStore piece(segments, 0, 0, true);
    TShadingBitmap none(canvas);
    piece.Replay(canvas, none);
    if (context.Store)
        context.Store->Add(std::make_unique<TSegmentStore>(segments, 0, 0, true));
}

void TDiffeqCompassPoints::WriteDefinition(TMathsWriter& writer) const
{
    writer.WriteText(DescriptionText(dnCompassPoints, true));
}

void TSegmentStore::Replay(Canvas& canvas, TShadingBitmap&) const
{
    DrawLines(canvas);
}

void TSegmentStore::DrawLines(Canvas& canvas) const
{
    canvas.Segments(points_);
}
