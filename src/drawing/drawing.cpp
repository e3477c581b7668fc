// The SVG text of the drawing, written from its layout alone: the map, the title block, the
// inset and the legend; the generic sans-serif font, nothing fetched from elsewhere.
#include "drawing/drawing.hpp"

#include "drawing/svg.hpp"
#include "model/angle_units.hpp"
#include "results/analysis_wording.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

namespace interseccao {

namespace {

// The attributes of a ray from the station named `station` (XML already), in `attributes`.
void rayAttributes(std::string& attributes, const std::string& station, const Ray& ray) {
    const bool toPoint = ray.kind == RayKind::ToPoint;
    attributes.assign(" class=\"");
    attributes.append(toPoint ? "visada-ponto" : "visada-referencia")
        .append(ray.suspected ? " suspeita" : "")
        .append("\" data-estacao=\"")
        .append(station)
        .append("\" stroke=\"")
        .append(ray.suspected ? suspectColour
                : toPoint     ? rayColour
                              : referenceRayColour)
        .append("\" stroke-width=\"")
        .append(ray.suspected ? "0.5"
                : toPoint     ? "0.3"
                              : "0.15")
        .append("\"");
    if (!toPoint) attributes += " stroke-dasharray=\"1.5 1\"";
}

// Rays first, the reference rays under those to the point, the suspected on top.
void writeRays(Svg& svg, const DrawingLayout& layout) {
    std::vector<std::string> stations;
    for (const std::string& name : layout.stationNames) stations.push_back(xmlEscaped(name));
    std::string attributes;
    for (const bool suspected : {false, true})
        for (const RayKind kind : {RayKind::ToReference, RayKind::ToPoint})
            for (const Ray& ray : layout.rays)
                if (ray.kind == kind && ray.suspected == suspected) {
                    rayAttributes(attributes, stations[ray.station], ray);
                    svg.line(ray.from, ray.to, attributes);
                }
}

// Every station, reference point and the sighted point, named.
void writeMarks(Svg& svg, const DrawingLayout& layout) {
    for (std::size_t k = 0; k < layout.marks.size(); ++k) {
        const Mark& mark = layout.marks[k];
        const Label& name = layout.labels[layout.labelOfMark[k]];
        switch (mark.kind) {
        case MarkKind::Station:
            svg.out << "<g class=\"estacao\">";
            svg.station(mark.page, 1.8);
            svg.label(name, "");
            break;
        case MarkKind::Reference:
            svg.out << "<g class=\"referencia\"><circle cx=\"" << mm(mark.page.x) << "\" cy=\""
                    << mm(mark.page.y)
                    << "\" r=\"1\" fill=\"white\" stroke=\"black\" stroke-width=\"0.3\"/>";
            svg.label(name, "");
            break;
        case MarkKind::SightedPoint:
            svg.out << "<g class=\"ponto-visado\">";
            svg.cross(mark.page, 2.2, pointColour, 0.4);
            svg.label(name, std::string(" font-weight=\"bold\" fill=\"") + pointColour + '"');
            break;
        }
        svg.out << "</g>\n";
    }
}

std::string standardStyle() {
    return std::string(" fill=\"") + pointColour + "\" fill-opacity=\"0.15\" stroke=\"" +
           pointColour + "\" stroke-width=\"0.35\"";
}
std::string confidenceStyle() {
    return std::string(" fill=\"none\" stroke=\"") + pointColour +
           "\" stroke-width=\"0.25\" stroke-dasharray=\"1.2 0.8\"";
}

void writeMap(Svg& svg, const DrawingLayout& layout) {
    svg.out << "<g id=\"mapa\">\n";
    svg.rect(mapFrame, " fill=\"none\" stroke=\"black\" stroke-width=\"0.35\"");
    svg.out << "\n<g clip-path=\"url(#recorte-mapa)\">\n";
    writeRays(svg, layout);
    if (layout.confidence)
        svg.ellipse(*layout.confidence, " class=\"elipse-95\" data-fator=\"" +
                                            plain(*layout.ellipseFactor) + '"' + confidenceStyle());
    if (layout.standard)
        svg.ellipse(*layout.standard, " class=\"elipse-padrao\" data-fator=\"" +
                                          plain(*layout.ellipseFactor) + '"' + standardStyle());
    writeMarks(svg, layout);
    for (std::size_t k = layout.marks.size(); k < layout.labels.size(); ++k)
        svg.label(layout.labels[k], std::string(" class=\"w\" fill=\"") + suspectColour + '"');
    svg.out << "</g>\n";
    svg.scaleBar(layout.scaleBar, "escala-mapa");
    svg.text({layout.scaleBar.start.x, layout.scaleBar.start.y + 4.5}, 2.5,
             "Escala " + ratio(layout.map.denominator) + " (A4 impresso a 100 %)");
    svg.northArrow(layout.northArrow);
    svg.out << "</g>\n";
}

void writeTitleBlock(Svg& svg, const DrawingLayout& layout) {
    svg.out << "<g id=\"titulo\">\n";
    svg.rect(titleFrame, " fill=\"none\" stroke=\"black\" stroke-width=\"0.35\"");
    svg.out << '\n';
    double y = titleFrame.top + 1;
    // One line after another.
    const auto add = [&](double size, const std::string& content,
                         const std::string& attributes = "") {
        y += size * 1.35;
        svg.text({titleFrame.left + 3, y}, size, content, attributes);
    };
    const TitleBlock& title = layout.title;
    add(2.6, "Intersecção directa", " fill=\"#505050\"");
    add(5.5, xmlEscaped(title.pointName),
        std::string(" id=\"nome-ponto\" font-weight=\"bold\" fill=\"") + pointColour + '"');
    y += 1;
    for (const std::string& line : title.coordinates) add(3, xmlEscaped(line));
    y += 1;
    for (const std::string& line : title.findings) add(2.6, xmlEscaped(line));
    y += 1;
    add(2.6, "Escala do mapa " + ratio(layout.map.denominator));
    if (!title.coordinateSystem.empty())
        add(2.6, "Sistema de coordenadas: " + xmlEscaped(title.coordinateSystem));
    add(2.6, "Ficheiro: " + xmlEscaped(title.fileName));
    svg.out << "</g>\n";
}

void writeInsetPlot(Svg& svg, const Inset& inset, const DrawingLayout& layout) {
    svg.rect(inset.plot, " fill=\"none\" stroke=\"#c0c0c0\" stroke-width=\"0.15\"");
    svg.out << "\n<g clip-path=\"url(#recorte-pormenor)\">\n";
    for (const Inset::ObservedRay& ray : inset.observedRays)
        svg.line(ray.from, ray.to,
                 " class=\"raio-observado\" data-estacao=\"" +
                     xmlEscaped(layout.stationNames[ray.station]) + "\" stroke=\"" +
                     (ray.suspected ? suspectColour : rayColour) + "\" stroke-width=\"0.2\"");
    svg.ellipse(*inset.confidence, " class=\"elipse-95\"" + confidenceStyle());
    svg.ellipse(*inset.standard, " class=\"elipse-padrao\"" + standardStyle());
    svg.cross(inset.point, 2.2, pointColour, 0.4);
    svg.out << '\n';
    if (inset.approximateInside) {
        svg.out << "<g class=\"aproximada\">";
        svg.approximateMark(inset.approximate);
        svg.out << "</g>\n";
    }
    for (const Label& name : inset.rayLabels) svg.label(name, " fill=\"#404040\"");
    svg.out << "</g>\n";
}

void writeInset(Svg& svg, const DrawingLayout& layout) {
    svg.out << "<g id=\"pormenor\">\n";
    svg.rect(insetFrame, " fill=\"none\" stroke=\"black\" stroke-width=\"0.35\"");
    svg.out << '\n';
    const PagePoint heading{insetFrame.left + 3, insetFrame.top + 5};
    if (!layout.inset) {
        svg.text(heading, 2.8, "Pormenor do ponto", " font-weight=\"bold\"");
        svg.text({heading.x, heading.y + 6}, 2.6,
                 layout.adjusted ? "Sem elipse de erro a mostrar (s0 nulo)."
                                 : "Sem ajustamento: sem elipse de erro.");
        svg.out << "</g>\n";
        return;
    }
    const Inset& inset = *layout.inset;
    svg.text(heading, 2.8, "Pormenor do ponto, " + ratio(inset.projection.denominator),
             " font-weight=\"bold\"");
    writeInsetPlot(svg, inset, layout);
    if (!inset.approximateInside)
        svg.text({inset.plot.left + 2, inset.plot.bottom() - 2}, 2.4,
                 "Posição aproximada a " + fixed(inset.approximateDistance, 3) +
                     " m: fora do pormenor",
                 std::string(" fill=\"") + approximateColour + '"');
    svg.scaleBar(inset.scaleBar, "escala-pormenor");
    svg.text({insetFrame.right() - 3, insetFrame.bottom() - 3}, 2.3, "elipses sem ampliação",
             " text-anchor=\"end\" fill=\"#505050\"");
    svg.out << "</g>\n";
}

void writeLegend(Svg& svg, const DrawingLayout& layout) {
    svg.out << "<g id=\"legenda\">\n";
    svg.rect(legendFrame, " fill=\"none\" stroke=\"black\" stroke-width=\"0.35\"");
    svg.out << '\n';
    const double x = legendFrame.left + 6; // the symbols', their words' 6 mm further
    double y = legendFrame.top + 4;
    const auto entry = [&](const std::string& words) {
        svg.text({x + 6, y + 0.9}, 2.5, words);
        y += 3.9;
    };
    const auto sample = [&](const std::string& attributes) {
        svg.line({x - 4, y}, {x + 4, y}, attributes);
    };
    svg.station({x, y + 0.3}, 1.5);
    svg.out << '\n';
    entry("estação");
    svg.out << "<circle cx=\"" << mm(x) << "\" cy=\"" << mm(y)
            << "\" r=\"1\" fill=\"white\" stroke=\"black\" stroke-width=\"0.3\"/>\n";
    entry("ponto de referência");
    svg.cross({x, y}, 1.6, pointColour, 0.4);
    svg.out << '\n';
    entry(layout.adjusted ? "ponto visado, ajustado" : "ponto visado, posição aproximada");
    sample(std::string(" stroke=\"") + rayColour + "\" stroke-width=\"0.3\"");
    entry("visada ao ponto visado");
    sample(std::string(" stroke=\"") + referenceRayColour +
           "\" stroke-width=\"0.15\" stroke-dasharray=\"1.5 1\"");
    entry("visada a um ponto de referência");
    if (layout.analysed) {
        sample(std::string(" stroke=\"") + suspectColour + "\" stroke-width=\"0.5\"");
        entry("leitura suspeita, com o seu w");
    }
    if (layout.ellipseFactor) {
        const std::string factor = grouped(*layout.ellipseFactor);
        svg.ellipse({{x, y}, 3, 1.3, 0}, standardStyle());
        entry("elipse de erro padrão, no mapa × " + factor);
        svg.ellipse({{x, y}, 3, 1.3, 0}, confidenceStyle());
        entry("elipse de 95 %, no mapa × " + factor);
    } else {
        entry("sem elipse de erro");
    }
    if (layout.inset) {
        svg.approximateMark({x, y});
        svg.out << '\n';
        entry("posição aproximada (estações 1 e 2)");
    }
    svg.out << "</g>\n";
}

void clip(Svg& svg, const char* id, const Box& box) {
    svg.out << "<clipPath id=\"" << id << "\">";
    svg.rect(box, "");
    svg.out << "</clipPath>\n";
}

} // namespace

void writeSvg(const DrawingLayout& layout, std::ostream& stream) {
    Svg svg(stream);
    svg.out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\""
            << plain(pageWidth) << "mm\" height=\"" << plain(pageHeight) << "mm\" viewBox=\"0 0 "
            << plain(pageWidth) << ' ' << plain(pageHeight) << "\" font-family=\"sans-serif\">\n"
            << "<title>Intersecção directa — " << xmlEscaped(layout.title.pointName)
            << "</title>\n<defs>\n";
    clip(svg, "recorte-mapa", mapFrame);
    if (layout.inset) clip(svg, "recorte-pormenor", layout.inset->plot);
    svg.out << "</defs>\n<rect width=\"" << plain(pageWidth) << "\" height=\"" << plain(pageHeight)
            << "\" fill=\"white\"/>\n";
    writeMap(svg, layout);
    writeTitleBlock(svg, layout);
    writeInset(svg, layout);
    writeLegend(svg, layout);
    svg.out << "</svg>\n";
    svg.out.flush();
}

void writeDrawing(const FileRun& run, std::ostream& out) { writeSvg(layOutDrawing(run), out); }

} // namespace interseccao
