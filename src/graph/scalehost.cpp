#include "graph/scalehost.h"

#include <QFontMetrics>

QSize CharSizeOf(const QFont& font, QPaintDevice* device)
{
    const QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
    return QSize(metrics.horizontalAdvance(QLatin1Char('0')), metrics.height());
}

QSize CharSize(const TScaleHost& window)
{
    return CharSizeOf(window.GraphFont(), window.MeasuringDevice());
}
