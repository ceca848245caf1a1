#include "platform/drawinginterrupt.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>

#include <thread>

#if QT_CONFIG(xcb) && __has_include(<xcb/xcb.h>)
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <dlfcn.h>
#include <xcb/xcb.h>
#define LUMACURVE_X11_KEYMAP 1
#endif

namespace {

TDrawingInterrupt NeverInterrupts;
TDrawingInterrupt* Installed = nullptr;
int DrawingDepth = 0;

constexpr auto QueryInterval = std::chrono::milliseconds(10);

#ifdef LUMACURVE_X11_KEYMAP
// The few xcb calls the keymap needs, looked up in the libxcb that the Qt
// platform plugin has already loaded, so the program does not link it.
struct TXcbCalls {
    bool loaded = false;
    decltype(&xcb_get_setup) getSetup = nullptr;
    decltype(&xcb_get_keyboard_mapping) getKeyboardMapping = nullptr;
    decltype(&xcb_get_keyboard_mapping_reply) getKeyboardMappingReply = nullptr;
    decltype(&xcb_query_keymap) queryKeymap = nullptr;
    decltype(&xcb_query_keymap_reply) queryKeymapReply = nullptr;
};

const TXcbCalls& XcbCalls()
{
    static const TXcbCalls calls = [] {
        TXcbCalls c;
        void* library = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_NOLOAD);
        if (!library)
            return c;
        c.getSetup = reinterpret_cast<decltype(c.getSetup)>(dlsym(library, "xcb_get_setup"));
        c.getKeyboardMapping =
            reinterpret_cast<decltype(c.getKeyboardMapping)>(dlsym(library, "xcb_get_keyboard_mapping"));
        c.getKeyboardMappingReply = reinterpret_cast<decltype(c.getKeyboardMappingReply)>(
            dlsym(library, "xcb_get_keyboard_mapping_reply"));
        c.queryKeymap = reinterpret_cast<decltype(c.queryKeymap)>(dlsym(library, "xcb_query_keymap"));
        c.queryKeymapReply =
            reinterpret_cast<decltype(c.queryKeymapReply)>(dlsym(library, "xcb_query_keymap_reply"));
        c.loaded = c.getSetup && c.getKeyboardMapping && c.getKeyboardMappingReply && c.queryKeymap &&
                   c.queryKeymapReply;
        return c;
    }();
    return calls;
}

xcb_connection_t* XcbConnection()
{
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!application)
        return nullptr;
    auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// The keycode that carries the Escape keysym, or 0.
int FindEscapeKeycode(xcb_connection_t* connection, const TXcbCalls& calls)
{
    constexpr xcb_keysym_t EscapeKeysym = 0xff1b;
    const xcb_setup_t* setup = calls.getSetup(connection);
    if (!setup || setup->max_keycode < setup->min_keycode)
        return 0;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto cookie = calls.getKeyboardMapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count));
    xcb_get_keyboard_mapping_reply_t* reply = calls.getKeyboardMappingReply(connection, cookie, nullptr);
    if (!reply)
        return 0;
    // The keysyms follow the reply header, keysyms_per_keycode for each keycode.
    const auto* keysyms = reinterpret_cast<const xcb_keysym_t*>(reply + 1);
    const int perKeycode = reply->keysyms_per_keycode;
    int found = 0;
    for (int k = 0; k < count && !found; ++k)
        for (int j = 0; j < perKeycode; ++j)
            if (keysyms[k * perKeycode + j] == EscapeKeysym) {
                found = setup->min_keycode + k;
                break;
            }
    std::free(reply);
    return found;
}
#endif

} // namespace

void InstallDrawingInterrupt(TDrawingInterrupt* interrupt)
{
    Installed = interrupt;
}

TDrawingInterrupt& DrawingInterrupt()
{
    return Installed ? *Installed : NeverInterrupts;
}

bool PollKeyboardForComputation(const TComputationStop& stop)
{
    if (!DrawingInterrupt().Poll().abandon)
        return false;
    const TComputationStop* outermost = &stop;
    while (outermost->outer)
        outermost = outermost->outer;
    outermost->flag->store(true);
    return true;
}

bool DrawingInProgress()
{
    return DrawingDepth > 0;
}

TDrawingScope::TDrawingScope()
{
    if (DrawingDepth++ == 0)
        DrawingInterrupt().DrawingStarts();
}

TDrawingScope::~TDrawingScope()
{
    --DrawingDepth;
}

TKeyboardInterrupt::TKeyboardInterrupt(std::chrono::milliseconds busyDelay) : busyDelay_(busyDelay)
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

TKeyboardInterrupt::~TKeyboardInterrupt()
{
    busyDepth_ = 0;
    ShowBusy(false);
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool TKeyboardInterrupt::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
            escapeRecorded_ = type == QEvent::KeyPress;
    } else if (type == QEvent::ApplicationDeactivate) {
        escapeRecorded_ = false;
    }
    return QObject::eventFilter(watched, event);
}

bool TKeyboardInterrupt::PlatformEscapeDown()
{
#ifdef LUMACURVE_X11_KEYMAP
    const TXcbCalls& calls = XcbCalls();
    xcb_connection_t* connection = calls.loaded ? XcbConnection() : nullptr;
    if (!connection)
        return false;
    if (escapeKeycode_ < 0)
        escapeKeycode_ = FindEscapeKeycode(connection, calls);
    if (escapeKeycode_ <= 0)
        return false;
    xcb_query_keymap_reply_t* reply =
        calls.queryKeymapReply(connection, calls.queryKeymap(connection), nullptr);
    if (!reply)
        return false;
    const bool down = (reply->keys[escapeKeycode_ / 8] & (1u << (escapeKeycode_ % 8))) != 0;
    std::free(reply);
    return down;
#else
    return false;
#endif
}

TInterruptRequest TKeyboardInterrupt::PlatformKeys()
{
    // Keys typed into other programs are no business of ours.
    if (QGuiApplication::applicationState() != Qt::ApplicationActive)
        return {};
    return {PlatformEscapeDown(), (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) != 0};
}

void TKeyboardInterrupt::DrawingStarts()
{
    queryDue_ = true;
}

void TKeyboardInterrupt::QueryPlatform()
{
    // The clock is asked at every poll, so that it keeps measuring the pace.
    const bool due = queryClock_.Due(QueryInterval);
    if (!due && !queryDue_)
        return;
    queryDue_ = false;
    const TInterruptRequest keys = PlatformKeys();
    escapeQueried_ = keys.abandon;
    ctrlQueried_ = keys.pause;
    if (busyDepth_ > 0 && !busyShown_ && std::chrono::steady_clock::now() - busyStart_ >= busyDelay_)
        ShowBusy(true);
}

TInterruptRequest TKeyboardInterrupt::Poll()
{
    QueryPlatform();
    return {escapeRecorded_ || escapeQueried_, ctrlQueried_};
}

void TKeyboardInterrupt::Pause()
{
    if (pauseHandler_) {
        // The box that holds the drawing takes the mouse and its own cursor.
        const bool shown = busyShown_;
        ShowBusy(false);
        pauseHandler_();
        // Ctrl was down when the box opened: what it is now must be asked.
        queryDue_ = true;
        if (shown && busyDepth_ > 0)
            ShowBusy(true);
        return;
    }
    queryClock_.ReadEveryPoll();
    for (;;) {
        const TInterruptRequest request = Poll();
        if (request.abandon || !request.pause)
            return;
        std::this_thread::sleep_for(QueryInterval);
    }
}

void TKeyboardInterrupt::BeginBusy()
{
    ++busyDepth_;
    if (!busyStarted_) {
        busyStarted_ = true;
        busyStart_ = std::chrono::steady_clock::now();
    }
}

void TKeyboardInterrupt::EndBusy()
{
    if (busyDepth_ <= 0)
        return;
    if (--busyDepth_ > 0 || finishQueued_)
        return;
    finishQueued_ = true;
    QTimer::singleShot(0, this, [this] { FinishBusy(); });
}

void TKeyboardInterrupt::FinishBusy()
{
    finishQueued_ = false;
    if (busyDepth_ > 0)
        return;
    busyStarted_ = false;
    ShowBusy(false);
}

void TKeyboardInterrupt::ShowBusy(bool shown)
{
    if (shown == busyShown_ || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    busyShown_ = shown;
    // On X11 the change reaches the server with the next keymap query, as
    // the event loop is not running.
    if (shown)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QGuiApplication::restoreOverrideCursor();
}
