// Documents of the older binary layout: six-byte reals, byte formulas and
// their markup, records of every kind becoming the lines they stood for,
// and what is repaired on the way (markers and numbers by their bytes,
// bounded reads, primaries that cannot carry a line, unlimited work, values
// out of range, lost text, and files that only start with the word).
#include "document/document.h"
#include "document/legacyfile.h"
#include "document/legacyimport.h"
#include "expr/convertformula.h"
#include "formula/markup.h"
#include "geometry/coordcurve.h"
#include "geometry/derivedcurves.h"
#include "geometry/diffeq.h"
#include "geometry/series.h"
#include "geometry/straightline.h"
#include "geometry/transformation.h"
#include "legacyfiles.h"
#include "plot/formulacurve.h"
#include "settings/configuration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <typeinfo>

using namespace legacy;

namespace {

struct TRead {
    std::unique_ptr<TDocument> doc = std::make_unique<TDocument>();
    TReadResult result = TReadResult::NotDocument;
};

TRead Read(const std::string& bytes)
{
    TRead read;
    read.result = ReadDocument(bytes, *read.doc);
    return read;
}

std::string Warnings(const TDocument& doc)
{
    std::string text;
    for (const auto& warning : doc.warnings)
        text += warning.place + (warning.note ? " (note): " : ": ") + warning.text + "\n";
    return text;
}

[[maybe_unused]] bool HasWarning(const TDocument& doc, const std::string& place, const std::string& part,
                                 bool note)
{
    for (const auto& warning : doc.warnings)
        if (warning.place == place && warning.text.find(part) != std::string::npos && warning.note == note)
            return true;
    return false;
}

Extended ValueAt(TEvaluator& tree, Extended x)
{
    Variables.x = x;
    return tree.Evaluate();
}

} // namespace

TEST(LegacyReal, DecodesTheBytesAndTheGeneratorWritesThem)
{
    struct {
        Bytes bytes;
        long double value;
    } rows[] = {
        {Raw({0, 0x55, 0, 0, 0, 0x80}), 0},      {Raw({0x81, 0, 0, 0, 0, 0}), 1},
        {Raw({0x80, 0, 0, 0, 0, 0}), 0.5L},      {Raw({0x84, 0, 0, 0, 0, 0x20}), 10},
        {Raw({0x82, 0, 0, 0, 0, 0xA0}), -2.5L},  {Raw({0x81, 0, 0, 0, 0, 0x40}), 1.5L},
        {Raw({0x7F, 0, 0, 0, 0, 0x40}), 0.375L},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DecodeLegacyReal(reinterpret_cast<const unsigned char*>(row.bytes.data())), row.value)
            << row.value;
        if (row.value != 0) {
            EXPECT_EQ(Real(row.value), row.bytes) << row.value;
        }
    }
    // The markers only come close to the values they stand for.
    const long double end = DecodeLegacyReal(reinterpret_cast<const unsigned char*>(EndMarker.data()));
    EXPECT_NEAR(end / 1e37L, 1, 1e-12L);
}

// Each row: a byte formula, x, and the value worked out by hand (in radians).
TEST(LegacyFormula, TokensAndMarkupGiveTheSameValues)
{
    const Extended angleFactor = AngleFactor;
    AngleFactor = 1;
    const Extended e = std::exp(1.0L);
    struct {
        const char* name;
        Bytes bytes;
        Extended x, value;
    } rows[] = {
        {"square", "x" + Power + Number(2) + End, 3, 9},
        {"whole power to its bracket", Number(2) + WholePower + "x" + Plus + Number(1) + Close + End, 3, 16},
        {"whole power, then more", Number(2) + WholePower + "x" + Close + Plus + Number(1) + End, 3, 9},
        {"e to a group, then more", Exponential + "x" + Close + Plus + Number(1) + End, 0, 2},
        {"group holding a bracket byte in a number",
         Exponential + Raw({32, 7, 0, 0, 0, 0, 0}) + Close + Plus + "x" + End, 2, 3},
        {"nested brackets in the group", Exponential + Open + "x" + Close + Close + Times + Number(2) + End,
         1, 2 * e},
        {"unclosed group ends with the formula", Exponential + "x" + End, 1, e},
        {"sine of pi over 2", Sin + Open + legacy::Pi + Over + Number(2) + Close + End, 0, 1},
        {"a number holding the end byte",
         Raw({32, 0x81, 0xFF, 0, 0, 0, 0}) + Times + Number(0) + Plus + "x" + End, 2, 2},
        {"a number holding a hash", Raw({32, 0x23, 0, 0, 0, 0, 0}) + Times + Number(0) + Plus + "x" + End, 2,
         2},
        {"hash ends the formula", "x" + Hash + Plus + Number(5) + End, 4, 4},
        {"sqrt and minus", Sqrt + "x" + Minus + Number(1) + End, 9, 2},
        {"implicit product", Number(3) + "x" + End, 2, 6},
    };
    for (const auto& row : rows) {
        TParseParams params;
        TEvaluatorPtr tree = ParseLegacyFormula(row.bytes, avX, params);
        ASSERT_FALSE(HasError(params)) << row.name << ": " << params.error.message;
        EXPECT_NEAR(ValueAt(*tree, row.x), row.value, 1e-12L) << row.name;

        const std::string markup = LegacyFormulaMarkup(row.bytes);
        TElementList list = ElementsFromText(markup);
        TParseParams typed;
        typed.warningBoxes = false;
        StartParse(typed, list.get(), avX, nullptr, false, EndOrTabTerminators());
        TEvaluatorPtr typedTree = ParseExpression(typed);
        ASSERT_FALSE(HasError(typed)) << row.name << ": " << markup << ": " << typed.error.message;
        EXPECT_NEAR(ValueAt(*typedTree, row.x), row.value, 1e-12L) << row.name << ": " << markup;
    }
    AngleFactor = angleFactor;
}

// Buffers that end without their terminator, a number byte at the end, and
// a group never closed end where the bytes end.
TEST(LegacyFormula, ReadsStayInsideTheBuffer)
{
    const Bytes rows[] = {
        Bytes(256, '\x01'), "x" + Plus + Raw({32, 0x81}), Exponential + Open + Open + "x", Exponential,
        Raw({32}),
    };
    for (const Bytes& bytes : rows) {
        TParseParams params;
        (void)ParseLegacyFormula(bytes, avX, params);
        EXPECT_TRUE(HasError(params)) << LegacyFormulaMarkup(bytes);
    }
    // The scan counts only brackets outside numbers and stops at the buffer's end.
    EXPECT_EQ(LegacyGroupEnd(Raw({32, 6, 6, 6, 7, 7, 7, 7, 1}), 0), 7u);
    EXPECT_EQ(LegacyGroupEnd(Raw({6, 'x', 7}), 0), 3u);
    EXPECT_EQ(LegacyGroupEnd(Raw({'x', '#', 7}), 0), 1u);
    EXPECT_EQ(LegacyGroupEnd(Raw({32, 1, 2}), 0), 3u);
}

TEST(LegacyShownText, BecomesSafeMarkup)
{
    struct {
        std::string text, markup;
        bool changed;
    } rows[] = {
        {"y=x\xB2", "y=x{^{2}", false},   {"x\xB2\xB3+1", "x{^{23}+1", false}, {"x\xB2\x7F", "x{^{2}", true},
        {"r=sin 3;", "r=sin 3{q", false}, {"'_]", "{p{\xB1{sqrt{}", false},    {"{a}", "(a)", true},
        {"a\tb\x01", "ab", true},
    };
    for (const auto& row : rows) {
        bool changed = false;
        EXPECT_EQ(LegacyShownMarkup(row.text, changed), row.markup) << row.text;
        EXPECT_EQ(changed, row.changed) << row.text;
        EXPECT_NO_THROW(ElementsFromText(row.markup)) << row.text;
    }
}

TEST(LegacyFile, RecordsEndAtTheMarkerBytesAndTheLastRecordByte)
{
    TLegacyFile file;
    ReadLegacyFile(File(EveryKind()).substr(9), file);
    ASSERT_EQ(file.records.size(), 12u) << (file.warnings.empty() ? "" : file.warnings[0].text);
    for (int kind = 0; kind < 12; ++kind)
        EXPECT_EQ(file.records[static_cast<std::size_t>(kind)].kind, kind);
    const TLegacyRecord& points = file.records[5];
    ASSERT_EQ(points.rows.size(), 3u);
    EXPECT_TRUE(points.rows[1].x.IsBlankMarker());
    EXPECT_EQ(points.rows[2].y.Value(), -1);
    const TLegacyRecord& diffeq = file.records[10];
    ASSERT_EQ(diffeq.rows.size(), 2u);
    EXPECT_TRUE(diffeq.rows[1].x.IsCompassMarker());
    EXPECT_EQ(file.records[2].formulas.size(), 2u);
    EXPECT_EQ(file.records[2].shown, "x=cos t, y=sin t");
    EXPECT_TRUE(file.warnings.empty());
}

TEST(LegacyDocument, EveryKindBecomesItsLine)
{
    TRead read = Read(File(EveryKind()));
    ASSERT_EQ(read.result, TReadResult::Legacy);
    const std::type_info* kinds[] = {
        &typeid(TYofX),
        &typeid(TXofY),
        &typeid(TYParametric),
        &typeid(TRofTheta),
        &typeid(TPolarParametric),
        &typeid(TCoordCurve),
        &typeid(TStraightLine),
        &typeid(TArea),
        &typeid(TGradient),
        &typeid(TTransformation),
        &typeid(TDifferentialEquation),
        &typeid(TDiffeqSolution),
        &typeid(TDiffeqCompassPoints),
        &typeid(TPowerSeries),
    };
    const auto& lines = read.doc->lines.lines;
    ASSERT_EQ(lines.size(), std::size(kinds)) << Warnings(*read.doc);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(typeid(*lines[i]), *kinds[i]) << i << "\n" << Warnings(*read.doc);
    for (const auto& warning : read.doc->warnings)
        EXPECT_TRUE(warning.note) << warning.place << ": " << warning.text;
    // Dependent lines hang on their primary curve.
    EXPECT_EQ(lines[7]->GetParent(), lines[0].get());
    EXPECT_EQ(lines[8]->GetParent(), lines[0].get());
    EXPECT_EQ(lines[9]->GetParent(), lines[0].get());
    EXPECT_EQ(lines[11]->GetParent(), lines[10].get());
    // A parametric record's first formula is x(t).
    const std::string text = DocumentText(*read.doc);
    EXPECT_NE(text.find("y=sin(t)\tx=cos(t)\tt=0to6.25"), std::string::npos) << text;
    // The header: the first scaling in force, then the others; radians, grid on,
    // demonstration off, pause on, accuracy from the last record.
    EXPECT_EQ(read.doc->scalings.size(), 5u);
    EXPECT_TRUE(read.doc->settings.Radians());
    EXPECT_TRUE(read.doc->settings.Grid);
    EXPECT_FALSE(read.doc->settings.DemonstrationDraw);
    EXPECT_TRUE(read.doc->settings.Pause);
    EXPECT_EQ(read.doc->settings.Accuracy, 2);
    EXPECT_TRUE(read.doc->settings.AutoAccuracy);
}

// A converted document is written with each line's definition and its shown
// text, and reads back as the same document.
TEST(LegacyDocument, WrittenDocumentReadsBackTheSame)
{
    for (const auto& [name, bytes] : LegacySeeds()) {
        TRead read = Read(bytes);
        if (read.result != TReadResult::Legacy)
            continue;
        const std::string text = DocumentText(*read.doc);
        TDocument again;
        ASSERT_EQ(ReadDocument(text, again), TReadResult::Document) << name;
        EXPECT_EQ(DocumentText(again), text) << name;
        EXPECT_EQ(again.lines.lines.size(), read.doc->lines.lines.size()) << name;
    }
    TRead read = Read(File(EveryKind()));
    const std::string text = DocumentText(*read.doc);
    EXPECT_NE(text.find("Curve\r\ny=((x)^(2))\r\n\tDescription: y=x{^{2}\r\n"), std::string::npos) << text;
}
