#include "graphwindow/equationdisplayform.h"

#include "formula/markup.h"
#include "graph/linesource.h"
#include "platform/canvas.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

QFont DisplayFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    return font;
}

} // namespace

TEquationDisplay::TEquationDisplay(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Equation display"));
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    setFont(DisplayFont());
    hide();
}

QString TEquationDisplay::PlainText(const TEquationObject& line)
{
    // Markup shorthands read as the symbols they stand for.
    QString text = QString::fromStdString(ElementsToText(line.Elements()));
    static const std::pair<const char*, const char*> Replacements[] = {
        {"{sqrt{", "\u221A("}, {"{^{2}", "\u00B2"}, {"{^{3}", "\u00B3"}, {"{^{", "^("},
        {"{/{", "("},          {"}{", ")/("},       {"{p", "\u03C0"},    {"{q", "\u03B8"},
        {"{<=", "\u2264"},     {"{>=", "\u2265"},   {"{+-", "\u00B1"},   {"}", ")"}};
    for (const auto& [from, to] : Replacements)
        text.replace(QString::fromUtf8(from), QString::fromUtf8(to));
    text.replace(QLatin1Char('*'), QChar(0x00D7));
    return text;
}

QSize TEquationDisplay::Measure(TEquationObject& line)
{
    if (LinePainter) {
        QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
        Canvas canvas(&scratch);
        canvas.SetFont(font());
        return LinePainter(canvas, line, false);
    }
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(PlainText(line)), metrics.height());
}

void TEquationDisplay::ShowFor(const TLineSource* lines, int index, int x, int y)
{
    if (index == shownIndex_ && lines == lines_ && isVisible())
        return;
    HideDisplay();
    TEquationObject* line = lines ? lines->LineAt(index) : nullptr;
    if (!line || !line->IsValid())
        return;
    lines_ = lines;
    shownIndex_ = index;
    const QSize size = Measure(*line);
    if (size.width() <= 0)
        return; // a line with nothing to show
    const int w = size.width(), h = std::max(1, size.height());
    setGeometry(Placement(QSize(w + 2 * Margin, h + Margin), QPoint(x, y),
                          parentWidget() ? parentWidget()->size() : QSize()));
    raise();
    show();
}

QRect TEquationDisplay::Placement(QSize size, QPoint pointer, QSize area)
{
    const int w = size.width() - 2 * Margin, h = std::max(1, size.height() - Margin);
    // Up and to the left of the pointer, its right edge near it.
    QRect box(std::max(0, pointer.x() - w - Margin), std::max(0, pointer.y() - 3 * h / 2), size.width(),
              size.height());
    // Pushed against the window's top or left edge the box may come over the
    // pointer, which would then be over the box and not the graph: the box
    // goes below the pointer, clear of the arrow, or else beside it.
    const QRect pointerArea(pointer, QSize(PointerClearance, PointerClearance));
    if (box.intersects(pointerArea)) {
        box.moveTop(pointerArea.bottom() + 1);
        if (area.height() > 0 && box.bottom() >= area.height())
            box.moveLeft(pointerArea.right() + 1);
    }
    if (area.width() > 0 && box.right() >= area.width())
        box.moveRight(area.width() - 1);
    box.moveLeft(std::max(0, box.left()));
    return box;
}

void TEquationDisplay::HideDisplay()
{
    shownIndex_ = -1;
    hide();
}

void TEquationDisplay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xff, 0xff, 0xe1));
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    TEquationObject* line = lines_ ? lines_->LineAt(shownIndex_) : nullptr;
    if (!line)
        return;
    if (LinePainter) {
        Canvas canvas(&painter);
        canvas.SetFont(font());
        canvas.SetBrushStyle(TBrushStyle::Clear);
        canvas.MoveTo(Margin, Margin / 2);
        LinePainter(canvas, *line, true);
        return;
    }
    painter.setFont(font());
    painter.setPen(ToQColor(line->colour));
    painter.drawText(rect().adjusted(Margin, 0, -Margin, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     PlainText(*line));
}

void TEquationDisplay::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && shownIndex_ >= 0)
        emit LineClicked(shownIndex_);
    event->accept();
}

void TEquationDisplay::hideEvent(QHideEvent*)
{
    shownIndex_ = -1;
}
