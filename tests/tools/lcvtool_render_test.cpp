// lcvtool render end to end: the picture it writes has the curve where the
// mapping line it prints puts it, and its report lines and exit codes are an
// interface used from outside.
#include <QImage>
#include <QPainter>
#ifdef LUMACURVE_HAVE_SVG
#include <QSvgRenderer>
#endif

#include "testpictures.h"
#include "tools/toolrunner.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using toolrunner::RunTool;
using toolrunner::TRun;

std::string TempName(const char* ending)
{
    return toolrunner::ScratchPath(std::string("render") + ending);
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
    const TRun run =
        RunTool({"render", "--size", "400x300", "--scales", "-5,5,-3,27", "-o", png, "y=x{^{2}"});
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
    const TRun run = RunTool({"render", "-o", png, "--", "k=2", "y=kx", "y=(x", "x{^{2}+y{^{2}<4",
                              "sin x=0.5", "y=2t", "Line angle0.5\tintercept 2"});
    EXPECT_EQ(run.exitCode, 1);
    const std::vector<std::string> expected = {
        "line 1: TDynamicConstantEquation",
        "line 2: TYofX",
        "line 3: error: Right bracket missing at 4",
        "line 4: TImplicitFunction",
        "line 5: error: This equation needs both x and y to work at 0",
        "line 6: error: Enter the next formula at 2",
        "line 7: TStraightLine", // a class that is not a formula curve is named too
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

// The graph as pixels of the picture's own size: PNG as written, SVG
// through the SVG renderer, PDF through poppler's rasteriser (or a null
// image when it is not installed).
QImage PictureAsPixels(const std::string& file, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    if (file.ends_with(".png"))
        return QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32);
#ifdef LUMACURVE_HAVE_SVG
    if (file.ends_with(".svg")) {
        QSvgRenderer renderer(QString::fromStdString(file));
        QPainter painter(&image);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
        return image;
    }
#endif
    if (file.ends_with(".pdf")) {
        const std::string stem = file + "-raster";
        const std::string command = "pdftoppm -png -singlefile -scale-to-x " + std::to_string(size.width()) +
                                    " -scale-to-y " + std::to_string(size.height()) + " '" + file + "' '" +
                                    stem + "' 2>/dev/null";
        if (std::system(command.c_str()) != 0)
            return QImage();
        QImage raster(QString::fromStdString(stem + ".png"));
        std::remove((stem + ".png").c_str());
        return raster.convertToFormat(QImage::Format_RGB32);
    }
    return QImage();
}

// The picture's width in millimetres as the file declares it.
double WidthInMillimetres(const std::string& file, int pixels)
{
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.ends_with(".svg")) {
        const auto at = text.find("width=\"");
        return at == std::string::npos ? 0 : std::atof(text.c_str() + at + 7); // "211.667mm"
    }
    if (file.ends_with(".pdf")) {
        const auto at = text.find("/MediaBox [");
        if (at == std::string::npos)
            return 0;
        std::istringstream box(text.substr(at + 11, 80));
        double left = 0, bottom = 0, right = 0;
        box >> left >> bottom >> right;
        return (right - left) * 25.4 / 72;
    }
    return pixels * 25.4 / 96; // PNG: 96 dots per inch
}

bool Ink(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 110;
}

// The height of the ink of the y label 5 (left of the y axis, away from
// the curve y = x) and the distance from the x axis down to the ink of the x
// label 5, which the tick length decides.
struct TLabelMeasure {
    int labelHeight = 0;
    int xLabelDrop = 0;
};
TLabelMeasure MeasureLabels(const QImage& image, const TMapping& mapping)
{
    TLabelMeasure measure;
    const int axisColumn = mapping.X(0), axisRow = mapping.Y(0), labelRow = mapping.Y(5);
    int first = -1, last = -1;
    for (int y = labelRow - 15; y <= labelRow + 15; ++y)
        for (int x = axisColumn - 40; x < axisColumn - 4; ++x)
            if (Ink(image, x, y)) {
                first = first < 0 ? y : first;
                last = y;
            }
    measure.labelHeight = first < 0 ? 0 : last - first + 1;
    const int column = mapping.X(5);
    for (int y = axisRow + 2; y < axisRow + 40 && !measure.xLabelDrop; ++y)
        for (int x = column - 6; x <= column + 6; ++x)
            if (Ink(image, x, y))
                measure.xLabelDrop = y - axisRow;
    return measure;
}

TEST(LcvtoolRender, PngSvgAndPdfLookTheSame)
{
    const QSize size(800, 600);
    TMapping mapping;
    TLabelMeasure png;
    double pngMillimetresPerPixel = 0;
    for (const char* ending : {".png", ".svg", ".pdf"}) {
        SCOPED_TRACE(ending);
        const std::string file = TempName((std::string("-same") + ending).c_str());
        const TRun run =
            RunTool({"render", "--size", "800x600", "--scales", "-10,10,-10,10", "-o", file, "y=x"});
        ASSERT_EQ(run.exitCode, 0) << run.out;
        ASSERT_TRUE(ReadMapping(run.out, mapping));
        const QImage image = PictureAsPixels(file, size);
        if (image.isNull() && std::string(ending) == ".pdf") {
            std::remove(file.c_str());
            GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
        }
        ASSERT_EQ(image.size(), size);
        KeepForInspection(image, QString("lcvtool-same%1.png").arg(ending + 1));
        const double millimetresPerPixel = WidthInMillimetres(file, size.width()) / size.width();
        const TLabelMeasure measure = MeasureLabels(image, mapping);
        ASSERT_GT(measure.labelHeight, 5);
        ASSERT_GT(measure.xLabelDrop, 0);
        if (std::string(ending) == ".png") {
            png = measure;
            pngMillimetresPerPixel = millimetresPerPixel;
        } else {
            // labels the same share of the picture, within 10 %
            EXPECT_NEAR(measure.labelHeight, png.labelHeight, std::max(1.0, png.labelHeight * 0.1));
            // the same millimetres: the tick (which puts the x labels below
            // the axis) and the picture itself
            EXPECT_NEAR(measure.xLabelDrop * millimetresPerPixel, png.xLabelDrop * pngMillimetresPerPixel,
                        0.3);
            EXPECT_NEAR(millimetresPerPixel, pngMillimetresPerPixel, 0.001);
        }
        if (std::string(ending) == ".svg") {
            // one-pixel lines are one pixel: the y axis is dark on its
            // column only, away from labels and the curve
            const int row = mapping.Y(-7) + 3;
            const int column = mapping.X(0);
            EXPECT_LT(qGray(image.pixel(column, row)), 80);
            EXPECT_GT(qGray(image.pixel(column - 1, row)), 150);
            EXPECT_GT(qGray(image.pixel(column + 1, row)), 150);
            // each label is written once
            std::ifstream in(file);
            const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            int count = 0;
            for (auto at = text.find(">-5<"); at != std::string::npos; at = text.find(">-5<", at + 1))
                ++count;
            EXPECT_EQ(count, 2); // once on each axis
        }
        std::remove(file.c_str());
    }
}

// The picture file, byte for byte.
std::string FileBytes(const std::string& name)
{
    std::ifstream file(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(LcvtoolRender, EveryNumberOfThreadsWritesTheSamePicture)
{
    // Curves of several kinds, an inequality, implicit curves, a declared constant, and the documents
    // shipped.
    const std::vector<std::string> lines = {
        "y=sin x",          "y=1/x",           "x=y{^{2}", "r=sin 4{q", "y<x{^{2}-3", "x{^{2}+y{^{2}=16",
        "sin(xy)=cos(x+y)", "x{^{2}+y{^{2}<4", "a=1",      "y=ax{^{2}"};
    std::vector<std::vector<std::string>> inputs = {lines};
    for (const char* document : {"/resources/Lumacurve.lcv", "/resources/examples/Trigonometry.lcv"})
        inputs.push_back({std::string(LUMACURVE_SOURCE_DIR) + document});
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.front());
        std::string reference;
        for (const char* threads : {"1", "2", "4"}) {
            const std::string png = TempName((std::string("-threads") + threads + ".png").c_str());
            std::vector<std::string> arguments = {"render", "--threads", threads, "-o", png};
            if (input.size() > 1)
                arguments.push_back("--");
            arguments.insert(arguments.end(), input.begin(), input.end());
            const TRun run = RunTool(arguments);
            ASSERT_EQ(run.exitCode, 0) << run.out;
            const std::string bytes = FileBytes(png);
            std::remove(png.c_str());
            ASSERT_FALSE(bytes.empty());
            if (reference.empty())
                reference = bytes;
            else
                EXPECT_TRUE(bytes == reference) << threads << " threads";
        }
    }
}

TEST(LcvtoolRender, BadUsageExitsWithTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {"render"},
        {"render", "y=x"},
        {"render", "-o", TempName(".gif"), "y=x"},
        {"render", "--size", "12", "-o", TempName("-bad.png"), "y=x"},
        {"render", "--scales", "1,2,3", "-o", TempName("-bad.png"), "y=x"},
        {"render", "--accuracy", "0", "-o", TempName("-bad.png"), "y=x"},
        {"render", "--threads", "0", "-o", TempName("-bad.png"), "y=x"},
        {"render", "--threads", "65", "-o", TempName("-bad.png"), "y=x"},
        {"render", "--threads", "1.5", "-o", TempName("-bad.png"), "y=x"},
        {"render", "--threads", "2 ", "-o", TempName("-bad.png"), "y=x"},
        {"render", "--accuracy", "1e30", "-o", TempName("-bad.png"), "y=x"},
        {"render", "--bogus", "-o", TempName("-bad.png"), "y=x"},
    };
    for (const auto& arguments : cases) {
        const TRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.back();
    }
}

} // namespace
