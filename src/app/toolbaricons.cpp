#include "app/toolbaricons.h"

#include "app/commands.h"
#include "app/lumacurveform.h"
#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "platform/canvas.h"
#include "settings/mathsreader.h"
#include "settings/usersettings.h"

#include <QAction>
#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QMenu>
#include <QPainter>
#include <QSettings>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <QToolBar>
#include <QToolButton>

#include <cmath>
#include <functional>

namespace {

// ---------------------------------------------------------------------------
// An icon painted at whatever size it is asked for

class TPaintedIconEngine : public QIconEngine {
public:
    // Paints the icon into a square of the given side in device pixels.
    using Painter = std::function<void(QPainter&, int side)>;

    TPaintedIconEngine(Painter painter, QString key) : painter_(std::move(painter)), key_(std::move(key)) {}

    QIconEngine* clone() const override { return new TPaintedIconEngine(painter_, key_); }
    QString key() const override { return key_; }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = pixmap(rect.size() * ratio, mode, state);
        picture.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), picture);
    }

    // QIcon asks with the size in device pixels already (the logical size times the ratio).
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        const QString cacheKey =
            QStringLiteral("%1x%2:%3").arg(size.width()).arg(size.height()).arg(int(mode));
        if (const auto found = cache_.constFind(cacheKey); found != cache_.constEnd())
            return *found;
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            const int side = std::min(size.width(), size.height());
            painter.translate((size.width() - side) / 2, (size.height() - side) / 2);
            painter_(painter, side);
        }
        QPixmap picture = QPixmap::fromImage(image);
        if (mode == QIcon::Disabled || mode == QIcon::Selected) {
            QStyleOption option;
            picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
        }
        cache_.insert(cacheKey, picture);
        return picture;
    }

private:
    Painter painter_;
    QString key_;
    QHash<QString, QPixmap> cache_;
};

QIcon PaintedIcon(TPaintedIconEngine::Painter painter, const QString& key)
{
    return QIcon(new TPaintedIconEngine(std::move(painter), key));
}

// ---------------------------------------------------------------------------
// Our own drawings: SVG on a 24-unit square, strokes in the toolbar's slate
// and the program's curve colours.

constexpr const char* Slate = "#34495e";

QIcon DrawnIcon(const QString& body)
{
    const QByteArray svg =
        (QStringLiteral(
             "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 24 24'><g fill='none' stroke='%1' "
             "stroke-width='1.6' stroke-linecap='round' stroke-linejoin='round'>")
             .arg(Slate) +
         body + "</g></svg>")
            .toUtf8();
    return PaintedIcon(
        [svg](QPainter& painter, int side) {
            QSvgRenderer renderer(svg);
            renderer.render(&painter, QRectF(0, 0, side, side));
        },
        "svg:" + body);
}

// The outline of a regular polygon with n sides around the middle of the square.
QString Polygon(int sides)
{
    QString path = "<path d='";
    const double start = sides == 4 ? M_PI / 4 : -M_PI / 2;
    for (int k = 0; k < sides; ++k) {
        const double angle = start + 2 * M_PI * k / sides;
        path += QStringLiteral("%1%2 %3")
                    .arg(k == 0 ? "M" : "L")
                    .arg(12 + 9 * std::cos(angle), 0, 'f', 2)
                    .arg(12.5 + 9 * std::sin(angle), 0, 'f', 2);
    }
    return path + "z' fill='#c9d8f5' stroke='#2a5dc8'/>";
}

// Short strokes of a direction field, each with the slope y/x would give there.
QString DirectionField()
{
    QString body;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            const double x = 3.75 + 5.5 * column, y = 3.75 + 5.5 * row;
            const double slope = -((x - 12) / 6) * ((y - 12) / 6) * 1.2;
            const double dx = 1.9 / std::sqrt(1 + slope * slope), dy = slope * dx;
            body += QStringLiteral("<path d='M%1 %2L%3 %4'/>")
                        .arg(x - dx, 0, 'f', 2)
                        .arg(y + dy, 0, 'f', 2)
                        .arg(x + dx, 0, 'f', 2)
                        .arg(y - dy, 0, 'f', 2);
        }
    return body;
}

// clang-format off
// The drawings, by the name they are known by.
const QHash<QString, QString>& Drawings()
{
    static const QHash<QString, QString> drawings = {
        {"new", "<path d='M6 3h8l4 4v14H6z' fill='#fff'/><path d='M14 3v4h4'/><path d='M12 11v6M9 14h6' stroke='#2e8b3e' stroke-width='2'/>"},
        {"open", "<path d='M3 19V5h6l2 2h8v3'/><path d='M3 19l3-9h16l-3 9z' fill='#f4d58d'/>"},
        {"save", "<path d='M4 4h13l3 3v13H4z' fill='#fff'/><path d='M8 4v5h8V4'/><path d='M7 20v-6h10v6'/>"},
        {"save-as", "<path d='M3 4h11l3 3v5M3 4v15h8'/><path d='M7 4v4h6V4'/><path d='M13 21l.8-3 6-6 2.2 2.2-6 6z' stroke='#d03030'/>"},
        {"export", "<rect x='3' y='7' width='13' height='13' fill='#fff'/><path d='M4 18l4-5 3 3 2-2 2.5 3' stroke='#2a5dc8'/><path d='M14 3h7v7M21 3l-8 8' stroke='#d03030'/>"},
        {"print", "<path d='M7 9V3h10v6'/><rect x='3' y='9' width='18' height='8' rx='1' fill='#fff'/><path d='M7 14h10v7H7z' fill='#fff'/>"},
        {"print-preview", "<path d='M6 8V3h9v5'/><rect x='2' y='8' width='17' height='7' rx='1' fill='#fff'/><path d='M6 12h7'/><circle cx='16.5' cy='16.5' r='3.7' fill='#fff' stroke='#2a5dc8'/><path d='M19.2 19.2 22 22' stroke='#2a5dc8' stroke-width='2'/>"},
        {"equations", "<rect x='3' y='4' width='18' height='16' rx='1' fill='#fff'/><path d='M6 9h9M6 13h12M6 17h7' stroke='#2a5dc8'/>"},
        {"undo", "<path d='M9 13 4 8l5-5'/><path d='M4 8h10a6 6 0 0 1 0 12h-5'/>"},
        {"redo", "<path d='M15 13l5-5-5-5'/><path d='M20 8H10a6 6 0 0 0 0 12h5'/>"},
        {"cut", "<circle cx='6.5' cy='17.5' r='3'/><circle cx='17.5' cy='17.5' r='3'/><path d='M8.5 15.3 17 3M15.5 15.3 7 3'/>"},
        {"copy", "<rect x='8' y='8' width='12' height='13' rx='1' fill='#fff'/><path d='M16 8V3H4v13h4'/>"},
        {"paste", "<path d='M8 4H5v17h14V4h-3'/><rect x='8' y='2.5' width='8' height='4' rx='1' fill='#fff'/><path d='M9 11h6M9 15h6'/>"},
        {"delete-curve", "<path d='M3 19C6 5 11 5 14 12' stroke='#2a5dc8'/><path d='M15 12l6 6M21 12l-6 6' stroke='#d03030' stroke-width='2.2'/>"},
        {"redraw", "<path d='M3 15c3-9 6-9 9 0' stroke='#2a5dc8'/><path d='M20.5 12a8.5 8.5 0 1 1-2.6-6.1'/><path d='M18.5 2v4.2h-4.2'/>"},
        {"no-zoom", "<path d='M7 3v16l4-4 3 6.5 2.5-1.1-3-6.4h5.5z' fill='#fff'/>"},
        {"zoom-in", "<circle cx='10' cy='10' r='6.5' fill='#fff'/><path d='M15 15l6 6' stroke-width='2.6'/><path d='M10 7v6M7 10h6'/>"},
        {"zoom-out", "<circle cx='10' cy='10' r='6.5' fill='#fff'/><path d='M15 15l6 6' stroke-width='2.6'/><path d='M7 10h6'/>"},
        {"move-origin", "<path d='M2 15h15M7 22V7' stroke='#8899aa'/><circle cx='16' cy='8' r='3.5' stroke='#d03030'/><path d='M16 2v2.5M16 11.5V14M10 8h2.5M19.5 8H22' stroke='#d03030'/>"},
        {"drag-grid", "<path d='M3 8h18M3 16h18M8 3v18M16 3v18' stroke='#b8c4d0'/><path d='M12 5v14M5 12h14M12 5l-2.5 2.5M12 5l2.5 2.5M12 19l-2.5-2.5M12 19l2.5-2.5M5 12l2.5-2.5M5 12l2.5 2.5M19 12l-2.5-2.5M19 12l-2.5 2.5'/>"},
        {"undo-zoom", "<circle cx='14' cy='10' r='5.5' fill='#fff'/><path d='M18 14l4 4' stroke-width='2.4'/><path d='M11.5 10h5'/><path d='M2 19h9M2 19l3-3M2 19l3 3' stroke='#2a5dc8'/>"},
        {"redo-zoom", "<circle cx='10' cy='10' r='5.5' fill='#fff'/><path d='M6 14l-4 4' stroke-width='2.4'/><path d='M7.5 10h5M10 7.5v5'/><path d='M13 19h9M22 19l-3-3M22 19l-3 3' stroke='#2a5dc8'/>"},
        {"square-scales", "<rect x='3' y='3' width='18' height='18' stroke='#8899aa'/><path d='M3 12h18M12 3v18' stroke='#b8c4d0'/><circle cx='12' cy='12' r='6' stroke='#2e8b3e' stroke-width='2'/>"},
        {"graph-paper", "<rect x='3' y='3' width='18' height='18' fill='#fff'/><path d='M6 3v18M9 3v18M12 3v18M15 3v18M18 3v18M3 6h18M3 9h18M3 12h18M3 15h18M3 18h18' stroke='#9fc79f' stroke-width='.8'/>"},
        {"trig-scales", "<path d='M2 12h20M12 4v16' stroke='#8899aa'/><path d='M2 12c2.5-9 5-9 7.5 0s5 9 7.5 0c1.2-4.5 2.5-6.7 5-6.7' stroke='#d03030' stroke-width='1.8'/>"},
        {"reset-scales", "<path d='M12 3v18M3 12h18' stroke='#8899aa'/><path d='M6 6h4M6 6v4M18 6h-4M18 6v4M6 18h4M6 18v-4M18 18h-4M18 18v-4' stroke='#2a5dc8' stroke-width='2'/>"},
        {"translate", "<path d='M4 17V8l5 2.5L4 13' stroke='#8899aa'/><path d='M13 12V3l5 2.5-5 2.5' stroke='#2a5dc8'/><path d='M4 21h14M15 18l3 3-3 3' stroke='#d03030'/>"},
        {"reflect", "<path d='M12 2v20' stroke-dasharray='2 2'/><path d='M9 7 3 17h6z' fill='#c9d8f5' stroke='#2a5dc8'/><path d='M15 7l6 10h-6z' fill='#f7caca' stroke='#d03030'/>"},
        {"rotate", "<path d='M12 12h8l-8-6z' fill='#c9d8f5' stroke='#2a5dc8'/><path d='M12 12v8l6-8z' fill='#f7caca' stroke='#d03030'/><path d='M6 17A7.5 7.5 0 0 1 9 5'/><path d='M6.5 8 9 5 5.5 4'/>"},
        {"rotate-clockwise", "<path d='M5 14a7 7 0 1 0 2-7'/><path d='M4 4v4h4' /><circle cx='12' cy='12' r='1.3' fill='#34495e'/>"},
        {"rotate-anticlockwise", "<path d='M19 14a7 7 0 1 1-2-7'/><path d='M20 4v4h-4'/><circle cx='12' cy='12' r='1.3' fill='#34495e'/>"},
        {"enlarge", "<path d='M3 21 7 14l2.5 7z' fill='#c9d8f5' stroke='#2a5dc8'/><path d='M8 21 15 5l6 16z' stroke='#d03030'/>"},
        {"stretch", "<rect x='8' y='7' width='8' height='10' fill='#c9d8f5' stroke='#2a5dc8'/><path d='M2 12h4M18 12h4M2 12l2-2M2 12l2 2M22 12l-2-2M22 12l-2 2'/>"},
        {"shear", "<path d='M3 19h10V7H3z' stroke='#8899aa'/><path d='M3 19h10l8-12H11z' stroke='#d03030'/>"},
        {"repeats", "<path d='M2 17l3-6 3 6z' stroke='#2a5dc8'/><path d='M9 17l3-6 3 6z' stroke='#2a5dc8'/><path d='M16 17l3-6 3 6z' stroke='#d03030'/><path d='M4 6h15M16 3l3 3-3 3'/>"},
        {"new-shape", "<path d='M4 18 8 5l9 3 3 10z' fill='#c9d8f5' stroke='#2a5dc8'/><circle cx='4' cy='18' r='1.6' fill='#d03030' stroke='none'/><circle cx='8' cy='5' r='1.6' fill='#d03030' stroke='none'/><circle cx='17' cy='8' r='1.6' fill='#d03030' stroke='none'/><circle cx='20' cy='18' r='1.6' fill='#d03030' stroke='none'/>"},
        {"flag", "<path d='M7 21V3'/><path d='M7 3l10 5-10 5z' fill='#f7caca' stroke='#d03030'/>"},
        {"coordinate-list", "<rect x='3' y='3' width='18' height='18' rx='1' fill='#fff'/><path d='M3 8h18M3 13h18M3 18h18M12 3v18' stroke='#8899aa'/>"},
        {"data-points", "<path d='M3 21h18M3 21V3' stroke='#8899aa'/><g fill='#2a5dc8' stroke='none'><circle cx='7' cy='17' r='1.7'/><circle cx='10' cy='13' r='1.7'/><circle cx='13' cy='14' r='1.7'/><circle cx='16' cy='9' r='1.7'/><circle cx='19' cy='6' r='1.7'/></g>"},
        {"best-fit", "<path d='M3 21h18M3 21V3' stroke='#8899aa'/><g fill='#2a5dc8' stroke='none'><circle cx='7' cy='16' r='1.6'/><circle cx='10' cy='15' r='1.6'/><circle cx='13' cy='11' r='1.6'/><circle cx='17' cy='9' r='1.6'/></g><path d='M4 19 21 5' stroke='#d03030'/>"},
        {"tangent", "<path d='M3 3Q12 31 21 3' stroke='#2a5dc8'/><path d='M3 17h18' stroke='#d03030'/><circle cx='12' cy='17' r='1.6' fill='#d03030' stroke='none'/>"},
        {"normal", "<path d='M3 3Q12 31 21 3' stroke='#2a5dc8'/><path d='M12 4v17' stroke='#d03030'/><circle cx='12' cy='17' r='1.6' fill='#d03030' stroke='none'/>"},
        {"trace", "<path d='M2 16Q12 0 22 16' stroke='#2a5dc8'/><path d='M15 4v12M9 10h12' stroke='#d03030' stroke-width='1'/><circle cx='15' cy='10' r='2' fill='#fff' stroke='#d03030'/>"},
        {"area", "<path d='M5 20V12.7Q12 2 19 11.4V20z' fill='#f7caca' stroke='none'/><path d='M3 15Q12 0 21 14' stroke='#d03030'/><path d='M2 20h20'/>"},
        {"gradient", "<path d='M3 21Q13 19 21 3' stroke='#2a5dc8'/><path d='M9 17.5h7.5V10' stroke='#d03030'/>"},
        {"dynamic-curves", "<path d='M3 19Q12 1 21 19' stroke='#2a5dc8'/><rect x='10' y='7' width='4' height='4' fill='#fff' stroke='#d03030'/><path d='M17 6l3-3M20 3h-2.5M20 3v2.5' stroke='#d03030'/>"},
        {"dynamic-constants", "<path d='M3 18h18'/><circle cx='9' cy='18' r='2.5' fill='#fff'/><path d='M9 4v9l7-4.5z' fill='#2e8b3e' stroke='#2e8b3e'/>"},
        {"family", "<path d='M3 6Q12 24 21 6' stroke='#d03030'/><path d='M3 3Q12 21 21 3' stroke='#2a5dc8'/><path d='M3 9Q12 27 21 9' stroke='#2e8b3e'/>"},
        {"rotate-90", "<circle cx='12' cy='12' r='1.5' fill='#34495e'/><path d='M20 12A8 8 0 0 0 12 4' stroke='#2a5dc8' stroke-width='2'/><path d='M15 2l-3 2 3 2.5' stroke='#2a5dc8'/><path d='M12 12h8' stroke='#8899aa'/>"},
        {"rotate-180", "<circle cx='12' cy='12' r='1.5' fill='#34495e'/><path d='M20 12A8 8 0 0 0 4 12' stroke='#2a5dc8' stroke-width='2'/><path d='M2 9l2 3 2.5-3' stroke='#2a5dc8'/><path d='M12 12h8' stroke='#8899aa'/>"},
        {"rotate-270", "<circle cx='12' cy='12' r='1.5' fill='#34495e'/><path d='M20 12A8 8 0 1 0 12 20' stroke='#2a5dc8' stroke-width='2'/><path d='M15 22l-3-2 3-2.5' stroke='#2a5dc8'/><path d='M12 12h8' stroke='#8899aa'/>"},
        {"reflect-y-axis", "<path d='M12 2v20' stroke='#8899aa' stroke-width='2'/><path d='M9 8 4 16h5z' fill='#c9d8f5' stroke='#2a5dc8'/><path d='M15 8l5 8h-5z' fill='#f7caca' stroke='#d03030'/>"},
        {"reflect-x-axis", "<path d='M2 12h20' stroke='#8899aa' stroke-width='2'/><path d='M8 9 16 4v5z' fill='#c9d8f5' stroke='#2a5dc8'/><path d='M8 15l8 5v-5z' fill='#f7caca' stroke='#d03030'/>"},
        {"reflect-y-x", "<path d='M3 21 21 3' stroke='#8899aa' stroke-width='2'/><path d='M4 13l6-2-1 6z' fill='#c9d8f5' stroke='#2a5dc8'/><path d='M11 4l2 6 6-1z' fill='#f7caca' stroke='#d03030'/>"},
        {"reflect-y-minus-x", "<path d='M3 3l18 18' stroke='#8899aa' stroke-width='2'/><path d='M4 11l6 2-1-6z' fill='#c9d8f5' stroke='#2a5dc8'/><path d='M11 20l2-6 6 1z' fill='#f7caca' stroke='#d03030'/>"},
        {"new-line", "<path d='M3 19 21 5' stroke='#2a5dc8'/><rect x='5' y='15.5' width='4' height='4' fill='#fff' stroke='#d03030'/><rect x='15' y='7.5' width='4' height='4' fill='#fff' stroke='#d03030'/>"},
        {"new-quadratic", "<path d='M3 4Q12 32 21 4' stroke='#2a5dc8'/><rect x='10' y='15' width='4' height='4' fill='#fff' stroke='#d03030'/><rect x='17' y='7' width='4' height='4' fill='#fff' stroke='#d03030'/>"},
        {"new-circle", "<circle cx='12' cy='12' r='8' stroke='#2e8b3e'/><rect x='10' y='10' width='4' height='4' fill='#fff' stroke='#d03030'/><rect x='18' y='10' width='4' height='4' fill='#fff' stroke='#d03030'/>"},
        {"fit-polynomial", "<path d='M2 16C6 2 10 4 12 12s6 10 10-4' stroke='#d03030'/><g fill='#2a5dc8' stroke='none'><circle cx='4' cy='11' r='1.7'/><circle cx='9' cy='5' r='1.7'/><circle cx='13' cy='14' r='1.7'/><circle cx='18' cy='16' r='1.7'/></g>"},
        {"demo-draw", "<path d='M2 20c3-9 6-9 8-3' stroke='#2a5dc8' stroke-dasharray='2 1.5'/><path d='M10 17 19 3l3 2-9 14-3.5 1.5z' fill='#f4d58d'/>"},
        {"comment-box", "<path d='M3 4h18v12H10l-5 4v-4H3z' fill='#fff'/><path d='M7 8h10M7 12h6' stroke='#2a5dc8'/>"},
        {"introduction", "<circle cx='12' cy='12' r='9' fill='#fff'/><path d='M12 11v6' stroke-width='2.2'/><circle cx='12' cy='7.5' r='1.2' fill='#34495e' stroke='none'/>"},
        {"right-button", "<rect x='6' y='2.5' width='12' height='19' rx='6' fill='#fff'/><path d='M12 2.8a5.7 5.7 0 0 1 5.7 5.7V10H12z' fill='#d03030' stroke='none'/><path d='M12 3v7M6 10h12'/>"},
        {"help", "<circle cx='12' cy='12' r='9' fill='#fff'/><path d='M9.3 9.3a2.7 2.7 0 1 1 3.9 2.4c-.8.4-1.2 1-1.2 1.8v.8'/><circle cx='12' cy='17.4' r='1.1' fill='#34495e' stroke='none'/>"},
        {"enter", "<path d='M20 4v8H5'/><path d='M9 8l-4 4 4 4'/>"},
        {"backspace", "<path d='M8 5h13v14H8l-6-7z' fill='#fff'/><path d='M11 9l6 6M17 9l-6 6' stroke='#d03030'/>"},
        {"caret-left", "<path d='M20 12H4M10 6l-6 6 6 6'/>"},
        {"caret-right", "<path d='M4 12h16M14 6l6 6-6 6'/>"},
        {"last-file", "<path d='M9 3h9l3 3v15H9z' fill='#fff'/><path d='M11 12H2M6 8l-4 4 4 4' stroke='#2a5dc8' stroke-width='2'/>"},
        {"next-file", "<path d='M3 3h9l3 3v15H3z' fill='#fff'/><path d='M13 12h9M18 8l4 4-4 4' stroke='#2a5dc8' stroke-width='2'/>"},
        {"quit-series", "<path d='M5 3h10l4 4v14H5z' fill='#fff'/><path d='M9 10l6 6M15 10l-6 6' stroke='#d03030' stroke-width='2.2'/>"},
    };
    return drawings;
}

// What each command shows: a theme icon name (empty: none fits), the
// drawing of our own (the fallback), or formula markup (starting "=").
struct TIconRow {
    std::string_view command;
    const char* theme;
    const char* own;
};
const TIconRow IconRows[] = {
    {"ActionFileNew", "document-new", "new"},
    {"ActionFileOpen", "document-open", "open"},
    {"ActionFileSave", "document-save", "save"},
    {"ActionFileSaveAs", "document-save-as", "save-as"},
    {"ActionExportPicture", "", "export"},
    {"ActionPrint", "document-print-preview", "print-preview"},
    {"ActionPrint2", "document-print", "print"},
    {"ActionEquationsWindow", "", "equations"},
    {"ActionUndo", "edit-undo", "undo"},
    {"ActionRedo", "edit-redo", "redo"},
    {"ActionCut", "edit-cut", "cut"},
    {"ActionCopy", "edit-copy", "copy"},
    {"ActionPaste", "edit-paste", "paste"},
    {"ActionDeleteCurve", "", "delete-curve"},
    {"ActionRedraw", "view-refresh", "redraw"},
    {"ActionInsertSuper", "", "=x{^{2}"},
    {"ActionInsFraction", "", "={/{a}{b}"},
    {"ActionInsplusminus", "", "={\xB1"},
    {"ActionInsSqroot", "", "={sqrt{x}"},
    {"ActionInsPi", "", "={p"},
    {"ActionInsTheta", "", "={q"},
    {"ActionInsLessEq", "", "={\xA3"},
    {"ActionInsGreaterEq", "", "={\xB3"},
    {"ActionNoZoom", "", "no-zoom"},
    {"ActionZoomin", "zoom-in", "zoom-in"},
    {"ActionZoomout", "zoom-out", "zoom-out"},
    {"ActionMoveOrigin", "", "move-origin"},
    {"ActionDragGrid", "", "drag-grid"},
    {"ActionUndoZoom", "", "undo-zoom"},
    {"ActionRedoZoom", "", "redo-zoom"},
    {"ActionSquareScales", "", "square-scales"},
    {"ActionGraphPaper", "", "graph-paper"},
    {"ActionTrigScales", "", "trig-scales"},
    {"ActionResetScales", "zoom-original", "reset-scales"},
    {"ActionTranslate", "", "translate"},
    {"ActionReflect", "", "reflect"},
    {"ActionRotate", "", "rotate"},
    {"BtnRotClock", "object-rotate-right", "rotate-clockwise"},
    {"btnRotAnti", "object-rotate-left", "rotate-anticlockwise"},
    {"ActionEnlarge", "", "enlarge"},
    {"ActionStretch", "", "stretch"},
    {"ActionShear", "", "shear"},
    {"ActionMatrix", "", "={Mtrx \x02\x02{a}{b}{c}{d}"},
    {"ActionRepeats", "", "repeats"},
    {"ActionNewShape", "", "new-shape"},
    {"ActionFlag", "", "flag"},
    {"ActionTriangle", "", "#3"},
    {"ActionSquare", "", "#4"},
    {"ActionPentagon", "", "#5"},
    {"ActionHexagon", "", "#6"},
    {"ActionOctagon", "", "#8"},
    {"ActionCoordList", "", "coordinate-list"},
    {"ActionDataPoints", "", "data-points"},
    {"ActionBestFit", "", "best-fit"},
    {"ActionShowStats", "", "={S"},
    {"ActionSwapxy", "", "=x{\xAB" "y"},
    {"ActionTangent", "", "tangent"},
    {"ActionNormal", "", "normal"},
    {"ActionTraceOnOff", "", "trace"},
    {"ActionArea", "", "area"},
    {"ActionGradient", "", "gradient"},
    {"ActionCompassPoints", "", "*field"},
    {"ActionDynamicCUrves", "", "dynamic-curves"},
    {"ActionDynamicConstants", "", "dynamic-constants"},
    {"ActionFamily", "", "family"},
    {"ActionDegrees", "", "=90{\xB0"},
    {"ActionRadians", "", "={/{{p}{2}"},
    {"ActRotate90", "", "rotate-90"},
    {"ActRotate180", "", "rotate-180"},
    {"ActRotate270", "", "rotate-270"},
    {"ActReflecty", "", "reflect-y-axis"},
    {"Actreflectx", "", "reflect-x-axis"},
    {"ActReflectyx", "", "reflect-y-x"},
    {"ActReflectynx", "", "reflect-y-minus-x"},
    {"ActionNewDynamicLine", "", "new-line"},
    {"ActionNewDynamicQuad", "", "new-quadratic"},
    {"ActionNewCircle", "", "new-circle"},
    {"ActionFitPolynomial", "", "fit-polynomial"},
    {"ActionDemoDraw", "", "demo-draw"},
    {"ActionCommentBox", "", "comment-box"},
    {"ActionIntroduction", "", "introduction"},
    {"KeybtnAltAct", "", "=x{^{}"},
    {"KeyBtnFnAct", "", "=f(x)"},
    {"KeyBtnRightMouseAct", "", "right-button"},
    {"KeyBtnHelpAct", "", "help"},
};
// clang-format on

// The icon a row of the tables names: formula markup, a polygon, the
// direction field or a drawing.
QIcon OwnIcon(const std::string& own)
{
    if (own.empty())
        return {};
    if (own[0] == '=')
        return FormulaIcon(own.substr(1));
    if (own[0] == '#')
        return DrawnIcon(Polygon(own[1] - '0'));
    if (own == "*field")
        return DrawnIcon(DirectionField());
    const auto found = Drawings().constFind(QString::fromStdString(own));
    return found == Drawings().constEnd() ? QIcon() : DrawnIcon(*found);
}

constexpr const char* TextSetting = "ToolbarText";

} // namespace

// ---------------------------------------------------------------------------

QIcon FormulaIcon(const std::string& markup)
{
    return PaintedIcon(
        [markup](QPainter& painter, int side) {
            TEditor line;
            try {
                line.SetElements(ElementsFromText(markup));
            } catch (const eReaderror&) {
                return;
            }
            line.colour = 0x5E4934; // the slate of the drawn icons, as 0x00BBGGRR
            // The layout is program-wide state: it is put back as it was.
            const int previousHeight = FormulaHeight();
            const int previousCurrent = CurrentHeight;
            // Tall enough to read, and narrow enough to fit: the height shrinks for wide formulas.
            int height = std::max(4, side * 13 / 20);
            SetFormulaHeight(height);
            MeasureLine(line);
            const int limit = side - std::max(1, side / 12);
            for (int tries = 0; tries < 8 && (line.width > limit || line.height > limit) && height > 4;
                 ++tries) {
                const double shrink = std::min(double(limit) / std::max(1, int(line.width)),
                                               double(limit) / std::max(1, int(line.height)));
                height = std::max(4, int(height * shrink));
                SetFormulaHeight(height);
                MeasureLine(line);
            }
            Canvas canvas(&painter);
            canvas.MoveTo((side - line.width) / 2 - line.leftMargin, (side - line.height) / 2);
            PaintLine(canvas, line);
            SetFormulaHeight(previousHeight);
            CurrentHeight = previousCurrent;
        },
        QString::fromLatin1("formula:") + QString::fromLatin1(markup.data(), qsizetype(markup.size())));
}

QIcon CommandIcon(std::string_view command)
{
    for (const TIconRow& row : IconRows) {
        if (row.command != command)
            continue;
        const QIcon own = OwnIcon(row.own);
        return *row.theme ? QIcon::fromTheme(QString::fromLatin1(row.theme), own) : own;
    }
    return {};
}

QIcon DrawingIcon(std::string_view name)
{
    return OwnIcon(std::string(name));
}

QIcon KeypadIcon(const TKeypadKey& key)
{
    const std::string types(key.types);
    if (types == "\r")
        return OwnIcon("enter");
    if (types == "\b")
        return OwnIcon("backspace");
    if (types == "\x1c")
        return OwnIcon("caret-left");
    if (types == "\x1d")
        return OwnIcon("caret-right");
    if (types == "*")
        return FormulaIcon("{\xB4"); // typed as the times sign
    if (key.caption == "-1")
        return FormulaIcon("{^{-1}"); // an index of -1
    // What the key types, escaped where markup would read a brace or tab.
    std::string markup;
    for (char c : types)
        markup += c == '{' || c == '}' || c == '\t' ? std::string("{") + c : std::string(1, c);
    return FormulaIcon(markup);
}

bool TextBesideIcons()
{
    return UserSettings().value(TextSetting, false).toBool();
}

void SetTextBesideIcons(TLumacurveForm& form, bool on)
{
    const Qt::ToolButtonStyle style = on ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly;
    for (QToolBar* bar : form.Bars()) {
        bar->setToolButtonStyle(style);
        // The keypad's keys are buttons of a widget in the bar, which the bar's style does not reach.
        for (QToolButton* key : bar->findChildren<QToolButton*>(QString(), Qt::FindChildrenRecursively))
            if (key->parentWidget() != bar)
                key->setToolButtonStyle(style);
    }
    if (on != TextBesideIcons())
        UserSettings().setValue(TextSetting, on);
}

void ApplyToolbarIcons(TLumacurveForm& form)
{
    for (const TCommandRow& row : CommandTable()) {
        const QIcon icon = CommandIcon(row.name);
        if (!icon.isNull())
            form.Commands().Action(row.name)->setIcon(icon);
    }
    for (const TKeypadKey& key : KeypadKeys()) {
        const QString name = "Key_" + QString::fromUtf8(key.caption.data(), qsizetype(key.caption.size()));
        if (auto* button = form.findChild<QToolButton*>(name)) {
            button->setIcon(KeypadIcon(key));
            button->setToolTip(button->text());
        }
    }
    // The keys' pictures are as tall as their captions' text, so the keypad keeps the size its
    // stored arrangements give it.
    if (QToolBar* keypad = form.Bar("ToolbarKeypad"))
        for (QToolButton* key : keypad->findChildren<QToolButton*>()) {
            const int side = key->fontMetrics().height();
            key->setIconSize(QSize(side, side));
        }
    SetTextBesideIcons(form, TextBesideIcons());
}

QMenu* TLumacurveForm::createPopupMenu()
{
    QMenu* menu = TDockSiteWindow::createPopupMenu();
    menu->addSeparator();
    QAction* text = menu->addAction(tr("Text beside icons"));
    text->setObjectName("TextBesideIcons");
    text->setCheckable(true);
    text->setChecked(TextBesideIcons());
    connect(text, &QAction::toggled, this, [this](bool on) { SetTextBesideIcons(*this, on); });
    return menu;
}
