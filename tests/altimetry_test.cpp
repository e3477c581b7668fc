// The height of the sighted point: first height, the iteration of one cycle and its stops.
#include "altimetry/cycle.hpp"
#include "model/angle_units.hpp"
#include "model/errors.hpp"
#include "support.hpp"
#include "text/line_format.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace interseccao {
namespace {

using testing::formatInteger;
using testing::formatLine;
using testing::FormattedLine;
using testing::formatText;

double degrees(double x) { return decimalDegreesToRadians(x); }

ZenithObservation zenith(double m, double p, double stationHeight, double reading,
                         double instrument = 0, double target = 0) {
    return {"E           ", m, p, stationHeight, reading, instrument, target, std::nullopt};
}

// One cycle over the records from the height `start`.
HeightCycle cycleFrom(const std::vector<ZenithObservation>& records, HeightGeometry geometry,
                      double start) {
    HeightCycle cycle(records, geometry);
    cycle.run(start);
    return cycle;
}

TEST(FirstHeight, FromTheFirstObservation) {
    const double k = curvatureRefractionCoefficient;
    const PlanePoint point{1000, 2000};
    const struct {
        const char* what;
        double dM, dP, zenithDegrees, height;
    } rows[] = {
        // Station 50 m high, instrument 1.5 m, target 1.3 m: 50.2 plus the rise and k·d².
        {"45 degrees at 100 m", 60, 80, 45, 50.2 + 100 + k * 1e4},
        {"horizontal at 200 m", -200, 0, 90, 50.2 + k * 4e4},
        {"135 degrees at 100 m", 0, -100, 135, 50.2 - 100 + k * 1e4},
        {"station under the point", 0, 0, 30, 50.2},
    };
    for (const auto& row : rows) {
        const ZenithObservation first =
            zenith(point.m + row.dM, point.p + row.dP, 50, degrees(row.zenithDegrees), 1.5, 1.3);
        EXPECT_NEAR(firstHeight(first, point), row.height, 1e-9) << row.what;
    }
}

TEST(FirstHeight, UndefinedWhenTheTangentIsZero) {
    const PlanePoint point{1000, 2000};
    const struct {
        const char* what;
        double dM, zenith;
    } rows[] = {
        {"vertical reading at 100 m", 100, 0.0},
        {"vertical reading at the point", 0, 0.0},
        // tan(PI) is a hair from zero in floating point; the height is undefined all the same.
        {"reading of PI at 100 m", 100, PI},
    };
    for (const auto& row : rows) {
        try {
            const double h = firstHeight(zenith(point.m + row.dM, point.p, 50, row.zenith), point);
            ADD_FAILURE() << row.what << ": no stop, first height " << h;
        } catch (const RunError& stop) {
            EXPECT_EQ(stop.message(), "Cota aproximada indeterminada!") << row.what;
        }
    }
}

// Two stations 100 m from the approximate position (3, 4); the adjusted position (0, 0)
// gives the curvature term. At H = 50 the first sight is horizontal and the second rises
// at 45 degrees, so zeta is PI/2 and PI/4 and B is -1/100 and -1/200.
std::vector<ZenithObservation> twoSights(double misclosure1, double misclosure2) {
    const double k = curvatureRefractionCoefficient;
    return {zenith(3, 104, 50 - k * 10825, PI / 2 + misclosure1, 1.5, 1.5),
            zenith(103, 4, 50 - 100 - k * 10625, PI / 4 + misclosure2, 1.5, 1.5)};
}
const HeightGeometry twoSightsPosition{{0, 0}, {3, 4}};

TEST(HeightCycle, OneIterationByHand) {
    const double w1 = degrees(10.0 / 3600), w2 = degrees(20.0 / 3600);
    const HeightCycle cycle = cycleFrom(twoSights(w1, w2), twoSightsPosition, 50);
    EXPECT_NEAR(cycle.design[0], -0.01, 1e-15);
    EXPECT_NEAR(cycle.design[1], -0.005, 1e-15);
    EXPECT_NEAR(cycle.misclosure[0], w1, 1e-13);
    EXPECT_NEAR(cycle.misclosure[1], w2, 1e-13);
    EXPECT_NEAR(cycle.normalInverse, 8000, 1e-6);
    const double dH = 8000 * (-0.01 * w1 - 0.005 * w2); // -0.0077570 m
    EXPECT_NEAR(cycle.correction, dH, 1e-10);
    EXPECT_NEAR(cycle.height, 50 + dH, 1e-10);
    EXPECT_EQ(cycle.iterationCount, 2);
    // The residuals and the variance factor of the last iteration, with identity weights.
    const double v1 = w1 - (-0.01 * dH), v2 = w2 - (-0.005 * dH);
    EXPECT_NEAR(cycle.residual[0], v1, 1e-13);
    EXPECT_NEAR(cycle.residual[1], v2, 1e-13);
    EXPECT_NEAR(cycle.varianceFactor, v1 * v1 + v2 * v2, 1e-20);
}

TEST(HeightCycle, IteratesUntilACorrectionIsAtMostTenMetres) {
    const struct {
        double start;
        std::int32_t minimumCounter, maximumCounter;
    } rows[] = {
        {50, 2, 2},  {55, 2, 2},  {44, 2, 2}, // first correction at most 10 m
        {80, 3, 10}, {20, 3, 10},             // a first correction of some 30 m
    };
    for (const auto& row : rows) {
        const HeightCycle cycle = cycleFrom(twoSights(0, 0), twoSightsPosition, row.start);
        EXPECT_GE(cycle.iterationCount, row.minimumCounter) << row.start;
        EXPECT_LE(cycle.iterationCount, row.maximumCounter) << row.start;
        EXPECT_LE(std::fabs(cycle.correction), 10.0) << row.start;
        EXPECT_NEAR(cycle.height, 50, 0.5) << row.start;
    }
}

TEST(HeightCycle, StopsOnATenthCorrection) {
    // Sights from 100 m and 1000 m on either side that no height reconciles. In the first
    // set the corrections stay above 10 m; in the second the tenth falls to about 1.7 m,
    // which still ends the cycle.
    const struct { double zenith1, zenith2; } rows[] = {{50, 23}, {42, 26}};
    for (const auto& row : rows) {
        const std::vector<ZenithObservation> records = {zenith(0, 100, 0, degrees(row.zenith1)),
                                                        zenith(0, -1000, 0, degrees(row.zenith2))};
        const HeightGeometry position{{0, 0}, {0, 0}};
        try {
            cycleFrom(records, position, firstHeight(records[0], position.adjusted));
            ADD_FAILURE() << row.zenith1 << " " << row.zenith2 << ": converged";
        } catch (const RunError& stop) {
            EXPECT_EQ(stop.message(), "");
            EXPECT_EQ(stop.plainLines(),
                      std::vector<std::string>{" Processo iterativo nao convergente..."});
        }
    }
}

TEST(HeightCycle, StationsAtThePointLeaveNothingToSolve) {
    // The design coefficients follow the distance to the approximate position.
    const struct {
        const char* what;
        PlanePoint adjusted;
    } rows[] = {{"both positions", {10, 20}}, {"approximate position only", {10.5, 20}}};
    for (const auto& row : rows) {
        const std::vector<ZenithObservation> records = {zenith(10, 20, 100, degrees(80)),
                                                        zenith(10, 20, 90, degrees(85))};
        try {
            cycleFrom(records, {row.adjusted, {10, 20}}, 150);
            ADD_FAILURE() << row.what << ": no stop";
        } catch (const RunError& stop) {
            EXPECT_EQ(stop.message(), "Matriz singular!") << row.what;
        }
    }
}

TEST(HeightReport, AdjustedZenithAnglesAreSplitWithoutCarry) {
    const struct {
        double d, m, s;
        const char* line;
    } rows[] = {
        {84, 36, 59.97, "      84 36 60.0"}, // seconds that round up stay below the minute
        {30, 0, 0, "      29 59 60.0"},      // 30 degrees come back a hair short
        {89.5, 0, 0, "      89 30  0.0"},
        {90, 0, 0, "      90  0  0.0"},
    };
    for (const auto& row : rows) {
        const DegreesMinutesSeconds dms =
            splitDegrees(radiansToDegrees(zenithDmsToRadians(row.d, row.m, row.s)));
        EXPECT_EQ(formatLine("(5X,I3,I3,F5.1)", {dms.degrees, dms.minutes, dms.seconds}).text,
                  row.line)
            << row.d << " " << row.m << " " << row.s;
    }
}

} // namespace
} // namespace interseccao
