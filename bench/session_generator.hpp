// Synthetic field sessions: a list of known points and the Leica GSI-16 record of a day of
// set-ups on them, each sighting the nearest other stations as references and many new points,
// in two faces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace interseccao::bench {

struct SessionOptions {
    std::int32_t setups = 50;        // stations on a jittered grid, one set-up on each
    std::int32_t newPoints = 500;    // scattered over the grid
    std::int32_t setupsPerPoint = 4; // the nearest stations sight each new point (at least 2)
    std::int32_t references = 3;     // the nearest other stations, sighted from each set-up
    double spacing = 800;            // metres between the grid's stations
    double readingNoise = 1.0;       // standard deviation of a reading, seconds of arc
    std::uint64_t seed = 1;
};

struct TruePoint {
    std::string name;
    double m = 0, p = 0, height = 0;
};

struct GeneratedSession {
    std::string knownPoints;          // CSV with a header: nome,M,P,C; LF line ends
    std::string record;               // GSI-16 in gon, one set-up after the other; LF line ends
    std::vector<TruePoint> newPoints; // P001, P002, ...
    std::size_t recordLines = 0;
};

GeneratedSession generateSession(const SessionOptions& options);

} // namespace interseccao::bench
