// The fonts the tests draw and measure with. A test that asserts pixel sizes
// holds only in the face it was written for, so each font is checked to be
// the face the test gets: on a machine without it the test says so, instead
// of failing somewhere else with sizes that were never meant.
#pragma once

#include <QFont>
#include <QFontInfo>

#include <gtest/gtest.h>

// font, after checking that its family is the face it will draw with.
inline QFont CheckedFont(const QFont& font)
{
    const QString got = QFontInfo(font).family();
    if (got.compare(font.family(), Qt::CaseInsensitive) != 0)
        ADD_FAILURE() << "the test font \"" << font.family().toStdString() << "\" is drawn as \""
                      << got.toStdString() << "\": install fonts-dejavu-core and fonts-liberation2";
    return font;
}

// DejaVu Sans of the given pixel height, checked.
inline QFont DejaVuSans(int pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    return CheckedFont(font);
}
