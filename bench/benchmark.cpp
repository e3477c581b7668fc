// Runs the built program on synthetic networks of growing size, with the structured and
// the general computation, and prints a table of wall time and peak memory.
//
//   benchmark PROGRAM GENERAL_PROGRAM [WORK_DIRECTORY]
//
// Each network is written to WORK_DIRECTORY (default: bench-work) with the console
// answers; the program is started with its standard input on the answers, and its peak
// resident memory is taken from the operating system when it ends. GENERAL_PROGRAM is
// the same program built with the general computation (bench/interseccao_general); it is
// run only where it ends in reasonable time, and both must write the same report.
#include "network_generator.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using interseccao::bench::NetworkOptions;

struct Measurement {
    double seconds = 0;
    long peakKilobytes = 0;
    bool finished = true; // false: stopped at the time limit
};

// Starts the program with `answers` on its standard input and its console discarded,
// in `directory`; waits for it, or stops it after `limitSeconds`.
std::optional<Measurement> runOnce(const std::string& program, const fs::path& directory,
                                   const fs::path& answers, double limitSeconds) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        const int in = open(answers.c_str(), O_RDONLY);
        const int out = open("/dev/null", O_WRONLY);
        if (in < 0 || out < 0 || chdir(directory.c_str()) != 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    Measurement m;
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = wait4(child, &status, WNOHANG, &usage);
        if (done == child) break;
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (elapsed > limitSeconds && m.finished) {
            kill(child, SIGKILL);
            m.finished = false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peakKilobytes = usage.ru_maxrss;
    if (m.finished && (!WIFEXITED(status) || WEXITSTATUS(status) != 0)) return std::nullopt;
    return m;
}

// The best time and the largest peak of `repeats` runs: the machine may be shared, and
// the best time is the one least disturbed by other work.
std::optional<Measurement> measure(const std::string& program, const fs::path& directory,
                                   const fs::path& answers, int repeats, double limitSeconds) {
    std::vector<double> times;
    Measurement result;
    for (int i = 0; i < repeats; ++i) {
        const std::optional<Measurement> m = runOnce(program, directory, answers, limitSeconds);
        if (!m) return std::nullopt;
        if (!m->finished) return m;
        times.push_back(m->seconds);
        result.peakKilobytes = std::max(result.peakKilobytes, m->peakKilobytes);
        // A slow run is not repeated.
        if (m->seconds > 2.0) break;
    }
    result.seconds = *std::min_element(times.begin(), times.end());
    return result;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Case {
    std::string label;
    NetworkOptions options;
    bool general; // also run the general computation
};

std::string timeText(const Measurement& m) {
    char buffer[64];
    if (!m.finished)
        std::snprintf(buffer, sizeof buffer, "> %.0f s", m.seconds);
    else if (m.seconds < 1.0)
        std::snprintf(buffer, sizeof buffer, "%.1f ms", m.seconds * 1000.0);
    else
        std::snprintf(buffer, sizeof buffer, "%.2f s", m.seconds);
    return buffer;
}

std::string memoryText(const Measurement& m) {
    if (!m.finished) return "-";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.1f MB", static_cast<double>(m.peakKilobytes) / 1024.0);
    return buffer;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::cerr << "Usage: benchmark PROGRAM GENERAL_PROGRAM [WORK_DIRECTORY]\n";
        return 2;
    }
    const std::string program = fs::absolute(argv[1]).string();
    const std::string generalProgram = fs::absolute(argv[2]).string();
    const fs::path work = fs::absolute(argc == 4 ? argv[3] : "bench-work");
    fs::create_directories(work);

    const auto network = [](const char* unit, std::int32_t stations, std::int32_t low,
                            std::int32_t high, std::int32_t zenith, double precision,
                            std::uint64_t seed) {
        NetworkOptions options;
        options.unit = unit;
        options.stations = stations;
        options.minSightings = low;
        options.maxSightings = high;
        options.zenithRecords = zenith;
        options.precision = precision;
        options.readingNoise = 2.0;
        options.seed = seed;
        return options;
    };
    // An a-priori precision of 100000 (seconds, or milligon for "gr") is about a million
    // steps of 0.1 above the result in each search.
    const std::vector<Case> cases = {
        {"typical, 3 stations", network("gc", 3, 1, 4, 3, 5, 1), true},
        {"typical, 5 stations", network("gs", 5, 1, 4, 5, 5, 2), true},
        {"typical, 8 stations", network("gr", 8, 1, 4, 8, 1, 3), true},
        {"50 stations", network("gc", 50, 5, 5, 50, 5, 4), true},
        {"200 stations", network("gc", 200, 5, 5, 200, 5, 5), true},
        {"500 stations", network("gc", 500, 5, 5, 500, 5, 6), false},
        {"2000 stations", network("gc", 2000, 5, 5, 2000, 5, 7), false},
        {"2000 stations", network("gs", 2000, 5, 5, 2000, 5, 8), false},
        {"2000 stations", network("gr", 2000, 5, 5, 2000, 5, 9), false},
        {"long searches, 5 stations", network("gc", 5, 1, 4, 5, 100000, 10), true},
        {"long searches, 2000 stations", network("gc", 2000, 5, 5, 2000, 100000, 11), false},
        {"long searches, 2000 stations", network("gr", 2000, 5, 5, 2000, 100000, 12), false},
    };

    std::cout << "| network | unit | sightings | zenith records | a-priori precision | structured "
                 "| peak | general "
                 "| peak | general / structured |\n";
    std::cout << "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    bool allSame = true;
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const Case& k = cases[c];
        const fs::path directory = work / ("case" + std::to_string(c + 1));
        fs::create_directories(directory);
        std::int64_t sightings = 0;
        {
            const std::string text = interseccao::bench::generateNetwork(k.options);
            std::ofstream(directory / "obs.txt", std::ios::binary) << text;
            // Reference records: every line after the second but the zenith part, less the
            // stations.
            const std::int64_t lines = std::count(text.begin(), text.end(), '\n');
            sightings = lines - 2 - k.options.stations - 1 - k.options.zenithRecords;
        }
        std::ofstream(directory / "structured.txt", std::ios::binary)
            << "obs.txt\nstructured-report.txt\nS\n";
        std::ofstream(directory / "general.txt", std::ios::binary)
            << "obs.txt\ngeneral-report.txt\nS\n";

        const std::optional<Measurement> structured =
            measure(program, directory, directory / "structured.txt", 11, 60.0);
        std::optional<Measurement> general;
        if (k.general)
            general = measure(generalProgram, directory, directory / "general.txt", 3, 120.0);
        if (!structured || (k.general && !general)) {
            std::cerr << "benchmark: the program failed on " << (directory / "obs.txt") << '\n';
            return 1;
        }
        std::string ratio = "-";
        if (general && general->finished) {
            if (readFile(directory / "structured-report.txt") !=
                readFile(directory / "general-report.txt")) {
                allSame = false;
                ratio = "REPORTS DIFFER";
            } else {
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, "%.1f",
                              general->seconds / structured->seconds);
                ratio = buffer;
            }
        }
        char precision[32];
        std::snprintf(precision, sizeof precision, "%g %s", k.options.precision,
                      k.options.unit == "gr" ? "mgon" : "\"");
        std::cout << "| " << k.label << " | " << k.options.unit << " | " << sightings << " | "
                  << k.options.zenithRecords << " | " << precision << " | " << timeText(*structured)
                  << " | " << memoryText(*structured) << " | "
                  << (general ? timeText(*general) : "-") << " | "
                  << (general ? memoryText(*general) : "-") << " | " << ratio << " |" << std::endl;
    }
    return allSame ? 0 : 1;
}
