// Times a day's worth of observation files two ways: one command-line invocation with every
// file, against one dialogue run per file with the answers on standard input.
//
//   batch_benchmark PROGRAM [WORK_DIRECTORY] [FILES]
//
// FILES (default 1000) typical networks of 3 to 8 stations with zenith records are written to
// WORK_DIRECTORY (default: bench-batch); both ways must write the same reports. The command
// line is also set against its floor: a loop, in this process, that only opens and reads each
// observation file and writes a file as large as its report, with nothing computed.
#include "network_generator.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Runs `arguments` in `directory` with standard input from `input` (or /dev/null) and the
// console discarded; the exit status, or -1 when it could not start.
int run(const std::vector<std::string>& arguments, const fs::path& directory,
        const fs::path& input) {
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        const int in = open(input.empty() ? "/dev/null" : input.c_str(), O_RDONLY);
        const int out = open("/dev/null", O_WRONLY);
        if (in < 0 || out < 0 || chdir(directory.c_str()) != 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Reads `input` whole and writes `size` bytes to `output`, with the calls a program makes at
// the least; false when one failed.
bool copyAtTheFloor(const fs::path& input, const fs::path& output, std::size_t size) {
    static char buffer[1 << 16];
    const int in = open(input.c_str(), O_RDONLY);
    if (in < 0) return false;
    while (read(in, buffer, sizeof buffer) > 0) {
    }
    close(in);
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) return false;
    bool written = true;
    for (std::size_t left = size; left > 0 && written;) {
        const std::size_t piece = std::min(left, sizeof buffer);
        written = write(out, buffer, piece) == static_cast<ssize_t>(piece);
        left -= piece;
    }
    return close(out) == 0 && written;
}

// The floor of the command line's run over `names`, in seconds: each file read in `from` and
// a file of its report's size written in `to`.
double floorSeconds(const std::vector<std::string>& names, const fs::path& from,
                    const fs::path& to) {
    std::vector<std::size_t> sizes;
    for (const std::string& name : names)
        sizes.push_back(fs::file_size(from / (fs::path(name).stem().string() + "-relatorio.txt")));
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (!copyAtTheFloor(from / names[i], to / (names[i] + ".saida"), sizes[i])) return -1;
    return secondsSince(start);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::cerr << "Usage: batch_benchmark PROGRAM [WORK_DIRECTORY] [FILES]\n";
        return 2;
    }
    const std::string program = fs::absolute(argv[1]).string();
    const fs::path work = fs::absolute(argc >= 3 ? argv[2] : "bench-batch");
    const int count = argc == 4 ? std::stoi(argv[3]) : 1000;
    fs::remove_all(work);
    fs::create_directories(work / "dialogo");
    fs::create_directories(work / "linha");

    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        interseccao::bench::NetworkOptions options;
        options.unit = i % 3 == 0 ? "gc" : (i % 3 == 1 ? "gs" : "gr");
        options.stations = 3 + i % 6;
        options.zenithRecords = options.stations;
        options.precision = options.unit == "gr" ? 1.0 : 5.0;
        options.seed = static_cast<std::uint64_t>(i + 1);
        const std::string name = "ponto" + std::to_string(i + 1) + ".txt";
        const std::string text = interseccao::bench::generateNetwork(options);
        std::ofstream(work / "dialogo" / name, std::ios::binary) << text;
        std::ofstream(work / "linha" / name, std::ios::binary) << text;
        std::ofstream(work / "dialogo" / (name + ".respostas"), std::ios::binary)
            << name << "\n"
            << fs::path(name).stem().string() << "-relatorio.txt\nS\n";
        names.push_back(name);
    }

    auto start = std::chrono::steady_clock::now();
    for (const std::string& name : names)
        if (run({program}, work / "dialogo", work / "dialogo" / (name + ".respostas")) != 0) {
            std::cerr << "batch_benchmark: the dialogue failed on " << name << '\n';
            return 1;
        }
    const double dialogue = secondsSince(start);

    std::vector<std::string> arguments = {program};
    arguments.insert(arguments.end(), names.begin(), names.end());
    start = std::chrono::steady_clock::now();
    const int status = run(arguments, work / "linha", {});
    const double commandLine = secondsSince(start);
    if (status != 0) {
        std::cerr << "batch_benchmark: the command line ended with status " << status << '\n';
        return 1;
    }
    for (const std::string& name : names) {
        const std::string report = fs::path(name).stem().string() + "-relatorio.txt";
        if (readFile(work / "dialogo" / report) != readFile(work / "linha" / report)) {
            std::cerr << "batch_benchmark: the reports of " << name << " differ\n";
            return 1;
        }
    }
    fs::create_directories(work / "chao");
    const double floor = floorSeconds(names, work / "linha", work / "chao");
    if (floor < 0) {
        std::cerr << "batch_benchmark: the floor could not read or write its files\n";
        return 1;
    }
    std::printf("| files | %d dialogue runs | one command line | dialogue / command line | floor "
                "| command line / floor |\n",
                count);
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    std::printf("| %d | %.2f s | %.3f s | %.1f | %.3f s | %.1f |\n", count, dialogue, commandLine,
                dialogue / commandLine, floor, commandLine / floor);
    return dialogue >= 10.0 * commandLine ? 0 : 1;
}
