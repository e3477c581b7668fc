// The field-book model: what every reader of an instrument's record produces. A reader of one
// more format (another instrument's record) produces this and changes nothing elsewhere.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace interseccao {

// The unit a reading was recorded in, and the value a reading holds in it: gon, decimal
// degrees, seconds of arc for sexagesimal readings (DDDMMSSs is converted to seconds exactly),
// or mil (6400 to the circle).
enum class RecordedUnit { Gon, DecimalDegrees, ArcSeconds, Mil };

// The full circle in a unit's values (400, 360, 1 296 000, 6400).
double fullCircle(RecordedUnit unit);

// A value of one unit in another, through the fraction of the circle.
double convertReading(double value, RecordedUnit from, RecordedUnit to);

struct FieldSighting {
    std::string target;                 // as recorded, leading zeros taken off
    double horizontal = 0;              // in `unit`
    std::optional<double> zenith;       // in `unit`, from the vertical
    std::optional<double> targetHeight; // metres
    RecordedUnit unit = RecordedUnit::Gon;
    std::size_t line = 0; // the line of the record it came from
};

struct FieldSetup {
    std::string station;
    std::string file; // the record it came from
    // The station's coordinates when the record gives them (E, N and perhaps H).
    std::optional<double> m, p, height;
    std::optional<double> instrumentHeight; // metres
    std::size_t line = 0;
    std::vector<FieldSighting> sightings;
};

struct FieldBook {
    std::string file;   // the record's name, for messages
    std::string format; // the format recognised, for the summary ("Leica GSI-16")
    std::vector<FieldSetup> setups;
};

// One known point of the list of points.
struct KnownPoint {
    std::string name; // Latin-1, as the observation file holds it
    double m = 0, p = 0;
    std::optional<double> height;
    std::size_t line = 0;
};

struct KnownPoints {
    std::string file;
    std::vector<KnownPoint> points;
    // The first point of a name, or none. Every reading of a session looks its target up, so
    // the names are indexed, the points appended since the last look-up included.
    const KnownPoint* find(const std::string& name) const;

private:
    mutable std::unordered_map<std::string, std::size_t> byName_;
    mutable std::size_t indexed_ = 0;
};

} // namespace interseccao
