// Both adjustments with full matrices: readings' covariance, condition matrix, weights,
// products and cofactor matrices in full.
#include "general_computation.hpp"

#include "adjustment/stops.hpp"
#include "model/angle_units.hpp"
#include "model/errors.hpp"

#include <cmath>

namespace interseccao::general {

namespace {

// The readings' covariance (the a-priori variance on the diagonal) divided by the variance
// of unit weight.
Matrix readingCofactorMatrix(std::int32_t readings, double variance, double unitVariance) {
    Matrix covariance(readings, readings);
    for (std::int32_t i = 1; i <= readings; ++i) covariance(i, i) = variance;
    Matrix cofactor(readings, readings);
    for (std::int32_t j = 1; j <= readings; ++j)
        for (std::int32_t i = 1; i <= readings; ++i)
            cofactor(i, j) = covariance(i, j) / unitVariance;
    return cofactor;
}

} // namespace

Matrix fullAngleWeight(const ObservationSet& observations, double precision) {
    const std::int32_t n = observations.stationCount;
    const std::int32_t t = observations.angleCount();
    const std::int32_t readings = n + t;
    const Matrix q = readingCofactorMatrix(readings, precision * precision, precision * precision);
    Matrix c(t, readings);
    std::int32_t k = 0;
    std::int32_t i = 0;
    for (const Station& station : observations.stations) {
        ++i;
        std::int32_t j = 0;
        for (std::size_t r = 0; r < station.references.size(); ++r) {
            ++k;
            ++j;
            c(k, k + i - j) = -1.0;
            c(k, k + i) = 1.0;
        }
    }
    Matrix cTranspose(readings, t);
    transposeMatrix(t, readings, c, cTranspose);
    Matrix cq(t, readings);
    multiplyMatrices(t, readings, readings, c, q, cq);
    Matrix weight(t, t);
    multiplyMatrices(t, readings, t, cq, cTranspose, weight);
    invertOrStop(t, weight);
    return weight;
}

namespace {

struct FullPass {
    PlanimetricPass pass; // its block weights are not formed
    Matrix weight;        // t × t
};

FullPass adjustInFull(const ObservationSet& observations, PlanePoint approximate,
                      double precision) {
    const std::int32_t t = observations.angleCount();
    FullPass full;
    PlanimetricPass& pass = full.pass;
    pass.angles = t;
    pass.linearisation = approximate;
    pass.observedAngle = observedAngles(observations);
    pass.referenceBearing = referenceBearings(observations);
    full.weight = fullAngleWeight(observations, precision);
    pass.designMatrix = Matrix(t, 2);
    pass.misclosure = Matrix(t, 1);
    Matrix designTranspose(2, t), weightedTranspose(2, t), normal(2, 2), absolute(2, 1),
        correction(2, 1);
    for (std::int32_t counter = 1;; ++counter) {
        if (counter > iterationLimit) throw RunError::stop({}, {" Processo nao convergente..."});
        linearise(observations, pass);
        transposeMatrix(t, 2, pass.designMatrix, designTranspose);
        multiplyMatrices(2, t, t, designTranspose, full.weight, weightedTranspose);
        multiplyMatrices(2, t, 2, weightedTranspose, pass.designMatrix, normal);
        multiplyMatrices(2, t, 1, weightedTranspose, pass.misclosure, absolute);
        pass.normalInverse = normal;
        invertOrStop(2, pass.normalInverse);
        multiplyMatrices(2, 2, 1, pass.normalInverse, absolute, correction);
        pass.correctionM = correction(1, 1);
        pass.correctionP = correction(2, 1);
        if (std::fabs(pass.correctionM) < observations.tolerance &&
            std::fabs(pass.correctionP) < observations.tolerance) {
            pass.iterationCount = counter;
            return full;
        }
        pass.linearisation.m += pass.correctionM;
        pass.linearisation.p += pass.correctionP;
    }
}

// vᵀ · W · v with W in full.
double weightedSquareSumInFull(std::int32_t n, const Matrix& v, const Matrix& weight) {
    return weightedSquareSum(
        n, v, [&](const Matrix& row, Matrix& out) { multiplyMatrices(1, n, n, row, weight, out); });
}

// The diagonal of the whole product (A · N⁻¹) · Aᵀ.
Matrix cofactorDiagonalInFull(std::int32_t rows, std::int32_t unknowns, const Matrix& design,
                              const Matrix& normalInverse) {
    Matrix designNormal(rows, unknowns);
    multiplyMatrices(rows, unknowns, unknowns, design, normalInverse, designNormal);
    Matrix designTranspose(unknowns, rows);
    transposeMatrix(rows, unknowns, design, designTranspose);
    Matrix cofactor(rows, rows);
    multiplyMatrices(rows, unknowns, rows, designNormal, designTranspose, cofactor);
    Matrix diagonal(rows, 1);
    for (std::int32_t i = 1; i <= rows; ++i) diagonal(i, 1) = cofactor(i, i);
    return diagonal;
}

} // namespace

PlanimetricSolution solvePlanimetry(const ObservationSet& observations,
                                    const Orientation& orientation, PassRepetition repetition) {
    const PlanePoint approximate = approximatePosition(observations, orientation);
    if (observations.stationCount == 2) return PlanimetricSolution::unadjusted(approximate);
    FullPass full = adjustInFull(observations, approximate, observations.aprioriPrecision);
    const std::int32_t t = full.pass.angles;
    FitTest fit = FitTest::forRedundancy(observations.redundancy());
    Matrix residual;
    bool first = true;
    const PrecisionSearch search = searchedOrStop(searchPrecision(
        observations.aprioriPrecision, precisionStep(observations.angleUnit),
        [&](double precision) {
            if (!first && repetition == PassRepetition::Rerun)
                full = adjustInFull(observations, approximate, precision);
            first = false;
            Matrix correction(2, 1);
            correction(1, 1) = full.pass.correctionM;
            correction(2, 1) = full.pass.correctionP;
            residual = residuals(t, 2, full.pass.misclosure, full.pass.designMatrix, correction);
            fit.varianceFactor = weightedSquareSumInFull(t, residual, full.weight) / fit.redundancy;
            return fit.verdict(precision);
        }));
    const Matrix diagonal =
        cofactorDiagonalInFull(t, 2, full.pass.designMatrix, full.pass.normalInverse);
    PlanimetricSolution solution = planimetricResults(full.pass, residual, fit, search, diagonal);
    solution.approximate = approximate;
    return solution;
}

namespace {

// One height cycle with the readings' weight matrix formed and inverted in full at every
// iteration; `cycle` receives what the program's own cycle leaves.
void runCycleInFull(const ObservationSet& observations, HeightGeometry geometry, double start,
                    double sigma, HeightCycle& cycle, Matrix& design) {
    const auto n = static_cast<std::int32_t>(observations.zenithObservations.size());
    const Matrix cofactor = readingCofactorMatrix(n, sigma * sigma, sigma * sigma);
    cycle.height = start;
    cycle.iterationCount = 1;
    design = Matrix(n, 1);
    Matrix misclosure(n, 1), designTranspose(1, n), f(1, n), normal(1, 1), absolute(1, 1);
    Matrix weight;
    for (;;) {
        for (std::int32_t i = 1; i <= n; ++i) {
            const ZenithObservation& z =
                observations.zenithObservations[static_cast<std::size_t>(i - 1)];
            const double am = z.m - geometry.adjusted.m, ap = z.p - geometry.adjusted.p;
            const double adjustedDistance = std::sqrt(ap * ap + am * am);
            const double lm = z.m - geometry.linearisation.m, lp = z.p - geometry.linearisation.p;
            const double d = std::sqrt(lp * lp + lm * lm);
            const double dH =
                cycle.height - z.stationHeight - z.instrumentHeight + z.targetHeight -
                curvatureRefractionCoefficient * (adjustedDistance * adjustedDistance);
            design(i, 1) = -d / (d * d + dH * dH);
            misclosure(i, 1) = z.zenithReading - std::atan2(d, dH);
        }
        weight = cofactor;
        invertOrStop(n, weight);
        transposeMatrix(n, 1, design, designTranspose);
        multiplyMatrices(1, n, n, designTranspose, weight, f);
        multiplyMatrices(1, n, 1, f, design, normal);
        multiplyMatrices(1, n, 1, f, misclosure, absolute);
        if (normal(1, 1) == 0) throw RunError::stop("Matriz singular!");
        cycle.normalInverse = 1.0 / normal(1, 1);
        cycle.correction = cycle.normalInverse * absolute(1, 1);
        cycle.height += cycle.correction;
        if (++cycle.iterationCount > heightIterationLimit)
            throw RunError::stop({}, {" Processo iterativo nao convergente..."});
        if (std::fabs(cycle.correction) <= heightCorrectionBound) break;
    }
    Matrix correction(1, 1);
    correction(1, 1) = cycle.correction;
    const Matrix v = residuals(n, 1, misclosure, design, correction);
    for (std::int32_t i = 1; i <= n; ++i) {
        cycle.design[static_cast<std::size_t>(i - 1)] = design(i, 1);
        cycle.misclosure[static_cast<std::size_t>(i - 1)] = misclosure(i, 1);
        cycle.residual[static_cast<std::size_t>(i - 1)] = v(i, 1);
    }
    cycle.varianceFactor = weightedSquareSumInFull(n, v, weight) / (n - 1);
}

} // namespace

HeightSolution solveHeight(const ObservationSet& observations, HeightGeometry geometry) {
    const std::vector<ZenithObservation>& readings = observations.zenithObservations;
    const auto n = static_cast<std::int32_t>(readings.size());
    const double first = firstHeight(readings.front(), geometry.adjusted);
    FitTest fit = FitTest::forRedundancy(n - 1);
    HeightCycle cycle(readings, geometry);
    Matrix design;
    double height = first;
    const PrecisionSearch search = searchedOrStop(searchPrecision(
        observations.aprioriPrecision, precisionStep(observations.angleUnit), [&](double sigma) {
            runCycleInFull(observations, geometry, height, sigma, cycle, design);
            height = cycle.height;
            fit.varianceFactor = cycle.varianceFactor;
            return fit.verdict(sigma);
        }));
    Matrix normalInverse(1, 1);
    normalInverse(1, 1) = cycle.normalInverse;
    HeightSolution solution = heightResults(readings, cycle, fit, search,
                                            cofactorDiagonalInFull(n, 1, design, normalInverse));
    solution.firstHeight = first;
    return solution;
}

} // namespace interseccao::general
