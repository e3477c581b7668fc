// The heading of the report and the iterative least-squares pass of the planimetric adjustment.
#include "planimetry/adjustment.hpp"

#include "angles/conversions.hpp"
#include "run/errors.hpp"

#include <cmath>
#include <map>
#include <string>

namespace interseccao {

void writePlanimetricHeading(const ObservationSet& observations, Output& output) {
    const std::string stars(72, '*');
    output.writeReportLine("(A72)", {stars});
    output.writeReportLine("('Calculo por interseccao inversa das coordenadas do ponto ',A12)",
                           {observations.sightedPointName});
    output.writeReportLine("(A72)", {stars});
    for (int i = 0; i < 3; ++i) output.writePlainLine(Channel::Report);
    switch (observations.angleUnit) {
    case AngleUnit::DecimalDegrees:
        output.writeReportLine("(A40)", {"Leituras angulares em: graus centesimais"});
        break;
    case AngleUnit::Sexagesimal:
        output.writeReportLine("(A41)", {"Leituras angulares em: graus sexagesimais"});
        break;
    case AngleUnit::Gon: output.writeReportLine("(A29)", {"Leituras angulares em: grados"}); break;
    }
    output.writePlainLine(Channel::Report);
    output.writeReportLine("('Tolerancia entre iteracoes consecutivas das coordenadas:',F5.3,' m')",
                           {observations.tolerance});
    for (int i = 0; i < 3; ++i) output.writePlainLine(Channel::Report);
    if (observations.angleUnit == AngleUnit::Gon)
        output.writeReportLine("('Precisao a priori das leituras azimutais:',F5.1,' mgon')",
                               {radiansToMilligon(observations.aprioriPrecision)});
    else
        output.writeReportLine("('Precisao a priori das leituras azimutais:',F5.1,' segundos')",
                               {radiansToArcSeconds(observations.aprioriPrecision)});
    output.writePlainLine(Channel::Report);
    output.writeReportLine("('Redundancia (planimetria): ',I3)",
                           {std::int64_t{observations.redundancy}});
    output.writePlainLine(Channel::Report);
}

namespace {

// The readings' covariance (the a-priori variance on the diagonal) divided by the variance
// of unit weight: the identity, since the two variances are the same.
Matrix readingCofactorMatrix(std::int32_t readings, double aprioriVariance, double unitVariance) {
    Matrix readingCovariance(readings, readings);
    for (std::int32_t i = 1; i <= readings; ++i) readingCovariance(i, i) = aprioriVariance;
    Matrix readingCofactor(readings, readings);
    for (std::int32_t j = 1; j <= readings; ++j)
        for (std::int32_t i = 1; i <= readings; ++i)
            readingCofactor(i, j) = readingCovariance(i, j) / unitVariance;
    return readingCofactor;
}

// The weight matrix of `angles` observed angles formed from `readings` raw readings by the
// condition matrix C: the inverse of C · Q · Cᵀ, with Q the readings' cofactor matrix.
Matrix angleWeightOf(std::int32_t angles, std::int32_t readings, const Matrix& conditionMatrix,
                     const Matrix& readingCofactor) {
    Matrix conditionTranspose(readings, angles);
    transposeMatrix(angles, readings, conditionMatrix, conditionTranspose);
    Matrix conditionCofactor(angles, readings);
    multiplyMatrices(angles, readings, readings, conditionMatrix, readingCofactor,
                     conditionCofactor);
    Matrix angleCofactor(angles, angles);
    multiplyMatrices(angles, readings, angles, conditionCofactor, conditionTranspose,
                     angleCofactor);
    invertMatrix(angles, angles, angleCofactor);
    return angleCofactor;
}

// The weight matrix of the observed angles in full: the raw readings' cofactor matrix
// carried through the condition matrix, then inverted.
Matrix fullAngleWeight(const ObservationSet& observations, double aprioriVariance,
                       double unitVariance) {
    const std::int32_t n = observations.stationCount;
    const auto t = static_cast<std::int32_t>(observations.referenceCount);
    const std::int32_t readings = n + t;
    const Matrix readingCofactor = readingCofactorMatrix(readings, aprioriVariance, unitVariance);

    // Each observed angle is the reference reading minus the station's reading to the point.
    Matrix conditionMatrix(t, readings);
    {
        std::int32_t k = 0;
        std::int32_t i = 0;
        for (const Station& station : observations.stations) {
            ++i;
            std::int32_t j = 0;
            for (std::size_t r = 0; r < station.references.size(); ++r) {
                ++k;
                ++j;
                conditionMatrix(k, k + i - j) = -1.0;
                conditionMatrix(k, k + i) = 1.0;
            }
        }
    }
    return angleWeightOf(t, readings, conditionMatrix, readingCofactor);
}

// The same weight matrix one block per station. A station's angles use only its own
// readings, so its rows of the condition matrix are zero outside its readings and
// angleCofactor is zero between stations; each block is formed from the station's
// readings alone with the same routines, and inverted on its own, which gives the values
// that the inversion of the whole matrix gives on the block, with zeros outside. A block
// depends on the station's number of sightings alone (the readings' cofactor is the
// identity), so it is formed once for each number.
BlockDiagonalMatrix stationAngleWeights(const ObservationSet& observations, double aprioriVariance,
                                        double unitVariance) {
    BlockDiagonalMatrix weights;
    std::map<std::int32_t, std::size_t> blockOfSize;
    for (const Station& station : observations.stations) {
        const auto s = static_cast<std::int32_t>(station.references.size());
        if (const auto earlier = blockOfSize.find(s); earlier != blockOfSize.end()) {
            weights.repeatBlock(earlier->second);
            continue;
        }
        blockOfSize[s] = weights.blockCount();
        const std::int32_t readings = s + 1; // the reading to the point, then one per reference
        const Matrix readingCofactor =
            readingCofactorMatrix(readings, aprioriVariance, unitVariance);
        Matrix conditionMatrix(s, readings);
        for (std::int32_t j = 1; j <= s; ++j) {
            conditionMatrix(j, 1) = -1.0;
            conditionMatrix(j, j + 1) = 1.0;
        }
        weights.appendBlock(angleWeightOf(s, readings, conditionMatrix, readingCofactor));
    }
    return weights;
}

} // namespace

void multiplyByAngleWeight(const PlanimetricPass& pass, std::int32_t rows, const Matrix& x,
                           Matrix& result) {
    if (pass.path == ComputationPath::General)
        multiplyMatrices(rows, pass.sightings, pass.sightings, x, pass.angleWeight, result);
    else
        multiplyByBlockDiagonal(rows, x, pass.stationWeights, result);
}

PlanimetricPass adjustPlanimetry(const ObservationSet& observations, double aprioriPrecision,
                                 ComputationPath path) {
    const std::int32_t n = observations.stationCount;
    const auto t = static_cast<std::int32_t>(observations.referenceCount);
    PlanimetricPass pass;
    pass.path = path;
    pass.sightings = t;

    // The readings all have the same variance, so their cofactor matrix is the identity
    // whatever the precision.
    const double aprioriVariance = aprioriPrecision * aprioriPrecision;
    pass.unitVariance = aprioriVariance;

    pass.observedAngle = Matrix(t, 1);
    {
        std::int32_t k = 0;
        for (const Station& station : observations.stations)
            for (const ReferenceSighting& reference : station.references)
                pass.observedAngle(++k, 1) = reference.reading - station.pointReading;
    }

    pass.approximate = formApproximatePosition(observations.stations[0], observations.stations[1]);
    if (n == 2) {
        pass.zeroRedundancy = true;
        return pass;
    }

    if (path == ComputationPath::General)
        pass.angleWeight = fullAngleWeight(observations, aprioriVariance, pass.unitVariance);
    else
        pass.stationWeights = stationAngleWeights(observations, aprioriVariance, pass.unitVariance);

    pass.designMatrix = Matrix(t, 2);
    pass.misclosure = Matrix(t, 1);
    Matrix designTranspose(2, t);
    Matrix weightedTranspose(2, t);
    Matrix normalMatrix(2, 2);
    Matrix absoluteTerms(2, 1);
    Matrix correction(2, 1);
    for (std::int32_t counter = 1;; ++counter) {
        if (counter > iterationLimit) throw Stop({}, {" Processo nao convergente..."});
        std::int32_t k = 0;
        for (const Station& station : observations.stations) {
            const double dM = pass.approximate.m - station.m;
            const double dP = pass.approximate.p - station.p;
            const double squareDistance = dM * dM + dP * dP;
            if (squareDistance == 0)
                throw Stop("Ponto visado coincide com a estacao " +
                           withoutTrailingBlanks(station.name) + "!");
            const double bearingToPoint = bearing(dM, dP);
            for (const ReferenceSighting& reference : station.references) {
                ++k;
                const double bearingToReference =
                    bearing(reference.m - station.m, reference.p - station.p);
                double w = bearingToPoint + (pass.observedAngle(k, 1) - bearingToReference);
                if (w >= PI) w -= 2.0 * PI;
                if (w < -PI) w += 2.0 * PI;
                pass.misclosure(k, 1) = w;
                pass.designMatrix(k, 1) = -dP / squareDistance;
                pass.designMatrix(k, 2) = dM / squareDistance;
            }
        }
        transposeMatrix(t, 2, pass.designMatrix, designTranspose);
        multiplyByAngleWeight(pass, 2, designTranspose, weightedTranspose);
        multiplyMatrices(2, t, 2, weightedTranspose, pass.designMatrix, normalMatrix);
        multiplyMatrices(2, t, 1, weightedTranspose, pass.misclosure, absoluteTerms);
        pass.normalInverse = normalMatrix;
        invertMatrix(2, 2, pass.normalInverse);
        multiplyMatrices(2, 2, 1, pass.normalInverse, absoluteTerms, correction);
        pass.correctionM = correction(1, 1);
        pass.correctionP = correction(2, 1);
        // Written so that a correction that is not a number never counts as converged.
        const bool converged = std::fabs(pass.correctionM) < observations.tolerance &&
                               std::fabs(pass.correctionP) < observations.tolerance;
        if (converged) {
            pass.iterationCount = counter;
            return pass;
        }
        pass.approximate.m += pass.correctionM;
        pass.approximate.p += pass.correctionP;
    }
}

FitTest planimetricFit(const PlanimetricPass& pass, std::int32_t redundancy, double unitVariance) {
    const std::int32_t t = pass.sightings;
    FitTest fit;
    Matrix correction(2, 1);
    correction(1, 1) = pass.correctionM;
    correction(2, 1) = pass.correctionP;
    fit.residual = residuals(t, 2, pass.misclosure, pass.designMatrix, correction);
    const double weightedSum =
        weightedSquareSum(t, fit.residual, [&](const Matrix& row, Matrix& weighted) {
            multiplyByAngleWeight(pass, 1, row, weighted);
        });
    fit.aposterioriVariance = weightedSum / redundancy;
    fit.testStatistic = fitTestStatistic(fit.aposterioriVariance, redundancy, unitVariance);
    return fit;
}

double fitTestStatistic(double aposterioriVariance, std::int32_t redundancy, double unitVariance) {
    return aposterioriVariance * redundancy / unitVariance;
}

} // namespace interseccao
