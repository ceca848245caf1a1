// The costs of fitting a data set of 1000 points against one gathering of
// its statistics (sums, both sorts, modes), measured in the same run: each
// kind of best-fit line fitted afresh (gathering, fit, its text and its
// fitted curve), all of them in turn as at every move of a drag, and the
// polynomial through 10 points, which may refit with more figures.
// The program ends with a table of the ratios and the goals they must meet.
#include "geometry/bestfit.h"
#include "geometry/coordcurve.h"
#include "settings/configuration.h"

#include "benchmain.h"
#include "tablereporter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

// n points near y = 2x + 1 for x from 0.01 to 10, scattered by a sine.
std::unique_ptr<TCoordCurve> DataSet(int n)
{
    auto set = std::make_unique<TDataPoints>();
    for (int i = 1; i <= n; ++i) {
        const Extended x = 10.0L * i / n;
        set->Points.Add(std::make_unique<TCoordinates>(x, 2 * x + 1 + std::sin(7.0L * i)));
    }
    set->RowsChanged();
    return set;
}

void Baseline(benchmark::State& state)
{
    std::unique_ptr<TCoordCurve> set = DataSet(1000);
    TGatherStatistics stats;
    for (auto _ : state) {
        set->GatherStatistics(stats);
        benchmark::DoNotOptimize(stats.Count);
    }
}

void Fit(benchmark::State& state, int heading, int points)
{
    std::unique_ptr<TCoordCurve> set = DataSet(points);
    std::unique_ptr<TBestFit> fit = MakeBestFit(heading, set.get());
    for (auto _ : state) {
        fit->Refit();
        benchmark::DoNotOptimize(fit->Fitted.get());
    }
}

void Straight(benchmark::State& state)
{
    Fit(state, dnBestFitStraight, 1000);
}
void YOnX(benchmark::State& state)
{
    Fit(state, dnBestFitYOnX, 1000);
}
void XOnY(benchmark::State& state)
{
    Fit(state, dnBestFitXOnY, 1000);
}
void Exponential(benchmark::State& state)
{
    Fit(state, dnBestFitExponential, 1000);
}
void Ln(benchmark::State& state)
{
    Fit(state, dnBestFitLn, 1000);
}
void Quadratic(benchmark::State& state)
{
    Fit(state, dnBestFitQuadratic, 1000);
}
void Polynomial10(benchmark::State& state)
{
    Fit(state, dnPolynomial, 10);
}

// Every fit line of one set, as one move of a drag refits them.
void AllLines(benchmark::State& state)
{
    std::unique_ptr<TCoordCurve> set = DataSet(1000);
    std::vector<std::unique_ptr<TBestFit>> fits;
    for (int heading : {dnBestFitStraight, dnBestFitYOnX, dnBestFitXOnY, dnBestFitExponential, dnBestFitLn,
                        dnBestFitQuadratic, dnPolynomial})
        fits.push_back(MakeBestFit(heading, set.get()));
    for (auto _ : state)
        for (auto& fit : fits)
            fit->Refit();
}

BENCHMARK(Baseline)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Straight)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(YOnX)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(XOnY)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Exponential)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Ln)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Quadratic)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Polynomial10)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(AllLines)->Unit(benchmark::kMillisecond)->Repetitions(3);

void PrintTable(const TTableReporter& reporter)
{
    const double baseline = reporter.Milliseconds("Baseline/repeats:3");
    const double straight = reporter.Milliseconds("Straight/repeats:3");
    if (baseline <= 0 || straight <= 0) {
        std::printf("\nNo baseline: no table.\n");
        return;
    }
    struct TRow {
        const char* what;
        const char* run;
        double reference;
        const char* against;
        double goal; // 0: no goal
    };
    const TRow rows[] = {
        {"line of best fit", "Straight", baseline, "baseline", 1.3},
        {"regression y on x", "YOnX", baseline, "baseline", 1.3},
        {"regression x on y", "XOnY", baseline, "baseline", 1.3},
        {"exponential", "Exponential", baseline, "baseline", 1.3},
        {"ln", "Ln", baseline, "baseline", 1.3},
        {"quadratic", "Quadratic", straight, "straight fit", 3},
        {"polynomial, 10 points", "Polynomial10", baseline, "baseline", 0},
        {"every line of the set (ms, goal 1 ms)", "AllLines", 1, "1 ms", 1},
    };
    std::printf("\nbaseline: one gathering of 1000 points: %.4f ms\n", baseline);
    std::printf("%-40s %10s %10s %14s %6s  %s\n", "measure", "ms", "ratio", "against", "goal", "met");
    for (const TRow& row : rows) {
        const double time = reporter.Milliseconds(std::string(row.run) + "/repeats:3");
        const double ratio = time / row.reference;
        if (row.goal > 0)
            std::printf("%-40s %10.4f %10.3f %14s %6.2f  %s\n", row.what, time, ratio, row.against, row.goal,
                        ratio <= row.goal ? "yes" : "no");
        else
            std::printf("%-40s %10.4f %10.3f %14s %6s\n", row.what, time, ratio, row.against, "-");
    }
}

} // namespace

int main(int argc, char** argv)
{
    TTableReporter reporter;
    return RunDrawingBenchmarks(argc, argv, reporter, [&] { PrintTable(reporter); });
}
