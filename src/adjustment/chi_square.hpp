// Test values of the chi-square variance tests: 95 % quantiles by degrees of freedom.
#pragma once

#include <array>
#include <cstdint>

namespace interseccao {

// The values used for 1 to 6 degrees of freedom.
inline constexpr std::array<double, 6> chiSquareTable = {3.841, 5.991, 7.815, 9.488, 11.07, 12.592};

// The 95 % quantile of the chi-square distribution with `r` degrees of freedom (r ≥ 1).
// For r up to 6 the table's value; beyond, computed to better than 1e-9 relative.
double chiSquareTestValue(std::int64_t r);

// The regularized lower incomplete gamma function P(a, x), for a > 0, x ≥ 0.
double regularizedLowerGamma(double a, double x);

} // namespace interseccao
