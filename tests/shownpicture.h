// For the tests of windows that repaint only what an edit changed: the
// picture a window shows is what its backing store holds after the pending
// repaints (the offscreen platform keeps it), and a stale mark is a pixel
// where that differs from a full repaint of the same window.
#pragma once

#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <ostream>

// Rectangles in test failures read as x, y, width and height.
inline void PrintTo(const QRect& rect, std::ostream* out)
{
    *out << "QRect(" << rect.x() << ", " << rect.y() << ", " << rect.width() << "x" << rect.height() << ")";
}

namespace shownpicture {

// What the top-level window of widget shows once the pending repaints are
// done: the window's backing store, in device pixels (the offscreen
// platform's screen grab crops it when the device pixel ratio is above 1).
inline QImage Shown(QWidget* widget)
{
    QWidget* top = widget->window();
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    if (QBackingStore* store = top->backingStore())
        if (const auto* image = dynamic_cast<const QImage*>(store->paintDevice()))
            return image->convertToFormat(QImage::Format_RGB32);
    return top->screen()->grabWindow(top->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// The same window painted afresh as a whole.
inline QImage Redrawn(QWidget* widget)
{
    return widget->window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The box around the pixels where the two pictures differ (empty when they
// are alike), in device pixels.
inline QRect Differences(const QImage& shown, const QImage& redrawn)
{
    if (shown.size() != redrawn.size())
        return QRect(QPoint(0, 0), shown.size().expandedTo(redrawn.size()));
    QRect box;
    for (int y = 0; y < shown.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(redrawn.constScanLine(y));
        for (int x = 0; x < shown.width(); ++x)
            if (a[x] != b[x])
                box = box.united(QRect(x, y, 1, 1));
    }
    return box;
}

// The box of stale pixels the window shows now (empty when none).
inline QRect StaleMarks(QWidget* widget)
{
    const QImage shown = Shown(widget);
    return Differences(shown, Redrawn(widget));
}

} // namespace shownpicture
