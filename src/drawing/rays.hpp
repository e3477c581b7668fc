// The rays of the drawing: every reading on the map, the suspected ones marked with their w,
// and in the inset each station's ray along its mean bearing.
#pragma once

#include "drawing/layout.hpp"

#include <cstdint>
#include <utility>
#include <vector>

namespace interseccao {

// The suspected readings, with their w: the one the analysis names and those it cannot tell
// from it. None without an analysis.
using SuspectedReadings = std::vector<std::pair<ReadingIndex, double>>;
SuspectedReadings suspectedReadings(const PlanimetricQuality* quality);

// Each station's rays to its references, then to the point, station by station.
std::vector<Ray> mapRays(const ObservationSet& observations, const Projection& map,
                         PlanePoint point, const SuspectedReadings& suspected);

// The inset's rays of the stations whose orientation is complete, `reach` metres around the
// point being the inset's radius.
std::vector<Inset::ObservedRay> observedRays(const ObservationSet& observations,
                                             const Orientation& orientation,
                                             const Projection& inset, PlanePoint point,
                                             double reach, const SuspectedReadings& suspected);

} // namespace interseccao
