// The drawing of a whole session on one A4 sheet: every known point, station and new point,
// with the rays from the stations to the new points.
#pragma once

#include "results/session.hpp"

#include <ostream>

namespace interseccao {

// Writes the SVG of the session, in UTF-8.
void writeSessionDrawing(const SessionRun& session, std::ostream& out);

} // namespace interseccao
