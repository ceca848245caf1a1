// The dynamic constant editor benchmark: one tick of a played constant k
// (the step, a copy of the picture of the rest of the graph, each curve
// using k recorded afresh, the constant's line and the value box laid out,
// one copy to the window) on a 1280 x 800 graph window. Measured with the
// 18-curve standard set (its own family constant a, which k's curves do
// not use) and with k's five curves alone; the baselines in the same run
// are the five curves plotted afresh and one picture copy. The table gives
// the mean and 95th percentile frame times, frames per second at the 95th
// percentile and the ratios the editor is held to; the frames are measured
// with one curve worker too, beside the ones with a worker per core. Run it
// with QT_SCALE_FACTOR=2 for a device pixel ratio of 2.
//
// With LUMACURVE_DYNAMIC_SHOTS set to a folder it only saves screenshots
// there: the main window with the editor open after a few steps, the
// editor's panel, and (on a real display) the whole screen.
#include "app/declaredconstanteditor.h"
#include "app/lumacurveform.h"
#include "document/lineediting.h"
#include "equations/equationswindow.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "framesamples.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "platform/canvas.h"
#include "plot/curveplotter.h"
#include "plot/plotworkers.h"
#include "settings/configuration.h"
#include "standardset.h"
#include "tablereporter.h"
#include "typedlines.h"

#include <QApplication>
#include <QDockWidget>
#include <QEventLoop>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// Lets the event loop run for ms milliseconds.
void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Waits (at most five seconds) until the window system shows widget.
void WaitExposed(QWidget& widget)
{
    for (int i = 0; i < 500 && !(widget.windowHandle() && widget.windowHandle()->isExposed()); ++i)
        Wait(10);
}

constexpr int Width = 1280;
constexpr int Height = 800;
const char* const UserCurves[] = {"y=kx{^{2}", "y=k sin x", "y=x+k", "y={/{k}{x}", "y=x{^{3}-kx"};

// One window set: the equations, the graph, and the editor on k.
struct TWorld {
    std::unique_ptr<standardset::TStandardSet> set;
    std::unique_ptr<TEquationsWindow> equations;
    std::unique_ptr<TGraphWindow> graph;
    std::unique_ptr<TDeclaredConstantEditor> editor;
    int direction = 1;
    int ticks = 0;
};

std::unique_ptr<TWorld> MakeWorld(bool withSet)
{
    auto world = std::make_unique<TWorld>();
    world->equations = std::make_unique<TEquationsWindow>();
    if (withSet) {
        world->set = standardset::MakeStandardSet();
        world->equations->InsertObject(std::move(world->set->familyConstant));
        for (auto& entry : world->set->curves)
            world->equations->InsertObject(std::move(entry.curve));
    }
    Enter(*world->equations, "k=1");
    for (const char* curve : UserCurves)
        Enter(*world->equations, curve);
    world->equations->ProcessChanges();
    world->graph = std::make_unique<TGraphWindow>();
    world->graph->resize(Width, Height);
    world->graph->SetMouseMode(mmNone);
    world->graph->SetLineSource(&world->equations->List());
    world->graph->show();
    WaitExposed(*world->graph);
    world->graph->repaint();
    const TDynamicConstantEquation* k = nullptr;
    for (TEquationObject* line : world->equations->List().Lines())
        if (auto* constant = dynamic_cast<TDynamicConstantEquation*>(line);
            constant && constant->NameText() == "k")
            k = constant;
    world->editor =
        std::make_unique<TDeclaredConstantEditor>(nullptr, world->equations.get(), world->graph.get(), k);
    world->editor->show();
    world->editor->Editing().Activate();
    world->editor->Editing().Play(1);
    return world;
}

// One frame: a tick of the play, k running between 1 and 3 and back.
void Frame(TWorld& world)
{
    TDynamicConstantEditing& editing = world.editor->Editing();
    if (++world.ticks % 20 == 0) {
        world.direction = -world.direction;
        editing.Play(world.direction); // plays the other way, with its first step at once
    } else {
        editing.Tick();
    }
}

using framesamples::CpuSamples;
using framesamples::Percentile;
using framesamples::Samples;

template <class F> void Timed(benchmark::State& state, const std::string& name, F&& work)
{
    for (auto _ : state)
        framesamples::Sample(name, work);
}

// One world at a time: two editors would take the focus from each other,
// and an editor that loses the focus ends its period (and its animation).
std::unique_ptr<TWorld> Current;
bool CurrentWithSet = false;
int Builds = 0; // the background's builds while frames were measured, by both worlds

TWorld& World(bool withSet)
{
    if (!Current || CurrentWithSet != withSet) {
        if (Current)
            Builds += Current->editor->Editing().BackgroundBuilds() - 1;
        Current.reset();
        Current = MakeWorld(withSet);
        CurrentWithSet = withSet;
    }
    return *Current;
}

void RegisterBenchmarks()
{
    benchmark::RegisterBenchmark("frame/with the standard set",
                                 [](benchmark::State& state) {
                                     TWorld& world = World(true);
                                     Timed(state, "with set", [&] { Frame(world); });
                                 })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(3);
    // The same frames with one curve worker, beside the ones with one per core.
    auto oneWorker = [](bool withSet) {
        return [withSet](benchmark::State& state) {
            TWorld& world = World(withSet);
            SetPlotWorkerCount(1);
            Timed(state, withSet ? "with set, 1 worker" : "alone, 1 worker", [&] { Frame(world); });
            SetPlotWorkerCount(0);
        };
    };
    benchmark::RegisterBenchmark("frame/with the standard set, 1 worker", oneWorker(true))
        ->Unit(benchmark::kMillisecond)
        ->MinTime(3);
    benchmark::RegisterBenchmark("baseline/picture copy",
                                 [](benchmark::State& state) {
                                     const QImage& background = World(true).editor->Editing().Background();
                                     Timed(state, "copy", [&] {
                                         QImage copy = background.copy();
                                         benchmark::DoNotOptimize(copy.constBits());
                                     });
                                 })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1);
    benchmark::RegisterBenchmark("frame/users alone",
                                 [](benchmark::State& state) {
                                     TWorld& world = World(false);
                                     Timed(state, "alone", [&] { Frame(world); });
                                 })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(3);
    benchmark::RegisterBenchmark("frame/users alone, 1 worker", oneWorker(false))
        ->Unit(benchmark::kMillisecond)
        ->MinTime(3);
    benchmark::RegisterBenchmark("baseline/users plotted afresh",
                                 [](benchmark::State& state) {
                                     TWorld& world = World(false);
                                     const qreal ratio = world.graph->devicePixelRatioF();
                                     QImage image(QSize(Width, Height) * ratio,
                                                  QImage::Format_ARGB32_Premultiplied);
                                     image.setDevicePixelRatio(ratio);
                                     image.fill(Qt::white);
                                     std::vector<TCurvePLotter*> users;
                                     for (const auto& user : world.editor->Editing().Users())
                                         users.push_back(user->Curve);
                                     TGraphParams& params = world.graph->Params();
                                     const QRect all(0, 0, Width, Height);
                                     Timed(state, "plots", [&] {
                                         Canvas canvas(&image);
                                         canvas.SetFont(world.graph->GraphFont());
                                         params.PaintRect = &all;
                                         for (TCurvePLotter* curve : users) {
                                             curve->DiscardLineStore();
                                             curve->DrawOnGraph(canvas, params);
                                         }
                                         params.PaintRect = nullptr;
                                     });
                                 })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(2);
}

void PrintTable(const char* title, std::map<std::string, std::vector<double>>& samples, qreal ratio)
{
    const double set95 = Percentile(samples["with set"], 0.95), alone95 = Percentile(samples["alone"], 0.95);
    const double plots = Percentile(samples["plots"], 0.5), copy = Percentile(samples["copy"], 0.5);
    const auto mean = framesamples::Mean;
    std::printf(
        "\n%s; device pixel ratio %.1f, graph %d x %d, five curves using k, %d curve workers unless 1 "
        "is said\n",
        title, ratio, Width, Height, PlotWorkerCount());
    std::printf("measure\tmean_ms\tp95_ms\tp95_fps\n");
    std::printf("frame with the set\t%.3f\t%.3f\t%.1f\n", mean(samples["with set"]), set95, 1000 / set95);
    std::printf("frame, users alone\t%.3f\t%.3f\t%.1f\n", mean(samples["alone"]), alone95, 1000 / alone95);
    for (const char* key : {"with set, 1 worker", "alone, 1 worker"}) {
        const double p95 = Percentile(samples[key], 0.95);
        std::printf("frame %s\t%.3f\t%.3f\t%.1f\n", key, mean(samples[key]), p95, 1000 / p95);
    }
    std::printf("baseline: users plotted afresh (median)\t%.3f\n", plots);
    std::printf("baseline: picture copy (median)\t%.3f\n", copy);
    std::printf("goal\tvalue\tlimit\tmet\n");
    std::printf("p95 frames per second, with the set\t%.1f\t>= 60\t%s\n", 1000 / set95,
                1000 / set95 >= 60 ? "yes" : "no");
    const double bound = plots + 2 * copy;
    std::printf("p95 frame / (median plots + 2 median copies), alone\t%.2f\t<= 1.30\t%s\n", alone95 / bound,
                alone95 / bound <= 1.3 ? "yes" : "no");
    const double bound95 = Percentile(samples["plots"], 0.95) + 2 * Percentile(samples["copy"], 0.95);
    std::printf("p95 frame / (p95 plots + 2 p95 copies), alone\t%.2f\t<= 1.30\t%s\n", alone95 / bound95,
                alone95 / bound95 <= 1.3 ? "yes" : "no");
    const double boundMean = mean(samples["plots"]) + 2 * mean(samples["copy"]);
    std::printf("mean frame / (mean plots + 2 mean copies), alone\t%.2f\t<= 1.30\t%s\n",
                mean(samples["alone"]) / boundMean, mean(samples["alone"]) / boundMean <= 1.3 ? "yes" : "no");
    std::printf("p95 frame with set / alone\t%.2f\t<= 1.10\t%s\n", set95 / alone95,
                set95 / alone95 <= 1.1 ? "yes" : "no");
}

// The document of the screenshots: y = ax² and a sine that use a, a line that does not.
const char* const ShotLines[] = {"a=1", "y=ax{^{2}", "y=sin x+a", "y={/{1}{2}x-1"};

// Saves the main window, the editor's panel and (on a real display) the
// screen under stem, with what was shown; false when a picture could not be saved.
bool SaveShot(TLumacurveForm& form, const QString& stem)
{
    bool saved = form.grab().save(stem + "-window.png");
    if (auto* panel = form.findChild<QDockWidget*>("DynamicEditorDockPanel"))
        saved = panel->grab().save(stem + "-panel.png") && saved;
    if (QGuiApplication::platformName() != "offscreen")
        if (QScreen* screen = QGuiApplication::primaryScreen())
            saved = screen->grabWindow(0).save(stem + "-screen.png") && saved;
    std::printf("%s %s-*.png\n", saved ? "saved" : "could not save", stem.toLocal8Bit().constData());
    return saved;
}

int SaveShots(const char* folder)
{
    TStartOptions options;
    options.quiet = true;
    options.noDefaultDocument = true;
    auto form = std::make_unique<TLumacurveForm>(options);
    form->resize(Width, Height);
    form->show();
    WaitExposed(*form);
    Wait(200);
    for (const char* line : ShotLines)
        Enter(*form->Equations(), line);
    form->Equations()->ProcessChanges();
    form->Equations()->SelectLine(0);
    Wait(200);
    form->OpenDynamicConstantEditor(form->SelectedDynamicConstant());
    Wait(300);
    TDeclaredConstantEditor* editor = form->DynamicEditor();
    if (!editor)
        return 1;
    // Played forward, as a teacher plays a in front of the class.
    editor->Editing().Play(1);
    Wait(700);
    const QString stem = QStringLiteral("%1/dynamic-%2x-%3")
                             .arg(QString::fromLocal8Bit(folder))
                             .arg(form->devicePixelRatioF())
                             .arg(QGuiApplication::platformName());
    bool saved = SaveShot(*form, stem + "-floating");
    // The same, docked in the main window.
    if (auto* panel = form->findChild<QDockWidget*>("DynamicEditorDockPanel"))
        panel->setFloating(false);
    Wait(300);
    if (QWidget* box = editor->findChild<QWidget*>("VariableEdit"))
        box->setFocus(Qt::OtherFocusReason);
    editor->Editing().Play(-1);
    Wait(500);
    saved = SaveShot(*form, stem + "-docked") && saved;
    std::printf("a = %s, playing %d\n", editor->Editing().ValueText().c_str(), editor->Editing().Direction());
    form->SetModified(false);
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Configuration = DefaultConfiguration;
    Configuration.Accuracy = 10;
    Configuration.AutoAccuracy = false;
    Configuration.AngleFactor = RadiansFactor;
    PublishSettings();
    if (const char* folder = std::getenv("LUMACURVE_DYNAMIC_SHOTS"))
        return SaveShots(folder);
    RegisterBenchmarks();
    benchmark::Initialize(&argc, argv);
    TTableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    (void)reporter;
    const qreal ratio = Current ? Current->graph->devicePixelRatioF() : 1;
    if (Current)
        Builds += Current->editor->Editing().BackgroundBuilds() - 1;
    PrintTable("wall time", Samples, ratio);
    PrintTable("processor time of the thread", CpuSamples, ratio);
    std::printf("pictures of the rest rebuilt while playing: %d\n", Builds);
    benchmark::Shutdown();
    Current.reset();
    return 0;
}
