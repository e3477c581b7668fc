// The point, or the height, without one reading or one station, from the fit with every
// reading and without fitting again. With the orientations eliminated, each station adds one
// term w (e − B(x))² to the sum of squares (w = (n − 1)/n, e its reading to the point less
// the mean orientation of its references, B the change of its bearing to the point) and its
// references' spread about their mean. Leaving a reading or a station out changes that one
// term; the others' sum, kept as a power series in the step of the point, is minimised again
// with the changed term, at a cost of the series' degree whatever the size of the network.
#pragma once

#include "analysis/direction_model.hpp"
#include "analysis/zenith_model.hpp"

#include <cstdint>
#include <optional>
#include <vector>

namespace interseccao {

struct LeaveOneOut {
    enum class Status {
        Computed,
        // Fewer than two stations left to see the point, parallel rays, or a reading whose
        // redundancy number is below uncontrolledBound: the others do not fix the point
        // without it.
        Indeterminate,
        // The point moves by more than the series of the others' sum holds (a twentieth of
        // the nearest station's distance) or its minimisation does not settle.
        NotConverged,
    };
    Status status = Status::Indeterminate;
    PlanePoint point;        // metres
    double shift = 0;        // from the point with every reading, metres
    double shiftBearing = 0; // of the shift, radians clockwise from +P; 0 without a shift
    std::int32_t degreesOfFreedom = 0;
    std::optional<double> unitDeviation; // s0 without it, radians; none when nothing is left over
};

// The tests need a reading that the others check: for a redundancy number below this they
// are left out, and so is the point without it.
inline constexpr double uncontrolledBound = 1e-6;

struct PlanimetricLeaveOneOut {
    std::vector<LeaveOneOut> readings; // in the order of horizontalReadings
    std::vector<LeaveOneOut> stations; // one per station
};

// From `fit`, made with every reading of `index`; `redundancy` holds each reading's
// redundancy number.
PlanimetricLeaveOneOut leaveOneOut(const ObservationSet& observations,
                                   const std::vector<ReadingIndex>& index, const DirectionFit& fit,
                                   const std::vector<double>& redundancy);

struct HeightWithout {
    LeaveOneOut without; // only the height's shift, the degrees of freedom and s0 are set
    double height = 0;   // metres, when without.status is Computed
};

// The height without each zenith reading, from `fit`, made with every one of them at `point`.
std::vector<HeightWithout> leaveZenithOut(const std::vector<ZenithObservation>& readings,
                                          PlanePoint point, const ZenithFit& fit);

} // namespace interseccao
