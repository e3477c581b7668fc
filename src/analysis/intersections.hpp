// The angles at which the rays from the stations meet at the point: the weakest pair, the
// strongest, and a list of pairs, found from the rays sorted by their direction.
#pragma once

#include "angles/approximate_position.hpp"
#include "model/observations.hpp"

#include <cstdint>
#include <optional>
#include <vector>

namespace interseccao {

struct RayIntersection {
    std::int32_t first = 0; // stations, 0-based
    std::int32_t second = 0;
    double angle = 0; // between the rays at the point, radians in [0, PI]
    // How far the rays are from one line, min(angle, PI − angle), radians in [0, PI/2].
    double strength = 0;
};

// Below this the two rays alone fix the point poorly: 20 gon.
double weakIntersectionBound();

// Up to this many stations every pair is listed; beyond, the weakest pairs, this many.
inline constexpr std::size_t maxStationsWithEveryPair = 200;
inline constexpr std::size_t weakestPairsListed = 10;

struct Intersections {
    // Every pair, the first station's first, up to maxStationsWithEveryPair stations;
    // beyond, the weakestPairsListed weakest, the weakest first.
    std::vector<RayIntersection> listed;
    // Of equally weak (strong) pairs, the one of the first stations.
    std::optional<RayIntersection> weakest;
    std::optional<RayIntersection> strongest;
};

Intersections intersectionsAt(const std::vector<Station>& stations, PlanePoint point);

} // namespace interseccao
