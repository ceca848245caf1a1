// Reading and writing formula markup: round trips of every element kind,
// the reading rules (descriptions first, keywords without case, versions),
// and malformed or hostile input that must end in eReaderror, never a crash.
#include "elementdump.h"

#include "formula/descriptions.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "platform/canvas.h"
#include "settings/mathsreader.h"

#include <QImage>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using elementdump::Dump;

namespace {

// The bytes of a literal, embedded zeros included.
template <std::size_t N> std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

struct TRoundTrip {
    std::string markup;
    std::string structure;
};

TEST(Markup, CanonicalTextsReadIntoTheirElementsAndWriteBackUnchanged)
{
    const std::vector<TRoundTrip> rows = {
        {"", "A"},
        {"y=x{^{2}", "A \"y=x\" ^(A \"2\")"},
        {"e{^{x}", "A \"e\" ^(A \"x\")"},
        {"y={\xB1sqrt(", "A \"y=\" {$B1} \"sqrt(\""},
        {"{/{}{}", "A /(A|A)"},
        {"{/{1}{x{^{2}}", "A /(A \"1\"|A \"x\" ^(A \"2\"))"},
        {"{sqrt{x+1}", "A sqrt(A \"x+1\")"},
        {"{sqrt{{sqrt{{/{a}{b}}}", "A sqrt(A sqrt(A /(A \"a\"|A \"b\")))"},
        {"{Mtrx \x02\x03{1}{2}{3}{4}{5}{6}", "A M2x3(A \"1\"|A \"2\"|A \"3\"|A \"4\"|A \"5\"|A \"6\")"},
        {"{fix \x02\x01{Tangent at }{x=1}", "A fix2m1(A L2|A \"x=1\")"},
        {"{coords{1}{-2.5}", "A coords(A \"1\"|A \"-2.5\")"},
        {"{q=t+.5 sin4t\tr=3+sin(4t+a)\tt=0 to 2{p",
         "A {q} \"=t+.5 sin4t\" TAB \"r=3+sin(4t+a)\" TAB \"t=0 to 2\" {p}"},
        {"Tangent at x=1", "A L2 \"x=1\""},
        {"Coordinates", "A L5"},
        {"compass points", "A L21"},
        {"Rotation about(0,0)", "A D14 \"(0,0)\""},
        {"45{^{\xAA}", "A \"45\" ^(A D46)"},
        {"1{^{\xAB}", "A \"1\" ^(A D47)"},
        {"Polygon with 5 sides of length 2", "A D39 \" 5 \" D41 \" 2\""},
        {"Polygon", "A D40"},
        {"Best fit straight y on x", "A D55"},
        {"Stats:  mean", "A D58 \"mean\""},
        {"x{<2{\xA3y", "A \"x\" {<} \"2\" {$A3} \"y\""},
        {"\t\t", "A TAB TAB"},
    };
    for (const TRoundTrip& row : rows) {
        SCOPED_TRACE(row.markup);
        const TElementList list = ElementsFromText(row.markup);
        EXPECT_EQ(Dump(list.get()), row.structure);
        EXPECT_EQ(ElementsToText(list.get()), row.markup);
        const TElementList again = ElementsFromText(ElementsToText(list.get()));
        EXPECT_EQ(Dump(again.get()), row.structure);
    }
}

struct TNormalised {
    std::string input;
    std::string structure;
    std::string written;
};

TEST(Markup, KeywordsAndDescriptionsIgnoreCaseAndUnknownLettersBecomeSymbols)
{
    const std::vector<TNormalised> rows = {
        {"{SQRT{x}", "A sqrt(A \"x\")", "{sqrt{x}"},
        {"TaNgEnT at 3", "A L2 \"3\"", "Tangent at 3"},
        {"{z", "A {z}", "{z"},
        {"{s", "A {s}", "{s"},
        {"{mTRX \x01\x01{a}", "A M1x1(A \"a\")", "{Mtrx \x01\x01{a}"},
        {Bytes("{FIX \x01\x00{a}"), "A fix1m0(A \"a\")", Bytes("{fix \x01\x00{a}")},
        {"{COORDS{1}{2}", "A coords(A \"1\"|A \"2\")", "{coords{1}{2}"},
        // The copyright sign in memory text is the degree mark.
        {"30\xA9", "A \"30\" D46", "30\xAA"},
        // Reading stops at the zero that ends memory text.
        {Bytes("ab\0cd"), "A \"ab\"", "ab"},
    };
    for (const TNormalised& row : rows) {
        SCOPED_TRACE(row.input);
        const TElementList list = ElementsFromText(row.input);
        EXPECT_EQ(Dump(list.get()), row.structure);
        EXPECT_EQ(ElementsToText(list.get()), row.written);
    }
}

TEST(Markup, MalformedMarkupRaisesReadError)
{
    const std::vector<std::string> rows = {
        "{/{a}b",                   // second cell does not start with "{"
        "{/{a}",                    // data ends where a cell should start
        "{/{a",                     // cell never closed
        "{",                        // element missing
        Bytes("{\0"),               // a zero cannot be a symbol
        "{Mtrx \x02",               // dimension bytes cut short
        Bytes("{Mtrx \x00\x01{a}"), // no rows
        "{Mtrx \x0B\x01{a}",        // eleven rows
        "{Mtrx \xFF\xFF",           // absurd size
        Bytes("{fix \x00\x00"),     // no fields
        Bytes("{fix \x07\x00{a}"),  // more than six fields
        "{fix \x02\x01{a}",         // second field missing
        "{coords{1}",               // second coordinate missing
        "x{^",                      // index cell missing
    };
    for (const std::string& markup : rows) {
        SCOPED_TRACE(elementdump::Bytes(markup));
        EXPECT_THROW((void)ElementsFromText(markup), eReaderror);
    }
}

std::string NestedRoots(int depth)
{
    std::string markup;
    for (int i = 0; i < depth; ++i)
        markup += "{sqrt{";
    markup += "x";
    markup.append(static_cast<std::size_t>(depth), '}');
    return markup;
}

TEST(Markup, NestingIsBoundedSoHostileInputCannotExhaustTheStack)
{
    EXPECT_NO_THROW((void)ElementsFromText(NestedRoots(MaxCellNesting)));
    EXPECT_THROW((void)ElementsFromText(NestedRoots(MaxCellNesting + 1)), eReaderror);

    std::string hostile;
    for (int i = 0; i < 100000; ++i)
        hostile += "{/{";
    EXPECT_THROW((void)ElementsFromText(hostile), eReaderror);

    // A long flat line is read in a loop.
    std::string flat;
    for (int i = 0; i < 200000; ++i)
        flat += "{p";
    const TElementList list = ElementsFromText(flat);
    int count = 0;
    for (const TEditorObject* e = list->next; e; e = e->next)
        ++count;
    EXPECT_EQ(count, 200000);
}

TEST(Markup, DocumentLinesEndAtCarriageReturnFollowedByLineFeed)
{
    TMathsReader reader("y=x{^{2}\r\nnext");
    const TElementList list = ReadElements(reader, '\r');
    EXPECT_EQ(Dump(list.get()), "\"y=x\" ^(A \"2\")");
    EXPECT_EQ(reader.ReadLine(), "next");

    TMathsReader empty("\r\n");
    EXPECT_EQ(ReadElements(empty, '\r'), nullptr);
    TMathsReader emptyLine("\r\n");
    EXPECT_EQ(Dump(ReadElementLine(emptyLine, '\r').get()), "A");

    for (const char* broken : {"x=1\ry", "x=1", "x=1\r", "{/{1}{2\r\n"}) {
        SCOPED_TRACE(broken);
        TMathsReader r(broken);
        EXPECT_THROW((void)ReadElements(r, '\r'), eReaderror);
    }
}

TEST(Markup, DocumentVersionDecidesMatrixOrderAndTheCompassSpelling)
{
    struct TRow {
        std::string version;
        std::string markup;
        std::string structure;
    };
    const std::vector<TRow> rows = {
        {"3.101", "{Mtrx \x02\x03{a}{b}{c}{d}{e}{f}\r\n",
         "M2x3(A \"a\"|A \"b\"|A \"c\"|A \"d\"|A \"e\"|A \"f\")"},
        {"2", "{Mtrx \x02\x03{a}{b}{c}{d}{e}{f}\r\n",
         "M2x3(A \"a\"|A \"b\"|A \"c\"|A \"d\"|A \"e\"|A \"f\")"},
        {"1.9", "{Mtrx \x02\x03{a}{b}{c}{d}{e}{f}\r\n",
         "M3x2(A \"a\"|A \"b\"|A \"c\"|A \"d\"|A \"e\"|A \"f\")"},
        {"2.0005", "Compass 8\r\n", "L21 \" 8\""},
        {"2.0006", "Compass 8\r\n", "\"Compass 8\""},
        {"3.101", "compass points\r\n", "L21"},
        // The copyright sign of a document is the empty description.
        {"3.101", "\xA9\r\n", "D32"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.version + " " + elementdump::Bytes(row.markup));
        TMathsReader reader(row.markup);
        reader.SetFileVersion(row.version);
        const TElementList list = ReadElements(reader, '\r');
        EXPECT_EQ(Dump(list.get()), row.structure);
    }
}

TEST(Markup, TextRunsLongerThanTwoHundredAndFiftyCharactersGoOnInANewRun)
{
    const TElementList memory = ElementsFromText(std::string(300, 'a'));
    EXPECT_EQ(Dump(memory.get()), "A \"" + std::string(250, 'a') + "\" \"" + std::string(50, 'a') + "\"");

    // In a document line nothing after the 250th character is lost, and the
    // line's end is read.
    TMathsReader reader(std::string(260, 'b') + "\r\n");
    const TElementList line = ReadElements(reader, '\r');
    EXPECT_EQ(Dump(line.get()), "\"" + std::string(250, 'b') + "\" \"" + std::string(10, 'b') + "\"");
    EXPECT_EQ(reader.Remaining(), 0u);

    // A run is counted afresh after each element.
    const std::string twoRuns = std::string(200, 'c') + "{p" + std::string(200, 'd');
    EXPECT_EQ(ElementsToText(ElementsFromText(twoRuns).get()), twoRuns);

    EXPECT_EQ(ElementsToText(ElementsFromShortText(std::string(240, 'e') + "{p").get()),
              std::string(240, 'e') + "{p");
    EXPECT_EQ(ElementsToText(ElementsFromShortText(std::string(400, 'f')).get()), std::string(250, 'f'));
}

TEST(Markup, AdjacentRunsMergeAndDisplayOnlyElementsVanishOnTheWayThrough)
{
    TElementList list(new TEditorObject);
    TEditorObject* tail = list.get();
    for (TEditorObject* e : std::initializer_list<TEditorObject*>{
             new TStringEditObject("ab"), new TStringEditObject("cd"), new TDisplayInfo,
             new TStringEditObject("ef"), new TEditTabObject, new TFixedDescription(dnEmpty)}) {
        tail->next = e;
        tail = e;
    }
    EXPECT_EQ(ElementsToText(list.get()), "abcdef\t\xA9");
    EXPECT_EQ(Dump(ElementsFromText(ElementsToText(list.get())).get()), "A \"abcdef\" TAB D46");

    // A copy keeps the empty description, which the degree-mark rule of
    // memory text would otherwise turn into a degree mark.
    const TElementList copy = CopyElements(list.get());
    EXPECT_EQ(Dump(copy.get()), "A \"abcdef\" TAB D32");
}

TEST(Markup, CopiesAreDeepAndIndependent)
{
    const TElementList original = ElementsFromText("{/{x{^{2}}{Mtrx \x01\x02{a}{b}}Tangent at 1");
    const TElementList copy = CopyElements(original.get());
    EXPECT_EQ(Dump(copy.get()), Dump(original.get()));
    auto* fraction = dynamic_cast<TFractionObject*>(original->next);
    auto* copied = dynamic_cast<TFractionObject*>(copy->next);
    ASSERT_NE(fraction, nullptr);
    ASSERT_NE(copied, nullptr);
    EXPECT_NE(fraction, copied);
    EXPECT_NE(fraction->Cell(0), copied->Cell(0));
}

TEST(Markup, RegistryHoldsTheTaggedClassesInReadingOrder)
{
    const TClassStoreList& classes = ElementClasses();
    ASSERT_EQ(classes.Count(), 3u);
    EXPECT_EQ(classes[0].tag, "/");
    EXPECT_EQ(classes[1].tag, "sqrt");
    EXPECT_EQ(classes[2].tag, "^");
    EXPECT_NE(dynamic_cast<TSquareRootEditObject*>(classes[1].create().get()), nullptr);
}

TEST(Markup, ATextLineHoldingMarkupIsConvertedOnlyWhenItIsASingleRun)
{
    struct TRow {
        std::vector<std::string> runs;
        bool converts;
        std::string structure;
    };
    const std::vector<TRow> rows = {
        {{"y=x{^{2}"}, true, "A \"y=x\" ^(A \"2\")"},
        {{"plain"}, true, "A \"plain\""},
        {{"a", "b"}, false, "A \"a\" \"b\""},
        {{"{/{1}"}, false, "A \"{/{1}\""}, // unreadable markup stays as typed
        {{}, false, "A"},
    };
    for (const TRow& row : rows) {
        TEditor line;
        TEditorObject* tail = line.Elements();
        for (const std::string& run : row.runs) {
            tail->next = new TStringEditObject(run);
            tail = tail->next;
        }
        line.SetLayoutOutOfDate(false);
        EXPECT_EQ(ConvertTextList(line.ElementList()), row.converts);
        EXPECT_EQ(Dump(line.Elements()), row.structure);
        EXPECT_FALSE(line.LayoutOutOfDate());
    }

    TEditor line;
    line.Elements()->next = new TStringEditObject("{p");
    line.SetLayoutOutOfDate(false);
    QImage image(20, 20, QImage::Format_RGB32);
    Canvas canvas(&image);
    EXPECT_TRUE(line.ConvertTextLine(canvas));
    EXPECT_EQ(Dump(line.Elements()), "A {p}");
    EXPECT_TRUE(line.LayoutOutOfDate());
}

} // namespace
