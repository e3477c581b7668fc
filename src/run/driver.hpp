// The run driver: the console dialogue and the stages of a run, in order.
#pragma once

#include "altimetry/solution.hpp"
#include "planimetry/solution.hpp"
#include "run/files.hpp"

#include <functional>
#include <istream>
#include <ostream>

namespace interseccao {

// The two adjustments a run computes. The program uses solvePlanimetry and solveHeight; the
// tests and the benchmark put in their place an independent computation that must give the
// same values.
struct Adjustments {
    std::function<PlanimetricSolution(const ObservationSet&, const Orientation&)> planimetry =
        solvePlanimetry;
    std::function<HeightSolution(const ObservationSet&, HeightGeometry)> height = solveHeight;
};

// Runs the whole dialogue: console answers from `consoleIn`, console lines to `consoleOut`,
// file-layer errors to `errors`, files through `files`. Returns the exit status: 0 for a
// normal end and for every stop, 2 for an error of the file layer.
int runProgram(std::istream& consoleIn, std::ostream& consoleOut, std::ostream& errors,
               FileAccess& files, const Adjustments& adjustments = {});

// Handles the command line (--help, --version), then runs the program on the process's
// console and disk.
int mainEntry(int argc, char** argv, const Adjustments& adjustments = {});

} // namespace interseccao
