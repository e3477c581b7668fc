// The data of the observation file, every reading held in radians.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace interseccao {

constexpr std::size_t nameWidth = 12;

enum class AngleUnit {
    DecimalDegrees, // "gc"
    Sexagesimal,    // "gs"
    Gon,            // "gr"
};

// A name as the messages quote it: without the blanks that pad it to its width.
inline std::string withoutTrailingBlanks(const std::string& name) {
    const std::size_t end = name.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

// The unit of an exact, lower-case two-character code; none for any other code.
std::optional<AngleUnit> angleUnitFromCode(std::string_view code);

struct ReferenceSighting {
    std::string name;   // 12 characters, blank-padded
    double m = 0;       // metres
    double p = 0;       // metres
    double reading = 0; // radians
};

struct Station {
    std::string name;
    double m = 0;
    double p = 0;
    std::int32_t sightingCount = 0;
    double pointReading = 0; // radians
    std::vector<ReferenceSighting> references;
    double meanBearing = 0; // radians
};

struct ZenithObservation {
    std::string stationName;
    double m = 0;
    double p = 0;
    double stationHeight = 0;    // metres
    double zenithReading = 0;    // radians from the vertical
    double instrumentHeight = 0; // metres
    double targetHeight = 0;     // metres
};

struct ObservationSet {
    AngleUnit angleUnit = AngleUnit::DecimalDegrees;
    double tolerance = 0;         // metres
    double aprioriPrecision = 0;  // radians
    double zenithSigma = 0;       // radians
    std::string sightedPointName; // 12 characters
    std::int32_t stationCount = 0;
    std::int32_t redundancy = 0;
    std::int64_t referenceCount = 0;
    std::vector<std::int32_t> sightingCounts; // from the counting pass
    std::vector<Station> stations;
    std::int32_t zenithObservationCount = 0;
    std::vector<ZenithObservation> zenithObservations;
};

} // namespace interseccao
