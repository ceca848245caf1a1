// The main window as the window benchmarks measure it: quiet, without the
// start-up screen or a default document, 1280 x 800, Accuracy 10 in radians,
// with the 18-curve standard set in its equations window, drawn once.
#pragma once

#include "app/lumacurveform.h"
#include "equations/equationswindow.h"
#include "graphwindow/graphwindow.h"
#include "settings/configuration.h"
#include "standardset.h"

#include <QCoreApplication>

#include <memory>

// The shown window; set gives its curves to the window's lines. Without SCREENSHOT the window is the
// program's as a user starts it (with its guide channel and start-up screen) rather than a picture's.
inline std::unique_ptr<TLumacurveForm> MakeStandardSetForm(standardset::TStandardSet& set,
                                                           bool screenshot = true)
{
    TStartOptions options;
    options.quiet = true;
    options.noDefaultDocument = true;
    options.screenshot = screenshot; // no start-up screen
    auto form = std::make_unique<TLumacurveForm>(options);
    form->resize(1280, 800);
    form->show();
    QCoreApplication::processEvents();
    Configuration.Accuracy = 10;
    Configuration.AutoAccuracy = false;
    Configuration.AngleFactor = RadiansFactor;
    PublishSettings();
    TEquationsWindow& equations = *form->Equations();
    for (auto& entry : set.curves)
        equations.InsertObject(std::move(entry.curve));
    form->GraphArea()->LinesChanged(0);
    form->GraphArea()->repaint();
    return form;
}
