// Where the program says how a run ended early: the one place that words a stop and an error.
#pragma once

#include "model/errors.hpp"
#include "text/output.hpp"

#include <ostream>
#include <string>

namespace interseccao {

// A stop on the console: its plain lines, then its message as a line of its own.
void writeStop(const RunError& stop, Output& output);

// A stop on one line, for the summaries: its plain lines without their margins, then its
// message.
std::string stopText(const RunError& stop);

// A file or usage error on standard error, as one line.
void writeError(const RunError& error, std::ostream& errors);

} // namespace interseccao
