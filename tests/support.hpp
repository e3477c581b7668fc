// Helpers shared by the tests: in-process runs and file access.
#pragma once

#include "app/driver.hpp"
#include "platform/files.hpp"
#include "text/line_format.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace interseccao::testing {

// One line of a layout as the program's outputs write it.
struct FormattedLine {
    std::string text;  // without the line end
    bool open = false; // the layout ends in a backslash
};
FormattedLine formatLine(std::string_view layout, std::span<const FieldValue> values);
FormattedLine formatLine(std::string_view layout, std::initializer_list<FieldValue> values);
// One Iw or Aw item alone.
std::string formatInteger(std::int64_t value, int width);
std::string formatText(std::string_view text, int width);

struct RunResult {
    int status = 0;
    std::string console;
    std::string errors;
    bool reportCreated = false;
    std::string report;
};

// Runs the whole program in process on one observation file, held in memory as
// "obs.txt", with the console answers given.
RunResult runWith(const std::string& observations, const std::string& answers,
                  const Adjustments& adjustments = {});

// Runs the program in process with the given in-memory files.
RunResult runWith(MemoryFiles& files, const std::string& answers,
                  const Adjustments& adjustments = {});

// Fails the current test unless the run ended in one of the program's defined ways
// (run_checks.hpp, shared with the fuzz target); `input` is everything the run was given.
void expectDefinedEnd(const RunResult& result, std::string_view input);

// Compares a run with the expected files of `folder`: expected-console.txt, and
// expected-report.txt and expected-errors.txt when a report or an error is expected (status 2
// with errors, else 0). With INTERSECCAO_UPDATE_CASES=1 it rewrites them from the run instead
// and skips the test; review every changed byte before committing them.
void expectAsInFolder(const RunResult& result, const std::filesystem::path& folder);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& contents);

// A folder of its own under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& name)
        : path_(std::filesystem::temp_directory_path() / ("interseccao-" + name)) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The repository's root directory.
std::string sourceDir();

// Whether a list the program wrote is the expected one. Numbers are written with every digit
// of the double, and the C libraries of the Windows and the WebAssembly builds round some
// functions (logarithms, roots, arc tangents) in the last bit otherwise than the one the
// expectations come from: there, the numbers of a CSV or JSON list (by `name`'s extension) are
// compared to 1e-9 relative, and everything else byte for byte.
::testing::AssertionResult sameList(const std::string& name, const std::string& actual,
                                    const std::string& expected);

} // namespace interseccao::testing
