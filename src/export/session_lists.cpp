// The summary and the JSON document of a session.
#include "export/session_lists.hpp"

#include "export/export.hpp"
#include "export/json_run.hpp"
#include "text/encoding.hpp"
#include "text/line_format.hpp"
#include "text/numbers.hpp"

#include <array>
#include <cmath>

namespace interseccao {

namespace {

using json = nlohmann::ordered_json;

// A coordinate, height or precision of the list; empty when not finite.
std::string metres(double value) {
    return std::isfinite(value) ? fixed(value, listMetreDecimals) : std::string();
}

json optionalNumber(const std::optional<double>& value) {
    return value ? json(*value) : json(nullptr);
}

const char* stateText(const SessionPoint& point) {
    if (!point.point.problem) return "nao determinado";
    if (!point.run) return "erro";
    switch (point.run->outcome) {
    case Outcome::Completed: return "calculado";
    case Outcome::Stopped: return "parou";
    case Outcome::Failed: return "erro";
    }
    return "erro";
}

std::string reasonText(const SessionPoint& point) {
    if (!point.point.problem) return point.point.reason;
    if (!point.run) return {};
    const auto& planimetry = point.run->values.planimetry;
    if (planimetry && !planimetry->adjusted)
        return "sem ajustamento: so duas estacoes; M e P sao a posicao aproximada";
    return point.run->message;
}

bool isReferenceOf(const PointProblem& problem, std::size_t setup, const std::string& target) {
    for (const AssembledStation& station : problem.stations)
        if (station.setup == setup)
            for (const AssembledReference& reference : station.references)
                if (reference.name == target) return true;
    return false;
}

} // namespace

std::string sessionAngleText(const ReducedBook& book, double difference) {
    if (book.unit == RecordedUnit::Gon) {
        const std::string text = formatReal(difference * 1000, 20, 1);
        return text.substr(text.find_first_not_of(' ')) + " mgon";
    }
    const std::string text =
        formatReal(convertReading(difference, book.unit, RecordedUnit::ArcSeconds), 20, 1);
    return text.substr(text.find_first_not_of(' ')) + "\"";
}

std::string sessionUnitName(const ReducedBook& book) {
    switch (book.unit) {
    case RecordedUnit::DecimalDegrees: return "graus decimais (gc)";
    case RecordedUnit::ArcSeconds: return "graus, minutos e segundos (gs)";
    case RecordedUnit::Gon:
    case RecordedUnit::Mil: return "grados (gr)";
    }
    return "grados (gr)";
}

std::vector<std::string> pointWarnings(const SessionRun& session, const SessionPoint& point) {
    std::vector<std::string> warnings;
    const auto& problem = point.point.problem;
    for (const FaceWarning& warning : session.book.warnings) {
        const bool ours = warning.target == point.point.name ||
                          (problem && isReferenceOf(*problem, warning.setup, warning.target));
        if (!ours) continue;
        warnings.push_back("leituras " + std::string(warning.zenith ? "zenitais" : "horizontais") +
                           " de " + session.book.setups[warning.setup].station + " a " +
                           warning.target + " diferem " +
                           sessionAngleText(session.book, warning.spread));
    }
    if (problem && problem->targetHeightMissing)
        warnings.emplace_back("altura do alvo em falta no registo: tomada 0");
    if (problem && problem->instrumentHeightMissing)
        warnings.emplace_back("altura do instrumento em falta no registo: tomada 0");
    return warnings;
}

void writeSessionList(const SessionRun& session, std::ostream& out) {
    constexpr std::array<const char*, 11> header = {
        "ponto",          "estado",     "M",        "P",           "C",
        "precisao_M",     "precisao_P", "estacoes", "observacoes", "relatorio",
        "motivo_e_avisos"};
    for (std::size_t i = 0; i < header.size(); ++i) out << (i ? "," : "") << header[i];
    out << "\r\n";
    for (const SessionPoint& point : session.points) {
        std::array<std::string, 11> row;
        row[0] = textCell(toUtf8(point.point.name));
        row[1] = stateText(point);
        if (point.run && point.run->values.planimetry) {
            const PlanimetricSolution& planimetry = *point.run->values.planimetry;
            const PlanePoint at = planimetry.adjusted ? planimetry.point : planimetry.approximate;
            row[2] = metres(at.m);
            row[3] = metres(at.p);
            if (planimetry.adjusted) {
                row[5] = metres(planimetry.deviationM);
                row[6] = metres(planimetry.deviationP);
            }
        }
        if (point.run && point.run->values.height)
            row[4] = metres(point.run->values.height->height);
        row[7] = std::to_string(point.point.problem ? point.point.problem->stations.size() : 0);
        row[8] = textCell(toUtf8(point.observationFile));
        if (point.run) row[9] = textCell(toUtf8(point.run->report));
        std::string notes = reasonText(point);
        for (const std::string& warning : pointWarnings(session, point))
            notes += (notes.empty() ? "" : "; ") + warning;
        row[10] = textCell(toUtf8(notes));
        for (std::size_t i = 0; i < row.size(); ++i) out << (i ? "," : "") << csvField(row[i]);
        out << "\r\n";
    }
}

namespace {

json readingJson(const ReducedReading& reading) {
    json lines = json::array();
    for (const std::size_t line : reading.lines) lines.push_back(line);
    return {{"alvo", toUtf8(reading.target)},
            {"horizontal", reading.horizontal},
            {"dispersao_horizontal", reading.horizontalSpread},
            {"zenital", optionalNumber(reading.zenith)},
            {"dispersao_zenital", optionalNumber(reading.zenithSpread)},
            {"altura_alvo", optionalNumber(reading.targetHeight)},
            {"leituras_face_1", reading.faceI},
            {"leituras_face_2", reading.faceII},
            {"linhas", lines}};
}

json setupsJson(const ReducedBook& book) {
    json setups = json::array();
    for (const ReducedSetup& setup : book.setups) {
        json readings = json::array();
        for (const ReducedReading& reading : setup.readings)
            readings.push_back(readingJson(reading));
        setups.push_back({{"estacao", toUtf8(setup.station)},
                          {"ficheiro", toUtf8(setup.file)},
                          {"linha", setup.line},
                          {"M", optionalNumber(setup.m)},
                          {"P", optionalNumber(setup.p)},
                          {"C", optionalNumber(setup.height)},
                          {"altura_instrumento", optionalNumber(setup.instrumentHeight)},
                          {"leituras", readings}});
    }
    return setups;
}

json pointJson(const SessionRun& session, const SessionPoint& point) {
    json stations = json::array();
    if (point.point.problem)
        for (const AssembledStation& station : point.point.problem->stations)
            stations.push_back(toUtf8(station.name));
    json warnings = json::array();
    for (const std::string& warning : pointWarnings(session, point))
        warnings.push_back(toUtf8(warning));
    json entry = {{"nome", toUtf8(point.point.name)},
                  {"estado", stateText(point)},
                  {"motivo", toUtf8(reasonText(point))},
                  {"estacoes", stations},
                  {"avisos", warnings},
                  {"observacoes", toUtf8(point.observationFile)}};
    entry["resultado"] = point.run ? fileRunJson(*point.run) : json(nullptr);
    return entry;
}

} // namespace

void writeSessionJson(const SessionRun& session, std::ostream& out) {
    json known = json::array();
    for (const KnownPoint& point : session.known.points)
        known.push_back({{"nome", toUtf8(point.name)},
                         {"M", point.m},
                         {"P", point.p},
                         {"C", optionalNumber(point.height)},
                         {"linha", point.line}});
    json records = json::array();
    for (const std::string& record : session.records) records.push_back(toUtf8(record));
    json points = json::array();
    for (const SessionPoint& point : session.points) points.push_back(pointJson(session, point));
    const json document = {{"versao", jsonFormatVersion},
                           {"programa", std::string("interseccao ") + INTERSECCAO_VERSION},
                           {"registos", records},
                           {"pontos_conhecidos", toUtf8(session.known.file)},
                           {"unidade", sessionUnitName(session.book)},
                           {"limite_faces", session.book.faceLimit},
                           {"conhecidos", known},
                           {"estacoes", setupsJson(session.book)},
                           {"pontos", points}};
    out << document.dump(2) << '\n';
}

} // namespace interseccao
