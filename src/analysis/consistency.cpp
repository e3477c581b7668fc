// Checks of the file's records against each other and against what a reading can be.
#include "analysis/quality.hpp"
#include "model/angle_units.hpp"
#include "model/station_index.hpp"

#include <cmath>
#include <utility>

namespace interseccao {

namespace {

// A minute or a second of arc is below 60.
constexpr double sexagesimalLimit = 60.0;

bool beyondSexagesimal(const std::optional<WrittenSexagesimal>& w) {
    return w &&
           (std::fabs(w->minutes) >= sexagesimalLimit || std::fabs(w->seconds) >= sexagesimalLimit);
}

void addHorizontalChecks(const ObservationSet& observations, std::vector<Warning>& warnings) {
    for (std::size_t i = 0; i < observations.stations.size(); ++i) {
        const Station& station = observations.stations[i];
        Warning w;
        w.kind = WarningKind::SexagesimalOverflow;
        w.station = static_cast<std::int32_t>(i);
        if (beyondSexagesimal(station.pointReadingWritten)) {
            w.written = station.pointReadingWritten;
            warnings.push_back(w);
        }
        for (std::size_t j = 0; j < station.references.size(); ++j)
            if (beyondSexagesimal(station.references[j].written)) {
                w.reference = static_cast<std::int32_t>(j);
                w.written = station.references[j].written;
                warnings.push_back(w);
            }
    }
}

// Of the stations, the first named as the record and the first at its position; the one with
// both when there is one (two stations may bear one name once names are cut).
void addZenithChecks(const ObservationSet& observations, const StationIndex& index, std::size_t k,
                     std::vector<Warning>& warnings) {
    const ZenithObservation& z = observations.zenithObservations[k];
    const auto [named, placed] = index.find(z.stationName, z.m, z.p);
    const auto stationOf = [&](const Station* s) {
        return static_cast<std::int32_t>(s - observations.stations.data());
    };
    Warning w;
    w.record = static_cast<std::int32_t>(k);
    const auto add = [&](WarningKind kind, std::int32_t station = -1) {
        w.kind = kind;
        w.station = station;
        warnings.push_back(w);
    };
    if (!named && !placed)
        add(WarningKind::ZenithRecordUnmatched);
    else if (!named)
        add(WarningKind::ZenithRecordNameUnknown, stationOf(placed));
    else if (!samePosition(named->m, named->p, z.m, z.p))
        add(WarningKind::ZenithRecordElsewhere, stationOf(named));
    if (beyondSexagesimal(z.zenithReadingWritten)) {
        w.written = z.zenithReadingWritten;
        add(WarningKind::ZenithSexagesimalOverflow);
    }
    if (looksLikeElevation(z.zenithReading)) {
        w.angle = z.zenithReading;
        add(WarningKind::ZenithLikeElevation);
    }
}

} // namespace

// A zenith reading outside 50 to 150 gon sights more than 50 gon above or below the horizon:
// for a forward intersection far likelier an elevation angle typed as a zenith reading (2
// instead of 88) than a real sight.
bool looksLikeElevation(double zenith) { return zenith < PI / 4.0 || zenith > 3.0 * PI / 4.0; }

std::vector<Warning> consistencyWarnings(const ObservationSet& observations) {
    std::vector<Warning> warnings;
    addHorizontalChecks(observations, warnings);
    const StationIndex index(observations.stations);
    for (std::size_t k = 0; k < observations.zenithObservations.size(); ++k)
        addZenithChecks(observations, index, k, warnings);
    return warnings;
}

} // namespace interseccao
