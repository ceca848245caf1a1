// lcvtool formula end to end: the size line, the picture's dimensions at
// each ratio and format, ink where the formula is, and the exit codes of its
// fixed command-line interface.
#include <QImage>

#include "tools/toolrunner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using toolrunner::RunTool;
using toolrunner::TRun;

std::string TempName(const char* ending)
{
    return toolrunner::ScratchPath(std::string("formula") + ending);
}

struct TSize {
    int width = -1, height = -1, raise = -1;
};

TSize ReadSize(const std::string& out)
{
    TSize size;
    std::istringstream line(out);
    std::string word;
    line >> word >> size.width >> size.height >> size.raise;
    EXPECT_EQ(word, "size:");
    return size;
}

TEST(LcvtoolFormula, ThePictureIsTheLineWithItsMarginAtEachRatio)
{
    const std::string png = TempName(".png");
    const std::string markup = "y={/{1}{x{^{2}+1}";
    TSize first;
    for (int ratio : {1, 2, 3}) {
        SCOPED_TRACE(ratio);
        const TRun run = RunTool({"formula", "--ratio", std::to_string(ratio), "-o", png, "--", markup});
        ASSERT_EQ(run.exitCode, 0) << run.out;
        const TSize size = ReadSize(run.out);
        if (ratio == 1)
            first = size;
        // The measure is in pixels at ratio 1, whatever the ratio.
        EXPECT_EQ(size.width, first.width);
        EXPECT_EQ(size.height, first.height);
        EXPECT_GT(size.raise, 0);
        QImage image(QString::fromStdString(png));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), (10 + size.width) * ratio);
        EXPECT_EQ(image.height(), size.height * ratio);
        // White margin, ink in the formula.
        int inkInMargin = 0;
        int ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const bool dark = qGray(image.pixel(x, y)) < 128;
                (x < 8 * ratio ? inkInMargin : ink) += dark ? 1 : 0;
            }
        EXPECT_EQ(inkInMargin, 0);
        EXPECT_GT(ink, 20 * ratio * ratio);
    }
    std::remove(png.c_str());
}

TEST(LcvtoolFormula, HeightScalesTheMeasureAndEveryFormatIsWritten)
{
    const TRun small = RunTool({"formula", "--height", "16", "-o", TempName(".svg"), "x+1"});
    const TRun large = RunTool({"formula", "--height", "64", "-o", TempName(".pdf"), "x+1"});
    ASSERT_EQ(small.exitCode, 0);
    ASSERT_EQ(large.exitCode, 0);
    const TSize a = ReadSize(small.out);
    const TSize b = ReadSize(large.out);
    EXPECT_NEAR(b.width, 4 * a.width, 4);
    EXPECT_NEAR(b.height, 4 * a.height, 4);
    for (const char* ending : {".svg", ".pdf"}) {
        std::ifstream file(TempName(ending), std::ios::binary);
        std::string head(5, '\0');
        file.read(head.data(), 5);
        EXPECT_TRUE(head == "%PDF-" || head.find('<') != std::string::npos) << ending;
        std::remove(TempName(ending).c_str());
    }
}

TEST(LcvtoolFormula, UnreadableMarkupAndBadUsageHaveTheirExitCodes)
{
    const std::string png = TempName(".png");
    const struct {
        std::vector<std::string> arguments;
        int code;
        std::string out;
    } rows[] = {
        {{"formula", "-o", png, "{/{1}"}, 1, "error: Read error\n"},
        {{"formula", "-o", png, "--", "a{"}, 1, "error: Read error\n"},
        {{"formula", "-o", png}, 2, ""},
        {{"formula", "x"}, 2, ""},
        {{"formula", "-o", TempName(".gif"), "x"}, 2, ""},
        {{"formula", "--height", "3", "-o", png, "x"}, 2, ""},
        {{"formula", "--height", "401", "-o", png, "x"}, 2, ""},
        {{"formula", "--height", "12.5", "-o", png, "x"}, 2, ""},
        {{"formula", "--ratio", "0.5", "-o", png, "x"}, 2, ""},
        {{"formula", "--ratio", "5", "-o", png, "x"}, 2, ""},
        {{"formula", "--bogus", "-o", png, "x"}, 2, ""},
        {{"formula", "-o", png, "x", "y"}, 2, ""},
        {{"formula", "--height", "400", "--ratio", "1.5", "-o", png, "--", "-x"}, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.back());
        const TRun run = RunTool(row.arguments);
        EXPECT_EQ(run.exitCode, row.code);
        if (row.code != 0) {
            EXPECT_EQ(run.out, row.out);
        }
    }
    std::remove(png.c_str());
}

} // namespace
