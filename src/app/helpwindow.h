// THelpWindow: the program's help viewer. It shows the HTML help set built
// into the program (contents and topics by number) and guide help files,
// with a contents list, back and forward, and links between pages.
#pragma once

#include <QWidget>

class QListWidget;
class QTextBrowser;

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // The page of a topic number in the help set ("contents.html" for an unknown topic).
    [[nodiscard]] static QString TopicPage(int topic);
    // The topic numbers the help set has pages for.
    [[nodiscard]] static QList<int> Topics();
    // Shows the contents page.
    void ShowContents();
    // Shows the page of a topic number.
    void ShowTopic(int topic);
    // Shows a guide help file at its contents; false when it cannot be read.
    bool ShowGuideFile(const QString& path);
    // The page shown now.
    [[nodiscard]] QUrl CurrentPage() const;
    [[nodiscard]] QTextBrowser* Browser() const { return browser_; }

private:
    void ShowPage(const QUrl& page);

    QListWidget* contents_;
    QTextBrowser* browser_;
};
