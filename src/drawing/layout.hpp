// The drawing of an intersection as a value: the page, the scales, where every mark, ray,
// ellipse and label goes, and the words of the title block. Everything the SVG writer
// (drawing.hpp) shows is here; it reads nothing else.
#pragma once

#include "analysis/quality.hpp"
#include "angles/orientation.hpp"
#include "drawing/projection.hpp"
#include "planimetry/solution.hpp"

#include <optional>
#include <string>
#include <vector>

namespace interseccao {

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
// The enlargement of an error ellipse of semi-major axis `semiMajorAxis` (metres) drawn at
// `scale` (mm per metre): the rounded factor that makes the axis about 5 mm, never below 1.
double ellipseEnlargement(double semiMajorAxis, double scale);

enum class MarkKind { Station, Reference, SightedPoint };

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

// The words of the title block, in UTF-8: what the run found, line by line.
struct TitleBlock {
    std::string pointName;
    std::vector<std::string> coordinates; // M, P and C, or that C was not computed
    std::vector<std::string> findings;    // the precision, the weakest intersection, the verdict
    std::string coordinateSystem;         // as given, empty when none was
    std::string fileName;                 // the input's, shortened to fit
};

struct DrawingLayout {
    Projection map;
    std::vector<std::string> stationNames; // UTF-8, in the file's order
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
    bool analysed = false;      // the run was analysed: a suspected reading would be in red
    TitleBlock title;
};

// The label fonts of the map and of the inset, mm.
inline constexpr double labelFontSize = 2.8;
inline constexpr double insetFontSize = 2.3;

} // namespace interseccao
