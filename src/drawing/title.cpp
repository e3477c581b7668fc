// The words of the drawing's title block: the point, its coordinates and what the analysis
// found, in UTF-8.
#include "drawing/placement.hpp"

#include "model/angle_units.hpp"
#include "results/analysis_wording.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <filesystem>

namespace interseccao {

namespace {

std::vector<std::string> coordinateLines(const RunValues& values) {
    const PlanimetricSolution& planimetry = *values.planimetry;
    if (!planimetry.adjusted)
        return {"M = " + fixed(planimetry.approximate.m, 3) + " m",
                "P = " + fixed(planimetry.approximate.p, 3) + " m"};
    std::vector<std::string> lines{
        "M = " + fixed(planimetry.point.m, 3) + " m  ± " + fixed(planimetry.deviationM, 3) + " m",
        "P = " + fixed(planimetry.point.p, 3) + " m  ± " + fixed(planimetry.deviationP, 3) + " m"};
    if (values.height)
        lines.push_back("C = " + fixed(values.height->height, 3) + " m  ± " +
                        fixed(values.height->deviation, 3) + " m");
    else
        lines.push_back("C não calculada");
    return lines;
}

std::string stationName(const ObservationSet& observations, std::int32_t station) {
    return toUtf8(trimmedName(observations.stations[static_cast<std::size_t>(station)].name));
}

// The precision of a reading and the weakest intersection, after an adjustment.
void precisionLines(const RunValues& values, const PlanimetricQuality* quality,
                    std::vector<std::string>& lines) {
    const ObservationSet& o = values.observations;
    const AngleUnit unit = o.angleUnit;
    const std::string symbol = toUtf8(smallAngleSymbol(unit));
    lines.push_back("Precisão de uma leitura: " +
                    fixed(toSmallAngle(values.planimetry->search.precision, unit), 1) + symbol +
                    " (a priori " + fixed(toSmallAngle(o.aprioriPrecision, unit), 1) + symbol +
                    ")");
    if (quality && quality->weakest) {
        const RayIntersection& weakest = *quality->weakest;
        lines.push_back("Intersecção mais fraca: " + fixed(toDirection(weakest.strength, unit), 1) +
                        directionSymbol(unit) + " (" + stationName(o, weakest.first) + " e " +
                        stationName(o, weakest.second) + ")");
    }
}

// The global test and the suspected reading.
void verdictLines(const ObservationSet& o, const PlanimetricQuality& quality,
                  std::vector<std::string>& lines) {
    if (quality.globalTest && quality.globalStatistic && quality.globalQuantile)
        lines.push_back(std::string("Teste global (95 %): ") +
                        (*quality.globalTest == Verdict::Accepted ? "aceite" : "rejeitado") +
                        " (Ω/σ² = " + fixed(*quality.globalStatistic, 2) + "; quantil " +
                        fixed(*quality.globalQuantile, 2) + ")");
    else
        lines.push_back("Teste global: sem graus de liberdade");
    const Suspicion& suspicion = quality.suspicion;
    if (suspicion.kind == Suspicion::Kind::None || suspicion.reading >= quality.readings.size()) {
        lines.push_back("Nenhuma leitura suspeita");
        return;
    }
    const HorizontalReadingQuality& reading = quality.readings[suspicion.reading];
    std::string line = "Leitura suspeita: " + toUtf8(readingLabel(o, reading.index));
    if (reading.tests.standardized) line += " (w = " + fixed(*reading.tests.standardized, 1) + ")";
    lines.push_back(line);
    if (suspicion.kind == Suspicion::Kind::OneOf)
        lines.push_back("ou outra que o teste não distingue (a vermelho)");
}

std::string shortFileName(const std::string& input) {
    std::string name = std::filesystem::path(input).filename().string();
    // Room for about 40 characters beside "Ficheiro: ".
    constexpr std::size_t longest = 40;
    if (name.size() > longest) name = name.substr(0, longest - 3) + "...";
    return toUtf8(name);
}

} // namespace

TitleBlock titleBlockOf(const FileRun& run) {
    const RunValues& values = run.values;
    const PlanimetricQuality* quality = run.analysis ? &run.analysis->planimetry : nullptr;
    TitleBlock title;
    title.pointName = toUtf8(trimmedName(values.observations.sightedPointName));
    title.coordinates = coordinateLines(values);
    if (!values.planimetry->adjusted)
        title.findings = {"Sem ajustamento: só duas estações;", "M e P são a posição aproximada",
                          "das estações 1 e 2; sem elipse de erro."};
    else {
        precisionLines(values, quality, title.findings);
        if (quality) verdictLines(values.observations, *quality, title.findings);
    }
    title.coordinateSystem = toUtf8(run.coordinateSystem);
    title.fileName = shortFileName(run.input);
    return title;
}

} // namespace interseccao
