// Inequality shading: the side shaded for each kind and setting, the bands
// where a curve runs off the window, closed shapes, the light tint and its
// replay from the drawing cache.
#include "plot_testcurve.h"

#include <cmath>

namespace {

// A circle of radius 3 about the origin, shaded inside.
class TCircle : public TCurvePLotter {
public:
    void InitContext(TXY& context) override { context.ShadeKind = 5; }
    void CalculatePoint(TXY& context) override
    {
        const Extended a = 2 * Pi * context.Parameter;
        context.X = 3 * std::cos(a);
        context.Y = 3 * std::sin(a);
    }
};

struct TGraphPoint {
    Extended x, y;
};

bool Tinted(const QImage& image, QPoint p, QRgb expected)
{
    const QRgb pixel = image.pixel(p);
    return std::abs(qRed(pixel) - qRed(expected)) <= 1 && std::abs(qGreen(pixel) - qGreen(expected)) <= 1 &&
           std::abs(qBlue(pixel) - qBlue(expected)) <= 1;
}

using Shading = PlotFixture;

} // namespace

TEST_F(Shading, ShadesTheSideEachKindAndSettingAsks)
{
    struct Case {
        const char* name;
        bool swapped; // x = f(y) instead of y = f(x)
        std::uint8_t kind;
        bool shadeSide;
        std::vector<TGraphPoint> tinted;
        std::vector<TGraphPoint> clear;
    };
    const Case cases[] = {
        {"y > x^2", false, 3, true, {{0, 3}, {1, 4.5L}}, {{2, 1}, {0, -3}}},
        {"y < x^2", false, 4, true, {{2, 1}, {0, -3}}, {{0, 3}}},
        {"y > x^2, other side", false, 3, false, {{2, 1}, {0, -3}, {3, 4.5L}, {-3, -4.5L}}, {{0, 3}}},
        {"x > y^2", true, 2, true, {{4, 0}, {6, 2}}, {{-2, 0}, {1, 3}}},
        {"x < y^2", true, 1, true, {{-2, 0}, {1, 3}}, {{4, 0}}},
    };
    const QRgb tint = qRgb(235, 235, 235); // black at alpha 20 over white
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Configuration.ShadeSide = c.shadeSide;
        NewImage();
        TTestCurve curve([](Extended t) { return t * t; }, c.swapped);
        curve.shadeKind = c.kind;
        curve.drawLine = false;
        Draw(curve);
        const QImage& picture = Finished();
        for (const TGraphPoint& p : c.tinted)
            EXPECT_TRUE(Tinted(picture, Pixel(p.x, p.y), tint))
                << "not shaded at " << double(p.x) << ", " << double(p.y);
        for (const TGraphPoint& p : c.clear)
            EXPECT_EQ(picture.pixel(Pixel(p.x, p.y)), qRgb(255, 255, 255))
                << "shaded at " << double(p.x) << ", " << double(p.y);
        // A strict inequality draws no boundary line.
        const QRgb onCurve = picture.pixel(Pixel(1, 1));
        EXPECT_GT(qGray(onCurve), 200);
    }
}

TEST_F(Shading, BandsWhereTheCurveLeavesTheFarSideAreStoredAndReplayed)
{
    Configuration.ShadeSide = false;
    TTestCurve curve([](Extended x) { return x * x; });
    curve.shadeKind = 3;
    curve.colour = RgbColour(255, 0, 0);
    Draw(curve);
    const QImage first = Finished().copy();

    int bands = 0;
    for (const TStoredPiece* piece : *curve.LineStore())
        if (const auto* band = dynamic_cast<const TShadingRect*>(piece)) {
            ++bands;
            EXPECT_EQ(band->Rect().top(), 0);
            EXPECT_EQ(band->Rect().bottom(), Height);
        }
    EXPECT_EQ(bands, 2); // left and right of the window, where x^2 is above the top

    // The colour tints lightly: red at alpha 20 over white.
    EXPECT_TRUE(Tinted(first, Pixel(0, -3), qRgb(255, 235, 235)));
    EXPECT_TRUE(Tinted(first, Pixel(-6, 4.5L), qRgb(255, 235, 235)));

    NewImage();
    curve.ForgetSamples();
    Draw(curve);
    EXPECT_EQ(curve.evaluations, 0);
    EXPECT_EQ(Finished(), first);

    // Replayed again, the shading image kept from the last replay gives the
    // same picture; in another colour the drawing is shaded afresh.
    NewImage();
    Draw(curve);
    EXPECT_EQ(Finished(), first);
    curve.colour = RgbColour(0, 0, 255);
    NewImage();
    Draw(curve);
    EXPECT_EQ(curve.evaluations, 0);
    EXPECT_TRUE(Tinted(Finished(), Pixel(0, -3), qRgb(235, 235, 255)));
}

TEST_F(Shading, ClosedShapesShadeInside)
{
    TCircle circle;
    Draw(circle);
    const QImage& picture = Finished();
    EXPECT_TRUE(Tinted(picture, Pixel(0, 0), qRgb(235, 235, 235)));
    EXPECT_TRUE(Tinted(picture, Pixel(1.5L, -1), qRgb(235, 235, 235)));
    EXPECT_EQ(picture.pixel(Pixel(4, 0)), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(Pixel(2.5L, 2.5L)), qRgb(255, 255, 255));
    EXPECT_LT(qGray(picture.pixel(Pixel(0, 3))), 128);
}
