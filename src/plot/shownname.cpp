#include "plot/shownname.h"

#include "formula/markup.h"
#include "plot/curveplotter.h"
#include "plot/formulacurve.h"

void ShowNameInstead(TEquationObject& line, TElementList name)
{
    // A formula curve shown by its formula keeps that text as typed: written
    // back from its tree, a number would keep only the figures a line shows
    // (123456.789 became 123456.79).
    if (auto* formula = dynamic_cast<TFormulaCurve*>(&line); formula && !formula->DescriptionFlag)
        formula->TypedDefinition = ElementsToText(line.Elements());
    line.SetElements(std::move(name));
    line.marker = true;
    if (auto* curve = dynamic_cast<TCurvePLotter*>(&line))
        curve->DescriptionFlag = true;
    line.SetLayoutOutOfDate(true);
}
