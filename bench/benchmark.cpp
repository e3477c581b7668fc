// Runs the built program on synthetic networks of growing size, with the structured and
// the general computation, and prints a table of wall time and peak memory.
//
//   benchmark PROGRAM GENERAL_PROGRAM FLOOR_PROGRAM [WORK_DIRECTORY]
//             [--input LABEL DIRECTORY]... [--inputs-only]
//
// Each network is written to WORK_DIRECTORY (default: bench-work) with the console
// answers; the program is started with its standard input on the answers, and its peak
// resident memory is taken from the operating system when it ends. GENERAL_PROGRAM is
// the same program built with the general computation (bench/interseccao_general); it is
// run only where it ends in reasonable time, and both must write the same report.
// FLOOR_PROGRAM (bench/interseccao_floor) reads the same file and writes as many lines as
// the program, with nothing computed: on the largest networks the table shows its time and
// how far above it the program is.
//
// --input adds a row for an observation file of one's own: DIRECTORY is laid out like an
// end-to-end case (tests/cases/*), with answers.txt and the files the answers name; the
// program runs on a copy of it. --inputs-only leaves out the synthetic networks.
//
//   benchmark --outputs PROGRAM [WORK_DIRECTORY] [--repeats N] [--stations N]...
//
// times the command line's outputs against its plain run instead: on networks of 500, 2000
// and 20000 stations (or those given) with 5 references each, `--analise`, `--desenho` and
// `--json` each in N pairs (default 7) of the plain run and the run with it, one after the
// other, each pair's ratio and the median of the ratios; the growth of each from one size to
// the next is the exponent of the median times.
#include "network_generator.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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

// A program and its arguments.
using Command = std::vector<std::string>;

// Starts the command with `answers` on its standard input and its console discarded (or
// written to `console`), in `directory`; waits for it, or stops it after `limitSeconds`.
std::optional<Measurement> runOnce(const Command& command, const fs::path& directory,
                                   const fs::path& answers, double limitSeconds,
                                   const fs::path& console = "/dev/null") {
    std::vector<char*> arguments;
    for (const std::string& argument : command)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        const int in = open(answers.c_str(), O_RDONLY);
        const int out = open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || chdir(directory.c_str()) != 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        execv(arguments[0], arguments.data());
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
std::optional<Measurement> measure(const Command& command, const fs::path& directory,
                                   const fs::path& answers, int repeats, double limitSeconds) {
    std::vector<double> times;
    Measurement result;
    for (int i = 0; i < repeats; ++i) {
        const std::optional<Measurement> m = runOnce(command, directory, answers, limitSeconds);
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

// A synthetic network, or an input directory given on the command line (`input` not empty).
struct Case {
    std::string label;
    NetworkOptions options;
    bool general = false; // also run the general computation
    bool floor = false;   // also run the floor program
    fs::path input = {};  // the directory of an input of one's own
};

std::int64_t countLines(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

// The typed answers of an input directory, one a line, without line ends.
std::vector<std::string> answerLines(const fs::path& answers) {
    std::vector<std::string> lines;
    std::ifstream in(answers, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The first record of an observation file: angle unit, tolerance, precision.
std::vector<std::string> firstRecord(const fs::path& observations) {
    std::ifstream in(observations, std::ios::binary);
    std::string line;
    std::getline(in, line);
    std::vector<std::string> values;
    std::string value;
    for (char c : line + ' ') {
        if (c == ' ' || c == '\t' || c == '\r' || c == ',') {
            if (!value.empty()) values.push_back(value);
            value.clear();
        } else {
            value += c;
        }
    }
    return values;
}

// Copies an input directory, all but the expected results, for one program to run in.
void copyInput(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from))
        if (entry.is_regular_file() && !entry.path().filename().string().starts_with("expected-"))
            fs::copy_file(entry.path(), to / entry.path().filename(),
                          fs::copy_options::overwrite_existing);
}

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

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One output timed against the plain run of the same file: median times and peaks, and the
// median of the pairs' ratios.
struct OutputTiming {
    double plain = 0, with = 0, ratio = 0;
    long plainPeak = 0, withPeak = 0;
};

std::optional<OutputTiming> timeOutput(const Command& plain, const Command& with,
                                       const fs::path& directory, int repeats) {
    std::vector<double> plainTimes, withTimes, ratios;
    OutputTiming timing;
    for (int k = 0; k < repeats; ++k) {
        const auto a = runOnce(plain, directory, "/dev/null", 600.0);
        const auto b = runOnce(with, directory, "/dev/null", 600.0);
        if (!a || !b || !a->finished || !b->finished) return std::nullopt;
        plainTimes.push_back(a->seconds);
        withTimes.push_back(b->seconds);
        ratios.push_back(b->seconds / a->seconds);
        timing.plainPeak = std::max(timing.plainPeak, a->peakKilobytes);
        timing.withPeak = std::max(timing.withPeak, b->peakKilobytes);
    }
    timing.plain = median(plainTimes);
    timing.with = median(withTimes);
    timing.ratio = median(ratios);
    return timing;
}

std::string fixedText(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

// The rows of `benchmark --outputs`.
int runOutputs(const std::string& program, const fs::path& work, int repeats,
               const std::vector<std::int32_t>& sizes) {
    const std::vector<std::pair<std::string, Command>> outputs = {{"--analise", {"--analise"}},
                                                                  {"--desenho", {"--desenho"}},
                                                                  {"--json", {"--json", "j.json"}}};
    std::cout
        << "| stations | sightings | output | plain | peak | with it | peak | with it / plain "
           "(median of pairs) | growth of the run with it |\n";
    std::cout << "|---:|---:|---|---:|---:|---:|---:|---:|---:|\n";
    std::vector<double> previous(outputs.size(), 0);
    for (std::size_t n = 0; n < sizes.size(); ++n) {
        NetworkOptions options;
        options.stations = sizes[n];
        options.minSightings = options.maxSightings = 5;
        options.zenithRecords = sizes[n];
        options.seed = 7;
        const fs::path directory = work / ("outputs-" + std::to_string(sizes[n]));
        fs::create_directories(directory);
        std::ofstream(directory / "obs.txt", std::ios::binary)
            << interseccao::bench::generateNetwork(options);
        for (std::size_t o = 0; o < outputs.size(); ++o) {
            Command with = {program, "obs.txt"};
            with.insert(with.end(), outputs[o].second.begin(), outputs[o].second.end());
            const auto t = timeOutput({program, "obs.txt"}, with, directory, repeats);
            if (!t) {
                std::cerr << "benchmark: the program failed on " << directory << '\n';
                return 1;
            }
            const std::string growth =
                n == 0 ? "-"
                       : fixedText(std::log(t->with / previous[o]) /
                                       std::log(static_cast<double>(sizes[n]) / sizes[n - 1]),
                                   2);
            previous[o] = t->with;
            std::cout << "| " << sizes[n] << " | " << 5 * sizes[n] << " | `" << outputs[o].first
                      << "` | " << timeText({t->plain, t->plainPeak}) << " | "
                      << memoryText({t->plain, t->plainPeak}) << " | "
                      << timeText({t->with, t->withPeak}) << " | "
                      << memoryText({t->with, t->withPeak}) << " | " << fixedText(t->ratio, 1)
                      << " | " << growth << " |" << std::endl;
        }
    }
    return 0;
}

} // namespace

int outputsMain(int argc, char** argv) {
    std::vector<std::string> positional;
    int repeats = 7;
    std::vector<std::int32_t> sizes;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--repeats" && i + 1 < argc)
            repeats = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--stations" && i + 1 < argc)
            sizes.push_back(std::atoi(argv[++i]));
        else
            positional.push_back(argument);
    }
    if (positional.empty() || positional.size() > 2) {
        std::cerr << "Usage: benchmark --outputs PROGRAM [WORK_DIRECTORY] [--repeats N] "
                     "[--stations N]...\n";
        return 2;
    }
    if (sizes.empty()) sizes = {500, 2000, 20000};
    const fs::path work = fs::absolute(positional.size() == 2 ? positional[1] : "bench-work");
    fs::create_directories(work);
    return runOutputs(fs::absolute(positional[0]).string(), work, repeats, sizes);
}

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--outputs") return outputsMain(argc, argv);
    std::vector<std::string> positional;
    std::vector<Case> inputs;
    bool inputsOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--input" && i + 2 < argc) {
            Case input;
            input.label = argv[i + 1];
            input.floor = true;
            input.input = fs::absolute(argv[i + 2]);
            i += 2;
            inputs.push_back(input);
        } else if (argument == "--inputs-only") {
            inputsOnly = true;
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() < 3 || positional.size() > 4) {
        std::cerr << "Usage: benchmark PROGRAM GENERAL_PROGRAM FLOOR_PROGRAM [WORK_DIRECTORY]\n"
                     "                 [--input LABEL DIRECTORY]... [--inputs-only]\n";
        return 2;
    }
    const std::string program = fs::absolute(positional[0]).string();
    const std::string generalProgram = fs::absolute(positional[1]).string();
    const std::string floorProgram = fs::absolute(positional[2]).string();
    const fs::path work = fs::absolute(positional.size() == 4 ? positional[3] : "bench-work");
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
    std::vector<Case> cases = {
        {"typical, 3 stations", network("gc", 3, 1, 4, 3, 5, 1), true},
        {"typical, 5 stations", network("gs", 5, 1, 4, 5, 5, 2), true},
        {"typical, 8 stations", network("gr", 8, 1, 4, 8, 1, 3), true},
        {"50 stations", network("gc", 50, 5, 5, 50, 5, 4), true},
        {"200 stations", network("gc", 200, 5, 5, 200, 5, 5), true},
        {"500 stations", network("gc", 500, 5, 5, 500, 5, 6), false},
        {"2000 stations", network("gc", 2000, 5, 5, 2000, 5, 7), false, true},
        {"2000 stations", network("gs", 2000, 5, 5, 2000, 5, 8), false, true},
        {"2000 stations", network("gr", 2000, 5, 5, 2000, 5, 9), false, true},
        {"long searches, 5 stations", network("gc", 5, 1, 4, 5, 100000, 10), true},
        {"long searches, 2000 stations", network("gc", 2000, 5, 5, 2000, 100000, 11), false, true},
        {"long searches, 2000 stations", network("gr", 2000, 5, 5, 2000, 100000, 12), false, true},
    };
    if (inputsOnly) cases.clear();
    cases.insert(cases.end(), inputs.begin(), inputs.end());

    std::cout << "| network | unit | sightings | zenith records | a-priori precision | structured "
                 "| peak | floor | structured / floor | general | peak | general / structured |\n";
    std::cout << "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    bool allSame = true;
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const Case& k = cases[c];
        const fs::path directory = work / ("case" + std::to_string(c + 1));
        fs::remove_all(directory);
        fs::create_directories(directory);
        // Each program runs in a folder of its own, on its own copy of the input; the
        // answers name the observation file and the report.
        const fs::path structuredDirectory = directory / "structured";
        const fs::path generalDirectory = directory / "general";
        const fs::path floorDirectory = directory / "floor";
        std::string unit = k.options.unit;
        std::string zenithRecords = std::to_string(k.options.zenithRecords);
        std::string precision;
        {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%g", k.options.precision);
            precision = buffer;
        }
        std::string sightings = "-";
        if (k.input.empty()) {
            const std::string text = interseccao::bench::generateNetwork(k.options);
            // Reference records: every line after the second but the zenith part, less the
            // stations.
            sightings = std::to_string(countLines(text) - 2 - k.options.stations - 1 -
                                       k.options.zenithRecords);
            for (const fs::path& d : {structuredDirectory, generalDirectory, floorDirectory}) {
                fs::create_directories(d);
                std::ofstream(d / "obs.txt", std::ios::binary) << text;
                std::ofstream(d / "answers.txt", std::ios::binary) << "obs.txt\nrel.txt\nS\n";
            }
        } else {
            for (const fs::path& d : {structuredDirectory, generalDirectory, floorDirectory})
                copyInput(k.input, d);
            zenithRecords = "-";
            const std::vector<std::string> answers = answerLines(k.input / "answers.txt");
            const std::vector<std::string> header =
                firstRecord(k.input / (answers.empty() ? "obs.txt" : answers[0]));
            unit = header.size() > 0 ? header[0] : "-";
            precision = header.size() > 2 ? header[2] : "-";
        }
        precision += unit == "gr" ? " mgon" : " \"";
        const std::vector<std::string> answers = answerLines(structuredDirectory / "answers.txt");
        const std::string observationName = answers.size() > 0 ? answers[0] : "";
        const std::string reportName = answers.size() > 1 ? answers[1] : "";

        const std::optional<Measurement> structured =
            measure({program}, structuredDirectory, structuredDirectory / "answers.txt", 11, 60.0);
        std::optional<Measurement> general;
        if (k.general)
            general = measure({generalProgram}, generalDirectory, generalDirectory / "answers.txt",
                              3, 120.0);
        if (!structured || (k.general && !general)) {
            std::cerr << "benchmark: the program failed on " << directory << '\n';
            return 1;
        }

        // The floor writes as many lines as the program wrote, counted on one more run.
        std::string floorTime = "-";
        std::string floorRatio = "-";
        if (k.floor && structured->finished) {
            const fs::path console = structuredDirectory / "console.txt";
            if (!runOnce({program}, structuredDirectory, structuredDirectory / "answers.txt", 60.0,
                         console)) {
                std::cerr << "benchmark: the program failed on " << directory << '\n';
                return 1;
            }
            const std::string consoleText = readFile(console);
            const std::int64_t consoleLines = countLines(consoleText);
            // An input's reference sightings: the console shows a bearing through each.
            if (!k.input.empty()) {
                std::int64_t through = 0;
                for (std::size_t at = consoleText.find(" a partir de "); at != std::string::npos;
                     at = consoleText.find(" a partir de ", at + 1))
                    ++through;
                sightings = std::to_string(through);
            }
            const std::int64_t reportLines = countLines(readFile(structuredDirectory / reportName));
            std::ofstream(floorDirectory / "floor-answers.txt", std::ios::binary)
                << observationName << "\nfloor-report.txt\n";
            const std::optional<Measurement> floor =
                measure({floorProgram, std::to_string(consoleLines), std::to_string(reportLines)},
                        floorDirectory, floorDirectory / "floor-answers.txt", 11, 60.0);
            if (!floor) {
                std::cerr << "benchmark: the floor program failed on " << directory << '\n';
                return 1;
            }
            floorTime = timeText(*floor);
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%.1f", structured->seconds / floor->seconds);
            floorRatio = buffer;
        }

        std::string ratio = "-";
        if (general && general->finished) {
            if (readFile(structuredDirectory / reportName) !=
                readFile(generalDirectory / reportName)) {
                allSame = false;
                ratio = "REPORTS DIFFER";
            } else {
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, "%.1f",
                              general->seconds / structured->seconds);
                ratio = buffer;
            }
        }
        std::cout << "| " << k.label << " | " << unit << " | " << sightings << " | "
                  << zenithRecords << " | " << precision << " | " << timeText(*structured) << " | "
                  << memoryText(*structured) << " | " << floorTime << " | " << floorRatio << " | "
                  << (general ? timeText(*general) : "-") << " | "
                  << (general ? memoryText(*general) : "-") << " | " << ratio << " |" << std::endl;
    }
    return allSame ? 0 : 1;
}
