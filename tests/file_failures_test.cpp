// Files on disk that cannot be read or written: each is a file-layer error with exit status
// 2 and one line naming the file, never a normal end, and the observation file is never
// changed by a run.
#include "support.hpp"

#include "app/driver.hpp"

#include <gtest/gtest.h>

#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

// A fresh folder holding "obs.txt", a survey with zenith records, removed afterwards. Its
// name is short: typed file names are cut to 72 characters.
class DiskRun : public ::testing::Test {
protected:
    void SetUp() override {
        static int count = 0;
        folder_ = fs::temp_directory_path() /
                  ("ix" + std::to_string(::getpid()) + "-" + std::to_string(++count));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        observations_ = readFile(sourceDir() + "/tests/cases/gc-survey-height/obs.txt");
        writeFile(path("obs.txt"), observations_);
    }

    void TearDown() override {
        std::error_code ignored;
        fs::permissions(path("obs.txt"), fs::perms::owner_all, ignored);
        fs::remove_all(folder_, ignored);
    }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }

    RunResult run(const std::string& answers) {
        DiskFiles files;
        std::istringstream in(answers);
        std::ostringstream out, err;
        RunResult result;
        result.status = runProgram(in, out, err, files);
        result.console = out.str();
        result.errors = err.str();
        return result;
    }

    void expectObservationsIntact() { EXPECT_EQ(readFile(path("obs.txt")), observations_); }

    fs::path folder_;
    std::string observations_;
};

struct FailureCase {
    std::string description;
    // The observation and report names typed, from the test folder; "@" stands for it.
    std::string observationName;
    std::string reportName;
    std::string problem; // after "Erro no ficheiro NAME: "
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.description; }

std::string expand(const std::string& name, const std::string& folder) {
    std::string s = name;
    for (std::size_t at; (at = s.find('@')) != std::string::npos;) s.replace(at, 1, folder);
    return s;
}

class FileFailure : public DiskRun, public ::testing::WithParamInterface<FailureCase> {};

#ifdef _WIN32
// The devices without end and without room that Linux has and Windows has not.
bool linuxDevice(const std::string& name) { return name == "/dev/full" || name == "/dev/zero"; }
#endif

TEST_P(FileFailure, IsAFileLayerError) {
    const FailureCase& c = GetParam();
#ifdef _WIN32
    if (linuxDevice(c.observationName) || linuxDevice(c.reportName))
        GTEST_SKIP() << "Windows has no /dev/full or /dev/zero device";
#endif
    if (c.reportName == "/dev/full" && !fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    const std::string observationName = expand(c.observationName, folder_.string());
    const std::string reportName = expand(c.reportName, folder_.string());
    const RunResult result = run(observationName + "\n" + reportName + "\nS\n");
    EXPECT_EQ(result.status, 2);
    const std::string failing =
        c.problem.find("input") != std::string::npos ? observationName : reportName;
    EXPECT_EQ(result.errors, "Erro no ficheiro " + failing + ": " + c.problem + "\n");
    expectObservationsIntact();
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileFailure,
    ::testing::Values(FailureCase{"report_on_a_full_device", "@/obs.txt", "/dev/full",
                                  "falha ao escrever no ficheiro de output"},
                      FailureCase{"report_in_a_missing_folder", "@/obs.txt", "@/nao-existe/rel.txt",
                                  "nao foi possivel criar o ficheiro de output"},
                      FailureCase{"report_is_a_folder", "@/obs.txt", "@",
                                  "e um directorio, nao pode ser o ficheiro de output"},
                      FailureCase{"report_is_the_root_folder", "@/obs.txt", "/",
                                  "e um directorio, nao pode ser o ficheiro de output"},
                      FailureCase{"observations_are_a_folder", "@", "@/rel.txt",
                                  "e um directorio, nao um ficheiro de input"},
                      FailureCase{"observations_missing", "@/nada.txt", "@/rel.txt",
                                  "o ficheiro de input nao existe"},
                      FailureCase{"observations_in_a_missing_folder", "@/nao-existe/obs.txt",
                                  "@/rel.txt", "o ficheiro de input nao existe"},
                      FailureCase{"observations_are_a_device", "/dev/zero", "@/rel.txt",
                                  "nao e um ficheiro regular (um pipe, um dispositivo), nao pode "
                                  "ser o ficheiro de input"}),
    [](const auto& info) { return info.param.description; });

TEST_F(DiskRun, ConsoleThatCannotBeWrittenIsAFileLayerError) {
    DiskFiles files;
    std::istringstream in(path("obs.txt") + "\n" + path("rel.txt") + "\nS\n");
    std::ostringstream out, err;
    out.setstate(std::ios::badbit); // as a console on a full disk
    EXPECT_EQ(runProgram(in, out, err, files), 2);
    EXPECT_EQ(err.str(), "Erro: falha ao escrever na consola\n");
    expectObservationsIntact();
}

TEST_F(DiskRun, FullDeviceAtAStopIsAFileLayerError) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no /dev/full device";
#endif
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    // Two stations: the run writes the short report and stops.
    writeFile(path("obs.txt"), readFile(sourceDir() + "/tests/cases/two-stations-example/obs.txt"));
    observations_ = readFile(path("obs.txt"));
    const RunResult result = run(path("obs.txt") + "\n/dev/full\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.errors,
              "Erro no ficheiro /dev/full: falha ao escrever no ficheiro de output\n");
    expectObservationsIntact();
}

TEST_F(DiskRun, UnreadableObservationsAreAFileLayerError) {
#ifdef _WIN32
    // Permission bits cannot make a file unreadable on Windows; a handle that shares nothing
    // can, while it is open.
    const HANDLE exclusive = CreateFileW(fs::path(path("obs.txt")).c_str(), GENERIC_READ, 0,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
#else
    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root from reading";
    fs::permissions(path("obs.txt"), fs::perms::none);
#endif
    const RunResult result = run(path("obs.txt") + "\n" + path("rel.txt") + "\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.errors, "Erro no ficheiro " + path("obs.txt") +
                                 ": nao foi possivel abrir o ficheiro de input\n");
#ifdef _WIN32
    CloseHandle(exclusive);
#else
    fs::permissions(path("obs.txt"), fs::perms::owner_all);
#endif
    expectObservationsIntact();
}

// A report name that designates the observation file, however it is spelt.
class ReportOverObservations : public DiskRun, public ::testing::WithParamInterface<std::string> {};

TEST_P(ReportOverObservations, StopsAndLeavesThemIntact) {
    const std::string& spelling = GetParam();
    if (spelling == "symbolic link") {
        std::error_code error;
        fs::create_symlink(path("obs.txt"), path("link.txt"), error);
        if (error) GTEST_SKIP() << "cannot make a symbolic link here: " << error.message();
    }
    if (spelling == "hard link") {
#ifdef __EMSCRIPTEN__
        GTEST_SKIP() << "Node's file access in the WebAssembly build makes no hard link";
#endif
        fs::create_hard_link(path("obs.txt"), path("link.txt"));
    }
    fs::create_directories(folder_ / "sub");
    std::string reportName = path("obs.txt");
    if (spelling == "dot") reportName = path("./obs.txt");
    if (spelling == "dot dot") reportName = path("sub/../obs.txt");
    if (spelling == "double slash") reportName = folder_.string() + "//obs.txt";
    if (spelling == "symbolic link" || spelling == "hard link") reportName = path("link.txt");
    if (spelling == "upper case")
        std::transform(reportName.begin(), reportName.end(), reportName.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (spelling == "forward slashes")
        std::replace(reportName.begin(), reportName.end(), '\\', '/');
    if (spelling == "backslashes dot dot") reportName = folder_.string() + "\\sub\\..\\obs.txt";
    const RunResult result = run(path("obs.txt") + "\n" + reportName + "\nS\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.errors, "");
    EXPECT_TRUE(
        result.console.ends_with("\r\nO ficheiro de output nao pode ser o ficheiro de input!\r\n"));
    expectObservationsIntact();
}

std::vector<std::string> spellings() {
    std::vector<std::string> all = {"same",         "dot",           "dot dot",
                                    "double slash", "symbolic link", "hard link"};
#ifdef _WIN32
    // Windows names ignore case and take either slash.
    all.insert(all.end(), {"upper case", "forward slashes", "backslashes dot dot"});
#endif
    return all;
}

INSTANTIATE_TEST_SUITE_P(Spellings, ReportOverObservations, ::testing::ValuesIn(spellings()),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

#ifdef _WIN32
TEST_F(DiskRun, ShortNameOfTheObservationFileIsThatFile) {
    const fs::path longName = folder_ / "observacoes do levantamento.txt";
    writeFile(longName, observations_);
    std::wstring shortName(MAX_PATH, L'\0');
    const DWORD length = GetShortPathNameW(longName.c_str(), shortName.data(), MAX_PATH);
    ASSERT_GT(length, 0u);
    shortName.resize(length);
    if (fs::path(shortName).filename() == longName.filename())
        GTEST_SKIP() << "this volume keeps no 8.3 short names";
    const RunResult result = run(longName.string() + "\n" + fs::path(shortName).string() + "\nS\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(
        result.console.ends_with("\r\nO ficheiro de output nao pode ser o ficheiro de input!\r\n"));
    EXPECT_EQ(readFile(longName), observations_);
}

// `name` in the code page given.
std::string encoded(const std::wstring& name, UINT codePage) {
    const int length = WideCharToMultiByte(codePage, 0, name.data(), static_cast<int>(name.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, name.data(), static_cast<int>(name.size()), bytes.data(),
                        length, nullptr, nullptr);
    return bytes;
}

// Typed names with Portuguese letters, in UTF-8 or in the code page of the console (of the system
// when there is none), open and create the files so named.
TEST_F(DiskRun, PortugueseLettersInTypedNames) {
    const std::wstring observations = folder_.wstring() + L"\\observações de medição.txt";
    const std::wstring report = folder_.wstring() + L"\\relatório ç.txt";
    writeFile(observations, observations_);
    const UINT console = GetConsoleCP();
    const std::string expected =
        readFile(sourceDir() + "/tests/cases/gc-survey-height/expected-report.txt");
    for (const UINT page : {UINT{CP_UTF8}, console != 0 ? console : GetACP()}) {
        SCOPED_TRACE("code page " + std::to_string(page));
        fs::remove(report);
        const RunResult result =
            run(encoded(observations, page) + "\n" + encoded(report, page) + "\nS\n");
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.errors, "");
        ASSERT_TRUE(fs::exists(report));
        EXPECT_EQ(readFile(report), expected);
        EXPECT_EQ(readFile(observations), observations_);
    }
}
#endif

TEST_F(DiskRun, NormalRunWritesTheReportAndLeavesTheObservations) {
    const RunResult result = run(path("obs.txt") + "\n" + path("rel.txt") + "\nS\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.errors, "");
    EXPECT_EQ(readFile(path("rel.txt")),
              readFile(sourceDir() + "/tests/cases/gc-survey-height/expected-report.txt"));
    expectObservationsIntact();
}

} // namespace
} // namespace interseccao::testing
