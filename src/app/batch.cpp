// Output names, their checks, and the run of one observation file.
#include "app/batch.hpp"
#include "app/run_end.hpp"

#include "input/observation_file.hpp"
#include "model/errors.hpp"
#include "results/own_outputs.hpp"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>

namespace interseccao {

std::string outputName(const CommandLine& commandLine, const std::string& input,
                       const std::string& suffix) {
    // Worked on the name's bytes, so that any encoding of it passes through unchanged.
#ifdef _WIN32
    constexpr std::string_view separators = "/\\";
#else
    constexpr std::string_view separators = "/";
#endif
    const std::size_t slash = input.find_last_of(separators);
    const std::string folder =
        slash == std::string::npos ? std::string() : input.substr(0, slash + 1);
    std::string stem = slash == std::string::npos ? input : input.substr(slash + 1);
    if (const std::size_t dot = stem.rfind('.'); dot != std::string::npos && dot > 0)
        stem.erase(dot);
    if (!commandLine.folder) return folder + stem + suffix;
    std::string chosen = *commandLine.folder;
    if (!chosen.empty() && separators.find(chosen.back()) == std::string_view::npos) chosen += '/';
    return chosen + stem + suffix;
}

std::vector<std::string> reportNames(const CommandLine& commandLine) {
    std::vector<std::string> names;
    for (const std::string& input : commandLine.inputs)
        names.push_back(commandLine.report ? *commandLine.report
                                           : outputName(commandLine, input, "-relatorio.txt"));
    return names;
}

IdentityKey identityKey(const platform::FileIdentity& identity) {
    return {static_cast<int>(identity.kind), identity.device, identity.inode, identity.leaf};
}

namespace {

RunError refusedOutput(const std::string& output, const std::string& why) {
    return RunError::usage("Erro: o ficheiro de output " + output + " " + why +
                           "; nada foi escrito");
}

// An existing file in an output's place: refused when it is not a regular file, and when this
// program did not write it (unless --substituir).
void checkExistingOutput(const CommandLine& commandLine, const std::string& output,
                         const platform::FileIdentity& identity, FileAccess& files) {
    if (!identity.exists()) return;
    if (identity.kind != platform::FileIdentity::Kind::Regular)
        throw refusedOutput(output, "nao e um ficheiro regular (e uma pasta, um pipe ou um "
                                    "dispositivo)");
    if (commandLine.replace || writtenByThisProgram(files.readHead(output, ownOutputHead))) return;
    throw refusedOutput(output, "ja existe e nao foi escrito por este programa (--substituir "
                                "escreve por cima dele)");
}

} // namespace

void checkOutputNames(const CommandLine& commandLine, const std::vector<std::string>& outputs,
                      FileAccess& files, const std::vector<IdentityKey>& inputKeys) {
    // Names are compared by the file they designate: device and inode, links followed.
    std::map<IdentityKey, std::string> inputOf; // -> the input as given
    for (std::size_t i = 0; i < commandLine.inputs.size(); ++i)
        inputOf.emplace(i < inputKeys.size() ? inputKeys[i]
                                             : identityKey(files.identify(commandLine.inputs[i])),
                        commandLine.inputs[i]);
    std::map<IdentityKey, std::string> outputOf;
    for (const std::string& output : outputs) {
        const platform::FileIdentity identity = files.identify(output);
        const IdentityKey key = identityKey(identity);
        if (const auto input = inputOf.find(key); input != inputOf.end())
            throw refusedOutput(output, "e o ficheiro de observacoes " + input->second);
        const auto [earlier, added] = outputOf.emplace(key, output);
        if (!added)
            throw RunError::usage(
                "Erro: dois ficheiros de output teriam o mesmo nome, " + earlier->second +
                "; nada foi escrito (" +
                (commandLine.folder
                     ? std::string("dois ficheiros de observacoes com o mesmo nome em pastas "
                                   "diferentes: mude o nome de um deles, ou corra-os em "
                                   "separado com --pasta diferentes)")
                     : std::string("use --pasta ou -o)")));
        checkExistingOutput(commandLine, output, identity, files);
    }
}

namespace {

// What the file tells besides its values: names cut, data after the last record, the
// warnings of its records against each other, and a clash of cut names (which fails the run).
void noteFileFindings(RecordReader& reader, RecordReader::Place afterPlanimetry, FileRun& run) {
    const ObservationSet& observations = run.values.observations;
    run.cutNames = reader.cutNames();
    const bool zenithRead =
        run.values.heightRequested &&
        std::ssize(observations.zenithObservations) == std::max(observations.zenithCount, 0);
    if (run.outcome != Outcome::Failed)
        run.dataAfterLine = dataAfterRecords(reader, afterPlanimetry, observations, zenithRead);
    run.warnings = consistencyWarnings(observations);
    if (run.values.height)
        for (const ZenithObservation& z : observations.zenithObservations)
            run.elevationLikeZenith =
                run.elevationLikeZenith || looksLikeElevation(z.zenithReading);
    if (run.outcome == Outcome::Failed) return;
    try {
        checkCutNames(run.cutNames, observations, run.input);
    } catch (const RunError& error) {
        run.outcome = Outcome::Failed;
        run.message = error.shown();
    }
}

} // namespace

FileRun runFile(const std::string& input, const std::string& report, HeightChoice height,
                FileAccess& files, std::ostream* console, const Adjustments& adjustments,
                bool analyse, AnalysisExtent extent) {
    FileRun run;
    run.input = input;
    run.report = report;
    Output output = console != nullptr ? Output(*console) : Output();
    std::ostream* reportStream = nullptr;
    std::optional<RecordReader> reader;
    RecordReader::Place afterPlanimetry;
    try {
        try {
            reader.emplace(files.readObservationFile(input), input);
            run.encoding = reader->encoding();
            output.setEncoding(run.encoding);
            run.values.observations = readPlanimetricData(*reader);
            run.dataRead = true;
            afterPlanimetry = reader->place();
            reportStream = &files.createOutput(report);
            output.attachReport(*reportStream, report);
            runStages(
                *reader, output, adjustments,
                [&] {
                    if (height == HeightChoice::FromFile) return !reader->atEnd();
                    return height == HeightChoice::Always;
                },
                run.values);
        } catch (const RunError& end) {
            if (!end.isStop()) throw;
            writeStop(end, output);
            run.outcome = Outcome::Stopped;
            run.message = stopText(end);
        }
        output.flush();
        if (reportStream != nullptr) files.closeOutput(*reportStream);
    } catch (const RunError& error) {
        run.outcome = Outcome::Failed;
        run.message = error.shown();
        // What the report holds up to the error stays: the dialogue keeps as much.
        run.reportCut = reportStream != nullptr;
        if (reportStream != nullptr) {
            try {
                files.closeOutput(*reportStream);
            } catch (const RunError&) {
                // The first error is the one to report.
                run.reportCut = false;
            }
        }
    }
    // A run that writes no report leaves no report of an earlier run beside it.
    if (reportStream == nullptr) files.removeOutput(report);
    if (run.dataRead) noteFileFindings(*reader, afterPlanimetry, run);
    const auto& planimetry = run.values.planimetry;
    if (analyse && planimetry && planimetry->adjusted)
        run.analysis = analyseQuality(run.values.observations, *planimetry,
                                      run.values.height ? &*run.values.height : nullptr, extent,
                                      &run.warnings);
    return run;
}

} // namespace interseccao
