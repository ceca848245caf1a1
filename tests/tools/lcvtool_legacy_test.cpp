// lcvtool on documents of the older binary layout: resave converts them into
// documents that resave to themselves, names what was not converted as it
// stood by record, refuses files that only start with the word, and lines
// and render read them through the same reader.
#include "legacyfiles.h"
#include "tools/toolrunner.h"

#include <gtest/gtest.h>

#include <string>

using namespace legacy;
using toolrunner::ReadFile;
using toolrunner::RunTool;
using toolrunner::WriteFile;

namespace {

std::string Scratch(const std::string& name)
{
    return toolrunner::ScratchPath("legacy-" + name);
}

} // namespace

TEST(LcvtoolLegacy, ResaveConvertsAndNamesTheRecords)
{
    const std::string in = Scratch("in.lcv"), out = Scratch("out.lcv"), again = Scratch("again.lcv");
    const std::map<std::string, Bytes> seeds = LegacySeeds();
    struct {
        Bytes input;
        int exitCode;
        std::vector<std::string> errorParts;
    } rows[] = {
        {File(EveryKind()), 0, {}},
        {seeds.at("bad_primaries"),
         0,
         {"warning: record 2: the line it depends on (9) does not exist; the record was skipped\n",
          "warning: record 3: the line it depends on (200) does not exist; it has none\n",
          "warning: record 7: kind 40 is unknown; the record makes no line\n"}},
        {seeds.at("degrees"), 0, {"warning: header: the grid setting 7 is unknown; the default is kept\n"}},
        {seeds.at("truncated"), 0, {"the file ends inside this record; it was lost\n"}},
        {"Lumacurve notes\r\n" + Bytes(300, 'a'), 1, {"error: Lumacurve cannot open this file.\n"}},
    };
    for (const auto& row : rows) {
        WriteFile(in, row.input);
        std::remove(out.c_str());
        std::string errors;
        const auto run = RunTool({"resave", in, out}, &errors);
        EXPECT_EQ(run.exitCode, row.exitCode) << errors;
        for (const std::string& part : row.errorParts)
            EXPECT_NE(errors.find(part), std::string::npos) << errors;
        if (row.exitCode != 0)
            continue;
        const std::string written = ReadFile(out);
        EXPECT_EQ(written.rfind("Lumacurve for windows version 3.101\r\n", 0), 0u);
        // The converted document is a current one: it resaves to itself.
        std::string againErrors;
        EXPECT_EQ(RunTool({"resave", out, again}, &againErrors).exitCode, 0);
        EXPECT_EQ(ReadFile(again), written) << againErrors;
    }
}

TEST(LcvtoolLegacy, DashIsBinarySafe)
{
    // Every byte value stands in the file: NUL, CR, LF and 255 among them.
    const std::string in = Scratch("stdin.lcv"), out = Scratch("file.lcv");
    const Bytes bytes = LegacySeeds().at("every_kind");
    WriteFile(in, bytes);
    ASSERT_EQ(RunTool({"resave", in, out}).exitCode, 0);
    const auto through = RunTool({"resave", "-", "-"}, nullptr, in);
    EXPECT_EQ(through.exitCode, 0);
    EXPECT_EQ(through.out, ReadFile(out));
}

TEST(LcvtoolLegacy, LinesAndRenderReadTheOlderLayout)
{
    const std::string in = Scratch("lines.lcv"), png = Scratch("render.png");
    WriteFile(in, File({{0, 1, 25, 0, 0, "x" + Power + Number(2) + End, {"y=x\xB2"}},
                        {8, 1, 25, 0, 0, Raw({1}), {"Gradient"}}}));
    std::string errors;
    const auto lines = RunTool({"lines", in}, &errors);
    EXPECT_EQ(lines.exitCode, 0) << errors;
    EXPECT_EQ(lines.out, "line 1: TYofX: y=x^2\nline 2: TGradient: Gradient\n");
    const auto render = RunTool({"render", "--size", "200x150", "-o", png, in}, &errors);
    EXPECT_EQ(render.exitCode, 0) << errors;
    EXPECT_EQ(ReadFile(png).substr(1, 3), "PNG");
}
