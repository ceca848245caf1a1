// The automation server: the program's object on the session bus, through
// which other programs read and replace the document as text lines, open and
// save files, keep the document inside their own files (the bytes a
// container keeps under "LCVStream"), show, hide and size the window, and
// fetch pictures of it. It is a facade over the main window's narrow
// automation interface; every method answers a bus error instead of
// showing a message box, lets no exception escape, and answers Busy while
// the window is inside a command, a drag, a drawing or a modal loop.
#pragma once

#include "automation/automationhost.h"

#include <QByteArray>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QDBusServiceWatcher;

// The bus names of the service.
inline constexpr const char* AutomationService = "org.brenlow.Lumacurve";
inline constexpr const char* AutomationPath = "/org/brenlow/Lumacurve";
inline constexpr const char* AutomationInterface = "org.brenlow.Lumacurve1";

// The error names the server answers with.
namespace AutomationError {
inline constexpr const char* NotDocument = "org.brenlow.Lumacurve1.Error.NotDocument";
inline constexpr const char* InvalidVerb = "org.brenlow.Lumacurve1.Error.InvalidVerb";
inline constexpr const char* FormatNotSupported = "org.brenlow.Lumacurve1.Error.FormatNotSupported";
inline constexpr const char* Busy = "org.brenlow.Lumacurve1.Error.Busy";
inline constexpr const char* Failed = "org.brenlow.Lumacurve1.Error.Failed";
} // namespace AutomationError

// The options of Close.
enum class TCloseOption : unsigned { SaveIfModified = 0, NoSave = 1, Prompt = 2 };

// The drawing aspect SetExtent and GetExtent accept: the content.
inline constexpr unsigned ContentAspect = 1;

// Pixels of a size in hundredths of a millimetre at dpi pixels per inch,
// rounded, computed in 64 bits; and back.
[[nodiscard]] long long HundredthsToPixels(long long hundredths, int dpi);
[[nodiscard]] long long PixelsToHundredths(long long pixels, int dpi);
// The document text as lines, split at CR LF (no empty last line), and the
// text of lines (each ending with CR LF). Lines are Unicode; the text is in
// the documents' code page.
[[nodiscard]] QStringList DocumentTextLines(const std::string& text);
[[nodiscard]] std::string LinesDocumentText(const QStringList& lines);

class TAutomationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.brenlow.Lumacurve1")
public:
    explicit TAutomationServer(TAutomationHost& host, QObject* parent = nullptr);
    ~TAutomationServer() override;

    // Puts the object on the session bus and takes the service name when it
    // is free (never queued); false, with the reason in error, otherwise.
    bool RegisterOnBus(QString* error = nullptr);
    // True once the service name is held.
    [[nodiscard]] bool OwnsServiceName() const { return ownsName_; }

    // The error of the last call made in this process: its D-Bus name and
    // text (empty when it succeeded).
    [[nodiscard]] QString LastErrorName() const { return errorName_; }
    [[nodiscard]] QString LastErrorText() const { return errorText_; }
    // True while a client has set its site.
    [[nodiscard]] bool HasClientSite() const { return siteSet_; }
    // The bus name of the client whose site is set (empty when set in process).
    [[nodiscard]] QString ClientSite() const { return site_; }

    // The main window closes: the client is told in order (SaveObject,
    // Saved, ShowWindow(false), ShowObject, DataChanged, Closed). Answers
    // true when the window must hide instead of ending the program because
    // a client's site is still set.
    bool WindowClosing();
    // True when the gate, a modal window, an open menu or a held mouse
    // button says the window is busy.
    [[nodiscard]] static bool WindowBusy();

public slots:
    // The D-Bus interface org.brenlow.Lumacurve1.
    Q_SCRIPTABLE QStringList GetText();
    Q_SCRIPTABLE bool SetText(const QStringList& lines);
    Q_SCRIPTABLE QByteArray GetPicture();
    Q_SCRIPTABLE bool IsDirty();
    Q_SCRIPTABLE void Load(const QString& path);
    Q_SCRIPTABLE void Save(const QString& path, bool remember);
    Q_SCRIPTABLE QString GetCurFile();
    Q_SCRIPTABLE QByteArray SaveStream();
    Q_SCRIPTABLE bool LoadStream(const QByteArray& bytes);
    Q_SCRIPTABLE void DoVerb(int verb);
    Q_SCRIPTABLE void SetHostNames(const QString& application, const QString& object);
    Q_SCRIPTABLE void Close(uint option);
    Q_SCRIPTABLE void SetExtent(uint aspect, int width, int height);
    Q_SCRIPTABLE int GetExtent(uint aspect, int& height);
    Q_SCRIPTABLE bool QueryGetData(const QString& format);
    Q_SCRIPTABLE QByteArray GetData(const QString& format);
    Q_SCRIPTABLE void SetClientSite(bool set);
    Q_SCRIPTABLE void Release();

signals:
    Q_SCRIPTABLE void SaveObject();
    Q_SCRIPTABLE void Saved();
    Q_SCRIPTABLE void ShowWindow(bool shown);
    Q_SCRIPTABLE void ShowObject();
    Q_SCRIPTABLE void DataChanged();
    Q_SCRIPTABLE void Closed();
    // Not on the bus: the program should end now (the window is hidden and no client holds it).
    void EndRequested();

private:
    // Runs a call's work behind the gate and the exception barrier; false
    // when it answered an error.
    bool Call(const std::function<void()>& work);
    // Answers the call with an error (on the bus, and for LastErrorName).
    void Fail(const char* name, const QString& text);
    // Drops the client's site; ends the program when the window is hidden (nobody could reach it).
    void DropSite();
    // The remembered file name, else the file the document came from.
    [[nodiscard]] QString CurrentFile() const;
    [[nodiscard]] int ScreenDpiX() const;
    [[nodiscard]] int ScreenDpiY() const;

    TAutomationHost& host_;
    QString rememberedFile_;
    QString site_;
    bool siteSet_ = false;
    bool ownsName_ = false;
    bool waitingHidden_ = false; // the window was closed and hides until the client lets go
    QString errorName_;
    QString errorText_;
    QDBusServiceWatcher* watcher_ = nullptr;
};
