// Lines of best fit under a data set: the text each kind shows after its
// heading, the curve it draws, what happens when it cannot fit, and that it
// follows the data.
#include "geometry/bestfit.h"
#include "geometry/coordrows.h"
#include "geometry/geometrytesting.h"
#include "geometry/straightline.h"
#include "plot/formulacurve.h"

#include <cmath>

namespace {

class BestFit : public GeometryFixture {
protected:
    static std::unique_ptr<TCoordCurve> Data(const std::vector<TRealPoint>& points)
    {
        auto set = std::make_unique<TDataPoints>();
        for (const TRealPoint& p : points)
            set->Points.Add(std::make_unique<TCoordinates>(p.x, p.y));
        set->RowsChanged();
        return set;
    }
    // Draws the line and answers whether it is hit at the graph point (x, y).
    bool HitAt(TBestFit& fit, Extended x, Extended y)
    {
        QImage picture(Width, Height, QImage::Format_RGB32);
        {
            Canvas canvas(&picture);
            fit.DrawOnGraph(canvas, *params);
        }
        return fit.IsNearPoint(params->Axes->ValueToPixel(x, y), *params);
    }
};

const Extended E = std::exp(1.0L);

TEST_F(BestFit, EachKindShowsItsFit)
{
    struct Case {
        int heading;
        std::vector<TRealPoint> points;
        const char* text;
    };
    const Case cases[] = {
        {dnBestFitStraight, {{1, 2}, {2, 4}, {3, 6}}, ":    Very strong positive correlation"},
        {dnBestFitStraight, {{1, 6}, {2, 4}, {3, 3}, {4, 3.5L}}, ":    Strong negative correlation"},
        {dnBestFitYOnX, {{1, 2}, {2, 4}, {3, 6}}, ":  y=2x    r=1"},
        {dnBestFitXOnY, {{1, 2}, {2, 4}, {3, 6}}, ":  x=0.5y    r=1"},
        {dnBestFitExponential, {{0, 3}, {1, 2 * E + 1}, {2, 2 * E * E + 1}}, ":  y=2e{^{x}+1:  r=1"},
        // A small coefficient keeps its term.
        {dnBestFitExponential,
         {{0, 1.004L}, {1, 0.004L * E + 1}, {3, 0.004L * E * E * E + 1}},
         ":  y=0.004e{^{x}+1:  r=1"},
        {dnBestFitLn, {{1, 2}, {E, 5}, {-E * E, 8}}, ":  y=3ln x+2:  r=1"},
        {dnBestFitQuadratic, {{-1, 2}, {0, 1}, {1, 2}, {2, 5}}, ":  y=x{^{2}+1:  r=1"},
        // The vertex lies far outside the graph's window.
        {dnBestFitQuadratic, {{99, 1}, {100, 0}, {101, 1}, {102, 4}}, ":  y=x{^{2}-200x+10000:  r=1"},
        {dnBestFitQuadratic, {{0, 1}, {1, 3}, {2, 5}}, ":  y=2x+1:  r=1"},
        {dnPolynomial, {{0, 1}, {1, 2}, {2, 5}}, ":  y=x{^{2}+1"},
        // Terms that come out as rounding noise of the solution are dropped.
        {dnPolynomial, {{1, 2}, {2, 4}, {3, 6}}, ":  y=2x"},
        {dnPolynomial, {{0.1L, 0.3L}, {0.2L, 0.6L}, {0.3L, 0.9L}, {0.7L, 2.1L}}, ":  y=3x"},
        {dnBestFitYOnX, {{0.1L, 0.3L}, {0.2L, 0.6L}, {0.3L, 0.9L}}, ":  y=3x    r=1"},
        {dnBestFitQuadratic, {{0.1L, 0.31L}, {0.2L, 0.64L}, {0.3L, 0.99L}}, ":  y=x{^{2}+3x:  r=1"},
        // The same point twice counts once.
        {dnPolynomial, {{0, 1}, {1, 2}, {1, 2}, {2, 5}}, ":  y=x{^{2}+1"},
        // Two figures miss the third point: the fit takes one more.
        {dnPolynomial, {{10, 1}, {11, 2}, {12, 3.246L}}, ":  y=0.123x{^{2}-1.583x+4.53"},
        {dnPolynomial, {{0, 1}, {1e-9L, 2}}, "    Two x values are the same"},
        {dnPolynomial,
         {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1}, {10, 1}, {11, 1}},
         "    Too many points!"},
    };
    for (const Case& c : cases) {
        auto set = Data(c.points);
        auto fit = MakeBestFit(c.heading, set.get());
        ASSERT_TRUE(fit);
        EXPECT_EQ(fit->InfoText(), c.text) << c.heading;
    }
}

TEST_F(BestFit, StraightFitsDrawTheirLine)
{
    struct Case {
        int heading;
        std::vector<TRealPoint> points;
        TRealPoint on, off;
    };
    const Case cases[] = {
        {dnBestFitStraight, {{1, 2}, {2, 4}, {3, 6}}, {-2, -4}, {-2, 4}},
        {dnBestFitYOnX, {{0, 1}, {1, 2}, {2, 4}}, {4, 1.5L * 4 + 5.0L / 6}, {4, 0}},
        {dnBestFitXOnY, {{0, 1}, {1, 2}, {2, 4}}, {3, 3.5L * 14 / 9}, {3, -3}},
        // A column of points is fitted by the column, not by a level line across it.
        {dnBestFitStraight, {{2, 1}, {2, 3}, {2, 8}}, {2, -5}, {-3, 4}},
        {dnBestFitExponential,
         {{0, 3}, {1, 2 * E + 1}, {2, 2 * E * E + 1}},
         {0.5L, 2 * std::sqrt(E) + 1},
         {0.5L, 0}},
        {dnBestFitQuadratic, {{-1, 2}, {0, 1}, {1, 2}, {2, 5}}, {-2, 5}, {-2, 0}},
    };
    for (const Case& c : cases) {
        auto set = Data(c.points);
        auto fit = MakeBestFit(c.heading, set.get());
        SCOPED_TRACE(c.heading);
        EXPECT_FALSE(fit->Failed);
        EXPECT_TRUE(HitAt(*fit, c.on.x, c.on.y));
        EXPECT_FALSE(HitAt(*fit, c.off.x, c.off.y));
    }
}

TEST_F(BestFit, FailedFitDrawsNothingAndIsNotHit)
{
    // No usable point: none at all, x = 0 for ln, beyond eˣ's reach.
    struct Case {
        int heading;
        std::vector<TRealPoint> points;
    };
    const Case cases[] = {
        {dnBestFitStraight, {}},
        {dnBestFitYOnX, {}},
        {dnBestFitXOnY, {}},
        {dnBestFitQuadratic, {}},
        {dnPolynomial, {}},
        {dnBestFitLn, {{0, 1}, {0, 3}}},
        {dnBestFitExponential, {{81, 1}, {90, 2}}},
    };
    for (const Case& c : cases) {
        auto set = Data(c.points);
        auto fit = MakeBestFit(c.heading, set.get());
        SCOPED_TRACE(c.heading);
        EXPECT_TRUE(fit->Failed);
        EXPECT_FALSE(fit->Fitted);
        EXPECT_EQ(fit->InfoText(), NotEnoughPointsText);
        EXPECT_FALSE(HitAt(*fit, 0, 0));
        EXPECT_EQ(fit->PropertyFlags(), 2u);
    }
}

TEST_F(BestFit, FailingPointsAreLeftOutOfTheFit)
{
    auto set = Data({{0, 3}, {1, 2 * E + 1}, {2, 2 * E * E + 1}, {120, 5}});
    auto exponential = MakeBestFit(dnBestFitExponential, set.get());
    EXPECT_EQ(exponential->InfoText(), ":  y=2e{^{x}+1:  r=1");

    auto logSet = Data({{1, 2}, {E, 5}, {0, 100}, {E * E, 8}});
    auto log = MakeBestFit(dnBestFitLn, logSet.get());
    EXPECT_EQ(log->InfoText(), ":  y=3ln x+2:  r=1");
}

TEST_F(BestFit, FollowsTheData)
{
    auto set = Data({{1, 2}, {2, 4}});
    auto fit = MakeBestFit(dnBestFitYOnX, set.get());
    EXPECT_EQ(fit->InfoText(), ":  y=2x    r=1");
    set->AddPoint(3, 9);
    fit->Recalculate();
    EXPECT_EQ(fit->InfoText(), ":  y=3.5x-2    r=0.9707253434");
    // A whole-list drag moves the points through the drag matrices only.
    set->StartWholeDrag();
    TDragMatrices moved;
    moved.SetTranslation(0, 1);
    set->ApplyDragMatrices(nullptr, moved);
    QImage picture(Width, Height, QImage::Format_RGB32);
    Canvas canvas(&picture);
    fit->DrawOnGraph(canvas, *params);
    EXPECT_EQ(fit->InfoText(), ":  y=3.5x-1    r=0.9707253434");
}

TEST_F(BestFit, LinesShowTheirHeadingAsPlainText)
{
    auto set = Data({{0, 1}, {1, 2}, {2, 5}});
    auto fit = MakeBestFit(dnPolynomial, set.get());
    EXPECT_EQ(PlainLineText(fit->Elements()), "Polynomial:  y=x^2+1");
    auto exponential = Data({{0, 3}, {1, 2 * E + 1}, {2, 2 * E * E + 1}});
    EXPECT_EQ(PlainLineText(MakeBestFit(dnBestFitExponential, exponential.get())->Elements()),
              "Best fit exponential:  y=2e^x+1:  r=1");
    auto log = Data({{1, 2}, {E, 5}, {E * E, 8}});
    EXPECT_EQ(PlainLineText(MakeBestFit(dnBestFitLn, log.get())->Elements()),
              "Best fit ln:  y=3ln x+2:  r=1");
}

TEST_F(BestFit, LeastSquaresQuadratic)
{
    struct Case {
        std::vector<TRealPoint> points;
        bool curved;
        Extended a, b, c;
    };
    const Case cases[] = {
        {{{-1, 2}, {0, 1}, {1, 2}, {2, 5}}, true, 1, 0, 1},
        // Not on a parabola: the normal equations by hand give
        // a = 0.75, b = -1.35, c = 2.15 (residuals -0.15, 0.45, -0.45, 0.15).
        {{{0, 2}, {1, 2}, {2, 2}, {3, 5}}, true, 0.75L, -1.35L, 2.15L},
        {{{1e6L, 0}, {1e6L + 1, 1}, {1e6L + 2, 4}}, true, 1, -2e6L, 1e12L},
        {{{0, 1}, {1, 3}, {2, 5}}, false, 0, 2, 1},
        {{{3, 1}, {3, 5}}, false, 0, 0, 3},
    };
    for (const Case& c : cases) {
        Extended a = -7, b = -7, k = -7;
        EXPECT_EQ(LeastSquaresQuadratic(c.points, a, b, k), c.curved);
        EXPECT_NEAR(double(a), double(c.a), 1e-6);
        EXPECT_NEAR(double(b), double(c.b), 1e-6 * std::max(1.0, std::fabs(double(c.b))));
        EXPECT_NEAR(double(k), double(c.c), 1e-6 * std::max(1.0, std::fabs(double(c.c))));
    }
}

} // namespace
