// The ways a whole run of the program may end, checked alike by the fuzz target and the tests.
#pragma once

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

} // namespace interseccao
