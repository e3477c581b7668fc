// Output names, their checks, and the run of one observation file.
#include "cli/batch.hpp"

#include "run/errors.hpp"
#include "run/observation_file.hpp"

#include <filesystem>
#include <map>

namespace interseccao {

namespace fs = std::filesystem;

std::string outputName(const CommandLine& commandLine, const std::string& input,
                       const std::string& suffix) {
    const fs::path path(input);
    const fs::path folder = commandLine.folder ? fs::path(*commandLine.folder) : path.parent_path();
    return (folder / (path.stem().string() + suffix)).string();
}

std::vector<std::string> reportNames(const CommandLine& commandLine) {
    std::vector<std::string> names;
    for (const std::string& input : commandLine.inputs)
        names.push_back(commandLine.report ? *commandLine.report
                                           : outputName(commandLine, input, "-relatorio.txt"));
    return names;
}

void checkOutputNames(const CommandLine& commandLine, const std::vector<std::string>& outputs,
                      FileAccess& files) {
    std::map<std::string, std::string> inputOf; // canonical name -> input as given
    for (const std::string& input : commandLine.inputs)
        inputOf.emplace(files.canonicalName(input), input);
    std::map<std::string, std::string> outputOf;
    for (const std::string& output : outputs) {
        const std::string canonical = files.canonicalName(output);
        for (const auto& [inputCanonical, input] : inputOf)
            if (canonical == inputCanonical || files.sameFile(output, input))
                throw UsageError("Erro: o ficheiro de output " + output +
                                 " e o ficheiro de observacoes " + input + "; nada foi escrito");
        const auto [earlier, added] = outputOf.emplace(canonical, output);
        if (!added)
            throw UsageError("Erro: dois ficheiros de output teriam o mesmo nome, " +
                             earlier->second + "; nada foi escrito (use --pasta ou -o)");
    }
}

namespace {

// The text a stop shows on the console, its plain lines and message on one line.
std::string stopText(const Stop& stop) {
    std::string text;
    for (const std::string& line : stop.plainLines()) {
        const std::size_t begin = line.find_first_not_of(' ');
        if (begin == std::string::npos) continue;
        text += line.substr(begin) + " ";
    }
    return text + (stop.message().empty() ? "Stop - Program terminated." : stop.message());
}

} // namespace

FileRun runFile(const std::string& input, const std::string& report, HeightChoice height,
                FileAccess& files, std::ostream& console, const Adjustments& adjustments) {
    FileRun run;
    run.input = input;
    run.report = report;
    Output output(console);
    std::ostream* reportStream = nullptr;
    try {
        try {
            RecordReader reader(files.readObservationFile(input), input);
            run.values.observations = readPlanimetricData(reader);
            run.dataRead = true;
            reportStream = &files.createOutput(report);
            output.attachReport(*reportStream, report);
            runStages(
                reader, output, adjustments,
                [&] {
                    if (height == HeightChoice::FromFile) return !reader.atEnd();
                    return height == HeightChoice::Always;
                },
                run.values);
        } catch (const Stop& stop) {
            for (const std::string& line : stop.plainLines())
                output.writePlainLine(Channel::Console, line);
            output.writeStopMessage(stop.message().empty() ? "Stop - Program terminated."
                                                           : stop.message());
            run.outcome = Outcome::Stopped;
            run.message = stopText(stop);
        }
        output.flush();
        if (reportStream != nullptr) files.closeOutput(*reportStream);
    } catch (const FileError& error) {
        run.outcome = Outcome::Failed;
        run.message = error.what();
        if (reportStream != nullptr) {
            try {
                files.closeOutput(*reportStream);
            } catch (const FileError&) {
                // The first error is the one to report.
            }
        }
    }
    return run;
}

} // namespace interseccao
