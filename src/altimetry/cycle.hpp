// The height cycle: least squares for the height of the sighted point from the zenith readings.
#pragma once

#include "adjustment/fit.hpp"
#include "angles/approximate_position.hpp"
#include "model/observations.hpp"

#include <vector>

namespace interseccao {

// Combined earth curvature and refraction, metres per square metre of horizontal distance:
// (1 − k) / 2R with the refraction coefficient k = 0.13 and the earth's radius R = 6 378 km.
inline constexpr double curvatureRefractionCoefficient = 6.82e-08;

// The value 10 bounds both the size of a final correction (metres) and the corrections a
// cycle may compute.
inline constexpr double heightCorrectionBound = 10.0;
inline constexpr std::int32_t heightIterationLimit = 10;

// The plane positions the height uses: the design is linearised at the planimetric pass's
// last approximation, while the curvature term uses the adjusted position.
struct HeightGeometry {
    PlanePoint adjusted;
    PlanePoint linearisation;
};

// What one cycle leaves, in storage sized once for the zenith readings and reused by every
// cycle of a search. The readings are uncorrelated and share one variance, which is also
// the variance of unit weight: their weight matrix is the identity whatever the precision,
// so a cycle depends on the height it starts from alone.
class HeightCycle {
public:
    HeightCycle(const std::vector<ZenithObservation>& readings, HeightGeometry geometry);

    // Runs the cycle from `start`: iterates until a correction is at most 10 m, then forms
    // the residuals and the variance factor. Stops on a tenth correction and on a normal
    // value of exactly 0.
    void run(double start);

    double height = 0;               // H, metres
    std::int32_t iterationCount = 0; // one more than the corrections applied
    double normalInverse = 0;        // 1 / N, square metres per square radian
    double correction = 0;           // the last dH, metres
    std::vector<double> design;      // B, radians per metre
    std::vector<double> misclosure;  // w, radians
    std::vector<double> residual;    // v = w − B · dH, radians
    double varianceFactor = 0;       // s0² = vᵀ · W · v / (n − 1), square radians

private:
    // The sum of x · W · y over the readings, formed as (x · W) · y.
    double weightedProduct(const std::vector<double>& x, const std::vector<double>& y);

    // What a cycle uses of each zenith record.
    struct Sight {
        double stationHeight = 0;    // metres
        double instrumentHeight = 0; // metres
        double targetHeight = 0;     // metres
        double zenithReading = 0;    // radians
        double distance = 0;         // to the linearisation point, metres
        double curvature = 0;        // the curvature term at the adjusted point, metres
    };
    std::vector<Sight> sights_;
    std::vector<double> weighted_; // x · W
};

// H from observation 1 alone; stops with "Cota aproximada indeterminada!" for a vertical
// first sight or a height that is not finite.
double firstHeight(const ZenithObservation& first, PlanePoint adjusted);

} // namespace interseccao
