// Leave-one-out by minimising the series of the sum of squares again, the changed term in it.
#include "analysis/leave_one_out.hpp"
#include "angles/bearing.hpp"

#include "altimetry/cycle.hpp"
#include "analysis/series.hpp"
#include "platform/ordered_work.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>

namespace interseccao {

namespace {

// Below this ratio of the determinant to the product of the diagonal the rays are parallel:
// the fit's own bound.
constexpr double parallelRaysBound = 1e-12;
// The series hold to a step of this share of the nearest station's distance (planimetry:
// the first term left out is then below 1e-10 of the bearing's change) or of the nearest
// sight's length (height, with its longer series).
constexpr double planeStepShare = 0.05;
constexpr double heightStepShare = 0.3;
// Newton's method on a series: the step at which it has settled, metres, and its limit.
constexpr double settledStep = 1e-12;
constexpr int newtonLimit = 30;
// Heights that far apart (a sight of no length gives a series of no reach) are not followed.
constexpr std::size_t centreLimit = 8;
// A sight shorter than this (a station under the point) gives a series that holds nothing.
constexpr double shortestReach = heightStepShare * 1e-3; // metres

// One station's share of the sum of squares.
struct StationTerm {
    double weight = 0;     // w = (n − 1)/n with the reading to the point, 0 without
    double misclosure = 0; // e at the point, radians
    double spread = 0;     // the references' squares about their mean, square radians
    std::int32_t readings = 0;
};

std::int32_t freedom(std::int32_t readings) { return std::max(readings - 1, 0); }

// The station's term from the fit's residuals `v` of its readings (the point's first, when
// `pointActive`): e = v_point · n / (n − 1), and the references' mean lies v_point / (n − 1)
// below the station's.
StationTerm stationTerm(const double* v, std::int32_t n, bool pointActive) {
    StationTerm t;
    t.readings = n;
    double squares = 0;
    for (std::int32_t l = 0; l < n; ++l) squares += v[l] * v[l];
    if (!pointActive || n < 2) {
        t.spread = squares;
        return t;
    }
    t.weight = (n - 1.0) / n;
    t.misclosure = v[0] * n / (n - 1.0);
    t.spread = squares - v[0] * v[0] * n / (n - 1.0);
    return t;
}

// The term without the station's reading `l` (0 for the point's, when `pointActive`).
StationTerm withoutReading(const StationTerm& t, const double* v, std::int32_t l,
                           bool pointActive) {
    StationTerm after;
    after.readings = t.readings - 1;
    if (!pointActive) {
        // References alone: one fewer about the station's mean.
        if (after.readings > 0) after.spread = t.spread - v[l] * v[l] * t.readings / after.readings;
        return after;
    }
    if (l == 0) {
        after.spread = t.spread;
        return after;
    }
    const std::int32_t references = t.readings - 1;
    if (references == 1) return after; // the point's reading alone orients the circle
    const double referenceMean = -v[0] / references;
    const double deviation = v[l] - referenceMean;
    after.spread = t.spread - deviation * deviation * references / (references - 1.0);
    const double meanAfter = (-v[0] - v[l]) / (references - 1.0);
    after.weight = (references - 1.0) / references;
    after.misclosure = v[0] - meanAfter;
    return after;
}

struct Plane {
    const DirectionFit& fit;
    std::vector<StationTerm> terms;
    // Each station's series of its bearing's change B and of B².
    std::vector<PlaneSeries> changes, squares;
    PlaneSeries total; // Σ w (e − B)² over the stations
    // N = Σ w a aᵀ (MM, MP, PP) over the stations before each one and after it: N without a
    // station is never a difference, which a station under the point would swamp.
    std::vector<std::array<double, 3>> before, after;
    std::int32_t seeing = 0;
    double nearest = 0; // metres, the nearest station's distance from the point
};

// Newton's method from no step on the series; none when it does not settle.
std::optional<std::array<double, 2>> minimise(const PlaneSeries& f, double limit) {
    std::array<double, 2> step{0, 0};
    for (int iteration = 0; iteration < newtonLimit; ++iteration) {
        const PlaneSeries::Local l = f.at(step[0], step[1]);
        const auto& h = l.hessian;
        const double determinant = h[0] * h[2] - h[1] * h[1];
        if (!(h[0] > 0 && determinant > 0)) return std::nullopt;
        const double dM = -(h[2] * l.gradient[0] - h[1] * l.gradient[1]) / determinant;
        const double dP = -(h[0] * l.gradient[1] - h[1] * l.gradient[0]) / determinant;
        step = {step[0] + dM, step[1] + dP};
        if (!(std::hypot(step[0], step[1]) <= limit)) return std::nullopt;
        if (std::hypot(dM, dP) <= settledStep) return step;
    }
    return std::nullopt;
}

// The point with the station's term `before` replaced by `after`.
LeaveOneOut replaced(const Plane& plane, std::size_t station, const StationTerm& after) {
    const StationTerm& before = plane.terms[station];
    LeaveOneOut out;
    const auto& a = plane.fit.bearingGradient[station];
    const double dw = after.weight - before.weight;
    std::array<double, 3> n{};
    for (std::size_t c = 0; c < 3; ++c)
        n[c] = plane.before[station][c] + plane.after[station + 1][c];
    n = {n[0] + after.weight * a[0] * a[0], n[1] + after.weight * a[0] * a[1],
         n[2] + after.weight * a[1] * a[1]};
    const std::int32_t seeing = plane.seeing - (before.weight > 0) + (after.weight > 0);
    if (seeing < 2 || !(n[0] * n[2] - n[1] * n[1] > parallelRaysBound * n[0] * n[2])) return out;
    // Σ over the others + w' (e' − B)² = total + (w' − w) B² − 2 (w' e' − w e) B + constants.
    const PlaneSeries f = PlaneSeries::scaledSum(
        plane.squares[station], dw, plane.changes[station],
        -2.0 * (after.weight * after.misclosure - before.weight * before.misclosure), plane.total);
    const auto step = minimise(f, planeStepShare * plane.nearest);
    if (!step) {
        out.status = LeaveOneOut::Status::NotConverged;
        return out;
    }
    out.status = LeaveOneOut::Status::Computed;
    out.point = {plane.fit.point.m + (*step)[0], plane.fit.point.p + (*step)[1]};
    out.shift = std::hypot((*step)[0], (*step)[1]);
    out.shiftBearing = out.shift > 0 ? bearing((*step)[0], (*step)[1]) : 0.0;
    out.degreesOfFreedom =
        plane.fit.degreesOfFreedom + freedom(after.readings) - freedom(before.readings);
    const double sum = plane.fit.weightedSquareSum - before.spread -
                       before.weight * before.misclosure * before.misclosure + after.spread +
                       after.weight * after.misclosure * after.misclosure +
                       (f.valueAt((*step)[0], (*step)[1]) - f.coefficient(0, 0));
    if (out.degreesOfFreedom > 0)
        out.unitDeviation = std::sqrt(std::max(sum, 0.0) / out.degreesOfFreedom);
    return out;
}

// The stations' terms, their sum as a series and the normal matrix, from the fit.
Plane plane(const ObservationSet& observations, const DirectionFit& fit) {
    Plane plane{fit, {}, {}, {}, {}, {}, {}, 0, INFINITY};
    std::vector<std::array<double, 3>> shares;
    std::size_t k = 0;
    for (std::size_t i = 0; i < observations.stations.size(); ++i) {
        const Station& station = observations.stations[i];
        const double dM = fit.point.m - station.m;
        const double dP = fit.point.p - station.p;
        const bool pointActive = dM != 0 || dP != 0;
        const auto n = static_cast<std::int32_t>(station.references.size()) + 1;
        const StationTerm t = stationTerm(&fit.residuals[k], n, pointActive);
        k += static_cast<std::size_t>(n);
        plane.terms.push_back(t);
        if (pointActive) plane.nearest = std::min(plane.nearest, std::hypot(dM, dP));
        plane.changes.push_back(PlaneSeries::bearingChange(dM, dP));
        plane.squares.push_back(plane.changes.back() * plane.changes.back());
        const auto& a = fit.bearingGradient[i];
        shares.push_back({t.weight * a[0] * a[0], t.weight * a[0] * a[1], t.weight * a[1] * a[1]});
        if (t.weight == 0) continue;
        ++plane.seeing;
        plane.total +=
            squaredTerm(t.weight, t.misclosure, plane.changes.back(), plane.squares.back());
    }
    const std::size_t n = shares.size();
    plane.before.assign(n + 1, {0, 0, 0});
    plane.after.assign(n + 1, {0, 0, 0});
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t c = 0; c < 3; ++c) {
            plane.before[i + 1][c] =
                plane.before[i][c] + (plane.terms[i].weight > 0 ? shares[i][c] : 0.0);
            plane.after[n - 1 - i][c] =
                plane.after[n - i][c] +
                (plane.terms[n - 1 - i].weight > 0 ? shares[n - 1 - i][c] : 0.0);
        }
    return plane;
}

} // namespace

// Below this many stations the figures are worked out on one thread: starting another costs
// more than it saves. Above it, in blocks of this many stations.
constexpr std::size_t stationsSideBySide = 400;
constexpr std::size_t stationsPerBlock = 64;

PlanimetricLeaveOneOut leaveOneOut(const ObservationSet& observations,
                                   const std::vector<ReadingIndex>& index, const DirectionFit& fit,
                                   const std::vector<double>& redundancy) {
    PlanimetricLeaveOneOut result;
    result.readings.resize(index.size());
    const std::size_t stations = observations.stations.size();
    result.stations.resize(stations);
    const Plane p = plane(observations, fit);
    std::vector<std::size_t> firstReading(stations);
    for (std::size_t i = 0, k = 0; i < stations;
         k += static_cast<std::size_t>(p.terms[i++].readings))
        firstReading[i] = k;
    // Each station's figures depend on the whole fit and on that station alone: blocks of
    // stations are worked out side by side, each figure as it would be alone.
    const std::size_t blocks = (stations + stationsPerBlock - 1) / stationsPerBlock;
    platform::runInOrder(
        blocks, stations >= stationsSideBySide ? platform::workersAvailable() : 1,
        std::max<std::size_t>(blocks, 1),
        [&](std::size_t, std::size_t block) {
            const std::size_t end = std::min(stations, (block + 1) * stationsPerBlock);
            for (std::size_t i = block * stationsPerBlock; i < end; ++i) {
                const Station& station = observations.stations[i];
                const StationTerm& t = p.terms[i];
                const bool pointActive = fit.point.m != station.m || fit.point.p != station.p;
                const double* residuals = &fit.residuals[firstReading[i]];
                for (std::int32_t l = 0; l < t.readings; ++l) {
                    const std::size_t k = firstReading[i] + static_cast<std::size_t>(l);
                    if (redundancy[k] >= uncontrolledBound)
                        result.readings[k] =
                            replaced(p, i, withoutReading(t, residuals, l, pointActive));
                }
                result.stations[i] = replaced(p, i, StationTerm{});
            }
        },
        [](std::size_t, std::size_t) {});
    return result;
}

namespace {

// The sum of the zenith readings' squares as series about heights near the fit's: one about
// the fit's height, and more where a reading left out moves the height beyond their reach.
class HeightSums {
public:
    HeightSums(const std::vector<ZenithObservation>& readings, PlanePoint point, double height)
        : readings_(readings), point_(point), height_(height) {
        for (const ZenithObservation& z : readings) {
            const double d = std::hypot(z.m - point.m, z.p - point.p);
            const double h = height - z.stationHeight - z.instrumentHeight + z.targetHeight -
                             curvatureRefractionCoefficient * d * d;
            reach_ = std::min(reach_, heightStepShare * std::hypot(d, h));
        }
    }

    // The value and the two derivatives of the sum without reading `left`, `step` from the
    // fit's height; none when the step needs more series than centreLimit.
    std::optional<std::array<double, 3>> without(std::size_t left, double step) {
        const Centre* c = centreNear(step);
        if (c == nullptr) return std::nullopt;
        const double t = step - c->step;
        std::array<double, 3> local = c->sum.at(t);
        // Newton's steps for one reading stay about one centre: its term is worked out once.
        if (left != ownLeft_ || c != ownCentre_) {
            own_ = term(left, c->step);
            ownLeft_ = left;
            ownCentre_ = c;
        }
        const std::array<double, 3> own = own_.at(t);
        for (std::size_t k = 0; k < 3; ++k) local[k] -= own[k];
        return local;
    }

    double reach() const { return reach_; }

private:
    struct Centre {
        double step = 0;
        LineSeries sum;
    };

    // Reading i's square as a series about the fit's height plus `step`.
    LineSeries term(std::size_t i, double step) const {
        const ZenithObservation& z = readings_[i];
        const double d = std::hypot(z.m - point_.m, z.p - point_.p);
        const double h = height_ + step - z.stationHeight - z.instrumentHeight + z.targetHeight -
                         curvatureRefractionCoefficient * d * d;
        return LineSeries::squaredTerm(z.zenithReading - std::atan2(d, h),
                                       LineSeries::angleChange(d, h));
    }

    const Centre* centreNear(double step) {
        for (const Centre& c : centres_)
            if (std::fabs(step - c.step) <= reach_) return &c;
        if (centres_.size() == centreLimit) return nullptr;
        Centre c{step, {}};
        for (std::size_t i = 0; i < readings_.size(); ++i) c.sum += term(i, step);
        centres_.push_back(c);
        return &centres_.back();
    }

    const std::vector<ZenithObservation>& readings_;
    PlanePoint point_;
    double height_;
    double reach_ = INFINITY;
    std::deque<Centre> centres_;
    // The last reading's term left out and the centre it is about.
    std::size_t ownLeft_ = SIZE_MAX;
    const Centre* ownCentre_ = nullptr;
    LineSeries own_;
};

} // namespace

std::vector<HeightWithout> leaveZenithOut(const std::vector<ZenithObservation>& readings,
                                          PlanePoint point, const ZenithFit& fit) {
    std::vector<HeightWithout> result(readings.size());
    if (readings.size() < 2) return result;
    HeightSums sums(readings, point, fit.height);
    if (!(sums.reach() >= shortestReach)) {
        for (HeightWithout& r : result) r.without.status = LeaveOneOut::Status::NotConverged;
        return result;
    }
    for (std::size_t i = 0; i < readings.size(); ++i) {
        HeightWithout& r = result[i];
        r.without.degreesOfFreedom = fit.degreesOfFreedom - 1;
        double step = 0;
        bool settled = false;
        for (int iteration = 0; iteration < newtonLimit && !settled; ++iteration) {
            const auto local = sums.without(i, step);
            if (!local || !((*local)[2] > 0)) break;
            const double correction = -(*local)[1] / (*local)[2];
            step += correction;
            settled = std::fabs(correction) <= settledStep;
        }
        if (!settled) {
            r.without.status = LeaveOneOut::Status::NotConverged;
            continue;
        }
        r.without.status = LeaveOneOut::Status::Computed;
        r.height = fit.height + step;
        r.without.shift = std::fabs(step);
        if (r.without.degreesOfFreedom > 0)
            r.without.unitDeviation = std::sqrt(
                std::max(sums.without(i, step).value_or(std::array<double, 3>{})[0], 0.0) /
                r.without.degreesOfFreedom);
    }
    return result;
}

} // namespace interseccao
