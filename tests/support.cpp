// In-process runs of the program for the tests.
#include "support.hpp"

#include "run/driver.hpp"

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace interseccao::testing {

RunResult runWith(MemoryFiles& files, const std::string& answers, ComputationPath path) {
    std::istringstream in(answers);
    std::ostringstream out, err;
    RunResult result;
    result.status = runProgram(in, out, err, files, path);
    result.console = out.str();
    result.errors = err.str();
    result.reportCreated = files.reportCreated();
    result.report = files.report();
    return result;
}

RunResult runWith(const std::string& observations, const std::string& answers,
                  ComputationPath path) {
    MemoryFiles files;
    files.files["obs.txt"] = observations;
    return runWith(files, answers, path);
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
