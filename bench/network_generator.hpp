// Synthetic observation files: a sighted point, stations around it with their reference
// points, readings with noise, and zenith records, in any of the three angle units.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace interseccao::bench {

// A point on the ground: M and P in metres.
struct Point {
    double m = 0;
    double p = 0;
};

// Bearing in degrees in [0, 360), clockwise from +P towards +M.
double bearingDegrees(Point from, Point to);

// The zenith reading, in degrees and without noise, from a station of height `stationHeight`
// with the instrument `instrumentHeight` above it to a target `targetHeight` above a point of
// height `pointHeight`, with the curvature and refraction the program corrects for.
double zenithDegrees(Point station, double stationHeight, double instrumentHeight, Point point,
                     double pointHeight, double targetHeight);

struct NetworkOptions {
    std::string unit = "gc";       // "gc", "gs" or "gr"
    std::int32_t stations = 5;     // at least 2
    std::int32_t minSightings = 1; // reference points per station, drawn from this range
    std::int32_t maxSightings = 4;
    std::int32_t zenithRecords = 4; // taken at the first stations, round again when more
    double precision = 5.0; // the header's a-priori precision: seconds of arc, or milligon for "gr"
    double readingNoise = 2.0; // standard deviation of a reading, seconds of arc
    double tolerance = 0.001;  // metres
    std::uint64_t seed = 1;
    // One blunder, in multiples of the a-priori precision and of either sign, added to one
    // horizontal reading drawn at random (to the point or to a reference); 0 for none.
    double blunder = 0;
};

// Where the blunder went: a station and its reading, both 0-based.
struct BlunderedReading {
    std::int32_t station = 0;
    std::int32_t reference = 0; // -1 for the reading to the sighted point
};

struct GeneratedNetwork {
    std::string text; // the whole observation file, lines ending in LF
    std::optional<BlunderedReading> blunder;
};

// The whole observation file, lines ending in LF.
std::string generateNetwork(const NetworkOptions& options);

// The same file, and which reading holds the blunder when options.blunder is not 0. The
// readings other than that one are those generateNetwork gives for the same options.
GeneratedNetwork generateNetworkWithBlunder(const NetworkOptions& options);

} // namespace interseccao::bench
