// Series drawn as families of partial sums: a geometric-type series from a
// first term and a ratio, and a sum of general terms in x and n. Each draws
// the partial sums from FromN to ToN terms as separate curves over the
// window; asked for a single point, a series is its last partial sum.
#pragma once

#include "expr/evaluator.h"
#include "plot/formulacurve.h"

#include <cstdint>
#include <string_view>

// The bounds of a series and how many partial sums it may draw.
inline constexpr int SeriesBoundLimit = 1000; // bounds lie in −1000 … 1000
inline constexpr int SeriesSumLimit = 100;    // fewer than 100 partial sums

// The partial sums a series draws for bounds from and to (NaN when they
// cannot be computed): rounded, kept within ±SeriesBoundLimit and to fewer
// than SeriesSumLimit sums. False when there are none.
[[nodiscard]] bool SeriesRange(Extended from, Extended to, int& first, int& last);

// What the series kinds share: the bounds, the term count in force and the
// drawing of one curve per partial sum.
class TSeriesBounds {
public:
    TEvaluatorPtr FromN, ToN; // owned
    std::int32_t TermCount = 1;

    // TermCount := the last partial sum (a series asked for one point).
    void UseLastSum();

protected:
    // The kind line's tail: "\tn=", FromN, " to ", ToN.
    void WriteBounds(TMathsWriter& writer) const;
    [[nodiscard]] bool BoundsDependOn(std::string_view name) const;
};

// first = First, ratio = Ratio, n = FromN to ToN.
class TPowerSeries : public TCurvePLotter, public TSeriesBounds {
public:
    TPowerSeries(TEvaluatorPtr first, TEvaluatorPtr ratio, TEvaluatorPtr fromN, TEvaluatorPtr toN);

    TEvaluatorPtr First, Ratio; // owned; may use x and n

    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void InitContext(TXY& context) override;
    void Draw(Canvas& canvas, TXY& context) override;
    void CalculatePoint(TXY& context) override;
    void WriteDefinition(TMathsWriter& writer) const override;
};

// nth = Formula, n = FromN to ToN.
class TGenPowerSeries : public TFormulaCurve, public TSeriesBounds {
public:
    TGenPowerSeries(TEvaluatorPtr term, TEvaluatorPtr fromN, TEvaluatorPtr toN);

    [[nodiscard]] const char* KindName() const override { return "TGenPowerSeries"; }
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return 0; }
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void InitContext(TXY& context) override;
    void Draw(Canvas& canvas, TXY& context) override;
    void CalculatePoint(TXY& context) override;
    void WriteDefinition(TMathsWriter& writer) const override;
};
