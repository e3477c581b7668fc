// A session from the field: the list of known points and the instrument's records in, an
// observation file, a report and the files asked for per new point out, and the session's
// summary, JSON and drawing.
#pragma once

#include "app/command_line.hpp"
#include "results/session.hpp"

#include <ostream>

namespace interseccao {

// Reads, reduces and assembles the session, then runs each determined point's NAME.txt as the
// command line runs a file. Exit status: 0 when every new point was computed, 1 when one was
// not determined or stopped, 2 when a file could not be read (nothing is then written) or
// written.
int runSession(const CommandLine& commandLine, std::ostream& out, std::ostream& errors,
               FileAccess& files, const Adjustments& adjustments);

// The reading, reduction and assembly of a session, without writing anything: every new
// point with its problem or the reason it has none. A FileError when a file cannot be read.
SessionRun assembleSession(const CommandLine& commandLine, FileAccess& files);

} // namespace interseccao
