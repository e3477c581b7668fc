// The coordinate list: one CSV row per observation file.
#include "export/export.hpp"
#include "model/angle_units.hpp"
#include "results/analysis_wording.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <array>
#include <cmath>

namespace interseccao {

namespace {

// How the list is written: for programs (RFC 4180: commas, decimal points) or for a
// spreadsheet set to Portuguese (semicolons, decimal commas, a byte-order mark).
struct ListStyle {
    char separator = ',';
    char point = '.';
};

// A field quoted when it holds the separator, a quote or a line end.
std::string csvField(const std::string& text, char separator) {
    const std::string special = std::string(1, separator) + "\"\r\n";
    if (text.find_first_of(special) == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string csvField(const std::string& text, const ListStyle& style) {
    return csvField(text, style.separator);
}

// A number with `decimals` decimals; empty when not finite.
std::string number(double value, int decimals, const ListStyle& style) {
    return std::isfinite(value) ? fixed(value, decimals, style.point) : std::string();
}

// A precision of one reading in the file's unit: seconds of arc to 0.01", or milligon to
// 0.001 mgon for "gr".
std::string precisionInUnit(AngleUnit unit, double radians, const ListStyle& style) {
    return unit == AngleUnit::Gon ? number(radiansToMilligon(radians), 3, style)
                                  : number(radiansToArcSeconds(radians), 2, style);
}

std::string outcomeText(const FileRun& run) {
    if (run.outcome == Outcome::Completed) return "ok";
    const auto& planimetry = run.values.planimetry;
    if (planimetry && !planimetry->adjusted)
        return "sem ajustamento: so duas estacoes; M e P sao a posicao aproximada";
    if (run.reportCut) return run.message + " (o relatorio ficou incompleto)";
    return run.message;
}

// The warnings of one input in one field: the data after the last record, the records'
// warnings and a doubtful height, separated by " | ".
std::string warningsText(const FileRun& run) {
    std::vector<std::string> parts;
    if (run.dataAfterLine)
        parts.push_back("dados depois do ultimo registo na linha " +
                        std::to_string(*run.dataAfterLine));
    for (const Warning& warning : run.warnings)
        parts.push_back(warningText(warning, run.values.observations));
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : " | ") + part;
    return text;
}

constexpr std::array<const char*, 15> header = {"ficheiro",
                                                "ponto",
                                                "M",
                                                "P",
                                                "C",
                                                "precisao_M",
                                                "precisao_P",
                                                "precisao_C",
                                                "unidade_precisao_leituras",
                                                "precisao_leituras",
                                                "precisao_zenitais",
                                                "iteracoes_planimetria",
                                                "iteracoes_altimetria",
                                                "resultado",
                                                "avisos"};

std::array<std::string, 15> row(const FileRun& run, const ListStyle& style) {
    std::array<std::string, 15> row;
    row[0] = textCell(toUtf8(run.input));
    const ObservationSet& observations = run.values.observations;
    const AngleUnit unit = observations.angleUnit;
    if (run.dataRead) {
        row[1] = textCell(toUtf8(trimmedName(observations.sightedPointName)));
        row[8] = unit == AngleUnit::Gon ? "mgon" : "segundos";
    }
    if (const auto& planimetry = run.values.planimetry) {
        const PlanePoint point = planimetry->adjusted ? planimetry->point : planimetry->approximate;
        row[2] = number(point.m, listMetreDecimals, style);
        row[3] = number(point.p, listMetreDecimals, style);
        if (planimetry->adjusted) {
            row[5] = number(planimetry->deviationM, listMetreDecimals, style);
            row[6] = number(planimetry->deviationP, listMetreDecimals, style);
            row[9] = precisionInUnit(unit, planimetry->search.precision, style);
            row[11] = std::to_string(planimetry->iterationCount);
        }
    }
    if (const auto& height = run.values.height) {
        row[4] = number(height->height, listMetreDecimals, style);
        row[7] = number(height->deviation, listMetreDecimals, style);
        row[10] = precisionInUnit(unit, height->search.precision, style);
        row[12] = std::to_string(height->iterationCount);
    }
    row[13] = textCell(toUtf8(outcomeText(run)));
    row[14] = textCell(warningsText(run));
    return row;
}

ListStyle styleOf(bool spreadsheet) { return spreadsheet ? ListStyle{';', ','} : ListStyle{}; }

} // namespace

std::string csvField(const std::string& text) { return csvField(text, ','); }

std::string textCell(std::string text) {
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
        text.insert(0, 1, '\'');
    return text;
}

void writeListHeader(std::ostream& out, bool spreadsheet) {
    const ListStyle style = styleOf(spreadsheet);
    if (spreadsheet) out << "\xEF\xBB\xBF";
    for (std::size_t i = 0; i < header.size(); ++i)
        out << (i ? std::string(1, style.separator) : "") << header[i];
    out << "\r\n";
}

void writeListRow(const FileRun& run, std::ostream& out, bool spreadsheet) {
    const ListStyle style = styleOf(spreadsheet);
    const std::array<std::string, 15> fields = row(run, style);
    for (std::size_t i = 0; i < fields.size(); ++i)
        out << (i ? std::string(1, style.separator) : "") << csvField(fields[i], style);
    out << "\r\n";
}

void writeCoordinateList(const std::vector<FileRun>& runs, std::ostream& out) {
    writeListHeader(out, false);
    for (const FileRun& run : runs) writeListRow(run, out, false);
}

void writeSpreadsheetList(const std::vector<FileRun>& runs, std::ostream& out) {
    writeListHeader(out, true);
    for (const FileRun& run : runs) writeListRow(run, out, true);
}

} // namespace interseccao
