#include "lcvtool.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void PrintUsage()
{
    std::fprintf(stderr, "usage: lcvtool eval [--degrees | --radians] [--set VAR=VALUE]... [--] FORMULA\n");
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
    PrintUsage();
    return 2;
}
