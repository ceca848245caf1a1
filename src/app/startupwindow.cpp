#include "app/startupwindow.h"

#include "lumacurveversion.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <cmath>

namespace {
constexpr int CurvePoints = 120;
}

TStartupWindow::TStartupWindow(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName("StartupScreen");
    setFixedSize(420, 260);
    setFocusPolicy(Qt::StrongFocus);
    timer_ = new QTimer(this);
    timer_->setInterval(Tick);
    connect(timer_, &QTimer::timeout, this, &TStartupWindow::Step);
    timer_->start();
}

void TStartupWindow::Step()
{
    elapsed_ += Tick;
    const int drawn = std::min(CurvePoints, drawn_ + 3);
    // Once the curve is whole there is nothing new to paint.
    if (drawn != drawn_) {
        drawn_ = drawn;
        update();
    }
    if (closeRequested_ || elapsed_ >= Lifetime) {
        timer_->stop();
        emit Closed(closingKey_);
        close();
        deleteLater();
    }
}

void TStartupWindow::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    if (text.size() == 1 && QString("rRxXyY").contains(text[0]))
        closingKey_ = text[0].toLatin1();
    closeRequested_ = true;
}

void TStartupWindow::mousePressEvent(QMouseEvent*)
{
    closeRequested_ = true;
}

void TStartupWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(0xFF, 0xFD, 0xF5));
    painter.setPen(QPen(QColor(0x33, 0x66, 0x99), 2));
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
    const QRectF plot(30, 90, width() - 60, height() - 120);
    painter.setPen(QPen(Qt::gray, 1));
    painter.drawLine(QPointF(plot.left(), plot.center().y()), QPointF(plot.right(), plot.center().y()));
    painter.drawLine(QPointF(plot.center().x(), plot.top()), QPointF(plot.center().x(), plot.bottom()));
    // The curve y = sin 2x / (1 + x^2/8) appears a few points per tick.
    QPainterPath path;
    for (int i = 0; i <= drawn_; ++i) {
        const double x = -6.0 + 12.0 * i / CurvePoints;
        const double y = std::sin(2 * x) / (1 + x * x / 8);
        const QPointF point(plot.left() + plot.width() * (x + 6) / 12,
                            plot.center().y() - y * plot.height() / 2.2);
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    painter.setPen(QPen(QColor(0xCC, 0x22, 0x22), 2.5));
    painter.drawPath(path);
    QFont title("DejaVu Sans", 26, QFont::Bold);
    painter.setFont(title);
    painter.setPen(QColor(0x22, 0x44, 0x77));
    painter.drawText(QRect(0, 18, width(), 40), Qt::AlignCenter, "Lumacurve");
    painter.setFont(QFont("DejaVu Sans", 10));
    painter.drawText(QRect(0, 58, width(), 20), Qt::AlignCenter, VersionText);
    // The build's own version, on a line of its own under the picture.
    painter.setFont(QFont("DejaVu Sans", 8));
    painter.setPen(QColor(0x55, 0x66, 0x77));
    painter.drawText(QRect(0, height() - 24, width(), 16), Qt::AlignCenter, BuildVersionText());
}

QString TStartupWindow::BuildVersionText()
{
    return QStringLiteral("Build %1").arg(LumacurveVersion);
}
