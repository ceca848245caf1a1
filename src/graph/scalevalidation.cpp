#include "graph/scalevalidation.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Message(const char* format, char letter)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, std::string(1, letter).c_str());
    std::string text = buffer;
    if (text.size() > 60)
        text.resize(60);
    return text;
}

} // namespace

std::string ScaleRangeError(char letter, Extended min, Extended max, bool stepForm)
{
    const Extended range = std::fabs(max - min);
    // NaN fails every comparison, so the tests are written to let it fail.
    bool outOfRange = !(std::fabs(min) <= 1e20L) || !(std::fabs(max) <= 1e20L);
    if (!stepForm)
        outOfRange = outOfRange || range > 1e20L || range < 1e-20L;
    else
        outOfRange = outOfRange || std::fabs(max) < 1e-20L; // a vanishing step has no scale
    if (outOfRange)
        return Message("Value of %s is out of range", letter);
    const bool tooClose =
        stepForm ? std::fabs(max) < std::fabs(min) / 5 / 1000000 : range < std::fabs(max + min) / 1000000;
    if (tooClose)
        return Message("Min and max values of %s are too close", letter);
    return {};
}
