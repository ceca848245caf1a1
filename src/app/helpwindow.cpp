#include "app/helpwindow.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString HelpRoot = QStringLiteral("qrc:/help/");

struct TContentsEntry {
    const char* title;
    const char* page;
};

// The contents list beside the pages, in reading order.
const TContentsEntry ContentsEntries[] = {
    {"Contents", "contents.html"},
    {"Getting started", "start.html"},
    {"Typing equations", "equations.html"},
    {"The keypad", "topic215.html"},
    {"Menus and commands", "commands.html"},
    {"Documents", "documents.html"},
    {"Pictures and printing", "pictures.html"},
    {"Whiteboard mode", "topic214.html"},
    {"Rescaling the axes", "topic200.html"},
    {"The scale list", "topic209.html"},
    {"Customising a curve", "topic202.html"},
    {"Changing the type of an equation", "topic205.html"},
    {"Dynamic constants", "topic206.html"},
    {"Formula faults", "topic207.html"},
    {"Commentary", "topic208.html"},
    {"Comment boxes", "topic211.html"},
    {"Print preview", "topic213.html"},
    {"The coordinate editor", "topic203.html"},
    {"The coordinate list", "topic210.html"},
};

} // namespace

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName("HelpWindow");
    setWindowTitle(tr("Lumacurve Help"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(this);
    layout->addWidget(bar);
    auto* splitter = new QSplitter(this);
    layout->addWidget(splitter, 1);
    contents_ = new QListWidget(splitter);
    contents_->setObjectName("HelpContents");
    browser_ = new QTextBrowser(splitter);
    browser_->setObjectName("HelpBrowser");
    browser_->setOpenExternalLinks(true);
    splitter->setStretchFactor(1, 3);
    for (const auto& entry : ContentsEntries) {
        auto* item = new QListWidgetItem(tr(entry.title), contents_);
        item->setData(Qt::UserRole, HelpRoot + entry.page);
    }
    connect(contents_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ShowPage(QUrl(item->data(Qt::UserRole).toString())); });
    connect(contents_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ShowPage(QUrl(item->data(Qt::UserRole).toString())); });
    // The list follows the page shown, however it was reached (a link, Back, Forward).
    connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& page) {
        const QString shown = page.adjusted(QUrl::RemoveFragment).toString();
        int current = -1;
        for (int row = 0; row < contents_->count(); ++row)
            if (contents_->item(row)->data(Qt::UserRole).toString() == shown)
                current = row;
        contents_->setCurrentRow(current);
    });
    bar->addAction(tr("Contents"), this, &THelpWindow::ShowContents);
    bar->addAction(tr("Back"), browser_, &QTextBrowser::backward);
    bar->addAction(tr("Forward"), browser_, &QTextBrowser::forward);
    resize(820, 600);
}

QString THelpWindow::TopicPage(int topic)
{
    const QString page = QStringLiteral("topic%1.html").arg(topic);
    return QFile::exists(":/help/" + page) ? page : QStringLiteral("contents.html");
}

QList<int> THelpWindow::Topics()
{
    return {200, 202, 203, 205, 206, 207, 208, 209, 210, 211, 213, 214, 215};
}

void THelpWindow::ShowContents()
{
    ShowPage(QUrl(HelpRoot + "contents.html"));
}

void THelpWindow::ShowTopic(int topic)
{
    ShowPage(QUrl(HelpRoot + TopicPage(topic)));
}

bool THelpWindow::ShowGuideFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = file.readAll();
    // Guide help is HTML when it says so; otherwise its text is shown as it stands.
    if (text.left(512).toLower().contains("<html"))
        browser_->setHtml(QString::fromLocal8Bit(text));
    else
        browser_->setPlainText(QString::fromLocal8Bit(text));
    setWindowTitle(tr("Lumacurve Help - %1").arg(QFileInfo(path).completeBaseName()));
    show();
    raise();
    return true;
}

QUrl THelpWindow::CurrentPage() const
{
    return browser_->source();
}

void THelpWindow::ShowPage(const QUrl& page)
{
    browser_->setSource(page);
    setWindowTitle(tr("Lumacurve Help"));
    show();
    raise();
}
