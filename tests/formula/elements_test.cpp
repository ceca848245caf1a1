// The element classes themselves: text-run capacity, cell dimensions, the
// description table and its token records, Find and DescribedKind, and
// freeing of lists too long or too deep for recursion.
#include "elementdump.h"

#include "formula/descriptions.h"
#include "formula/elements.h"
#include "formula/markup.h"
#include "settings/mathswriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

TEST(TextRun, CapacityIsAlwaysAMultipleOfEightyLargeEnoughForTheTextAndItsTerminator)
{
    struct TRow {
        std::size_t length;
        std::size_t capacity;
    };
    for (const TRow row :
         {TRow{0, 80}, TRow{79, 80}, TRow{80, 160}, TRow{159, 160}, TRow{160, 240}, TRow{1000, 1040}}) {
        SCOPED_TRACE(row.length);
        TStringEditObject run(std::string(row.length, 'x'));
        EXPECT_EQ(run.Capacity(), row.capacity);
    }

    TStringEditObject run;
    EXPECT_EQ(run.Capacity(), 80u);
    std::size_t last = run.Capacity();
    for (int i = 0; i < 300; ++i) {
        run.Append("y");
        EXPECT_EQ(run.Capacity() % 80, 0u);
        EXPECT_GT(run.Capacity(), run.Text().size());
        EXPECT_GE(run.Capacity(), last); // never shrinks while growing
        last = run.Capacity();
    }
    run.SetText("short");
    EXPECT_EQ(run.Capacity(), last);
    EXPECT_EQ(run.PositionCount(), 5);
}

TEST(Elements, DimensionsPositionsAndPropertiesFollowTheClass)
{
    struct TRow {
        const char* name;
        std::unique_ptr<TSublistsEditObject> element;
        int rows, columns;
        std::uint32_t flags;
        bool oneUnit;
    };
    std::vector<TRow> rows;
    rows.push_back({"object list", std::make_unique<TObjectListEditObject>(), 1, 1, 0, true});
    rows.push_back({"fraction", std::make_unique<TFractionObject>(), 2, 1, 0, true});
    rows.push_back({"superscript", std::make_unique<TSuperscriptEditObject>(), 1, 1, 0, true});
    rows.push_back({"square root", std::make_unique<TSquareRootEditObject>(), 1, 1, 0, true});
    rows.push_back({"matrix", std::make_unique<TMatrixEditObject>(3, 4), 3, 4, pfInputGrid, false});
    rows.push_back({"field list", std::make_unique<TFixedList>(5, 2), 1, 5, pfFieldList | 8, false});
    rows.push_back({"display info", std::make_unique<TDisplayInfo>(), 1, 1, pfFieldList | 8, false});
    rows.push_back({"coordinates", std::make_unique<TCoordEditObject>(), 1, 2, pfInputGrid, false});
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.element->Rows(), row.rows);
        EXPECT_EQ(row.element->Columns(), row.columns);
        EXPECT_EQ(row.element->CellCount(), row.rows * row.columns);
        for (int i = 0; i < row.element->CellCount(); ++i)
            EXPECT_TRUE(ListIsEmpty(row.element->Cell(i)) && row.element->Cell(i) != nullptr);
        EXPECT_EQ(row.element->PropertyFlags(), row.flags);
        EXPECT_EQ(row.element->IsOneUnit(), row.oneUnit);
        EXPECT_EQ(row.element->PositionCount(), 2);
    }

    EXPECT_EQ(TEditorObject().PositionCount(), 0);
    EXPECT_EQ(TSpecialChar('p').PositionCount(), 1);
    EXPECT_EQ(TEditTabObject().PositionCount(), 1);
    EXPECT_EQ(TLockedDescription(2).PositionCount(), 1);
    EXPECT_EQ(TStringEditObject("abc").PropertyFlags(), pfTextRun);
}

TEST(Descriptions, TableTextsDifferOnScreenAndInMarkupOnlyWhereTheyShould)
{
    struct TRow {
        int number;
        std::string screen;
        std::string markup;
    };
    const std::vector<TRow> rows = {
        {0, "", ""},
        {1, "Gradient function", "Gradient function"},
        {2, "Tangent at ", "Tangent at "},
        {21, "compass points", "compass points"},
        {31, "Origin line ", "Origin line "},
        {32, "", "\xA9"},
        {33, "\xA9", "\xA9"},
        {45, ")", ")"},
        {46, "o", "\xAA"},
        {47, "r", "\xAB"},
        {48, "turn", "turn"},
        {58, "Stats:  ", "Stats:  "},
        {59, "Intersect with ", "Intersect with "},
        {60, "", ""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.number);
        EXPECT_EQ(DescriptionText(row.number), row.screen);
        EXPECT_EQ(DescriptionText(row.number, true), row.markup);
    }

    const auto order = DescriptionReadingOrder();
    EXPECT_EQ(order.size(), 48u);
    const std::set<int> neverRead = {10, 11, 26, 27, 28, 29, 30, 31, 32, 45, 59};
    for (const int number : order)
        EXPECT_EQ(neverRead.count(number), 0u) << number;
}

TEST(Descriptions, TokenRecordsGiveTokensAndKinds)
{
    EXPECT_EQ(DescriptionTokenTable().size(), 42u);
    struct TRow {
        int number, token, kind;
    };
    for (const TRow row : {TRow{1, 609, 0}, TRow{2, 610, 401}, TRow{6, 614, 206}, TRow{10, 409, 0},
                           TRow{21, 800, 0}, TRow{29, 406, 411}, TRow{38, 755, 206}, TRow{40, 0, 206},
                           TRow{58, 623, 0}, TRow{11, 602, 0}, TRow{59, 602, 0}, TRow{46, 602, 0}}) {
        SCOPED_TRACE(row.number);
        EXPECT_EQ(DescriptionToken(row.number), row.token);
        EXPECT_EQ(DescribedKind(row.number), row.kind);
    }
    EXPECT_EQ(FindDescriptionToken(11), nullptr);
}

TEST(Elements, DescribedKindComesFromTheFirstDescriptionOfTheList)
{
    struct TRow {
        std::string markup;
        int kind;
    };
    for (const TRow& row : {TRow{"Tangent at 1", 401}, TRow{"x=1", 0}, TRow{"y=Square", 206},
                            TRow{"Matrix Tangent at ", 0}, TRow{"", 0}}) {
        SCOPED_TRACE(row.markup);
        EXPECT_EQ(ElementsFromText(row.markup)->DescribedKind(), row.kind);
    }
    const TElementList described = ElementsFromText("Area from 1");
    EXPECT_EQ(described->next->DescriptionNumber(), 4);
    EXPECT_EQ(described->DescriptionNumber(), 0);
}

TEST(Elements, FindAnswersTheElementOfThisListThatHoldsTheTarget)
{
    const TElementList list = ElementsFromText("a{/{x{sqrt{y}}{z}b");
    auto* fraction = dynamic_cast<TFractionObject*>(list->next->next);
    ASSERT_NE(fraction, nullptr);
    TEditorObject* numerator = fraction->Cell(0);
    auto* root = dynamic_cast<TSquareRootEditObject*>(numerator->next->next);
    ASSERT_NE(root, nullptr);
    TEditorObject* deepest = root->Cell(0)->next; // the text "y"
    TEditorObject* after = fraction->next;        // the text "b"

    EXPECT_EQ(fraction->Find(fraction), fraction);
    EXPECT_EQ(fraction->Find(deepest), fraction);
    EXPECT_EQ(root->Find(deepest), root);
    EXPECT_EQ(fraction->Find(fraction->Cell(1)), fraction);
    EXPECT_EQ(fraction->Find(after), nullptr);
    EXPECT_EQ(after->Find(after), after);
    EXPECT_EQ(after->Find(deepest), nullptr);
}

// An element that counts its freeing and notes how deep in the stack it
// happened: freeing by recursion would free nested elements ever deeper.
class TCountedElement : public TSpecialChar {
public:
    TCountedElement() : TSpecialChar('p') {}
    ~TCountedElement() override
    {
        ++freed;
        const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
        lowest = std::min(lowest, here);
        highest = std::max(highest, here);
    }
    static void Reset()
    {
        freed = 0;
        lowest = std::numeric_limits<std::uintptr_t>::max();
        highest = 0;
    }
    // How far apart on the stack the deepest and the shallowest freeing were.
    static std::uintptr_t Spread() { return highest >= lowest ? highest - lowest : 0; }

    static inline std::size_t freed = 0;
    static inline std::uintptr_t lowest = 0, highest = 0;
};

TEST(Elements, VeryLongAndVeryDeepListsAreFreedWithoutRecursion)
{
    // Far less than one frame per element: the freeing loops at one depth.
    constexpr std::uintptr_t MostSpread = 16 * 1024;

    // A million elements along one list.
    TCountedElement::Reset();
    TEditorObject* head = new TEditorObject;
    TEditorObject* tail = head;
    for (int i = 0; i < 1000000; ++i) {
        tail->next = new TCountedElement;
        tail = tail->next;
    }
    FreeList(head);
    EXPECT_EQ(TCountedElement::freed, 1000000u);
    EXPECT_LT(TCountedElement::Spread(), MostSpread);

    // Ten thousand fractions each inside the previous one's numerator, with
    // an element in every numerator and denominator.
    TCountedElement::Reset();
    auto* outer = new TFractionObject;
    TFractionObject* inner = outer;
    for (int i = 0; i < 10000; ++i) {
        auto* counted = new TCountedElement;
        auto* next = new TFractionObject;
        inner->Cell(0)->next = counted;
        counted->next = next;
        inner->Cell(1)->next = new TCountedElement;
        inner = next;
    }
    delete outer;
    EXPECT_EQ(TCountedElement::freed, 20000u);
    EXPECT_LT(TCountedElement::Spread(), MostSpread);
}

TEST(Elements, StructuredElementsWriteTheirKeywordAndCells)
{
    TMatrixEditObject matrix(1, 2);
    matrix.Cell(0)->next = new TStringEditObject("a");
    TMathsWriter writer;
    matrix.WriteTo(writer);
    EXPECT_EQ(writer.Text(), "{Mtrx \x01\x02{a}{}");

    TFixedList fields(2, 3);
    fields.SetCell(1, new TEditorObject);
    fields.Cell(1)->next = new TSpecialChar('q');
    TMathsWriter fieldWriter;
    fields.WriteTo(fieldWriter);
    EXPECT_EQ(fieldWriter.Text(), "{fix \x02\x03{}{{q}");

    // A finished element whose cell lost its list still writes the cell.
    TSquareRootEditObject root;
    root.SetCell(0, nullptr);
    TMathsWriter rootWriter;
    root.WriteTo(rootWriter);
    EXPECT_EQ(rootWriter.Text(), "{sqrt{}");
}

} // namespace
