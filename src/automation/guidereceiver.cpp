// The guide channel's receiver: listening, the frames, the shared block and the waiting commands.
#include "automation/guidereceiver.h"

#include "guidelib/guideprotocol.h"
#include "platform/busygate.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>

#include <cstdlib>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* Setting(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != 0 ? value : nullptr;
}

constexpr const char* WaitingProperty = "guideFrameRunning";
constexpr const char* PartialTimerName = "guidePartialFrame";

} // namespace

QString GuideSocketPath()
{
    if (const char* chosen = Setting(GUIDE_SOCKET_ENV))
        return QString::fromLocal8Bit(chosen);
    if (const char* runtime = Setting("XDG_RUNTIME_DIR"))
        return QString::fromLocal8Bit(runtime) + "/" GUIDE_WINDOW_CLASS;
    return QStringLiteral(GUIDE_SOCKET_FALLBACK_FOLDER "/" GUIDE_WINDOW_CLASS "-%1").arg(getuid());
}

std::string GuideBlockName()
{
    const char* chosen = Setting(GUIDE_BLOCK_ENV);
    return chosen != nullptr ? chosen : GUIDE_BLOCK_NAME;
}

bool ConnectionFromOwnUser(int descriptor)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (descriptor < 0 || getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials)
        return false;
    return credentials.uid == getuid();
}

TGuideReceiver::TGuideReceiver(TGuideHost& host, QObject* parent)
    : QObject(parent), host_(host), path_(GuideSocketPath())
{
    idleTimer_ = new QTimer(this);
    idleTimer_->setSingleShot(true);
    connect(idleTimer_, &QTimer::timeout, this, &TGuideReceiver::RunWaiting);

    const QByteArray file = path_.toLocal8Bit();
    struct stat status {};
    if (lstat(file.constData(), &status) == 0) {
        if (!S_ISSOCK(status.st_mode))
            return; // never replace what is not a socket
        QLocalSocket probe;
        probe.connectToServer(path_);
        if (probe.waitForConnected(200))
            return; // another program of ours listens: this one runs without the channel
        QLocalServer::removeServer(path_); // left behind by a program that ended
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path_)) {
        delete server_;
        server_ = nullptr;
        return;
    }
    connect(server_, &QLocalServer::newConnection, this, &TGuideReceiver::Accept);
}

TGuideReceiver::~TGuideReceiver()
{
    if (server_ != nullptr)
        server_->close(); // removes the socket file
}

bool TGuideReceiver::Listening() const
{
    return server_ != nullptr && server_->isListening();
}

int TGuideReceiver::Connections() const
{
    return server_ != nullptr ? static_cast<int>(server_->findChildren<QLocalSocket*>().size()) : 0;
}

void TGuideReceiver::Accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!ConnectionFromOwnUser(static_cast<int>(socket->socketDescriptor()))) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* partial = new QTimer(socket);
        partial->setObjectName(PartialTimerName);
        partial->setSingleShot(true);
        partial->setInterval(PartialFrameTimeout);
        connect(partial, &QTimer::timeout, socket, [this, socket] { Drop(socket); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0)
            Read(socket);
    }
}

void TGuideReceiver::Drop(QLocalSocket* socket)
{
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void TGuideReceiver::Read(QLocalSocket* socket)
{
    const TGuideBytes state =
        GuideBytesState(socket->bytesAvailable(), socket->property(WaitingProperty).toBool());
    if (state == TGuideBytes::Broken) {
        Drop(socket);
        return;
    }
    auto* partial = socket->findChild<QTimer*>(PartialTimerName);
    if (state == TGuideBytes::Partial) {
        if (socket->bytesAvailable() > 0 && partial != nullptr && !partial->isActive())
            partial->start();
        return;
    }
    if (partial != nullptr)
        partial->stop();
    std::int32_t frame[4] = {};
    if (socket->read(reinterpret_cast<char*>(frame), GuideFrameBytes) != GuideFrameBytes) {
        Drop(socket);
        return;
    }
    Handle(socket, frame);
}

void TGuideReceiver::Handle(QLocalSocket* socket, const std::int32_t (&frame)[4])
{
    TGuideFrameRoute route = RouteGuideFrame(frame);
    switch (route.route) {
    case TGuideRoute::Drop:
        Drop(socket);
        return;
    case TGuideRoute::AnswerZero: // the editors take no guide commands
        Answer(socket, 0);
        return;
    case TGuideRoute::CloseStartupScreen: // any command to the start-up screen closes it
        host_.CloseStartupScreen();
        Answer(socket, 0);
        return;
    case TGuideRoute::TopWindow:
        Answer(socket, host_.RaiseForGuide());
        return;
    case TGuideRoute::Run:
        break;
    }
    TGuideCommand& command = route.command;
    // The fields are copied now: the sender removes the block after the answer.
    if (GuideCodeReadsBlock(command.code)) {
        QString why;
        const auto block = ReadGuideBlock(GuideBlockName(), why);
        if (!block) {
            host_.GuideLinkBroken(why);
            Answer(socket, -1);
            return;
        }
        command.fields = DecodeGuideFields(*block);
    }
    socket->setProperty(WaitingProperty, true);
    waiting_.push_back({socket, std::move(command)});
    if (!idleTimer_->isActive())
        idleTimer_->start(0);
}

void TGuideReceiver::Answer(QLocalSocket* socket, std::int32_t reply)
{
    if (socket == nullptr || socket->state() != QLocalSocket::ConnectedState)
        return;
    socket->write(reinterpret_cast<const char*>(&reply), sizeof reply);
    socket->flush();
}

void TGuideReceiver::RunWaiting()
{
    if (waiting_.empty())
        return;
    if (BusyGate().Busy()) {
        idleTimer_->start(20);
        return;
    }
    TWaiting first = std::move(waiting_.front());
    waiting_.pop_front();
    // A client that left is owed nothing (looking at its socket now notices a departure not yet handled).
    if (first.socket != nullptr && first.socket->state() == QLocalSocket::ConnectedState)
        first.socket->waitForReadyRead(0);
    if (first.socket != nullptr && first.socket->state() == QLocalSocket::ConnectedState) {
        int reply = 0;
        {
            // Frames arriving while this one runs (in a message box, say) wait for it.
            TBusyScope busy;
            reply = host_.RunGuideCommand(first.command);
        }
        if (first.socket != nullptr) {
            first.socket->setProperty(WaitingProperty, false);
            Answer(first.socket, reply);
            // Bytes that came while it ran were refused at arrival; what is there now is the next frame.
            if (first.socket->bytesAvailable() > 0)
                Read(first.socket);
        }
    }
    if (!waiting_.empty())
        idleTimer_->start(0);
}
