// The planimetric pass, the chi-square test values and the precision search.
#include "adjustment/chi_square.hpp"
#include "adjustment/precision_search.hpp"
#include "adjustment/stops.hpp"
#include "angles/orientation.hpp"
#include "model/angle_units.hpp"
#include "model/errors.hpp"
#include "planimetry/adjustment.hpp"
#include "planimetry/solution.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace interseccao {
namespace {

double degrees(double x) { return decimalDegreesToRadians(x); }

struct Sighting {
    double m, p, readingDegrees;
};
struct StationData {
    double m, p, pointReadingDegrees;
    std::vector<Sighting> references;
};

// An observation set in "gc".
ObservationSet makeSet(const std::vector<StationData>& stationList, double tolerance) {
    ObservationSet set;
    set.tolerance = tolerance;
    set.aprioriPrecision = precisionToRadians(AngleUnit::DecimalDegrees, 5.0);
    set.sightedPointName = "V           ";
    set.stationCount = static_cast<std::int32_t>(stationList.size());
    for (const StationData& data : stationList) {
        Station station;
        station.name = "E           ";
        station.m = data.m;
        station.p = data.p;
        station.pointReading = degrees(data.pointReadingDegrees);
        for (const Sighting& s : data.references)
            station.references.push_back(
                {"R           ", s.m, s.p, degrees(s.readingDegrees), std::nullopt});
        set.stations.push_back(station);
    }
    return set;
}

// The pass from the approximate position of stations 1 and 2, as a run forms it.
PlanimetricPass adjust(const ObservationSet& set) {
    const Orientation orientation = orientStations(set);
    return adjustPlanimetry(
        set, formApproximatePosition(set.stations[0], orientation.stations[0].meanBearing,
                                     set.stations[1], orientation.stations[1].meanBearing));
}

// Element (i, j) of a block-diagonal matrix written out in full.
double weightElement(const BlockDiagonalMatrix& w, std::int32_t i, std::int32_t j) {
    for (std::size_t b = 0; b < w.blockCount(); ++b) {
        const std::int32_t first = w.blockStart(b), last = first + w.blockOrder(b) - 1;
        if (i >= first && i <= last)
            return j >= first && j <= last ? w.blockElement(b, i - first + 1, j - first + 1) : 0.0;
    }
    return 0.0;
}

Verdict verdictOf(bool accepted) { return accepted ? Verdict::Accepted : Verdict::Rejected; }

// Station 1 sees the point at bearing 45, station 2 at 315, station 3 at 0 but reads 0.01
// degrees: its angle is 36 seconds short of the one the approximate position 50, 50 gives.
std::vector<StationData> workedPass() {
    return {{0, 0, 35, {{0, 100, 350}}},
            {100, 0, 295, {{100, 100, 340}}},
            {50, -50, 0.01, {{150, -50, 90}}}};
}

TEST(PlanimetricPass, WorkedPassConvergesInTwoIterations) {
    // A loose tolerance stops after the first iteration, at the approximate position.
    const PlanimetricPass first = adjust(makeSet(workedPass(), 1.0));
    EXPECT_EQ(first.iterationCount, 1);
    EXPECT_NEAR(first.linearisation.m, 50.0, 1e-9);
    EXPECT_NEAR(first.linearisation.p, 50.0, 1e-9);
    EXPECT_NEAR(radiansToArcSeconds(first.misclosure(1, 1)), 0.0, 1e-6);
    EXPECT_NEAR(radiansToArcSeconds(first.misclosure(2, 1)), 0.0, 1e-6);
    EXPECT_NEAR(radiansToArcSeconds(first.misclosure(3, 1)), -36.0, 1e-6);
    for (std::int32_t i = 1; i <= 3; ++i)
        for (std::int32_t j = 1; j <= 3; ++j)
            EXPECT_NEAR(weightElement(first.angleWeight, i, j), i == j ? 0.5 : 0.0, 1e-12);
    EXPECT_NEAR(first.correctionM, 0.005818, 5e-7);
    EXPECT_NEAR(first.correctionP, 0.0, 5e-7);

    const PlanimetricPass pass = adjust(makeSet(workedPass(), 0.001));
    EXPECT_EQ(pass.iterationCount, 2);
    EXPECT_NEAR(pass.linearisation.m, 50.005818, 5e-7);
    EXPECT_NEAR(pass.linearisation.p, 50.0, 5e-7);
    EXPECT_LT(std::fabs(pass.correctionM), 1e-6);
    EXPECT_LT(std::fabs(pass.correctionP), 1e-6);
}

TEST(PlanimetricPass, AngleWeightBlocksFollowTheStations) {
    // Station 2, in the middle, has two sightings; the others have one each.
    std::vector<StationData> stationList = workedPass();
    stationList[1].references.push_back({200, 0, 70});
    const PlanimetricPass pass = adjust(makeSet(stationList, 0.001));
    const double third = 1.0 / 3.0;
    const double expected[4][4] = {
        {0.5, 0, 0, 0}, {0, 2 * third, -third, 0}, {0, -third, 2 * third, 0}, {0, 0, 0, 0.5}};
    for (std::int32_t i = 1; i <= 4; ++i)
        for (std::int32_t j = 1; j <= 4; ++j)
            EXPECT_NEAR(weightElement(pass.angleWeight, i, j), expected[i - 1][j - 1], 1e-12)
                << i << "," << j;
}

// An orientation that stopped (here at its first station, a reference on the station) holds
// no bearing for the later stations: the solution refuses it rather than read them.
TEST(PlanimetricSolution, RefusesAnOrientationThatStopped) {
    std::vector<StationData> stations = workedPass();
    stations[0].references[0] = {0, 0, 350};
    const ObservationSet set = makeSet(stations, 0.001);
    const Orientation orientation = orientStations(set);
    ASSERT_TRUE(orientation.stopMessage);
    EXPECT_THROW(solvePlanimetry(set, orientation), std::logic_error);
    Orientation shortened = orientStations(makeSet(workedPass(), 0.001));
    shortened.stations.pop_back();
    EXPECT_THROW(solvePlanimetry(set, shortened), std::logic_error);
}

TEST(PlanimetricPass, MisclosureIsReducedByAFullTurn) {
    // Station 1 sees the point at bearing 45 and a reference at 65 (computed angle 20) or at
    // 25 (computed angle -20); the readings give the same angle 360 degrees away.
    const double s65 = 100 * std::sin(degrees(65)), c65 = 100 * std::cos(degrees(65));
    const double s25 = 100 * std::sin(degrees(25)), c25 = 100 * std::cos(degrees(25));
    const struct {
        const char* what;
        StationData station;
        double observedDegrees;
    } rows[] = {
        {"observed -340, computed 20", {0, 0, 350, {{s65, c65, 10}}}, -340},
        {"observed 340, computed -20", {0, 0, 10, {{s25, c25, 350}}}, 340},
    };
    for (const auto& row : rows) {
        std::vector<StationData> stationList = workedPass();
        stationList[0] = row.station;
        stationList[2].pointReadingDegrees = 0; // every reading exact
        const PlanimetricPass pass = adjust(makeSet(stationList, 0.001));
        EXPECT_NEAR(radiansToDegrees(pass.observedAngle(1, 1)), row.observedDegrees, 1e-9)
            << row.what;
        EXPECT_NEAR(pass.misclosure(1, 1), 0.0, 1e-12) << row.what;
        EXPECT_NEAR(pass.linearisation.m, 50.0, 1e-9) << row.what;
    }
}

TEST(PlanimetricPass, CorrectionEqualToToleranceDoesNotConverge) {
    const double firstCorrection = std::fabs(adjust(makeSet(workedPass(), 1.0)).correctionM);
    const struct {
        double tolerance;
        std::int32_t iterations;
    } rows[] = {
        {std::nextafter(firstCorrection, 1.0), 1},
        {firstCorrection, 2},
    };
    for (const auto& row : rows)
        EXPECT_EQ(adjust(makeSet(workedPass(), row.tolerance)).iterationCount, row.iterations)
            << row.tolerance;
}

TEST(PlanimetricPass, StopsAfterTenIterations) {
    // Station 3 misread by 30 degrees: the corrections shrink slowly, the tenth to about
    // 1.8e-5 m and the eleventh to about 4e-6 m. A tolerance of 0 or less is never met.
    std::vector<StationData> slow = workedPass();
    slow[2].pointReadingDegrees = 30;
    const struct {
        std::vector<StationData> stations;
        double tolerance;
        std::int32_t iterations; // 0: no convergence
    } rows[] = {
        {slow, 3e-5, 10},
        {slow, 1e-5, 0},
        {workedPass(), 0.0, 0},
        {workedPass(), -0.001, 0},
    };
    for (const auto& row : rows) {
        try {
            const PlanimetricPass pass = adjust(makeSet(row.stations, row.tolerance));
            EXPECT_EQ(pass.iterationCount, row.iterations) << row.tolerance;
        } catch (const RunError& stop) {
            EXPECT_EQ(row.iterations, 0) << row.tolerance;
            EXPECT_EQ(stop.message(), "");
            EXPECT_EQ(stop.plainLines(), std::vector<std::string>{" Processo nao convergente..."});
        }
    }
}

TEST(ChiSquare, TestValuesByRedundancy) {
    const struct {
        std::int64_t r;
        double value;
        double tolerance;
    } rows[] = {
        {1, 3.841, 0},       {2, 5.991, 0},       {3, 7.815, 0},         {4, 9.488, 0},
        {5, 11.07, 0},       {6, 12.592, 0},      {7, 14.0671, 1e-4},    {8, 15.5073, 1e-4},
        {10, 18.3070, 1e-4}, {30, 43.7730, 1e-4}, {100, 124.3421, 1e-4},
    };
    for (const auto& row : rows) {
        const double value = chiSquareTestValue(row.r);
        EXPECT_NEAR(value, row.value, row.tolerance) << row.r;
        // Beyond the table: the 95 % point of the distribution itself, to 1e-9.
        if (row.r > 6) {
            EXPECT_NEAR(regularizedLowerGamma(row.r / 2.0, value / 2.0), 0.95, 1e-9) << row.r;
        }
    }
}

// A run keeps the values it has computed: asked again in any order, among degrees of freedom
// that share where they are kept and probabilities that share a number of degrees, each is
// still its own quantile, the same to the last bit.
TEST(ChiSquare, KeptValuesAreTheComputedOnes) {
    std::vector<std::int64_t> redundancies;
    for (std::int64_t r = 7; r <= 400; ++r) redundancies.push_back(r);
    std::vector<double> first;
    for (const std::int64_t r : redundancies) first.push_back(chiSquareTestValue(r));
    for (int pass = 0; pass < 3; ++pass)
        for (std::size_t k = 0; k < redundancies.size(); ++k) {
            // 7, 71, 135, ..., then 8, 72, ...: in turn where 64 slots would collide.
            const std::size_t i = (k % 6) * 64 + k / 6 + static_cast<std::size_t>(pass);
            if (i >= redundancies.size()) continue;
            const std::int64_t r = redundancies[i];
            const double value = chiSquareTestValue(r);
            EXPECT_EQ(value, first[i]) << r;
            EXPECT_NEAR(regularizedLowerGamma(r / 2.0, value / 2.0), 0.95, 1e-9) << r;
        }
    for (int pass = 0; pass < 2; ++pass)
        for (const std::int32_t f : {1, 2, 3, 65, 129})
            for (const double p : {0.025, 0.95, 0.975, 0.5}) {
                const double value = chiSquareQuantile(p, f);
                EXPECT_NEAR(regularizedLowerGamma(f / 2.0, value / 2.0), p, 1e-9) << f << " " << p;
                EXPECT_EQ(value, chiSquareQuantile(p, f)) << f << " " << p;
            }
}

TEST(ChiSquare, IncompleteGammaMatchesClosedForms) {
    // For whole a, P(a, x) = 1 - exp(-x) (1 + x + ... + x^(a-1) / (a-1)!); x on both sides of a
    // + 1.
    for (const int a : {1, 2, 5, 50})
        for (const double x : {0.5, 3.0, 7.5, 40.0, 70.0}) {
            double term = 1, sum = 1;
            for (int i = 1; i < a; ++i) sum += (term *= x / i);
            EXPECT_NEAR(regularizedLowerGamma(a, x), 1 - std::exp(-x) * sum, 1e-12)
                << a << " " << x;
        }
}

// A fit test that accepts every precision at or above `threshold` seconds of arc.
struct SearchRow {
    const char* what;
    double startSeconds;
    double thresholdSeconds;
    double resultSeconds;
    int tests;
};

TEST(PrecisionSearch, StepsUntilTheVerdictChanges) {
    const double step = precisionStep(AngleUnit::Sexagesimal);
    const SearchRow rows[] = {
        {"accepts, then rejects", 5.0, 4.75, 4.8, 4},
        {"rejects, then accepts", 3.0, 3.25, 3.2, 4},
        {"accepts, rejects at the first step", 5.0, 4.95, 5.0, 2},
        {"rejects, accepts at the first step", 5.0, 5.05, 5.0, 2},
    };
    for (const SearchRow& row : rows) {
        int tests = 0;
        const double threshold = degrees(row.thresholdSeconds / 3600);
        const std::optional<PrecisionSearch> found =
            searchPrecision(degrees(row.startSeconds / 3600), step, [&](double precision) {
                if (++tests > 1000) throw std::runtime_error("the search does not end");
                return verdictOf(precision >= threshold);
            });
        ASSERT_TRUE(found) << row.what;
        const PrecisionSearch& search = *found;
        EXPECT_NEAR(radiansToArcSeconds(search.precision), row.resultSeconds, 1e-9) << row.what;
        EXPECT_EQ(tests, row.tests) << row.what;
        EXPECT_EQ(search.tests, row.tests) << row.what;
        EXPECT_NE(search.firstVerdict, search.lastVerdict) << row.what;
    }
}

TEST(PrecisionSearch, EndsWhenTheVerdictCannotChange) {
    const double step = precisionStep(AngleUnit::Sexagesimal);
    const struct {
        const char* what;
        double start;
        bool verdict;
        int minimumTests;
    } rows[] = {
        // Accepted everywhere: the search ends at the last positive value of its grid.
        {"accepts at one step", step, true, 1},
        {"accepts from five seconds", degrees(5.0 / 3600), true, 50},
        // A step lost in the precision's last place.
        {"rejects a huge precision", 1e10, false, 1},
        {"accepts a huge precision", 1e10, true, 1},
    };
    for (const auto& row : rows) {
        int tests = 0;
        double lastTested = 0;
        const double result =
            searchPrecision(row.start, step,
                            [&](double precision) {
                                if (++tests > 1000)
                                    throw std::runtime_error("the search does not end");
                                lastTested = precision;
                                return verdictOf(row.verdict);
                            })
                .value()
                .precision;
        EXPECT_EQ(result, lastTested) << row.what;
        EXPECT_GT(result, 0.0) << row.what;
        EXPECT_GE(tests, row.minimumTests) << row.what;
        if (row.start < 1) {
            EXPECT_LE(result, step * (1 + 1e-9)) << row.what;
        } else {
            EXPECT_EQ(tests, 1) << row.what;
        }
    }
}

TEST(PrecisionSearch, GivesUpWhenOneVerdictOutlastsTheTestLimit) {
    const double step = precisionStep(AngleUnit::DecimalDegrees);
    int tests = 0;
    const auto rejectedAlways = [&](double) { return ++tests, Verdict::Rejected; };
    EXPECT_FALSE(searchPrecision(step, step, rejectedAlways, 100));
    EXPECT_EQ(tests, 100);
    tests = 0;
    try {
        searchedOrStop(searchPrecision(step, step, rejectedAlways, 100));
        ADD_FAILURE() << "no stop";
    } catch (const RunError& stop) {
        EXPECT_EQ(stop.message(), "Pesquisa da precisao nao convergente!");
    }
    EXPECT_EQ(tests, 100);
    // A verdict that changes on the last test allowed still ends normally, one step back.
    tests = 0;
    EXPECT_NEAR(searchPrecision(
                    step, step, [&](double) { return verdictOf(++tests == 100); }, 100)
                    .value()
                    .precision,
                99 * step, 1e-9 * step);
}

} // namespace
} // namespace interseccao
