// lcvtool's command line as scripts meet it: --help and --version on
// standard output with exit status 0, and every refusal on standard error
// with exit status 2, its first line naming the argument that is wrong, its
// standard output empty. The version is the one the project's CMake file
// gives.
#include "toolrunner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

using toolrunner::RunTool;
using toolrunner::ScratchPath;
using toolrunner::TRun;

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

// What a refusal or a help says: the exit status and the first line of the stream that speaks.
struct TLineRow {
    std::vector<std::string> arguments;
    int exitCode;
    std::string firstLine; // of standard error for status 2, of standard output for status 0
};

TEST(LcvtoolCommandLine, RefusalsNameTheWrongArgument)
{
    const std::string png = ScratchPath("refused.png");
    const std::vector<TLineRow> rows = {
        {{}, 2, "lcvtool: no command given"},
        {{"frobnicate", "x"}, 2, "lcvtool: unknown command frobnicate"},
        {{"--frobnicate"}, 2, "lcvtool: unknown option --frobnicate"},
        {{"eval"}, 2, "lcvtool eval: FORMULA is missing"},
        {{"eval", "--bogus", "x"}, 2, "lcvtool eval: unknown option --bogus"},
        {{"eval", "--set", "z=1", "x"},
         2,
         "lcvtool eval: --set needs VAR=VALUE with VAR one of x, y, t, q, r, n and VALUE a number, not z=1"},
        {{"eval", "--set"}, 2, "lcvtool eval: --set needs VAR=VALUE"},
        {{"eval", "x", "y"}, 2, "lcvtool eval: unexpected argument y after the formula"},
        {{"eval", "--radians=1", "x"}, 2, "lcvtool eval: --radians takes no value: --radians=1"},
        {{"render", "--size", "12", "-o", png, "y=x"},
         2,
         "lcvtool render: --size needs WxH with whole numbers from 16 to 10000, not 12"},
        {{"render", "--size", "100x", "-o", png, "y=x"},
         2,
         "lcvtool render: --size needs WxH with whole numbers from 16 to 10000, not 100x"},
        {{"render", "--scales", "1,2,3", "-o", png, "y=x"},
         2,
         "lcvtool render: --scales needs four numbers XMIN,XMAX,YMIN,YMAX, not 1,2,3"},
        {{"render", "--accuracy", "0", "-o", png, "y=x"},
         2,
         "lcvtool render: --accuracy needs a whole number from 1 to 1000, not 0"},
        {{"render", "-o", ScratchPath("picture.gif"), "y=x"},
         2,
         "lcvtool render: OUT must end in .png, .svg or .pdf: " + ScratchPath("picture.gif")},
        {{"render", "y=x"}, 2, "lcvtool render: -o OUT is missing"},
        {{"render", "-o", png}, 2, "lcvtool render: no formula line or document to draw"},
        {{"render", "-x", "-o", png}, 2, "lcvtool render: unknown option -x"},
        {{"render", "y=x", "-o"}, 2, "lcvtool render: -o needs OUT"},
        {{"formula", "--height", "401", "-o", png, "x"},
         2,
         "lcvtool formula: --height needs a whole number from 4 to 400, not 401"},
        {{"formula", "--ratio", "0.5", "-o", png, "x"},
         2,
         "lcvtool formula: --ratio needs a number from 1 to 4, not 0.5"},
        {{"formula", "-o", png, "x", "y"}, 2, "lcvtool formula: unexpected argument y after the markup"},
        {{"resave", "in.lcv"}, 2, "lcvtool resave: OUT.lcv is missing"},
        {{"resave", "--force", "a", "b"}, 2, "lcvtool resave: unknown option --force"},
        {{"resave", "a", "b", "c"}, 2, "lcvtool resave: unexpected argument c"},
        {{"lines"}, 2, "lcvtool lines: DOC.lcv is missing"},
        {{"lines", "--size", "12x", "a.lcv"},
         2,
         "lcvtool lines: --size needs WxH with whole numbers from 16 to 10000, not 12x"},
        {{"lines", "--list", "0", "a.lcv"}, 2, "lcvtool lines: --list needs a line number from 1, not 0"},
        {{"lines", "--primary", "a.lcv"}, 2, "lcvtool lines: --primary needs --list N"},
        {{"lines", "a.lcv", "b.lcv"}, 2, "lcvtool lines: unexpected argument b.lcv"},
        {{"dynamic", "a.lcv"}, 2, "lcvtool dynamic: NAME and ACTION are missing"},
        {{"dynamic", "a.lcv", "a"}, 2, "lcvtool dynamic: ACTION is missing"},
        {{"dynamic", "a.lcv", "a", "jump"}, 2, "lcvtool dynamic: unknown action jump"},
        {{"dynamic", "a.lcv", "a", "play", "two"},
         2,
         "lcvtool dynamic: play needs N, a whole number from 1 to 100000, not two"},
        {{"dynamic", "a.lcv", "a", "guide", "1", "2"},
         2,
         "lcvtool dynamic: guide needs four fields F2 F3 F4 F5"},
        {{"dynamic", "--fast", "a.lcv", "a", "back"}, 2, "lcvtool dynamic: unknown option --fast"},
    };
    for (const TLineRow& row : rows) {
        SCOPED_TRACE(row.firstLine);
        std::string errors;
        const TRun run = RunTool(row.arguments, &errors);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(FirstLine(errors), row.firstLine) << errors;
        // The usage of the command (or of every command) follows the reason.
        EXPECT_NE(errors.find("\nusage: lcvtool "), std::string::npos) << errors;
    }
}

TEST(LcvtoolCommandLine, HelpAndVersionGoToStandardOutput)
{
    const std::vector<TLineRow> rows = {
        {{"--help"}, 0, "usage: lcvtool COMMAND [OPTION]... ARGUMENT..."},
        {{"-h"}, 0, "usage: lcvtool COMMAND [OPTION]... ARGUMENT..."},
        {{"eval", "--help"},
         0,
         "usage: lcvtool eval [--degrees | --radians] [--set VAR=VALUE]... [--] FORMULA"},
        {{"render", "y=x", "--help"},
         0,
         "usage: lcvtool render [--size WxH] [--scales XMIN,XMAX,YMIN,YMAX] "
         "[--accuracy N] [--threads N] [--degrees | --radians] -o OUT [--] LINE..."},
        {{"formula", "--help"}, 0, "usage: lcvtool formula [--height PX] [--ratio R] -o OUT [--] MARKUP"},
        {{"resave", "--help"}, 0, "usage: lcvtool resave IN.lcv OUT.lcv"},
        {{"lines", "--help"}, 0, "usage: lcvtool lines [--size WxH] [--list N [--primary]] DOC.lcv"},
        {{"dynamic", "--help"}, 0, "usage: lcvtool dynamic [-o OUT.lcv] DOC.lcv NAME ACTION..."},
    };
    for (const TLineRow& row : rows) {
        SCOPED_TRACE(row.firstLine);
        std::string errors;
        const TRun run = RunTool(row.arguments, &errors);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(FirstLine(run.out), row.firstLine);
        EXPECT_EQ(errors.find("lcvtool"), std::string::npos) << errors;
    }
    // A command's help lists each of its options.
    const TRun render = RunTool({"render", "--help"});
    for (const char* option : {"--size WxH", "--scales XMIN,XMAX,YMIN,YMAX", "--accuracy N", "--degrees",
                               "--radians", "-o OUT", "--help"})
        EXPECT_NE(render.out.find(std::string("\n  ") + option), std::string::npos) << option;

    // The version is the project's own, as CMake declares it.
    std::ifstream cmake(LUMACURVE_SOURCE_DIR "/CMakeLists.txt");
    std::stringstream text;
    text << cmake.rdbuf();
    std::smatch match;
    const std::string source = text.str();
    ASSERT_TRUE(std::regex_search(source, match, std::regex(R"(project\(Lumacurve VERSION ([0-9.]+))")));
    EXPECT_EQ(RunTool({"--version"}).out, "lcvtool " + match[1].str() + "\n");
}

TEST(LcvtoolCommandLine, ArgumentsPassThroughAsTheyAre)
{
    // A formula may begin with a minus sign without "--", as before.
    EXPECT_EQ(RunTool({"eval", "--set", "x=-2", "-3+x"}).out, "tree: ((-3)+(x))\nvalue: -5\nstatus: 3\n");
    // Angle options apply in the order given: the last one wins.
    EXPECT_EQ(RunTool({"eval", "--radians", "--degrees", "sin90"}).out, "tree: 1\nvalue: 1\nstatus: 3\n");
    // A code-page byte (0xB4, the times sign) reaches the parser unchanged, whatever the locale.
    const TRun times = RunTool({"eval", "2{\xB4"
                                        "3"},
                               nullptr, {}, {"LC_ALL=C.UTF-8"});
    EXPECT_EQ(times.exitCode, 0);
    EXPECT_EQ(times.out, "tree: 6\nvalue: 6\nstatus: 3\n");
    // An option's value is taken as it stands, even when it begins with "--".
    std::string errors;
    EXPECT_EQ(RunTool({"eval", "--set", "--radians", "x"}, &errors).exitCode, 2);
    EXPECT_EQ(FirstLine(errors),
              "lcvtool eval: --set needs VAR=VALUE with VAR one of x, y, t, q, r, n and VALUE "
              "a number, not --radians");
}

} // namespace

namespace {

// Every command lcvtool --help lists, and every option its own --help lists,
// is in the manual page: a command added to the table must be documented there.
TEST(LcvtoolCommandLine, ManualPageNamesEveryCommandAndOption)
{
    std::ifstream file(LUMACURVE_SOURCE_DIR "/resources/man/lcvtool.1");
    std::stringstream text;
    text << file.rdbuf();
    const std::string page = text.str();
    ASSERT_FALSE(page.empty());
    const std::string help = RunTool({"--help"}).out;
    const std::string list = help.substr(help.find("commands:\n") + 10);
    std::istringstream lines(list.substr(0, list.find("\n\n")));
    int commands = 0;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        ++commands;
        EXPECT_NE(page.find(".B lcvtool " + command), std::string::npos) << command;
        EXPECT_NE(page.find(".B " + command + "\n"), std::string::npos) << command << " has no section";
        const std::string own = RunTool({command, "--help"}).out;
        const std::regex option(R"(\n  (-{1,2})([a-z]+))");
        for (auto at = std::sregex_iterator(own.begin(), own.end(), option); at != std::sregex_iterator();
             ++at) {
            const std::string roff = ((*at)[1].length() == 1 ? "\\-" : "\\-\\-") + (*at)[2].str();
            EXPECT_NE(page.find(roff), std::string::npos) << command << " " << roff;
        }
    }
    EXPECT_GE(commands, 4);
}

} // namespace
