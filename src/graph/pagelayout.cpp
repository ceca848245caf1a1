#include "graph/pagelayout.h"

#include <algorithm>
#include <cmath>

namespace {

// A window rectangle scaled onto the page: its offset in the dock site times
// the factors, from the corner inside the margins.
QRect ScaledInto(const QRect& window, const QRect& site, const TLayoutFactors& f, const QRect& inside)
{
    const auto across = [&](int x) { return static_cast<int>(std::lround(x * f.FactorAcross)); };
    const auto down = [&](int y) { return static_cast<int>(std::lround(y * f.FactorDown)); };
    const QPoint offset = window.topLeft() - site.topLeft();
    const QRect placed(inside.left() + across(offset.x()), inside.top() + down(offset.y()),
                       across(window.width()), down(window.height()));
    // Rounding may push the far edge a pixel past the margin.
    return placed.intersected(inside);
}

} // namespace

std::optional<TLayoutFactors> PageLayoutFactors(int pageWidth, int pageHeight, Extended aspect, int siteWidth,
                                                int siteHeight)
{
    // An empty dock site (every panel hidden or floating) has no proportions
    // to keep; dividing by it would give infinite factors.
    if (siteWidth <= 0 || siteHeight <= 0 || !(aspect > 0) || !std::isfinite(aspect))
        return std::nullopt;
    TLayoutFactors f;
    f.Margin = std::max(pageWidth, pageHeight) / 20;
    const int insideWidth = pageWidth - 2 * f.Margin;
    const int insideHeight = pageHeight - 2 * f.Margin;
    if (insideWidth <= 0 || insideHeight <= 0)
        return std::nullopt;
    f.FactorAcross = static_cast<Extended>(insideWidth) / siteWidth;
    f.FactorDown = aspect * f.FactorAcross;
    if (insideHeight < siteHeight * f.FactorDown) {
        f.FactorDown = static_cast<Extended>(insideHeight) / siteHeight;
        f.FactorAcross = f.FactorDown / aspect;
    }
    return f;
}

std::optional<TPagePlacement> PlacePanels(QSize page, Extended aspect, const TWindowPanels& panels,
                                          const TPrintChoices& choices)
{
    const auto factors =
        PageLayoutFactors(page.width(), page.height(), aspect, panels.Site.width(), panels.Site.height());
    if (!factors)
        return std::nullopt;
    TPagePlacement placement;
    placement.Factors = *factors;
    const int m = factors->Margin;
    placement.Inside = QRect(m, m, page.width() - 2 * m, page.height() - 2 * m);
    const bool equations = choices.PrintEquations && !panels.Equations.isEmpty();
    // A page with neither the graph nor the lines on it would come out blank.
    if (panels.Graph.isEmpty() && !equations)
        return std::nullopt;
    if (!choices.FillPage) {
        placement.Graph = ScaledInto(panels.Graph, panels.Site, *factors, placement.Inside);
        if (equations)
            placement.Equations = ScaledInto(panels.Equations, panels.Site, *factors, placement.Inside);
        return placement;
    }
    if (!panels.Graph.isEmpty())
        placement.Graph = placement.Inside;
    if (equations) {
        // The lines keep their scaled width and take the room they need at
        // the top, never more than half the page, so the graph stays large.
        const int width =
            std::min(placement.Inside.width(),
                     static_cast<int>(std::lround(panels.Equations.width() * factors->FactorAcross)));
        const int needed = static_cast<int>(std::lround(panels.EquationsHeight * factors->FactorDown));
        const int height = std::clamp(needed, 0, placement.Inside.height() / 2);
        placement.Equations = QRect(placement.Inside.left(), placement.Inside.top(), width, height);
        if (!placement.Graph.isEmpty())
            placement.Graph.setTop(placement.Inside.top() + height);
    }
    return placement;
}

QRect PreviewPanelRect(QSize area, QSize page, Extended aspect)
{
    const int w = area.width(), h = area.height();
    if (page.isEmpty() || w <= 0 || h <= 0 || !(aspect > 0))
        return {};
    int width = 0, height = 0;
    if (static_cast<Extended>(h) / page.height() > w * aspect / page.width()) {
        width = w;
        height = static_cast<int>(std::lround(w * aspect / page.width() * page.height()));
    } else {
        height = h;
        width =
            static_cast<int>(std::lround(h / static_cast<Extended>(page.height()) * page.width() / aspect));
    }
    return QRect(10 + (w - width) / 2, 10 + (h - height) / 2, width, height);
}
