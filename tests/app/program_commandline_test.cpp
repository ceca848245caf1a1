// The desktop program's command line: read before any display is needed,
// Qt's own options left for Qt, and every refusal naming the argument that
// is wrong. The table checks the reading; the runs check the real program on
// a machine without a display.
#include "app/commandline.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

QString FirstLine(const QString& text)
{
    return text.section('\n', 0, 0);
}

TEST(ProgramCommandLine, ReadsOwnOptionsAndLeavesQtsToQt)
{
    struct TRow {
        QStringList arguments;
        int status;        // -1: the program goes on
        QString firstLine; // of the errors for 2, of the output for 0
        QStringList documents = {};
        QString screenshot = {};
        bool timings = false;
        bool automation = false;
    };
    const TRow rows[] = {
        {{"--help"}, 0, "usage: lumacurve [--timings] [DOCUMENT]"},
        {{"-h", "doc.lcv"}, 0, "usage: lumacurve [--timings] [DOCUMENT]"},
        {{"--bogus"}, 2, "lumacurve: unknown option --bogus"},
        {{"-x", "doc.lcv"}, 2, "lumacurve: unknown option -x"},
        {{"--timings=1"}, 2, "lumacurve: --timings takes no value: --timings=1"},
        {{"--screenshot"}, 2, "lumacurve: --screenshot needs FILE"},
        {{"a.lcv", "b.lcv"}, 2, "lumacurve: unexpected argument b.lcv: only one document is opened"},
        {{}, -1, {}},
        {{"doc"}, -1, {}, {"doc"}},
        {{"-style", "fusion", "doc.lcv", "-platform", "offscreen"}, -1, {}, {"doc.lcv"}},
        {{"--platform=offscreen", "-reverse", "--style", "fusion", "--timings"}, -1, {}, {}, {}, true},
        {{"-timings", "doc.lcv"}, -1, {}, {"doc.lcv"}, {}, true},
        {{"--screenshot", "-shot.png", "doc"}, -1, {}, {"doc"}, "-shot.png"},
        {{"--", "-odd.lcv"}, -1, {}, {"-odd.lcv"}},
        {{"--automation", "--timings"}, -1, {}, {}, {}, true, true},
        {{"--automation", "doc.lcv"}, 2, "lumacurve: --automation opens no document and takes no screenshot"},
        {{"--automation", "--screenshot", "a.png"},
         2,
         "lumacurve: --automation opens no document and takes no screenshot"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        const TProgramCommandLine line = ReadProgramCommandLine(row.arguments);
        EXPECT_EQ(line.exitStatus.value_or(-1), row.status);
        if (row.status == 2) {
            EXPECT_EQ(FirstLine(line.errors), row.firstLine);
            EXPECT_TRUE(line.output.isEmpty());
        } else if (row.status == 0) {
            EXPECT_EQ(FirstLine(line.output), row.firstLine);
            EXPECT_TRUE(line.errors.isEmpty());
        } else {
            EXPECT_EQ(line.options.arguments, row.documents);
            EXPECT_EQ(line.screenshotFile, row.screenshot);
            EXPECT_EQ(line.options.screenshot, !row.screenshot.isEmpty());
            EXPECT_EQ(line.options.timings, row.timings);
            EXPECT_EQ(line.options.automation, row.automation);
        }
    }
}

TEST(ProgramCommandLine, HelpAndVersionNeedNoDisplay)
{
    const QString program = QStringLiteral(LUMACURVE_BINARY_DIR "/src/lumacurve");
    if (!QFileInfo::exists(program))
        GTEST_SKIP() << "build the lumacurve target first";
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    environment.insert("HOME", home.path());
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    environment.insert("XDG_DATA_HOME", home.filePath("data"));
    auto run = [&](const QStringList& arguments, QString* output, QString* errors) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (!process.waitForFinished(60000))
            return -1;
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
        *errors = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };
    QString output, errors;
    EXPECT_EQ(run({"--help"}, &output, &errors), 0) << errors.toStdString();
    EXPECT_EQ(FirstLine(output), "usage: lumacurve [--timings] [DOCUMENT]");
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();

    // The version is the project's own, as CMake declares it.
    std::ifstream cmake(LUMACURVE_SOURCE_DIR "/CMakeLists.txt");
    std::stringstream text;
    text << cmake.rdbuf();
    const std::string source = text.str();
    std::smatch match;
    ASSERT_TRUE(std::regex_search(source, match, std::regex(R"(project\(Lumacurve VERSION ([0-9.]+))")));
    EXPECT_EQ(run({"--version"}, &output, &errors), 0);
    EXPECT_EQ(output.toStdString(), "lumacurve " + match[1].str() + "\n");

    EXPECT_EQ(run({"--frobnicate"}, &output, &errors), 2);
    EXPECT_EQ(FirstLine(errors), "lumacurve: unknown option --frobnicate");
    EXPECT_TRUE(output.isEmpty());

    // Qt takes its own option: without a display, -platform offscreen lets the window be drawn.
    const QString picture = home.filePath("window.png");
    EXPECT_EQ(run({"-platform", "offscreen", "--screenshot", picture,
                   QStringLiteral(LUMACURVE_SOURCE_DIR "/resources/examples/Trigonometry.lcv")},
                  &output, &errors),
              0)
        << errors.toStdString();
    EXPECT_TRUE(QFileInfo::exists(picture));
}

} // namespace

namespace {

// The manual page names every option --help names (as roff writes a dash: "\-").
TEST(ProgramCommandLine, ManualPageNamesEveryOption)
{
    std::ifstream file(LUMACURVE_SOURCE_DIR "/resources/man/lumacurve.1");
    std::stringstream text;
    text << file.rdbuf();
    const std::string page = text.str();
    ASSERT_FALSE(page.empty());
    for (const TProgramOption& option : ProgramOptions()) {
        for (const QString& name : option.names) {
            const std::string roff = (name.size() == 1 ? "\\-" : "\\-\\-") + name.toStdString();
            EXPECT_NE(page.find(roff), std::string::npos) << roff;
            EXPECT_TRUE(ProgramHelp().contains((name.size() == 1 ? "-" : "--") + name)) << roff;
        }
    }
}

} // namespace
