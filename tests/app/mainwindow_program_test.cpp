// The lumacurve program run as a user would: --screenshot pictures the main
// window and exits 0, or exits 1 when the document cannot be read at all; it
// draws the same picture under any locale. Each run has a home and settings
// folders of its own, never the user's.
#include "commalocale.h"
#include "document/documentsamples.h"
#include "programrun.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Example = QStringLiteral(LUMACURVE_SOURCE_DIR "/resources/examples/Trigonometry.lcv");

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

TEST(Program, PrintPdfWritesThePageWithItsWordsAsTextAndReportsTheLayout)
{
    if (!QFileInfo::exists(Program))
        GTEST_SKIP() << "build the lumacurve target first";
    QTemporaryDir dir;
    QProcessEnvironment environment = ProgramEnvironment(dir);
    environment.remove("LUMACURVE_TIMINGS");
    struct Row {
        QStringList options;
    };
    const Row rows[] = {{{}}, {{"--landscape"}}, {{"--fill", "--no-equations"}}, {{"--landscape", "--fill"}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.options.join(' ').toStdString());
        const QString pdf = dir.filePath("page.pdf");
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(Program, QStringList{"--print-pdf", pdf} + row.options + QStringList{Example});
        ASSERT_TRUE(process.waitForFinished(60000));
        const QString output = QString::fromLatin1(process.readAllStandardOutput());
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        // A4 at 600 dpi: 7016 pixels on the longer side, a twentieth of it the margin;
        // the window's proportions are kept, so both factors are the same.
        const QStringList words = output.trimmed().split(' ');
        ASSERT_EQ(words.size(), 5) << output.toStdString();
        EXPECT_EQ(words[0], "margin:");
        EXPECT_EQ(words[1], "350");
        EXPECT_EQ(words[2], "factors:");
        EXPECT_EQ(words[3], words[4]);
        bool ok = false;
        const double factor = words[3].toDouble(&ok);
        EXPECT_TRUE(ok);
        // The dock site of a 1280 x 800 window fits inside 4260 x 6316 (portrait) or 6316 x 4260.
        EXPECT_GT(factor, 3.3);
        EXPECT_LT(factor, 6.0);
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith("%PDF"));
        EXPECT_TRUE(bytes.contains("/FontFile")) << "the words are text in an embedded font";
        // When poppler is there, the words come back out of the page.
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (!pdftotext.isEmpty()) {
            QProcess text;
            text.start(pdftotext, {pdf, "-"});
            ASSERT_TRUE(text.waitForFinished(30000));
            const QString words = QString::fromUtf8(text.readAllStandardOutput());
            EXPECT_TRUE(words.contains("Trigonometry")) << words.toStdString(); // the title line
            if (!row.options.contains("--no-equations")) {
                EXPECT_TRUE(words.contains("sin")) << words.toStdString();
            }
        }
    }
}

TEST(Program, PrintPdfAnswersOneForAnUnreadableDocumentAndTwoForUsage)
{
    if (!QFileInfo::exists(Program))
        GTEST_SKIP() << "build the lumacurve target first";
    QTemporaryDir dir;
    const QProcessEnvironment environment = ProgramEnvironment(dir);
    const QString pdf = dir.filePath("page.pdf");
    QString errors;
    EXPECT_EQ(RunProgram({"--print-pdf", pdf, dir.filePath("missing")}, environment, &errors), 1);
    EXPECT_FALSE(QFileInfo::exists(pdf));
    struct Row {
        QStringList arguments;
        const char* says;
    };
    const Row rows[] = {
        {{"--print-pdf"}, "print-pdf"},
        {{"--print-pdf", pdf}, "needs DOCUMENT"},
        {{"--fill", Example}, "go with --print-pdf"},
        {{"--print-pdf", pdf, "--screenshot", dir.filePath("a.png"), Example}, "cannot be given together"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        EXPECT_EQ(RunProgram(row.arguments, environment, &errors), 2);
        EXPECT_TRUE(errors.contains(row.says)) << errors.toStdString();
    }
}
