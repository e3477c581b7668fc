// The analysis's sentences, from its numbers and codes.
#include "results/analysis_wording.hpp"

#include "analysis/statistics.hpp"
#include "model/angle_units.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <algorithm>
#include <cmath>

namespace interseccao {

namespace {

// The target of a horizontal reading: the point or the reference.
std::string targetLabel(const ObservationSet& observations, ReadingIndex reading) {
    const Station& station = observations.stations[static_cast<std::size_t>(reading.station)];
    return toUtf8(
        reading.reference == sightedPointTarget
            ? trimmedName(observations.sightedPointName)
            : trimmedName(station.references[static_cast<std::size_t>(reading.reference)].name));
}

} // namespace

std::string readingLabel(const ObservationSet& observations, ReadingIndex reading) {
    return stationLabel(observations, reading.station) + " -> " +
           targetLabel(observations, reading);
}

std::string zenithLabel(const ObservationSet& observations, std::size_t record) {
    return toUtf8(trimmedName(observations.zenithObservations[record].stationName));
}

std::string stationLabel(const ObservationSet& observations, std::int32_t station) {
    return toUtf8(trimmedName(observations.stations[static_cast<std::size_t>(station)].name));
}

namespace {

std::string testsText(const ReadingTests& t, std::optional<double> critical, AngleUnit unit) {
    std::string text =
        "w = " + fixed(*t.standardized, 1) + " (limite " + fixed(snoopingCritical, 2) + ")";
    if (t.studentized) {
        text += ", τ = " + fixed(*t.studentized, 2);
        if (critical) text += " (crítico " + fixed(*critical, 2) + ")";
    }
    text += ", resíduo " + fixed(toSmallAngle(t.residual, unit), 1) + smallAngleSymbol(unit);
    return text;
}

std::string unitDeviationText(const ObservationSet& observations, const PlanimetricQuality& q) {
    const AngleUnit unit = observations.angleUnit;
    const std::string small = smallAngleSymbol(unit);
    return q.unitDeviation
               ? "s0 = " + fixed(toSmallAngle(*q.unitDeviation, unit), 1) + small +
                     " para σ = " + fixed(toSmallAngle(observations.aprioriPrecision, unit), 1) +
                     small
               : "sem graus de liberdade";
}

// When no reading is under suspicion: the largest |w|, and whether it is worth a second look.
std::string largestStandardizedText(const ObservationSet& observations,
                                    const PlanimetricQuality& q) {
    const auto& r = q.readings;
    const std::size_t largest = largestStandardized(
        r, [](const auto& reading) -> const ReadingTests& { return reading.tests; });
    if (largest == r.size()) return "";
    const auto most = r.begin() + static_cast<std::ptrdiff_t>(largest);
    const double w = std::fabs(*most->tests.standardized);
    const std::string where = readingLabel(observations, most->index);
    if (w > snoopingCritical)
        return " O maior |w|, " + fixed(w, 2) + " em " + where + ", passa " +
               fixed(snoopingCritical, 2) + " mas não " + fixed(outstandingCritical, 2) +
               ", e o teste global aceita: vale a pena rever essa leitura, mas nada a "
               "aponta como errada.";
    return " O maior |w| é " + fixed(w, 2) + ", em " + where + " (limite " +
           fixed(snoopingCritical, 2) + ").";
}

std::string verdictWithoutSuspicion(const ObservationSet& observations,
                                    const PlanimetricQuality& q) {
    std::string text = "Nenhuma leitura suspeita";
    if (q.globalTest == Verdict::Rejected)
        text += ", mas o teste global rejeita a precisão a priori (" +
                unitDeviationText(observations, q) +
                "): nenhuma leitura se destaca das outras; as leituras são, no conjunto, "
                "menos precisas do que a precisão a priori diz.";
    else if (q.globalTest == Verdict::Accepted)
        text += ": o teste global aceita a precisão a priori (" +
                unitDeviationText(observations, q) + ").";
    else
        text += ": não há leituras a mais para as testar.";
    return text + largestStandardizedText(observations, q);
}

// The reading under suspicion, or the readings whose tests are one, with their tests.
std::string suspicionText(const ObservationSet& observations, const PlanimetricQuality& q) {
    const Suspicion& s = q.suspicion;
    const HorizontalReadingQuality& suspicious = q.readings[s.reading];
    const auto label = [&](std::size_t k) {
        return readingLabel(observations, q.readings[k].index);
    };
    const std::string tests =
        testsText(suspicious.tests, q.studentizedCritical, observations.angleUnit);
    if (s.kind == Suspicion::Kind::Reading)
        return "Leitura suspeita: " + label(s.reading) + ", com " + tests + ".";
    std::string text = "Leitura suspeita: " + label(s.reading);
    bool oneStation = true;
    for (const std::size_t l : s.alike) {
        text += " ou " + label(l);
        oneStation = oneStation && q.readings[l].index.station == suspicious.index.station;
    }
    text += oneStation ? " (os seus testes são um só: com uma só referência a estação mede "
                         "um só ângulo)"
                       : " (os seus testes são um só: as leituras não se controlam umas às "
                         "outras)";
    return text + ", com " + tests + ".";
}

// How far the point moves, and how s0 changes, without the reading under suspicion.
std::string withoutSuspiciousReadingText(const ObservationSet& observations,
                                         const PlanimetricQuality& q) {
    const AngleUnit unit = observations.angleUnit;
    const std::string small = smallAngleSymbol(unit);
    const LeaveOneOut& without = q.readings[q.suspicion.reading].without;
    if (without.status != LeaveOneOut::Status::Computed) return "";
    std::string text = " Sem ela o ponto desloca-se " + fixed(without.shift, 3) + " m (rumo " +
                       fixed(toDirection(without.shiftBearing, unit), 1) + directionSymbol(unit) +
                       ")";
    if (without.unitDeviation && q.unitDeviation)
        text += " e s0 passa de " + fixed(toSmallAngle(*q.unitDeviation, unit), 1) + small +
                " para " + fixed(toSmallAngle(*without.unitDeviation, unit), 1) + small;
    return text + ".";
}

std::string planimetricVerdict(const ObservationSet& observations, const PlanimetricQuality& q) {
    if (q.suspicion.kind == Suspicion::Kind::None) return verdictWithoutSuspicion(observations, q);
    return suspicionText(observations, q) + withoutSuspiciousReadingText(observations, q);
}

std::string heightVerdict(const ObservationSet& observations, const HeightQuality& h) {
    const AngleUnit unit = observations.angleUnit;
    const Suspicion& s = h.suspicion;
    if (s.kind == Suspicion::Kind::None) {
        std::string text = "Cota: nenhuma leitura zenital suspeita";
        if (h.degreesOfFreedom < 1) return text + " (não há leituras a mais para as testar).";
        return text + ".";
    }
    std::string text = "Cota: leitura zenital suspeita em " + zenithLabel(observations, s.reading);
    for (const std::size_t l : s.alike) text += " ou em " + zenithLabel(observations, l);
    if (!s.alike.empty()) text += " (os seus testes não se distinguem)";
    const ZenithReadingQuality& suspect = h.readings[s.reading];
    text += ", com " + testsText(suspect.tests, h.studentizedCritical, unit) + ".";
    if (suspect.without.status == LeaveOneOut::Status::Computed)
        text += " Sem ela a cota passa de " + fixed(h.height, 3) + " m para " +
                fixed(suspect.heightWithout, 3) + " m.";
    return text;
}

std::string writtenText(const WrittenSexagesimal& w) {
    return fixed(w.degrees, 0) + " " + fixed(w.minutes, 0) + " " + fixed(w.seconds, 2);
}

const char* const overflow = ": minutos ou segundos de 60 ou mais.";

std::string horizontalWarningText(const Warning& w, const ObservationSet& observations) {
    const AngleUnit unit = observations.angleUnit;
    switch (w.kind) {
    case WarningKind::SexagesimalOverflow:
        return "Leitura de " + stationLabel(observations, w.station) + " para " +
               targetLabel(observations, {w.station, w.reference}) + " escrita como " +
               writtenText(*w.written) + overflow;
    case WarningKind::PointUndetermined:
        return "As leituras azimutais não determinam o ponto: a análise planimétrica ficou "
               "por fazer.";
    case WarningKind::WeakIntersection:
        return "Intersecção fraca: os raios de " + stationLabel(observations, w.pair.first) +
               " e de " + stationLabel(observations, w.pair.second) + " cruzam-se no ponto com " +
               fixed(toDirection(w.angle, unit), 1) + directionSymbol(unit) +
               " (abaixo de 20 gon do alinhamento); este par sozinho determina mal o ponto.";
    case WarningKind::EveryIntersectionWeak:
        return "Todas as intersecções são fracas: nenhum par de raios se afasta 20 gon do "
               "alinhamento, e o ponto fica mal determinado na direcção dos raios.";
    case WarningKind::NoRedundancy:
        return "Sem leituras a mais (graus de liberdade 0): nenhuma leitura pode ser testada.";
    default: return {};
    }
}

std::string zenithWarningText(const Warning& w, const ObservationSet& observations) {
    const ZenithObservation& z =
        observations.zenithObservations[static_cast<std::size_t>(w.record)];
    const std::string record = "Registo zenital " + std::to_string(w.record + 1) + " (" +
                               zenithLabel(observations, static_cast<std::size_t>(w.record)) + ")";
    const AngleUnit unit = observations.angleUnit;
    switch (w.kind) {
    case WarningKind::ZenithRecordUnmatched:
        return record + ": nem o nome nem as coordenadas correspondem a uma estação dos dados "
                        "planimétricos.";
    case WarningKind::ZenithRecordNameUnknown:
        return record + ": nenhuma estação com este nome; as coordenadas são as da estação " +
               stationLabel(observations, w.station) + ".";
    case WarningKind::ZenithRecordElsewhere: {
        const Station& s = observations.stations[static_cast<std::size_t>(w.station)];
        return record + ": as coordenadas (" + fixed(z.m, 3) + ", " + fixed(z.p, 3) +
               ") não são as da estação " + stationLabel(observations, w.station) + " (" +
               fixed(s.m, 3) + ", " + fixed(s.p, 3) + ").";
    }
    case WarningKind::ZenithSexagesimalOverflow:
        return record + ": leitura zenital escrita como " + writtenText(*w.written) + overflow;
    case WarningKind::ZenithLikeElevation:
        return record + ": leitura zenital de " + fixed(toDirection(w.angle, unit), 4) +
               directionSymbol(unit) +
               ", fora de 50 a 150 gon: parece um ângulo de elevação escrito como leitura "
               "zenital (a cota sai errada sem outro aviso).";
    default: return {};
    }
}

} // namespace

std::string verdictText(const ObservationSet& observations, const QualityAnalysis& analysis) {
    if (!analysis.planimetry.determined)
        return "Análise planimétrica impossível: as leituras não determinam o ponto.";
    std::string text = planimetricVerdict(observations, analysis.planimetry);
    if (analysis.height) {
        text += '\n';
        text += heightVerdict(observations, *analysis.height);
    }
    return text;
}

std::string warningText(const Warning& warning, const ObservationSet& observations) {
    return warning.record >= 0 ? zenithWarningText(warning, observations)
                               : horizontalWarningText(warning, observations);
}

} // namespace interseccao
