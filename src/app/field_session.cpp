// The session run: read, reduce, assemble, write each point's observation file and run it as
// the command line runs a file, then the session's own outputs.
#include "app/field_session.hpp"

#include "app/batch.hpp"
#include "drawing/session_drawing.hpp"
#include "export/observation_text.hpp"
#include "export/session_lists.hpp"
#include "input/field_record.hpp"
#include "input/known_points.hpp"
#include "model/errors.hpp"
#include "results/own_outputs.hpp"
#include "results/point_set.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <algorithm>
#include <functional>

namespace interseccao {

namespace {

std::optional<RecordedUnit> tableUnit(const CommandLine& commandLine) {
    if (!commandLine.tableUnit) return std::nullopt;
    if (*commandLine.tableUnit == "gc") return RecordedUnit::DecimalDegrees;
    if (*commandLine.tableUnit == "gs") return RecordedUnit::ArcSeconds;
    return RecordedUnit::Gon;
}

// A limit in seconds of arc, or milligon for gon, in the values of `unit`.
double limitInUnit(double limit, RecordedUnit unit) {
    if (unit == RecordedUnit::Gon) return limit / 1000;
    return convertReading(limit, RecordedUnit::ArcSeconds, unit);
}

// A point's name as a file name: the characters no file system takes replaced by '_'.
std::string fileStem(const std::string& name) {
    std::string stem = toUtf8(name);
    for (char& c : stem)
        if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos ||
            static_cast<unsigned char>(c) < 0x20)
            c = '_';
    return stem.empty() || stem == "." || stem == ".." ? "_" + stem : stem;
}

// The folder of the first record, with its separator, where the outputs go without --pasta.
std::string recordFolder(const CommandLine& commandLine) {
    const std::string& first = commandLine.inputs.front();
    const std::size_t slash = first.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : first.substr(0, slash + 1);
}

struct SessionOutputs {
    std::vector<std::string> observationFiles; // per point; empty when not determined
    std::vector<InputOutputs> perPoint;
    std::optional<std::string> drawing;
    std::vector<std::string> all;
};

SessionOutputs sessionOutputs(const CommandLine& commandLine, const SessionRun& session) {
    SessionOutputs outputs;
    const std::string folder = recordFolder(commandLine);
    for (const SessionPoint& point : session.points) {
        std::string file;
        InputOutputs names;
        if (point.point.problem) {
            file = outputName(commandLine, folder + fileStem(point.point.name) + ".txt", ".txt");
            names.report = outputName(commandLine, file, "-relatorio.txt");
            if (commandLine.analysis)
                names.analysis = outputName(commandLine, file, "-analise.txt");
            if (commandLine.drawing) names.drawing = outputName(commandLine, file, "-desenho.svg");
            for (const auto* name : {&file, &names.report}) outputs.all.push_back(*name);
            for (const auto& name : {names.analysis, names.drawing})
                if (name) outputs.all.push_back(*name);
        }
        outputs.observationFiles.push_back(file);
        outputs.perPoint.push_back(names);
    }
    if (commandLine.drawing) {
        outputs.drawing = outputName(commandLine, folder + "sessao.txt", "-desenho.svg");
        outputs.all.push_back(*outputs.drawing);
    }
    for (const auto& list : {commandLine.coordinateList, commandLine.dxf, commandLine.geoJson})
        if (list) outputs.all.push_back(*list);
    if (commandLine.json && *commandLine.json != "-") outputs.all.push_back(*commandLine.json);
    return outputs;
}

std::string formatNames(const ReducedBook& book) {
    std::string names;
    for (const std::string& format : book.formats)
        if (names.find(format) == std::string::npos) names += (names.empty() ? "" : ", ") + format;
    return names;
}

void warnAboutFaces(const SessionRun& session, std::ostream& errors) {
    for (const FaceWarning& warning : session.book.warnings) {
        const ReducedSetup& setup = session.book.setups[warning.setup];
        errors << "Aviso: " << setup.file << ", estacao " << toUtf8(setup.station) << " (linha "
               << setup.line << "): as leituras " << (warning.zenith ? "zenitais" : "horizontais")
               << " a " << toUtf8(warning.target) << " diferem "
               << sessionAngleText(session.book, warning.spread)
               << ", mais do que o limite; foram medidas\n";
    }
    if (session.book.converted)
        errors << "Aviso: leituras em mils ou em unidades diferentes convertidas para "
               << sessionUnitName(session.book) << '\n';
}

// The session's own outputs, after every point's: the summary, the JSON, the drawing, the DXF
// and the GeoJSON.
void writeSessionFiles(const CommandLine& commandLine, const SessionRun& session,
                       const SessionOutputs& outputs, std::ostream& out, std::ostream& errors,
                       FileAccess& files, int& status) {
    if (commandLine.coordinateList)
        writeOutput(files, *commandLine.coordinateList, errors, status,
                    [&](std::ostream& stream) { writeSessionList(session, stream); });
    if (commandLine.json && *commandLine.json == "-")
        writeSessionJson(session, out);
    else if (commandLine.json)
        writeOutput(files, *commandLine.json, errors, status,
                    [&](std::ostream& stream) { writeSessionJson(session, stream); });
    if (outputs.drawing)
        writeOutput(files, *outputs.drawing, errors, status,
                    [&](std::ostream& stream) { writeSessionDrawing(session, stream); });
    if (commandLine.dxf || commandLine.geoJson)
        writePointFiles(commandLine, pointSet(session), files, errors, status);
}

} // namespace

SessionRun assembleSession(const CommandLine& commandLine, FileAccess& files) {
    SessionRun session;
    session.records = commandLine.inputs;
    session.known = readKnownPoints(files.readObservationFile(*commandLine.knownPoints),
                                    *commandLine.knownPoints);
    std::vector<FieldBook> books;
    const FieldRecordOptions options{tableUnit(commandLine)};
    for (const std::string& input : commandLine.inputs)
        books.push_back(readFieldRecord(files.readObservationFile(input), input, options));
    const RecordedUnit unit = reductionUnit(books);
    std::optional<double> limit;
    if (commandLine.faceLimit) limit = limitInUnit(*commandLine.faceLimit, unit);
    session.book = reduceFieldBooks(books, limit);
    const AssemblySettings settings{*commandLine.precision, commandLine.tolerance.value_or(0.001)};
    for (NewPoint& point : assemblePoints(session.book, session.known, settings))
        session.points.push_back({std::move(point), {}, {}});
    return session;
}

int runSession(const CommandLine& commandLine, std::ostream& out, std::ostream& errors,
               FileAccess& files, const Adjustments& adjustments) {
    if (!commandLine.precision)
        throw RunError::usage(
            "Erro: com --pontos, --precisao e obrigatoria (a precisao a priori de "
            "uma leitura, em segundos ou mgon: o registo nao a tem)");
    if (commandLine.report) throw RunError::usage("Erro: -o/--relatorio nao se usa com --pontos");
    SessionRun session = assembleSession(commandLine, files);
    const SessionOutputs outputs = sessionOutputs(commandLine, session);
    CommandLine inputs = commandLine;
    inputs.inputs.push_back(*commandLine.knownPoints);
    checkOutputNames(inputs, outputs.all, files);
    session.coordinateSystem = coordinateSystem(commandLine, errors);
    if (commandLine.folder) files.createFolder(*commandLine.folder);

    const bool jsonToOut = commandLine.json && *commandLine.json == "-";
    std::ostream& lines = jsonToOut ? errors : out;
    int status = 0;
    warnAboutFaces(session, errors);
    const std::string remark = "registo de " + formatNames(session.book) + ": " +
                               commandLine.inputs.front() + " " + std::string(sessionMark);
    for (std::size_t i = 0; i < session.points.size(); ++i) {
        SessionPoint& point = session.points[i];
        if (!point.point.problem) {
            errors << toUtf8(point.point.name)
                   << ": nao determinado: " << toUtf8(point.point.reason) << '\n';
            status = std::max(status, 1);
            continue;
        }
        point.observationFile = outputs.observationFiles[i];
        if (!writeOutput(files, point.observationFile, errors, status, [&](std::ostream& stream) {
                stream << observationFileText(point.point.name, *point.point.problem, remark);
            }))
            continue;
        point.run = runInput(commandLine, point.observationFile, outputs.perPoint[i], lines, errors,
                             files, adjustments, status);
        point.run->coordinateSystem = session.coordinateSystem;
    }
    writeSessionFiles(commandLine, session, outputs, out, errors, files, status);
    checkStandardOutput(out);
    return status;
}

} // namespace interseccao
