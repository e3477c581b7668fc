// The run driver: the console dialogue and the stages of a run, in order.
#pragma once

#include "run/computation_path.hpp"
#include "run/files.hpp"

#include <istream>
#include <ostream>

namespace interseccao {

// Runs the whole program: console answers from `consoleIn`, console lines to
// `consoleOut`, file-layer errors to `errors`, files through `files`. Returns the exit
// status: 0 for a normal end and for every stop, 2 for an error of the file layer.
// Both computation paths write the same bytes.
int runProgram(std::istream& consoleIn, std::ostream& consoleOut, std::ostream& errors,
               FileAccess& files, ComputationPath path = ComputationPath::Structured);

// Handles the command line (--help, --version), then runs the program on the process's
// console and disk; the benchmark builds a second program with the general computation.
int mainEntry(int argc, char** argv, ComputationPath path = ComputationPath::Structured);

} // namespace interseccao
