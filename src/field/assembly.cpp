// One problem per new point: the usable set-ups that sighted it, their references and their
// zenith readings.
#include "field/assembly.hpp"

#include <algorithm>
#include <unordered_map>

namespace interseccao {

AngleUnit problemUnit(RecordedUnit unit) {
    switch (unit) {
    case RecordedUnit::DecimalDegrees: return AngleUnit::DecimalDegrees;
    case RecordedUnit::ArcSeconds: return AngleUnit::Sexagesimal;
    case RecordedUnit::Gon:
    case RecordedUnit::Mil: return AngleUnit::Gon;
    }
    return AngleUnit::Gon;
}

namespace {

struct StationPlace {
    double m = 0, p = 0;
    std::optional<double> height;
};

// Where the set-up's station is: the list first, then the record's own coordinates.
std::optional<StationPlace> stationPlace(const ReducedSetup& setup, const KnownPoints& known) {
    if (const KnownPoint* point = known.find(setup.station))
        return StationPlace{point->m, point->p, point->height ? point->height : setup.height};
    if (setup.m && setup.p) return StationPlace{*setup.m, *setup.p, setup.height};
    return std::nullopt;
}

std::vector<AssembledReference> referencesOf(const ReducedSetup& setup, const KnownPoints& known) {
    std::vector<AssembledReference> references;
    for (const ReducedReading& reading : setup.readings) {
        if (reading.target == setup.station) continue;
        if (const KnownPoint* point = known.find(reading.target))
            references.push_back({point->name, point->m, point->p, reading.horizontal});
    }
    return references;
}

const ReducedReading& readingTo(const ReducedSetup& setup, const std::string& target) {
    return *std::find_if(setup.readings.begin(), setup.readings.end(),
                         [&](const ReducedReading& r) { return r.target == target; });
}

void addZenith(PointProblem& problem, const ReducedSetup& setup, const StationPlace& place,
               const ReducedReading& reading) {
    if (!reading.zenith || !place.height) return;
    problem.zenith.push_back({setup.station, place.m, place.p, *place.height, *reading.zenith,
                              setup.instrumentHeight.value_or(0),
                              reading.targetHeight.value_or(0)});
    if (!reading.targetHeight) problem.targetHeightMissing = true;
    if (!setup.instrumentHeight) problem.instrumentHeightMissing = true;
}

// What every new point sighted from a set-up takes from it: where its station is and which
// known points it sighted, found once per set-up.
struct SetupPlaces {
    std::optional<StationPlace> station;
    std::vector<AssembledReference> references;
};

// The problem of one new point, or the reason it has none.
void assemblePoint(NewPoint& point, const ReducedBook& book, const std::vector<SetupPlaces>& places,
                   const AssemblySettings& settings) {
    PointProblem problem{problemUnit(book.unit), settings.tolerance, settings.precision, {}, {}};
    std::vector<std::string> unusable;
    for (const std::size_t index : point.setups) {
        const ReducedSetup& setup = book.setups[index];
        const std::optional<StationPlace>& place = places[index].station;
        if (!place) {
            unusable.push_back("estacao " + setup.station + " nao esta na lista");
            continue;
        }
        std::vector<AssembledReference> references = places[index].references;
        if (references.empty()) {
            unusable.push_back("sem ponto de referencia conhecido na estacao " + setup.station);
            continue;
        }
        const ReducedReading& reading = readingTo(setup, point.name);
        problem.stations.push_back(
            {setup.station, place->m, place->p, reading.horizontal, std::move(references), index});
        addZenith(problem, setup, *place, reading);
    }
    if (problem.stations.size() >= 2) {
        point.problem = std::move(problem);
        return;
    }
    if (point.setups.size() == 1 && unusable.empty()) {
        point.reason = "visado so da estacao " + book.setups[point.setups.front()].station;
        return;
    }
    point.reason = problem.stations.empty()
                       ? "nenhuma estacao utilizavel"
                       : "so uma estacao utilizavel (" + problem.stations.front().name + ")";
    for (const std::string& why : unusable) point.reason += "; " + why;
}

} // namespace

std::vector<NewPoint> assemblePoints(const ReducedBook& book, const KnownPoints& known,
                                     const AssemblySettings& settings) {
    std::vector<NewPoint> points;
    std::unordered_map<std::string, std::size_t> pointOf; // index in `points` of each name
    for (std::size_t i = 0; i < book.setups.size(); ++i)
        for (const ReducedReading& reading : book.setups[i].readings) {
            if (known.find(reading.target) != nullptr) continue;
            const auto [place, added] = pointOf.emplace(reading.target, points.size());
            if (added) points.push_back({reading.target, {}, {}, {}});
            NewPoint& point = points[place->second];
            if (point.setups.empty() || point.setups.back() != i) point.setups.push_back(i);
        }
    std::vector<SetupPlaces> places;
    places.reserve(book.setups.size());
    for (const ReducedSetup& setup : book.setups)
        places.push_back({stationPlace(setup, known), referencesOf(setup, known)});
    for (NewPoint& point : points) assemblePoint(point, book, places, settings);
    return points;
}

} // namespace interseccao
