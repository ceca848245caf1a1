#include "graph/displayrounding.h"

#include "graph/axes.h"
#include "settings/configuration.h"

#include "numbers/numerics.h"

#include <cmath>
#include <limits>

namespace {

int MouseFigures()
{
    return Configuration.MouseFigures;
}

// 10^k, exact for the whole powers a long double holds exactly.
Extended PowerOfTen(int k)
{
    return std::pow(10.0L, static_cast<Extended>(k));
}

} // namespace

Extended RoundEven(Extended x)
{
    return RoundHalfEven(x);
}

bool RoundToPixel(Extended x, int& pixel)
{
    const Extended r = RoundHalfEven(x);
    if (!(std::fabs(r) <= static_cast<Extended>(std::numeric_limits<int>::max())))
        return false;
#if defined(__x86_64__) || defined(__i386__)
    // r is whole, so storing it as an integer in the rounding mode in force
    // is exact; the conversion of the language would switch the mode to
    // truncation and back, which costs more than all the rest, and curves
    // convert every point they draw.
    __asm__("fistpl %0" : "=m"(pixel) : "t"(r) : "st");
#else
    pixel = static_cast<int>(r);
#endif
    return true;
}

Extended RoundAwayToPowerOfTen(int k, Extended x)
{
    if (!std::isfinite(x))
        return x;
    // The nearest multiple of the unit, also below it: 0.0051 to hundredths
    // is 0.01, not 0.
    const Extended unit = PowerOfTen(k);
    if (k >= 0)
        return std::round(x / unit) * unit;
    // Scaling by the exact 10^-k keeps 1.25 as close to 1.25 as the format
    // allows; 0.01 itself has no exact binary form.
    const Extended scale = PowerOfTen(-k);
    const Extended scaled = x * scale;
    if (!(std::fabs(scaled) < 0x1p63L))
        return x;
    return std::round(scaled) / scale;
}

Extended RoundFigures(int figures, Extended x)
{
    return RoundSignificant(std::fabs(x) >= 1 ? figures + 1 : figures, x);
}

Extended RoundToStepDecade(Extended step, Extended x)
{
    if (step == 0 || !std::isfinite(step))
        return x;
    const Extended p = PowerOfTen(static_cast<int>(std::trunc(std::log10(std::fabs(step)))));
    return p * RoundEven(x / p * 100) / 100;
}

Extended NiceNumber(Extended x)
{
    x = std::fabs(x);
    if (x == 0 || !std::isfinite(x))
        return 0;
    const Extended shifted = std::log10(x) + 400; // positive, so its fraction is the mantissa's
    int m = static_cast<int>(RoundEven(std::pow(10.0L, shifted - std::trunc(shifted))));
    if (m != 1 && m != 2)
        m = (m >= 3 && m <= 5) ? 5 : 10;
    const Extended l = std::log10(x * 1.00001L);
    const Extended e = std::trunc(x < 1 ? l - 1 : l);
    return std::pow(10.0L, e) * m;
}

Extended RoundDisplay(Extended v)
{
    const int f = MouseFigures();
    return RoundAwayToPowerOfTen(-f, RoundFigures(f, v));
}

std::string DisplayText(Extended v)
{
    return FormatNumber(10, false, RoundDisplay(v));
}

Extended RoundDisplayFigures(Extended v)
{
    return RoundFigures(MouseFigures(), v);
}

std::string FiguresText(Extended v)
{
    return FormatNumber(10, false, RoundDisplayFigures(v));
}

Extended RoundForAxis(const TAxes& axes, char letter, Extended v)
{
    const TAxis* axis = axes.AxisByLetter(letter);
    if (!axis)
        return v;
    const int f = MouseFigures();
    int k = axis->Digits - f;
    if (k == -1 && std::fabs(v) < 1)
        --k;
    return RoundAwayToPowerOfTen(k, RoundFigures(f, v));
}

std::string AxisValueText(const TAxes& axes, char letter, Extended v)
{
    return FormatNumber(10, false, RoundForAxis(axes, letter, v));
}

TRealPoint RoundPoint(const TAxes& axes, Extended x, Extended y)
{
    return {RoundForAxis(axes, 'x', x), RoundForAxis(axes, 'y', y)};
}

std::string PointListText(std::span<const TRealPoint> points)
{
    std::string text;
    for (const TRealPoint& p : points)
        text += "(" + DisplayText(p.x) + "," + DisplayText(p.y) + ") ";
    return text;
}

std::string TermText(std::string_view name, bool first, Extended v, bool figuresOnly)
{
    const Extended rounded = figuresOnly ? RoundDisplayFigures(v) : RoundDisplay(v);
    std::string text = FormatNumber(10, false, rounded);
    if (text == "0")
        return {};
    if (!name.empty()) {
        if (text == "1")
            text.clear();
        else if (text == "-1")
            text = "-";
    }
    if (!first && rounded > 0)
        text.insert(text.begin(), '+');
    text += name;
    return text;
}

std::string SumText(std::span<const std::string> names, std::span<const Extended> values, bool first,
                    bool bracket, bool figuresOnly)
{
    std::string sum;
    const std::size_t count = std::min(names.size(), values.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::string term = TermText(names[i], first, values[i], figuresOnly);
        if (!term.empty()) {
            sum += term;
            first = false;
        }
    }
    if (sum.empty())
        return "0";
    const bool nameAlone = (names.size() > 0 && sum == names[0]) || (names.size() > 1 && sum == names[1]);
    if (bracket && !nameAlone)
        sum = "(" + sum + ")";
    return sum;
}
