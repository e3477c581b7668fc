// The SVG elements the drawing is made of, in millimetres, and the numbers it writes.
#pragma once

#include "drawing/layout.hpp"
#include "text/numbers.hpp"

#include <cstring>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace interseccao {

// The colours: black for the known points, blue for the sighted point and its ellipses, red
// for a suspected reading, green for the approximate position.
inline constexpr const char* pointColour = "#0050b0";
inline constexpr const char* suspectColour = "#d00000";
inline constexpr const char* approximateColour = "#008040";
inline constexpr const char* rayColour = "#404040";
inline constexpr const char* referenceRayColour = "#808080";

// A page length as the SVG's text writes it: to a thousandth of a millimetre, far finer than
// any printer.
struct Millimetres {
    double value;
};
inline Millimetres mm(double value) { return {value}; }
std::string plain(double value);         // without trailing zeros: 25000, 2.5, 0.5
std::string grouped(double value);       // thousands apart, as Portuguese writes them: 25 000
std::string ratio(double denominator);   // 1:25 000, or 2:1 for an enlargement
std::string groundLength(double metres); // in the unit that gives a small whole figure

// The text of the SVG, gathered and handed on to the stream in large pieces.
class SvgText {
public:
    explicit SvgText(std::ostream& stream)
        : stream_(stream), buffer_(gathered + fixedRoom), at_(buffer_.data()) {}
    SvgText& operator<<(std::string_view text) {
        if (text.size() > room()) return write(text);
        // An empty view may hold no address, which memcpy may not be given.
        if (!text.empty()) std::memcpy(at_, text.data(), text.size());
        at_ += text.size();
        return *this;
    }
    SvgText& operator<<(char c) {
        if (room() == 0) flush();
        *at_++ = c;
        return *this;
    }
    SvgText& operator<<(Millimetres length) {
        if (room() < fixedRoom) flush();
        at_ = writeFixed(at_, length.value, 3);
        return *this;
    }
    // Hands on what is gathered.
    void flush();

private:
    static constexpr std::size_t gathered = 1 << 16; // bytes handed on at once, about
    std::size_t room() const {
        return static_cast<std::size_t>(buffer_.data() + buffer_.size() - at_);
    }
    SvgText& write(std::string_view text); // what does not fit
    std::ostream& stream_;
    std::vector<char> buffer_;
    char* at_;
};

// Elements written one after another; `attributes` start with a space.
class Svg {
public:
    explicit Svg(std::ostream& stream) : out(stream) {}
    void rect(const Box& box, std::string_view attributes);
    void line(PagePoint a, PagePoint b, std::string_view attributes);
    // A label with a white halo, so that it reads over rays.
    void label(const Label& label, std::string_view attributes);
    // `content` is XML already.
    void text(PagePoint at, double size, std::string_view content,
              std::string_view attributes = "");
    void ellipse(const PageEllipse& e, std::string_view attributes);
    void station(PagePoint at, double r); // an equilateral triangle standing on its base
    void cross(PagePoint at, double arm, const char* colour, double width);
    void approximateMark(PagePoint at);
    void scaleBar(const ScaleBar& bar, const char* id);
    void northArrow(PagePoint foot);

    SvgText out;
};

} // namespace interseccao
