// Matrix routines: inversion (its refusal of a zero row and the 1.0e-20 pivot), product, transpose.
#include "adjustment/matrix.hpp"
#include "adjustment/stops.hpp"
#include "model/errors.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace interseccao {
namespace {

// A matrix from its rows.
Matrix fromRows(const std::vector<std::vector<double>>& rows) {
    Matrix a(static_cast<std::int32_t>(rows.size()),
             static_cast<std::int32_t>(rows.front().size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = 0; j < rows[i].size(); ++j)
            a(static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1)) = rows[i][j];
    return a;
}

void expectRows(const Matrix& a, const std::vector<std::vector<double>>& rows) {
    ASSERT_EQ(a.rows(), static_cast<std::int32_t>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = 0; j < rows[i].size(); ++j)
            EXPECT_DOUBLE_EQ(a(static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1)),
                             rows[i][j])
                << "element (" << i + 1 << ", " << j + 1 << ")";
}

TEST(InvertMatrix, ReplacesTheMatrixByItsInverse) {
    struct Case {
        std::vector<std::vector<double>> matrix, inverse;
    };
    const std::vector<Case> cases = {
        {{{4, 7}, {2, 6}}, {{0.6, -0.7}, {-0.2, 0.4}}},
        {{{5}}, {{0.2}}},
        {{{2, 1, 0}, {1, 2, 0}, {0, 0, 2}},
         {{2.0 / 3, -1.0 / 3, 0}, {-1.0 / 3, 2.0 / 3, 0}, {0, 0, 0.5}}},
        {{{0, 1}, {1, 0}}, {{0, 1}, {1, 0}}}, // needs a row exchange
        // Singular without a zero row: the tie goes to row 2, the zero pivot becomes 1.0e-20.
        {{{1, 2}, {2, 4}}, {{-2e20, 1e20}, {1e20, -5e19}}},
    };
    for (const Case& c : cases) {
        Matrix a = fromRows(c.matrix);
        const auto n = a.rows();
        ASSERT_TRUE(invertMatrix(n, a));
        expectRows(a, c.inverse);
    }
}

// Orders whose working outgrows the few values kept in place, and those just inside them: the
// product of the matrix and its inverse is the identity.
TEST(InvertMatrix, InvertsMatricesOfEveryOrderAroundItsWorkingStore) {
    for (const std::int32_t n : {3, 4, 5, 15, 16, 17, 24}) {
        Matrix a(n, n);
        for (std::int32_t i = 1; i <= n; ++i)
            for (std::int32_t j = 1; j <= n; ++j)
                a(i, j) = i == j ? 2.0 * n : 1.0 / static_cast<double>(i + 2 * j);
        Matrix inverse = a;
        ASSERT_TRUE(invertMatrix(n, inverse)) << "order " << n;
        Matrix product(n, n);
        multiplyMatrices(n, n, n, a, inverse, product);
        for (std::int32_t i = 1; i <= n; ++i)
            for (std::int32_t j = 1; j <= n; ++j)
                EXPECT_NEAR(product(i, j), i == j ? 1.0 : 0.0, 1e-12)
                    << "order " << n << " at " << i << ", " << j;
    }
}

// The routine says it failed; the stage's wrapper turns that into the run's stop.
TEST(InvertMatrix, FailsOnARowOfZeros) {
    for (const auto& rows : std::vector<std::vector<std::vector<double>>>{
             {{1, 2}, {0, 0}}, {{0, 0}, {1, 2}}, {{0}}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 0}}}) {
        Matrix a = fromRows(rows);
        Matrix b = a;
        EXPECT_FALSE(invertMatrix(a.rows(), a)) << "order " << a.rows();
        try {
            invertOrStop(b.rows(), b);
            ADD_FAILURE() << "no stop for an order " << a.rows() << " matrix with a zero row";
        } catch (const RunError& stop) {
            EXPECT_EQ(stop.message(), "Matriz singular!");
        }
    }
}

TEST(MultiplyMatrices, OuterInnerAndGeneralProducts) {
    const Matrix column = fromRows({{1}, {2}, {3}});
    const Matrix row = fromRows({{4, 5}});
    Matrix outer = fromRows({{9, 9}, {9, 9}, {9, 9}}); // old contents are overwritten
    multiplyMatrices(3, 1, 2, column, row, outer);
    expectRows(outer, {{4, 5}, {8, 10}, {12, 15}});

    Matrix inner = fromRows({{9}});
    multiplyMatrices(1, 3, 1, fromRows({{1, 2, 3}}), fromRows({{4}, {5}, {6}}), inner);
    expectRows(inner, {{32}});

    Matrix product(2, 2);
    multiplyMatrices(2, 3, 2, fromRows({{1, 2, 3}, {4, 5, 6}}),
                     fromRows({{7, 8}, {9, 10}, {11, 12}}), product);
    expectRows(product, {{58, 64}, {139, 154}});
}

TEST(TransposeMatrix, ColumnBecomesRowAndBack) {
    const Matrix column = fromRows({{1.5}, {-2}, {3.25}});
    Matrix row(1, 3);
    transposeMatrix(3, 1, column, row);
    expectRows(row, {{1.5, -2, 3.25}});

    const Matrix a = fromRows({{1, 2, 3}, {4, 5, 6}});
    Matrix b(3, 2);
    transposeMatrix(2, 3, a, b);
    expectRows(b, {{1, 4}, {2, 5}, {3, 6}});
}

} // namespace
} // namespace interseccao
