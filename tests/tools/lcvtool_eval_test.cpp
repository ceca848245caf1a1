// lcvtool eval is used from outside: its three output lines, its error line
// and its exit codes are an interface. These tests run the real program.
#include "tools/toolrunner.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using toolrunner::RunTool;
using toolrunner::TRun;

TEST(LcvtoolEval, PrintsTreeValueAndStatus)
{
    struct {
        std::vector<std::string> arguments;
        std::string out;
    } cases[] = {
        {{"eval", "--radians", "--set", "x=2", "--", "x{^{2}-3x+1"},
         "tree: ((((((x)^(2)))-(((3)*(x)))))+(1))\nvalue: -1\nstatus: 3\n"},
        // degrees are the default angle unit
        {{"eval", "--set", "x=90", "sin x"}, "tree: sin(x)\nvalue: 1\nstatus: 3\n"},
        {{"eval", "--radians", "--set", "x=1e0", "sin x"}, "tree: sin(x)\nvalue: 0.8414709848\nstatus: 3\n"},
        // a failure of evaluation is a result, not an error
        {{"eval", "1/x"}, "tree: ((1)/(x))\nvalue: 0\nstatus: 5\n"},
        {{"eval", "--set", "x=-1", "{sqrt{x}"}, "tree: sqrt(x)\nvalue: 0\nstatus: 6\n"},
        // constant sub-expressions are folded while parsing
        {{"eval", "2{p"}, "tree: 6.2831853\nvalue: 6.283185307\nstatus: 3\n"},
    };
    for (const auto& row : cases) {
        const TRun run = RunTool(row.arguments);
        EXPECT_EQ(run.exitCode, 0) << row.arguments.back();
        EXPECT_EQ(run.out, row.out) << row.arguments.back();
    }
}

TEST(LcvtoolEval, AllVariablesAreUsed)
{
    const TRun factorial = RunTool({"eval", "--set", "x=2.5", "x!"});
    EXPECT_EQ(factorial.exitCode, 0);
    EXPECT_NE(factorial.out.find("value: 0\nstatus: 7\n"), std::string::npos) << factorial.out;

    const TRun run = RunTool({"eval", "--set", "y=2", "--set", "t=3", "--set", "q=4", "--set", "r=5", "--set", "n=6",
                          "--", "y+t+{q+R+n"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("value: 20\n"), std::string::npos) << run.out;
}

TEST(LcvtoolEval, ParseErrorsGiveMessageAndPosition)
{
    struct {
        const char* formula;
        const char* out;
    } cases[] = {
        {"(x+1", "error: Right bracket missing at 4\n"},
        {"x+1)", "error: Left bracket missing at 3\n"},
        {"x$", "error: I do not understand this character or word at 1\n"},
        {"1..2", "error: You cannot have two points in a number at 0\n"},
        {"x=2", "error: I do not understand this character or word at 1\n"},
        {"{/{1}2", "error: Read error at 0\n"},
    };
    for (const auto& row : cases) {
        const TRun run = RunTool({"eval", "--", row.formula});
        EXPECT_EQ(run.exitCode, 1) << row.formula;
        EXPECT_EQ(run.out, row.out) << row.formula;
    }
}

TEST(LcvtoolEval, BadUsageExitsWithTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"eval"},
        {"eval", "--set", "z=1", "x"},
        {"eval", "--set", "x=abc", "x"},
        {"eval", "--set", "x", "x"},
        {"eval", "--bogus", "x"},
        {"eval", "x", "y"},
        {"frobnicate", "x"},
    };
    for (const auto& arguments : cases) {
        const TRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
    }
}

} // namespace
