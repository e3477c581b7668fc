// The SVG text of the drawing, written from its layout: plain elements, millimetres as the
// user unit, the generic sans-serif font, nothing fetched from elsewhere.
#include "drawing/drawing.hpp"

#include "model/angle_units.hpp"
#include "results/analysis_wording.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

namespace interseccao {

namespace {

// The colours: black for the known points, blue for the sighted point and its ellipses, red
// for a suspected reading, green for the approximate position.
constexpr const char* pointColour = "#0050b0";
constexpr const char* suspectColour = "#d00000";
constexpr const char* approximateColour = "#008040";
constexpr const char* rayColour = "#404040";
constexpr const char* referenceRayColour = "#808080";

// Page lengths to a hundredth of a millimetre: far finer than any printer.
std::string mm(double value) { return fixed(value, 3); }

std::string text(std::string_view bytes) { return xmlEscaped(toUtf8(bytes)); }

// A number without trailing zeros: 25000, 2.5, 0.5.
std::string plain(double value) {
    std::string s = fixed(value, 6);
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s;
}

// Thousands apart, as Portuguese writes them: 25 000.
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

// A scale as a surveyor writes it: 1:25 000, or 2:1 for an enlargement.
std::string ratio(double denominator) {
    if (denominator >= 1) return "1:" + grouped(denominator);
    return plain(1 / denominator) + ":1";
}

// A ground length in the unit that gives it a small whole figure.
std::string groundLength(double metres) {
    if (metres >= 1000) return plain(metres / 1000) + " km";
    if (metres >= 1) return plain(metres) + " m";
    if (metres >= 0.01) return plain(metres * 100) + " cm";
    return plain(metres * 1000) + " mm";
}

const char* anchorName(Anchor anchor) {
    switch (anchor) {
    case Anchor::Start: return "start";
    case Anchor::Middle: return "middle";
    case Anchor::End: return "end";
    }
    return "start";
}

class SvgWriter {
public:
    SvgWriter(const FileRun& run, const DrawingLayout& layout, std::ostream& out)
        : run_(run), o_(run.values.observations), layout_(layout), out_(out),
          quality_(run.analysis ? &run.analysis->planimetry : nullptr) {}

    void write() {
        out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\""
             << plain(pageWidth) << "mm\" height=\"" << plain(pageHeight) << "mm\" viewBox=\"0 0 "
             << plain(pageWidth) << ' ' << plain(pageHeight) << "\" font-family=\"sans-serif\">\n"
             << "<title>Intersecção directa — " << text(trimmedName(o_.sightedPointName))
             << "</title>\n<defs>\n";
        clip("recorte-mapa", mapFrame);
        if (layout_.inset) clip("recorte-pormenor", layout_.inset->plot);
        out_ << "</defs>\n<rect width=\"" << plain(pageWidth) << "\" height=\"" << plain(pageHeight)
             << "\" fill=\"white\"/>\n";
        map();
        titleBlock();
        inset();
        legend();
        out_ << "</svg>\n";
    }

private:
    void clip(const char* id, const Box& box) {
        out_ << "<clipPath id=\"" << id << "\">";
        rect(box, "");
        out_ << "</clipPath>\n";
    }

    void rect(const Box& box, const std::string& attributes) {
        out_ << "<rect x=\"" << mm(box.left) << "\" y=\"" << mm(box.top) << "\" width=\""
             << mm(box.width) << "\" height=\"" << mm(box.height) << '"' << attributes << "/>";
    }

    void line(PagePoint a, PagePoint b, const std::string& attributes) {
        out_ << "<line x1=\"" << mm(a.x) << "\" y1=\"" << mm(a.y) << "\" x2=\"" << mm(b.x)
             << "\" y2=\"" << mm(b.y) << '"' << attributes << "/>\n";
    }

    // A text with a white halo, so that it reads over rays.
    void label(const Label& label, const std::string& attributes) {
        out_ << "<text x=\"" << mm(label.at.x) << "\" y=\"" << mm(label.at.y) << "\" font-size=\""
             << mm(label.fontSize) << "\" text-anchor=\"" << anchorName(label.anchor)
             << "\" stroke=\"white\" stroke-width=\"0.6\" stroke-linejoin=\"round\" "
                "paint-order=\"stroke\""
             << attributes << '>' << xmlEscaped(toUtf8(label.text)) << "</text>\n";
    }

    void plainText(PagePoint at, double size, const std::string& content,
                   const std::string& attributes = "") {
        out_ << "<text x=\"" << mm(at.x) << "\" y=\"" << mm(at.y) << "\" font-size=\"" << mm(size)
             << '"' << attributes << '>' << content << "</text>\n";
    }

    void ellipse(const PageEllipse& e, const std::string& attributes) {
        out_ << "<ellipse cx=\"" << mm(e.centre.x) << "\" cy=\"" << mm(e.centre.y) << "\" rx=\""
             << mm(e.rx) << "\" ry=\"" << mm(e.ry) << "\" transform=\"rotate(" << mm(e.rotation)
             << ' ' << mm(e.centre.x) << ' ' << mm(e.centre.y) << ")\"" << attributes << "/>\n";
    }

    void station(PagePoint at, double r) {
        // An equilateral triangle standing on its base, its centre on the station.
        const double half = r * std::sqrt(3.0) / 2;
        out_ << "<path d=\"M " << mm(at.x) << ' ' << mm(at.y - r) << " L " << mm(at.x + half) << ' '
             << mm(at.y + r / 2) << " L " << mm(at.x - half) << ' ' << mm(at.y + r / 2)
             << " Z\" fill=\"black\"/>";
    }

    void cross(PagePoint at, double arm, const char* colour, double width) {
        out_ << "<path d=\"M " << mm(at.x - arm) << ' ' << mm(at.y) << " H " << mm(at.x + arm)
             << " M " << mm(at.x) << ' ' << mm(at.y - arm) << " V " << mm(at.y + arm)
             << "\" stroke=\"" << colour << "\" stroke-width=\"" << mm(width) << "\"/>";
    }

    void approximateMark(PagePoint at) {
        out_ << "<circle cx=\"" << mm(at.x) << "\" cy=\"" << mm(at.y)
             << "\" r=\"0.9\" fill=\"none\" stroke=\"" << approximateColour
             << "\" stroke-width=\"0.35\"/>";
    }

    std::string stationName(std::size_t s) const { return text(trimmedName(o_.stations[s].name)); }

    // Rays first, the reference rays under those to the point, the suspected on top.
    void rays() {
        for (const bool suspected : {false, true})
            for (const RayKind kind : {RayKind::ToReference, RayKind::ToPoint})
                for (const Ray& ray : layout_.rays) {
                    if (ray.kind != kind || ray.suspected != suspected) continue;
                    const bool toPoint = kind == RayKind::ToPoint;
                    std::string attributes = std::string(" class=\"") +
                                             (toPoint ? "visada-ponto" : "visada-referencia") +
                                             (suspected ? " suspeita" : "") + "\" data-estacao=\"" +
                                             stationName(ray.station) + "\" stroke=\"" +
                                             (suspected ? suspectColour
                                              : toPoint ? rayColour
                                                        : referenceRayColour) +
                                             "\" stroke-width=\"" +
                                             (suspected ? "0.5"
                                              : toPoint ? "0.3"
                                                        : "0.15") +
                                             '"';
                    if (!toPoint) attributes += " stroke-dasharray=\"1.5 1\"";
                    line(ray.from, ray.to, attributes);
                }
    }

    // Every station, reference point, the sighted point and the approximate position, named.
    void marks() {
        for (std::size_t k = 0; k < layout_.marks.size(); ++k) {
            const Mark& mark = layout_.marks[k];
            const Label& name = layout_.labels[layout_.labelOfMark[k]];
            switch (mark.kind) {
            case MarkKind::Station:
                out_ << "<g class=\"estacao\">";
                station(mark.page, 1.8);
                label(name, "");
                break;
            case MarkKind::Reference:
                out_ << "<g class=\"referencia\"><circle cx=\"" << mm(mark.page.x) << "\" cy=\""
                     << mm(mark.page.y)
                     << "\" r=\"1\" fill=\"white\" stroke=\"black\" stroke-width=\"0.3\"/>";
                label(name, "");
                break;
            case MarkKind::SightedPoint:
                out_ << "<g class=\"ponto-visado\">";
                cross(mark.page, 2.2, pointColour, 0.4);
                label(name, std::string(" font-weight=\"bold\" fill=\"") + pointColour + '"');
                break;
            case MarkKind::Approximate:
                out_ << "<g class=\"aproximada\">";
                approximateMark(mark.page);
                label(name, "");
                break;
            }
            out_ << "</g>\n";
        }
    }

    void map() {
        out_ << "<g id=\"mapa\">\n";
        rect(mapFrame, " fill=\"none\" stroke=\"black\" stroke-width=\"0.35\"");
        out_ << "\n<g clip-path=\"url(#recorte-mapa)\">\n";
        rays();
        if (layout_.confidence)
            ellipse(*layout_.confidence,
                    " class=\"elipse-95\" data-fator=\"" + plain(*layout_.ellipseFactor) +
                        "\" fill=\"none\" stroke=\"" + pointColour +
                        "\" stroke-width=\"0.25\" stroke-dasharray=\"1.2 0.8\"");
        if (layout_.standard)
            ellipse(*layout_.standard, " class=\"elipse-padrao\" data-fator=\"" +
                                           plain(*layout_.ellipseFactor) + "\" fill=\"" +
                                           pointColour + "\" fill-opacity=\"0.15\" stroke=\"" +
                                           pointColour + "\" stroke-width=\"0.35\"");
        marks();
        for (std::size_t k = layout_.marks.size(); k < layout_.labels.size(); ++k)
            label(layout_.labels[k], std::string(" class=\"w\" fill=\"") + suspectColour + '"');
        out_ << "</g>\n";
        scaleBar(layout_.scaleBar, "escala-mapa");
        plainText({layout_.scaleBar.start.x, layout_.scaleBar.start.y + 4.5}, 2.5,
                  "Escala " + ratio(layout_.map.denominator) + " (A4 impresso a 100 %)");
        northArrow(layout_.northArrow);
        out_ << "</g>\n";
    }

    // Alternate black and white parts, the figures above the ends.
    void scaleBar(const ScaleBar& bar, const char* id) {
        out_ << "<g id=\"" << id << "\" data-comprimento=\"" << plain(bar.length) << "\">";
        // Whole parts of a round length: 2 is 4 halves, 1 and 5 are 5 parts.
        const double mantissa = bar.length / std::pow(10.0, std::floor(std::log10(bar.length)));
        const int parts = std::abs(mantissa - 2) < 1e-9 ? 4 : 5;
        const double part = bar.pageLength / parts;
        for (int i = 0; i < parts; ++i)
            rect({bar.start.x + i * part, bar.start.y - 1.2, part, 1.2},
                 std::string(" fill=\"") + (i % 2 == 0 ? "black" : "white") +
                     "\" stroke=\"black\" stroke-width=\"0.15\"");
        out_ << '\n';
        plainText({bar.start.x, bar.start.y - 2}, 2.3, "0", " text-anchor=\"middle\"");
        plainText({bar.start.x + bar.pageLength, bar.start.y - 2}, 2.3, groundLength(bar.length),
                  " text-anchor=\"middle\"");
        out_ << "</g>\n";
    }

    void northArrow(PagePoint foot) {
        // Half black, half white: readable on paper of any shade.
        const double tipY = foot.y - 11;
        out_ << "<g id=\"norte\"><path d=\"M " << mm(foot.x) << ' ' << mm(tipY) << " L "
             << mm(foot.x - 2.5) << ' ' << mm(foot.y) << " L " << mm(foot.x) << ' '
             << mm(foot.y - 2.5) << " Z\" fill=\"black\"/><path d=\"M " << mm(foot.x) << ' '
             << mm(tipY) << " L " << mm(foot.x + 2.5) << ' ' << mm(foot.y) << " L " << mm(foot.x)
             << ' ' << mm(foot.y - 2.5)
             << " Z\" fill=\"white\" stroke=\"black\" stroke-width=\"0.2\"/>\n";
        plainText({foot.x, tipY - 1}, 3.2, "N", " text-anchor=\"middle\" font-weight=\"bold\"");
        out_ << "</g>\n";
    }

    // One line of the title block after another.
    class Lines {
    public:
        Lines(SvgWriter& writer, const Box& box) : w_(writer), box_(box), y_(box.top + 1) {}
        void add(double size, const std::string& content, const std::string& attributes = "") {
            y_ += size * 1.35;
            w_.plainText({box_.left + 3, y_}, size, content, attributes);
        }
        void skip(double mm) { y_ += mm; }

    private:
        SvgWriter& w_;
        const Box& box_;
        double y_;
    };

    void titleBlock() {
        out_ << "<g id=\"titulo\">\n";
        rect(titleFrame, " fill=\"none\" stroke=\"black\" stroke-width=\"0.35\"");
        out_ << '\n';
        Lines lines(*this, titleFrame);
        lines.add(2.6, "Intersecção directa", " fill=\"#505050\"");
        lines.add(5.5, text(trimmedName(o_.sightedPointName)),
                  std::string(" id=\"nome-ponto\" font-weight=\"bold\" fill=\"") + pointColour +
                      '"');
        lines.skip(1);
        const auto& planimetry = *run_.values.planimetry;
        if (planimetry.adjusted) {
            lines.add(3, "M = " + fixed(planimetry.point.m, 3) + " m  ± " +
                             fixed(planimetry.deviationM, 3) + " m");
            lines.add(3, "P = " + fixed(planimetry.point.p, 3) + " m  ± " +
                             fixed(planimetry.deviationP, 3) + " m");
            if (run_.values.height)
                lines.add(3, "C = " + fixed(run_.values.height->height, 3) + " m  ± " +
                                 fixed(run_.values.height->deviation, 3) + " m");
            else
                lines.add(3, "C não calculada");
        } else {
            lines.add(3, "M = " + fixed(planimetry.approximate.m, 3) + " m");
            lines.add(3, "P = " + fixed(planimetry.approximate.p, 3) + " m");
        }
        lines.skip(1);
        if (planimetry.adjusted) {
            const AngleUnit unit = o_.angleUnit;
            lines.add(2.6, "Precisão de uma leitura: " +
                               fixed(toSmallAngle(planimetry.search.precision, unit), 1) +
                               text(smallAngleSymbol(unit)) + " (a priori " +
                               fixed(toSmallAngle(o_.aprioriPrecision, unit), 1) +
                               text(smallAngleSymbol(unit)) + ")");
            if (quality_ && quality_->weakest) {
                const RayIntersection& weakest = *quality_->weakest;
                lines.add(2.6, "Intersecção mais fraca: " +
                                   fixed(toDirection(weakest.strength, unit), 1) +
                                   directionSymbol(unit) + " (" +
                                   stationName(static_cast<std::size_t>(weakest.first)) + " e " +
                                   stationName(static_cast<std::size_t>(weakest.second)) + ")");
            }
        }
        for (const std::string& verdict : verdictLines()) lines.add(2.6, verdict);
        lines.skip(1);
        lines.add(2.6, "Escala do mapa " + ratio(layout_.map.denominator));
        if (!run_.coordinateSystem.empty())
            lines.add(2.6, "Sistema de coordenadas: " + text(run_.coordinateSystem));
        lines.add(2.6, "Ficheiro: " + text(fileName()));
        out_ << "</g>\n";
    }

    std::string fileName() const {
        std::string name = std::filesystem::path(run_.input).filename().string();
        // Room for about 40 characters beside "Ficheiro: ".
        constexpr std::size_t longest = 40;
        if (name.size() > longest) name = name.substr(0, longest - 3) + "...";
        return name;
    }

    std::vector<std::string> verdictLines() const {
        if (!layout_.adjusted)
            return {"Sem ajustamento: só duas estações;", "M e P são a posição aproximada",
                    "das estações 1 e 2; sem elipse de erro."};
        std::vector<std::string> result;
        if (!quality_) return result;
        if (quality_->globalTest && quality_->globalStatistic && quality_->globalQuantile)
            result.push_back(std::string("Teste global (95 %): ") +
                             (*quality_->globalTest == Verdict::Accepted ? "aceite" : "rejeitado") +
                             " (Ω/σ² = " + fixed(*quality_->globalStatistic, 2) + "; quantil " +
                             fixed(*quality_->globalQuantile, 2) + ")");
        else
            result.push_back("Teste global: sem graus de liberdade");
        const Suspicion& suspicion = quality_->suspicion;
        if (suspicion.kind == Suspicion::Kind::None ||
            suspicion.reading >= quality_->readings.size())
            result.push_back("Nenhuma leitura suspeita");
        else {
            const HorizontalReadingQuality& reading = quality_->readings[suspicion.reading];
            std::string line = "Leitura suspeita: " + text(readingLabel(o_, reading.index));
            if (reading.tests.standardized)
                line += " (w = " + fixed(*reading.tests.standardized, 1) + ")";
            result.push_back(line);
            if (suspicion.kind == Suspicion::Kind::OneOf)
                result.push_back("ou outra que o teste não distingue (a vermelho)");
        }
        return result;
    }

    void inset() {
        out_ << "<g id=\"pormenor\">\n";
        rect(insetFrame, " fill=\"none\" stroke=\"black\" stroke-width=\"0.35\"");
        out_ << '\n';
        const PagePoint heading{insetFrame.left + 3, insetFrame.top + 5};
        if (!layout_.inset) {
            plainText(heading, 2.8, "Pormenor do ponto", " font-weight=\"bold\"");
            plainText({heading.x, heading.y + 6}, 2.6,
                      layout_.adjusted ? "Sem elipse de erro a mostrar (s0 nulo)."
                                       : "Sem ajustamento: sem elipse de erro.");
            out_ << "</g>\n";
            return;
        }
        const Inset& inset = *layout_.inset;
        plainText(heading, 2.8, "Pormenor do ponto, " + ratio(inset.projection.denominator),
                  " font-weight=\"bold\"");
        rect(inset.plot, " fill=\"none\" stroke=\"#c0c0c0\" stroke-width=\"0.15\"");
        out_ << "\n<g clip-path=\"url(#recorte-pormenor)\">\n";
        for (const Inset::ObservedRay& ray : inset.observedRays)
            line(ray.from, ray.to,
                 " class=\"raio-observado\" data-estacao=\"" + stationName(ray.station) +
                     "\" stroke=\"" + (ray.suspected ? suspectColour : rayColour) +
                     "\" stroke-width=\"0.2\"");
        ellipse(*inset.confidence, std::string(" class=\"elipse-95\" fill=\"none\" stroke=\"") +
                                       pointColour +
                                       "\" stroke-width=\"0.25\" stroke-dasharray=\"1.2 0.8\"");
        ellipse(*inset.standard, std::string(" class=\"elipse-padrao\" fill=\"") + pointColour +
                                     "\" fill-opacity=\"0.15\" stroke=\"" + pointColour +
                                     "\" stroke-width=\"0.35\"");
        cross(inset.point, 2.2, pointColour, 0.4);
        out_ << '\n';
        if (inset.approximateInside) {
            out_ << "<g class=\"aproximada\">";
            approximateMark(inset.approximate);
            out_ << "</g>\n";
        }
        for (const Label& name : inset.rayLabels) label(name, " fill=\"#404040\"");
        out_ << "</g>\n";
        if (!inset.approximateInside)
            plainText({inset.plot.left + 2, inset.plot.bottom() - 2}, 2.4,
                      "Posição aproximada a " + fixed(inset.approximateDistance, 3) +
                          " m: fora do pormenor",
                      std::string(" fill=\"") + approximateColour + '"');
        scaleBar(inset.scaleBar, "escala-pormenor");
        plainText({insetFrame.right() - 3, insetFrame.bottom() - 3}, 2.3, "elipses sem ampliação",
                  " text-anchor=\"end\" fill=\"#505050\"");
        out_ << "</g>\n";
    }

    void legend() {
        out_ << "<g id=\"legenda\">\n";
        rect(legendFrame, " fill=\"none\" stroke=\"black\" stroke-width=\"0.35\"");
        out_ << '\n';
        const double step = 3.9, size = 2.5;
        const double symbolX = legendFrame.left + 6, textX = legendFrame.left + 12;
        double y = legendFrame.top + 4;
        const auto entry = [&](const std::string& words) {
            plainText({textX, y + 0.9}, size, words);
            y += step;
        };
        station({symbolX, y + 0.3}, 1.5);
        out_ << '\n';
        entry("estação");
        out_ << "<circle cx=\"" << mm(symbolX) << "\" cy=\"" << mm(y)
             << "\" r=\"1\" fill=\"white\" stroke=\"black\" stroke-width=\"0.3\"/>\n";
        entry("ponto de referência");
        cross({symbolX, y}, 1.6, pointColour, 0.4);
        out_ << '\n';
        entry(layout_.adjusted ? "ponto visado, ajustado" : "ponto visado, posição aproximada");
        line({symbolX - 4, y}, {symbolX + 4, y},
             std::string(" stroke=\"") + rayColour + "\" stroke-width=\"0.3\"");
        entry("visada ao ponto visado");
        line({symbolX - 4, y}, {symbolX + 4, y},
             std::string(" stroke=\"") + referenceRayColour +
                 "\" stroke-width=\"0.15\" stroke-dasharray=\"1.5 1\"");
        entry("visada a um ponto de referência");
        if (quality_) {
            line({symbolX - 4, y}, {symbolX + 4, y},
                 std::string(" stroke=\"") + suspectColour + "\" stroke-width=\"0.5\"");
            entry("leitura suspeita, com o seu w");
        }
        if (layout_.ellipseFactor) {
            const std::string factor = grouped(*layout_.ellipseFactor);
            ellipse({{symbolX, y}, 3, 1.3, 0}, std::string(" fill=\"") + pointColour +
                                                   "\" fill-opacity=\"0.15\" stroke=\"" +
                                                   pointColour + "\" stroke-width=\"0.35\"");
            entry("elipse de erro padrão, no mapa × " + factor);
            ellipse({{symbolX, y}, 3, 1.3, 0},
                    std::string(" fill=\"none\" stroke=\"") + pointColour +
                        "\" stroke-width=\"0.25\" stroke-dasharray=\"1.2 0.8\"");
            entry("elipse de 95 %, no mapa × " + factor);
        } else {
            entry("sem elipse de erro");
        }
        if (layout_.inset) {
            approximateMark({symbolX, y});
            out_ << '\n';
            entry("posição aproximada (estações 1 e 2)");
        }
        out_ << "</g>\n";
    }

    const FileRun& run_;
    const ObservationSet& o_;
    const DrawingLayout& layout_;
    std::ostream& out_;
    const PlanimetricQuality* quality_;
};

} // namespace

bool hasDrawing(const FileRun& run) {
    return run.dataRead && run.outcome != Outcome::Failed && run.values.planimetry.has_value();
}

DrawingLayout layOutDrawing(const FileRun& run) {
    const RunValues& values = run.values;
    return layOutDrawing(values.observations, *values.planimetry,
                         values.orientation ? &*values.orientation : nullptr,
                         run.analysis ? &*run.analysis : nullptr);
}

void writeDrawing(const FileRun& run, std::ostream& out) {
    const DrawingLayout layout = layOutDrawing(run);
    SvgWriter(run, layout, out).write();
}

} // namespace interseccao
