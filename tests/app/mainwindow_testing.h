// Shared by the main window tests: a shown, quiet main window without the
// default document (message boxes' texts go to standard error and LastMessage).
#pragma once

#include "app/lumacurveform.h"

#include <QStandardPaths>
#include <QTest>

#include <memory>

// Makes and shows a quiet form of type Form; nullptr when it was never exposed.
template <class Form> std::unique_ptr<Form> MakeQuietForm()
{
    QStandardPaths::setTestModeEnabled(true);
    TStartOptions options;
    options.quiet = true;
    options.noDefaultDocument = true;
    auto form = std::make_unique<Form>(options);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    QCoreApplication::processEvents();
    return form;
}
