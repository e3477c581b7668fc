// The command line: options with CLI11, one run per observation file, the lists at the end.
#include "app/command_line.hpp"

#include "analysis_text/analysis_text.hpp"
#include "app/batch.hpp"
#include "app/field_session.hpp"
#include "app/input_runs.hpp"
#include "app/run_end.hpp"
#include "app/run_lists.hpp"
#include "drawing/drawing.hpp"
#include "drawing/dxf.hpp"
#include "export/export.hpp"
#include "model/errors.hpp"
#include "platform/ordered_work.hpp"
#include "results/analysis_wording.hpp"
#include "results/own_outputs.hpp"
#include "text/encoding.hpp"
#include "text/line_format.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>

namespace interseccao {

namespace {

constexpr const char* description =
    "Calcula as coordenadas de um ponto visado por interseccao directa a partir de estacoes de "
    "coordenadas conhecidas, com ajustamento por minimos quadrados, e a sua cota a partir de "
    "leituras zenitais.\nSem argumentos, pergunta o nome do ficheiro de observacoes, o do "
    "relatorio e se deve calcular a cota. Com ficheiros, calcula cada um e escreve o seu "
    "relatorio NOME-relatorio.txt.";

// The lists of the whole run: CSV, CSV for a spreadsheet in Portuguese, JSON.
void defineListOptions(CLI::App& app, CommandLine& commandLine) {
    app.add_option("--resumo", commandLine.coordinateList,
                   "Lista das coordenadas de todos os ficheiros, em CSV")
        ->type_name("FICHEIRO");
    app.add_option("--resumo-pt", commandLine.spreadsheetList,
                   "A mesma lista para uma folha de calculo em portugues: separador ;, "
                   "virgula decimal, UTF-8 com BOM")
        ->type_name("FICHEIRO");
    app.add_option("--json", commandLine.json,
                   "Dados e resultados de todos os ficheiros, em JSON (\"-\": a saida padrao)")
        ->type_name("FICHEIRO");
}

// The options, with Portuguese labels in the generated help.
void defineOptions(CLI::App& app, CommandLine& commandLine, bool& heightAlways, bool& heightNever) {
    app.description(description);
    auto formatter = app.get_formatter();
    formatter->label("Usage", "Uso");
    formatter->label("OPTIONS", "opcoes");
    formatter->label("Options", "Opcoes");
    formatter->label("Positionals", "Argumentos");
    formatter->label("REQUIRED", "OBRIGATORIO");
    formatter->column_width(28);
    app.option_defaults()->group("Opcoes");
    app.set_help_flag("--help", "Mostra esta ajuda e termina");
    app.set_version_flag("--version", std::string("interseccao ") + INTERSECCAO_VERSION,
                         "Mostra a versao e termina");
    app.add_option("FICHEIRO", commandLine.inputs,
                   "Ficheiros de observacoes (com --pontos, registos do instrumento)")
        ->type_name("")
        ->required();
    app.add_option("-o,--relatorio", commandLine.report,
                   "Ficheiro do relatorio (so com um ficheiro de observacoes)")
        ->type_name("FICHEIRO");
    app.add_option("--pasta", commandLine.folder,
                   "Pasta dos relatorios e dos outros ficheiros de cada observacao "
                   "(por omissao, a do ficheiro de observacoes)")
        ->type_name("PASTA");
    app.add_flag("--cota", heightAlways,
                 "Calcula a cota (o ficheiro tem de ter leituras zenitais)");
    app.add_flag("--sem-cota", heightNever, "Nunca calcula a cota");
    defineListOptions(app, commandLine);
    app.add_flag("--analise", commandLine.analysis,
                 "Escreve a analise da qualidade em NOME-analise.txt, ao lado do relatorio: a "
                 "leitura suspeita, os testes de cada leitura, a elipse de erro");
    app.add_flag("--desenho", commandLine.drawing,
                 "Desenha a interseccao em NOME-desenho.svg, ao lado do relatorio (A4 "
                 "horizontal): estacoes, visadas, elipses de erro, leitura suspeita");
    app.add_option("--dxf", commandLine.dxf,
                   "Desenho DXF (AutoCAD 2000 e seguintes, LibreCAD) de todos os pontos, em "
                   "coordenadas M, P, C: camadas, rotulos, visadas, elipses de erro, atributos")
        ->type_name("FICHEIRO");
    app.add_option("--geojson", commandLine.geoJson,
                   "Camada GeoJSON (QGIS, GDAL) de todos os pontos, com os resultados e as "
                   "precisoes")
        ->type_name("FICHEIRO");
    app.add_option("--crs", commandLine.coordinateSystem,
                   "Sistema de coordenadas de M, P e C (por exemplo EPSG:3763), indicado no "
                   "JSON, no GeoJSON, no DXF e no desenho; as coordenadas nao sao transformadas")
        ->type_name("CODIGO");
    app.add_flag("--substituir", commandLine.replace,
                 "Deixa os ficheiros de output substituir ficheiros que nao foram escritos por "
                 "este programa");
    app.add_flag("-v,--verboso", commandLine.verbose,
                 "Mostra tambem as linhas da consola do dialogo de cada ficheiro");
    app.footer("Sem --cota nem --sem-cota, a cota e calculada quando o ficheiro tem leituras "
               "zenitais depois dos dados planimetricos.\nEstado de saida: 0 quando todos os "
               "ficheiros chegaram ao fim; 1 quando um parou no calculo; 2 num erro de uso ou "
               "quando um ficheiro tem um erro.\nCom --pontos (e --precisao), cada ponto novo "
               "visado de duas ou mais estacoes tem NOME.txt e NOME-relatorio.txt; --desenho "
               "desenha tambem a sessao em sessao-desenho.svg; o estado e 1 quando um ponto novo "
               "nao e determinado.");
}

// The options of a session from the field: the known points and the record's settings.
void defineSessionOptions(CLI::App& app, CommandLine& commandLine) {
    app.add_option("--pontos", commandLine.knownPoints,
                   "Lista dos pontos conhecidos (nome, M, P e C facultativa); os ficheiros sao "
                   "entao registos do instrumento (Leica GSI-8/GSI-16 ou caderneta de campo) e "
                   "cada ponto novo tem NOME.txt e o seu relatorio")
        ->type_name("FICHEIRO");
    app.add_option("--unidade", commandLine.tableUnit,
                   "Unidade das leituras de uma caderneta de campo: gc, gs (DDD.MMSSs) ou gr")
        ->type_name("UNIDADE")
        ->check(CLI::IsMember({"gc", "gs", "gr"}));
    app.add_option("--precisao", commandLine.precision,
                   "Precisao a priori de uma leitura, em segundos (gc, gs) ou mgon (gr); "
                   "obrigatoria com --pontos")
        ->type_name("VALOR");
    app.add_option("--tolerancia", commandLine.tolerance,
                   "Tolerancia do ajustamento em metros (por omissao 0.001)")
        ->type_name("METROS");
    app.add_option("--limite-faces", commandLine.faceLimit,
                   "Maior diferenca aceite entre as leituras reduzidas de um alvo, em segundos "
                   "ou mgon (por omissao 20\" ou 6 mgon): alem dela, um aviso")
        ->type_name("VALOR");
}

constexpr const char* usageLine =
    "Uso: interseccao [opcoes] FICHEIRO...  (interseccao --help mostra as opcoes)\n";

// An option given with an empty value, as "--resumo=$CSV" with an empty variable gives it.
std::string emptyValueMessage(std::string_view option) {
    return "Erro: o valor de " + std::string(option) +
           " esta vazio; falta o nome do ficheiro; nada foi escrito\n";
}

// What CLI11 names in its message, after its English introduction ("...: --csv").
std::string namedInError(const CLI::ParseError& error) {
    const std::string text = error.what();
    const std::size_t colon = text.find(": ");
    return colon == std::string::npos ? text : text.substr(colon + 2);
}

// A parse error in Portuguese, with what CLI11 found.
std::string usageMessage(const CLI::ParseError& error) {
    // Told apart by type: CLI11 gives some errors the application's name.
    const std::string name = error.get_name();
    if (name == "RequiredError") return "falta o ficheiro de observacoes";
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        // CLI11 names the extras last first.
        std::vector<std::string> extras;
        std::istringstream words(namedInError(error));
        for (std::string word; words >> word;) extras.insert(extras.begin(), word);
        std::string list;
        for (const std::string& extra : extras) list += (list.empty() ? "" : " ") + extra;
        return (extras.size() > 1 ? "opcoes desconhecidas: " : "opcao desconhecida: ") + list +
               " (as opcoes sao as de interseccao --help)";
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        const std::string text = error.what();
        return "a opcao " + text.substr(0, text.find(':')) + " precisa de um valor";
    }
    return "opcoes invalidas: " + namedInError(error);
}

std::string metres(double value) {
    const std::string text = formatReal(value, 30, 3);
    return text.substr(text.find_first_not_of(' '));
}

// Text that every encoding and every escape leaves as it is.
bool isPrintableAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// A file name on a line for people: between double quotes, its control characters escaped,
// when it holds any (a newline would break the one line per input).
std::string shownFileName(const std::string& name) {
    if (isPrintableAscii(name)) return name;
    const std::string escaped = escapedControls(toUtf8(name));
    return escaped == toUtf8(name) ? escaped : "\"" + escaped + "\"";
}

// A name of the file for the console: UTF-8, its control characters escaped.
std::string shownName(std::string_view name) {
    return isPrintableAscii(name) ? std::string(name) : escapedControls(toUtf8(name));
}

// One line per input that ran to its end: the file, the point, M, P and C, the report.
std::string summaryLine(const FileRun& run) {
    const ObservationSet& observations = run.values.observations;
    std::string line =
        shownFileName(run.input) + ": " + shownName(trimmedName(observations.sightedPointName));
    const PlanimetricSolution& planimetry = *run.values.planimetry;
    line += " M = " + metres(planimetry.point.m) + " P = " + metres(planimetry.point.p);
    if (run.values.height) line += " C = " + metres(run.values.height->height);
    if (run.elevationLikeZenith)
        line += " (C duvidosa: uma leitura zenital parece um angulo de elevacao)";
    return line + " -> " + shownFileName(run.report);
}

// What one input's file tells besides its results, on standard error: the names cut (once
// each), data after the last record, and the warnings of its records against each other.
void writeWarnings(const FileRun& run, std::ostream& errors) {
    const std::string file = "aviso: " + shownFileName(run.input) + ": ";
    std::set<std::string> said;
    for (const CutName& cut : run.cutNames)
        if (said.insert(cut.written).second)
            errors << file << "linha " << cut.line << ": o nome " << shownName(cut.written)
                   << " tem mais de 12 caracteres e fica " << shownName(cut.kept) << '\n';
    if (run.dataAfterLine)
        errors << file << "linha " << *run.dataAfterLine
               << ": dados depois do ultimo registo que as contagens do ficheiro pedem, nao "
                  "lidos (confira o numero de estacoes, de pontos de referencia e de leituras "
                  "zenitais)\n";
    for (const Warning& warning : run.warnings)
        errors << file << escapedControls(warningText(warning, run.values.observations)) << '\n';
}

// For a file of two stations, the approximate position that stands in the report.
std::string approximatePositionNote(const FileRun& run) {
    const auto& planimetry = run.values.planimetry;
    if (!planimetry || planimetry->adjusted) return {};
    return " (Redundancia=0: so duas estacoes, sem ajustamento; posicao aproximada M = " +
           metres(planimetry->approximate.m) + " P = " + metres(planimetry->approximate.p) + ")";
}

// The names of every output per input, in the order of the inputs.
struct OutputNames {
    std::vector<std::string> reports, analyses, drawings;
};

OutputNames outputNames(const CommandLine& commandLine) {
    OutputNames names{reportNames(commandLine), {}, {}};
    // With -o the analysis and the drawing go beside that report, under the input's stem.
    CommandLine beside = commandLine;
    if (commandLine.report && !commandLine.folder) {
        const std::size_t slash = commandLine.report->find_last_of("/\\");
        beside.folder =
            slash == std::string::npos ? std::string() : commandLine.report->substr(0, slash + 1);
    }
    for (const std::string& input : commandLine.inputs) {
        if (commandLine.analysis)
            names.analyses.push_back(outputName(beside, input, "-analise.txt"));
        if (commandLine.drawing)
            names.drawings.push_back(outputName(beside, input, "-desenho.svg"));
    }
    return names;
}

// Writes a whole file from text made before it is opened: a writer that fails leaves no file.
void writeWhole(FileAccess& files, const std::string& name, const std::string& text,
                std::ostream& errors, int& status) {
    writeOutput(files, name, errors, status, [&](std::ostream& stream) { stream << text; });
}

// The line for people about one input, and the status it makes.
void reportOutcome(const FileRun& run, std::ostream& lines, std::ostream& errors, int& status) {
    // Most inputs end with their line and nothing to warn of.
    if (run.outcome == Outcome::Completed && run.cutNames.empty() && !run.dataAfterLine &&
        run.warnings.empty()) {
        lines << summaryLine(run) << '\n';
        lines.flush();
        return;
    }
    // Standard error is not buffered: its lines of the input are made first and written at once.
    std::ostringstream said;
    writeWarnings(run, said);
    switch (run.outcome) {
    case Outcome::Completed: lines << summaryLine(run) << '\n'; break;
    case Outcome::Stopped:
        said << shownFileName(run.input) << ": " << run.message << approximatePositionNote(run)
             << '\n';
        status = std::max(status, 1);
        break;
    case Outcome::Failed:
        said << run.message << '\n';
        status = 2;
        break;
    }
    if (const std::string text = said.str(); !text.empty()) errors << text;
    lines.flush();
}

} // namespace

bool writeOutput(FileAccess& files, const std::string& name, std::ostream& errors, int& status,
                 const std::function<void(std::ostream&)>& writer) {
    std::ostream* stream = nullptr;
    try {
        stream = &files.createOutput(name);
        writer(*stream);
        files.closeOutput(*stream);
        return true;
    } catch (const RunError& error) {
        // What was begun is let go: the earlier file by that name stays as it was.
        if (stream != nullptr) files.discardOutput(*stream);
        writeError(error, errors);
        status = 2;
        return false;
    }
}

// The DXF drawing and the GeoJSON layer of the points.
void writePointFiles(const CommandLine& commandLine, const PointSet& points, FileAccess& files,
                     std::ostream& errors, int& status) {
    if (commandLine.geoJson) {
        std::ostringstream text;
        writeGeoJson(points, text);
        writeWhole(files, *commandLine.geoJson, text.str(), errors, status);
    }
    if (!commandLine.dxf) return;
    if (points.points.empty()) {
        errors << "Nenhum ponto calculado: o desenho " << *commandLine.dxf << " nao foi escrito\n";
        return;
    }
    std::ostringstream text;
    writeDxf(points, text);
    writeWhole(files, *commandLine.dxf, text.str(), errors, status);
}

void checkStandardOutput(std::ostream& out) {
    out.flush();
    // Lines lost on a full disk, a closed or broken pipe: the run did not end normally.
    if (!out) throw RunError::file("Erro: falha ao escrever na saida padrao");
}

std::string coordinateSystem(const CommandLine& commandLine, std::ostream& errors) {
    const std::string system = commandLine.coordinateSystem.value_or("");
    if (!system.empty() && !crsUrn(system))
        errors << "Aviso: o sistema de coordenadas \"" << system
               << "\" nao tem a forma AUTORIDADE:NUMERO (por exemplo EPSG:3763); fica como foi "
                  "dado\n";
    return system;
}

FileRun runInput(const CommandLine& commandLine, const std::string& input,
                 const InputOutputs& outputs, std::ostream& lines, std::ostream& errors,
                 FileAccess& files, const Adjustments& adjustments, int& status) {
    const bool analyse = commandLine.analysis || commandLine.drawing || commandLine.json ||
                         commandLine.dxf || commandLine.geoJson;
    // The analysis file and the JSON show all of it; the drawings, only part.
    const AnalysisExtent extent =
        commandLine.analysis || commandLine.json ? AnalysisExtent::Whole : AnalysisExtent::Drawings;
    FileRun run = runFile(input, outputs.report, commandLine.height, files,
                          commandLine.verbose ? &lines : nullptr, adjustments, analyse, extent);
    // An output this run does not make leaves no earlier version of it beside the report.
    if (outputs.analysis && run.analysis)
        writeOutput(files, *outputs.analysis, errors, status, [&](std::ostream& stream) {
            writeAnalysis(run.values.observations, *run.analysis, stream);
        });
    else if (outputs.analysis)
        files.removeOutput(*outputs.analysis);
    if (outputs.drawing && hasDrawing(run))
        writeOutput(files, *outputs.drawing, errors, status,
                    [&](std::ostream& stream) { writeDrawing(run, stream); });
    else if (outputs.drawing)
        files.removeOutput(*outputs.drawing);
    reportOutcome(run, lines, errors, status);
    return run;
}

namespace {

// Every file the command line will write, for the checks made before anything is written.
std::vector<std::string> everyOutput(const CommandLine& commandLine, const OutputNames& names) {
    std::vector<std::string> outputs = names.reports;
    outputs.insert(outputs.end(), names.analyses.begin(), names.analyses.end());
    outputs.insert(outputs.end(), names.drawings.begin(), names.drawings.end());
    for (const auto& list : {commandLine.coordinateList, commandLine.spreadsheetList,
                             commandLine.dxf, commandLine.geoJson})
        if (list) outputs.push_back(*list);
    if (commandLine.json && *commandLine.json != "-") outputs.push_back(*commandLine.json);
    return outputs;
}

// An option's value where a file name is expected may not start with '=' or '-': "-o=r.txt"
// gives the value "=r.txt", and "--resumo -" a file named "-" (only --json takes "-").
void checkFileValues(const CommandLine& commandLine) {
    const std::pair<std::string_view, const std::optional<std::string>*> values[] = {
        {"-o/--relatorio", &commandLine.report},
        {"--pasta", &commandLine.folder},
        {"--resumo", &commandLine.coordinateList},
        {"--resumo-pt", &commandLine.spreadsheetList},
        {"--json", &commandLine.json},
        {"--dxf", &commandLine.dxf},
        {"--geojson", &commandLine.geoJson},
        {"--pontos", &commandLine.knownPoints}};
    for (const auto& [option, value] : values) {
        if (!*value) continue;
        const std::string& text = **value;
        // "--resumo=$CSV" with an empty variable: the next argument is no list's name.
        if (text.empty()) throw RunError::usage(emptyValueMessage(option) + usageLine);
        if (text == "-" && option == "--json") continue;
        if (text.front() == '=')
            throw RunError::usage("Erro: o valor de " + std::string(option) + " e \"" + text +
                                  "\": sem o sinal =, escreva a opcao, um espaco e o nome (ou "
                                  "--opcao=NOME na forma longa)\n" +
                                  usageLine);
        if (text.front() == '-')
            throw RunError::usage("Erro: o valor de " + std::string(option) + " e \"" + text +
                                  "\", que parece uma opcao; falta o nome do ficheiro (um "
                                  "ficheiro cujo nome comece por - escreve-se ./" +
                                  text + ")\n" + usageLine);
    }
}

// The inputs without the outputs of this program among them, each of those said in one line,
// and the files they designate; the same input given twice is refused.
std::vector<std::string> observationInputs(const std::vector<std::string>& inputs,
                                           FileAccess& files, std::ostream& lines,
                                           std::vector<IdentityKey>& keys) {
    std::vector<std::string> kept;
    std::map<IdentityKey, std::string> given; // the file -> its name as given
    for (const std::string& input : inputs) {
        const platform::FileIdentity identity = files.identify(input);
        const auto [earlier, added] = given.emplace(identityKey(identity), input);
        if (!added)
            throw RunError::usage(
                "Erro: o ficheiro de observacoes " + shownFileName(input) + " foi dado duas vezes" +
                (earlier->second == input ? std::string() : " (como " + earlier->second + ")") +
                "; de cada ficheiro uma so vez; nada foi escrito");
        // One that is not a regular file is kept: its run will say what is wrong with it.
        const std::optional<std::string_view> kind =
            identity.kind == platform::FileIdentity::Kind::Regular
                ? ownOutputKind(files.readObservationHead(input, ownOutputHead))
                : std::nullopt;
        if (kind) {
            lines << shownFileName(input) << ": ignorado, e " << *kind
                  << " deste programa e nao um ficheiro de observacoes\n";
        } else {
            kept.push_back(input);
            keys.push_back(earlier->first);
        }
    }
    return kept;
}

int runFiles(const CommandLine& given, std::ostream& out, std::ostream& errors, FileAccess& files,
             const Adjustments& adjustments) {
    // With the JSON on standard output, the lines for people go to standard error.
    std::ostream& lines = given.json && *given.json == "-" ? errors : out;
    CommandLine commandLine = given;
    std::vector<IdentityKey> inputKeys;
    commandLine.inputs = observationInputs(given.inputs, files, lines, inputKeys);
    if (commandLine.report && commandLine.inputs.size() > 1)
        throw RunError::usage(
            std::string("Erro: -o/--relatorio so com um ficheiro de observacoes\n") + usageLine);
    const OutputNames names = outputNames(commandLine);
    checkOutputNames(commandLine, everyOutput(commandLine, names), files, inputKeys);
    const std::string system = coordinateSystem(commandLine, errors);
    if (commandLine.folder) files.createFolder(*commandLine.folder);

    std::vector<InputOutputs> outputs;
    for (std::size_t i = 0; i < commandLine.inputs.size(); ++i) {
        outputs.push_back({names.reports[i], {}, {}});
        if (commandLine.analysis) outputs.back().analysis = names.analyses[i];
        if (commandLine.drawing) outputs.back().drawing = names.drawings[i];
    }
    int status = 0;
    // The runs go side by side: files that take one call at a time take them in turn.
    SerialFiles serialFiles(files);
    FileAccess& shared = files.takesCallsFromThreads() ? files : serialFiles;
    RunLists lists(commandLine, shared, out, errors, status);
    runInputs(commandLine, outputs, lines, errors, shared, adjustments, status,
              platform::workersAvailable(), [&](FileRun& run) {
                  run.coordinateSystem = system;
                  lists.add(run);
                  checkStandardOutput(out);
              });
    lists.finish();
    checkStandardOutput(out);
    return status;
}

} // namespace

int runCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& errors, FileAccess& files, const Adjustments& adjustments) {
    CLI::App app("", "interseccao");
    CommandLine commandLine;
    bool heightAlways = false, heightNever = false;
    defineOptions(app, commandLine, heightAlways, heightNever);
    defineSessionOptions(app, commandLine);
    // "--resumo=$CSV" with an empty variable: CLI11 would take the next argument as the value.
    for (const std::string& argument : arguments)
        if (argument.starts_with("--") && argument.size() > 3 && argument.ends_with('=') &&
            argument.find('=') == argument.size() - 1) {
            errors << emptyValueMessage(argument.substr(0, argument.size() - 1)) << usageLine;
            return 2;
        }
    try {
        std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::CallForVersion&) {
        out << "interseccao " << INTERSECCAO_VERSION << '\n';
        return 0;
    } catch (const CLI::ParseError& error) {
        errors << "Erro: " << usageMessage(error) << "\n" << usageLine;
        return 2;
    }
    if (heightAlways && heightNever) {
        errors << "Erro: --cota e --sem-cota nao podem ir juntas\n" << usageLine;
        return 2;
    }
    if (heightAlways) commandLine.height = HeightChoice::Always;
    if (heightNever) commandLine.height = HeightChoice::Never;
    try {
        checkFileValues(commandLine);
        if (commandLine.knownPoints)
            return runSession(commandLine, out, errors, files, adjustments);
        if (commandLine.tableUnit || commandLine.precision || commandLine.tolerance ||
            commandLine.faceLimit)
            throw RunError::usage(std::string("Erro: --unidade, --precisao, --tolerancia e "
                                              "--limite-faces so com --pontos\n") +
                                  usageLine);
        return runFiles(commandLine, out, errors, files, adjustments);
    } catch (const RunError& error) {
        writeError(error, errors);
        return 2;
    }
}

int mainEntry(int argc, char** argv, const Adjustments& adjustments) {
    if (argc <= 1) return runDialogue(adjustments);
    platform::protectStandardStreams();
    platform::removeTemporaryFilesOnSignals();
    DiskFiles files;
    return runCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                          files, adjustments);
}

} // namespace interseccao
