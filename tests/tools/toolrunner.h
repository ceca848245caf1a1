// Runs the built lcvtool with arguments and collects its standard output
// and exit code, for the tests of its command-line interface; the files the
// tests write go to a scratch folder of their own.
#pragma once

#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
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

// A path in this test program's private scratch folder, which is removed
// when the program ends: tests running at the same time never share a file.
inline std::string ScratchPath(const std::string& name)
{
    static QTemporaryDir folder;
    return folder.filePath(QString::fromStdString(name)).toStdString();
}

// Writes bytes to the file at path, replacing it.
inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The bytes of the file at path; empty when it cannot be read.
inline std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// Runs the tool; with errors given, its standard error is collected there;
// with input given, that file is its standard input; environment holds
// NAME=VALUE settings added to the tool's environment.
inline TRun RunTool(const std::vector<std::string>& arguments, std::string* errors = nullptr,
                    const std::string& input = {}, const std::vector<std::string>& environment = {})
{
    std::string command;
    if (!environment.empty()) {
        command = "env";
        for (const std::string& setting : environment)
            command += " " + Quote(setting);
        command += " ";
    }
    command += Quote(std::string(LUMACURVE_BINARY_DIR) + "/tools/lcvtool");
    for (const std::string& argument : arguments)
        command += " " + Quote(argument);
    if (!input.empty())
        command += " <" + Quote(input);
    const std::string errorFile = ScratchPath("lcvtool-errors");
    command += errors ? " 2>" + Quote(errorFile) : std::string(" 2>/dev/null");
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
