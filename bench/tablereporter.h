// The reporter the benchmarks end with: it keeps the mean CPU time of every
// run in milliseconds, by name (the fastest of repetitions), for the plain
// table printed at the end (CPU time, because these machines are shared and
// wall time drifts with the load). Work that waits on another process (a
// call over the session bus) asks for wall time instead, and so does a
// benchmark registered with UseRealTime (work done on other threads).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class TTableReporter : public benchmark::ConsoleReporter {
public:
    explicit TTableReporter(bool wallTime = false) : wallTime_(wallTime) {}
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            // The time is in the run's unit; the multiplier is that unit's count per second.
            const bool wall = wallTime_ || run.run_name.time_type == "real_time";
            const double time = wall ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
            const double ms = time / benchmark::GetTimeUnitMultiplier(run.time_unit) *
                              benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond);
            // Of repetitions the fastest, the one least disturbed by other work.
            const auto [slot, added] = milliseconds.emplace(run.benchmark_name(), ms);
            if (!added && ms < slot->second)
                slot->second = ms;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // The time of a run by name, 0 when it did not run.
    [[nodiscard]] double Milliseconds(const std::string& name) const
    {
        const auto found = milliseconds.find(name);
        return found == milliseconds.end() ? 0.0 : found->second;
    }
    // A measure against its baseline, by run name, with the goal to show.
    struct TRatioRow {
        const char* measure;
        const char* baseline;
        const char* goal;
    };
    // Prints each row, tab-separated: the measure and its time, the baseline and its time, their ratio and
    // the goal (times in milliseconds with the digits given); SUFFIX ends the run names ("/real_time" for
    // runs in wall time).
    void PrintRatios(const std::vector<TRatioRow>& rows, const std::string& suffix, int digits = 3) const
    {
        for (const TRatioRow& row : rows) {
            const double m = Milliseconds(row.measure + suffix);
            const double b = Milliseconds(row.baseline + suffix);
            std::printf("%s\t%.*f\t%s\t%.*f\t%.2f\t%s\n", row.measure, digits, m, row.baseline, digits, b,
                        b > 0 ? m / b : 0.0, row.goal);
        }
    }
    std::map<std::string, double> milliseconds;

private:
    bool wallTime_ = false;
};
