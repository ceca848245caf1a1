// The Custom Lumacurve dialog and the password box driven as a user drives
// them: the command opens the dialog on the page last shown, Escape takes
// nothing, a scale factor of 0 is refused with a message, changed settings
// reach the curves and mark the document modified, the lock disables the
// draggable curves setting, and the password and the font size survive
// saving and reading.
#include "app/customdlg.h"
#include "app/passwordform.h"
#include "editor/mathseditor.h"
#include "equations/equationswindow.h"
#include "formula/equationobject.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"

#include "dialogtesting.h"
#include "mainwindow_testing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

namespace {

class CustomDialog : public QuietFormTest<TLumacurveForm> {
protected:
    void SetUp() override
    {
        QuietFormTest::SetUp();
        ASSERT_TRUE(form);
        TCustomDlg::SetLastPage(0);
    }
    void TearDown() override
    {
        QuietFormTest::TearDown();
        GraphPaperColour = 0;
        DragLayout = true;
        TCustomDlg::SetLastPage(0);
    }
    void TypeLine(const char* text)
    {
        QTest::keyClicks(form->Equations(), text);
        QTest::keyClick(form->Equations(), Qt::Key_Return);
        QApplication::processEvents();
    }
    // Opens the dialog by its command and runs body in it; the dialog is
    // cancelled afterwards if body left it open.
    void WithCommand(std::function<void(TCustomDlg&)> body)
    {
        bool ran = false;
        WhenShown<TCustomDlg>([&](TCustomDlg& dialog) {
            ran = true;
            body(dialog);
            if (dialog.isVisible())
                dialog.reject();
        });
        ASSERT_TRUE(form->Commands().Trigger("ActionCustom"));
        EXPECT_TRUE(ran) << "the Custom dialog did not open";
    }
    // Types a password into the box that the click on PasswordBtn opens,
    // then presses Enter (twice for a wrong one: the box must stay open).
    static void AnswerPassword(TCustomDlg& dialog, const char* text, bool* stayedOpen = nullptr)
    {
        WhenShown<TPasswordForm>([=](TPasswordForm& box) {
            EXPECT_EQ(box.windowTitle(), "Password");
            EXPECT_EQ(box.Edit()->echoMode(), QLineEdit::Password);
            EXPECT_TRUE(box.Edit()->text().isEmpty());
            QTest::keyClicks(box.Edit(), text);
            QTest::keyClick(box.Edit(), Qt::Key_Return);
            if (stayedOpen)
                *stayedOpen = box.isVisible();
            if (box.isVisible())
                box.reject();
        });
        QTest::mouseClick(dialog.findChild<QPushButton*>("PasswordBtn"), Qt::LeftButton);
    }
    static void SetSpin(TCustomDlg& dialog, const char* name, int value)
    {
        auto* box = dialog.findChild<QSpinBox*>(name);
        ASSERT_NE(box, nullptr) << name;
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QByteArray::number(value).constData());
    }
    TBoxAnswerer boxes;
};

TEST_F(CustomDialog, TheCommandOpensItOnThePageLastShownAndEscapeTakesNothing)
{
    EXPECT_TRUE(form->Commands().Action("ActionCustom")->isEnabled());
    const TConfiguration before = Configuration;
    WithCommand([](TCustomDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Custom Lumacurve");
        QStringList pages;
        for (int i = 0; i < dialog.Pages()->count(); ++i)
            pages << dialog.Pages()->tabText(i);
        EXPECT_EQ(pages, QStringList({"Drawing", "Graph", "Appearance", "Layout", "Other"}));
        EXPECT_EQ(dialog.Pages()->currentIndex(), 0);
        QTest::keyClick(dialog.Pages()->tabBar(), Qt::Key_Right);
        QTest::keyClick(dialog.Pages()->tabBar(), Qt::Key_Right);
        QTest::keyClick(dialog.Pages()->tabBar(), Qt::Key_Right);
        EXPECT_EQ(dialog.Pages()->currentIndex(), 3);
        SetSpin(dialog, "Zoomfactor", 300); // not on this page, but typed all the same
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(Configuration.ZoomFactor, before.ZoomFactor);
    EXPECT_FALSE(form->Modified());
    WithCommand([](TCustomDlg& dialog) {
        EXPECT_EQ(dialog.Pages()->currentIndex(), 3);
        dialog.Pages()->setCurrentIndex(4);
        dialog.close(); // the close box remembers the page too
    });
    WithCommand([](TCustomDlg& dialog) { EXPECT_EQ(dialog.Pages()->currentIndex(), 4); });
}

TEST_F(CustomDialog, ChangedSettingsReachEveryCurveAndMarkTheDocumentModified)
{
    TypeLine("y=x");
    TypeLine("y=2x");
    form->SetModified(false);
    WithCommand([](TCustomDlg& dialog) {
        // Spin boxes keep within their bounds.
        SetSpin(dialog, "Thicklines", 12);
        EXPECT_LE(dialog.findChild<QSpinBox*>("Thicklines")->value(), 9);
        SetSpin(dialog, "Thicklines", 4);
        SetSpin(dialog, "Zoomfactor", 350);
        dialog.findChild<QCheckBox*>("DrawGrid")->click();
        QTest::keyClick(dialog.findChild<QSpinBox*>("Zoomfactor"), Qt::Key_Return); // Enter answers OK
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(Configuration.ThickLines, 4);
    EXPECT_EQ(Configuration.ZoomFactor, 350);
    EXPECT_FALSE(Configuration.Grid);
    for (int i = 0; i < form->Equations()->Count(); ++i)
        EXPECT_EQ(form->Equations()->ItemAt(i)->thickness, 4) << i;
    EXPECT_TRUE(form->Modified());
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(CustomDialog, AScaleFactorOfZeroIsRefusedAndAGoodOneGoesThroughSetScales)
{
    TGraphParams& params = form->GraphArea()->Params();
    const std::size_t stored = params.History.size();
    form->SetModified(false);
    WithCommand([&](TCustomDlg& dialog) {
        dialog.Pages()->setCurrentIndex(1);
        TypeInto(dialog.ScaleFactorEditor(0), "0");
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
        QApplication::processEvents();
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_EQ(boxes.texts[0], "The scale factor must not be 0");
        EXPECT_TRUE(dialog.isVisible());
        TypeInto(dialog.ScaleFactorEditor(0), "90");
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(params.Axes->XAxis->ScalingText(), "90");
    EXPECT_EQ(params.History.size(), stored + 1);
    EXPECT_TRUE(form->Modified());
    // Opened again, the dialog shows the factor in force.
    WithCommand([](TCustomDlg& dialog) { EXPECT_EQ(TextOf(dialog.ScaleFactorEditor(0)), "90"); });
}

TEST_F(CustomDialog, SettingAPasswordKeepsToLettersAndTheLockDisablesDraggableCurves)
{
    TCustomSettings settings = TCustomSettings::Current(nullptr);
    {
        TCustomDlg dialog(settings, form.get());
        ExecWith(dialog, [&] {
            auto* button = dialog.findChild<QPushButton*>("PasswordBtn");
            EXPECT_EQ(button->text(), "Set password");
            AnswerPassword(dialog, "ab1c !");
            EXPECT_TRUE(dialog.PasswordChanged());
            EXPECT_EQ(button->text(), "Set password"); // setting leaves the settings unlocked
            dialog.accept();
        });
        EXPECT_EQ(dialog.Settings().config.Password, "abc ");
        EXPECT_TRUE(dialog.Settings().config.Unlocked);
    }
    // Locked under a password a document gave, with characters Set would refuse.
    settings.config.Password = "x1!";
    settings.config.Unlocked = false;
    TCustomDlg dialog(settings, form.get());
    ExecWith(dialog, [&] {
        auto* button = dialog.findChild<QPushButton*>("PasswordBtn");
        auto* drag = dialog.findChild<QCheckBox*>("DraggingCurvesCheck");
        EXPECT_EQ(button->text(), "Enter password");
        EXPECT_FALSE(drag->isEnabled());
        bool stayedOpen = false;
        AnswerPassword(dialog, "x1?", &stayedOpen);
        EXPECT_TRUE(stayedOpen) << "a wrong password closed the box";
        EXPECT_FALSE(drag->isEnabled());
        AnswerPassword(dialog, "X1!", &stayedOpen);
        EXPECT_FALSE(stayedOpen);
        EXPECT_TRUE(drag->isEnabled());
        EXPECT_EQ(button->text(), "Set password");
        EXPECT_FALSE(dialog.PasswordChanged());
    });
}

TEST_F(CustomDialog, APasswordSetInTheDialogIsSavedAndLocksTheDocumentReadBack)
{
    const QString path = dir.filePath("locked.lcv");
    WithCommand([](TCustomDlg& dialog) {
        AnswerPassword(dialog, "Teacher");
        dialog.accept();
    });
    EXPECT_TRUE(form->Modified()); // a changed password is a change of the document
    ASSERT_TRUE(form->SaveDocument(path));
    EXPECT_TRUE(Read(path).contains("Password: Teacher\r\n"));
    Configuration.Password.clear();
    ASSERT_TRUE(form->OpenFile(path));
    EXPECT_EQ(Configuration.Password, "Teacher");
    EXPECT_FALSE(Configuration.Unlocked);
    EXPECT_FALSE(DraggableCurvesInUse(false));
    // Unlocked and set to nothing, the next reading is unlocked.
    WithCommand([](TCustomDlg& dialog) {
        AnswerPassword(dialog, "TEACHER");
        AnswerPassword(dialog, "");
        dialog.accept();
    });
    ASSERT_TRUE(form->SaveDocument(path));
    EXPECT_TRUE(Read(path).contains("Password: \r\n"));
    ASSERT_TRUE(form->OpenFile(path));
    EXPECT_TRUE(Configuration.Unlocked);
}

TEST_F(CustomDialog, TheFontSizeIsShownInPointsAndNeverGrowsBySavingAndReading)
{
    const QString path = dir.filePath("font.lcv");
    EquationsFontHeight = -14;
    WithCommand([](TCustomDlg& dialog) {
        EXPECT_EQ(dialog.findChild<QComboBox*>("FontSize")->currentText(), "11");
        dialog.accept();
    });
    EXPECT_EQ(EquationsFontHeight, -14);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(form->SaveDocument(path));
        ASSERT_TRUE(form->OpenFile(path));
        WithCommand([](TCustomDlg& dialog) { dialog.accept(); });
    }
    EXPECT_EQ(EquationsFontHeight, -14);
    EXPECT_TRUE(Read(path).contains("Font size = -14\r\n"));
    WithCommand([](TCustomDlg& dialog) {
        auto* size = dialog.findChild<QComboBox*>("FontSize");
        size->lineEdit()->selectAll();
        QTest::keyClicks(size->lineEdit(), "1x8"); // digits only
        EXPECT_EQ(size->currentText(), "18");
        dialog.accept();
    });
    EXPECT_EQ(EquationsFontHeight, -24);
    ASSERT_TRUE(form->SaveDocument(path));
    EXPECT_TRUE(Read(path).contains("Font size = -24\r\n"));
    ASSERT_TRUE(form->OpenFile(path));
    EXPECT_EQ(EquationsFontHeight, -24);
}

} // namespace
