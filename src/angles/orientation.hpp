// Station orientation: bearings to the sighted point through each reference point, and their mean.
#pragma once

#include "model/observations.hpp"

#include <optional>
#include <span>
#include <string>
#include <vector>

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
inline constexpr std::size_t maxSightingsPerStation = 200;

struct StationOrientation {
    std::vector<double> bearings; // radians, through each reference in the file's order
    double meanBearing = 0;       // radians; set when `complete`
    bool complete = false;        // false only for the station at which the orientation stopped
};

// The stations oriented in the file's order. When a check stops the orientation, `stations`
// ends with the station it stopped at, holding the bearings formed before the stop.
struct Orientation {
    std::vector<StationOrientation> stations;
    std::optional<std::string> stopMessage;
};

// Orients every station. Stops on a reading or coordinates beyond the computation's range,
// on a station without reference sightings or with more than maxSightingsPerStation, and on
// a reference point at its station's own position.
Orientation orientStations(const ObservationSet& observations);

} // namespace interseccao
