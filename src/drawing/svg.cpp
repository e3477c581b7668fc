// The SVG elements of the drawing: plain elements, millimetres as the user unit.
#include "drawing/svg.hpp"

#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <algorithm>
#include <cmath>

namespace interseccao {

std::string plain(double value) {
    std::string s = fixed(value, 6);
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s;
}

std::string grouped(double value) {
    const std::string s = plain(value);
    const std::size_t digits = std::min(s.find('.'), s.size());
    std::string result;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i > 0 && i < digits && (digits - i) % 3 == 0) result += ' ';
        result += s[i];
    }
    return result;
}

std::string ratio(double denominator) {
    if (denominator >= 1) return "1:" + grouped(denominator);
    return plain(1 / denominator) + ":1";
}

std::string groundLength(double metres) {
    if (metres >= 1000) return plain(metres / 1000) + " km";
    if (metres >= 1) return plain(metres) + " m";
    if (metres >= 0.01) return plain(metres * 100) + " cm";
    return plain(metres * 1000) + " mm";
}

void SvgText::flush() {
    stream_.write(buffer_.data(), at_ - buffer_.data());
    at_ = buffer_.data();
}

SvgText& SvgText::write(std::string_view text) {
    flush();
    if (text.size() > room())
        stream_.write(text.data(), static_cast<std::streamsize>(text.size()));
    else
        *this << text;
    return *this;
}

namespace {

const char* anchorName(Anchor anchor) {
    switch (anchor) {
    case Anchor::Start: return "start";
    case Anchor::Middle: return "middle";
    case Anchor::End: return "end";
    }
    return "start";
}

} // namespace

void Svg::rect(const Box& box, std::string_view attributes) {
    out << "<rect x=\"" << mm(box.left) << "\" y=\"" << mm(box.top) << "\" width=\""
        << mm(box.width) << "\" height=\"" << mm(box.height) << '"' << attributes << "/>";
}

void Svg::line(PagePoint a, PagePoint b, std::string_view attributes) {
    out << "<line x1=\"" << mm(a.x) << "\" y1=\"" << mm(a.y) << "\" x2=\"" << mm(b.x) << "\" y2=\""
        << mm(b.y) << '"' << attributes << "/>\n";
}

void Svg::label(const Label& label, std::string_view attributes) {
    out << "<text x=\"" << mm(label.at.x) << "\" y=\"" << mm(label.at.y) << "\" font-size=\""
        << mm(label.fontSize) << "\" text-anchor=\"" << anchorName(label.anchor)
        << "\" stroke=\"white\" stroke-width=\"0.6\" stroke-linejoin=\"round\" "
           "paint-order=\"stroke\""
        << attributes << '>';
    if (plainForXml(label.text))
        out << label.text;
    else
        out << xmlEscaped(toUtf8(label.text));
    out << "</text>\n";
}

void Svg::text(PagePoint at, double size, std::string_view content, std::string_view attributes) {
    out << "<text x=\"" << mm(at.x) << "\" y=\"" << mm(at.y) << "\" font-size=\"" << mm(size) << '"'
        << attributes << '>' << content << "</text>\n";
}

void Svg::ellipse(const PageEllipse& e, std::string_view attributes) {
    out << "<ellipse cx=\"" << mm(e.centre.x) << "\" cy=\"" << mm(e.centre.y) << "\" rx=\""
        << mm(e.rx) << "\" ry=\"" << mm(e.ry) << "\" transform=\"rotate(" << mm(e.rotation) << ' '
        << mm(e.centre.x) << ' ' << mm(e.centre.y) << ")\"" << attributes << "/>\n";
}

void Svg::station(PagePoint at, double r) {
    // Its centre on the station.
    const double half = r * std::sqrt(3.0) / 2;
    out << "<path d=\"M " << mm(at.x) << ' ' << mm(at.y - r) << " L " << mm(at.x + half) << ' '
        << mm(at.y + r / 2) << " L " << mm(at.x - half) << ' ' << mm(at.y + r / 2)
        << " Z\" fill=\"black\"/>";
}

void Svg::cross(PagePoint at, double arm, const char* colour, double width) {
    out << "<path d=\"M " << mm(at.x - arm) << ' ' << mm(at.y) << " H " << mm(at.x + arm) << " M "
        << mm(at.x) << ' ' << mm(at.y - arm) << " V " << mm(at.y + arm) << "\" stroke=\"" << colour
        << "\" stroke-width=\"" << mm(width) << "\"/>";
}

void Svg::approximateMark(PagePoint at) {
    out << "<circle cx=\"" << mm(at.x) << "\" cy=\"" << mm(at.y)
        << "\" r=\"0.9\" fill=\"none\" stroke=\"" << approximateColour
        << "\" stroke-width=\"0.35\"/>";
}

// Alternate black and white parts, the figures above the ends.
void Svg::scaleBar(const ScaleBar& bar, const char* id) {
    out << "<g id=\"" << id << "\" data-comprimento=\"" << plain(bar.length) << "\">";
    // Whole parts of a round length: 2 is 4 halves, 1 and 5 are 5 parts.
    const double mantissa = bar.length / std::pow(10.0, std::floor(std::log10(bar.length)));
    const int parts = std::abs(mantissa - 2) < 1e-9 ? 4 : 5;
    const double part = bar.pageLength / parts;
    for (int i = 0; i < parts; ++i)
        rect({bar.start.x + i * part, bar.start.y - 1.2, part, 1.2},
             std::string(" fill=\"") + (i % 2 == 0 ? "black" : "white") +
                 "\" stroke=\"black\" stroke-width=\"0.15\"");
    out << '\n';
    text({bar.start.x, bar.start.y - 2}, 2.3, "0", " text-anchor=\"middle\"");
    text({bar.start.x + bar.pageLength, bar.start.y - 2}, 2.3, groundLength(bar.length),
         " text-anchor=\"middle\"");
    out << "</g>\n";
}

void Svg::northArrow(PagePoint foot) {
    // Half black, half white: readable on paper of any shade.
    const double tipY = foot.y - 11;
    out << "<g id=\"norte\"><path d=\"M " << mm(foot.x) << ' ' << mm(tipY) << " L "
        << mm(foot.x - 2.5) << ' ' << mm(foot.y) << " L " << mm(foot.x) << ' ' << mm(foot.y - 2.5)
        << " Z\" fill=\"black\"/><path d=\"M " << mm(foot.x) << ' ' << mm(tipY) << " L "
        << mm(foot.x + 2.5) << ' ' << mm(foot.y) << " L " << mm(foot.x) << ' ' << mm(foot.y - 2.5)
        << " Z\" fill=\"white\" stroke=\"black\" stroke-width=\"0.2\"/>\n";
    text({foot.x, tipY - 1}, 3.2, "N", " text-anchor=\"middle\" font-weight=\"bold\"");
    out << "</g>\n";
}

} // namespace interseccao
