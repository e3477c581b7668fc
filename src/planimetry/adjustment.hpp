// The planimetric pass: least squares for M and P of the sighted point from the observed angles.
#pragma once

#include "adjustment/block_diagonal.hpp"
#include "adjustment/matrix.hpp"
#include "angles/approximate_position.hpp"
#include "model/observations.hpp"

namespace interseccao {

// A pass whose correction is still at the tolerance after this many iterations stops.
inline constexpr std::int32_t iterationLimit = 10;

// The converged pass, in the vocabulary of adjustment/fit.hpp.
struct PlanimetricPass {
    std::int32_t angles = 0;         // t, one per reference sighting
    PlanePoint linearisation;        // the last approximation, metres
    double correctionM = 0;          // metres, the last correction, not added to it
    double correctionP = 0;          // metres
    std::int32_t iterationCount = 0; // corrections computed, the last one included
    Matrix observedAngle;            // t × 1, radians, signed, not reduced
    Matrix referenceBearing;         // t × 1, radians, station to reference: fixed at every pass
    Matrix designMatrix;             // t × 2, radians per metre
    Matrix misclosure;               // t × 1, radians in [-PI, PI)
    BlockDiagonalMatrix angleWeight; // t × t, one block per station
    Matrix normalInverse;            // 2 × 2, square metres per square radian
};

// The angles' weight matrix, one block per station.
BlockDiagonalMatrix stationAngleWeights(const ObservationSet& observations);

// The observed angles: each reference reading minus its station's reading to the point.
Matrix observedAngles(const ObservationSet& observations);

// The bearing from each station to each of its references, in the order of the angles.
Matrix referenceBearings(const ObservationSet& observations);

// The misclosures and the design matrix at the pass's linearisation point, with its
// referenceBearing; stops when the point falls on a station.
void linearise(const ObservationSet& observations, PlanimetricPass& pass);

// Iterates from `approximate` until both corrections are below the tolerance. Stops when
// it does not converge in iterationLimit corrections, when the sighted point falls on a
// station, or on a singular matrix.
PlanimetricPass adjustPlanimetry(const ObservationSet& observations, PlanePoint approximate);

} // namespace interseccao
