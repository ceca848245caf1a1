// The main window under a decimal-comma locale: documents saved and opened
// there hold and read the numbers exactly as under the C locale, so a
// document travels between a German and an English machine unchanged, and a
// file of number pairs with decimal points opens.
#include "commalocale.h"
#include "equations/equationswindow.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graph/rescaledatatransfer.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "settings/configuration.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

const QString Example = QStringLiteral(LUMACURVE_SOURCE_DIR "/resources/examples/Trigonometry.lcv");

class LocaleForm : public QuietFormTest<TLumacurveForm> {
protected:
    // The example's scales: x from -6.5 to 6.5, y from -5 to 5.
    void ExpectExampleScales()
    {
        const TRescaleDataTransfer& scales = *form->GraphArea()->Params().Axes->Scales;
        EXPECT_NEAR(static_cast<double>(scales.XMinValue()), -6.5, 1e-9);
        EXPECT_NEAR(static_cast<double>(scales.XMaxValue()), 6.5, 1e-9);
        EXPECT_NEAR(static_cast<double>(scales.YMinValue()), -5, 1e-9);
        EXPECT_NEAR(static_cast<double>(scales.YMaxValue()), 5, 1e-9);
    }
    // The scales in force: x from, x to, y from, y to.
    std::vector<Extended> CurrentScales()
    {
        const TRescaleDataTransfer& scales = *form->GraphArea()->Params().Axes->Scales;
        return {scales.XMinValue(), scales.XMaxValue(), scales.YMinValue(), scales.YMaxValue()};
    }
};

} // namespace

TEST_F(LocaleForm, SaveAndOpenKeepEveryNumberUnderADecimalCommaLocale)
{
    // In a fresh window: open the example, save it, open what was saved.
    struct TRound {
        QByteArray saved;
        QString message;
        std::vector<Extended> scales;
    };
    auto round = [&](const QString& name) {
        TRound result;
        form.reset();
        form = MakeQuietForm<TLumacurveForm>();
        EXPECT_NE(form, nullptr);
        if (!form)
            return result;
        EXPECT_TRUE(form->OpenFile(Example));
        EXPECT_FALSE(form->LastMessage().contains("I got stuck")) << form->LastMessage().toStdString();
        ExpectExampleScales();
        EXPECT_EQ(form->Equations()->Count(), 4);
        const QString path = dir.filePath(name);
        EXPECT_TRUE(form->SaveDocument(path));
        result.saved = Read(path);
        EXPECT_TRUE(form->OpenFile(path));
        EXPECT_EQ(form->Equations()->Count(), 4);
        result.message = form->LastMessage();
        result.scales = CurrentScales();
        return result;
    };
    const TRound plain = round("plain.lcv");
    const commalocale::TScope comma;
    ASSERT_TRUE(comma.Ready()) << comma.Why();
    const TRound german = round("comma.lcv");
    ASSERT_NE(form, nullptr);

    const QByteArray& bytes = german.saved;
    EXPECT_TRUE(bytes.contains("\t\tmin = -6.500000E+0000\r\n\t\tmax =  6.500000E+0000\r\n")) << bytes.data();
    EXPECT_FALSE(QString::fromLatin1(bytes).contains(QRegularExpression("\\d,\\d{6}E"))) << bytes.data();
    EXPECT_EQ(bytes, plain.saved);
    // What was saved there opens there as it opens under the C locale: the
    // window place and the scales are read, nothing more is reported.
    EXPECT_EQ(german.message.toStdString(), plain.message.toStdString());
    EXPECT_FALSE(german.message.contains("out of range")) << german.message.toStdString();
    EXPECT_EQ(german.scales, plain.scales);
}

TEST_F(LocaleForm, NumberPairsWithDecimalPointsOpenUnderADecimalCommaLocale)
{
    const commalocale::TScope comma;
    ASSERT_TRUE(comma.Ready()) << comma.Why();
    const QString pairs = dir.filePath("pairs.txt");
    QFile file(pairs);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0.5,1.25\r\n-2.75,3\r\n");
    file.close();
    ASSERT_TRUE(form->OpenFile(pairs)) << form->LastMessage().toStdString();
    ASSERT_EQ(form->Equations()->Count(), 1);
    const std::string record = form->Equations()->List().LineMarkup(0);
    const QString saved = dir.filePath("pairs.lcv");
    ASSERT_TRUE(form->SaveDocument(saved));
    EXPECT_TRUE(Read(saved).contains("\t\t( 5.000000E-0001, 1.250000E+0000)\r\n"
                                     "\t\t(-2.750000E+0000, 3.000000E+0000)\r\n"))
        << Read(saved).data() << record;
}
