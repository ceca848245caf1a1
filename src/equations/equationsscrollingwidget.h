// TEquationsScrolling: the scroll box that holds the equations window. Its
// vertical scroll bar moves by whole lines: a line step moves by the height of
// the line at the top of the view, and paging or releasing the thumb lands on
// the top of a line, so that the view always starts at a line's top.
#pragma once

#include <QScrollArea>

#include <functional>

class TEquationsWindow;

class TEquationsScrolling : public QScrollArea {
    Q_OBJECT
public:
    explicit TEquationsScrolling(QWidget* parent = nullptr);
    ~TEquationsScrolling() override;

    // Puts window in the box (the box does not own it beyond Qt's parenting).
    void SetEquationsWindow(TEquationsWindow* window);
    [[nodiscard]] TEquationsWindow* EquationsWindow() const { return window_; }

    // The vertical position a scroll-bar action should end at: line steps by
    // the height of the top line (or 1 without one), pages and thumb releases
    // aligned to the top of the line found there. position is where the bar
    // would go by itself.
    [[nodiscard]] int AdjustedPosition(int action, int current, int position) const;

    // Keeps the window at least as large as the viewport; called by the window
    // when its content size changes.
    void FitWindow(QSize content);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // A scroll bar coming or going resizes the view: the caret of a line
    // being typed is brought back into it.
    bool viewportEvent(QEvent* event) override;

private:
    void VerticalAction(int action);
    TEquationsWindow* window_ = nullptr; // borrowed (a child of the viewport)
    QSize content_;
};
