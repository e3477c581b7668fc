// Approximate position of the sighted point: the intersection of the lines from stations 1 and 2.
#pragma once

#include "model/observations.hpp"

namespace interseccao {

struct PlanePoint {
    double m = 0; // metres
    double p = 0; // metres
};

// Intersects the whole lines through the two stations along their mean bearings (radians;
// a bearing and its opposite give the same line). A mean bearing whose tangent is 0 gives
// the line M = Mi. Stops with "Posicao aproximada indeterminada!" when the lines are
// parallel or the intersection is not finite.
PlanePoint formApproximatePosition(const Station& first, double firstBearing, const Station& second,
                                   double secondBearing);

} // namespace interseccao
