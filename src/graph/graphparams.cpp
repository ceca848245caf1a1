#include "graph/graphparams.h"

#include "graph/scalehost.h"
#include "platform/mainwindowbase.h"
#include "settings/configuration.h"
#include "settings/mathswriter.h"

#include <algorithm>

namespace {

void WriteScalingLine(TMathsWriter& writer, std::string_view keyword, const TRealReader* scaling)
{
    if (!scaling)
        return;
    writer.WriteLine(keyword, 0, false);
    scaling->WriteValue(writer, false);
    writer.WriteLine({}, 0, true);
}

} // namespace

TGraphParams::TGraphParams(TScaleHost* window)
    : Axes(std::make_unique<TAxes>(window)), Width(window ? window->ClientWidth() : 0),
      Height(window ? window->ClientHeight() : 0)
{
    Axes->ScalesChanged = false;
}

void TGraphParams::Apply(std::unique_ptr<TRescaleDataTransfer> transfer, TScaleHost* window)
{
    Axes->ApplyScales(std::move(transfer), window);
}

bool TGraphParams::SetScales(std::unique_ptr<TRescaleDataTransfer> transfer, TScaleHost* window)
{
    if (!transfer)
        return false;
    std::string message;
    if (!transfer->Validate(message)) {
        ShowStatus(message, true);
        return false;
    }
    if (Axes->Scales)
        History.insert(History.begin(), std::move(Axes->Scales));
    Apply(std::move(transfer), window);
    while (History.size() > MaxHistory)
        History.pop_back();
    if (window)
        window->ScaleListChanged();
    return true;
}

void TGraphParams::ResetScales(TScaleHost* window)
{
    Axes->SetDefaultScales(window);
    ToggleSquare(window);
}

void TGraphParams::ToggleSquare(TScaleHost* window)
{
    if (!Axes->Scales)
        return;
    if (Axes->Scales->Square) {
        Axes->Scales->Square = false;
        if (window)
            window->SetSquareChecked(false);
        return;
    }
    const TAxis& x = *Axes->XAxis;
    const TAxis& y = *Axes->YAxis;
    auto transfer = std::make_unique<TRescaleDataTransfer>(
        x.Min, x.Max, y.Min, y.Max, Axes->Scales->XScalingText, Axes->Scales->YScalingText, Axes->GraphPaper);
    if (Axes->GraphPaper) {
        transfer->StepForm = true;
        transfer->SetBounds(x.Min, x.Step, y.Min, y.Step);
    }
    transfer->MakeSquare(window);
    SetScales(std::move(transfer), window);
}

void TGraphParams::PositiveScales(TScaleHost* window)
{
    Axes->ClearScalings();
    auto transfer =
        std::make_unique<TRescaleDataTransfer>(0, Axes->XAxis->WindowExtent(), 0, Axes->YAxis->WindowExtent(),
                                               std::string(), std::string(), Axes->GraphPaper);
    SetScales(std::move(transfer), window);
}

void TGraphParams::TrigonometricScales(TScaleHost* window)
{
    if (Configuration.PolarGrid) {
        SetScales(std::make_unique<TRescaleDataTransfer>(-1.5L, 1.5L, -1.5L, 1.5L, std::string(),
                                                         std::string(), Axes->GraphPaper),
                  window);
        ToggleSquare(window);
        return;
    }
    const bool radians = Configuration.Radians();
    const Extended period = 2 * Pi / Configuration.AngleFactor;
    SetScales(std::make_unique<TRescaleDataTransfer>(-period, period, -1.5L, 1.5L, radians ? "{p" : "90",
                                                     std::string(), Axes->GraphPaper),
              window);
}

void TGraphParams::ToggleGraphPaper(TScaleHost* window)
{
    if (Axes->GraphPaper) {
        Axes->GraphPaper = false;
        if (TRescaleDataTransfer* scales = Axes->Scales.get()) {
            scales->GraphPaper = false;
            // The maxima slots hold steps in step form; without graph paper
            // they must be maxima again or the next fit would use the steps.
            if (scales->StepForm) {
                scales->XMax = std::make_unique<TRealReader>(Axes->XAxis->ShownMax());
                scales->YMax = std::make_unique<TRealReader>(Axes->YAxis->ShownMax());
                scales->StepForm = false;
            }
        }
        Axes->XAxis->Subdivisions = 1;
        Axes->YAxis->Subdivisions = 1;
    } else {
        Axes->LabelFont = window ? window->GraphFont() : Axes->LabelFont;
        Axes->SetGraphPaper(window ? CharSize(*window) : CharSizeOf(Axes->LabelFont, nullptr));
    }
    if (window)
        window->ScalesRecalculated();
}

void TGraphParams::ZoomAxis(int kind, TScaleHost* window, Extended factor)
{
    SetScales(Axes->ZoomAxis(kind, factor), window);
}

Extended TGraphParams::ZoomOutFactor()
{
    return Configuration.ZoomFactor / 100.0L;
}

Extended TGraphParams::ZoomInFactor()
{
    return 99.0L / Configuration.ZoomFactor;
}

void TGraphParams::PreviousScales(TScaleHost* window)
{
    if (History.empty())
        return;
    std::unique_ptr<TRescaleDataTransfer> previous = std::move(History.front());
    History.erase(History.begin());
    if (Axes->Scales)
        History.push_back(std::move(Axes->Scales));
    Apply(std::move(previous), window);
    if (window)
        window->ScaleListChanged();
}

void TGraphParams::NextScales(TScaleHost* window)
{
    if (History.empty())
        return;
    std::unique_ptr<TRescaleDataTransfer> next = std::move(History.back());
    History.pop_back();
    if (Axes->Scales)
        History.insert(History.begin(), std::move(Axes->Scales));
    Apply(std::move(next), window);
    if (window)
        window->ScaleListChanged();
}

void TGraphParams::ClearHistory(TScaleHost* window)
{
    History.clear();
    if (window)
        window->ScaleListChanged();
}

int TGraphParams::SamplePoints()
{
    return Configuration.AccuracyHundreds();
}

void TGraphParams::WriteScales(TMathsWriter& writer) const
{
    writer.WriteLine("Accuracy = " + std::to_string(Configuration.Accuracy));
    WriteScalingLine(writer, "x scaling: ", Axes->XAxis->Scaling.get());
    WriteScalingLine(writer, "y scaling: ", Axes->YAxis->Scaling.get());
    if (Axes->Scales)
        Axes->Scales->WriteScaling(writer);
    for (const auto& entry : History)
        entry->WriteScaling(writer);
}
