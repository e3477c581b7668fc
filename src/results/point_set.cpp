// The points of a command line's runs, known points merged across the runs, and those of a
// field session.
#include "results/point_set.hpp"

#include <map>
#include <set>
#include <tuple>

namespace interseccao {

namespace {

class PointSetBuilder {
public:
    PointSetBuilder(PointSet& set, RunPoints::KnownIndex& index) : set_(set), index_(index) {}

    // The index of a known point, added when first met; a reference met again as a station
    // becomes a station.
    std::size_t known(PointRole role, const std::string& padded, double m, double p,
                      const std::string& source) {
        const std::string name(trimmedName(padded));
        const auto key = std::make_tuple(name, m, p);
        const auto found = index_.find(key);
        if (found != index_.end()) {
            if (role == PointRole::Station) set_.points[found->second].role = role;
            return found->second;
        }
        SurveyPoint point;
        point.role = role;
        point.name = name;
        point.position = {m, p};
        point.source = source;
        set_.points.push_back(point);
        index_.emplace(key, set_.points.size() - 1);
        return set_.points.size() - 1;
    }

    std::size_t added(const SurveyPoint& point) {
        set_.points.push_back(point);
        return set_.points.size() - 1;
    }

private:
    PointSet& set_;
    RunPoints::KnownIndex& index_;
};

SurveyPoint newPoint(const FileRun& run) {
    const PlanimetricSolution& planimetry = *run.values.planimetry;
    SurveyPoint point;
    point.role = PointRole::NewPoint;
    point.name = std::string(trimmedName(run.values.observations.sightedPointName));
    point.source = run.input;
    point.adjusted = planimetry.adjusted;
    point.position = planimetry.adjusted ? planimetry.point : planimetry.approximate;
    if (planimetry.adjusted) {
        point.deviationM = planimetry.deviationM;
        point.deviationP = planimetry.deviationP;
        if (run.analysis) point.ellipse = run.analysis->planimetry.rigorousEllipse;
    }
    if (const auto& height = run.values.height) {
        point.height = height->height;
        point.deviationC = height->deviation;
    }
    return point;
}

// The w of a reading when the analysis suspects it (the one it names and those it cannot
// tell from it).
std::optional<double> suspicionOf(const FileRun& run, std::size_t station, std::int32_t reference) {
    if (!run.analysis) return std::nullopt;
    const PlanimetricQuality& quality = run.analysis->planimetry;
    if (quality.suspicion.kind == Suspicion::Kind::None) return std::nullopt;
    std::vector<std::size_t> readings = quality.suspicion.alike;
    readings.push_back(quality.suspicion.reading);
    for (const std::size_t k : readings) {
        if (k >= quality.readings.size()) continue;
        const HorizontalReadingQuality& reading = quality.readings[k];
        if (reading.index.station == static_cast<std::int32_t>(station) &&
            reading.index.reference == reference && reading.tests.standardized)
            return reading.tests.standardized;
    }
    return std::nullopt;
}

void addRun(const FileRun& run, PointSetBuilder& builder, PointSet& set) {
    const std::size_t point = builder.added(newPoint(run));
    const ObservationSet& observations = run.values.observations;
    for (std::size_t s = 0; s < observations.stations.size(); ++s) {
        const Station& station = observations.stations[s];
        const std::size_t from =
            builder.known(PointRole::Station, station.name, station.m, station.p, run.input);
        const std::optional<double> w = suspicionOf(run, s, sightedPointTarget);
        set.rays.push_back({from, point, w.has_value(), w});
        for (std::size_t r = 0; r < station.references.size(); ++r) {
            const ReferenceSighting& reference = station.references[r];
            const std::size_t target = builder.known(PointRole::Reference, reference.name,
                                                     reference.m, reference.p, run.input);
            if (const auto wr = suspicionOf(run, s, static_cast<std::int32_t>(r)))
                set.rays.push_back({from, target, true, wr});
        }
    }
}

bool hasPosition(const FileRun& run) {
    return run.dataRead && run.outcome != Outcome::Failed && run.values.planimetry;
}

} // namespace

void RunPoints::add(const FileRun& run) {
    if (!hasPosition(run)) return;
    if (set_.coordinateSystem.empty()) set_.coordinateSystem = run.coordinateSystem;
    PointSetBuilder builder(set_, index_);
    addRun(run, builder, set_);
}

PointSet pointSet(const std::vector<FileRun>& runs) {
    RunPoints points;
    for (const FileRun& run : runs) points.add(run);
    return points.points();
}

PointSet pointSet(const SessionRun& session) {
    PointSet set;
    set.coordinateSystem = session.coordinateSystem;
    RunPoints::KnownIndex index;
    PointSetBuilder builder(set, index);
    std::set<std::string> stood;
    for (const ReducedSetup& setup : session.book.setups) stood.insert(setup.station);
    // Every known point once, by the name its observation files give it, so that the runs'
    // stations and references fall on them.
    for (const KnownPoint& point : session.known.points) {
        const PointRole role =
            stood.contains(point.name) ? PointRole::Station : PointRole::Reference;
        builder.known(role, point.name.substr(0, nameWidth), point.m, point.p, session.known.file);
    }
    for (const SessionPoint& point : session.points)
        if (point.run && hasPosition(*point.run)) addRun(*point.run, builder, set);
    return set;
}

} // namespace interseccao
