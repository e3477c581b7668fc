// Bearings of plane directions.
#pragma once

namespace interseccao {

// Bearing of the direction (dM, dP) in [0, 2·PI), clockwise from +P towards +M;
// a sum that rounds to 2·PI becomes 0. Undefined for (0, 0): callers check first.
double bearing(double dM, double dP);

} // namespace interseccao
