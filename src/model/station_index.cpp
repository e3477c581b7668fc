// Stations by name and by position.
#include "model/station_index.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace interseccao {

namespace {

// Beyond this M (|M| of 2e15 m and more) doubles are a quarter of a metre apart or more: two
// coordinates match only when equal, and are filed by their value instead of a cell.
constexpr double cellLimit = 4e18;

// The cell of M that holds a finite coordinate below the limit.
std::optional<std::int64_t> columnOf(double m) {
    const double cell = std::floor(m / positionMatch);
    if (!(std::fabs(cell) < cellLimit)) return std::nullopt;
    return static_cast<std::int64_t>(cell);
}

} // namespace

bool samePosition(double m1, double p1, double m2, double p2) {
    return std::fabs(m1 - m2) < positionMatch && std::fabs(p1 - p2) < positionMatch;
}

StationIndex::StationIndex(const std::vector<Station>& stations, std::size_t scanned)
    : stations_(stations), filed_(stations.size() > scanned) {
    if (!filed_) return;
    for (std::size_t i = 0; i < stations.size(); ++i) {
        byName_[trimmedName(stations[i].name)].push_back(i);
        if (const auto column = columnOf(stations[i].m))
            byColumn_[*column].push_back(i);
        else if (std::isfinite(stations[i].m))
            byValue_[stations[i].m].push_back(i);
    }
}

// The first station at (m, p) among those the files below would hold where they would look: in
// a cell within two of the position's, or, beyond the cells, at the same finite M.
const Station* StationIndex::scannedAt(double m, double p) const {
    const auto column = columnOf(m);
    for (const Station& station : stations_) {
        const auto filed = columnOf(station.m);
        const bool looked = column ? filed && *filed >= *column - 2 && *filed <= *column + 2
                                   : !filed && std::isfinite(m) && station.m == m;
        if (looked && samePosition(station.m, station.p, m, p)) return &station;
    }
    return nullptr;
}

const Station* StationIndex::at(double m, double p) const {
    if (!filed_) return scannedAt(m, p);
    const auto column = columnOf(m);
    if (!column) {
        const auto filed = std::isfinite(m) ? byValue_.find(m) : byValue_.end();
        if (filed == byValue_.end()) return nullptr;
        for (const std::size_t i : filed->second)
            if (samePosition(stations_[i].m, stations_[i].p, m, p)) return &stations_[i];
        return nullptr;
    }
    // Within the bound of M the cell is the same or a neighbour; two either way, against the
    // rounding of the division.
    std::size_t first = std::numeric_limits<std::size_t>::max();
    for (std::int64_t c = *column - 2; c <= *column + 2; ++c) {
        const auto filed = byColumn_.find(c);
        if (filed == byColumn_.end()) continue;
        for (const std::size_t i : filed->second)
            if (i < first && samePosition(stations_[i].m, stations_[i].p, m, p)) {
                first = i;
                break;
            }
    }
    return first == std::numeric_limits<std::size_t>::max() ? nullptr : &stations_[first];
}

StationIndex::Match StationIndex::find(std::string_view name, double m, double p) const {
    if (!filed_) {
        const std::string_view trimmed = trimmedName(name);
        const Station* first = nullptr;
        for (const Station& station : stations_) {
            if (trimmedName(station.name) != trimmed) continue;
            if (samePosition(station.m, station.p, m, p)) return {&station, &station};
            if (first == nullptr) first = &station;
        }
        return {first, scannedAt(m, p)};
    }
    const auto named = byName_.find(trimmedName(name));
    if (named != byName_.end())
        for (const std::size_t i : named->second)
            if (samePosition(stations_[i].m, stations_[i].p, m, p))
                return {&stations_[i], &stations_[i]};
    return {named == byName_.end() ? nullptr : &stations_[named->second.front()], at(m, p)};
}

} // namespace interseccao
