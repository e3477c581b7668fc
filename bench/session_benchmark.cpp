// Times a field session against the plain command line on the files it writes: a synthetic day
// of 50 set-ups and 500 new points (a list of known points and a GSI-16 record) run by the
// session command, then the command line on the 500 NAME.txt the session wrote, each in one
// process, and the session's reading, reduction and assembly alone, in this process.
//
//   session_benchmark PROGRAM [WORK_DIRECTORY] [REPEATS]
//
// Each way is run REPEATS times (default 7), the two alternating, and the medians are printed:
// the machine may be shared, and the median is the run least moved by other work either way.
// Both ways must write the same reports.
#include "session_generator.hpp"

#include "app/field_session.hpp"
#include "platform/files.hpp"

#include <fcntl.h>
#include <sys/resource.h>
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
using Clock = std::chrono::steady_clock;

struct Measurement {
    int status = -1;
    double seconds = 0;
    long peakKilobytes = 0;
};

// Runs `arguments` in `directory` with the console discarded; its status, time and peak memory.
Measurement run(const std::vector<std::string>& arguments, const fs::path& directory) {
    Measurement m;
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child < 0) return m;
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        if (null < 0 || chdir(directory.c_str()) != 0) _exit(127);
        for (const int fd : {0, 1, 2}) dup2(null, fd);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    m.peakKilobytes = usage.ru_maxrss;
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The session's reading, reduction and assembly alone, without writing anything.
double assemblySeconds(const fs::path& folder, std::size_t& determined) {
    interseccao::CommandLine commandLine;
    commandLine.inputs = {(folder / "registo.gsi").string()};
    commandLine.knownPoints = (folder / "pontos.csv").string();
    commandLine.precision = 1;
    interseccao::DiskFiles files;
    const auto start = Clock::now();
    const interseccao::SessionRun session = interseccao::assembleSession(commandLine, files);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    determined = static_cast<std::size_t>(std::count_if(
        session.points.begin(), session.points.end(),
        [](const interseccao::SessionPoint& point) { return point.point.problem.has_value(); }));
    return seconds;
}

struct Job {
    fs::path session, plain;
    std::vector<std::string> sessionCommand, plainCommand;
    std::vector<std::string> names; // NAME of every new point
};

Job writeJob(const std::string& program, const fs::path& work,
             const interseccao::bench::GeneratedSession& generated) {
    Job job{work / "sessao", work / "linha", {}, {program}, {}};
    fs::remove_all(work);
    fs::create_directories(job.session);
    fs::create_directories(job.plain);
    std::ofstream(job.session / "pontos.csv", std::ios::binary) << generated.knownPoints;
    std::ofstream(job.session / "registo.gsi", std::ios::binary) << generated.record;
    job.sessionCommand = {program, "registo.gsi", "--pontos", "pontos.csv", "--precisao", "1"};
    for (const auto& point : generated.newPoints) {
        job.names.push_back(point.name);
        job.plainCommand.push_back(point.name + ".txt");
    }
    return job;
}

// The first session run, the NAME.txt it wrote copied for the plain command line, and the
// reports of both ways compared; false, saying why, when they are not the same.
bool checkBothWays(const Job& job) {
    const Measurement session = run(job.sessionCommand, job.session);
    if (session.status != 0) {
        std::cerr << "session_benchmark: the session ended with status " << session.status << '\n';
        return false;
    }
    for (const std::string& name : job.names)
        fs::copy_file(job.session / (name + ".txt"), job.plain / (name + ".txt"),
                      fs::copy_options::overwrite_existing);
    const Measurement plain = run(job.plainCommand, job.plain);
    if (plain.status != 0) {
        std::cerr << "session_benchmark: the command line ended with status " << plain.status
                  << '\n';
        return false;
    }
    for (const std::string& name : job.names) {
        const std::string report = name + "-relatorio.txt";
        if (readFile(job.session / report) != readFile(job.plain / report)) {
            std::cerr << "session_benchmark: the reports of " << name << " differ\n";
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::cerr << "Usage: session_benchmark PROGRAM [WORK_DIRECTORY] [REPEATS]\n";
        return 2;
    }
    const std::string program = fs::absolute(argv[1]).string();
    const fs::path work = fs::absolute(argc >= 3 ? argv[2] : "bench-session");
    const int repeats = argc == 4 ? std::max(1, std::stoi(argv[3])) : 7;
    const interseccao::bench::SessionOptions options;
    const auto generated = interseccao::bench::generateSession(options);
    const Job job = writeJob(program, work, generated);
    if (!checkBothWays(job)) return 1;

    std::vector<double> session, plain, assembly;
    long sessionPeak = 0, plainPeak = 0;
    std::size_t determined = 0;
    for (int i = 0; i < repeats; ++i) {
        const Measurement s = run(job.sessionCommand, job.session);
        const Measurement p = run(job.plainCommand, job.plain);
        if (s.status != 0 || p.status != 0) return 1;
        session.push_back(s.seconds);
        plain.push_back(p.seconds);
        sessionPeak = std::max(sessionPeak, s.peakKilobytes);
        plainPeak = std::max(plainPeak, p.peakKilobytes);
        assembly.push_back(assemblySeconds(job.session, determined));
    }
    if (determined != generated.newPoints.size()) {
        std::cerr << "session_benchmark: " << determined << " new points determined\n";
        return 1;
    }
    const double s = median(session), p = median(plain), a = median(assembly);
    std::printf("| set-ups | new points | record lines | session | peak | command line on the "
                "%zu NAME.txt | peak | reading, reduction, assembly | share of the session |\n",
                job.names.size());
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::printf("| %d | %zu | %zu | %.3f s | %.1f MB | %.3f s | %.1f MB | %.1f ms | %.1f %% |\n",
                options.setups, job.names.size(), generated.recordLines, s, sessionPeak / 1024.0, p,
                plainPeak / 1024.0, a * 1000, 100 * a / s);
    std::printf("(medians of %d runs of each; the session less the command line: %.1f ms, "
                "%.1f %% of the session)\n",
                repeats, (s - p) * 1000, 100 * (s - p) / s);
    return a < 0.5 * s ? 0 : 1;
}
