// The Rotation, Translation, Reflection and Enlargement dialogs as a pupil
// uses them with "Transform dialogs" on: a curve selected, the command opens
// the dialog, keys change the fields, Draw or OK draws the image; opened on
// an image, the dialog shows its values and changes that line in place.
#include "app/transformdlg.h"
#include "equations/equationswindow.h"
#include "formula/markup.h"
#include "geometry/coordrows.h"
#include "geometry/transformation.h"

#include "dialogtesting.h"
#include "mainwindow_testing.h"
#include "testpictures.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <cmath>

namespace {

class TransformDialogs : public GraphFormTest {
protected:
    void SetUp() override
    {
        GraphFormTest::SetUp();
        Configuration.TransformDialogs = true;
    }

public:
    void Select(int index)
    {
        equations->SelectLine(index);
        ASSERT_EQ(equations->SelectedIndex(), index);
    }

    // Types y = x² and selects it.
    void SelectParabola()
    {
        TypeLine("y=x^2");
        Select(0);
        form->UpdateCommands();
    }

    // Enters a transformation line of the selected line, as typed.
    void EnterTransformation(const std::string& markup)
    {
        ASSERT_TRUE(equations->AddLineWith(ElementsFromText(markup), 0, true, 24));
        QTest::keyClick(equations, Qt::Key_Return);
        WaitForPicture();
        ASSERT_NE(dynamic_cast<TTransformation*>(Last()), nullptr) << form->LastMessage().toStdString();
    }

    // Runs command and body on the dialog it opens; false when none opened.
    template <class Dialog> bool WithDialog(const char* command, std::function<void(Dialog&)> body)
    {
        bool shown = false;
        WhenShown<Dialog>([&shown, body](Dialog& dialog) {
            shown = true;
            body(dialog);
            if (dialog.isVisible())
                dialog.reject();
        });
        EXPECT_TRUE(form->Commands().Trigger(command)) << command;
        if (!shown)
            QTest::qWait(2100); // the watcher gives up before the next test
        WaitForPicture();
        return shown;
    }

    // The image of point under the transformation line.
    static TRealPoint Image(TEquationObject* line, TRealPoint point)
    {
        auto* image = dynamic_cast<TTransformation*>(line);
        TTransform map;
        if (!image || !image->Composite(map))
            return {std::nan(""), std::nan("")};
        return map.Apply(point);
    }

    static std::string Shown(TEquationObject* line) { return line ? PlainLineText(line->Elements()) : ""; }
};

// Picks the item with text by the arrow keys, as from the keyboard.
void Choose(QComboBox* combo, const QString& text)
{
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < combo->count() && combo->currentText() != text; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(combo->currentText(), text);
}

// Types over a number field.
void Retype(QLineEdit* edit, const char* text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

// Types a centre into an "(x, y)" field from its start of editing (the caret
// at the end of the x part): the parts are deleted and typed again.
void TypeCentre(TMathsEditor* editor, const char* x, const char* y)
{
    editor->setFocus();
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, x);
    QTest::keyClick(editor, Qt::Key_Right);
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClicks(editor, y);
}

void ExpectPoint(TRealPoint got, TRealPoint expected)
{
    EXPECT_NEAR(double(got.x), double(expected.x), 1e-9);
    EXPECT_NEAR(double(got.y), double(expected.y), 1e-9);
}

} // namespace

TEST_F(TransformDialogs, EachDialogDrawsANewImageOfTheSelectedLine)
{
    SelectParabola();
    const struct {
        const char* command;
        std::function<bool(TransformDialogs*)> run;
        TRealPoint from, to;
    } cases[] = {
        {"ActionRotate",
         [](TransformDialogs* t) {
             return t->WithDialog<TRotationDialog>("ActionRotate", [](TRotationDialog& d) {
                 Choose(d.AngleCombo(), QStringLiteral("90\u00B0"));
                 Choose(d.DirectionCombo(), "Anticlockwise");
                 TypeCentre(d.EditorCentre(), "1", "0");
                 KeepForInspection(d.grab().toImage(), "transformdlg_rotation.png");
                 // On a real display, the dialog as it stands over the main window.
                 if (qEnvironmentVariableIsSet("LUMACURVE_TEST_PICTURES") &&
                     QTest::qWaitForWindowExposed(&d) && d.screen())
                     KeepForInspection(d.screen()->grabWindow(0).toImage(), "transformdlg_screen.png");
                 QTest::mouseClick(d.OKButton(), Qt::LeftButton);
             });
         },
         {2, 0},
         {1, 1}},
        {"BtnRotClock",
         [](TransformDialogs* t) {
             return t->WithDialog<TRotationDialog>("BtnRotClock", [](TRotationDialog& d) {
                 EXPECT_EQ(d.DirectionCombo()->currentText(), "Clockwise");
                 Choose(d.AngleCombo(), "Quarter turn");
                 QTest::mouseClick(d.OKButton(), Qt::LeftButton);
             });
         },
         {1, 0},
         {0, -1}},
        {"ActionTranslate",
         [](TransformDialogs* t) {
             return t->WithDialog<TTranslationDialog>("ActionTranslate", [](TTranslationDialog& d) {
                 EXPECT_EQ(d.AcrossEdit()->text(), "1");
                 EXPECT_EQ(d.UpDownEdit()->text(), "1");
                 Retype(d.AcrossEdit(), "2.5");
                 Choose(d.AcrossCombo(), "Left");
                 Retype(d.UpDownEdit(), "3");
                 Choose(d.UpDownCombo(), "Down");
                 KeepForInspection(d.grab().toImage(), "transformdlg_translation.png");
                 QTest::mouseClick(d.OKButton(), Qt::LeftButton);
             });
         },
         {0, 0},
         {-2.5, -3}},
        {"ActionReflect",
         [](TransformDialogs* t) {
             return t->WithDialog<TReflectionDialog>("ActionReflect", [](TReflectionDialog& d) {
                 Choose(d.MirrorCombo(), "y=x (diagonal)");
                 KeepForInspection(d.grab().toImage(), "transformdlg_reflection.png");
                 QTest::mouseClick(d.OKButton(), Qt::LeftButton);
             });
         },
         {3, 1},
         {1, 3}},
        {"ActionEnlarge",
         [](TransformDialogs* t) {
             return t->WithDialog<TEnlargementDialog>("ActionEnlarge", [](TEnlargementDialog& d) {
                 EXPECT_EQ(d.FactorEdit()->text(), "2");
                 TypeCentre(d.EditorCentre(), "1", "1");
                 KeepForInspection(d.grab().toImage(), "transformdlg_enlargement.png");
                 QTest::mouseClick(d.OKButton(), Qt::LeftButton);
             });
         },
         {2, 3},
         {3, 5}},
        {"ActionEnlarge",
         [](TransformDialogs* t) {
             return t->WithDialog<TEnlargementDialog>("ActionEnlarge", [](TEnlargementDialog& d) {
                 Retype(d.FactorEdit(), "-0.5");
                 TypeCentre(d.EditorCentre(), "-2", "4");
                 QTest::mouseClick(d.OKButton(), Qt::LeftButton);
             });
         },
         {0, 0},
         {-3, 6}},
    };
    int lines = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        Select(0);
        ASSERT_TRUE(c.run(this)) << "the dialog opens";
        EXPECT_EQ(equations->Count(), ++lines) << "one new line";
        EXPECT_EQ(equations->Line(), nullptr) << "entered, not left in editing";
        auto* image = dynamic_cast<TTransformation*>(equations->SelectedObject());
        ASSERT_NE(image, nullptr) << form->LastMessage().toStdString();
        EXPECT_EQ(image->GetParent(), equations->ItemAt(0));
        ExpectPoint(Image(image, c.from), c.to);
    }
    KeepForInspection(form->grab().toImage(), "transformdlg_images.png");
}

TEST_F(TransformDialogs, TheLinesReadAsTheyAreShown)
{
    SelectParabola();
    ASSERT_TRUE(WithDialog<TRotationDialog>("ActionRotate", [](TRotationDialog& d) {
        Choose(d.AngleCombo(), "Half turn");
        Choose(d.DirectionCombo(), "Clockwise");
        TypeCentre(d.EditorCentre(), "2", "-1");
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(Shown(Last()), "Rotation about (2,-1) angle half turn clockwise");
    Select(0);
    ASSERT_TRUE(WithDialog<TTranslationDialog>("ActionTranslate", [](TTranslationDialog& d) {
        Retype(d.AcrossEdit(), "0");
        Choose(d.UpDownCombo(), "Down");
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(Shown(Last()), "Translation (0; -1)");
    ExpectPoint(Image(Last(), {1, 1}), {1, 0});
}

// The degree items turn by degrees in radian mode too, and say so on the line.
TEST_F(TransformDialogs, DegreeItemsAreDegreesWhateverTheAngleUnit)
{
    SelectParabola();
    ASSERT_TRUE(form->Commands().Trigger("ActionRadians"));
    ASSERT_TRUE(Configuration.Radians());
    const struct {
        const char* item;
        TRealPoint to;
    } cases[] = {{"45\u00B0", {0.70710678118654752L, 0.70710678118654752L}},
                 {"90\u00B0", {0, 1}},
                 {"180\u00B0", {-1, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        Select(0);
        ASSERT_TRUE(WithDialog<TRotationDialog>("ActionRotate", [&c](TRotationDialog& d) {
            Choose(d.AngleCombo(), QString::fromUtf8(c.item));
            Choose(d.DirectionCombo(), "Anticlockwise");
            QTest::mouseClick(d.OKButton(), Qt::LeftButton);
        }));
        ExpectPoint(Image(Last(), {1, 0}), c.to);
        const std::string shown = Shown(Last());
        EXPECT_NE(shown.find("^o"), std::string::npos) << shown;
    }
}

TEST_F(TransformDialogs, AnImageIsChangedInPlaceKeepingItsRepeats)
{
    SelectParabola();
    EnterTransformation(RepeatsMarkup(3) +
                        RotationLineMarkup("{coords{0}{0}", "90" + TransformWord(dnDegreeMark)));
    Select(1);
    ASSERT_TRUE(WithDialog<TRotationDialog>("ActionRotate", [](TRotationDialog& d) {
        EXPECT_EQ(d.AngleCombo()->currentText(), QStringLiteral("90\u00B0"));
        EXPECT_EQ(d.DirectionCombo()->currentText(), "Anticlockwise");
        EXPECT_FALSE(d.DrawButton()->isEnabled()) << "nothing changed yet";
        Choose(d.DirectionCombo(), "Clockwise");
        EXPECT_TRUE(d.DrawButton()->isEnabled());
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(equations->Count(), 2) << "no line added";
    auto* image = dynamic_cast<TTransformation*>(equations->ItemAt(1));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Repeats, 3);
    ExpectPoint(Image(image, {1, 0}), {0, -1});
    EXPECT_EQ(Shown(image), "repeats 3 Rotation about (0,0) angle 90^o clockwise");
    // Undo takes the change back as it does a typed change.
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    WaitForPicture();
    ASSERT_EQ(equations->Count(), 2);
    EXPECT_EQ(Shown(equations->ItemAt(1)), "repeats 3 Rotation about (0,0) angle 90^o");
    ExpectPoint(Image(equations->ItemAt(1), {1, 0}), {0, 1});
}

// An angle none of the items has stays when something else is changed.
TEST_F(TransformDialogs, AnAngleWithoutAnItemIsKept)
{
    SelectParabola();
    EnterTransformation(RotationLineMarkup("{coords{0}{0}", "30" + TransformWord(dnDegreeMark)));
    Select(1);
    ASSERT_TRUE(WithDialog<TRotationDialog>("ActionRotate", [](TRotationDialog& d) {
        TypeCentre(d.EditorCentre(), "1", "0");
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
    }));
    ASSERT_EQ(equations->Count(), 2);
    EXPECT_EQ(Shown(Last()), "Rotation about (1,0) angle 30^o anticlockwise");
    ExpectPoint(Image(Last(), {2, 0}), {1.8660254037844386, 0.5});
}

// A value the user leaves alone keeps what the line had: a constant's name
// stays a name.
TEST_F(TransformDialogs, FormulasLeftAloneAreKept)
{
    TypeLine("a=3");
    TypeLine("y=x^2");
    Select(1);
    EnterTransformation(TranslationLineMarkup("a", "0"));
    Select(2);
    ASSERT_TRUE(WithDialog<TTranslationDialog>("ActionTranslate", [](TTranslationDialog& d) {
        EXPECT_EQ(d.AcrossEdit()->text(), "3");
        Retype(d.UpDownEdit(), "2");
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(Shown(equations->ItemAt(2)), "Translation (a; 2)");
    Select(1);
    EnterTransformation(EnlargementLineMarkup("{coords{0}{0}", "a"));
    Select(3);
    ASSERT_TRUE(WithDialog<TEnlargementDialog>("ActionEnlarge", [](TEnlargementDialog& d) {
        EXPECT_EQ(d.FactorEdit()->text(), "3");
        TypeCentre(d.EditorCentre(), "1", "0");
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(Shown(equations->ItemAt(3)), "Enlargement centre (1,0) factor a");
    ASSERT_EQ(equations->Count(), 4);
}

// Opened on a line it does not edit (a translation for the Rotate command),
// the dialog makes an image of that line.
TEST_F(TransformDialogs, ADialogOfAnotherKindTransformsTheImage)
{
    SelectParabola();
    EnterTransformation(TranslationLineMarkup("1", "0"));
    Select(1);
    ASSERT_TRUE(WithDialog<TRotationDialog>("ActionRotate", [](TRotationDialog& d) {
        EXPECT_TRUE(d.DrawButton()->isEnabled()) << "a new line can be drawn at once";
        EXPECT_EQ(d.AngleCombo()->currentIndex(), 0);
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
    }));
    ASSERT_EQ(equations->Count(), 3);
    EXPECT_EQ(Last()->GetParent(), equations->ItemAt(1));
}

// What the dialog shows for an existing line, kind by kind.
TEST_F(TransformDialogs, ExistingValuesAreShown)
{
    SelectParabola();
    const std::string degree = TransformWord(dnDegreeMark);
    const struct {
        std::string line;
        const char* angle;
        const char* direction;
    } rotations[] = {
        {RotationLineMarkup("{coords{0}{0}", "90" + degree + TransformWord(dnClockwise)), "90\u00B0",
         "Clockwise"},
        {RotationLineMarkup("{coords{0}{0}", "-45" + degree), "45\u00B0", "Clockwise"},
        {RotationLineMarkup("{coords{0}{0}", "half " + TransformWord(dnTurn)), "Half turn", "Anticlockwise"},
        {RotationLineMarkup("{coords{0}{0}", "0.25" + TransformWord(dnTurn)), "Quarter turn",
         "Anticlockwise"},
        {RotationLineMarkup("{coords{0}{0}", "1.570796326794896619"), "90\u00B0", "Anticlockwise"},
        {RotationLineMarkup("{coords{0}{0}", "30" + degree), "30\u00B0", "Anticlockwise"},
    };
    for (const auto& r : rotations) {
        SCOPED_TRACE(r.line);
        Select(0);
        EnterTransformation(r.line);
        Select(equations->Count() - 1);
        ASSERT_TRUE(WithDialog<TRotationDialog>("ActionRotate", [&r](TRotationDialog& d) {
            EXPECT_EQ(d.AngleCombo()->currentText(), QString::fromUtf8(r.angle));
            EXPECT_EQ(d.DirectionCombo()->currentText(), r.direction);
        }));
    }
    Select(0);
    EnterTransformation(TranslationLineMarkup("-2", "0.5"));
    Select(equations->Count() - 1);
    ASSERT_TRUE(WithDialog<TTranslationDialog>("ActionTranslate", [](TTranslationDialog& d) {
        EXPECT_EQ(d.AcrossEdit()->text(), "2");
        EXPECT_EQ(d.AcrossCombo()->currentText(), "Left");
        EXPECT_EQ(d.UpDownEdit()->text(), "0.5");
        EXPECT_EQ(d.UpDownCombo()->currentText(), "Up");
    }));
    Select(0);
    EnterTransformation(EnlargementLineMarkup("{coords{3}{-1}", "-1.5"));
    Select(equations->Count() - 1);
    ASSERT_TRUE(WithDialog<TEnlargementDialog>("ActionEnlarge", [](TEnlargementDialog& d) {
        EXPECT_EQ(d.FactorEdit()->text(), "-1.5");
        EXPECT_EQ(TextOf(d.EditorCentre()), "{coords{3}{-1}");
    }));
}

// A mirror is shown as the item nearest it, whichever way its line runs:
// a steep falling line is nearest the y axis.
TEST_F(TransformDialogs, AMirrorShowsTheNearestItem)
{
    SelectParabola();
    const struct {
        const char* line;
        const char* item;
    } cases[] = {
        {"y=-100x", "y-axis"},       {"y=100x", "y-axis"},        {"y=-x", "y=-x (diagonal)"},
        {"x=-y", "y=-x (diagonal)"}, {"x=-100y", "x-axis"},       {"y=0.3x+2", "x-axis"},
        {"x axis", "x-axis"},        {"x=y+1", "y=x (diagonal)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        Select(0);
        EnterTransformation(ReflectionLineMarkup(c.line));
        Select(equations->Count() - 1);
        ASSERT_TRUE(WithDialog<TReflectionDialog>("ActionReflect", [&c](TReflectionDialog& d) {
            EXPECT_EQ(d.MirrorCombo()->currentText(), c.item);
        }));
    }
    EXPECT_EQ(TReflectionDialog::MirrorItem(-Pi / 2), 1) << "exactly −90°";
}

TEST_F(TransformDialogs, DrawShowsTheImageAndKeepsEditingIt)
{
    SelectParabola();
    ASSERT_TRUE(WithDialog<TTranslationDialog>("ActionTranslate", [this](TTranslationDialog& d) {
        QTest::mouseClick(d.DrawButton(), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible()) << "Draw leaves the dialog open";
        EXPECT_FALSE(d.DrawButton()->isEnabled());
        ASSERT_EQ(equations->Count(), 2);
        ExpectPoint(Image(Last(), {0, 0}), {1, 1});
        Retype(d.AcrossEdit(), "4");
        EXPECT_TRUE(d.DrawButton()->isEnabled());
        QTest::mouseClick(d.DrawButton(), Qt::LeftButton);
        EXPECT_EQ(equations->Count(), 2) << "the drawn line is changed, not another added";
        ExpectPoint(Image(Last(), {0, 0}), {4, 1});
        // Cancel keeps what was drawn.
        QTest::keyClick(&d, Qt::Key_Escape);
    }));
    EXPECT_EQ(equations->Count(), 2);
    ExpectPoint(Image(Last(), {0, 0}), {4, 1});
    EXPECT_TRUE(WaitFor([&] { return DarkPixelsNear(graph->grab().toImage(), Pixel(5, 2)) > 0; }))
        << "the image passes through (5, 2)";
    // A centre may use a declared name, read against the lines as they stand
    // after each drawing.
    TypeLine("c=2");
    Select(0);
    ASSERT_TRUE(WithDialog<TEnlargementDialog>("ActionEnlarge", [this](TEnlargementDialog& d) {
        QTest::mouseClick(d.DrawButton(), Qt::LeftButton);
        TypeCentre(d.EditorCentre(), "c", "0");
        EXPECT_EQ(TextOf(d.EditorCentre()), "{coords{}{0}") << "letters are refused";
        // As pasted: the centre at (c, 0).
        d.EditorCentre()->SetElements(ElementsFromText("{coords{c}{0}"));
        Retype(d.FactorEdit(), "3");
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
        EXPECT_FALSE(d.isVisible()) << d.ErrorLabel()->text().toStdString();
    }));
    ExpectPoint(Image(equations->SelectedObject(), {0, 0}), {-4, 0});
}

TEST_F(TransformDialogs, EnterMovesToTheNextControl)
{
    SelectParabola();
    ASSERT_TRUE(WithDialog<TTranslationDialog>("ActionTranslate", [this](TTranslationDialog& d) {
        d.AcrossEdit()->setFocus();
        QTest::keyClick(d.AcrossEdit(), Qt::Key_Return);
        EXPECT_EQ(d.focusWidget(), d.AcrossCombo());
        QTest::keyClick(d.AcrossCombo(), Qt::Key_Return);
        EXPECT_EQ(d.focusWidget(), d.UpDownEdit());
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(equations->Count(), 1) << "Enter draws nothing";
    }));
    ASSERT_TRUE(WithDialog<TEnlargementDialog>("ActionEnlarge", [](TEnlargementDialog& d) {
        d.EditorCentre()->setFocus();
        QTest::keyClick(d.EditorCentre(), Qt::Key_Return);
        EXPECT_NE(d.focusWidget(), d.EditorCentre());
        EXPECT_TRUE(d.isVisible());
    }));
}

TEST_F(TransformDialogs, FieldsTakeOnlyTheCharactersOfNumbers)
{
    SelectParabola();
    ASSERT_TRUE(WithDialog<TTranslationDialog>("ActionTranslate", [](TTranslationDialog& d) {
        Retype(d.AcrossEdit(), "1.2.3x45");
        EXPECT_EQ(d.AcrossEdit()->text(), "1.2") << "digits, one point, three characters";
        Retype(d.UpDownEdit(), "-7");
        EXPECT_EQ(d.UpDownEdit()->text(), "7") << "the direction gives the sign";
    }));
    ASSERT_TRUE(WithDialog<TEnlargementDialog>("ActionEnlarge", [](TEnlargementDialog& d) {
        Retype(d.FactorEdit(), "-1-.5.");
        EXPECT_EQ(d.FactorEdit()->text(), "-1.5");
        TypeCentre(d.EditorCentre(), "-1a,", "2.5y");
        EXPECT_EQ(TextOf(d.EditorCentre()), "{coords{-1}{2.5}");
    }));
}

// A centre with a part missing, or an empty number, shows what is wrong and
// draws nothing; the dialog stays open for it to be mended.
TEST_F(TransformDialogs, AnInvalidValueShowsItsFaultAndDrawsNothing)
{
    SelectParabola();
    ASSERT_TRUE(WithDialog<TRotationDialog>("ActionRotate", [this](TRotationDialog& d) {
        TypeCentre(d.EditorCentre(), "", "3");
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.ErrorLabel()->text().trimmed(), "You must put a formula here");
        EXPECT_EQ(equations->Count(), 1);
        KeepForInspection(d.grab().toImage(), "transformdlg_fault.png");
        QTest::keyClicks(d.EditorCentre(), "1");
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_EQ(equations->Count(), 2);
    ExpectPoint(Image(Last(), {1, 3}), {1, 3}); // a half turn about (1, 3) keeps it
    Select(0);
    ASSERT_TRUE(WithDialog<TEnlargementDialog>("ActionEnlarge", [this](TEnlargementDialog& d) {
        Retype(d.FactorEdit(), "-");
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.ErrorLabel()->text().trimmed(), "The scale factor must be entered here");
        EXPECT_EQ(d.focusWidget(), d.FactorEdit());
        EXPECT_EQ(equations->Count(), 2);
    }));
    Select(0);
    ASSERT_TRUE(WithDialog<TTranslationDialog>("ActionTranslate", [this](TTranslationDialog& d) {
        Retype(d.UpDownEdit(), ".");
        QTest::mouseClick(d.DrawButton(), Qt::LeftButton);
        EXPECT_EQ(d.ErrorLabel()->text().trimmed(), "You must enter a number here");
        EXPECT_EQ(equations->Count(), 2);
    }));
}

// Stretch and Shear have no dialog: they start a line to type, as does every
// command with the setting off.
TEST_F(TransformDialogs, CommandsWithoutADialogStartALine)
{
    SelectParabola();
    Configuration.DragCurves = false; // with dragging on, their invariant line is placed by clicks
    for (const char* command : {"ActionStretch", "ActionShear"}) {
        SCOPED_TRACE(command);
        Select(0);
        ASSERT_TRUE(form->Commands().Trigger(command));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_NE(equations->Line(), nullptr) << "a line to fill in";
        equations->Deselect();
    }
    Configuration.TransformDialogs = false;
    Select(0);
    ASSERT_TRUE(form->Commands().Trigger("ActionRotate"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_NE(equations->Line(), nullptr);
}

// The line a dialog edits is found as the line is written: its first step,
// which may be a matrix with its word in front.
TEST(TransformLineMarkup, TheFirstStepIsReplaced)
{
    const std::string step = ReflectionLineMarkup("x axis");
    const struct {
        std::string line, expected;
    } cases[] = {
        {TranslationLineMarkup("1", "2"), step},
        {RepeatsMarkup(4) + TurnLineMarkup(90) + TranslationLineMarkup("1", "2"),
         RepeatsMarkup(4) + step + TranslationLineMarkup("1", "2")},
        {TransformWord(dnMatrixWord) + "{Mtrx \x02\x01{1}{2}" + RepeatsMarkup(2), step + RepeatsMarkup(2)},
        {RepeatsMarkup(2), RepeatsMarkup(2) + step},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const TElementList elements = ElementsFromText(c.line);
        EXPECT_EQ(ReplaceFirstStep(elements.get(), step), c.expected);
    }
}
