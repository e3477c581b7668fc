// Number and name layouts of the analysis texts.
#include "analysis/wording.hpp"

#include "angles/conversions.hpp"

#include <cmath>
#include <cstdio>

namespace interseccao {

std::string fixed(double value, int decimals) {
    if (!std::isfinite(value)) return "-";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    // A value that rounds to zero shows no sign.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

double toSmallAngle(double radians, AngleUnit unit) {
    return unit == AngleUnit::Gon ? radiansToMilligon(radians) : radiansToArcSeconds(radians);
}

std::string smallAngleUnit(AngleUnit unit) { return unit == AngleUnit::Gon ? " mgon" : "\""; }

double toDirection(double radians, AngleUnit unit) {
    return unit == AngleUnit::Gon ? radiansToGon(radians) : radiansToDegrees(radians);
}

std::string directionUnit(AngleUnit unit) { return unit == AngleUnit::Gon ? " gon" : "°"; }

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
