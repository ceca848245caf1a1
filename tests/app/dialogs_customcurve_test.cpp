// The Custom curve dialog as a user drives it: the line's colour checked
// among the ten (or More), choices applied when another line is shown and
// kept on Cancel, one line only leaving the arrows idle, and renaming: the
// warning, a name refused when empty, and a renamed curve that is saved
// with its formula and reads back as the same curve under its name.
#include "app/customcurve.h"
#include "document/curvestyle.h"
#include "editor/mathseditor.h"
#include "equations/equationswindow.h"
#include "formula/markup.h"
#include "plot/curveplotter.h"

#include "dialogtesting.h"
#include "mainwindow_testing.h"
#include "testpictures.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>

namespace {

class CustomCurveDialog : public QuietFormTest<TLumacurveForm> {
protected:
    void SetUp() override
    {
        QuietFormTest::SetUp();
        ASSERT_TRUE(form);
        equations = form->Equations();
    }
    void TypeLine(const char* text)
    {
        QTest::keyClicks(equations, text);
        QTest::keyClick(equations, Qt::Key_Return);
        QApplication::processEvents();
    }
    TEquationObject* Line(int index) const { return equations->ItemAt(index); }
    std::vector<TEquationObject*> Lines() const { return equations->List().Lines(); }
    // The dialog as the command opens it, wired to the window, with body run inside.
    void Customise(const std::function<void(TCustomCurve&)>& body)
    {
        WhenShown<TCustomCurve>(body);
        ASSERT_TRUE(form->Commands().Trigger("ActionCustomiseCurve"));
        QApplication::processEvents();
    }

    TEquationsWindow* equations = nullptr;
    TBoxAnswerer boxes;
};

} // namespace

TEST(CurveStyle, TheTenTableColoursHaveButtonsAndOthersAreMore)
{
    for (int n = 0; n < TableColourCount; ++n) {
        EXPECT_EQ(CurveColourButton(CurveColour(n)), n);
        EXPECT_EQ(CurveColourButton(ResolveColour(CurveColour(n))), n); // the same colour as plain RGB
        EXPECT_EQ(ButtonColour(n, clWhite), CurveColour(n));
    }
    EXPECT_EQ(CurveColourButton(RgbColour(1, 2, 3)), MoreColoursButton);
    EXPECT_EQ(ButtonColour(MoreColoursButton, RgbColour(1, 2, 3)), RgbColour(1, 2, 3));
}

TEST_F(CustomCurveDialog, ChoicesApplyWhenAnotherLineIsShownAndStayOnCancel)
{
    TypeLine("y=2x");
    TypeLine("y=x+1");
    ASSERT_EQ(equations->Count(), 2);
    equations->SelectLine(0);
    const int undoBefore = form->UndoHistory().Count();
    const TColour secondColour = Line(1)->colour;
    Customise([&](TCustomCurve& dialog) {
        KeepForInspection(dialog.grab().toImage(), "customcurve.png");
        EXPECT_EQ(dialog.windowTitle(), "Custom curve");
        EXPECT_EQ(dialog.Shown(), 0);
        EXPECT_TRUE(dialog.ColourButton(CurveColourButton(Line(0)->colour))->isChecked());
        EXPECT_FALSE(dialog.Editor()->isEnabled()); // an equation, not a name
        QTest::mouseClick(dialog.ColourButton(5), Qt::LeftButton);
        dialog.Thickness()->setValue(4);
        QTest::mouseClick(dialog.DownButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.Shown(), 1);
        // Applied to the first line as the second is shown.
        EXPECT_EQ(Line(0)->colour, CurveColour(5));
        EXPECT_EQ(Line(0)->thickness, 4);
        EXPECT_EQ(dialog.Thickness()->value(), Line(1)->thickness);
        QTest::mouseClick(dialog.ColourButton(8), Qt::LeftButton);
        dialog.reject();
    });
    EXPECT_EQ(Line(0)->colour, CurveColour(5));
    EXPECT_EQ(Line(1)->colour, secondColour); // the last choice was dropped
    EXPECT_TRUE(form->Modified());
    EXPECT_GT(form->UndoHistory().Count(), undoBefore);
}

TEST_F(CustomCurveDialog, OneLineLeavesTheArrowsIdleAndOKAppliesTheChoice)
{
    TypeLine("y=3");
    equations->SelectLine(0);
    Customise([&](TCustomCurve& dialog) {
        EXPECT_FALSE(dialog.UpButton()->isEnabled());
        EXPECT_FALSE(dialog.DownButton()->isEnabled());
        QTest::mouseClick(dialog.DownButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.Shown(), 0);
        QTest::mouseClick(dialog.ColourButton(2), Qt::LeftButton);
        QTest::mouseClick(dialog.OKButton(), Qt::LeftButton);
    });
    EXPECT_EQ(Line(0)->colour, CurveColour(2));
}

TEST_F(CustomCurveDialog, AColourOutsideTheTableOpensWithMoreChecked)
{
    TypeLine("y=x");
    Line(0)->colour = RgbColour(12, 34, 56);
    TCustomCurve dialog(Lines(), 0, form.get());
    EXPECT_TRUE(dialog.ColourButton(MoreColoursButton)->isChecked());
    // Cancelling the colour dialog takes nothing.
    QTimer::singleShot(50, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            QTest::keyClick(modal, Qt::Key_Escape);
    });
    dialog.MoreClick();
    dialog.OKBtnClick();
    EXPECT_EQ(Line(0)->colour, RgbColour(12, 34, 56));
    EXPECT_FALSE(dialog.AnythingChanged());
}

TEST_F(CustomCurveDialog, RenameWarnsAndCancelLeavesTheEquation)
{
    TypeLine("y=x");
    TCustomCurve dialog(Lines(), 0, form.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    boxes.answers = {QMessageBox::Cancel};
    QTest::mouseClick(dialog.RenameButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"You cannot get the old equation back after this!"}));
    EXPECT_FALSE(dialog.Editor()->isEnabled());
    dialog.reject();
}

TEST_F(CustomCurveDialog, AnEmptyNameIsRefusedAndTheDialogStaysOpen)
{
    TypeLine("y=x");
    TCustomCurve dialog(Lines(), 0, form.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    boxes.answers = {QMessageBox::Ok, QMessageBox::Ok};
    QTest::mouseClick(dialog.RenameButton(), Qt::LeftButton);
    QTest::keyClick(dialog.Editor(), Qt::Key_Delete);
    QTest::mouseClick(dialog.OKButton(), Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_EQ(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.texts[1], "You must enter something here");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(Line(0)->marker);
    dialog.reject();
}

TEST_F(CustomCurveDialog, ARenamedCurveIsSavedWithItsFormulaAndReadsBackAsTheSameCurve)
{
    TypeLine("y=2x+1");
    equations->SelectLine(0);
    boxes.answers = {QMessageBox::Ok};
    Customise([&](TCustomCurve& dialog) {
        QTest::mouseClick(dialog.RenameButton(), Qt::LeftButton);
        QTest::keyClicks(dialog.Editor(), "Line A");
        QTest::mouseClick(dialog.OKButton(), Qt::LeftButton);
    });
    auto* curve = dynamic_cast<TCurvePLotter*>(Line(0));
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(ElementsToText(curve->Elements()), "Line A");
    EXPECT_TRUE(curve->marker);
    const QString path = dir.filePath("renamed.lcv");
    ASSERT_TRUE(form->SaveDocument(path));
    const QByteArray saved = Read(path);
    EXPECT_TRUE(saved.contains("\r\n\tDescription: Line A\r\n")) << saved.toStdString();
    ASSERT_TRUE(form->OpenFile(path));
    auto* back = dynamic_cast<TCurvePLotter*>(Line(0));
    ASSERT_NE(back, nullptr); // a curve, not a plain line of words
    EXPECT_EQ(ElementsToText(back->Elements()), "Line A");
    EXPECT_TRUE(back->marker);
    // The name can be edited again without the warning.
    TCustomCurve dialog(Lines(), 0, form.get());
    EXPECT_TRUE(dialog.Editor()->isEnabled());
}

TEST_F(CustomCurveDialog, ThePopupMenuOffersCustomCurveForTheLineUnderTheMouse)
{
    TypeLine("y=x");
    QAction* item = nullptr;
    for (QAction* action : form->GraphPopup()->actions())
        if (action->text() == "Custom curve")
            item = action;
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->isEnabled());
}
