// Orients every station through its reference points.
#include "angles/orientation.hpp"
#include "angles/bearing.hpp"

#include "model/angle_units.hpp"
#include "model/errors.hpp"

#include <cmath>

namespace interseccao {

namespace {

// Brings b to within (-PI, PI] of `first` by whole turns. Readings far outside one turn
// are first moved by a multiple of 2·PI, so that the loops stay short.
double unwrapNear(double b, double first, bool& unwrapped) {
    const double turn = 2.0 * PI;
    double u = b;
    if (std::fabs(u - first) > 8.0 * turn) u -= std::round((u - first) / turn) * turn;
    for (int i = 0; i < 16 && u - first > PI; ++i) u -= turn;
    for (int i = 0; i < 16 && u - first <= -PI; ++i) u += turn;
    if (u != b) unwrapped = true;
    return u;
}

// The stop message for the first check the station fails, if any, filling `oriented` with
// the bearings formed before it.
std::optional<std::string> orientStation(const Station& station, StationOrientation& oriented) {
    // A reading so large that its conversion to radians overflows has no bearing.
    if (!std::isfinite(station.pointReading)) return outOfRangeMessage;
    const std::string name(trimmedName(station.name));
    if (station.references.empty()) return "Estacao " + name + " sem pontos de referencia!";
    if (station.references.size() > maxSightingsPerStation)
        return "Estacao " + name + " com mais de " + std::to_string(maxSightingsPerStation) +
               " pontos de referencia!";
    oriented.bearings.reserve(station.references.size());
    for (const ReferenceSighting& reference : station.references) {
        if (!std::isfinite(reference.reading)) return outOfRangeMessage;
        if (reference.m - station.m == 0 && reference.p - station.p == 0)
            return "Ponto de referencia " + std::string(trimmedName(reference.name)) +
                   " coincide com a estacao " + name + "!";
        const double via = bearingViaReference(station, reference);
        // Coordinates whose differences overflow leave no bearing.
        if (!std::isfinite(via)) return outOfRangeMessage;
        oriented.bearings.push_back(via);
    }
    oriented.meanBearing = meanBearing(oriented.bearings);
    oriented.complete = true;
    return std::nullopt;
}

} // namespace

double bearingViaReference(const Station& station, const ReferenceSighting& reference) {
    double b = bearing(reference.m - station.m, reference.p - station.p) +
               (station.pointReading - reference.reading);
    if (b > 2.0 * PI) b = b - 2.0 * PI;
    if (b < 0) b = b + 2.0 * PI;
    return b;
}

double meanBearing(std::span<const double> bearings) {
    if (bearings.empty()) return 0;
    bool unwrapped = false;
    double sum = 0;
    for (std::size_t j = 0; j < bearings.size(); ++j)
        sum += j == 0 ? bearings[0] : unwrapNear(bearings[j], bearings[0], unwrapped);
    double mean = sum / static_cast<double>(bearings.size());
    if (unwrapped) {
        if (mean < 0)
            mean += 2.0 * PI;
        else if (mean >= 2.0 * PI)
            mean -= 2.0 * PI;
    }
    return mean;
}

Orientation orientStations(const ObservationSet& observations) {
    Orientation orientation;
    orientation.stations.reserve(observations.stations.size());
    for (const Station& station : observations.stations) {
        orientation.stations.emplace_back();
        orientation.stopMessage = orientStation(station, orientation.stations.back());
        if (orientation.stopMessage) break;
    }
    return orientation;
}

} // namespace interseccao
