// lcvtool drag end to end: the status line and the line's text after each
// step, the handles at the end, the document saved as the drag left it (and
// read back as the same list), the window's gate, and the exit codes.
#include "document/documentsamples.h"
#include "tools/toolrunner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using documentsamples::WithCrLf;
using toolrunner::ReadFile;
using toolrunner::RunTool;
using toolrunner::WriteFile;

// A closed triangle (1,1) (1,3) (2,2); the graph from -10 to 10 both ways.
std::string Document(const std::string& settings = "Drag curves: 1\nPassword: \n")
{
    return WithCrLf("Lumacurve for windows version 3.101\n" + settings +
                    "Curve\n"
                    "Coordinates\n"
                    "\tDescription: Coordinates\n"
                    "\tprimary equation number = -1\n"
                    "\t\tjoined: 1\n"
                    "\t\tclosed: 1\n"
                    "\t\t( 1.000000E+0000, 1.000000E+0000)\n"
                    "\t\t( 1.000000E+0000, 3.000000E+0000)\n"
                    "\t\t( 2.000000E+0000, 2.000000E+0000)\n"
                    "\tcolour = 16777216\n"
                    "\tstyle = 0\n"
                    "\tSwitches = 0\n"
                    "\tLine thickness = 1\n");
}

} // namespace

TEST(LcvtoolDrag, EachStepPrintsTheStatusAndTheLineAsItChanges)
{
    const std::string in = toolrunner::ScratchPath("drag-in.lcv");
    WriteFile(in, Document());
    const struct {
        const char* name;
        std::vector<std::string> steps;
        std::string out;
    } rows[] = {
        {"the whole list moves with a press on a side",
         {"press", "1,2.5", "move", "2,2.5", "release", "2,2.5"},
         "status: \n"
         "status: Drag curve by [1,0]\n"
         "status: Drag curve by [1,0]\n"
         "line 1: TCoordCurve: Coordinates (2,1) (2,3) (3,2)\n"
         "description: none\n"
         "handles: TDragPoint(2,1) TDragPoint(2,3) TDragPoint(3,2)\n"},
        {"a corner's handle moves that corner alone",
         {"press", "2,2", "move", "4,-1", "release", "4,-1"},
         "status: \nstatus: \n"
         "line 1: TCoordCurve: Coordinates (1,1) (1,3) (4,-1)\n"
         "status: \n"
         "description: none\n"
         "handles: TDragPoint(1,1) TDragPoint(1,3) TDragPoint(4,-1)\n"},
        // (1.9, 2.1) from the press is nearest the diagonal: the move keeps its length on it.
        {"shift keeps a move on the eight directions",
         {"press", "1,2.5", "move", "2.9,4.6,shift", "release", "2.9,4.6,shift"},
         "status: \n"
         "status: Drag curve by [2,2]\n"
         "status: Drag curve by [2,2]\n"
         "line 1: TCoordCurve: Coordinates (3,3) (3,5) (4,4)\n"
         "description: none\n"
         "handles: TDragPoint(3,3) TDragPoint(3,5) TDragPoint(4,4)\n"},
        // Each press of a new line places a point (held until the release); the
        // line appears with the second and follows that point's drag.
        {"a new line is placed by two presses",
         {"new", "line", "press", "-4,-3", "release", "-4,-3", "press", "-2,1", "move", "-2,2", "release",
          "-2,2"},
         "status: Click 2 more points to complete the straight line.\n"
         "status: Click 1 more point to complete the straight line.\n"
         "status: Click 1 more point to complete the straight line.\n"
         "status: \n"
         "line 2: TYofX: y=2x+5\n"
         "status: \n"
         "line 2: TYofX: y=2.5x+7\n"
         "status: \n"
         "description: TDragLinearCurveInfo\n"
         "handles: TDragPoint(-4,-3) TDragPoint(-2,2)\n"},
        {"a press off the list starts nothing",
         {"press", "6,6", "move", "7,7", "release", "7,7"},
         "status: \nstatus: \nstatus: \n"
         "description: none\n"
         "handles: TDragPoint(1,1) TDragPoint(1,3) TDragPoint(2,2)\n"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> arguments{"drag", in, "1"};
        arguments.insert(arguments.end(), row.steps.begin(), row.steps.end());
        std::string errors;
        const auto run = RunTool(arguments, &errors);
        EXPECT_EQ(run.exitCode, 0) << row.name << "\n" << errors;
        EXPECT_EQ(run.out, row.out) << row.name;
    }
}

TEST(LcvtoolDrag, TransformHandlesStretchTheListAndTheSavedDocumentReadsBack)
{
    const std::string in = toolrunner::ScratchPath("drag-stretch-in.lcv");
    const std::string out = toolrunner::ScratchPath("drag-stretch-out.lcv");
    WriteFile(in, Document());
    // The stretch handles: the centre at the box's lower left corner, the
    // corner handle at its upper right; dragging the corner to twice its
    // distance across doubles every x from the centre.
    const auto handles = RunTool({"drag", in, "1", "mode", "7"});
    ASSERT_EQ(handles.exitCode, 0);
    const std::string last = handles.out.substr(handles.out.rfind("handles: "));
    ASSERT_NE(last.find("TCentrePoint("), std::string::npos) << last;
    ASSERT_NE(last.find("TStretchPoint("), std::string::npos) << last;

    const auto run = RunTool({"drag", "-o", out, in, "1", "mode", "8", "press", "0,0", "release", "0,0"});
    EXPECT_EQ(run.exitCode, 0);
    const auto lines = RunTool({"lines", out});
    EXPECT_EQ(lines.exitCode, 0);
    EXPECT_EQ(lines.out, "line 1: TCoordCurve: Coordinates (1,1) (1,3) (2,2)\n")
        << "a press and release in place changes nothing";
    EXPECT_FALSE(ReadFile(out).empty());

    // A circle placed by its centre and a point of it is saved; a curve still
    // waiting for points is not.
    const struct {
        std::vector<std::string> steps;
        const char* lines;
    } placed[] = {
        {{"new", "circle", "press", "1,1", "release", "1,1", "press", "4,5", "release", "4,5"},
         "line 1: TCoordCurve: Coordinates (1,1) (1,3) (2,2)\nline 2: TYofX: (x-1)^2+(y-1)^2=5^2\n"},
        {{"new", "quad", "press", "1,1", "release", "1,1"},
         "line 1: TCoordCurve: Coordinates (1,1) (1,3) (2,2)\n"},
    };
    for (const auto& row : placed) {
        std::vector<std::string> arguments{"drag", "-o", out, in, "1"};
        arguments.insert(arguments.end(), row.steps.begin(), row.steps.end());
        ASSERT_EQ(RunTool(arguments).exitCode, 0) << row.steps[1];
        EXPECT_EQ(RunTool({"lines", out}).out, row.lines) << row.steps[1];
    }
}

TEST(LcvtoolDrag, RefusalsAndTheirExitCodes)
{
    const std::string in = toolrunner::ScratchPath("drag-gate-in.lcv");
    const std::string off = toolrunner::ScratchPath("drag-gate-off.lcv");
    WriteFile(in, Document());
    WriteFile(off, Document("Drag curves: 0\nPassword: \n"));
    const struct {
        std::vector<std::string> arguments;
        int status;
        const char* err;
    } rows[] = {
        {{"drag", off, "1", "press", "1,2"}, 1, "error: dragging is not allowed\n"},
        {{"drag", in, "2", "press", "1,2"}, 1, "error: there is no line 2\n"},
        {{"drag", in, "1"}, 2, nullptr},
        {{"drag", in, "1", "press"}, 2, nullptr},
        {{"drag", in, "1", "press", "1,x"}, 2, nullptr},
        {{"drag", in, "1", "mode", "10"}, 2, nullptr},
        {{"drag", in, "1", "new", "square"}, 2, nullptr},
        {{"drag", in, "1", "new"}, 2, nullptr},
        {{"drag", in, "0", "press", "1,2"}, 2, nullptr},
        {{"drag", "--figures", "9", in, "1", "press", "1,2"}, 2, nullptr},
    };
    for (const auto& row : rows) {
        std::string errors;
        const auto run = RunTool(row.arguments, &errors);
        EXPECT_EQ(run.exitCode, row.status) << row.arguments[3];
        if (row.err) {
            EXPECT_NE(errors.find(row.err), std::string::npos) << errors;
        }
    }
}
