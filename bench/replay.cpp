// Times fuzz inputs in process, as the fuzz target runs them but in this build, and lists
// them slowest first; with --case, writes one input out as an end-to-end case folder.
//
//   interseccao_replay [--repeats N] FILE_OR_FOLDER...
//   interseccao_replay --case FOLDER FILE
//
// An input is the typed answers, a NUL byte and the observation file, which the run sees as
// "obs.txt"; without a NUL byte the whole input is the observation file and the answers are
// "obs.txt", "rel.txt" and "S". A folder stands for every file in it. Each input runs
// N times (default 3) and its best time is shown, in milliseconds.
#include "app/driver.hpp"
#include "platform/files.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Input {
    std::string answers = "obs.txt\nrel.txt\nS\n";
    std::string observations;
};

Input readInput(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Input input;
    input.observations = bytes;
    if (const std::size_t nul = bytes.find('\0'); nul != std::string::npos) {
        input.answers = bytes.substr(0, nul);
        input.observations = bytes.substr(nul + 1);
    }
    return input;
}

double runSeconds(const Input& input) {
    const auto start = std::chrono::steady_clock::now();
    interseccao::MemoryFiles files;
    files.files["obs.txt"] = input.observations;
    std::istringstream consoleIn(input.answers);
    std::ostringstream consoleOut;
    std::ostringstream errors;
    interseccao::runProgram(consoleIn, consoleOut, errors, files);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int usage() {
    std::cerr << "Usage: interseccao_replay [--repeats N] FILE_OR_FOLDER...\n"
                 "       interseccao_replay --case FOLDER FILE\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 3 && arguments[0] == "--case") {
        const fs::path folder = arguments[1];
        const Input input = readInput(arguments[2]);
        fs::create_directories(folder);
        std::ofstream(folder / "obs.txt", std::ios::binary) << input.observations;
        std::ofstream(folder / "answers.txt", std::ios::binary) << input.answers;
        return 0;
    }
    int repeats = 3;
    if (arguments.size() >= 2 && arguments[0] == "--repeats") {
        repeats = std::max(1, std::stoi(arguments[1]));
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    if (arguments.empty()) return usage();

    std::vector<fs::path> paths;
    for (const std::string& argument : arguments) {
        if (fs::is_directory(argument)) {
            for (const auto& entry : fs::directory_iterator(argument))
                if (entry.is_regular_file()) paths.push_back(entry.path());
        } else {
            paths.push_back(argument);
        }
    }
    std::vector<std::pair<double, fs::path>> times;
    for (const fs::path& path : paths) {
        const Input input = readInput(path);
        double best = runSeconds(input);
        for (int i = 1; i < repeats; ++i) best = std::min(best, runSeconds(input));
        times.emplace_back(best, path);
    }
    std::sort(times.begin(), times.end(), [](const auto& a, const auto& b) { return a > b; });
    for (const auto& [seconds, path] : times)
        std::printf("%10.3f  %s\n", seconds * 1000.0, path.string().c_str());
    return 0;
}
