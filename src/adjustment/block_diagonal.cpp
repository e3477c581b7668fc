// Block-diagonal storage and the products that skip the zeros outside the blocks.
#include "adjustment/block_diagonal.hpp"

#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace interseccao {

void BlockDiagonalMatrix::appendBlock(const Matrix& block) {
    const std::int32_t n = block.rows();
    if (n < 1 || block.columns() != n)
        throw std::logic_error("a diagonal block must be square and not empty");
    starts_.push_back(order_ + 1);
    orders_.push_back(n);
    offsets_.push_back(values_.size());
    for (std::int32_t j = 1; j <= n; ++j)
        for (std::int32_t i = 1; i <= n; ++i) values_.push_back(block(i, j));
    order_ += n;
}

void BlockDiagonalMatrix::reserveBlocks(std::size_t blocks) {
    starts_.reserve(blocks);
    orders_.reserve(blocks);
    offsets_.reserve(blocks);
}

void BlockDiagonalMatrix::repeatBlock(std::size_t earlier) {
    const std::int32_t n = orders_.at(earlier);
    starts_.push_back(order_ + 1);
    orders_.push_back(n);
    offsets_.push_back(offsets_[earlier]);
    order_ += n;
}

void multiplyByBlockDiagonal(std::int32_t m, const Matrix& matrixA, const BlockDiagonalMatrix& d,
                             Matrix& matrixC) {
    const double notANumber = std::numeric_limits<double>::quiet_NaN();
    const auto a = matrixA.view(m, d.order());
    const auto c = matrixC.view(m, d.order());
    // Values that are not finite, per row of A: in the whole row and within the current block.
    // Counts kept on the stack for the few rows of the usual products.
    constexpr std::size_t fewRows = 8;
    std::array<std::int32_t, fewRows + 1> fewCounts[2]{};
    std::vector<std::int32_t> manyCounts[2];
    std::int32_t* rowCount = fewCounts[0].data();
    std::int32_t* blockCount = fewCounts[1].data();
    if (static_cast<std::size_t>(m) > fewRows) {
        for (auto& counts : manyCounts) counts.assign(static_cast<std::size_t>(m) + 1, 0);
        rowCount = manyCounts[0].data();
        blockCount = manyCounts[1].data();
    }
    for (std::int32_t l = 1; l <= d.order(); ++l)
        for (std::int32_t i = 1; i <= m; ++i)
            if (!std::isfinite(a(i, l))) ++rowCount[static_cast<std::size_t>(i)];
    for (std::size_t b = 0; b < d.blockCount(); ++b) {
        const std::int32_t first = d.blockStart(b) - 1; // columns first + 1 .. first + s
        const std::int32_t s = d.blockOrder(b);
        for (std::int32_t i = 1; i <= m; ++i) {
            std::int32_t inBlock = 0;
            for (std::int32_t l = 1; l <= s; ++l)
                if (!std::isfinite(a(i, first + l))) ++inBlock;
            blockCount[static_cast<std::size_t>(i)] = inBlock;
        }
        for (std::int32_t j = 1; j <= s; ++j)
            for (std::int32_t i = 1; i <= m; ++i) {
                if (rowCount[static_cast<std::size_t>(i)] >
                    blockCount[static_cast<std::size_t>(i)]) {
                    c(i, first + j) = notANumber;
                    continue;
                }
                // Summed in a local, in the same order, each term rounded as it is added.
                double sum = 0.0;
                for (std::int32_t l = 1; l <= s; ++l)
                    sum += a(i, first + l) * d.blockElement(b, l, j);
                c(i, first + j) = sum;
            }
    }
}

Matrix diagonalOfProduct(std::int32_t n, std::int32_t k, const Matrix& a, const Matrix& b) {
    Matrix diagonal(n, 1);
    for (std::int32_t i = 1; i <= n; ++i) {
        diagonal(i, 1) = 0.0;
        for (std::int32_t l = 1; l <= k; ++l) diagonal(i, 1) += a(i, l) * b(l, i);
    }
    return diagonal;
}

Matrix adjustedCofactorDiagonal(std::int32_t rows, std::int32_t unknowns, const Matrix& design,
                                const Matrix& normalInverse) {
    Matrix designNormal(rows, unknowns);
    multiplyMatrices(rows, unknowns, unknowns, design, normalInverse, designNormal);
    Matrix designTranspose(unknowns, rows);
    transposeMatrix(rows, unknowns, design, designTranspose);
    return diagonalOfProduct(rows, unknowns, designNormal, designTranspose);
}

} // namespace interseccao
