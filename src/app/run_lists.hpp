// The outputs of a whole command line (the lists, the JSON, the CAD and GIS files), written as
// the inputs run: each input's row and JSON entry when it ends, so that its run can be let go.
#pragma once

#include "app/command_line.hpp"
#include "results/point_set.hpp"

#include <ostream>
#include <string>
#include <vector>

namespace interseccao {

class RunLists {
public:
    // Creates the lists asked for; one that cannot be created is reported on `errors` and makes
    // `status` 2. The JSON goes to `out` for "--json -".
    RunLists(const CommandLine& commandLine, FileAccess& files, std::ostream& out,
             std::ostream& errors, int& status);
    RunLists(const RunLists&) = delete;
    RunLists& operator=(const RunLists&) = delete;

    void add(const FileRun& run);

    // Ends the lists and puts each under its name, then writes the DXF and GeoJSON files.
    void finish();

private:
    enum class Kind { Coordinates, Spreadsheet, Json };
    struct List {
        Kind kind;
        std::string name; // empty for standard output
        std::ostream* stream;
    };

    void write(const List& list, const FileRun& run);

    const CommandLine& commandLine_;
    FileAccess& files_;
    std::ostream& errors_;
    int& status_;
    std::vector<List> lists_;
    RunPoints points_;
    bool empty_ = true;
};

} // namespace interseccao
