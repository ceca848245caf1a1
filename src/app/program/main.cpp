// The lumacurve program: the desktop graph plotter. Its command line is read
// before the application object is made (app/commandline.h), so --help and
// --version need no display; besides a document name it takes
// --screenshot FILE (start without the start-up screen, grab the main window
// after its first complete paint into a PNG and exit), --print-pdf FILE
// (print the page into a PDF the same way and exit) and --timings (print
// the start-up phases to standard error). Every start but a screenshot or a
// printed page takes the automation service on the session bus when it is
// free; --automation (D-Bus activation) starts for it alone and fails when
// the name is taken.
#include "app/commandline.h"
#include "app/lumacurveform.h"
#include "app/pagedrawing.h"
#include "automation/automationserver.h"

#include "lumacurveversion.h"
#include "settings/usersettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TProgramCommandLine commandLine = ReadProgramCommandLine(arguments);
    if (commandLine.exitStatus) {
        std::fputs(commandLine.output.toLocal8Bit().constData(), stdout);
        std::fputs(commandLine.errors.toLocal8Bit().constData(), stderr);
        return *commandLine.exitStatus;
    }
    QApplication::setOrganizationName(SettingsOrganization);
    QApplication::setApplicationName(SettingsApplication);
    QApplication::setApplicationDisplayName("Lumacurve version 3");
    QApplication::setDesktopFileName("lumacurve");
    QApplication::setApplicationVersion(LumacurveVersion);
    QApplication app(argc, argv);
    // The application object took LC_NUMERIC from the environment; numbers in
    // documents and on the clipboard never follow it.
    std::setlocale(LC_NUMERIC, "C");
    app.setWindowIcon(QIcon(":/lumacurve.svg"));

    TStartOptions options = commandLine.options;
    const QString screenshot = commandLine.screenshotFile;
    if (qEnvironmentVariableIsSet("LUMACURVE_TIMINGS"))
        options.timings = true;
    if (options.timings)
        std::fprintf(stderr, "lumacurve: %6lld ms  application created\n",
                     static_cast<long long>(clock.elapsed()));

    TLumacurveForm form(options);
    int status = 0;
    if (!options.screenshot) {
        QString error;
        if (!form.Automation()->RegisterOnBus(&error) && options.automation) {
            std::fprintf(stderr, "lumacurve: the automation service cannot start: %s\n", qPrintable(error));
            return 1;
        }
        // The window was closed or hidden and no client holds the program any more. The program ends
        // without asking its windows again (quit() would close the floating panels, which ask).
        QObject::connect(
            form.Automation(), &TAutomationServer::EndRequested, &app, [&app] { app.exit(0); },
            Qt::QueuedConnection);
    }
    // A fixed size at the device pixel ratio the platform gives (QT_SCALE_FACTOR changes it).
    if (options.screenshot)
        form.resize(1280, 800);
    if (!screenshot.isEmpty()) {
        QObject::connect(&form, &TLumacurveForm::StartupFinished, &form, [&] {
            if (!form.OpenedCleanly()) {
                status = 1;
                app.exit(1);
                return;
            }
            // After the pending paints: the window is grabbed once everything has been drawn.
            QTimer::singleShot(0, &form, [&] {
                const QImage picture = form.grab().toImage();
                form.Mark("first complete paint");
                if (!picture.save(screenshot, "PNG")) {
                    std::fprintf(stderr, "lumacurve: cannot write %s\n", qPrintable(screenshot));
                    status = 1;
                }
                app.exit(status);
            });
        });
    }
    if (!commandLine.printPdfFile.isEmpty()) {
        QObject::connect(&form, &TLumacurveForm::StartupFinished, &form, [&] {
            if (!form.OpenedCleanly()) {
                status = 1;
                app.exit(1);
                return;
            }
            // After the pending layout and paints, as for a screenshot.
            QTimer::singleShot(0, &form, [&] {
                TPrintChoices choices;
                choices.FillPage = commandLine.fillPage;
                choices.PrintEquations = !commandLine.noEquations;
                QString error;
                const auto placement =
                    PrintPdf(form, commandLine.printPdfFile, commandLine.landscape, choices, &error);
                if (placement) {
                    std::printf("%s\n", PlacementReport(*placement).c_str());
                    std::fflush(stdout);
                } else {
                    std::fprintf(stderr, "lumacurve: %s\n", qPrintable(error));
                    status = 1;
                }
                app.exit(status);
            });
        });
    }
    form.ShowForStart();
    const int result = app.exec();
    if (options.timings)
        std::fprintf(stderr, "lumacurve: %6lld ms  total\n", static_cast<long long>(clock.elapsed()));
    return options.screenshot ? status : result;
}
