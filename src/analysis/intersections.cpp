// Lines through the point sorted by direction: the weakest pair is two neighbours, the
// strongest a line and the neighbours of its perpendicular.
#include "analysis/intersections.hpp"
#include "angles/bearing.hpp"

#include "model/angle_units.hpp"

#include <algorithm>
#include <cmath>
#include <queue>
#include <set>
#include <tuple>

namespace interseccao {

double weakIntersectionBound() { return PI / 10.0; }

namespace {

class Rays {
public:
    Rays(const std::vector<Station>& stations, PlanePoint point) {
        for (const Station& station : stations) {
            const double dM = station.m - point.m;
            const double dP = station.p - point.p;
            bearings_.push_back(dM == 0 && dP == 0 ? 0.0 : bearing(dM, dP));
        }
        for (std::size_t i = 0; i < bearings_.size(); ++i) order_.push_back(i);
        const auto line = [&](std::size_t i) { return std::fmod(bearings_[i], PI); };
        std::stable_sort(order_.begin(), order_.end(),
                         [&](std::size_t a, std::size_t b) { return line(a) < line(b); });
        for (std::size_t k = 0; k < order_.size(); ++k) {
            lines_.push_back(line(order_[k]));
            runStart_.push_back(k > 0 && lines_[k] == lines_[k - 1] ? runStart_[k - 1] : k);
        }
    }

    std::size_t size() const { return order_.size(); }
    // The station at the k-th place of the sorted lines, k taken round.
    std::size_t station(std::size_t k) const { return order_[k % size()]; }
    // The first station of the lines equal to the k-th.
    std::size_t runFirst(std::size_t k) const { return order_[runStart_[k % size()]]; }
    // The line's direction at place k of the lines followed by the same lines turned by PI.
    double line(std::size_t k) const { return lines_[k % size()] + (k >= size() ? PI : 0.0); }
    std::size_t placeOf(double direction) const {
        return static_cast<std::size_t>(std::lower_bound(lines_.begin(), lines_.end(), direction) -
                                        lines_.begin());
    }

    RayIntersection pair(std::size_t a, std::size_t b) const {
        const std::size_t i = std::min(a, b), j = std::max(a, b);
        double angle = std::fabs(bearings_[i] - bearings_[j]);
        if (angle > PI) angle = 2.0 * PI - angle;
        return {static_cast<std::int32_t>(i), static_cast<std::int32_t>(j), angle,
                std::min(angle, PI - angle)};
    }

private:
    std::vector<double> bearings_; // from the point to each station
    std::vector<std::size_t> order_;
    std::vector<double> lines_; // the bearings less a half turn, sorted
    std::vector<std::size_t> runStart_;
};

bool before(const RayIntersection& x, const RayIntersection& y) {
    return std::tie(x.first, x.second) < std::tie(y.first, y.second);
}

// Keeps `candidate` when it is weaker (`weaker`) or stronger, or as strong and earlier.
void keep(std::optional<RayIntersection>& best, const RayIntersection& candidate, bool weaker) {
    if (candidate.first == candidate.second) return;
    if (!best ||
        (weaker ? candidate.strength < best->strength : candidate.strength > best->strength) ||
        (candidate.strength == best->strength && before(candidate, *best)))
        best = candidate;
}

void findExtremes(const Rays& rays, Intersections& found) {
    const std::size_t n = rays.size();
    for (std::size_t k = 0; k < n; ++k) {
        // Neighbours, and lines of one direction among themselves.
        keep(found.weakest, rays.pair(rays.station(k), rays.station(k + 1)), true);
        keep(found.weakest, rays.pair(rays.runFirst(k), rays.station(k)), true);
        double across = rays.line(k) + PI / 2;
        if (across >= PI) across -= PI;
        const std::size_t place = rays.placeOf(across);
        for (const std::size_t m : {place + n - 1, place, place + 1})
            for (const std::size_t other : {rays.runFirst(m), rays.station(m)})
                keep(found.strongest, rays.pair(rays.station(k), other), false);
    }
}

// The weakest pairs, weakest first: from the neighbours outwards, the closest lines first.
std::vector<RayIntersection> weakestPairs(const Rays& rays, std::size_t count) {
    using Entry = std::tuple<double, std::size_t, std::size_t>; // gap, place, place beyond
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> gaps;
    const std::size_t n = rays.size();
    for (std::size_t k = 0; k < n; ++k) gaps.emplace(rays.line(k + 1) - rays.line(k), k, k + 1);
    std::set<std::pair<std::int32_t, std::int32_t>> seen;
    std::vector<RayIntersection> pairs;
    while (!gaps.empty() && pairs.size() < count) {
        const auto [gap, k, l] = gaps.top();
        gaps.pop();
        if (gap > PI / 2) break;
        const RayIntersection pair = rays.pair(rays.station(k), rays.station(l));
        if (seen.insert({pair.first, pair.second}).second) pairs.push_back(pair);
        if (l + 1 < k + n) gaps.emplace(rays.line(l + 1) - rays.line(k), k, l + 1);
    }
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& x, const auto& y) {
        return x.strength < y.strength || (x.strength == y.strength && before(x, y));
    });
    return pairs;
}

} // namespace

Intersections intersectionsAt(const std::vector<Station>& stations, PlanePoint point) {
    Intersections found;
    const Rays rays(stations, point);
    const std::size_t n = rays.size();
    if (n < 2) return found;
    findExtremes(rays, found);
    if (n > maxStationsWithEveryPair) {
        found.listed = weakestPairs(rays, weakestPairsListed);
        return found;
    }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) found.listed.push_back(rays.pair(i, j));
    return found;
}

} // namespace interseccao
