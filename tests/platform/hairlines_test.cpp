// Short segments written straight into an image must look as the painter
// draws them: the same pixels for segments in every direction, nothing
// outside the clip, and the painter's own drawing whenever its state asks
// for more than an opaque hairline on a plain image.
#include "platform/hairlines.h"

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRegion>

#include <gtest/gtest.h>

#include <vector>

namespace {

QPen Hairline(QColor colour)
{
    QPen pen(colour);
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

QImage Blank()
{
    QImage image(120, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

TEST(Hairlines, SetThePixelsThePainterSets)
{
    // Segments of a direction field: every octant, steep and shallow, the
    // diagonals, odd and even lengths, one pixel long.
    std::vector<QPoint> pairs;
    const QPoint centre(60, 60);
    for (int dx = -11; dx <= 11; ++dx)
        for (int dy = -11; dy <= 11; ++dy)
            if (dx != 0 || dy != 0) {
                pairs.push_back(centre + QPoint(dx * 4, dy * 4));
                pairs.push_back(centre + QPoint(dx * 4 + dx, dy * 4 + dy));
            }
    for (const QPoint& to : {QPoint(7, 3), QPoint(-7, 3), QPoint(3, -7), QPoint(-5, -5), QPoint(10, 1),
                             QPoint(1, -10), QPoint(9, 2), QPoint(-2, 9)}) {
        pairs.push_back(centre);
        pairs.push_back(centre + to);
    }
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
        QImage byPainter = Blank(), direct = Blank();
        {
            QPainter painter(&byPainter);
            painter.setPen(Hairline(Qt::darkBlue));
            painter.drawLines(&pairs[i], 1);
        }
        {
            QPainter painter(&direct);
            painter.setPen(Hairline(Qt::darkBlue));
            ASSERT_TRUE(DrawHairlinesDirect(painter, std::span<const QPoint>(&pairs[i], 2)));
        }
        EXPECT_EQ(direct, byPainter) << "from " << pairs[i].x() << "," << pairs[i].y() << " to "
                                     << pairs[i + 1].x() << "," << pairs[i + 1].y();
    }
}

TEST(Hairlines, KeepWithinTheClipAndLeaveOtherStatesToThePainter)
{
    const std::vector<QPoint> across = {QPoint(-20, 50), QPoint(150, 70)};
    QImage image = Blank();
    {
        QPainter painter(&image);
        painter.setPen(Hairline(Qt::black));
        painter.setClipRect(QRect(30, 0, 40, 120));
        ASSERT_TRUE(DrawHairlinesDirect(painter, across));
    }
    for (int x = 0; x < image.width(); ++x) {
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            dark += image.pixel(x, y) != QColor(Qt::white).rgb();
        EXPECT_EQ(dark, x >= 30 && x < 70 ? 1 : 0) << "column " << x;
    }

    struct Case {
        const char* state;
        void (*set)(QPainter&);
    };
    const Case cases[] = {
        {"translucent pen", [](QPainter& p) { p.setPen(Hairline(QColor(0, 0, 0, 128))); }},
        {"dashed pen",
         [](QPainter& p) {
             QPen pen = Hairline(Qt::black);
             pen.setStyle(Qt::DashLine);
             p.setPen(pen);
         }},
        {"wide pen", [](QPainter& p) { p.setPen(QPen(Qt::black, 3)); }},
        {"antialiased", [](QPainter& p) { p.setRenderHint(QPainter::Antialiasing); }},
        {"scaled", [](QPainter& p) { p.scale(2, 2); }},
        {"half opaque", [](QPainter& p) { p.setOpacity(0.5); }},
        {"exclusive or", [](QPainter& p) { p.setCompositionMode(QPainter::RasterOp_SourceXorDestination); }},
        {"two-part clip",
         [](QPainter& p) { p.setClipRegion(QRegion(0, 0, 10, 10) + QRegion(50, 50, 10, 10)); }},
    };
    for (const Case& c : cases) {
        QImage other = Blank();
        QPainter painter(&other);
        painter.setPen(Hairline(Qt::black));
        c.set(painter);
        EXPECT_FALSE(DrawHairlinesDirect(painter, across)) << c.state;
        painter.end();
        EXPECT_EQ(other, Blank()) << c.state << ": nothing drawn when refused";
    }
}
