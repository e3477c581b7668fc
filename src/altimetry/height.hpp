// Height of the sighted point from zenith readings: adjustment, precision search and report.
#pragma once

#include "planimetry/block_diagonal.hpp"
#include "planimetry/matrix.hpp"
#include "planimetry/report.hpp"
#include "run/observations.hpp"
#include "run/output.hpp"
#include "run/reader.hpp"

namespace interseccao {

// Combined earth curvature and refraction, metres per square metre of horizontal distance.
inline constexpr double curvatureRefractionCoefficient = 6.82e-08;

// What the last cycle of the height adjustment leaves for the report.
struct HeightCycle {
    ComputationPath path = ComputationPath::Structured;
    double height = 0; // H, metres
    std::int32_t iterationCounter = 0;
    Matrix design;                      // B, n × 1
    Matrix misclosure;                  // w, n × 1, radians
    Matrix weight;                      // W, n × n, general path only
    BlockDiagonalMatrix readingWeights; // W one 1 × 1 block per reading, structured path only
    double normalInverse = 0;           // 1 / N
    double correction = 0;              // the last dH, metres
};

struct HeightFit {
    Matrix residual;           // v, n × 1, radians
    double varianceFactor = 0; // s0², square radians
    double testStatistic = 0;
};

// H from observation 1 alone; stops with "Cota aproximada indeterminada!" for a vertical
// first sight or a height that is not finite.
double firstHeight(const ZenithObservation& first, PlanePoint adjusted);

// One cycle from `height` at the zenith precision `sigma`: iterates until a correction is
// at most 10 m. Stops on a tenth correction and on a normal value of exactly 0. The
// readings' cofactor matrix is the identity whatever `sigma`, so the cycle depends on
// the height it starts from alone.
HeightCycle heightCycle(const ObservationSet& observations, const PlanimetricResult& position,
                        double height, double sigma,
                        ComputationPath path = ComputationPath::Structured);

HeightFit heightFit(const HeightCycle& cycle, std::int32_t n, double unitVariance);

// The test statistic of a fit at another unit variance; only this part of the fit
// depends on the precision.
double heightTestStatistic(double varianceFactor, std::int32_t n, double unitVariance);

// The height and the zenith precision that the fit test supports.
struct HeightSearch {
    HeightCycle cycle; // the last cycle
    HeightFit fit;     // its fit
    double sigma = 0;  // the a-posteriori zenith precision found, radians
};

// From the first height, cycles of the adjustment with the stepped zenith precision,
// starting at `observations.zenithSigma`, until the verdict of the fit test changes.
// Needs two zenith records or more.
HeightSearch searchHeight(const ObservationSet& observations, const PlanimetricResult& position,
                          ComputationPath path = ComputationPath::Structured);

// Reads the zenith records, writes the altimetric lines of the report, adjusts the height
// with its precision search and writes the results. With one record or none it ends
// after the redundancy line.
void runAltimetry(RecordReader& reader, ObservationSet& observations,
                  const PlanimetricResult& position, Output& output,
                  ComputationPath path = ComputationPath::Structured);

} // namespace interseccao
