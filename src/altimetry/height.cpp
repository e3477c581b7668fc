// Adjusts the sighted point's height from the zenith readings and writes the height results.
#include "altimetry/height.hpp"

#include "angles/conversions.hpp"
#include "planimetry/chi_square.hpp"
#include "planimetry/precision_search.hpp"
#include "run/errors.hpp"
#include "run/observation_file.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace interseccao {

namespace {

// The value 10 bounds both the size of a final correction (metres) and the iterations.
constexpr double heightCorrectionBound = iterationLimit;

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
        throw Stop("Cota aproximada indeterminada!");
    return h;
}

namespace {

// X · W for X with `rows` rows and n columns, through the cycle's own form of the weights.
void multiplyByReadingWeight(const HeightCycle& cycle, std::int32_t rows, std::int32_t n,
                             const Matrix& x, Matrix& result) {
    if (cycle.path == ComputationPath::General)
        multiplyMatrices(rows, n, n, x, cycle.weight, result);
    else
        multiplyByBlockDiagonal(rows, x, cycle.readingWeights, result);
}

} // namespace

HeightCycle heightCycle(const ObservationSet& observations, const PlanimetricResult& position,
                        double height, double sigma, ComputationPath path) {
    const std::int32_t n = observations.zenithObservationCount;
    const double unitVariance = sigma * sigma;
    HeightCycle cycle;
    cycle.path = path;
    Matrix cofactor;
    if (path == ComputationPath::General) {
        Matrix covariance(n, n);
        for (std::int32_t i = 1; i <= n; ++i) covariance(i, i) = sigma * sigma;
        cofactor = Matrix(n, n);
        for (std::int32_t j = 1; j <= n; ++j)
            for (std::int32_t i = 1; i <= n; ++i) cofactor(i, j) = covariance(i, j) / unitVariance;
    } else {
        // The readings are uncorrelated and share one variance: the cofactor and weight
        // matrices are diagonal, and one 1 × 1 block, inverted once, serves every reading.
        Matrix block(1, 1);
        block(1, 1) = (sigma * sigma) / unitVariance;
        invertMatrix(1, 1, block);
        for (std::int32_t i = 1; i <= n; ++i) cycle.readingWeights.appendBlock(block);
    }

    cycle.height = height;
    cycle.iterationCounter = 1;
    cycle.design = Matrix(n, 1);
    cycle.misclosure = Matrix(n, 1);
    Matrix designTranspose(1, n);
    Matrix f(1, n);
    Matrix normal(1, 1);
    Matrix absolute(1, 1);
    for (;;) {
        for (std::int32_t i = 1; i <= n; ++i) {
            const ZenithObservation& z =
                observations.zenithObservations[static_cast<std::size_t>(i - 1)];
            const double adjustedDistance = horizontalDistance(z, position.adjusted);
            const double d = horizontalDistance(z, position.approximate);
            const double dH =
                cycle.height - z.stationHeight - z.instrumentHeight + z.targetHeight -
                curvatureRefractionCoefficient * (adjustedDistance * adjustedDistance);
            const double zeta = std::atan2(d, dH);
            cycle.design(i, 1) = -d / (d * d + dH * dH);
            cycle.misclosure(i, 1) = z.zenithReading - zeta;
        }
        if (path == ComputationPath::General) {
            cycle.weight = cofactor;
            invertMatrix(n, n, cycle.weight);
        }
        transposeMatrix(n, 1, cycle.design, designTranspose);
        multiplyByReadingWeight(cycle, 1, n, designTranspose, f);
        multiplyMatrices(1, n, 1, f, cycle.design, normal);
        multiplyMatrices(1, n, 1, f, cycle.misclosure, absolute);
        // Every station at the point's horizontal position, or an underflow when the
        // height runs away, leaves nothing to solve for.
        if (normal(1, 1) == 0) throw Stop("Matriz singular!");
        cycle.normalInverse = 1.0 / normal(1, 1);
        cycle.correction = cycle.normalInverse * absolute(1, 1);
        cycle.height += cycle.correction;
        if (++cycle.iterationCounter > iterationLimit)
            throw Stop({}, {" Processo iterativo nao convergente..."});
        if (std::fabs(cycle.correction) <= heightCorrectionBound) return cycle;
    }
}

HeightFit heightFit(const HeightCycle& cycle, std::int32_t n, double unitVariance) {
    HeightFit fit;
    Matrix correction(1, 1);
    correction(1, 1) = cycle.correction;
    fit.residual = residuals(n, 1, cycle.misclosure, cycle.design, correction);
    const double weightedSum =
        weightedSquareSum(n, fit.residual, [&](const Matrix& row, Matrix& weighted) {
            multiplyByReadingWeight(cycle, 1, n, row, weighted);
        });
    fit.varianceFactor = weightedSum / (n - 1);
    fit.testStatistic = heightTestStatistic(fit.varianceFactor, n, unitVariance);
    return fit;
}

double heightTestStatistic(double varianceFactor, std::int32_t n, double unitVariance) {
    return varianceFactor * (n - 1) / unitVariance;
}

namespace {

void writeHeightResults(const ObservationSet& observations, double sigma, const HeightCycle& cycle,
                        const HeightFit& fit, Output& output) {
    const AngleUnit unit = observations.angleUnit;
    const std::int32_t n = observations.zenithObservationCount;
    std::vector<double> adjustedAngles(static_cast<std::size_t>(n)); // radians
    for (std::int32_t i = 1; i <= n; ++i)
        adjustedAngles[static_cast<std::size_t>(i - 1)] =
            observations.zenithObservations[static_cast<std::size_t>(i - 1)].zenithReading -
            fit.residual(i, 1);
    const double heightVariance = cycle.normalInverse * fit.varianceFactor; // square metres
    Matrix normalInverse(1, 1);
    normalInverse(1, 1) = cycle.normalInverse;
    // Only the diagonal of the adjusted zenith angles' cofactor matrix is printed.
    const Matrix zenithCofactorDiagonal =
        adjustedCofactorDiagonal(cycle.path, n, 1, cycle.design, normalInverse);
    std::vector<double> angleVariances(static_cast<std::size_t>(n)); // square degrees
    for (std::int32_t i = 1; i <= n; ++i)
        angleVariances[static_cast<std::size_t>(i - 1)] =
            varianceToSquareDegrees(zenithCofactorDiagonal(i, 1) * fit.varianceFactor);

    // A height that ran away can leave values without meaning; the report would show them
    // only as asterisks.
    bool computable = std::isfinite(sigma) && std::isfinite(cycle.height) && heightVariance >= 0 &&
                      std::isfinite(heightVariance);
    for (std::int32_t i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i - 1);
        computable = computable && std::isfinite(fit.residual(i, 1)) &&
                     std::isfinite(adjustedAngles[k]) && angleVariances[k] >= 0 &&
                     std::isfinite(angleVariances[k]);
    }
    if (!computable) throw Stop(outOfRangeMessage);

    if (unit == AngleUnit::Gon)
        output.writeReportLine("('Precisao a posteriori das leituras zenitais: ',F4.1,' mgon')",
                               {radiansToMilligon(sigma)});
    else
        output.writeReportLine("('Precisao a posteriori das leituras zenitais: ',F4.1,' segundos')",
                               {radiansToArcSeconds(sigma)});
    output.writePlainLine(Channel::Report);
    output.writeReportLine(
        "(A33,I3)", {"Numero de iteracoes (altimetria):", std::int64_t{cycle.iterationCounter}});
    output.writePlainLine(Channel::Report);
    output.writeReportLine("(A14)", {"Cota ajustada:"});
    output.writePlainLine(Channel::Report);
    const std::string& name = observations.sightedPointName;
    if (const std::size_t length = nameLength(name); length > 0)
        output.writeReportLine(resultLayout('C', length), {name, cycle.height});
    output.writePlainLine(Channel::Report);

    output.writeReportLine("(A30)", {"Residuos dos angulos zenitais:"});
    output.writePlainLine(Channel::Report);
    for (std::int32_t i = 1; i <= n; ++i) {
        const double v = fit.residual(i, 1);
        switch (unit) {
        case AngleUnit::Sexagesimal:
            output.writeReportLine("(1X,F7.2,' \"')", {radiansToArcSeconds(v)});
            break;
        case AngleUnit::DecimalDegrees:
            output.writeReportLine("(5X,F7.2,' \"')", {radiansToArcSeconds(v)});
            break;
        case AngleUnit::Gon:
            output.writeReportLine("(1X,F15.6,' mgon')", {radiansToMilligon(v)});
            break;
        }
    }
    output.writePlainLine(Channel::Report);

    output.writeReportLine(unit == AngleUnit::Gon ? "(A28)" : "(A27)",
                           {"Angulos zenitais ajustados:"});
    output.writePlainLine(Channel::Report);
    for (const double adjusted : adjustedAngles) {
        switch (unit) {
        case AngleUnit::DecimalDegrees:
            output.writeReportLine("(F12.5)", {radiansToDegrees(adjusted)});
            break;
        case AngleUnit::Sexagesimal: {
            const DegreesMinutesSeconds dms = splitDegrees(radiansToDegrees(adjusted));
            output.writeReportLine("(5X,I3,I3,F5.1)", {dms.degrees, dms.minutes, dms.seconds});
            break;
        }
        case AngleUnit::Gon:
            output.writeReportLine("(5X,F10.5,' gon')", {radiansToGon(adjusted)});
            break;
        }
    }
    output.writePlainLine(Channel::Report);

    output.writeReportLine("('Precisao da cota = ',F5.3,' m')", {std::sqrt(heightVariance)});
    output.writePlainLine(Channel::Report);

    output.writeReportLine("(A40)", {"Precisao dos angulos zenitais ajustados:"});
    output.writePlainLine(Channel::Report);
    for (const double variance : angleVariances) {
        if (unit == AngleUnit::Gon)
            output.writeReportLine("(8X,F7.5,' gon')", {degreesToGon(std::sqrt(variance))});
        else
            output.writeReportLine("(F6.2,' \"')", {std::sqrt(variance) * 3600.0});
    }
}

// What the precision search needs of a cycle: the height it ends at and its variance
// factor; neither depends on the precision the cycle was run at.
struct CycleOutcome {
    double height = 0;
    double varianceFactor = 0;
};

// The outcomes of the cycles run so far, by the exact height each started from. Once the
// heights repeat (one value, or a few in turn, as the last bits settle), every further
// cycle of a long search is one already run.
class CycleOutcomes {
public:
    const CycleOutcome* find(double startHeight) const {
        const auto found = outcomes_.find(std::bit_cast<std::uint64_t>(startHeight));
        return found == outcomes_.end() ? nullptr : &found->second;
    }
    void add(double startHeight, CycleOutcome outcome) {
        // A height that keeps drifting is not worth remembering without end.
        if (outcomes_.size() < 4096)
            outcomes_.emplace(std::bit_cast<std::uint64_t>(startHeight), outcome);
    }

private:
    std::unordered_map<std::uint64_t, CycleOutcome> outcomes_;
};

} // namespace

void runAltimetry(RecordReader& reader, ObservationSet& observations,
                  const PlanimetricResult& position, Output& output, ComputationPath path) {
    readZenithObservations(reader, observations);
    const std::int32_t n = observations.zenithObservationCount;
    const AngleUnit unit = observations.angleUnit;
    for (int i = 0; i < 3; ++i) output.writePlainLine(Channel::Report);
    if (unit == AngleUnit::Gon)
        output.writeReportLine("('Precisao a priori das leituras zenitais:',F5.1,' mgon')",
                               {radiansToMilligon(observations.zenithSigma)});
    else
        output.writeReportLine("('Precisao a priori das leituras zenitais:',F5.1,' segundos')",
                               {radiansToArcSeconds(observations.zenithSigma)});
    output.writePlainLine(Channel::Report);
    output.writeReportLine("('Redundancia (altimetria): ',I3)", {std::int64_t{n} - 1});
    output.writePlainLine(Channel::Report);
    if (n <= 1) return;

    const HeightSearch search = searchHeight(observations, position, path);
    observations.zenithSigma = search.sigma;
    writeHeightResults(observations, search.sigma, search.cycle, search.fit, output);
}

HeightSearch searchHeight(const ObservationSet& observations, const PlanimetricResult& position,
                          ComputationPath path) {
    const std::int32_t n = observations.zenithObservationCount;
    double height = firstHeight(observations.zenithObservations.front(), position.adjusted);
    const double testValue = chiSquareTestValue(std::int64_t{n} - 1);
    const double step = precisionStep(observations.angleUnit);
    HeightSearch search;
    if (path == ComputationPath::General) {
        search.sigma = searchPrecision(observations.zenithSigma, step, [&](double sigma) {
            search.cycle = heightCycle(observations, position, height, sigma, path);
            height = search.cycle.height;
            search.fit = heightFit(search.cycle, n, sigma * sigma);
            return !(search.fit.testStatistic > testValue);
        });
        return search;
    }

    // Cycles are run only from heights not seen before; the cycle whose results are
    // reported is run again at the end when its outcome came from an earlier one.
    CycleOutcomes outcomes;
    bool lastCycleRun = false;
    double lastStart = height;
    double lastSigma = observations.zenithSigma;
    search.sigma = searchPrecision(observations.zenithSigma, step, [&](double sigma) {
        lastStart = height;
        lastSigma = sigma;
        CycleOutcome outcome;
        if (const CycleOutcome* seen = outcomes.find(height)) {
            outcome = *seen;
            lastCycleRun = false;
        } else {
            search.cycle = heightCycle(observations, position, height, sigma, path);
            search.fit = heightFit(search.cycle, n, sigma * sigma);
            outcome = {search.cycle.height, search.fit.varianceFactor};
            outcomes.add(height, outcome);
            lastCycleRun = true;
        }
        height = outcome.height;
        return !(heightTestStatistic(outcome.varianceFactor, n, sigma * sigma) > testValue);
    });
    if (!lastCycleRun) {
        search.cycle = heightCycle(observations, position, lastStart, lastSigma, path);
        search.fit = heightFit(search.cycle, n, lastSigma * lastSigma);
    }
    return search;
}

} // namespace interseccao
