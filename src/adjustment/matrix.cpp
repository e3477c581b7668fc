// Product, transpose, LU decomposition and inverse of dense matrices.
#include "adjustment/matrix.hpp"

#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace interseccao {

void multiplyMatrices(std::int32_t m, std::int32_t k, std::int32_t n, const Matrix& matrixA,
                      const Matrix& matrixB, Matrix& matrixC) {
    const auto a = matrixA.view(m, k);
    const auto b = matrixB.view(k, n);
    const auto c = matrixC.view(m, n);
    for (std::int32_t j = 1; j <= n; ++j)
        for (std::int32_t i = 1; i <= m; ++i) {
            c(i, j) = 0.0;
            for (std::int32_t l = 1; l <= k; ++l) c(i, j) += a(i, l) * b(l, j);
        }
}

void transposeMatrix(std::int32_t m, std::int32_t n, const Matrix& matrixA, Matrix& matrixB) {
    const auto a = matrixA.view(m, n);
    const auto b = matrixB.view(n, m);
    for (std::int32_t j = 1; j <= n; ++j)
        for (std::int32_t i = 1; i <= m; ++i) b(j, i) = a(i, j);
}

Matrix residuals(std::int32_t rows, std::int32_t unknowns, const Matrix& misclosure,
                 const Matrix& design, const Matrix& solution) {
    Matrix designSolution(rows, 1);
    multiplyMatrices(rows, unknowns, 1, design, solution, designSolution);
    Matrix v(rows, 1);
    for (std::int32_t i = 1; i <= rows; ++i) v(i, 1) = misclosure(i, 1) - designSolution(i, 1);
    return v;
}

namespace {

// Values by index for a routine's working: a few in place, more from the heap, so that the
// small matrices of a survey are worked without an allocation. Every value starts at zero.
template <class T> class Scratch {
public:
    explicit Scratch(std::size_t size) {
        if (size > few) {
            heap_.assign(size, T{});
            values_ = heap_.data();
        }
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    T& operator[](std::size_t i) { return values_[i]; }

private:
    static constexpr std::size_t few = 16; // a 4 × 4 matrix, or an order of 15 with index 0
    std::array<T, few> local_{};
    std::vector<T> heap_;
    T* values_ = local_.data();
};

// As luDecompose, into any store of n + 1 pivots.
template <class Pivots> bool decompose(Matrix& matrix, std::int32_t n, Pivots& pivots) {
    const auto a = matrix.view(n, n);
    // The scale store is sized by the order, so any order is handled.
    Scratch<double> scale(static_cast<std::size_t>(n) + 1);
    for (std::int32_t i = 1; i <= n; ++i) {
        double largest = 0.0;
        for (std::int32_t j = 1; j <= n; ++j)
            if (std::fabs(a(i, j)) > largest) largest = std::fabs(a(i, j));
        if (largest == 0.0) return false;
        scale[i] = 1.0 / largest;
    }
    for (std::int32_t j = 1; j <= n; ++j) {
        for (std::int32_t i = 1; i < j; ++i) {
            double s = a(i, j);
            for (std::int32_t l = 1; l < i; ++l) s = s - a(i, l) * a(l, j);
            a(i, j) = s;
        }
        double best = 0.0;
        std::int32_t pivotRow = n;
        for (std::int32_t i = j; i <= n; ++i) {
            double s = a(i, j);
            for (std::int32_t l = 1; l < j; ++l) s = s - a(i, l) * a(l, j);
            a(i, j) = s;
            const double weight = scale[i] * std::fabs(s);
            if (weight >= best) {
                best = weight;
                pivotRow = i;
            }
        }
        if (pivotRow != j) {
            for (std::int32_t l = 1; l <= n; ++l) std::swap(a(pivotRow, l), a(j, l));
            scale[pivotRow] = scale[j];
        }
        pivots[j] = pivotRow;
        if (a(j, j) == 0.0) a(j, j) = 1.0e-20;
        if (j != n) {
            const double r = 1.0 / a(j, j);
            for (std::int32_t i = j + 1; i <= n; ++i) a(i, j) *= r;
        }
    }
    return true;
}

} // namespace

bool luDecompose(Matrix& matrix, std::int32_t n, std::vector<std::int32_t>& pivots) {
    matrix.view(n, n);
    if (pivots.size() < static_cast<std::size_t>(n) + 1)
        throw std::out_of_range("pivot store smaller than the order");
    return decompose(matrix, n, pivots);
}

bool invertMatrix(std::int32_t n, Matrix& matrix) {
    const auto a = matrix.view(n, n);
    const auto order = static_cast<std::size_t>(n);
    Scratch<double> inverse(order * order);
    const auto y = Matrix::View<double>(&inverse[0], order);
    Scratch<double> col(order + 1);
    Scratch<std::int32_t> pivots(order + 1);
    if (!decompose(matrix, n, pivots)) return false;
    for (std::int32_t j = 1; j <= n; ++j) {
        for (std::int32_t i = 1; i <= n; ++i) col[i] = i == j ? 1.0 : 0.0;
        std::int32_t first = 0;
        for (std::int32_t i = 1; i <= n; ++i) {
            const std::int32_t p = pivots[i];
            double s = col[p];
            col[p] = col[i];
            if (first != 0) {
                for (std::int32_t l = first; l < i; ++l) s -= a(i, l) * col[l];
            } else if (s != 0.0) {
                first = i;
            }
            col[i] = s;
        }
        for (std::int32_t i = n; i >= 1; --i) {
            double s = col[i];
            for (std::int32_t l = i + 1; l <= n; ++l) s -= a(i, l) * col[l];
            col[i] = s / a(i, i);
        }
        for (std::int32_t i = 1; i <= n; ++i) y(i, j) = col[i];
    }
    for (std::int32_t i = 1; i <= n; ++i)
        for (std::int32_t j = 1; j <= n; ++j) a(i, j) = y(i, j);
    return true;
}

} // namespace interseccao
