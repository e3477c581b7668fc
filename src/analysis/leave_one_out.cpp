// Leave-one-out by minimising the series of the sum of squares again, the changed term in it.
#include "analysis/leave_one_out.hpp"
#include "angles/bearing.hpp"

#include "altimetry/cycle.hpp"
#include "analysis/series.hpp"

#include <algorithm>
#include <cmath>

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
StationTerm withoutReading(const StationTerm& t, const double* v, std::int32_t l, bool pointActive) {
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
    PlaneSeries total;              // Σ w (e − B)² over the stations
    std::array<double, 3> normal{}; // N = Σ w a aᵀ: MM, MP, PP
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

// The point with the station's term `before` replaced by `after`; `change` is the series of
// its bearing's change and `square` that series squared.
LeaveOneOut replaced(const Plane& plane, std::size_t station, const StationTerm& after,
                     const PlaneSeries& change, const PlaneSeries& square) {
    const StationTerm& before = plane.terms[station];
    LeaveOneOut out;
    const auto& a = plane.fit.bearingGradient[station];
    const double dw = after.weight - before.weight;
    const std::array<double, 3> n = {plane.normal[0] + dw * a[0] * a[0],
                                     plane.normal[1] + dw * a[0] * a[1],
                                     plane.normal[2] + dw * a[1] * a[1]};
    const std::int32_t seeing = plane.seeing - (before.weight > 0) + (after.weight > 0);
    if (seeing < 2 || !(n[0] * n[2] - n[1] * n[1] > parallelRaysBound * n[0] * n[2])) return out;
    // Σ over the others + w' (e' − B)² = total + (w' − w) B² − 2 (w' e' − w e) B + constants.
    PlaneSeries f = square;
    f *= dw;
    PlaneSeries linear = change;
    linear *= -2.0 * (after.weight * after.misclosure - before.weight * before.misclosure);
    f += linear;
    f += plane.total;
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
                       (f.at((*step)[0], (*step)[1]).value - f.coefficient(0, 0));
    if (out.degreesOfFreedom > 0)
        out.unitDeviation = std::sqrt(std::max(sum, 0.0) / out.degreesOfFreedom);
    return out;
}

// The stations' terms, their sum as a series and the normal matrix, from the fit.
Plane plane(const ObservationSet& observations, const DirectionFit& fit) {
    Plane plane{fit, {}, {}, {}, 0, INFINITY};
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
        if (t.weight == 0) continue;
        ++plane.seeing;
        const auto& a = fit.bearingGradient[i];
        plane.normal[0] += t.weight * a[0] * a[0];
        plane.normal[1] += t.weight * a[0] * a[1];
        plane.normal[2] += t.weight * a[1] * a[1];
        plane.total += squaredTerm(t.weight, t.misclosure, PlaneSeries::bearingChange(dM, dP));
    }
    return plane;
}

} // namespace

PlanimetricLeaveOneOut leaveOneOut(const ObservationSet& observations,
                                   const std::vector<ReadingIndex>& index, const DirectionFit& fit,
                                   const std::vector<double>& redundancy) {
    PlanimetricLeaveOneOut result;
    result.readings.resize(index.size());
    const Plane p = plane(observations, fit);
    std::size_t k = 0;
    for (std::size_t i = 0; i < observations.stations.size(); ++i) {
        const Station& station = observations.stations[i];
        const PlaneSeries change =
            PlaneSeries::bearingChange(fit.point.m - station.m, fit.point.p - station.p);
        const PlaneSeries square = change * change;
        const StationTerm& t = p.terms[i];
        const bool pointActive = fit.point.m != station.m || fit.point.p != station.p;
        for (std::int32_t l = 0; l < t.readings; ++l, ++k)
            if (redundancy[k] >= uncontrolledBound)
                result.readings[k] =
                    replaced(p, i, withoutReading(t, &fit.residuals[k - static_cast<std::size_t>(l)], l, pointActive),
                             change, square);
        result.stations.push_back(replaced(p, i, StationTerm{}, change, square));
    }
    return result;
}

std::vector<HeightWithout> leaveZenithOut(const std::vector<ZenithObservation>& readings,
                                          PlanePoint point, const ZenithFit& fit) {
    std::vector<LineSeries> changes;
    LineSeries total;
    double nearest = INFINITY;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const ZenithObservation& z = readings[i];
        const double d = std::hypot(z.m - point.m, z.p - point.p);
        const double h = fit.height - z.stationHeight - z.instrumentHeight + z.targetHeight -
                         curvatureRefractionCoefficient * d * d;
        nearest = std::min(nearest, std::hypot(d, h));
        changes.push_back(LineSeries::angleChange(d, h));
        total += LineSeries::squaredTerm(fit.residuals[i], changes.back());
    }
    std::vector<HeightWithout> result(readings.size());
    for (std::size_t i = 0; i < readings.size(); ++i) {
        HeightWithout& r = result[i];
        r.without.degreesOfFreedom = fit.degreesOfFreedom - 1;
        if (readings.size() < 2) continue;
        LineSeries f = total;
        f -= LineSeries::squaredTerm(fit.residuals[i], changes[i]);
        double step = 0;
        bool settled = false;
        for (int iteration = 0; iteration < newtonLimit && !settled; ++iteration) {
            const auto local = f.at(step);
            if (!(local[2] > 0)) break;
            const double correction = -local[1] / local[2];
            step += correction;
            settled = std::fabs(correction) <= settledStep;
        }
        if (!settled || !(std::fabs(step) <= heightStepShare * nearest)) {
            r.without.status = LeaveOneOut::Status::NotConverged;
            continue;
        }
        r.without.status = LeaveOneOut::Status::Computed;
        r.height = fit.height + step;
        r.without.shift = std::fabs(step);
        const double sum = fit.weightedSquareSum - fit.residuals[i] * fit.residuals[i] +
                           (f.at(step)[0] - f[0]);
        if (r.without.degreesOfFreedom > 0)
            r.without.unitDeviation = std::sqrt(std::max(sum, 0.0) / r.without.degreesOfFreedom);
    }
    return result;
}

} // namespace interseccao
