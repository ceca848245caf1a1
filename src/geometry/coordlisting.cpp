#include "geometry/coordlisting.h"

#include "graph/graphparams.h"
#include "plot/curveplotter.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int MaximumPrimes = 5;
constexpr int ListingFigures = 5;

// The listed curve and its chain of primaries, the first primary of all first.
std::vector<TCurvePLotter*> Chain(TCurvePLotter* curve, bool showPrimaries)
{
    std::vector<TCurvePLotter*> chain{curve};
    if (showPrimaries) {
        for (TEquationObject* p = curve->GetParent(); p && chain.size() < 64; p = p->GetParent()) {
            auto* primary = dynamic_cast<TCurvePLotter*>(p);
            if (!primary || std::find(chain.begin(), chain.end(), primary) != chain.end())
                break;
            chain.push_back(primary);
        }
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

// One prime for each level of primary above the curve, at most five.
std::string Primes(const TEquationObject* curve)
{
    std::string primes;
    std::vector<const TEquationObject*> seen{curve};
    for (const TEquationObject* p = curve->GetParent();
         p && primes.size() < MaximumPrimes && std::find(seen.begin(), seen.end(), p) == seen.end();
         p = p->GetParent()) {
        seen.push_back(p);
        primes += '\'';
    }
    return primes;
}

// A point as the listing shows its numbers, or nothing when it cannot be calculated.
struct TListedPoint {
    bool defined = false;
    std::string x, y;
};

// The 1-based column of the decimal point (after the last character when there is none).
int PointColumn(const std::string& text)
{
    const auto at = text.find(DecimalPoint);
    return static_cast<int>(at == std::string::npos ? text.size() : at) + 1;
}

int Decimals(const std::string& text)
{
    const auto at = text.find(DecimalPoint);
    return at == std::string::npos ? 0 : static_cast<int>(text.size() - at - 1);
}

} // namespace

bool HasPrimaryCurve(const TEquationObject* object)
{
    return object && dynamic_cast<const TCurvePLotter*>(object->GetParent()) != nullptr;
}

std::vector<std::string> CoordinateListing(TEquationObject* object, const TGraphParams& params,
                                           bool showPrimaries)
{
    std::vector<std::string> lines;
    auto* curve = dynamic_cast<TCurvePLotter*>(object);
    if (!curve || !curve->HasProperty(0x400) || !params.Axes)
        return lines;
    const bool lettered = curve->HasPointLabels();
    char letter = curve->LabelLetter();
    const std::vector<TCurvePLotter*> chain = Chain(curve, showPrimaries);

    // Every curve of the chain calculates in a context of its own.
    std::vector<std::unique_ptr<TXY>> contexts;
    for (TCurvePLotter* c : chain) {
        contexts.push_back(std::make_unique<TXY>(params));
        c->InitContext(*contexts.back());
    }
    TXY& own = *contexts.back();
    if (own.Skip || own.SampleCount < 1)
        return lines;
    const int first = own.StartIndex;
    const int last = own.SampleCount - own.LabelSkip;
    const TAxes& axes = *params.Axes;

    // First pass: every point's numbers, and the columns they need.
    std::vector<std::vector<TListedPoint>> points;
    int w = 0, f = 0;
    for (int k = first; k <= last; ++k) {
        std::vector<TListedPoint> row;
        for (std::size_t i = 0; i < chain.size(); ++i) {
            TXY& context = *contexts[i];
            context.Parameter = static_cast<Extended>(k) / own.SampleCount;
            ResetStatus();
            chain[i]->CalculatePoint(context);
            TListedPoint point;
            point.defined =
                EvaluationStatus == esNormal && std::isfinite(context.X) && std::isfinite(context.Y);
            if (point.defined) {
                point.x = FormatNumber(ListingFigures, false, axes.XAxis->RoundToDisplay(context.X));
                point.y = FormatNumber(ListingFigures, false, axes.YAxis->RoundToDisplay(context.Y));
                for (const std::string* text : {&point.x, &point.y}) {
                    w = std::max(w, PointColumn(*text));
                    f = std::max(f, Decimals(*text));
                }
            }
            row.push_back(point);
        }
        points.push_back(std::move(row));
    }
    ResetStatus();

    auto padded = [&](const std::string& number) {
        std::string text(static_cast<std::size_t>(std::max(0, w - PointColumn(number))), ' ');
        text += number;
        if (static_cast<int>(text.size()) < w + f)
            text.append(static_cast<std::size_t>(w + f) - text.size(), ' ');
        return text;
    };

    // Second pass: one line per point, each curve's part after its primary's.
    for (const std::vector<TListedPoint>& row : points) {
        std::string text;
        bool defined = true;
        for (std::size_t i = 0; i < row.size() && defined; ++i) {
            if (!row[i].defined) {
                defined = false;
                break;
            }
            if (i > 0) {
                const std::size_t column = ListingColumn;
                if (text.size() % column != 0)
                    text.append(column - text.size() % column, ' ');
                text += ' ';
            }
            if (lettered)
                text += std::string(1, letter) + Primes(chain[i]);
            text += "(" + padded(row[i].x) + "," + padded(row[i].y) + ")";
        }
        if (!defined) {
            lines.emplace_back();
            continue;
        }
        lines.push_back(text);
        if (lettered && letter >= 'A' && letter <= 'Z')
            letter = static_cast<char>(letter == 'Z' ? 'A' : letter + 1);
    }
    return lines;
}
