// Angle conversions, bearings, station orientation and the approximate position.
#include "angles/approximate_position.hpp"
#include "angles/bearing.hpp"
#include "angles/orientation.hpp"
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

TEST(Conversions, ReadingsReachTheSameRadians) {
    const double right = PI / 2;
    EXPECT_EQ(dmsToRadians(90, 0, 0.0), right);
    EXPECT_EQ(decimalDegreesToRadians(90.0), right);
    EXPECT_EQ(gonToRadians(100.0), right);
    // Each part of a sexagesimal reading keeps its own sign; minutes are not range-checked.
    EXPECT_EQ(dmsToRadians(10, -30, 0.0), degrees(9.5));
    EXPECT_EQ(dmsToRadians(-10, 30, 0.0), degrees(-9.5));
    EXPECT_EQ(dmsToRadians(0, 75, 0.0), degrees(1.25));
    EXPECT_EQ(dmsToRadians(45, 30, 0.0), degrees(45.5));
    EXPECT_EQ(zenithDmsToRadians(89.5, 0.0, 0.0), degrees(89.5));
}

TEST(Conversions, PrecisionsComeBackExactly) {
    EXPECT_EQ(radiansToMilligon(precisionToRadians(AngleUnit::Gon, 1.0)), 1.0);
    EXPECT_EQ(radiansToArcSeconds(precisionToRadians(AngleUnit::Sexagesimal, 2.5)), 2.5);
    EXPECT_EQ(radiansToArcSeconds(precisionToRadians(AngleUnit::DecimalDegrees, 2.5)), 2.5);
    EXPECT_EQ(radiansToDegrees(degrees(30.0)), 29.999999999999996);
    EXPECT_NEAR(radiansToGon(PI / 2), 100.0, 1e-13);
}

TEST(Conversions, PrecisionStepIsOneTenthOfTheSmallUnit) {
    EXPECT_EQ(precisionStep(AngleUnit::DecimalDegrees), (PI * (1.0 / 36000.0)) / 180.0);
    EXPECT_EQ(precisionStep(AngleUnit::Sexagesimal), precisionStep(AngleUnit::DecimalDegrees));
    // The gon factor is 0.00010000000149011611, not the double nearest 0.0001.
    EXPECT_EQ(precisionStep(AngleUnit::Gon), (PI * 0.00010000000149011611) / 200.0);
    EXPECT_NE(precisionStep(AngleUnit::Gon), (PI * 0.0001) / 200.0);
    EXPECT_NEAR(radiansToArcSeconds(precisionStep(AngleUnit::DecimalDegrees)), 0.1, 1e-15);
    EXPECT_NEAR(radiansToMilligon(precisionStep(AngleUnit::Gon)), 0.1, 1e-8);
}

TEST(Conversions, SplitDegreesTruncatesWithoutCarry) {
    struct Case {
        double value;
        std::int64_t d, m;
        const char* line; // as written by "(5X,I3,I3,F5.1)"
    };
    const std::vector<Case> cases = {
        {12.5, 12, 30, "      12 30  0.0"},
        {radiansToDegrees(degrees(30.0)), 29, 59, "      29 59 60.0"},
        {0.999999, 0, 59, "       0 59 60.0"},
        {359.5, 359, 30, "     359 30  0.0"},
        {-12.5, -12, -30, "     -12-30  0.0"},
    };
    for (const Case& c : cases) {
        const DegreesMinutesSeconds dms = splitDegrees(c.value);
        EXPECT_EQ(dms.degrees, c.d) << c.value;
        EXPECT_EQ(dms.minutes, c.m) << c.value;
        EXPECT_EQ(formatLine("(5X,I3,I3,F5.1)", {dms.degrees, dms.minutes, dms.seconds}).text,
                  c.line)
            << c.value;
    }
    EXPECT_NEAR(splitDegrees(0.999999).seconds, 59.9964, 1e-9);
    EXPECT_EQ(splitDegrees(12.5).seconds, 0.0);
}

TEST(Bearing, ByQuadrantAndAxis) {
    struct Case {
        double dM, dP, expected;
    };
    const std::vector<Case> cases = {
        {1, 1, PI / 4}, {1, -1, 3 * PI / 4}, {-1, -1, 5 * PI / 4}, {-1, 1, 7 * PI / 4},
        {0, 5, 0},      {0, -5, PI},         {3, 0, PI / 2},       {-3, 0, (PI * 3) / 2},
        {-0.0, 5, 0},   {-0.0, -5, PI},      {3, -0.0, PI / 2},    {-3, -0.0, (PI * 3) / 2},
        {-1e-20, 1, 0}, // atan + 2·PI rounds to 2·PI, which becomes 0
    };
    for (const Case& c : cases) EXPECT_EQ(bearing(c.dM, c.dP), c.expected) << c.dM << ", " << c.dP;
    const double nearlyNorth = bearing(-1e-9, 1);
    EXPECT_LT(nearlyNorth, 2 * PI);
    EXPECT_GT(nearlyNorth, 1.5 * PI);
}

TEST(Orientation, BearingViaReferenceCorrectsOnceEachWay) {
    Station station; // at the origin
    struct Case {
        double refM, refP, pointReading, referenceReading, expected;
    };
    // A reference point at bearing 350 degrees, and its mirror image at 10 degrees.
    const double refM = -std::sin(degrees(10)) * 100, refP = std::cos(degrees(10)) * 100;
    const std::vector<Case> cases = {
        {refM, refP, degrees(30), degrees(10), degrees(10)},   // 350 + 20 = 370 -> 10
        {-refM, refP, degrees(10), degrees(30), degrees(350)}, // 10 - 20 = -10 -> 350
        {0, 100, 2 * PI, 0, 2 * PI},                           // exactly 2·PI stays
        {0, 100, 0, 0, 0},                                     // exactly 0 stays
        {0, 100, 4.5 * PI, 0, 4.5 * PI - 2 * PI},              // only one correction
        {0, 100, 0, 2.5 * PI, -2.5 * PI + 2 * PI},
    };
    for (const Case& c : cases) {
        station.pointReading = c.pointReading;
        ReferenceSighting reference;
        reference.m = c.refM;
        reference.p = c.refP;
        reference.reading = c.referenceReading;
        EXPECT_NEAR(bearingViaReference(station, reference), c.expected, 1e-13) << c.expected;
    }
    station.pointReading = 2 * PI;
    EXPECT_EQ(bearingViaReference(station, ReferenceSighting{"R", 0, 100, 0, std::nullopt}),
              2 * PI);
}

TEST(Orientation, MeanBearingOnTheCircle) {
    const double b10 = degrees(10), b20 = degrees(20);
    // Nothing straddles zero: the plain mean, summed from 0 in file order, bit for bit.
    EXPECT_EQ(meanBearing(std::vector<double>{b10, b20}), (0.0 + b10 + b20) / 2);
    const double a = degrees(100.3), b = degrees(101.7), c = degrees(99.1);
    EXPECT_EQ(meanBearing(std::vector<double>{a, b, c}), ((0.0 + a) + b + c) / 3);
    EXPECT_EQ(meanBearing(std::vector<double>{2 * PI}), 2 * PI);
    EXPECT_EQ(meanBearing(std::vector<double>{0.0, PI}), PI / 2); // PI away: not unwrapped

    struct Case {
        std::vector<double> bearings;
        double expectedDegrees;
    };
    const std::vector<Case> cases = {
        {{degrees(359.9), degrees(0.1)}, 0.0},
        {{degrees(0.1), degrees(359.9)}, 0.0},
        {{degrees(350), degrees(10), degrees(20)}, 6.666666666666667},
        {{degrees(10), degrees(200)}, 285.0},
        {{PI, 0.0}, 270.0}, // -PI away from the first: unwrapped upwards
    };
    for (const Case& c : cases) {
        const double mean = meanBearing(c.bearings);
        EXPECT_GE(mean, 0.0);
        EXPECT_LT(mean, 2 * PI);
        EXPECT_NEAR(radiansToDegrees(mean), c.expectedDegrees, 1e-9);
        EXPECT_EQ(formatReal(radiansToDegrees(mean), 11, 6), formatReal(c.expectedDegrees, 11, 6));
    }
}

struct OrientedStation {
    Station station;
    double meanBearing = 0;
};

OrientedStation stationAt(double m, double p, double meanBearing) {
    OrientedStation s;
    s.station.m = m;
    s.station.p = p;
    s.meanBearing = meanBearing;
    return s;
}

PlanePoint intersect(const OrientedStation& first, const OrientedStation& second) {
    return formApproximatePosition(first.station, first.meanBearing, second.station,
                                   second.meanBearing);
}

TEST(ApproximatePosition, IntersectsTheWholeLines) {
    struct Case {
        OrientedStation first, second;
        double m, p;
    };
    const std::vector<Case> cases = {
        {stationAt(0, 0, PI / 4), stationAt(100, 0, 7 * PI / 4), 50, 50},
        {stationAt(0, 0, 5 * PI / 4), stationAt(100, 0, 7 * PI / 4), 50, 50}, // opposite bearing
        {stationAt(0, 0, 0), stationAt(100, 0, 7 * PI / 4), 0, 100}, // tangent 0: line M = 0
        {stationAt(0, 0, PI / 4), stationAt(100, 0, 0), 100, 100},   // tangent 0: line M = 100
        {stationAt(10, 20, PI / 2), stationAt(50, -30, 0), 50, 20},
    };
    for (const Case& c : cases) {
        const PlanePoint point = intersect(c.first, c.second);
        EXPECT_NEAR(point.m, c.m, 1e-9);
        EXPECT_NEAR(point.p, c.p, 1e-9);
    }
}

TEST(ApproximatePosition, ParallelLinesStop) {
    const std::vector<std::pair<OrientedStation, OrientedStation>> cases = {
        {stationAt(0, 0, PI / 4), stationAt(100, 0, PI / 4)},
        {stationAt(0, 0, 0), stationAt(100, 0, 0)},
        {stationAt(0, 0, degrees(30)), stationAt(0, 0, degrees(30))},
    };
    for (const auto& [first, second] : cases) {
        try {
            intersect(first, second);
            ADD_FAILURE() << "no stop for " << first.meanBearing << ", " << second.meanBearing;
        } catch (const RunError& stop) {
            EXPECT_EQ(stop.message(), "Posicao aproximada indeterminada!");
        }
    }
}

} // namespace
} // namespace interseccao
