// The shared main of the benchmark programs that draw: a Qt application
// object (fonts need one, on the offscreen platform when no display is
// named), the benchmarks with the program's own reporter, then its table.
#pragma once

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>

// Runs the benchmarks chosen on the command line through reporter, then
// prints the program's table with printTable; answers the exit status.
inline int RunDrawingBenchmarks(int argc, char** argv, benchmark::BenchmarkReporter& reporter,
                                const std::function<void()>& printTable)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printTable();
    return 0;
}
