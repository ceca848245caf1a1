// lcvtool resave and lcvtool render DOC.lcv end to end: exit codes, the
// warnings on standard error and the bytes written are an interface used
// from outside.
#include "document/documentsamples.h"
#include "tools/toolrunner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

using toolrunner::ReadFile;
using toolrunner::RunTool;
using toolrunner::WriteFile;

std::string TempName(const std::string& ending)
{
    return toolrunner::ScratchPath(std::string("resave") + ending);
}

} // namespace

TEST(LcvtoolResave, ExitCodesWarningsAndBytes)
{
    const std::string in = TempName("-in.lcv"), out = TempName("-out.lcv");
    struct TRow {
        std::string input;
        std::vector<std::string> arguments; // empty: IN OUT
        int exitCode;
        std::string errorPart;
    };
    std::string tooNew = documentsamples::Full;
    tooNew.replace(tooNew.find("3.101"), 5, "3.2");
    const std::vector<TRow> rows = {
        {documentsamples::Full, {}, 0, "warning: line 132: a Tangent at record is kept as text\n"},
        {documentsamples::Curves, {}, 0, ""},
        {"1,2\r\n3,4\r\n", {}, 0, "warning: line 1: the file holds number pairs"},
        {tooNew, {}, 1, "error: You need the latest version of Lumacurve\n"},
        {"not a document", {}, 1, "error: Lumacurve cannot open this file.\n"},
        {"", {"resave", TempName("-absent.lcv"), out}, 1, "error: cannot open"},
        {"", {"resave", in}, 2, "usage: lcvtool resave IN.lcv OUT.lcv"},
        {documentsamples::Curves, {"resave", in, "/nonexistent-folder/out.lcv"}, 1, "error: cannot save"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.input.substr(0, 30));
        WriteFile(in, row.input);
        std::remove(out.c_str());
        std::string errors;
        const auto run = RunTool(
            row.arguments.empty() ? std::vector<std::string>{"resave", in, out} : row.arguments, &errors);
        EXPECT_EQ(run.exitCode, row.exitCode) << errors;
        EXPECT_NE(errors.find(row.errorPart), std::string::npos) << errors;
        if (row.exitCode == 0 && row.input.rfind("Lumacurve", 0) == 0) {
            EXPECT_EQ(ReadFile(out), row.input); // a document the program wrote resaves byte for byte
        }
    }
    std::remove(in.c_str());
    std::remove(out.c_str());
}

TEST(LcvtoolResave, DashIsStandardInputAndOutput)
{
    const std::string in = TempName("-stdin.lcv"), out = TempName("-from-stdin.lcv");
    WriteFile(in, documentsamples::Curves);
    const auto toOutput = RunTool({"resave", in, "-"});
    EXPECT_EQ(toOutput.exitCode, 0);
    EXPECT_EQ(toOutput.out, documentsamples::Curves);
    std::remove(out.c_str());
    const auto fromInput = RunTool({"resave", "-", out}, nullptr, in);
    EXPECT_EQ(fromInput.exitCode, 0);
    EXPECT_EQ(ReadFile(out), documentsamples::Curves);
    const auto through = RunTool({"resave", "-", "-"}, nullptr, in);
    EXPECT_EQ(through.out, documentsamples::Curves);
    EXPECT_FALSE(std::ifstream("-").good()) << "a file named - was written";
    std::string errors;
    WriteFile(in, "not a document");
    EXPECT_EQ(RunTool({"resave", "-", "-"}, &errors, in).exitCode, 1);
    EXPECT_NE(errors.find("error: Lumacurve cannot open this file."), std::string::npos) << errors;
    std::remove(in.c_str());
    std::remove(out.c_str());
}

TEST(LcvtoolResave, RenderDrawsADocumentWithItsOwnScales)
{
    const std::string doc = TempName("-render.lcv"), png = TempName(".png");
    WriteFile(doc, documentsamples::Full);
    const auto own = RunTool({"render", "--size", "400x300", "-o", png, doc});
    EXPECT_EQ(own.exitCode, 0);
    // x from -6.283185 to 6.283185 (as written) over 400 pixels, y from -2 to 2 over 300.
    EXPECT_EQ(own.out.rfind("mapping: 31.83099017 200 -75 150\n", 0), 0u) << own.out;
    EXPECT_NE(own.out.find("line 1: TDynamicConstantEquation\nline 2: TYofX\n"), std::string::npos)
        << own.out;
    const auto scaled = RunTool({"render", "--size", "400x300", "--scales", "-10,10,-5,5", "-o", png, doc});
    EXPECT_EQ(scaled.exitCode, 0);
    EXPECT_EQ(scaled.out.rfind("mapping: 20 200 -30 150\n", 0), 0u) << scaled.out;
    std::remove(doc.c_str());
    std::remove(png.c_str());
}
