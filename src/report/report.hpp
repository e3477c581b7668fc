// The writers of the console's bearing lines and of the report's sections, one file each.
#pragma once

#include "altimetry/solution.hpp"
#include "angles/orientation.hpp"
#include "model/observations.hpp"
#include "planimetry/solution.hpp"
#include "text/output.hpp"

namespace interseccao {

// Console: the bearing to the sighted point through each reference and the mean, station by
// station, as far as the orientation went.
void writeBearingLines(const ObservationSet& observations, const Orientation& orientation,
                       Output& output);

// Report: title, angle unit, tolerance, a-priori precision and planimetric redundancy.
void writePlanimetricHeading(const ObservationSet& observations, Output& output);

// Report: the approximate position that two stations give, in place of an adjustment.
void writeApproximatePosition(const PlanimetricSolution& solution, Output& output);

// Report: precision found, iterations, adjusted coordinates, residuals, adjusted angles and
// the precisions of the coordinates and the angles.
void writePlanimetricResults(const ObservationSet& observations,
                             const PlanimetricSolution& solution, Output& output);

// Report: the a-priori zenith precision and the altimetric redundancy.
void writeHeightHeading(const ObservationSet& observations, Output& output);

// Report: precision found, iterations, adjusted height, residuals, adjusted zenith angles
// and the precisions of the height and the angles.
void writeHeightResults(const ObservationSet& observations, const HeightSolution& solution,
                        Output& output);

} // namespace interseccao
