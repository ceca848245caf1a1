// TPressSomething: the press-a-key prompt that holds a slow drawing (Ctrl
// while drawing visibly, or the pause between curves of a demonstration).
// It is a borderless modal box one pixel high that takes the mouse and the
// keyboard; a key press, a mouse press or the loss of the focus lets the
// drawing go on.
#pragma once

#include <QDialog>

class TKeyboardInterrupt;

class TPressSomething : public QDialog {
    Q_OBJECT
public:
    explicit TPressSomething(QWidget* parent = nullptr);

    // Waits for a key, a click or the loss of the focus, showing "Press a
    // key" on the status line; returns at once when a prompt is already up.
    // The drawing flags are kept across the wait.
    static void WaitForKey(QWidget* parent = nullptr);
    // True while a prompt is waiting.
    [[nodiscard]] static bool Waiting();
    // Makes Ctrl during a visible drawing open the prompt.
    static void InstallAsPauseHandler(TKeyboardInterrupt& interrupt, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Done();
};
