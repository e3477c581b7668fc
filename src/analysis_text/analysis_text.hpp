// The quality analysis as a plain UTF-8 text in Portuguese: the verdict first, then the
// warnings, then the tables that support them.
#pragma once

#include "analysis/quality.hpp"

#include <ostream>

namespace interseccao {

void writeAnalysis(const ObservationSet& observations, const QualityAnalysis& analysis,
                   std::ostream& out);

} // namespace interseccao
