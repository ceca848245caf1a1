#include "plot/shownname.h"

#include "plot/curveplotter.h"

void ShowNameInstead(TEquationObject& line, TElementList name)
{
    line.SetElements(std::move(name));
    line.marker = true;
    if (auto* curve = dynamic_cast<TCurvePLotter*>(&line))
        curve->DescriptionFlag = true;
    line.SetLayoutOutOfDate(true);
}
