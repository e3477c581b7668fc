// The DXF drawing, written group by group: each group is its code on one line and its value on
// the next. Every object has a handle of its own, and every entity names its owner.
#include "drawing/dxf.hpp"

#include "drawing/layout.hpp"
#include "model/angle_units.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace interseccao {

namespace {

// The labels' size and distance from their point, and the points' marks, on paper (mm), the
// same as on the SVG drawing's map.
constexpr double markSize = 3.6;

// The colours of the layers (AutoCAD's palette): white (black on paper), grey, blue, red.
enum Colour { Red = 1, Blue = 5, White = 7, Grey = 8 };

// A name's bytes, or any other text, as a DXF string.
std::string cadText(std::string_view bytes) { return dxfText(toUtf8(bytes)); }

// The digits of a value, shortest that reads back exactly.
std::string real(double value) { return exactNumber(std::isfinite(value) ? value : 0.0); }

std::string metres(const std::optional<double>& value) {
    return value ? fixed(*value, 3) : std::string();
}

class DxfWriter {
public:
    DxfWriter(const PointSet& points, std::ostream& out)
        : set_(points), scale_(dxfScale(points)), out_(out) {}

    void write() {
        reserveHandles();
        std::ostringstream body;
        o_ = &body;
        classes();
        tables();
        blocks();
        entities();
        objects();
        group(0, "EOF");
        o_ = &out_;
        header();
        out_ << body.str();
    }

private:
    // ---- groups and handles
    void group(int code, const std::string& value) {
        // Group codes stand right-aligned in three columns, as AutoCAD writes them.
        std::string number = std::to_string(code);
        if (number.size() < 3) number.insert(0, 3 - number.size(), ' ');
        *o_ << number << "\r\n" << value << "\r\n";
    }
    void group(int code, double value) { group(code, real(value)); }
    void group(int code, int value) { group(code, std::to_string(value)); }
    void point(int code, double x, double y, double z = 0) {
        group(code, x);
        group(code + 10, y);
        group(code + 20, z);
    }
    std::string handle() {
        char buffer[20];
        std::snprintf(buffer, sizeof buffer, "%llX", next_++);
        return buffer;
    }
    // An entity's or object's first groups: its type, handle and owner.
    std::string start(const std::string& type, const std::string& owner, int handleCode = 5) {
        group(0, type);
        const std::string h = handle();
        group(handleCode, h);
        group(330, owner);
        return h;
    }
    std::string entity(const std::string& type, const std::string& layer,
                       const std::string& owner) {
        const std::string h = start(type, owner);
        group(100, "AcDbEntity");
        group(8, layer);
        return h;
    }

    void reserveHandles() {
        for (std::string* h :
             {&rootDictionary_, &groupDictionary_, &layoutDictionary_, &modelLayout_, &paperLayout_,
              &properties_, &modelRecord_, &paperRecord_, &pointRecord_, &blockRecordTable_})
            *h = handle();
    }

    // ---- header and classes
    void header() {
        group(999, "interseccao " INTERSECCAO_VERSION);
        group(0, "SECTION");
        group(2, "HEADER");
        variable("$ACADVER", 1, "AC1015");
        variable("$DWGCODEPAGE", 3, "ANSI_1252");
        variable("$INSUNITS", 70, "6"); // metres
        variable("$MEASUREMENT", 70, "1");
        variable("$PDMODE", 70, "34"); // a circle with a cross
        variable("$PDSIZE", 40, real(markSize / (1000 / scale_.denominator)));
        variable("$TEXTSIZE", 40, real(scale_.textHeight));
        const Extent e = extent();
        group(9, "$EXTMIN");
        point(10, e.minM, e.minP);
        group(9, "$EXTMAX");
        point(10, e.maxM, e.maxP);
        variable("$HANDSEED", 5, handle());
        group(0, "ENDSEC");
    }
    void variable(const char* name, int code, const std::string& value) {
        group(9, name);
        group(code, value);
    }
    void classes() {
        group(0, "SECTION");
        group(2, "CLASSES");
        group(0, "ENDSEC");
    }

    struct Extent {
        double minM, minP, maxM, maxP;
    };
    Extent extent() const {
        const PlanePoint first = set_.points.front().position;
        Extent e{first.m, first.p, first.m, first.p};
        for (const SurveyPoint& p : set_.points) {
            e.minM = std::min(e.minM, p.position.m);
            e.maxM = std::max(e.maxM, p.position.m);
            e.minP = std::min(e.minP, p.position.p);
            e.maxP = std::max(e.maxP, p.position.p);
        }
        return e;
    }

    // ---- tables
    std::string table(const char* name, int count) {
        group(0, "TABLE");
        group(2, name);
        const std::string h = std::string(name) == "BLOCK_RECORD" ? blockRecordTable_ : handle();
        group(5, h);
        group(330, "0");
        group(100, "AcDbSymbolTable");
        group(70, count);
        return h;
    }
    void endTable() { group(0, "ENDTAB"); }
    void record(const char* type, const std::string& table, const char* subclass,
                const std::string& name, int handleCode = 5) {
        start(type, table, handleCode);
        group(100, "AcDbSymbolTableRecord");
        group(100, subclass);
        group(2, name);
        group(70, 0);
    }

    void tables() {
        group(0, "SECTION");
        group(2, "TABLES");
        viewports();
        lineTypes();
        layers();
        const std::string styles = table("STYLE", 1);
        record("STYLE", styles, "AcDbTextStyleTableRecord", "Standard");
        group(40, 0.0);
        group(41, 1.0);
        group(50, 0.0);
        group(71, 0);
        group(42, scale_.textHeight);
        group(3, "txt");
        group(4, "");
        endTable();
        table("VIEW", 0);
        endTable();
        table("UCS", 0);
        endTable();
        const std::string applications = table("APPID", 1);
        record("APPID", applications, "AcDbRegAppTableRecord", "ACAD");
        endTable();
        const std::string dimensionStyles = table("DIMSTYLE", 1);
        group(100, "AcDbDimStyleTable");
        record("DIMSTYLE", dimensionStyles, "AcDbDimStyleTableRecord", "Standard", 105);
        endTable();
        blockRecords();
        group(0, "ENDSEC");
    }

    // The active viewport opens on every point, with a margin.
    void viewports() {
        const std::string h = table("VPORT", 1);
        record("VPORT", h, "AcDbViewportTableRecord", "*Active");
        const Extent e = extent();
        const double width = std::max(e.maxM - e.minM, 1.0),
                     height = std::max(e.maxP - e.minP, 1.0);
        point(10, 0, 0);
        point(11, 1, 1);
        point(12, (e.minM + e.maxM) / 2, (e.minP + e.maxP) / 2);
        point(13, 0, 0);
        point(14, 1, 1);
        point(15, 1, 1);
        point(16, 0, 0, 1);
        point(17, 0, 0);
        group(40, std::max(height, width / 1.5) * 1.2);
        group(41, 1.5);
        group(42, 50.0);
        for (const int code : {43, 44, 50, 51}) group(code, 0.0);
        for (const auto& [code, value] :
             {std::pair{71, 0}, {72, 100}, {73, 1}, {74, 3}, {75, 0}, {76, 0}, {77, 0}, {78, 0}})
            group(code, value);
        endTable();
    }

    void lineTypes() {
        const std::string h = table("LTYPE", 3);
        for (const char* name : {"ByBlock", "ByLayer", "Continuous"}) {
            record("LTYPE", h, "AcDbLinetypeTableRecord", name);
            group(3, std::string(name) == "Continuous" ? "Solid line" : "");
            group(72, 65);
            group(73, 0);
            group(40, 0.0);
        }
        endTable();
    }

    void layers() {
        struct Layer {
            std::string name;
            int colour;
        };
        std::vector<Layer> list = {
            {"0", White},     {stationLayer, White}, {referenceLayer, Grey}, {newPointLayer, Blue},
            {rayLayer, Grey}, {suspectLayer, Red},   {labelLayer, White},    {noteLayer, White}};
        if (scale_.ellipseFactor) list.push_back({ellipseLayer(*scale_.ellipseFactor), Blue});
        const std::string h = table("LAYER", static_cast<int>(list.size()));
        for (const Layer& layer : list) {
            record("LAYER", h, "AcDbLayerTableRecord", layer.name);
            group(62, layer.colour);
            group(6, "Continuous");
        }
        endTable();
    }

    void blockRecords() {
        const std::string h = table("BLOCK_RECORD", 3);
        const std::pair<std::string, std::string> records[] = {{modelRecord_, "*Model_Space"},
                                                               {paperRecord_, "*Paper_Space"},
                                                               {pointRecord_, pointBlock}};
        for (const auto& [record, name] : records) {
            group(0, "BLOCK_RECORD");
            group(5, record);
            group(330, h);
            group(100, "AcDbSymbolTableRecord");
            group(100, "AcDbBlockTableRecord");
            group(2, name);
            if (record == modelRecord_) group(340, modelLayout_);
            if (record == paperRecord_) group(340, paperLayout_);
        }
        endTable();
    }

    // ---- blocks
    void block(const std::string& record, const std::string& name, bool paper, int flags) {
        entity("BLOCK", "0", record);
        if (paper) group(67, 1);
        group(100, "AcDbBlockBegin");
        group(2, name);
        group(70, flags);
        point(10, 0, 0);
        group(3, name);
        group(1, "");
    }
    void endBlock(const std::string& record, bool paper) {
        entity("ENDBLK", "0", record);
        if (paper) group(67, 1);
        group(100, "AcDbBlockEnd");
    }

    static constexpr const char* attributeTags[] = {"NOME",   "M",      "P",     "C",
                                                    "PREC_M", "PREC_P", "PREC_C"};
    static constexpr const char* attributePrompts[] = {"Nome",
                                                       "M (m)",
                                                       "P (m)",
                                                       "C (m)",
                                                       "Precisao de M (m)",
                                                       "Precisao de P (m)",
                                                       "Precisao de C (m)"};

    void blocks() {
        group(0, "SECTION");
        group(2, "BLOCKS");
        block(modelRecord_, "*Model_Space", false, 0);
        endBlock(modelRecord_, false);
        block(paperRecord_, "*Paper_Space", true, 0);
        endBlock(paperRecord_, true);
        // The attributes are invisible: the point's mark and label are drawn apart.
        block(pointRecord_, pointBlock, false, 2);
        for (std::size_t k = 0; k < std::size(attributeTags); ++k) {
            entity("ATTDEF", "0", pointRecord_);
            attributeText(0, -static_cast<double>(k) * scale_.textHeight * 1.5, 0, "");
            group(100, "AcDbAttributeDefinition");
            group(3, attributePrompts[k]);
            group(2, attributeTags[k]);
            group(70, 1);
        }
        endBlock(pointRecord_, false);
        group(0, "ENDSEC");
    }
    void attributeText(double x, double y, double z, const std::string& value) {
        group(100, "AcDbText");
        point(10, x, y, z);
        group(40, scale_.textHeight);
        group(1, value);
        group(7, "Standard");
    }

    // ---- entities
    static const char* layerOf(PointRole role) {
        switch (role) {
        case PointRole::Station: return stationLayer;
        case PointRole::Reference: return referenceLayer;
        case PointRole::NewPoint: return newPointLayer;
        }
        return "0";
    }
    double z(const SurveyPoint& p) const { return p.height.value_or(0.0); }

    void text(const std::string& layer, double x, double y, double zz, const std::string& value) {
        entity("TEXT", layer, modelRecord_);
        group(100, "AcDbText");
        point(10, x, y, zz);
        group(40, scale_.textHeight);
        group(1, value);
        group(7, "Standard");
        group(100, "AcDbText");
    }
    void line(const std::string& layer, const SurveyPoint& a, const SurveyPoint& b) {
        entity("LINE", layer, modelRecord_);
        group(100, "AcDbLine");
        point(10, a.position.m, a.position.p, z(a));
        point(11, b.position.m, b.position.p, z(b));
    }

    void entities() {
        group(0, "SECTION");
        group(2, "ENTITIES");
        for (const SurveyRay& ray : set_.rays) rayOf(ray);
        for (const SurveyPoint& p : set_.points)
            if (p.ellipse && scale_.ellipseFactor) ellipse(p);
        for (const SurveyPoint& p : set_.points) {
            entity("POINT", layerOf(p.role), modelRecord_);
            group(100, "AcDbPoint");
            point(10, p.position.m, p.position.p, z(p));
            labels(p);
            insert(p);
        }
        note();
        group(0, "ENDSEC");
    }

    void rayOf(const SurveyRay& ray) {
        const SurveyPoint& from = set_.points[ray.station];
        const SurveyPoint& to = set_.points[ray.target];
        line(ray.suspected ? suspectLayer : rayLayer, from, to);
        if (!ray.w) return;
        // The w beside the ray near its station, away from the target and its labels.
        const double h = scale_.textHeight;
        const double dm = to.position.m - from.position.m, dp = to.position.p - from.position.p;
        const double length = std::max(std::hypot(dm, dp), 1e-9);
        text(suspectLayer, from.position.m + 0.25 * dm + 0.6 * h * dp / length,
             from.position.p + 0.25 * dp - 0.6 * h * dm / length, 0, "w = " + fixed(*ray.w, 1));
    }

    // The ellipse at its bearing (clockwise from +P): the major axis towards (sin, cos).
    void ellipse(const SurveyPoint& p) {
        const ErrorEllipse& e = *p.ellipse;
        if (!(e.a > 0) || !std::isfinite(e.a) || !std::isfinite(e.b)) return;
        const double a = e.a * *scale_.ellipseFactor;
        entity("ELLIPSE", ellipseLayer(*scale_.ellipseFactor), modelRecord_);
        group(100, "AcDbEllipse");
        point(10, p.position.m, p.position.p, z(p));
        point(11, a * std::sin(e.bearing), a * std::cos(e.bearing), 0);
        point(210, 0, 0, 1);
        group(40, std::clamp(e.b / e.a, 1e-6, 1.0));
        group(41, 0.0);
        group(42, 2 * PI);
    }

    // The name right of the mark, and a new point's height under it.
    void labels(const SurveyPoint& p) {
        const double h = scale_.textHeight, x = p.position.m + 1.1 * h;
        text(labelLayer, x, p.position.p - 0.35 * h, z(p), cadText(p.name));
        if (p.role == PointRole::NewPoint && p.height)
            text(labelLayer, x, p.position.p - 1.85 * h, z(p), "C = " + fixed(*p.height, 3));
    }

    void insert(const SurveyPoint& p) {
        const std::string layer = layerOf(p.role);
        const std::string h = entity("INSERT", layer, modelRecord_);
        group(100, "AcDbBlockReference");
        group(66, 1);
        group(2, pointBlock);
        point(10, p.position.m, p.position.p, z(p));
        const std::string values[] = {
            cadText(p.name),      fixed(p.position.m, 3), fixed(p.position.p, 3), metres(p.height),
            metres(p.deviationM), metres(p.deviationP),   metres(p.deviationC)};
        for (std::size_t k = 0; k < std::size(attributeTags); ++k) {
            entity("ATTRIB", layer, h);
            attributeText(p.position.m,
                          p.position.p - static_cast<double>(k) * scale_.textHeight * 1.5, z(p),
                          values[k]);
            group(100, "AcDbAttribute");
            group(2, attributeTags[k]);
            group(70, 1);
        }
        entity("SEQEND", layer, h);
    }

    std::vector<std::string> noteLines() const {
        const std::string system =
            set_.coordinateSystem.empty() ? "não indicado" : set_.coordinateSystem;
        std::vector<std::string> lines = {"Intersecção directa (interseccao " INTERSECCAO_VERSION
                                          ")",
                                          "M, P e C em metros; sistema de coordenadas: " + system};
        if (scale_.ellipseFactor)
            lines.push_back("Elipses de erro padrão ampliadas " + fixed(*scale_.ellipseFactor, 0) +
                            " vezes (camada " + ellipseLayer(*scale_.ellipseFactor) + ")");
        lines.push_back("Textos para imprimir a 1:" + fixed(scale_.denominator, 0));
        return lines;
    }

    // The note, under the lowest point at the left.
    void note() {
        const Extent e = extent();
        const double h = scale_.textHeight;
        double y = e.minP - 4 * h;
        for (const std::string& line : noteLines()) {
            text(noteLayer, e.minM, y, 0, cadText(line));
            y -= 1.6 * h;
        }
    }

    // ---- objects
    void dictionary(const std::string& h, const std::string& owner,
                    const std::vector<std::pair<std::string, std::string>>& entries) {
        group(0, "DICTIONARY");
        group(5, h);
        group(330, owner);
        group(100, "AcDbDictionary");
        group(281, 1);
        for (const auto& [name, entry] : entries) {
            group(3, name);
            group(350, entry);
        }
    }

    void objects() {
        group(0, "SECTION");
        group(2, "OBJECTS");
        dictionary(rootDictionary_, "0",
                   {{"ACAD_GROUP", groupDictionary_},
                    {"ACAD_LAYOUT", layoutDictionary_},
                    {"DWGPROPS", properties_}});
        dictionary(groupDictionary_, rootDictionary_, {});
        dictionary(layoutDictionary_, rootDictionary_,
                   {{"Layout1", paperLayout_}, {"Model", modelLayout_}});
        layout(modelLayout_, "Model", modelRecord_, 0);
        layout(paperLayout_, "Layout1", paperRecord_, 1);
        drawingProperties();
        group(0, "ENDSEC");
    }

    void layout(const std::string& h, const char* name, const std::string& record, int tab) {
        group(0, "LAYOUT");
        group(5, h);
        group(330, layoutDictionary_);
        group(100, "AcDbPlotSettings");
        group(1, "");
        group(2, "none_device");
        group(4, "");
        group(6, "");
        for (const int code : {40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 140, 141}) group(code, 0.0);
        group(142, 1.0);
        group(143, 1.0);
        group(70, tab == 0 ? 1712 : 688);
        for (const auto& [code, value] : {std::pair{72, 1}, {73, 0}, {74, 5}}) group(code, value);
        group(7, "");
        group(75, 16);
        group(147, 1.0);
        group(148, 0.0);
        group(149, 0.0);
        group(100, "AcDbLayout");
        group(1, name);
        group(70, 1);
        group(71, tab);
        point(10, 0, 0);
        point(11, 420, 297);
        point(12, 0, 0, 0);
        point(14, 0, 0, 0);
        point(15, 420, 297, 0);
        group(146, 0.0);
        point(13, 0, 0, 0);
        point(16, 1, 0, 0);
        point(17, 0, 1, 0);
        group(76, 0);
        group(330, record);
    }

    // The drawing's properties, as AutoCAD 2000 keeps them: the coordinate system in the
    // comments and as the custom property SistemaCoordenadas.
    void drawingProperties() {
        const std::string system = cadText(set_.coordinateSystem);
        group(0, "XRECORD");
        group(5, properties_);
        group(330, rootDictionary_);
        group(100, "AcDbXrecord");
        group(280, 1);
        group(1, "DWGPROPS COOKIE");
        group(2, "Interseccao directa");
        group(3, "Pontos calculados por interseccao directa");
        group(4, "");
        group(6, "Sistema de coordenadas: " + (system.empty() ? "nao indicado" : system));
        group(7, "");
        group(8, "interseccao " INTERSECCAO_VERSION);
        group(9, "");
        group(300, "SistemaCoordenadas=" + system);
        for (int code = 301; code <= 309; ++code) group(code, "=");
        for (const int code : {40, 41, 42}) group(code, 0.0);
        group(1, "");
        group(90, 1);
    }

    const PointSet& set_;
    const DxfScale scale_;
    std::ostream& out_;
    std::ostream* o_ = nullptr;
    unsigned long long next_ = 1;
    std::string rootDictionary_, groupDictionary_, layoutDictionary_, modelLayout_, paperLayout_,
        properties_, modelRecord_, paperRecord_, pointRecord_, blockRecordTable_;
};

} // namespace

std::string ellipseLayer(double factor) { return "ELIPSES_X" + fixed(factor, 0); }

DxfScale dxfScale(const PointSet& points) {
    DxfScale scale;
    std::vector<PlanePoint> positions;
    double largest = 0;
    for (const SurveyPoint& p : points.points) {
        positions.push_back(p.position);
        if (p.ellipse && std::isfinite(p.ellipse->a)) largest = std::max(largest, p.ellipse->a);
    }
    if (positions.empty()) return scale;
    const Projection projection = fitProjection(positions, mapFitArea);
    scale.denominator = projection.denominator;
    scale.textHeight = labelFontSize / projection.scale;
    if (largest > 0) scale.ellipseFactor = ellipseEnlargement(largest, projection.scale);
    return scale;
}

void writeDxf(const PointSet& points, std::ostream& out) { DxfWriter(points, out).write(); }

} // namespace interseccao
