// The iterative least-squares pass of the planimetric adjustment.
#include "planimetry/adjustment.hpp"
#include "angles/bearing.hpp"

#include "adjustment/stops.hpp"
#include "model/angle_units.hpp"
#include "model/errors.hpp"
#include "model/thread_cache.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace interseccao {

namespace {

// The weights of a station's s angles, (C · Cᵀ)⁻¹ as below, formed; a stop when C · Cᵀ has no
// inverse.
Matrix formedAngleWeights(std::int32_t s) {
    const std::int32_t readings = s + 1; // the reading to the point, then one per reference
    Matrix conditionMatrix(s, readings);
    for (std::int32_t j = 1; j <= s; ++j) {
        conditionMatrix(j, 1) = -1.0;
        conditionMatrix(j, j + 1) = 1.0;
    }
    Matrix conditionTranspose(readings, s);
    transposeMatrix(s, readings, conditionMatrix, conditionTranspose);
    Matrix angleCofactor(s, s);
    multiplyMatrices(s, readings, s, conditionMatrix, conditionTranspose, angleCofactor);
    invertOrStop(s, angleCofactor);
    return angleCofactor;
}

// The same weights, a function of s alone: formed once for each s of a run, up to an order
// beyond which each is formed when it is needed (each thread keeping its own, as runs side by
// side share nothing). `formed` holds one formed here.
const Matrix& angleWeights(std::int32_t s, Matrix& formed) {
    constexpr std::int32_t keptOrders = 64;
    struct KeptWeights {
        std::vector<Matrix> byOrder = std::vector<Matrix>(keptOrders + 1);
    };
    std::vector<Matrix>& kept = threadCache<KeptWeights>().byOrder;
    const bool keep = s >= 1 && s <= keptOrders;
    if (keep && kept[static_cast<std::size_t>(s)].rows() == s)
        return kept[static_cast<std::size_t>(s)];
    formed = formedAngleWeights(s);
    if (!keep) return formed;
    return kept[static_cast<std::size_t>(s)] = formed;
}

} // namespace

BlockDiagonalMatrix stationAngleWeights(const ObservationSet& observations) {
    // Each observed angle is a reference reading minus the station's reading to the point:
    // the angles are C · l for the station's readings l and a condition matrix C, and their
    // weight matrix is the inverse of C · Q · Cᵀ. Every reading has the same variance, which
    // is also the variance of unit weight, so the readings' cofactor matrix Q is the
    // identity and the weights are (C · Cᵀ)⁻¹. A station's angles use only its own
    // readings, so the weight matrix is zero between stations: one block per station,
    // inverted on its own, which gives what the inversion of the whole matrix gives on the
    // block. A block depends on the station's number of sightings alone, so it is formed
    // once for each number, and kept for the files that follow.
    BlockDiagonalMatrix weights;
    weights.reserveBlocks(observations.stations.size());
    // The block formed for each number of sightings: a station has few of them.
    std::vector<std::pair<std::int32_t, std::size_t>> blockOfSize;
    for (const Station& station : observations.stations) {
        const auto s = static_cast<std::int32_t>(station.references.size());
        const auto earlier = std::find_if(blockOfSize.begin(), blockOfSize.end(),
                                          [s](const auto& block) { return block.first == s; });
        if (earlier != blockOfSize.end()) {
            weights.repeatBlock(earlier->second);
            continue;
        }
        blockOfSize.emplace_back(s, weights.blockCount());
        Matrix formed;
        weights.appendBlock(angleWeights(s, formed));
    }
    return weights;
}

Matrix observedAngles(const ObservationSet& observations) {
    Matrix angles(observations.angleCount(), 1);
    std::int32_t k = 0;
    for (const Station& station : observations.stations)
        for (const ReferenceSighting& reference : station.references)
            angles(++k, 1) = reference.reading - station.pointReading;
    return angles;
}

Matrix referenceBearings(const ObservationSet& observations) {
    Matrix bearings(observations.angleCount(), 1);
    std::int32_t k = 0;
    for (const Station& station : observations.stations)
        for (const ReferenceSighting& reference : station.references)
            bearings(++k, 1) = bearing(reference.m - station.m, reference.p - station.p);
    return bearings;
}

void linearise(const ObservationSet& observations, PlanimetricPass& pass) {
    std::int32_t k = 0;
    for (const Station& station : observations.stations) {
        const double dM = pass.linearisation.m - station.m;
        const double dP = pass.linearisation.p - station.p;
        const double squareDistance = dM * dM + dP * dP;
        if (squareDistance == 0)
            throw RunError::stop("Ponto visado coincide com a estacao " +
                                 std::string(trimmedName(station.name)) + "!");
        const double bearingToPoint = bearing(dM, dP);
        for (std::size_t r = 0; r < station.references.size(); ++r) {
            ++k;
            double w = bearingToPoint + (pass.observedAngle(k, 1) - pass.referenceBearing(k, 1));
            if (w >= PI) w -= 2.0 * PI;
            if (w < -PI) w += 2.0 * PI;
            pass.misclosure(k, 1) = w;
            pass.designMatrix(k, 1) = -dP / squareDistance;
            pass.designMatrix(k, 2) = dM / squareDistance;
        }
    }
}

PlanimetricPass adjustPlanimetry(const ObservationSet& observations, PlanePoint approximate) {
    const std::int32_t t = observations.angleCount();
    PlanimetricPass pass;
    pass.angles = t;
    pass.linearisation = approximate;
    pass.observedAngle = observedAngles(observations);
    pass.referenceBearing = referenceBearings(observations);
    pass.angleWeight = stationAngleWeights(observations);
    pass.designMatrix = Matrix(t, 2);
    pass.misclosure = Matrix(t, 1);
    Matrix designTranspose(2, t);
    Matrix weightedTranspose(2, t);
    Matrix normalMatrix(2, 2);
    Matrix absoluteTerms(2, 1);
    Matrix correction(2, 1);
    for (std::int32_t counter = 1;; ++counter) {
        if (counter > iterationLimit) throw RunError::stop({}, {" Processo nao convergente..."});
        linearise(observations, pass);
        transposeMatrix(t, 2, pass.designMatrix, designTranspose);
        multiplyByBlockDiagonal(2, designTranspose, pass.angleWeight, weightedTranspose);
        multiplyMatrices(2, t, 2, weightedTranspose, pass.designMatrix, normalMatrix);
        multiplyMatrices(2, t, 1, weightedTranspose, pass.misclosure, absoluteTerms);
        pass.normalInverse = normalMatrix;
        invertOrStop(2, pass.normalInverse);
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
        pass.linearisation.m += pass.correctionM;
        pass.linearisation.p += pass.correctionP;
    }
}

} // namespace interseccao
