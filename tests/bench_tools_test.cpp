// The benchmark's helper programs: the floor writes as many lines as it is asked for, the
// replay writes a fuzz input out as the case folder the benchmark and the tests read, and the
// synthetic field session is one the session command computes.
#include "support.hpp"

#include "app/command_line.hpp"
#include "session_generator.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

// The helpers below go unused in the build for Node, where every test using them is skipped.

// A fresh, empty folder for one test.
[[maybe_unused]] fs::path scratchFolder(const std::string& name) {
    const fs::path folder = fs::temp_directory_path() / ("interseccao-bench-tools-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

[[maybe_unused]] int run(const std::string& command) { return std::system(command.c_str()); }

[[maybe_unused]] long countLines(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

TEST(Floor, WritesTheLinesAskedForOnTheConsoleAndInTheReport) {
#if defined(_WIN32)
    GTEST_SKIP() << "the benchmark's tools are run through a POSIX shell";
#elif !defined(INTERSECCAO_FLOOR)
    GTEST_SKIP() << "needs a child process, which the build for Node cannot start";
#else
    const fs::path folder = scratchFolder("floor");
    writeFile((folder / "obs.txt").string(),
              readFile(sourceDir() + "/tests/cases/gs-survey-height/obs.txt"));
    writeFile((folder / "answers.txt").string(), "obs.txt\nrel.txt\n");
    const std::vector<std::tuple<long, long>> counts = {{0, 0}, {1, 0}, {7, 3}, {20000, 50000}};
    for (const auto& [consoleLines, reportLines] : counts) {
        const int status = run("cd '" + folder.string() + "' && '" INTERSECCAO_FLOOR "' " +
                               std::to_string(consoleLines) + " " + std::to_string(reportLines) +
                               " < answers.txt > console.txt");
        ASSERT_EQ(status, 0);
        const std::string console = readFile((folder / "console.txt").string());
        const std::string report = readFile((folder / "rel.txt").string());
        EXPECT_EQ(countLines(console), consoleLines);
        EXPECT_EQ(countLines(report), reportLines);
        // Every line ends like the program's, in CR LF, and shows a number read from the file.
        if (reportLines > 0) {
            EXPECT_TRUE(report.ends_with(" m\r\n"));
            EXPECT_EQ(std::count(report.begin(), report.end(), '\r'), reportLines);
            EXPECT_EQ(report.find('*'), std::string::npos) << report.substr(0, 200);
        }
    }
    // Without the observation file it fails.
    writeFile((folder / "answers.txt").string(), "nenhum.txt\nrel.txt\n");
    EXPECT_NE(run("cd '" + folder.string() +
                  "' && '" INTERSECCAO_FLOOR "' 1 1 < answers.txt > console.txt 2>/dev/null"),
              0);
#endif
}

TEST(Replay, WritesAFuzzInputOutAsACaseFolder) {
#if defined(_WIN32)
    GTEST_SKIP() << "the benchmark's tools are run through a POSIX shell";
#elif !defined(INTERSECCAO_FLOOR)
    GTEST_SKIP() << "needs a child process, which the build for Node cannot start";
#else
    const fs::path folder = scratchFolder("replay");
    const std::string observations = "gc 0.001 5\nV 2\nE1 0 0 1 45\nR1 0 100 0\n";
    const std::vector<std::tuple<std::string, std::string, std::string>> inputs = {
        {"with-answers", std::string("obs.txt\nr.txt\nN\n") + '\0' + observations,
         "obs.txt\nr.txt\nN\n"},
        {"without-answers", observations, "obs.txt\nrel.txt\nS\n"},
        {"empty-answers", std::string(1, '\0') + observations, ""},
    };
    for (const auto& [name, input, answers] : inputs) {
        const fs::path file = folder / (name + ".input");
        writeFile(file.string(), input);
        const fs::path out = folder / name;
        ASSERT_EQ(
            run("'" INTERSECCAO_REPLAY "' --case '" + out.string() + "' '" + file.string() + "'"),
            0);
        EXPECT_EQ(readFile((out / "answers.txt").string()), answers) << name;
        EXPECT_EQ(readFile((out / "obs.txt").string()), observations) << name;
    }
    // Timing a folder lists every input in it, once.
    const fs::path times = folder.parent_path() / "interseccao-bench-tools-times.txt";
    ASSERT_EQ(run("'" INTERSECCAO_REPLAY "' --repeats 1 '" + folder.string() + "' > '" +
                  times.string() + "'"),
              0);
    EXPECT_EQ(countLines(readFile(times.string())), 3);
    fs::remove(times);
#endif
}

TEST(SessionGenerator, EveryNewPointDeterminedNearItsTruePosition) {
    bench::SessionOptions options;
    options.setups = 6;
    options.newPoints = 12;
    options.setupsPerPoint = 3;
    options.seed = 7;
    const bench::GeneratedSession generated = bench::generateSession(options);
    EXPECT_EQ(generated.record, bench::generateSession(options).record) << "one seed, one session";
    const TemporaryFolder work("session-generator");
    writeFile((work.path() / "pontos.csv").string(), generated.knownPoints);
    writeFile((work.path() / "registo.gsi").string(), generated.record);
    DiskFiles files(work.path());
    std::ostringstream out, errors;
    ASSERT_EQ(runCommandLine({"registo.gsi", "--pontos", "pontos.csv", "--precisao", "1",
                              "--resumo", "resumo.csv"},
                             out, errors, files),
              0)
        << errors.str();
    EXPECT_EQ(errors.str(), "") << "no face pair beyond the limit";
    ASSERT_EQ(generated.newPoints.size(), 12u);
    const std::string summary = readFile(work.path() / "resumo.csv");
    for (const bench::TruePoint& point : generated.newPoints) {
        const std::size_t row = summary.find("\n" + point.name + ",calculado,");
        ASSERT_NE(row, std::string::npos) << point.name;
        std::istringstream fields(summary.substr(row + point.name.size() + 12));
        double m = 0, p = 0;
        char comma = 0;
        fields >> m >> comma >> p;
        EXPECT_NEAR(m, point.m, 0.02) << point.name;
        EXPECT_NEAR(p, point.p, 0.02) << point.name;
    }
}

} // namespace
} // namespace interseccao::testing
