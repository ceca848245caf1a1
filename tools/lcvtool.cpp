#include "lcvtool.h"
#include "lcvtool_arguments.h"

#include "lumacurveversion.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// clang-format off
const TToolCommand Commands[] = {
    {"eval", "eval [--degrees | --radians] [--set VAR=VALUE]... [--] FORMULA",
     "parse and evaluate one formula; print its tree, value and status",
     RunEval},
    {"render",
     "render [--size WxH] [--scales XMIN,XMAX,YMIN,YMAX] [--accuracy N] [--threads N] [--degrees | --radians] -o OUT [--] LINE...\n"
     "render [--size WxH] [--scales XMIN,XMAX,YMIN,YMAX] [--accuracy N] [--threads N] [--degrees | --radians] -o OUT DOC.lcv",
     "draw formula lines, or a document, as a PNG, SVG or PDF picture of the graph",
     RunRender},
    {"resave", "resave IN.lcv OUT.lcv",
     "read a document and write it back as this version writes it",
     RunResave},
    {"formula", "formula [--height PX] [--ratio R] -o OUT [--] MARKUP",
     "lay out one formula line as a PNG, SVG or PDF picture",
     RunFormula},
    {"lines", "lines [--size WxH] [--list N [--primary]] DOC.lcv",
     "print each line of a document's equations window with its class, or a line's coordinate list",
     RunLines},
    {"dynamic", "dynamic [-o OUT.lcv] DOC.lcv NAME ACTION...",
     "edit a dynamic constant of a document as its editor would, printing each step",
     RunDynamic},
    {"drag", "drag [--size WxH] [--figures F] [-o OUT.lcv] DOC.lcv N STEP...",
     "drag a line of a document as the graph window would, printing the status line and the line's text",
     RunDrag},
    {"stats", "stats DOC.lcv N",
     "print the Statistics window of the data set on line N as its Copy command gives it",
     RunStats},
};
// clang-format on

void PrintHelp()
{
    std::string text = "usage: lcvtool COMMAND [OPTION]... ARGUMENT...\n"
                       "       lcvtool COMMAND --help\n"
                       "       lcvtool --help | --version\n"
                       "\nThe formula engine of Lumacurve on the command line.\n\ncommands:\n";
    for (const TToolCommand& command : Commands) {
        std::string name(command.name);
        name.resize(std::max<std::size_t>(name.size() + 2, 10), ' ');
        text += "  " + name + std::string(command.summary) + "\n";
    }
    text += "\nFormulas are written in Lumacurve's formula markup: x{^{2} is x squared, {/{1}{x} the "
            "fraction 1/x,\n"
            "{sqrt{x} the square root of x, {p is pi and {q theta. Angles are in degrees unless --radians is "
            "given.\n"
            "\nexit status: 0 done, 1 the input was refused, 2 bad usage\n";
    std::fputs(text.c_str(), stdout);
}

int Refuse(const std::string& reason)
{
    std::fprintf(stderr, "lcvtool: %s\n%s", reason.c_str(), AllUsageLines().c_str());
    return 2;
}

} // namespace

std::span<const TToolCommand> ToolCommands()
{
    return Commands;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return Refuse("no command given");
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        PrintHelp();
        return 0;
    }
    if (first == "--version") {
        std::printf("lcvtool %s\n", LumacurveVersion);
        return 0;
    }
    const TToolCommand* command = FindToolCommand(first);
    if (!command)
        return Refuse((first.size() > 1 && first[0] == '-' ? "unknown option " : "unknown command ") + first);
    return command->run(std::vector<std::string>(argv + 2, argv + argc));
}
