// Report: the heading of the height adjustment.
#include "report/lines.hpp"
#include "report/report.hpp"

namespace interseccao {

void writeHeightHeading(const ObservationSet& observations, Output& output) {
    for (int i = 0; i < 3; ++i) output.writePlainLine(Channel::Report);
    writePrecisionLine(output, observations.angleUnit,
                       "('Precisao a priori das leituras zenitais:',F5.1,' mgon')",
                       "('Precisao a priori das leituras zenitais:',F5.1,' segundos')",
                       observations.aprioriPrecision);
    output.writePlainLine(Channel::Report);
    output.writeReportLine("('Redundancia (altimetria): ',I3)",
                           {std::int64_t{observations.zenithCount} - 1});
    output.writePlainLine(Channel::Report);
}

} // namespace interseccao
