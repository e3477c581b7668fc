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
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
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
        EXPECT_EQ(lowered(result.console).find(word), std::string::npos) << "console:\n" << result.console;
        EXPECT_EQ(lowered(result.report).find(word), std::string::npos) << "report:\n" << result.report;
    }
}

std::string caseFile(const std::string& name) { return readFile(sourceDir() + "/tests/cases/" + name + "/obs.txt"); }

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool isNumber(const std::string& token) {
    return !token.empty() && (std::isdigit(static_cast<unsigned char>(token.front())) || token.front() == '-');
}

// Every way of writing the file with one numeric value replaced by `value`, with the
// line number (from 1) of the value replaced.
std::vector<std::pair<std::string, int>> withEachNumberReplaced(const std::string& observations, const std::string& value) {
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
                for (std::size_t k = 0; k < changed.size(); ++k) text += (k ? " " : "") + changed[k];
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

void PrintTo(const FieldValueCase& valueCase, std::ostream* out) { *out << '"' << valueCase.value << '"'; }

class EveryNumericField : public ::testing::TestWithParam<std::tuple<std::string, FieldValueCase>> {};

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
            EXPECT_NE(result.errors.find("linha " + std::to_string(line) + ":"), std::string::npos) << result.errors;
            break;
        case Expect::NormalOrStop:
            EXPECT_EQ(result.status, 0) << result.errors;
            break;
        case Expect::DefinedEnd:
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, EveryNumericField,
    ::testing::Combine(::testing::Values("gc-survey-height", "gs-survey-height", "gr-survey-height"),
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

} // namespace
} // namespace interseccao::testing
