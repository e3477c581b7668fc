// The quality analysis of a run: how well the readings agree, which one is suspect, how
// precise the point is and how the file's records fit together. A value computed from the
// observations and the program's solutions; nothing here writes.
#pragma once

#include "adjustment/fit.hpp"
#include "altimetry/solution.hpp"
#include "analysis/direction_model.hpp"
#include "planimetry/solution.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace interseccao {

struct ErrorEllipse {
    double a = 0;       // semi-major axis, metres
    double b = 0;       // semi-minor axis, metres
    double bearing = 0; // of the major axis, radians clockwise from +P, in [0, PI)
};

// The point, or the height, computed again without a reading or a station.
struct LeaveOneOut {
    enum class Outcome {
        Computed,
        Indeterminate, // fewer than two stations left to see the point, or parallel rays
        NotConverged,
    };
    Outcome outcome = Outcome::Indeterminate;
    PlanePoint point;        // metres
    double shift = 0;        // from the point with every reading, metres
    double shiftBearing = 0; // of the shift, radians clockwise from +P; 0 without a shift
    std::int32_t degreesOfFreedom = 0;
    std::optional<double> unitDeviation; // s0 without it, radians; none when nothing is left over
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
inline constexpr double uncontrolledBound = 1e-6;

struct HorizontalReadingQuality {
    ReadingIndex index;
    ReadingTests tests;
    double biasShift = 0; // metres: how far a bias of the minimal detectable size moves the point
    LeaveOneOut without;
};

struct RayIntersection {
    std::int32_t first = 0; // stations, 0-based
    std::int32_t second = 0;
    double angle = 0; // between the rays at the point, radians in [0, PI]
    // How far the rays are from one line, min(angle, PI − angle), radians in [0, PI/2].
    double strength = 0;
};
// Below this the two rays alone fix the point poorly: 20 gon.
inline constexpr double weakIntersectionBound = 3.14159265358979323846 / 10.0;
// With more stations only the weakest and strongest pairs are kept, not every pair.
inline constexpr std::int32_t maxStationsWithEveryPair = 200;

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
    std::string text;               // the verdict in words
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
    std::optional<ErrorEllipse> confidenceEllipse; // the rigorous one times 2.4477
    double correlation = 0;                        // of M and P

    std::vector<HorizontalReadingQuality> readings;
    std::vector<LeaveOneOut> withoutStation; // one per station
    std::optional<std::size_t> readingLoweringDeviationMost;
    std::optional<std::size_t> stationLoweringDeviationMost;

    std::vector<RayIntersection> intersections; // every pair, up to maxStationsWithEveryPair
    std::optional<RayIntersection> weakest;
    std::optional<RayIntersection> strongest;

    Suspicion suspicion;
};

struct ZenithReadingQuality {
    ReadingTests tests;
    LeaveOneOut without;      // only the height is meaningful: point.m holds nothing
    double heightWithout = 0; // metres, when without.outcome is Computed
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

struct QualityAnalysis {
    PlanimetricQuality planimetry;
    std::optional<HeightQuality> height; // when the height was computed
    std::string verdict;                 // the whole verdict in words
    std::vector<std::string> warnings;   // avisos, in Portuguese
};

// The analysis of a run's planimetric solution and, when not null, its height solution.
QualityAnalysis analyseQuality(const ObservationSet& observations,
                               const PlanimetricSolution& planimetry, const HeightSolution* height);

// The warnings about the file's records alone: zenith records that match no station,
// "gs" minutes or seconds of 60 or more, zenith readings that look like elevation angles.
std::vector<std::string> consistencyWarnings(const ObservationSet& observations);

// A zenith reading (radians) outside 50 to 150 gon: likelier an elevation angle written as a
// zenith reading than a real sight.
bool looksLikeElevation(double zenithReading);

} // namespace interseccao
