// The automation service end to end: a real offscreen "lumacurve
// --automation" on the session bus, called with gdbus as any client would,
// and held by a client connection of the test's own. Skipped without a
// session bus or gdbus (test.sh runs the tests inside dbus-run-session).
#include "programrun.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString Service = QStringLiteral("org.brenlow.Lumacurve");
const QString Path = QStringLiteral("/org/brenlow/Lumacurve");
const QString Interface = QStringLiteral("org.brenlow.Lumacurve1");

bool ServiceOwned(QDBusConnection& bus)
{
    return bus.interface()->isServiceRegistered(Service).value();
}

// What gdbus printed for a call of a method with its arguments; errors are
// in the output too (gdbus prints them on standard error).
struct TGdbusAnswer {
    bool ok = false;
    QString text;
};
TGdbusAnswer Gdbus(const QString& method, const QStringList& arguments = {})
{
    QProcess process;
    process.start("gdbus", QStringList{"call", "--session", "--dest", Service, "--object-path", Path,
                                       "--method", Interface + "." + method}
                               << arguments);
    if (!process.waitForFinished(20000))
        return {false, "gdbus did not finish"};
    return {process.exitCode() == 0,
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

// Waits for a condition for up to milliseconds, handling events.
template <class Condition> bool WaitFor(Condition condition, int milliseconds)
{
    for (int waited = 0; !condition() && waited < milliseconds; waited += 20)
        QTest::qWait(20);
    return condition();
}

// One test, in order: every run takes the one service name, so runs never overlap.
TEST(AutomationBus, TheServiceAnswersGdbusAndLivesWhileAClientHoldsIt)
{
    if (!QFileInfo::exists(Program))
        GTEST_SKIP() << "build the lumacurve target first";
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        GTEST_SKIP() << "no session bus (run inside dbus-run-session)";
    if (QStandardPaths::findExecutable("gdbus").isEmpty())
        GTEST_SKIP() << "gdbus is not installed (libglib2.0-bin)";
    if (ServiceOwned(bus))
        GTEST_SKIP() << "another program holds " << Service.toStdString();
    QTemporaryDir home;
    QProcess program;
    program.setProcessEnvironment(ProgramEnvironment(home));
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(Program, {"--automation"});
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(WaitFor([&] { return ServiceOwned(bus); }, 30000)) << "the service never appeared";

    // Introspectable, with the whole interface.
    {
        QProcess introspect;
        introspect.start("gdbus", {"introspect", "--session", "--dest", Service, "--object-path", Path});
        ASSERT_TRUE(introspect.waitForFinished(20000));
        const QString text = QString::fromUtf8(introspect.readAllStandardOutput());
        EXPECT_TRUE(text.contains("interface org.brenlow.Lumacurve1")) << text.toStdString();
        for (const char* member : {"GetText", "SetText", "GetExtent", "SaveStream", "LoadStream", "Release",
                                   "ShowWindow", "Closed"})
            EXPECT_TRUE(text.contains(member)) << member;
    }

    // A second start finds the name taken and says so.
    {
        QProcess second;
        second.setProcessEnvironment(ProgramEnvironment(home));
        second.start(Program, {"--automation"});
        ASSERT_TRUE(second.waitForFinished(30000));
        EXPECT_EQ(second.exitCode(), 1);
        EXPECT_TRUE(QString::fromLocal8Bit(second.readAllStandardError()).contains("is taken"));
    }

    // The document comes back as lines, and lines go in.
    TGdbusAnswer text = Gdbus("GetText");
    ASSERT_TRUE(text.ok) << text.text.toStdString();
    EXPECT_TRUE(text.text.startsWith("(['Lumacurve for windows version")) << text.text.toStdString();
    const TGdbusAnswer words = Gdbus("SetText", {"['hello', 'world']"});
    EXPECT_EQ(words.text.trimmed(), "(false,)");
    struct Row {
        const char* method;
        QStringList arguments;
        const char* answer; // what the output holds
    };
    const Row rows[] = {
        {"SetExtent", {"2", "2540", "2540"}, "org.brenlow.Lumacurve1.Error.Failed"},
        {"SetExtent", {"1", "2540", "2540"}, "()"},
        {"DoVerb", {"1"}, "org.brenlow.Lumacurve1.Error.InvalidVerb"},
        {"GetData", {"bmp"}, "org.brenlow.Lumacurve1.Error.FormatNotSupported"},
        {"QueryGetData", {"svg"}, "(true,)"},
        {"Load", {"/no/such/file.lcv"}, "does not exist"},
        {"IsDirty", {}, "(false,)"},
    };
    for (const Row& row : rows) {
        const TGdbusAnswer answer = Gdbus(row.method, row.arguments);
        EXPECT_TRUE(answer.text.contains(row.answer)) << row.method << ": " << answer.text.toStdString();
    }

    // A client that set its site keeps the closed program until it leaves the bus.
    {
        QDBusConnection client =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, "automation-client");
        ASSERT_TRUE(client.isConnected());
        const QDBusMessage site =
            client.call(QDBusMessage::createMethodCall(Service, Path, Interface, "SetClientSite") << true);
        ASSERT_EQ(site.type(), QDBusMessage::ReplyMessage) << site.errorMessage().toStdString();
        const TGdbusAnswer close = Gdbus("Close", {"1"});
        EXPECT_TRUE(close.ok) << close.text.toStdString();
        QTest::qWait(500);
        EXPECT_EQ(program.state(), QProcess::Running);
        // Still there to hand over the document.
        EXPECT_TRUE(Gdbus("SaveStream").ok);
    }
    // The last handle on the connection is gone: leaving the bus closes it.
    QDBusConnection::disconnectFromBus("automation-client");
    EXPECT_TRUE(program.waitForFinished(20000)) << "the program did not end when its client left";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished();
    }
}

} // namespace

namespace {

// D-Bus activation through the service file the package installs: a private bus whose service folder
// holds the file made from the same template starts "lumacurve --automation" at the first call.
TEST(AutomationBus, ACallStartsTheProgramThroughItsServiceFile)
{
    if (!QFileInfo::exists(Program))
        GTEST_SKIP() << "build the lumacurve target first";
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile source(QStringLiteral(LUMACURVE_SOURCE_DIR "/resources/org.brenlow.Lumacurve.service.in"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray service = source.readAll();
    service.replace("@LUMACURVE_BINDIR@", QFileInfo(Program).absolutePath().toUtf8());
    QDir(dir.path()).mkpath("services");
    QFile serviceFile(dir.filePath("services/org.brenlow.Lumacurve.service"));
    ASSERT_TRUE(serviceFile.open(QIODevice::WriteOnly));
    serviceFile.write(service);
    serviceFile.close();
    QFile config(dir.filePath("bus.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(
        QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                       "<servicedir>%2</servicedir><policy context=\"default\">"
                       "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                       "<allow own=\"*\"/></policy></busconfig>\n")
            .arg(dir.path(), dir.filePath("services"))
            .toUtf8());
    config.close();

    // The daemon hands its environment to the programs it starts: off screen, in a home of the test's own.
    QProcess bus;
    bus.setProcessEnvironment(ProgramEnvironment(dir));
    bus.start(daemon, {"--config-file=" + config.fileName(), "--nofork", "--print-address"});
    ASSERT_TRUE(bus.waitForStarted());
    ASSERT_TRUE(WaitFor([&] { return bus.canReadLine(); }, 10000)) << "the bus never gave its address";
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    // The client's connection is closed on every way out (an open one left at exit aborts the test).
    struct TCloseClient {
        ~TCloseClient() { QDBusConnection::disconnectFromBus("activation-client"); }
    } closeClient;
    {
        QDBusConnection client = QDBusConnection::connectToBus(address, "activation-client");
        ASSERT_TRUE(client.isConnected()) << address.toStdString();
        QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, "GetText");
        const QDBusMessage reply = client.call(call, QDBus::Block, 60000);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        const QStringList lines = reply.arguments().value(0).toStringList();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_TRUE(lines.first().startsWith("Lumacurve for windows version"));
        // No client holds it: closing ends the program, and the name goes with it.
        const QDBusMessage closed =
            client.call(QDBusMessage::createMethodCall(Service, Path, Interface, "Close") << 1u);
        EXPECT_EQ(closed.type(), QDBusMessage::ReplyMessage) << closed.errorMessage().toStdString();
        EXPECT_TRUE(
            WaitFor([&] { return !client.interface()->isServiceRegistered(Service).value(); }, 20000));
    }
    bus.terminate();
    if (!bus.waitForFinished(5000))
        bus.kill();
}

} // namespace
