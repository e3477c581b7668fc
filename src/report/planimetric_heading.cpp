// Report: the heading of the planimetric adjustment.
#include "report/lines.hpp"
#include "report/report.hpp"

namespace interseccao {

void writePlanimetricHeading(const ObservationSet& observations, Output& output) {
    const std::string stars(72, '*');
    output.writeReportLine("(A72)", {stars});
    output.writeReportLine("('Calculo por interseccao inversa das coordenadas do ponto ',A12)",
                           {observations.sightedPointName});
    output.writeReportLine("(A72)", {stars});
    for (int i = 0; i < 3; ++i) output.writePlainLine(Channel::Report);
    switch (observations.angleUnit) {
    case AngleUnit::DecimalDegrees:
        // "graus centesimais" is the label these files have always carried for decimal
        // degrees: kept as it is, since the reports are compared with earlier ones.
        output.writeReportLine("(A40)", {"Leituras angulares em: graus centesimais"});
        break;
    case AngleUnit::Sexagesimal:
        output.writeReportLine("(A41)", {"Leituras angulares em: graus sexagesimais"});
        break;
    case AngleUnit::Gon: output.writeReportLine("(A29)", {"Leituras angulares em: grados"}); break;
    }
    output.writePlainLine(Channel::Report);
    output.writeReportLine("('Tolerancia entre iteracoes consecutivas das coordenadas:',F5.3,' m')",
                           {observations.tolerance});
    writePrecisionAndRedundancy(output, observations.angleUnit,
                                "('Precisao a priori das leituras azimutais:',F5.1,' mgon')",
                                "('Precisao a priori das leituras azimutais:',F5.1,' segundos')",
                                observations.aprioriPrecision, "('Redundancia (planimetria): ',I3)",
                                std::int64_t{observations.redundancy()});
}

void writeApproximatePosition(const PlanimetricSolution& solution, Output& output) {
    output.writePlainLine(Channel::Report, "Redundancia=0");
    output.writePlainLine(Channel::Report);
    output.writeReportLine("(' Mp=',F12.3,' m',' ;Pp=',F12.3,' m')",
                           {solution.approximate.m, solution.approximate.p});
}

} // namespace interseccao
