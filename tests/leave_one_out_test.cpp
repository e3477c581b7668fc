// Leave-one-out without refitting against the refit it stands for, on every test network;
// the cases where the two could part; the series' quick evaluations against the sums they
// stand for; the rays' extremes against every pair; and the analysis file of names in either
// encoding.
#include "support.hpp"

#include "altimetry/cycle.hpp"
#include "analysis/direction_model.hpp"
#include "analysis/quality.hpp"
#include "analysis/series.hpp"
#include "analysis/zenith_model.hpp"
#include "analysis_text/analysis_text.hpp"
#include "angles/bearing.hpp"
#include "angles/orientation.hpp"
#include "input/observation_file.hpp"
#include "input/reader.hpp"
#include "model/angle_units.hpp"
#include "model/errors.hpp"
#include "network_generator.hpp"
#include "platform/ordered_work.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <sstream>

namespace interseccao::testing {
namespace {

struct Analysed {
    ObservationSet observations;
    PlanimetricSolution planimetry;
    QualityAnalysis analysis;
};

// The file read and adjusted as a run does it, and analysed; none when the run stops.
std::optional<Analysed> analysed(const std::string& text) {
    try {
        Analysed a;
        RecordReader reader(text, "obs.txt");
        a.observations = readPlanimetricData(reader);
        checkSettings(a.observations);
        try {
            readZenithObservations(reader, a.observations);
        } catch (const RunError&) {
            a.observations.zenithObservations.clear();
        }
        const Orientation orientation = orientStations(a.observations);
        if (orientation.stopMessage) return std::nullopt;
        a.planimetry = solvePlanimetry(a.observations, orientation);
        if (!a.planimetry.adjusted) return std::nullopt;
        std::optional<HeightSolution> height;
        if (a.observations.zenithObservations.size() >= 2)
            height = solveHeight(a.observations, {a.planimetry.point, a.planimetry.linearisation});
        a.analysis = analyseQuality(a.observations, a.planimetry, height ? &*height : nullptr);
        return a;
    } catch (const std::exception&) {
        return std::nullopt; // a file the run stops on, or one that is not an observation file
    }
}

// The reference: the point fitted again without the readings whose flag is off.
struct Refit {
    bool computed = false;
    bool unsettled = false; // determined, but the iterations did not settle: no reference
    PlanePoint point;
    std::optional<double> unitDeviation;
    std::int32_t degreesOfFreedom = 0;
};

Refit refit(const ObservationSet& observations, const std::vector<bool>& active, PlanePoint start) {
    const DirectionFit fit = fitDirections(observations, active, start);
    Refit r;
    r.computed = fit.determined && fit.converged;
    r.unsettled = fit.determined && !fit.converged;
    r.point = fit.point;
    r.degreesOfFreedom = fit.degreesOfFreedom;
    if (fit.degreesOfFreedom > 0)
        r.unitDeviation = std::sqrt(fit.weightedSquareSum / fit.degreesOfFreedom);
    return r;
}

// 0.01 mm and 0.01 second of arc (or milligon, as the file shows its precision).
// Beyond a twentieth of the nearest station's distance the analysis does not follow the point
// and says so ("não converge"); the refit's point is then that far.
void expectAsRefit(const LeaveOneOut& out, const Refit& r, AngleUnit unit, PlanePoint point,
                   double nearest) {
    if (out.status == LeaveOneOut::Status::Indeterminate && !r.computed) return;
    if (r.unsettled) return;
    if (out.status == LeaveOneOut::Status::NotConverged) {
        // Or a station under the point, whose term swamps the others' series.
        if (nearest < 1e-3) return;
        ASSERT_TRUE(r.computed);
        EXPECT_GT(std::hypot(r.point.m - point.m, r.point.p - point.p), 0.05 * nearest);
        return;
    }
    ASSERT_TRUE(r.computed);
    ASSERT_EQ(out.status, LeaveOneOut::Status::Computed);
    EXPECT_NEAR(out.point.m, r.point.m, 1e-5);
    EXPECT_NEAR(out.point.p, r.point.p, 1e-5);
    EXPECT_EQ(out.degreesOfFreedom, r.degreesOfFreedom);
    ASSERT_EQ(out.unitDeviation.has_value(), r.unitDeviation.has_value());
    if (r.unitDeviation) {
        EXPECT_NEAR(toSmallAngle(*out.unitDeviation, unit), toSmallAngle(*r.unitDeviation, unit),
                    0.01);
    }
}

void expectPlanimetryAsRefit(const Analysed& a) {
    const PlanimetricQuality& q = a.analysis.planimetry;
    const std::vector<ReadingIndex> index = horizontalReadings(a.observations);
    const AngleUnit unit = a.observations.angleUnit;
    std::vector<bool> active(index.size(), true);
    double nearest = INFINITY;
    for (const Station& s : a.observations.stations)
        nearest = std::min(nearest, std::hypot(s.m - q.point.m, s.p - q.point.p));
    for (std::size_t k = 0; k < index.size(); ++k) {
        SCOPED_TRACE("reading " + std::to_string(k));
        active[k] = false;
        const Refit r = refit(a.observations, active, q.point);
        active[k] = true;
        if (q.readings[k].tests.redundancyNumber < uncontrolledBound) {
            EXPECT_EQ(q.readings[k].without.status, LeaveOneOut::Status::Indeterminate);
            continue;
        }
        expectAsRefit(q.readings[k].without, r, unit, q.point, nearest);
    }
    for (std::size_t i = 0; i < a.observations.stations.size(); ++i) {
        SCOPED_TRACE("station " + std::to_string(i));
        for (std::size_t k = 0; k < index.size(); ++k)
            active[k] = static_cast<std::size_t>(index[k].station) != i;
        expectAsRefit(q.withoutStation[i], refit(a.observations, active, q.point), unit, q.point,
                      nearest);
    }
}

void expectHeightAsRefit(const Analysed& a) {
    if (!a.analysis.height) return;
    const HeightQuality& h = *a.analysis.height;
    const auto& records = a.observations.zenithObservations;
    std::vector<bool> active(records.size(), true);
    for (std::size_t i = 0; i < records.size(); ++i) {
        active[i] = false;
        const ZenithFit r = fitZenith(records, active, a.analysis.planimetry.point, h.height);
        active[i] = true;
        if (h.readings[i].without.status == LeaveOneOut::Status::NotConverged) {
            // Only where a sight is shorter than a millimetre.
            const double d = std::hypot(records[i].m - a.analysis.planimetry.point.m,
                                        records[i].p - a.analysis.planimetry.point.p);
            EXPECT_LT(d, 1e-3);
            continue;
        }
        ASSERT_EQ(h.readings[i].without.status == LeaveOneOut::Status::Computed, r.determined);
        if (!r.determined) continue;
        EXPECT_NEAR(h.readings[i].heightWithout, r.height, 1e-5);
        const double own = *h.readings[i].without.unitDeviation;
        if (r.degreesOfFreedom > 0 && own < std::sqrt(r.weightedSquareSum / r.degreesOfFreedom)) {
            // Lower than the refit's: the refit stopped short of the least sum (a sight of no
            // length in the plane). The figure must be the sum at the height it gives.
            double sum = 0;
            for (std::size_t j = 0; j < records.size(); ++j) {
                if (j == i) continue;
                const ZenithObservation& z = records[j];
                const double d = std::hypot(z.m - a.analysis.planimetry.point.m,
                                            z.p - a.analysis.planimetry.point.p);
                const double dH = h.readings[i].heightWithout - z.stationHeight -
                                  z.instrumentHeight + z.targetHeight -
                                  curvatureRefractionCoefficient * d * d;
                const double v = z.zenithReading - std::atan2(d, dH);
                sum += v * v;
            }
            EXPECT_NEAR(own, std::sqrt(sum / r.degreesOfFreedom), 1e-12);
        } else if (r.degreesOfFreedom > 0) {
            EXPECT_NEAR(
                toSmallAngle(*h.readings[i].without.unitDeviation, a.observations.angleUnit),
                toSmallAngle(std::sqrt(r.weightedSquareSum / r.degreesOfFreedom),
                             a.observations.angleUnit),
                0.01);
        }
    }
}

// Every observation file of the tests, the examples and the guide's cases that adjusts.
std::vector<std::filesystem::path> networks() {
    std::vector<std::filesystem::path> files;
    for (const char* folder : {"tests/cases", "tests/cli-cases", "tests/examples", "examples"})
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(sourceDir() + "/" + folder))
            if (entry.is_regular_file() && entry.path().extension() == ".txt" &&
                entry.path().filename().string().find("relatorio") == std::string::npos &&
                entry.path().filename().string().find("analise") == std::string::npos &&
                entry.path().filename().string().find("expected") == std::string::npos)
                files.push_back(entry.path());
    return files;
}

TEST(LeaveOneOut, AgreesWithTheRefitOnEveryTestNetwork) {
    std::size_t analysedCount = 0;
    for (const auto& file : networks()) {
        // A fuzzed file whose residuals are of ten degrees: leaving a reading out moves the
        // point by tens of metres at 100 m, where the analysis says it does not follow it.
        if (file.parent_path().filename() == "fuzz-long-searches") continue;
        const auto a = analysed(readFile(file));
        if (!a || !a->analysis.planimetry.determined) continue;
        SCOPED_TRACE(file.string());
        ++analysedCount;
        expectPlanimetryAsRefit(*a);
        expectHeightAsRefit(*a);
    }
    EXPECT_GT(analysedCount, 20u);
}

TEST(LeaveOneOut, AgreesWithTheRefitOnSyntheticNetworks) {
    for (const auto& [stations, seed, blunder] : std::vector<std::tuple<int, int, double>>{
             {3, 1, 0}, {6, 2, 40}, {12, 3, 0}, {30, 4, 12}}) {
        bench::NetworkOptions options;
        options.stations = stations;
        options.seed = static_cast<std::uint64_t>(seed);
        options.blunder = blunder;
        const auto a = analysed(bench::generateNetworkWithBlunder(options).text);
        ASSERT_TRUE(a);
        SCOPED_TRACE(stations);
        expectPlanimetryAsRefit(*a);
        expectHeightAsRefit(*a);
    }
}

TEST(LeaveOneOut, AReadingTheOthersDoNotCheckLeavesThePointIndeterminate) {
    // S1 and S3 nearly on one line through the point: without S2's reading to the point the
    // two left meet at a thousandth of a second of arc. A refit finds some point along
    // their line; the analysis says the others do not fix it.
    const std::string text = "gc 0.001 5\nV 3\nS1 0 -1000 1 0.0\nR1 0 -2000 180.0\n"
                             "S2 1000 0 1 270.0\nR2 2000 0 90.0\n"
                             "S3 0.000005 1000 1 180.0\nR3 0 2000 0.0\n0\n";
    const auto a = analysed(text);
    ASSERT_TRUE(a);
    const PlanimetricQuality& q = a->analysis.planimetry;
    ASSERT_TRUE(q.determined);
    EXPECT_LT(q.readings[2].tests.redundancyNumber, uncontrolledBound);
    EXPECT_EQ(q.readings[2].without.status, LeaveOneOut::Status::Indeterminate);
    EXPECT_NE(q.withoutStation[1].status, LeaveOneOut::Status::Computed);
    // Without S1 only S3 and S2 are left: still a point, as the refit says.
    EXPECT_EQ(q.withoutStation[0].status, LeaveOneOut::Status::Computed);
    std::ostringstream shown;
    writeAnalysis(a->observations, a->analysis, shown);
    EXPECT_NE(shown.str().find("ponto indeterminado"), std::string::npos);
}

// Every pair, as the extremes were found before the rays were sorted.
Intersections everyPair(const std::vector<Station>& stations, PlanePoint point) {
    Intersections all;
    std::vector<double> rays;
    for (const Station& s : stations)
        rays.push_back(s.m == point.m && s.p == point.p ? 0.0
                                                        : bearing(s.m - point.m, s.p - point.p));
    for (std::size_t i = 0; i < rays.size(); ++i)
        for (std::size_t j = i + 1; j < rays.size(); ++j) {
            double angle = std::fabs(rays[i] - rays[j]);
            if (angle > PI) angle = 2 * PI - angle;
            const RayIntersection pair{static_cast<std::int32_t>(i), static_cast<std::int32_t>(j),
                                       angle, std::min(angle, PI - angle)};
            if (!all.weakest || pair.strength < all.weakest->strength) all.weakest = pair;
            if (!all.strongest || pair.strength > all.strongest->strength) all.strongest = pair;
            all.listed.push_back(pair);
        }
    return all;
}

// A series' value and derivatives summed over every term, as the leave-one-out defines them.
PlaneSeries::Local everyTerm(const PlaneSeries& f, double dM, double dP) {
    std::array<double, PlaneSeries::order + 2> m{}, p{};
    m[2] = p[2] = 1;
    for (std::size_t k = 3; k < m.size(); ++k) {
        m[k] = m[k - 1] * dM;
        p[k] = p[k - 1] * dP;
    }
    PlaneSeries::Local l;
    for (int i = 0; i <= planeSeriesDegree; ++i)
        for (int j = 0; i + j <= planeSeriesDegree; ++j) {
            const double c = f.coefficient(i, j);
            const auto I = static_cast<std::size_t>(i + 2);
            const auto J = static_cast<std::size_t>(j + 2);
            l.value += c * m[I] * p[J];
            l.gradient[0] += c * i * m[I - 1] * p[J];
            l.gradient[1] += c * j * m[I] * p[J - 1];
            l.hessian[0] += c * i * (i - 1) * m[I - 2] * p[J];
            l.hessian[1] += c * i * j * m[I - 1] * p[J - 1];
            l.hessian[2] += c * j * (j - 1) * m[I] * p[J - 2];
        }
    return l;
}

std::uint64_t bits(double x) {
    std::uint64_t b = 0;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// Bit for bit, the sign of a zero and a NaN included.
void expectSameLocal(const PlaneSeries::Local& a, const PlaneSeries::Local& b) {
    EXPECT_EQ(bits(a.value), bits(b.value));
    for (std::size_t k = 0; k < 2; ++k) EXPECT_EQ(bits(a.gradient[k]), bits(b.gradient[k]));
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(bits(a.hessian[k]), bits(b.hessian[k]));
}

TEST(PlaneSeries, QuickEvaluationsGiveTheBitsOfEveryTerm) {
    std::uint64_t state = 11;
    const auto random = [&] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
    };
    std::vector<PlaneSeries> series;
    for (int n = 0; n < 40; ++n) {
        const PlaneSeries change = PlaneSeries::bearingChange(random() * 900, random() * 900);
        series.push_back(change);
        series.push_back(
            PlaneSeries::scaledSum(change * change, random(), change, random(), series.front()));
    }
    // Coefficients of every kind at the terms that the origin keeps and at those it drops:
    // zeros of either sign, the largest that stay finite times a derivative's factor, and
    // those that do not.
    const double max = std::numeric_limits<double>::max();
    const double odd[] = {0.0,
                          -0.0,
                          1e300,
                          -1e300,
                          1e301,
                          1e307,
                          max,
                          -max,
                          4e-320,
                          std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN()};
    const std::pair<int, int> places[] = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {1, 1},
                                          {0, 2}, {6, 0}, {0, 6}, {3, 3}, {4, 1}};
    for (const double c : odd)
        for (const auto& [i, j] : places) {
            PlaneSeries f = series[static_cast<std::size_t>(i + j)];
            f.coefficient(i, j) = c;
            series.push_back(f);
        }
    series.push_back(PlaneSeries());
    const double steps[][2] = {{0, 0},    {-0.0, 0}, {0, -0.0},   {-0.0, -0.0},  {1e-3, 0},
                               {0, 2e-3}, {-4, 3},   {1e-200, 0}, {0.25, -0.125}};
    for (std::size_t s = 0; s < series.size(); ++s)
        for (const auto& step : steps) {
            SCOPED_TRACE(std::to_string(s) + " at " + std::to_string(step[0]) + ", " +
                         std::to_string(step[1]));
            const PlaneSeries::Local full = everyTerm(series[s], step[0], step[1]);
            expectSameLocal(series[s].at(step[0], step[1]), full);
            EXPECT_EQ(bits(series[s].valueAt(step[0], step[1])), bits(full.value));
        }
}

TEST(Intersections, SortedRaysFindTheExtremesOfEveryPair) {
    std::uint64_t state = 7;
    const auto random = [&] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    for (const int n : {2, 3, 5, 40, 201, 450}) {
        for (const bool grid : {false, true}) {
            SCOPED_TRACE(std::to_string(n) + (grid ? " on a grid" : ""));
            std::vector<Station> stations(static_cast<std::size_t>(n));
            for (Station& s : stations) {
                // On a grid many rays share a direction and many pairs are equally weak.
                s.m = grid ? std::floor(random() * 5) * 100 - 200 : random() * 2000 - 1000;
                s.p = grid ? std::floor(random() * 5) * 100 - 200 : random() * 2000 - 1000;
            }
            const PlanePoint point{0.5, 0.25};
            const Intersections found = intersectionsAt(stations, point);
            const Intersections all = everyPair(stations, point);
            ASSERT_TRUE(found.weakest && found.strongest);
            EXPECT_EQ(found.weakest->strength, all.weakest->strength);
            EXPECT_EQ(found.strongest->strength, all.strongest->strength);
            EXPECT_EQ(std::make_pair(found.weakest->first, found.weakest->second),
                      std::make_pair(all.weakest->first, all.weakest->second));
            EXPECT_EQ(std::make_pair(found.strongest->first, found.strongest->second),
                      std::make_pair(all.strongest->first, all.strongest->second));
            if (static_cast<std::size_t>(n) <= maxStationsWithEveryPair) {
                EXPECT_EQ(found.listed.size(), all.listed.size());
                continue;
            }
            // Beyond, the weakest pairs, as weak as the weakest of every pair.
            std::vector<double> strengths;
            for (const auto& pair : all.listed) strengths.push_back(pair.strength);
            std::sort(strengths.begin(), strengths.end());
            ASSERT_EQ(found.listed.size(), weakestPairsListed);
            for (std::size_t k = 0; k < weakestPairsListed; ++k)
                EXPECT_NEAR(found.listed[k].strength, strengths[k], 1e-15);
        }
    }
}

bool validUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80         ? 1
                                   : (c >> 5) == 6  ? 2
                                   : (c >> 4) == 14 ? 3
                                   : (c >> 3) == 30 ? 4
                                                    : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

TEST(AnalysisFile, IsUtf8WhateverTheEncodingOfTheNames) {
    for (const std::string& name : {std::string("ESTA\xC7\xC3O"), std::string("ESTAÇÃO")}) {
        SCOPED_TRACE(name);
        const std::string text = "gc 0.001 5\nV 3\n" + name +
                                 " 0 -1000 1 0.0\nR1 0 -2000 180.0\nS2 1000 0 1 270.0\nR2 2000 0 "
                                 "90.0\nS3 -800 700 1 131.2\nR3 -800 1700 0.0\n0\n";
        const auto a = analysed(text);
        ASSERT_TRUE(a);
        std::ostringstream shown;
        writeAnalysis(a->observations, a->analysis, shown);
        EXPECT_TRUE(validUtf8(shown.str()));
        EXPECT_NE(shown.str().find("ESTAÇÃO -> V"), std::string::npos);
        EXPECT_NE(shown.str().find("\n  ESTAÇÃO "), std::string::npos);
    }
}

} // namespace
} // namespace interseccao::testing

namespace interseccao::testing {
namespace {

std::string analysisText(const Analysed& a) {
    std::ostringstream text;
    writeAnalysis(a.observations, a.analysis, text);
    return text.str();
}

// A network large enough for its stations to be worked out side by side gives the figures it
// gives on one thread (within other work, where the stations are taken one by one), to the bit.
TEST(LeaveOneOut, SideBySideGivesTheFiguresOfOneThread) {
    bench::NetworkOptions options;
    options.stations = 700;
    options.seed = 7;
    options.blunder = 25;
    const std::string text = bench::generateNetworkWithBlunder(options).text;
    const auto sideBySide = analysed(text);
    ASSERT_TRUE(sideBySide);
    std::optional<Analysed> oneThread;
    platform::runInOrder(
        2, 2, 2,
        [&](std::size_t, std::size_t item) {
            if (item == 0) oneThread = analysed(text);
        },
        [](std::size_t, std::size_t) {});
    ASSERT_TRUE(oneThread);
    const auto& a = sideBySide->analysis.planimetry;
    const auto& b = oneThread->analysis.planimetry;
    ASSERT_EQ(a.readings.size(), b.readings.size());
    for (std::size_t i = 0; i < a.readings.size(); ++i) {
        const LeaveOneOut& x = a.readings[i].without;
        const LeaveOneOut& y = b.readings[i].without;
        EXPECT_EQ(x.status, y.status) << i;
        EXPECT_EQ(bits(x.point.m), bits(y.point.m)) << i;
        EXPECT_EQ(bits(x.unitDeviation.value_or(-1)), bits(y.unitDeviation.value_or(-1))) << i;
    }
    ASSERT_EQ(a.withoutStation.size(), b.withoutStation.size());
    for (std::size_t i = 0; i < a.withoutStation.size(); ++i)
        EXPECT_EQ(bits(a.withoutStation[i].point.p), bits(b.withoutStation[i].point.p)) << i;
    EXPECT_EQ(analysisText(*sideBySide), analysisText(*oneThread));
}

} // namespace
} // namespace interseccao::testing
