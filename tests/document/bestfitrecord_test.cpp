// The records of best-fit lines: each kind written under its own heading
// byte for byte, read back through entry under its data set, the records of
// fits that all wrote the straight line's heading read as the fit they show,
// and a record without a description written back without one.
#include "document/document.h"
#include "documentsamples.h"
#include "geometry/bestfit.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

using documentsamples::WithCrLf;

namespace {

const std::string DataSet = "Curve\n"
                            "Data points\n"
                            "\tcolour = 16777216\n"
                            "\tstyle = 0\n"
                            "\tSwitches = 2\n"
                            "\tLine thickness = 1\n"
                            "\tprimary equation number = -1\n"
                            "\t\tjoined: 0\n"
                            "\t\tclosed: 0\n"
                            "\t\tLabel from: A\n"
                            "\t\t( 1.000000E+0000, 2.000000E+0000)\n"
                            "\t\t( 2.000000E+0000, 4.000000E+0000)\n"
                            "\t\t( 3.000000E+0000, 6.000000E+0000)\n";

std::string FitRecord(const std::string& definition, const std::string& shown, int colour)
{
    std::string record = "Curve\n";
    if (!definition.empty())
        record += definition + "\n\tDescription: ";
    record += shown + "\n";
    record +=
        "\tcolour = " + std::to_string(colour) + "\n\tstyle = 0\n\tSwitches = 0\n\tLine thickness = 1\n";
    record += "\tprimary equation number = 0\n";
    return record;
}

struct TRead {
    TOwnedLines lines;
    int selected = -1;
    std::vector<TDocumentWarning> warnings;
};

std::string Written(const TRead& read)
{
    std::vector<TEquationObject*> lines;
    for (const auto& line : read.lines.lines)
        lines.push_back(line.get());
    return EquationListText(lines, read.selected);
}

TEST(BestFitRecords, EachKindIsWrittenUnderItsOwnHeadingAndReadBack)
{
    struct Case {
        const char* heading;
        const char* className;
    };
    const Case cases[] = {
        {"Best fit straight line", "TBestFitStraight"},
        {"Best fit exponential", "TBestFitexponential"},
        {"Best fit ln", "TBestFitlog"},
        {"Best fit quadratic", "TBestFitQuad"},
        {"Best fit straight y on x", "TBestFityonx"},
        {"Best fit straight x on y", "TBestFitxony"},
        {"Polynomial", "TBestFitPoly"},
    };
    std::string text = DataSet;
    int colour = 16777217;
    for (const Case& c : cases)
        text += FitRecord(c.heading, c.heading, colour++);
    text += "Selected curve no: 0\n";
    text = WithCrLf(text);

    TRead read;
    ReadEquationListText(text, read.lines, read.selected, &read.warnings);
    EXPECT_TRUE(read.warnings.empty()) << read.warnings.front().text;
    ASSERT_EQ(read.lines.lines.size(), 8u);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        auto* fit = dynamic_cast<TBestFit*>(read.lines.lines[i + 1].get());
        ASSERT_NE(fit, nullptr) << cases[i].heading;
        EXPECT_NE(std::string(typeid(*fit).name()).find(cases[i].className), std::string::npos);
        EXPECT_EQ(fit->GetParent(), read.lines.lines[0].get());
        EXPECT_FALSE(fit->Failed) << cases[i].heading;
    }
    EXPECT_EQ(dynamic_cast<TBestFit*>(read.lines.lines[5].get())->InfoText(), ":  y=2x    r=1");
    EXPECT_EQ(Written(read), text);
}

// Every fit once wrote "Best fit straight line" as its definition: the
// heading it shows decides, and it is written back under that heading.
TEST(BestFitRecords, OldRecordsReadAsTheFitTheyShow)
{
    const std::string text =
        WithCrLf(DataSet + FitRecord("Best fit straight line", "Best fit quadratic", 5) +
                 FitRecord("Best fit straight line", "Polynomial", 6) +
                 FitRecord("", "Best fit straight x on y", 7) + "Selected curve no: 1\n");
    TRead read;
    ReadEquationListText(text, read.lines, read.selected, &read.warnings);
    EXPECT_TRUE(read.warnings.empty()) << read.warnings.front().text;
    ASSERT_EQ(read.lines.lines.size(), 4u);
    EXPECT_NE(dynamic_cast<TBestFitQuad*>(read.lines.lines[1].get()), nullptr);
    EXPECT_NE(dynamic_cast<TBestFitPoly*>(read.lines.lines[2].get()), nullptr);
    EXPECT_NE(dynamic_cast<TBestFitxony*>(read.lines.lines[3].get()), nullptr);
    const std::string expected =
        WithCrLf(DataSet + FitRecord("Best fit quadratic", "Best fit quadratic", 5) +
                 FitRecord("Polynomial", "Polynomial", 6) + FitRecord("", "Best fit straight x on y", 7) +
                 "Selected curve no: 1\n");
    EXPECT_EQ(Written(read), expected);
}

const std::string StatsBlock = "Stats options\n"
                               "\tShow x: 1\n\tShow y: 0\n\tMean1\n\tMedian1\n\tMode0\n\tRange0\n"
                               "\tLower quartile0\n\tUpper quartile0\n\tInter-quartile range0\n"
                               "\tStandard deviation0\n\tNumber of values1\n\tCorrelation0\n"
                               "\tCoefficient of correlation0\n\tLine of best fit0\n"
                               "\tRegression line y on x0\n\tRegression line x on y0\n";

// A statistics line keeps its own options block; written with the straight
// line's heading it still reads as a statistics line; the statistics once
// written after its heading are dropped and made afresh.
TEST(BestFitRecords, StatisticsLinesKeepTheirOwnOptions)
{
    const std::string text =
        WithCrLf(DataSet + FitRecord("Stats:  ", "Stats:  ", 5) + StatsBlock +
                 FitRecord("Best fit straight line", "Stats:  ", 6) + StatsBlock +
                 FitRecord("", "Stats:  n=7; {mx=9; ", 7) + StatsBlock + "Selected curve no: 0\n");
    TRead read;
    ReadEquationListText(text, read.lines, read.selected, &read.warnings);
    EXPECT_TRUE(read.warnings.empty()) << read.warnings.front().text;
    ASSERT_EQ(read.lines.lines.size(), 4u);
    for (std::size_t i = 1; i < 4; ++i) {
        auto* stats = dynamic_cast<TDisplayStatsCurve*>(read.lines.lines[i].get());
        ASSERT_NE(stats, nullptr) << i;
        EXPECT_FALSE(stats->Options.flags[soShowY]);
        EXPECT_TRUE(stats->Options.flags[soMedian]);
        EXPECT_EQ(stats->InfoText(), "n=3; {mx=2; Min x=1; Max x=3; Median x=2; ");
    }
    const std::string expected = WithCrLf(
        DataSet + FitRecord("Stats:  ", "Stats:  ", 5) + StatsBlock + FitRecord("Stats:  ", "Stats:  ", 6) +
        StatsBlock + FitRecord("", "Stats:  ", 7) + StatsBlock + "Selected curve no: 0\n");
    EXPECT_EQ(Written(read), expected);
}

} // namespace
