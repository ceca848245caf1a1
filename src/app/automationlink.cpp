// The main window's side of the automation server: the document as text
// both ways, opening and saving for a client with the program's messages
// collected as answers instead of shown, the window and its pictures, and
// the small window of an automation start.
#include "app/lumacurveform.h"

#include "app/commentary.h"
#include "automation/automationserver.h"
#include "document/document.h"
#include "graphwindow/graphwindow.h"

#include <QBuffer>
#include <QDockWidget>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <cmath>

namespace {

// The PNG writer's quality that gives zlib's level 1 ((100 - quality) * 9 / 91).
constexpr int PngFastQuality = 80;

// Collects the main window's message texts for its lifetime instead of showing them.
class TMessageCollector {
public:
    explicit TMessageCollector(QStringList*& sink) : sink_(sink), previous_(sink) { sink_ = &texts_; }
    ~TMessageCollector() { sink_ = previous_; }
    TMessageCollector(const TMessageCollector&) = delete;
    TMessageCollector& operator=(const TMessageCollector&) = delete;
    [[nodiscard]] QString Text() const { return texts_.join('\n'); }

private:
    QStringList*& sink_;
    QStringList* previous_;
    QStringList texts_;
};

} // namespace

std::string TLumacurveForm::AutomationText()
{
    const std::vector<TEquationObject*> lines = PrepareForWriting();
    return DocumentText(*document_, &lines);
}

bool TLumacurveForm::PutAutomationText(std::string text, bool modified)
{
    // Read into a fresh document: what is shown changes only when the text is a document.
    auto document = std::make_unique<TDocument>();
    if (ReadDocument(std::move(text), *document, false) != TReadResult::Document)
        return false;
    // Text put through the service shows no message.
    const TMessageCollector collector(messageSink_);
    graphArea_->RemoveTrace();
    ReplaceDocument(std::move(document));
    SetModified(modified);
    UndoPostAction();
    return true;
}

bool TLumacurveForm::AutomationModified() const
{
    return modified_ || (commentary_ && commentary_->IsModified());
}

TAutomationRead TLumacurveForm::OpenAutomationFile(const QString& path, QString& message)
{
    const TMessageCollector collector(messageSink_);
    TReadResult result = TReadResult::Document;
    if (OpenFile(path, &result))
        return TAutomationRead::Read;
    message = collector.Text();
    return result == TReadResult::NotDocument ? TAutomationRead::NotDocument : TAutomationRead::Failed;
}

bool TLumacurveForm::SaveAutomationFile(const QString& path, QString& message)
{
    const TMessageCollector collector(messageSink_);
    if (SaveDocument(path))
        return true;
    message = collector.Text();
    return false;
}

void TLumacurveForm::ShowAutomationWindow()
{
    show();
    raise();
    activateWindow();
    // The floating equations panel comes back with the window unless it was closed.
    QDockWidget* panel = Panel("EquationsDockPanel");
    if (panel && panel->isFloating() && panel->toggleViewAction()->isChecked())
        panel->show();
}

QByteArray TLumacurveForm::AutomationPicture(const QString& format)
{
    if (format == QLatin1String("svg"))
        return PictureSvg(TPictureArea::Screen);
    // At the screen's resolution, as the window shows it (the vector picture is the SVG).
    const QImage image = PictureImage(TPictureArea::Screen, devicePixelRatioF());
    if (image.isNull())
        return {};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    // The fastest deflate level: a graph is mostly plain colour, so it stays small, at a fraction of the
    // time the default level takes on a picture of twice the screen's resolution.
    image.convertToFormat(QImage::Format_RGB888).save(&buffer, "PNG", PngFastQuality);
    return png;
}

void TLumacurveForm::ArrangeForAutomation()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const double dpiX = screen ? screen->logicalDotsPerInchX() : 96;
    const double dpiY = screen ? screen->logicalDotsPerInchY() : 96;
    setWindowState(Qt::WindowNoState);
    resize(static_cast<int>(std::lround(3 * dpiX)), static_cast<int>(std::lround(3.5 * dpiY)));
    if (QDockWidget* panel = Panel("EquationsDockPanel")) {
        panel->setFloating(true);
        const QRect frame = frameGeometry();
        panel->setGeometry(frame.left(), frame.bottom() + 1, width(), height() / 2);
    }
}
