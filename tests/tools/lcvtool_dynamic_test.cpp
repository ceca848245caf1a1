// lcvtool dynamic end to end: each action's printed value and step, box
// errors, guided plays that close the editor, the document saved with the
// value reached, and the exit codes.
#include "document/documentsamples.h"
#include "tools/toolrunner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using toolrunner::ReadFile;
using toolrunner::RunTool;
using toolrunner::WriteFile;

// A document whose lines are a = 0.3 with step 0.1, y = ax² and b = 2.
std::string Document(const std::string& constant = "a=0.3", const std::string& step = "0.1")
{
    const std::string& sample = documentsamples::Curves;
    std::string text = sample.substr(0, sample.find("Curve\r\n"));
    for (const std::string& line : {constant, std::string("y=ax{^{2}"), std::string("b=2")}) {
        text += "Curve\r\n" + line +
                "\r\n\tcolour = 16777216\r\n\tstyle = 0\r\n\tSwitches = 0\r\n"
                "\tLine thickness = 1\r\n";
        if (line == constant)
            text += "\tStep: " + step + "\r\n";
        else if (line == "b=2")
            text += "\tStep: 0.2\r\n";
    }
    return text + "Selected curve no: 1\r\n";
}

} // namespace

TEST(LcvtoolDynamic, EachActionPrintsTheValueAndTheStep)
{
    const std::string in = toolrunner::ScratchPath("dynamic-in.lcv");
    WriteFile(in, Document());
    const struct {
        const char* name;
        std::vector<std::string> actions;
        std::string out;
    } rows[] = {
        {"one step each way",
         {"forward", "back", "back"},
         "a=0.4 step 0.1\na=0.3 step 0.1\na=0.2 step 0.1\n"},
        {"play three ticks", {"play", "3"}, "a=0.6 step 0.1\n"},
        {"play back two ticks", {"playback", "2"}, "a=0.1 step 0.1\n"},
        {"a value typed, then steps from it", {"value", "2", "forward"}, "a=2 step 0.1\na=2.1 step 0.1\n"},
        {"an expression becomes its number when played",
         {"value", "{p", "forward"},
         "a={p step 0.1\na=3.2 step 0.1\n"},
        {"a value referring to itself stays in error, and play does not start",
         {"value", "a+1", "forward", "finish"},
         "error: A name cannot refer to itself\nerror: A name cannot refer to itself\n"
         "error: A name cannot refer to itself\n"},
        {"a value using another constant", {"value", "b+1"}, "a=b+1 step 0.1\n"},
        {"a step of 0 moves nothing",
         {"step", "0", "forward", "play", "5"},
         "a=0.3 step 0\na=0.3 step 0\na=0.3 step 0\n"},
        {"a new step", {"step", "{/{1}{4}", "forward"}, "a=0.3 step {/{1}{4}\na=0.5 step {/{1}{4}\n"},
        {"the guide adds a lone value", {"guide", "2", "-", "-", "-"}, "a=2.3 step 0.1\n"},
        {"the guide plays to a target, then sets the end value",
         {"guide", "0", "3", "10", "0.5"},
         "a=10 step 0.5\nclosed\n"},
        {"the guide plays back to a target", {"guide", "5", "3", "-", "0.5"}, "a=3 step 0.5\nclosed\n"},
        {"finish closes, and nothing runs after", {"finish", "forward"}, "a=0.3 step 0.1\nclosed\n"},
        {"the name is found whatever its case", {"forward"}, "a=0.4 step 0.1\n"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> arguments{
            "dynamic", in, row.name == std::string("the name is found whatever its case") ? "A" : "a"};
        arguments.insert(arguments.end(), row.actions.begin(), row.actions.end());
        std::string errors;
        const auto run = RunTool(arguments, &errors);
        EXPECT_EQ(run.exitCode, 0) << row.name << ": " << errors;
        EXPECT_EQ(run.out, row.out) << row.name;
    }
}

TEST(LcvtoolDynamic, SavesTheValueReachedAsSaveDoes)
{
    const std::string in = toolrunner::ScratchPath("dynamic-save-in.lcv");
    const std::string out = toolrunner::ScratchPath("dynamic-save-out.lcv");
    WriteFile(in, Document("a=1", "0.25"));
    std::remove(out.c_str());
    const auto run = RunTool({"dynamic", "-o", out, in, "a", "play", "4"});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "a=2 step 0.25\n");
    const std::string saved = ReadFile(out);
    EXPECT_NE(saved.find("Curve\r\na=2\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\tStep:  2.500000E-0001\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Curve\r\ny=ax{^{2}\r\n"), std::string::npos) << saved;
    // The rest of the document is written back as it was read.
    EXPECT_EQ(saved.substr(0, 40), Document().substr(0, 40));
}

TEST(LcvtoolDynamic, RefusesWhatItCannotDo)
{
    const std::string in = toolrunner::ScratchPath("dynamic-refuse.lcv");
    WriteFile(in, Document());
    const std::string notDocument = toolrunner::ScratchPath("dynamic-not.lcv");
    WriteFile(notDocument, "not a document");
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        std::string errorPart;
    } rows[] = {
        {{"dynamic", in, "k", "forward"}, 1, "error: the document has no dynamic constant k\n"},
        {{"dynamic", in, "y", "forward"}, 1, "error: the document has no dynamic constant y\n"},
        {{"dynamic", notDocument, "a", "forward"}, 1, "error: Lumacurve cannot open this file."},
        {{"dynamic", in, "a"}, 2, "usage: lcvtool dynamic"},
        {{"dynamic", in, "a", "jump"}, 2, "usage: lcvtool dynamic"},
        {{"dynamic", in, "a", "play"}, 2, "usage: lcvtool dynamic"},
        {{"dynamic", in, "a", "play", "0"}, 2, "usage: lcvtool dynamic"},
        {{"dynamic", in, "a", "play", "two"}, 2, "usage: lcvtool dynamic"},
        {{"dynamic", in, "a", "guide", "1", "2", "3"}, 2, "usage: lcvtool dynamic"},
        {{"dynamic", "-o"}, 2, "usage: lcvtool dynamic"},
    };
    for (const auto& row : rows) {
        std::string errors;
        const auto run = RunTool(row.arguments, &errors);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.arguments.back() << ": " << errors;
        EXPECT_NE(errors.find(row.errorPart), std::string::npos) << errors;
        EXPECT_EQ(run.out, "");
    }
}
