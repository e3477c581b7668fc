// The planimetric fit, precision search and adjusted values.
#include "planimetry/solution.hpp"

#include "adjustment/stops.hpp"
#include "model/angle_units.hpp"
#include "model/errors.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace interseccao {

FitTest planimetricFit(const ObservationSet& observations, const PlanimetricPass& pass,
                       Matrix& residual) {
    const std::int32_t t = pass.angles;
    Matrix correction(2, 1);
    correction(1, 1) = pass.correctionM;
    correction(2, 1) = pass.correctionP;
    residual = residuals(t, 2, pass.misclosure, pass.designMatrix, correction);
    const double weightedSum = weightedSquareSum(t, residual, [&](const Matrix& row, Matrix& out) {
        multiplyByBlockDiagonal(1, row, pass.angleWeight, out);
    });
    FitTest fit = FitTest::forRedundancy(observations.redundancy());
    fit.varianceFactor = weightedSum / fit.redundancy;
    return fit;
}

PlanimetricSolution planimetricResults(const PlanimetricPass& pass, const Matrix& residual,
                                       const FitTest& fit, const PrecisionSearch& search,
                                       const Matrix& angleCofactorDiagonal) {
    const std::int32_t t = pass.angles;
    PlanimetricSolution s;
    s.adjusted = true;
    s.iterationCount = pass.iterationCount;
    s.linearisation = pass.linearisation;
    s.point = {pass.linearisation.m + pass.correctionM, pass.linearisation.p + pass.correctionP};
    s.fit = fit;
    s.search = search;
    s.cofactor = {pass.normalInverse(1, 1), pass.normalInverse(1, 2), pass.normalInverse(2, 1),
                  pass.normalInverse(2, 2)};
    const double variance = fit.varianceFactor;
    const double varianceM = variance * pass.normalInverse(1, 1); // square metres
    const double varianceP = variance * pass.normalInverse(2, 2);
    // A diverging adjustment can end in values that have no meaning (overflowed, or the
    // square root of a negative variance); the report would show them only as asterisks.
    bool computable = std::isfinite(search.precision) && std::isfinite(s.point.m) &&
                      std::isfinite(s.point.p) && varianceM >= 0 && std::isfinite(varianceM) &&
                      varianceP >= 0 && std::isfinite(varianceP);
    s.deviationM = std::sqrt(varianceM);
    s.deviationP = std::sqrt(varianceP);
    for (auto* values :
         {&s.observedAngles, &s.residuals, &s.adjustedAngles, &s.adjustedAngleDeviations})
        values->reserve(static_cast<std::size_t>(std::max(t, 0)));
    for (std::int32_t k = 1; k <= t; ++k) {
        const double observed = pass.observedAngle(k, 1);
        const double v = residual(k, 1);
        const double adjusted = std::fabs(observed - v);
        const double angleVariance =
            varianceToSquareDegrees(angleCofactorDiagonal(k, 1) * variance);
        computable = computable && std::isfinite(v) && std::isfinite(adjusted) &&
                     angleVariance >= 0 && std::isfinite(angleVariance);
        s.observedAngles.push_back(observed);
        s.residuals.push_back(v);
        s.adjustedAngles.push_back(adjusted);
        s.adjustedAngleDeviations.push_back(std::sqrt(angleVariance));
    }
    if (!computable) throw RunError::stop(outOfRangeMessage);
    return s;
}

PlanePoint approximatePosition(const ObservationSet& observations, const Orientation& orientation) {
    // An orientation that stopped holds no bearing for the stations after its stop: reading
    // them would read memory never written.
    if (orientation.stopMessage || observations.stations.size() < 2 ||
        orientation.stations.size() != observations.stations.size())
        throw std::logic_error("a position from stations not all oriented");
    return formApproximatePosition(observations.stations[0], orientation.stations[0].meanBearing,
                                   observations.stations[1], orientation.stations[1].meanBearing);
}

PlanimetricSolution solvePlanimetry(const ObservationSet& observations,
                                    const Orientation& orientation) {
    const PlanePoint approximate = approximatePosition(observations, orientation);
    if (observations.stationCount == 2) return PlanimetricSolution::unadjusted(approximate);
    const PlanimetricPass pass = adjustPlanimetry(observations, approximate);
    Matrix residual;
    const FitTest fit = planimetricFit(observations, pass, residual);
    // The residuals and the variance factor are the same at every precision: a pass's
    // coordinates, residuals and weights do not depend on it. Each test only divides by
    // its own precision's square, and most need not even that.
    const PrecisionSearch search = searchedOrStop(
        searchPrecision(observations.aprioriPrecision, precisionStep(observations.angleUnit),
                        MonotoneVerdict(fit)));
    const Matrix diagonal =
        adjustedCofactorDiagonal(pass.angles, 2, pass.designMatrix, pass.normalInverse);
    PlanimetricSolution solution = planimetricResults(pass, residual, fit, search, diagonal);
    solution.approximate = approximate;
    return solution;
}

} // namespace interseccao
