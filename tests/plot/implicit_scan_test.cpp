// Implicit curves: the grid that grows with the accuracy, crossings refined
// to a pixel along rows and found by column scans where rows miss them, dots
// shading inequalities, repaint rectangles and Escape.
#include "formulacurve_testing.h"

#include "plot/implicitfunction.h"
#include "testpictures.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

using namespace curvetesting;

namespace {

class ImplicitScan : public CurveImageTest {
protected:
    static QRect Rect() { return QRect(0, 0, Width, Height); }
    // The grid pixels of the whole window at the configured accuracy, with F there.
    struct TGridPoint {
        QPoint pixel;
        Extended f;
        bool defined;
    };
    std::vector<TGridPoint> GridValues(TEvaluator* formula)
    {
        const TImplicitGrid grid = ImplicitGridFor(TGraphParams::SamplePoints());
        const Extended dx = (XAxis().Max - XAxis().Min) / grid.Columns;
        const Extended dy = (YAxis().Max - YAxis().Min) / grid.Rows;
        std::vector<TGridPoint> points;
        for (int i = 0; i <= grid.Rows; ++i)
            for (int j = 0; j <= grid.Columns; ++j) {
                Variables.x = XAxis().Min + j * dx;
                Variables.y = YAxis().Min + i * dy;
                const Extended f = ResetAndEvaluate(formula);
                points.push_back({Pixel(Variables.x, Variables.y), f, !StatusFailed()});
            }
        ResetStatus();
        return points;
    }
    static std::set<std::pair<int, int>> DarkPixels(const QImage& picture)
    {
        std::set<std::pair<int, int>> dark;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (Dark(picture, QPoint(x, y)))
                    dark.insert({x, y});
        return dark;
    }
};

TEST_F(ImplicitScan, GridGrowsWithTheSquareRootOfTheAccuracy)
{
    struct TCase {
        int samples, columns, rows;
    };
    for (const TCase c :
         {TCase{500, 52, 164}, TCase{1000, 69, 190}, TCase{100, 29, 128}, TCase{4000, 128, 280}}) {
        const TImplicitGrid grid = ImplicitGridFor(c.samples);
        EXPECT_EQ(grid.Columns, c.columns) << c.samples;
        EXPECT_EQ(grid.Rows, c.rows) << c.samples;
    }
}

TEST_F(ImplicitScan, CurvesArePlottedOnTheirPixels)
{
    struct TCase {
        const char* lhs;
        const char* rhs;
        Extended (*f)(Extended x, Extended y);
    };
    const TCase cases[] = {
        {"x{^{2}+y{^{2}", "4", [](Extended x, Extended y) { return x * x + y * y - 4; }},
        {"x{^{3}+y{^{3}", "3xy", [](Extended x, Extended y) { return x * x * x + y * y * y - 3 * x * y; }},
        {"sin(xy)", "cos(x+y)", [](Extended x, Extended y) { return std::sin(x * y) - std::cos(x + y); }},
    };
    AngleFactor = RadiansFactor;
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.lhs) + "=" + c.rhs);
        NewImage();
        // The left-hand side minus the right, as equation entry hands it over.
        TImplicitFunction curve(Formula(std::string("(") + c.lhs + ")-(" + c.rhs + ")"), rlEqual);
        Draw(curve);
        const QImage& picture = Finished();

        // Every sign change between neighbouring grid points of a row has a
        // dot on that row between them, where F changes sign within a pixel
        // (and the rounding to a pixel).
        const TImplicitGrid grid = ImplicitGridFor(TGraphParams::SamplePoints());
        const Extended dx = (XAxis().Max - XAxis().Min) / grid.Columns;
        const Extended dy = (YAxis().Max - YAxis().Min) / grid.Rows;
        const Extended px = 1 / XAxis().Scale;
        int crossings = 0;
        for (int i = 1; i < grid.Rows; ++i) {
            const Extended y = YAxis().Min + i * dy;
            for (int j = 1; j <= grid.Columns; ++j) {
                const Extended xa = XAxis().Min + (j - 1) * dx, xb = xa + dx;
                if ((c.f(xa, y) > 0) == (c.f(xb, y) > 0))
                    continue;
                ++crossings;
                const int row = Pixel(0, y).y();
                bool dot = false;
                for (int column = Pixel(xa, 0).x(); column <= Pixel(xb, 0).x() && !dot; ++column) {
                    if (!Dark(picture, QPoint(column, row)))
                        continue;
                    const Extended x = XAxis().PixelToValue(column);
                    dot = (c.f(x - 1.5L * px, y) > 0) != (c.f(x + 1.5L * px, y) > 0);
                }
                EXPECT_TRUE(dot) << "row " << i << " column " << j;
            }
        }
        EXPECT_GT(crossings, 100);
        // No ink away from the curve: within 2 pixels of every dark pixel F changes sign.
        for (const auto& [column, row] : DarkPixels(picture)) {
            const TRealPoint p = params->Axes->PixelToValue(QPoint(column, row));
            bool positive = false, negative = false;
            for (int ix = -2; ix <= 2; ++ix)
                for (int iy = -2; iy <= 2; ++iy) {
                    const Extended f = c.f(p.x + ix * px, p.y + iy * px);
                    positive = positive || f >= 0;
                    negative = negative || f <= 0;
                }
            ASSERT_TRUE(positive && negative) << column << "," << row;
        }
        EXPECT_TRUE(status.messages.empty());
    }
}

TEST_F(ImplicitScan, NothingIsDrawnWhereFJumpsOverAPoleOrAStep)
{
    struct TCase {
        const char* markup;
        Extended xMin, xMax, yMin, yMax;
        Extended (*f)(Extended x, Extended y);
    };
    const TCase cases[] = {
        // tan(xy) = 1 jumps along xy = π/2 + kπ
        {"tan(xy)-1", 0, 4, 0, 3, [](Extended x, Extended y) { return std::tan(x * y) - 1; }},
        // 1/(x² − y) + y = 0 jumps along the parabola y = x²
        {"{/{1}{x{^{2}-y}+y", -3, 3, -2, 6, [](Extended x, Extended y) { return 1 / (x * x - y) + y; }},
        // y = x + 3 int(x) steps down by 3 at every whole x
        {"y-x-3int(x)", -3, 3, -9, 9, [](Extended x, Extended y) { return y - x - 3 * std::floor(x); }},
    };
    AngleFactor = RadiansFactor;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.markup);
        ASSERT_TRUE(params->SetScales(std::make_unique<TRescaleDataTransfer>(c.xMin, c.xMax, c.yMin, c.yMax),
                                      host.get()));
        NewImage();
        TImplicitFunction curve(Formula(c.markup), rlEqual);
        Draw(curve);
        const QImage& picture = Finished();
        KeepForInspection(picture, QString("implicit_pole_%1.png").arg(&c - cases));
        EXPECT_GT(DarkCount(picture), 40);
        // Every dot lies within 2 pixels of where F is small: by a jump F
        // changes sign too, but it is large on both sides.
        const Extended px = 1 / XAxis().Scale, py = 1 / YAxis().Scale;
        int stray = 0;
        for (const auto& [column, row] : DarkPixels(picture)) {
            const TRealPoint p = params->Axes->PixelToValue(QPoint(column, row));
            Extended nearest = INFINITY;
            for (int ix = -2; ix <= 2; ++ix)
                for (int iy = -2; iy <= 2; ++iy)
                    nearest = std::min(nearest, std::fabs(c.f(p.x + ix * px, p.y + iy * py)));
            if (!(nearest < 0.5L))
                ++stray;
        }
        EXPECT_EQ(stray, 0);
    }
}

TEST_F(ImplicitScan, RowCrossingsAreRefinedToAPixelAndFlatPartsFoundByColumns)
{
    // x² + xy + y² = 3 at Accuracy 5: its top (-1, 2) and bottom (1, -2) run
    // along the rows, which only the column scans find.
    Configuration.Accuracy = 5;
    TImplicitFunction ellipse(Formula("x{^{2}+xy+y{^{2}-3"), rlEqual);
    Draw(ellipse);
    const QImage& picture = Finished();
    const TImplicitGrid grid = ImplicitGridFor(500);
    EXPECT_EQ(grid.Columns, 52);
    EXPECT_EQ(grid.Rows, 164);
    const Extended dx = (XAxis().Max - XAxis().Min) / grid.Columns;
    int columnPoints = 0;
    for (int j = 0; j <= grid.Columns; ++j) {
        const Extended x = XAxis().Min + j * dx;
        const Extended root = std::sqrt(std::max<Extended>(12 - 3 * x * x, 0));
        // Near the top and bottom, where the ellipse runs along between two rows.
        if (std::fabs(x + 1) < 0.4L) {
            ++columnPoints;
            EXPECT_TRUE(DarkNear(picture, Pixel(x, (-x + root) / 2), 1)) << "top, column " << j;
        }
        if (std::fabs(x - 1) < 0.4L) {
            EXPECT_TRUE(DarkNear(picture, Pixel(x, (-x - root) / 2), 1)) << "bottom, column " << j;
        }
    }
    EXPECT_GE(columnPoints, 2);
    // On every row of the grid the crossings lie within a pixel of the exact ones.
    const Extended dy = (YAxis().Max - YAxis().Min) / grid.Rows;
    int rows = 0;
    for (int i = 0; i <= grid.Rows; ++i) {
        const Extended y = YAxis().Min + i * dy;
        const Extended discriminant = 12 - 3 * y * y; // x = (-y ± √(12 − 3y²)) / 2
        if (discriminant < 0.5L)
            continue;
        ++rows;
        for (const int sign : {-1, 1}) {
            const Extended x = (-y + sign * std::sqrt(discriminant)) / 2;
            EXPECT_TRUE(DarkNear(picture, Pixel(x, y), 1)) << "row " << i << " sign " << sign;
        }
    }
    EXPECT_GT(rows, 50);
}

TEST_F(ImplicitScan, BranchesBetweenRowsGetAPointInEveryColumnTheyCross)
{
    // A horizontal branch crossed by a vertical one: every row crosses the
    // vertical one, so only a search of the columns between every two rows
    // finds the horizontal one. A shallow branch (xy = 1 for large x) lies
    // between two rows across many columns.
    struct TCase {
        const char* markup;
        Extended (*y)(Extended x); // the branch followed
        Extended from, to;         // over these x
    };
    const TCase cases[] = {
        {"x(y+3)", [](Extended) { return -3.0L; }, 0.5L, 7.5L},
        {"x(y+3)", [](Extended) { return -3.0L; }, -7.5L, -0.5L},
        {"(x+1)(y-2)", [](Extended) { return 2.0L; }, -7.5L, -1.5L},
        {"(x+1)(y-2)", [](Extended) { return 2.0L; }, -0.5L, 7.5L},
        {"xy-1", [](Extended x) { return 1 / x; }, 3, 7.5L},
        {"xy-1", [](Extended x) { return 1 / x; }, -7.5L, -3},
    };
    const TImplicitGrid grid = ImplicitGridFor(TGraphParams::SamplePoints());
    const Extended dx = (XAxis().Max - XAxis().Min) / grid.Columns;
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.markup) + " from " + std::to_string(static_cast<double>(c.from)));
        NewImage();
        TImplicitFunction curve(Formula(c.markup), rlEqual);
        Draw(curve);
        const QImage& picture = Finished();
        int columns = 0;
        for (int j = 0; j <= grid.Columns; ++j) {
            const Extended x = XAxis().Min + j * dx;
            if (x < c.from || x > c.to)
                continue;
            ++columns;
            EXPECT_TRUE(DarkNear(picture, Pixel(x, c.y(x)), 1)) << "column " << j;
        }
        EXPECT_GT(columns, 10);
    }
}

TEST_F(ImplicitScan, InequalitiesPutADotAtEveryShadedGridPoint)
{
    struct TCase {
        int relation;
        bool shadeCorrectSide;
        bool dotsWhereNegative;
        bool boundary;
    };
    const TCase cases[] = {
        {rlGreater, false, true, false},
        {rlGreater, true, false, false},
        {rlLess, true, true, false},
        {rlGreaterEqual, false, true, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(1, RelationChar(c.relation)) +
                     (c.shadeCorrectSide ? " correct side" : " other side"));
        Configuration.ShadeSide = c.shadeCorrectSide;
        NewImage();
        TImplicitFunction disc(Formula("x{^{2}+y{^{2}-4"), c.relation);
        Draw(disc);
        const auto dark = DarkPixels(Finished());
        std::set<std::pair<int, int>> expected;
        for (const TGridPoint& g : GridValues(disc.Formula.get()))
            if (g.defined && (c.dotsWhereNegative ? g.f < 0 : g.f > 0) && Rect().contains(g.pixel))
                expected.insert({g.pixel.x(), g.pixel.y()});
        EXPECT_GT(expected.size(), 100u);
        if (c.boundary) {
            // The dots and, besides them, the boundary.
            for (const auto& p : expected)
                ASSERT_TRUE(dark.count(p)) << p.first << "," << p.second;
            EXPECT_GT(dark.size(), expected.size() + 100);
        } else {
            EXPECT_EQ(dark, expected);
        }
    }
}

TEST_F(ImplicitScan, ExactZerosArePlottedAndUndefinedFormulasDrawNothing)
{
    // F = (x − x₀)² + (y − y₀)² is zero at one grid point only, positive around it.
    const TImplicitGrid grid = ImplicitGridFor(TGraphParams::SamplePoints());
    const Extended dx = (XAxis().Max - XAxis().Min) / grid.Columns;
    const Extended dy = (YAxis().Max - YAxis().Min) / grid.Rows;
    const Extended x0 = XAxis().Min + 40 * dx;
    const Extended y0 = YAxis().Min + 100 * dy;
    auto zero = std::make_unique<TImplicitFunction>(
        std::make_unique<TOperationEvaluator>(
            TOperation::Add,
            std::make_unique<TOperationEvaluator>(
                TOperation::Power,
                std::make_unique<TOperationEvaluator>(TOperation::Subtract, MakeVariable(vcX), Number(x0)),
                Number(2)),
            std::make_unique<TOperationEvaluator>(
                TOperation::Power,
                std::make_unique<TOperationEvaluator>(TOperation::Subtract, MakeVariable(vcY), Number(y0)),
                Number(2))),
        rlEqual);
    Draw(*zero);
    const auto dark = DarkPixels(Finished());
    const QPoint at = Pixel(x0, y0);
    EXPECT_EQ(dark, (std::set<std::pair<int, int>>{{at.x(), at.y()}}));

    // Defined nowhere in the window: no ink and no message.
    NewImage();
    TImplicitFunction nowhere(Formula("{sqrt{-1-x{^{2}-y{^{2}}-y"), rlLessEqual);
    Draw(nowhere);
    EXPECT_EQ(DarkCount(Finished()), 0);
    EXPECT_TRUE(status.messages.empty());
}

TEST_F(ImplicitScan, RepaintRectanglesScanOnlyTheRowsAndColumnsOverThem)
{
    TImplicitFunction circle(Formula("x{^{2}+y{^{2}-4"), rlEqual);
    const QRect strip(Pixel(1, 0).x(), 0, 80, Height);
    params->PaintRect = &strip;
    Draw(circle);
    params->PaintRect = nullptr;
    const QImage& picture = Finished();
    // Inside the strip the circle is drawn; far outside it nothing is.
    EXPECT_TRUE(DarkNear(picture, Pixel(1.5L, std::sqrt(4 - 2.25L)), 1));
    EXPECT_TRUE(DarkNear(picture, Pixel(1.5L, -std::sqrt(4 - 2.25L)), 1));
    EXPECT_FALSE(DarkNear(picture, Pixel(-2, 0), 3));
    EXPECT_FALSE(DarkNear(picture, Pixel(0, 2), 3));
}

TEST_F(ImplicitScan, EscapeAbandonsTheScanAndFamiliesRepeatIt)
{
    TEscapeAt escape(50);
    InstallDrawingInterrupt(&escape);
    TImplicitFunction circle(Formula("x{^{2}+y{^{2}-4"), rlEqual);
    Draw(circle);
    InstallDrawingInterrupt(nullptr);
    EXPECT_FALSE(DrawingCompleted);
    EXPECT_EQ(escape.polls, 50);
    EXPECT_EQ(DarkCount(Finished()), 0); // the first rows lie below the circle
    DrawingCompleted = true;

    auto k = MakeConstantLine("k", std::make_unique<TRealReader>(1));
    declared.push_back(k.get());
    k->SetFamily(3, std::make_unique<TRealReader>(1));
    NewImage();
    TImplicitFunction circles(Formula("x{^{2}+y{^{2}-k{^{2}"), rlEqual);
    Draw(circles);
    const QImage& picture = Finished();
    for (const Extended radius : {1.0L, 2.0L, 3.0L})
        EXPECT_TRUE(DarkNear(picture, Pixel(radius * std::cos(0.3L), radius * std::sin(0.3L)), 2))
            << static_cast<double>(radius);
    EXPECT_FALSE(DarkNear(picture, Pixel(2.5L * std::cos(0.3L), 2.5L * std::sin(0.3L)), 2));
}

} // namespace
