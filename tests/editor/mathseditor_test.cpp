// The maths editor driven as a user drives it: QTest keys, chords and mouse
// events on a real control on the offscreen platform, checked through the
// line's markup, its caret and selection, the messages shown, and pictures.
#include "editor/mathseditor.h"
#include "expr/parser.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "shownpicture.h"
#include "testpictures.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Records messages instead of showing boxes.
class TTestEditor : public TMathsEditor {
public:
    using TMathsEditor::TMathsEditor;
    std::vector<std::string> messages;

protected:
    void ShowMessage(const QString& text, QMessageBox::Icon, int) override
    {
        messages.push_back(text.toStdString());
    }
};

class MathsEditor : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = SetFormulaHeight(16);
        editor = std::make_unique<TTestEditor>();
        editor->resize(400, 48);
        editor->show();
        QApplication::setActiveWindow(editor.get());
        editor->setFocus();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        editor.reset();
        QuickSuperscript = false;
        SetFormulaHeight(previous_);
        QApplication::setCursorFlashTime(flashTime_);
    }
    // The caret stops blinking, so that two pictures taken one after the
    // other differ only where the painting went wrong.
    void SteadyCaret() { QApplication::setCursorFlashTime(0); }

    // Plays a script: plain characters are typed; [Name] is a key, [C-x] a
    // Ctrl chord, [A-x] an Alt chord through event 1045.
    void Play(const std::string& script)
    {
        for (std::size_t i = 0; i < script.size(); ++i) {
            if (script[i] != '[') {
                QTest::keyClick(editor.get(), script[i]);
                continue;
            }
            const std::size_t end = script.find(']', i);
            const std::string name = script.substr(i + 1, end - i - 1);
            i = end;
            static const std::map<std::string, Qt::Key> keys = {
                {"Left", Qt::Key_Left}, {"Right", Qt::Key_Right}, {"Up", Qt::Key_Up},
                {"Down", Qt::Key_Down}, {"Del", Qt::Key_Delete},  {"BS", Qt::Key_Backspace},
                {"Tab", Qt::Key_Tab},   {"Home", Qt::Key_Home},   {"End", Qt::Key_End},
            };
            if (keys.count(name)) {
                QTest::keyClick(editor.get(), keys.at(name));
            } else if (name.rfind("C-", 0) == 0) {
                static const std::map<char, Qt::Key> chords = {
                    {'k', Qt::Key_K},      {'o', Qt::Key_O},     {'p', Qt::Key_P},     {'s', Qt::Key_S},
                    {'t', Qt::Key_T},      {'=', Qt::Key_Equal}, {'/', Qt::Key_Slash}, {',', Qt::Key_Comma},
                    {'.', Qt::Key_Period}, {'c', Qt::Key_C},     {'v', Qt::Key_V},     {'x', Qt::Key_X},
                };
                QTest::keyClick(editor.get(), chords.at(name[2]), Qt::ControlModifier);
            } else if (name.rfind("A-", 0) == 0) {
                const char c = name[2];
                const int key =
                    c >= '0' && c <= '9' ? Qt::Key_0 + (c - '0') : Qt::Key_A + (std::toupper(c) - 'A');
                TAltChordEvent chord(key, false);
                QCoreApplication::sendEvent(editor.get(), &chord);
            }
        }
    }

    // Plays each script on an empty line and checks the markup it built.
    struct TScriptRow {
        const char* script;
        std::string markup;
    };
    template <std::size_t N> void PlayEach(const TScriptRow (&rows)[N])
    {
        for (const TScriptRow& row : rows) {
            SCOPED_TRACE(row.script);
            editor->Clear();
            Play(row.script);
            EXPECT_EQ(Text(), row.markup);
            CheckInvariants();
        }
    }

    std::string Text() const { return editor->LineText(); }
    TEditor& Line() const { return *editor->Line(); }

    // The line's invariants: both ends lie in the line, offsets in range,
    // the markup reads back, and the caret stands inside the control's line.
    void CheckInvariants() const
    {
        std::vector<TPathStep> path;
        for (const TCaretPosition* p : {&Line().caret, &Line().anchor}) {
            ASSERT_TRUE(p->element);
            ASSERT_TRUE(Line().PathTo(p->element, path));
            ASSERT_GE(p->offset, 0);
            ASSERT_LE(p->offset, p->element->PositionCount());
        }
        ASSERT_NO_THROW((void)ElementsFromText(Text()));
        ASSERT_GE(Line().caret.x, 0);
        ASSERT_LE(Line().caret.x, Line().leftMargin + Line().width);
    }

    std::unique_ptr<TTestEditor> editor;

private:
    int previous_ = 16;
    int flashTime_ = QApplication::cursorFlashTime();
};

TEST_F(MathsEditor, KeysAndChordsBuildTheFormulasTheyStandFor)
{
    const TScriptRow rows[] = {
        {"y=x[A-2]+1", "y=x{^{2}+1"},
        {"[A-s]", ""},
        {"x[A-s]3", "x{^{3}"},
        {"x[A-2][A-3]", "x{^{23}"},
        {"x[A-2][Left][A-3]", "x{^{2{^{3}}"},
        {"2*3", "2{\xB4"
                "3"},
        {"ab[Del]", "ab"},
        {"ab[Home][BS]", "ab"},
        {"ab[Left][BS]", "b"},
        {"ab[Left][Del]", "a"},
        {"a[Tab][Tab]", "a\t"},
        {"[C-o]1[Down]2[Up]3", "{/{13}{2}"},
        {"[C-/]1[Right]+y", "{/{1}{}+y"},
        {"x[Up][Down]", "x"},
        {"[C-s]x[Right]+1", "{sqrt{x}+1"},
        {"[C-k][C-=][C-p][C-t][C-,][C-.]", "{\xB1{\xB1{p{q{\xA3{\xB3"},
        {"[C-o]1[Right][BS]", ""},
        {"2[C-o]1[Home][Right][Del]", "2"},
        {"a{}#@~\"b", "ab"},
        {"ab[Home]c[End]d", "cabd"},
    };
    PlayEach(rows);
}

TEST_F(MathsEditor, WithoutALineOnlyTheLineMakingChordsAskTheOwnerForOne)
{
    TTestEditor owned(nullptr, false);
    owned.resize(300, 40);
    owned.show();
    owned.setFocus();
    int asked = 0;
    int finished = 0;
    owned.OnStartEdit = [&](TMathsEditor* sender, bool&, TEquationObject*, std::uint16_t) {
        ++asked;
        sender->SetLine(std::make_unique<TEditor>());
    };
    owned.OnFinishEdit = [&](TMathsEditor*, bool& stopped) {
        ++finished;
        stopped = true;
    };
    QTest::keyClick(&owned, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(owned.Line());
    QTest::keyClick(&owned, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
    ASSERT_TRUE(owned.Line());
    EXPECT_EQ(owned.LineText(), "{\xB1");
    QTest::keyClick(&owned, Qt::Key_Return);
    EXPECT_EQ(finished, 1);
}

TEST_F(MathsEditor, QuickSuperscriptTypesIntoAnIndexAndTheCaretContinuesAfterIt)
{
    Play("x");
    QuickSuperscript = true;
    Play("2");
    QuickSuperscript = false;
    Play("+1");
    EXPECT_EQ(Text(), "x{^{2}+1");
}

TEST_F(MathsEditor, TheCaretNeverRestsBesideAGridAndClicksThereGoIntoTheNearestCell)
{
    editor->SetElements(ElementsFromText("{Mtrx \x02\x02{1}{2}{3}{4}"));
    Play("[Home]5");
    EXPECT_EQ(Text(), "{Mtrx \x02\x02{51}{2}{3}{4}");
    Play("[End]6");
    EXPECT_EQ(Text(), "{Mtrx \x02\x02{51}{26}{3}{4}");
    // Right at the end of the first row stays in the grid (nothing after it).
    Play("[Right]7");
    EXPECT_EQ(Text(), "{Mtrx \x02\x02{51}{267}{3}{4}");
    QTest::mouseClick(editor.get(), Qt::LeftButton, {},
                      QPoint(Line().offsetX + 1, Line().offsetY + Line().height - 2));
    Play("8");
    EXPECT_EQ(Text(), "{Mtrx \x02\x02{51}{267}{83}{4}");
}

TEST_F(MathsEditor, PastingACopiedSelectionReproducesItsElements)
{
    const std::string markup = "y={/{x{^{2}+1}{{sqrt{x}}-{p{q\t3";
    editor->SetElements(ElementsFromText(markup));
    Line().SelectAll();
    Play("[C-c]");
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              QString::fromLatin1(markup.c_str()).toStdString());
    Play("[End][C-v]");
    EXPECT_EQ(Text(), markup + markup);
    // Cut with no selection copies and deletes nothing.
    QApplication::clipboard()->setText("keep");
    Play("[C-x]");
    EXPECT_EQ(QApplication::clipboard()->text(), "keep");
    EXPECT_EQ(Text(), markup + markup);
}

TEST_F(MathsEditor, BadPastesShowAMessageAndLeaveTheLineUnchanged)
{
    const struct {
        std::string clipboard;
        std::string message;
    } rows[] = {
        {"{/{1}", "Read error"},
        {"{/{1}{2", "Read error"},
        {"a{", "Read error"},
        {std::string("{Mtrx \x00\x02{1}", 11), "Read error"},
        {"a\nb", "Read error"},
        {"a}b", "Read error"},
        {"{sqrt{a\rb}", "Read error"},
        {std::string(10 * 1024 * 1024, 'x'), "The formula is too long."},
        {std::string(3000, '8'), "The formula is too long."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.clipboard.substr(0, 20));
        editor->SetElements(ElementsFromText("x+1"));
        editor->messages.clear();
        QApplication::clipboard()->setText(QString::fromLatin1(row.clipboard.data(), row.clipboard.size()));
        Play("[C-v]");
        EXPECT_EQ(Text(), "x+1");
        ASSERT_EQ(editor->messages.size(), 1u);
        EXPECT_EQ(editor->messages[0], row.message);
        CheckInvariants();
    }
}

TEST_F(MathsEditor, ALineTooWideRefusesTypingAndWarnsOnceUntilItIsShortEnoughAgain)
{
    editor->SetElements(ElementsFromText(std::string(140, 'W')));
    ASSERT_GT(Line().width, TEditor::MaxWidth);
    Play("1");
    Play("2[C-o]");
    EXPECT_EQ(Text(), std::string(140, 'W'));
    EXPECT_EQ(editor->messages, std::vector<std::string>{"The formula is too long."});
    for (int i = 0; i < 20; ++i)
        Play("[BS]");
    ASSERT_LT(Line().width, TEditor::MaxWidth);
    Play("1");
    EXPECT_EQ(Text(), std::string(120, 'W') + "1");
}

TEST_F(MathsEditor, DraggingSelectsAndTheSelectionCopiesAsMarkup)
{
    editor->SetElements(ElementsFromText("ab+{/{1}{2}+cd"));
    const int y = Line().offsetY + Line().raise + 8;
    const QPoint from(Line().offsetX + Line().leftMargin + FormulaTextWidth("a", 16), y);
    const QPoint to(Line().offsetX + Line().leftMargin + Line().width - FormulaTextWidth("d", 16), y);
    QTest::mousePress(editor.get(), Qt::LeftButton, {}, from);
    QTest::mouseMove(editor.get(), to);
    EXPECT_TRUE(editor->Dragging());
    QTest::mouseRelease(editor.get(), Qt::LeftButton, {}, to);
    EXPECT_FALSE(editor->Dragging());
    ASSERT_TRUE(Line().HasSelection());
    Play("[C-c]");
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "b+{/{1}{2}+c");
    // A drag from inside the numerator to past the fraction takes it whole.
    const QPoint inside(Line().offsetX + Line().leftMargin + Line().width / 2, Line().offsetY + 2);
    QTest::mousePress(editor.get(), Qt::LeftButton, {}, inside);
    QTest::mouseMove(editor.get(), to);
    QTest::mouseRelease(editor.get(), Qt::LeftButton, {}, to);
    Play("[C-x]");
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "{/{1}{2}+c");
    EXPECT_EQ(Text(), "ab+d");
    CheckInvariants();
}

TEST_F(MathsEditor, NumberFieldsAcceptWhatTheirRulesAllowAndShowErrorsInTheirLabel)
{
    QLabel label;
    editor->ErrorReporter = &label;
    const struct {
        const char* markup;
        bool positive, allowBlank, valid;
        const char* shown;
    } rows[] = {
        {"0", true, false, true, ""},   {"-1", true, false, false, " This must be a positive number "},
        {"-1", false, false, true, ""}, {"", false, true, true, ""},
        {"", false, false, false, ""},  {"2{p", true, false, true, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.markup);
        label.clear();
        editor->Positive = row.positive;
        editor->AllowBlank = row.allowBlank;
        editor->SetElements(ElementsFromText(row.markup));
        EXPECT_EQ(editor->ValidateNumber(), row.valid);
        EXPECT_EQ(label.text().toStdString(), row.shown);
    }
    editor->SetElements(ElementsFromText("2+"));
    TRealReaderPtr target;
    TParseParams params;
    EXPECT_TRUE(editor->ReadNumber(target, params));
    EXPECT_FALSE(target);
    EXPECT_FALSE(label.text().isEmpty());
    EXPECT_TRUE(editor->Modified());
    editor->SetElements(ElementsFromText("4+{/{1}{2}"));
    Extended seen = 0;
    EXPECT_FALSE(editor->ReadNumber(target, params, [&](Extended v) { seen = v; }));
    ASSERT_TRUE(target);
    EXPECT_EQ(static_cast<double>(seen), 4.5);
    editor->ShowNumber(TRealReader(-0.125));
    EXPECT_EQ(Text(), "-0.125");
    EXPECT_EQ(Line().caret.element, Line().Elements());
}

TEST_F(MathsEditor, TwoFieldsWithErrorsDoNotTakeTheFocusFromEachOtherForEver)
{
    QWidget form;
    auto* first = new TTestEditor(&form);
    auto* second = new TTestEditor(&form);
    second->move(0, 60);
    int validations = 0;
    for (TTestEditor* field : {first, second}) {
        field->resize(200, 40);
        field->OnKillFocus = [&](TMathsEditor*, bool& validate, QWidget*) {
            validate = true;
            ++validations;
        };
    }
    first->SetElements(ElementsFromText("2+"));
    second->SetElements(ElementsFromText("3+"));
    form.show();
    QApplication::setActiveWindow(&form);
    first->setFocus();
    QApplication::processEvents();
    second->setFocus();
    for (int i = 0; i < 50; ++i)
        QApplication::processEvents();
    EXPECT_LE(validations, 3);
    EXPECT_EQ(PendingFocusRequests, 0);
    EXPECT_TRUE(first->hasFocus());
}

TEST_F(MathsEditor, RandomKeysMouseAndPastesKeepTheLineWhole)
{
    std::mt19937 random(11);
    const std::vector<std::string> pieces = {
        "[Left]", "[Right]", "[Up]",  "[Down]", "[Del]", "[BS]",  "[Tab]", "[Home]",
        "[End]",  "[C-o]",   "[C-s]", "[C-k]",  "[C-p]", "[A-2]", "[A-s]", "[C-c]",
        "[C-x]",  "[C-v]",   "x",     "1",      "+",     "*",
    };
    QApplication::clipboard()->setText("{/{a}{b}");
    for (int i = 0; i < 1500; ++i) {
        const int choice = static_cast<int>(random() % (pieces.size() + 3));
        if (choice < static_cast<int>(pieces.size())) {
            Play(pieces[static_cast<std::size_t>(choice)]);
        } else if (choice == static_cast<int>(pieces.size())) {
            Line().SelectAll();
        } else {
            const QPoint point(static_cast<int>(random() % 420) - 10, static_cast<int>(random() % 60) - 6);
            QTest::mousePress(editor.get(), Qt::LeftButton, {}, point);
            QTest::mouseMove(editor.get(), point + QPoint(static_cast<int>(random() % 80) - 40, 0));
            QTest::mouseRelease(editor.get(), Qt::LeftButton, {}, point);
        }
        SCOPED_TRACE(Text());
        CheckInvariants();
        if (::testing::Test::HasFatalFailure())
            return;
        if (Line().width > 1500)
            editor->Clear();
    }
}

TEST_F(MathsEditor, TheCaretIsDrawnWhereTheLineSaysAndTheSelectionInverted)
{
    Play("y=x[A-2]+[C-o]1[Down]x");
    EXPECT_TRUE(editor->CaretShown());
    const QImage shot = editor->grab().toImage();
    KeepForInspection(shot, "mathseditor_typing.png");
    const QRect caret = Line().CaretRect().translated(Line().offsetX, Line().offsetY);
    const qreal ratio = shot.devicePixelRatio();
    EXPECT_EQ(shot.pixelColor(QPoint(caret.center().x(), caret.center().y()) * ratio), QColor(Qt::black));
    Line().SelectAll();
    const QImage selected = editor->grab().toImage();
    KeepForInspection(selected, "mathseditor_selected.png");
    const QRect band = Line().SelectionRect().translated(Line().offsetX, Line().offsetY);
    // Inverted: the background of the band is black.
    EXPECT_EQ(selected.pixelColor(QPoint(band.left() + 1, band.top() + 1) * ratio), QColor(Qt::black));
}

TEST_F(MathsEditor, ArrowsAndDeleteStepOneCharacterIntoARun)
{
    const TScriptRow rows[] = {
        // Right from before a run stops after its first character.
        {"abcdef[C-p]ghijk[Home][Right]X", "aXbcdef{pghijk"},
        {"abcdef[C-p]ghijk[Home][Right][Right][Right][Right][Right][Right][Right]X", "abcdef{pXghijk"},
        // The same behind a fraction: Home, into the numerator, after "1",
        // behind the fraction, after "a".
        {"[C-o]1[Down]2[Right]abc[Home][Right][Right][Right][Right]X", "{/{1}{2}aXbc"},
        // Delete before a run removes one character, not the run.
        {"abc[Home][Del]", "bc"},
        {"x[C-o]1[Down]2[Right]abc[Left][Left][Left][Del]", "x{/{1}{2}bc"},
        // Left is the mirror image.
        {"ab[C-p]cd[End][Left][Left]X", "ab{pXcd"},
    };
    PlayEach(rows);
}

TEST_F(MathsEditor, TheCaretPassesOverLockedDescriptions)
{
    // Read from markup, "Tangent at " is a locked description.
    const struct {
        const char* markup;
        const char* script;
        std::string result;
    } rows[] = {
        {"Tangent at 2", "[Home]X", "Tangent at X2"},
        {"Tangent at 2", "[End][Left][Left][Left]X", "Tangent at X2"},
        {"Tangent at 2", "[End][BS]X", "Tangent at X"},
        {"y=1Tangent at 2", "[End][Left][Left]Z", "y=Z1Tangent at 2"},
        {"y=1Tangent at 2", "[Home][Right][Right][Right][Right]Z", "y=1Tangent at 2Z"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.markup) + " " + row.script);
        editor->SetElements(ElementsFromText(row.markup));
        bool locked = false;
        for (const TEditorObject* e = Line().Elements(); e; e = e->next)
            locked = locked || dynamic_cast<const TLockedDescription*>(e);
        ASSERT_TRUE(locked);
        Play(row.script);
        EXPECT_EQ(Text(), row.result);
        CheckInvariants();
    }
    // A click before the description puts the caret after it.
    editor->SetElements(ElementsFromText("Tangent at 2"));
    QTest::mouseClick(editor.get(), Qt::LeftButton, {},
                      QPoint(Line().offsetX + Line().leftMargin, Line().offsetY + Line().height / 2));
    Play("Y");
    EXPECT_EQ(Text(), "Tangent at Y2");
}

TEST_F(MathsEditor, ArrowsThatDropASelectionLeaveNoHighlightBehind)
{
    SteadyCaret();
    for (const char* key : {"[Left]", "[Right]", "[End]", "[Home]"}) {
        SCOPED_TRACE(key);
        editor->SetElements(ElementsFromText("y=2x+{/{1}{3}+abc"));
        Line().SelectAll();
        ASSERT_FALSE(shownpicture::Shown(editor.get()).isNull());
        Play(key);
        EXPECT_FALSE(Line().HasSelection());
        EXPECT_EQ(shownpicture::StaleMarks(editor.get()), QRect());
    }
    // A paste after the selection was dropped shows no highlight either.
    QApplication::clipboard()->setText("z");
    editor->SetElements(ElementsFromText("y=2x+abc"));
    Line().SelectAll();
    (void)shownpicture::Shown(editor.get());
    Play("[Left][End][C-v]");
    EXPECT_EQ(Text(), "y=2x+abcz");
    EXPECT_EQ(shownpicture::StaleMarks(editor.get()), QRect());
}

TEST_F(MathsEditor, TypingInCentredCellsRepaintsTheGlyphsThatMove)
{
    SteadyCaret();
    const struct {
        const char* markup; // the line before the caret goes into a cell
        const char* script;
    } rows[] = {
        {"y=", "[C-o]x8[Down]123456[BS][BS][BS][BS][BS]"},
        {"y=", "[C-o]123456[Down]x8[Up][BS][BS][BS][BS]"},
        {"{Mtrx \x02\x02{1}{2}{3}{4}", "[Home]123456[Down]9999"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        editor->SetElements(ElementsFromText(row.markup));
        (void)shownpicture::Shown(editor.get());
        // After every key the screen shows what a full repaint would.
        std::string script = row.script;
        for (std::size_t i = 0; i < script.size(); ++i) {
            std::size_t end = i;
            if (script[i] == '[')
                end = script.find(']', i);
            const std::string key = script.substr(i, end - i + 1);
            i = end;
            Play(key);
            ASSERT_EQ(shownpicture::StaleMarks(editor.get()), QRect()) << "after " << key << ": " << Text();
        }
    }
}

TEST_F(MathsEditor, CellsAreNotNestedDeeperThanADocumentCanHold)
{
    // Each Ctrl+O opens a fraction in the numerator of the one before.
    for (int i = 0; i < MaxCellNesting; ++i)
        Play("[C-o]");
    ASSERT_EQ(NestingDepth(Line().Elements()), MaxCellNesting);
    EXPECT_TRUE(editor->messages.empty());
    const std::string deepest = Text();
    // One more fraction, index or square root is refused, with one warning.
    Play("x[C-o][A-2][C-s]");
    EXPECT_EQ(Text().size(), deepest.size() + 1) << "only the x went in";
    EXPECT_EQ(editor->messages, std::vector<std::string>{TooDeepMessage});
    // So is a pasted fraction; the warning is not repeated.
    QApplication::clipboard()->setText("{/{1}{2}");
    Play("[C-v]");
    EXPECT_EQ(NestingDepth(Line().Elements()), MaxCellNesting);
    EXPECT_EQ(editor->messages.size(), 1u);
    // What was typed reads back whole, as a document or undo reads it.
    TElementList again;
    ASSERT_NO_THROW(again = ElementsFromText(Text()));
    EXPECT_EQ(ElementsToText(again.get()), Text());
    // Out of the innermost fraction there is room again, and the next
    // refusal warns again.
    Play("[Right][Right][C-o][C-o]");
    EXPECT_EQ(NestingDepth(Line().Elements()), MaxCellNesting);
    EXPECT_EQ(editor->messages.size(), 1u);
    Play("[C-o]");
    EXPECT_EQ(editor->messages.size(), 2u);
    CheckInvariants();
}

} // namespace
