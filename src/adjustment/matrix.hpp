// Dense matrices with 1-based indices stored column by column, and the routines that work on them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace interseccao {

class Matrix {
public:
    Matrix() = default;
    Matrix(std::int32_t rows, std::int32_t columns)
        : rows_(rows), columns_(columns),
          values_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), 0.0) {}

    std::int32_t rows() const { return rows_; }
    std::int32_t columns() const { return columns_; }

    double& operator()(std::int32_t i, std::int32_t j) { return values_[index(i, j)]; }
    double operator()(std::int32_t i, std::int32_t j) const { return values_[index(i, j)]; }

    // Elements (1..rows, 1..columns) without a check at each access, for the routines' inner
    // loops: the extent is checked once, here, so a stray index is still never silent.
    template <class Value> class View {
    public:
        View(Value* values, std::size_t rows) : values_(values), rows_(rows) {}
        Value& operator()(std::int32_t i, std::int32_t j) const {
            return values_[static_cast<std::size_t>(j - 1) * rows_ +
                           static_cast<std::size_t>(i - 1)];
        }

    private:
        Value* values_;
        std::size_t rows_;
    };
    View<double> view(std::int32_t rows, std::int32_t columns) {
        checkExtent(rows, columns);
        return {values_.data(), static_cast<std::size_t>(rows_)};
    }
    View<const double> view(std::int32_t rows, std::int32_t columns) const {
        checkExtent(rows, columns);
        return {values_.data(), static_cast<std::size_t>(rows_)};
    }

private:
    void checkExtent(std::int32_t rows, std::int32_t columns) const {
        if (rows < 0 || rows > rows_ || columns < 0 || columns > columns_)
            throw std::out_of_range("matrix extent out of range");
    }

    // An index outside the matrix is a programming error, never a silent stray read.
    std::size_t index(std::int32_t i, std::int32_t j) const {
        if (i < 1 || i > rows_ || j < 1 || j > columns_)
            throw std::out_of_range("matrix index out of range");
        return static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(rows_) +
               static_cast<std::size_t>(i - 1);
    }

    std::int32_t rows_ = 0;
    std::int32_t columns_ = 0;
    std::vector<double> values_;
};

// C = A · B for A (m × k) and B (k × n); each sum is accumulated in C(i, j) itself.
void multiplyMatrices(std::int32_t m, std::int32_t k, std::int32_t n, const Matrix& a,
                      const Matrix& b, Matrix& c);

// B = Aᵀ for A (m × n).
void transposeMatrix(std::int32_t m, std::int32_t n, const Matrix& a, Matrix& b);

// v = w − A · x for misclosures w (rows × 1), design A (rows × unknowns) and solution x:
// the observed minus the adjusted values.
Matrix residuals(std::int32_t rows, std::int32_t unknowns, const Matrix& misclosure,
                 const Matrix& design, const Matrix& solution);

// vᵀ · W · v for a column v of n values, formed as (vᵀ · W) · v; `multiplyByWeight(x, y)`
// sets the 1 × n row y to x · W for the 1 × n row x.
template <class MultiplyByWeight>
double weightedSquareSum(std::int32_t n, const Matrix& v, MultiplyByWeight&& multiplyByWeight) {
    Matrix transpose(1, n);
    transposeMatrix(n, 1, v, transpose);
    Matrix weighted(1, n);
    multiplyByWeight(transpose, weighted);
    Matrix sum(1, 1);
    multiplyMatrices(1, n, 1, weighted, v, sum);
    return sum(1, 1);
}

// Crout's LU decomposition of A (order n) with implicitly scaled partial pivoting; ties go
// to the later row, an exactly zero pivot becomes 1.0e-20. False, with A left part way, on a
// row of zeros: such a matrix has no decomposition.
[[nodiscard]] bool luDecompose(Matrix& a, std::int32_t n, std::vector<std::int32_t>& pivots);

// Replaces A (order n) by its inverse; false, with A left part way, when a row of A is zero.
[[nodiscard]] bool invertMatrix(std::int32_t n, Matrix& a);

} // namespace interseccao
