// The error ellipses of the drawing: enlarged on the map by a round factor that makes them
// visible, at true size in the inset, and as outlines that labels keep clear of.
#pragma once

#include "drawing/layout.hpp"

#include <optional>
#include <vector>

namespace interseccao {

// The ellipse as a closed polygon of page points.
std::vector<PagePoint> ellipseOutline(const PageEllipse& ellipse);
inline constexpr int ellipseSides = 36; // of the outline

// Whether the analysis gives both ellipses with axes to draw.
bool hasDrawableEllipses(const PlanimetricQuality* quality);

// The map's ellipses around the point at `centre`, enlarged: sets the layout's factor, its
// standard and its confidence ellipse. `quality` has drawable ellipses.
void enlargeEllipses(const PlanimetricQuality& quality, PagePoint centre, DrawingLayout& layout);

} // namespace interseccao
