// Gauss-Newton on the zenith readings: one unknown, every reading of the same precision.
#include "analysis/zenith_model.hpp"

#include "altimetry/cycle.hpp"

#include <cmath>

namespace interseccao {

ZenithFit fitZenith(const std::vector<ZenithObservation>& readings, const std::vector<bool>& active,
                    PlanePoint point, double start) {
    ZenithFit fit;
    const std::size_t n = readings.size();
    fit.residuals.assign(n, 0.0);
    fit.design.assign(n, 0.0);
    std::int32_t used = 0;
    for (std::size_t i = 0; i < n; ++i) used += active[i] ? 1 : 0;
    fit.degreesOfFreedom = used - 1;
    if (used == 0) return fit;
    double height = start;
    bool converged = false;
    for (std::int32_t iteration = 0; iteration <= zenithIterationLimit; ++iteration) {
        double normal = 0;
        double absolute = 0;
        fit.weightedSquareSum = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (!active[i]) continue;
            const ZenithObservation& z = readings[i];
            const double d = std::hypot(z.m - point.m, z.p - point.p);
            const double dH = height - z.stationHeight - z.instrumentHeight + z.targetHeight -
                              curvatureRefractionCoefficient * d * d;
            const double b = -d / (d * d + dH * dH);
            const double v = z.zenithReading - std::atan2(d, dH);
            fit.design[i] = b;
            fit.residuals[i] = v;
            fit.weightedSquareSum += v * v;
            normal += b * b;
            absolute += b * v;
        }
        if (!(normal > 0) || !std::isfinite(normal)) return fit;
        fit.normalInverse = 1.0 / normal;
        fit.height = height;
        if (converged) {
            fit.determined = true;
            return fit;
        }
        const double correction = fit.normalInverse * absolute;
        if (!std::isfinite(correction)) return fit;
        height += correction;
        converged = std::fabs(correction) < zenithConvergenceBound;
    }
    return fit;
}

} // namespace interseccao
