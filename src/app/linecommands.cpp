// The Analysis menu's lines: Tangent, Normal, the six line commands and Area
// start a line to fill in and put the graph window into the mode that places
// it with the mouse; the placed point or parameter completes the line, which
// is then entered like a typed one. Gradient and Compass points add their
// line at once, and a selected differential equation lets clicks place
// solution curves through the clicked point.
#include "app/lumacurveform.h"

#include "equations/equationswindow.h"
#include "formula/descriptions.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "geometry/derivedcurves.h"
#include "geometry/intersection.h"
#include "geometry/straightline.h"
#include "graphwindow/graphwindow.h"

namespace {

struct TLineCommand {
    const char* name;
    int code;
};

constexpr TLineCommand LineCommands[] = {
    {"ActionTangent", 401},      {"ActionNormal", 402},         {"ActionHorizontalLine", 406},
    {"ActionVerticalLine", 407}, {"ActionLineThroOrigin", 408}, {"ActionYAxisToCurve", 411},
    {"ActionXAxisToCurve", 412}, {"ActionOriginToCurve", 413},
};

// Whether the line of code hangs under the selected curve.
bool UnderCurve(int code)
{
    return (code >= 401 && code <= 403) || code >= 411;
}

} // namespace

void TLumacurveForm::RegisterLineHandlers()
{
    for (const TLineCommand& command : LineCommands)
        commands_->SetHandler(command.name, [this, code = command.code] { StartPlacingLine(code); });
    graphArea_->EditedLineQuery = [this](TCurvePLotter*& parent) {
        TEditor* line = equations_->Line();
        if (!line)
            return false;
        parent = dynamic_cast<TCurvePLotter*>(line->GetParent());
        return true;
    };
    graphArea_->OnLinePlaced = [this](int code, TCurvePLotter* parent, const std::string& field) {
        PlaceLine(code, parent, field);
    };
    graphArea_->OnLineFieldMoved = [this](int code, TCurvePLotter* parent, const std::string& field) {
        ShowPlacingField(code, parent, field);
    };
    graphArea_->StartSolutionLine = [this] {
        auto* equation = dynamic_cast<TCurvePLotter*>(equations_->SelectedObject());
        if (!equation || !equation->HasProperty(4))
            return false;
        const bool started = equations_->AddLineWith(
            ElementsFromText(PlacingLineMarkup(mmSolutionCurve, equation, {})), 0, true, 0);
        UpdateCommands();
        return started;
    };
    commands_->SetHandler("ActionGradient", [this] { AddDerivedLine(dnGradientFunction, 1); });
    commands_->SetHandler("ActionCompassPoints", [this] { AddDerivedLine(dnCompassPoints, 4); });
}

void TLumacurveForm::AddDerivedLine(int description, std::uint32_t property)
{
    auto* primary = dynamic_cast<TCurvePLotter*>(equations_->SelectedObject());
    if (!primary || !primary->HasProperty(property))
        return;
    // Entered like a typed line under the curve, so it takes the equations
    // window's font and colour as any new line does.
    if (!equations_->AddLineWith(ElementsFromText(DescriptionText(description, true)), 0, true, 0))
        return;
    if (equations_->FinishEdit())
        SetModified(true);
    UpdateCommands();
}

bool TLumacurveForm::StartAreaFunction()
{
    auto* curve = dynamic_cast<TCurvePLotter*>(equations_->SelectedObject());
    if (!curve || !curve->HasProperty(1))
        return false;
    StartPlacingLine(mmArea);
    return true;
}

void TLumacurveForm::SetSelectionMouseMode(int code)
{
    // Leaving the equation ends only its own mode: a zoom or a line being placed stays.
    if (code == mmNone && graphArea_->MouseMode() != mmSolutionCurve)
        return;
    if (code == mmSolutionCurve && graphArea_->MouseMode() != mmNone)
        return;
    graphArea_->SetMouseMode(code);
    commands_->ShowMode(code);
}

void TLumacurveForm::ShowPlacingField(int code, TCurvePLotter* parent, const std::string& field)
{
    TEditor* line = equations_->Line();
    if (!line || line->GetParent() != parent)
        return;
    line->SetElements(ElementsFromText(PlacingLineMarkup(code, parent, field)));
    line->ResetCaret();
    line->Remeasure();
    equations_->update();
}

void TLumacurveForm::StartPlacingLine(int code)
{
    TCurvePLotter* parent = nullptr;
    if (UnderCurve(code)) {
        parent = dynamic_cast<TCurvePLotter*>(equations_->SelectedObject());
        if (!parent || !parent->HasProperty(1))
            return;
    }
    const std::string markup = PlacingLineMarkup(code, parent, {});
    if (!equations_->AddLineWith(ElementsFromText(markup), 0, parent != nullptr, 0))
        return;
    graphArea_->SetMouseMode(code);
    commands_->ShowMode(code);
    UpdateCommands();
}

void TLumacurveForm::PlaceLine(int code, TCurvePLotter* parent, const std::string& field)
{
    // The mode places one line; the window then selects again.
    graphArea_->SetMouseMode(mmNone);
    commands_->ShowMode(mmNone);
    TEditor* line = equations_->Line();
    if (!line || line->GetParent() != parent)
        return;
    // On a line under a curve the kinds through a point become their kinds to the curve.
    const int kind = parent && code >= 406 && code <= 408 ? code + 5 : code;
    line->SetElements(ElementsFromText(PlacingLineMarkup(kind, parent, field)));
    line->ResetCaret();
    line->Remeasure();
    equations_->FinishEdit();
    SetModified(true);
    UpdateCommands();
}

bool TLumacurveForm::ChooseIntersectPair(QPoint point)
{
    intersectPrimary_ = intersectOther_ = nullptr;
    if (equations_->Line())
        return false;
    std::vector<TCurvePLotter*> curves;
    for (int index : graphArea_->CurvesAt(point))
        if (auto* curve = dynamic_cast<TCurvePLotter*>(equations_->ItemAt(index)))
            curves.push_back(curve);
    // The first curve that can measure distance is the other curve; the
    // first of the rest is the one whose samples are scanned.
    for (TCurvePLotter* curve : curves)
        if (curve->MeasuresDistance()) {
            intersectOther_ = curve;
            break;
        }
    for (TCurvePLotter* curve : curves)
        if (curve != intersectOther_) {
            intersectPrimary_ = curve;
            break;
        }
    if (!intersectOther_ || !intersectPrimary_)
        intersectPrimary_ = intersectOther_ = nullptr;
    return intersectOther_ != nullptr;
}

void TLumacurveForm::AddIntersection()
{
    TCurvePLotter* primary = intersectPrimary_;
    TCurvePLotter* other = intersectOther_;
    intersectPrimary_ = intersectOther_ = nullptr;
    // Either curve may have gone while the menu was open.
    const TEquationList& list = equations_->List();
    if (!primary || !other || list.IndexOf(primary) < 0 || list.IndexOf(other) < 0 || equations_->Line())
        return;
    auto line = std::make_unique<TIntersectCurve>(primary, other);
    line->RebuildList(&graphArea_->Params());
    const int index = equations_->InsertObject(std::move(line));
    if (index < 0)
        return;
    SetModified(true);
    UpdateCommands();
}
