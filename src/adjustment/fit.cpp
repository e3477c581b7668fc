// The bounds beyond which a fit's verdict is known.
#include "adjustment/fit.hpp"

#include "adjustment/chi_square.hpp"

#include <cmath>
#include <limits>

namespace interseccao {

FitTest FitTest::forRedundancy(std::int32_t redundancy) {
    FitTest fit;
    fit.redundancy = redundancy;
    fit.testValue = chiSquareTestValue(redundancy);
    return fit;
}

MonotoneVerdict::MonotoneVerdict(const FitTest& fit)
    : fit_(fit), rejectedBelow_(0), acceptedAbove_(std::numeric_limits<double>::infinity()) {
    const double product = fit.varianceFactor * fit.redundancy;
    if (!std::isfinite(product) || !(product >= 0) || !(fit.testValue > 0)) return;
    // Where the verdict changes, to within rounding; a relative margin of 1e-9 on either side,
    // far beyond the rounding of three operations, and each bound confirmed by the verdict
    // itself, so that nothing rests on the estimate.
    constexpr double margin = 1e-9;
    const double change = std::sqrt(product / fit.testValue);
    const double below = change * (1 - margin);
    const double above = change * (1 + margin);
    if (below > 0 && fit.verdict(below) == Verdict::Rejected) rejectedBelow_ = below;
    if (std::isfinite(above) && fit.verdict(above) == Verdict::Accepted) acceptedAbove_ = above;
}

} // namespace interseccao
