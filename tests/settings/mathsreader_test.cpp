// The maths text reader's numbers: reals in documents and number-pair files
// read the same whatever locale the program runs in, since a document written
// on one machine must open on every other.
#include "commalocale.h"
#include "settings/mathsreader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TRealCase {
    const char* text;
    bool read;
    long double value;
};

// Reals in both written forms, with the texts that are not document numbers.
const TRealCase RealCases[] = {
    {" 5.000000E-0001", true, 0.5L},
    {"-6.500000E+0000", true, -6.5L},
    {" 1.234568E+0003", true, 1234.568L},
    {" 0.000000E+0000", true, 0},
    {"-1.000000E-0300", true, -1e-300L},
    {" 1.000000E+4000", true, 1e4000L},
    {"0.5", true, 0.5L},
    {"-2.25", true, -2.25L},
    {"+2", true, 2},
    {"  -0.25\t", true, -0.25L},
    {"1e3", true, 1000},
    {".5", true, 0.5L},
    {"5.", true, 5},
    {"1.000000E-6000", true, 0}, // too small to hold: nothing
    {"1,5", false, 0},           // a comma never makes a decimal point
    {"-6,500000E+0000", false, 0},
    {"1.5.2", false, 0},
    {"1.5 2", false, 0},
    {"--1", false, 0},
    {"+-1", false, 0},
    {"+", false, 0},
    {"0x10", false, 0},
    {"inf", false, 0},
    {"nan", false, 0},
    {"1e5000", false, 0}, // beyond the extended range
    {"", false, 0},
    {"   ", false, 0},
    {"abc", false, 0},
};

void ExpectRealCases(const char* locale)
{
    for (const TRealCase& row : RealCases) {
        long double value = -99;
        const bool read = ParseDocumentReal(row.text, value);
        EXPECT_EQ(read, row.read) << "\"" << row.text << "\" under " << locale;
        if (read && row.read) {
            EXPECT_EQ(value, row.value) << "\"" << row.text << "\" under " << locale;
        }
    }
}

} // namespace

TEST(DocumentNumbers, RealsReadTheSameUnderEveryLocale)
{
    commalocale::UnderEachLocale(ExpectRealCases);
}

TEST(DocumentNumbers, IntegersReadTheSameUnderEveryLocale)
{
    const commalocale::TScope comma;
    ASSERT_TRUE(comma.Ready()) << comma.Why();
    const struct {
        const char* text;
        bool read;
        long long value;
    } rows[] = {
        {"12", true, 12}, {"  -7 px", true, -7}, {"1.234", true, 1}, {"1,234", true, 1}, {"x", false, 0},
    };
    for (const auto& row : rows) {
        long long value = -99;
        EXPECT_EQ(ParseDocumentInteger(row.text, value), row.read) << row.text;
        if (row.read) {
            EXPECT_EQ(value, row.value) << row.text;
        }
    }
}
