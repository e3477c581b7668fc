// One observation file of a command-line run: what it computed and how it ended.
#pragma once

#include "analysis/quality.hpp"
#include "run/driver.hpp"

#include <optional>

#include <string>

namespace interseccao {

enum class Outcome {
    Completed, // ran to its end
    Stopped,   // ended at a stop of the computation
    Failed,    // a file-layer error
};

struct FileRun {
    std::string input;     // as given
    std::string report;    // the report's name, as derived from the input or given
    bool dataRead = false; // the planimetric data was read: `values.observations` holds it
    RunValues values;
    Outcome outcome = Outcome::Completed;
    std::string message; // the stop's or the error's message; empty when completed
    // The quality analysis, when asked for and the planimetric adjustment was made.
    std::optional<QualityAnalysis> analysis;
};

} // namespace interseccao
