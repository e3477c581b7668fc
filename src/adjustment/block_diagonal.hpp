// Square matrices that are zero outside square blocks along the diagonal, and their products.
#pragma once

#include "adjustment/matrix.hpp"

#include <cstdint>
#include <vector>

namespace interseccao {

// Only the blocks are stored, one after the other, each column by column (a repeated
// block once); every element outside them is an exact zero.
class BlockDiagonalMatrix {
public:
    // Appends `block` (square, of its row count) below and to the right of the blocks so far.
    void appendBlock(const Matrix& block);
    // Appends a copy of block `earlier`, sharing its stored values.
    void repeatBlock(std::size_t earlier);
    // Room for `blocks` blocks in all, so that appending them does not move the storage.
    void reserveBlocks(std::size_t blocks);

    std::int32_t order() const { return order_; }
    std::size_t blockCount() const { return starts_.size(); }
    // 1-based index of the block's first row and column in the whole matrix.
    std::int32_t blockStart(std::size_t b) const { return starts_[b]; }
    std::int32_t blockOrder(std::size_t b) const { return orders_[b]; }
    // Element (i, j) of block b, 1-based within the block.
    double blockElement(std::size_t b, std::int32_t i, std::int32_t j) const {
        return values_[offsets_[b] +
                       static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(orders_[b]) +
                       static_cast<std::size_t>(i - 1)];
    }

private:
    std::int32_t order_ = 0;
    std::vector<std::int32_t> starts_;
    std::vector<std::int32_t> orders_;
    std::vector<std::size_t> offsets_;
    std::vector<double> values_;
};

// C = A · D for A (m × order of D): the values that multiplyMatrices gives with D written
// out in full, bit for bit. There each sum starts from 0 and runs over the whole row of A;
// a term from outside D's blocks is A(i, l) · 0, which leaves the sum as it is when
// A(i, l) is finite (a sum that starts from +0 is never -0, and adding a zero of either
// sign changes no other value) and makes it not a number otherwise. So C(i, j) is not a
// number when row i of A holds a value that is not finite outside the columns of j's
// block, and otherwise the sum over the block alone, in the same order.
void multiplyByBlockDiagonal(std::int32_t m, const Matrix& a, const BlockDiagonalMatrix& d,
                             Matrix& c);

// The diagonal of A · B for A (n × k) and B (k × n), as an n × 1 column: element i is
// summed exactly as multiplyMatrices sums C(i, i).
Matrix diagonalOfProduct(std::int32_t n, std::int32_t k, const Matrix& a, const Matrix& b);

// The diagonal of A · N⁻¹ · Aᵀ (rows × 1) for a design A (rows × unknowns) and the inverse
// N⁻¹ of the normal matrix: the cofactors of the adjusted observations, summed as the
// whole product (A · N⁻¹) · Aᵀ sums its diagonal.
Matrix adjustedCofactorDiagonal(std::int32_t rows, std::int32_t unknowns, const Matrix& design,
                                const Matrix& normalInverse);

} // namespace interseccao
