// lcvtool stats end to end: the Statistics window of a data set as its Copy
// command gives it, with the document's options, and the exit codes and
// messages, which are an interface used from outside.
#include "document/documentsamples.h"
#include "tools/toolrunner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using documentsamples::WithCrLf;
using toolrunner::RunTool;

std::string TempName(const std::string& ending)
{
    return "/tmp/lcvtool-stats-" + std::to_string(getpid()) + ending;
}

const std::string Points = "Curve\n"
                           "Data points\n"
                           "\tSwitches = 2\n"
                           "\t\tjoined: 0\n"
                           "\t\t( 1.000000E+0000, 2.000000E+0000)\n"
                           "\t\t( 2.000000E+0000, 4.000000E+0000)\n"
                           "\t\t( 3.000000E+0000, 6.000000E+0000)\n"
                           "Curve\n"
                           "y=x\n";

} // namespace

TEST(LcvtoolStats, TheWindowAsCopied)
{
    const std::string plain = TempName(".lcv");
    std::ofstream(plain, std::ios::binary)
        << WithCrLf("Lumacurve for windows version 3.101\n" + Points + "Selected curve no: 0\n");
    // The document's own options: only y, its median, and the regression lines.
    const std::string chosen = TempName("-options.lcv");
    std::ofstream(chosen, std::ios::binary) << WithCrLf(
        "Lumacurve for windows version 3.101\n"
        "Stats options\n\tShow x: 0\n\tShow y: 1\n\tMean0\n\tMedian1\n\tMode0\n\tRange0\n"
        "\tLower quartile0\n\tUpper quartile0\n\tInter-quartile range0\n\tStandard deviation0\n"
        "\tNumber of values0\n\tCorrelation1\n\tCoefficient of correlation0\n\tLine of best fit0\n"
        "\tRegression line y on x1\n\tRegression line x on y1\n" +
        Points + "Selected curve no: 0\n");
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string out;
        std::string errorPart;
    };
    const Case cases[] = {
        {{"stats", plain, "1"},
         0,
         "\tx\ty\r\nMean\t2\t4\r\nRange\t2\t4\r\nStandard deviation\t0.82\t1.63\r\nNumber of values\t3\r\n",
         ""},
        {{"stats", chosen, "1"},
         0,
         "\ty\r\nMedian\t4\r\nCorrelation\tVery strong positive correlation\r\n"
         "Regression line y on x\ty=2x\r\nRegression line x on y\tx=0.5y\r\n",
         ""},
        {{"stats", plain, "2"}, 1, "", "error: line 2 is not a data-point set\n"},
        {{"stats", plain, "9"}, 1, "", "error: line 9 is not a data-point set\n"},
        {{"stats", TempName("-absent.lcv"), "1"}, 1, "", "error: cannot open"},
        {{"stats", plain}, 2, "", "usage: lcvtool stats"},
        {{"stats", plain, "0"}, 2, "", "usage: lcvtool stats"},
        {{"stats", plain, "1", "2"}, 2, "", "usage: lcvtool stats"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.size() > 2 ? c.arguments[2] : "-");
        std::string errors;
        const auto run = RunTool(c.arguments, &errors);
        EXPECT_EQ(run.exitCode, c.exitCode) << errors;
        EXPECT_EQ(run.out, c.out);
        EXPECT_NE(errors.find(c.errorPart), std::string::npos) << errors;
    }
    std::remove(plain.c_str());
    std::remove(chosen.c_str());
}
