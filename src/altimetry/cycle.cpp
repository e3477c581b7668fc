// The height cycle and the first height.
#include "altimetry/cycle.hpp"

#include "adjustment/stops.hpp"
#include "model/angle_units.hpp"
#include "model/errors.hpp"

#include <cmath>
#include <limits>

namespace interseccao {

namespace {

double horizontalDistance(const ZenithObservation& z, PlanePoint point) {
    const double dP = z.p - point.p;
    const double dM = z.m - point.m;
    return std::sqrt(dP * dP + dM * dM);
}

} // namespace

double firstHeight(const ZenithObservation& first, PlanePoint adjusted) {
    const double d = horizontalDistance(first, adjusted);
    const double h = (first.stationHeight + first.instrumentHeight - first.targetHeight) +
                     d / std::tan(first.zenithReading) + curvatureRefractionCoefficient * (d * d);
    // A vertical first sight (a reading of 0 or PI) crosses no horizontal distance: its
    // tangent is 0, or in floating point only nearly so for PI, and the height is undefined.
    const double z = first.zenithReading;
    if (z == 0 || std::fabs(z) == PI || !std::isfinite(h))
        throw RunError::stop("Cota aproximada indeterminada!");
    return h;
}

HeightCycle::HeightCycle(const std::vector<ZenithObservation>& readings, HeightGeometry geometry)
    : design(readings.size()), misclosure(readings.size()), residual(readings.size()),
      weighted_(readings.size()) {
    // The distances do not change from one iteration to the next: formed once.
    sights_.reserve(readings.size());
    for (const ZenithObservation& z : readings) {
        const double adjustedDistance = horizontalDistance(z, geometry.adjusted);
        sights_.push_back({z.stationHeight, z.instrumentHeight, z.targetHeight, z.zenithReading,
                           horizontalDistance(z, geometry.linearisation),
                           curvatureRefractionCoefficient * (adjustedDistance * adjustedDistance)});
    }
}

double HeightCycle::weightedProduct(const std::vector<double>& x, const std::vector<double>& y) {
    // x · W with W the identity, one 1 × 1 block per reading, as the block product forms it:
    // each element is 0 + x · 1, and not a number when x holds a value that is not finite
    // outside that element's block.
    std::size_t nonFinite = 0;
    for (const double value : x) nonFinite += std::isfinite(value) ? 0 : 1;
    for (std::size_t l = 0; l < x.size(); ++l) {
        const std::size_t inBlock = std::isfinite(x[l]) ? 0 : 1;
        weighted_[l] =
            nonFinite > inBlock ? std::numeric_limits<double>::quiet_NaN() : 0.0 + x[l] * 1.0;
    }
    double sum = 0.0;
    for (std::size_t l = 0; l < x.size(); ++l) sum += weighted_[l] * y[l];
    return sum;
}

void HeightCycle::run(double start) {
    const std::size_t n = sights_.size();
    height = start;
    iterationCount = 1;
    for (;;) {
        for (std::size_t i = 0; i < n; ++i) {
            const Sight& z = sights_[i];
            const double d = z.distance;
            const double dH =
                height - z.stationHeight - z.instrumentHeight + z.targetHeight - z.curvature;
            const double zeta = std::atan2(d, dH);
            design[i] = -d / (d * d + dH * dH);
            misclosure[i] = z.zenithReading - zeta;
        }
        const double normal = weightedProduct(design, design);
        const double absolute = weightedProduct(design, misclosure);
        // Every station at the point's horizontal position, or an underflow when the
        // height runs away, leaves nothing to solve for.
        if (normal == 0) throw RunError::stop(singularMatrixMessage);
        normalInverse = 1.0 / normal;
        correction = normalInverse * absolute;
        height += correction;
        if (++iterationCount > heightIterationLimit)
            throw RunError::stop({}, {" Processo iterativo nao convergente..."});
        if (std::fabs(correction) <= heightCorrectionBound) break;
    }
    for (std::size_t i = 0; i < n; ++i)
        residual[i] = misclosure[i] - (0.0 + design[i] * correction);
    varianceFactor = weightedProduct(residual, residual) / static_cast<std::int32_t>(n - 1);
}

} // namespace interseccao
