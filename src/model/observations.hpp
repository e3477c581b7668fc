// The data of the observation file, every reading held in radians. Once read, it is input
// only: every stage takes it as it is and returns a result of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace interseccao {

// Names are cut or padded with blanks to this width, as the report's layouts expect.
constexpr std::size_t nameWidth = 12;

enum class AngleUnit {
    DecimalDegrees, // "gc"
    Sexagesimal,    // "gs"
    Gon,            // "gr"
};

// A name as messages and the lists quote it: without the blanks that pad it to its width.
inline std::string_view trimmedName(std::string_view name) {
    const std::size_t end = name.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : name.substr(0, end + 1);
}

// A "gs" reading as written: degrees, minutes and seconds before any conversion, kept so
// that a minute or a second of 60 or more can be pointed out.
struct WrittenSexagesimal {
    double degrees = 0;
    double minutes = 0;
    double seconds = 0;
};

struct ReferenceSighting {
    std::string name;   // 12 characters, blank-padded
    double m = 0;       // metres
    double p = 0;       // metres
    double reading = 0; // radians

    std::optional<WrittenSexagesimal> written; // the reading as written, "gs" only
};

struct Station {
    std::string name;        // 12 characters, blank-padded
    double m = 0;            // metres
    double p = 0;            // metres
    double pointReading = 0; // radians
    std::vector<ReferenceSighting> references;

    std::optional<WrittenSexagesimal> pointReadingWritten; // as written, "gs" only
};

struct ZenithObservation {
    std::string stationName;
    double m = 0;                // metres
    double p = 0;                // metres
    double stationHeight = 0;    // metres
    double zenithReading = 0;    // radians from the vertical
    double instrumentHeight = 0; // metres
    double targetHeight = 0;     // metres

    std::optional<WrittenSexagesimal> zenithReadingWritten; // as written, "gs" only
};

struct ObservationSet {
    AngleUnit angleUnit = AngleUnit::DecimalDegrees;
    double tolerance = 0;          // metres
    double aprioriPrecision = 0;   // radians; the precision of one reading, horizontal or zenith
    std::string sightedPointName;  // 12 characters
    std::int32_t stationCount = 0; // as written
    std::vector<Station> stations;
    std::int32_t zenithCount = 0; // as written: a count below 2 leaves the height unadjusted
    std::vector<ZenithObservation> zenithObservations;

    // The planimetric redundancy the report states: stations minus the two unknowns.
    std::int32_t redundancy() const { return stationCount - 2; }
    // The observed angles: one per reference sighting.
    std::int32_t angleCount() const {
        std::int64_t count = 0;
        for (const Station& station : stations) count += std::ssize(station.references);
        return static_cast<std::int32_t>(count);
    }
};

} // namespace interseccao
