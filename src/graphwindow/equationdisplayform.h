// TEquationDisplay: the small pop-up on the graph window that shows the
// equation of the curve under the mouse, placed up and to the left of the
// pointer and never under it. A click on it selects that line.
#pragma once

#include <QWidget>

#include <functional>

class Canvas;
class TEquationObject;
class TLineSource;

class TEquationDisplay : public QWidget {
    Q_OBJECT
public:
    explicit TEquationDisplay(QWidget* parent);

    // The index of the line shown, -1 while hidden.
    [[nodiscard]] int ShownIndex() const { return shownIndex_; }
    // Shows the equation of line index of lines (borrowed) with its right
    // edge near x and above y (parent pixels); nothing when already shown.
    void ShowFor(const TLineSource* lines, int index, int x, int y);
    // Where a pop-up of size goes for the pointer at pointer, in a window of
    // area (an empty size: no bounds): up and to the left of the pointer, and
    // never over it, whatever window edge it is pushed against.
    [[nodiscard]] static QRect Placement(QSize size, QPoint pointer, QSize area);
    // Hides and forgets the line.
    void HideDisplay();
    // The text shown for a line when no formula painter is installed.
    [[nodiscard]] static QString PlainText(const TEquationObject& line);

    // Measures (paint false) or paints at the canvas pen a line's formula;
    // installed by the formula layout. Without it the plain text is shown.
    static inline std::function<QSize(Canvas& canvas, TEquationObject& line, bool paint)> LinePainter;

signals:
    // The pop-up was clicked: select this line.
    void LineClicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    [[nodiscard]] QSize Measure(TEquationObject& line);

    const TLineSource* lines_ = nullptr;
    int shownIndex_ = -1;
    static constexpr int Margin = 4;
    // The square kept free below and right of the pointer's hot spot, where
    // the arrow is.
    static constexpr int PointerClearance = 24;
};
