// Editing and painting formula lines: typing one character into a line of
// 60 elements with the repaint of the band that changed, and measuring plus
// painting a whole line of 100 elements, and refusing a paste of 3000 digits
// too wide for a line. The baseline is Qt drawing plain text of the same
// characters into the same image. Refusing a paste of 10 MB of clipboard
// text is measured against copying that text once.
#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "platform/canvas.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "benchmain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

namespace {

// A line of count elements: text runs and fractions taking turns.
std::string LineMarkup(int count)
{
    std::string markup;
    for (int i = 0; i < count / 2; ++i)
        markup += "a+{/{1}{x" + std::to_string(i % 10) + "}";
    return markup;
}

// The plain text of the same characters.
std::string PlainText(int count)
{
    std::string text;
    for (int i = 0; i < count / 2; ++i)
        text += "a+1/x" + std::to_string(i % 10);
    return text;
}

// Collects what an edit asks to repaint and paints it into an image, as the
// control's paint event does.
class TImageWindow : public TLineWindow {
public:
    explicit TImageWindow(QImage& image) : image_(image) {}
    void InvalidateLine(const QRect& rect) override { dirty_ = dirty_.united(rect); }
    void LineChanged(TEditor&) override {}
    void ShowTooLong() override {}
    void CaretMoved() override {}
    void Repaint(TEditor& line)
    {
        const QRect band = dirty_.intersected(image_.rect());
        dirty_ = QRect();
        if (band.isEmpty())
            return;
        Canvas canvas(&image_);
        canvas.SetClipRect(band);
        canvas.SetBrushColour(clWhite);
        canvas.FillRect(band);
        canvas.MoveTo(0, 0);
        PaintLine(canvas, line);
    }

private:
    QImage& image_;
    QRect dirty_;
};

std::map<std::string, double>& Medians()
{
    static std::map<std::string, double> medians;
    return medians;
}

void TypeOneCharacter(benchmark::State& state)
{
    SetFormulaHeight(16);
    QImage image(1400, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    TImageWindow window(image);
    TEditor line;
    line.SetElements(ElementsFromText(LineMarkup(60)));
    line.window = &window;
    line.Remeasure();
    // The caret in the middle of the line, in a text run.
    TEditorObject* middle = line.Elements();
    for (int i = 0; i < 29; ++i)
        middle = middle->next;
    line.SetCaret(middle, 1);
    for (auto _ : state) {
        line.TypeText("7");
        window.Repaint(line);
        state.PauseTiming();
        line.DeleteAtCaret(1);
        window.Repaint(line);
        state.ResumeTiming();
    }
    line.window = nullptr;
}
BENCHMARK(TypeOneCharacter)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void MeasureAndPaintLine(benchmark::State& state)
{
    SetFormulaHeight(16);
    QImage image(2200, 60, QImage::Format_RGB32);
    TEditor line;
    line.SetElements(ElementsFromText(LineMarkup(100)));
    for (auto _ : state) {
        MeasureLine(line);
        image.fill(Qt::white);
        Canvas canvas(&image);
        canvas.MoveTo(0, 0);
        PaintLine(canvas, line);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(MeasureAndPaintLine)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Baseline: Qt drawing the same characters as one plain text line.
void PlainTextBaseline(benchmark::State& state)
{
    QImage image(2200, 60, QImage::Format_RGB32);
    const QString text = QString::fromLatin1(PlainText(100).c_str());
    const QFont font = FormulaFont(16);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.drawText(10, 20, text);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(PlainTextBaseline)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Clipboard texts a paste must refuse: far beyond the longest paste read, and
// short enough to read but too wide for a line.
const std::string& HugeClipboard()
{
    static const std::string text(10 * 1024 * 1024, 'x');
    return text;
}
const std::string& WideClipboard()
{
    static const std::string text(3000, '8');
    return text;
}

void RefusePaste(benchmark::State& state, const std::string& text)
{
    SetFormulaHeight(16);
    TEditor line;
    line.SetElements(ElementsFromText("x+1"));
    for (auto _ : state) {
        const TPasteResult result = line.PasteText(text);
        if (result != TPasteResult::TooLong) {
            state.SkipWithError("the paste was not refused as too long");
            break;
        }
        benchmark::DoNotOptimize(result);
    }
}
void RefuseHugePaste(benchmark::State& state)
{
    RefusePaste(state, HugeClipboard());
}
BENCHMARK(RefuseHugePaste)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
void RefuseWidePaste(benchmark::State& state)
{
    RefusePaste(state, WideClipboard());
}
BENCHMARK(RefuseWidePaste)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Baseline of the huge paste: taking a copy of the same text, as reading the
// clipboard does. The wide paste is read and laid out, so its baseline is Qt
// drawing a line of text.
void CopyText(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        std::string copy = text;
        benchmark::DoNotOptimize(copy.data());
    }
}
void CopyHugeText(benchmark::State& state)
{
    CopyText(state, HugeClipboard());
}
BENCHMARK(CopyHugeText)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
// Keeps the medians for the closing table.
class TMedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.aggregate_name == "median")
                Medians()[run.run_name.function_name] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    TMedianReporter reporter;
    return RunDrawingBenchmarks(argc, argv, reporter, [] {
        const double baseline = Medians()["PlainTextBaseline"];
        std::printf("\n%-24s %12s %12s\n", "benchmark", "median CPU us", "x baseline");
        for (const char* name :
             {"TypeOneCharacter", "MeasureAndPaintLine", "RefuseWidePaste", "PlainTextBaseline"})
            std::printf("%-24s %12.1f %12.2f\n", name, Medians()[name],
                        baseline > 0 ? Medians()[name] / baseline : 0.0);
        const double copying = Medians()["CopyHugeText"];
        std::printf("\n%-24s %12s %12s\n", "benchmark", "median CPU us", "x copying it");
        for (const char* name : {"RefuseHugePaste", "CopyHugeText"})
            std::printf("%-24s %12.1f %12.2f\n", name, Medians()[name],
                        copying > 0 ? Medians()[name] / copying : 0.0);
    });
}
