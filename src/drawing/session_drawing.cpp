// The session's sheet, at the drawing's scales and with its projection.
#include "drawing/session_drawing.hpp"

#include "drawing/drawing.hpp"
#include "drawing/layout.hpp"
#include "text/encoding.hpp"
#include "text/line_format.hpp"
#include "text/numbers.hpp"

#include <set>

namespace interseccao {

namespace {

constexpr Box sheetFit{20, 22, pageWidth - 40, pageHeight - 52};

std::string mm(double value) {
    const std::string text = formatReal(value, 20, 2);
    return text.substr(text.find_first_not_of(' '));
}

std::string label(std::string_view name) { return xmlEscaped(toUtf8(name)); }

// The position a determined point's run reached: adjusted, or approximate from two stations.
std::optional<PlanePoint> positionOf(const SessionPoint& point) {
    if (!point.run || !point.run->values.planimetry) return std::nullopt;
    const PlanimetricSolution& planimetry = *point.run->values.planimetry;
    return planimetry.adjusted ? planimetry.point : planimetry.approximate;
}

struct Sheet {
    const SessionRun& session;
    Projection projection;
    std::set<std::string> stations;
    std::ostream& out;

    void line(PlanePoint from, PlanePoint to, const char* style) {
        const PagePoint a = projection.toPage(from), b = projection.toPage(to);
        out << "<line x1=\"" << mm(a.x) << "\" y1=\"" << mm(a.y) << "\" x2=\"" << mm(b.x)
            << "\" y2=\"" << mm(b.y) << "\" " << style << "/>\n";
    }
    void mark(PlanePoint at, std::string_view name, const char* shape) {
        const PagePoint c = projection.toPage(at);
        if (std::string_view(shape) == "circle")
            out << "<circle cx=\"" << mm(c.x) << "\" cy=\"" << mm(c.y)
                << "\" r=\"1.2\" fill=\"#c00\" stroke=\"none\"/>\n";
        else
            out << "<path d=\"M" << mm(c.x) << ',' << mm(c.y - 1.8) << " L" << mm(c.x + 1.6) << ','
                << mm(c.y + 1.0) << " L" << mm(c.x - 1.6) << ',' << mm(c.y + 1.0) << " Z\" fill=\""
                << shape << "\" stroke=\"#000\" stroke-width=\"0.25\"/>\n";
        out << "<text x=\"" << mm(c.x + 2.2) << "\" y=\"" << mm(c.y - 1.2)
            << "\" font-size=\"2.6\">" << label(name) << "</text>\n";
    }
    void rays() {
        for (const SessionPoint& point : session.points) {
            const auto at = positionOf(point);
            if (!at || !point.point.problem) continue;
            for (const AssembledStation& station : point.point.problem->stations)
                line({station.m, station.p}, *at, "stroke=\"#36c\" stroke-width=\"0.2\"");
        }
    }
    void marks() {
        for (const KnownPoint& point : session.known.points)
            mark({point.m, point.p}, point.name, stations.contains(point.name) ? "#000" : "#fff");
        for (const SessionPoint& point : session.points)
            if (const auto at = positionOf(point)) mark(*at, point.point.name, "circle");
    }
    void frame() {
        out << "<rect x=\"8\" y=\"8\" width=\"" << mm(pageWidth - 16) << "\" height=\""
            << mm(pageHeight - 16) << "\" fill=\"none\" stroke=\"#000\" stroke-width=\"0.35\"/>\n"
            << "<text x=\"14\" y=\"16\" font-size=\"4\">Sessao: "
            << label(session.records.empty() ? std::string() : session.records.front())
            << "</text>\n";
        const ScaleBar bar = scaleBarFor(projection, {14, pageHeight - 16}, 60);
        out << "<line x1=\"" << mm(bar.start.x) << "\" y1=\"" << mm(bar.start.y) << "\" x2=\""
            << mm(bar.start.x + bar.pageLength) << "\" y2=\"" << mm(bar.start.y)
            << "\" stroke=\"#000\" stroke-width=\"0.6\"/>\n<text x=\"" << mm(bar.start.x)
            << "\" y=\"" << mm(bar.start.y - 1.5) << "\" font-size=\"2.8\">"
            << exactNumber(bar.length) << " m (1:" << exactNumber(projection.denominator)
            << ")</text>\n";
    }
};

} // namespace

void writeSessionDrawing(const SessionRun& session, std::ostream& out) {
    std::vector<PlanePoint> points;
    std::set<std::string> stations;
    for (const KnownPoint& point : session.known.points) points.push_back({point.m, point.p});
    for (const SessionPoint& point : session.points) {
        if (const auto at = positionOf(point)) points.push_back(*at);
        if (point.point.problem)
            for (const AssembledStation& station : point.point.problem->stations)
                stations.insert(station.name);
    }
    if (points.empty()) points.push_back({0, 0});
    Sheet sheet{session, fitProjection(points, sheetFit), stations, out};
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"297mm\" height=\"210mm\" "
           "viewBox=\"0 0 297 210\" font-family=\"sans-serif\">\n"
        << "<rect width=\"297\" height=\"210\" fill=\"#fff\"/>\n";
    sheet.frame();
    sheet.rays();
    sheet.marks();
    out << "</svg>\n";
}

} // namespace interseccao
