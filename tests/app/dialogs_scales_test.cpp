// The Rescale and Arrange scale list dialogs driven as a user drives them:
// typed ranges applied and taken back by Escape, a validation message in an
// OK-only box keeping the dialog open, Autoscale for the curve shown, Enter
// finishing as OK, and rows of the scale list clicked, dragged and deleted.
#include "app/arrangeaxes.h"
#include "app/rescaledialog.h"
#include "equations/equationswindow.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "plot/curveplotter.h"

#include "dialogtesting.h"
#include "mainwindow_testing.h"
#include "testpictures.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace {

class ScaleDialogs : public QuietFormTest<TLumacurveForm> {
protected:
    void SetUp() override
    {
        QuietFormTest::SetUp();
        ASSERT_TRUE(form);
        graph = form->GraphArea();
        params = &graph->Params();
    }
    [[nodiscard]] Extended XMax() const { return params->Axes->XAxis->Max; }
    [[nodiscard]] Extended YMax() const { return params->Axes->YAxis->Max; }
    void TypeLine(const char* text)
    {
        QTest::keyClicks(form->Equations(), text);
        QTest::keyClick(form->Equations(), Qt::Key_Return);
        QApplication::processEvents();
    }
    std::vector<TCurvePLotter*> Curves() const
    {
        std::vector<TCurvePLotter*> curves;
        for (int i = 0; i < form->Equations()->Count(); ++i)
            if (auto* curve = dynamic_cast<TCurvePLotter*>(form->Equations()->ItemAt(i)))
                curves.push_back(curve);
        return curves;
    }
    void Store(int count)
    {
        for (int n = 1; n <= count; ++n)
            ASSERT_TRUE(params->SetScales(std::make_unique<TRescaleDataTransfer>(-n, n, -n, n), graph));
    }

    TGraphWindow* graph = nullptr;
    TGraphParams* params = nullptr;
    TBoxAnswerer boxes;
};

double D(Extended x)
{
    return static_cast<double>(x);
}

} // namespace

TEST_F(ScaleDialogs, ApplyShowsTheScalesAtOnceAndEscapeTakesThemBack)
{
    const Extended before = XMax();
    const std::size_t stored = params->History.size();
    TRescaleDialog dialog(*params, graph, {}, -1, form.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "Rescale");
    EXPECT_FALSE(dialog.AutoscaleButton()->isEnabled()); // no curve to scale by
    TypeInto(dialog.Editor(0), "-3");
    TypeInto(dialog.Editor(1), "3");
    QTest::mouseClick(dialog.ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(D(XMax()), 3);
    EXPECT_TRUE(dialog.isVisible());
    TypeInto(dialog.Editor(1), "5");
    QTest::mouseClick(dialog.ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(D(XMax()), 5);
    EXPECT_EQ(params->History.size(), stored + 1);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(D(XMax()), D(before));
    EXPECT_EQ(params->History.size(), stored);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(ScaleDialogs, InvalidEntriesShowTheMessageAndOKStaysOpenUntilCancel)
{
    const Extended before = XMax();
    TRescaleDialog dialog(*params, graph, {}, -1, form.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    TypeInto(dialog.Editor(2), "2");
    TypeInto(dialog.Editor(3), "2");
    QTest::mouseClick(dialog.OKButton(), Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "Value of y is out of range");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.EntriesValid());
    // The failed attempt keeps the entries changed: OK checks them again.
    QTest::mouseClick(dialog.OKButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(boxes.texts.size(), 2u);
    EXPECT_TRUE(dialog.isVisible());
    dialog.reject();
    EXPECT_EQ(D(XMax()), D(before));
    EXPECT_TRUE(params->History.empty());
}

TEST_F(ScaleDialogs, AnEntryThatCannotBeReadIsShownInTheDialog)
{
    TRescaleDialog dialog(*params, graph, {}, -1, form.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    TypeInto(dialog.Editor(1), "2+");
    QTest::mouseClick(dialog.ApplyButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_FALSE(dialog.findChild<QLabel*>("RescaleError")->text().trimmed().isEmpty());
    EXPECT_FALSE(dialog.Model().Applied());
}

TEST_F(ScaleDialogs, AutoscaleUsesTheCurveShownAndLeavesTheOtherAxisAsTyped)
{
    TypeLine("y=x+10");
    const auto curves = Curves();
    ASSERT_EQ(curves.size(), 1u);
    TRescaleDialog dialog(*params, graph, curves, 0, form.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.AutoscaleButton()->text(), "Autoscale y");
    KeepForInspection(dialog.grab().toImage(), "rescale.png");
    const std::string xmin = TextOf(dialog.Editor(0));
    QTest::mouseClick(dialog.AutoscaleButton(), Qt::LeftButton);
    EXPECT_EQ(TextOf(dialog.Editor(0)), xmin);
    // Around y = 10: the x values sampled over -8 to 8 give y from about 2 to 18.
    EXPECT_NE(TextOf(dialog.Editor(3)), "5.7");
    EXPECT_GT(std::stod(TextOf(dialog.Editor(3))), 10);
    EXPECT_FALSE(dialog.Model().Applied()); // nothing applied yet
    QTest::mouseClick(dialog.OKButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_GT(D(YMax()), 10);
}

TEST_F(ScaleDialogs, EnterInAnEntryFinishesAsOKAndLaterEditsAreNotApplied)
{
    TRescaleDialog dialog(*params, graph, {}, -1, form.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    TypeInto(dialog.Editor(1), "4");
    QTest::mouseClick(dialog.ApplyButton(), Qt::LeftButton);
    TypeInto(dialog.Editor(1), "6");
    QTest::keyClick(dialog.Editor(1), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(D(XMax()), 4);
}

TEST_F(ScaleDialogs, TheRescaleCommandOpensTheDialogAndUpdatesTheScaleListCommands)
{
    ASSERT_FALSE(form->Commands().Action("ActionLastScales")->isEnabled());
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<TRescaleDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        TypeInto(dialog->Editor(1), "7");
        QTest::mouseClick(dialog->OKButton(), Qt::LeftButton);
    });
    ASSERT_TRUE(form->Commands().Trigger("ActionRescale"));
    EXPECT_EQ(D(XMax()), 7);
    EXPECT_TRUE(form->Modified());
    EXPECT_TRUE(form->Commands().Action("ActionLastScales")->isEnabled());
}

TEST_F(ScaleDialogs, ArrangeRowsAreClickedDraggedAndDeleted)
{
    Store(3); // in force 3; stored 2, 1 and the default 8
    TArrangeAxes dialog(*params, graph, form.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "Arrange scale list");
    KeepForInspection(dialog.grab().toImage(), "arrange.png");
    TScaleRows* rows = dialog.Rows();
    ASSERT_EQ(dialog.Model().RowCount(), 4);
    // A click on row 2 shows its scales at once.
    QTest::mouseClick(rows, Qt::LeftButton, {}, rows->RowRect(2).center());
    EXPECT_EQ(D(XMax()), 1);
    // Dragging row 2 onto row 0 moves it; nothing else is applied.
    QTest::mousePress(rows, Qt::LeftButton, {}, rows->RowRect(2).center());
    QTest::mouseMove(rows, rows->RowRect(1).center());
    QTest::mouseMove(rows, rows->RowRect(0).center());
    QTest::mouseRelease(rows, Qt::LeftButton, {}, rows->RowRect(0).center());
    EXPECT_EQ(dialog.Model().Selected(), 0);
    EXPECT_EQ(dialog.Model().AppliedIndex(), 0);
    EXPECT_EQ(D(XMax()), 1);
    // Dropping a row on Delete removes it; the row above goes in force.
    QToolButton* remove = dialog.DeleteButton();
    const QPoint onDelete = rows->mapFromGlobal(remove->mapToGlobal(remove->rect().center()));
    QTest::mousePress(rows, Qt::LeftButton, {}, rows->RowRect(1).center());
    EXPECT_EQ(D(XMax()), 3);
    QTest::mouseMove(rows, rows->RowRect(1).center() + QPoint(0, 20));
    QTest::mouseMove(rows, onDelete);
    EXPECT_TRUE(remove->isDown());
    QTest::mouseRelease(rows, Qt::LeftButton, {}, onDelete);
    EXPECT_FALSE(remove->isDown());
    EXPECT_EQ(dialog.Model().RowCount(), 3);
    EXPECT_EQ(D(XMax()), 1);
    QTest::mouseClick(dialog.FinishButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(D(XMax()), 1);
    ASSERT_EQ(params->History.size(), 2u);
    EXPECT_EQ(D(params->History[0]->XMaxValue()), 2);
    EXPECT_EQ(D(params->History[1]->XMaxValue()), 8);
    EXPECT_EQ(TArrangeAxes::ArrangePosition, dialog.pos());
}

TEST_F(ScaleDialogs, ArrangeDeleteClosesWhenOneRowIsLeft)
{
    Store(1); // in force 1; stored the default
    TArrangeAxes dialog(*params, graph, form.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(dialog.DeleteButton()->isEnabled());
    QTest::mouseClick(dialog.DeleteButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(params->History.empty());
    EXPECT_EQ(D(XMax()), 8);
}
