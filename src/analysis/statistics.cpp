// Quantiles by bisection on the distribution functions.
#include "analysis/statistics.hpp"

#include "adjustment/chi_square.hpp"

#include <cmath>
#include <stdexcept>

namespace interseccao {

namespace {

// Enough halvings to bring any bracket below to the last bits of a double.
constexpr int bisectionSteps = 200;

// The x in [low, high] where the increasing `cdf` reaches p.
template <class Cdf> double bisect(Cdf&& cdf, double p, double low, double high) {
    for (int i = 0; i < bisectionSteps && high - low > high * 1e-15; ++i) {
        const double middle = 0.5 * (low + high);
        if (cdf(middle) < p)
            low = middle;
        else
            high = middle;
    }
    return 0.5 * (low + high);
}

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

double chiSquareQuantile(double p, std::int32_t f) {
    if (f < 1 || !(p > 0 && p < 1)) throw std::logic_error("chi-square quantile out of its domain");
    const double a = f / 2.0;
    const auto cdf = [&](double x) { return regularizedLowerGamma(a, x / 2.0); };
    double high = f + 10.0 * std::sqrt(2.0 * f) + 10.0;
    while (cdf(high) < p) high *= 2.0;
    return bisect(cdf, p, 0.0, high);
}

double regularizedIncompleteBeta(double a, double b, double x) {
    if (x <= 0) return 0.0;
    if (x >= 1) return 1.0;
    const double logFront =
        std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x);
    if (x < (a + 1.0) / (a + b + 2.0))
        return std::exp(logFront) * betaContinuedFraction(a, b, x) / a;
    return 1.0 - std::exp(logFront) * betaContinuedFraction(b, a, 1.0 - x) / b;
}

std::optional<double> studentizedCritical(double significance, std::int32_t f) {
    if (f < 2) return std::nullopt;
    const double a = 0.5;
    const double b = (f - 1) / 2.0;
    const double share = bisect([&](double x) { return regularizedIncompleteBeta(a, b, x); },
                                1.0 - significance, 0.0, 1.0);
    return std::sqrt(f * share);
}

} // namespace interseccao
