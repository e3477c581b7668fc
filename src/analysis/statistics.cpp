// Quantiles by bisection on the distribution functions.
#include "analysis/statistics.hpp"

#include "adjustment/chi_square.hpp"

#include <cmath>

namespace interseccao {

namespace {

// The continued fraction of the incomplete beta function (modified Lentz), which converges
// fast for x below (a + 1) / (a + b + 2).
double betaContinuedFraction(double a, double b, double x) {
    const double tiny = 1e-300;
    double c = 1.0;
    double d = 1.0 - (a + b) * x / (a + 1.0);
    if (std::fabs(d) < tiny) d = tiny;
    d = 1.0 / d;
    double h = d;
    for (int m = 1; m < 100000; ++m) {
        const double m2 = 2.0 * m;
        double an = m * (b - m) * x / ((a + m2 - 1.0) * (a + m2));
        d = 1.0 + an * d;
        if (std::fabs(d) < tiny) d = tiny;
        c = 1.0 + an / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1.0 / d;
        h *= d * c;
        an = -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1.0));
        d = 1.0 + an * d;
        if (std::fabs(d) < tiny) d = tiny;
        c = 1.0 + an / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1.0 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < 1e-16) break;
    }
    return h;
}

} // namespace

double confidenceEllipseFactor() {
    constexpr double shown = 1e4; // four decimals
    return std::round(std::sqrt(chiSquareQuantile(0.95, 2)) * shown) / shown;
}

double regularizedIncompleteBeta(double a, double b, double x) {
    if (x <= 0) return 0.0;
    if (x >= 1) return 1.0;
    const double logFront =
        logGamma(a + b) - logGamma(a) - logGamma(b) + a * std::log(x) + b * std::log1p(-x);
    if (x < (a + 1.0) / (a + b + 2.0))
        return std::exp(logFront) * betaContinuedFraction(a, b, x) / a;
    return 1.0 - std::exp(logFront) * betaContinuedFraction(b, a, 1.0 - x) / b;
}

std::optional<double> studentizedCritical(double significance, std::int32_t f) {
    if (f < 2) return std::nullopt;
    const double a = 0.5;
    const double b = (f - 1) / 2.0;
    const double share = bisectIncreasing(
        [&](double x) { return regularizedIncompleteBeta(a, b, x); }, 1.0 - significance, 0.0, 1.0);
    return std::sqrt(f * share);
}

} // namespace interseccao
