// lcvtool render end to end: the picture it writes has the curve where the
// mapping line it prints puts it, and its report lines and exit codes are an
// interface used from outside.
#include <QImage>

#include "tools/toolrunner.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using toolrunner::RunTool;
using toolrunner::TRun;

std::string TempName(const char* ending)
{
    return "/tmp/lcvtool-render-" + std::to_string(getpid()) + ending;
}

struct TMapping {
    double xScale = 0, xOrigin = 0, yScale = 0, yOrigin = 0;
    [[nodiscard]] int X(double x) const { return static_cast<int>(std::nearbyint(x * xScale + xOrigin)); }
    [[nodiscard]] int Y(double y) const { return static_cast<int>(std::nearbyint(y * yScale + yOrigin)); }
};

bool ReadMapping(const std::string& out, TMapping& mapping)
{
    std::istringstream lines(out);
    std::string word;
    lines >> word >> mapping.xScale >> mapping.xOrigin >> mapping.yScale >> mapping.yOrigin;
    return word == "mapping:" && !lines.fail();
}

bool DarkNear(const QImage& image, int x, int y)
{
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (image.rect().contains(x + dx, y + dy) && qGray(image.pixel(x + dx, y + dy)) < 100)
                return true;
    return false;
}

TEST(LcvtoolRender, TheCurveIsWhereTheMappingSays)
{
    const std::string png = TempName(".png");
    const TRun run = RunTool({"render", "--size", "400x300", "--scales", "-5,5,-3,27", "-o", png, "y=x{^{2}"});
    ASSERT_EQ(run.exitCode, 0) << run.out;
    TMapping mapping;
    ASSERT_TRUE(ReadMapping(run.out, mapping)) << run.out;
    EXPECT_NE(run.out.find("line 1: TYofX\n"), std::string::npos) << run.out;
    // 400 pixels across 10 units, 300 up across 30
    EXPECT_NEAR(mapping.xScale, 40, 1e-9);
    EXPECT_NEAR(mapping.yScale, -10, 1e-9);
    QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.size(), QSize(400, 300));
    for (double x : {-4.5, -3.0, -1.7, 1.3, 2.5, 4.0})
        EXPECT_TRUE(DarkNear(image, mapping.X(x), mapping.Y(x * x))) << "x = " << x;
    // off the curve and away from axes and grid lines the page is light
    for (double x : {-3.5, 3.5})
        EXPECT_GT(qGray(image.pixel(mapping.X(x), mapping.Y(x * x + 4.5))), 150) << "x = " << x;
    std::remove(png.c_str());
}

TEST(LcvtoolRender, ReportsEveryLineAndDrawsTheOnesThatWorked)
{
    const std::string png = TempName("-lines.png");
    const TRun run =
        RunTool({"render", "-o", png, "--", "k=2", "y=kx", "y=(x", "x{^{2}+y{^{2}<4", "sin x=0.5", "y=2t"});
    EXPECT_EQ(run.exitCode, 1);
    const std::vector<std::string> expected = {
        "line 1: TDynamicConstantEquation",
        "line 2: TYofX",
        "line 3: error: Right bracket missing at 4",
        "line 4: TImplicitFunction",
        "line 5: error: This equation needs both x and y to work at 0",
        "line 6: error: Enter the next formula at 2",
    };
    for (const std::string& line : expected)
        EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << line << "\n" << run.out;
    // the default size and scales
    EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QSize(800, 600));
    std::remove(png.c_str());
}

TEST(LcvtoolRender, WritesSvgAndPdf)
{
    for (const char* ending : {".svg", ".pdf"}) {
        const std::string file = TempName(ending);
        const TRun run = RunTool({"render", "--size", "300x200", "-o", file, "y=x"});
        EXPECT_EQ(run.exitCode, 0) << ending;
        std::ifstream in(file, std::ios::binary);
        std::string head(8, '\0');
        in.read(head.data(), 8);
        if (std::string(ending) == ".pdf")
            EXPECT_EQ(head.substr(0, 5), "%PDF-");
        else
            EXPECT_NE(head.find('<'), std::string::npos);
        std::remove(file.c_str());
    }
}

TEST(LcvtoolRender, BadUsageExitsWithTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {"render"},
        {"render", "y=x"},
        {"render", "-o", "/tmp/x.gif", "y=x"},
        {"render", "--size", "12", "-o", "/tmp/x.png", "y=x"},
        {"render", "--scales", "1,2,3", "-o", "/tmp/x.png", "y=x"},
        {"render", "--accuracy", "0", "-o", "/tmp/x.png", "y=x"},
        {"render", "--bogus", "-o", "/tmp/x.png", "y=x"},
    };
    for (const auto& arguments : cases) {
        const TRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.back();
    }
}

} // namespace
