// Matrices and vector lines: the arithmetic the images of curves rest on,
// the text a matrix writes, the reading of a typed matrix element, and the
// straight line in normal form with its distance and intersection.
#include "expr/matrix.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "settings/mathswriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr Extended Tolerance = 1e-12L;
const Extended Root2 = std::sqrt(2.0L);

TEST(RealMatrix, NewMatricesAreIdentityWhenSquareElseZero)
{
    struct Case {
        int rows, columns;
    };
    for (const Case c : {Case{1, 1}, Case{2, 2}, Case{3, 3}, Case{2, 3}, Case{2, 1}}) {
        const TRealMatrix m(c.rows, c.columns);
        for (int i = 1; i <= c.rows; ++i)
            for (int j = 1; j <= c.columns; ++j)
                EXPECT_EQ(m.Element(i, j), (c.rows == c.columns && i == j) ? 1 : 0)
                    << c.rows << "x" << c.columns << " at " << i << "," << j;
    }
}

TEST(RealMatrix, ProductShapesAndValues)
{
    const TRealMatrix a(1, 2, 3, 4);
    const TRealMatrix v = TRealMatrix::Column(5, 6);
    auto av = a.Multiply(v);
    ASSERT_TRUE(av);
    EXPECT_EQ(av->Rows(), 2);
    EXPECT_EQ(av->Columns(), 1);
    EXPECT_EQ(av->Element(1, 1), 17); // 1·5 + 2·6
    EXPECT_EQ(av->Element(2, 1), 39); // 3·5 + 4·6
    EXPECT_FALSE(v.Multiply(a)) << "a 2x1 vector times a 2x2 matrix has no product";

    auto aa = a.Multiply(TRealMatrix(0, 1, 1, 0));
    ASSERT_TRUE(aa);
    EXPECT_EQ(*aa, TRealMatrix(2, 1, 4, 3));
}

TEST(RealMatrix, AddOnlyWhenShapesAgree)
{
    TRealMatrix a(1, 2, 3, 4);
    a.Add(TRealMatrix::Column(1, 1));
    EXPECT_EQ(a, TRealMatrix(1, 2, 3, 4));
    a.Add(TRealMatrix(10, 20, 30, 40));
    EXPECT_EQ(a, TRealMatrix(11, 22, 33, 44));
}

TEST(RealMatrix, DeterminantAndInverse)
{
    struct Case {
        TRealMatrix m;
        Extended det;
        bool invertible;
    };
    const Case cases[] = {
        {TRealMatrix(1, 2, 3, 4), -2, true},
        {TRealMatrix(2, 0, 0, 3), 6, true},
        {TRealMatrix(1, 2, 2, 4), 0, false},
        {TRealMatrix(3, 3), 0, false},
        {TRealMatrix::Column(4, 5), 0, false},
        {TRealMatrix(1e3000L, 1, 1, 1e3000L), 0, false}, // overflow counts as 0
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.m.Determinant(), c.det);
        auto inverse = c.m.Inverse();
        EXPECT_EQ(inverse != nullptr, c.invertible);
    }
    auto inverse = TRealMatrix(1, 2, 3, 4).Inverse();
    ASSERT_TRUE(inverse);
    EXPECT_EQ(*inverse, TRealMatrix(-2, 1, 1.5L, -0.5L));
}

TEST(RealMatrix, WritesItsLine)
{
    TMathsWriter writer;
    TRealMatrix(1, 2, 3, 4).WriteTo(writer);
    EXPECT_EQ(writer.TakeText(), "{fix \x02\x01{Matrix}{{Mtrx \x02\x02{1}{2}{3}{4}}");
    TRealMatrix::Column(0.5L, -2).WriteTo(writer);
    EXPECT_EQ(writer.TakeText(), "{fix \x02\x01{Translation}{{Mtrx \x02\x01{0.5}{-2}}");
    TRealMatrix::Column(1.0L / 3, 0).WriteTo(writer);
    EXPECT_EQ(writer.TakeText(), "{fix \x02\x01{Translation}{{Mtrx \x02\x01{0.33333333}{0}}");
}

// ---- reading a matrix element ----

struct TRead {
    TElementList elements;
    TParseParams params;
    TEvaluatorPtr tree;
};

std::unique_ptr<TRead> Read(const std::string& markup)
{
    auto read = std::make_unique<TRead>();
    read->elements = ElementsFromText(markup);
    StartParse(read->params, read->elements.get(), 0, nullptr, false, EndOrTabTerminators());
    read->tree = ParseExpression(read->params);
    return read;
}

TEST(MatrixElement, CellsBecomeTreesOfTheGrid)
{
    auto read = Read("{Mtrx \x02\x02{1}{2+3}{-1}{4}");
    ASSERT_FALSE(HasError(read->params)) << read->params.error.message;
    auto* matrix = dynamic_cast<TMatrixEvaluator*>(read->tree.get());
    ASSERT_TRUE(matrix);
    ASSERT_EQ(matrix->Matrix().Rows(), 2);
    ASSERT_EQ(matrix->Matrix().Columns(), 2);
    const Extended expected[] = {1, 5, -1};
    for (int k = 0; k < 3; ++k) {
        TEvaluator* cell = matrix->Matrix().Get(k / 2 + 1, k % 2 + 1);
        ASSERT_TRUE(cell);
        EXPECT_EQ(ResetAndEvaluate(cell), expected[k]);
    }
}

TEST(MatrixElement, ErrorsStopAtTheCell)
{
    struct Case {
        const char* markup;
        const char* message;
        int filledCells;
    };
    const Case cases[] = {
        {"{Mtrx \x02\x02{1}{}{3}{4}", ParseMessage::EmptyCell, 1},
        {"{Mtrx \x02\x01{x}{2}", ParseMessage::BadVariable, 0},
        {"{Mtrx \x02\x02{1}{2}{3}{(}", ParseMessage::RightBracket, 3},
    };
    for (const Case& c : cases) {
        auto read = Read(c.markup);
        ASSERT_TRUE(HasError(read->params)) << c.markup;
        EXPECT_STREQ(read->params.error.message, c.message) << c.markup;
        EXPECT_NE(read->params.error.element, nullptr);
        auto* matrix = dynamic_cast<TMatrixEvaluator*>(read->tree.get());
        ASSERT_TRUE(matrix) << "the grid is given even after an error";
        int filled = 0;
        for (int i = 1; i <= matrix->Matrix().Rows(); ++i)
            for (int j = 1; j <= matrix->Matrix().Columns(); ++j)
                filled += matrix->Matrix().Get(i, j) != nullptr;
        EXPECT_EQ(filled, c.filledCells) << c.markup;
    }
}

TEST(MatrixElement, GridWritesBackAsTyped)
{
    auto read = Read("{Mtrx \x02\x02{1}{2}{3}{4}");
    ASSERT_FALSE(HasError(read->params));
    TMathsWriter writer;
    auto* matrix = dynamic_cast<TMatrixEvaluator*>(read->tree.get());
    ASSERT_TRUE(matrix);
    matrix->Matrix().WriteTo(writer);
    EXPECT_EQ(writer.TakeText(), "{fix \x02\x01{Matrix}{{Mtrx \x02\x02{1}{2}{3}{4}}");
}

// ---- vector lines ----

TEST(VectorLine, NormalFormOfLines)
{
    struct Case {
        const char* what;
        TVectorLine line;
        Extended normalX, normalY, offset;
    };
    const Extended h = 1 / Root2;
    const Case cases[] = {
        {"through (0,0) and (1,1)", TVectorLine::CreateThroughPoints(0, 0, 1, 1), -h, h, 0},
        {"through (0,0) and (1,-1)", TVectorLine::CreateThroughPoints(0, 0, 1, -1), h, h, 0},
        {"bisector of (0,0) and (2,0)", TVectorLine::CreateBisector({0, 0}, {2, 0}), -1, 0, 1},
        {"zero normal", TVectorLine::CreateFromNormal(0, 0, 3), 1, 0, 3},
        // The offset is scaled and turned with the normal: 2x − 2 = 0 is x = 1.
        {"(2, 0, -2)", TVectorLine::CreateFromNormal(2, 0, -2), 1, 0, -1},
        {"(0, -2, 4) is y = 2", TVectorLine::CreateFromNormal(0, -2, 4), 0, 1, -2},
        {"(3, 4, 10)", TVectorLine::CreateFromNormal(3, 4, 10), 0.6L, 0.8L, 2},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.line.NormalX(), c.normalX, Tolerance) << c.what;
        EXPECT_NEAR(c.line.NormalY(), c.normalY, Tolerance) << c.what;
        EXPECT_NEAR(c.line.Offset(), c.offset, Tolerance) << c.what;
    }
}

TEST(VectorLine, FromNormalKeepsTheLineWhereItIs)
{
    // Points on the line nx·x + ny·y + d = 0 stay at distance 0.
    struct Case {
        Extended nx, ny, d, x, y;
    };
    const Case cases[] = {{2, 0, -2, 1, 5}, {0, -2, 4, 7, 2}, {-1, -1, 2, 1, 1}, {3, 4, 10, -2, -1}};
    for (const Case& c : cases)
        EXPECT_NEAR(TVectorLine::CreateFromNormal(c.nx, c.ny, c.d).Distance(c.x, c.y), 0, Tolerance)
            << c.nx << "," << c.ny << "," << c.d;
}

TEST(VectorLine, DistanceAngleAndAlongLine)
{
    const TVectorLine diagonal = TVectorLine::CreateThroughPoints(0, 0, 1, 1);
    EXPECT_NEAR(diagonal.Distance(1, 0), -1 / Root2, Tolerance);
    EXPECT_NEAR(diagonal.Angle(), Pi / 4, Tolerance);
    EXPECT_NEAR(diagonal.AlongLine(0, 0, 1, 1), Root2, Tolerance);

    const TVectorLine bisector = TVectorLine::CreateBisector({0, 0}, {2, 0});
    EXPECT_NEAR(bisector.Angle(), Pi / 2, Tolerance);
    EXPECT_NEAR(bisector.Distance(0, 0), 1, Tolerance);
    EXPECT_NEAR(PointDistance({1, 1}, {4, 5}), 5, Tolerance);
}

TEST(VectorLine, ParallelAndIntersection)
{
    struct Case {
        const char* what;
        TVectorLine a, b;
        bool parallel;
        TRealPoint crossing;
    };
    const Case cases[] = {
        {"y = x and y = x + 1",
         TVectorLine::CreateThroughPoints(0, 0, 1, 1),
         TVectorLine::CreateThroughPoints(0, 1, 1, 2),
         true,
         {NoIntersection, NoIntersection}},
        // Vertical lines whose normals point opposite ways are still parallel.
        {"x = 1 and x = 3",
         TVectorLine::CreateFromNormal(1, 0, -1),
         TVectorLine::CreateFromNormal(-1, 0, 3),
         true,
         {NoIntersection, NoIntersection}},
        {"y = x and x = 2",
         TVectorLine::CreateThroughPoints(0, 0, 1, 1),
         TVectorLine::CreateFromNormal(1, 0, -2),
         false,
         {2, 2}},
        {"y = x and y = -x + 4",
         TVectorLine::CreateThroughPoints(0, 0, 1, 1),
         TVectorLine::CreateThroughPoints(0, 4, 4, 0),
         false,
         {2, 2}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.a.IsParallel(c.b), c.parallel) << c.what;
        const TRealPoint p = c.a.Intersection(c.b);
        EXPECT_NEAR(p.x, c.crossing.x, 1e-9L) << c.what;
        EXPECT_NEAR(p.y, c.crossing.y, 1e-9L) << c.what;
    }
}

} // namespace
