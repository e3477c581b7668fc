// Bearings, in the order of operations that fixes their last bits.
#include "angles/bearing.hpp"

#include "model/angle_units.hpp"

#include <cmath>

namespace interseccao {

double bearing(double dM, double dP) {
    if (dM > 0 && dP == 0) return PI / 2.0;
    if (dM < 0 && dP == 0) return (PI * 3.0) / 2.0;
    double b = std::atan(dM / dP);
    if (dP < 0) b = b + PI;
    if (dM < 0 && dP > 0) b = b + 2.0 * PI;
    if (b >= 2.0 * PI) b = b - 2.0 * PI;
    return b;
}

} // namespace interseccao
