// The record of a run: what it computed and how it ended, everything every writer needs.
#pragma once

#include "altimetry/solution.hpp"
#include "analysis/quality.hpp"
#include "angles/orientation.hpp"
#include "input/reader.hpp"
#include "model/observations.hpp"
#include "planimetry/solution.hpp"

#include <optional>
#include <string>

namespace interseccao {

// What a run computed, as far as it went.
struct RunValues {
    ObservationSet observations; // the planimetric data, then the zenith records when read
    std::optional<Orientation> orientation;
    std::optional<PlanimetricSolution> planimetry;
    bool heightRequested = false;
    std::optional<HeightSolution> height;
};

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
    // An error ended the run after its report was begun: the report holds what came before.
    bool reportCut = false;
    // The quality analysis, when asked for and the planimetric adjustment was made: the whole
    // of it when an output shows it all, else what the drawings show (its `extent`).
    std::optional<QualityAnalysis> analysis;
    // The coordinate system of the job's M, P and C, as given (--crs); empty when not stated.
    std::string coordinateSystem;

    // What the file itself tells besides its values, for the warnings of the command line.
    TextEncoding encoding = TextEncoding::Latin1; // of the observation file and its report
    std::vector<CutName> cutNames;                // names longer than 12 characters
    std::optional<std::size_t> dataAfterLine;     // data after the last record starts here
    // The warnings of the records against each other (zenith records matching no station,
    // readings beyond what they can be), made whether or not the analysis was asked for.
    std::vector<Warning> warnings;
    // A zenith reading of the height looks like an elevation angle: the height is doubtful.
    bool elevationLikeZenith = false;
};

} // namespace interseccao
