// Shared by the main window tests: a shown, quiet main window without the
// default document (message boxes' texts go to standard error and
// LastMessage), a form whose questions the test answers, and a fixture
// holding a form and a scratch folder. The user's settings and data folders
// are the test's own (tests/testmain.cpp).
#pragma once

#include "app/lumacurveform.h"
#include "equations/equationswindow.h"
#include "formula/equationobject.h"
#include "formula/formulalayout.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "settings/configuration.h"

#include <QAction>
#include <QByteArray>
#include <QFile>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

// Waits up to a few seconds for a condition, handling events (gtest does not
// see QTest's failures); the condition's last answer.
template <class Condition> bool WaitFor(Condition condition, int milliseconds = 3000)
{
    for (int waited = 0; !condition() && waited < milliseconds; waited += 10)
        QTest::qWait(10);
    return condition();
}

// Puts back the program-wide settings a test's window may have changed
// (the settings record, the equations font, the background, whiteboard
// legibility and the stored whiteboard preferences).
inline void ResetProgramState()
{
    TLumacurveForm::ForgetWhiteboardPreferences();
    Configuration = DefaultConfiguration;
    PublishSettings();
    EquationsFontName = "DejaVu Sans";
    EquationsFontHeight = -16;
    FormulaFontName = "DejaVu Sans";
    FormulaReferenceHeight = 16;
    (void)SetFormulaHeight(16);
    BackgroundColour = clWhite;
    HighContrast = false;
    DefaultLineThickness = 1;
}

// The options of a test's start: nothing on the command line, no default document.
inline TStartOptions TestStartOptions()
{
    TStartOptions options;
    options.noDefaultDocument = true;
    return options;
}

// Makes and shows a quiet form of type Form; nullptr when it was never exposed.
template <class Form> std::unique_ptr<Form> MakeQuietForm(TStartOptions options = TestStartOptions())
{
    options.quiet = true;
    auto form = std::make_unique<Form>(options);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    QCoreApplication::processEvents();
    return form;
}

// A form whose save question, save dialog and closing question the test
// answers, counting how often each was asked.
class TAnsweringForm : public TLumacurveForm {
public:
    using TLumacurveForm::TLumacurveForm;
    int saveAnswer = QMessageBox::No;
    int saveAsked = 0;
    QString saveName;          // the name the save dialog answers (empty: Cancel)
    QStringList saveSuggested; // what each save dialog suggested
    bool closeEquationsAnswer = true;
    int closeEquationsAsked = 0;

protected:
    int SaveQuestion() override
    {
        ++saveAsked;
        return saveAnswer;
    }
    QString AskSaveFileName(const QString& suggested) override
    {
        saveSuggested << suggested;
        return saveName;
    }
    bool ConfirmClosingEquations() override
    {
        ++closeEquationsAsked;
        return closeEquationsAnswer;
    }
};

// A shown quiet form of type Form and a scratch folder, for one test.
template <class Form> class QuietFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = MakeQuietForm<Form>();
        ASSERT_NE(form, nullptr);
    }
    void TearDown() override
    {
        if (form)
            form->SetModified(false);
        form.reset();
        ResetProgramState();
    }
    // The bytes of a file; empty when it cannot be read.
    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    std::unique_ptr<Form> form;
};

// Dark pixels in a 5 by 5 box around a point (in window units) of a grabbed picture.
inline int DarkPixelsNear(const QImage& picture, QPoint point)
{
    const QPoint at = (QPointF(point) * picture.devicePixelRatio()).toPoint();
    int dark = 0;
    for (int y = at.y() - 2; y <= at.y() + 2; ++y)
        for (int x = at.x() - 2; x <= at.x() + 2; ++x)
            if (picture.rect().contains(x, y) && qGray(picture.pixel(x, y)) < 128)
                ++dark;
    return dark;
}

// A shown quiet main window with its equations and graph windows, for tests
// that work on the graph with the mouse; the equations window has the focus.
class GraphFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
        Configuration = DefaultConfiguration;
        form = MakeQuietForm<TLumacurveForm>();
        ASSERT_NE(form, nullptr);
        graph = form->GraphArea();
        equations = form->Equations();
        equations->setFocus();
    }
    void TearDown() override
    {
        if (form)
            form->SetModified(false);
        form.reset();
        ResetProgramState();
    }
    // Waits until the graph window has drawn every line.
    void WaitForPicture()
    {
        WaitFor([this] { return graph->RepaintFrom() == std::numeric_limits<int>::max(); });
    }
    // Types a line into the equations window and enters it.
    void TypeLine(const QString& text)
    {
        QTest::keyClicks(equations, text);
        QTest::keyClick(equations, Qt::Key_Return);
        WaitForPicture();
    }
    [[nodiscard]] QPoint Pixel(Extended x, Extended y) const
    {
        return graph->Params().Axes->ValueToPixel(x, y);
    }
    [[nodiscard]] TEquationObject* Last() const { return equations->ItemAt(equations->Count() - 1); }
    [[nodiscard]] bool Enabled(const char* name) const { return form->Commands().Action(name)->isEnabled(); }

    QTemporaryDir settingsDir;
    std::unique_ptr<TLumacurveForm> form;
    TGraphWindow* graph = nullptr;
    TEquationsWindow* equations = nullptr;
};
