// The SVG elements the drawing is made of, in millimetres, and the numbers it writes.
#pragma once

#include "drawing/layout.hpp"

#include <ostream>
#include <string>

namespace interseccao {

// The colours: black for the known points, blue for the sighted point and its ellipses, red
// for a suspected reading, green for the approximate position.
inline constexpr const char* pointColour = "#0050b0";
inline constexpr const char* suspectColour = "#d00000";
inline constexpr const char* approximateColour = "#008040";
inline constexpr const char* rayColour = "#404040";
inline constexpr const char* referenceRayColour = "#808080";

std::string mm(double value);            // a page length, to a thousandth of a millimetre
std::string plain(double value);         // without trailing zeros: 25000, 2.5, 0.5
std::string grouped(double value);       // thousands apart, as Portuguese writes them: 25 000
std::string ratio(double denominator);   // 1:25 000, or 2:1 for an enlargement
std::string groundLength(double metres); // in the unit that gives a small whole figure

// Elements written one after another; `attributes` start with a space.
class Svg {
public:
    explicit Svg(std::ostream& out) : out(out) {}
    void rect(const Box& box, const std::string& attributes);
    void line(PagePoint a, PagePoint b, const std::string& attributes);
    // A label with a white halo, so that it reads over rays.
    void label(const Label& label, const std::string& attributes);
    // `content` is XML already.
    void text(PagePoint at, double size, const std::string& content,
              const std::string& attributes = "");
    void ellipse(const PageEllipse& e, const std::string& attributes);
    void station(PagePoint at, double r); // an equilateral triangle standing on its base
    void cross(PagePoint at, double arm, const char* colour, double width);
    void approximateMark(PagePoint at);
    void scaleBar(const ScaleBar& bar, const char* id);
    void northArrow(PagePoint foot);

    std::ostream& out;
};

} // namespace interseccao
