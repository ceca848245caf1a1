#include "platform/graphcolours.h"

#include <algorithm>

namespace {

int LightenChannel(int v, int amount)
{
    if (amount >= 0)
        return (10 * v + 255 * amount) / (amount + 10);
    return 10 * v / (10 - amount);
}

} // namespace

TColour LightenColour(TColour colour, int amount)
{
    // Beyond these the formulas leave the 0 to 255 range or divide by zero.
    amount = std::clamp(amount, -1000, 1000);
    const TColour rgb = ResolveColour(colour);
    return RgbColour(LightenChannel(RedOf(rgb), amount), LightenChannel(GreenOf(rgb), amount),
                     LightenChannel(BlueOf(rgb), amount));
}

TColour AverageColour(TColour first, TColour second)
{
    const TColour a = ResolveColour(first);
    const TColour b = ResolveColour(second);
    return RgbColour((RedOf(a) + RedOf(b)) / 2, (GreenOf(a) + GreenOf(b)) / 2, (BlueOf(a) + BlueOf(b)) / 2);
}

TColour GreyColour(TColour colour)
{
    const TColour rgb = ResolveColour(colour);
    const int grey = (RedOf(rgb) + GreenOf(rgb) + BlueOf(rgb)) / 3;
    return RgbColour(grey, grey, grey);
}
