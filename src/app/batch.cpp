// Output names, their checks, and the run of one observation file.
#include "app/batch.hpp"
#include "app/run_end.hpp"

#include "input/observation_file.hpp"
#include "model/errors.hpp"

#include <map>

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

void checkOutputNames(const CommandLine& commandLine, const std::vector<std::string>& outputs,
                      FileAccess& files) {
    // Two names of one file have one canonical spelling, unless they are two hard links of
    // it: those have one size, and only inputs of an existing output's size are compared.
    std::map<std::string, std::string> inputOf; // canonical name -> input as given
    std::multimap<std::uintmax_t, std::string> inputsOfSize;
    for (const std::string& input : commandLine.inputs) {
        inputOf.emplace(files.canonicalName(input), input);
        if (const auto size = files.fileSize(input)) inputsOfSize.emplace(*size, input);
    }
    const auto refuse = [](const std::string& output, const std::string& input) {
        return RunError::usage("Erro: o ficheiro de output " + output +
                               " e o ficheiro de observacoes " + input + "; nada foi escrito");
    };
    std::map<std::string, std::string> outputOf;
    for (const std::string& output : outputs) {
        const std::string canonical = files.canonicalName(output);
        if (const auto input = inputOf.find(canonical); input != inputOf.end())
            throw refuse(output, input->second);
        if (const auto size = files.fileSize(output)) {
            const auto [first, last] = inputsOfSize.equal_range(*size);
            for (auto input = first; input != last; ++input)
                if (files.sameFile(output, input->second)) throw refuse(output, input->second);
        }
        const auto [earlier, added] = outputOf.emplace(canonical, output);
        if (!added)
            throw RunError::usage("Erro: dois ficheiros de output teriam o mesmo nome, " +
                                  earlier->second + "; nada foi escrito (use --pasta ou -o)");
    }
}

FileRun runFile(const std::string& input, const std::string& report, HeightChoice height,
                FileAccess& files, std::ostream& console, const Adjustments& adjustments,
                bool analyse) {
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
        if (reportStream != nullptr) {
            try {
                files.closeOutput(*reportStream);
            } catch (const RunError&) {
                // The first error is the one to report.
            }
        }
    }
    const auto& planimetry = run.values.planimetry;
    if (analyse && planimetry && planimetry->adjusted)
        run.analysis = analyseQuality(run.values.observations, *planimetry,
                                      run.values.height ? &*run.values.height : nullptr);
    return run;
}

} // namespace interseccao
