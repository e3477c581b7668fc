// Fuzz target: one whole command-line run in process on hostile bytes, with every output.
//
// The input is the observation file, which the run sees as "obs.txt"; the run asks for the
// analysis, the drawing, the list and the JSON document, so that every writer reads what the
// computation made of the bytes. Every run must end in one of the command line's defined
// ways (run_checks.hpp), as the tests' runs must. Any other exception escapes and aborts, and
// the sanitizers catch memory and undefined behaviour.
#include "app/command_line.hpp"
#include "platform/files.hpp"
#include "run_checks.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace interseccao;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    MemoryFiles files;
    files.files["obs.txt"] = std::string(input);
    std::ostringstream out;
    std::ostringstream errors;
    const int status = runCommandLine(
        {"obs.txt", "--analise", "--desenho", "--resumo", fuzzedList, "--json", fuzzedJson}, out,
        errors, files);

    std::map<std::string, std::string> written;
    for (const char* name : {fuzzedReport, fuzzedAnalysis, fuzzedDrawing, fuzzedList, fuzzedJson})
        if (files.outputCreated(name)) written[name] = files.output(name);
    const std::string outText = out.str();
    const std::string errorText = errors.str();
    if (const auto broken = brokenCommandLineRule({status, outText, errorText, &written}, input)) {
        std::fprintf(stderr, "fuzz check failed: %s\n", broken->c_str());
        std::abort();
    }
    return 0;
}
