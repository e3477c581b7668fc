// The drawing (--desenho): its rounded scales, the SVG of every example read back as XML and
// checked against the analysis, names that XML must escape, networks of very different
// sizes on one page, the rendering with rsvg-convert, and the guide's copy of the drawing.
#include "angles/bearing.hpp"
#include "support.hpp"

#include "app/batch.hpp"
#include "drawing/drawing.hpp"
#include "drawing/dxf.hpp"
#include "drawing/labels.hpp"
#include "drawing/placement.hpp"
#include "drawing/svg.hpp"
#include "export/export.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numbers>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------
// A strict reader of the XML the drawing uses: elements, attributes, character data, the
// declaration and comments. Anything not well-formed throws.

struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::vector<Element> children;
    std::string text; // the character data directly inside, entities decoded

    bool hasClass(const std::string& wanted) const {
        const auto found = attributes.find("class");
        if (found == attributes.end()) return false;
        std::istringstream words(found->second);
        for (std::string word; words >> word;)
            if (word == wanted) return true;
        return false;
    }
    double number(const std::string& attribute) const {
        return std::stod(attributes.at(attribute));
    }
    // Every text below this element, in document order.
    std::string allText() const {
        std::string all = text;
        for (const Element& child : children) all += child.allText();
        return all;
    }
};

class XmlReader {
public:
    explicit XmlReader(const std::string& text) : s_(text) {}

    Element document() {
        skipMisc();
        Element root = element();
        skipMisc();
        if (i_ != s_.size()) fail("content after the root element");
        return root;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error(what + " at byte " + std::to_string(i_));
    }
    bool starts(std::string_view prefix) const {
        return s_.compare(i_, prefix.size(), prefix) == 0;
    }
    void skipSpace() {
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
    }
    void skipPast(std::string_view end) {
        const std::size_t found = s_.find(end, i_);
        if (found == std::string::npos) fail("unclosed construct");
        i_ = found + end.size();
    }
    void skipMisc() {
        for (;;) {
            skipSpace();
            if (starts("<?"))
                skipPast("?>");
            else if (starts("<!--"))
                skipPast("-->");
            else
                return;
        }
    }
    std::string name() {
        const std::size_t start = i_;
        const auto nameChar = [](char c, bool first) {
            return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ':' ||
                   (!first &&
                    (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.'));
        };
        if (i_ >= s_.size() || !nameChar(s_[i_], true)) fail("a name expected");
        while (i_ < s_.size() && nameChar(s_[i_], false)) ++i_;
        return s_.substr(start, i_ - start);
    }
    // Character data up to `end`, with entities decoded; '<' is refused in it.
    std::string characters(char end) {
        std::string out;
        while (i_ < s_.size() && s_[i_] != end) {
            const char c = s_[i_];
            if (c == '<') fail("'<' in character data");
            if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t' && c != '\r')
                fail("a control character");
            if (c != '&') {
                out += c;
                ++i_;
                continue;
            }
            const std::size_t semicolon = s_.find(';', i_);
            if (semicolon == std::string::npos) fail("'&' without an entity");
            const std::string entity = s_.substr(i_ + 1, semicolon - i_ - 1);
            static const std::map<std::string, std::string> named{
                {"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"quot", "\""}, {"apos", "'"}};
            if (const auto found = named.find(entity); found != named.end())
                out += found->second;
            else if (entity.starts_with("#") && entity.size() > 1)
                out += "?"; // a character reference: its value is not needed here
            else
                fail("unknown entity &" + entity + ";");
            i_ = semicolon + 1;
        }
        return out;
    }
    Element element() {
        if (!starts("<")) fail("'<' expected");
        ++i_;
        Element e;
        e.name = name();
        for (;;) {
            skipSpace();
            if (starts("/>")) {
                i_ += 2;
                return e;
            }
            if (starts(">")) {
                ++i_;
                break;
            }
            const std::string attribute = name();
            skipSpace();
            if (!starts("=")) fail("'=' expected");
            ++i_;
            skipSpace();
            if (i_ >= s_.size() || (s_[i_] != '"' && s_[i_] != '\'')) fail("a quote expected");
            const char quote = s_[i_++];
            std::string value = characters(quote);
            if (i_ >= s_.size()) fail("unclosed attribute");
            ++i_;
            if (!e.attributes.emplace(attribute, value).second) fail("a repeated attribute");
        }
        for (;;) {
            e.text += characters('<');
            if (i_ >= s_.size()) fail("unclosed element " + e.name);
            if (starts("<!--")) {
                skipPast("-->");
            } else if (starts("</")) {
                i_ += 2;
                if (name() != e.name) fail("mismatched end tag of " + e.name);
                skipSpace();
                if (!starts(">")) fail("'>' expected");
                ++i_;
                return e;
            } else {
                e.children.push_back(element());
            }
        }
    }

    const std::string& s_;
    std::size_t i_ = 0;
};

Element parseXml(const std::string& text) { return XmlReader(text).document(); }

void collect(const Element& e, const std::string& name, const std::string& cls,
             std::vector<const Element*>& found) {
    if ((name.empty() || e.name == name) && (cls.empty() || e.hasClass(cls))) found.push_back(&e);
    for (const Element& child : e.children) collect(child, name, cls, found);
}
std::vector<const Element*> find(const Element& root, const std::string& name,
                                 const std::string& cls = "") {
    std::vector<const Element*> found;
    collect(root, name, cls, found);
    return found;
}
const Element* byId(const Element& e, const std::string& id) {
    if (const auto found = e.attributes.find("id");
        found != e.attributes.end() && found->second == id)
        return &e;
    for (const Element& child : e.children)
        if (const Element* hit = byId(child, id)) return hit;
    return nullptr;
}

TEST(DrawingXml, ReaderRefusesWhatIsNotWellFormed) {
    const struct {
        std::string text;
        bool wellFormed;
    } cases[] = {
        {"<svg a=\"1\"><g/><text>A &amp; B</text></svg>", true},
        {"<?xml version=\"1.0\"?>\n<svg/>\n", true},
        {"<svg><g></svg>", false},
        {"<svg a=\"1\" a=\"2\"/>", false},
        {"<svg><text>A & B</text></svg>", false},
        {"<svg><text>A < B</text></svg>", false},
        {"<svg a=\"<\"/>", false},
        {"<svg/><svg/>", false},
        {"<svg a=1/>", false},
    };
    for (const auto& c : cases) {
        bool parsed = true;
        try {
            parseXml(c.text);
        } catch (const std::runtime_error&) {
            parsed = false;
        }
        EXPECT_EQ(parsed, c.wellFormed) << c.text;
    }
}

// ---------------------------------------------------------------------------------------

TEST(DrawingLayout, ScalesBarsAndFactorsAreRound) {
    const struct {
        double (*round)(double);
        double value, rounded;
    } cases[] = {
        {roundScaleDenominator, 38500, 40000},
        {roundScaleDenominator, 1000, 1000},
        {roundScaleDenominator, 1001, 1250},
        {roundScaleDenominator, 0.61, 0.75},
        {roundScaleDenominator, 7600, 10000},
        {roundLengthBelow, 45.3, 20},
        {roundLengthBelow, 0.07, 0.05},
        {roundLengthBelow, 2000, 2000},
        {roundLengthBelow, 1999, 1000},
        {roundFactorNear, 13369, 10000},
        {roundFactorNear, 16000, 20000},
        {roundFactorNear, 3.3, 5},
        {roundFactorNear, 0.9, 1},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(c.round(c.value), c.rounded) << c.value;
}

// The bearing of the major axis turns the page ellipse: north is up, east to the right.
TEST(DrawingLayout, EllipseTurnsWithItsBearing) {
    const struct {
        double bearingDegrees, rotation;
    } cases[] = {{0, -90}, {90, 0}, {45, -45}, {135, 45}};
    for (const auto& c : cases) {
        const PageEllipse e =
            pageEllipse({2, 1, c.bearingDegrees * std::numbers::pi / 180}, {10, 20}, 0.5, 3);
        EXPECT_DOUBLE_EQ(e.rx, 3.0) << c.bearingDegrees; // 2 m × 3 × 0.5 mm/m
        EXPECT_DOUBLE_EQ(e.ry, 1.5);
        EXPECT_NEAR(e.rotation, c.rotation, 1e-12) << c.bearingDegrees;
    }
}

// ---------------------------------------------------------------------------------------

FileRun runDrawn(const std::string& name, const std::string& contents,
                 AnalysisExtent extent = AnalysisExtent::Whole) {
    MemoryFiles files;
    files.files[name] = contents;
    std::ostringstream console;
    return runFile(name, "rel.txt", HeightChoice::FromFile, files, &console, Adjustments{}, true,
                   extent);
}

std::string drawingOf(const FileRun& run) {
    std::ostringstream svg;
    writeDrawing(run, svg);
    return svg.str();
}

std::vector<std::string> exampleNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(sourceDir() + "/examples"))
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The one name of a mark's group.
std::string labelOf(const Element& mark) {
    const auto texts = find(mark, "text");
    return texts.size() == 1 ? texts[0]->text : "(" + std::to_string(texts.size()) + " texts)";
}

bool within(const Box& box, const Box& room) {
    return box.left >= room.left && box.top >= room.top && box.right() <= room.right() &&
           box.bottom() <= room.bottom();
}

// What every drawing must hold, whatever its network: one labelled mark per station and
// reference point, one ray per station to the point, the ellipse at the stated factor and
// scale, and everything on the page.
void checkDrawing(const FileRun& run, const std::string& svg) {
    const ObservationSet& o = run.values.observations;
    Element root;
    ASSERT_NO_THROW(root = parseXml(svg));
    EXPECT_EQ(root.attributes.at("width"), "297mm");
    EXPECT_EQ(root.attributes.at("height"), "210mm");
    EXPECT_EQ(svg.find("url(http"), std::string::npos);
    EXPECT_EQ(svg.find("@font-face"), std::string::npos);
    EXPECT_EQ(svg.find("<script"), std::string::npos);

    const auto stations = find(root, "g", "estacao");
    ASSERT_EQ(stations.size(), o.stations.size());
    for (std::size_t s = 0; s < stations.size(); ++s)
        EXPECT_EQ(labelOf(*stations[s]), toUtf8(trimmedName(o.stations[s].name)));
    std::set<std::string> references;
    for (const Station& station : o.stations)
        for (const ReferenceSighting& reference : station.references)
            references.insert(toUtf8(trimmedName(reference.name)));
    std::set<std::string> drawn;
    for (const Element* mark : find(root, "g", "referencia")) {
        EXPECT_TRUE(drawn.insert(labelOf(*mark)).second) << "twice: " << labelOf(*mark);
        EXPECT_EQ(find(*mark, "circle").size(), 1u);
    }
    EXPECT_EQ(drawn, references);
    const auto point = find(root, "g", "ponto-visado");
    ASSERT_EQ(point.size(), 1u);
    EXPECT_EQ(labelOf(*point[0]), toUtf8(trimmedName(o.sightedPointName)));

    const auto rays = find(root, "line", "visada-ponto");
    ASSERT_EQ(rays.size(), o.stations.size());
    std::set<std::string> raysFrom;
    for (const Element* ray : rays) raysFrom.insert(ray->attributes.at("data-estacao"));
    EXPECT_EQ(raysFrom.size(), o.stations.size());
    EXPECT_EQ(find(root, "line", "visada-referencia").size(),
              static_cast<std::size_t>(o.angleCount()));

    const DrawingLayout layout = layOutDrawing(run);
    for (const Mark& mark : layout.marks) EXPECT_TRUE(mapFitArea.contains(mark.page)) << mark.name;
    for (const Label& label : layout.labels) EXPECT_TRUE(within(label.box, mapFrame)) << label.text;

    const auto standard = find(*byId(root, "mapa"), "ellipse", "elipse-padrao");
    const auto confidence = find(*byId(root, "mapa"), "ellipse", "elipse-95");
    if (!run.analysis) {
        EXPECT_TRUE(standard.empty());
        return;
    }
    const PlanimetricQuality& q = run.analysis->planimetry;
    ASSERT_EQ(standard.size(), 1u);
    ASSERT_EQ(confidence.size(), 1u);
    const double factor = standard[0]->number("data-fator");
    EXPECT_GE(factor, 1);
    const double perMetre = factor * layout.map.scale; // mm on the page per metre of the axis
    EXPECT_NEAR(standard[0]->number("rx"), q.rigorousEllipse->a * perMetre, 1e-3);
    EXPECT_NEAR(standard[0]->number("ry"), q.rigorousEllipse->b * perMetre, 1e-3);
    EXPECT_NEAR(confidence[0]->number("rx"), q.confidenceEllipse->a * perMetre, 1e-3);
    EXPECT_NEAR(confidence[0]->number("ry"), q.confidenceEllipse->b * perMetre, 1e-3);
    // Visible, and stated in the legend.
    EXPECT_GE(standard[0]->number("rx"), 3.0);
    std::string stated = std::to_string(std::llround(factor)); // in thousands: 10 000
    for (std::size_t end = stated.size(); end > 3; end -= 3) stated.insert(end - 3, " ");
    EXPECT_NE(byId(root, "legenda")->allText().find("no mapa × " + stated), std::string::npos)
        << stated;
}

class ExampleDrawing : public ::testing::TestWithParam<std::string> {};

TEST_P(ExampleDrawing, HoldsEveryPointRayAndEllipse) {
    const FileRun run = runDrawn(GetParam(), readFile(sourceDir() + "/examples/" + GetParam()));
    ASSERT_TRUE(hasDrawing(run));
    checkDrawing(run, drawingOf(run));
}

// A run that only draws makes only the part of the analysis that the drawings show: the SVG,
// the DXF and the GeoJSON are those of the whole analysis.
TEST_P(ExampleDrawing, IsTheSameFromThePartOfTheAnalysisThatDrawingsShow) {
    const std::string contents = readFile(sourceDir() + "/examples/" + GetParam());
    const FileRun whole = runDrawn(GetParam(), contents);
    const FileRun part = runDrawn(GetParam(), contents, AnalysisExtent::Drawings);
    ASSERT_EQ(hasDrawing(part), hasDrawing(whole));
    if (!hasDrawing(whole)) return;
    EXPECT_EQ(drawingOf(part), drawingOf(whole));
    std::ostringstream dxfWhole, dxfPart, geoWhole, geoPart;
    writeDxf(pointSet({whole}), dxfWhole);
    writeDxf(pointSet({part}), dxfPart);
    EXPECT_EQ(dxfPart.str(), dxfWhole.str());
    writeGeoJson(pointSet({whole}), geoWhole);
    writeGeoJson(pointSet({part}), geoPart);
    EXPECT_EQ(geoPart.str(), geoWhole.str());
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleDrawing, ::testing::ValuesIn(exampleNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// ---------------------------------------------------------------------------------------
// Synthetic networks: the point at the centre, stations around it, two references each
// further out; readings from the coordinates with a circle orientation per station and a
// few seconds of noise, so that the fit has residuals and the ellipse a size.

std::string network(double width, const std::string& pointName, const std::string& stationName,
                    const std::string& referenceName) {
    const double centreM = 50000, centreP = 200000;
    const auto round = [](double metres) { return std::round(metres * 1000) / 1000; };
    const auto bearing = [](double dm, double dp) {
        const double degrees = std::atan2(dm, dp) * 180 / std::numbers::pi;
        return degrees < 0 ? degrees + 360 : degrees;
    };
    const auto reading = [](double degrees) {
        std::ostringstream text;
        text.precision(7);
        text << std::fixed << std::fmod(degrees + 720, 360);
        return text.str();
    };
    const double noise[] = {2.1, -1.3, 0.7, -2.4, 1.6, -0.4, 1.1, -1.9, 0.3, 2.6, -0.8, 1.4};
    std::size_t next = 0;
    std::ostringstream file;
    file.precision(3);
    file << std::fixed << "gc 0.0001 2\n" << pointName << " 4\n";
    for (int s = 0; s < 4; ++s) {
        const double angle = (20 + 90 * s) * std::numbers::pi / 180;
        const double m = round(centreM + 0.2 * width * std::sin(angle));
        const double p = round(centreP + 0.2 * width * std::cos(angle));
        const double orientation = 37.5 * s;
        const auto observed = [&](double tm, double tp) {
            return reading(bearing(tm - m, tp - p) - orientation + noise[next++ % 12] / 3600);
        };
        file << stationName << s + 1 << ' ' << m << ' ' << p << " 2 " << observed(centreM, centreP)
             << '\n';
        for (int r = 0; r < 2; ++r) {
            const double towards = angle + (r == 0 ? 0.6 : -0.6);
            const double rm = round(centreM + 0.5 * width * std::sin(towards));
            const double rp = round(centreP + 0.5 * width * std::cos(towards));
            file << referenceName << s + 1 << (r == 0 ? 'a' : 'b') << ' ' << rm << ' ' << rp << ' '
                 << observed(rm, rp) << '\n';
        }
    }
    return file.str();
}

TEST(Drawing, NetworksOfFortyKilometresAndFortyMetresFitThePage) {
    const struct {
        double width; // metres
        double denominator;
    } cases[] = {{40000, 250000}, {40, 250}};
    for (const auto& c : cases) {
        const FileRun run = runDrawn("rede.txt", network(c.width, "PONTO", "EST", "REF"));
        ASSERT_TRUE(run.analysis.has_value()) << c.width << ": " << run.message;
        const std::string svg = drawingOf(run);
        checkDrawing(run, svg);
        const DrawingLayout layout = layOutDrawing(run);
        EXPECT_DOUBLE_EQ(layout.map.denominator, c.denominator) << c.width;
        // A scale bar of a round length, more than a fifth of its room and within it.
        EXPECT_LE(layout.scaleBar.pageLength, 50);
        EXPECT_GT(layout.scaleBar.pageLength, 50 / 2.5 - 1e-9);
        ASSERT_TRUE(layout.inset.has_value());
        EXPECT_TRUE(
            within(textBox("x", layout.inset->point, Anchor::Start, 1), layout.inset->plot));
    }
}

TEST(Drawing, NamesAreEscapedForXml) {
    const FileRun run = runDrawn("a&b<c>.txt", network(2000, "<PONTO>", "E&\"", "R'"));
    ASSERT_TRUE(run.analysis.has_value()) << run.message;
    const std::string svg = drawingOf(run);
    checkDrawing(run, svg);
    for (const std::string escaped :
         {"&lt;PONTO&gt;", "E&amp;&quot;1", "R&apos;1a", "a&amp;b&lt;c&gt;.txt"})
        EXPECT_NE(svg.find(escaped), std::string::npos) << escaped;
    EXPECT_EQ(xmlEscaped("A\x01<B>\"&'\xC3\xA7"), "A?&lt;B&gt;&quot;&amp;&apos;\xC3\xA7");
}

// A suspected reading is drawn in red with its w, on the ray the analysis names.
TEST(Drawing, SuspectedReadingIsRedWithItsW) {
    const FileRun run =
        runDrawn("leitura-errada.txt", readFile(sourceDir() + "/examples/leitura-errada.txt"));
    ASSERT_TRUE(run.analysis.has_value());
    const PlanimetricQuality& q = run.analysis->planimetry;
    ASSERT_EQ(q.suspicion.kind, Suspicion::Kind::Reading);
    const HorizontalReadingQuality& reading = q.readings[q.suspicion.reading];
    const Element root = parseXml(drawingOf(run));
    const auto suspected = find(root, "line", "suspeita");
    ASSERT_EQ(suspected.size(), 1u);
    const std::string station(
        trimmedName(run.values.observations.stations[reading.index.station].name));
    EXPECT_EQ(suspected[0]->attributes.at("data-estacao"), station);
    EXPECT_EQ(suspected[0]->hasClass("visada-ponto"),
              reading.index.reference == sightedPointTarget);
    const auto w = find(root, "text", "w");
    ASSERT_EQ(w.size(), 1u);
    char expected[32];
    std::snprintf(expected, sizeof expected, "w = %.1f", *reading.tests.standardized);
    EXPECT_EQ(w[0]->allText(), expected);
}

// Two stations: the approximate position with its rays, and no ellipse; a file that fails
// or stops before a position has no drawing.
TEST(Drawing, TwoStationsDrawTheApproximatePositionAndFailuresNothing) {
    const FileRun two = runDrawn("exemplo.txt", readFile(sourceDir() + "/examples/exemplo.txt"));
    ASSERT_TRUE(hasDrawing(two));
    const std::string svg = drawingOf(two);
    checkDrawing(two, svg);
    EXPECT_NE(svg.find("Sem ajustamento"), std::string::npos);
    EXPECT_FALSE(layOutDrawing(two).inset.has_value());
    for (const std::string failing :
         {"erros/virgula-decimal.txt", "erros/rumos-paralelos.txt", "erros/uma-estacao.txt"}) {
        const FileRun run = runDrawn("f.txt", readFile(sourceDir() + "/examples/" + failing));
        EXPECT_FALSE(hasDrawing(run)) << failing;
    }
}

// ---------------------------------------------------------------------------------------
// The rendering with rsvg-convert (Debian's librsvg2-bin) and the guide's picture.

bool haveRenderer() {
#ifndef _WIN32
    return std::system("command -v rsvg-convert >/dev/null 2>&1") == 0;
#else
    return false;
#endif
}

// Renders an SVG file to PNG at 1400 pixels wide on white; false when the renderer fails.
bool render(const fs::path& svg, const fs::path& png) {
#ifndef _WIN32
    const std::string command = "rsvg-convert -f png -w 1400 --background-color=white '" +
                                svg.string() + "' -o '" + png.string() + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
#else
    (void)svg;
    (void)png;
    return false;
#endif
}

// A PNG's width and height from its header, or none when it is no PNG.
std::optional<std::pair<std::uint32_t, std::uint32_t>> pngSize(const std::string& bytes) {
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
        bytes.compare(12, 4, "IHDR") != 0)
        return std::nullopt;
    const auto big = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < 4; ++k)
            value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
        return value;
    };
    return std::pair{big(16), big(20)};
}

TEST(DrawingRendering, EveryExampleRendersAndIsNotBlank) {
    if (!haveRenderer()) GTEST_SKIP() << "rsvg-convert is not installed";
    const fs::path folder = fs::temp_directory_path() / "interseccao-desenhos";
    fs::remove_all(folder);
    fs::create_directories(folder);
    // A page with nothing on it compresses to almost nothing: a drawing is many times that.
    writeFile((folder / "branco.svg").string(),
              "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"297mm\" height=\"210mm\" "
              "viewBox=\"0 0 297 210\"/>\n");
    ASSERT_TRUE(render(folder / "branco.svg", folder / "branco.png"));
    const std::size_t blank = readFile((folder / "branco.png").string()).size();
    for (const std::string& name : exampleNames()) {
        const FileRun run = runDrawn(name, readFile(sourceDir() + "/examples/" + name));
        const fs::path svg = folder / (name + ".svg"), png = folder / (name + ".png");
        writeFile(svg.string(), drawingOf(run));
        ASSERT_TRUE(render(svg, png)) << name;
        const std::string bytes = readFile(png.string());
        const auto size = pngSize(bytes);
        ASSERT_TRUE(size.has_value()) << name;
        EXPECT_EQ(size->first, 1400u) << name;
        EXPECT_NEAR(size->second, 1400.0 * 210 / 297, 1.0) << name; // A4 kept
        EXPECT_GT(bytes.size(), 10 * blank) << name;
    }
    fs::remove_all(folder);
}

// The guide shows the drawing of this example as a PNG kept in docs/ beside the SVG it was
// rendered from; INTERSECCAO_UPDATE_GUIDE=1 writes both again.
const std::string guideExample = "levantamento-gc.txt";
const std::string guideSvg = "docs/desenho-levantamento-gc.svg";
const std::string guidePng = "docs/desenho-levantamento-gc.png";

TEST(GuideDrawing, IsTheDrawingOfTheCurrentProgram) {
    const FileRun run = runDrawn(guideExample, readFile(sourceDir() + "/examples/" + guideExample));
    EXPECT_EQ(readFile(sourceDir() + "/" + guideSvg), drawingOf(run))
        << "run INTERSECCAO_UPDATE_GUIDE=1 build/tests/interseccao_tests "
           "--gtest_filter='GuideDrawing.*'";
    const auto size = pngSize(readFile(sourceDir() + "/" + guidePng));
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->first, 1400u);
    EXPECT_NE(readFile(sourceDir() + "/docs/guia.md")
                  .find("](" + fs::path(guidePng).filename().string() + ")"),
              std::string::npos);
}

TEST(GuideDrawing, UpdateFromProgram) {
    if (std::getenv("INTERSECCAO_UPDATE_GUIDE") == nullptr)
        GTEST_SKIP() << "set INTERSECCAO_UPDATE_GUIDE=1 to draw the guide's picture again";
    ASSERT_TRUE(haveRenderer()) << "the picture needs rsvg-convert (librsvg2-bin)";
    const FileRun run = runDrawn(guideExample, readFile(sourceDir() + "/examples/" + guideExample));
    writeFile(sourceDir() + "/" + guideSvg, drawingOf(run));
    ASSERT_TRUE(render(sourceDir() + "/" + guideSvg, sourceDir() + "/" + guidePng));
    GTEST_SKIP() << "guide's drawing rewritten";
}

// Every point is marked once: a reference named and placed as a station, or as an earlier
// reference, is that mark; one of another name or place, or of no known place, is marked
// apart. Zeros of either sign are one place.
TEST(DrawingMarks, EveryPointOnceByNameAndPlace) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ObservationSet observations;
    observations.sightedPointName = "P           ";
    const auto reference = [](const char* name, double m, double p) {
        ReferenceSighting r;
        r.name = name;
        r.m = m;
        r.p = p;
        return r;
    };
    const auto station = [](const char* name, double m, double p,
                            std::vector<ReferenceSighting> references) {
        Station s;
        s.name = name;
        s.m = m;
        s.p = p;
        s.references = std::move(references);
        return s;
    };
    observations.stations = {
        station("A           ", 10, 20,
                {reference("B           ", 30, 40), reference("R           ", 0.0, 5)}),
        station("B           ", 30, 40,
                {reference("R           ", -0.0, 5), reference("R           ", 1, 5)}),
        station("C           ", 50, 60,
                {reference("S           ", 0.0, 5), reference("N           ", nan, 1),
                 reference("N           ", nan, 1)}),
    };
    std::vector<std::string> marked;
    for (const Mark& mark : marksOf(observations, {0, 0})) marked.push_back(mark.name);
    EXPECT_EQ(marked, (std::vector<std::string>{"P", "A", "B", "C", "R", "R", "S", "N", "N"}));
}

// The SVG's text is gathered and handed on in large pieces: every piece and number, of any
// length, arrives whole and in order.
TEST(SvgText, HandsOnEveryPieceInOrder) {
    std::ostringstream stream;
    std::string expected;
    {
        Svg svg(stream);
        std::mt19937_64 random(23);
        for (int k = 0; k < 20000; ++k) {
            const std::size_t length = k % 997 == 0 ? 100000 + random() % 100000 : random() % 40;
            const std::string piece(length, static_cast<char>('a' + k % 26));
            const double value = std::uniform_real_distribution<double>(-1000, 1000)(random);
            svg.out << piece << mm(value) << ';';
            expected += piece + fixed(value, 3) + ';';
        }
        svg.out.flush();
    }
    EXPECT_EQ(stream.str(), expected);
}

// ---------------------------------------------------------------------------------------
// The label search's grid: a place is scored against what lies in its cells only, and that
// must cost exactly what scoring it against everything costs, for things on the page, off it,
// on the cells' edges, and for segments of any slope and length.

double everything(const std::vector<Box>& boxes, const std::vector<Segment>& segments,
                  const Box& room, const Box& box, std::size_t skipped) {
    double total = 0;
    if (box.left < room.left || box.top < room.top || box.right() > room.right() ||
        box.bottom() > room.bottom())
        total += outsideCost;
    for (const Box& other : boxes) {
        const double w = std::min(box.right(), other.right()) - std::max(box.left, other.left);
        const double h = std::min(box.bottom(), other.bottom()) - std::max(box.top, other.top);
        total += overlapCost * (w > 0 && h > 0 ? w * h : 0);
    }
    for (std::size_t k = 0; k < segments.size(); ++k) {
        const auto inside = clipSegment(segments[k].a, segments[k].b, box);
        if (k != skipped && inside)
            total += crossingCost * ((inside->second - inside->first) *
                                     std::hypot(segments[k].b.x - segments[k].a.x,
                                                segments[k].b.y - segments[k].a.y));
    }
    return total;
}

TEST(LabelGrid, CostsWhatScoringAgainstEverythingCosts) {
    std::mt19937_64 random(20);
    // Whole millimetres now and then, to land on the cells' edges.
    const auto coordinate = [&](double low, double high) {
        const double value = std::uniform_real_distribution<double>(low, high)(random);
        return random() % 4 == 0 ? std::round(value) : value;
    };
    const auto randomBox = [&] {
        return Box{coordinate(-40, 320), coordinate(-40, 240), coordinate(0, 20), coordinate(0, 8)};
    };
    const Box room{9, 9, 192, 192};
    Obstacles obstacles(room);
    std::vector<Box> boxes;
    std::vector<Segment> segments;
    for (int k = 0; k < 400; ++k) {
        if (k % 3 == 0) {
            boxes.push_back(randomBox());
            obstacles.add(boxes.back());
        } else {
            const PagePoint a{coordinate(-40, 320), coordinate(-40, 240)};
            // Long rays across the page, short pieces of an outline, and upright and level ones.
            const double reach = k % 5 == 0 ? 300 : 5;
            PagePoint b{a.x + coordinate(-reach, reach), a.y + coordinate(-reach, reach)};
            if (k % 7 == 0) b.x = a.x;
            if (k % 11 == 0) b.y = a.y;
            segments.push_back({a, b});
            obstacles.add(segments.back());
        }
    }
    ASSERT_EQ(obstacles.segmentCount(), segments.size());
    const double none = std::numeric_limits<double>::infinity();
    for (int query = 0; query < 3000; ++query) {
        const Box box = randomBox();
        const std::size_t skipped =
            query % 2 == 0 ? Obstacles::noSegment : random() % segments.size();
        const double cost = everything(boxes, segments, room, box, skipped);
        EXPECT_EQ(obstacles.cost(box, skipped, 0, none), cost) << query;
        // Stopped at a bound: below it only when the whole cost is.
        const double bound = coordinate(0, 2 * cost + 1);
        EXPECT_EQ(obstacles.cost(box, skipped, 0, bound) < bound, cost < bound) << query;
    }
}

// Where the cells hold more than the grid scores, a place costs what the first of them cost,
// in the order they were added, and the rest nothing: the crowd near the point of a large
// network, every ray through one cell and name boxes piled on it.
TEST(LabelGrid, ACrowdedPlaceCostsItsFirstThings) {
    const Box room{0, 0, 200, 200};
    const Box place{100, 100, 6, 3};
    for (const std::size_t count : {Obstacles::scoredNear - 1, Obstacles::scoredNear,
                                    Obstacles::scoredNear + 1, 10 * Obstacles::scoredNear}) {
        Obstacles obstacles(room);
        std::vector<Box> boxes;
        std::vector<Segment> segments;
        for (std::size_t k = 0; k < count; ++k) {
            // Boxes of growing overlap, so that which ones count shows in the sum; rays
            // across the place at every slope, some filed in its neighbouring cells only.
            const double shift = 0.01 * static_cast<double>(k);
            const Box box{99 + shift, 99.5, 3, 2};
            const double angle = 0.02 * static_cast<double>(k);
            const Segment ray{{103 - 50 * std::cos(angle), 101.5 - 50 * std::sin(angle)},
                              {103 + 50 * std::cos(angle), 101.5 + 50 * std::sin(angle)}};
            obstacles.add(box);
            obstacles.add(ray);
            if (k < Obstacles::scoredNear) {
                boxes.push_back(box);
                segments.push_back(ray);
            }
        }
        const double none = std::numeric_limits<double>::infinity();
        EXPECT_EQ(obstacles.cost(place, Obstacles::noSegment, 0, none),
                  everything(boxes, segments, room, place, Obstacles::noSegment))
            << count;
        EXPECT_EQ(obstacles.cost(place, 3, 0, none), everything(boxes, segments, room, place, 3))
            << count;
    }
}

// A place's first things are kept from one scoring to the next and brought up to what was
// added since: scored as the page fills, every place costs what it costs against everything
// there is by then, and a crowded one what its first things cost.
TEST(LabelGrid, CostsWhatScoringAgainstEverythingCostsAsThePageFills) {
    std::mt19937_64 random(21);
    const auto coordinate = [&](double low, double high) {
        const double value = std::uniform_real_distribution<double>(low, high)(random);
        return random() % 4 == 0 ? std::round(value) : value;
    };
    const Box room{9, 9, 192, 192};
    const double none = std::numeric_limits<double>::infinity();
    // A page all over, with long rays, and a crowd in a corner beyond what the grid scores.
    for (const double spread : {300.0, 12.0}) {
        Obstacles obstacles(room);
        std::vector<Box> boxes;
        std::vector<Segment> segments;
        const auto place = [&] {
            return Box{coordinate(20, 20 + spread), coordinate(20, 20 + spread / 2),
                       coordinate(0, 12), coordinate(0, 4)};
        };
        for (int k = 0; k < 600; ++k) {
            if (k % 2 == 0) {
                boxes.push_back(place());
                obstacles.add(boxes.back());
            } else {
                const PagePoint a{coordinate(20, 20 + spread), coordinate(20, 20 + spread / 2)};
                PagePoint b{a.x + coordinate(-spread, spread), a.y + coordinate(-spread, spread)};
                if (k % 7 == 0) b.x = a.x;
                if (k % 11 == 0) b.y = a.y;
                segments.push_back({a, b});
                obstacles.add(segments.back());
            }
            const Box box = place();
            const std::vector<Box> firstBoxes =
                spread > 100 ? boxes
                             : std::vector<Box>(boxes.begin(),
                                                boxes.begin() +
                                                    std::min(boxes.size(), Obstacles::scoredNear));
            const std::vector<Segment> firstSegments =
                spread > 100
                    ? segments
                    : std::vector<Segment>(segments.begin(),
                                           segments.begin() +
                                               std::min(segments.size(), Obstacles::scoredNear));
            if (spread < 100 &&
                (boxes.size() > Obstacles::scoredNear || segments.size() > Obstacles::scoredNear))
                continue; // the crowd beyond the first: scored in the test below
            EXPECT_EQ(obstacles.cost(box, Obstacles::noSegment, 0, none),
                      everything(firstBoxes, firstSegments, room, box, Obstacles::noSegment))
                << spread << " " << k;
        }
    }
}

// The cheapest place is found in two steps, every place's boxes first: it must be the one that
// scoring each place in turn, the first of the cheapest, chooses, on pages crowded or not,
// with places beyond the room, equal places, and things of no finite place on the page.
TEST(LabelGrid, TheCheapestIsWhatScoringEachInTurnChooses) {
    std::mt19937_64 random(22);
    const auto coordinate = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const Box room{9, 9, 192, 192};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int page = 0; page < 6; ++page) {
        Obstacles obstacles(room);
        const double spread = page % 2 == 0 ? 40 : 190;
        std::size_t segments = 0;
        for (int k = 0; k < 1500; ++k) {
            const PagePoint a{coordinate(9, 9 + spread), coordinate(9, 9 + spread)};
            if (k % 2 == 0) {
                obstacles.add(Box{a.x, a.y, coordinate(1, 10), coordinate(1, 4)});
            } else {
                obstacles.add(Segment{a, {a.x + coordinate(-50, 50), a.y + coordinate(-50, 50)}});
                ++segments;
            }
        }
        // A mark and a ray of no place on the page, and a segment far beyond it.
        if (page == 2 || page == 3) obstacles.add(Box{nan, 50, 3, 3});
        if (page == 3) obstacles.add(Segment{{nan, 40}, {80, 80}});
        if (page == 4) obstacles.add(Segment{{50, 50}, {5e12, 60}});
        for (int query = 0; query < 300; ++query) {
            std::vector<Label> candidates;
            const PagePoint at{coordinate(0, 20 + spread), coordinate(0, 20 + spread)};
            for (int k = 0; k < 8; ++k) {
                const Box box{at.x + coordinate(-10, 10), at.y + coordinate(-5, 5), 9, 2.7};
                candidates.push_back({"x", {}, Anchor::Start, 1, box});
                if (k % 3 == 2) candidates.push_back(candidates[random() % candidates.size()]);
            }
            const std::size_t skipped = query % 2 == 0 ? Obstacles::noSegment : random() % segments;
            std::size_t inTurn = 0;
            double bestCost = std::numeric_limits<double>::infinity();
            for (std::size_t k = 0; k < candidates.size(); ++k) {
                const double cost = obstacles.cost(candidates[k].box, skipped,
                                                   1e-3 * static_cast<double>(k), bestCost);
                if (cost < bestCost) {
                    bestCost = cost;
                    inTurn = k;
                }
            }
            std::vector<Box> boxes;
            for (const Label& candidate : candidates) boxes.push_back(candidate.box);
            EXPECT_EQ(obstacles.cheapestOf(boxes, skipped), inTurn) << page << " " << query;
        }
    }
}

// Segments along the page's axes, through and beside a place's corners and edges, of no
// length, and of a step too small to clip at once: each costs what clipping it gives.
TEST(LabelGrid, SegmentsAlongEdgesAndThroughCornersCostWhatClippingGives) {
    const Box room{0, 0, 200, 200};
    const Box place{100, 100, 8, 4};
    const struct {
        Segment segment;
        const char* what;
    } cases[] = {
        {{{90, 100}, {120, 100}}, "along the top edge"},
        {{{100, 90}, {100, 120}}, "along the left edge"},
        {{{108, 95}, {108, 95}}, "of no length, outside"},
        {{{104, 102}, {104, 102}}, "of no length, inside"},
        {{{96, 96}, {112, 108}}, "through two corners"},
        {{{96, 104}, {100, 100}}, "ending on a corner"},
        {{{92, 104}, {104, 92}}, "touching a corner"},
        {{{90, 101}, {120, 101}}, "level, across"},
        {{{107.99999999999999, 90}, {107.99999999999999, 120}}, "upright, just inside"},
        {{{95, 95}, {95 + 1e-300, 130}}, "upright but for a step too small"},
        {{{120, 90}, {90, 120}}, "falling across"},
        {{{104, 102}, {300, 400}}, "from inside off the page"},
    };
    const double none = std::numeric_limits<double>::infinity();
    for (const auto& c : cases) {
        Obstacles obstacles(room);
        obstacles.add(c.segment);
        EXPECT_EQ(obstacles.cost(place, Obstacles::noSegment, 0, none),
                  everything({}, {c.segment}, room, place, Obstacles::noSegment))
            << c.what;
    }
}

TEST(LabelGrid, TheCheapestIsTheFirstOfEqualPlaces) {
    Obstacles obstacles(Box{0, 0, 100, 100});
    obstacles.add(Box{10, 10, 10, 10});
    const auto at = [](double left) {
        return Label{"x", {left, 0}, Anchor::Start, 1, Box{left, 12, 5, 5}};
    };
    // Over the box, clear of it twice, then over it again.
    const std::vector<Label> candidates{at(8), at(30), at(50), at(12)};
    EXPECT_EQ(cheapest(candidates, obstacles)->at.x, 30);
    EXPECT_FALSE(cheapest({}, obstacles).has_value());
    // Costs so large that the penalties of the later places vanish in them: the first of the
    // equal places, wherever it comes among the cheapest boxes.
    Obstacles huge(Box{0, 0, 1 << 26, 1 << 26});
    huge.add(Box{0, 0, 1 << 25, 1 << 25});
    huge.add(Segment{{0, 1 << 20}, {1 << 25, 1 << 20}});
    const Box over{0, 0, 1 << 24, 1 << 22}, beside{1 << 24, 0, 1 << 24, 1 << 22};
    EXPECT_EQ(huge.cheapestOf(std::vector<Box>{beside, over, over, beside}, Obstacles::noSegment),
              0u);
    EXPECT_EQ(huge.cheapestOf(std::vector<Box>{over, over, beside}, Obstacles::noSegment), 0u);
}

} // namespace
} // namespace interseccao::testing
