#include "settings/configuration.h"

#include "numbers/evalstate.h"
#include "numbers/numerics.h"
#include "platform/canvas.h"

#include <algorithm>
#include <array>

namespace {

// Letters compared without regard to case, in the code page's Latin range too.
unsigned char FoldCase(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 'a' + 'A');
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 0x20);
    return c;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

bool TConfiguration::CheckPassword(std::string_view text)
{
    Unlocked = SameTextIgnoringCase(text, Password);
    return Unlocked;
}

void TConfiguration::ClearPassword()
{
    Password.clear();
    Unlocked = true;
}

void ResetSettings()
{
    std::string printName = std::move(Configuration.PrintName);
    Configuration = DefaultConfiguration;
    Configuration.PrintName = std::move(printName);
    PublishSettings();
}

void PublishSettings()
{
    ::DecimalPoint = Configuration.DecimalPoint;
    ::AngleFactor = Configuration.AngleFactor;
}

void SetDeviceMetrics(int pixelsPerInchX, int pixelsPerInchY)
{
    if (pixelsPerInchX <= 0 || pixelsPerInchY <= 0)
        return; // a device without metrics keeps the last good ones
    MillimetresPerPixelX = 25.4L / pixelsPerInchX;
    MillimetresPerPixelY = 25.4L / pixelsPerInchY;
    PixelAspect = static_cast<long double>(pixelsPerInchY) / pixelsPerInchX;
}

void SetDeviceMetrics(const Canvas& canvas)
{
    SetDeviceMetrics(canvas.PixelsPerInchX(), canvas.PixelsPerInchY());
}

long double MillimetresPerPixel(int kind)
{
    return kind == 0 ? MillimetresPerPixelX : MillimetresPerPixelY;
}

bool DraggableCurvesInUse(bool modalEditing)
{
    const bool demonstrating =
        (DrawMode & (dmDemonstration | dmDrawVisibly)) == (dmDemonstration | dmDrawVisibly);
    return Configuration.DragCurves && Configuration.Unlocked && !modalEditing && !DynamicEditorOpen &&
           !demonstrating;
}

TColour GraphPaperLineColour(int level)
{
    static constexpr std::array<std::array<TColour, 3>, 2> Schemes{{
        {RgbColour(143, 191, 143), RgbColour(191, 223, 191), RgbColour(239, 255, 239)},
        {RgbColour(143, 143, 191), RgbColour(191, 191, 223), RgbColour(239, 239, 255)},
    }};
    const auto& scheme = Schemes[GraphPaperColour == 1 ? 1 : 0];
    return scheme[static_cast<std::size_t>(std::clamp(level, 0, 2))];
}

TColour AdjustedColour(const Canvas& canvas, TColour colour)
{
    return DisplayColourHook ? DisplayColourHook(canvas, colour) : colour;
}
