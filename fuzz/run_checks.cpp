#include "run_checks.hpp"

#include <nlohmann/json.hpp>

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

const std::string* fileOf(const CommandLineOutput& run, const char* name) {
    const auto file = run.files->find(name);
    return file == run.files->end() ? nullptr : &file->second;
}

// The lists of a run that computed: both written whole. An input passed over as one of the
// program's own outputs (a report, a list, ..., as standard output says) has no row.
std::optional<std::string> brokenLists(const CommandLineOutput& run) {
    const std::string* list = fileOf(run, fuzzedList);
    if (list == nullptr) return "no list";
    const bool passedOver = run.out.starts_with("obs.txt: ignorado, ");
    const auto rows = std::count(list->begin(), list->end(), '\n');
    if (passedOver && (rows != 1 || !list->ends_with("\r\n")))
        return "a list of an input passed over that is not its header alone";
    if (!passedOver && (rows != 2 || !list->ends_with("\r\n")))
        return "a list without its header and one row";
    const std::string* json = fileOf(run, fuzzedJson);
    if (json == nullptr) return "no JSON document";
    if (!nlohmann::json::accept(*json)) return "a JSON document that does not parse";
    if (const std::string* drawing = fileOf(run, fuzzedDrawing))
        if (!drawing->starts_with("<?xml") || !drawing->ends_with("</svg>\n"))
            return "a drawing that is not a whole SVG page";
    return std::nullopt;
}

} // namespace

std::optional<std::string> brokenCommandLineRule(const CommandLineOutput& run,
                                                 std::string_view input) {
    if (run.status < 0 || run.status > 2)
        return "exit status " + std::to_string(run.status) + ", neither 0, 1 nor 2";
    if (run.status == 2 && run.errors.empty()) return "status 2 with nothing on standard error";
    if (run.status != 2)
        if (const auto broken = brokenLists(run)) return broken;
    const std::string in = lowered(input);
    if (showsNonFinite(run.out, in)) return "nan or inf on standard output";
    for (const char* name : {fuzzedReport, fuzzedAnalysis, fuzzedDrawing})
        if (const std::string* file = fileOf(run, name); file && showsNonFinite(*file, in))
            return std::string("nan or inf in ") + name;
    return std::nullopt;
}

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
