// Planimetric adjustment: the report heading and one least-squares pass for M and P of the sighted
// point.
#pragma once

#include "angles/approximate_position.hpp"
#include "planimetry/block_diagonal.hpp"
#include "planimetry/matrix.hpp"
#include "run/computation_path.hpp"
#include "run/observations.hpp"
#include "run/output.hpp"

namespace interseccao {

inline constexpr std::int32_t iterationLimit = 10;

// What one pass leaves for the fit test and the report.
struct PlanimetricPass {
    ComputationPath path = ComputationPath::Structured;
    std::int32_t sightings = 0; // t
    double unitVariance = 0;    // square radians
    PlanePoint approximate;     // the last linearisation point, metres
    double correctionM = 0;     // metres, not yet added to the approximation
    double correctionP = 0;
    std::int32_t iterationCount = 0;
    bool zeroRedundancy = false; // two stations: `approximate` is the result, nothing else is set
    Matrix observedAngle;        // t × 1, radians, signed, not reduced
    Matrix designMatrix;         // t × 2, radians per metre
    Matrix misclosure;           // t × 1, radians in [-PI, PI)
    Matrix angleWeight;          // t × t, general path only
    BlockDiagonalMatrix stationWeights; // angleWeight one block per station, structured path only
    Matrix normalInverse;               // 2 × 2
};

void writePlanimetricHeading(const ObservationSet& observations, Output& output);

// One pass at the given a-priori precision (radians). Stops when the approximate position
// is undefined, when the iteration does not converge, when the sighted point falls on a
// station, or on a singular matrix.
PlanimetricPass adjustPlanimetry(const ObservationSet& observations, double aprioriPrecision,
                                 ComputationPath path = ComputationPath::Structured);

// X · angleWeight for X with `rows` rows and t columns, through the pass's own form of the weights.
void multiplyByAngleWeight(const PlanimetricPass& pass, std::int32_t rows, const Matrix& x,
                           Matrix& result);

struct FitTest {
    Matrix residual;                // t × 1, radians
    double aposterioriVariance = 0; // square radians
    double testStatistic = 0;
};

FitTest planimetricFit(const PlanimetricPass& pass, std::int32_t redundancy, double unitVariance);

// The test statistic of a fit at another unit variance; only this part of the fit
// depends on the precision.
double fitTestStatistic(double aposterioriVariance, std::int32_t redundancy, double unitVariance);

} // namespace interseccao
