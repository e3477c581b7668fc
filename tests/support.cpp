// In-process runs of the program for the tests.
#include "support.hpp"

#include "app/driver.hpp"
#include "run_checks.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace interseccao::testing {

FormattedLine formatLine(std::string_view layout, std::span<const FieldValue> values) {
    FormattedLine line;
    line.open = appendLine(line.text, layout, values);
    return line;
}

FormattedLine formatLine(std::string_view layout, std::initializer_list<FieldValue> values) {
    return formatLine(layout, std::span<const FieldValue>(values.begin(), values.size()));
}

std::string formatInteger(std::int64_t value, int width) {
    return formatLine("(I" + std::to_string(width) + ")", {value}).text;
}

std::string formatText(std::string_view text, int width) {
    return formatLine("(A" + std::to_string(width) + ")", {text}).text;
}

RunResult runWith(MemoryFiles& files, const std::string& answers, const Adjustments& adjustments) {
    std::istringstream in(answers);
    std::ostringstream out, err;
    RunResult result;
    result.status = runProgram(in, out, err, files, adjustments);
    result.console = out.str();
    result.errors = err.str();
    result.reportCreated = files.reportCreated();
    result.report = files.report();
    return result;
}

RunResult runWith(const std::string& observations, const std::string& answers,
                  const Adjustments& adjustments) {
    MemoryFiles files;
    files.files["obs.txt"] = observations;
    return runWith(files, answers, adjustments);
}

void expectDefinedEnd(const RunResult& result, std::string_view input) {
    const auto broken =
        brokenEndRule({result.status, result.console, result.errors, result.report}, input);
    if (!broken) return;
    // The end of each output is enough to see what went wrong, and keeps a failure on a
    // 10 MB input readable.
    const auto tail = [](const std::string& text) {
        return text.size() <= 4000 ? text : "[...]" + text.substr(text.size() - 4000);
    };
    ADD_FAILURE() << *broken << "\nstatus " << result.status << "\nstandard error:\n"
                  << tail(result.errors) << "\nconsole:\n"
                  << tail(result.console) << "\nreport:\n"
                  << tail(result.report);
}

void expectAsInFolder(const RunResult& result, const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    if (std::getenv("INTERSECCAO_UPDATE_CASES") != nullptr) {
        fs::create_directories(folder);
        writeFile(folder / "expected-console.txt", result.console);
        fs::remove(folder / "expected-report.txt");
        fs::remove(folder / "expected-errors.txt");
        if (result.reportCreated) writeFile(folder / "expected-report.txt", result.report);
        if (!result.errors.empty()) writeFile(folder / "expected-errors.txt", result.errors);
        GTEST_SKIP() << "expectations rewritten";
    }
    EXPECT_EQ(result.console, readFile(folder / "expected-console.txt"));
    const bool reportExpected = fs::exists(folder / "expected-report.txt");
    EXPECT_EQ(result.reportCreated, reportExpected);
    if (reportExpected) {
        EXPECT_EQ(result.report, readFile(folder / "expected-report.txt"));
    }
    const bool errorsExpected = fs::exists(folder / "expected-errors.txt");
    EXPECT_EQ(result.errors,
              errorsExpected ? readFile(folder / "expected-errors.txt") : std::string());
    EXPECT_EQ(result.status, errorsExpected ? 2 : 0);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string sourceDir() { return INTERSECCAO_SOURCE_DIR; }

::testing::AssertionResult sameList([[maybe_unused]] const std::string& name,
                                    const std::string& actual, const std::string& expected) {
#if defined(_WIN32) || defined(__EMSCRIPTEN__)
    if (name.ends_with(".json") || name.ends_with(".csv")) {
        const auto isNumberStart = [](const std::string& s, std::size_t i) {
            return std::isdigit(static_cast<unsigned char>(s[i])) ||
                   (s[i] == '-' && i + 1 < s.size() &&
                    std::isdigit(static_cast<unsigned char>(s[i + 1])));
        };
        std::size_t i = 0, j = 0;
        while (i < actual.size() && j < expected.size()) {
            if (isNumberStart(actual, i) && isNumberStart(expected, j)) {
                char* endActual = nullptr;
                char* endExpected = nullptr;
                const double a = std::strtod(actual.c_str() + i, &endActual);
                const double e = std::strtod(expected.c_str() + j, &endExpected);
                if (std::fabs(a - e) > 1e-9 * std::max(std::fabs(a), std::fabs(e)))
                    return ::testing::AssertionFailure()
                           << name << ": " << a << " against " << e << " at byte " << j;
                i = static_cast<std::size_t>(endActual - actual.c_str());
                j = static_cast<std::size_t>(endExpected - expected.c_str());
                continue;
            }
            if (actual[i] != expected[j])
                return ::testing::AssertionFailure() << name << ": differs at byte " << j;
            ++i, ++j;
        }
        if (i == actual.size() && j == expected.size()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << name << ": lengths differ";
    }
#endif
    if (actual == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << name << " differs:\n" << actual;
}

} // namespace interseccao::testing
