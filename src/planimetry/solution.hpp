// The planimetric solution: the pass, its fit test, the precision search and the adjusted values.
#pragma once

#include "adjustment/fit.hpp"
#include "angles/orientation.hpp"
#include "planimetry/adjustment.hpp"

#include <array>
#include <vector>

namespace interseccao {

struct PlanimetricSolution {
    PlanePoint approximate; // from the mean bearings of stations 1 and 2, metres
    // False with two stations: `approximate` is then the result and nothing below is set.
    bool adjusted = false;

    std::int32_t iterationCount = 0;
    PlanePoint linearisation; // the last approximation, metres
    PlanePoint point;         // the adjusted position, metres
    // One per angle, in the file's order of stations and references.
    std::vector<double> observedAngles;          // radians
    std::vector<double> residuals;               // radians, observed − adjusted
    std::vector<double> adjustedAngles;          // radians, |observed − residual|
    std::vector<double> adjustedAngleDeviations; // degrees, standard deviations
    FitTest fit;
    PrecisionSearch search;
    double deviationM = 0; // metres, with the variance factor of the report's redundancy
    double deviationP = 0; // metres
    // N⁻¹, the cofactor matrix of M and P (row by row: MM, MP, PM, PP), square metres per
    // square radian; times the variance factor it is their covariance matrix.
    std::array<double, 4> cofactor{};

    // Two stations: the approximate position is the result, and nothing is adjusted.
    static PlanimetricSolution unadjusted(PlanePoint approximate) {
        PlanimetricSolution solution;
        solution.approximate = approximate;
        return solution;
    }
};

// The approximate position: the intersection of the lines of stations 1 and 2 along their mean
// bearings. With two stations it is the result.
PlanePoint approximatePosition(const ObservationSet& observations, const Orientation& orientation);

// The solution from the orientation of every station. Stops as the pass and the search do,
// and with the out-of-range message when the adjustment diverged to values without meaning.
PlanimetricSolution solvePlanimetry(const ObservationSet& observations,
                                    const Orientation& orientation);

// The fit of a converged pass at the report's redundancy, with its residuals (t × 1).
FitTest planimetricFit(const ObservationSet& observations, const PlanimetricPass& pass,
                       Matrix& residual);

// The adjusted values of a converged pass, its fit and search, given the diagonal of the
// adjusted angles' cofactor matrix (t × 1): the values the report prints, or the
// out-of-range stop when one has no meaning.
PlanimetricSolution planimetricResults(const PlanimetricPass& pass, const Matrix& residual,
                                       const FitTest& fit, const PrecisionSearch& search,
                                       const Matrix& angleCofactorDiagonal);

} // namespace interseccao
