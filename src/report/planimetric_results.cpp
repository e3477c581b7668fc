// Report: the results of the planimetric adjustment.
#include "model/angle_units.hpp"
#include "report/lines.hpp"
#include "report/report.hpp"

namespace interseccao {

namespace {

void writeAdjustedAngleLines(AngleUnit unit, const std::vector<double>& angles, Output& output) {
    for (const double adjustedAngle : angles) {
        switch (unit) {
        case AngleUnit::DecimalDegrees:
            output.writeReportLine("(5X,F10.5,' \xBA')", {radiansToDegrees(adjustedAngle)});
            break;
        case AngleUnit::Sexagesimal: {
            const DegreesMinutesSeconds dms = splitDegrees(radiansToDegrees(adjustedAngle));
            output.writeReportLine("(5X,I3,I3,F5.1)", {dms.degrees, dms.minutes, dms.seconds});
            break;
        }
        case AngleUnit::Gon:
            output.writeReportLine("(5X,F10.5,' gon')", {radiansToGon(adjustedAngle)});
            break;
        }
    }
}

} // namespace

void writePlanimetricResults(const ObservationSet& observations,
                             const PlanimetricSolution& solution, Output& output) {
    const AngleUnit unit = observations.angleUnit;
    writePrecisionLine(output, unit,
                       "('Precisao a posteriori das leituras azimutais: ',F4.1,' mgon')",
                       "('Precisao a posteriori das leituras azimutais: ',F4.1,' segundos')",
                       solution.search.precision);
    output.writePlainLine(Channel::Report);
    output.writeReportLine(
        "(A35,I3)", {"Numero de iteracoes (planimetria): ", std::int64_t{solution.iterationCount}});
    output.writePlainLine(Channel::Report);
    output.writeReportLine("(A36)", {"Coordenadas planimetricas ajustadas:"});
    output.writePlainLine(Channel::Report);
    writeResultLine(output, 'M', observations.sightedPointName, solution.point.m);
    writeResultLine(output, 'P', observations.sightedPointName, solution.point.p);
    output.writePlainLine(Channel::Report);

    output.writeReportLine("(A31)", {"Residuos dos angulos azimutais:"});
    output.writePlainLine(Channel::Report);
    for (const double v : solution.residuals) {
        if (unit == AngleUnit::Gon)
            output.writeReportLine("(5X,F10.5,' mgon')", {radiansToMilligon(v)});
        else
            output.writeReportLine("(5X,F7.2,' \"')", {radiansToArcSeconds(v)});
    }
    output.writePlainLine(Channel::Report);

    output.writeReportLine("(A28)", {"Angulos azimutais ajustados:"});
    output.writePlainLine(Channel::Report);
    writeAdjustedAngleLines(unit, solution.adjustedAngles, output);
    output.writePlainLine(Channel::Report);

    output.writeReportLine("('Precisao das coordenadas: em M = ',F5.3,' m; em P = ',F5.3,' m')",
                           {solution.deviationM, solution.deviationP});
    output.writePlainLine(Channel::Report);

    output.writeReportLine("(A41)", {"Precisao dos angulos azimutais ajustados:"});
    output.writePlainLine(Channel::Report);
    for (const double deviation : solution.adjustedAngleDeviations) {
        if (unit == AngleUnit::Gon)
            output.writeReportLine("(8X,F7.5,' gon')", {degreesToGon(deviation)});
        else
            output.writeReportLine("(5X,F7.2,' \"')", {deviation * 3600.0});
    }
}

} // namespace interseccao
