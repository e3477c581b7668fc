// The quality analysis: the direction model and the zenith readings, tested reading by
// reading, each left out in turn.
#include "analysis/quality.hpp"
#include "angles/bearing.hpp"

#include "adjustment/chi_square.hpp"
#include "analysis/statistics.hpp"
#include "analysis/wording.hpp"
#include "analysis/zenith_model.hpp"
#include "model/angle_units.hpp"
#include "text/numbers.hpp"

#include <algorithm>
#include <cmath>
#include <functional>

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

LeaveOneOut leftOut(const DirectionFit& fit, PlanePoint base) {
    LeaveOneOut out;
    if (!fit.determined) return out;
    if (!fit.converged) {
        out.outcome = LeaveOneOut::Outcome::NotConverged;
        return out;
    }
    out.outcome = LeaveOneOut::Outcome::Computed;
    out.point = fit.point;
    const double dM = fit.point.m - base.m;
    const double dP = fit.point.p - base.p;
    out.shift = std::hypot(dM, dP);
    out.shiftBearing = out.shift > 0 ? bearing(dM, dP) : 0.0;
    out.degreesOfFreedom = fit.degreesOfFreedom;
    if (fit.degreesOfFreedom > 0)
        out.unitDeviation = std::sqrt(fit.weightedSquareSum / fit.degreesOfFreedom);
    return out;
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
    double largest = -1;
    for (std::size_t k = 0; k < tests.size(); ++k)
        if (tests[k]->standardized && std::fabs(*tests[k]->standardized) > largest) {
            largest = std::fabs(*tests[k]->standardized);
            s.reading = k;
        }
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

std::string testsText(const ReadingTests& t, std::optional<double> critical, AngleUnit unit) {
    std::string text =
        "w = " + fixed(*t.standardized, 1) + " (limite " + fixed(snoopingCritical, 2) + ")";
    if (t.studentized) {
        text += ", τ = " + fixed(*t.studentized, 2);
        if (critical) text += " (crítico " + fixed(*critical, 2) + ")";
    }
    text += ", resíduo " + fixed(toSmallAngle(t.residual, unit), 1) + smallAngleSymbol(unit);
    return text;
}

std::string unitDeviationText(const ObservationSet& observations, const PlanimetricQuality& q) {
    const AngleUnit unit = observations.angleUnit;
    const std::string small = smallAngleSymbol(unit);
    return q.unitDeviation
               ? "s0 = " + fixed(toSmallAngle(*q.unitDeviation, unit), 1) + small +
                     " para σ = " + fixed(toSmallAngle(observations.aprioriPrecision, unit), 1) +
                     small
               : "sem graus de liberdade";
}

// When no reading is under suspicion: the largest |w|, and whether it is worth a second look.
std::string largestStandardizedText(const ObservationSet& observations,
                                    const PlanimetricQuality& q) {
    const auto& r = q.readings;
    const auto most = std::max_element(r.begin(), r.end(), [](const auto& x, const auto& y) {
        return std::fabs(x.tests.standardized.value_or(0)) <
               std::fabs(y.tests.standardized.value_or(0));
    });
    if (most == r.end() || !most->tests.standardized) return "";
    const double w = std::fabs(*most->tests.standardized);
    const std::string where = readingLabel(observations, most->index);
    if (w > snoopingCritical)
        return " O maior |w|, " + fixed(w, 2) + " em " + where + ", passa " +
               fixed(snoopingCritical, 2) + " mas não " + fixed(outstandingCritical, 2) +
               ", e o teste global aceita: vale a pena rever essa leitura, mas nada a "
               "aponta como errada.";
    return " O maior |w| é " + fixed(w, 2) + ", em " + where + " (limite " +
           fixed(snoopingCritical, 2) + ").";
}

std::string verdictWithoutSuspicion(const ObservationSet& observations,
                                    const PlanimetricQuality& q) {
    std::string text = "Nenhuma leitura suspeita";
    if (q.globalTest == Verdict::Rejected)
        text += ", mas o teste global rejeita a precisão a priori (" +
                unitDeviationText(observations, q) +
                "): nenhuma leitura se destaca das outras; as leituras são, no conjunto, "
                "menos precisas do que a precisão a priori diz.";
    else if (q.globalTest == Verdict::Accepted)
        text += ": o teste global aceita a precisão a priori (" +
                unitDeviationText(observations, q) + ").";
    else
        text += ": não há leituras a mais para as testar.";
    return text + largestStandardizedText(observations, q);
}

// The reading under suspicion, or the readings whose tests are one, with their tests.
std::string suspicionText(const ObservationSet& observations, const PlanimetricQuality& q) {
    const Suspicion& s = q.suspicion;
    const HorizontalReadingQuality& suspicious = q.readings[s.reading];
    const auto label = [&](std::size_t k) {
        return readingLabel(observations, q.readings[k].index);
    };
    const std::string tests =
        testsText(suspicious.tests, q.studentizedCritical, observations.angleUnit);
    if (s.kind == Suspicion::Kind::Reading)
        return "Leitura suspeita: " + label(s.reading) + ", com " + tests + ".";
    std::string text = "Leitura suspeita: " + label(s.reading);
    bool oneStation = true;
    for (const std::size_t l : s.alike) {
        text += " ou " + label(l);
        oneStation = oneStation && q.readings[l].index.station == suspicious.index.station;
    }
    text += oneStation ? " (os seus testes são um só: com uma só referência a estação mede "
                         "um só ângulo)"
                       : " (os seus testes são um só: as leituras não se controlam umas às "
                         "outras)";
    return text + ", com " + tests + ".";
}

// How far the point moves, and how s0 changes, without the reading under suspicion.
std::string withoutSuspiciousReadingText(const ObservationSet& observations,
                                         const PlanimetricQuality& q) {
    const AngleUnit unit = observations.angleUnit;
    const std::string small = smallAngleSymbol(unit);
    const LeaveOneOut& without = q.readings[q.suspicion.reading].without;
    if (without.outcome != LeaveOneOut::Outcome::Computed) return "";
    std::string text = " Sem ela o ponto desloca-se " + fixed(without.shift, 3) + " m (rumo " +
                       fixed(toDirection(without.shiftBearing, unit), 1) + directionSymbol(unit) +
                       ")";
    if (without.unitDeviation && q.unitDeviation)
        text += " e s0 passa de " + fixed(toSmallAngle(*q.unitDeviation, unit), 1) + small +
                " para " + fixed(toSmallAngle(*without.unitDeviation, unit), 1) + small;
    return text + ".";
}

std::string planimetricVerdict(const ObservationSet& observations, const PlanimetricQuality& q) {
    if (q.suspicion.kind == Suspicion::Kind::None) return verdictWithoutSuspicion(observations, q);
    return suspicionText(observations, q) + withoutSuspiciousReadingText(observations, q);
}

std::string heightVerdict(const ObservationSet& observations, const HeightQuality& h) {
    const AngleUnit unit = observations.angleUnit;
    const Suspicion& s = h.suspicion;
    if (s.kind == Suspicion::Kind::None) {
        std::string text = "Cota: nenhuma leitura zenital suspeita";
        if (h.degreesOfFreedom < 1) return text + " (não há leituras a mais para as testar).";
        return text + ".";
    }
    std::string text = "Cota: leitura zenital suspeita em " + zenithLabel(observations, s.reading);
    for (const std::size_t l : s.alike) text += " ou em " + zenithLabel(observations, l);
    if (!s.alike.empty()) text += " (os seus testes não se distinguem)";
    const ZenithReadingQuality& suspect = h.readings[s.reading];
    text += ", com " + testsText(suspect.tests, h.studentizedCritical, unit) + ".";
    if (suspect.without.outcome == LeaveOneOut::Outcome::Computed)
        text += " Sem ela a cota passa de " + fixed(h.height, 3) + " m para " +
                fixed(suspect.heightWithout, 3) + " m.";
    return text;
}

void addIntersections(const ObservationSet& observations, PlanimetricQuality& q) {
    const auto n = std::ssize(observations.stations);
    std::vector<double> rays;
    for (const Station& station : observations.stations) {
        const double dM = station.m - q.point.m;
        const double dP = station.p - q.point.p;
        rays.push_back(dM == 0 && dP == 0 ? 0.0 : bearing(dM, dP));
    }
    for (std::int32_t i = 0; i < n; ++i)
        for (std::int32_t j = i + 1; j < n; ++j) {
            double angle =
                std::fabs(rays[static_cast<std::size_t>(i)] - rays[static_cast<std::size_t>(j)]);
            if (angle > PI) angle = 2.0 * PI - angle;
            const RayIntersection pair{i, j, angle, std::min(angle, PI - angle)};
            if (n <= maxStationsWithEveryPair) q.intersections.push_back(pair);
            if (!q.weakest || pair.strength < q.weakest->strength) q.weakest = pair;
            if (!q.strongest || pair.strength > q.strongest->strength) q.strongest = pair;
        }
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
        confidence.a *= confidenceEllipseFactor;
        confidence.b *= confidenceEllipseFactor;
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

// Every reading tested, and the point computed again without it.
void addReadings(const ObservationSet& observations, const std::vector<ReadingIndex>& index,
                 const DirectionFit& fit, const ResidualCofactors& cofactor,
                 PlanimetricQuality& q) {
    const double sigma = observations.aprioriPrecision;
    std::vector<bool> active(index.size(), true);
    for (std::size_t k = 0; k < index.size(); ++k) {
        HorizontalReadingQuality r;
        r.index = index[k];
        r.tests = readingTests(fit.residuals[k], cofactor(k, k), sigma, q.unitDeviation);
        if (r.tests.minimalDetectableBias)
            r.biasShift = biasShift(fit, cofactor, index[k], k, *r.tests.minimalDetectableBias);
        active[k] = false;
        r.without = leftOut(fitDirections(observations, active, fit.point), fit.point);
        active[k] = true;
        q.readings.push_back(r);
    }
}

// The point computed again without each station's readings.
void addStationsLeftOut(const ObservationSet& observations, const std::vector<ReadingIndex>& index,
                        const DirectionFit& fit, PlanimetricQuality& q) {
    std::vector<bool> active(index.size(), true);
    for (std::size_t i = 0; i < observations.stations.size(); ++i) {
        for (std::size_t k = 0; k < index.size(); ++k)
            active[k] = static_cast<std::size_t>(index[k].station) != i;
        q.withoutStation.push_back(
            leftOut(fitDirections(observations, active, fit.point), fit.point));
    }
}

// Of the items, the one without which s0 is lowest, when it is lower than `deviation`.
template <class Items, class Without> std::optional<std::size_t>
lowestDeviationWithout(const Items& items, const Without& without, double deviation) {
    std::optional<std::size_t> best;
    double bestValue = deviation;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const LeaveOneOut& out = without(items[k]);
        if (out.unitDeviation && *out.unitDeviation < bestValue) {
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

PlanimetricQuality planimetricQuality(const ObservationSet& observations, PlanePoint start) {
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
    addStationsLeftOut(observations, index, fit, q);
    addDeviationLowering(q);
    addIntersections(observations, q);
    q.suspicion = snoopReadings(q, cofactor);
    q.suspicion.text = planimetricVerdict(observations, q);
    return q;
}

HeightQuality heightQuality(const ObservationSet& observations, PlanePoint point, double start) {
    HeightQuality h;
    const std::vector<ZenithObservation>& records = observations.zenithObservations;
    std::vector<bool> active(records.size(), true);
    const ZenithFit fit = fitZenith(records, active, point, start);
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
    for (std::size_t i = 0; i < records.size(); ++i) {
        ZenithReadingQuality r;
        r.tests = readingTests(fit.residuals[i], residualCofactor(i, i),
                               observations.aprioriPrecision, h.unitDeviation);
        active[i] = false;
        const ZenithFit without = fitZenith(records, active, point, fit.height);
        active[i] = true;
        r.without.degreesOfFreedom = without.degreesOfFreedom;
        if (without.determined) {
            r.without.outcome = LeaveOneOut::Outcome::Computed;
            r.heightWithout = without.height;
            r.without.shift = std::fabs(without.height - fit.height);
            if (without.degreesOfFreedom > 0)
                r.without.unitDeviation =
                    std::sqrt(without.weightedSquareSum / without.degreesOfFreedom);
        }
        h.readings.push_back(r);
    }
    std::vector<ReadingTests*> tests;
    for (ZenithReadingQuality& r : h.readings) tests.push_back(&r.tests);
    h.suspicion =
        snoop(tests, h.globalTest == Verdict::Rejected, [&](std::size_t i, std::size_t j) {
            return residualCofactor(i, j) / std::sqrt(h.readings[i].tests.redundancyNumber *
                                                      h.readings[j].tests.redundancyNumber);
        });
    h.suspicion.text = heightVerdict(observations, h);
    return h;
}

} // namespace

QualityAnalysis analyseQuality(const ObservationSet& observations,
                               const PlanimetricSolution& planimetry,
                               const HeightSolution* height) {
    QualityAnalysis analysis;
    const PlanePoint start = planimetry.adjusted ? planimetry.point : planimetry.approximate;
    analysis.planimetry = planimetricQuality(observations, start);
    const PlanimetricQuality& q = analysis.planimetry;
    analysis.warnings = consistencyWarnings(observations);
    const AngleUnit unit = observations.angleUnit;
    if (!q.determined) {
        analysis.warnings.push_back("As leituras azimutais não determinam o ponto: a análise "
                                    "planimétrica ficou por fazer.");
        analysis.verdict = "Análise planimétrica impossível: as leituras não determinam o ponto.";
    } else {
        analysis.verdict = q.suspicion.text;
        const auto name = [&](std::int32_t i) {
            return std::string(
                trimmedName(observations.stations[static_cast<std::size_t>(i)].name));
        };
        if (q.weakest && q.weakest->strength < weakIntersectionBound)
            analysis.warnings.push_back(
                "Intersecção fraca: os raios de " + name(q.weakest->first) + " e de " +
                name(q.weakest->second) + " cruzam-se no ponto com " +
                fixed(toDirection(q.weakest->angle, unit), 1) + directionSymbol(unit) +
                " (abaixo de 20 gon do alinhamento); este par sozinho determina mal o ponto.");
        if (q.strongest && q.strongest->strength < weakIntersectionBound)
            analysis.warnings.push_back(
                "Todas as intersecções são fracas: nenhum par de raios se afasta 20 gon do "
                "alinhamento, e o ponto fica mal determinado na direcção dos raios.");
        if (q.degreesOfFreedom == 0)
            analysis.warnings.push_back(
                "Sem leituras a mais (graus de liberdade 0): nenhuma leitura pode ser testada.");
    }
    if (height != nullptr && q.determined && observations.zenithObservations.size() >= 2) {
        analysis.height = heightQuality(observations, q.point, height->height);
        analysis.verdict += "\n" + analysis.height->suspicion.text;
    }
    return analysis;
}

} // namespace interseccao
