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

#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
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
        {Raw({0, 0x55, 0, 0, 0, 0x80}), 0},
        {Raw({0x81, 0, 0, 0, 0, 0}), 1},
        {Raw({0x80, 0, 0, 0, 0, 0}), 0.5L},
        {Raw({0x84, 0, 0, 0, 0, 0x20}), 10},
        {Raw({0x82, 0, 0, 0, 0, 0xA0}), -2.5L},
        {Raw({0x81, 0, 0, 0, 0, 0x40}), 1.5L},
        {Raw({0x7F, 0, 0, 0, 0, 0x40}), 0.375L},
        {Raw({0x01, 0, 0, 0, 0, 0}), 0x1p-128L}, // the smallest and the largest
        {Raw({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), -(0x1p127L - 0x1p87L)},
        {Raw({0x81, 0x01, 0, 0, 0, 0}), 1 + 0x1p-39L}, // the last bit
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
        {"implicit product with a negative number", Number(3) + Number(-2) + End, 0, -6},
        {"power of a negative number", "x" + Power + Number(-1) + End, 4, 0.25L},
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

// A number in a formula is written as the shortest plain text that reads
// back as its six bytes' value in extended precision, whether or not a
// double's shortest text would do: whole numbers and halves, numbers a
// double writes shorter than extended precision can, and any bit pattern.
TEST(LegacyFormula, NumbersAreTheirShortestExtendedText)
{
    const auto shortest = [](long double value) {
        char buffer[128];
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
        const std::string text(buffer, result.ptr);
        return value < 0 ? "(-" + text + ")" : text;
    };
    struct {
        Bytes bytes;
        std::string markup; // worked out by hand; empty: only against the shortest text
    } rows[] = {
        {Real(2), "2"},
        {Real(-2.5L), "(-2.5)"},
        {Real(6.25L), "6.25"},
        {Real(0.375L), "0.375"},
        {Real(1000), "1000"},
        {Real(0.5L * 3.14159265358979323846L), ""},
        {Real(0.1L), ""},
        {Real(1e-3L), ""},
        {Real(12345.678L), ""},
        {Real(1.0L / 3), ""},
        {Raw({0x81, 0xFF, 0, 0, 0, 0}), ""},             // 1 + 255 / 2^39
        {Raw({0x81, 1, 0, 0, 0, 0}), ""},                // 1 + 2^-39
        {Raw({0x71, 0, 0, 0, 0, 0x7F}), ""},             // near the smallest plain number
        {Raw({0xB1, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}), ""}, // near the largest
    };
    const auto markupOf = [](const Bytes& bytes) { return LegacyFormulaMarkup("\x20" + bytes + End); };
    for (const auto& row : rows) {
        const long double value = DecodeLegacyReal(reinterpret_cast<const unsigned char*>(row.bytes.data()));
        if (!row.markup.empty()) {
            EXPECT_EQ(markupOf(row.bytes), row.markup);
        }
        EXPECT_EQ(markupOf(row.bytes), shortest(value)) << static_cast<double>(value);
    }
    // Random bit patterns over the plain range (2^-16 to 2^49), some with
    // their low bits clear so that they have short exact texts.
    std::mt19937_64 random(20261211);
    for (int i = 0; i < 20000; ++i) {
        Bytes bytes(6, '\0');
        bytes[0] = static_cast<char>(113 + random() % 65);
        std::uint64_t fraction = random() & ((std::uint64_t{1} << 40) - 1);
        fraction &= ~((std::uint64_t{1} << (random() % 40)) - 1) | (std::uint64_t{1} << 39);
        for (int b = 1; b <= 5; ++b)
            bytes[static_cast<std::size_t>(b)] = static_cast<char>((fraction >> (8 * (b - 1))) & 0xFF);
        const long double value = DecodeLegacyReal(reinterpret_cast<const unsigned char*>(bytes.data()));
        ASSERT_EQ(markupOf(bytes), shortest(value)) << static_cast<double>(value);
    }
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
    EXPECT_NE(text.find("y=sin t\tx=cos t\tt=0 to 6.25"), std::string::npos) << text;
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
    // Bounds at the edge of the scale rules stay valid when stored with fewer digits.
    for (long double edge : {1e20L, -1e20L, 9.9999999e19L, -9.9999999e19L, 1.00000001e20L}) {
        const Bytes bytes = File({{0, 1, 25, 0, 0, "x" + End, {}}},
                                 Header({Scaling{-10, 10, edge < 0 ? edge : -5, edge < 0 ? 5 : edge},
                                         Scaling{edge < 0 ? edge : -5, edge < 0 ? 5 : edge, -5, 5}}));
        TRead edgeRead = Read(bytes);
        ASSERT_EQ(edgeRead.result, TReadResult::Legacy) << edge;
        const std::string text = DocumentText(*edgeRead.doc);
        TDocument again;
        ASSERT_EQ(ReadDocument(text, again), TReadResult::Document) << edge;
        EXPECT_EQ(DocumentText(again), text) << edge;
    }
    TRead read = Read(File(EveryKind()));
    const std::string text = DocumentText(*read.doc);
    // A line shown by its description keeps its formula as converted, not rewritten from its tree.
    EXPECT_NE(text.find("Curve\r\ny=x^2\r\n\tDescription: y=x{^{2}\r\n"), std::string::npos) << text;
}

namespace {

const Bytes X = "x";

Record Line(const Bytes& formula, int colour = 1)
{
    return {0, colour, 25, 0, 0, formula + End, {"y=x"}};
}

TStraightLine* StraightLineOf(const TRead& read, std::size_t index)
{
    return index < read.doc->lines.lines.size()
               ? dynamic_cast<TStraightLine*>(read.doc->lines.lines[index].get())
               : nullptr;
}

std::string Kinds(const TRead& read)
{
    std::string kinds;
    for (const auto& line : read.doc->lines.lines) {
        const TEquationObject& object = *line;
        kinds += std::string(kinds.empty() ? "" : " ") + typeid(object).name();
    }
    return kinds;
}

} // namespace

// A primary beyond the lines read so far, none, or one that cannot carry the
// line: areas, gradients and transformations are left out; lists and
// straight lines stay, without a parent.
TEST(LegacyDocument, PrimariesThatCannotCarryTheLine)
{
    TRead read = Read(File({
        Line(X),                                                                 // object 1
        {8, 1, 25, 0, 0, Raw({9}), {"gradient of nothing"}},                     // beyond
        {6, 1, 25, 0, 0, Reals({0, 1, 0, 0, 0, 0}) + Raw({200}), {"line"}},      // beyond, kept
        {7, 1, 25, 0, 0, EndMarker + Raw({0}), {"area of nothing"}},             // none
        {11, 1, 25, 1, 3, Number(1) + End + X + End, {"series"}},                // object 5
        {9, 1, 25, 0, 1, Reals({1, 0, 0, 1, 1, 1, 0, 0}) + Raw({5}), {"moved"}}, // a series cannot move
        {8, 1, 25, 0, 0, Raw({1}), {"gradient"}},                                // fits
        {5, 1, 25, 0, 0, Rows({{Real(1), Real(1)}}) + Raw({9}), {"points"}},     // beyond, kept
    }));
    ASSERT_EQ(read.result, TReadResult::Legacy);
    const auto& lines = read.doc->lines.lines;
    ASSERT_EQ(lines.size(), 5u) << Warnings(*read.doc);
    EXPECT_EQ(typeid(*lines[1]), typeid(TStraightLine));
    EXPECT_EQ(lines[1]->GetParent(), nullptr);
    EXPECT_EQ(typeid(*lines[2]), typeid(TPowerSeries));
    EXPECT_EQ(typeid(*lines[3]), typeid(TGradient));
    EXPECT_EQ(lines[3]->GetParent(), lines[0].get());
    EXPECT_EQ(typeid(*lines[4]), typeid(TCoordCurve));
    EXPECT_EQ(lines[4]->GetParent(), nullptr);
    for (const char* place : {"record 2", "record 3", "record 4", "record 6", "record 8"})
        EXPECT_TRUE(HasWarning(*read.doc, place, "", false)) << place << "\n" << Warnings(*read.doc);
    EXPECT_FALSE(HasWarning(*read.doc, "record 7", "", false)) << Warnings(*read.doc);
}

// Turns, repeats and series bounds are limited as typed lines are.
TEST(LegacyDocument, UnlimitedWorkIsLimited)
{
    TRead read = Read(File({
        Line(X),
        {3, 1, 25, 0, 1e30L, Number(1) + End, {"r"}},
        {9, 1, 25, 0, 1e9L, Reals({1, 0, 0, 1, 1, 1, 0, 0}) + Raw({1}), {"moved"}},
        {11, 1, 25, -1e20L, 1e20L, Number(1) + End + X + End, {"series"}},
        {3, 1, 25, 0, -5000, Number(1) + End, {"r"}},
    }));
    ASSERT_EQ(read.result, TReadResult::Legacy);
    const std::string text = DocumentText(*read.doc);
    EXPECT_NE(text.find("r=1\tfor 1000 revs\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("r=1\tfor -1000 revs\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("{repeats}{1000}"), std::string::npos) << text;
    EXPECT_NE(text.find("n=-1000 to -901"), std::string::npos) << text;
    for (const char* place : {"record 2", "record 3", "record 4", "record 5"})
        EXPECT_TRUE(HasWarning(*read.doc, place, "limited", true)) << place << "\n" << Warnings(*read.doc);
}

TEST(LegacyDocument, ValuesOutOfRange)
{
    // Colour numbers count round the first three curve colours; 0 is the third.
    TRead colours = Read(File({Line(X, 0), Line(X, 1), Line(X, 4), Line(X, 7), Line(X, 3), Line(X, 255)}));
    ASSERT_EQ(colours.doc->lines.lines.size(), 6u);
    const auto colour = [&](std::size_t i) { return colours.doc->lines.lines[i]->colour; };
    EXPECT_EQ(colour(0), CurveColour(2));
    EXPECT_EQ(colour(1), CurveColour(0));
    EXPECT_EQ(colour(2), CurveColour(0));
    EXPECT_EQ(colour(3), CurveColour(0));
    EXPECT_EQ(colour(4), CurveColour(2));
    EXPECT_EQ(colour(5), CurveColour(2)); // 254 = 3 * 84 + 2

    // An angle of 3/4 pi is the line at -1/4 pi; through (1, 2) its x-intercept is 3.
    struct {
        long double angle, wantAngle, wantIntercept;
        bool warned;
    } lines[] = {
        {0.75L * 3.14159265358979323846L, -0.25L * 3.14159265358979323846L, 3, true},
        {-2, 3.14159265358979323846L - 2, 0.0846849L, true},
        {0.5L * 3.14159265358979323846L, 0.5L * 3.14159265358979323846L, 1, false},
        {0, 0, 2, false},
        {7 * 3.14159265358979323846L, 0, 2, true},
    };
    for (const auto& row : lines) {
        TRead read = Read(File({{6, 1, 25, 0, 0, Reals({1, 2, row.angle, 0, 0, 0}) + Raw({0}), {"line"}}}));
        TStraightLine* line = StraightLineOf(read, 0);
        ASSERT_NE(line, nullptr) << row.angle << "\n" << Warnings(*read.doc);
        EXPECT_NEAR(line->Line.Angle, row.wantAngle, 1e-9L) << row.angle;
        EXPECT_NEAR(line->Line.Intercept, row.wantIntercept, 1e-6L) << row.angle;
        EXPECT_EQ(HasWarning(*read.doc, "record 1", "angle", true), row.warned) << row.angle;
    }
    // However large the stored angle, the line's angle is one a line can have.
    for (long double angle : {1e30L, -3e25L, 123456.789L}) {
        TRead read = Read(File({{6, 1, 25, 0, 0, Reals({1, 2, angle, 0, 0, 0}) + Raw({0}), {"line"}}}));
        TStraightLine* line = StraightLineOf(read, 0);
        ASSERT_NE(line, nullptr) << angle << "\n" << Warnings(*read.doc);
        EXPECT_GT(line->Line.Angle, -1.5707963267948966L) << angle;
        EXPECT_LE(line->Line.Angle, 1.5707963267948966L) << angle;
    }

    // The angle factor snaps to radians or degrees; anything else is degrees, warned.
    const long double degree = 3.14159265358979323846L / 180;
    struct {
        long double factor;
        bool radians, warned;
    } factors[] = {{1, true, false},
                   {1 + 1e-9L, true, false},
                   {degree, false, false},
                   {degree * (1 + 1e-8L), false, false},
                   {0.5L, false, true}};
    for (const auto& row : factors) {
        TRead read = Read(File({Line(X)}, Header({}, 1, row.factor)));
        ASSERT_EQ(read.result, TReadResult::Legacy);
        EXPECT_EQ(read.doc->settings.Radians(), row.radians) << row.factor;
        EXPECT_EQ(read.doc->settings.AngleFactor, row.radians ? 1 : DegreesFactor) << row.factor;
        EXPECT_EQ(HasWarning(*read.doc, "header", "angle factor", true), row.warned) << row.factor;
    }

    // Grid 0 and 1 are the setting; anything else keeps the default.
    EXPECT_FALSE(Read(File({Line(X)}, Header({}, 0))).doc->settings.Grid);
    TRead grid = Read(File({Line(X)}, Header({}, 7)));
    EXPECT_EQ(grid.doc->settings.Grid, DefaultConfiguration.Grid);
    EXPECT_TRUE(HasWarning(*grid.doc, "header", "grid", true));

    // Accuracy Round(4b/100) + 1 from the last record.
    struct {
        int byte, accuracy;
    } accuracies[] = {{0, 1}, {25, 2}, {250, 11}, {100, 5}};
    for (const auto& row : accuracies) {
        Record record = Line(X);
        record.accuracy = row.byte;
        TRead read = Read(File({Line(X), record}));
        EXPECT_EQ(read.doc->settings.Accuracy, row.accuracy) << row.byte;
        EXPECT_EQ(read.doc->settings.AutoAccuracy, row.accuracy == 2) << row.byte;
    }
}

// A file cut short keeps every record before the cut, and says so.
TEST(LegacyDocument, TruncatedFilesKeepWhatWasRead)
{
    const Bytes whole = File(EveryKind());
    std::size_t lastLines = 0;
    for (std::size_t size = 160; size < whole.size(); size += 11) {
        TRead read = Read(whole.substr(0, size));
        ASSERT_EQ(read.result, TReadResult::Legacy) << size;
        bool lost = false;
        for (const auto& warning : read.doc->warnings)
            lost = lost || (!warning.note && warning.text.find("file ends") != std::string::npos);
        EXPECT_TRUE(lost) << size << "\n" << Warnings(*read.doc);
        EXPECT_GE(read.doc->lines.lines.size(), lastLines) << size;
        lastLines = read.doc->lines.lines.size();
    }
    EXPECT_GE(lastLines, 12u);
    // A record complete but for its last-record byte is kept.
    TRead unmarked = Read(whole.substr(0, whole.size() - 1));
    EXPECT_EQ(unmarked.doc->lines.lines.size(), 14u);
    EXPECT_TRUE(HasWarning(*unmarked.doc, "record 12", "file ends", false)) << Warnings(*unmarked.doc);
}

// Only a file with room for a header and a usable scaling is a document.
TEST(LegacyDocument, OnlyAPlausibleHeaderIsRead)
{
    const Bytes note = "Lumacurve notes for the class: " + Bytes(200, 'a') + "\r\n";
    std::array<Scaling, 5> oneGood{};
    for (std::size_t i = 0; i < 4; ++i)
        oneGood[i] = {1, 1, 1, 1};
    std::array<Scaling, 5> noneGood{};
    for (auto& scaling : noneGood)
        scaling = {1, 1, 1, 1};
    struct {
        const char* name;
        Bytes bytes;
        TReadResult result;
    } rows[] = {
        {"a text note", note, TReadResult::NotDocument},
        {"a short file", File({Line(X)}).substr(0, 159), TReadResult::NotDocument},
        {"no usable scaling", File({Line(X)}, Header(noneGood)), TReadResult::NotDocument},
        {"one usable scaling", File({Line(X)}, Header(oneGood)), TReadResult::Legacy},
        {"the least", Header() + Raw({0}), TReadResult::Legacy},
    };
    for (const auto& row : rows) {
        TDocument doc;
        EXPECT_EQ(ReadDocument(row.bytes, doc), row.result) << row.name;
    }
    TRead one = Read(File({Line(X)}, Header(oneGood)));
    ASSERT_EQ(one.doc->scalings.size(), 1u);
    EXPECT_EQ(one.doc->scalings[0]->XMinValue(), -10);
    EXPECT_TRUE(HasWarning(*one.doc, "header", "scaling was dropped", true)) << Warnings(*one.doc);
    std::string error;
    TDocument doc;
    EXPECT_FALSE(LoadDocumentData(note, doc, error));
    EXPECT_EQ(error, "Lumacurve cannot open this file.");
}

// Unknown kinds, blank rows of a differential equation, shown texts that are
// not markup, and formulas the parser refuses.
TEST(LegacyDocument, RecordsNotConvertedAsTheyStood)
{
    TRead read = Read(File({
        {12, 1, 25, 0, 0, "", {"kind twelve"}},
        Line(X),
        {10, 1, 25, 0, 0, X + End + Rows({{BlankMarker, Real(0)}, {Real(1), Real(1)}}), {"d"}},
        {0, 1, 25, 0, 0, X + End, {"{y}=x"}},
        {0, 1, 25, 0, 0, X + Plus + End, {"y=x+"}},
        {0, 1, 25, 0, 0, X + End, {}},
    }));
    ASSERT_EQ(read.result, TReadResult::Legacy);
    EXPECT_EQ(read.doc->lines.lines.size(), 6u) << Kinds(read);
    EXPECT_TRUE(HasWarning(*read.doc, "record 1", "kind 12", false)) << Warnings(*read.doc);
    EXPECT_TRUE(HasWarning(*read.doc, "record 3", "blank row", true)) << Warnings(*read.doc);
    EXPECT_TRUE(HasWarning(*read.doc, "record 4", "braces", true)) << Warnings(*read.doc);
    EXPECT_TRUE(HasWarning(*read.doc, "record 5", "formula", true)) << Warnings(*read.doc);
    const std::string text = DocumentText(*read.doc);
    EXPECT_NE(text.find("\tDescription: (y)=x\r\n"), std::string::npos) << text;
    // An empty shown text leaves the line showing its own formula.
    EXPECT_NE(text.find("Curve\r\ny=x\r\n\tcolour"), std::string::npos) << text;
}

// Numbers whose bytes are end bytes or brackets are read whole: the records
// after them stay in step.
TEST(LegacyDocument, NumbersHoldingEndBytesStayWhole)
{
    const Bytes withEnd = Raw({32, 0x81, 0xFF, 0, 0, 0, 0});  // 1 + 255 / 2^39
    const Bytes withHash = Raw({32, 0x81, 0x23, 0, 0, 0, 0}); // 1 + 35 / 2^39
    TRead read = Read(File({
        {0, 1, 25, 0, 0, withEnd + Times + X + End, {"y=x"}},
        {2, 1, 25, 0, 1, withHash + Times + "t" + Hash + "t" + End, {"x=t, y=t"}},
        {10, 1, 25, 0, 0, X + End + Rows({{Real(1), Raw({0x81, 0xFF, 0x23, 6, 7, 0})}}), {"d"}},
        {1, 1, 25, 0, 0, "y" + End, {"x=y"}},
    }));
    ASSERT_EQ(read.result, TReadResult::Legacy);
    EXPECT_EQ(Kinds(read), std::string(typeid(TYofX).name()) + " " + typeid(TYParametric).name() + " " +
                               typeid(TDifferentialEquation).name() + " " + typeid(TDiffeqSolution).name() +
                               " " + typeid(TXofY).name());
    EXPECT_EQ(Warnings(*read.doc), "");
}
