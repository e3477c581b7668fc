// Station orientation: bearings to the sighted point through each reference point, and their mean.
#pragma once

#include "run/observations.hpp"
#include "run/output.hpp"
#include "run/reader.hpp"

#include <span>

namespace interseccao {

// Bearing from the station to the sighted point through one reference sighting, in
// radians: one correction of 2·PI each way, both strict, so exactly 2·PI stays 2·PI.
double bearingViaReference(const Station& station, const ReferenceSighting& reference);

// Mean of a station's bearings on the circle: later bearings are unwrapped to within
// (-PI, PI] of the first; when none needed it, the plain mean, bit for bit (a lone 2·PI
// stays 2·PI); otherwise the mean is brought once into [0, 2·PI).
double meanBearing(std::span<const double> bearings);

// The weights of a station's angles come from a matrix of the order of its sightings,
// inverted in full: far more sightings than any survey takes would make one run take
// minutes and gigabytes.
inline constexpr std::int32_t maxSightingsPerStation = 200;

// Reads every station and reference record, writes the bearing lines on the console and
// sets each station's mean bearing. Stops on a station without reference sightings or
// with more than maxSightingsPerStation, and on a reference point at its station's own
// position.
void orientStations(RecordReader& reader, ObservationSet& observations, Output& output);

} // namespace interseccao
