#include "graph/rescaledatatransfer.h"

#include "graph/axes.h"
#include "graph/axis.h"
#include "graph/displayrounding.h"
#include "graph/scalehost.h"
#include "graph/scalevalidation.h"
#include "settings/configuration.h"
#include "settings/mathswriter.h"

namespace {

TRealReaderPtr Number(Extended value)
{
    return std::make_unique<TRealReader>(value);
}
TRealReaderPtr OrZero(TRealReaderPtr number)
{
    return number ? std::move(number) : Number(0);
}

void WriteBound(TMathsWriter& writer, std::string_view keyword, const TRealReader& number)
{
    writer.WriteLine(keyword, 2, false);
    number.WriteValue(writer, false);
    writer.WriteLine({}, 0, true);
}

} // namespace

TRescaleDataTransfer::TRescaleDataTransfer(Extended xmin, Extended xmax, Extended ymin, Extended ymax,
                                           std::string xScalingText, std::string yScalingText,
                                           bool graphPaper)
    : XMin(Number(xmin)), XMax(Number(xmax)), YMin(Number(ymin)), YMax(Number(ymax)), GraphPaper(graphPaper),
      XScalingText(std::move(xScalingText)), YScalingText(std::move(yScalingText))
{
}

TRescaleDataTransfer::TRescaleDataTransfer(TRealReaderPtr xmin, TRealReaderPtr xmax, TRealReaderPtr ymin,
                                           TRealReaderPtr ymax, std::string xScalingText,
                                           std::string yScalingText, bool graphPaper)
    : XMin(OrZero(std::move(xmin))), XMax(OrZero(std::move(xmax))), YMin(OrZero(std::move(ymin))),
      YMax(OrZero(std::move(ymax))), GraphPaper(graphPaper), XScalingText(std::move(xScalingText)),
      YScalingText(std::move(yScalingText))
{
}

std::unique_ptr<TRescaleDataTransfer> TRescaleDataTransfer::Clone() const
{
    auto copy = std::make_unique<TRescaleDataTransfer>(CloneNumber(XMin.get()), CloneNumber(XMax.get()),
                                                       CloneNumber(YMin.get()), CloneNumber(YMax.get()),
                                                       XScalingText, YScalingText, GraphPaper);
    copy->Square = Square;
    copy->StepForm = StepForm;
    copy->XStep = XStep;
    copy->YStep = YStep;
    return copy;
}

void TRescaleDataTransfer::SetBounds(Extended xmin, Extended xmax, Extended ymin, Extended ymax)
{
    XMin = Number(xmin);
    XMax = Number(xmax);
    YMin = Number(ymin);
    YMax = Number(ymax);
}

bool TRescaleDataTransfer::Validate(std::string& message) const
{
    message = ScaleRangeError('x', XMinValue(), XMaxValue(), StepForm);
    if (message.empty())
        message = ScaleRangeError('y', YMinValue(), YMaxValue(), StepForm);
    return message.empty();
}

void TRescaleDataTransfer::MakeSquare(const TScaleHost* window)
{
    if (GraphPaper && StepForm) {
        YMax = CloneNumber(XMax.get());
        Square = true;
        return;
    }
    if (!window || window->ClientWidth() <= 0 || window->ClientHeight() <= 0)
        return;
    const Extended width = window->ClientWidth();
    const Extended height = window->ClientHeight();
    Extended dx = XMaxValue() - XMinValue();
    const Extended dy = YMaxValue() - YMinValue();
    Extended dyNew = dx * PixelAspect * height / width;
    if (dyNew < dy) {
        dyNew = dy;
        dx = dy / PixelAspect / height * width;
    }
    const Extended cx = (XMaxValue() + XMinValue()) / 2;
    const Extended cy = (YMaxValue() + YMinValue()) / 2;
    SetBounds(cx - dx / 2, cx + dx / 2, cy - dyNew / 2, cy + dyNew / 2);
    Square = true;
}

void TRescaleDataTransfer::ReapplySquare(TScaleHost* window)
{
    if (Square)
        MakeSquare(window);
    if (window)
        window->SetSquareChecked(Square);
}

Extended TRescaleDataTransfer::XMaxValue(const TAxes& axes) const
{
    if (GraphPaper && StepForm)
        return XMinValue() + axes.XAxis->DivisionCount() * XMaxValue();
    return XMaxValue();
}

Extended TRescaleDataTransfer::YMaxValue(const TAxes& axes) const
{
    if (GraphPaper && StepForm)
        return YMinValue() + axes.YAxis->DivisionCount() * YMaxValue();
    return YMaxValue();
}

void TRescaleDataTransfer::ResolveMaxima(const TAxes& axes)
{
    if (!StepForm)
        return;
    const Extended xmax = XMaxValue(axes);
    const Extended ymax = YMaxValue(axes);
    XMax = Number(xmax);
    YMax = Number(ymax);
}

void TRescaleDataTransfer::RestoreSteps()
{
    if (!StepForm)
        return;
    XMax = Number(XStep);
    YMax = Number(YStep);
}

void TRescaleDataTransfer::RoundBounds()
{
    XMin = Number(RoundToStepDecade(XStep, XMinValue()));
    XMax = Number(RoundToStepDecade(XStep, XMaxValue()));
    YMin = Number(RoundToStepDecade(YStep, YMinValue()));
    YMax = Number(RoundToStepDecade(YStep, YMaxValue()));
}

void TRescaleDataTransfer::WriteScaling(TMathsWriter& writer) const
{
    writer.WriteLine("Scaling");
    writer.WriteLine("x-axis", 1);
    WriteBound(writer, "min = ", *XMin);
    WriteBound(writer, "max = ", *XMax);
    writer.WriteLine("y-axis", 1);
    WriteBound(writer, "min = ", *YMin);
    WriteBound(writer, "max = ", *YMax);
    writer.WriteLine(Square ? "Square: 1" : "Square: 0", 1);
    writer.WriteLine(GraphPaper ? "2 mm graph: 1" : "2 mm graph: 0", 1);
    if (!XScalingText.empty())
        writer.WriteLine("x scaling: " + XScalingText, 1);
    if (!YScalingText.empty())
        writer.WriteLine("y scaling: " + YScalingText, 1);
}
