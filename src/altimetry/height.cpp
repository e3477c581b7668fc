// Adjusts the sighted point's height from the zenith readings and writes the height results.
#include "altimetry/height.hpp"

#include "angles/conversions.hpp"
#include "planimetry/chi_square.hpp"
#include "planimetry/precision_search.hpp"
#include "run/errors.hpp"
#include "run/observation_file.hpp"

#include <cmath>

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
    if (z == 0 || std::fabs(z) == PI || !std::isfinite(h)) throw Stop("Cota aproximada indeterminada!");
    return h;
}

HeightCycle heightCycle(const ObservationSet& observations, const PlanimetricResult& position, double height,
                        double sigma) {
    const std::int32_t n = observations.zenithObservationCount;
    const double unitVariance = sigma * sigma;
    Matrix covariance(n, n);
    for (std::int32_t i = 1; i <= n; ++i) covariance(i, i) = sigma * sigma;
    Matrix cofactor(n, n);
    for (std::int32_t j = 1; j <= n; ++j)
        for (std::int32_t i = 1; i <= n; ++i) cofactor(i, j) = covariance(i, j) / unitVariance;

    HeightCycle cycle;
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
            const ZenithObservation& z = observations.zenithObservations[static_cast<std::size_t>(i - 1)];
            const double adjustedDistance = horizontalDistance(z, position.adjusted);
            const double d = horizontalDistance(z, position.approximate);
            const double dH = cycle.height - z.stationHeight - z.instrumentHeight + z.targetHeight -
                              curvatureRefractionCoefficient * (adjustedDistance * adjustedDistance);
            const double zeta = std::atan2(d, dH);
            cycle.design(i, 1) = -d / (d * d + dH * dH);
            cycle.misclosure(i, 1) = z.zenithReading - zeta;
        }
        cycle.weight = cofactor;
        invertMatrix(n, n, cycle.weight);
        transposeMatrix(n, 1, cycle.design, designTranspose);
        multiplyMatrices(1, n, n, designTranspose, cycle.weight, f);
        multiplyMatrices(1, n, 1, f, cycle.design, normal);
        multiplyMatrices(1, n, 1, f, cycle.misclosure, absolute);
        // Every station at the point's horizontal position, or an underflow when the
        // height runs away, leaves nothing to solve for.
        if (normal(1, 1) == 0) throw Stop("Matriz singular!");
        cycle.normalInverse = 1.0 / normal(1, 1);
        cycle.correction = cycle.normalInverse * absolute(1, 1);
        cycle.height += cycle.correction;
        if (++cycle.iterationCounter > iterationLimit) throw Stop({}, {" Processo iterativo nao convergente..."});
        if (std::fabs(cycle.correction) <= heightCorrectionBound) return cycle;
    }
}

HeightFit heightFit(const HeightCycle& cycle, std::int32_t n, double unitVariance) {
    HeightFit fit;
    Matrix correction(1, 1);
    correction(1, 1) = cycle.correction;
    Matrix designCorrection(n, 1);
    multiplyMatrices(n, 1, 1, cycle.design, correction, designCorrection);
    fit.residual = Matrix(n, 1);
    for (std::int32_t i = 1; i <= n; ++i) fit.residual(i, 1) = cycle.misclosure(i, 1) - designCorrection(i, 1);
    Matrix residualTranspose(1, n);
    transposeMatrix(n, 1, fit.residual, residualTranspose);
    Matrix weighted(1, n);
    multiplyMatrices(1, n, n, residualTranspose, cycle.weight, weighted);
    Matrix quadraticForm(1, 1);
    multiplyMatrices(1, n, 1, weighted, fit.residual, quadraticForm);
    fit.varianceFactor = quadraticForm(1, 1) / (n - 1);
    fit.testStatistic = fit.varianceFactor * (n - 1) / unitVariance;
    return fit;
}

namespace {

void writeHeightResults(const ObservationSet& observations, double sigma, const HeightCycle& cycle,
                        const HeightFit& fit, Output& output) {
    const AngleUnit unit = observations.angleUnit;
    const std::int32_t n = observations.zenithObservationCount;
    if (unit == AngleUnit::Gon)
        output.writeReportLine("('Precisao a posteriori das leituras zenitais: ',F4.1,' mgon')",
                               {radiansToMilligon(sigma)});
    else
        output.writeReportLine("('Precisao a posteriori das leituras zenitais: ',F4.1,' segundos')",
                               {radiansToArcSeconds(sigma)});
    output.writePlainLine(Channel::Report);
    output.writeReportLine("(A33,I3)", {"Numero de iteracoes (altimetria):", std::int64_t{cycle.iterationCounter}});
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

    output.writeReportLine(unit == AngleUnit::Gon ? "(A28)" : "(A27)", {"Angulos zenitais ajustados:"});
    output.writePlainLine(Channel::Report);
    for (std::int32_t i = 1; i <= n; ++i) {
        const double adjusted =
            observations.zenithObservations[static_cast<std::size_t>(i - 1)].zenithReading - fit.residual(i, 1);
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

    const double heightVariance = cycle.normalInverse * fit.varianceFactor; // square metres
    output.writeReportLine("('Precisao da cota = ',F5.3,' m')", {std::sqrt(heightVariance)});
    output.writePlainLine(Channel::Report);

    Matrix normalInverse(1, 1);
    normalInverse(1, 1) = cycle.normalInverse;
    Matrix designNormal(n, 1);
    multiplyMatrices(n, 1, 1, cycle.design, normalInverse, designNormal);
    Matrix designTranspose(1, n);
    transposeMatrix(n, 1, cycle.design, designTranspose);
    Matrix zenithCofactor(n, n);
    multiplyMatrices(n, 1, n, designNormal, designTranspose, zenithCofactor);
    output.writeReportLine("(A40)", {"Precisao dos angulos zenitais ajustados:"});
    output.writePlainLine(Channel::Report);
    for (std::int32_t i = 1; i <= n; ++i) {
        const double variance = varianceToSquareDegrees(zenithCofactor(i, i) * fit.varianceFactor); // square degrees
        if (unit == AngleUnit::Gon)
            output.writeReportLine("(8X,F7.5,' gon')", {degreesToGon(std::sqrt(variance))});
        else
            output.writeReportLine("(F6.2,' \"')", {std::sqrt(variance) * 3600.0});
    }
}

} // namespace

void runAltimetry(RecordReader& reader, ObservationSet& observations, const PlanimetricResult& position,
                  Output& output) {
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

    double height = firstHeight(observations.zenithObservations.front(), position.adjusted);
    const double testValue = chiSquareTestValue(std::int64_t{n} - 1);
    HeightCycle cycle;
    HeightFit fit;
    observations.zenithSigma = searchPrecision(
        observations.zenithSigma, precisionStep(unit), [&](double sigma) {
            cycle = heightCycle(observations, position, height, sigma);
            height = cycle.height;
            fit = heightFit(cycle, n, sigma * sigma);
            return !(fit.testStatistic > testValue);
        });
    writeHeightResults(observations, observations.zenithSigma, cycle, fit, output);
}

} // namespace interseccao
