// Speed of the equations window with a 200-line list: entering one line
// (classification, placing the object, re-measuring, idle work and the
// repaint) and scrolling by one page with its repaint. The baselines in the
// same run are a repaint with nothing changed and the classification alone,
// so the closing table shows what the window adds on top of them.
#include "document/lineediting.h"
#include "entry/entry.h"
#include "equations/equationsscrollingwidget.h"
#include "equations/equationswindow.h"
#include "expr/declarations.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "tablereporter.h"

#include <QApplication>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int LineCount = 200;

struct TWorld {
    std::unique_ptr<TEquationsScrolling> box;
    TEquationsWindow* window = nullptr; // owned by the box
};
TWorld* World = nullptr;

void Enter(TEquationsWindow& window, const std::string& markup)
{
    TEditor* line = window.Editing().Begin(window.Count());
    line->SetElements(ElementsFromText(markup));
    line->ResetCaret();
    (void)window.Editing().Finish(*line);
}

void MakeWorld()
{
    World = new TWorld;
    World->box = std::make_unique<TEquationsScrolling>();
    World->window = new TEquationsWindow;
    QFont font("DejaVu Sans");
    font.setPixelSize(16);
    World->window->setFont(font);
    World->box->SetEquationsWindow(World->window);
    World->box->resize(500, 400);
    World->box->show();
    const char* formulas[] = {"y=x{^{2}", "y=sin x", "x{^{2}+y{^{2}=4", "y={/{1}{x}", "y=3x+1"};
    for (int i = 0; i < LineCount; ++i)
        Enter(*World->window, formulas[i % 5]);
    World->window->ProcessChanges();
    QApplication::processEvents();
}

void BM_RepaintOnly(benchmark::State& state)
{
    for (auto _ : state)
        World->window->repaint();
}

void BM_ClassifyOnly(benchmark::State& state)
{
    std::vector<TEquationObject*> names = World->window->List().Lines();
    for (auto _ : state) {
        TEditor line;
        line.SetElements(ElementsFromText("y=x{^{3}+2x"));
        TParseParams params;
        params.declaredNames = &names;
        auto object = ClassifyLine(line, params);
        benchmark::DoNotOptimize(object.get());
    }
}

void BM_EnterLine(benchmark::State& state)
{
    TEquationsWindow& window = *World->window;
    for (auto _ : state) {
        Enter(window, "y=x{^{3}+2x");
        window.ProcessChanges();
        window.repaint();
        state.PauseTiming();
        window.DeleteObject(window.ItemAt(window.Count() - 1));
        state.ResumeTiming();
    }
}

void BM_ScrollPage(benchmark::State& state)
{
    QScrollBar* bar = World->box->verticalScrollBar();
    bar->setValue(0);
    bool down = true;
    for (auto _ : state) {
        if (bar->value() >= bar->maximum())
            down = false;
        else if (bar->value() <= bar->minimum())
            down = true;
        bar->triggerAction(down ? QAbstractSlider::SliderPageStepAdd : QAbstractSlider::SliderPageStepSub);
        World->window->repaint();
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    MakeWorld();

    benchmark::RegisterBenchmark("repaint_only", BM_RepaintOnly)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("classify_only", BM_ClassifyOnly)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("enter_line_200", BM_EnterLine)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("scroll_page_200", BM_ScrollPage)->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    TTableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto value = [&](const char* key) { return reporter.Milliseconds(key); };
    const double repaint = value("repaint_only");
    const double classify = value("classify_only");
    std::printf("\ncase\tms\tx repaint_only\tgoal_ms\n");
    std::printf("enter line (200 lines)\t%.3f\t%.2f\t5\n", value("enter_line_200"),
                repaint > 0 ? value("enter_line_200") / repaint : 0.0);
    std::printf("scroll page (200 lines)\t%.3f\t%.2f\t5\n", value("scroll_page_200"),
                repaint > 0 ? value("scroll_page_200") / repaint : 0.0);
    std::printf("baselines: repaint_only %.3f ms, classify_only %.3f ms\n", repaint, classify);
    World->box.reset();
    delete World;
    FamilyEnd();
    return 0;
}
