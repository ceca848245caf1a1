#include "graph/customsettings.h"

#include "graph/graphparams.h"

#include <cmath>
#include <cstdlib>

int FontHeightForPoints(int points)
{
    // Points to pixels at 96 dots per inch; negative for a character height.
    return -static_cast<int>(std::lround(points * 4.0 / 3.0));
}

int PointsForFontHeight(int height)
{
    return static_cast<int>(std::lround(std::abs(height) * 3.0 / 4.0));
}

std::string ScaleFactorProblem(const TRealReader* factor)
{
    if (!factor)
        return {};
    const Extended value = factor->Value();
    if (!std::isfinite(value))
        return "The scale factor is not defined";
    if (value == 0)
        return "The scale factor must not be 0";
    return {};
}

bool PasswordCharacterAllowed(char32_t c, TPasswordMode mode)
{
    if (mode == TPasswordMode::Set)
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ';
    // Any printable character of the documents' code page.
    return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF) || c == 0x20AC;
}

TCustomSettings TCustomSettings::Current(const TGraphParams* params)
{
    TCustomSettings s;
    s.config = Configuration;
    s.background = BackgroundColour;
    s.graphPaperColour = GraphPaperColour;
    s.fontName = EquationsFontName;
    s.fontPoints = PointsForFontHeight(EquationsFontHeight);
    s.dragLayout = DragLayout;
    if (params && params->Axes) {
        s.xScaling = params->Axes->XAxis->ScalingText();
        s.yScaling = params->Axes->YAxis->ScalingText();
    }
    return s;
}

TCustomChanges CompareSettings(const TCustomSettings& before, const TCustomSettings& after)
{
    const TConfiguration& a = before.config;
    const TConfiguration& b = after.config;
    TCustomChanges c;
    c.thickness = a.ThickLines != b.ThickLines;
    c.labelOrShade = a.LabelCoordinates != b.LabelCoordinates || a.ShadeShapes != b.ShadeShapes;
    c.angle = a.AngleFactor != b.AngleFactor;
    c.font = before.fontName != after.fontName || before.fontPoints != after.fontPoints;
    c.scales = before.xScaling != after.xScaling || before.yScaling != after.yScaling;
    c.docking = a.AllowDocking != b.AllowDocking;
    c.redraw = a.Accuracy != b.Accuracy || a.AutoAccuracy != b.AutoAccuracy || c.angle || c.thickness ||
               a.Grid != b.Grid || a.LabelAxes != b.LabelAxes || c.labelOrShade || a.DrawAxes != b.DrawAxes ||
               a.PolarGrid != b.PolarGrid || a.ShadeSide != b.ShadeSide ||
               before.background != after.background || before.graphPaperColour != after.graphPaperColour;
    c.stored = c.redraw || c.font || c.scales || c.docking || a.DemonstrationDraw != b.DemonstrationDraw ||
               a.Pause != b.Pause || a.ConstructionLines != b.ConstructionLines ||
               a.MouseFigures != b.MouseFigures || a.RepeatsDelay != b.RepeatsDelay ||
               a.ZoomFactor != b.ZoomFactor || a.DefineConstants != b.DefineConstants ||
               a.DragCurves != b.DragCurves || a.TransformDialogs != b.TransformDialogs ||
               a.Password != b.Password || before.dragLayout != after.dragLayout;
    return c;
}

void ApplySettings(const TCustomSettings& settings)
{
    // The password and its lock are the lock's own business; the lock state
    // stays as the password dialog left it in the copy.
    Configuration = settings.config;
    PublishSettings();
    BackgroundColour = settings.background;
    GraphPaperColour = settings.graphPaperColour;
    DragLayout = settings.dragLayout;
    if (settings.fontName != EquationsFontName ||
        settings.fontPoints != PointsForFontHeight(EquationsFontHeight)) {
        EquationsFontName = settings.fontName;
        EquationsFontHeight = FontHeightForPoints(settings.fontPoints);
    }
}

bool ApplyScaleFactors(TGraphParams& params, TScaleHost* window, const std::string& xScaling,
                       const std::string& yScaling, std::string& message)
{
    for (const std::string* text : {&xScaling, &yScaling}) {
        if (text->empty())
            continue;
        const TRealReaderPtr factor = NumberFromText(*text, nullptr);
        message = factor ? ScaleFactorProblem(factor.get()) : "The scale factor is not defined";
        if (!message.empty())
            return false;
    }
    if (!params.Axes || !params.Axes->Scales) {
        message = "There is no scaling to change";
        return false;
    }
    auto scaling = params.Axes->Scales->Clone();
    scaling->XScalingText = xScaling;
    scaling->YScalingText = yScaling;
    if (!params.SetScales(std::move(scaling), window)) {
        message = "These scales cannot be used";
        return false;
    }
    return true;
}

bool TPasswordLock::Set(std::string_view text)
{
    const bool changed = config_.Password != text;
    config_.Password = std::string(text);
    config_.Unlocked = true;
    return changed;
}

bool TPasswordLock::Enter(std::string_view text)
{
    return config_.CheckPassword(text);
}
