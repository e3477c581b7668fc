// The command line: options, the runs of many observation files, and the program's entry.
#pragma once

#include "app/driver.hpp"
#include "results/point_set.hpp"
#include "results/run_record.hpp"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace interseccao {

enum class HeightChoice {
    FromFile, // computed when zenith records follow the planimetric data
    Always,   // --cota
    Never,    // --sem-cota
};

struct CommandLine {
    std::vector<std::string> inputs;
    std::optional<std::string> report; // -o, only with one input
    std::optional<std::string> folder; // --pasta
    HeightChoice height = HeightChoice::FromFile;
    std::optional<std::string> coordinateList;  // --resumo
    std::optional<std::string> spreadsheetList; // --resumo-pt: for a spreadsheet in Portuguese
    std::optional<std::string> json;            // --json; "-" is standard output
    bool verbose = false;
    bool replace = false;  // --substituir: outputs may replace files this program did not write
    bool analysis = false; // --analise: NAME-analise.txt beside the report
    bool drawing = false;  // --desenho: NAME-desenho.svg beside the report
    std::optional<std::string> dxf;              // --dxf: every point of the run, for CAD
    std::optional<std::string> geoJson;          // --geojson: every point of the run, for GIS
    std::optional<std::string> coordinateSystem; // --crs: stated in the outputs, never applied

    // A session from the field: the inputs are the instrument's records.
    std::optional<std::string> knownPoints; // --pontos: the list of known points
    std::optional<std::string> tableUnit;   // --unidade of a plain field book: gc, gs or gr
    std::optional<double> precision;        // --precisao of one reading: " or mgon
    std::optional<double> tolerance;        // --tolerancia, metres
    std::optional<double> faceLimit;        // --limite-faces: " or mgon
};

// The outputs of one observation file: its report, and with --analise and --desenho their files.
struct InputOutputs {
    std::string report;
    std::optional<std::string> analysis, drawing;
};

// Runs one observation file as the command line runs each of its files: the report, the
// analysis and drawing asked for, the line for people on `lines` or `errors`; `status` is
// raised as the command line's rules say.
FileRun runInput(const CommandLine& commandLine, const std::string& input,
                 const InputOutputs& outputs, std::ostream& lines, std::ostream& errors,
                 FileAccess& files, const Adjustments& adjustments, int& status);

// Writes the --dxf drawing and the --geojson layer of the points asked for; a file that cannot
// be written is reported and makes `status` 2.
void writePointFiles(const CommandLine& commandLine, const PointSet& points, FileAccess& files,
                     std::ostream& errors, int& status);

// Writes one output whole: a file that cannot be written is reported on `errors`, makes `status`
// 2 and leaves the earlier file by that name as it was; false then.
bool writeOutput(FileAccess& files, const std::string& name, std::ostream& errors, int& status,
                 const std::function<void(std::ostream&)>& writer);

// Flushes standard output; a file-layer error when anything written to it was lost.
void checkStandardOutput(std::ostream& out);

// The --crs code as given (empty when not), with a warning on `errors` when it does not look
// like AUTHORITY:NUMBER.
std::string coordinateSystem(const CommandLine& commandLine, std::ostream& errors);

// Runs the program on the arguments (without the program's name): the dialogue when there
// are none. Exit status: 0 when every input ran to its end; 1 when one ended at a stop of
// the computation; 2 on a usage error or when one had a file-layer error.
int runCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& errors, FileAccess& files, const Adjustments& adjustments = {});

// The process's entry: the dialogue without arguments, the command line with them.
int mainEntry(int argc, char** argv, const Adjustments& adjustments = {});

} // namespace interseccao
