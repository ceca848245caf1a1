// File > Export picture, Save as, Recent documents and Help > Examples as a
// user meets them: each export format read back (size, text kept as text in
// SVG and PDF, the PDF through pdftotext), the dialog's size in millimetres,
// a failed export leaving the old file whole, Save as asking for a name even
// for a named document, and the recent list keeping the last eight and
// dropping a file that has gone.
#include "app/exportpicture.h"
#include "app/filemenuextras.h"
#include "app/recentdocuments.h"
#include "mainwindow_testing.h"
#include "testpictures.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString Example = QStringLiteral(LUMACURVE_SOURCE_DIR "/resources/examples/Trigonometry.lcv");

using FileExtras = QuietFormTest<TLumacurveForm>;

// The text pdftotext finds in a PDF file; empty when it cannot run.
QString PdfText(const QString& path)
{
    QProcess process;
    process.start("pdftotext", {"-layout", path, "-"});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The page size pdfinfo reports, in points.
QSizeF PdfPageSize(const QString& path)
{
    QProcess process;
    process.start("pdfinfo", {path});
    if (!process.waitForFinished(30000))
        return {};
    const QString info = QString::fromUtf8(process.readAllStandardOutput());
    const QRegularExpressionMatch match =
        QRegularExpression(R"(Page size:\s+([0-9.]+) x ([0-9.]+) pts)").match(info);
    return match.hasMatch() ? QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble()) : QSizeF();
}

TEST_F(FileExtras, ExportsEachFormatAtTheChosenSize)
{
    ASSERT_TRUE(form->OpenFile(Example));
    QCoreApplication::processEvents();
    for (const char* format : {"png", "svg", "pdf"}) {
        SCOPED_TRACE(format);
        TPictureExport request;
        request.pixels = QSize(900, 600);
        request.dpi = 150;
        request.path = dir.filePath(QStringLiteral("graph.") + format);
        QString error;
        ASSERT_TRUE(ExportPicture(*form, request, error)) << error.toStdString();
        if (QString(format) == "png") {
            const QImage image(request.path);
            ASSERT_EQ(image.size(), QSize(900, 600));
            // 150 dots per inch are 5906 dots per metre.
            EXPECT_EQ(image.dotsPerMeterX(), 5906);
            // The curve is there: some pixels are neither white nor grey.
            int coloured = 0;
            for (int y = 0; y < image.height(); y += 2)
                for (int x = 0; x < image.width(); x += 2) {
                    const QColor colour = image.pixelColor(x, y);
                    coloured += colour.saturation() > 100 ? 1 : 0;
                }
            EXPECT_GT(coloured, 100);
            KeepForInspection(image, "export-graph.png");
        } else if (QString(format) == "svg") {
            QSvgRenderer renderer(request.path);
            ASSERT_TRUE(renderer.isValid());
            EXPECT_EQ(renderer.viewBox(), QRect(0, 0, 900, 600));
            QFile file(request.path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray svg = file.readAll();
            // Labels stay text and curves lines: the axis label -4 is a text element.
            EXPECT_TRUE(svg.contains(">-4</text>")) << "no axis label as text in the SVG";
            EXPECT_TRUE(svg.contains("<polyline") || svg.contains("<path"));
        } else {
            const QString text = PdfText(request.path);
            ASSERT_FALSE(text.isEmpty()) << "pdftotext (poppler-utils) found no text";
            // The axis labels of the example's scales.
            for (const char* label : {"-6", "-4", "2", "4", "6"})
                EXPECT_TRUE(text.contains(label)) << label << " not in " << text.toStdString();
            // 900 by 600 pixels at 150 dots per inch are 432 by 288 points.
            const QSizeF page = PdfPageSize(request.path);
            EXPECT_NEAR(page.width(), 432, 0.5);
            EXPECT_NEAR(page.height(), 288, 0.5);
        }
    }
    // Graphs and equations: the picture holds the equations' panel too, so it is wider than the graph.
    TPictureExport screen;
    screen.area = TLumacurveForm::TPictureArea::Screen;
    screen.pixels = form->AreaSize(TLumacurveForm::TPictureArea::Screen);
    screen.path = dir.filePath("screen.png");
    QString error;
    ASSERT_TRUE(ExportPicture(*form, screen, error)) << error.toStdString();
    EXPECT_EQ(QImage(screen.path).size(), screen.pixels);
    EXPECT_GT(screen.pixels.width(), form->AreaSize(TLumacurveForm::TPictureArea::Graphs).width());
}

TEST_F(FileExtras, RefusedExportsLeaveTheOldFileWhole)
{
    const QString path = dir.filePath("kept.png");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old picture");
    old.close();
    struct TRow {
        QSize pixels;
        int dpi;
        QString path;
        QString reasonPart;
    };
    const TRow rows[] = {
        {QSize(15, 100), 96, path, "from 16 to 10000 pixels"},
        {QSize(10001, 100), 96, path, "from 16 to 10000 pixels"},
        {QSize(8000, 8000), 96, path, "40 million pixels"},
        {QSize(100, 100), 10, path, "resolution"},
        {QSize(100, 100), 96, dir.filePath("graph.gif"), ".png, .svg or .pdf"},
        {QSize(100, 100), 96, dir.filePath("no-such-folder/graph.png"), "Cannot write"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.reasonPart.toStdString());
        TPictureExport request;
        request.pixels = row.pixels;
        request.dpi = row.dpi;
        request.path = row.path;
        QString error;
        EXPECT_FALSE(ExportPicture(*form, request, error));
        EXPECT_TRUE(error.contains(row.reasonPart)) << error.toStdString();
    }
    EXPECT_EQ(Read(path), QByteArray("old picture"));
    EXPECT_FALSE(QFile::exists(dir.filePath("graph.gif")));
}

TEST_F(FileExtras, DialogSizesInMillimetresAtTheResolution)
{
    TExportPictureDialog dialog(*form);
    auto* unit = dialog.findChild<QComboBox*>("ExportUnit");
    auto* width = dialog.findChild<QDoubleSpinBox*>("ExportWidth");
    auto* height = dialog.findChild<QDoubleSpinBox*>("ExportHeight");
    auto* dpi = dialog.findChild<QSpinBox*>("ExportResolution");
    auto* file = dialog.findChild<QLineEdit*>("ExportFile");
    auto* format = dialog.findChild<QComboBox*>("ExportFormat");
    ASSERT_TRUE(unit && width && height && dpi && file && format);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    KeepForInspection(dialog.grab().toImage(), "export-dialog.png");
    // It starts at the graph's size on screen, in pixels.
    EXPECT_EQ(dialog.Request().pixels, form->AreaSize(TLumacurveForm::TPictureArea::Graphs));
    unit->setCurrentIndex(1); // millimetres
    dpi->setValue(254);       // 10 pixels a millimetre
    width->setValue(100);
    // The height follows the window's proportions.
    const QSize graph = form->AreaSize(TLumacurveForm::TPictureArea::Graphs);
    const TPictureExport request = dialog.Request();
    EXPECT_EQ(request.pixels.width(), 1000);
    EXPECT_NEAR(request.pixels.height(), 1000.0 * graph.height() / graph.width(), 1.0);
    EXPECT_EQ(request.dpi, 254);
    // The format follows the name's extension, and a name without one gets the format's.
    format->setCurrentIndex(format->findData("pdf"));
    EXPECT_TRUE(file->text().endsWith(".pdf"));
    file->setText(dir.filePath("from-dialog"));
    EXPECT_EQ(dialog.Request().path, dir.filePath("from-dialog.pdf"));
    dialog.accept();
    EXPECT_TRUE(dialog.LastError().isEmpty()) << dialog.LastError().toStdString();
    EXPECT_NEAR(PdfPageSize(dir.filePath("from-dialog.pdf")).width(), 100 / 25.4 * 72, 0.5);
}

TEST(FileExtrasLoud, SaveAsAsksForANameEvenForANamedDocument)
{
    // Quiet forms show no file dialog, so this one is not quiet; its save question is answered "No".
    QTemporaryDir dir;
    const QString first = dir.filePath("first.lcv"), second = dir.filePath("second.lcv");
    TStartOptions options;
    options.noDefaultDocument = true;
    TAnsweringForm form(options);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(form.OpenFile(Example));
    ASSERT_TRUE(form.SaveDocument(first));
    ASSERT_EQ(form.DocumentPath(), first);
    // The save dialog that Save as opens is answered with the second name.
    form.saveName = second;
    ASSERT_TRUE(form.Commands().Trigger("ActionFileSaveAs"));
    // Asked once, at the document's own name.
    EXPECT_EQ(form.saveSuggested, QStringList{first});
    EXPECT_EQ(form.DocumentPath(), second);
    EXPECT_EQ(form.windowTitle(), "Lumacurve : second");
    QFile one(first), two(second);
    ASSERT_TRUE(one.open(QIODevice::ReadOnly) && two.open(QIODevice::ReadOnly));
    const QByteArray original = one.readAll(), copy = two.readAll();
    EXPECT_FALSE(copy.isEmpty());
    // The same lines under the new name (the window record names the document).
    EXPECT_EQ(copy.count('\n'), original.count('\n'));
    form.SetModified(false);
}

TEST_F(FileExtras, RecentDocumentsKeepTheLastEightAndDropOnesThatHaveGone)
{
    RecentDocuments::Clear();
    QStringList paths;
    for (int n = 1; n <= 9; ++n) {
        paths << dir.filePath(QStringLiteral("doc%1.lcv").arg(n));
        ASSERT_TRUE(QFile::copy(Example, paths.back()));
        ASSERT_TRUE(form->OpenFile(paths.back()));
    }
    // Opening the third again brings it to the top, once.
    ASSERT_TRUE(form->OpenFile(paths[2]));
    const QStringList list = RecentDocuments::List();
    ASSERT_EQ(list.size(), 8);
    EXPECT_EQ(list[0], paths[2]);
    EXPECT_EQ(list[1], paths[8]);
    EXPECT_EQ(list.count(paths[2]), 1);
    EXPECT_FALSE(list.contains(paths[0])); // the oldest went
    EXPECT_EQ(list[7], paths[1]);

    // The menu lists them newest first; a document that has gone is taken off with a note.
    auto* menu = form->menuBar()->findChild<QMenu*>("Recentdocuments");
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    ASSERT_GE(menu->actions().size(), 8);
    EXPECT_EQ(menu->actions()[0]->text(), "&1 doc3.lcv");
    ASSERT_TRUE(QFile::remove(paths[8]));
    menu->actions()[1]->trigger();
    EXPECT_FALSE(RecentDocuments::List().contains(paths[8]));
    EXPECT_TRUE(form->MessageLabel()->text().contains("no longer there"))
        << form->MessageLabel()->text().toStdString();
    EXPECT_EQ(form->DocumentPath(), paths[2]); // the document shown stays
    // Choosing one that is there opens it.
    emit menu->aboutToShow();
    menu->actions()[1]->trigger();
    EXPECT_EQ(form->DocumentPath(), RecentDocuments::List()[0]);
    RecentDocuments::Clear();
}

TEST_F(FileExtras, NewCommandsTakeNoShortcutOfAnotherCommandAndShowInTheirMenus)
{
    // The shortcuts the maths editor uses itself, besides those of the command table.
    QStringList taken = {"Ctrl+K", "Ctrl+O", "Ctrl+P", "Ctrl+S", "Ctrl+T",       "Ctrl++",
                         "Ctrl+/", "Ctrl+,", "Ctrl+.", "Ctrl+C", "Ctrl+V",       "Ctrl+X",
                         "Ctrl+=", "Alt+S",  "Alt+X",  "Alt+Y",  "Ctrl+Shift+<", "Ctrl+Shift+>"};
    for (int digit = 0; digit <= 9; ++digit)
        taken << QStringLiteral("Alt+%1").arg(digit);
    QStringList seen;
    for (const TCommandRow& row : CommandTable()) {
        const QString shortcut =
            QKeySequence(QString::fromUtf8(row.shortcut.data(), qsizetype(row.shortcut.size())))
                .toString(QKeySequence::PortableText);
        if (shortcut.isEmpty())
            continue;
        EXPECT_FALSE(seen.contains(shortcut)) << shortcut.toStdString() << " twice";
        seen << shortcut;
        if (row.name == "ActionFileSaveAs" || row.name == "ActionExportPicture") {
            EXPECT_FALSE(taken.contains(shortcut)) << shortcut.toStdString();
        }
    }
    EXPECT_EQ(form->Commands().Action("ActionFileSaveAs")->shortcut(), QKeySequence("Ctrl+Shift+S"));
    EXPECT_EQ(form->Commands().Action("ActionExportPicture")->shortcut(), QKeySequence("Ctrl+Shift+E"));
    auto* file = form->menuBar()->findChild<QMenu*>("File1");
    ASSERT_NE(file, nullptr);
    QStringList captions;
    for (QAction* action : file->actions())
        captions << action->text();
    for (const char* caption : {"Save as\u2026", "Export picture\u2026", "Recent documents"})
        EXPECT_TRUE(captions.contains(QString::fromUtf8(caption))) << caption;
    // The examples the build copies beside the program are found, with the example in them.
    const QString examples = ExamplesFolder();
    ASSERT_FALSE(examples.isEmpty());
    EXPECT_TRUE(QFile::exists(examples + "/Trigonometry.lcv"));
}

} // namespace
