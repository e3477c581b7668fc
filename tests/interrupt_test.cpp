// A run interrupted while it waits at the height question keeps its report: the program runs as
// a child process with its answers on a pipe, the height answer never comes, and a signal ends
// it once the question shows. The report file must then hold the whole planimetric report, as a
// run answered N writes it.
#include "support.hpp"

#include <gtest/gtest.h>

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <string>

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

struct InterruptCase {
    const char* name;
    int signal;
};

class InterruptedAtTheHeightQuestion : public ::testing::TestWithParam<InterruptCase> {};

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)

// Reads the child's console until `text` shows, the console closes or `seconds` pass.
std::string readUntil(int fd, const std::string& text, int seconds) {
    std::string console;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (console.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
        char piece[512];
        const ssize_t count = ::read(fd, piece, sizeof piece);
        if (count <= 0) break;
        console.append(piece, static_cast<std::size_t>(count));
    }
    return console;
}

TEST_P(InterruptedAtTheHeightQuestion, KeepsThePlanimetricReport) {
    const InterruptCase& c = GetParam();
    const fs::path folder =
        fs::temp_directory_path() / ("ixsig" + std::to_string(::getpid()) + "-" + c.name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string observations =
        readFile(sourceDir() + "/tests/cases/gc-survey-height/obs.txt");
    writeFile(folder / "obs.txt", observations);
    const std::string planimetricReport = runWith(observations, "obs.txt\nrel.txt\nN\n").report;
    ASSERT_NE(planimetricReport.find("Precisao dos angulos azimutais ajustados:"),
              std::string::npos);

    int input[2], output[2];
    ASSERT_EQ(::pipe(input), 0);
    ASSERT_EQ(::pipe(output), 0);
    const std::string workDir = folder.string();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The program as from a shell: the default action for every signal, none blocked.
        struct sigaction defaultAction {};
        defaultAction.sa_handler = SIG_DFL;
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
            ::sigaction(signal, &defaultAction, nullptr);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const int null = ::open("/dev/null", O_WRONLY);
        if (::dup2(input[0], 0) < 0 || ::dup2(output[1], 1) < 0 || null < 0 ||
            ::dup2(null, 2) < 0 || ::chdir(workDir.c_str()) != 0)
            ::_exit(127);
        ::close(input[0]);
        ::close(input[1]);
        ::close(output[0]);
        ::close(output[1]);
        ::execl(INTERSECCAO_PROGRAM, "interseccao", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);

    // The two file names; the height answer is never written, and the input stays open.
    const std::string answers = "obs.txt\nrel.txt\n";
    EXPECT_EQ(::write(input[1], answers.data(), answers.size()),
              static_cast<ssize_t>(answers.size()));
    const std::string console =
        readUntil(output[0], " Quer calcular a cota do ponto visado (S/N)? ", 30);
    const bool waiting = console.find("(S/N)? ") != std::string::npos;
    EXPECT_TRUE(waiting) << console;

    ::kill(child, waiting ? c.signal : SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(input[1]);
    ::close(output[0]);
    if (waiting) {
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
        EXPECT_EQ(readFile(folder / "rel.txt"), planimetricReport);
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

#else

TEST_P(InterruptedAtTheHeightQuestion, KeepsThePlanimetricReport) {
    GTEST_SKIP() << "needs fork and POSIX signals";
}

#endif

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
INSTANTIATE_TEST_SUITE_P(Signals, InterruptedAtTheHeightQuestion,
                         ::testing::Values(InterruptCase{"SIGINT", SIGINT},
                                           InterruptCase{"SIGTERM", SIGTERM},
                                           InterruptCase{"SIGHUP", SIGHUP}),
                         [](const auto& info) { return std::string(info.param.name); });
#else
INSTANTIATE_TEST_SUITE_P(Signals, InterruptedAtTheHeightQuestion,
                         ::testing::Values(InterruptCase{"none", 0}),
                         [](const auto& info) { return std::string(info.param.name); });
#endif

} // namespace
} // namespace interseccao::testing
