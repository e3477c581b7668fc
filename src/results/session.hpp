// The run record of a session: the known points, the reduced set-ups and every new point with
// the run of its observation file. What the session's writers read.
#pragma once

#include "field/assembly.hpp"
#include "field/reduction.hpp"
#include "input/field_book.hpp"
#include "results/run_record.hpp"

#include <optional>
#include <string>
#include <vector>

namespace interseccao {

struct SessionPoint {
    NewPoint point;
    std::string observationFile; // NAME.txt, when determined
    std::optional<FileRun> run;  // the run of NAME.txt, when it was written
};

struct SessionRun {
    std::vector<std::string> records; // the record files, as given
    KnownPoints known;
    ReducedBook book;
    std::vector<SessionPoint> points;
};

} // namespace interseccao
