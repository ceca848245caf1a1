// Shared by the main window tests: a shown, quiet main window without the
// default document (message boxes' texts go to standard error and LastMessage),
// a form whose save question the test answers, and a fixture holding a form
// and a scratch folder. The user's settings and data folders are the test's
// own (tests/testmain.cpp).
#pragma once

#include "app/lumacurveform.h"
#include "settings/configuration.h"

#include <QByteArray>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// Makes and shows a quiet form of type Form; nullptr when it was never exposed.
template <class Form> std::unique_ptr<Form> MakeQuietForm()
{
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

// A form whose save question is answered by the test, which counts the questions.
class TAnsweringForm : public TLumacurveForm {
public:
    using TLumacurveForm::TLumacurveForm;
    int answer = QMessageBox::No;
    int asked = 0;

protected:
    int SaveQuestion() override
    {
        ++asked;
        return answer;
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
        Configuration = DefaultConfiguration;
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
