// The quality analysis: the direction model and the zenith readings, tested reading by
// reading, each left out in turn.
#include "analysis/quality.hpp"
#include "angles/bearing.hpp"

#include "adjustment/chi_square.hpp"
#include "analysis/statistics.hpp"
#include "analysis/zenith_model.hpp"
#include "model/angle_units.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace interseccao {

namespace {

// Two readings whose w are correlated beyond this are one test: a station with one reference
// has two readings and one angle, and whichever is wrong, both residuals say the same.
constexpr double sameTestCorrelation = 0.9999;

ErrorEllipse ellipse(const std::array<double, 4>& cofactor, double varianceFactor) {
    const double mean = 0.5 * (cofactor[0] + cofactor[3]);
    const double half = 0.5 * (cofactor[0] - cofactor[3]);
    const double radius = std::hypot(half, cofactor[1]);
    ErrorEllipse e;
    e.a = std::sqrt(varianceFactor * (mean + radius));
    e.b = std::sqrt(varianceFactor * std::max(mean - radius, 0.0));
    // The major axis (sin θ, cos θ) in (M, P): tan 2θ = 2 q_MP / (q_PP − q_MM).
    double theta = 0.5 * std::atan2(2.0 * cofactor[1], cofactor[3] - cofactor[0]);
    if (theta < 0) theta += PI;
    if (theta >= PI) theta -= PI;
    e.bearing = theta;
    return e;
}

// The tests of a reading from its residual and redundancy number.
ReadingTests readingTests(double residual, double redundancy, double precision,
                          std::optional<double> unitDeviation) {
    ReadingTests t;
    t.residual = residual;
    t.redundancyNumber = redundancy;
    if (redundancy < uncontrolledBound) return t;
    const double root = std::sqrt(redundancy);
    t.standardized = residual / (precision * root);
    if (unitDeviation && *unitDeviation > 0) t.studentized = residual / (*unitDeviation * root);
    t.minimalDetectableBias = detectableBiasNoncentrality * precision / root;
    return t;
}

// Data snooping: the reading with the largest |w| is suspect when it is beyond 3.29 and the
// global test rejects the a-priori precision, or beyond 3.62 whatever the global test says.
// Either test alone goes off too often on readings without a blunder: the global test on
// 5 % of them, and with thirty or more readings the largest |w| passes 3.29 on some 3 %.
// Both together go off on 1.5 %, but miss some blunders of 8 times the precision that pass
// 3.29 in a large network whose global test still accepts; the second, stricter bound
// finds those for another 0.4 % of false alarms (bench/blunder_detection measures both).
// `correlation(k, l)` is the correlation of the w of readings k and l.
Suspicion snoop(const std::vector<ReadingTests*>& tests, bool fitRejected,
                const std::function<double(std::size_t, std::size_t)>& correlation) {
    Suspicion s;
    const std::size_t most =
        largestStandardized(tests, [](const ReadingTests* t) -> const ReadingTests& { return *t; });
    if (most == tests.size()) return s;
    s.reading = most;
    const double largest = std::fabs(*tests[most]->standardized);
    if (!(largest > snoopingCritical) || (!fitRejected && !(largest > outstandingCritical)))
        return s;
    for (std::size_t l = 0; l < tests.size(); ++l)
        if (l != s.reading && tests[l]->standardized &&
            std::fabs(correlation(s.reading, l)) > sameTestCorrelation)
            s.alike.push_back(l);
    s.kind = s.alike.empty() ? Suspicion::Kind::Reading : Suspicion::Kind::OneOf;
    if (s.kind == Suspicion::Kind::Reading) tests[s.reading]->suspected = true;
    return s;
}

void addIntersections(const ObservationSet& observations, PlanimetricQuality& q) {
    Intersections found = intersectionsAt(observations.stations, q.point);
    q.intersections = std::move(found.listed);
    q.weakest = found.weakest;
    q.strongest = found.strongest;
}

// s0, its interval and the global test, for f > 0.
void addUnitDeviation(const DirectionFit& fit, double sigma, PlanimetricQuality& q) {
    const std::int32_t f = fit.degreesOfFreedom;
    const double s0 = std::sqrt(fit.weightedSquareSum / f);
    q.unitDeviation = s0;
    q.unitDeviationLower = s0 * std::sqrt(f / chiSquareQuantile(0.975, f));
    q.unitDeviationUpper = s0 * std::sqrt(f / chiSquareQuantile(0.025, f));
    q.globalStatistic = fit.weightedSquareSum / (sigma * sigma);
    q.globalQuantile = chiSquareQuantile(0.95, f);
    q.globalTest = *q.globalStatistic > *q.globalQuantile ? Verdict::Rejected : Verdict::Accepted;
    q.studentizedCritical = studentizedCritical(snoopingSignificance, f);
}

// The ellipses of the point, each with its variance factor, and the correlation of M and P.
void addEllipses(const DirectionFit& fit, PlanimetricQuality& q) {
    const std::int32_t f = fit.degreesOfFreedom;
    if (f > 0) {
        q.rigorousEllipse = ellipse(fit.cofactor, fit.weightedSquareSum / f);
        ErrorEllipse confidence = *q.rigorousEllipse;
        const double factor = confidenceEllipseFactor();
        confidence.a *= factor;
        confidence.b *= factor;
        q.confidenceEllipse = confidence;
    }
    if (q.reportRedundancy > 0)
        q.reportEllipse = ellipse(fit.cofactor, fit.weightedSquareSum / q.reportRedundancy);
    q.correlation = fit.cofactor[1] / std::sqrt(fit.cofactor[0] * fit.cofactor[3]);
}

// The cofactors of the residuals. Reduced by its station's mean, reading k's row of the
// design is c_k · a with c = 1 − 1/n for the reading to the point and −1/n for a reference;
// the residuals' cofactors within a station are then (δ − 1/n) − c_k · c_l · a N⁻¹ aᵀ.
class ResidualCofactors {
public:
    ResidualCofactors(const DirectionFit& fit, const std::vector<ReadingIndex>& index)
        : fit_(fit), index_(index) {}

    // c_k
    double share(std::size_t k) const {
        const double n = fit_.activeReadings[static_cast<std::size_t>(index_[k].station)];
        return (index_[k].reference == sightedPointTarget ? 1.0 : 0.0) - 1.0 / n;
    }

    double operator()(std::size_t k, std::size_t l) const {
        const auto i = static_cast<std::size_t>(index_[k].station);
        if (index_[l].station != index_[k].station) {
            const auto j = static_cast<std::size_t>(index_[l].station);
            const auto& Q = fit_.cofactor;
            const auto& a = fit_.bearingGradient[i];
            const auto& b = fit_.bearingGradient[j];
            const double aQb =
                a[0] * (Q[0] * b[0] + Q[1] * b[1]) + a[1] * (Q[2] * b[0] + Q[3] * b[1]);
            return -share(k) * share(l) * aQb;
        }
        const double n = fit_.activeReadings[i];
        return (k == l ? 1.0 : 0.0) - 1.0 / n - share(k) * share(l) * leverage(i);
    }

private:
    // a N⁻¹ aᵀ of the station's bearing gradient a.
    double leverage(std::size_t station) const {
        const auto& Q = fit_.cofactor;
        const auto& a = fit_.bearingGradient[station];
        return a[0] * (Q[0] * a[0] + Q[1] * a[1]) + a[1] * (Q[2] * a[0] + Q[3] * a[1]);
    }

    const DirectionFit& fit_;
    const std::vector<ReadingIndex>& index_;
};

// How far a bias of the minimal detectable size in reading k moves the point:
// |c_k| · δ · |N⁻¹ aᵀ|.
double biasShift(const DirectionFit& fit, const ResidualCofactors& cofactor,
                 const ReadingIndex& reading, std::size_t k, double bias) {
    const auto& Q = fit.cofactor;
    const auto& a = fit.bearingGradient[static_cast<std::size_t>(reading.station)];
    const double c = cofactor.share(k);
    return std::fabs(c) * bias * std::hypot(Q[0] * a[0] + Q[1] * a[1], Q[2] * a[0] + Q[3] * a[1]);
}

// Every reading tested.
void addReadings(const ObservationSet& observations, const std::vector<ReadingIndex>& index,
                 const DirectionFit& fit, const ResidualCofactors& cofactor,
                 PlanimetricQuality& q) {
    const double sigma = observations.aprioriPrecision;
    q.readings.reserve(index.size());
    for (std::size_t k = 0; k < index.size(); ++k) {
        HorizontalReadingQuality r;
        r.index = index[k];
        r.tests = readingTests(fit.residuals[k], cofactor(k, k), sigma, q.unitDeviation);
        if (r.tests.minimalDetectableBias)
            r.biasShift = biasShift(fit, cofactor, index[k], k, *r.tests.minimalDetectableBias);
        q.readings.push_back(r);
    }
}

// The point and s0 without each reading and each station.
void addLeftOut(const ObservationSet& observations, const std::vector<ReadingIndex>& index,
                const DirectionFit& fit, PlanimetricQuality& q) {
    std::vector<double> redundancy;
    for (const HorizontalReadingQuality& r : q.readings)
        redundancy.push_back(r.tests.redundancyNumber);
    PlanimetricLeaveOneOut without = leaveOneOut(observations, index, fit, redundancy);
    for (std::size_t k = 0; k < index.size(); ++k) q.readings[k].without = without.readings[k];
    q.withoutStation = std::move(without.stations);
}

// Values of s0 closer than this share of their size are one: the differences are rounding.
constexpr double sameDeviation = 1e-9;

// Of the items, the one without which s0 is lowest, when it is lower than `deviation`; of
// equal ones, the first.
template <class Items, class Without> std::optional<std::size_t>
lowestDeviationWithout(const Items& items, const Without& without, double deviation) {
    std::optional<std::size_t> best;
    double bestValue = deviation;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const LeaveOneOut& out = without(items[k]);
        if (out.unitDeviation && *out.unitDeviation < bestValue * (1.0 - sameDeviation)) {
            bestValue = *out.unitDeviation;
            best = k;
        }
    }
    return best;
}

// The reading and the station without which s0 drops the most.
void addDeviationLowering(PlanimetricQuality& q) {
    if (!q.unitDeviation) return;
    const double deviation = *q.unitDeviation;
    q.readingLoweringDeviationMost = lowestDeviationWithout(
        q.readings,
        [](const HorizontalReadingQuality& r) -> const LeaveOneOut& { return r.without; },
        deviation);
    q.stationLoweringDeviationMost = lowestDeviationWithout(
        q.withoutStation, [](const LeaveOneOut& out) -> const LeaveOneOut& { return out; },
        deviation);
}

// Data snooping on the readings, the correlation of their w from the residuals' cofactors.
Suspicion snoopReadings(PlanimetricQuality& q, const ResidualCofactors& cofactor) {
    std::vector<ReadingTests*> tests;
    for (HorizontalReadingQuality& r : q.readings) tests.push_back(&r.tests);
    return snoop(tests, q.globalTest == Verdict::Rejected, [&](std::size_t k, std::size_t l) {
        return cofactor(k, l) / std::sqrt(q.readings[k].tests.redundancyNumber *
                                          q.readings[l].tests.redundancyNumber);
    });
}

PlanimetricQuality planimetricQuality(const ObservationSet& observations, PlanePoint start,
                                      AnalysisExtent extent) {
    PlanimetricQuality q;
    const std::vector<ReadingIndex> index = horizontalReadings(observations);
    const std::vector<bool> active(index.size(), true);
    const DirectionFit fit = fitDirections(observations, active, start);
    q.readingCount = static_cast<std::int32_t>(index.size());
    q.reportRedundancy = observations.redundancy();
    if (!fit.determined || !fit.converged) return q;
    q.determined = true;
    q.point = fit.point;
    q.cofactor = fit.cofactor;
    q.degreesOfFreedom = fit.degreesOfFreedom;
    q.weightedSquareSum = fit.weightedSquareSum;
    if (fit.degreesOfFreedom > 0) addUnitDeviation(fit, observations.aprioriPrecision, q);
    addEllipses(fit, q);

    const ResidualCofactors cofactor(fit, index);
    addReadings(observations, index, fit, cofactor, q);
    if (extent == AnalysisExtent::Whole) {
        addLeftOut(observations, index, fit, q);
        addDeviationLowering(q);
    }
    addIntersections(observations, q);
    q.suspicion = snoopReadings(q, cofactor);
    return q;
}

HeightQuality heightQuality(const ObservationSet& observations, PlanePoint point, double start) {
    HeightQuality h;
    const std::vector<ZenithObservation>& records = observations.zenithObservations;
    const ZenithFit fit = fitZenith(records, std::vector<bool>(records.size(), true), point, start);
    h.degreesOfFreedom = fit.degreesOfFreedom;
    if (!fit.determined) return h;
    h.height = fit.height;
    h.weightedSquareSum = fit.weightedSquareSum;
    if (fit.degreesOfFreedom > 0) {
        h.unitDeviation = std::sqrt(fit.weightedSquareSum / fit.degreesOfFreedom);
        h.studentizedCritical = studentizedCritical(snoopingSignificance, fit.degreesOfFreedom);
        const double statistic =
            fit.weightedSquareSum / (observations.aprioriPrecision * observations.aprioriPrecision);
        h.globalTest = statistic > chiSquareQuantile(0.95, fit.degreesOfFreedom)
                           ? Verdict::Rejected
                           : Verdict::Accepted;
    }
    // The residuals' cofactors: δ − b_i · b_j / N.
    const auto residualCofactor = [&](std::size_t i, std::size_t j) {
        return (i == j ? 1.0 : 0.0) - fit.design[i] * fit.design[j] * fit.normalInverse;
    };
    const std::vector<HeightWithout> without = leaveZenithOut(records, point, fit);
    for (std::size_t i = 0; i < records.size(); ++i) {
        ZenithReadingQuality r;
        r.tests = readingTests(fit.residuals[i], residualCofactor(i, i),
                               observations.aprioriPrecision, h.unitDeviation);
        r.without = without[i].without;
        r.heightWithout = without[i].height;
        h.readings.push_back(r);
    }
    std::vector<ReadingTests*> tests;
    for (ZenithReadingQuality& r : h.readings) tests.push_back(&r.tests);
    h.suspicion =
        snoop(tests, h.globalTest == Verdict::Rejected, [&](std::size_t i, std::size_t j) {
            return residualCofactor(i, j) / std::sqrt(h.readings[i].tests.redundancyNumber *
                                                      h.readings[j].tests.redundancyNumber);
        });
    return h;
}

Warning warning(WarningKind kind) {
    Warning w;
    w.kind = kind;
    return w;
}

// The warnings of a point the readings fix poorly.
void addGeometryWarnings(const PlanimetricQuality& q, std::vector<Warning>& warnings) {
    if (!q.determined) {
        warnings.push_back(warning(WarningKind::PointUndetermined));
        return;
    }
    if (q.weakest && q.weakest->strength < weakIntersectionBound()) {
        Warning w = warning(WarningKind::WeakIntersection);
        w.pair = *q.weakest;
        w.angle = q.weakest->angle;
        warnings.push_back(w);
    }
    if (q.strongest && q.strongest->strength < weakIntersectionBound())
        warnings.push_back(warning(WarningKind::EveryIntersectionWeak));
    if (q.degreesOfFreedom == 0) warnings.push_back(warning(WarningKind::NoRedundancy));
}

} // namespace

QualityAnalysis analyseQuality(const ObservationSet& observations,
                               const PlanimetricSolution& planimetry, const HeightSolution* height,
                               AnalysisExtent extent, const std::vector<Warning>* consistency) {
    QualityAnalysis analysis;
    analysis.extent = extent;
    const PlanePoint start = planimetry.adjusted ? planimetry.point : planimetry.approximate;
    analysis.planimetry = planimetricQuality(observations, start, extent);
    const PlanimetricQuality& q = analysis.planimetry;
    analysis.warnings = consistency ? *consistency : consistencyWarnings(observations);
    addGeometryWarnings(q, analysis.warnings);
    if (extent == AnalysisExtent::Whole && height != nullptr && q.determined &&
        observations.zenithObservations.size() >= 2)
        analysis.height = heightQuality(observations, q.point, height->height);
    return analysis;
}

} // namespace interseccao
