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

// A coordinate, height or precision of the list; empty when not finite.
std::string metres(double value) {
    return std::isfinite(value) ? fixed(value, listMetreDecimals) : std::string();
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

void readingJson(JsonText& j, const ReducedReading& reading) {
    j.object([&] {
        j.member("alvo", toUtf8(reading.target));
        j.member("horizontal", reading.horizontal);
        j.member("dispersao_horizontal", reading.horizontalSpread);
        j.member("zenital", reading.zenith);
        j.member("dispersao_zenital", reading.zenithSpread);
        j.member("altura_alvo", reading.targetHeight);
        j.member("leituras_face_1", reading.faceI);
        j.member("leituras_face_2", reading.faceII);
        j.member("linhas", [&] {
            j.array([&] {
                for (const std::size_t line : reading.lines) j.value(line);
            });
        });
    });
}

void setupsJson(JsonText& j, const ReducedBook& book) {
    j.array([&] {
        for (const ReducedSetup& setup : book.setups)
            j.object([&] {
                j.member("estacao", toUtf8(setup.station));
                j.member("ficheiro", toUtf8(setup.file));
                j.member("linha", setup.line);
                j.member("M", setup.m);
                j.member("P", setup.p);
                j.member("C", setup.height);
                j.member("altura_instrumento", setup.instrumentHeight);
                j.member("leituras", [&] {
                    j.array([&] {
                        for (const ReducedReading& reading : setup.readings)
                            readingJson(j, reading);
                    });
                });
            });
    });
}

template <typename Range, typename Text> auto textsOf(JsonText& j, const Range& items, Text text) {
    return [&j, &items, text] {
        j.array([&] {
            for (const auto& item : items) j.value(toUtf8(text(item)));
        });
    };
}

void pointJson(JsonText& j, const SessionRun& session, const SessionPoint& point) {
    static const std::vector<AssembledStation> none;
    const auto& stations = point.point.problem ? point.point.problem->stations : none;
    const std::vector<std::string> warnings = pointWarnings(session, point);
    j.object([&] {
        j.member("nome", toUtf8(point.point.name));
        j.member("estado", stateText(point));
        j.member("motivo", toUtf8(reasonText(point)));
        j.member("estacoes",
                 textsOf(j, stations, [](const AssembledStation& s) { return s.name; }));
        j.member("avisos", textsOf(j, warnings, [](const std::string& w) { return w; }));
        j.member("observacoes", toUtf8(point.observationFile));
        if (point.run)
            j.member("resultado", [&] { writeFileRunJson(j, *point.run); });
        else
            j.member("resultado", nullptr);
    });
}

void knownJson(JsonText& j, const KnownPoints& known) {
    j.array([&] {
        for (const KnownPoint& point : known.points)
            j.object([&] {
                j.member("nome", toUtf8(point.name));
                j.member("M", point.m);
                j.member("P", point.p);
                j.member("C", point.height);
                j.member("linha", point.line);
            });
    });
}

} // namespace

void writeSessionJson(const SessionRun& session, std::ostream& out) {
    JsonText j(out);
    j.object([&] {
        j.member("versao", jsonFormatVersion);
        j.member("programa", std::string("interseccao ") + INTERSECCAO_VERSION);
        j.member("registos", textsOf(j, session.records, [](const std::string& r) { return r; }));
        j.member("pontos_conhecidos", toUtf8(session.known.file));
        j.member("unidade", sessionUnitName(session.book));
        j.member("limite_faces", session.book.faceLimit);
        j.member("conhecidos", [&] { knownJson(j, session.known); });
        j.member("estacoes", [&] { setupsJson(j, session.book); });
        j.member("pontos", [&] {
            j.array([&] {
                for (const SessionPoint& point : session.points) pointJson(j, session, point);
            });
        });
    });
    j.flush();
    out << '\n';
}

} // namespace interseccao
