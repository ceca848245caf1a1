#include "expr/matrix.h"

#include "formula/descriptions.h"
#include "settings/mathswriter.h"

#include <cfenv>
#include <cmath>

namespace {

// Description numbers of the matrix words.
enum : int { dnMatrix = 12, dnTranslation = 13 };

std::size_t Index(int columns, int i, int j)
{
    return static_cast<std::size_t>((i - 1) * columns + (j - 1));
}

bool InRange(int rows, int columns, int i, int j)
{
    return i >= 1 && i <= rows && j >= 1 && j <= columns;
}

// "{fix \2\1{Matrix}{" or with "Translation", opening the matrix field.
void WriteFrameStart(TMathsWriter& writer, int columns)
{
    writer.WriteText("{fix ");
    writer.WriteChar('\2');
    writer.WriteChar('\1');
    writer.WriteChar('{');
    writer.WriteText(DescriptionText(columns == 2 ? dnMatrix : dnTranslation, true));
    writer.WriteText("}{");
}

void WriteGridStart(TMathsWriter& writer, int rows, int columns)
{
    writer.WriteText("{Mtrx ");
    writer.WriteChar(static_cast<char>(rows));
    writer.WriteChar(static_cast<char>(columns));
}

} // namespace

// ---- TRealMatrix ------------------------------------------------------------------------------

TRealMatrix::TRealMatrix(int rows, int columns)
    : rows_(static_cast<std::uint8_t>(rows)), columns_(static_cast<std::uint8_t>(columns)),
      elements_(static_cast<std::size_t>(rows_) * columns_, 0.0L)
{
    if (rows_ == columns_)
        for (int i = 1; i <= rows_; ++i)
            elements_[Index(columns_, i, i)] = 1;
}

TRealMatrix::TRealMatrix(Extended a, Extended b, Extended c, Extended d) : TRealMatrix(2, 2)
{
    elements_ = {a, b, c, d};
}

TRealMatrix TRealMatrix::Column(Extended x, Extended y)
{
    TRealMatrix vector(2, 1);
    vector.elements_ = {x, y};
    return vector;
}

Extended TRealMatrix::Element(int i, int j) const
{
    return InRange(rows_, columns_, i, j) ? elements_[Index(columns_, i, j)] : 0;
}

void TRealMatrix::SetElement(int i, int j, Extended value)
{
    if (InRange(rows_, columns_, i, j))
        elements_[Index(columns_, i, j)] = value;
}

std::unique_ptr<TRealMatrix> TRealMatrix::Multiply(const TRealMatrix& other) const
{
    if (columns_ != other.rows_)
        return nullptr;
    auto result = std::make_unique<TRealMatrix>(rows_, other.columns_);
    for (int i = 1; i <= rows_; ++i)
        for (int j = 1; j <= other.columns_; ++j) {
            Extended sum = 0;
            for (int k = 1; k <= columns_; ++k)
                sum += Element(i, k) * other.Element(k, j);
            result->SetElement(i, j, sum);
        }
    return result;
}

void TRealMatrix::Add(const TRealMatrix& other)
{
    if (rows_ != other.rows_ || columns_ != other.columns_)
        return;
    for (std::size_t k = 0; k < elements_.size(); ++k)
        elements_[k] += other.elements_[k];
}

Extended TRealMatrix::Determinant() const
{
    if (rows_ != 2 || columns_ != 2)
        return 0;
    std::feclearexcept(FE_OVERFLOW | FE_INVALID);
    const Extended det = Element(1, 1) * Element(2, 2) - Element(2, 1) * Element(1, 2);
    if (std::fetestexcept(FE_OVERFLOW | FE_INVALID) || !std::isfinite(det)) {
        std::feclearexcept(FE_OVERFLOW | FE_INVALID);
        return 0;
    }
    return det;
}

std::unique_ptr<TRealMatrix> TRealMatrix::Inverse() const
{
    const Extended det = Determinant();
    if (det == 0)
        return nullptr;
    return std::make_unique<TRealMatrix>(Element(2, 2) / det, -Element(1, 2) / det, -Element(2, 1) / det,
                                         Element(1, 1) / det);
}

void TRealMatrix::WriteTo(TMathsWriter& writer, int figures) const
{
    WriteFrameStart(writer, columns_);
    WriteGridStart(writer, rows_, columns_);
    for (Extended value : elements_) {
        writer.WriteChar('{');
        writer.WriteText(FormatNumber(figures, false, value));
        writer.WriteChar('}');
    }
    writer.WriteChar('}');
}

// ---- TMatrix ----------------------------------------------------------------------------------

TMatrix::TMatrix(int rows, int columns)
    : rows_(static_cast<std::uint8_t>(rows)), columns_(static_cast<std::uint8_t>(columns)),
      cells_(static_cast<std::size_t>(rows_) * columns_)
{
}

TEvaluator* TMatrix::Get(int i, int j) const
{
    return InRange(rows_, columns_, i, j) ? cells_[Index(columns_, i, j)].get() : nullptr;
}

void TMatrix::Set(int i, int j, TEvaluatorPtr tree)
{
    if (InRange(rows_, columns_, i, j))
        cells_[Index(columns_, i, j)] = std::move(tree);
}

void TMatrix::WriteGrid(TMathsWriter& writer) const
{
    WriteGridStart(writer, rows_, columns_);
    for (const TEvaluatorPtr& cell : cells_) {
        writer.WriteChar('{');
        if (cell)
            cell->WriteTo(writer);
        writer.WriteChar('}');
    }
}

void TMatrix::WriteTo(TMathsWriter& writer) const
{
    WriteFrameStart(writer, columns_);
    WriteGrid(writer);
    writer.WriteChar('}');
}

bool TMatrix::DependsOn(std::string_view name) const
{
    for (const TEvaluatorPtr& cell : cells_)
        if (cell && cell->DependsOn(name))
            return true;
    return false;
}

void TMatrixEvaluator::WriteTo(TMathsWriter& writer) const
{
    if (matrix_)
        matrix_->WriteGrid(writer);
}

bool TMatrixEvaluator::DependsOn(std::string_view name) const
{
    return matrix_ && matrix_->DependsOn(name);
}

// ---- TVectorLine ------------------------------------------------------------------------------

TVectorLine TVectorLine::CreateFromNormal(Extended nx, Extended ny, Extended offset)
{
    TVectorLine line;
    if (nx == 0 && ny == 0) {
        line.normalX_ = 1;
        line.offset_ = offset;
        return line;
    }
    // Scaling the normal scales the offset too, and turning the normal round
    // turns the offset round, or the line would move.
    const Extended length = std::sqrt(nx * nx + ny * ny);
    const Extended sign = ny < 0 ? -1 : 1;
    line.normalX_ = sign * nx / length;
    line.offset_ = sign * offset / length;
    return line;
}

TVectorLine TVectorLine::CreateThroughPoint(Extended nx, Extended ny, Extended px, Extended py)
{
    TVectorLine line = CreateFromNormal(nx, ny, 0);
    line.offset_ = -line.Distance(px, py);
    return line;
}

TVectorLine TVectorLine::CreateThroughPoints(Extended x1, Extended y1, Extended x2, Extended y2)
{
    return CreateThroughPoint(y1 - y2, x2 - x1, x1, y1);
}

TVectorLine TVectorLine::CreateBisector(const TRealPoint& p, const TRealPoint& q)
{
    return CreateThroughPoint(p.x - q.x, p.y - q.y, (p.x + q.x) / 2, (p.y + q.y) / 2);
}

Extended TVectorLine::NormalY() const
{
    const Extended square = 1 - normalX_ * normalX_;
    return square > 0 ? std::sqrt(square) : 0;
}

Extended TVectorLine::Angle() const
{
    const Extended ny = NormalY();
    return ny != 0 ? std::atan(-normalX_ / ny) : Pi / 2;
}

Extended TVectorLine::Distance(Extended x, Extended y) const
{
    return normalX_ * x + NormalY() * y + offset_;
}

Extended TVectorLine::AlongLine(Extended x1, Extended y1, Extended x2, Extended y2) const
{
    return NormalY() * (x2 - x1) - normalX_ * (y2 - y1);
}

bool TVectorLine::IsParallel(const TVectorLine& other) const
{
    // Two vertical lines may have normals (1, 0) and (−1, 0): compare the
    // directions, not the normal x values.
    return std::fabs(normalX_ * other.NormalY() - NormalY() * other.normalX_) < 1e-8L;
}

TRealPoint TVectorLine::Intersection(const TVectorLine& other) const
{
    TRealPoint answer{NoIntersection, NoIntersection};
    if (IsParallel(other))
        return answer;
    const TRealMatrix normals(normalX_, NormalY(), other.normalX_, other.NormalY());
    const std::unique_ptr<TRealMatrix> inverse = normals.Inverse();
    if (!inverse)
        return answer;
    const std::unique_ptr<TRealMatrix> point =
        inverse->Multiply(TRealMatrix::Column(-offset_, -other.offset_));
    answer.x = point->Element(1, 1);
    answer.y = point->Element(2, 1);
    return answer;
}

Extended PointDistance(const TRealPoint& p, const TRealPoint& q)
{
    return std::sqrt((q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y));
}
