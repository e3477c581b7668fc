#include "run_checks.hpp"

#include <algorithm>
#include <cctype>

namespace interseccao {
namespace {

std::string lowered(std::string_view text) {
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// "nan" or "inf" in the output that the input did not bring in itself (in a name, say)
// is a number that escaped the formatter's asterisks.
bool showsNonFinite(std::string_view output, const std::string& loweredInput) {
    const std::string out = lowered(output);
    for (std::string_view word : {"nan", "inf"})
        if (out.find(word) != std::string::npos && loweredInput.find(word) == std::string::npos)
            return true;
    return false;
}

} // namespace

std::optional<std::string> brokenEndRule(const RunOutput& run, std::string_view input) {
    if (run.status == 0) {
        if (!run.errors.empty()) return "status 0 with a message on standard error";
    } else if (run.status == 2) {
        if (run.errors.empty() || run.errors.back() != '\n' ||
            std::count(run.errors.begin(), run.errors.end(), '\n') != 1)
            return "status 2 without exactly one line on standard error";
        if (!run.errors.starts_with("Erro"))
            return "file-layer error that does not start with \"Erro\"";
    } else {
        return "exit status " + std::to_string(run.status) + ", neither 0 nor 2";
    }
    const std::string in = lowered(input);
    if (showsNonFinite(run.console, in)) return "nan or inf on the console";
    if (showsNonFinite(run.report, in)) return "nan or inf in the report";
    return std::nullopt;
}

} // namespace interseccao
