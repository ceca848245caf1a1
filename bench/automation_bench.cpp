// The automation service's cost over the session bus against the same work
// in process: the main window holds the 18-curve standard set and puts its
// automation server on the bus; a second connection of this program calls it
// through the bus daemon as a client would (the reply is awaited in an event
// loop, so the server's side runs as in the real program). Baselines, in the
// same run: DocumentText and ReadDocumentLines for GetText and SetText, Copy
// screen (CopyPicture) for GetData. Wall time, since a bus call waits for the
// daemon and the server. Ends with a plain table. Needs a session bus (run it
// inside dbus-run-session).
#include "app/lumacurveform.h"
#include "automation/automationserver.h"
#include "document/document.h"
#include "equations/equationswindow.h"
#include "formula/equationobject.h"
#include "standardform.h"
#include "standardset.h"
#include "tablereporter.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

const char* const ClientName = "automation-bench-client";

struct TWorld {
    std::unique_ptr<TLumacurveForm> form;
    std::unique_ptr<standardset::TStandardSet> set;
    std::vector<std::string> lines; // the document's text lines, for ReadDocumentLines
    QStringList textLines;          // the same, for SetText
};

TWorld* World = nullptr;

// A call through the bus daemon, its reply awaited in an event loop.
QDBusMessage CallOverBus(const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(AutomationService, AutomationPath, AutomationInterface, method);
    message.setArguments(arguments);
    QDBusPendingCall pending = QDBusConnection(ClientName).asyncCall(message);
    QDBusPendingCallWatcher watcher(pending);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!watcher.isFinished())
        loop.exec();
    return pending.reply();
}

bool MakeWorld(QString& error)
{
    World = new TWorld;
    World->set = standardset::MakeStandardSet();
    World->form = MakeStandardSetForm(*World->set);
    QCoreApplication::processEvents();
    if (!World->form->Automation()->RegisterOnBus(&error))
        return false;
    if (!QDBusConnection::connectToBus(QDBusConnection::SessionBus, ClientName).isConnected()) {
        error = "the client connection to the session bus failed";
        return false;
    }
    World->textLines = World->form->Automation()->GetText();
    for (const QString& line : World->textLines)
        World->lines.push_back(line.toStdString());
    const QDBusMessage check = CallOverBus("GetText");
    if (check.type() != QDBusMessage::ReplyMessage ||
        check.arguments().value(0).toStringList() != World->textLines) {
        error = "GetText over the bus did not answer the document: " + check.errorMessage();
        return false;
    }
    return true;
}

void RegisterBenchmarks()
{
    const auto add = [](const char* name, auto body) {
        benchmark::RegisterBenchmark(name, body)->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    add("text/DocumentText in process", [](benchmark::State& state) {
        const std::vector<TEquationObject*> lines = World->form->Equations()->List().Lines();
        for (auto _ : state)
            benchmark::DoNotOptimize(DocumentText(World->form->Document(), &lines));
    });
    add("text/GetText over the bus", [](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(CallOverBus("GetText"));
    });
    add("text/ReadDocumentLines in process", [](benchmark::State& state) {
        for (auto _ : state) {
            TDocument document;
            benchmark::DoNotOptimize(ReadDocumentLines(World->lines, document));
        }
    });
    add("text/SetText over the bus", [](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(CallOverBus("SetText", {World->textLines}));
    });
    // The same work as the bus calls without the bus: what the bus itself adds.
    add("text/GetText in process", [](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(World->form->Automation()->GetText());
    });
    add("text/SetText in process", [](benchmark::State& state) {
        for (auto _ : state) {
            benchmark::DoNotOptimize(World->form->Automation()->SetText(World->textLines));
            // The layouts and paints it posted run between calls, untimed, as the event loop runs them.
            state.PauseTiming();
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
    });
    add("picture/GetData png in process", [](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(World->form->Automation()->GetData("png"));
    });
    add("picture/CopyPicture in process", [](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(World->form->CopyPicture(TLumacurveForm::TPictureArea::Screen));
    });
    add("picture/GetData png over the bus", [](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(CallOverBus("GetData", {QStringLiteral("png")}));
    });
    add("picture/GetData svg over the bus", [](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(CallOverBus("GetData", {QStringLiteral("svg")}));
    });
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QString error;
    if (!MakeWorld(error)) {
        std::fprintf(stderr, "automation_bench: %s (run it inside dbus-run-session)\n", qPrintable(error));
        return 1;
    }
    RegisterBenchmarks();
    benchmark::Initialize(&argc, argv);
    TTableReporter reporter(true);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nwindow 1280 x 800, 18-curve standard set, %lld document lines (%lld bytes), wall time\n",
                static_cast<long long>(World->lines.size()),
                static_cast<long long>(LinesDocumentText(World->textLines).size()));
    std::printf("measure\tms\tbaseline\tbaseline_ms\tratio\tgoal\n");
    reporter.PrintRatios(
        {
            {"text/GetText over the bus", "text/DocumentText in process", "<= 1.5x + 2 ms"},
            {"text/SetText over the bus", "text/ReadDocumentLines in process", "<= 1.5x + 2 ms"},
            {"picture/GetData png over the bus", "picture/CopyPicture in process", "<= 1.2x"},
            {"picture/GetData svg over the bus", "picture/CopyPicture in process", "<= 1.2x"},
            {"text/GetText over the bus", "text/GetText in process", "(the bus alone)"},
            {"text/SetText over the bus", "text/SetText in process", "(the bus alone)"},
            {"picture/GetData png over the bus", "picture/GetData png in process", "(the bus alone)"},
        },
        "/real_time"); // runs measured in wall time carry this suffix in their names
    benchmark::Shutdown();
    QDBusConnection::disconnectFromBus(ClientName);
    World->form.reset();
    delete World;
    return 0;
}
