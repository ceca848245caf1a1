// Per-frame samples of the window benchmarks that report percentiles: each
// measured piece of work timed by wall clock and by the thread's processor
// time (these machines are shared; the processor time is what the work
// costs when nothing else runs), kept by name for the closing table.
#pragma once

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace framesamples {

// Milliseconds of samples by name: wall time, and the thread's processor time.
inline std::map<std::string, std::vector<double>> Samples, CpuSamples;

inline double ThreadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Runs work once and adds its times to the samples of name.
template <class F> void Sample(const std::string& name, F&& work)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadMilliseconds();
    work();
    CpuSamples[name].push_back(ThreadMilliseconds() - cpuStart);
    Samples[name].push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
}

// The sample at fraction p of the sorted samples (0.5: the median), 0 for none.
inline double Percentile(std::vector<double> samples, double p)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(index, samples.size() - 1)];
}

// The mean, 0 for none.
inline double Mean(const std::vector<double>& samples)
{
    double sum = 0;
    for (double x : samples)
        sum += x;
    return samples.empty() ? 0 : sum / static_cast<double>(samples.size());
}

} // namespace framesamples
