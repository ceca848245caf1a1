// The reporter the benchmarks end with: it keeps the mean CPU time of every
// run in milliseconds, by name (the fastest of repetitions), for the plain
// table printed at the end (CPU time, because these machines are shared and
// wall time drifts with the load). Work that waits on another process (a
// call over the session bus) asks for wall time instead, and so does a
// benchmark registered with UseRealTime (work done on other threads).
#pragma once

#include <benchmark/benchmark.h>

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
    std::map<std::string, double> milliseconds;

private:
    bool wallTime_ = false;
};
