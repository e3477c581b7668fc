// Synthetic observation files: a sighted point, stations around it with their reference
// points, readings with noise, and zenith records, in any of the three angle units.
#pragma once

#include <cstdint>
#include <string>

namespace interseccao::bench {

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
};

// The whole observation file, lines ending in LF.
std::string generateNetwork(const NetworkOptions& options);

} // namespace interseccao::bench
