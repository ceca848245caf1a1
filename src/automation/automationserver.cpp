#include "automation/automationserver.h"

#include "platform/busygate.h"
#include "platform/codepage.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

namespace {

// Sizes in hundredths of a millimetre to an inch.
constexpr long long HundredthsPerInch = 2540;

bool SupportedFormat(const QString& format)
{
    return format.compare("svg", Qt::CaseInsensitive) == 0 || format.compare("png", Qt::CaseInsensitive) == 0;
}

int ClampToInt(long long value)
{
    return static_cast<int>(
        std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

long long HundredthsToPixels(long long hundredths, int dpi)
{
    const long long product = hundredths * dpi;
    const long long half = product >= 0 ? HundredthsPerInch / 2 : -HundredthsPerInch / 2;
    return (product + half) / HundredthsPerInch;
}

long long PixelsToHundredths(long long pixels, int dpi)
{
    if (dpi <= 0)
        return 0;
    const long long product = pixels * HundredthsPerInch;
    const long long half = product >= 0 ? dpi / 2 : -(dpi / 2);
    return (product + half) / dpi;
}

QStringList DocumentTextLines(const std::string& text)
{
    QStringList lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines << AnsiToQString(std::string_view(text).substr(start));
            break;
        }
        lines << AnsiToQString(std::string_view(text).substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string LinesDocumentText(const QStringList& lines)
{
    std::string text;
    for (const QString& line : lines) {
        text += QStringToAnsi(line);
        text += "\r\n";
    }
    return text;
}

TAutomationServer::TAutomationServer(TAutomationHost& host, QObject* parent) : QObject(parent), host_(host) {}

TAutomationServer::~TAutomationServer()
{
    if (ownsName_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(AutomationPath);
        bus.unregisterService(AutomationService);
    }
}

bool TAutomationServer::RegisterOnBus(QString* error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto refuse = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!bus.isConnected() || !bus.interface())
        return refuse(tr("there is no session bus: %1").arg(bus.lastError().message()));
    if (!bus.registerObject(AutomationPath, this,
                            QDBusConnection::ExportScriptableSlots |
                                QDBusConnection::ExportScriptableSignals))
        return refuse(tr("the object %1 is taken on the session bus").arg(AutomationPath));
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(AutomationService, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        bus.unregisterObject(AutomationPath);
        return refuse(reply.isValid() ? tr("the name %1 is taken on the session bus").arg(AutomationService)
                                      : reply.error().message());
    }
    ownsName_ = true;
    return true;
}

bool TAutomationServer::WindowBusy()
{
    return BusyGate().Busy() || QApplication::activeModalWidget() || QApplication::activePopupWidget() ||
           QGuiApplication::mouseButtons() != Qt::NoButton;
}

void TAutomationServer::Fail(const char* name, const QString& text)
{
    errorName_ = QString::fromLatin1(name);
    errorText_ = text;
    if (calledFromDBus())
        sendErrorReply(errorName_, text);
}

bool TAutomationServer::Call(const std::function<void()>& work)
{
    errorName_.clear();
    errorText_.clear();
    if (WindowBusy()) {
        Fail(AutomationError::Busy, tr("Lumacurve is busy; try again when it has finished."));
        return false;
    }
    try {
        TBusyScope busy;
        work();
    } catch (const std::exception& exception) {
        Fail(AutomationError::Failed, QString::fromLocal8Bit(exception.what()));
    } catch (...) {
        Fail(AutomationError::Failed, tr("The request failed."));
    }
    return errorName_.isEmpty();
}

QStringList TAutomationServer::GetText()
{
    QStringList lines;
    Call([&] { lines = DocumentTextLines(host_.AutomationText()); });
    return lines;
}

bool TAutomationServer::SetText(const QStringList& lines)
{
    bool read = false;
    Call([&] { read = host_.PutAutomationText(LinesDocumentText(lines), true); });
    return read;
}

QByteArray TAutomationServer::GetPicture()
{
    Call([] {});
    return {};
}

bool TAutomationServer::IsDirty()
{
    bool modified = false;
    Call([&] { modified = host_.AutomationModified(); });
    return modified;
}

void TAutomationServer::Load(const QString& path)
{
    Call([&] {
        if (path.isEmpty()) {
            Fail(AutomationError::Failed, tr("There is no file name to open."));
            return;
        }
        QString message;
        switch (host_.OpenAutomationFile(path, message)) {
        case TAutomationRead::Read:
            rememberedFile_ = path;
            break;
        case TAutomationRead::NotDocument:
            Fail(AutomationError::NotDocument, message);
            break;
        case TAutomationRead::Failed:
            Fail(AutomationError::Failed, message);
            break;
        }
    });
}

void TAutomationServer::Save(const QString& path, bool remember)
{
    Call([&] {
        // An empty name saves under the remembered one, as the document's own Save does.
        const QString target = !path.isEmpty() ? path : CurrentFile();
        if (target.isEmpty()) {
            Fail(AutomationError::Failed, tr("There is no file name to save under."));
            return;
        }
        QString message;
        if (!host_.SaveAutomationFile(target, message)) {
            Fail(AutomationError::Failed, message);
            return;
        }
        if (remember)
            rememberedFile_ = target;
        emit Saved();
    });
}

QString TAutomationServer::GetCurFile()
{
    QString file;
    Call([&] { file = CurrentFile(); });
    return file;
}

QString TAutomationServer::CurrentFile() const
{
    return rememberedFile_.isEmpty() ? host_.AutomationFile() : rememberedFile_;
}

QByteArray TAutomationServer::SaveStream()
{
    QByteArray bytes;
    Call([&] { bytes = QByteArray::fromStdString(host_.AutomationText()); });
    return bytes;
}

bool TAutomationServer::LoadStream(const QByteArray& bytes)
{
    bool read = false;
    Call([&] { read = host_.PutAutomationText(bytes.toStdString(), false); });
    return read;
}

void TAutomationServer::DoVerb(int verb)
{
    Call([&] {
        switch (verb) {
        case 0:  // primary
        case -1: // show
        case -2: // open
        case -4: // activate in the container's window
        case -5: // activate in place
        case -7: // properties
            emit ShowWindow(true);
            host_.ShowAutomationWindow();
            emit ShowObject();
            break;
        case -3: // hide
            emit ShowWindow(false);
            host_.AutomationWindow()->hide();
            break;
        default:
            Fail(AutomationError::InvalidVerb, tr("The verb %1 is not known.").arg(verb));
        }
    });
}

void TAutomationServer::SetHostNames(const QString& application, const QString& object)
{
    Call([&] {
        host_.AutomationWindow()->setWindowTitle(
            QStringLiteral("Lumacurve: %1 (%2)").arg(application.left(200), object.left(200)));
    });
}

void TAutomationServer::Close(uint option)
{
    Call([&] {
        if (option > static_cast<uint>(TCloseOption::Prompt)) {
            Fail(AutomationError::Failed, tr("The close option %1 is not known.").arg(option));
            return;
        }
        const auto hide = [this] {
            emit ShowWindow(false);
            host_.AutomationWindow()->hide();
            emit Closed();
            if (siteSet_)
                waitingHidden_ = true;
            else
                emit EndRequested();
        };
        const auto closeOption = static_cast<TCloseOption>(option);
        if (closeOption == TCloseOption::Prompt && host_.AutomationModified()) {
            // The question is asked after this call has been answered, never inside it.
            QTimer::singleShot(0, this, [this, hide] {
                try {
                    if (host_.AskAutomationSave())
                        hide();
                } catch (...) {
                    // Nothing may leave an event handler; the window stays as it was.
                }
            });
            return;
        }
        if (closeOption == TCloseOption::SaveIfModified && host_.AutomationModified()) {
            const QString target = CurrentFile();
            if (!target.isEmpty()) {
                QString message;
                if (!host_.SaveAutomationFile(target, message)) {
                    Fail(AutomationError::Failed, message);
                    return;
                }
                emit Saved();
            } else if (siteSet_) {
                emit SaveObject(); // the client keeps the document: it asks for SaveStream
            } else {
                Fail(AutomationError::Failed, tr("There is no file name to save under."));
                return;
            }
        }
        hide();
    });
}

int TAutomationServer::ScreenDpiX() const
{
    const QScreen* screen = host_.AutomationWindow()->screen();
    return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchX())) : 96;
}

int TAutomationServer::ScreenDpiY() const
{
    const QScreen* screen = host_.AutomationWindow()->screen();
    return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}

void TAutomationServer::SetExtent(uint aspect, int width, int height)
{
    Call([&] {
        if (aspect != ContentAspect) {
            Fail(AutomationError::Failed, tr("Only the content aspect (1) has an extent."));
            return;
        }
        if (width <= 0 || height <= 0) {
            Fail(AutomationError::Failed, tr("The extent %1 by %2 is not a size.").arg(width).arg(height));
            return;
        }
        QWidget* window = host_.AutomationWindow();
        const QScreen* screen = window->screen();
        const QSize room = screen ? screen->availableGeometry().size() : QSize(1280, 800);
        const int pixelsWide =
            ClampToInt(std::clamp<long long>(HundredthsToPixels(width, ScreenDpiX()), 1, room.width()));
        const int pixelsHigh =
            ClampToInt(std::clamp<long long>(HundredthsToPixels(height, ScreenDpiY()), 1, room.height()));
        // The container decides the size, however small.
        window->setMinimumSize(std::min(window->minimumWidth(), pixelsWide),
                               std::min(window->minimumHeight(), pixelsHigh));
        window->resize(pixelsWide, pixelsHigh);
    });
}

int TAutomationServer::GetExtent(uint aspect, int& height)
{
    int width = 0;
    height = 0;
    Call([&] {
        if (aspect != ContentAspect) {
            Fail(AutomationError::Failed, tr("Only the content aspect (1) has an extent."));
            return;
        }
        const QWidget* window = host_.AutomationWindow();
        width = ClampToInt(PixelsToHundredths(window->width(), ScreenDpiX()));
        height = ClampToInt(PixelsToHundredths(window->height(), ScreenDpiY()));
    });
    return width;
}

bool TAutomationServer::QueryGetData(const QString& format)
{
    bool supported = false;
    Call([&] { supported = SupportedFormat(format); });
    return supported;
}

QByteArray TAutomationServer::GetData(const QString& format)
{
    QByteArray bytes;
    Call([&] {
        if (!SupportedFormat(format)) {
            Fail(AutomationError::FormatNotSupported,
                 tr("The format \"%1\" is not supported; ask for svg or png.").arg(format.left(100)));
            return;
        }
        bytes = host_.AutomationPicture(format.toLower());
        if (bytes.isEmpty())
            Fail(AutomationError::Failed, tr("There is nothing to draw."));
    });
    return bytes;
}

void TAutomationServer::SetClientSite(bool set)
{
    Call([&] {
        if (!set) {
            DropSite();
            return;
        }
        if (siteSet_) {
            Fail(AutomationError::Failed, tr("A client site is set already."));
            return;
        }
        siteSet_ = true;
        site_ = calledFromDBus() ? message().service() : QString();
        if (!site_.isEmpty()) {
            // A client that leaves the bus without Release lets go of the program too.
            watcher_ = new QDBusServiceWatcher(site_, connection(),
                                               QDBusServiceWatcher::WatchForUnregistration, this);
            connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this, [this] { DropSite(); });
        }
    });
}

void TAutomationServer::Release()
{
    Call([&] { DropSite(); });
}

void TAutomationServer::DropSite()
{
    const bool wasSet = siteSet_;
    siteSet_ = false;
    site_.clear();
    if (watcher_) {
        watcher_->deleteLater();
        watcher_ = nullptr;
    }
    // Nobody can reach a hidden window once its client has gone: the program ends.
    if (waitingHidden_ || (wasSet && !host_.AutomationWindow()->isVisible())) {
        waitingHidden_ = false;
        emit EndRequested();
    }
}

bool TAutomationServer::WindowClosing()
{
    emit SaveObject();
    emit Saved();
    emit ShowWindow(false);
    emit ShowObject();
    emit DataChanged();
    emit Closed();
    if (!siteSet_)
        return false;
    waitingHidden_ = true;
    return true;
}
