// The height from the zenith readings by least squares, iterated to convergence at one plane
// position, with any reading left out.
#pragma once

#include "angles/approximate_position.hpp"
#include "model/observations.hpp"

#include <cstdint>
#include <vector>

namespace interseccao {

// An iteration ends when the height's correction is below this, metres.
inline constexpr double zenithConvergenceBound = 1e-7;
inline constexpr std::int32_t zenithIterationLimit = 50;

struct ZenithFit {
    // False without a reading, when the normal value vanishes or the height runs away.
    bool determined = false;
    double height = 0;        // metres
    double normalInverse = 0; // 1 / N, square metres per square radian
    // One per zenith record; 0 for a reading left out.
    std::vector<double> residuals; // radians, observed − adjusted
    std::vector<double> design;    // ∂ζ/∂H, radians per metre
    double weightedSquareSum = 0;  // Ω, square radians
    std::int32_t degreesOfFreedom = 0;
};

// ζ = atan2(d, H − Hstation − hi + ht − k·d²) with d the distance from the station to
// `point`, from the height `start`.
ZenithFit fitZenith(const std::vector<ZenithObservation>& readings, const std::vector<bool>& active,
                    PlanePoint point, double start);

} // namespace interseccao
