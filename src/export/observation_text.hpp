// An assembled problem written as an observation file in the program's own layout.
#pragma once

#include "field/assembly.hpp"

#include <string>
#include <string_view>

namespace interseccao {

// The observation file of a new point: the header with `remark` after its values (which the
// reader skips), the stations with their references, and the zenith records when there are
// any. Names are cut to the file's 12 characters and put between apostrophes where they
// hold a blank, a comma or a slash; readings are written to 0.000001 gon or degree, or
// 0.01 second of arc.
std::string observationFileText(const std::string& pointName, const PointProblem& problem,
                                std::string_view remark);

} // namespace interseccao
