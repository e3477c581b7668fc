// The geometry of the drawing of an intersection: the page, the scales, where every mark, ray,
// ellipse and label goes. Pure computation on the observations and the solutions; the SVG
// text is written from it elsewhere (drawing.hpp).
//
// Page coordinates are millimetres on an A4 sheet in landscape, x to the right and y down, as
// SVG has them; north (+P) is up and M to the right.
#pragma once

#include "analysis/quality.hpp"
#include "angles/orientation.hpp"
#include "planimetry/solution.hpp"

#include <optional>
#include <string>
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

// The parts of the page: the map on the left; the title block, the inset and the legend in
// the column on the right.
inline constexpr Box mapFrame{8, 8, 194, 194};
inline constexpr Box titleFrame{206, 8, 83, 62};
inline constexpr Box insetFrame{206, 74, 83, 83};
inline constexpr Box legendFrame{206, 161, 83, 41};
// The band at the foot of the map that holds the scale bar and the north arrow.
inline constexpr double mapFootHeight = 16; // mm
// The part of the map the points are fitted in: room left around it for the labels (wider
// at the sides, where a name runs out from its mark).
inline constexpr Box mapFitArea{mapFrame.left + 18, mapFrame.top + 10, mapFrame.width - 36,
                                mapFrame.height - mapFootHeight - 18};

// The rounded values: a scale's denominator is 1, 1.25, 1.5, 2, 2.5, 3, 4, 5, 6 or 7.5 times a
// power of ten (1:500, 1:1250, 1:40 000), so that a network fills at least 3/4 of the map; a
// scale bar's length and an enlargement are 1, 2 or 5 times a power of ten.
double roundScaleDenominator(double atLeast); // the smallest such value not below `atLeast`
double roundLengthBelow(double atMost);       // the largest 1-2-5 value not above `atMost`
double roundFactorNear(double value);         // the 1-2-5 value nearest in ratio
// The enlargement of an error ellipse of semi-major axis `semiMajorAxis` (metres) drawn at
// `scale` (mm per metre): the rounded factor that makes the axis about 5 mm, never below 1.
double ellipseEnlargement(double semiMajorAxis, double scale);

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

// An ellipse on the page: semi-axes in mm along and across the major axis, and the major
// axis turned from the page's +x clockwise (as SVG's rotate turns) by `rotation` degrees.
struct PageEllipse {
    PagePoint centre;
    double rx = 0;       // mm
    double ry = 0;       // mm
    double rotation = 0; // degrees
};
// The ellipse of semi-axes a, b (metres) and bearing of a, times `factor`, at the scale.
PageEllipse pageEllipse(const ErrorEllipse& ellipse, PagePoint centre, double scale, double factor);

enum class MarkKind { Station, Reference, SightedPoint, Approximate };

struct Mark {
    MarkKind kind = MarkKind::Station;
    std::string name; // the file's bytes without their padding
    PlanePoint ground;
    PagePoint page;
};

enum class RayKind { ToPoint, ToReference };

struct Ray {
    RayKind kind = RayKind::ToPoint;
    std::size_t station = 0; // 0-based, in the file's order
    PagePoint from;
    PagePoint to;
    // The suspected reading (from the analysis), with its w.
    bool suspected = false;
    double w = 0;
};

// A text on the page, its anchor the start, the middle or the end of its baseline.
enum class Anchor { Start, Middle, End };
struct Label {
    std::string text;
    PagePoint at; // the anchor on the baseline
    Anchor anchor = Anchor::Start;
    double fontSize = 0; // mm
    Box box;             // the room it is reckoned to take
};
// The room a text is reckoned to take at a font size: an average sans-serif character is a
// little over half as wide as the font is tall.
inline constexpr double characterWidth = 0.62; // of the font size
Box textBox(const std::string& text, PagePoint at, Anchor anchor, double fontSize);

// The inset: the neighbourhood of the point at a larger scale.
struct Inset {
    Box plot; // the part of insetFrame the ground is drawn in, mm
    Projection projection;
    std::optional<PageEllipse> standard;   // at true size
    std::optional<PageEllipse> confidence; // at true size
    PagePoint point;
    PagePoint approximate;
    bool approximateInside = true;  // false: too far off to show beside the ellipse
    double approximateDistance = 0; // metres from the point
    // Each station's ray along its mean bearing, as the orientation gives it: long enough to
    // cross the whole plot, which clips it.
    struct ObservedRay {
        std::size_t station = 0;
        PagePoint from, to;
        bool suspected = false;
    };
    std::vector<ObservedRay> observedRays;
    std::vector<Label> rayLabels; // the stations' names on their rays
    ScaleBar scaleBar;
};

struct DrawingLayout {
    Projection map;
    std::vector<Mark> marks; // the sighted point, the stations, the references (each once)
    std::vector<Ray> rays;
    // The point drawn: the adjusted one, or the approximate one without an adjustment.
    PlanePoint point;
    bool adjusted = false;
    // The enlargement of both ellipses on the map, when there is an ellipse to enlarge.
    std::optional<double> ellipseFactor;
    std::optional<PageEllipse> standard;   // the rigorous ellipse, enlarged
    std::optional<PageEllipse> confidence; // the 95 % ellipse, enlarged
    std::vector<Label> labels;             // names of the marks, then the w of a suspected ray
    std::vector<std::size_t> labelOfMark;  // labels[labelOfMark[k]] names marks[k]
    ScaleBar scaleBar;
    PagePoint northArrow;       // the arrow's foot, mm
    std::optional<Inset> inset; // with an ellipse to show
};

// The label fonts of the map and of the inset, mm.
inline constexpr double labelFontSize = 2.8;
inline constexpr double insetFontSize = 2.3;

// The layout of a run's drawing. `orientation` and `analysis` may be null: the inset's rays
// need the first, the ellipses and the suspicion the second.
DrawingLayout layOutDrawing(const ObservationSet& observations,
                            const PlanimetricSolution& planimetry, const Orientation* orientation,
                            const QualityAnalysis* analysis);

} // namespace interseccao
