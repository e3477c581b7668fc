// The height solution: the cycles of the precision search and the adjusted values.
#pragma once

#include "adjustment/matrix.hpp"
#include "altimetry/cycle.hpp"

#include <vector>

namespace interseccao {

struct HeightSolution {
    double firstHeight = 0;          // H from the first zenith record, metres
    double height = 0;               // the adjusted height, metres
    std::int32_t iterationCount = 0; // of the last cycle: one more than its corrections
    // One per zenith reading, in the file's order.
    std::vector<double> residuals;               // radians, observed − adjusted
    std::vector<double> adjustedAngles;          // radians
    std::vector<double> adjustedAngleDeviations; // degrees, standard deviations
    FitTest fit;
    PrecisionSearch search;
    double cofactor = 0;  // 1 / N, square metres per square radian
    double deviation = 0; // metres
};

// From the first height, one cycle per test of the precision search, each starting from the
// height the last one left, until the verdict of the fit test changes; the results are the
// last cycle's. Needs two zenith records or more.
HeightSolution solveHeight(const ObservationSet& observations, HeightGeometry geometry);

// The adjusted values of the last cycle of a search, given the diagonal of the adjusted
// zenith angles' cofactor matrix (n × 1), or the out-of-range stop when one has no meaning.
HeightSolution heightResults(const std::vector<ZenithObservation>& readings,
                             const HeightCycle& cycle, const FitTest& fit,
                             const PrecisionSearch& search, const Matrix& zenithCofactorDiagonal);

} // namespace interseccao
