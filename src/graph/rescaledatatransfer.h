// TRescaleDataTransfer: one complete scale request, and the unit of the
// scale history and of the document's Scaling records. The bounds are number
// objects, so a bound typed as a multiple of pi keeps its typed form. In step
// form the two maxima hold the graph-paper step per 2 cm instead.
#pragma once

#include "expr/realreader.h"

#include <memory>
#include <string>

class TAxes;
class TMathsWriter;
class TScaleHost;

class TRescaleDataTransfer {
public:
    TRealReaderPtr XMin, XMax, YMin, YMax; // never null
    bool Square = false;
    bool GraphPaper = false;
    bool StepForm = false;
    Extended XStep = 0, YStep = 0; // the steps when these scales were last in force
    std::string XScalingText, YScalingText;

    TRescaleDataTransfer(Extended xmin, Extended xmax, Extended ymin, Extended ymax,
                         std::string xScalingText = {}, std::string yScalingText = {},
                         bool graphPaper = false);
    // Adopts four number objects (a null one counts as 0).
    TRescaleDataTransfer(TRealReaderPtr xmin, TRealReaderPtr xmax, TRealReaderPtr ymin, TRealReaderPtr ymax,
                         std::string xScalingText, std::string yScalingText, bool graphPaper);
    [[nodiscard]] std::unique_ptr<TRescaleDataTransfer> Clone() const;

    [[nodiscard]] Extended XMinValue() const { return XMin->Value(); }
    [[nodiscard]] Extended XMaxValue() const { return XMax->Value(); }
    [[nodiscard]] Extended YMinValue() const { return YMin->Value(); }
    [[nodiscard]] Extended YMaxValue() const { return YMax->Value(); }
    void SetBounds(Extended xmin, Extended xmax, Extended ymin, Extended ymax);

    // False with the status-line message when a bound breaks the scale
    // rules ("Value of x is out of range", "Min and max values of y are too
    // close"); x is checked first.
    [[nodiscard]] bool Validate(std::string& message) const;
    // Widens the relatively short range so one unit is as long on both axes;
    // in graph-paper step form the y step becomes the x step.
    void MakeSquare(const TScaleHost* window);
    // MakeSquare again when Square is set; the square command shows Square.
    void ReapplySquare(TScaleHost* window);
    // The maxima shown: Min + DivisionCount x step in graph-paper step form.
    [[nodiscard]] Extended XMaxValue(const TAxes& axes) const;
    [[nodiscard]] Extended YMaxValue(const TAxes& axes) const;
    // Step form only: the maxima replace the steps.
    void ResolveMaxima(const TAxes& axes);
    // Step form only: the stored steps replace the maxima.
    void RestoreSteps();
    // Each bound rounded to its axis step's decade.
    void RoundBounds();
    // The document's Scaling record of these scales.
    void WriteScaling(TMathsWriter& writer) const;
};
