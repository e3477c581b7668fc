// Distribution values of the quality analysis: the tests on single readings and the interval
// of the standard deviation of unit weight.
#pragma once

#include <cstdint>
#include <optional>

namespace interseccao {

// Data snooping at a significance of 0.1 % per reading: the two-sided normal quantile that
// Baarda's w is compared with, and with it the non-centrality for a power of 80 % that
// sizes the minimal detectable bias.
inline constexpr double snoopingSignificance = 0.001;
inline constexpr double snoopingCritical = 3.29;
inline constexpr double detectableBiasNoncentrality = 4.13;
// A |w| beyond the two-sided normal quantile for 0.03 % names its reading even when the
// global test accepts the a-priori precision.
inline constexpr double outstandingCritical = 3.62;

// The 95 % confidence region of a plane point: the square root of the 95 % chi-square
// quantile for 2 degrees of freedom, to the four decimals the analysis shows it with (2.4477).
double confidenceEllipseFactor();

// The regularized incomplete beta function I_x(a, b), for a, b > 0 and x in [0, 1].
double regularizedIncompleteBeta(double a, double b, double x);

// The critical value of Pope's studentized residual τ for `f` degrees of freedom at the
// two-sided significance α: τ² / f follows Beta(1/2, (f − 1)/2). None for f below 2,
// where |τ| is 1 whatever the readings.
std::optional<double> studentizedCritical(double significance, std::int32_t f);

} // namespace interseccao
