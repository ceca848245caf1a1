// lcvtool lines end to end: the lines of the equations window as plain text
// with their classes, the coordinate list window's lines of one of them, and
// the exit codes and messages, which are an interface used from outside.
#include "document/documentsamples.h"
#include "tools/toolrunner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

using documentsamples::WithCrLf;
using toolrunner::RunTool;

std::string TempName(const std::string& ending)
{
    return "/tmp/lcvtool-lines-" + std::to_string(getpid()) + ending;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A closed list with a gap and a point naming a constant, the constant, a
// data set, an empty list, a polygon, a curve and a plain line.
const std::string Document =
    WithCrLf("Lumacurve for windows version 3.101\n"
             "Curve\n"
             "Coordinates\n"
             "\tDescription: Coordinates\n"
             "\tprimary equation number = -1\n"
             "\t\tjoined: 1\n"
             "\t\tclosed: 1\n"
             "\t\tLabel from: A\n"
             "\t\t( 1.200000E+0001, 2.000000E+0000)\n"
             "\t\t_________\n"
             "\t\t( 3.500000E+0000,-1.000000E+0000)\n"
             "\t\t(k, 4.000000E+0000)\n"
             "Curve\n"
             "k=2\n"
             "Curve\n"
             "Data points\n"
             "\tSwitches = 2\n"
             "\t\tjoined: 0\n"
             "\t\t( 1.000000E+0000, 2.500000E+0000)\n"
             "\t\t( 1.500000E-0001, 3.000000E+0000)\n"
             "Curve\n"
             "Coordinates\n"
             "Curve\n"
             "{fix \x06\x15{Polygon with}{4}{sides of length}{2}{centre}{{coords{0}{0}}\n"
             "Curve\n"
             "y=x{^{2}+{/{1}{x}\n"
             "Curve\n"
             "y=3x+\n"
             "Selected curve no: 0\n");

} // namespace

TEST(LcvtoolLines, EveryLineWithItsClassAsShown)
{
    const std::string path = TempName(".lcv");
    WriteFile(path, Document);
    std::string errors;
    const auto run = RunTool({"lines", path}, &errors);
    EXPECT_EQ(run.exitCode, 0) << errors;
    EXPECT_EQ(run.out, "line 1: TCoordCurve: Coordinates (12,2)  (3.5,-1) (k,4)\n"
                       "line 2: TDynamicConstantEquation: k=2\n"
                       "line 3: TDataPoints: Data points (1,2.5) (0.15,3)\n"
                       "line 4: TCoordCurve: Coordinates\n"
                       "line 5: TPolygon: Polygon with 4 sides of length 2 centre (0,0)\n"
                       "line 6: TYofX: y=x^2+1/x\n"
                       "line 7: TEditor: y=3x+\n");
    EXPECT_NE(errors.find("warning: line 27: kept as a plain line"), std::string::npos) << errors;
    std::remove(path.c_str());
}

// Best-fit lines under two data sets: each with its heading and the text of
// its fit, a failed fit with its reason.
TEST(LcvtoolLines, BestFitLinesWithTheirFits)
{
    const std::string path = TempName("-fits.lcv");
    const std::string points = "Curve\nData points\n\tSwitches = 2\n\t\tjoined: 0\n";
    auto fit = [](const std::string& heading, int primary) {
        return "Curve\n" + heading + "\n\tprimary equation number = " + std::to_string(primary) + "\n";
    };
    WriteFile(path, WithCrLf("Lumacurve for windows version 3.101\n" + points +
                             "\t\t( 1.000000E+0000, 2.000000E+0000)\n"
                             "\t\t( 2.000000E+0000, 4.000000E+0000)\n"
                             "\t\t( 3.000000E+0000, 6.000000E+0000)\n" +
                             fit("Best fit straight line", 0) + fit("Best fit straight y on x", 0) +
                             fit("Best fit straight x on y", 0) + fit("Best fit quadratic", 0) +
                             fit("Polynomial", 0) + points + "\t\t( 0.000000E+0000, 5.000000E+0000)\n" +
                             fit("Best fit exponential", 6) + fit("Best fit ln", 6) + fit("Stats:  ", 0) +
                             "Selected curve no: 0\n"));
    std::string errors;
    const auto run = RunTool({"lines", path}, &errors);
    EXPECT_EQ(run.exitCode, 0) << errors;
    EXPECT_EQ(run.out,
              "line 1: TDataPoints: Data points (1,2) (2,4) (3,6)\n"
              "line 2: TBestFitStraight: Best fit straight line:    Very strong positive correlation\n"
              "line 3: TBestFityonx: Best fit straight y on x:  y=2x    r=1\n"
              "line 4: TBestFitxony: Best fit straight x on y:  x=0.5y    r=1\n"
              "line 5: TBestFitQuad: Best fit quadratic:  y=2x:  r=1\n"
              "line 6: TBestFitPoly: Polynomial:  y=2x\n"
              "line 7: TDataPoints: Data points (0,5)\n"
              "line 8: TBestFitexponential: Best fit exponential:  y=5:  r=1\n"
              "line 9: TBestFitlog: Best fit ln   Not enough points\n"
              "line 10: TDisplayStatsCurve: Stats:  n=3; μx=2; σx=0.82; Min x=1; Max x=3; "
              "Range x=2; μy=4; σy=1.63; Min y=2; Max y=6; Range y=4; \n");
    std::remove(path.c_str());
}

TEST(LcvtoolLines, TheCoordinateListWindowsLines)
{
    const std::string path = TempName("-list.lcv");
    WriteFile(path, Document);
    struct Case {
        std::vector<std::string> arguments;
        std::string out;
    };
    // 12 and 3.5 take four characters each, their points in one column; a gap
    // gives an empty line and no letter; a closed list does not repeat its first point.
    const Case cases[] = {
        {{"lines", "--list", "1", path}, "A(12  , 2  )\n\nB( 3.5,-1  )\nC( 2  , 4  )\n"},
        {{"lines", "--list", "1", "--primary", path}, "A(12  , 2  )\n\nB( 3.5,-1  )\nC( 2  , 4  )\n"},
        // A data set is listed without letters, each number rounded as its axis shows it.
        {{"lines", "--list", "3", path}, "(1  ,2.5)\n(0.2,3  )\n"},
        // A list without rows lists nothing.
        {{"lines", "--list", "4", path}, ""},
        // A polygon lists its vertices; whole numbers keep the column of the point.
        {{"lines", "--size", "640x640", "--list", "5", path},
         "A( 1 , 1 )\nB(-1 , 1 )\nC(-1 ,-1 )\nD( 1 ,-1 )\n"},
        // A curve is not a list of points.
        {{"lines", "--list", "6", path}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[2]);
        std::string errors;
        const auto run = RunTool(c.arguments, &errors);
        EXPECT_EQ(run.exitCode, 0) << errors;
        EXPECT_EQ(run.out, c.out);
    }
    std::remove(path.c_str());
}

TEST(LcvtoolLines, ExitCodesAndMessages)
{
    const std::string path = TempName("-codes.lcv");
    WriteFile(path, Document);
    const std::string pairs = TempName("-pairs.txt");
    WriteFile(pairs, "1,2\r\n3,4\r\n");
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string out;
        std::string errorPart;
    };
    const Case cases[] = {
        {{"lines", "--list", "9", path}, 1, "", "error: there is no line 9\n"},
        {{"lines", TempName("-absent.lcv")}, 1, "", "error: cannot open"},
        {{"lines", pairs},
         0,
         "line 1: TDataPoints: Data points (1,2) (3,4)\n",
         "warning: line 1: the file holds"},
        {{"lines"}, 2, "", "usage: lcvtool lines"},
        {{"lines", "--primary", path}, 2, "", "usage: lcvtool lines"},
        {{"lines", "--list", "0", path}, 2, "", "usage: lcvtool lines"},
        {{"lines", "--size", "12x", path}, 2, "", "usage: lcvtool lines"},
        {{"lines", path, path}, 2, "", "usage: lcvtool lines"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.size() > 1 ? c.arguments[1] : "no arguments");
        std::string errors;
        const auto run = RunTool(c.arguments, &errors);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, c.out);
        EXPECT_NE(errors.find(c.errorPart), std::string::npos) << errors;
    }
    std::remove(path.c_str());
    std::remove(pairs.c_str());
}

TEST(LcvtoolLines, ResaveWritesShapesAsItReadsThem)
{
    const std::string in = TempName("-resave-in.lcv"), once = TempName("-once.lcv"),
                      twice = TempName("-twice.lcv");
    WriteFile(in, Document);
    ASSERT_EQ(RunTool({"resave", in, once}).exitCode, 0);
    ASSERT_EQ(RunTool({"resave", once, twice}).exitCode, 0);
    std::ifstream a(once, std::ios::binary), b(twice, std::ios::binary);
    const std::string first{std::istreambuf_iterator<char>(a), std::istreambuf_iterator<char>()};
    const std::string second{std::istreambuf_iterator<char>(b), std::istreambuf_iterator<char>()};
    EXPECT_EQ(first, second);
    for (const char* part :
         {"Curve\r\nCoordinates\r\n\tDescription: Coordinates\r\n",
          "\t\tjoined: 1\r\n\t\tclosed: 1\r\n\t\tLabel from: A\r\n"
          "\t\t( 1.200000E+0001, 2.000000E+0000)\r\n\t\t_________\r\n"
          "\t\t( 3.500000E+0000,-1.000000E+0000)\r\n\t\t(k, 4.000000E+0000)\r\n",
          "Curve\r\n{fix \x06\x15{Polygon with}{4}{sides of length}{2}{centre}{{coords{0}{0}}\r\n"})
        EXPECT_NE(first.find(part), std::string::npos) << part;
    for (const std::string& path : {in, once, twice})
        std::remove(path.c_str());
}

TEST(LcvtoolLines, StraightLinesTangentsAndIntersections)
{
    // The intersection names the line y = x + 2 standing below it.
    const std::string document = WithCrLf("Lumacurve for windows version 3.101\n"
                                          "Curve\n"
                                          "y=x{^{2}\n"
                                          "Intersect\n"
                                          "\tcolour = 255\n"
                                          "\tCurve\t0\n"
                                          "\tCurve\t4\n"
                                          "Curve\n"
                                          "{fix \x02\x01{Normal at x =}{1}\n"
                                          "\tprimary equation number = 0\n"
                                          "Curve\n"
                                          "{fix \x02\x01{Origin line through }{{coords{4}{2}}\n"
                                          "Curve\n"
                                          "y=x+2\n"
                                          "Curve\n"
                                          "{fix \x02\x01{Vertical line to x =}{2}\n"
                                          "\tprimary equation number = 0\n"
                                          "Curve\n"
                                          "Line angle0.5\tintercept 2\n"
                                          "Selected curve no: 1\n");
    const std::string path = TempName("-straight.lcv"), saved = TempName("-straight-saved.lcv");
    WriteFile(path, document);
    std::string errors;
    const auto run = RunTool({"lines", path}, &errors);
    EXPECT_EQ(run.exitCode, 0) << errors;
    EXPECT_EQ(run.out, "line 1: TYofX: y=x^2\n"
                       "line 2: TIntersectCurve: Intersect with y=x+2 (-1,1) (2,4) \n"
                       "line 3: TTangent: Normal at x = 1\n"
                       "line 4: TLineThroughPoint: Origin line through  (4,2)\n"
                       "line 5: TYofX: y=x+2\n"
                       "line 6: TLineToCurve: Vertical line to x = 2\n"
                       "line 7: TStraightLine: Line angle0.5 intercept 2\n");
    ASSERT_EQ(RunTool({"resave", path, saved}).exitCode, 0);
    std::ifstream in(saved, std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(written.find("Intersect\r\n\tcolour = 255\r\n\tCurve\t0\r\n\tCurve\t4\r\nCurve\r\n"),
              std::string::npos);
    EXPECT_NE(written.find("Curve\r\n{fix \x02\x01{Vertical line to x =}{2}\r\n"), std::string::npos);
    for (const std::string& file : {path, saved})
        std::remove(file.c_str());
}

TEST(LcvtoolLines, TransformationsAndTheirRecords)
{
    // Images of y = x^2: typed lines, each standing below its parent.
    const std::string document =
        WithCrLf("Lumacurve for windows version 3.101\n"
                 "Curve\n"
                 "y=x{^{2}\n"
                 "Curve\n"
                 "{fix \x02\x01{Matrix}{{Mtrx \x02\x02{0}{-1}{1}{0}}\n"
                 "\tprimary equation number = 0\n"
                 "Curve\n"
                 "{fix \x02\x01{repeats}{3}{fix \x02\x01{Translation}{{Mtrx \x02\x01{2}{-1}}\n"
                 "\tprimary equation number = 0\n"
                 "Curve\n"
                 "{fix \x04\x05{Rotation about}{{coords{1}{0}}{angle}{90\xAA}\n"
                 "\tprimary equation number = 0\n"
                 "Curve\n"
                 "{fix \x04\x05{Rotation about}{{coords{0}{0}}{angle}{quarter turn clockwise}\n"
                 "\tprimary equation number = 0\n"
                 "Curve\n"
                 "{fix \x02\x01{Reflection in}{y=x+1}\n"
                 "\tprimary equation number = 0\n"
                 "Selected curve no: 1\n");
    const std::string path = TempName("-transform.lcv"), saved = TempName("-transform-saved.lcv");
    WriteFile(path, document);
    std::string errors;
    const auto run = RunTool({"lines", path}, &errors);
    EXPECT_EQ(run.exitCode, 0) << errors;
    EXPECT_EQ(run.out, "line 1: TYofX: y=x^2\n"
                       "line 2: TTransformation: Matrix (0, -1; 1, 0)\n"
                       "line 3: TTransformation: repeats 3 Translation (2; -1)\n"
                       "line 4: TTransformation: Rotation about (1,0) angle 90^o\n"
                       "line 5: TTransformation: Rotation about (0,0) angle quarter turn clockwise\n"
                       "line 6: TTransformation: Reflection in y=x+1\n");
    // The records read back as the same lines.
    ASSERT_EQ(RunTool({"resave", path, saved}).exitCode, 0);
    const auto again = RunTool({"lines", saved}, &errors);
    EXPECT_EQ(again.exitCode, 0) << errors;
    EXPECT_EQ(again.out, run.out);
    std::ifstream in(saved, std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(written.find("{fix \x02\x01{Matrix}{{Mtrx \x02\x02{0}{-1}{1}{0}}"), std::string::npos)
        << written;
    for (const std::string& file : {path, saved})
        std::remove(file.c_str());
}

TEST(LcvtoolLines, TheImageOfAShapeListsItsLetteredPoints)
{
    const std::string document =
        WithCrLf("Lumacurve for windows version 3.101\n"
                 "Curve\n"
                 "{fix \x06\x15{Polygon with}{4}{sides of length}{2}{centre}{{coords{0}{0}}\n"
                 "Curve\n"
                 "{fix \x02\x01{Translation}{{Mtrx \x02\x01{3}{1}}\n"
                 "\tprimary equation number = 0\n"
                 "Selected curve no: 0\n");
    const std::string path = TempName("-image-list.lcv");
    WriteFile(path, document);
    std::string errors;
    const auto run = RunTool({"lines", "--size", "640x640", "--list", "2", path}, &errors);
    EXPECT_EQ(run.exitCode, 0) << errors;
    EXPECT_EQ(run.out, "A'(4 ,2 )\nB'(2 ,2 )\nC'(2 ,0 )\nD'(4 ,0 )\n");
    std::remove(path.c_str());
}
