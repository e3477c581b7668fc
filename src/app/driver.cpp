// Runs the stages in order over the run's data and ends the run at a stop or a file-layer error.
#include "app/driver.hpp"
#include "app/run_end.hpp"

#include "input/observation_file.hpp"
#include "input/reader.hpp"
#include "model/errors.hpp"
#include "report/report.hpp"
#include "text/output.hpp"

#include <iostream>
#include <optional>
#include <string_view>

namespace interseccao {

namespace {

constexpr std::size_t fileNameWidth = 72;

// One typed line, or nothing at the end of the input; a CR before the line end is dropped.
std::optional<std::string> readConsoleLine(std::istream& in) {
    std::string line;
    if (!std::getline(in, line) && line.empty()) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// A file name as typed, without trailing blanks; refused when it is longer than the 72
// characters the dialogue holds, rather than cut to another file's name.
std::string readFileName(std::istream& in, std::string_view which) {
    const std::optional<std::string> line = readConsoleLine(in);
    if (!line)
        throw RunError::file("Erro: a entrada da consola terminou antes do nome do ficheiro de " +
                             std::string(which));
    std::string name = *line;
    name.erase(name.find_last_not_of(' ') + 1);
    if (name.empty())
        throw RunError::file("Erro: o nome do ficheiro de " + std::string(which) + " esta vazio");
    if (name.size() > fileNameWidth)
        throw RunError::file("Erro: o nome do ficheiro de " + std::string(which) + " tem mais de " +
                             std::to_string(fileNameWidth) + " caracteres; nada foi escrito");
    return name;
}

// Before the program waits for an answer, the report as far as it is written goes to disk, and
// before the question shows: a run interrupted at a question keeps every line written before it.
void prompt(Output& output, std::string_view text) {
    output.flush();
    output.writeConsoleLine("(a\\)", {text});
    output.flush();
}

void run(std::istream& consoleIn, FileAccess& files, Output& output,
         const Adjustments& adjustments) {
    const std::string stars(52, '*');
    output.writePlainLine(Channel::Console, stars);
    output.writePlainLine(Channel::Console, "              Interseccao directa");
    output.writePlainLine(Channel::Console, stars);
    output.writePlainLine(Channel::Console);

    prompt(output, " Nome do ficheiro de input: ");
    const std::string observationFileName = readFileName(consoleIn, "input");
    RecordReader reader(files.readObservationFile(observationFileName), observationFileName);
    output.setEncoding(reader.encoding());
    output.writePlainLine(Channel::Console);

    RunValues values;
    values.observations = readPlanimetricData(reader);

    prompt(output, " Nome do ficheiro de output: ");
    const std::string reportFileName = readFileName(consoleIn, "output");
    output.writePlainLine(Channel::Console);
    // Writing the report over the observation file would destroy the observations.
    if (files.sameFile(observationFileName, reportFileName))
        throw RunError::stop("O ficheiro de output nao pode ser o ficheiro de input!");
    output.attachReport(files.createOutput(reportFileName, FileAccess::Writing::InPlace),
                        reportFileName);

    runStages(
        reader, output, adjustments,
        [&] {
            prompt(output, " Quer calcular a cota do ponto visado (S/N)? ");
            const std::optional<std::string> answer = readConsoleLine(consoleIn);
            const char heightAnswer = answer && !answer->empty() ? answer->front() : ' ';
            output.writePlainLine(Channel::Console);
            return heightAnswer == 'S' || heightAnswer == 's';
        },
        values);
}

} // namespace

void runStages(RecordReader& reader, Output& output, const Adjustments& adjustments,
               const std::function<bool()>& computeHeight, RunValues& values) {
    ObservationSet& observations = values.observations;
    checkSettings(observations);
    const Orientation& orientation = values.orientation.emplace(orientStations(observations));
    writeBearingLines(observations, orientation, output);
    if (orientation.stopMessage) throw RunError::stop(*orientation.stopMessage);

    writePlanimetricHeading(observations, output);
    const PlanimetricSolution& planimetry =
        values.planimetry.emplace(adjustments.planimetry(observations, orientation));
    if (!planimetry.adjusted) {
        writeApproximatePosition(planimetry, output);
        throw RunError::stop();
    }
    writePlanimetricResults(observations, planimetry, output);

    values.heightRequested = computeHeight();
    if (!values.heightRequested) return;
    readZenithObservations(reader, observations);
    writeHeightHeading(observations, output);
    if (observations.zenithCount <= 1) return;
    values.height.emplace(
        adjustments.height(observations, {planimetry.point, planimetry.linearisation}));
    writeHeightResults(observations, *values.height, output);
}

int runProgram(std::istream& consoleIn, std::ostream& consoleOut, std::ostream& errors,
               FileAccess& files, const Adjustments& adjustments) {
    Output output(consoleOut);
    try {
        try {
            run(consoleIn, files, output, adjustments);
        } catch (const RunError& end) {
            if (!end.isStop()) throw;
            writeStop(end, output);
        }
        output.flush();
        // Console lines lost on a full disk or a closed pipe are no normal end either.
        if (!consoleOut) throw RunError::file("Erro: falha ao escrever na consola");
        return 0;
    } catch (const RunError& error) {
        consoleOut.flush();
        writeError(error, errors);
        errors.flush();
        return 2;
    }
}

int runDialogue(const Adjustments& adjustments) {
    DiskFiles files;
    return runProgram(std::cin, std::cout, std::cerr, files, adjustments);
}

} // namespace interseccao
