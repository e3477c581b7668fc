// Test values of the chi-square variance tests (95 % quantiles by degrees of freedom), and
// the quantiles of the chi-square distribution.
#pragma once

#include <array>
#include <cstdint>

namespace interseccao {

// The logarithm of the gamma function, the value std::lgamma gives, and safe to call from
// several threads at once (std::lgamma also sets the sign in a variable they all share).
double logGamma(double a);

// The values used for 1 to 6 degrees of freedom.
inline constexpr std::array<double, 6> chiSquareTable = {3.841, 5.991, 7.815, 9.488, 11.07, 12.592};

// The 95 % quantile of the chi-square distribution with `r` degrees of freedom (r ≥ 1).
// For r up to 6 the table's value; beyond, computed to better than 1e-9 relative.
double chiSquareTestValue(std::int64_t r);

// The quantile of the chi-square distribution with `f` degrees of freedom (f ≥ 1) at the
// probability p in (0, 1).
double chiSquareQuantile(double p, std::int32_t f);

// The x in [low, high] where the increasing `cdf` reaches p, by halving the bracket to the
// last bits of a double.
template <class Cdf> double bisectIncreasing(Cdf&& cdf, double p, double low, double high) {
    for (int i = 0; i < 200 && high - low > high * 1e-15; ++i) {
        const double middle = 0.5 * (low + high);
        if (cdf(middle) < p)
            low = middle;
        else
            high = middle;
    }
    return 0.5 * (low + high);
}

// The regularized lower incomplete gamma function P(a, x), for a > 0, x ≥ 0.
double regularizedLowerGamma(double a, double x);

} // namespace interseccao
