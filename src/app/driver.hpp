// The run driver: the console dialogue and the stages of a run, in order.
#pragma once

#include "altimetry/solution.hpp"
#include "input/reader.hpp"
#include "planimetry/solution.hpp"
#include "platform/files.hpp"
#include "results/run_record.hpp"
#include "text/output.hpp"

#include <functional>
#include <istream>
#include <optional>
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

// The stages that follow the opening of the report, on the planimetric data already in
// `values`: checks, orientation, planimetric adjustment, and the height when
// `computeHeight`, asked once the planimetric report is complete, says so. Writes the
// console lines and the report as it goes; a stop or a file-layer error ends it with
// `values` holding what was computed before.
void runStages(RecordReader& reader, Output& output, const Adjustments& adjustments,
               const std::function<bool()>& computeHeight, RunValues& values);

// Runs the whole dialogue: console answers from `consoleIn`, console lines to `consoleOut`,
// file-layer errors to `errors`, files through `files`. Returns the exit status: 0 for a
// normal end and for every stop, 2 for an error of the file layer.
int runProgram(std::istream& consoleIn, std::ostream& consoleOut, std::ostream& errors,
               FileAccess& files, const Adjustments& adjustments = {});

// The dialogue on the process's console and disk.
int runDialogue(const Adjustments& adjustments = {});

} // namespace interseccao
