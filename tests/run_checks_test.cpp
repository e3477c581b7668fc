// The check of how a run ends, shared with the fuzz target: each rule must catch a run that
// breaks it, or the hostile-input tests and the fuzzer would pass whatever the program does.
#include "run_checks.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <ostream>
#include <string>

namespace interseccao {
namespace {

struct EndCase {
    const char* description;
    int status;
    std::string console;
    std::string errors;
    std::string report;
    std::string input;
    std::optional<std::string> broken;
};

void PrintTo(const EndCase& c, std::ostream* out) { *out << c.description; }

class BrokenEndRule : public ::testing::TestWithParam<EndCase> {};

TEST_P(BrokenEndRule, NamesTheFirstRuleBroken) {
    const EndCase& c = GetParam();
    EXPECT_EQ(brokenEndRule({c.status, c.console, c.errors, c.report}, c.input), c.broken);
}

const std::string errorLine = "Erro no ficheiro obs.txt, linha 3: esperado um numero real\n";

INSTANTIATE_TEST_SUITE_P(
    Runs, BrokenEndRule,
    ::testing::Values(
        EndCase{"normal end", 0, "Rumo = 12.5\r\n", "", "Cota ajustada: 1.0\r\n", "x", {}},
        EndCase{"file-layer error", 2, "", errorLine, "", "x", {}},
        EndCase{"message with status 0", 0, "", errorLine, "", "x",
                "status 0 with a message on standard error"},
        EndCase{"error without line end", 2, "", "Erro no ficheiro", "", "x",
                "status 2 without exactly one line on standard error"},
        EndCase{"error of two lines", 2, "", errorLine + errorLine, "", "x",
                "status 2 without exactly one line on standard error"},
        EndCase{"status 2 without a message", 2, "", "", "", "x",
                "status 2 without exactly one line on standard error"},
        EndCase{"error not starting with Erro", 2, "", "terminate called\n", "", "x",
                "file-layer error that does not start with \"Erro\""},
        EndCase{"status 1", 1, "", "", "", "x", "exit status 1, neither 0 nor 2"},
        EndCase{"nan on the console", 0, "Rumo = -nan\r\n", "", "", "gc 0.001 5\n",
                "nan or inf on the console"},
        EndCase{"INF in the report", 0, "", "", "Cota: INF\r\n", "gc 0.001 5\n",
                "nan or inf in the report"},
        EndCase{"inf after a file-layer error", 2, "", errorLine, "Cota: inf\r\n", "",
                "nan or inf in the report"},
        EndCase{"the console first", 0, "nan", "", "inf", "", "nan or inf on the console"},
        EndCase{"a name the input brought",
                0,
                "Estacao NaNTES\r\n",
                "",
                "Estacao NaNTES\r\n",
                "NANTES 1.0 2.0\n",
                {}},
        EndCase{"a word the input brought, the other not", 0, "NANTES = inf\r\n", "", "",
                "NANTES 1.0 2.0\n", "nan or inf on the console"}),
    [](const auto& info) {
        std::string name = info.param.description;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

// The command line's rules: each must catch a run that breaks it.
struct CommandLineCase {
    const char* description;
    int status;
    std::map<std::string, std::string> files;
    std::optional<std::string> broken;
    std::string out = {}; // standard output
};

void PrintTo(const CommandLineCase& c, std::ostream* out) { *out << c.description; }

class BrokenCommandLineRule : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(BrokenCommandLineRule, NamesTheFirstRuleBroken) {
    const CommandLineCase& c = GetParam();
    const std::string errors = c.status == 2 ? "Erro no ficheiro obs.txt: ...\n" : "";
    EXPECT_EQ(brokenCommandLineRule({c.status, c.out, errors, &c.files}, "x"), c.broken);
}

const std::string listOfOne = "nome;M\r\nT;1\r\n";
const std::string svgPage = "<?xml version=\"1.0\"?>\n<svg></svg>\n";

INSTANTIATE_TEST_SUITE_P(
    Runs, BrokenCommandLineRule,
    ::testing::Values(
        CommandLineCase{"every output whole",
                        0,
                        {{fuzzedList, listOfOne}, {fuzzedJson, "{}"}, {fuzzedDrawing, svgPage}},
                        {}},
        CommandLineCase{"a file-layer error writes no list", 2, {}, {}},
        CommandLineCase{"exit status 3", 3, {}, "exit status 3, neither 0, 1 nor 2"},
        CommandLineCase{"no list", 1, {{fuzzedJson, "{}"}}, "no list"},
        CommandLineCase{"an input passed over as a report: the header alone",
                        0,
                        {{fuzzedList, "nome;M\r\n"}, {fuzzedJson, "{}"}},
                        {},
                        "obs.txt: ignorado, e um relatorio deste programa\n"},
        CommandLineCase{"an input passed over with a row",
                        0,
                        {{fuzzedList, listOfOne}, {fuzzedJson, "{}"}},
                        "a list of an input passed over that is not its header alone",
                        "obs.txt: ignorado, e um relatorio deste programa\n"},
        CommandLineCase{"a list cut after its header",
                        0,
                        {{fuzzedList, "nome;M\r\n"}, {fuzzedJson, "{}"}},
                        "a list without its header and one row"},
        CommandLineCase{"a JSON document cut short",
                        0,
                        {{fuzzedList, listOfOne}, {fuzzedJson, "{\"a\": [1, "}},
                        "a JSON document that does not parse"},
        CommandLineCase{"a drawing cut short",
                        0,
                        {{fuzzedList, listOfOne}, {fuzzedJson, "{}"}, {fuzzedDrawing, "<?xml"}},
                        "a drawing that is not a whole SVG page"},
        CommandLineCase{"nan in the report",
                        0,
                        {{fuzzedList, listOfOne}, {fuzzedJson, "{}"}, {fuzzedReport, "M = nan"}},
                        "nan or inf in obs-relatorio.txt"}));

} // namespace
} // namespace interseccao
