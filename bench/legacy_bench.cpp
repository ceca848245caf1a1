// Opening a document of the older binary layout: 200 records of every kind,
// read, converted and entered line by line (no plotting). The baselines in
// the same run: entering the same lines as typed markup (the cost of
// equation entry alone) and opening the converted document as a current
// one. The program ends with a table of the CPU times against the goal
// (opening at most 1.5 times entry alone).
#include "document/document.h"
#include "entry/entry.h"
#include "entrybaseline.h"
#include "formula/markup.h"
#include "legacyfiles.h"
#include "tablereporter.h"

#include "benchmain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// 200 records: the twelve kinds over and over (their primaries name the
// first line, which is always the curve of the first kind).
const std::string& LegacyData()
{
    static const std::string data = [] {
        const std::vector<legacy::Record> kinds = legacy::EveryKind();
        std::vector<legacy::Record> records;
        for (std::size_t i = 0; records.size() < 200; ++i)
            records.push_back(kinds[i % kinds.size()]);
        return legacy::File(records);
    }();
    return data;
}

// The converted document, as this version writes it.
const std::string& ConvertedText()
{
    static const std::string text = [] {
        TDocument doc;
        (void)ReadDocument(LegacyData(), doc);
        return DocumentText(doc);
    }();
    return text;
}

// The line each converted record enters (the line after each "Curve"),
// under the line its record names as its primary, as it would be typed.
std::vector<TBaselineLine> DefinitionLines()
{
    std::vector<TBaselineLine> lines;
    const std::string& text = ConvertedText();
    constexpr std::string_view primaryKey = "\tprimary equation number = ";
    for (std::size_t at = text.find("Curve\r\n"); at != std::string::npos; at = text.find("Curve\r\n", at)) {
        at += 7;
        TBaselineLine line{text.substr(at, text.find("\r\n", at) - at), -1};
        const std::size_t next = text.find("Curve\r\n", at);
        const std::size_t primary = text.find(primaryKey, at);
        if (primary != std::string::npos && primary < next)
            line.parent = std::atoi(text.c_str() + primary + primaryKey.size());
        lines.push_back(std::move(line));
    }
    return lines;
}

void OpenLegacy(benchmark::State& state)
{
    for (auto _ : state) {
        TDocument doc;
        const TReadResult result = ReadDocument(LegacyData(), doc);
        benchmark::DoNotOptimize(result);
        if (result != TReadResult::Legacy || doc.lines.LineCount() < 200)
            state.SkipWithError("the older document did not read");
    }
}
BENCHMARK(OpenLegacy)->Unit(benchmark::kMillisecond);

void OpenConverted(benchmark::State& state)
{
    for (auto _ : state) {
        TDocument doc;
        const TReadResult result = ReadDocument(ConvertedText(), doc);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(OpenConverted)->Unit(benchmark::kMillisecond);

// Baseline: each line entered from its markup, as a typed line is (a line
// that depends on another is typed under it).
void EntryOnly(benchmark::State& state)
{
    const std::vector<TBaselineLine> lines = DefinitionLines();
    for (auto _ : state)
        benchmark::DoNotOptimize(EnterLines(lines));
}
BENCHMARK(EntryOnly)->Unit(benchmark::kMillisecond);

void PrintTable(const TTableReporter& reporter)
{
    auto at = [&](const char* name) { return reporter.Milliseconds(name); };
    const double entry = at("EntryOnly");
    std::printf("\nAn older document of 200 records (%zu bytes, %zu lines)\n", LegacyData().size(),
                DefinitionLines().size());
    std::printf("%-36s %10s %14s %10s\n", "step", "ms", "of entry alone", "goal");
    std::printf("%-36s %10.3f %13.0f%% %10s\n", "open the older document", at("OpenLegacy"),
                entry > 0 ? 100 * at("OpenLegacy") / entry : 0.0, "150%");
    std::printf("%-36s %10.3f %13.0f%%\n", "open the converted document", at("OpenConverted"),
                entry > 0 ? 100 * at("OpenConverted") / entry : 0.0);
    std::printf("%-36s %10.3f %13.0f%%\n", "entry of the lines alone", entry, 100.0);
}

} // namespace

int main(int argc, char** argv)
{
    TTableReporter reporter;
    return RunDrawingBenchmarks(argc, argv, reporter, [&] { PrintTable(reporter); });
}
