// In-process runs of the program for the tests.
#include "support.hpp"

#include "run/driver.hpp"
#include "run_checks.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace interseccao::testing {

RunResult runWith(MemoryFiles& files, const std::string& answers, const Adjustments& adjustments) {
    std::istringstream in(answers);
    std::ostringstream out, err;
    RunResult result;
    result.status = runProgram(in, out, err, files, adjustments);
    result.console = out.str();
    result.errors = err.str();
    result.reportCreated = files.reportCreated();
    result.report = files.report();
    return result;
}

RunResult runWith(const std::string& observations, const std::string& answers,
                  const Adjustments& adjustments) {
    MemoryFiles files;
    files.files["obs.txt"] = observations;
    return runWith(files, answers, adjustments);
}

void expectDefinedEnd(const RunResult& result, std::string_view input) {
    const auto broken =
        brokenEndRule({result.status, result.console, result.errors, result.report}, input);
    if (!broken) return;
    // The end of each output is enough to see what went wrong, and keeps a failure on a
    // 10 MB input readable.
    const auto tail = [](const std::string& text) {
        return text.size() <= 4000 ? text : "[...]" + text.substr(text.size() - 4000);
    };
    ADD_FAILURE() << *broken << "\nstatus " << result.status << "\nstandard error:\n"
                  << tail(result.errors) << "\nconsole:\n"
                  << tail(result.console) << "\nreport:\n"
                  << tail(result.report);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string sourceDir() { return INTERSECCAO_SOURCE_DIR; }

} // namespace interseccao::testing
