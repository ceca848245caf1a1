// The whole path of "lcvtool eval": the argument vector as the shell hands
// it over (the input split at zero bytes), option handling, reading the
// formula as markup, parsing, evaluating and printing. Every input must end
// with exit status 0, 1 or 2 (bad usage) and no fault.
#include "lcvtool.h"
#include "lcvtool_arguments.h"

#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using fuzzsupport::Check;

// The fuzzer runs the eval command alone, so its command table (which the
// tool's option handling reads for usage texts) holds that command only.
std::span<const TToolCommand> ToolCommands()
{
    static const TToolCommand commands[] = {
        {"eval", "eval [--degrees | --radians] [--set VAR=VALUE]... [--] FORMULA",
         "parse and evaluate one formula; print its tree, value and status", RunEval},
    };
    return commands;
}

// The tool prints results and usage messages, millions of them in a run. The
// fuzzer is asked to close standard output and error for the code under test
// (-close_fd_mask=3); it keeps its own report and the sanitizers' on a copy.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], "-close_fd_mask=", 15) == 0)
            return 0;
    static std::vector<char*> arguments;
    static char closeBoth[] = "-close_fd_mask=3";
    arguments.assign(*argv, *argv + *argc);
    arguments.push_back(closeBoth);
    arguments.push_back(nullptr);
    *argv = arguments.data();
    ++*argc;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A shell hands over at most a few hundred arguments of text without zero bytes.
    std::vector<std::string> arguments;
    const auto* text = reinterpret_cast<const char*>(data);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size && arguments.size() < 256; ++i) {
        if (i == size || text[i] == '\0') {
            arguments.emplace_back(text + start, i - start);
            start = i + 1;
        }
    }
    const int status = RunEval(arguments);
    Check(status == 0 || status == 1 || status == 2, "lcvtool eval ended with a status other than 0, 1 or 2");
    return 0;
}
