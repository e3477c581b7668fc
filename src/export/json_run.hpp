// The JSON of one observation file's run, for documents that hold runs among other things.
#pragma once

#include "export/json_text.hpp"
#include "results/run_record.hpp"

namespace interseccao {

// The entry of one run, as the command line's JSON document lists it under "ficheiros".
void writeFileRunJson(JsonText& j, const FileRun& run);

} // namespace interseccao
