// Gauss-Newton on the directions, the orientations eliminated station by station.
#include "analysis/direction_model.hpp"
#include "angles/bearing.hpp"

#include "model/angle_units.hpp"

#include <cmath>

namespace interseccao {

std::vector<ReadingIndex> horizontalReadings(const ObservationSet& observations) {
    std::vector<ReadingIndex> readings;
    for (std::size_t i = 0; i < observations.stations.size(); ++i) {
        const auto station = static_cast<std::int32_t>(i);
        readings.push_back({station, sightedPointTarget});
        const auto references = std::ssize(observations.stations[i].references);
        for (std::int32_t j = 0; j < references; ++j) readings.push_back({station, j});
    }
    return readings;
}

namespace {

// Below this ratio of the determinant to the product of the diagonal the rays are taken as
// parallel: the point would move along them without changing the fit.
constexpr double parallelRaysBound = 1e-12;

double wrapToHalfTurn(double angle) {
    angle = std::remainder(angle, 2.0 * PI);
    return angle;
}

struct Linearisation {
    bool determined = false;
    std::array<double, 4> normal{}; // N
    std::array<double, 2> absolute{};
    double weightedSquareSum = 0;
};

// The readings' orientations brought near the first one's, then their mean.
double meanOrientation(std::vector<double>& y) {
    double mean = 0;
    for (double& value : y) {
        value = y.front() + wrapToHalfTurn(value - y.front());
        mean += value;
    }
    mean /= static_cast<double>(y.size());
    return mean;
}

// The point's row reduced by the mean: Σ over the station of row · row = (1 − 1/n) a aᵀ,
// and Σ row · y = a · (y_point − mean), with v = y_point − mean.
void addPointRow(Linearisation& lin, double share, const std::array<double, 2>& a, double v) {
    lin.normal[0] += share * a[0] * a[0];
    lin.normal[1] += share * a[0] * a[1];
    lin.normal[3] += share * a[1] * a[1];
    lin.absolute[0] += a[0] * v;
    lin.absolute[1] += a[1] * v;
}

// At `x`: for every station, y = reading − computed bearing (the circle's orientation plus
// noise), its mean over the station's readings is the orientation, and the residuals are
// the deviations from it. Only the reading to the point depends on x, with the gradient a:
// reduced by its station's mean, its row is (1 − 1/n) a and every other reading's −a/n.
Linearisation linearise(const ObservationSet& observations, const std::vector<bool>& active,
                        PlanePoint x, DirectionFit& fit) {
    Linearisation lin;
    std::int32_t seeing = 0;
    std::size_t k = 0;
    fit.residuals.assign(active.size(), 0.0);
    fit.bearingGradient.assign(observations.stations.size(), {0.0, 0.0});
    fit.activeReadings.assign(observations.stations.size(), 0);
    fit.degreesOfFreedom = -2;
    std::vector<double> y;
    for (std::size_t i = 0; i < observations.stations.size(); ++i) {
        const Station& station = observations.stations[i];
        const std::size_t first = k;
        const double dM = x.m - station.m;
        const double dP = x.p - station.p;
        const double squareDistance = dM * dM + dP * dP;
        const std::array<double, 2> a = {dP / squareDistance, -dM / squareDistance};
        fit.bearingGradient[i] = a;
        y.clear();
        const bool pointActive = active[k] && squareDistance > 0;
        if (pointActive) y.push_back(station.pointReading - bearing(dM, dP));
        ++k;
        for (const ReferenceSighting& reference : station.references) {
            if (active[k])
                y.push_back(reference.reading -
                            bearing(reference.m - station.m, reference.p - station.p));
            ++k;
        }
        const auto n = std::ssize(y);
        fit.activeReadings[i] = static_cast<std::int32_t>(n);
        if (n == 0) continue;
        fit.degreesOfFreedom += static_cast<std::int32_t>(n - 1);
        const double mean = meanOrientation(y);
        std::size_t used = 0;
        for (std::size_t l = first; l < k; ++l) {
            if (!active[l] || (l == first && !pointActive)) continue;
            fit.residuals[l] = y[used++] - mean;
            lin.weightedSquareSum += fit.residuals[l] * fit.residuals[l];
        }
        if (!pointActive || n < 2) continue;
        ++seeing;
        addPointRow(lin, 1.0 - 1.0 / static_cast<double>(n), a, fit.residuals[first]);
    }
    lin.normal[2] = lin.normal[1];
    const double determinant = lin.normal[0] * lin.normal[3] - lin.normal[1] * lin.normal[2];
    lin.determined = seeing >= 2 && std::isfinite(determinant) &&
                     determinant > parallelRaysBound * lin.normal[0] * lin.normal[3];
    return lin;
}

} // namespace

DirectionFit fitDirections(const ObservationSet& observations, const std::vector<bool>& active,
                           PlanePoint start) {
    DirectionFit fit;
    PlanePoint x = start;
    for (std::int32_t iteration = 0; iteration <= directionIterationLimit; ++iteration) {
        const Linearisation lin = linearise(observations, active, x, fit);
        if (!lin.determined) {
            fit.determined = false;
            return fit;
        }
        const double determinant = lin.normal[0] * lin.normal[3] - lin.normal[1] * lin.normal[2];
        fit.cofactor = {lin.normal[3] / determinant, -lin.normal[1] / determinant,
                        -lin.normal[2] / determinant, lin.normal[0] / determinant};
        fit.point = x;
        fit.weightedSquareSum = lin.weightedSquareSum;
        fit.determined = true;
        if (fit.converged) return fit; // the residuals and N⁻¹ at the converged point
        const double dM = fit.cofactor[0] * lin.absolute[0] + fit.cofactor[1] * lin.absolute[1];
        const double dP = fit.cofactor[2] * lin.absolute[0] + fit.cofactor[3] * lin.absolute[1];
        if (!std::isfinite(dM) || !std::isfinite(dP)) break;
        x = {x.m + dM, x.p + dP};
        fit.converged =
            std::fabs(dM) < directionConvergenceBound && std::fabs(dP) < directionConvergenceBound;
    }
    fit.converged = false;
    return fit;
}

} // namespace interseccao
