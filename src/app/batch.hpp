// The runs of a command line: the names of the outputs, checked before anything is written,
// and the run of one observation file.
#pragma once

#include "app/command_line.hpp"
#include "results/run_record.hpp"

namespace interseccao {

// The report of each input, in the order given: `-o`, or NAME-relatorio.txt for NAME.txt,
// in --pasta or beside the input.
std::vector<std::string> reportNames(const CommandLine& commandLine);

// The name of a per-input output: `suffix` after the input's stem, in --pasta or beside the
// input ("-analise.txt" for NAME-analise.txt).
std::string outputName(const CommandLine& commandLine, const std::string& input,
                       const std::string& suffix);

// Refuses, before anything is written, an output that is one of the observation files
// (in any spelling or through a link) and two outputs of one name.
void checkOutputNames(const CommandLine& commandLine, const std::vector<std::string>& outputs,
                      FileAccess& files);

// Runs one observation file as the dialogue runs it, with the report under `report` and the
// height as `height` says; console lines go to `console`. Never throws for the file's sake:
// a stop or a file-layer error is the run's outcome. With `analyse`, the quality analysis
// of what was adjusted follows.
FileRun runFile(const std::string& input, const std::string& report, HeightChoice height,
                FileAccess& files, std::ostream& console, const Adjustments& adjustments,
                bool analyse = false);

} // namespace interseccao
