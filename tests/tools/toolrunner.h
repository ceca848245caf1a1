// Runs the built lcvtool with arguments and collects its standard output
// and exit code, for the tests of its command-line interface.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace toolrunner {

struct TRun {
    std::string out;
    int exitCode = -1;
};

inline std::string Quote(const std::string& argument)
{
    std::string quoted = "'";
    for (char c : argument)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs the tool; with errors given, its standard error is collected there;
// with input given, that file is its standard input.
inline TRun RunTool(const std::vector<std::string>& arguments, std::string* errors = nullptr,
                    const std::string& input = {})
{
    std::string command = std::string(LUMACURVE_BINARY_DIR) + "/tools/lcvtool";
    for (const std::string& argument : arguments)
        command += " " + Quote(argument);
    if (!input.empty())
        command += " <" + Quote(input);
    const std::string errorFile = "/tmp/lcvtool-errors-" + std::to_string(getpid());
    command += errors ? " 2>" + errorFile : std::string(" 2>/dev/null");
    TRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer{};
    std::size_t count = 0;
    while ((count = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), count);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (errors) {
        errors->clear();
        if (FILE* file = std::fopen(errorFile.c_str(), "rb")) {
            while ((count = fread(buffer.data(), 1, buffer.size(), file)) > 0)
                errors->append(buffer.data(), count);
            std::fclose(file);
        }
        std::remove(errorFile.c_str());
    }
    return run;
}

} // namespace toolrunner
