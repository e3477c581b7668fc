// Where everything goes on the page: the marks and their names on the map, the inset around
// the point, and the words of the title block.
#pragma once

#include "drawing/layout.hpp"
#include "results/run_record.hpp"

namespace interseccao {

// Every point once: the sighted point at `point`, the stations, then the references that are
// not one of the stations; on the ground only, not yet on the page.
std::vector<Mark> marksOf(const ObservationSet& observations, PlanePoint point);

// The words of the title block of a run that has a drawing.
TitleBlock titleBlockOf(const FileRun& run);

} // namespace interseccao
