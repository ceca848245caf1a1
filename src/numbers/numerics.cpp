#include "numbers/numerics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace {

// The scientific text of x with the given significant figures: the digits
// without point and the decimal exponent. Locale-independent, rounded half to
// even on the exact binary value.
struct TScientific {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

[[nodiscard]] bool ToScientific(Extended x, int figures, TScientific& out)
{
    if (!std::isfinite(x))
        return false;
    char buffer[80];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, figures - 1);
    if (result.ec != std::errc())
        return false;
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    out = {};
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        out.negative = true;
        ++i;
    }
    for (; i < text.size() && text[i] != 'e'; ++i)
        if (text[i] >= '0' && text[i] <= '9')
            out.digits.push_back(text[i]);
    if (i >= text.size())
        return false;
    ++i;
    int sign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        sign = text[i] == '-' ? -1 : 1;
        ++i;
    }
    int exponent = 0;
    for (; i < text.size(); ++i)
        exponent = exponent * 10 + (text[i] - '0');
    out.exponent = sign * exponent;
    return !out.digits.empty();
}

// Removes trailing zeros after a point, then a trailing point.
void TrimFraction(std::string& text)
{
    if (text.find(DecimalPoint) == std::string::npos)
        return;
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == DecimalPoint)
        text.pop_back();
}

[[nodiscard]] Extended PowerOfTen(int k)
{
    return std::pow(10.0L, static_cast<Extended>(k));
}

} // namespace

std::string FormatNumber(int figures, bool forceExponent, Extended x)
{
    if (x == MissingValue)
        return std::string(1, '\0');
    if (std::isnan(x))
        return "NAN";
    if (std::isinf(x))
        return x > 0 ? "INF" : "-INF";
    figures = std::clamp(figures, 1, 10);
    if (x == 0)
        x = 0; // no "-0"
    TScientific s;
    if (!ToScientific(x, figures, s))
        return "0";
    const int e = s.exponent;
    std::string text = s.negative ? "-" : "";
    if (e >= (3 * figures) / 2 || -e >= figures || (forceExponent && e != 0)) {
        // The trailing zeros go from the mantissa only, never from the exponent.
        std::string mantissa = s.digits.substr(0, 1) + DecimalPoint + s.digits.substr(1);
        TrimFraction(mantissa);
        return text + mantissa + "*10^" + std::to_string(e);
    }
    std::string digits = s.digits;
    int pointAfter = 1;
    if (e < 1) {
        digits.insert(0, static_cast<std::size_t>(-e), '0');
    } else {
        if (digits.size() < static_cast<std::size_t>(e) + 1)
            digits.append(static_cast<std::size_t>(e) + 1 - digits.size(), '0');
        pointAfter = e + 1;
    }
    digits.insert(static_cast<std::size_t>(pointAfter), 1, DecimalPoint);
    TrimFraction(digits);
    return text + digits;
}

Extended RoundToPowerOfTen(int k, Extended x)
{
    if (!std::isfinite(x))
        return x;
    const Extended step = PowerOfTen(k);
    if (step > std::fabs(x))
        return 0;
    if (k >= 0)
        return std::nearbyint(x / step) * step;
    // Multiplying by the exact 10^-k and dividing afterwards keeps 1.23 as
    // close to 1.23 as the format allows; 0.01 itself is not exact.
    const Extended scale = PowerOfTen(-k);
    const Extended scaled = x * scale;
    if (!(std::fabs(scaled) < 0x1p63L))
        return x; // already whole at this precision
    return std::nearbyint(scaled) / scale;
}

Extended RoundSignificant(int k, Extended x)
{
    if (x == 0 || !std::isfinite(x))
        return x;
    k = std::clamp(k, 1, 21);
    char buffer[80];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, k - 1);
    if (written.ec != std::errc())
        return x;
    Extended value = x;
    const auto read = std::from_chars(buffer, written.ptr, value, std::chars_format::scientific);
    return read.ec == std::errc() ? value : x;
}

bool NearlyEqual(Extended a, Extended b)
{
    ResetStatus();
    // Twelve significant figures: the figures of the 20-character scientific form.
    TScientific sa, sb;
    if (!ToScientific(a, 12, sa) || !ToScientific(b, 12, sb))
        return false;
    return sa.negative == sb.negative && sa.digits == sb.digits && sa.exponent == sb.exponent;
}

bool SameValue(Extended a, Extended b)
{
    return std::fabs(static_cast<double>(a) - static_cast<double>(b)) < 1e-8;
}

bool SamePoint(const TRealPoint& p, const TRealPoint& q)
{
    return SameValue(p.x, q.x) && SameValue(p.y, q.y);
}

Extended FloorWithTolerance(Extended x)
{
    if (!(std::fabs(x) <= 2147483647.0L)) {
        SetStatus(esUndefined);
        return 0;
    }
    return std::floor(x + 1e-11L);
}

Extended Direction(Extended dx, Extended dy)
{
    if (dx == 0)
        return dy >= 0 ? Pi / 2 : -Pi / 2;
    const Extended angle = std::atan(dy / dx);
    return dx < 0 ? angle + Pi : angle;
}

Extended NormaliseAngle(Extended a)
{
    if (a > Pi)
        return a - 2 * Pi;
    if (a <= -Pi)
        return a + 2 * Pi;
    return a;
}

Extended AngleBetween(Extended dx1, Extended dy1, Extended dx2, Extended dy2)
{
    return NormaliseAngle(Direction(dx2, dy2) - Direction(dx1, dy1));
}

Extended Hypot(Extended a, Extended b)
{
    return std::hypot(a, b);
}

TPolarPoint ToPolar(const TRealPoint& point)
{
    return {Hypot(point.x, point.y), Direction(point.x, point.y)};
}

bool CheckWhole(Extended bound, Extended x)
{
    if (!(std::fabs(x) < bound)) {
        SetStatus(esUndefined);
        return false;
    }
    if (std::floor(x) != x) {
        SetStatus(esNotWhole);
        return false;
    }
    return true;
}
