// The general computation: both adjustments with every matrix formed in full, as they are
// written down. Slow for large networks and long searches; kept outside the program as the
// oracle the tests and the benchmark compare the program's own computation with.
#pragma once

#include "altimetry/solution.hpp"
#include "planimetry/solution.hpp"

namespace interseccao::general {

// The weight matrix of every observed angle in full: (C · Q · Cᵀ)⁻¹ for the condition
// matrix C of all the readings and their cofactor matrix Q at the given precision.
Matrix fullAngleWeight(const ObservationSet& observations, double precision);

// How the planimetric search repeats passes: `Reuse` fits the first pass again at each
// precision, `Rerun` runs the whole pass again at each precision.
enum class PassRepetition { Reuse, Rerun };

PlanimetricSolution solvePlanimetry(const ObservationSet& observations,
                                    const Orientation& orientation,
                                    PassRepetition repetition = PassRepetition::Reuse);

// Runs every cycle of the search, never reusing one.
HeightSolution solveHeight(const ObservationSet& observations, HeightGeometry geometry);

} // namespace interseccao::general
