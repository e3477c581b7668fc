// The rays of the map and of the inset.
#include "drawing/rays.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

namespace interseccao {

SuspectedReadings suspectedReadings(const PlanimetricQuality* quality) {
    SuspectedReadings suspected;
    if (!quality || quality->suspicion.kind == Suspicion::Kind::None) return suspected;
    std::vector<std::size_t> readings = quality->suspicion.alike;
    readings.push_back(quality->suspicion.reading);
    for (const std::size_t k : readings)
        if (k < quality->readings.size() && quality->readings[k].tests.standardized)
            suspected.emplace_back(quality->readings[k].index,
                                   *quality->readings[k].tests.standardized);
    return suspected;
}

namespace {

std::optional<double> suspicionOf(const SuspectedReadings& suspected, std::size_t station,
                                  std::int32_t reference) {
    for (const auto& [index, w] : suspected)
        if (index.station == static_cast<std::int32_t>(station) && index.reference == reference)
            return w;
    return std::nullopt;
}

} // namespace

std::vector<Ray> mapRays(const ObservationSet& observations, const Projection& map,
                         PlanePoint point, const SuspectedReadings& suspected) {
    std::vector<Ray> rays;
    std::size_t count = observations.stations.size();
    for (const Station& station : observations.stations) count += station.references.size();
    rays.reserve(count);
    const PagePoint pointPage = map.toPage(point);
    for (std::size_t s = 0; s < observations.stations.size(); ++s) {
        const Station& station = observations.stations[s];
        const PagePoint from = map.toPage({station.m, station.p});
        for (std::size_t r = 0; r < station.references.size(); ++r) {
            const ReferenceSighting& reference = station.references[r];
            const auto w = suspicionOf(suspected, s, static_cast<std::int32_t>(r));
            rays.push_back({RayKind::ToReference, s, from, map.toPage({reference.m, reference.p}),
                            w.has_value(), w.value_or(0)});
        }
        const auto w = suspicionOf(suspected, s, sightedPointTarget);
        rays.push_back({RayKind::ToPoint, s, from, pointPage, w.has_value(), w.value_or(0)});
    }
    return rays;
}

std::vector<Inset::ObservedRay> observedRays(const ObservationSet& observations,
                                             const Orientation& orientation,
                                             const Projection& inset, PlanePoint point,
                                             double reach, const SuspectedReadings& suspected) {
    std::vector<Inset::ObservedRay> rays;
    for (std::size_t s = 0; s < orientation.stations.size() && s < observations.stations.size();
         ++s) {
        if (!orientation.stations[s].complete) continue;
        const Station& station = observations.stations[s];
        const double bearing = orientation.stations[s].meanBearing;
        const double dm = std::sin(bearing), dp = std::cos(bearing);
        // The foot of the perpendicular from the point to the station's ray.
        const double along = (point.m - station.m) * dm + (point.p - station.p) * dp;
        const PlanePoint foot{station.m + along * dm, station.p + along * dp};
        const double half = 4 * reach; // metres: beyond the plot on both sides
        const bool stationSuspected =
            std::any_of(suspected.begin(), suspected.end(), [&](const auto& reading) {
                return reading.first.station == static_cast<std::int32_t>(s);
            });
        rays.push_back({s, inset.toPage({foot.m - half * dm, foot.p - half * dp}),
                        inset.toPage({foot.m + half * dm, foot.p + half * dp}), stationSuspected});
    }
    return rays;
}

} // namespace interseccao
