// The lists of a command line, streamed into their (temporary) files input by input.
#include "app/run_lists.hpp"
#include "app/run_end.hpp"

#include "export/export.hpp"
#include "model/errors.hpp"

namespace interseccao {

RunLists::RunLists(const CommandLine& commandLine, FileAccess& files, std::ostream& out,
                   std::ostream& errors, int& status)
    : commandLine_(commandLine), files_(files), errors_(errors), status_(status) {
    const std::pair<Kind, const std::optional<std::string>*> asked[] = {
        {Kind::Coordinates, &commandLine.coordinateList},
        {Kind::Spreadsheet, &commandLine.spreadsheetList},
        {Kind::Json, &commandLine.json}};
    for (const auto& [kind, name] : asked) {
        if (!*name) continue;
        if (kind == Kind::Json && **name == "-") {
            lists_.push_back({kind, {}, &out});
        } else {
            try {
                lists_.push_back({kind, **name, &files.createOutput(**name)});
            } catch (const RunError& error) {
                writeError(error, errors);
                status = 2;
                continue;
            }
        }
        std::ostream& stream = *lists_.back().stream;
        if (kind == Kind::Json)
            writeJsonStart(stream);
        else
            writeListHeader(stream, kind == Kind::Spreadsheet);
    }
}

void RunLists::write(const List& list, const FileRun& run) {
    if (list.kind == Kind::Json)
        writeJsonRun(run, empty_, *list.stream);
    else
        writeListRow(run, *list.stream, list.kind == Kind::Spreadsheet);
}

void RunLists::add(const FileRun& run) {
    for (const List& list : lists_) write(list, run);
    empty_ = false;
    if (commandLine_.dxf || commandLine_.geoJson) points_.add(run);
}

void RunLists::finish() {
    for (const List& list : lists_) {
        if (list.kind == Kind::Json) writeJsonEnd(empty_, *list.stream);
        if (list.name.empty()) continue;
        try {
            files_.closeOutput(*list.stream);
        } catch (const RunError& error) {
            writeError(error, errors_);
            status_ = 2;
        }
    }
    lists_.clear();
    if (commandLine_.dxf || commandLine_.geoJson)
        writePointFiles(commandLine_, points_.points(), files_, errors_, status_);
}

} // namespace interseccao
