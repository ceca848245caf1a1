// The graph window the window benchmarks measure: the 18-curve standard set
// on a shown 1280 x 800 graph window at Accuracy 10 with angles in radians,
// drawn once. Also the plain table of measures against their baselines the
// window benchmarks end with.
#pragma once

#include "graph/linesource.h"
#include "graphwindow/graphwindow.h"
#include "settings/configuration.h"
#include "standardset.h"
#include "tablereporter.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace setwindow {

constexpr int Width = 1280;
constexpr int Height = 800;

struct TWindowWorld {
    std::unique_ptr<standardset::TStandardSet> set;
    TOwnedLines lines;
    std::unique_ptr<TGraphWindow> window;
};

inline TWindowWorld* MakeWorld()
{
    auto* world = new TWindowWorld;
    Configuration = DefaultConfiguration;
    Configuration.Accuracy = 10;
    Configuration.AutoAccuracy = false;
    Configuration.AngleFactor = RadiansFactor;
    PublishSettings();
    world->set = standardset::MakeStandardSet();
    for (auto& entry : world->set->curves)
        world->lines.lines.push_back(std::move(entry.curve));
    world->window = std::make_unique<TGraphWindow>();
    world->window->resize(Width, Height);
    world->window->show();
    QCoreApplication::processEvents(); // exposed before the first repaint
    world->window->SetMouseMode(mmNone);
    world->window->SetLineSource(&world->lines);
    world->window->repaint();
    return world;
}

// One row of the table: a measure and its baseline (none: nullptr), by benchmark name.
struct TTableRow {
    const char *name, *measure, *baseline;
};

template <std::size_t N>
void PrintTable(const TTableReporter& reporter, const TWindowWorld& world, const TTableRow (&rows)[N])
{
    std::printf("\ndevice pixel ratio %.1f, %d x %d\nmeasure\tms\tbaseline_ms\tratio\n",
                world.window->devicePixelRatioF(), Width, Height);
    for (const auto& row : rows) {
        const double m = reporter.Milliseconds(row.measure),
                     b = row.baseline ? reporter.Milliseconds(row.baseline) : 0;
        std::printf("%s\t%.3f\t%.3f\t%.2f\n", row.name, m, b, b > 0 ? m / b : 0.0);
    }
}

} // namespace setwindow
