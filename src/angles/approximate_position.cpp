// Forms the approximate position from the mean bearings of the first two stations.
#include "angles/approximate_position.hpp"

#include "model/errors.hpp"

#include <cmath>

namespace interseccao {

PlanePoint formApproximatePosition(const Station& first, double firstBearing, const Station& second,
                                   double secondBearing) {
    const double m1 = first.m, p1 = first.p, m2 = second.m, p2 = second.p;
    const double tan1 = std::tan(firstBearing);
    const double tan2 = std::tan(secondBearing);
    const bool vertical1 = tan1 == 0; // the line M = M1
    const bool vertical2 = tan2 == 0;
    const auto undefined = [] { return RunError::stop("Posicao aproximada indeterminada!"); };
    PlanePoint point;
    if (vertical1 && vertical2) throw undefined();
    if (vertical1) {
        const double c2 = 1.0 / tan2;
        point = {m1, p2 + c2 * (m1 - m2)};
    } else if (vertical2) {
        const double c1 = 1.0 / tan1;
        point = {m2, p1 + c1 * (m2 - m1)};
    } else {
        const double c1 = 1.0 / tan1;
        const double c2 = 1.0 / tan2;
        if (c1 == c2) throw undefined();
        point.m = ((p1 - p2) + c2 * m2 - c1 * m1) / (c2 - c1);
        point.p = (c1 * c2 * (m2 - m1) + (c2 * p1 - c1 * p2)) / (c2 - c1);
    }
    if (!std::isfinite(point.m) || !std::isfinite(point.p)) throw undefined();
    return point;
}

} // namespace interseccao
