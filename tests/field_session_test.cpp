// Sessions from the field: the list of known points, the GSI and field-book readers, the face
// reduction, the assembly of each new point, and whole sessions against the dialogue.
#include "app/command_line.hpp"
#include "app/field_session.hpp"
#include "field/reduction.hpp"
#include "input/field_record.hpp"
#include "input/known_points.hpp"
#include "model/errors.hpp"
#include "support.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

// The message of the RunError a call throws, or "" when it throws none.
template <class F> std::string errorOf(F&& call) {
    try {
        call();
    } catch (const RunError& error) {
        return error.what();
    }
    return {};
}

// ---------------------------------------------------------------------------------------
// The list of known points.

struct ListCase {
    const char* label;
    std::string text;
    std::vector<std::string> names;
    double firstM, firstP;
    std::optional<double> firstHeight;
};

class KnownPointList : public ::testing::TestWithParam<ListCase> {};

TEST_P(KnownPointList, ReadsEveryVariant) {
    const ListCase& c = GetParam();
    const KnownPoints list = readKnownPoints(c.text, "pontos.csv");
    std::vector<std::string> names;
    for (const KnownPoint& point : list.points) names.push_back(point.name);
    EXPECT_EQ(names, c.names);
    ASSERT_FALSE(list.points.empty());
    EXPECT_EQ(list.points[0].m, c.firstM);
    EXPECT_EQ(list.points[0].p, c.firstP);
    EXPECT_EQ(list.points[0].height, c.firstHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, KnownPointList,
    ::testing::Values(
        ListCase{"comma_header", "nome,M,P,C\nA,1.5,2.5,3\nB,4,5,\n", {"A", "B"}, 1.5, 2.5, 3.0},
        ListCase{"header_in_another_order", "Z;Y;X;Ponto\n3;2,5;1,5;A\n", {"A"}, 1.5, 2.5, 3.0},
        ListCase{"english_header", "name\tE\tN\nA\t10\t20\n", {"A"}, 10, 20, std::nullopt},
        ListCase{"semicolon_decimal_commas",
                 "V1;22897,136;121793,879\r\nV2;1;2\r\n",
                 {"V1", "V2"},
                 22897.136,
                 121793.879,
                 std::nullopt},
        ListCase{"blanks_no_header", "  A   1  2  3\n\nB 4 5\n", {"A", "B"}, 1, 2, 3.0},
        ListCase{"utf8_with_bom",
                 "\xEF\xBB\xBFnome;M;P\nCAPELA_S\xC3\x83O;1;2\n",
                 {"CAPELA_S\xC3O"},
                 1,
                 2,
                 std::nullopt},
        ListCase{"latin1", "nome;M;P\nCAPELA_S\xC3O;1;2\n", {"CAPELA_S\xC3O"}, 1, 2, std::nullopt},
        ListCase{"same_point_twice", "A 1 2\nA 1 2\n", {"A"}, 1, 2, std::nullopt}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(KnownPointList, RefusesWhatItWouldHaveToGuess) {
    const std::map<std::string, std::string> refused = {
        {"A,22897,136,121793,879\n", "linha 1: valores a mais (uma virgula decimal"},
        {"A 1 2\nB 3 4\nA 1 5\n", "linha 3: o ponto A repete a linha 1"},
        {"ABCDEFGHIJKL1 1 2\nABCDEFGHIJKL2 3 4\n", "linha 2: os nomes ABCDEFGHIJKL1 (linha 1)"},
        {"nome;M;P\nA;x;2\n", "linha 2: esperado um numero (M): \"A;x;2\""},
    };
    for (const auto& [list, expected] : refused) {
        const std::string& text = list; // Emscripten's clang captures no structured binding
        EXPECT_NE(errorOf([&] { readKnownPoints(text, "pontos.csv"); }).find(expected),
                  std::string::npos)
            << text;
    }
}

// ---------------------------------------------------------------------------------------
// The GSI record: every unit digit, the three ways of beginning a set-up, words read past.

struct UnitCase {
    const char* label;
    std::string word; // the horizontal word (GSI-16), or an 88 word for lengths
    double value;     // in the unit's values
    RecordedUnit unit;
};

class GsiUnits : public ::testing::TestWithParam<UnitCase> {};

TEST_P(GsiUnits, DecodesTheWord) {
    const UnitCase& c = GetParam();
    const bool angle = c.word.starts_with("21");
    const std::string record =
        "*110001+000000000000000A " + (angle ? std::string("88..10+0000000000001500") : c.word) +
        " \n*110002+000000000000000B " + (angle ? c.word : "21.322+0000000010000000") +
        " 83..10+00000000000-----\n";
    const FieldBook book = readFieldRecord(record, "r.gsi", {});
    ASSERT_EQ(book.setups.size(), 1u);
    ASSERT_EQ(book.setups[0].sightings.size(), 1u);
    if (angle) {
        EXPECT_NEAR(book.setups[0].sightings[0].horizontal, c.value, 1e-9);
        EXPECT_EQ(book.setups[0].sightings[0].unit, c.unit);
    } else {
        EXPECT_NEAR(*book.setups[0].instrumentHeight, c.value, 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Digits, GsiUnits,
    ::testing::Values(
        UnitCase{"gon", "21.322+0000000012345678", 123.45678, RecordedUnit::Gon},
        UnitCase{"decimal_degrees", "21.323+0000000012345678", 123.45678,
                 RecordedUnit::DecimalDegrees},
        UnitCase{"sexagesimal", "21.324+0000000012345378", 123 * 3600 + 45 * 60 + 37.8,
                 RecordedUnit::ArcSeconds},
        UnitCase{"mil", "21.325+0000000012345678", 1234.5678, RecordedUnit::Mil},
        UnitCase{"metre_mm", "88..10+0000000000001234", 1.234, RecordedUnit::Gon},
        UnitCase{"foot_thousandth", "88..11+0000000000001000", 0.3048, RecordedUnit::Gon},
        UnitCase{"metre_tenth_mm", "88..16+0000000000012345", 1.2345, RecordedUnit::Gon},
        UnitCase{"foot_ten_thousandth", "88..17+0000000000010000", 0.3048, RecordedUnit::Gon},
        UnitCase{"metre_hundredth_mm", "88..18+0000000000123456", 1.23456, RecordedUnit::Gon},
        UnitCase{"no_unit_digit_mm", "88....+0000000000001600", 1.6, RecordedUnit::Gon}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(GsiRecord, BeginsSetupsInTheThreeWays) {
    const std::string record = "110001+000000S1 84..10+01000000 85..10+02000000 88..10+00001500\n"
                               "110002+000000R1 21.322+10000000 22.322+10000000\n"
                               "410003+00000002 42....+000000S2 43....+00001600 \n"
                               "110004+000000R1 21.322+20000000\n"
                               "\n"
                               "110005+000000S3 88..10+00001700\n"
                               "110006+000000R1 21.322+30000000 51..1.+0008+000\n";
    const FieldBook book = readFieldRecord(record, "r.gsi", {});
    EXPECT_EQ(book.format, "Leica GSI-8");
    ASSERT_EQ(book.setups.size(), 3u);
    EXPECT_EQ(book.setups[0].station, "S1");
    EXPECT_EQ(book.setups[0].m, 1000.0);
    EXPECT_EQ(book.setups[1].station, "S2");
    EXPECT_EQ(book.setups[1].instrumentHeight, 1.6);
    EXPECT_EQ(book.setups[2].station, "S3");
    EXPECT_EQ(book.setups[2].instrumentHeight, 1.7);
    for (const FieldSetup& setup : book.setups) EXPECT_EQ(setup.sightings.size(), 1u);
    EXPECT_EQ(book.setups[2].sightings[0].line, 7u);
}

TEST(GsiRecord, NamesFileLineAndWordOfWhatItCannotRead) {
    const std::map<std::string, std::string> refused = {
        {"110001+000000R1 21.322+10000000\n",
         "r.gsi, linha 1: visada antes de qualquer estacao (palavra 11 \"110001+000000R1\")"},
        {"110001+000000S1 88..10+00001500\n110002+000000R1 21.322+1000x000\n",
         "r.gsi, linha 2: palavra 21 \"21.322+1000x000\": esperados 8 algarismos"},
        {"110001+000000S1 88..10+00001500\n110002+000000R1 21.320+10000000\n",
         "r.gsi, linha 2: palavra 21 \"21.320+10000000\": o algarismo de unidade 0 nao e de "
         "angulos"},
        {"110001+000000S1 88..10+00001500\n110002+000000R1 21.322\n",
         "r.gsi, linha 2: palavra 21 \"21.322\": nao e uma palavra GSI"},
    };
    for (const auto& [record, expected] : refused) {
        const std::string& text = record; // Emscripten's clang captures no structured binding
        EXPECT_NE(errorOf([&] { readFieldRecord(text, "r.gsi", {}); }).find(expected),
                  std::string::npos)
            << errorOf([&] { readFieldRecord(text, "r.gsi", {}); });
    }
}

TEST(FieldTable, ReadsDmsAndRefusesThreeColumns) {
    const std::string header = "estacao;altura_instrumento;alvo;horizontal;zenital;altura_alvo\n";
    const FieldBook book =
        readFieldRecord(header + "S1;1,5;R1;10.30152;;\n", "c.csv", {RecordedUnit::ArcSeconds});
    ASSERT_EQ(book.setups.size(), 1u);
    EXPECT_NEAR(book.setups[0].sightings[0].horizontal, 10 * 3600 + 30 * 60 + 15.2, 1e-9);
    EXPECT_EQ(book.setups[0].instrumentHeight, 1.5);
    EXPECT_NE(errorOf([&] {
                  readFieldRecord(header + "S1;1,5;R1;10;30;15;;\n", "c.csv",
                                  {RecordedUnit::ArcSeconds});
              }).find("nao tres colunas"),
              std::string::npos);
    EXPECT_NE(errorOf([&] { readFieldRecord(header, "c.csv", {}); }).find("--unidade"),
              std::string::npos);
    EXPECT_NE(errorOf([&] {
                  readFieldRecord("qualquer coisa\n", "x.txt", {});
              }).find("formato do registo nao reconhecido"),
              std::string::npos);
}

// ---------------------------------------------------------------------------------------
// The reduction.

TEST(Reduction, AveragesOnTheCircle) {
    struct Case {
        std::vector<double> readings;
        double circle, mean, spread;
    };
    const std::vector<Case> cases = {
        {{399.9998, 0.0004}, 400, 0.0001, 0.0006},
        {{0.0004, 399.9998}, 400, 0.0001, 0.0006},
        {{359.9999, 359.9997}, 360, 359.9998, 0.0002},
        {{100, 100.002, 100.004}, 400, 100.002, 0.004},
    };
    for (const Case& c : cases) {
        const CircularMean mean = circularMean(c.readings, c.circle);
        EXPECT_NEAR(mean.mean, c.mean, 1e-9);
        EXPECT_NEAR(mean.spread, c.spread, 1e-9);
    }
}

TEST(Reduction, ReducesFaceTwoAndWarnsBeyondTheLimit) {
    FieldBook book;
    FieldSetup setup;
    setup.station = "S1";
    setup.sightings = {{"R1", 399.9998, 99.0, {}, RecordedUnit::Gon, 2},
                       {"R1", 200.0004, 301.0, {}, RecordedUnit::Gon, 3},
                       {"N1", 50.0, 100.0, {}, RecordedUnit::Gon, 4},
                       {"N1", 250.01, 300.0, {}, RecordedUnit::Gon, 5},
                       {"N1", 50.0, {}, {}, RecordedUnit::Gon, 6}};
    book.setups = {setup};
    const ReducedBook reduced = reduceFieldBooks({book}, std::nullopt);
    ASSERT_EQ(reduced.setups[0].readings.size(), 2u);
    const ReducedReading& r1 = reduced.setups[0].readings[0];
    EXPECT_NEAR(r1.horizontal, 0.0001, 1e-9);
    EXPECT_NEAR(*r1.zenith, 99.0, 1e-9);
    EXPECT_EQ(r1.faceI, 1);
    EXPECT_EQ(r1.faceII, 1);
    EXPECT_EQ(r1.lines, (std::vector<std::size_t>{2, 3}));
    const ReducedReading& n1 = reduced.setups[0].readings[1];
    EXPECT_NEAR(n1.horizontalSpread, 0.01, 1e-9);
    ASSERT_EQ(reduced.warnings.size(), 1u); // 10 mgon is beyond 6 mgon; 0.6 mgon is not
    EXPECT_EQ(reduced.warnings[0].target, "N1");
    EXPECT_TRUE(reduceFieldBooks({book}, 0.02).warnings.empty());
}

// ---------------------------------------------------------------------------------------
// Points that are not determined, and why.

TEST(Assembly, SaysWhyAPointIsNotDetermined) {
    MemoryFiles files;
    files.files["pontos.txt"] = "S1 0 0 100\nS2 100 0\nR1 0 100\nR2 100 100\n";
    files.files["r.gsi"] = "110001+000000S1 88..10+00001500\n"
                           "110002+000000R1 21.322+00000000\n"
                           "110003+000000N1 21.322+05000000\n"
                           "110004+000000N2 21.322+05000000\n"
                           "110005+000000N3 21.322+05000000\n"
                           "110006+000000S2 88..10+00001500\n"
                           "110007+000000N1 21.322+35000000\n"
                           "110008+000000N2 21.322+35000000\n"
                           "110009+000000S9 88..10+00001500\n"
                           "110010+000000R2 21.322+00000000\n"
                           "110011+000000N3 21.322+35000000\n";
    CommandLine commandLine;
    commandLine.inputs = {"r.gsi"};
    commandLine.knownPoints = "pontos.txt";
    commandLine.precision = 1;
    const SessionRun session = assembleSession(commandLine, files);
    ASSERT_EQ(session.points.size(), 3u);
    EXPECT_EQ(session.points[0].point.reason,
              "so uma estacao utilizavel (S1); sem ponto de referencia conhecido na estacao S2");
    EXPECT_EQ(session.points[1].point.reason, session.points[0].point.reason);
    EXPECT_EQ(session.points[2].point.reason,
              "so uma estacao utilizavel (S1); estacao S9 nao esta na lista");

    std::ostringstream out, errors;
    const int status = runCommandLine(
        {"r.gsi", "--pontos", "pontos.txt", "--precisao", "1", "--resumo", "resumo.csv"}, out,
        errors, files);
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors.str().find("N3: nao determinado: so uma estacao utilizavel (S1); estacao "
                                "S9 nao esta na lista\n"),
              std::string::npos);
    EXPECT_FALSE(files.outputCreated("N1.txt"));
    EXPECT_NE(files.output("resumo.csv").find("N3,nao determinado,"), std::string::npos);
}

TEST(Session, DxfAndGeoJsonFollowTheOutputRules) {
    MemoryFiles files;
    files.files["pontos.txt"] = "S1,0,0\nR1,0,100\n";
    files.files["r.gsi"] = "110001+000000S1 88..10+00001500\n"
                           "110002+000000R1 21.322+00000000\n"
                           "110003+000000N1 21.322+05000000\n";
    const std::vector<std::string> session = {"r.gsi", "--pontos", "pontos.txt", "--precisao",
                                              "1",     "--resumo", "resumo.csv"};
    for (const std::vector<std::string>& outputs :
         std::vector<std::vector<std::string>>{{"--dxf", "pontos.txt"},
                                               {"--geojson", "r.gsi"},
                                               {"--dxf", "d.dxf", "--geojson", "d.dxf"},
                                               {"--geojson", "resumo.csv"}}) {
        std::vector<std::string> arguments = session;
        arguments.insert(arguments.end(), outputs.begin(), outputs.end());
        std::ostringstream out, errors;
        EXPECT_EQ(runCommandLine(arguments, out, errors, files), 2) << outputs[1];
        EXPECT_NE(errors.str().find("nada foi escrito"), std::string::npos) << errors.str();
        EXPECT_FALSE(files.outputCreated("resumo.csv") || files.outputCreated("d.dxf"));
    }
    // Nothing determined: the layer and the drawing still hold the known points, and an odd
    // system's code is kept as given, with a warning.
    std::vector<std::string> arguments = session;
    for (const char* more : {"--dxf", "d.dxf", "--geojson", "g.json", "--crs", "local"})
        arguments.push_back(more);
    std::ostringstream out, errors;
    EXPECT_EQ(runCommandLine(arguments, out, errors, files), 1);
    EXPECT_NE(errors.str().find("AUTORIDADE:NUMERO"), std::string::npos);
    const auto layer = nlohmann::json::parse(files.output("g.json"));
    ASSERT_EQ(layer["features"].size(), 2u);
    EXPECT_EQ(layer["features"][0]["properties"]["papel"], "estacao");
    EXPECT_EQ(layer["features"][1]["properties"]["papel"], "referencia");
    EXPECT_EQ(layer["crs"]["properties"]["name"], "local");
    EXPECT_NE(files.output("d.dxf").find("ESTACOES"), std::string::npos);
}

TEST(Session, NeedsThePrecisionAndWritesNothingWhenAFileCannotBeRead) {
    MemoryFiles files;
    files.files["pontos.txt"] = "A,1,5,2\n";
    files.files["r.gsi"] = "110001+000000S1 88..10+00001500\n";
    std::ostringstream out, errors;
    EXPECT_EQ(runCommandLine({"r.gsi", "--pontos", "pontos.txt"}, out, errors, files), 2);
    EXPECT_NE(errors.str().find("--precisao e obrigatoria"), std::string::npos);
    files.files["pontos.txt"] = "A,1,5,2,3,4\n";
    EXPECT_EQ(runCommandLine(
                  {"r.gsi", "--pontos", "pontos.txt", "--precisao", "1", "--resumo", "resumo.csv"},
                  out, errors, files),
              2);
    EXPECT_FALSE(files.outputCreated("resumo.csv"));
    EXPECT_EQ(runCommandLine({"r.gsi", "--precisao", "1"}, out, errors, files), 2);
    EXPECT_NE(errors.str().find("so com --pontos"), std::string::npos);
}

// ---------------------------------------------------------------------------------------
// Whole sessions of tests/field-data/sessions: each folder holds pontos.csv, a record
// (registo.*), options.txt (more arguments, one a line) and verdade.csv, the true position of
// every new point of the synthetic job it was generated from.

fs::path sessionsDir() { return fs::path(sourceDir()) / "tests/field-data/sessions"; }

std::vector<std::string> sessionNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(sessionsDir()))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> splitOn(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        if (!part.empty() && part.back() == '\r')
            part.pop_back(), parts.push_back(part);
        else if (!part.empty())
            parts.push_back(part);
    return parts;
}

struct SessionResult {
    int status = 0;
    std::string errors;
    std::map<std::string, std::pair<double, double>> coordinates; // from the summary
};

// A session folder's files in the files the session is run on.
struct SessionFiles {
    explicit SessionFiles(const std::string& name) : work("session-" + name), disk(work.path()) {}
    TemporaryFolder work;
    DiskFiles disk;
    std::string output(const std::string& file) const {
        return fs::exists(work.path() / file) ? readFile(work.path() / file) : std::string();
    }
};

SessionResult runSessionFolder(const std::string& name, SessionFiles& files,
                               const std::vector<std::string>& more = {}) {
    const fs::path folder = sessionsDir() / name;
    std::string record;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        fs::copy_file(entry.path(), files.work.path() / file);
        if (file.starts_with("registo.")) record = file;
    }
    std::vector<std::string> arguments = {record,        "--pontos",   "pontos.csv",
                                          "--resumo",    "resumo.csv", "--json",
                                          "sessao.json", "--desenho",  "--analise"};
    for (const std::string& option : splitOn(readFile(folder / "options.txt"), '\n'))
        arguments.push_back(option);
    arguments.insert(arguments.end(), more.begin(), more.end());
    std::ostringstream out, errors;
    SessionResult result;
    result.status = runCommandLine(arguments, out, errors, files.disk);
    result.errors = errors.str();
    const std::vector<std::string> rows = splitOn(files.output("resumo.csv"), '\n');
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> fields = splitOn(rows[i], ',');
        if (fields.size() > 3 && fields[1] == "calculado")
            result.coordinates[fields[0]] = {std::stod(fields[2]), std::stod(fields[3])};
    }
    return result;
}

class SessionFolder : public ::testing::TestWithParam<std::string> {};

TEST_P(SessionFolder, EveryPointAsTheDialogueComputesItsFile) {
    SessionFiles files(GetParam());
    const SessionResult result = runSessionFolder(GetParam(), files);
    EXPECT_EQ(result.status, 0) << result.errors;
    const std::vector<std::string> truth =
        splitOn(readFile(sessionsDir() / GetParam() / "verdade.csv"), '\n');
    ASSERT_EQ(truth.size(), 8u);
    for (const std::string& row : truth) {
        const std::vector<std::string> fields = splitOn(row, ',');
        const std::string& point = fields[0];
        ASSERT_TRUE(result.coordinates.contains(point)) << point;
        EXPECT_NEAR(result.coordinates.at(point).first, std::stod(fields[1]), 0.03) << point;
        EXPECT_NEAR(result.coordinates.at(point).second, std::stod(fields[2]), 0.03) << point;
        // The dialogue on the written NAME.txt gives the session's report, byte for byte.
        MemoryFiles dialogue;
        dialogue.files[point + ".txt"] = files.output(point + ".txt");
        const RunResult run = runWith(dialogue, point + ".txt\n" + point + "-relatorio.txt\nS\n");
        EXPECT_EQ(run.report, files.output(point + "-relatorio.txt")) << point;
        EXPECT_FALSE(files.output(point + "-analise.txt").empty());
        EXPECT_FALSE(files.output(point + "-desenho.svg").empty());
    }
    EXPECT_NE(files.output("sessao-desenho.svg").find("</svg>"), std::string::npos);
    const std::string session = files.output("sessao.json");
    EXPECT_NE(session.find("\"dispersao_horizontal\""), std::string::npos);
    // Written as the session is walked, it is what the library writes of the same tree.
    EXPECT_EQ(nlohmann::ordered_json::parse(session).dump(2) + "\n", session);
}

// The coordinate a report prints for the point ("     M(N01) =     1150.000 m").
double reportCoordinate(const std::string& report, char axis) {
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t first = line.find_first_not_of(' ');
        const std::size_t equals = line.find(") =");
        if (first == std::string::npos || equals == std::string::npos || line[first] != axis ||
            line.compare(first + 1, 1, "(") != 0)
            continue;
        return std::stod(line.substr(equals + 3));
    }
    ADD_FAILURE() << "no line of " << axis << " in the report";
    return 0;
}

// The POINT entities of a DXF text, by layer.
std::map<std::string, int> dxfPointsByLayer(const std::string& text) {
    std::vector<std::string> lines = splitOn(text, '\n');
    std::map<std::string, int> layers;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        if (lines[i] != "  0" && lines[i] != "0") continue;
        if (lines[i + 1] != "POINT") continue;
        for (std::size_t j = i + 2; j + 1 < lines.size() && lines[j] != "  0" && lines[j] != "0";
             j += 2)
            if (lines[j] == "  8" || lines[j] == "8") ++layers[lines[j + 1]];
    }
    return layers;
}

TEST_P(SessionFolder, DxfAndGeoJsonHoldEveryKnownAndNewPoint) {
    SessionFiles files(GetParam());
    const SessionResult result = runSessionFolder(
        GetParam(), files,
        {"--dxf", "sessao.dxf", "--geojson", "sessao.geojson", "--crs", "EPSG:3763"});
    EXPECT_EQ(result.status, 0) << result.errors;
    const auto layer = nlohmann::json::parse(files.output("sessao.geojson"));
    EXPECT_EQ(layer["crs"]["properties"]["name"], "urn:ogc:def:crs:EPSG::3763");
    std::map<std::string, nlohmann::json> newPoints;
    std::size_t known = 0;
    for (const auto& feature : layer["features"])
        if (feature["properties"]["papel"] == "ponto novo")
            newPoints[feature["properties"]["nome"]] = feature["geometry"]["coordinates"];
        else
            ++known;
    const std::size_t listed =
        splitOn(readFile(sessionsDir() / GetParam() / "pontos.csv"), '\n').size() - 1;
    EXPECT_EQ(known, listed);
    EXPECT_EQ(newPoints.size(), result.coordinates.size());
    for (const auto& [point, at] : result.coordinates) {
        ASSERT_TRUE(newPoints.contains(point)) << point;
        const std::string report = files.output(point + "-relatorio.txt");
        EXPECT_NEAR(newPoints[point][0].get<double>(), reportCoordinate(report, 'M'), 0.0005)
            << point;
        EXPECT_NEAR(newPoints[point][1].get<double>(), reportCoordinate(report, 'P'), 0.0005)
            << point;
    }
    int points = 0;
    for (const auto& [name, count] : dxfPointsByLayer(files.output("sessao.dxf"))) points += count;
    EXPECT_EQ(static_cast<std::size_t>(points), listed + result.coordinates.size());
    EXPECT_NE(files.output("sessao.dxf").find("EPSG:3763"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Sessions, SessionFolder, ::testing::ValuesIn(sessionNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(SessionFolder, GsiAndFieldBookOfOneJobGiveTheSameCoordinates) {
    for (const auto& [gsi, table] : std::vector<std::pair<std::string, std::string>>{
             {"gsi16-station-coordinates-gon", "table-gon"},
             {"gsi16-instrument-height-dms-two-rounds", "table-dms"}}) {
        SessionFiles first(gsi), second(table);
        const auto a = runSessionFolder(gsi, first).coordinates;
        const auto b = runSessionFolder(table, second).coordinates;
        EXPECT_EQ(a.size(), 8u);
        EXPECT_EQ(a, b) << gsi;
    }
}

} // namespace
} // namespace interseccao::testing
