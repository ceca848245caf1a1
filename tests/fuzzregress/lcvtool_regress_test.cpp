// Hostile formulas given to "lcvtool eval", which automation scripts call
// with text they did not write. Each row is an input that once crashed or
// could crash the tool, and the line and exit status it must give instead.
// The tests run the real program.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <fcntl.h>
#include <string>
#include <vector>

namespace {

struct TRun {
    std::string out;
    int exitCode = -1;
};

// Runs lcvtool with the arguments as given (no shell in between), collecting standard output.
TRun RunTool(const std::vector<std::string>& arguments)
{
    const std::string program = std::string(LUMACURVE_BINARY_DIR) + "/tools/lcvtool";
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    TRun run;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return run;
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(pipeEnds[0]);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    std::array<char, 4096> buffer{};
    ssize_t count = 0;
    while ((count = read(pipeEnds[0], buffer.data(), buffer.size())) > 0)
        run.out.append(buffer.data(), static_cast<std::size_t>(count));
    close(pipeEnds[0]);
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

std::string Repeat(const std::string& text, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += text;
    return out;
}

// Fractions nested depth deep, each cell a sum of terms terms after the level below.
std::string NestedSums(int depth, int terms)
{
    std::string sum = "x";
    for (int i = 1; i < terms; ++i)
        sum += (i % 100 == 0) ? "{p+x" : "+x";
    std::string markup = "x";
    for (int i = 0; i < depth; ++i)
        markup = "{/{" + markup + "{p+" + sum + "}{2}";
    return markup;
}

TEST(LcvtoolRegress, HostileFormulasEndWithAMessageAndStatusOne)
{
    struct TRow {
        const char* what;
        std::string formula;
        std::string firstLine; // the start of the first output line
    };
    const std::vector<TRow> rows = {
        {"100000 nested brackets", Repeat("(", 100000) + "x", "error: I do not understand this formula at "},
        {"30000 nested indices", Repeat("{^{", 30000) + "x" + Repeat("}", 30000), "error: Read error at 0"},
        {"40000 nested fractions", Repeat("{/{", 40000), "error: Read error at 0"},
        {"a matrix of 255 by 255", "{Mtrx \xFF\xFF{1}", "error: Read error at 0"},
        {"a field list of seven fields", "{fix \x07\x01{a}{b}{c}{d}{e}{f}{g}", "error: Read error at 0"},
        {"a tree too tall through nested cells", NestedSums(30, 1900),
         "error: I do not understand this formula at "},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        const TRun run = RunTool({"eval", "--", row.formula});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out.substr(0, row.firstLine.size()), row.firstLine);
    }
}

TEST(LcvtoolRegress, OverlongFormulasAreReadWholeAndRefusedWithAMessage)
{
    // The reader goes on in a new run after 250 characters, so the whole
    // formula arrives; one this long is refused with a message, not a crash.
    const TRun run = RunTool({"eval", "--set", "x=1", "--", Repeat("x", 100000)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.substr(0, 7), "error: ") << run.out.substr(0, 200);
}

} // namespace
