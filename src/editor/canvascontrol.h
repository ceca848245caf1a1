// TCanvasControl: the custom-drawn control that the maths editor, the
// equations window and the graph window share. It carries the label that
// shows parse errors, the change notification, the context-menu hook and the
// right-button latch of the keypad, and asks its descendants what lies under
// a pixel.
#pragma once

#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class TDrawObject;

// The keypad's "RIght button" action while the main window exists (borrowed;
// nullptr otherwise). While it is checked the next press on any canvas
// control is taken as a right click, and the press unchecks it.
inline QAction* RightButtonLatch = nullptr;

class TCanvasControl : public QWidget {
    Q_OBJECT
public:
    explicit TCanvasControl(QWidget* parent = nullptr);
    ~TCanvasControl() override;

    // The label in which parse errors are shown, or nullptr (borrowed).
    QLabel* ErrorReporter = nullptr;
    // True while an error is on display in ErrorReporter.
    bool ErrorShown = false;
    // The menu that pops up for a right click, or nullptr (borrowed).
    QMenu* PopupMenu = nullptr;
    // Fired by every edit of the line.
    std::function<void(TCanvasControl* sender)> OnChange;
    // Asked before the context menu pops up, with the press point in control
    // pixels; setting handled to true stops the menu.
    std::function<void(TCanvasControl* sender, QPoint point, bool& handled)> OnContextPopup;

    // The object under a pixel of the control, or nullptr (borrowed).
    [[nodiscard]] virtual TDrawObject* ObjectAt(QPoint pixel) = 0;
    // Adds hint flags for the pixel (for example 0x800 when several curves
    // lie under it).
    virtual void HintFlags(QPoint pixel, std::uint32_t& flags) = 0;
    // True when the point lies inside the control: 0 <= x < width, 0 <= y < height.
    [[nodiscard]] bool ContainsPoint(QPoint point) const;

    // Fires OnChange.
    void Changed();

protected:
    // Applies the right-button latch; descendants call this first from
    // mousePressEvent and stop when it answers true (the press was a right
    // click that showed the context menu).
    bool MouseDown(QMouseEvent* event);
    // Pops the context menu up at a control point: OnContextPopup first, then
    // PopupMenu at that point in screen coordinates.
    void ContextPopup(QPoint point);
    void contextMenuEvent(QContextMenuEvent* event) override;
};
