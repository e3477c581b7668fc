// The quality analysis of a run: how well the readings agree, which one is suspect, how
// precise the point is and how the file's records fit together. A value computed from the
// observations and the program's solutions; nothing here writes.
#pragma once

#include "adjustment/fit.hpp"
#include "altimetry/solution.hpp"
#include "analysis/direction_model.hpp"
#include "analysis/intersections.hpp"
#include "analysis/leave_one_out.hpp"
#include "planimetry/solution.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace interseccao {

struct ErrorEllipse {
    double a = 0;       // semi-major axis, metres
    double b = 0;       // semi-minor axis, metres
    double bearing = 0; // of the major axis, radians clockwise from +P, in [0, PI)
};

// The tests on one reading. The tests need a reading that the others check: for a
// redundancy number below uncontrolledBound they are left out.
struct ReadingTests {
    double residual = 0;                         // radians, observed − adjusted
    double redundancyNumber = 0;                 // r, from 0 to 1
    std::optional<double> standardized;          // Baarda's w = v / (σ √r), a-priori σ
    std::optional<double> studentized;           // Pope's τ = v / (s0 √r), a-posteriori s0
    std::optional<double> minimalDetectableBias; // δ0 · σ / √r, radians
    bool suspected = false;
};

// The position in `items` of the reading whose |w| is largest (`testsOf(item)` gives its tests),
// or items.size() when none has a w. Values of |w| that agree to a relative 1e-9 are a tie,
// which goes to the first of them: their last bits, which differ from one C library to another,
// do not choose.
template <typename Items, typename TestsOf>
std::size_t largestStandardized(const Items& items, TestsOf testsOf) {
    std::size_t found = items.size(), k = 0;
    double largest = 0;
    for (const auto& item : items) {
        const std::optional<double>& w = testsOf(item).standardized;
        if (w && (found == items.size() || std::fabs(*w) > largest * (1 + 1e-9))) {
            largest = std::fabs(*w);
            found = k;
        }
        ++k;
    }
    return found;
}

struct HorizontalReadingQuality {
    ReadingIndex index;
    ReadingTests tests;
    double biasShift = 0; // metres: how far a bias of the minimal detectable size moves the point
    LeaveOneOut without;
};

// The reading that data snooping points to: the largest |w|, when beyond snoopingCritical
// and the global test rejects the a-priori precision, or beyond outstandingCritical.
struct Suspicion {
    enum class Kind {
        None,    // no reading stands out
        Reading, // one reading, named
        OneOf,   // the reading `reading` or any of `alike`: their tests are the same test
    };
    Kind kind = Kind::None;
    std::size_t reading = 0;        // index into the readings, when not None
    std::vector<std::size_t> alike; // readings whose w is perfectly correlated with it
};

struct PlanimetricQuality {
    // False when the directions give no point (never after an adjustment that converged):
    // nothing below is then set.
    bool determined = false;
    PlanePoint point;                         // metres, from the directions
    std::array<double, 4> cofactor{};         // N⁻¹ of M and P (MM, MP, PM, PP), m² per rad²
    std::int32_t readingCount = 0;            // horizontal readings
    std::int32_t reportRedundancy = 0;        // stations − 2, as the report states it
    std::int32_t degreesOfFreedom = 0;        // readings − unknowns = angles − 2
    double weightedSquareSum = 0;             // Ω = vᵀ v, square radians
    std::optional<double> unitDeviation;      // s0 = √(Ω / f), radians
    std::optional<double> unitDeviationLower; // the 95 % interval of σ from s0, radians
    std::optional<double> unitDeviationUpper;
    std::optional<double> globalStatistic; // Ω / σ²
    std::optional<double> globalQuantile;  // 95 % chi-square quantile for f
    std::optional<Verdict> globalTest;
    std::optional<double> studentizedCritical; // of τ for f at 0.1 %

    std::optional<ErrorEllipse> reportEllipse;     // variance factor Ω / (stations − 2)
    std::optional<ErrorEllipse> rigorousEllipse;   // variance factor Ω / f
    std::optional<ErrorEllipse> confidenceEllipse; // the rigorous one times confidenceEllipseFactor
    double correlation = 0;                        // of M and P

    std::vector<HorizontalReadingQuality> readings;
    std::vector<LeaveOneOut> withoutStation; // one per station
    std::optional<std::size_t> readingLoweringDeviationMost;
    std::optional<std::size_t> stationLoweringDeviationMost;

    // Every pair up to maxStationsWithEveryPair stations, in the order of the stations; beyond,
    // the weakest pairs, weakestPairsKept of them, the weakest first.
    std::vector<RayIntersection> intersections;
    std::optional<RayIntersection> weakest;
    std::optional<RayIntersection> strongest;

    Suspicion suspicion;
};

struct ZenithReadingQuality {
    ReadingTests tests;
    LeaveOneOut without;      // only the height is meaningful: point.m holds nothing
    double heightWithout = 0; // metres, when without.status is Computed
};

struct HeightQuality {
    double height = 0;                   // metres, from the readings iterated to convergence
    std::int32_t degreesOfFreedom = 0;   // zenith readings − 1
    double weightedSquareSum = 0;        // square radians
    std::optional<double> unitDeviation; // radians
    std::optional<Verdict> globalTest;   // Ω / σ² against the 95 % quantile for f
    std::optional<double> studentizedCritical;
    std::vector<ZenithReadingQuality> readings;
    Suspicion suspicion;
};

// What the analysis warns of: the file's records that do not fit together, and a point the
// readings fix poorly. Each with what it concerns and the values that show it.
enum class WarningKind {
    // The reading of `station` to its `reference` (or to the point) written with minutes or
    // seconds of 60 or more: `written`.
    SexagesimalOverflow,
    // Zenith `record` matches no station by name nor by its coordinates.
    ZenithRecordUnmatched,
    // Zenith `record`'s name is no station's; its coordinates are those of `station`.
    ZenithRecordNameUnknown,
    // Zenith `record`'s coordinates are not those of `station`, which has its name.
    ZenithRecordElsewhere,
    // Zenith `record`'s reading written with minutes or seconds of 60 or more: `written`.
    ZenithSexagesimalOverflow,
    // Zenith `record`'s reading, `angle`, outside 50 to 150 gon: an elevation angle, likely.
    ZenithLikeElevation,
    // The horizontal readings do not determine the point: no planimetric analysis.
    PointUndetermined,
    // The rays of `pair` meet at the point at `pair.angle`, below weakIntersectionBound.
    WeakIntersection,
    // No pair of rays is further than weakIntersectionBound from one line.
    EveryIntersectionWeak,
    // No degrees of freedom: no reading can be tested.
    NoRedundancy,
};

struct Warning {
    WarningKind kind = WarningKind::NoRedundancy;
    std::int32_t station = -1;                   // 0-based, or -1
    std::int32_t reference = sightedPointTarget; // of `station`'s reading
    std::int32_t record = -1;                    // zenith record, 0-based, or -1
    std::optional<WrittenSexagesimal> written;
    double angle = 0; // radians
    RayIntersection pair;
};

// How much of the analysis a run makes: all of it, as the analysis file and the JSON show it;
// or what the drawings (SVG, DXF, GeoJSON) show of it: the tests of the readings and the
// suspected one, the ellipses, the intersections, the global test and the warnings, without
// the point and s0 without each reading and each station, and without the height's analysis.
enum class AnalysisExtent { Drawings, Whole };

struct QualityAnalysis {
    AnalysisExtent extent = AnalysisExtent::Whole;
    PlanimetricQuality planimetry;
    std::optional<HeightQuality> height; // when the height was computed
    std::vector<Warning> warnings;
};

// The analysis of a run's planimetric solution and, when not null, its height solution.
// `consistency`, when not null, holds the warnings consistencyWarnings() gives for these
// observations, made already.
QualityAnalysis analyseQuality(const ObservationSet& observations,
                               const PlanimetricSolution& planimetry, const HeightSolution* height,
                               AnalysisExtent extent = AnalysisExtent::Whole,
                               const std::vector<Warning>* consistency = nullptr);

// The warnings about the file's records alone: zenith records that match no station,
// "gs" minutes or seconds of 60 or more, zenith readings that look like elevation angles.
std::vector<Warning> consistencyWarnings(const ObservationSet& observations);

// A zenith reading (radians) outside 50 to 150 gon: likelier an elevation angle written as a
// zenith reading than a real sight.
bool looksLikeElevation(double zenithReading);

} // namespace interseccao
