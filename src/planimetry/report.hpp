// The planimetric precision search and the planimetric results of the report.
#pragma once

#include "planimetry/adjustment.hpp"

namespace interseccao {

// How the search of the general computation repeats passes: `Reuse` tests the first pass
// again at each stepped precision, which gives the same result as `Rerun`, since a pass's
// coordinates, residuals and weights do not depend on the precision; `Rerun` repeats
// every pass. The structured computation always reuses the first pass and its fit.
enum class PassRepetition { Reuse, Rerun };

struct PlanimetricSearch {
    PlanimetricPass pass;    // the last pass
    FitTest fit;             // its fit test
    double aprioriPrecision; // the a-posteriori precision found, radians
};

// Runs the search from the first pass, in the first pass's computation path; at least
// one further test follows it.
PlanimetricSearch precisionSearch(const ObservationSet& observations, PlanimetricPass firstPass,
                                  PassRepetition repetition = PassRepetition::Reuse);

// The planimetric position handed to the height computation.
struct PlanimetricResult {
    PlanePoint adjusted;    // metres
    PlanePoint approximate; // the last linearisation point, metres
};

PlanimetricResult writePlanimetricResults(const ObservationSet& observations,
                                          const PlanimetricSearch& search, Output& output);

// The whole planimetric stage after the orientation: heading, first pass, search and
// results. With two stations it writes the approximate position and stops.
PlanimetricResult runPlanimetry(ObservationSet& observations, Output& output,
                                ComputationPath path = ComputationPath::Structured,
                                PassRepetition repetition = PassRepetition::Reuse);

// Length of a name without its trailing blanks (blanks only: 0).
std::size_t nameLength(const std::string& name);

// The result-line layout for a name of the given length (1 to 12), for the letter M, P or C.
std::string_view resultLayout(char letter, std::size_t length);

} // namespace interseccao
