// The receiver of the guide command channel: a local socket named after the
// main window's class on which a guide program sends commands, each a frame
// of four native integers answered by one, with up to five text fields in a
// small shared block. Commands run in the main window through TGuideHost, one
// at a time at top level; while the program is busy they wait in order.
#pragma once

#include "automation/guideframes.h"
#include "automation/guidehost.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

class QLocalServer;
class QLocalSocket;
class QTimer;

// Where the receiver listens: LUMACURVE_GUIDE_SOCKET, else $XDG_RUNTIME_DIR/TLumacurveForm, else
// /tmp/TLumacurveForm-<uid>.
[[nodiscard]] QString GuideSocketPath();
// The shared block's name: LUMACURVE_GUIDE_BLOCK, else "/Lumacurve-Guide".
[[nodiscard]] std::string GuideBlockName();
// Whether the peer of a connected local socket runs as this user (false when it cannot be told).
[[nodiscard]] bool ConnectionFromOwnUser(int descriptor);

class TGuideReceiver : public QObject {
    Q_OBJECT
public:
    // The longest a frame may take to arrive whole before its connection is closed, in milliseconds.
    static constexpr int PartialFrameTimeout = 2000;

    // Listens at GuideSocketPath(); without a channel when another live program listens there or the path
    // is not a socket.
    explicit TGuideReceiver(TGuideHost& host, QObject* parent = nullptr);
    ~TGuideReceiver() override;

    [[nodiscard]] bool Listening() const;
    [[nodiscard]] QString SocketPath() const { return path_; }
    // Commands waiting for the program to be idle.
    [[nodiscard]] int Waiting() const { return static_cast<int>(waiting_.size()); }
    // Connections open now.
    [[nodiscard]] int Connections() const;

private:
    struct TWaiting {
        QPointer<QLocalSocket> socket;
        TGuideCommand command;
    };

    void Accept();
    void Read(QLocalSocket* socket);
    void Handle(QLocalSocket* socket, const std::int32_t (&frame)[4]);
    void Drop(QLocalSocket* socket);
    static void Answer(QLocalSocket* socket, std::int32_t reply);
    // Runs the first waiting command when the program is idle, else looks again shortly.
    void RunWaiting();

    TGuideHost& host_;
    QString path_;
    QLocalServer* server_ = nullptr;
    QTimer* idleTimer_ = nullptr;
    std::deque<TWaiting> waiting_;
};
