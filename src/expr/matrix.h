// Small matrices and straight lines in normal form for the transformations
// of the plane. A typed matrix element becomes a grid of formula trees
// (TMatrix inside a TMatrixEvaluator); the images of curves are computed with
// numeric 2 × 2 matrices and column vectors (TRealMatrix); mirror lines,
// invariant lines and drag geometry use TVectorLine.
#pragma once

#include "expr/evaluator.h"
#include "numbers/numerics.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TMathsWriter;

// A rows × columns matrix of extended values, elements counted from 1.
class TRealMatrix {
public:
    // All zeros; a square matrix starts as the identity.
    TRealMatrix(int rows, int columns);
    // The 2 × 2 matrix with rows (a, b) and (c, d).
    TRealMatrix(Extended a, Extended b, Extended c, Extended d);
    // The column vector x over y (named, as two numbers would read as a shape).
    [[nodiscard]] static TRealMatrix Column(Extended x, Extended y);

    [[nodiscard]] int Rows() const { return rows_; }
    [[nodiscard]] int Columns() const { return columns_; }
    [[nodiscard]] Extended Element(int i, int j) const;
    void SetElement(int i, int j, Extended value);

    // This × other, or none when this matrix's columns differ from other's rows.
    [[nodiscard]] std::unique_ptr<TRealMatrix> Multiply(const TRealMatrix& other) const;
    // Adds other element by element; nothing happens when the shapes differ.
    void Add(const TRealMatrix& other);
    // a11·a22 − a21·a12 for a 2 × 2 matrix; 0 for other shapes and after a
    // floating-point fault.
    [[nodiscard]] Extended Determinant() const;
    // The inverse of a 2 × 2 matrix; none when the determinant is 0.
    [[nodiscard]] std::unique_ptr<TRealMatrix> Inverse() const;
    // The line text: "Matrix" (two columns) or "Translation", then the grid
    // with each element to figures significant figures.
    void WriteTo(TMathsWriter& writer, int figures = 8) const;

    [[nodiscard]] bool operator==(const TRealMatrix& other) const = default;

private:
    std::uint8_t rows_, columns_;
    std::vector<Extended> elements_;
};

// A rows × columns grid of formula trees, empty until set.
class TMatrix {
public:
    TMatrix(int rows, int columns);

    [[nodiscard]] int Rows() const { return rows_; }
    [[nodiscard]] int Columns() const { return columns_; }
    // The tree at (i, j), counted from 1, or nullptr (borrowed).
    [[nodiscard]] TEvaluator* Get(int i, int j) const;
    void Set(int i, int j, TEvaluatorPtr tree);
    // The whole field list of a transformation line ("Matrix" or "Translation").
    void WriteTo(TMathsWriter& writer) const;
    // Only the matrix element: "{Mtrx ", rows, columns and the cells.
    void WriteGrid(TMathsWriter& writer) const;
    [[nodiscard]] bool DependsOn(std::string_view name) const;

private:
    std::uint8_t rows_, columns_;
    std::vector<TEvaluatorPtr> cells_;
};

// The tree a matrix element gives the parser: the transformation reader takes
// its grid; it has no value as a number.
class TMatrixEvaluator : public TEvaluator {
public:
    explicit TMatrixEvaluator(std::unique_ptr<TMatrix> matrix) : matrix_(std::move(matrix)) {}
    [[nodiscard]] TMatrix& Matrix() const { return *matrix_; }
    [[nodiscard]] std::unique_ptr<TMatrix> TakeMatrix() { return std::move(matrix_); }
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;

private:
    std::unique_ptr<TMatrix> matrix_;
};

// A straight line u·(x, y) + d = 0 with u a unit normal whose y component is
// never negative.
class TVectorLine {
public:
    TVectorLine() = default;

    // The line with normal (nx, ny) and offset d; the normal is scaled to unit
    // length and turned to point upwards, and the offset with it, so that the
    // line stays where it was (a zero normal gives the line x + d = 0).
    static TVectorLine CreateFromNormal(Extended nx, Extended ny, Extended offset);
    static TVectorLine CreateThroughPoint(Extended nx, Extended ny, Extended px, Extended py);
    static TVectorLine CreateThroughPoints(Extended x1, Extended y1, Extended x2, Extended y2);
    // The perpendicular bisector of PQ: the mirror line that maps P to Q.
    static TVectorLine CreateBisector(const TRealPoint& p, const TRealPoint& q);

    [[nodiscard]] Extended NormalX() const { return normalX_; }
    [[nodiscard]] Extended NormalY() const;
    [[nodiscard]] Extended Offset() const { return offset_; }
    // The direction angle in radians, in (−π/2, π/2].
    [[nodiscard]] Extended Angle() const;
    // The signed distance of (x, y) from the line.
    [[nodiscard]] Extended Distance(Extended x, Extended y) const;
    // The step from the first point to the second measured along the line.
    [[nodiscard]] Extended AlongLine(Extended x1, Extended y1, Extended x2, Extended y2) const;
    // Where the lines cross; (1e64, 1e64) when they are parallel.
    [[nodiscard]] TRealPoint Intersection(const TVectorLine& other) const;
    // Parallel (or the same line), whichever way their normals point.
    [[nodiscard]] bool IsParallel(const TVectorLine& other) const;

private:
    Extended normalX_ = 1;
    Extended offset_ = 0;
};

// The point (1e64, 1e64) that stands for "no intersection".
inline constexpr Extended NoIntersection = 1e64L;

[[nodiscard]] Extended PointDistance(const TRealPoint& p, const TRealPoint& q);
