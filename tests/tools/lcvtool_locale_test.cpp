// lcvtool under a decimal-comma locale: documents and number-pair files
// travel between machines and the tool's output is read by programs, so
// render prints and draws, and resave writes, exactly what they do under the
// C locale.
#include "commalocale.h"
#include "document/documentsamples.h"
#include "tools/toolrunner.h"

#include <QImage>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using toolrunner::ReadFile;
using toolrunner::RunTool;
using toolrunner::ScratchPath;
using toolrunner::WriteFile;

const std::vector<std::string> CLocale = {"LC_ALL=C"};

// The settings that run the tool under the decimal-comma locale; the test
// fails when the locale cannot be made.
std::vector<std::string> CommaLocale()
{
    std::string why;
    const QString folder = commalocale::Folder(&why);
    EXPECT_FALSE(folder.isEmpty()) << why;
    return {"LOCPATH=" + folder.toStdString(), std::string("LC_ALL=") + commalocale::Name,
            std::string("LANG=") + commalocale::Name};
}

} // namespace

TEST(LcvtoolUnderACommaLocale, RenderPrintsAndDrawsWhatItDoesUnderC)
{
    const std::vector<std::string> comma = CommaLocale();
    const std::string document = ScratchPath("full.lcv");
    WriteFile(document, documentsamples::Full);
    struct TRow {
        std::vector<std::string> arguments; // after -o OUT
        std::string mapping;
    };
    const TRow rows[] = {
        // 800 pixels across 13 units, 600 up across 10
        {{"--scales", "-6.5,6.5,-5,5", "y=x{^{2}-0.5"}, "mapping: 61.53846154 400 -60 300\n"},
        // the document's own scales: x from -6.283185 to 6.283185 over 400 pixels, y from -2 to 2 over 300
        {{"--size", "400x300", document}, "mapping: 31.83099017 200 -75 150\n"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.arguments.back());
        const std::string plainPicture = ScratchPath("c.png"), commaPicture = ScratchPath("comma.png");
        std::vector<std::string> plainArguments = {"render", "-o", plainPicture};
        std::vector<std::string> commaArguments = {"render", "-o", commaPicture};
        plainArguments.insert(plainArguments.end(), row.arguments.begin(), row.arguments.end());
        commaArguments.insert(commaArguments.end(), row.arguments.begin(), row.arguments.end());
        const auto plain = RunTool(plainArguments, nullptr, {}, CLocale);
        const auto german = RunTool(commaArguments, nullptr, {}, comma);
        EXPECT_EQ(plain.exitCode, 0) << plain.out;
        EXPECT_EQ(german.exitCode, 0) << german.out;
        EXPECT_EQ(german.out.rfind(row.mapping, 0), 0u) << german.out;
        EXPECT_EQ(german.out, plain.out);
        const QImage a(QString::fromStdString(plainPicture)), b(QString::fromStdString(commaPicture));
        ASSERT_FALSE(a.isNull());
        EXPECT_TRUE(a == b) << "the pictures differ";
    }
}

TEST(LcvtoolUnderACommaLocale, DocumentsResaveByteForByte)
{
    const std::vector<std::string> comma = CommaLocale();
    const std::vector<std::string> documents = {
        LUMACURVE_SOURCE_DIR "/resources/Lumacurve.lcv",
        LUMACURVE_SOURCE_DIR "/resources/examples/Trigonometry.lcv",
    };
    const std::string full = ScratchPath("full.lcv"), curves = ScratchPath("curves.lcv");
    WriteFile(full, documentsamples::Full);
    WriteFile(curves, documentsamples::Curves);
    for (const std::string& in : {documents[0], documents[1], full, curves}) {
        SCOPED_TRACE(in);
        const std::string original = ReadFile(in);
        ASSERT_FALSE(original.empty());
        const std::string out = ScratchPath("out.lcv");
        std::remove(out.c_str());
        std::string errors;
        ASSERT_EQ(RunTool({"resave", in, out}, &errors, {}, comma).exitCode, 0) << errors;
        EXPECT_EQ(ReadFile(out), original);
    }
}

TEST(LcvtoolUnderACommaLocale, NumberPairsWithDecimalPointsAreRead)
{
    const std::vector<std::string> comma = CommaLocale();
    const std::string pairs = ScratchPath("pairs.txt");
    WriteFile(pairs, "0.5,1.25\r\n-2.75,3\r\n");
    std::string errors;
    const auto german = RunTool({"resave", pairs, "-"}, &errors, {}, comma);
    EXPECT_EQ(german.exitCode, 0) << errors;
    EXPECT_NE(german.out.find("\t\t( 5.000000E-0001, 1.250000E+0000)\r\n"
                              "\t\t(-2.750000E+0000, 3.000000E+0000)\r\n"),
              std::string::npos)
        << german.out;
    EXPECT_EQ(german.out, RunTool({"resave", pairs, "-"}, nullptr, {}, CLocale).out);
}
