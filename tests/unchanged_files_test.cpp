// Files that read correctly go on reading the same. Every example and every case's observation
// file reads without a decimal comma refused, and each example's whole run, answered with S,
// is pinned in tests/examples (the cases pin theirs in tests/cases).
#include "support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

// The examples, relative to examples/: "exemplo.txt", "erros/uma-estacao.txt". The list of points
// and the record of the field session (examples/sessao) are not observation files.
std::vector<std::string> exampleNames() {
    std::vector<std::string> names;
    const fs::path root = fs::path(sourceDir()) / "examples";
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && entry.path().extension() == ".txt")
            names.push_back(fs::relative(entry.path(), root).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

// The folder of a pinned run whose file shows the refusal of a decimal comma.
bool showsTheRefusal(const fs::path& folder) {
    const fs::path errors = folder / "expected-errors.txt";
    return fs::exists(errors) && readFile(errors).find("virgula decimal") != std::string::npos;
}

// Every observation file of the repository, relative to it, but those that show the refusal.
std::vector<std::string> observationFiles() {
    std::vector<std::string> files;
    const fs::path root(sourceDir());
    for (const std::string& name : exampleNames())
        if (!showsTheRefusal(root / "tests/examples" / fs::path(name).replace_extension()))
            files.push_back("examples/" + name);
    // A case's observation file is obs.txt, or a file of another name that its answers type.
    for (const auto& folder : fs::directory_iterator(root / "tests/cases")) {
        if (showsTheRefusal(folder.path())) continue;
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            const std::string name = entry.path().filename().string();
            if (name != "answers.txt" && !name.starts_with("expected-"))
                files.push_back(fs::relative(entry.path(), root).generic_string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string testName(std::string name) {
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

class EveryObservationFile : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryObservationFile, ReadsWithoutADecimalComma) {
    const RunResult result =
        runWith(readFile(sourceDir() + "/" + GetParam()), "obs.txt\nrel.txt\nS\n");
    EXPECT_EQ(result.errors.find("virgula decimal"), std::string::npos) << result.errors;
}

INSTANTIATE_TEST_SUITE_P(ReadsTheSame, EveryObservationFile,
                         ::testing::ValuesIn(observationFiles()),
                         [](const auto& info) { return testName(info.param); });

class Example : public ::testing::TestWithParam<std::string> {};

// The run as the guide shows it: the file typed under its name in examples/.
TEST_P(Example, RunsAsPinned) {
    const std::string& name = GetParam();
    MemoryFiles files;
    files.files[name] = readFile(sourceDir() + "/examples/" + name);
    const RunResult result = runWith(files, name + "\nrelatorio.txt\nS\n");

    const fs::path folder =
        fs::path(sourceDir()) / "tests/examples" / fs::path(name).replace_extension();
    expectAsInFolder(result, folder);
}

INSTANTIATE_TEST_SUITE_P(ReadsTheSame, Example, ::testing::ValuesIn(exampleNames()),
                         [](const auto& info) { return testName(info.param); });

} // namespace
} // namespace interseccao::testing
