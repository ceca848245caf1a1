// The Stats menu in the main window as a teacher uses it: best-fit and
// regression commands add their line under the selected data set, Fit
// polynomial under a shape of a few points, the Statistics window follows
// the selection and copies its grids, and the options dialogs choose what
// it and a statistics line show.
#include "app/coordinateeditor.h"
#include "app/lumacurveform.h"
#include "app/shapework.h"
#include "app/statsdisplay.h"
#include "app/statsoptionsdlg.h"
#include "app/statswork.h"
#include "equations/equationswindow.h"
#include "formula/markup.h"
#include "geometry/bestfit.h"
#include "geometry/coordcurve.h"
#include "mainwindow_testing.h"
#include "testpictures.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDockWidget>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

namespace {

class StatsWindow : public GraphFormTest {
protected:
    void TearDown() override
    {
        GraphFormTest::TearDown();
        StatsOptions = TStatsOptions{};
    }
    // Opens number pairs as the program opens them: one data set.
    void OpenPairs(const char* text)
    {
        const QString path = settingsDir.filePath("set.txt");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        ASSERT_TRUE(form->OpenFile(path));
    }
    void Select(int index)
    {
        // As a click on another line selects it (a click on the selected line would edit it).
        if (equations->SelectedIndex() != index)
            equations->SelectLine(index);
        form->UpdateCommands();
        ASSERT_EQ(equations->SelectedIndex(), index);
    }
    // Answers the next modal dialog: ticks or clears the box named, then OK (or Escape).
    static void AnswerOptions(const char* box, bool ok)
    {
        QTimer::singleShot(50, [box, ok] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            if (auto* check = modal->findChild<QCheckBox*>(box))
                QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(4, check->height() / 2));
            if (ok)
                QTest::keyClick(modal, Qt::Key_Return);
            else
                QTest::keyClick(modal, Qt::Key_Escape);
        });
    }
    TStatsWork& Stats() const { return *form->Stats(); }
    std::string Shown() const { return Stats().Display()->GridsText(); }
};

const std::string DefaultGrids =
    "\tx\ty\r\nMean\t2\t4.33\r\nRange\t2\t5\r\nStandard deviation\t0.82\t2.05\r\n"
    "Number of values\t3\r\n";

TEST_F(StatsWindow, FitCommandsAddTheirLineUnderTheSetTheyFollow)
{
    OpenPairs("1,2\r\n2,4\r\n3,7\r\n");
    struct TRow {
        const char* command;
        const std::type_info& kind;
    };
    const TRow rows[] = {
        {"ActionBestFit", typeid(TBestFitStraight)},
        {"ActionBestFityonx", typeid(TBestFityonx)},
        {"ActionBestFitxony", typeid(TBestFitxony)},
        {"ActionBestFItQuad", typeid(TBestFitQuad)},
        {"ActionBestExponential", typeid(TBestFitexponential)},
        {"ActionBestFitln", typeid(TBestFitlog)},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.command);
        Select(0);
        ASSERT_TRUE(Enabled(row.command));
        const int before = equations->Count();
        ASSERT_TRUE(form->Commands().Trigger(row.command));
        ASSERT_EQ(equations->Count(), before + 1);
        auto* fit = dynamic_cast<TBestFit*>(Last());
        ASSERT_NE(fit, nullptr);
        EXPECT_EQ(typeid(*fit), row.kind);
        EXPECT_EQ(fit->DataSet(), equations->ItemAt(0));
        EXPECT_FALSE(fit->Failed);
    }
    // Each line took a colour of its own.
    EXPECT_NE(equations->ItemAt(1)->colour, equations->ItemAt(2)->colour);
    // A polynomial goes through a coordinate list's points, not a data set's.
    Select(0);
    EXPECT_FALSE(Enabled("ActionFitPolynomial"));
    TypeLine("y=x");
    Select(equations->Count() - 1);
    EXPECT_FALSE(Enabled("ActionBestFit"));
    EXPECT_FALSE(Enabled("ActionFitPolynomial"));
    // A shape of three points typed in the coordinate editor.
    ASSERT_TRUE(form->Commands().Trigger("ActionNewShape"));
    TCoordinateEditor* editor = form->Shapes()->Editor();
    for (const char* row : {"1,1", "2,4", "3,9"}) {
        QTest::keyClicks(editor->Grid(), row);
        QTest::keyClick(editor->Grid(), Qt::Key_Return);
    }
    ASSERT_TRUE(editor->Finish());
    Select(equations->Count() - 1);
    ASSERT_TRUE(dynamic_cast<TCoordCurve*>(equations->SelectedObject()));
    EXPECT_FALSE(Enabled("ActionBestFit"));
    ASSERT_TRUE(Enabled("ActionFitPolynomial"));
    ASSERT_TRUE(form->Commands().Trigger("ActionFitPolynomial"));
    auto* polynomial = dynamic_cast<TBestFitPoly*>(Last());
    ASSERT_NE(polynomial, nullptr);
    EXPECT_EQ(polynomial->InfoText(), ":  y=x{^{2}");
}

TEST_F(StatsWindow, TheWindowFollowsTheSelectedSetAndCopiesItsGrids)
{
    OpenPairs("1,2\r\n2,4\r\n3,7\r\n");
    TypeLine("y=x");
    Select(0);
    QDockWidget* panel = Stats().Panel();
    EXPECT_FALSE(panel->isVisible());
    ASSERT_TRUE(form->Commands().Trigger("ActionShowStats"));
    ASSERT_TRUE(panel->isVisible());
    EXPECT_EQ(Shown(), DefaultGrids);
    EXPECT_FALSE(Stats().Display()->AxisGrid()->isHidden());

    // Copy puts both grids on the clipboard as they stand.
    Stats().Display()->CopyAction()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), DefaultGrids);

    // Another line empties the grids; the set again fills them.
    Select(1);
    EXPECT_EQ(Shown(), "");
    Select(0);
    EXPECT_EQ(Shown(), DefaultGrids);

    // The set changes (Swap x and y): the window follows.
    ASSERT_TRUE(form->Commands().Trigger("ActionSwapxy"));
    WaitFor([&] { return Shown() != DefaultGrids; });
    EXPECT_EQ(Shown(), "\tx\ty\r\nMean\t4.33\t2\r\nRange\t5\t2\r\nStandard deviation\t2.05\t0.82\r\n"
                       "Number of values\t3\r\n");
    form->resize(1100, 700);
    WaitForPicture();
    KeepForInspection(form->grab().toImage(), "stats-window.png");
    {
        TStatsOptions options;
        TStatsOptionsDialog dialog(options, form.get());
        dialog.show();
        KeepForInspection(dialog.grab().toImage(), "stats-options-dialog.png");
    }

    // The set leaves the list: the window lets go of it.
    equations->ClearAll();
    EXPECT_EQ(Stats().Display()->Shown(), nullptr);
    EXPECT_EQ(Shown(), "");

    // Opening a document hides the window.
    OpenPairs("1,2\r\n2,4\r\n3,7\r\n");
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(StatsWindow, OptionsChooseWhatTheWindowShowsAndCancelKeepsThem)
{
    OpenPairs("1,2\r\n2,4\r\n3,7\r\n");
    Select(0);
    ASSERT_TRUE(form->Commands().Trigger("ActionShowStats"));
    WaitForPicture();
    form->SetModified(false);
    QCoreApplication::processEvents();
    ASSERT_FALSE(form->Modified());

    // Cancel: nothing changes.
    AnswerOptions("ShowMedianCheck", false);
    ASSERT_TRUE(form->Commands().Trigger("ActionStatsOptions"));
    EXPECT_EQ(Shown(), DefaultGrids);
    EXPECT_FALSE(form->Modified());

    // OK with Median: a median row after the mean; with y off, one column.
    AnswerOptions("ShowMedianCheck", true);
    ASSERT_TRUE(form->Commands().Trigger("ActionStatsOptions"));
    EXPECT_EQ(Shown(), "\tx\ty\r\nMean\t2\t4.33\r\nMedian\t2\t4\r\nRange\t2\t5\r\n"
                       "Standard deviation\t0.82\t2.05\r\nNumber of values\t3\r\n");
    EXPECT_TRUE(form->Modified());
    AnswerOptions("ShowyCheck", true);
    ASSERT_TRUE(form->Commands().Trigger("ActionStatsOptions"));
    EXPECT_EQ(
        Shown(),
        "\tx\r\nMean\t2\r\nMedian\t2\r\nRange\t2\r\nStandard deviation\t0.82\r\nNumber of values\t3\r\n");
    // Neither axis: the per-axis grid hides and copies nothing.
    AnswerOptions("ShowxCheck", true);
    ASSERT_TRUE(form->Commands().Trigger("ActionStatsOptions"));
    EXPECT_TRUE(Stats().Display()->AxisGrid()->isHidden());
    EXPECT_EQ(Shown(), "Number of values\t3\r\n");

    // The printout paints the cells.
    QImage page(600, 200, QImage::Format_ARGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        Stats().Display()->PaintGrids(painter);
    }
    EXPECT_GT(DarkPixelsNear(page, QPoint(40, 10)), 0);
}

TEST_F(StatsWindow, AStatisticsLineHasItsOwnOptionsFromThePopup)
{
    OpenPairs("1,2\r\n2,4\r\n3,7\r\n");
    Select(0);
    ASSERT_TRUE(equations->AddLineWith(ElementsFromText("Stats:  "), 0, true, 0));
    ASSERT_TRUE(equations->FinishEdit());
    auto* line = dynamic_cast<TDisplayStatsCurve*>(Last());
    ASSERT_NE(line, nullptr);
    EXPECT_FALSE(line->Options.flags[soMedian]);

    QAction* options = nullptr;
    for (QAction* action : form->GraphPopup()->actions())
        if (action->text() == "Stats options")
            options = action;
    ASSERT_NE(options, nullptr);
    Stats().PopupOpening(equations->ItemAt(0));
    EXPECT_FALSE(options->isVisible());
    Stats().PopupOpening(line);
    ASSERT_TRUE(options->isVisible());
    ASSERT_TRUE(options->isEnabled());
    form->SetModified(false);
    AnswerOptions("ShowMedianCheck", true);
    options->trigger();
    EXPECT_TRUE(line->Options.flags[soMedian]);
    EXPECT_NE(line->InfoText().find("Median x=2"), std::string::npos) << line->InfoText();
    EXPECT_TRUE(form->Modified());
    // The program's own options stay as they were.
    EXPECT_FALSE(StatsOptions.flags[soMedian]);
}

} // namespace
