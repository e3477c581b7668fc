// The drawing of an intersection as a self-contained SVG page (A4 landscape): the stations,
// the reference points and the sighted point with their rays, the enlarged error ellipses,
// an inset around the point, the scale bar, the north arrow and the title block.
#pragma once

#include "drawing/layout.hpp"
#include "results/run_record.hpp"

#include <ostream>

namespace interseccao {

// A run has a drawing when it read its data, did not fail, and reached a plane position: the
// adjusted point, or the approximate one of a file of two stations.
bool hasDrawing(const FileRun& run);

// The layout of a run that has a drawing.
DrawingLayout layOutDrawing(const FileRun& run);

// Writes the SVG of a layout, in UTF-8.
void writeSvg(const DrawingLayout& layout, std::ostream& out);

// Writes the SVG of a run that has a drawing.
void writeDrawing(const FileRun& run, std::ostream& out);

} // namespace interseccao
