// Orients every station through its reference points and writes the bearing lines.
#include "angles/orientation.hpp"

#include "angles/conversions.hpp"
#include "run/errors.hpp"
#include "run/observation_file.hpp"

#include <cmath>
#include <vector>

namespace interseccao {

namespace {

double toOutputUnit(AngleUnit unit, double radians) {
    return unit == AngleUnit::Gon ? radiansToGon(radians) : radiansToDegrees(radians);
}

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

void orientStations(RecordReader& reader, ObservationSet& observations, Output& output) {
    const AngleUnit unit = observations.angleUnit;
    const std::string& pointName = observations.sightedPointName;
    std::vector<double> bearings;
    for (std::int32_t i = 1; i <= observations.stationCount; ++i) {
        const StationRecord record = readStationRecord(reader, unit);
        // A reading so large that its conversion to radians overflows has no bearing.
        if (!std::isfinite(record.pointReading)) throw Stop(outOfRangeMessage);
        Station station;
        station.name = record.name;
        station.m = record.m;
        station.p = record.p;
        station.sightingCount = record.sightingCount;
        station.pointReading = record.pointReading;
        if (station.sightingCount < 1)
            throw Stop("Estacao " + withoutTrailingBlanks(station.name) +
                       " sem pontos de referencia!");
        if (station.sightingCount > maxSightingsPerStation)
            throw Stop("Estacao " + withoutTrailingBlanks(station.name) + " com mais de " +
                       std::to_string(maxSightingsPerStation) + " pontos de referencia!");
        bearings.clear();
        for (std::int32_t j = 1; j <= station.sightingCount; ++j) {
            ReferenceSighting reference = readReferenceRecord(reader, unit);
            if (!std::isfinite(reference.reading)) throw Stop(outOfRangeMessage);
            if (reference.m - station.m == 0 && reference.p - station.p == 0)
                throw Stop("Ponto de referencia " + withoutTrailingBlanks(reference.name) +
                           " coincide com a estacao " + withoutTrailingBlanks(station.name) + "!");
            const double via = bearingViaReference(station, reference);
            // Coordinates whose differences overflow leave no bearing.
            if (!std::isfinite(via)) throw Stop(outOfRangeMessage);
            output.writeConsoleLine(
                "('    Rumo de ',A12,' para ',A12,' a partir de ',A12,'=',F11.6)",
                {station.name, pointName, reference.name, toOutputUnit(unit, via)});
            bearings.push_back(via);
            station.references.push_back(std::move(reference));
        }
        station.meanBearing = meanBearing(bearings);
        output.writeConsoleLine(
            "(' Rumo medio ',A12,' para ',A12,'                         =',F11.6)",
            {station.name, pointName, toOutputUnit(unit, station.meanBearing)});
        output.writePlainLine(Channel::Console);
        observations.stations.push_back(std::move(station));
    }
}

} // namespace interseccao
