// The print preview and the one page drawing as a user meets them: the
// dialog's controls and texts, choices that redraw the page (black printing
// leaves no colour, landscape turns the page), a printout name cut to 30
// characters; measuring a printer that writes a file leaves the file alone,
// a page drawing puts every shared value back, a window with no panel to
// print never starts the printer, and print-to-file replaces its PDF only
// with a complete page.
#include "app/lcvprintdialog.h"
#include "app/pagedrawing.h"
#include "equations/equationswindow.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"

#include "dialogtesting.h"
#include "mainwindow_testing.h"
#include "testpictures.h"

#include <QCheckBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

class PrintPreview : public QuietFormTest<TLumacurveForm> {
protected:
    void SetUp() override
    {
        QuietFormTest::SetUp();
        ASSERT_TRUE(form);
        form->resize(1000, 700);
        // The first curve colour is black; the next ones have colour.
        for (const char* line : {"y=x", "y=x+1", "y=x+2"}) {
            QTest::keyClicks(form->Equations(), line);
            QTest::keyClick(form->Equations(), Qt::Key_Return);
        }
        QApplication::processEvents();
    }
    void TearDown() override
    {
        PrintChoices = TPrintChoices{};
        PrintColourOption = 0;
        QuietFormTest::TearDown();
    }
    // The preview as the command opens it, with body run inside its event loop.
    void Preview(const std::function<void(TLCVPrintDialog&)>& body)
    {
        WhenShown<TLCVPrintDialog>([body](TLCVPrintDialog& dialog) {
            body(dialog);
            if (dialog.isVisible())
                QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        ASSERT_TRUE(form->Commands().Trigger("ActionPrint"));
        QApplication::processEvents();
    }
    template <class T> static T* Child(QObject& parent, const char* name)
    {
        return parent.findChild<T*>(QLatin1String(name));
    }
    void HideEveryPanel()
    {
        for (QDockWidget* dock : form->findChildren<QDockWidget*>())
            dock->hide();
        QApplication::processEvents();
    }
    // A file with old contents that must survive.
    QString OldFile(const char* name)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old contents");
        return path;
    }
};

// A click on a radio button's or check box's indicator (the buttons are
// wider than their captions, and a click beside the caption misses).
void ClickIndicator(QAbstractButton* button)
{
    ASSERT_TRUE(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

// Pixels whose red, green and blue differ by more than a little: colour.
int ColouredPixels(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int spread =
                std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()});
            count += spread > 24 ? 1 : 0;
        }
    return count;
}

int WhitePixels(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == qRgb(255, 255, 255) ? 1 : 0;
    return count;
}

} // namespace

TEST_F(PrintPreview, TheDialogHasTheDesignsControlsAndTextsAndEscapeCloses)
{
    bool shown = false;
    Preview([&](TLCVPrintDialog& dialog) {
        shown = true;
        KeepForInspection(dialog.grab().toImage(), "printpreview.png");
        EXPECT_EQ(dialog.windowTitle(), "Print preview");
        EXPECT_EQ(Child<QGroupBox>(dialog, "PrintChoices")->title(), "Print choices");
        struct Group {
            const char* name;
            const char* title;
            std::vector<const char*> captions;
            int checked;
        };
        const Group groups[] = {
            {"ColourRadioGroup", "Print in", {"Colour", "Grey", "Black"}, 0},
            {"OrientationRadioGroup", "Orientation", {"Portrait", "Landscape"}, 0},
            {"AlignAcrossRadioGroup", "Align graph across", {"Left", "Centre", "Right"}, 1},
            {"AlignVertRadioGroup", "Align graph up down", {"Bottom", "Centre", "Top"}, 1},
        };
        for (const Group& group : groups) {
            SCOPED_TRACE(group.name);
            auto* box = Child<QGroupBox>(dialog, group.name);
            ASSERT_TRUE(box);
            EXPECT_EQ(box->title(), group.title);
            for (std::size_t i = 0; i < group.captions.size(); ++i) {
                auto* button =
                    Child<QRadioButton>(*box, QStringLiteral("%1%2").arg(group.name).arg(i).toLatin1());
                ASSERT_TRUE(button);
                EXPECT_EQ(button->text(), group.captions[i]);
                EXPECT_EQ(button->isChecked(), int(i) == group.checked);
            }
        }
        EXPECT_EQ(Child<QCheckBox>(dialog, "FIllpageCheck")->text(), "Fill page");
        EXPECT_FALSE(Child<QCheckBox>(dialog, "FIllpageCheck")->isChecked());
        EXPECT_EQ(Child<QCheckBox>(dialog, "PrintEquationsCheck")->text(), "Print equations");
        EXPECT_TRUE(Child<QCheckBox>(dialog, "PrintEquationsCheck")->isChecked());
        auto* copies = Child<QSpinBox>(dialog, "CopiesSpin");
        EXPECT_EQ(copies->minimum(), 1);
        EXPECT_EQ(copies->maximum(), 99);
        EXPECT_EQ(Child<QPushButton>(dialog, "PrintBtn")->text(), "Print");
        EXPECT_EQ(Child<QPushButton>(dialog, "SetUpBtn")->text(), "Printer");
        EXPECT_EQ(Child<QPushButton>(dialog, "SetUpBtn")->toolTip(), "Change printer settings");
        // Help opens topic 213, whose page ships with the program.
        EXPECT_TRUE(QFile::exists(LUMACURVE_SOURCE_DIR "/resources/help/topic213.html"));
        // The preview shows a page: white with the frame and the lines drawn on it.
        const QImage& picture = dialog.PreviewPicture();
        ASSERT_FALSE(picture.isNull());
        EXPECT_LT(picture.width(), picture.height()); // portrait A4 or letter
        EXPECT_GT(ColouredPixels(picture), 0);        // the curves in their colours
        EXPECT_TRUE(dialog.PrinterMeasured());
    });
    EXPECT_TRUE(shown);
    auto* dialog = form->findChild<TLCVPrintDialog*>();
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->isVisible()); // Escape closed it
}

TEST_F(PrintPreview, ChoicesAreProgramWideAndRedrawThePage)
{
    Preview([&](TLCVPrintDialog& dialog) {
        const QImage colour = dialog.PreviewPicture();
        ClickIndicator(Child<QRadioButton>(dialog, "ColourRadioGroup2"));
        EXPECT_EQ(PrintColourOption, 2);
        KeepForInspection(dialog.PreviewPicture(), "printpreview-black.png");
        EXPECT_EQ(ColouredPixels(dialog.PreviewPicture()), 0) << "black printing leaves no colour";
        // The paper stays white behind the graph and the equations: hardly
        // fewer white pixels than in colour.
        EXPECT_GT(WhitePixels(dialog.PreviewPicture()), WhitePixels(colour) * 97 / 100);

        ClickIndicator(Child<QCheckBox>(dialog, "FIllpageCheck"));
        EXPECT_TRUE(PrintChoices.FillPage);
        ClickIndicator(Child<QCheckBox>(dialog, "PrintEquationsCheck"));
        EXPECT_FALSE(PrintChoices.PrintEquations);
        ClickIndicator(Child<QRadioButton>(dialog, "AlignAcrossRadioGroup0"));
        EXPECT_EQ(PrintChoices.AlignAcross, 0);
        ClickIndicator(Child<QRadioButton>(dialog, "AlignVertRadioGroup2"));
        EXPECT_EQ(PrintChoices.AlignUpDown, 2);

        ClickIndicator(Child<QRadioButton>(dialog, "OrientationRadioGroup1"));
        EXPECT_EQ(dialog.Printer().pageLayout().orientation(), QPageLayout::Landscape);
        EXPECT_GT(dialog.PreviewPicture().width(), dialog.PreviewPicture().height());
        KeepForInspection(dialog.grab().toImage(), "printpreview-landscape.png");

        auto* copies = Child<QSpinBox>(dialog, "CopiesSpin");
        QTest::keyClick(copies, Qt::Key_Up);
        QTest::keyClick(copies, Qt::Key_Up);
        EXPECT_EQ(dialog.Printer().copyCount(), 3);

        // 35 characters typed: the first 30 are the print name.
        auto* name = Child<QLineEdit>(dialog, "PrintName");
        name->setFocus();
        QTest::keyClicks(name, "abcdefghijklmnopqrstuvwxyz123456789");
        QTest::keyClick(name, Qt::Key_Tab);
        EXPECT_EQ(Configuration.PrintName, "abcdefghijklmnopqrstuvwxyz1234");
    });
}

TEST_F(PrintPreview, MeasuringAPrinterThatWritesAFileLeavesTheFileAlone)
{
    const QString path = OldFile("kept.pdf");
    Preview([&](TLCVPrintDialog& dialog) {
        dialog.Printer().setOutputFormat(QPrinter::PdfFormat);
        dialog.Printer().setOutputFileName(path);
        dialog.PrinterChanged(); // measures again and redraws
        EXPECT_TRUE(dialog.PrinterMeasured());
        EXPECT_FALSE(dialog.PreviewPicture().isNull());
    });
    EXPECT_EQ(Read(path), QByteArray("old contents"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    const TPageDevice page = MeasurePrinter(printer);
    EXPECT_FALSE(page.Pixels.isEmpty());
    EXPECT_GT(page.MillimetresAcross, 100);
    EXPECT_EQ(Read(path), QByteArray("old contents"));
}

TEST_F(PrintPreview, ThePageDrawingPutsEverySharedValueBack)
{
    struct Row {
        const char* what;
        bool fill;
        bool graphPaper;
        bool hidePanels;
    };
    const Row rows[] = {
        {"as in the window", false, false, false}, {"fill page", true, false, false},
        {"graph paper", false, true, false},       {"graph paper filling the page", true, true, false},
        {"no panel to print", false, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TGraphParams& params = form->GraphArea()->Params();
        if (row.graphPaper != params.GraphPaperOn())
            params.ToggleGraphPaper(form->GraphArea());
        if (row.hidePanels)
            HideEveryPanel();
        BackgroundColour = RgbColour(10, 20, 30);
        MillimetresPerPixelX = 0.3L;
        MillimetresPerPixelY = 0.25L;
        const TAxes* axes = params.Axes.get();
        const TAxisRanges ranges = axes->GetRanges();
        const std::int32_t length = axes->XAxis->Length;

        QImage page(QSize(420, 594), QImage::Format_RGB32);
        TPageDevice device;
        device.Pixels = page.size();
        device.MillimetresAcross = 210;
        device.MillimetresDown = 297;
        TPrintChoices choices;
        choices.FillPage = row.fill;
        std::optional<TPagePlacement> placement;
        {
            QPainter painter(&page);
            placement = DrawPage(*form, painter, device, choices, "Class 4");
        }
        EXPECT_EQ(placement.has_value(), !row.hidePanels);
        EXPECT_EQ(BackgroundColour, RgbColour(10, 20, 30));
        EXPECT_EQ(MillimetresPerPixelX, 0.3L);
        EXPECT_EQ(MillimetresPerPixelY, 0.25L);
        EXPECT_EQ(params.Axes.get(), axes); // the window's own axes, as they were
        EXPECT_EQ(params.Axes->GetRanges().XMin, ranges.XMin);
        EXPECT_EQ(params.Axes->GetRanges().YMax, ranges.YMax);
        EXPECT_EQ(params.Axes->XAxis->Length, length);
        if (placement) {
            // The graph's frame is drawn in black at its place.
            const QRect frame = placement->Graph;
            EXPECT_EQ(page.pixelColor(frame.left(), frame.center().y()), QColor(Qt::black));
            EXPECT_EQ(page.pixelColor(frame.center().x(), frame.top()), QColor(Qt::black));
            KeepForInspection(
                page, QStringLiteral("page-%1.png").arg(QString::fromLatin1(row.what).replace(' ', '-')));
        }
        BackgroundColour = clWhite;
        MillimetresPerPixelX = MillimetresPerPixelY = 25.4L / 96;
    }
}

TEST_F(PrintPreview, AWindowWithNoPanelToPrintNeverStartsThePrinter)
{
    const QString path = OldFile("nothing.pdf");
    HideEveryPanel();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    QString error;
    EXPECT_FALSE(PrintPage(*form, printer, TPrintChoices{}, {}, &error));
    EXPECT_TRUE(error.contains("nothing to print")) << error.toStdString();
    EXPECT_EQ(Read(path), QByteArray("old contents"));
    // The Print command says so on the status line.
    EXPECT_FALSE(form->Print(printer));
    EXPECT_EQ(Read(path), QByteArray("old contents"));
}

TEST_F(PrintPreview, PrintToFileReplacesThePdfWithTheCompletePage)
{
    const QString path = OldFile("page.pdf");
    for (const bool landscape : {false, true}) {
        SCOPED_TRACE(landscape);
        QString error;
        const auto placement = PrintPdf(*form, path, landscape, TPrintChoices{}, &error);
        ASSERT_TRUE(placement) << error.toStdString();
        const QByteArray pdf = Read(path);
        EXPECT_TRUE(pdf.startsWith("%PDF")) << pdf.left(20).toStdString();
        EXPECT_TRUE(pdf.contains("/Font")); // words are text, not outlines
        // A4 at 600 dpi: the longer side 7016 pixels, a twentieth of it the margin.
        EXPECT_EQ(placement->Factors.Margin, 350);
        EXPECT_EQ(PlacementReport(*placement).rfind("margin: 350 factors: ", 0), 0u);
        // No partial file is left beside it.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
    // A file that cannot be written leaves an error, not a success.
    QString error;
    EXPECT_FALSE(PrintPdf(*form, dir.filePath("missing/folder/page.pdf"), false, TPrintChoices{}, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(PageReport, FactorsHaveSixSignificantFiguresWhateverTheLocale)
{
    TPagePlacement placement;
    placement.Factors.Margin = 350;
    placement.Factors.FactorAcross = 4260.0L / 1279; // 3.3307271...
    placement.Factors.FactorDown = 7.0L / 3;
    EXPECT_EQ(PlacementReport(placement), "margin: 350 factors: 3.33073 2.33333");
}

TEST_F(PrintPreview, GreyAndBlackPrintingKeepThePaperWhite)
{
    for (const int option : {0, 1, 2}) {
        SCOPED_TRACE(option);
        PrintColourOption = static_cast<std::uint8_t>(option);
        QImage page(QSize(420, 594), QImage::Format_RGB32);
        TPageDevice device;
        device.Pixels = page.size();
        device.MillimetresAcross = 210;
        device.MillimetresDown = 297;
        std::optional<TPagePlacement> placement;
        {
            QPainter painter(&page);
            placement = DrawPage(*form, painter, device, TPrintChoices{}, {});
        }
        ASSERT_TRUE(placement);
        // The rows of the lines and the graph are mostly paper: text and lines are thin.
        const int rows =
            static_cast<int>(WindowPanels(*form).EquationsHeight * placement->Factors.FactorDown);
        const QRect lines(placement->Equations.topLeft(), QSize(placement->Equations.width(), rows));
        for (const QRect& area : {lines, placement->Graph.adjusted(4, 4, -4, -4)}) {
            ASSERT_FALSE(area.isEmpty());
            EXPECT_GT(WhitePixels(page.copy(area)), area.width() * area.height() / 2);
        }
    }
}
