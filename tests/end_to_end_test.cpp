// End-to-end cases as data: each folder of tests/cases holds an observation file, the typed
// answers and the expected console, report and error bytes of a whole run.
#include "support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

// Files of a case folder: obs.txt (the observation file, named so in the answers),
// answers.txt, expected-console.txt, and, when a report or an error is expected,
// expected-report.txt and expected-errors.txt. Any other file is also offered to the
// run under its own name.
std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(sourceDir() + "/tests/cases"))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class EndToEnd : public ::testing::TestWithParam<std::string> {};

TEST_P(EndToEnd, ConsoleReportAndErrorsMatch) {
    const fs::path folder = fs::path(sourceDir()) / "tests/cases" / GetParam();
    MemoryFiles files;
    const std::string answers = readFile(folder / "answers.txt");
    std::string input = answers; // everything the run is given
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name != "answers.txt" && !name.starts_with("expected-")) {
            files.files[name] = readFile(entry.path());
            input += files.files[name];
        }
    }
    const RunResult result = runWith(files, answers);
    // Whatever the expectations say, the run ends in one of the defined ways.
    expectDefinedEnd(result, input);

    expectAsInFolder(result, folder);
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEnd, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
} // namespace interseccao::testing
