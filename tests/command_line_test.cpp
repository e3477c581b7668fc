// Command-line runs as data, and the command line against the dialogue on every example and
// end-to-end case: the same report bytes, and lists that agree with the report.
#include "support.hpp"

#include "app/batch.hpp"
#include "app/command_line.hpp"
#include "export/export.hpp"
#include "text/encoding.hpp"
#include "text/line_format.hpp"
#include "text/numbers.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

std::set<std::string> filesUnder(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            names.insert(entry.path().lexically_relative(folder).generic_string());
    return names;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

// ---------------------------------------------------------------------------------------
// Each folder of tests/cli-cases: args.txt (one argument a line), the files the run starts
// with (every other file, folders kept), expected-status.txt, expected-stdout.txt,
// expected-stderr.txt, and expected/ with every file the run must leave besides its inputs,
// byte for byte. A run that leaves any other file fails.

std::vector<std::string> cliCaseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(sourceDir() + "/tests/cli-cases"))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class CommandLineCase : public ::testing::TestWithParam<std::string> {};

TEST_P(CommandLineCase, OutputsAndStatusMatch) {
    const fs::path folder = fs::path(sourceDir()) / "tests/cli-cases" / GetParam();
    TemporaryFolder work("cli-" + GetParam());
    std::set<std::string> inputs;
    for (const std::string& name : filesUnder(folder)) {
        if (name == "args.txt" || name.starts_with("expected")) continue;
        fs::create_directories((work.path() / name).parent_path());
        fs::copy_file(folder / name, work.path() / name);
        inputs.insert(name);
    }
    DiskFiles files(work.path());
    std::ostringstream out, err;
    const int status = runCommandLine(lines(readFile(folder / "args.txt")), out, err, files);

    std::set<std::string> left;
    for (const std::string& name : filesUnder(work.path()))
        if (!inputs.contains(name)) left.insert(name);
    if (std::getenv("INTERSECCAO_UPDATE_CASES") != nullptr) {
        writeFile(folder / "expected-status.txt", std::to_string(status) + "\n");
        writeFile(folder / "expected-stdout.txt", out.str());
        writeFile(folder / "expected-stderr.txt", err.str());
        fs::remove_all(folder / "expected");
        for (const std::string& name : left) {
            fs::create_directories((folder / "expected" / name).parent_path());
            fs::copy_file(work.path() / name, folder / "expected" / name);
        }
        GTEST_SKIP() << "expectations rewritten";
    }
    EXPECT_EQ(std::to_string(status) + "\n", readFile(folder / "expected-status.txt"));
    EXPECT_TRUE(
        sameList(GetParam() + (readFile(folder / "args.txt").find("--json\n-") != std::string::npos
                                   ? ".json"
                                   : ".txt"),
                 out.str(), readFile(folder / "expected-stdout.txt")));
    EXPECT_EQ(err.str(), readFile(folder / "expected-stderr.txt"));
    const std::set<std::string> expected =
        fs::exists(folder / "expected") ? filesUnder(folder / "expected") : std::set<std::string>{};
    EXPECT_EQ(left, expected);
    for (const std::string& name : expected)
        if (left.contains(name)) {
            EXPECT_TRUE(
                sameList(name, readFile(work.path() / name), readFile(folder / "expected" / name)));
        }
    // The inputs are never written over.
    for (const std::string& name : inputs)
        EXPECT_EQ(readFile(work.path() / name), readFile(folder / name)) << name;
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLineCase, ::testing::ValuesIn(cliCaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// ---------------------------------------------------------------------------------------
// Every example and every end-to-end case's observation file: the command line writes the
// report the dialogue writes for the same file, and its list and JSON hold the report's
// coordinates.

std::vector<std::string> observationFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(sourceDir() + "/examples"))
        if (entry.is_regular_file())
            names.push_back("examples/" + entry.path().filename().string());
    for (const std::string& name : {std::string("tests/cases")})
        for (const auto& entry : fs::directory_iterator(sourceDir() + "/" + name))
            if (fs::exists(entry.path() / "obs.txt"))
                names.push_back(name + "/" + entry.path().filename().string() + "/obs.txt");
    std::sort(names.begin(), names.end());
    return names;
}

// The value a report line "     L(NAME) = ..." prints, as written.
std::string printedValue(const std::string& report, char letter) {
    for (const std::string& line : lines(report)) {
        if (!line.starts_with(std::string("     ") + letter + "(")) continue;
        const std::size_t equals = line.find(") = ");
        if (equals != std::string::npos) return line.substr(equals + 4, 12);
    }
    return {};
}

// The fields of one CSV row without quoted commas (the rows checked here have none).
std::vector<std::string> csvFields(const std::string& row) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(row);
    while (std::getline(in, field, ',')) fields.push_back(field);
    if (!row.empty() && row.back() == ',') fields.emplace_back();
    return fields;
}

class SameAsDialogue : public ::testing::TestWithParam<std::string> {};

TEST_P(SameAsDialogue, ReportListAndJsonAgree) {
    const std::string contents = readFile(sourceDir() + "/" + GetParam());
    MemoryFiles files;
    files.files["obs.txt"] = contents;
    std::ostringstream console;
    const FileRun run =
        runFile("obs.txt", "rel.txt", HeightChoice::FromFile, files, &console, Adjustments{});
    const std::string answers =
        std::string("obs.txt\nrel.txt\n") + (run.values.heightRequested ? "S\n" : "N\n");
    const RunResult dialogue = runWith(contents, answers);
    EXPECT_EQ(files.outputCreated("rel.txt"), dialogue.reportCreated);
    EXPECT_EQ(files.output("rel.txt"), dialogue.report);
    EXPECT_EQ(run.outcome == Outcome::Failed, dialogue.status == 2);

    std::ostringstream list, document;
    writeCoordinateList({run}, list);
    writeJsonDocument({run}, document);
    const std::vector<std::string> rows = lines(list.str());
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<std::string> fields = csvFields(rows[1].substr(0, rows[1].size() - 1));
    const nlohmann::json json = nlohmann::json::parse(document.str());
    ASSERT_EQ(json["ficheiros"].size(), 1u);
    // The document, written as the run is walked, is what the library writes of its tree.
    EXPECT_EQ(nlohmann::ordered_json::parse(document.str()).dump(2) + "\n", document.str());
    const nlohmann::json& entry = json["ficheiros"][0];
    if (!run.values.planimetry || !run.values.planimetry->adjusted ||
        run.outcome == Outcome::Failed)
        return;
    const nlohmann::json& planimetry = entry["planimetria"];
    const struct {
        char letter;
        std::size_t column;
        nlohmann::json value;
    } checks[] = {{'M', 2, planimetry["M"]},
                  {'P', 3, planimetry["P"]},
                  {'C', 4, entry.contains("altimetria") ? entry["altimetria"]["C"] : nullptr}};
    for (const auto& check : checks) {
        const std::string printed = printedValue(dialogue.report, check.letter);
        if (printed.empty()) continue;
        ASSERT_GT(fields.size(), check.column);
        ASSERT_TRUE(check.value.is_number()) << check.letter;
        EXPECT_EQ(formatReal(check.value.get<double>(), 12, 3), printed) << check.letter;
        // The list holds the same value to 0.1 mm, whatever the platform.
        EXPECT_EQ(fields[check.column], fixed(check.value.get<double>(), 4)) << check.letter;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, SameAsDialogue, ::testing::ValuesIn(observationFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// ---------------------------------------------------------------------------------------
// Names in the lists: UTF-8 kept, Latin-1 converted, and numbers that read back exactly.

TEST(Lists, NamesBecomeUtf8AndNumbersReadBack) {
    const struct {
        std::string bytes, utf8;
    } names[] = {
        {"MARCO", "MARCO"},
        {"ESTA\xC3\x87\xC3\x83O", "ESTA\xC3\x87\xC3\x83O"}, // already UTF-8
        {"ESTA\xC7\xC3O", "ESTA\xC3\x87\xC3\x83O"},         // Latin-1
        {"\xC3\x81\xC3", "\xC3\x81\xC3\x83"},               // UTF-8 cut at the 12th byte
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},       // a surrogate is no UTF-8
        {"\xBA", "\xC2\xBA"},
    };
    for (const auto& name : names) EXPECT_EQ(toUtf8(name.bytes), name.utf8) << name.bytes;
    for (const double value : {0.0, 0.1, 48732.42225728279, 1e-300, -2.5e17, 1.0 / 3})
        EXPECT_EQ(std::strtod(exactNumber(value).c_str(), nullptr), value) << value;
}

// Links and other spellings of an observation file are refused as outputs, before anything
// is written.
TEST(Lists, OutputsThroughALinkAreRefused) {
    TemporaryFolder work("cli-link");
    writeFile((work.path() / "obra.txt").string(), readFile(sourceDir() + "/examples/exemplo.txt"));
    std::error_code error;
    fs::create_symlink("obra.txt", work.path() / "ligacao.txt", error);
    if (error) GTEST_SKIP() << "no symbolic links here";
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"obra.txt", "-o", "ligacao.txt"},
          std::vector<std::string>{"obra.txt", "--resumo", "./sub/../obra.txt"},
          std::vector<std::string>{"obra.txt", "--json", (work.path() / "obra.txt").string()}}) {
        DiskFiles files(work.path());
        std::ostringstream out, err;
        EXPECT_EQ(runCommandLine(arguments, out, err, files), 2) << arguments.back();
        EXPECT_NE(err.str().find("nada foi escrito"), std::string::npos) << err.str();
        EXPECT_EQ(filesUnder(work.path()), (std::set<std::string>{"ligacao.txt", "obra.txt"}));
    }
}

} // namespace
} // namespace interseccao::testing
