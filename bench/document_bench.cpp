// Opening and saving a document of 200 lines: curves of every formula kind
// and the declarations they use. Opening reads every section and enters
// every line (no plotting); saving writes every record. The baselines in the
// same run: entering the same lines as typed markup (the cost of equation
// entry alone) and copying the document's bytes. The program ends with a
// table of the CPU times against the goals (open 50 ms, save 10 ms).
#include "document/document.h"
#include "entry/entry.h"
#include "entrybaseline.h"
#include "formula/markup.h"
#include "settings/mathswriter.h"
#include "tablereporter.h"

#include <QGuiApplication>

#include "benchmain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

// The formula lines: declarations first, then curves using them.
std::vector<std::string> FormulaLines()
{
    std::vector<std::string> lines;
    for (int i = 0; i < 20; ++i)
        lines.push_back("a" + std::string(1, static_cast<char>('a' + i)) + "=" + std::to_string(i + 1));
    lines.push_back("f(x)=sin(x)+x{^{2}");
    lines.push_back("g(x)={sqrt{x{^{2}+1}");
    const char* kinds[] = {"y=aa{\xB4"
                           "sin(x)+ab",
                           "y={/{x{^{2}}{ac}+f(x)",
                           "x=ad{\xB4"
                           "cos y",
                           "r=ae+sin(3{q)\tfor 2 revs",
                           "x=cos t\ty=af{\xB4"
                           "sin t\tt=0to360",
                           "x{^{2}+y{^{2}=ag",
                           "y<g(x)-ah",
                           "y=e{^{-x}{\xB4"
                           "ai"};
    for (int i = 0; lines.size() < 200; ++i)
        lines.push_back(kinds[i % 8]);
    return lines;
}

const std::string& DocumentData()
{
    static const std::string data = [] {
        std::string text =
            "Lumacurve for windows version 3.101\r\nAngle measure = degrees\r\nAccuracy = 10\r\n";
        int n = 0;
        for (const std::string& line : FormulaLines())
            text += "Curve\r\n" + line + "\r\n\tcolour = " + std::to_string(16777216 + n++ % 10) +
                    "\r\n\tstyle = 0\r\n\tSwitches = 0\r\n\tLine thickness = 1\r\n";
        text += "Selected curve no: 5\r\n";
        return text;
    }();
    return data;
}

void Open(benchmark::State& state)
{
    for (auto _ : state) {
        TDocument doc;
        const TReadResult result = ReadDocument(DocumentData(), doc);
        benchmark::DoNotOptimize(result);
        if (doc.lines.LineCount() != 200 || !doc.warnings.empty())
            state.SkipWithError("the document did not read cleanly");
    }
}
BENCHMARK(Open)->Unit(benchmark::kMillisecond);

void Save(benchmark::State& state)
{
    TDocument doc;
    (void)ReadDocument(DocumentData(), doc);
    for (auto _ : state) {
        std::string text = DocumentText(doc);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(Save)->Unit(benchmark::kMillisecond);

// Baseline: each line entered from its markup, as a typed line is.
void EntryOnly(benchmark::State& state)
{
    const std::vector<std::string> lines = FormulaLines();
    for (auto _ : state)
        benchmark::DoNotOptimize(EnterLines(lines));
}
BENCHMARK(EntryOnly)->Unit(benchmark::kMillisecond);

// Baseline: the document's bytes copied once.
void CopyBytes(benchmark::State& state)
{
    for (auto _ : state) {
        std::string copy = DocumentData();
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(CopyBytes)->Unit(benchmark::kMillisecond);

void PrintTable(const TTableReporter& reporter)
{
    auto at = [&](const char* name) { return reporter.Milliseconds(name); };
    const double entry = at("EntryOnly");
    std::printf("\nA document of 200 lines (%zu bytes)\n", DocumentData().size());
    std::printf("%-34s %10s %10s %14s\n", "step", "ms", "goal ms", "of entry alone");
    std::printf("%-34s %10.3f %10s %13.0f%%\n", "open (read and enter every line)", at("Open"), "50",
                entry > 0 ? 100 * at("Open") / entry : 0.0);
    std::printf("%-34s %10.3f %10s %13.0f%%\n", "save (write every record)", at("Save"), "10",
                entry > 0 ? 100 * at("Save") / entry : 0.0);
    std::printf("%-34s %10.3f %10s %13.0f%%\n", "entry of the lines alone", entry, "", 100.0);
    std::printf("%-34s %10.3f %10s %13.0f%%\n", "copying the bytes", at("CopyBytes"), "",
                entry > 0 ? 100 * at("CopyBytes") / entry : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    TTableReporter reporter;
    return RunDrawingBenchmarks(argc, argv, reporter, [&] { PrintTable(reporter); });
}
