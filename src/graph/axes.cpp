#include "graph/axes.h"

#include "graph/displayrounding.h"
#include "graph/metafilesizestore.h"
#include "graph/scalehost.h"
#include "platform/canvas.h"
#include "platform/mainwindowbase.h"
#include "settings/configuration.h"

#include <QPaintDevice>

#include <algorithm>
#include <cmath>

namespace {

// The most circles of one polar grid level worth drawing.
constexpr Extended MaxPolarCircles = 100000;

QFont DefaultGraphFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    return font;
}

} // namespace

TAxes::TAxes(TScaleHost* window)
{
    if (!window) {
        XAxis = std::make_unique<TAxis>(akHorizontal, 100);
        YAxis = std::make_unique<TAxis>(akVertical, 100);
        XAxis->Max = 100;
        YAxis->Max = 100;
        YAxis->Origin = 100;
        LabelFont = DefaultGraphFont();
        return;
    }
    XAxis = std::make_unique<TAxis>(akHorizontal, window->ClientWidth());
    YAxis = std::make_unique<TAxis>(akVertical, window->ClientHeight());
    LabelFont = window->GraphFont();
    SetDefaultScales(window);
}

std::unique_ptr<TAxes> TAxes::CreateCopy(const TAxes& source)
{
    auto copy = std::make_unique<TAxes>(nullptr);
    copy->XAxis = TAxis::CreateCopy(*source.XAxis);
    copy->YAxis = TAxis::CreateCopy(*source.YAxis);
    copy->LabelFont = source.LabelFont;
    return copy;
}

const TAxis* TAxes::AxisByLetter(char letter) const
{
    if (letter == 'x')
        return XAxis.get();
    if (letter == 'y')
        return YAxis.get();
    return nullptr;
}

void TAxes::ClearScalings()
{
    XAxis->Scaling.reset();
    YAxis->Scaling.reset();
}

QPoint TAxes::ValueToPixel(Extended x, Extended y) const
{
    return QPoint(XAxis->ValueToPixel(x), YAxis->ValueToPixel(y));
}

TRealPoint TAxes::PixelToValue(QPoint pixel) const
{
    return {XAxis->PixelToValue(pixel.x()), YAxis->PixelToValue(pixel.y())};
}

TRealPoint TAxes::PixelToRoundedValue(QPoint pixel) const
{
    return {XAxis->PixelToRoundedValue(pixel.x()), YAxis->PixelToRoundedValue(pixel.y())};
}

bool TAxes::IsInside(Extended x, Extended y) const
{
    return XAxis->Contains(x) && YAxis->Contains(y);
}

std::pair<std::string, std::string> TAxes::CoordinateTexts(QPoint pixel) const
{
    return {XAxis->ValueText(pixel.x()), YAxis->ValueText(pixel.y())};
}

QSize TAxes::CharSizes(TScaleHost* window) const
{
    return window ? CharSize(*window) : CharSizeOf(LabelFont, nullptr);
}

void TAxes::SetDefaultScales(TScaleHost* window)
{
    const int width = window ? window->ClientWidth() : XAxis->Length;
    const int height = window ? window->ClientHeight() : YAxis->Length;
    Extended a = 8;
    if (width > 0 && height > 0) {
        a = 8 * PixelAspect * height / width;
        a = RoundToStepDecade(RoundFigures(1, a), a);
    }
    auto transfer = std::make_unique<TRescaleDataTransfer>(-8, 8, -a, a);
    if (GraphPaper) {
        XAxis->Length = width;
        YAxis->Length = height;
        XAxis->CentreOrigin();
        YAxis->CentreOrigin();
        transfer->GraphPaper = true;
        transfer->StepForm = true;
        transfer->SetBounds(-XAxis->WindowExtent() / 2, 1, -YAxis->WindowExtent() / 2, 1);
    }
    Scales = std::move(transfer);
    Recalculate(window);
}

void TAxes::Recalculate(TScaleHost* window)
{
    if (!Scales)
        return;
    if (window)
        LabelFont = window->GraphFont();
    const QSize chars = CharSizes(window);
    const int width = window ? window->ClientWidth() : XAxis->Length;
    const int height = window ? window->ClientHeight() : YAxis->Length;
    XAxis->SetScalingText(Scales->XScalingText);
    YAxis->SetScalingText(Scales->YScalingText);
    if (Scales->GraphPaper && Scales->StepForm) {
        XAxis->GraphPaperFrom(width, chars.width(), Scales->XMaxValue(), Scales->XMinValue());
        YAxis->GraphPaperFrom(height, chars.height(), Scales->YMaxValue(), Scales->YMinValue());
    } else {
        XAxis->AutoScale(0, width, XAxis->MarginFor(chars.width()), 3 * chars.width(), Scales->XMaxValue(),
                         Scales->XMinValue());
        YAxis->AutoScale(height, 0, YAxis->MarginFor(chars.height()), 3 * chars.height(), Scales->YMaxValue(),
                         Scales->YMinValue());
    }
    if (GraphPaper)
        SetGraphPaper(chars);
    if (window)
        window->ScalesRecalculated();
}

void TAxes::ApplyScales(std::unique_ptr<TRescaleDataTransfer> transfer, TScaleHost* window)
{
    if (!transfer)
        return;
    const bool noteBefore = XAxis->HasLabelNote() || YAxis->HasLabelNote();
    Scales = std::move(transfer);
    GraphPaper = Scales->GraphPaper;
    Scales->ReapplySquare(window);
    Recalculate(window);
    CaptureScales();
    if (!noteBefore && (XAxis->HasLabelNote() || YAxis->HasLabelNote()))
        ShowStatus("Note the scaling on the axis", true, true);
    ScalesChanged = true;
}

void TAxes::CaptureScales()
{
    if (!Scales)
        return;
    Scales->XMin = std::make_unique<TRealReader>(XAxis->Min);
    Scales->YMin = std::make_unique<TRealReader>(YAxis->Min);
    Scales->XStep = XAxis->Step;
    Scales->YStep = YAxis->Step;
    if (!GraphPaper) {
        Scales->XMax = std::make_unique<TRealReader>(XAxis->Max);
        Scales->YMax = std::make_unique<TRealReader>(YAxis->Max);
    }
}

std::unique_ptr<TRescaleDataTransfer> TAxes::ZoomAxis(int kind, Extended factor)
{
    if (!Scales)
        return nullptr;
    auto transfer = Scales->Clone();
    transfer->StepForm = GraphPaper;
    transfer->GraphPaper = GraphPaper;
    // Zooming one axis alone cannot keep the scales square.
    transfer->Square = false;
    TAxis& axis = Axis(kind);
    TRealReaderPtr& minSlot = kind == akHorizontal ? transfer->XMin : transfer->YMin;
    TRealReaderPtr& maxSlot = kind == akHorizontal ? transfer->XMax : transfer->YMax;
    const Extended shownMax = axis.Max;
    const Extended storedMin = minSlot->Value();
    const Extended storedMax = maxSlot->Value();
    Extended newMin = 0;
    Extended newMax = 0;
    if (storedMin > 0 || shownMax < 0) {
        const Extended centre = (shownMax + storedMin) / 2;
        const Extended half = (shownMax - storedMin) * factor / 2;
        newMin = centre - half;
        newMax = GraphPaper ? storedMax * factor : centre + half;
    } else {
        newMin = storedMin * factor;
        newMax = storedMax * factor;
        axis.KeepOrigin = true;
    }
    minSlot = std::make_unique<TRealReader>(newMin);
    maxSlot = std::make_unique<TRealReader>(newMax);
    return transfer;
}

void TAxes::SetGraphPaper(QSize charSizes)
{
    XAxis->SetGraphPaper(charSizes.width());
    YAxis->SetGraphPaper(charSizes.height());
    GraphPaper = true;
    if (Scales)
        Scales->GraphPaper = true;
    StoreGraphPaperSteps();
}

void TAxes::StoreGraphPaperSteps()
{
    if (!Scales)
        return;
    Scales->XMax = std::make_unique<TRealReader>(XAxis->Step);
    Scales->YMax = std::make_unique<TRealReader>(YAxis->Step);
    Scales->XStep = XAxis->Step;
    Scales->YStep = YAxis->Step;
    Scales->StepForm = true;
}

void TAxes::SnapGraphPaperMax(Extended xmin, Extended ymin, Extended& ymax, Extended& xmax) const
{
    if (!GraphPaper)
        return;
    xmax = xmin + XAxis->NiceStepFor(xmax, xmin);
    ymax = ymin + YAxis->NiceStepFor(ymax, ymin);
}

void TAxes::ResizeGraphPaper(Canvas& canvas, int width, int height, int xMode, int yMode, Extended oldXExtent,
                             Extended oldYExtent)
{
    const QSize chars = CharSizeOf(LabelFont, canvas.Device());
    XAxis->ResizeGraphPaper(width, chars.width(), XAxis->Min, xMode, oldXExtent);
    YAxis->ResizeGraphPaper(height, chars.height(), YAxis->Min, yMode, oldYExtent);
}

void TAxes::ScaleBy(Extended fx, Extended fy)
{
    XAxis->ScaleBy(fx);
    YAxis->ScaleBy(fy);
}

void TAxes::FitToDevice(Canvas& canvas, int widthPixels, int heightPixels, TMetaFileSizeStore* store)
{
    TMetaFileSize across{0, static_cast<Extended>(widthPixels)};
    TMetaFileSize down{0, static_cast<Extended>(heightPixels)};
    if (store) {
        across = store->Next();
        down = store->Next();
    } else {
        // Millimetres of the graph from the device's own pixels per millimetre.
        const QPaintDevice* device = canvas.Device();
        if (!device || device->widthMM() <= 0 || device->heightMM() <= 0)
            return;
        across.millimetres = widthPixels * static_cast<Extended>(device->widthMM()) / canvas.Width();
        down.millimetres = heightPixels * static_cast<Extended>(device->heightMM()) / canvas.Height();
    }
    XAxis->FitToDevice(across.millimetres, across.pixels);
    YAxis->FitToDevice(down.millimetres, down.pixels);
}

TAxisRanges TAxes::GetRanges() const
{
    return {XAxis->Min, XAxis->Max, YAxis->Min, YAxis->Max};
}

void TAxes::SetRanges(const TAxisRanges& ranges)
{
    XAxis->Min = ranges.XMin;
    XAxis->Max = ranges.XMax;
    YAxis->Min = ranges.YMin;
    YAxis->Max = ranges.YMax;
}

void TAxes::Draw(Canvas& canvas, const QRect& paintRect) const
{
    const int right = paintRect.x() + paintRect.width();
    const int bottom = paintRect.y() + paintRect.height();
    if (Configuration.Grid) {
        if (Configuration.PolarGrid) {
            DrawPolarGrid(canvas);
        } else {
            for (int pass = 1; pass <= 3; ++pass) {
                XAxis->Draw(canvas, YAxis->CrossPixel, pass, bottom, right, LabelFont);
                YAxis->Draw(canvas, XAxis->CrossPixel, pass, right, bottom, LabelFont);
            }
        }
    }
    if (Configuration.DrawAxes) {
        XAxis->Draw(canvas, YAxis->CrossPixel, 0, bottom, right, LabelFont);
        YAxis->Draw(canvas, XAxis->CrossPixel, 0, right, bottom, LabelFont);
    }
}

void TAxes::Paint(Canvas& canvas, TPaintContext&)
{
    Draw(canvas, canvas.Bounds());
}

void TAxes::WriteTo(TMathsWriter& writer) const
{
    if (Scales)
        Scales->WriteScaling(writer);
}

void TAxes::DrawPolarGrid(Canvas& canvas) const
{
    const TBrushState oldBrush = canvas.Brush();
    canvas.SetBrushStyle(TBrushStyle::Clear);
    TPenState pen{canvas.Printing() ? clBlack : clPaletteGrey, Configuration.ThickLines / 2, TPenStyle::Solid,
                  TPenMode::Copy};
    const bool radians = Configuration.Radians();
    Extended radius = std::sqrt(std::max(XAxis->Min * XAxis->Min, XAxis->Max * XAxis->Max) +
                                std::max(YAxis->Min * YAxis->Min, YAxis->Max * YAxis->Max));
    const Extended step = XAxis->Step;
    for (int level = GraphPaper ? 2 : 0; level >= 0; --level) {
        // Levels 0 and 2 both ring every tenth of a step; level 0 has the
        // fewest diameters and the major colour.
        const Extended increment = level == 1 ? step / 2 : step / 10;
        const int diameters = radians ? (level == 2   ? 160
                                         : level == 1 ? 32
                                                      : 16)
                                      : (level == 2   ? 180
                                         : level == 1 ? 36
                                                      : 18);
        if (GraphPaper)
            pen.colour = GraphPaperLineColour(level);
        canvas.SetPen(pen);
        if (!(increment > 0) || !std::isfinite(radius / increment) || radius / increment > MaxPolarCircles)
            continue;
        const long long circles = static_cast<long long>(RoundEven(radius / increment));
        for (long long i = 1; i <= circles; ++i) {
            const Extended r = i * increment;
            const QPoint topLeft = ValueToPixel(-r, r);
            const QPoint bottomRight = ValueToPixel(r, -r);
            canvas.Ellipse(topLeft.x(), topLeft.y(), bottomRight.x(), bottomRight.y());
        }
        if (circles > 0)
            radius = circles * increment;
        for (int c = 0; c < diameters; ++c) {
            const Extended theta = c * Pi / diameters;
            const Extended dx = radius * std::cos(theta);
            const Extended dy = radius * std::sin(theta);
            canvas.MoveTo(ValueToPixel(dx, dy));
            canvas.LineTo(ValueToPixel(-dx, -dy));
        }
    }
    canvas.SetBrush(oldBrush);
    canvas.SetPen({clBlack, Configuration.ThickLines, TPenStyle::Solid, TPenMode::Copy});
}
