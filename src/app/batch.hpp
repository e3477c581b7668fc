// The runs of a command line: the names of the outputs, checked before anything is written,
// and the run of one observation file.
#pragma once

#include "app/command_line.hpp"
#include "results/run_record.hpp"

#include <tuple>

namespace interseccao {

// The report of each input, in the order given: `-o`, or NAME-relatorio.txt for NAME.txt,
// in --pasta or beside the input.
std::vector<std::string> reportNames(const CommandLine& commandLine);

// The name of a per-input output: `suffix` after the input's stem, in --pasta or beside the
// input ("-analise.txt" for NAME-analise.txt).
std::string outputName(const CommandLine& commandLine, const std::string& input,
                       const std::string& suffix);

// What designates one file, for maps of files: kind, device, inode, and a missing file's name.
using IdentityKey = std::tuple<int, std::uint64_t, std::uint64_t, std::string>;
IdentityKey identityKey(const platform::FileIdentity& identity);

// Refuses, before anything is written, an output that is one of the observation files
// (in any spelling or through a link), two outputs of one file, an output that is not a
// regular file, and one that would replace a file this program did not write (unless
// --substituir).
// `inputKeys`, when given, are the inputs' identities, in their order.
void checkOutputNames(const CommandLine& commandLine, const std::vector<std::string>& outputs,
                      FileAccess& files, const std::vector<IdentityKey>& inputKeys = {});

// Runs one observation file as the dialogue runs it, with the report under `report` and the
// height as `height` says; console lines go to `console` (without one they are not made at
// all). Never throws for the file's sake:
// a stop or a file-layer error is the run's outcome. With `analyse`, the quality analysis
// of what was adjusted follows, to `extent`.
FileRun runFile(const std::string& input, const std::string& report, HeightChoice height,
                FileAccess& files, std::ostream* console, const Adjustments& adjustments,
                bool analyse = false, AnalysisExtent extent = AnalysisExtent::Whole);

} // namespace interseccao
