// Fuzz target: one whole run of the program in process on hostile bytes.
//
// The input is the typed console answers, a NUL byte, then the observation file, which the
// run sees as "obs.txt". Without a NUL byte the whole input is the observation file and the
// answers are "obs.txt", "rel.txt" and "S". Every run must end in one of the program's
// defined ways (run_checks.hpp), as the tests' runs must. Any other exception escapes and
// aborts, and the sanitizers catch memory and undefined behaviour.
#include "app/driver.hpp"
#include "platform/files.hpp"
#include "run_checks.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string answers = "obs.txt\nrel.txt\nS\n";
    std::string_view observations = input;
    if (const std::size_t nul = input.find('\0'); nul != std::string_view::npos) {
        answers = std::string(input.substr(0, nul));
        observations = input.substr(nul + 1);
    }

    interseccao::MemoryFiles files;
    files.files["obs.txt"] = std::string(observations);
    std::istringstream consoleIn(answers);
    std::ostringstream consoleOut;
    std::ostringstream errors;
    const int status = interseccao::runProgram(consoleIn, consoleOut, errors, files);

    const std::string console = consoleOut.str();
    const std::string errorText = errors.str();
    const std::string report = files.report();
    if (const auto broken =
            interseccao::brokenEndRule({status, console, errorText, report}, input)) {
        std::fprintf(stderr, "fuzz check failed: %s\n", broken->c_str());
        std::abort();
    }
    return 0;
}
