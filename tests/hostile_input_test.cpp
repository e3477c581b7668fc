// Hostile observation files: whatever the bytes, a run ends normally, at a stop (status 0,
// nothing on standard error) or at one file-layer error (status 2, one line on standard
// error), and never prints a number that is not finite. The inputs here are generated from
// the surveys of tests/cases or too large for a folder; the fixed hostile files and
// answers (overflowing-*, count-*, limit-*, odd-file-*, answers-*) are case folders there.
#include "app/command_line.hpp"
#include "run_checks.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace interseccao::testing {
namespace {

const std::string answersWithHeight = "obs.txt\nrel.txt\nS\n";

std::string caseFile(const std::string& name) {
    return readFile(sourceDir() + "/tests/cases/" + name + "/obs.txt");
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool isNumber(const std::string& token) {
    return !token.empty() &&
           (std::isdigit(static_cast<unsigned char>(token.front())) || token.front() == '-');
}

// Every way of writing the file with one numeric value replaced by `value`, with the
// line number (from 1) of the value replaced.
std::vector<std::pair<std::string, int>> withEachNumberReplaced(const std::string& observations,
                                                                const std::string& value) {
    std::vector<std::pair<std::string, int>> variants;
    const std::vector<std::string> lines = splitLines(observations);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::istringstream fields(lines[i]);
        std::vector<std::string> tokens;
        for (std::string token; fields >> token;) tokens.push_back(token);
        for (std::size_t j = 0; j < tokens.size(); ++j) {
            if (!isNumber(tokens[j])) continue;
            std::string text;
            for (std::size_t l = 0; l < lines.size(); ++l) {
                if (l != i) {
                    text += lines[l] + "\n";
                    continue;
                }
                std::vector<std::string> changed = tokens;
                changed[j] = value;
                for (std::size_t k = 0; k < changed.size(); ++k)
                    text += (k ? " " : "") + changed[k];
                text += "\n";
            }
            variants.emplace_back(text, static_cast<int>(i + 1));
        }
    }
    return variants;
}

// ---------------------------------------------------------------------------------------
// Every numeric field of a survey of each angle unit, replaced by a value that is not a
// finite number, by minus zero, or by a finite but extreme value.

enum class Expect { MalformedOnItsLine, DefinedEnd, NormalOrStop };

struct FieldValueCase {
    std::string value;
    Expect expect;
};

void PrintTo(const FieldValueCase& valueCase, std::ostream* out) {
    *out << '"' << valueCase.value << '"';
}

class EveryNumericField : public ::testing::TestWithParam<std::tuple<std::string, FieldValueCase>> {
};

TEST_P(EveryNumericField, EndsInADefinedWay) {
    const auto& [survey, valueCase] = GetParam();
    const std::string base = caseFile(survey);
    const auto variants = withEachNumberReplaced(base, valueCase.value);
    ASSERT_GT(variants.size(), 20u);
    for (const auto& [observations, line] : variants) {
        SCOPED_TRACE(survey + ", \"" + valueCase.value + "\" on line " + std::to_string(line));
        const RunResult result = runWith(observations, answersWithHeight);
        expectDefinedEnd(result, observations);
        switch (valueCase.expect) {
        case Expect::MalformedOnItsLine:
            EXPECT_EQ(result.status, 2);
            EXPECT_NE(result.errors.find("linha " + std::to_string(line) + ":"), std::string::npos)
                << result.errors;
            break;
        case Expect::NormalOrStop: EXPECT_EQ(result.status, 0) << result.errors; break;
        case Expect::DefinedEnd: break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, EveryNumericField,
    ::testing::Combine(
        ::testing::Values("gc-survey-height", "gs-survey-height", "gr-survey-height"),
        ::testing::Values(FieldValueCase{"nan", Expect::MalformedOnItsLine},
                          FieldValueCase{"-nan", Expect::MalformedOnItsLine},
                          FieldValueCase{"inf", Expect::MalformedOnItsLine},
                          FieldValueCase{"-Infinity", Expect::MalformedOnItsLine},
                          FieldValueCase{"1e400", Expect::MalformedOnItsLine},
                          FieldValueCase{"-1D400", Expect::MalformedOnItsLine},
                          FieldValueCase{"-0", Expect::DefinedEnd},
                          // Integers written as reals are malformed; as reals these are valid.
                          FieldValueCase{"-0.0", Expect::DefinedEnd},
                          FieldValueCase{"1e300", Expect::DefinedEnd},
                          FieldValueCase{"-1e300", Expect::DefinedEnd},
                          FieldValueCase{"1.7976931348623157e308", Expect::DefinedEnd},
                          FieldValueCase{"1e-300", Expect::DefinedEnd},
                          FieldValueCase{"-4.9e-324", Expect::DefinedEnd},
                          FieldValueCase{"2000000000", Expect::DefinedEnd},
                          FieldValueCase{"-2147483648", Expect::DefinedEnd})),
    [](const auto& info) {
        std::string name = std::get<0>(info.param) + "_" + std::to_string(info.index);
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// Replaces the first occurrence of `from` in `text`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) throw std::logic_error("no " + from + " in the text");
    return text.replace(at, from.size(), to);
}

std::string padded(std::string name) {
    name.resize(12, ' ');
    return name;
}

// ---------------------------------------------------------------------------------------
// Names with bytes above 127 and control characters are kept byte for byte, cut to 12.

struct NameCase {
    std::string written; // in the file
    std::string kept;    // the name the run works with, before padding
};

void PrintTo(const NameCase& c, std::ostream* out) { *out << ::testing::PrintToString(c.written); }

class HostileName : public ::testing::TestWithParam<NameCase> {};

TEST_P(HostileName, IsWrittenBackByteForByte) {
    const NameCase& c = GetParam();
    std::string observations = caseFile("gc-survey-height");
    observations = replaced(observations, "TORRE 4", c.written + " 4");
    observations = replaced(observations, "MARCO12 48304.890 186479.686 2",
                            c.written + " 48304.890 186479.686 2");
    observations = replaced(observations, "PICOTO", c.written);
    const RunResult result = runWith(observations, answersWithHeight);
    ASSERT_EQ(result.status, 0) << result.errors;
    const std::string name = padded(c.kept);
    EXPECT_NE(
        result.console.find("    Rumo de " + name + " para " + name + " a partir de " + name + "="),
        std::string::npos)
        << result.console;
    EXPECT_NE(result.report.find("Calculo por interseccao inversa das coordenadas do ponto " +
                                 name + "\r\n"),
              std::string::npos);
    std::string trimmed = c.kept;
    trimmed.erase(trimmed.find_last_not_of(' ') + 1);
    EXPECT_NE(result.report.find("     M(" + trimmed + ") = "), std::string::npos) << result.report;
    EXPECT_NE(result.report.find("     C(" + trimmed + ") = "), std::string::npos) << result.report;
}

INSTANTIATE_TEST_SUITE_P(
    Names, HostileName,
    ::testing::Values(
        NameCase{"ESTA\xC3\x87\xC3\x83O", "ESTA\xC3\x87\xC3\x83O"}, // UTF-8
        NameCase{"\xE9\xE8\xFF\x80", "\xE9\xE8\xFF\x80"},           // Latin-1 and stray bytes
        NameCase{
            "\xC3\x81\xC3\x81\xC3\x81\xC3\x81\xC3\x81\xC3\x81\xC3\x81", // cut inside a character
            "\xC3\x81\xC3\x81\xC3\x81\xC3\x81\xC3\x81\xC3\x81"},
        NameCase{"A\x01"
                 "B\x7F\x1B[0m",
                 "A\x01"
                 "B\x7F\x1B[0m"},                                 // control bytes
        NameCase{"\x0B\x0C\x07", "\x0B\x0C\x07"},                 // not separators
        NameCase{std::string("N\0L", 3), std::string("N\0L", 3)}, // a NUL byte
        NameCase{"'A\tB\rC D'", "A\tB\rC D"},                     // quoted tab, CR, blank
        NameCase{"'\xC3\x89 ''X'''", "\xC3\x89 'X'"}));

// ---------------------------------------------------------------------------------------
// One line of 10 MB, in each place where a line may hold it.

struct LongLineCase {
    std::string description;
    std::string from; // text of the survey to replace
    std::string to;   // with the 10 MB text marked by "@"
    char filler;
    int status;
    std::string errorPart; // when status is 2
};

void PrintTo(const LongLineCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.description);
}

class TenMegabyteLine : public ::testing::TestWithParam<LongLineCase> {};

TEST_P(TenMegabyteLine, IsReadInBoundedTimeAndMemory) {
    const LongLineCase& c = GetParam();
    const std::string base = caseFile("gc-survey-height");
    const std::string huge(10 * 1024 * 1024, c.filler);
    const std::string observations = replaced(base, c.from, replaced(c.to, "@", huge));
    const RunResult result = runWith(observations, answersWithHeight);
    expectDefinedEnd(result, observations);
    EXPECT_EQ(result.status, c.status) << result.errors;
    if (c.status == 2) {
        EXPECT_NE(result.errors.find(c.errorPart), std::string::npos) << result.errors;
        EXPECT_LT(result.errors.size(), 300u);
    } else if (c.filler != 'E') {
        // Zeros after the decimals, blanks and remarks change nothing in the report.
        EXPECT_EQ(result.report, runWith(base, answersWithHeight).report);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TenMegabyteLine,
    ::testing::Values(
        LongLineCase{"remark", "gc 0.001 5\n", "gc 0.001 5 @\n", 'r', 0, ""},
        LongLineCase{"blanks", "gc 0.001 5\n", "gc 0.001 5@\n", ' ', 0, ""},
        LongLineCase{"decimals", "48304.890 186479.686 2", "48304.890@ 186479.686 2", '0', 0, ""},
        LongLineCase{"name", "TORRE 4", "TORRE@ 4", 'E', 0, ""},
        LongLineCase{"integer", "TORRE 4", "TORRE 4@", '4', 2, "esperado um numero inteiro entre"},
        LongLineCase{"exponent", " 5\n", " 5e1@\n", '0', 2, "esperado um numero real finito"},
        LongLineCase{"open quote", "TORRE 4", "'@ 4", 'q', 2, "sem apostrofo final"},
        LongLineCase{"commas", "gc 0.001 5", "gc 0.001,@5", ',', 2, "valor vazio entre virgulas"},
        LongLineCase{"remark without line end", "1.418 1.480\n", "1.418 1.480 @", 'x', 0, ""}),
    [](const auto& info) {
        std::string name = info.param.description;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

// Every observation file of the cases and the examples, run as the command-line fuzz target
// runs its inputs: whatever a file holds, every output that the run writes is whole.
TEST(CommandLineOnEveryCase, EndsInADefinedWayWithEveryOutputWhole) {
    std::vector<std::filesystem::path> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(sourceDir() + "/tests/cases"))
        if (std::filesystem::exists(entry.path() / "obs.txt"))
            inputs.push_back(entry.path() / "obs.txt");
    for (const auto& entry : std::filesystem::directory_iterator(sourceDir() + "/examples"))
        if (entry.path().extension() == ".txt") inputs.push_back(entry.path());
    ASSERT_GT(inputs.size(), 40u);
    for (const auto& path : inputs) {
        const std::string input = readFile(path);
        MemoryFiles files;
        files.files["obs.txt"] = input;
        std::ostringstream out, errors;
        const int status = runCommandLine(
            {"obs.txt", "--analise", "--desenho", "--resumo", fuzzedList, "--json", fuzzedJson},
            out, errors, files);
        std::map<std::string, std::string> written;
        for (const char* name :
             {fuzzedReport, fuzzedAnalysis, fuzzedDrawing, fuzzedList, fuzzedJson})
            if (files.outputCreated(name)) written[name] = files.output(name);
        EXPECT_EQ(brokenCommandLineRule({status, out.str(), errors.str(), &written}, input),
                  std::nullopt)
            << path;
    }
}

} // namespace
} // namespace interseccao::testing
