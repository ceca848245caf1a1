// The lumacurve program run as a user would: --screenshot pictures the main
// window and exits 0, or exits 1 when the document cannot be read at all; it
// draws the same picture under any locale. Each run has a home and settings
// folders of its own, never the user's.
#include "commalocale.h"
#include "document/documentsamples.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Program = QStringLiteral(LUMACURVE_BINARY_DIR "/src/lumacurve");
const QString Example = QStringLiteral(LUMACURVE_SOURCE_DIR "/resources/examples/Trigonometry.lcv");

// The environment of a run: the user's folders inside home, the numbers of
// the C locale unless the caller changes them.
QProcessEnvironment ProgramEnvironment(const QTemporaryDir& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("LUMACURVE_TIMINGS", "1");
    environment.insert("HOME", home.filePath("home"));
    environment.insert("XDG_CONFIG_HOME", home.filePath("home/.config"));
    environment.insert("XDG_DATA_HOME", home.filePath("home/.local/share"));
    environment.insert("XDG_STATE_HOME", home.filePath("home/.local/state"));
    environment.insert("XDG_CACHE_HOME", home.filePath("home/.cache"));
    environment.insert("LC_ALL", "C");
    return environment;
}

int RunProgram(const QStringList& arguments, const QProcessEnvironment& environment,
               QString* errors = nullptr)
{
    QProcess process;
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
    const QProcessEnvironment environment = ProgramEnvironment(dir);
    QString errors;
    const QString picture = dir.filePath("window.png");
    ASSERT_EQ(RunProgram({"--screenshot", picture, Example}, environment, &errors), 0);
    const QImage image(picture);
    EXPECT_EQ(image.size(), QSize(1280, 800));
    EXPECT_TRUE(errors.contains("first complete paint")); // the start-up phases were printed
    EXPECT_EQ(RunProgram({"--screenshot", dir.filePath("missing.png"), dir.filePath("missing")}, environment,
                         &errors),
              1);
    EXPECT_TRUE(errors.contains("missing.lcv does not exist"));
    EXPECT_EQ(RunProgram({"--screenshot"}, environment), 2);
}

TEST(Program, ScreenshotIsTheSameUnderADecimalCommaLocale)
{
    if (!QFileInfo::exists(Program))
        GTEST_SKIP() << "build the lumacurve target first";
    std::string why;
    ASSERT_FALSE(commalocale::Folder(&why).isEmpty()) << why;
    QTemporaryDir dir;
    // A document with every section: scales, window place, an annotation.
    const QString full = dir.filePath("full.lcv");
    QFile file(full);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(documentsamples::Full.data(), qint64(documentsamples::Full.size()));
    file.close();
    for (const QString& document : {Example, full}) {
        SCOPED_TRACE(document.toStdString());
        QProcessEnvironment environment = ProgramEnvironment(dir);
        environment.remove("LUMACURVE_TIMINGS"); // times differ from run to run
        const QString plain = dir.filePath("c.png"), comma = dir.filePath("comma.png");
        QString plainErrors, commaErrors;
        ASSERT_EQ(RunProgram({"--screenshot", plain, document}, environment, &plainErrors), 0)
            << plainErrors.toStdString();
        ASSERT_EQ(RunProgram({"--screenshot", comma, document}, commalocale::Environment(environment),
                             &commaErrors),
                  0)
            << commaErrors.toStdString();
        // The same reports: every number read as under the C locale.
        EXPECT_EQ(commaErrors.toStdString(), plainErrors.toStdString());
        EXPECT_FALSE(commaErrors.contains("out of range")) << commaErrors.toStdString();
        const QImage c(plain), german(comma);
        ASSERT_FALSE(c.isNull());
        EXPECT_TRUE(c == german) << "the window differs under " << commalocale::Name;
    }
}
