// The coordinate list: one CSV row per observation file.
#include "export/export.hpp"
#include "model/angle_units.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <array>

namespace interseccao {

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

namespace {

// A precision of one reading in the file's unit: seconds of arc, or milligon for "gr".
std::string precisionInUnit(AngleUnit unit, double radians) {
    return exactNumber(unit == AngleUnit::Gon ? radiansToMilligon(radians)
                                              : radiansToArcSeconds(radians));
}

std::string outcomeText(const FileRun& run) {
    if (run.outcome == Outcome::Completed) return "ok";
    const auto& planimetry = run.values.planimetry;
    if (planimetry && !planimetry->adjusted)
        return "sem ajustamento: so duas estacoes; M e P sao a posicao aproximada";
    return run.message;
}

} // namespace

void writeCoordinateList(const std::vector<FileRun>& runs, std::ostream& out) {
    constexpr std::array<const char*, 14> header = {"ficheiro",
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
                                                    "resultado"};
    for (std::size_t i = 0; i < header.size(); ++i) out << (i ? "," : "") << header[i];
    out << "\r\n";
    for (const FileRun& run : runs) {
        std::array<std::string, 14> row;
        row[0] = toUtf8(run.input);
        const ObservationSet& observations = run.values.observations;
        const AngleUnit unit = observations.angleUnit;
        if (run.dataRead) {
            row[1] = toUtf8(trimmedName(observations.sightedPointName));
            row[8] = unit == AngleUnit::Gon ? "mgon" : "segundos";
        }
        if (const auto& planimetry = run.values.planimetry) {
            const PlanePoint point =
                planimetry->adjusted ? planimetry->point : planimetry->approximate;
            row[2] = exactNumber(point.m);
            row[3] = exactNumber(point.p);
            if (planimetry->adjusted) {
                row[5] = exactNumber(planimetry->deviationM);
                row[6] = exactNumber(planimetry->deviationP);
                row[9] = precisionInUnit(unit, planimetry->search.precision);
                row[11] = std::to_string(planimetry->iterationCount);
            }
        }
        if (const auto& height = run.values.height) {
            row[4] = exactNumber(height->height);
            row[7] = exactNumber(height->deviation);
            row[10] = precisionInUnit(unit, height->search.precision);
            row[12] = std::to_string(height->iterationCount);
        }
        row[13] = toUtf8(outcomeText(run));
        for (std::size_t i = 0; i < row.size(); ++i) out << (i ? "," : "") << csvField(row[i]);
        out << "\r\n";
    }
}

} // namespace interseccao
