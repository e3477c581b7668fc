// Report: the heading of the height adjustment.
#include "report/lines.hpp"
#include "report/report.hpp"

namespace interseccao {

void writeHeightHeading(const ObservationSet& observations, Output& output) {
    writePrecisionAndRedundancy(output, observations.angleUnit,
                                "('Precisao a priori das leituras zenitais:',F5.1,' mgon')",
                                "('Precisao a priori das leituras zenitais:',F5.1,' segundos')",
                                observations.aprioriPrecision, "('Redundancia (altimetria): ',I3)",
                                std::int64_t{observations.zenithCount} - 1);
}

} // namespace interseccao
