// The JSON document: every observation file, its data and its results.
#include "export/export.hpp"
#include "export/json_run.hpp"
#include "model/angle_units.hpp"
#include "results/analysis_wording.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <nlohmann/json.hpp>

namespace interseccao {

namespace {

// Keys in the order they are written, so that the document reads from settings to results.
using json = nlohmann::ordered_json;

// A number, or null for a value that is not finite (JSON has no such numbers).
json number(double value) { return std::isfinite(value) ? json(value) : json(nullptr); }

// An angle in radians and in the file's unit: degrees for "gc" and "gs" (with degrees,
// minutes and seconds for "gs"), gon for "gr".
json angle(AngleUnit unit, double radians) {
    json a = {{"rad", number(radians)}};
    a["valor"] = number(unit == AngleUnit::Gon ? radiansToGon(radians) : radiansToDegrees(radians));
    if (unit == AngleUnit::Sexagesimal) {
        const DegreesMinutesSeconds dms = splitDegrees(radiansToDegrees(radians));
        a["gms"] = {dms.degrees, dms.minutes, number(dms.seconds)};
    }
    return a;
}

// A precision of one reading in radians and in the file's unit (seconds of arc or milligon).
json precision(AngleUnit unit, double radians) {
    return {{"rad", number(radians)},
            {"valor", number(unit == AngleUnit::Gon ? radiansToMilligon(radians)
                                                    : radiansToArcSeconds(radians))}};
}

std::string name(const std::string& padded) { return toUtf8(trimmedName(padded)); }

const char* verdictText(Verdict verdict) {
    return verdict == Verdict::Accepted ? "aceite" : "rejeitado";
}

json search(AngleUnit unit, const FitTest& fit, const PrecisionSearch& s) {
    return {{"inicio", precision(unit, s.start)},
            {"passo", precision(unit, s.step)},
            {"testes", s.tests},
            {"primeiro_veredicto", verdictText(s.firstVerdict)},
            {"ultimo_veredicto", verdictText(s.lastVerdict)},
            {"precisao", precision(unit, s.precision)},
            {"teste",
             {{"redundancia", fit.redundancy},
              {"fator_variancia", number(fit.varianceFactor)},
              {"valor_critico", number(fit.testValue)},
              {"estatistica", number(fit.statistic(s.precision))}}}};
}

json stations(const ObservationSet& observations) {
    json list = json::array();
    for (const Station& station : observations.stations) {
        json references = json::array();
        for (const ReferenceSighting& r : station.references)
            references.push_back({{"nome", name(r.name)},
                                  {"M", number(r.m)},
                                  {"P", number(r.p)},
                                  {"leitura", angle(observations.angleUnit, r.reading)}});
        list.push_back({{"nome", name(station.name)},
                        {"M", number(station.m)},
                        {"P", number(station.p)},
                        {"leitura_ponto", angle(observations.angleUnit, station.pointReading)},
                        {"referencias", references}});
    }
    return list;
}

json zenithRecords(const ObservationSet& observations) {
    json list = json::array();
    for (const ZenithObservation& z : observations.zenithObservations)
        list.push_back({{"estacao", name(z.stationName)},
                        {"M", number(z.m)},
                        {"P", number(z.p)},
                        {"cota_estacao", number(z.stationHeight)},
                        {"leitura", angle(observations.angleUnit, z.zenithReading)},
                        {"altura_instrumento", number(z.instrumentHeight)},
                        {"altura_alvo", number(z.targetHeight)}});
    return list;
}

json orientation(const ObservationSet& observations, const Orientation& o) {
    json list = json::array();
    for (std::size_t i = 0; i < o.stations.size(); ++i) {
        const Station& station = observations.stations[i];
        json bearings = json::array();
        for (std::size_t j = 0; j < o.stations[i].bearings.size(); ++j)
            bearings.push_back(
                {{"referencia", name(station.references[j].name)},
                 {"rumo", angle(observations.angleUnit, o.stations[i].bearings[j])}});
        json entry = {{"estacao", name(station.name)}, {"rumos", bearings}};
        entry["rumo_medio"] = o.stations[i].complete
                                  ? angle(observations.angleUnit, o.stations[i].meanBearing)
                                  : json(nullptr);
        list.push_back(entry);
    }
    return list;
}

json planimetry(const ObservationSet& observations, const PlanimetricSolution& s) {
    const AngleUnit unit = observations.angleUnit;
    json p = {
        {"posicao_aproximada", {{"M", number(s.approximate.m)}, {"P", number(s.approximate.p)}}},
        {"ajustada", s.adjusted}};
    if (!s.adjusted) return p;
    json angles = json::array();
    std::size_t k = 0;
    for (const Station& station : observations.stations)
        for (const ReferenceSighting& reference : station.references) {
            angles.push_back(
                {{"estacao", name(station.name)},
                 {"referencia", name(reference.name)},
                 {"observado", number(s.observedAngles[k])},
                 {"residuo", number(s.residuals[k])},
                 {"ajustado", number(s.adjustedAngles[k])},
                 {"desvio_padrao", number(decimalDegreesToRadians(s.adjustedAngleDeviations[k]))}});
            ++k;
        }
    const double f = s.fit.varianceFactor;
    p["iteracoes"] = s.iterationCount;
    p["linearizacao"] = {{"M", number(s.linearisation.m)}, {"P", number(s.linearisation.p)}};
    p["M"] = number(s.point.m);
    p["P"] = number(s.point.p);
    p["precisao_M"] = number(s.deviationM);
    p["precisao_P"] = number(s.deviationP);
    p["cofatores"] = {{number(s.cofactor[0]), number(s.cofactor[1])},
                      {number(s.cofactor[2]), number(s.cofactor[3])}};
    p["covariancia"] = {{number(f * s.cofactor[0]), number(f * s.cofactor[1])},
                        {number(f * s.cofactor[2]), number(f * s.cofactor[3])}};
    p["angulos"] = angles;
    p["pesquisa"] = search(unit, s.fit, s.search);
    return p;
}

json height(const ObservationSet& observations, const HeightSolution& s) {
    json readings = json::array();
    for (std::size_t i = 0; i < s.residuals.size(); ++i)
        readings.push_back(
            {{"estacao", name(observations.zenithObservations[i].stationName)},
             {"observado", number(observations.zenithObservations[i].zenithReading)},
             {"residuo", number(s.residuals[i])},
             {"ajustado", number(s.adjustedAngles[i])},
             {"desvio_padrao", number(decimalDegreesToRadians(s.adjustedAngleDeviations[i]))}});
    return {{"cota_inicial", number(s.firstHeight)},
            {"iteracoes", s.iterationCount},
            {"C", number(s.height)},
            {"precisao_C", number(s.deviation)},
            {"cofator", number(s.cofactor)},
            {"variancia", number(s.fit.varianceFactor * s.cofactor)},
            {"leituras", readings},
            {"pesquisa", search(observations.angleUnit, s.fit, s.search)}};
}

json optionalNumber(const std::optional<double>& value) {
    return value ? number(*value) : json(nullptr);
}

json ellipse(const std::optional<ErrorEllipse>& e) {
    if (!e) return nullptr;
    return {{"a", number(e->a)}, {"b", number(e->b)}, {"azimute", number(e->bearing)}};
}

json leftOut(const LeaveOneOut& without, bool plane) {
    if (without.status != LeaveOneOut::Status::Computed) return nullptr;
    json j;
    if (plane) {
        j["M"] = number(without.point.m);
        j["P"] = number(without.point.p);
        j["deslocamento"] = number(without.shift);
        j["azimute_deslocamento"] = number(without.shiftBearing);
    }
    j["graus_liberdade"] = without.degreesOfFreedom;
    j["sigma0"] = optionalNumber(without.unitDeviation);
    return j;
}

json tests(const ReadingTests& t) {
    return {{"residuo", number(t.residual)},
            {"redundancia", number(t.redundancyNumber)},
            {"w", optionalNumber(t.standardized)},
            {"tau", optionalNumber(t.studentized)},
            {"mdb", optionalNumber(t.minimalDetectableBias)},
            {"suspeita", t.suspected}};
}

// Every horizontal reading's tests and the point without it.
json horizontalReadings(const ObservationSet& observations, const PlanimetricQuality& q) {
    json readings = json::array();
    for (const HorizontalReadingQuality& r : q.readings) {
        const Station& station = observations.stations[static_cast<std::size_t>(r.index.station)];
        json entry = {
            {"estacao", name(station.name)},
            {"alvo",
             r.index.reference == sightedPointTarget
                 ? name(observations.sightedPointName)
                 : name(station.references[static_cast<std::size_t>(r.index.reference)].name)}};
        entry.update(tests(r.tests));
        entry["deslocamento_mdb"] = number(r.biasShift);
        entry["sem"] = leftOut(r.without, true);
        readings.push_back(entry);
    }
    return readings;
}

// The quality analysis, in metres and radians.
json analysis(const ObservationSet& observations, const QualityAnalysis& a) {
    const PlanimetricQuality& q = a.planimetry;
    const json readings = horizontalReadings(observations, q);
    json stations = json::array();
    for (std::size_t i = 0; i < q.withoutStation.size(); ++i) {
        const LeaveOneOut& without = q.withoutStation[i];
        const bool computed = without.status == LeaveOneOut::Status::Computed;
        stations.push_back(
            {{"nome", name(observations.stations[i].name)},
             {"deslocamento", computed ? number(without.shift) : json(nullptr)},
             {"azimute_deslocamento", computed ? number(without.shiftBearing) : json(nullptr)},
             {"sigma0_sem", computed ? optionalNumber(without.unitDeviation) : json(nullptr)}});
    }
    json zenith = json::array();
    if (a.height)
        for (std::size_t i = 0; i < a.height->readings.size(); ++i) {
            const ZenithReadingQuality& z = a.height->readings[i];
            json entry = {{"estacao", name(observations.zenithObservations[i].stationName)}};
            entry.update(tests(z.tests));
            entry["cota_sem"] = z.without.status == LeaveOneOut::Status::Computed
                                    ? number(z.heightWithout)
                                    : json(nullptr);
            zenith.push_back(entry);
        }
    json warnings = json::array();
    for (const Warning& warning : a.warnings)
        warnings.push_back(warningText(warning, observations));
    json j = {{"veredicto", verdictText(observations, a)},
              {"graus_liberdade", q.degreesOfFreedom},
              {"redundancia_relatorio", q.reportRedundancy},
              {"sigma0", optionalNumber(q.unitDeviation)},
              {"sigma0_intervalo_95",
               {optionalNumber(q.unitDeviationLower), optionalNumber(q.unitDeviationUpper)}}};
    j["teste_global"] = {
        {"aceite", q.globalTest ? json(*q.globalTest == Verdict::Accepted) : json(nullptr)},
        {"estatistica", optionalNumber(q.globalStatistic)},
        {"quantil_95", optionalNumber(q.globalQuantile)}};
    j["tau_critico"] = optionalNumber(q.studentizedCritical);
    j["elipse"] = ellipse(q.rigorousEllipse);
    j["elipse_relatorio"] = ellipse(q.reportEllipse);
    j["elipse_95"] = ellipse(q.confidenceEllipse);
    j["correlacao_MP"] = number(q.correlation);
    j["angulo_intersecao_minimo"] = q.weakest ? number(q.weakest->angle) : json(nullptr);
    j["leituras"] = readings;
    j["estacoes"] = stations;
    j["zenitais"] = zenith;
    j["avisos"] = warnings;
    return j;
}

const char* stateCode(Outcome outcome) {
    switch (outcome) {
    case Outcome::Completed: return "concluido";
    case Outcome::Stopped: return "parado";
    case Outcome::Failed: return "erro";
    }
    return "";
}

json fileRun(const FileRun& run) {
    json entry = {{"ficheiro", toUtf8(run.input)},
                  {"relatorio", toUtf8(run.report)},
                  {"estado", stateCode(run.outcome)}};
    entry["mensagem"] = run.message.empty() ? json(nullptr) : json(toUtf8(run.message));
    if (!run.dataRead) return entry;
    entry["codificacao"] = run.encoding == TextEncoding::Utf8 ? "UTF-8" : "Latin-1";
    json cut = json::array();
    for (const CutName& name : run.cutNames)
        cut.push_back({{"linha", name.line},
                       {"escrito", toUtf8(name.written)},
                       {"cortado", toUtf8(name.kept)}});
    entry["nomes_cortados"] = cut;
    entry["dados_depois_da_linha"] = run.dataAfterLine ? json(*run.dataAfterLine) : json(nullptr);
    json warnings = json::array();
    for (const Warning& warning : run.warnings)
        warnings.push_back(warningText(warning, run.values.observations));
    entry["avisos"] = warnings;
    entry["cota_duvidosa"] = run.elevationLikeZenith;
    const ObservationSet& observations = run.values.observations;
    const AngleUnit unit = observations.angleUnit;
    entry["definicoes"] = {{"unidade", std::string(angleUnitCode(unit))},
                           {"tolerancia", number(observations.tolerance)},
                           {"precisao_a_priori", precision(unit, observations.aprioriPrecision)}};
    if (!run.coordinateSystem.empty())
        entry["definicoes"]["sistema_coordenadas"] = toUtf8(run.coordinateSystem);
    entry["ponto"] = name(observations.sightedPointName);
    entry["estacoes"] = stations(observations);
    if (run.values.orientation)
        entry["orientacao"] = orientation(observations, *run.values.orientation);
    if (run.values.planimetry)
        entry["planimetria"] = planimetry(observations, *run.values.planimetry);
    if (run.values.heightRequested) entry["leituras_zenitais"] = zenithRecords(observations);
    if (run.values.height) entry["altimetria"] = height(observations, *run.values.height);
    if (run.analysis) entry["analise"] = analysis(observations, *run.analysis);
    return entry;
}

} // namespace

nlohmann::ordered_json fileRunJson(const FileRun& run) { return fileRun(run); }

void writeJsonDocument(const std::vector<FileRun>& runs, std::ostream& out) {
    json document = {{"versao", jsonFormatVersion},
                     {"programa", std::string("interseccao ") + INTERSECCAO_VERSION}};
    json files = json::array();
    for (const FileRun& run : runs) files.push_back(fileRun(run));
    document["ficheiros"] = files;
    out << document.dump(2) << '\n';
}

} // namespace interseccao
