// TStartupWindow: the start-up screen. It shows the program's name and
// version over a curve that draws itself point by point, closes 10 seconds
// after it was shown, or at the next tick after any key or mouse click, and
// remembers the key that closed it ("r", "x" or "y" in either case).
#pragma once

#include <QWidget>

class QTimer;

class TStartupWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int Lifetime = 10000;
    static constexpr int Tick = 40;

    // The program's version as the screen shows it, and the build's version on the line below the picture.
    static constexpr const char* VersionText = "Version 3.1b";
    [[nodiscard]] static QString BuildVersionText();

    explicit TStartupWindow(QWidget* parent = nullptr);
    // The key that closed the screen when it was one of r, R, x, X, y, Y; else 0.
    [[nodiscard]] char ClosingKey() const { return closingKey_; }

signals:
    void Closed(char key);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Step();

    QTimer* timer_;
    int elapsed_ = 0;
    int drawn_ = 0;
    bool closeRequested_ = false;
    char closingKey_ = 0;
};
