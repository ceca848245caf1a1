// Formula lines and equation objects: Tidy in its four modes (with the
// selection kept on living elements), TEditor's take-over and record, and the
// shared fields and links of TEquationObject.
#include "elementdump.h"

#include "formula/descriptions.h"
#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "settings/mathswriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using elementdump::Dump;

namespace {

// Builds a list from elements given in order (the first is the head).
TElementList Chain(std::initializer_list<TEditorObject*> elements)
{
    TEditorObject* head = nullptr;
    TEditorObject* tail = nullptr;
    for (TEditorObject* e : elements) {
        if (tail)
            tail->next = e;
        else
            head = e;
        tail = e;
    }
    return TElementList(head);
}

struct TTidyRow {
    const char* name;
    std::string markup; // read with ElementsFromText, then adjusted by edit
    int mode;
    bool answer;
    std::string structure;
};

TEST(Tidy, EachModeRemovesMergesAndRestoresAnchorsAsItShould)
{
    const std::vector<TTidyRow> rows = {
        {"empty line, paste", "", tmPaste, false, "A"},
        {"empty line, finish", "", tmFinish, true, ""},
        {"empty line, test", "", tmTest, true, "A"},
        {"text, test", "x", tmTest, false, "A \"x\""},
        {"text, finish drops anchors", "x", tmFinish, false, "\"x\""},
        {"finish empties cells", "{/{}{1}", tmFinish, false, "/(-|\"1\")"},
        {"finish drops a trailing tab", "a\t", tmFinish, false, "\"a\""},
        {"finish drops every trailing tab", "a\t\t", tmFinish, false, "\"a\""},
        {"paste keeps tabs", "a\t\t", tmPaste, false, "A \"a\" TAB TAB"},
        {"finish keeps inner tabs", "a\tb", tmFinish, false, "\"a\" TAB \"b\""},
        {"empty structure counts in paste", "{/{}{}", tmPaste, false, "A /(A|A)"},
        {"empty structure is empty in test", "{/{}{}", tmTest, true, "A /(A|A)"},
        {"anchored cells keep a structure in replace", "{/{}{}", tmReplace, false, "A /(A|A)"},
        {"filled structure stays in replace", "{/{}{2}", tmReplace, false, "A /(A|A \"2\")"},
        {"replace cuts after a second description", "Tangent at Area from 4", tmReplace, false, "A L2"},
        {"replace keeps one description", "Tangent at 3", tmReplace, false, "A L2 \"3\""},
        {"replace clears the second field", "{fix \x03\x01{Tangent at }{x=1{p}{z}", tmReplace, false,
         "A fix3m1(A L2|A|A \"z\")"},
        {"symbol counts", "{p", tmTest, false, "A {p}"},
    };
    for (const TTidyRow& row : rows) {
        SCOPED_TRACE(row.name);
        TElementList list = ElementsFromText(row.markup);
        EXPECT_EQ(Tidy(list, row.mode), row.answer);
        EXPECT_EQ(Dump(list.get()), row.structure);
    }
}

TEST(Tidy, RunsMergeAndEmptyRunsGoExceptWhenOnlyTesting)
{
    struct TRow {
        int mode;
        bool answer;
        std::string structure;
    };
    for (const TRow& row :
         {TRow{tmPaste, false, "A \"abcd\" {p} \"e\""}, TRow{tmFinish, false, "\"abcd\" {p} \"e\""},
          TRow{tmReplace, false, "A \"abcd\" {p} \"e\""},
          TRow{tmTest, false, "A \"ab\" \"\" \"cd\" {p} \"e\" \"\""}}) {
        SCOPED_TRACE(row.mode);
        TElementList list = Chain({new TEditorObject, new TStringEditObject("ab"), new TStringEditObject(""),
                                   new TStringEditObject("cd"), new TSpecialChar('p'),
                                   new TStringEditObject("e"), new TStringEditObject("")});
        EXPECT_EQ(Tidy(list, row.mode), row.answer);
        EXPECT_EQ(Dump(list.get()), row.structure);
    }

    // Paste puts the anchor back in front of a finished list.
    TElementList finished = Chain({new TSpecialChar('q'), new TStringEditObject("")});
    EXPECT_FALSE(Tidy(finished, tmPaste));
    EXPECT_EQ(Dump(finished.get()), "A {q}");

    // A blank line before an empty run is empty too.
    TElementList blank =
        Chain({new TEditorObject, new TBlankLine, new TBlankLine, new TStringEditObject("")});
    EXPECT_TRUE(Tidy(blank, tmTest));
}

TEST(Tidy, SelectionEndsFollowMergedTextAndLeaveFreedElements)
{
    TEditor line;
    auto* first = new TStringEditObject("ab");
    auto* second = new TStringEditObject("cd");
    auto* empty = new TStringEditObject("");
    line.Elements()->next = first;
    first->next = second;
    second->next = empty;
    line.caret = TCaretPosition{second, 1, 0, 0};
    line.anchor = TCaretPosition{empty, 0, 0, 0};

    EXPECT_FALSE(Tidy(line.ElementList(), tmPaste, &line));
    EXPECT_EQ(Dump(line.Elements()), "A \"abcd\"");
    EXPECT_EQ(line.caret.element, first);
    EXPECT_EQ(line.caret.offset, 3);
    EXPECT_EQ(line.anchor.element, first);
    EXPECT_EQ(line.anchor.offset, 4);

    // Finishing removes the anchor the caret stood on; the caret moves on to
    // the first real element, and one behind a removed tab moves back.
    TEditor other;
    other.SetElements(ElementsFromText("x{p\t"));
    TEditorObject* tab = other.Elements()->next->next->next;
    other.caret = TCaretPosition{other.Elements(), 0, 0, 0};
    other.anchor = TCaretPosition{tab, 1, 0, 0};
    EXPECT_FALSE(Tidy(other.ElementList(), tmFinish, &other));
    EXPECT_EQ(Dump(other.Elements()), "\"x\" {p}");
    EXPECT_EQ(other.caret.element, other.Elements());
    EXPECT_EQ(other.caret.offset, 0);
    EXPECT_EQ(other.anchor.element, other.Elements()->next);
    EXPECT_EQ(other.anchor.offset, 1);

    // Replace mode leaves the caret in the emptied second field.
    TEditor fields;
    fields.SetElements(ElementsFromText("{fix \x02\x01{Tangent at }{x=1}"));
    auto* list = dynamic_cast<TFixedList*>(fields.Elements()->next);
    ASSERT_NE(list, nullptr);
    fields.caret = TCaretPosition{list->Cell(1)->next, 2, 0, 0};
    Tidy(fields.ElementList(), tmReplace, &fields);
    EXPECT_EQ(fields.caret.element, list->Cell(1));
    EXPECT_EQ(fields.anchor.element, list->Cell(1));
}

TEST(Tidy, LongLinesAreTidiedWithoutRecursion)
{
    TElementList list(new TEditorObject);
    TEditorObject* tail = list.get();
    for (int i = 0; i < 200000; ++i) {
        tail->next = new TStringEditObject("x");
        tail = tail->next;
    }
    EXPECT_FALSE(Tidy(list, tmPaste));
    const auto* run = dynamic_cast<const TStringEditObject*>(list->next);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->Text().size(), 200000u);
    EXPECT_EQ(run->next, nullptr);
}

TEST(Editor, NewLinesTakeOverAndWriteTheirRecord)
{
    TEditor line(0x10);
    EXPECT_TRUE(ListIsEmpty(line.Elements()));
    EXPECT_EQ(line.caret.element, line.Elements());
    EXPECT_EQ(line.anchor.element, line.Elements());
    EXPECT_EQ(line.PropertyFlags(), 0x10u);
    EXPECT_EQ(line.EditedObject(), nullptr);
    EXPECT_TRUE(line.LayoutOutOfDate());

    TEditor source;
    source.SetElements(ElementsFromText("Tangent at 2"));
    source.colour = CurveColour(3);
    source.style = 2;
    source.thickness = 4;
    source.SetSwitches(0x21);
    source.marker = true;
    source.leftMargin = 0;
    source.height = 17;
    TEditor parent;
    source.SetParent(&parent);

    line.TakeOver(source);
    EXPECT_EQ(Dump(line.Elements()), "A L2 \"2\"");
    EXPECT_TRUE(ListIsEmpty(source.Elements()));
    EXPECT_EQ(line.EditedObject(), &source);
    EXPECT_EQ(line.ReportedKind(), 401);
    EXPECT_EQ(line.caret.element, line.Elements());
    EXPECT_EQ(line.colour, CurveColour(3));
    EXPECT_EQ(line.style, 2);
    EXPECT_EQ(line.thickness, 4);
    EXPECT_EQ(line.Switches(), 0x21);
    EXPECT_TRUE(line.marker);
    EXPECT_EQ(line.leftMargin, 0);
    EXPECT_EQ(line.height, 17);
    EXPECT_EQ(line.GetParent(), &parent);

    TMathsWriter writer;
    line.WriteTo(writer);
    // A plain line's record keeps its look too, so a line with a fault
    // reads back in its own colour, style and thickness.
    EXPECT_EQ(writer.Text(), "Curve\r\nTangent at 2\r\n\tcolour = " + std::to_string(CurveColour(3)) +
                                 "\r\n\tstyle = 2\r\n\tSwitches = 33\r\n\tLine thickness = 4\r\n");
}

// A plotted object reduced to its links, for the dependency queries.
class TLinkedObject : public TEquationObject {
public:
    void WriteTo(TMathsWriter&) const override {}
    void DrawOnGraph(Canvas&, TGraphParams&) override {}
    [[nodiscard]] TEquationObject* GetParent() const override { return parent; }
    void SetParent(TEquationObject* p) override { parent = p; }
    [[nodiscard]] TEquationObject* GetSource() const override { return source; }
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return flags; }
    TEquationObject* parent = nullptr;
    TEquationObject* source = nullptr;
    std::uint32_t flags = 0;
};

TEST(EquationObject, DependencyQueriesFollowParentsAndSourcesAndSurviveCycles)
{
    TLinkedObject root, child, grandchild, image, unrelated;
    child.parent = &root;
    grandchild.parent = &child;
    image.source = &grandchild;

    EXPECT_TRUE(grandchild.DependsOnObject(&child));
    EXPECT_TRUE(grandchild.DependsOnObject(&root));
    EXPECT_FALSE(root.DependsOnObject(&child));
    EXPECT_FALSE(grandchild.DependsOnObject(&unrelated));
    EXPECT_FALSE(grandchild.DependsOnObject(nullptr));

    EXPECT_TRUE(image.Involves(&grandchild));
    EXPECT_TRUE(image.Involves(&root));
    EXPECT_FALSE(image.Involves(&unrelated));
    EXPECT_FALSE(image.DependsOnObject(&grandchild));

    // Links that loop end the search instead of running forever.
    TLinkedObject a, b;
    a.parent = &b;
    b.parent = &a;
    a.source = &b;
    b.source = &a;
    EXPECT_FALSE(a.DependsOnObject(&unrelated));
    EXPECT_FALSE(a.Involves(&unrelated));
    EXPECT_TRUE(a.Involves(&b));
}

TEST(EquationObject, SharedFieldsStartFromTheDefaultsAndCapabilitiesFollowProperties)
{
    struct TRow {
        std::uint32_t flags, capabilities;
    };
    for (const TRow row : {TRow{0, 3}, TRow{0x200000, 0x8003}, TRow{0x400000, 0x10003},
                           TRow{0x600000, 0x18003}, TRow{0x1, 3}}) {
        TLinkedObject object;
        object.flags = row.flags;
        EXPECT_EQ(object.Capabilities(), row.capabilities) << row.flags;
    }

    const auto savedSwitches = DefaultLineSwitches;
    const auto savedThickness = DefaultLineThickness;
    DefaultLineSwitches = 0x0104;
    DefaultLineThickness = 3;
    TLinkedObject object;
    DefaultLineSwitches = savedSwitches;
    DefaultLineThickness = savedThickness;
    EXPECT_EQ(object.Switches(), 0x0104);
    EXPECT_EQ(object.thickness, 3);
    EXPECT_EQ(object.leftMargin, 10);
    EXPECT_EQ(object.byteValue, 1);
    EXPECT_FALSE(object.marker);
    EXPECT_TRUE(ListIsEmpty(object.Elements()));

    object.SetSwitch(0x0003, true);
    object.SetSwitch(0x0100, false);
    EXPECT_EQ(object.Switches(), 0x0007);

    EXPECT_TRUE(object.LayoutOutOfDate());
    object.SetMustRecalculate(true);
    object.SetLayoutOutOfDate(false);
    EXPECT_TRUE(object.MustRecalculate());
    EXPECT_FALSE(object.LayoutOutOfDate());
    EXPECT_FALSE(object.Changed());

    TLineMargins margins{5, 5, 5};
    object.GetMargins(margins);
    EXPECT_EQ(margins.above, 0);
    EXPECT_EQ(margins.below, 0);
    EXPECT_EQ(margins.body, 10);
}

TEST(EquationObject, CurveColoursCycleThroughTheTenPaletteEntries)
{
    const std::vector<int> indexes = {0, 16, 13, 1, 2, 3, 4, 5, 6, 12};
    for (int n = 0; n < 25; ++n)
        EXPECT_EQ(CurveColour(n), 0x01000000 + indexes[static_cast<std::size_t>(n % 10)]) << n;
}

} // namespace

// ---- Editing ------------------------------------------------------------------

namespace {

// Records what an edit asks to repaint.
class TRecordingWindow : public TLineWindow {
public:
    std::vector<QRect> dirty;
    int tooLong = 0;
    void InvalidateLine(const QRect& rect) override { dirty.push_back(rect); }
    void LineChanged(TEditor&) override {}
    void ShowTooLong() override { ++tooLong; }
    void CaretMoved() override {}
};

} // namespace

TEST(EditorEditing, TypingRepaintsOnlyTheBandFromTheEditPointUnlessTheSizeChanged)
{
    const int previous = SetFormulaHeight(16);
    TEditor line;
    TRecordingWindow window;
    line.window = &window;
    line.SetElements(ElementsFromText("abcdefgh+{/{1}{2}"));
    line.Remeasure();
    line.SetCaret(line.Elements()->next, 4);
    const int editX = line.caret.x;
    // The band reaches the right end of the line, or the whole width a line
    // may have when the width passed a tab stop.
    for (const char* text : {"i", "i", "WWWWWWWWWW", "i"}) {
        SCOPED_TRACE(text);
        window.dirty.clear();
        const int x = line.caret.x;
        ASSERT_TRUE(line.TypeText(text));
        ASSERT_FALSE(window.dirty.empty());
        const QRect band = window.dirty.back();
        EXPECT_EQ(band.left(), x);
        EXPECT_EQ(band.right() >= TEditor::MaxWidth, line.widthChanged);
        if (!line.widthChanged) {
            EXPECT_LE(band.right(), TabEnd(line.width) + line.leftMargin);
        }
    }
    EXPECT_EQ(editX, line.leftMargin + FormulaTextWidth("abcd", 16));
    line.window = nullptr;
    SetFormulaHeight(previous);
}

TEST(EditorEditing, LongRunsGrowAndSurviveTheWayThroughMarkup)
{
    // Small print keeps 300 characters within the length limit.
    const int previous = SetFormulaHeight(5);
    TEditor line;
    line.SetElements(ElementsFromText("{/{1}{2}"));
    line.Remeasure();
    line.CaretToEnd();
    const std::string typed(300, '1');
    for (char c : typed)
        ASSERT_TRUE(line.TypeText(std::string_view(&c, 1)));
    line.SetCaret(line.Elements()->next->next, 150);
    ASSERT_TRUE(line.TypeText("+"));
    const std::string expected = "{/{1}{2}" + std::string(150, '1') + "+" + std::string(150, '1');
    EXPECT_EQ(ElementsToText(line.Elements()), expected);
    // Read back, the run is split at 250 characters and nothing is lost.
    TElementList again = ElementsFromText(ElementsToText(line.Elements()));
    EXPECT_EQ(ElementsToText(again.get()), expected);
    SetFormulaHeight(previous);
}

TEST(EditorEditing, CopyNeedsBothEndsInOneListAndARefusedPasteLeavesTheCaret)
{
    TEditor line;
    TRecordingWindow window;
    line.window = &window;
    line.SetElements(ElementsFromText("a{/{12}{3}b"));
    line.Remeasure();
    auto* fraction = dynamic_cast<TSublistsEditObject*>(line.Elements()->next->next);
    ASSERT_TRUE(fraction);
    // Ends in the numerator and after the fraction: no copy.
    line.caret = TCaretPosition{fraction->Cell(0)->next, 1};
    line.anchor = TCaretPosition{line.Elements()->next->next->next, 1};
    EXPECT_EQ(line.CopySelection(), "");
    line.CaretToEnd();
    const TCaretPosition before = line.caret;
    EXPECT_EQ(line.PasteText(std::string(70000, 'x')), TPasteResult::TooLong);
    EXPECT_EQ(line.PasteText("{/{1}"), TPasteResult::ReadError);
    EXPECT_EQ(line.caret.element, before.element);
    EXPECT_EQ(line.caret.offset, before.offset);
    EXPECT_EQ(ElementsToText(line.Elements()), "a{/{12}{3}b");
    EXPECT_EQ(window.tooLong, 1);
    line.window = nullptr;
}

TEST(EditorEditing, InsertedElementsLeaveTheCaretAfterTextAndInsideANewStructure)
{
    const struct {
        const char* inserted;
        const char* typed;
        std::string markup;
    } rows[] = {
        {"y=", "x", "y=x"},             // text is stepped over whole
        {"{/{}{}", "1", "{/{1}{}"},     // a structure is entered
        {"{p", "2", "{p2"},             // a symbol is stepped over
        {"ab{/{}{}", "c", "abc{/{}{}"}, // text first: the caret stops before the structure
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.inserted);
        TEditor line;
        line.SetElements(TElementList(new TEditorObject));
        line.Remeasure();
        ASSERT_TRUE(line.TypeElements(ElementsFromText(row.inserted)));
        ASSERT_TRUE(line.TypeText(row.typed));
        EXPECT_EQ(ElementsToText(line.Elements()), row.markup);
    }
}
