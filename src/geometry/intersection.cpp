#include "geometry/intersection.h"

#include "formula/descriptions.h"
#include "formula/editor.h"
#include "geometry/coordrows.h"
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "settings/mathswriter.h"

#include <algorithm>

namespace {

// Whether object is still a line of the equations window (always, without one).
bool Listed(const TEquationObject* object)
{
    if (!object)
        return false;
    if (!PlotHost)
        return true;
    const std::vector<TEquationObject*> lines = PlotHost->Lines();
    return std::find(lines.begin(), lines.end(), object) != lines.end();
}

} // namespace

TIntersectCurve::TIntersectCurve(TCurvePLotter* primary, TCurvePLotter* other) : OtherCurve(other)
{
    PrimaryCurve = primary;
    RebuildList();
}

bool TIntersectCurve::IsValid() const
{
    if (Listed(PrimaryCurve) && Listed(OtherCurve))
        return true;
    // Deleting either curve ends the list; the references must not outlive it.
    auto* self = const_cast<TIntersectCurve*>(this);
    self->PrimaryCurve = nullptr;
    self->OtherCurve = nullptr;
    return false;
}

bool TIntersectCurve::DependsOn(std::string_view name) const
{
    if (!IsValid() || TDependentCurvePlotter::DependsOn(name))
        return true;
    return OtherCurve->DependsOn(name);
}

bool TIntersectCurve::Searchable() const
{
    return PrimaryCurve && OtherCurve && (OtherCurve->MeasuresDistance() || PrimaryCurve->MeasuresDistance());
}

void TIntersectCurve::RebuildList(const TGraphParams* params)
{
    exact_.clear();
    rounded_.clear();
    if (!params && PlotHost)
        params = PlotHost->GraphParams();
    const bool valid = IsValid();
    if (valid && params && Searchable()) {
        // The curve that measures distance is the other one; when only the
        // primary can, the search runs the other way round.
        if (OtherCurve->MeasuresDistance())
            PrimaryCurve->FindCrossings(*OtherCurve, *params, rounded_, exact_);
        else
            OtherCurve->FindCrossings(*PrimaryCurve, *params, rounded_, exact_);
    }

    TElementList list(new TEditorObject);
    TEditorObject* last = list.get();
    last->next = new TFixedDescription(59);
    last = last->next;
    if (valid) {
        last->next = new TStringEditObject(PlainLineText(OtherCurve->Elements()));
        last = last->next;
        last->next = new TStringEditObject(" " + PointListText(exact_));
    }
    SetElements(std::move(list));
}

void TIntersectCurve::WriteTo(TMathsWriter& writer) const
{
    auto index = [](const TEquationObject* line) {
        return PlotHost && line ? PlotHost->LineIndexOf(line) : -1;
    };
    writer.WriteLine("Intersect");
    writer.WriteLine("\tcolour = " + std::to_string(colour));
    writer.WriteLine("\tCurve\t" + std::to_string(index(PrimaryCurve)));
    writer.WriteLine("\tCurve\t" + std::to_string(index(OtherCurve)));
}
