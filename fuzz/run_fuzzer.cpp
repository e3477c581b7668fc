// Fuzz target: one whole run of the program in process on hostile bytes.
//
// The input is the typed console answers, a NUL byte, then the observation file, which the
// run sees as "obs.txt". Without a NUL byte the whole input is the observation file and the
// answers are "obs.txt", "rel.txt" and "S". Every run must end in one of the program's
// defined ways: a normal end or a stop (status 0, nothing on standard error) or a
// file-layer error (status 2, one line on standard error). Any other exception escapes
// and aborts, and the sanitizers catch memory and undefined behaviour.
#include "run/driver.hpp"
#include "run/files.hpp"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

namespace {

void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

std::string lowered(std::string_view text) {
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// "nan" or "inf" in the output that the input did not bring in itself (in a name, say)
// is a number that escaped the formatter's asterisks.
bool showsNonFinite(std::string_view output, std::string_view input) {
    const std::string out = lowered(output);
    const std::string in = lowered(input);
    for (std::string_view word : {"nan", "inf"})
        if (out.find(word) != std::string::npos && in.find(word) == std::string::npos) return true;
    return false;
}

} // namespace

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

    const std::string errorText = errors.str();
    if (status == 0) {
        if (!errorText.empty()) fail("status 0 with a message on standard error");
    } else if (status == 2) {
        if (errorText.empty() || errorText.back() != '\n' ||
            std::count(errorText.begin(), errorText.end(), '\n') != 1)
            fail("status 2 without exactly one line on standard error");
        if (!errorText.starts_with("Erro"))
            fail("file-layer error that does not start with \"Erro\"");
    } else {
        fail("exit status other than 0 or 2");
    }
    if (showsNonFinite(consoleOut.str(), input)) fail("nan or inf on the console");
    if (showsNonFinite(files.report(), input)) fail("nan or inf in the report");
    return 0;
}
