// The page of the drawing and the plane on it: page points and boxes in millimetres, the
// projection of plane coordinates at a rounded scale, and the scale bar.
//
// Page coordinates are millimetres on an A4 sheet in landscape, x to the right and y down, as
// SVG has them; north (+P) is up and M to the right.
#pragma once

#include "angles/approximate_position.hpp"

#include <vector>

namespace interseccao {

inline constexpr double pageWidth = 297;  // mm, A4 landscape
inline constexpr double pageHeight = 210; // mm

struct PagePoint {
    double x = 0; // mm, to the right
    double y = 0; // mm, down
};

struct Box {
    double left = 0; // mm
    double top = 0;  // mm
    double width = 0;
    double height = 0;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
    PagePoint centre() const { return {left + width / 2, top + height / 2}; }
    bool contains(PagePoint point) const {
        return point.x >= left && point.x <= right() && point.y >= top && point.y <= bottom();
    }
};

// The rounded values: a scale's denominator is 1, 1.25, 1.5, 2, 2.5, 3, 4, 5, 6 or 7.5 times a
// power of ten (1:500, 1:1250, 1:40 000), so that a network fills at least 3/4 of the map; a
// scale bar's length and an enlargement are 1, 2 or 5 times a power of ten.
double roundScaleDenominator(double atLeast); // the smallest such value not below `atLeast`
double roundLengthBelow(double atMost);       // the largest 1-2-5 value not above `atMost`
double roundFactorNear(double value);         // the 1-2-5 value nearest in ratio

// Plane coordinates to the page at a scale, with a chosen plane point at a chosen page point.
struct Projection {
    PlanePoint centre;         // metres
    PagePoint pageCentre;      // mm
    double scale = 1;          // mm on the page per metre on the ground
    double denominator = 1000; // the scale as 1 : denominator (1000 / scale)
    PagePoint toPage(PlanePoint point) const {
        return {pageCentre.x + (point.m - centre.m) * scale,
                pageCentre.y - (point.p - centre.p) * scale};
    }
};

// The largest rounded scale at which every point fits in `area`, centred on the points'
// extent. A network narrower than `minimumExtent` is drawn as if that wide.
inline constexpr double minimumExtent = 1e-3; // metres
Projection fitProjection(const std::vector<PlanePoint>& points, const Box& area);

struct ScaleBar {
    PagePoint start;       // the left end, on the bar's baseline, mm
    double length = 0;     // metres on the ground, a 1-2-5 value
    double pageLength = 0; // mm
};
// A bar of a rounded length no longer than `maxPageLength` at the projection's scale.
ScaleBar scaleBarFor(const Projection& projection, PagePoint start, double maxPageLength);

} // namespace interseccao
