// Hostile observation files and console answers: whatever the bytes, a run ends normally,
// at a stop (status 0, nothing on standard error) or at one file-layer error (status 2, one
// line on standard error), and never prints a number that is not finite.
#include "support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

namespace interseccao::testing {
namespace {

const std::string answersWithHeight = "obs.txt\nrel.txt\nS\n";

std::string lowered(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Checks the ways a run may end, and that no "nan" or "inf" shows in what it wrote
// unless the observation file brought the word in itself.
void expectDefinedEnd(const RunResult& result, const std::string& observations) {
    if (result.status == 0) {
        EXPECT_EQ(result.errors, "");
    } else {
        EXPECT_EQ(result.status, 2);
        EXPECT_TRUE(result.errors.starts_with("Erro")) << result.errors;
        EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1) << result.errors;
        EXPECT_TRUE(result.errors.ends_with("\n")) << result.errors;
    }
    const std::string input = lowered(observations);
    for (const std::string word : {"nan", "inf"}) {
        if (input.find(word) != std::string::npos) continue;
        EXPECT_EQ(lowered(result.console).find(word), std::string::npos) << "console:\n"
                                                                         << result.console;
        EXPECT_EQ(lowered(result.report).find(word), std::string::npos) << "report:\n"
                                                                        << result.report;
    }
}

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
// Readings whose conversion to radians overflows, and coordinates whose differences
// overflow, stop the run instead of printing bearings or heights that are not numbers.

struct OverflowCase {
    std::string survey;
    std::string from; // a reading as written in the survey
    std::string to;
};

void PrintTo(const OverflowCase& c, std::ostream* out) { *out << ::testing::PrintToString(c.to); }

class OverflowingReading : public ::testing::TestWithParam<OverflowCase> {};

TEST_P(OverflowingReading, StopsWithItsMessage) {
    const OverflowCase& c = GetParam();
    const std::string observations = replaced(caseFile(c.survey), c.from, c.to);
    const RunResult result = runWith(observations, answersWithHeight);
    expectDefinedEnd(result, observations);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.console.ends_with("\r\nValores fora do dominio de calculo!\r\n"))
        << result.console;
}

INSTANTIATE_TEST_SUITE_P(
    Readings, OverflowingReading,
    ::testing::Values(
        OverflowCase{"gc-survey-height", " 353.2174024\n",
                     " 1.7976931348623157e308\n"},                        // to the sighted point
        OverflowCase{"gc-survey-height", " 38.5163170\n", " -1.7e308\n"}, // to a reference point
        OverflowCase{"gc-survey-height", " 87.0804877 ", " 1.7e308 "},    // zenith
        OverflowCase{"gr-survey-height", " 72.31789\n", " 1.7e308\n"},
        OverflowCase{"gs-survey-height", " 84 36 10.1 ", " 1.7e308 36 10.1 "},   // zenith degrees
        OverflowCase{"gs-survey-height", " 84 36 10.1 ", " 1e308 1e308 1e308 "}, // their sum
        // Coordinates whose differences overflow.
        OverflowCase{"gc-survey-height",
                     "MARCO12 48304.890 186479.686 2 353.2174024\nPICOTO 51793.561 188084.296 ",
                     "MARCO12 -1.7e308 -1.7e308 2 353.2174024\nPICOTO 1.7e308 1.7e308 "}));

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

// ---------------------------------------------------------------------------------------
// Counts: far larger than the file holds, zero, negative.

struct CountCase {
    std::string description;
    std::string survey;
    std::string from;
    std::string to;
    std::string answers;
    int status;
    std::string expected; // part of the errors (status 2) or end of the console (status 0)
    std::string reportPart;
    bool withoutZenithRecords = false;
};

void PrintTo(const CountCase& c, std::ostream* out) { *out << c.description; }

class Counts : public ::testing::TestWithParam<CountCase> {};

TEST_P(Counts, EndAsTheFileSays) {
    const CountCase& c = GetParam();
    std::string observations = replaced(caseFile(c.survey), c.from, c.to);
    // Without the zenith records, which would otherwise be read as stations.
    if (c.withoutZenithRecords)
        observations.erase(observations.rfind(c.survey == "gs-survey-height" ? "\n3\n" : "\n4\n") +
                           1);
    const RunResult result = runWith(observations, c.answers);
    expectDefinedEnd(result, observations);
    EXPECT_EQ(result.status, c.status) << result.errors;
    if (c.status == 2) {
        EXPECT_NE(result.errors.find(c.expected), std::string::npos) << result.errors;
    } else {
        EXPECT_TRUE(result.console.ends_with(c.expected)) << result.console;
    }
    EXPECT_NE(result.report.find(c.reportPart), std::string::npos) << result.report;
}

const std::string answersWithoutHeight = "obs.txt\nrel.txt\nN\n";
const std::string heightQuestion = " Quer calcular a cota do ponto visado (S/N)? \r\n";
const std::string lastStation =
    "188166.134 1 84.9082420\nDEPOSITO 50871.163 187911.119 343.4088893\n";

INSTANTIATE_TEST_SUITE_P(
    Values, Counts,
    ::testing::Values(
        CountCase{"stations 2000000000", "gc-survey-height", "TORRE 4", "TORRE 2000000000",
                  answersWithHeight, 2, "linha 12: fim do ficheiro antes do fim do registo", "",
                  true},
        CountCase{"sightings 2000000000", "gc-survey-height", "186479.686 2 ",
                  "186479.686 2000000000 ", answersWithHeight, 2,
                  "linha 12: fim do ficheiro antes do fim do registo", "", true},
        CountCase{"sightings 2147483647", "gs-survey-height", "253578.826 2 ",
                  "253578.826 2147483647 ", answersWithHeight, 2,
                  "linha 9: fim do ficheiro antes do fim do registo", "", true},
        CountCase{"zenith records 2000000000", "gc-survey-height", "\n4\n", "\n2000000000\n",
                  answersWithHeight, 2, "linha 17: fim do ficheiro antes do fim do registo",
                  "Angulos azimutais ajustados:"},
        CountCase{"stations 0", "gc-survey-height", "TORRE 4", "TORRE 0", answersWithHeight, 0,
                  "\r\nNumero insuficiente de dados\r\n", ""},
        CountCase{"stations -1", "gc-survey-height", "TORRE 4", "TORRE -1", answersWithHeight, 0,
                  "\r\nNumero insuficiente de dados\r\n", ""},
        CountCase{"stations -2147483648", "gr-survey-height", "RESERVATORIO 5",
                  "RESERVATORIO -2147483648", answersWithHeight, 0,
                  "\r\nNumero insuficiente de dados\r\n", ""},
        CountCase{"sightings 0 on the last station", "gc-survey-height", lastStation,
                  "188166.134 0 84.9082420\n", answersWithHeight, 0,
                  "\r\nEstacao MOINHO sem pontos de referencia!\r\n", ""},
        CountCase{"sightings -7 on the last station", "gc-survey-height", lastStation,
                  "188166.134 -7 84.9082420\n", answersWithHeight, 0,
                  "\r\nEstacao MOINHO sem pontos de referencia!\r\n", ""},
        CountCase{"sightings 0 on the first station", "gc-survey-height", "186479.686 2 ",
                  "186479.686 0 ", answersWithHeight, 2, "linha 4: esperado um numero inteiro", ""},
        CountCase{"zenith records 0", "gc-survey-height", "\n4\n", "\n0\n", answersWithHeight, 0,
                  heightQuestion, "Redundancia (altimetria):  -1\r\n\r\n"},
        CountCase{"zenith records 1", "gc-survey-height", "\n4\n", "\n1\n", answersWithHeight, 0,
                  heightQuestion, "Redundancia (altimetria):   0\r\n\r\n"},
        CountCase{"zenith records -1", "gc-survey-height", "\n4\n", "\n-1\n", answersWithHeight, 0,
                  heightQuestion, "Redundancia (altimetria):  -2\r\n\r\n"},
        CountCase{"zenith records -2147483648", "gc-survey-height", "\n4\n", "\n-2147483648\n",
                  answersWithHeight, 0, heightQuestion, "Redundancia (altimetria): ***\r\n\r\n"}),
    [](const auto& info) {
        std::string name = info.param.description;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

// ---------------------------------------------------------------------------------------
// The size of an adjustment and the length of a precision search are bounded.

// A survey of three stations whose first station sights the same reference point
// `sightings` times, with `zenithRecords` copies of one zenith record.
std::string repeatedSurvey(int sightings, int zenithRecords) {
    std::string text = "gc 0.001 5\nV 3\n";
    text += "E1 1000.0 0.0 " + std::to_string(sightings) + " 0.0\n";
    for (int i = 0; i < sightings; ++i) text += "R1 1000.0 -500.0 180.0\n";
    text += "E2 0.0 1000.0 1 90.0\nR2 0.0 0.0 135.0\n";
    text += "E3 2000.0 1000.0 1 270.0\nR3 2000.0 0.0 225.0\n";
    text += std::to_string(zenithRecords) + "\n";
    for (int i = 0; i < zenithRecords; ++i) text += "E1 1000.0 0.0 100.0 89.9 1.5 1.5\n";
    return text;
}

struct LimitCase {
    std::string description;
    std::string observations;
    std::string consoleEnd;
    std::string reportPart;
};

void PrintTo(const LimitCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.description);
}

class Limits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(Limits, KeepRunsBounded) {
    const LimitCase& c = GetParam();
    const RunResult result = runWith(c.observations, answersWithHeight);
    expectDefinedEnd(result, c.observations);
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_TRUE(result.console.ends_with(c.consoleEnd))
        << result.console.substr(result.console.size() - 200);
    EXPECT_NE(result.report.find(c.reportPart), std::string::npos) << result.report;
}

// Found by fuzzing: a reading thousands of degrees off, so that the planimetric search
// climbs 0.1" at a time past its bound on the number of tests.
const std::string climbingSearch = "gc 0.001 5\n"
                                   "V 4\n"
                                   "S1   419005.640 102611.275 2 34.8367900\n"
                                   "T1   40288.914 103987.402 298.0533365\n"
                                   "T2   43126.733 101154.560 127.6783739\n"
                                   "S2   43950.118 102870.493 2 45.6253547\n"
                                   "T2   43126.733 101154.560 313.9332058\n"
                                   "T3   45411.207 104120.884 157.7425692\n"
                                   "S3   43602.905 104390.067 2 124.0125770\n"
                                   "T3   45411.207 104120.884 2.4153214\n"
                                   "T4   42350.616 105802.118 222.3820774\n"
                                   "S4   41988.472 104120.350 2 170.1228354\n"
                                   "T4   42350.616 105802.118 53.5515186\n"
                                   "T1   40288.914 103982.34 7006.9273659\n"
                                   "4\n"
                                   "S1   41905.640 102611.275 55.310 88.5249239 1.473 1.258\n"
                                   "S2   43950.118 102870.493 61.880 88.8563009 1.499 1.309\n"
                                   "S3   43602.905 104390.067 102.470 90.7037183 1.501 1.433\n"
                                   "S4   41988.472 104120.350 74.900 89.3208205 1*482 1.383\n";

INSTANTIATE_TEST_SUITE_P(
    Sizes, Limits,
    ::testing::Values(
        LimitCase{"sightings_200", repeatedSurvey(200, 2), heightQuestion, "Cota ajustada:"},
        LimitCase{"sightings_201", repeatedSurvey(201, 2),
                  "\r\nEstacao E1 com mais de 200 pontos de referencia!\r\n", ""},
        LimitCase{"zenith_records_2000", repeatedSurvey(1, 2000), heightQuestion,
                  "Redundancia (altimetria): ***"},
        // A reading 2 degrees off with an a-priori precision of 0.1": the search climbs for
        // tens of thousands of steps, and ends.
        LimitCase{"long_search",
                  replaced(replaced(caseFile("gc-survey-height"), " 38.5163170\n", " 40.5163170\n"),
                           "gc 0.001 5\n", "gc 0.001 0.1\n"),
                  heightQuestion, "Precisao a posteriori das leituras azimutais: "},
        LimitCase{"fuzzed_climbing_search", climbingSearch,
                  "\r\nPesquisa da precisao nao convergente!\r\n",
                  "Redundancia (planimetria):   2"},
        // The search climbs from 5" for more than 500 steps.
        LimitCase{"long_search_in_range",
                  replaced(caseFile("gc-survey-height"), " 38.5163170\n", " 38.5663170\n"),
                  heightQuestion, "Precisao a posteriori das leituras azimutais: 57.9 segundos"}),
    [](const auto& info) { return info.param.description; });

// ---------------------------------------------------------------------------------------
// Files that hold nothing usable: empty, only a byte-order mark, NUL bytes.

struct OddFileCase {
    std::string description;
    std::string observations;
    std::string errors; // the whole standard error; empty for "any one line"
};

void PrintTo(const OddFileCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.description);
}

class OddFile : public ::testing::TestWithParam<OddFileCase> {};

TEST_P(OddFile, IsAFileLayerError) {
    const OddFileCase& c = GetParam();
    const RunResult result = runWith(c.observations, answersWithHeight);
    expectDefinedEnd(result, c.observations);
    EXPECT_EQ(result.status, 2);
    if (!c.errors.empty()) {
        EXPECT_EQ(result.errors, c.errors);
    }
    EXPECT_FALSE(result.reportCreated);
}

const std::string emptyFileError = "Erro no ficheiro obs.txt: o ficheiro esta vazio; esperado um "
                                   "texto (codigo da unidade angular)\n";

std::string withNulLineEnds() {
    std::string text = caseFile("gc-survey-height");
    std::replace(text.begin(), text.end(), '\n', '\0');
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Files, OddFile,
    ::testing::Values(OddFileCase{"empty", "", emptyFileError},
                      OddFileCase{"only_bom", "\xEF\xBB\xBF", emptyFileError},
                      OddFileCase{"bom_and_line_end", "\xEF\xBB\xBF\r\n",
                                  "Erro no ficheiro obs.txt, linha 1: fim do ficheiro antes do fim "
                                  "do registo; esperado um texto "
                                  "(codigo da unidade angular)\n"},
                      OddFileCase{"only_nul_bytes", std::string(64, '\0'),
                                  "Erro no ficheiro obs.txt, linha 1: fim do ficheiro antes do fim "
                                  "do registo; esperado um numero "
                                  "real (tolerancia)\n"},
                      OddFileCase{"nul_in_a_number",
                                  replaced(caseFile("gc-survey-height"), "0.001",
                                           std::string("0.0\0"
                                                       "01",
                                                       6)),
                                  "Erro no ficheiro obs.txt, linha 1: esperado um numero real em "
                                  "vez de \"0.0?01\" (tolerancia)\n"},
                      OddFileCase{"nul_for_line_ends", withNulLineEnds(), ""}),
    [](const auto& info) { return info.param.description; });

// ---------------------------------------------------------------------------------------
// Console input that ends early.

struct AnswersCase {
    std::string description;
    std::string answers;
    int status;
    bool heightComputed;
    std::string errors;
};

void PrintTo(const AnswersCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.description);
}

class EarlyEndOfAnswers : public ::testing::TestWithParam<AnswersCase> {};

TEST_P(EarlyEndOfAnswers, EndsAsIfAnswered) {
    const AnswersCase& c = GetParam();
    const std::string observations = caseFile("gc-survey-height");
    const RunResult result = runWith(observations, c.answers);
    expectDefinedEnd(result, observations);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.errors, c.errors);
    if (c.status == 0) {
        EXPECT_TRUE(result.console.ends_with(heightQuestion)) << result.console;
        EXPECT_EQ(result.report,
                  runWith(observations, c.heightComputed ? answersWithHeight : answersWithoutHeight)
                      .report);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, EarlyEndOfAnswers,
    ::testing::Values(
        AnswersCase{"no_height_answer", "obs.txt\nrel.txt\n", 0, false, ""},
        AnswersCase{"report_name_without_line_end", "obs.txt\nrel.txt", 0, false, ""},
        AnswersCase{"height_answer_without_line_end", "obs.txt\nrel.txt\nS", 0, true, ""},
        AnswersCase{"height_answer_with_cr", "obs.txt\nrel.txt\ns\r\n", 0, true, ""},
        AnswersCase{"empty_height_answer", "obs.txt\nrel.txt\n\r\n", 0, false, ""},
        AnswersCase{"no_report_name", "obs.txt\n", 2, false,
                    "Erro: a entrada da consola terminou antes do nome do ficheiro de output\n"},
        AnswersCase{"no_answers", "", 2, false,
                    "Erro: a entrada da consola terminou antes do nome do ficheiro de input\n"}),
    [](const auto& info) { return info.param.description; });

} // namespace
} // namespace interseccao::testing
