// The curve drag benchmark: moves of a dragged curve on a 1280 x 800 graph
// window in the main window, driven through the window's own mouse events
// (the drag matrices composed, the handles mapped, the line rewritten and
// laid out, the status line, the picture shown, the curve resampled), each
// move timed until the window has painted it. Measured: a whole move of
// y = x^3 - 3x alone, with the 18-curve standard set, and with six lines
// drawn from it (three tangents, a normal, its gradient and area
// functions); the press that starts a drag with the set; the quadratic
// y = x^2 - 4x + 3 moved whole and by its vertex handle. The baselines in
// the same run are the cubic plotted afresh, a copy of a picture of the
// window's size and the set's replay (every line drawn from its stored
// drawing). The tables give mean and 95th percentile times (wall and the
// thread's processor time) and the ratios the drag is held to. The moves
// with the set and with the dependants are measured with one curve worker
// too, beside the ones with a worker per core.
#include "app/lumacurveform.h"
#include "document/lineediting.h"
#include "equations/equationswindow.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "framesamples.h"
#include "geometry/derivedcurves.h"
#include "geometry/straightline.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "mouse/mousedrag.h"
#include "platform/canvas.h"
#include "plot/curveplotter.h"
#include "plot/dragpoint.h"
#include "plot/graphrenderer.h"
#include "plot/plotworkers.h"
#include "settings/configuration.h"
#include "standardset.h"
#include "tablereporter.h"
#include "typedlines.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Width = 1280;
constexpr int Height = 800;
constexpr int Moves = 600; // moves per drag row

const char* const Cubic = "y=x{^{3}-3x";
const char* const Quadratic = "y=x{^{2}-4x+3";

// What a world holds besides the dragged line.
enum class TScene { Alone, WithSet, WithDependants };

// The main window with its graph window at 1280 x 800 and the dragged line selected.
struct TWorld {
    std::unique_ptr<TLumacurveForm> form;
    TGraphWindow* graph = nullptr;
    int dragged = -1; // the dragged line's index
    int paints = 0;   // the graph window's paints
};

void Settle()
{
    // The move's repaint, the idle processing it arms and what that asks for.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

std::unique_ptr<TWorld> MakeWorld(TScene scene, const char* dragged)
{
    auto world = std::make_unique<TWorld>();
    TStartOptions options;
    options.quiet = true;
    options.noDefaultDocument = true;
    options.screenshot = true; // no start-up screen
    world->form = std::make_unique<TLumacurveForm>(options);
    world->form->resize(Width + 400, Height + 200);
    world->form->show();
    for (int i = 0; i < 500 && !(world->form->windowHandle() && world->form->windowHandle()->isExposed());
         ++i)
        Settle();
    Settle();
    // The form reads the settings it keeps: the benchmark's own come after.
    Configuration.Accuracy = 10;
    Configuration.AutoAccuracy = false;
    Configuration.AngleFactor = RadiansFactor;
    PublishSettings();
    world->graph = world->form->GraphArea();
    TWorld* counted = world.get();
    world->graph->PaintEvent = [counted, chained = world->graph->PaintEvent](bool before) {
        if (chained)
            chained(before);
        if (before)
            ++counted->paints;
    };
    // The form grows by what the graph window lacks of 1280 x 800.
    for (int i = 0; i < 6 && world->graph->size() != QSize(Width, Height); ++i) {
        world->form->resize(world->form->size() + QSize(Width, Height) - world->graph->size());
        Settle();
    }
    if (world->graph->size() != QSize(Width, Height))
        std::fprintf(stderr, "the graph window is %d x %d\n", world->graph->width(), world->graph->height());
    world->graph->Params().SetScales(std::make_unique<TRescaleDataTransfer>(-10, 10, -6.25L, 6.25L),
                                     world->graph);
    TEquationsWindow& equations = *world->form->Equations();
    std::unique_ptr<standardset::TStandardSet> set;
    if (scene == TScene::WithSet) {
        set = standardset::MakeStandardSet();
        equations.InsertObject(std::move(set->familyConstant));
        for (auto& entry : set->curves)
            equations.InsertObject(std::move(entry.curve));
    }
    Enter(equations, dragged);
    equations.ProcessChanges();
    world->dragged = equations.Count() - 1;
    if (scene == TScene::WithDependants) {
        auto* primary = dynamic_cast<TCurvePLotter*>(equations.List().ItemAt(world->dragged));
        auto number = [](Extended v) { return std::make_unique<TConstantEvaluator>(v); };
        std::vector<std::unique_ptr<TEquationObject>> dependants;
        for (Extended at : {-1.5L, 0.5L, 2.0L})
            dependants.push_back(std::make_unique<TTangent>(number(at), true, primary));
        dependants.push_back(std::make_unique<TTangent>(number(1.5L), false, primary));
        dependants.push_back(std::make_unique<TGradient>(primary));
        dependants.push_back(std::make_unique<TArea>(number(0), primary));
        for (auto& line : dependants) {
            line->SetDrawFlag(true);
            equations.InsertObject(std::move(line));
        }
        equations.ProcessChanges();
    }
    // A line just entered may count as selected already: the selection goes
    // and comes back, so that the graph hears of it.
    equations.SelectLine(-1);
    equations.SelectLine(world->dragged);
    Settle();
    world->graph->repaint();
    if (world->graph->SelectedIndex() != world->dragged) {
        std::fprintf(stderr, "the dragged line %d is not selected on the graph (%d; %d of %d selected)\n",
                     world->dragged, world->graph->SelectedIndex(), equations.SelectedIndex(),
                     equations.Count());
        std::exit(1);
    }
    return world;
}

void Send(TWorld& world, QEvent::Type type, QPoint at)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, world.graph->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(world.graph, &event);
}

[[nodiscard]] QPoint Pixel(TWorld& world, Extended x, Extended y)
{
    return world.graph->Params().Axes->ValueToPixel(x, y);
}

[[nodiscard]] TCurvePLotter* DraggedCurve(TWorld& world)
{
    return world.graph->CurveAt(world.dragged);
}

// Presses at; false (and a message) when the press started no drag of the expected kind.
bool Press(TWorld& world, QPoint at, bool handle)
{
    Send(world, QEvent::MouseButtonPress, at);
    auto* drag = dynamic_cast<TMouseDragCurve*>(world.graph->ActiveTool());
    const bool isHandle = dynamic_cast<TMouseDragPoint*>(drag) != nullptr;
    if (!drag || isHandle != handle) {
        std::fprintf(stderr, "the press at (%d, %d) started %s\n", at.x(), at.y(),
                     drag ? (isHandle ? "a handle drag" : "a whole drag") : "no drag");
        return false;
    }
    return true;
}

// A triangle wave: 0 at i = 0, between -amplitude and amplitude in steps of step.
int Wave(int i, int step, int amplitude)
{
    const int period = 4 * amplitude / step;
    const int phase = (i + period / 4) % period;
    const int half = period / 2;
    const int up = phase < half ? phase : period - phase;
    return up * step - amplitude;
}

// The pointer of move i of a drag pressed at from.
QPoint MovePixel(QPoint from, int i)
{
    return from + QPoint(Wave(i, 7, 210), Wave(i, 4, 80));
}

using framesamples::CpuSamples;
using framesamples::Mean;
using framesamples::Percentile;
using framesamples::Sample;
using framesamples::Samples;
std::map<std::string, std::string> Notes;

// A drag of Moves moves as one benchmark: the press and the release are not timed.
void DragRow(benchmark::State& state, const std::string& name, TScene scene, const char* line,
             TRealPoint press, bool handle)
{
    std::unique_ptr<TWorld> world = MakeWorld(scene, line);
    const QPoint from = Pixel(*world, press.x, press.y);
    if (!Press(*world, from, handle)) {
        state.SkipWithError("no drag");
        return;
    }
    Settle();
    int i = 0, painted = 0;
    const int paints = world->paints;
    for (auto _ : state) {
        const QPoint at = MovePixel(from, ++i);
        const int before = world->paints;
        Sample(name, [&] {
            Send(*world, QEvent::MouseMove, at);
            Settle();
        });
        painted += world->paints > before;
    }
    char note[160];
    std::snprintf(note, sizeof note, "%d of %d moves painted, %.2f paints a move", painted, i,
                  static_cast<double>(world->paints - paints) / std::max(1, i));
    Notes[name] = note;
    Send(*world, QEvent::MouseButtonRelease, MovePixel(from, i));
    Settle();
    world->form->SetModified(false);
}

std::unique_ptr<TWorld> SetWorld;

// Closes the main window of the set, if open (unmodified: nothing to ask).
void CloseSetWorld()
{
    if (SetWorld)
        SetWorld->form->SetModified(false);
    SetWorld.reset();
}

TWorld& WithSet()
{
    if (!SetWorld)
        SetWorld = MakeWorld(TScene::WithSet, Cubic);
    return *SetWorld;
}

// A white picture of the graph window's size and pixel ratio.
QImage BlankPicture(TWorld& world)
{
    const qreal ratio = world.graph->devicePixelRatioF();
    QImage image(QSize(Width, Height) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    return image;
}

void RegisterBenchmarks()
{
    const TRealPoint onCubic{-2.2L, -2.2L * -2.2L * -2.2L + 6.6L};
    const TRealPoint onQuadratic{4, 3}, vertex{2, -1};
    benchmark::RegisterBenchmark("baseline/plot of y=x^3-3x afresh",
                                 [](benchmark::State& state) {
                                     TWorld& world = WithSet();
                                     QImage image = BlankPicture(world);
                                     TCurvePLotter* curve = DraggedCurve(world);
                                     TGraphParams& params = world.graph->Params();
                                     const QRect all(0, 0, Width, Height);
                                     for (auto _ : state)
                                         Sample("plot", [&] {
                                             Canvas canvas(&image);
                                             canvas.SetFont(world.graph->GraphFont());
                                             params.PaintRect = &all;
                                             curve->DiscardLineStore();
                                             curve->DrawOnGraph(canvas, params);
                                             params.PaintRect = nullptr;
                                         });
                                     world.graph->LinesChanged(0);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(300);
    // Not a goal's baseline: the light band under the selected line, which
    // a drag draws at every move as the full repaint does.
    benchmark::RegisterBenchmark("part/halo of y=x^3-3x",
                                 [](benchmark::State& state) {
                                     TWorld& world = WithSet();
                                     QImage image = BlankPicture(world);
                                     TCurvePLotter* curve = DraggedCurve(world);
                                     world.graph->repaint(); // the curve's drawing is stored
                                     for (auto _ : state)
                                         Sample("halo", [&] {
                                             Canvas canvas(&image);
                                             TGraphRenderer::DrawHalo(canvas, *curve);
                                         });
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(300);
    benchmark::RegisterBenchmark("baseline/picture copy",
                                 [](benchmark::State& state) {
                                     const QImage picture = WithSet().graph->CopyScreen();
                                     for (auto _ : state)
                                         Sample("copy", [&] {
                                             QImage copy = picture.copy();
                                             benchmark::DoNotOptimize(copy.constBits());
                                         });
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(300);
    benchmark::RegisterBenchmark("baseline/replay of the set",
                                 [](benchmark::State& state) {
                                     TWorld& world = WithSet();
                                     world.graph->repaint();
                                     for (auto _ : state)
                                         Sample("replay", [&] {
                                             world.graph->LinesChanged(0);
                                             world.graph->repaint();
                                         });
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(100);
    benchmark::RegisterBenchmark("press/with the standard set",
                                 [onCubic](benchmark::State& state) {
                                     TWorld& world = WithSet();
                                     for (auto _ : state) {
                                         // Where the curve is now (each release commits it afresh).
                                         const QPoint at = Pixel(world, onCubic.x, onCubic.y);
                                         bool started = false;
                                         Sample("press", [&] {
                                             started = Press(world, at, false);
                                             Settle();
                                         });
                                         if (!started) {
                                             state.SkipWithError("no drag");
                                             break;
                                         }
                                         Send(world, QEvent::MouseButtonRelease, at);
                                         Settle();
                                     }
                                     world.form->SetModified(false);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(100);
    struct TDragRow {
        const char* name;
        std::string key;
        TScene scene;
        const char* line;
        TRealPoint press;
        bool handle;
        int workers = 0; // the curve workers: 0 one per core
    };
    const TDragRow drags[] = {
        {"move/y=x^3-3x alone", "alone", TScene::Alone, Cubic, onCubic, false},
        {"move/with the standard set", "with set", TScene::WithSet, Cubic, onCubic, false},
        {"move/with the standard set, 1 worker", "with set, 1 worker", TScene::WithSet, Cubic, onCubic, false,
         1},
        {"move/with six dependants", "dependants", TScene::WithDependants, Cubic, onCubic, false},
        {"move/with six dependants, 1 worker", "dependants, 1 worker", TScene::WithDependants, Cubic, onCubic,
         false, 1},
        {"move/y=x^2-4x+3 whole", "quadratic whole", TScene::Alone, Quadratic, onQuadratic, false},
        {"move/y=x^2-4x+3 by its vertex handle", "quadratic handle", TScene::Alone, Quadratic, vertex, true},
    };
    for (const TDragRow& row : drags)
        benchmark::RegisterBenchmark(row.name,
                                     [row](benchmark::State& state) {
                                         CloseSetWorld(); // one main window at a time
                                         SetPlotWorkerCount(row.workers);
                                         DragRow(state, row.key, row.scene, row.line, row.press, row.handle);
                                         SetPlotWorkerCount(0);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(Moves);
}

void PrintTable(const char* title, std::map<std::string, std::vector<double>>& samples)
{
    std::printf("\n%s; graph %d x %d, %d moves a drag, %d curve workers unless 1 is said\n", title, Width,
                Height, Moves, PlotWorkerCount());
    std::printf("measure\tmean_ms\tp95_ms\n");
    const std::pair<const char*, const char*> rows[] = {
        {"move y=x^3-3x alone", "alone"},
        {"move with the standard set", "with set"},
        {"move with the standard set, 1 worker", "with set, 1 worker"},
        {"move with six dependants", "dependants"},
        {"move with six dependants, 1 worker", "dependants, 1 worker"},
        {"move y=x^2-4x+3 whole", "quadratic whole"},
        {"move y=x^2-4x+3 by its vertex handle", "quadratic handle"},
        {"press with the standard set", "press"},
        {"baseline: y=x^3-3x plotted afresh", "plot"},
        {"baseline: picture copy", "copy"},
        {"baseline: replay of the set", "replay"},
        {"part of a move: halo of y=x^3-3x", "halo"},
    };
    for (const auto& [label, key] : rows)
        std::printf("%s\t%.3f\t%.3f\n", label, Mean(samples[key]), Percentile(samples[key], 0.95));
    const double alone = Percentile(samples["alone"], 0.95);
    const double plot = Percentile(samples["plot"], 0.5), copy = Percentile(samples["copy"], 0.5);
    const double replay = Percentile(samples["replay"], 0.5);
    auto goal = [](const char* what, double value, double limit) {
        std::printf("%s\t%.2f\t<= %.2f\t%s\n", what, value, limit, value <= limit ? "yes" : "no");
    };
    std::printf("goal\tvalue\tlimit\tmet\n");
    goal("p95 move alone / (median plot + median copy)", alone / (plot + copy), 3);
    std::printf("(not a goal) p95 move alone / (median plot + median copy + median halo)\t%.2f\n",
                alone / (plot + copy + Percentile(samples["halo"], 0.5)));
    goal("p95 move with the set / alone", Percentile(samples["with set"], 0.95) / alone, 1.25);
    goal("p95 move with six dependants / alone", Percentile(samples["dependants"], 0.95) / alone, 1.25);
    goal("median press / median replay of the set", Percentile(samples["press"], 0.5) / replay, 1.5);
    goal("p95 press / p95 replay of the set",
         Percentile(samples["press"], 0.95) / Percentile(samples["replay"], 0.95), 1.5);
    goal("p95 quadratic handle move / p95 quadratic whole move",
         Percentile(samples["quadratic handle"], 0.95) / Percentile(samples["quadratic whole"], 0.95), 2);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The main windows keep their settings in a folder of their own, not the user's.
    QTemporaryDir settingsDir;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    Configuration = DefaultConfiguration;
    Configuration.Accuracy = 10;
    Configuration.AutoAccuracy = false;
    Configuration.AngleFactor = RadiansFactor;
    PublishSettings();
    RegisterBenchmarks();
    benchmark::Initialize(&argc, argv);
    TTableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintTable("wall time", Samples);
    PrintTable("processor time of the thread", CpuSamples);
    for (const auto& [name, note] : Notes)
        std::printf("%s: %s\n", name.c_str(), note.c_str());
    benchmark::Shutdown();
    CloseSetWorld();
    return 0;
}
