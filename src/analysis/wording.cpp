// Names of readings in the analysis texts.
#include "analysis/wording.hpp"

namespace interseccao {

std::string readingLabel(const ObservationSet& observations, ReadingIndex reading) {
    const Station& station = observations.stations[static_cast<std::size_t>(reading.station)];
    const std::string_view target =
        reading.reference == sightedPointTarget
            ? trimmedName(observations.sightedPointName)
            : trimmedName(station.references[static_cast<std::size_t>(reading.reference)].name);
    return std::string(trimmedName(station.name)) + " -> " + std::string(target);
}

std::string zenithLabel(const ObservationSet& observations, std::size_t record) {
    return std::string(trimmedName(observations.zenithObservations[record].stationName));
}

} // namespace interseccao
