// Number objects in documents: the fixed form written for scales, window
// places and points is the same under every locale, and reads back.
#include "commalocale.h"
#include "expr/realreader.h"
#include "settings/mathsreader.h"
#include "settings/mathswriter.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct TFixedCase {
    long double value;
    const char* text;
};

// Fifteen characters: sign position, one digit, point, six digits, "E",
// exponent sign and four exponent digits.
const TFixedCase FixedCases[] = {
    {0.5L, " 5.000000E-0001"},
    {-6.5L, "-6.500000E+0000"},
    {0, " 0.000000E+0000"},
    {1234.5678L, " 1.234568E+0003"},
    {-0.0009876543L, "-9.876543E-0004"},
    {1e100L, " 1.000000E+0100"},
    {-1e-300L, "-1.000000E-0300"},
    {1e4000L, " 1.000000E+4000"},
    {std::numeric_limits<long double>::quiet_NaN(), " 0.000000E+0000"},
    {std::numeric_limits<long double>::infinity(), " 0.000000E+0000"},
};

void ExpectFixedCases(const char* locale)
{
    for (const TFixedCase& row : FixedCases) {
        EXPECT_EQ(FormatFixed(row.value), row.text) << static_cast<double>(row.value) << " under " << locale;
        // What a document holds reads back as a number written the same way,
        // so a document resaves byte for byte.
        long double back = -99;
        EXPECT_TRUE(ParseDocumentReal(row.text, back)) << row.text << " under " << locale;
        EXPECT_EQ(FormatFixed(back), row.text) << locale;
        TMathsWriter writer;
        TRealReader(row.value).WriteValue(writer, false);
        EXPECT_EQ(writer.TakeText(), row.text) << locale;
    }
}

} // namespace

TEST(FixedForm, IsTheSameUnderEveryLocale)
{
    commalocale::UnderEachLocale([](const char* locale) {
        ExpectFixedCases(locale);
        // The number form keeps the settings' decimal point, never the locale's.
        TMathsWriter writer;
        TRealReader(-2.25L).WriteValue(writer, true);
        EXPECT_EQ(writer.TakeText(), "-2.25") << locale;
    });
}
