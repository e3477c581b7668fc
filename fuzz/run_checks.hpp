// The ways a whole run of the program may end, checked alike by the fuzz target and the tests.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace interseccao {

// What one run gave back: its exit status, the console, standard error and the report.
struct RunOutput {
    int status = 0;
    std::string_view console;
    std::string_view errors;
    std::string_view report;
};

// A run ends normally or at a stop (status 0, nothing on standard error) or at one
// file-layer error (status 2, one line on standard error that starts with "Erro"), and
// shows no "nan" or "inf", in any case, on the console or in the report unless `input`
// (everything the run was given) brought the word in itself. Returns the first of these
// rules that the run broke, in words, or nothing.
std::optional<std::string> brokenEndRule(const RunOutput& run, std::string_view input);

// What one command-line run gave back: its exit status, standard output and error, and the
// files it wrote, by name.
struct CommandLineOutput {
    int status = 0;
    std::string_view out;
    std::string_view errors;
    const std::map<std::string, std::string>* files = nullptr;
};

// The names of the outputs of the command line that the command-line fuzz target and its
// tests give: "obs.txt" with --analise --desenho, and the list and the JSON.
inline constexpr const char* fuzzedReport = "obs-relatorio.txt";
inline constexpr const char* fuzzedAnalysis = "obs-analise.txt";
inline constexpr const char* fuzzedDrawing = "obs-desenho.svg";
inline constexpr const char* fuzzedList = "lista.csv";
inline constexpr const char* fuzzedJson = "saida.json";

// A command-line run on one input ends with status 0, 1 (a stop) or 2 (a file-layer error,
// said on standard error); whenever it computed, the list holds its header and one row, the
// JSON document parses, a drawing is a whole SVG page, and no output shows "nan" or "inf"
// that `input` did not bring in. Returns the first of these rules that the run broke.
std::optional<std::string> brokenCommandLineRule(const CommandLineOutput& run,
                                                 std::string_view input);

} // namespace interseccao
