// The DXF drawing and the GeoJSON layer (--dxf, --geojson, --crs): the DXF read group by group
// (codes paired with values, every handle unique and below $HANDSEED, every owner an object of
// the file, entities counted per layer), DXF strings, the points of a batch merged, the GeoJSON's
// system and features, and the command line's rules for the two outputs.
#include "support.hpp"

#include "app/batch.hpp"
#include "app/command_line.hpp"
#include "drawing/drawing.hpp"
#include "drawing/dxf.hpp"
#include "export/export.hpp"
#include "text/encoding.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <set>
#include <sstream>

namespace interseccao::testing {
namespace {

FileRun analysedRun(const std::string& example, const std::string& system = "") {
    MemoryFiles files;
    files.files[example] = readFile(sourceDir() + "/examples/" + example);
    std::ostringstream console;
    FileRun run =
        runFile(example, "rel.txt", HeightChoice::FromFile, files, &console, Adjustments{}, true);
    run.coordinateSystem = system;
    return run;
}

struct Group {
    int code = 0;
    std::string value;
};

// The groups of a DXF text; a code that is no number or a value missing fails the test.
std::vector<Group> groupsOf(const std::string& text) {
    std::vector<Group> groups;
    std::istringstream in(text);
    for (std::string code, value; std::getline(in, code);) {
        EXPECT_TRUE(code.ends_with('\r')) << "CR LF line ends";
        EXPECT_TRUE(std::getline(in, value)) << "a code without its value: " << code;
        if (!value.empty() && value.back() == '\r') value.pop_back();
        groups.push_back({std::stoi(code), value});
    }
    return groups;
}

struct DxfSummary {
    std::map<std::string, int> entitiesByType;
    std::map<std::string, int> entitiesByLayer;
    std::set<std::string> layers;
    std::string handseed;
};

DxfSummary checkStructure(const std::vector<Group>& groups) {
    DxfSummary summary;
    std::set<std::string> handles;
    std::vector<std::string> owners;
    std::string section, type;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const Group& g = groups[i];
        if (g.code == 0) type = g.value;
        if (g.code == 2 && i > 0 && groups[i - 1].value == "SECTION") section = g.value;
        if ((g.code == 5 || g.code == 105) && section != "HEADER") {
            EXPECT_TRUE(handles.insert(g.value).second) << "handle " << g.value << " twice";
        }
        if (g.code == 330 && g.value != "0") owners.push_back(g.value);
        if (section == "HEADER" && g.code == 9 && g.value == "$HANDSEED")
            summary.handseed = groups[i + 1].value;
        if (section == "TABLES" && type == "LAYER" && g.code == 2) summary.layers.insert(g.value);
        if (section == "ENTITIES" && g.code == 8) {
            ++summary.entitiesByType[type];
            ++summary.entitiesByLayer[g.value];
        }
    }
    for (const std::string& owner : owners) EXPECT_TRUE(handles.contains(owner)) << owner;
    const auto number = [](const std::string& h) { return std::stoull(h, nullptr, 16); };
    for (const std::string& h : handles) EXPECT_LT(number(h), number(summary.handseed)) << h;
    EXPECT_EQ(groups.back().value, "EOF");
    return summary;
}

TEST(Dxf, GroupsPairedHandlesUniqueAndEntitiesCounted) {
    const FileRun run = analysedRun("levantamento-gc.txt", "EPSG:3763");
    std::ostringstream out;
    writeDxf(pointSet({run}), out);
    const std::vector<Group> groups = groupsOf(out.str());
    const DxfSummary s = checkStructure(groups);
    const std::size_t stations = run.values.observations.stations.size();
    std::set<std::string> known;
    for (const Station& station : run.values.observations.stations)
        for (const ReferenceSighting& reference : station.references)
            known.emplace(trimmedName(reference.name));
    const int points = static_cast<int>(known.size() + stations + 1);
    EXPECT_EQ(s.entitiesByType.at("POINT"), points);
    EXPECT_EQ(s.entitiesByType.at("INSERT"), points);
    EXPECT_EQ(s.entitiesByType.at("ATTRIB"), 7 * points);
    EXPECT_EQ(s.entitiesByType.at("ELLIPSE"), 1);
    EXPECT_EQ(s.entitiesByType.at("LINE"), static_cast<int>(stations));
    // POINT, INSERT, 7 ATTRIBs and SEQEND a station.
    EXPECT_EQ(s.entitiesByLayer.at(stationLayer), static_cast<int>(10 * stations));
    EXPECT_EQ(s.entitiesByLayer.at(rayLayer), static_cast<int>(stations));
    // Names, and the height of the new point.
    EXPECT_EQ(s.entitiesByLayer.at(labelLayer), points + 1);
    for (const char* layer : {stationLayer, referenceLayer, newPointLayer, rayLayer, suspectLayer,
                              labelLayer, noteLayer})
        EXPECT_TRUE(s.layers.contains(layer)) << layer;
    const DxfScale scale = dxfScale(pointSet({run}));
    ASSERT_TRUE(scale.ellipseFactor);
    EXPECT_TRUE(s.layers.contains(ellipseLayer(*scale.ellipseFactor)));
    EXPECT_EQ(ellipseLayer(2000), "ELIPSES_X2000");
    bool stated = false;
    for (const Group& g : groups)
        stated |= g.code == 300 && g.value == "SistemaCoordenadas=EPSG:3763";
    EXPECT_TRUE(stated);
}

// The ellipse factor and the labels' height are the SVG drawing's, at the scale it draws at.
TEST(Dxf, ScaleAndFactorAreTheDrawingsOnes) {
    const FileRun run = analysedRun("levantamento-gc.txt");
    const DrawingLayout layout = layOutDrawing(run);
    const DxfScale scale = dxfScale(pointSet({run}));
    EXPECT_EQ(scale.denominator, layout.map.denominator);
    EXPECT_EQ(scale.ellipseFactor, layout.ellipseFactor);
    EXPECT_DOUBLE_EQ(scale.textHeight, labelFontSize / layout.map.scale);
}

TEST(Dxf, TextsAreInTheDrawingsCodePage) {
    const struct {
        std::string utf8, dxf;
    } cases[] = {
        {"MARCO", "MARCO"},
        {"ESTA\xC3\x87\xC3\x83O", "ESTA\xC7\xC3O"}, // Latin-1 letters as their byte
        {"\xE2\x82\xAC 5", "\\U+20AC 5"},           // beyond Latin-1 as an escape
        {"\xF0\x9F\x93\x8D", "\\U+1F4CD"},
        {"50%%d", "50%%%%%%d"}, // no control code
        {"A\tB", "A?B"},
    };
    for (const auto& c : cases) EXPECT_EQ(dxfText(c.utf8), c.dxf) << c.utf8;
}

// In a batch, a known point met in two runs is one point; a reference that another run stood
// on is a station.
TEST(PointSet, KnownPointsOfABatchAreMerged) {
    const FileRun first = analysedRun("levantamento-gc.txt");
    const PointSet once = pointSet({first});
    const PointSet twice = pointSet({first, first});
    const auto count = [](const PointSet& set, PointRole role) {
        return std::count_if(set.points.begin(), set.points.end(),
                             [&](const SurveyPoint& p) { return p.role == role; });
    };
    EXPECT_EQ(count(twice, PointRole::NewPoint), 2);
    EXPECT_EQ(count(twice, PointRole::Station), count(once, PointRole::Station));
    EXPECT_EQ(count(twice, PointRole::Reference), count(once, PointRole::Reference));
    EXPECT_EQ(twice.rays.size(), 2 * once.rays.size());
}

TEST(GeoJson, SystemNamedAsGdalReadsItAndAFeaturePerPoint) {
    const struct {
        std::string code;
        std::optional<std::string> urn;
    } codes[] = {{"EPSG:3763", "urn:ogc:def:crs:EPSG::3763"},
                 {"epsg:27493", "urn:ogc:def:crs:EPSG::27493"},
                 {"Datum 73", std::nullopt},
                 {"EPSG:", std::nullopt},
                 {":3763", std::nullopt},
                 {"EPSG:37a3", std::nullopt}};
    for (const auto& c : codes) EXPECT_EQ(crsUrn(c.code), c.urn) << c.code;

    const FileRun run = analysedRun("levantamento-gs.txt", "EPSG:3763");
    std::ostringstream out;
    writeGeoJson(pointSet({run}), out);
    const nlohmann::json layer = nlohmann::json::parse(out.str());
    EXPECT_EQ(layer["crs"]["properties"]["name"], "urn:ogc:def:crs:EPSG::3763");
    EXPECT_EQ(layer["features"].size(), pointSet({run}).points.size());
    const nlohmann::json& point = layer["features"][0];
    EXPECT_EQ(point["properties"]["papel"], "ponto novo");
    EXPECT_EQ(point["geometry"]["coordinates"].size(), 3u); // with its height
    EXPECT_EQ(point["geometry"]["coordinates"][0].get<double>(), run.values.planimetry->point.m);

    std::ostringstream without;
    writeGeoJson(pointSet({analysedRun("levantamento-gs.txt")}), without);
    EXPECT_FALSE(nlohmann::json::parse(without.str()).contains("crs"));
}

// The two outputs are refused onto an input or onto each other, before anything is written;
// an unknown code is kept with a warning.
TEST(PointFiles, CommandLineRules) {
    const std::string example = readFile(sourceDir() + "/examples/levantamento-gc.txt");
    const std::vector<std::string> refused[] = {
        {"obra.txt", "--dxf", "obra.txt"},
        {"obra.txt", "--geojson", "./obra.txt"},
        {"obra.txt", "--dxf", "p.out", "--geojson", "p.out"},
        {"obra.txt", "--dxf", "p.out", "--resumo", "p.out"},
    };
    for (const auto& arguments : refused) {
        MemoryFiles files;
        files.files["obra.txt"] = example;
        std::ostringstream out, err;
        EXPECT_EQ(runCommandLine(arguments, out, err, files), 2) << arguments.back();
        EXPECT_NE(err.str().find("nada foi escrito"), std::string::npos) << err.str();
        EXPECT_FALSE(files.outputCreated("obra-relatorio.txt"));
        EXPECT_FALSE(files.outputCreated("p.out"));
    }
    MemoryFiles files;
    files.files["obra.txt"] = example;
    std::ostringstream out, err;
    EXPECT_EQ(
        runCommandLine({"obra.txt", "--crs", "Datum 73", "--dxf", "p.dxf", "--json", "p.json"}, out,
                       err, files),
        0);
    EXPECT_NE(err.str().find("Aviso: o sistema de coordenadas \"Datum 73\""), std::string::npos);
    EXPECT_NE(files.output("p.dxf").find("SistemaCoordenadas=Datum 73"), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(
                  files.output("p.json"))["ficheiros"][0]["definicoes"]["sistema_coordenadas"],
              "Datum 73");
}

} // namespace
} // namespace interseccao::testing
