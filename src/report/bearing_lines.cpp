// Console: the bearing lines of the orientation.
#include "model/angle_units.hpp"
#include "report/report.hpp"

namespace interseccao {

namespace {

// Bearings show in degrees for "gc" and "gs" and in gon for "gr".
double toOutputUnit(AngleUnit unit, double radians) {
    return unit == AngleUnit::Gon ? radiansToGon(radians) : radiansToDegrees(radians);
}

} // namespace

void writeBearingLines(const ObservationSet& observations, const Orientation& orientation,
                       Output& output) {
    const AngleUnit unit = observations.angleUnit;
    const std::string& pointName = observations.sightedPointName;
    for (std::size_t i = 0; i < orientation.stations.size(); ++i) {
        const Station& station = observations.stations[i];
        const StationOrientation& oriented = orientation.stations[i];
        for (std::size_t j = 0; j < oriented.bearings.size(); ++j)
            output.writeConsoleLine(
                "('    Rumo de ',A12,' para ',A12,' a partir de ',A12,'=',F11.6)",
                {station.name, pointName, station.references[j].name,
                 toOutputUnit(unit, oriented.bearings[j])});
        if (!oriented.complete) break;
        output.writeConsoleLine(
            "(' Rumo medio ',A12,' para ',A12,'                         =',F11.6)",
            {station.name, pointName, toOutputUnit(unit, oriented.meanBearing)});
        output.writePlainLine(Channel::Console);
    }
}

} // namespace interseccao
