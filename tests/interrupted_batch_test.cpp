// The program as a process, ended from outside or without room: a batch killed at a random
// moment, two batches into one folder at once, a standard output that cannot be written and a
// size limit on files. Every output file present afterwards must be whole: byte for byte the
// one an uninterrupted run writes (or the one there before), never a part of one.
#include "support.hpp"

#include <gtest/gtest.h>

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)

constexpr int batchSize = 60;

std::vector<std::string> batchArguments(const std::vector<std::string>& options) {
    std::vector<std::string> arguments = options;
    arguments.insert(arguments.end(),
                     {"--analise", "--resumo", "lista.csv", "--json", "dados.json"});
    for (int i = 0; i < batchSize; ++i) arguments.push_back("obra" + std::to_string(i) + ".txt");
    return arguments;
}

void writeInputs(const fs::path& folder) {
    const std::string units[] = {"gc", "gr", "gs"};
    for (int i = 0; i < batchSize; ++i)
        writeFile(folder / ("obra" + std::to_string(i) + ".txt"),
                  readFile(sourceDir() + "/examples/levantamento-" + units[i % 3] + ".txt"));
}

bool isInput(const std::string& name) {
    return name.starts_with("obra") && name.ends_with(".txt") &&
           name.find('-') == std::string::npos;
}

bool isTemporary(const std::string& name) { return name.starts_with(".interseccao-"); }

std::map<std::string, std::string> outputsIn(const fs::path& folder) {
    std::map<std::string, std::string> outputs;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (!isInput(name)) outputs[name] = readFile(entry.path());
    }
    return outputs;
}

// How the child is started, besides its arguments: its standard output and what it does to
// itself before the program runs.
struct ChildSetup {
    int standardOutput = -1; // -1: /dev/null; -2: closed
    void (*before)() = nullptr;
};

pid_t start(const fs::path& folder, const std::vector<std::string>& arguments,
            const ChildSetup& setup = {}) {
    std::vector<std::string> all{"interseccao"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : all) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const std::string errorsFile = folder.string() + ".stderr";
    const pid_t child = ::fork();
    if (child != 0) return child;
    const int null = ::open("/dev/null", O_RDWR);
    const int errors = ::open(errorsFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (null < 0 || errors < 0 || ::dup2(null, 0) < 0 || ::dup2(errors, 2) < 0 ||
        ::chdir(folder.c_str()) != 0)
        ::_exit(127);
    if (setup.standardOutput == -2)
        ::close(1);
    else if (::dup2(setup.standardOutput == -1 ? null : setup.standardOutput, 1) < 0)
        ::_exit(127);
    if (setup.before != nullptr) setup.before();
    ::execv(INTERSECCAO_PROGRAM, pointers.data());
    ::_exit(127);
}

// Waits for the child; its standard error, kept beside the folder, is then taken away.
int finish(pid_t child, const fs::path& folder, std::string* errors = nullptr) {
    int status = 0;
    ::waitpid(child, &status, 0);
    const fs::path errorsFile = folder.string() + ".stderr";
    if (errors != nullptr) *errors = readFile(errorsFile);
    std::error_code ignored;
    fs::remove(errorsFile, ignored);
    return status;
}

std::map<std::string, std::string> referenceRun(const std::string& name,
                                                const std::vector<std::string>& options) {
    TemporaryFolder folder(name);
    writeInputs(folder.path());
    const int status = finish(start(folder.path(), batchArguments(options)), folder.path());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return outputsIn(folder.path());
}

class KilledBatch : public ::testing::TestWithParam<int> {};

TEST_P(KilledBatch, LeavesEveryOutputWholeOrAbsent) {
    const int signalNumber = GetParam();
    // Each signal's case in folders of its own: ctest runs the cases side by side.
    const std::string tag = "killed-" + std::to_string(signalNumber) + "-";
    const auto reference = referenceRun(tag + "reference", {});
    ASSERT_EQ(reference.size(), 2U * batchSize + 2);
    std::mt19937 random(12345U + static_cast<unsigned>(signalNumber));
    std::uniform_int_distribution<int> moment(0, 40000); // microseconds
    for (int round = 0; round < 25; ++round) {
        TemporaryFolder work(tag + std::to_string(round));
        writeInputs(work.path());
        const pid_t child = start(work.path(), batchArguments({}));
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(child, signalNumber);
        const int status = finish(child, work.path());
        EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0));
        for (const auto& [name, contents] : outputsIn(work.path())) {
            // Only SIGKILL gives the program no chance to remove its temporary file.
            if (isTemporary(name) && signalNumber == SIGKILL) continue;
            ASSERT_TRUE(reference.contains(name)) << name << " left after round " << round;
            EXPECT_EQ(contents, reference.at(name)) << name << " is not whole, round " << round;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, KilledBatch, ::testing::Values(SIGKILL, SIGTERM, SIGINT),
                         [](const auto& info) { return "signal_" + std::to_string(info.param); });

TEST(ConcurrentBatches, LeaveEveryFileWholeFromOneRunOrTheOther) {
    const auto withHeight = referenceRun("concurrent-a", {});
    const auto withoutHeight = referenceRun("concurrent-b", {"--sem-cota"});
    ASSERT_NE(withHeight.at("obra0-relatorio.txt"), withoutHeight.at("obra0-relatorio.txt"));
    for (int round = 0; round < 4; ++round) {
        TemporaryFolder work("concurrent-" + std::to_string(round));
        writeInputs(work.path());
        const pid_t first = start(work.path(), batchArguments({}));
        const pid_t second = start(work.path(), batchArguments({"--sem-cota"}));
        const int firstStatus = finish(first, work.path());
        const int secondStatus = finish(second, work.path());
        EXPECT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0);
        EXPECT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0);
        const auto outputs = outputsIn(work.path());
        EXPECT_EQ(outputs.size(), withHeight.size());
        for (const auto& [name, contents] : outputs) {
            ASSERT_TRUE(withHeight.contains(name)) << name;
            EXPECT_TRUE(contents == withHeight.at(name) || contents == withoutHeight.at(name))
                << name << " is torn";
        }
    }
}

void ignorePipeSignal() { ::signal(SIGPIPE, SIG_IGN); }

struct OutputCase {
    const char* name;
    bool json;          // --json - rather than the summary lines
    int standardOutput; // a descriptor; -2 closed; -3 /dev/full; -4 a pipe no one reads
    void (*before)();
};

class StandardOutputLost : public ::testing::TestWithParam<OutputCase> {};

TEST_P(StandardOutputLost, IsNoNormalEnd) {
    const OutputCase& c = GetParam();
    if (c.standardOutput == -3 && !fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    TemporaryFolder work(std::string("stdout-") + c.name);
    writeFile(work.path() / "obra.txt", readFile(sourceDir() + "/examples/levantamento-gc.txt"));
    ChildSetup setup{c.standardOutput, c.before};
    int unread[2] = {-1, -1};
    if (c.standardOutput == -3) setup.standardOutput = ::open("/dev/full", O_WRONLY);
    if (c.standardOutput == -4) {
        ASSERT_EQ(::pipe(unread), 0);
        ::close(unread[0]);
        setup.standardOutput = unread[1];
    }
    std::vector<std::string> arguments{"obra.txt"};
    if (c.json) arguments.insert(arguments.end(), {"--json", "-"});
    std::string errors;
    const int status = finish(start(work.path(), arguments, setup), work.path(), &errors);
    if (setup.standardOutput >= 0) ::close(setup.standardOutput);
    if (c.standardOutput == -4) {
        // Standard output broken: the run ends as SIGPIPE ends a program, ignored or not.
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status << errors;
    } else {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
        EXPECT_NE(errors.find("Erro: falha ao escrever na saida padrao"), std::string::npos)
            << errors;
    }
    for (const auto& [name, contents] : outputsIn(work.path())) EXPECT_FALSE(isTemporary(name));
}

INSTANTIATE_TEST_SUITE_P(Streams, StandardOutputLost,
                         ::testing::Values(OutputCase{"json_on_a_full_device", true, -3, nullptr},
                                           OutputCase{"lines_on_a_full_device", false, -3, nullptr},
                                           OutputCase{"json_on_a_closed_output", true, -2, nullptr},
                                           OutputCase{"json_into_a_broken_pipe", true, -4, nullptr},
                                           OutputCase{"json_into_a_broken_pipe_signal_ignored",
                                                      true, -4, ignorePipeSignal}),
                         [](const auto& info) { return std::string(info.param.name); });

void limitFiles() {
    const rlimit limit{1500, 1500};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

void limitFilesWithoutSignal() {
    ::signal(SIGXFSZ, SIG_IGN);
    limitFiles();
}

TEST(SizeLimit, LeavesTheEarlierOutputsWhole) {
    const std::vector<std::string> arguments{"obra.txt", "--resumo", "lista.csv", "--json",
                                             "dados.json"};
    for (void (*before)() : {limitFiles, limitFilesWithoutSignal}) {
        TemporaryFolder work("size-limit");
        writeFile(work.path() / "obra.txt",
                  readFile(sourceDir() + "/examples/levantamento-gc.txt"));
        ASSERT_EQ(finish(start(work.path(), arguments), work.path()), 0);
        const auto earlier = outputsIn(work.path());
        ASSERT_GT(earlier.at("obra-relatorio.txt").size(), 1500U);
        const int status = finish(start(work.path(), arguments, {-1, before}), work.path());
        EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) ||
                    (WIFEXITED(status) && WEXITSTATUS(status) == 2))
            << status;
        auto outputs = outputsIn(work.path());
        // With the signal ignored the run goes on: its list, small enough, says what failed.
        if (before == limitFilesWithoutSignal && outputs["lista.csv"] != earlier.at("lista.csv")) {
            EXPECT_NE(outputs["lista.csv"].find("falha ao escrever"), std::string::npos);
            EXPECT_TRUE(outputs["lista.csv"].ends_with("\r\n"));
            outputs["lista.csv"] = earlier.at("lista.csv");
        }
        EXPECT_EQ(outputs, earlier);
    }
}

#else

TEST(KilledBatch, LeavesEveryOutputWholeOrAbsent) {
    GTEST_SKIP() << "needs fork, signals and the program as a child process";
}

#endif

} // namespace
} // namespace interseccao::testing
