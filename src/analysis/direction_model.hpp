// The planimetric adjustment with one orientation unknown per station: every horizontal
// reading, the reading to the sighted point included, is an observation of the same
// precision, and the unknowns are M and P of the point and one circle orientation per station.
// Eliminating the orientations leaves the program's correlated-angle adjustment, so both
// give the same point; this form also has a residual for every reading, and any reading can
// be left out of it.
#pragma once

#include "angles/approximate_position.hpp"
#include "model/observations.hpp"

#include <array>
#include <cstdint>
#include <vector>

namespace interseccao {

// Readings are numbered station by station, each station's reading to the sighted point
// first, then its references in the file's order.
struct ReadingIndex {
    std::int32_t station = 0;   // 0-based
    std::int32_t reference = 0; // 0-based, or sightedPointTarget
};
inline constexpr std::int32_t sightedPointTarget = -1;

std::vector<ReadingIndex> horizontalReadings(const ObservationSet& observations);

// An iteration ends when both corrections are below this, metres: far below any tolerance a
// survey uses, so that points with and without a reading differ by the reading alone.
inline constexpr double directionConvergenceBound = 1e-7;
inline constexpr std::int32_t directionIterationLimit = 50;

struct DirectionFit {
    // False when fewer than two stations see the point with a reading to spare for their
    // orientation, or their rays are parallel: nothing below is then set.
    bool determined = false;
    bool converged = false;
    PlanePoint point; // metres
    // N⁻¹ of M and P (MM, MP, PM, PP), square metres per square radian.
    std::array<double, 4> cofactor{};
    // One per reading, in the order of horizontalReadings; 0 for a reading left out.
    std::vector<double> residuals; // radians, observed − adjusted
    // Per station: the gradient of the bearing to the point (∂/∂M, ∂/∂P, radians per metre)
    // and the readings it has in the adjustment.
    std::vector<std::array<double, 2>> bearingGradient;
    std::vector<std::int32_t> activeReadings;
    double weightedSquareSum = 0; // Ω = vᵀ v, square radians
    std::int32_t degreesOfFreedom = 0;
};

// Least squares from `start` over the readings whose `active` flag is set (one flag per
// reading, in the order of horizontalReadings).
DirectionFit fitDirections(const ObservationSet& observations, const std::vector<bool>& active,
                           PlanePoint start);

} // namespace interseccao
