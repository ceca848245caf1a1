// The lumacurve program run as a user would: --screenshot pictures the main
// window and exits 0, or exits 1 when the document cannot be read at all.
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Program = QStringLiteral(LUMACURVE_BINARY_DIR "/src/lumacurve");

int RunProgram(const QStringList& arguments, QString* errors = nullptr)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("LUMACURVE_TIMINGS", "1");
    process.setProcessEnvironment(environment);
    process.start(Program, arguments);
    if (!process.waitForFinished(60000))
        return -1;
    if (errors)
        *errors = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitCode();
}

} // namespace

TEST(Program, ScreenshotPicturesTheWindowAndReportsUnreadableDocuments)
{
    if (!QFileInfo::exists(Program))
        GTEST_SKIP() << "build the lumacurve target first";
    QTemporaryDir dir;
    QString errors;
    const QString picture = dir.filePath("window.png");
    ASSERT_EQ(
        RunProgram({"--screenshot", picture, LUMACURVE_SOURCE_DIR "/resources/examples/Trigonometry.lcv"},
                   &errors),
        0);
    const QImage image(picture);
    EXPECT_EQ(image.size(), QSize(1280, 800));
    EXPECT_TRUE(errors.contains("first complete paint")); // the start-up phases were printed
    EXPECT_EQ(RunProgram({"--screenshot", dir.filePath("missing.png"), dir.filePath("missing")}, &errors), 1);
    EXPECT_TRUE(errors.contains("missing.lcv does not exist"));
    EXPECT_EQ(RunProgram({"--screenshot"}), 2);
}
