#include "document/curvestyle.h"

#include "formula/equationobject.h"
#include "settings/configuration.h"

#include <algorithm>

int CurveColourButton(TColour colour)
{
    const TColour rgb = ResolveColour(colour);
    for (int n = 0; n < TableColourCount; ++n)
        if (ResolveColour(CurveColour(n)) == rgb)
            return n;
    return MoreColoursButton;
}

TColour ButtonColour(int button, TColour other)
{
    return button >= 0 && button < TableColourCount ? CurveColour(button) : other;
}

TCurveStyle CurveStyleOf(const TEquationObject& line)
{
    TCurveStyle style;
    style.colour = line.colour;
    style.colourButton = CurveColourButton(line.colour);
    style.thickness = std::clamp<int>(line.thickness, 1, 9);
    style.renameAllowed = !line.HasProperty(NoRenameProperty);
    style.shadeShown = line.HasProperty(ShadeProperty);
    style.shade = (line.Switches() & ShadeSwitch) != 0;
    style.labelShown = line.HasProperty(LabelProperty);
    style.label = (line.Switches() & NoLabelSwitch) == 0;
    return style;
}

bool ApplyCurveStyle(TEquationObject& line, const TCurveStyle& style)
{
    bool changed = false;
    const TColour colour = ButtonColour(style.colourButton, style.colour);
    if (line.colour != colour) {
        line.colour = colour;
        changed = true;
    }
    const auto thickness = static_cast<std::uint16_t>(std::clamp(style.thickness, 1, 9));
    if (line.thickness != thickness) {
        line.thickness = thickness;
        changed = true;
    }
    if (line.HasProperty(ShadeProperty) && ((line.Switches() & ShadeSwitch) != 0) != style.shade) {
        line.SetSwitch(ShadeSwitch, style.shade);
        changed = true;
    }
    if (line.HasProperty(LabelProperty) && ((line.Switches() & NoLabelSwitch) == 0) != style.label) {
        line.SetSwitch(NoLabelSwitch, !style.label);
        changed = true;
    }
    return changed;
}

bool ApplySettingsToLine(TEquationObject& line, bool thickness, bool labelOrShade)
{
    TCurveStyle style = CurveStyleOf(line);
    if (thickness)
        style.thickness = Configuration.ThickLines;
    if (labelOrShade) {
        style.shade = Configuration.ShadeShapes;
        style.label = Configuration.LabelCoordinates;
    }
    return ApplyCurveStyle(line, style);
}
