// The program's own computation against the general computation, every matrix formed in
// full: the weights, the block products, both searches and whole runs agree to the bit.
#include "support.hpp"

#include "adjustment/block_diagonal.hpp"
#include "adjustment/matrix.hpp"
#include "general_computation.hpp"
#include "input/observation_file.hpp"
#include "input/reader.hpp"
#include "network_generator.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace interseccao::testing {
namespace {

using bench::NetworkOptions;

// Equal to the bit, or both not a number (whose sign and payload nothing prints).
bool sameValue(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

::testing::AssertionResult sameMatrix(const Matrix& a, const Matrix& b) {
    if (a.rows() != b.rows() || a.columns() != b.columns())
        return ::testing::AssertionFailure() << "shapes differ";
    for (std::int32_t j = 1; j <= a.columns(); ++j)
        for (std::int32_t i = 1; i <= a.rows(); ++i)
            if (!sameValue(a(i, j), b(i, j)))
                return ::testing::AssertionFailure() << "element (" << i << ", " << j
                                                     << "): " << a(i, j) << " against " << b(i, j);
    return ::testing::AssertionSuccess();
}

// The stations and references of an observation file, read as a run does, and the zenith
// records when `withZenith`.
ObservationSet loadObservations(const std::string& text, bool withZenith = false) {
    RecordReader reader(text, "obs.txt");
    ObservationSet observations = readPlanimetricData(reader);
    if (withZenith) readZenithObservations(reader, observations);
    return observations;
}

bool sameValues(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!sameValue(a[i], b[i])) return false;
    return true;
}

void expectSameSearch(const PrecisionSearch& a, const PrecisionSearch& b) {
    EXPECT_TRUE(sameValue(a.precision, b.precision));
    EXPECT_EQ(a.tests, b.tests);
    EXPECT_EQ(a.firstVerdict, b.firstVerdict);
    EXPECT_EQ(a.lastVerdict, b.lastVerdict);
}

void expectSameSolution(const PlanimetricSolution& a, const PlanimetricSolution& b) {
    EXPECT_EQ(a.adjusted, b.adjusted);
    EXPECT_TRUE(sameValue(a.approximate.m, b.approximate.m));
    EXPECT_TRUE(sameValue(a.approximate.p, b.approximate.p));
    EXPECT_EQ(a.iterationCount, b.iterationCount);
    EXPECT_TRUE(sameValue(a.linearisation.m, b.linearisation.m));
    EXPECT_TRUE(sameValue(a.linearisation.p, b.linearisation.p));
    EXPECT_TRUE(sameValue(a.point.m, b.point.m));
    EXPECT_TRUE(sameValue(a.point.p, b.point.p));
    EXPECT_TRUE(sameValues(a.residuals, b.residuals));
    EXPECT_TRUE(sameValues(a.adjustedAngles, b.adjustedAngles));
    EXPECT_TRUE(sameValues(a.adjustedAngleDeviations, b.adjustedAngleDeviations));
    EXPECT_TRUE(sameValue(a.fit.varianceFactor, b.fit.varianceFactor));
    expectSameSearch(a.search, b.search);
    EXPECT_TRUE(sameValue(a.deviationM, b.deviationM));
    EXPECT_TRUE(sameValue(a.deviationP, b.deviationP));
    for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(sameValue(a.cofactor[i], b.cofactor[i]));
}

void expectSameSolution(const HeightSolution& a, const HeightSolution& b) {
    EXPECT_TRUE(sameValue(a.firstHeight, b.firstHeight));
    EXPECT_TRUE(sameValue(a.height, b.height));
    EXPECT_EQ(a.iterationCount, b.iterationCount);
    EXPECT_TRUE(sameValues(a.residuals, b.residuals));
    EXPECT_TRUE(sameValues(a.adjustedAngles, b.adjustedAngles));
    EXPECT_TRUE(sameValues(a.adjustedAngleDeviations, b.adjustedAngleDeviations));
    EXPECT_TRUE(sameValue(a.fit.varianceFactor, b.fit.varianceFactor));
    expectSameSearch(a.search, b.search);
    EXPECT_TRUE(sameValue(a.cofactor, b.cofactor));
    EXPECT_TRUE(sameValue(a.deviation, b.deviation));
}

// ---------------------------------------------------------------------------------------
// The weights of the observed angles: inverting the whole matrix and inverting each
// station's block on its own give the same bits, with exact zeros between stations.

struct WeightCase {
    const char* name;
    NetworkOptions options;
};

std::vector<WeightCase> weightCases() {
    const auto network = [](std::int32_t stations, std::int32_t low, std::int32_t high,
                            std::uint64_t seed) {
        NetworkOptions options;
        options.stations = stations;
        options.minSightings = low;
        options.maxSightings = high;
        options.zenithRecords = 0;
        options.seed = seed;
        return options;
    };
    return {
        {"one_sighting_each", network(3, 1, 1, 11)},
        {"two_sightings_each", network(4, 2, 2, 12)},
        {"three_sightings_each", network(3, 3, 3, 13)},
        {"four_sightings_each", network(5, 4, 4, 14)},
        {"one_to_four", network(12, 1, 4, 15)},
        {"one_to_eight", network(20, 1, 8, 16)},
        {"many_stations", network(60, 1, 4, 17)},
        {"large_blocks", network(3, 12, 16, 18)},
        // Beyond the orders whose blocks a run keeps, each formed again.
        {"blocks_beyond_those_kept", network(3, 64, 70, 19)},
    };
}

void PrintTo(const WeightCase& c, std::ostream* os) { *os << c.name; }

class StationWeights : public ::testing::TestWithParam<WeightCase> {};

TEST_P(StationWeights, BlocksMatchTheWholeInversionAndTheRestIsZero) {
    const ObservationSet observations =
        loadObservations(bench::generateNetwork(GetParam().options));
    const Matrix whole = general::fullAngleWeight(observations, observations.aprioriPrecision);
    const BlockDiagonalMatrix blocks = stationAngleWeights(observations);
    const std::int32_t t = observations.angleCount();
    ASSERT_EQ(blocks.order(), t);
    ASSERT_EQ(blocks.blockCount(), observations.stations.size());
    std::vector<std::size_t> blockOf(static_cast<std::size_t>(t) + 1);
    for (std::size_t b = 0; b < blocks.blockCount(); ++b) {
        ASSERT_EQ(static_cast<std::size_t>(blocks.blockOrder(b)),
                  observations.stations[b].references.size());
        for (std::int32_t i = 1; i <= blocks.blockOrder(b); ++i)
            blockOf[static_cast<std::size_t>(blocks.blockStart(b) + i - 1)] = b;
    }
    for (std::int32_t j = 1; j <= t; ++j)
        for (std::int32_t i = 1; i <= t; ++i) {
            const std::size_t b = blockOf[static_cast<std::size_t>(j)];
            if (blockOf[static_cast<std::size_t>(i)] != b) {
                ASSERT_EQ(whole(i, j), 0.0) << "(" << i << ", " << j << ")";
                continue;
            }
            const double block =
                blocks.blockElement(b, i - blocks.blockStart(b) + 1, j - blocks.blockStart(b) + 1);
            ASSERT_TRUE(sameValue(whole(i, j), block))
                << "(" << i << ", " << j << "): " << whole(i, j) << " against " << block;
        }
}

INSTANTIATE_TEST_SUITE_P(Layouts, StationWeights, ::testing::ValuesIn(weightCases()),
                         [](const ::testing::TestParamInfo<WeightCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(IdentityInverse, IsTheIdentityToTheBit) {
    // The zenith readings' weights are the inverse of the identity: one 1 × 1 block of 1
    // per reading stands for the whole inversion.
    for (const std::int32_t n : {1, 2, 7, 64}) {
        Matrix identity(n, n);
        for (std::int32_t i = 1; i <= n; ++i) identity(i, i) = 1.0;
        Matrix inverse = identity;
        ASSERT_TRUE(invertMatrix(n, inverse));
        EXPECT_TRUE(sameMatrix(inverse, identity)) << "order " << n;
        for (std::int32_t j = 1; j <= n; ++j)
            for (std::int32_t i = 1; i <= n; ++i) EXPECT_FALSE(std::signbit(inverse(i, j)));
    }
}

// ---------------------------------------------------------------------------------------
// A · D with D block diagonal, against multiplyMatrices with D written out in full,
// including rows that hold signed zeros, infinities and values that are not numbers.

struct ProductCase {
    const char* name;
    std::vector<std::int32_t> blockOrders;
    std::int32_t rows;
    double specialShare; // share of the elements of A replaced by a special value
    std::vector<double> specials;
    bool unitValues = false; // every value 1 or -1, so that many sums cancel to exactly zero
};

std::vector<ProductCase> productCases() {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {
        {"finite", {1, 2, 3, 4, 1}, 2, 0.0, {}},
        {"signed_zeros", {2, 1, 3}, 3, 0.4, {0.0, -0.0}},
        {"cancelling_to_zero", {2, 2, 3, 1}, 3, 0.2, {-0.0}, true},
        {"one_infinity", {1, 3, 2}, 2, 0.1, {inf}},
        {"infinities_of_both_signs", {2, 2, 2}, 3, 0.2, {inf, -inf}},
        {"not_a_number", {3, 1, 4}, 2, 0.1, {nan}},
        {"everything", {1, 1, 2, 4, 3}, 4, 0.3, {0.0, -0.0, inf, -inf, nan}},
        {"single_block", {5}, 2, 0.2, {inf, nan, -0.0}},
    };
}

void PrintTo(const ProductCase& c, std::ostream* os) { *os << c.name; }

class BlockProduct : public ::testing::TestWithParam<ProductCase> {};

TEST_P(BlockProduct, MatchesTheFullProduct) {
    const ProductCase& c = GetParam();
    for (std::uint64_t seed = 1; seed <= 50; ++seed) {
        std::mt19937_64 random(seed);
        std::uniform_real_distribution<double> uniform(-2.0, 2.0);
        const auto value = [&](std::mt19937_64& r) {
            if (c.unitValues) return r() % 2 == 0 ? 1.0 : -1.0;
            return uniform(r);
        };
        BlockDiagonalMatrix d;
        for (const std::int32_t s : c.blockOrders) {
            Matrix block(s, s);
            for (std::int32_t j = 1; j <= s; ++j)
                for (std::int32_t i = 1; i <= s; ++i) block(i, j) = value(random);
            d.appendBlock(block);
        }
        const std::int32_t n = d.order();
        Matrix full(n, n);
        for (std::size_t b = 0; b < d.blockCount(); ++b)
            for (std::int32_t j = 1; j <= d.blockOrder(b); ++j)
                for (std::int32_t i = 1; i <= d.blockOrder(b); ++i)
                    full(d.blockStart(b) + i - 1, d.blockStart(b) + j - 1) =
                        d.blockElement(b, i, j);
        Matrix a(c.rows, n);
        std::uniform_real_distribution<double> share(0.0, 1.0);
        for (std::int32_t j = 1; j <= n; ++j)
            for (std::int32_t i = 1; i <= c.rows; ++i) {
                a(i, j) = value(random);
                if (!c.specials.empty() && share(random) < c.specialShare)
                    a(i, j) = c.specials[random() % c.specials.size()];
            }

        Matrix expected(c.rows, n);
        multiplyMatrices(c.rows, n, n, a, full, expected);
        BlockDiagonalMatrix fromFull;
        for (std::size_t b = 0; b < d.blockCount(); ++b) {
            Matrix block(d.blockOrder(b), d.blockOrder(b));
            for (std::int32_t j = 1; j <= d.blockOrder(b); ++j)
                for (std::int32_t i = 1; i <= d.blockOrder(b); ++i)
                    block(i, j) = full(d.blockStart(b) + i - 1, d.blockStart(b) + j - 1);
            fromFull.appendBlock(block);
        }
        Matrix actual(c.rows, n);
        multiplyByBlockDiagonal(c.rows, a, fromFull, actual);
        ASSERT_TRUE(sameMatrix(actual, expected)) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, BlockProduct, ::testing::ValuesIn(productCases()),
                         [](const ::testing::TestParamInfo<ProductCase>& info) {
                             return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------------------
// Both precision searches: the program tests one fit per planimetric precision and reuses
// height cycles by their starting height; its solutions are the same to the bit as the
// general computation's, after short and long searches.

struct SearchCase {
    std::string name;
    NetworkOptions options;
};

void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.name; }

std::vector<SearchCase> searchCases() {
    std::vector<SearchCase> cases;
    std::uint64_t seed = 100;
    for (const char* unit : {"gc", "gs", "gr"})
        for (const double precision : {0.1, 2.0, 6.0, 60.0, 600.0}) {
            NetworkOptions options;
            options.unit = unit;
            options.stations = 3 + static_cast<std::int32_t>(seed % 6);
            options.zenithRecords = 2 + static_cast<std::int32_t>(seed % 5);
            options.precision = precision;
            options.readingNoise = 1.0 + static_cast<double>(seed % 7);
            options.seed = ++seed;
            cases.push_back({std::string(unit) + "_from_" +
                                 std::to_string(static_cast<int>(precision * 10)) + "_tenths",
                             options});
        }
    return cases;
}

class Searches : public ::testing::TestWithParam<SearchCase> {};

TEST_P(Searches, LeaveTheSameResults) {
    const ObservationSet observations =
        loadObservations(bench::generateNetwork(GetParam().options), true);
    const Orientation orientation = orientStations(observations);
    const PlanimetricSolution program = solvePlanimetry(observations, orientation);
    const PlanimetricSolution oracle = general::solvePlanimetry(observations, orientation);
    expectSameSolution(program, oracle);
    const HeightGeometry geometry{program.point, program.linearisation};
    expectSameSolution(solveHeight(observations, geometry),
                       general::solveHeight(observations, geometry));
}

INSTANTIATE_TEST_SUITE_P(RandomNetworks, Searches, ::testing::ValuesIn(searchCases()),
                         [](const ::testing::TestParamInfo<SearchCase>& info) {
                             return info.param.name;
                         });

// ---------------------------------------------------------------------------------------
// Whole runs: the console, the report, the errors and the exit status of both computations
// are the same bytes on random networks of every unit, stations with 1 to 4 sightings, with
// and without the height, and with precision searches of a few to thousands of steps.

struct NetworkCase {
    std::string name;
    std::string observations;
    std::string answers;
};

std::vector<NetworkCase> networkCases() {
    std::vector<NetworkCase> cases;
    std::mt19937_64 random(2024);
    const auto pick = [&](std::int32_t low, std::int32_t high) {
        return std::uniform_int_distribution<std::int32_t>(low, high)(random);
    };
    for (const char* unit : {"gc", "gs", "gr"}) {
        for (int i = 1; i <= 24; ++i) {
            NetworkOptions options;
            options.unit = unit;
            options.stations = pick(2, 10);
            options.minSightings = 1;
            options.maxSightings = 4;
            options.zenithRecords = pick(0, 8);
            // From a tenth of a unit, below any result, to thousands of steps above.
            const double precisions[] = {0.1, 1.0, 3.0, 8.0, 40.0, 250.0, 900.0};
            options.precision = precisions[pick(0, 6)];
            options.readingNoise = std::uniform_real_distribution<double>(0.3, 12.0)(random);
            options.seed = random();
            std::string observations = bench::generateNetwork(options);
            std::string answers = "obs.txt\nrel.txt\n";
            answers += pick(0, 5) == 0 ? "N\n" : "S\n";
            cases.push_back({std::string(unit) + "_" + std::to_string(i), observations, answers});
        }
    }
    // Runs that stop inside the computation: no convergence, and stations so far apart
    // that a distance overflows and one station's derivatives are not numbers.
    NetworkOptions options;
    options.stations = 5;
    options.tolerance = 0.0;
    cases.push_back({"no_convergence", bench::generateNetwork(options), "obs.txt\nrel.txt\nS\n"});
    cases.push_back({"overflowing_distance",
                     "gc 0.001 5\n"
                     "V 3\n"
                     "E1 0 0 1 45.0\n"
                     "R1 0 100 0.0\n"
                     "E2 1.6e308 0 1 315.0\n"
                     "R2 1.6e308 100 0.0\n"
                     "E3 -1.7e308 0 1 60.0\n"
                     "R3 -1.7e308 100 0.0\n"
                     "0\n",
                     "obs.txt\nrel.txt\nS\n"});
    return cases;
}

void PrintTo(const NetworkCase& c, std::ostream* os) { *os << c.name; }

// The run with the general computation in place of the program's own.
Adjustments generalAdjustments(general::PassRepetition repetition) {
    Adjustments adjustments;
    adjustments.planimetry = [repetition](const ObservationSet& observations,
                                          const Orientation& orientation) {
        return general::solvePlanimetry(observations, orientation, repetition);
    };
    adjustments.height = general::solveHeight;
    return adjustments;
}

class BothComputations : public ::testing::TestWithParam<NetworkCase> {};

TEST_P(BothComputations, WriteTheSameBytes) {
    const NetworkCase& c = GetParam();
    const RunResult general =
        runWith(c.observations, c.answers, generalAdjustments(general::PassRepetition::Reuse));
    const RunResult program = runWith(c.observations, c.answers);
    EXPECT_EQ(program.console, general.console);
    EXPECT_EQ(program.report, general.report);
    EXPECT_EQ(program.errors, general.errors);
    EXPECT_EQ(program.status, general.status);
}

TEST(BothComputations, RerunningEveryPassGivesTheSameReport) {
    // The examples, the reference files (copies of the independently adjusted surveys) and
    // searches that first reject, first accept and accept forever.
    for (const std::string name :
         {"examples/exemplo.txt", "examples/levantamento-gc.txt", "examples/levantamento-gs.txt",
          "examples/levantamento-gr.txt", "tests/cases/reference-three-stations/obs.txt",
          "tests/cases/reference-four-stations/obs.txt",
          "tests/cases/eight-stations-first-rejects/obs.txt",
          "tests/cases/nine-stations-first-accepts/obs.txt",
          "tests/cases/zero-residuals/obs.txt"}) {
        const std::string contents = readFile(sourceDir() + "/" + name);
        const std::string answers = "obs.txt\nrel.txt\nS\n";
        const RunResult program = runWith(contents, answers);
        const RunResult rerun =
            runWith(contents, answers, generalAdjustments(general::PassRepetition::Rerun));
        EXPECT_FALSE(program.report.empty()) << name;
        EXPECT_EQ(program.report, rerun.report) << name;
        EXPECT_EQ(program.console, rerun.console) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(RandomNetworks, BothComputations, ::testing::ValuesIn(networkCases()),
                         [](const ::testing::TestParamInfo<NetworkCase>& info) {
                             return info.param.name;
                         });

} // namespace
} // namespace interseccao::testing
