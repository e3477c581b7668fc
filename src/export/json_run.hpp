// The JSON of one observation file's run, for documents that hold runs among other things.
#pragma once

#include "results/run_record.hpp"

#include <nlohmann/json.hpp>

namespace interseccao {

// The entry of one run, as the command line's JSON document lists it under "ficheiros".
nlohmann::ordered_json fileRunJson(const FileRun& run);

} // namespace interseccao
