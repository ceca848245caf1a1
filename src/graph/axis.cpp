#include "graph/axis.h"

#include "formula/markup.h"
#include "graph/displayrounding.h"
#include "graph/scalevalidation.h"
#include "numbers/numerics.h"
#include "platform/canvas.h"
#include "platform/codepage.h"
#include "platform/symbolfont.h"
#include "settings/configuration.h"
#include "settings/mathsreader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Ticks beyond this many steps from zero cannot be told apart in a long
// double; and no window shows more divisions than this.
constexpr Extended MaxTickIndex = 1e15L;
constexpr long long MaxTicksDrawn = 100000;

Extended PowerOfTen(Extended e)
{
    return std::pow(10.0L, e);
}

// x cut toward zero, except that a value within the axis code's tolerance
// of a whole number is that number: an edge value of -0.5 with a step of
// 0.1 gives -5 steps, not the -4 that -4.9999... would cut to.
Extended TruncWithTolerance(Extended x)
{
    const Extended whole = RoundEven(x);
    return std::fabs(x - whole) < 1e-11L ? whole : std::trunc(x);
}

// Round(log10 |step| - 0.5), the power of ten of the axis labels, from the
// step's decimal form: a step whose figures are 1 (1e-6, 1e7) lies exactly
// half-way and rounds half to even, which rounding noise in the logarithm
// would decide at random.
Extended LabelExponent(Extended step)
{
    // The standard conversion, not printf, whose decimal point follows the
    // user's locale.
    char buffer[64];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer - 1, std::fabs(step), std::chars_format::scientific, 12);
    *(written.ec == std::errc() ? written.ptr : buffer) = '\0';
    const char* e = std::strchr(buffer, 'e');
    if (!e || !std::isfinite(step) || step == 0)
        return RoundEven(std::log10(std::fabs(step)) - 0.5L);
    const Extended exponent = std::strtol(e + 1, nullptr, 10);
    if (std::strncmp(buffer, "1.000000000000", 14) != 0)
        return exponent; // log10 of the figures lies strictly between 0 and 1
    return std::fmod(exponent, 2) == 0 ? exponent : exponent - 1;
}

// The display text of a formula's markup, for the scaling symbol drawn after
// axis labels: text runs and Symbol-font characters in order.
QString MarkupDisplayText(const std::string& markup)
{
    QString text;
    try {
        const TElementList elements = ElementsFromText(markup);
        for (const TEditorObject* e = elements.get(); e; e = e->next) {
            if (const auto* run = dynamic_cast<const TStringEditObject*>(e))
                text += AnsiToQString(run->Text());
            else if (const auto* symbol = dynamic_cast<const TSpecialChar*>(e))
                text += QChar(SymbolToUnicode(static_cast<unsigned char>(symbol->Character())));
        }
    } catch (const eReaderror&) {
        text = AnsiToQString(markup);
    }
    return text;
}

// v with the given decimals, padded in front to width: the readout's fixed
// form, independent of the locale the program runs in.
std::string FixedText(Extended v, int width, int decimals)
{
    char buffer[160];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed,
                                      std::clamp(decimals, 0, 60));
    std::string text = result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("0");
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width - static_cast<int>(text.size())), ' ');
    return text;
}

std::string WithDecimalPoint(std::string text)
{
    std::replace(text.begin(), text.end(), '.', DecimalPoint);
    return text;
}

// "-0", "-0.00" and the like lose their sign.
void DropNegativeZero(std::string& text)
{
    if (!text.empty() && text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos)
        text.erase(0, 1);
}

// The width of a graph-paper line of subdivision j when printing.
int GraphPaperPrintWidth(int factor, int j, int thinWidth)
{
    if (factor > 7)
        return j == 0 ? factor : j == 5 ? 2 * factor / 3 : factor / 2;
    if (factor > 3) {
        if (PrintColourOption == 2)
            return j == 0 ? 4 : j == 5 ? 2 : 1;
        return j == 0 ? 4 : 3;
    }
    return thinWidth;
}

} // namespace

TRealReaderPtr CloneNumber(const TRealReader* number)
{
    if (!number)
        return nullptr;
    if (const auto* pending = dynamic_cast<const TNeedsDefRealReader*>(number))
        return std::make_unique<TNeedsDefRealReader>(pending->Text());
    if (const auto* typed = dynamic_cast<const TRealString*>(number))
        return std::make_unique<TRealString>(typed->Value(), typed->Source());
    return std::make_unique<TRealReader>(number->Value());
}

std::unique_ptr<TAxis> TAxis::CreateCopy(const TAxis& source)
{
    auto copy = std::make_unique<TAxis>(source.Kind, source.Length);
    copy->Origin = source.Origin;
    copy->Scale = source.Scale;
    copy->Step = source.Step;
    copy->Min = source.Min;
    copy->Max = source.Max;
    copy->CrossPixel = source.CrossPixel;
    copy->Subdivisions = source.Subdivisions;
    copy->Digits = source.Digits;
    copy->LabelOffset = source.LabelOffset;
    copy->LabelFactor = source.LabelFactor;
    copy->Scaling = CloneNumber(source.Scaling.get());
    copy->KeepOrigin = source.KeepOrigin;
    return copy;
}

int TAxis::ValueToPixel(Extended x) const
{
    if (x > 7 * Max - 6 * Min || x < 7 * Min - 6 * Max) {
        x = x > Max ? Max : Min;
        SetStatus(esClamped);
    }
    int pixel = 0;
    if (!RoundToPixel(x * Scale + Origin, pixel)) {
        SetStatus(esUndefined);
        return 0;
    }
    return pixel;
}

int TAxis::LengthToPixels(Extended x) const
{
    int pixels = 0;
    if (!RoundToPixel(x * Scale, pixels)) {
        SetStatus(esUndefined);
        return 0;
    }
    return pixels;
}

Extended TAxis::WindowExtent() const
{
    return std::fabs(Length / Scale);
}

Extended TAxis::ShownMax() const
{
    return GraphPaperMode() ? Min + WindowExtent() : Max;
}

Extended TAxis::ScalingValue() const
{
    if (!Scaling)
        return 1;
    const Extended value = Scaling->Value();
    // A scaling that names nothing usable would divide by zero everywhere.
    return (value == 0 || !std::isfinite(value)) ? 1 : value;
}

std::string TAxis::ScalingText() const
{
    if (!Scaling)
        return {};
    if (const auto* pending = dynamic_cast<const TNeedsDefRealReader*>(Scaling.get()))
        return pending->Text();
    return Scaling->GetText(10, 0);
}

void TAxis::SetScalingText(std::string_view text)
{
    Scaling.reset();
    if (!text.empty())
        Scaling = NumberFromText(text, nullptr);
}

bool TAxis::ScalingIsSymbol() const
{
    return dynamic_cast<const TRealString*>(Scaling.get()) != nullptr;
}

Extended TAxis::RoundToDisplay(Extended x) const
{
    return RoundAwayToPowerOfTen(Digits - Configuration.MouseFigures, x);
}

Extended TAxis::MinorStep() const
{
    return GraphPaperMode() ? Step / 2 : Step / std::max<int>(Subdivisions, 1);
}

Extended TAxis::SnapToMinor(Extended x) const
{
    const Extended minor = MinorStep();
    return RoundEven(x / minor) * minor;
}

bool TAxis::IsOnMinorTick(Extended x) const
{
    return RoundToDisplay(SnapToMinor(x) - x) == 0;
}

int TAxis::MarginFor(int charSize) const
{
    return Kind == akHorizontal ? 4 * charSize : -(3 * charSize / 2);
}

void TAxis::FitScale(int p0, int p1, Extended& vmax, Extended& vmin)
{
    const Extended c = std::max(std::fabs(vmax), std::fabs(vmin)) / 1e16L;
    if (vmax - vmin <= c)
        vmax = vmin + c;
    if (vmax == vmin)
        vmax = vmin + 1;
    Scale = (p1 - p0) / (vmax - vmin);
    Origin = std::trunc((p0 * vmax - p1 * vmin) / (vmax - vmin));
}

void TAxis::AutoScale(int p0, int p1, int margin, int minGap, Extended vmax, Extended vmin)
{
    if (std::isnan(vmax))
        vmax = 0;
    if (std::isnan(vmin))
        vmin = 0;
    if (vmax <= vmin)
        std::swap(vmax, vmin);
    vmax = std::clamp(vmax, -1e30L, 1e30L);
    vmin = std::clamp(vmin, -1e30L, 1e30L);
    const int length = std::abs(p1 - p0);
    Length = length;
    if (length == 0)
        return; // a window without extent has no scale to fit
    FitScale(p0, p1, vmax, vmin);

    // Keep zero out of the strip where the other axis's labels go.
    const int s = p0 < p1 ? 1 : -1;
    if ((Origin - p0) * s >= 0 && (Origin - p0 - margin) * s < 0) {
        const Extended d = margin - (Origin - p0);
        if (length - std::fabs(d) > 0) {
            vmin -= length * d / (length - std::fabs(d)) / Scale;
            FitScale(p0, p1, vmax, vmin);
        }
    }

    const int gap = std::max(minGap, length / 7);
    const Extended scaling = ScalingValue();
    const Extended j = std::fabs(gap / Scale / scaling);
    const Extended n = std::log10(j);
    const Extended whole = std::trunc(n);
    const Extended fraction = n - whole;
    const int m = static_cast<int>(RoundEven(PowerOfTen(n < 0 ? fraction + 1 : fraction)));
    const int mantissa = m <= 2 ? 2 : m <= 5 ? 5 : 10;
    Subdivisions = static_cast<std::uint8_t>(mantissa == 10 ? 1 : mantissa);
    Step = mantissa * PowerOfTen(n < 0 ? whole - 1 : whole) * scaling;

    SetCrossing(p0, p1, margin);
    ComputeLabelFactor();
    Max = RoundToStepDecade(Step, vmax);
    Min = RoundToStepDecade(Step, vmin);
    ComputeDigits();
    KeepOrigin = false;
}

void TAxis::ComputeDigits()
{
    const Extended floor = FloorWithTolerance(std::log10(Step));
    Digits = static_cast<std::int8_t>(std::clamp<Extended>(floor + 1, -127, 127));
}

void TAxis::SetCrossing(int p0, int p1, int margin)
{
    const int end = p0 + p1;
    if (0 <= Origin && Origin <= end) {
        int pixel = 0;
        CrossPixel = RoundToPixel(Origin, pixel) ? pixel : 0;
        return;
    }
    Extended c = 0;
    if (Origin < 0)
        c = Kind == akHorizontal ? margin : 0;
    else
        c = Kind == akHorizontal ? end : end + margin;
    const Extended v = PixelToValue(c);
    const Extended k = TruncWithTolerance(v / Step);
    // The next tick further from zero, so the other axis sits on a tick
    // inside the window.
    const Extended tick = v >= 0 ? (k + 1) * Step : (k - 1) * Step;
    // Min and Max may still belong to the previous scale here, so the
    // clamping of ValueToPixel must not pull the tick back to them.
    int pixel = 0;
    CrossPixel = RoundToPixel(tick * Scale + Origin, pixel) ? pixel : 0;
}

void TAxis::ComputeLabelFactor()
{
    const Extended e = LabelExponent(Step);
    LabelFactor = (e < -3 || e > 4) ? PowerOfTen(e) : 1;
    const Extended vc = PixelToValue(CrossPixel);
    LabelOffset = 0;
    if (std::trunc(vc / 10000 / LabelFactor) != 0) {
        const Extended unit = PowerOfTen(e + 5);
        LabelOffset = unit * std::trunc(vc / unit);
    }
}

void TAxis::SetGraphPaper(int charSize)
{
    const int b = ValueToPixel(Max);
    const int c = ValueToPixel(Min);
    const Extended vc = PixelToValue(CrossPixel);
    if (b == c)
        return; // nothing shown to fit
    const Extended millimetres = MillimetresPerPixel(Kind);
    const Extended scaling = ScalingValue();
    const Extended step =
        NiceNumber(std::fabs(Max - Min) / (std::abs(b - c) / (20 / millimetres)) / scaling) * scaling;
    if (step == 0)
        return;
    Step = step;
    ComputeDigits();
    Subdivisions = GraphPaperSubdivisions;
    Scale = (Scale < 0 ? -1 : 1) * 20 / millimetres / Step;
    if (!KeepOrigin)
        Origin = c - Min * Scale;
    Max = RoundToStepDecade(Step, PixelToValue(b));
    Min = RoundToStepDecade(Step, PixelToValue(c));
    CrossPixel = ValueToPixel(vc);
    SetCrossing(c, b, MarginFor(charSize));
}

void TAxis::SetStep(Extended step)
{
    if (step == 0 || !std::isfinite(step))
        return;
    Step = step;
    Scale = (20 / step) / MillimetresPerPixel(Kind) * (Kind == akHorizontal ? 1 : -1);
    ComputeDigits();
}

void TAxis::GraphPaperFrom(int length, int charSize, Extended step, Extended min)
{
    Min = min;
    SetStep(step);
    GraphPaperFromMin(length, charSize);
}

void TAxis::GraphPaperFromMin(int length, int charSize)
{
    Length = length;
    Max = Min + std::fabs(length / Scale);
    const Extended shift = RoundEven(Min * Scale);
    Origin = Kind == akHorizontal ? -shift : length - shift;
    SetCrossing(0, Length, MarginFor(charSize));
}

void TAxis::ResizeGraphPaper(int length, int charSize, Extended min, int mode, Extended oldExtent)
{
    const Extended newExtent = std::fabs(length / Scale);
    if (mode == 1)
        Min += (oldExtent - newExtent) / 2;
    else if (mode == 2)
        Min += oldExtent - newExtent;
    else
        Min = min;
    GraphPaperFromMin(length, charSize);
}

void TAxis::CentreOrigin()
{
    Origin = Length / 2;
    CrossPixel = Length / 2;
    SetStep(1);
}

bool TAxis::Pan(Extended percent, int charSize)
{
    if (percent == 0 || !std::isfinite(percent))
        return true;
    const Extended oldOrigin = Origin;
    Origin += Length * percent / 100;
    const Extended a = PixelToValue(0);
    const Extended b = PixelToValue(Length);
    const Extended low = std::min(a, b);
    const Extended high = std::max(a, b);
    if (!(Origin / percent < 0) &&
        !ScaleRangeError(Kind == akHorizontal ? 'x' : 'y', low, high, false).empty()) {
        Origin = oldOrigin;
        return false;
    }
    SetCrossing(0, Length, MarginFor(charSize));
    Min = low;
    Max = high;
    return true;
}

void TAxis::ScaleBy(Extended factor)
{
    Origin *= factor;
    Scale *= factor;
    int pixel = 0;
    CrossPixel = RoundToPixel(CrossPixel * factor, pixel) ? pixel : 0;
    const Extended a = PixelToValue(0);
    const Extended b = PixelToValue(Length);
    Min = std::min(a, b);
    Max = std::max(a, b);
}

void TAxis::FitToDevice(Extended millimetres, Extended pixels)
{
    if (!(millimetres > 0) || !(pixels > 0) || Step == 0)
        return;
    Scale = (Scale < 0 ? -1 : 1) * 20 / Step * pixels / millimetres;
    Length = static_cast<std::int32_t>(RoundEven(pixels));
    if (Kind == akHorizontal) {
        Origin = -Min * Scale;
        Max = PixelToValue(pixels);
    } else {
        Origin = pixels - Min * Scale;
        Max = PixelToValue(0);
    }
    Subdivisions = GraphPaperSubdivisions;
}

Extended TAxis::NiceStepFor(Extended a, Extended b) const
{
    const Extended divisions = DivisionCount();
    if (divisions == 0 || !std::isfinite(divisions))
        return a - b;
    const Extended scaling = ScalingValue();
    return Sign(a - b) *
           std::fabs(NiceNumber(std::fabs((a - b) / divisions / scaling)) * divisions * scaling);
}

Extended TAxis::LabelValue(Extended value) const
{
    Extended label = (value - LabelOffset) / LabelFactor;
    if (HasLabelNote()) {
        const Extended whole = RoundEven(label);
        if (std::fabs(label - whole) < 0.01L)
            label = whole;
    }
    return label;
}

std::string TAxis::ValueText(int pixel) const
{
    const Extended v = LabelValue(PixelToValue(pixel));
    const int f = Configuration.MouseFigures;
    const int d = Digits;
    std::string text;
    if (d <= 0) {
        text = FixedText(v, f - d + 1, f - d + 1);
    } else if (d - 1 >= f) {
        const int shift = d - f;
        text = FixedText(v / PowerOfTen(shift), 0, 0);
        DropNegativeZero(text);
        if (text.empty() || text[0] != '0')
            text.append(static_cast<std::size_t>(shift), '0');
    } else {
        text = FixedText(v, f, f - d);
    }
    DropNegativeZero(text);
    text = WithDecimalPoint(std::move(text));
    if (text.size() > 18)
        text.resize(18);
    return text;
}

std::string TAxis::LabelMarkup(int pixel) const
{
    std::string text;
    if (LabelOffset != 0) {
        // Relative to the offset the value needs all its figures.
        char buffer[96];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, LabelValue(PixelToValue(pixel)),
                                          std::chars_format::general, 15);
        text.assign(buffer, result.ec == std::errc() ? result.ptr : buffer);
        if (text.find_first_of("eE") == std::string::npos && text.find('.') != std::string::npos) {
            while (text.back() == '0')
                text.pop_back();
            if (text.back() == '.')
                text.pop_back();
        }
        DropNegativeZero(text);
        text = WithDecimalPoint(std::move(text));
    } else {
        text = ValueText(pixel);
        text.erase(0, text.find_first_not_of(' '));
    }
    if (HasLabelNote()) {
        text += "{\xB4";
        if (LabelFactor != 1)
            text += "10{^{" + FormatNumber(10, false, RoundEven(std::log10(LabelFactor))) + "}";
        if (LabelOffset != 0)
            text += (LabelOffset > 0 ? "+" : "") + FormatNumber(10, false, LabelOffset);
    }
    return text;
}

TElementList TAxis::LabelObject(int pixel) const
{
    try {
        return ElementsFromText(LabelMarkup(pixel));
    } catch (const eReaderror&) {
        return ElementsFromText(ValueText(pixel));
    }
}

int TAxis::NoteRaise(Canvas& canvas) const
{
    return LabelFactor != 1 ? canvas.TextHeight() / 3 : 0;
}

void TAxis::DrawNote(Canvas& canvas, int left, int top) const
{
    // The exponent stands a third of a line above the text: the note's box
    // starts at the exponent's top, so that the note stays inside it.
    const int raise = NoteRaise(canvas);
    const int textTop = top + raise;
    const QFont base = canvas.Font().font;
    canvas.TextOut(left, textTop, QString(QChar(SymbolToUnicode(0xB4))));
    if (LabelFactor != 1) {
        canvas.TextAtPen(QStringLiteral("10"));
        QFont small = base;
        if (base.pixelSize() > 0)
            small.setPixelSize(std::max(1, base.pixelSize() * 3 / 4));
        else
            small.setPointSizeF(base.pointSizeF() * 3 / 4);
        const QPoint at = canvas.PenPos();
        canvas.SetFont(small);
        canvas.TextOut(at.x(), top,
                       AnsiToQString(FormatNumber(10, false, RoundEven(std::log10(LabelFactor)))));
        const QPoint after = canvas.PenPos();
        canvas.SetFont(base);
        canvas.MoveTo(after.x(), textTop);
    }
    if (LabelOffset != 0)
        canvas.TextAtPen(AnsiToQString((LabelOffset > 0 ? "+" : "") + FormatNumber(10, false, LabelOffset)));
}

int TAxis::NoteWidth(Canvas& canvas) const
{
    int width = canvas.TextWidth(QString(QChar(SymbolToUnicode(0xB4))));
    if (LabelFactor != 1) {
        width += canvas.TextWidth(QStringLiteral("10"));
        width +=
            canvas.TextWidth(AnsiToQString(FormatNumber(10, false, RoundEven(std::log10(LabelFactor))))) * 3 /
            4;
    }
    if (LabelOffset != 0)
        width += canvas.TextWidth(
            AnsiToQString((LabelOffset > 0 ? "+" : "") + FormatNumber(10, false, LabelOffset)));
    return width;
}

void TAxis::Draw(Canvas& canvas, int cross, int pass, int extentAcross, int extentAlong,
                 const QFont& labelFont) const
{
    const TConfiguration& settings = Configuration;
    const bool printing = canvas.Printing();
    const TColour black = AdjustedColour(canvas, clBlack);
    const int thin = settings.ThickLines / 2;
    const bool horizontal = Kind == akHorizontal;

    TPenState pen{black, settings.ThickLines, TPenStyle::Solid, TPenMode::Copy};
    canvas.SetPen(pen);
    canvas.SetFontColour(black);
    if (pass == 0) {
        if (horizontal) {
            canvas.MoveTo(0, cross);
            canvas.LineTo(extentAlong, cross);
        } else {
            canvas.MoveTo(cross, 0);
            canvas.LineTo(cross, extentAlong);
        }
    } else {
        pen.width = thin;
        pen.colour = printing ? clBlack : clPaletteGrey;
        canvas.SetPen(pen);
    }

    const bool labels = settings.LabelAxes && settings.DrawAxes;
    const TColour labelBackground = printing && !PrintsInColour() ? clWhite : BackgroundColour;
    const QString symbol = ScalingIsSymbol() ? MarkupDisplayText(ScalingText()) : QString();
    const Extended divisor = symbol.isEmpty() ? 1 : ScalingValue();
    const TFontState oldFont = canvas.Font();
    const TBrushState oldBrush = canvas.Brush();
    canvas.SetFont(labelFont);
    canvas.SetFontColour(black);

    const Extended shownMax = ShownMax();
    const bool drawable = Step > 0 && std::isfinite(Step) && std::fabs(shownMax / Step) < MaxTickIndex &&
                          std::fabs(Min / Step) < MaxTickIndex;
    const long long kmax = drawable ? static_cast<long long>(std::trunc(shownMax / Step)) : 0;
    const long long kmin = drawable ? static_cast<long long>(std::trunc(Min / Step)) : 0;
    const int subdivisions = std::max<int>(Subdivisions, 1);
    const bool graphPaper = GraphPaperMode();
    // 1.5 mm on the device drawn on (down for x ticks, across for y ticks).
    const int tickLength = horizontal ? canvas.MillimetresToPixelsY(1.5) : canvas.MillimetresToPixelsX(1.5);
    const int textHeight = canvas.TextHeight();
    int labelsLeft = cross;

    if (drawable && (kmax - kmin) * subdivisions < MaxTicksDrawn) {
        for (long long k = kmax + 1; k >= kmin - 1; --k) {
            for (int j = subdivisions - 1; j >= 0; --j) {
                const Extended v = k * Step + j * Step / subdivisions;
                const int t = ValueToPixel(v);
                const bool drawLine =
                    pass == 1 || (pass == 2 && j == 5) || (pass == 3 && j == 0) || (labels && !settings.Grid);
                if (drawLine && pass == 0) {
                    pen.colour = printing || (j == 0 && !settings.Grid) ? black : clPaletteGrey;
                    canvas.SetPen(pen);
                    if (horizontal) {
                        canvas.MoveTo(t, cross);
                        canvas.LineTo(t, cross + tickLength);
                    } else {
                        canvas.MoveTo(cross, t);
                        canvas.LineTo(cross - tickLength, t);
                    }
                } else if (drawLine) {
                    if (graphPaper) {
                        pen.colour = GraphPaperLineColour(j == 0 ? 0 : j == 5 ? 1 : 2);
                        pen.width = printing ? GraphPaperPrintWidth(canvas.PrintPenFactor(), j, thin) : thin;
                    }
                    pen.style = TPenStyle::InsideFrame;
                    canvas.SetPen(pen);
                    if (horizontal) {
                        canvas.MoveTo(t, 0);
                        canvas.LineTo(t, extentAcross);
                    } else {
                        canvas.MoveTo(0, t);
                        canvas.LineTo(extentAcross, t);
                    }
                }
                // Labels are drawn once, in the axis pass, which comes after
                // the grid passes and so lies on top of their lines.
                if (labels && j == 0 && pass == 0) {
                    Extended value = LabelValue(v) / divisor;
                    if (value == 0)
                        value = 0; // no "-0"
                    std::string number = FormatNumber(8, false, value);
                    if (!symbol.isEmpty()) {
                        if (number == "1")
                            number.clear();
                        else if (number == "-1")
                            number = "-";
                    }
                    QString text = AnsiToQString(number);
                    if (number != "0")
                        text += symbol;
                    const int width = canvas.TextWidth(text);
                    // A label cut by the window's edge would read as another
                    // number ("-10" as "0"): only whole labels are written.
                    const int start = horizontal ? t - width / 2 : t - textHeight / 2;
                    const int length = horizontal ? width : textHeight;
                    if (start < 0 || start + length > extentAlong)
                        continue;
                    canvas.SetBrush({labelBackground, TBrushStyle::Solid});
                    if (horizontal) {
                        canvas.TextOut(start, cross + tickLength, text);
                    } else {
                        const int left = cross - tickLength - width;
                        labelsLeft = std::min(labelsLeft, left);
                        canvas.TextOut(left, start, text);
                    }
                    canvas.SetBrush(oldBrush);
                }
            }
        }
    }

    if (pass == 0 && labels && HasLabelNote()) {
        canvas.SetBrush({labelBackground, TBrushStyle::Solid});
        const int width = NoteWidth(canvas);
        // The other axis's side of the window decides which end the note goes to.
        if (horizontal) {
            // Below the labels; where the x axis lies too near the bottom
            // for that, above the axis, so that the note stays in the window.
            const int noteHeight = textHeight + NoteRaise(canvas);
            int top = cross + tickLength + textHeight;
            if (top + noteHeight > extentAcross)
                top = cross - tickLength - noteHeight;
            top = std::max(0, std::min(top, extentAcross - noteHeight));
            const int left = CrossPixel < extentAlong / 2 ? extentAlong - width - 10 : 0;
            DrawNote(canvas, std::max(left, 0), top);
        } else {
            int left = labelsLeft + canvas.TextWidth(QStringLiteral("00"));
            if (left + width > extentAcross - 10)
                left = extentAcross - width - 10;
            const int noteHeight = textHeight + NoteRaise(canvas);
            const int top = CrossPixel < extentAlong / 2 ? extentAlong - noteHeight : 0;
            DrawNote(canvas, std::max(left, 0), top);
        }
        canvas.SetBrush(oldBrush);
    }

    canvas.SetFont(oldFont);
    canvas.SetPen({clBlack, settings.ThickLines, TPenStyle::Solid, TPenMode::Copy});
}
