#include "lcvtool.h"

#include <QGuiApplication>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void PrintUsage()
{
    std::fprintf(stderr, "usage: lcvtool eval [--degrees | --radians] [--set VAR=VALUE]... [--] FORMULA\n"
                         "       lcvtool render [--size WxH] [--scales XMIN,XMAX,YMIN,YMAX] [--accuracy N] "
                         "[--degrees | --radians] -o OUT [--] LINE...\n"
                         "       lcvtool render [--size WxH] [--scales XMIN,XMAX,YMIN,YMAX] [--accuracy N] "
                         "[--degrees | --radians] -o OUT DOC.lcv\n"
                         "       lcvtool resave IN.lcv OUT.lcv\n"
                         "       lcvtool formula [--height PX] [--ratio R] -o OUT [--] MARKUP\n"
                         "       lcvtool lines [--size WxH] [--list N [--primary]] DOC.lcv\n"
                         "       lcvtool dynamic [-o OUT.lcv] DOC.lcv NAME ACTION...\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage();
        return 2;
    }
    const std::string command = argv[1];
    std::vector<std::string> arguments(argv + 2, argv + argc);
    if (command == "eval")
        return RunEval(arguments);
    if (command == "resave")
        return RunResave(arguments);
    if (command == "dynamic")
        return RunDynamic(arguments);
    if (command == "render" || command == "formula" || command == "lines") {
        // Drawing needs fonts, and so the application object; no window is
        // shown, so no display is needed.
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
        int qtArgc = 1;
        QGuiApplication application(qtArgc, argv);
        // The application object took LC_NUMERIC from the environment; the
        // tool's output and the documents it reads never follow it.
        std::setlocale(LC_NUMERIC, "C");
        if (command == "lines")
            return RunLines(arguments);
        return command == "render" ? RunRender(arguments) : RunFormula(arguments);
    }
    PrintUsage();
    return 2;
}
