// Cost per call of the fast 80-bit functions against the C library's long
// double and double versions. The arguments sweep an interval in order, the
// way a plotted curve feeds them; each benchmark walks a fixed table so that
// nothing can be folded at compile time. One iteration is one call.
#include "expr/fastmath.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr std::size_t TableSize = 1024;

using TTable = const std::vector<Extended>& (*)();

std::vector<Extended> Sweep(Extended low, Extended high)
{
    std::vector<Extended> table(TableSize);
    for (std::size_t i = 0; i < TableSize; ++i)
        table[i] = low + (high - low) * static_cast<Extended>(i) / static_cast<Extended>(TableSize - 1);
    return table;
}

const std::vector<Extended>& Angles()
{
    static const std::vector<Extended> table = Sweep(-20.0L, 20.0L);
    return table;
}

const std::vector<Extended>& HugeAngles()
{
    static const std::vector<Extended> table = Sweep(-6.8e10L, 6.8e10L);
    return table;
}

const std::vector<Extended>& Exponents()
{
    static const std::vector<Extended> table = Sweep(-80.0L, 80.0L);
    return table;
}

const std::vector<Extended>& Positives()
{
    static const std::vector<Extended> table = Sweep(1e-3L, 1e3L);
    return table;
}

template <typename Function> void RunExtended(benchmark::State& state, Function function, TTable table)
{
    const std::vector<Extended>& arguments = table();
    std::size_t i = 0;
    for (auto _ : state) {
        Extended result = function(arguments[i]);
        benchmark::DoNotOptimize(result);
        i = (i + 1) & (TableSize - 1);
    }
}

template <typename Function> void RunDouble(benchmark::State& state, Function function, TTable table)
{
    const std::vector<double> arguments(table().begin(), table().end());
    std::size_t i = 0;
    for (auto _ : state) {
        double result = function(arguments[i]);
        benchmark::DoNotOptimize(result);
        i = (i + 1) & (TableSize - 1);
    }
}

BENCHMARK_CAPTURE(RunExtended, FastSin, FastSin, Angles);
BENCHMARK_CAPTURE(
    RunExtended, sinl, [](Extended x) { return sinl(x); }, Angles);
BENCHMARK_CAPTURE(
    RunDouble, sin, [](double x) { return std::sin(x); }, Angles);
BENCHMARK_CAPTURE(RunExtended, FastSinHuge, FastSin, HugeAngles);
BENCHMARK_CAPTURE(
    RunExtended, sinlHuge, [](Extended x) { return sinl(x); }, HugeAngles);
BENCHMARK_CAPTURE(
    RunDouble, sinHuge, [](double x) { return std::sin(x); }, HugeAngles);
BENCHMARK_CAPTURE(RunExtended, FastCos, FastCos, Angles);
BENCHMARK_CAPTURE(
    RunExtended, cosl, [](Extended x) { return cosl(x); }, Angles);
BENCHMARK_CAPTURE(
    RunDouble, cos, [](double x) { return std::cos(x); }, Angles);
BENCHMARK_CAPTURE(RunExtended, FastAtan, FastAtan, Angles);
BENCHMARK_CAPTURE(
    RunExtended, atanl, [](Extended x) { return atanl(x); }, Angles);
BENCHMARK_CAPTURE(
    RunDouble, atan, [](double x) { return std::atan(x); }, Angles);
BENCHMARK_CAPTURE(
    RunExtended, FastAtan2, [](Extended x) { return FastAtan2(x, 0.5L); }, Angles);
BENCHMARK_CAPTURE(
    RunExtended, atan2l, [](Extended x) { return atan2l(x, 0.5L); }, Angles);
BENCHMARK_CAPTURE(
    RunDouble, atan2, [](double x) { return std::atan2(x, 0.5); }, Angles);
BENCHMARK_CAPTURE(RunExtended, FastExp, FastExp, Exponents);
BENCHMARK_CAPTURE(
    RunExtended, expl, [](Extended x) { return expl(x); }, Exponents);
BENCHMARK_CAPTURE(
    RunDouble, exp, [](double x) { return std::exp(x); }, Exponents);
BENCHMARK_CAPTURE(RunExtended, FastExp2, FastExp2, Exponents);
BENCHMARK_CAPTURE(
    RunExtended, exp2l, [](Extended x) { return exp2l(x); }, Exponents);
BENCHMARK_CAPTURE(
    RunDouble, exp2, [](double x) { return std::exp2(x); }, Exponents);
BENCHMARK_CAPTURE(RunExtended, FastLn, FastLn, Positives);
BENCHMARK_CAPTURE(
    RunExtended, logl, [](Extended x) { return logl(x); }, Positives);
BENCHMARK_CAPTURE(
    RunDouble, log, [](double x) { return std::log(x); }, Positives);
BENCHMARK_CAPTURE(RunExtended, FastLog2, FastLog2, Positives);
BENCHMARK_CAPTURE(
    RunExtended, log2l, [](Extended x) { return log2l(x); }, Positives);
BENCHMARK_CAPTURE(
    RunDouble, log2, [](double x) { return std::log2(x); }, Positives);
BENCHMARK_CAPTURE(RunExtended, FastSqrt, FastSqrt, Positives);
BENCHMARK_CAPTURE(
    RunExtended, sqrtl, [](Extended x) { return sqrtl(x); }, Positives);
BENCHMARK_CAPTURE(
    RunDouble, sqrt, [](double x) { return std::sqrt(x); }, Positives);
// The cost of x^1.5 built from two fast functions, against powl (accuracy aside:
// the rounding of the logarithm is magnified by the exponent).
BENCHMARK_CAPTURE(
    RunExtended, FastPow, [](Extended x) { return FastExp2(1.5L * FastLog2(x)); }, Positives);
BENCHMARK_CAPTURE(
    RunExtended, powl, [](Extended x) { return powl(x, 1.5L); }, Positives);
BENCHMARK_CAPTURE(
    RunDouble, pow, [](double x) { return std::pow(x, 1.5); }, Positives);

} // namespace

BENCHMARK_MAIN();
