// Report: the results of the height adjustment.
#include "model/angle_units.hpp"
#include "report/lines.hpp"
#include "report/report.hpp"

namespace interseccao {

namespace {

void writeResidualLines(AngleUnit unit, const std::vector<double>& residuals, Output& output) {
    for (const double v : residuals) {
        switch (unit) {
        case AngleUnit::Sexagesimal:
            output.writeReportLine("(1X,F7.2,' \"')", {radiansToArcSeconds(v)});
            break;
        case AngleUnit::DecimalDegrees:
            output.writeReportLine("(5X,F7.2,' \"')", {radiansToArcSeconds(v)});
            break;
        case AngleUnit::Gon:
            output.writeReportLine("(1X,F15.6,' mgon')", {radiansToMilligon(v)});
            break;
        }
    }
}

void writeAdjustedAngleLines(AngleUnit unit, const std::vector<double>& angles, Output& output) {
    for (const double adjusted : angles) {
        switch (unit) {
        case AngleUnit::DecimalDegrees:
            output.writeReportLine("(F12.5)", {radiansToDegrees(adjusted)});
            break;
        case AngleUnit::Sexagesimal: {
            const DegreesMinutesSeconds dms = splitDegrees(radiansToDegrees(adjusted));
            output.writeReportLine("(5X,I3,I3,F5.1)", {dms.degrees, dms.minutes, dms.seconds});
            break;
        }
        case AngleUnit::Gon:
            output.writeReportLine("(5X,F10.5,' gon')", {radiansToGon(adjusted)});
            break;
        }
    }
}

} // namespace

void writeHeightResults(const ObservationSet& observations, const HeightSolution& solution,
                        Output& output) {
    const AngleUnit unit = observations.angleUnit;
    writePrecisionLine(output, unit,
                       "('Precisao a posteriori das leituras zenitais: ',F4.1,' mgon')",
                       "('Precisao a posteriori das leituras zenitais: ',F4.1,' segundos')",
                       solution.search.precision);
    output.writePlainLine(Channel::Report);
    output.writeReportLine(
        "(A33,I3)", {"Numero de iteracoes (altimetria):", std::int64_t{solution.iterationCount}});
    output.writePlainLine(Channel::Report);
    output.writeReportLine("(A14)", {"Cota ajustada:"});
    output.writePlainLine(Channel::Report);
    writeResultLine(output, 'C', observations.sightedPointName, solution.height);
    output.writePlainLine(Channel::Report);

    output.writeReportLine("(A30)", {"Residuos dos angulos zenitais:"});
    output.writePlainLine(Channel::Report);
    writeResidualLines(unit, solution.residuals, output);
    output.writePlainLine(Channel::Report);

    output.writeReportLine(unit == AngleUnit::Gon ? "(A28)" : "(A27)",
                           {"Angulos zenitais ajustados:"});
    output.writePlainLine(Channel::Report);
    writeAdjustedAngleLines(unit, solution.adjustedAngles, output);
    output.writePlainLine(Channel::Report);

    output.writeReportLine("('Precisao da cota = ',F5.3,' m')", {solution.deviation});
    output.writePlainLine(Channel::Report);

    output.writeReportLine("(A40)", {"Precisao dos angulos zenitais ajustados:"});
    output.writePlainLine(Channel::Report);
    for (const double deviation : solution.adjustedAngleDeviations) {
        if (unit == AngleUnit::Gon)
            output.writeReportLine("(8X,F7.5,' gon')", {degreesToGon(deviation)});
        else
            output.writeReportLine("(F6.2,' \"')", {deviation * 3600.0});
    }
}

} // namespace interseccao
