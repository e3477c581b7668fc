// Layout of the analysis text: one table per question, every line naming its reading.
#include "analysis_text/analysis_text.hpp"

#include "analysis/statistics.hpp"
#include "model/angle_units.hpp"
#include "results/analysis_wording.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace interseccao {

namespace {

// Characters, not bytes: names and headings may hold accented letters.
std::size_t displayWidth(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string left(std::string_view text, std::size_t width) {
    std::string s(text);
    const std::size_t w = displayWidth(text);
    if (w < width) s.append(width - w, ' ');
    return s;
}

std::string right(std::string_view text, std::size_t width) {
    const std::size_t w = displayWidth(text);
    return (w < width ? std::string(width - w, ' ') : std::string()) + std::string(text);
}

std::string optionalFixed(const std::optional<double>& value, int decimals) {
    return value ? fixed(*value, decimals) : "-";
}

std::string unitName(AngleUnit unit) {
    switch (unit) {
    case AngleUnit::DecimalDegrees: return "graus decimais (gc)";
    case AngleUnit::Sexagesimal: return "graus, minutos e segundos (gs)";
    case AngleUnit::Gon: return "grados (gr)";
    }
    return {};
}

using Rows = std::vector<std::vector<std::string>>;

// Columns: the first left-aligned, the others right-aligned, two blanks apart; the first row
// is the heading.
void writeTable(std::ostream& out, const Rows& rows, std::size_t indent) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], displayWidth(row[c]));
        }
    for (const auto& row : rows) {
        std::string line(indent * 2, ' ');
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) line += "  ";
            line += c == 0 ? left(row[c], widths[c]) : right(row[c], widths[c]);
            // The last column is a mark: left-aligned, no trailing blanks.
            if (c + 1 == row.size() && c > 0 && row[c].empty())
                line.erase(line.find_last_not_of(' ') + 1);
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << "\n";
    }
}

// What every section needs: the run's data, its analysis, the stream and the units.
struct Sheet {
    const ObservationSet& o;
    const QualityAnalysis& a;
    const PlanimetricQuality& q;
    std::ostream& out;
    AngleUnit unit;
    std::string smallSymbol;
    std::string directionSymbol;

    std::string small(double radians, int decimals = 1) const {
        return fixed(toSmallAngle(radians, unit), decimals);
    }
    std::string smallOptional(const std::optional<double>& radians, int decimals = 1) const {
        return radians ? small(*radians, decimals) : "-";
    }
    std::string direction(double radians) const { return fixed(toDirection(radians, unit), 1); }
    std::string station(std::int32_t i) const { return stationLabel(o, i); }
    std::string pair(const RayIntersection& pair) const {
        return station(pair.first) + " / " + station(pair.second);
    }
};

// The verdict, the warnings and the units of what follows.
void writeOpening(const Sheet& s) {
    s.out << "ANÁLISE DA QUALIDADE — ponto " << toUtf8(trimmedName(s.o.sightedPointName)) << "\n\n";
    s.out << "VEREDICTO\n";
    const std::string verdict = verdictText(s.o, s.a);
    for (std::size_t start = 0; start <= verdict.size();) {
        const std::size_t end = std::min(verdict.find('\n', start), verdict.size());
        s.out << "  " << verdict.substr(start, end - start) << "\n";
        start = end + 1;
    }
    s.out << "\nAVISOS\n";
    if (s.a.warnings.empty()) s.out << "  Nenhum.\n";
    for (const Warning& warning : s.a.warnings)
        s.out << "  - " << warningText(warning, s.o) << "\n";
    s.out << "\nLeituras em " << unitName(s.unit) << "; resíduos, enviesamentos e s0 em "
          << smallAngleName(s.unit) << "; deslocamentos em metros; rumos em "
          << directionName(s.unit)
          << ", a partir de +P no sentido do movimento dos ponteiros do relógio.\n";
}

// Readings, unknowns, degrees of freedom, s0 and the global test, and the point.
void writePlanimetricSummary(const Sheet& s) {
    const PlanimetricQuality& q = s.q;
    s.out << "\nPLANIMETRIA (modelo de direcções: uma orientação por estação)\n";
    s.out << "  Leituras azimutais: " << q.readingCount
          << "; incógnitas: " << q.readingCount - q.degreesOfFreedom
          << " (M, P e uma orientação por estação)\n";
    s.out << "  Graus de liberdade: " << q.degreesOfFreedom << " (o relatório usa a redundância "
          << q.reportRedundancy << " = estações - 2)\n";
    s.out << "  Precisão a priori de uma leitura: " << s.small(s.o.aprioriPrecision)
          << s.smallSymbol << "\n";
    if (q.unitDeviation) {
        s.out << "  s0 a posteriori: " << s.small(*q.unitDeviation, 2) << s.smallSymbol
              << "; intervalo de 95 % para a precisão de uma leitura: "
              << s.smallOptional(q.unitDeviationLower, 2) << s.smallSymbol << " a "
              << s.smallOptional(q.unitDeviationUpper, 2) << s.smallSymbol << "\n";
        s.out << "  Teste global (95 %): Ω/σ² = " << fixed(*q.globalStatistic, 2)
              << " para o quantil " << fixed(*q.globalQuantile, 2) << ": "
              << (q.globalTest == Verdict::Accepted ? "aceite" : "rejeitado") << "\n";
    } else {
        s.out << "  Sem graus de liberdade: nem s0 nem testes.\n";
    }
    s.out << "  Ponto: M = " << fixed(q.point.m, 3) << " m, P = " << fixed(q.point.p, 3)
          << " m; correlação de M e P: " << fixed(q.correlation, 3) << "\n";
}

// The point's error ellipse, with each variance factor.
void writeEllipses(const Sheet& s) {
    s.out << "\n  Elipse de erro do ponto\n";
    Rows rows{{"", "a (m)", "b (m)", "rumo de a"}};
    const auto row = [&](const std::string& name, const std::optional<ErrorEllipse>& e) {
        if (e)
            rows.push_back({name, fixed(e->a, 4), fixed(e->b, 4),
                            s.direction(e->bearing) + s.directionSymbol});
    };
    row("do relatório (redundância " + std::to_string(s.q.reportRedundancy) + ")",
        s.q.reportEllipse);
    row("rigorosa (f = " + std::to_string(s.q.degreesOfFreedom) + ")", s.q.rigorousEllipse);
    row("de confiança 95 % (x " + fixed(confidenceEllipseFactor(), 4) + ")", s.q.confidenceEllipse);
    writeTable(s.out, rows, 1);
}

// The shift, its bearing and s0 without a reading or a station.
void appendLeaveOneOut(const Sheet& s, std::vector<std::string>& row, const LeaveOneOut& w) {
    switch (w.status) {
    case LeaveOneOut::Status::Computed:
        row.push_back(fixed(w.shift, 3));
        row.push_back(s.direction(w.shiftBearing) + s.directionSymbol);
        row.push_back(w.unitDeviation ? s.small(*w.unitDeviation, 2) : "sem redundância");
        return;
    case LeaveOneOut::Status::Indeterminate:
        row.insert(row.end(), {"ponto indeterminado", "", ""});
        return;
    case LeaveOneOut::Status::NotConverged: row.insert(row.end(), {"não converge", "", ""}); return;
    }
}

// The mark of a reading under suspicion or with a high |w|.
std::string mark(const Sheet& s, std::size_t k, const ReadingTests& t) {
    if (t.suspected) return "<< SUSPEITA";
    const Suspicion& suspicion = s.q.suspicion;
    if (suspicion.kind == Suspicion::Kind::OneOf &&
        (k == suspicion.reading ||
         std::find(suspicion.alike.begin(), suspicion.alike.end(), k) != suspicion.alike.end()))
        return "<< SUSPEITA (uma das duas)";
    if (t.standardized && std::fabs(*t.standardized) > snoopingCritical) return "<< |w| alto";
    return "";
}

// Every reading's tests and the point without it.
void writeReadings(const Sheet& s) {
    s.out << "\n  Leituras: w com a precisão a priori (suspeito se |w| > "
          << fixed(snoopingCritical, 2) << "); τ com s0";
    if (s.q.studentizedCritical) s.out << " (crítico " << fixed(*s.q.studentizedCritical, 2) << ")";
    s.out << "; EMD: menor erro detectável (α = 0,1 %, potência 80 %)\n";
    Rows rows{{"leitura", "resíduo", "r %", "w", "τ", "EMD", "EMD move o ponto (m)",
               "sem ela: desloc. (m)", "rumo", "s0", ""}};
    for (std::size_t k = 0; k < s.q.readings.size(); ++k) {
        const HorizontalReadingQuality& r = s.q.readings[k];
        const ReadingTests& t = r.tests;
        std::vector<std::string> row = {readingLabel(s.o, r.index),
                                        s.small(t.residual, 2),
                                        fixed(100.0 * t.redundancyNumber, 1),
                                        optionalFixed(t.standardized, 2),
                                        optionalFixed(t.studentized, 2),
                                        s.smallOptional(t.minimalDetectableBias, 1),
                                        t.minimalDetectableBias ? fixed(r.biasShift, 3) : "-"};
        appendLeaveOneOut(s, row, r.without);
        row.push_back(mark(s, k, t));
        rows.push_back(row);
    }
    writeTable(s.out, rows, 1);
    if (const auto most = s.q.readingLoweringDeviationMost)
        s.out << "  Sem " << readingLabel(s.o, s.q.readings[*most].index)
              << ", s0 desce mais: para "
              << s.smallOptional(s.q.readings[*most].without.unitDeviation, 2) << s.smallSymbol
              << ".\n";
}

// The point and s0 without each station's readings.
void writeStations(const Sheet& s) {
    s.out << "\n  Sem cada estação\n";
    Rows rows{{"estação", "desloc. (m)", "rumo", "s0", "f"}};
    for (std::size_t i = 0; i < s.q.withoutStation.size(); ++i) {
        const LeaveOneOut& w = s.q.withoutStation[i];
        std::vector<std::string> row = {s.station(static_cast<std::int32_t>(i))};
        appendLeaveOneOut(s, row, w);
        row.push_back(w.status == LeaveOneOut::Status::Computed ? std::to_string(w.degreesOfFreedom)
                                                                : "-");
        rows.push_back(row);
    }
    writeTable(s.out, rows, 1);
    if (const auto most = s.q.stationLoweringDeviationMost)
        s.out << "  Sem a estação " << s.station(static_cast<std::int32_t>(*most))
              << ", s0 desce mais: para "
              << s.smallOptional(s.q.withoutStation[*most].unitDeviation, 2) << s.smallSymbol
              << ".\n";
}

// The angle of every pair of rays at the point, or of the weakest pairs of many.
void writeIntersections(const Sheet& s) {
    const bool every = s.o.stations.size() <= maxStationsWithEveryPair;
    s.out << "\n  Ângulos de intersecção no ponto (fraco abaixo de 20 gon do alinhamento)";
    if (!every) s.out << ": os " << s.q.intersections.size() << " pares mais fracos";
    s.out << "\n";
    Rows rows{{"raios", "ângulo", ""}};
    for (const RayIntersection& pair : s.q.intersections)
        rows.push_back({s.pair(pair), s.direction(pair.angle) + s.directionSymbol,
                        pair.strength < weakIntersectionBound() ? "fraco" : ""});
    writeTable(s.out, rows, 1);
    if (s.q.weakest)
        s.out << "  O mais fraco: " << s.pair(*s.q.weakest) << ", "
              << s.direction(s.q.weakest->angle) << s.directionSymbol << ".\n";
}

void writeHeight(const Sheet& s, const HeightQuality& h) {
    s.out << "\nALTIMETRIA (leituras zenitais)\n";
    s.out << "  Cota: " << fixed(h.height, 3) << " m; graus de liberdade: " << h.degreesOfFreedom;
    if (h.unitDeviation)
        s.out << "; s0 a posteriori: " << s.small(*h.unitDeviation, 2) << s.smallSymbol;
    if (h.studentizedCritical) s.out << "; τ crítico: " << fixed(*h.studentizedCritical, 2);
    s.out << "\n";
    Rows rows{{"estação", "resíduo", "r %", "w", "τ", "cota sem ela (m)", ""}};
    for (std::size_t i = 0; i < h.readings.size(); ++i) {
        const ZenithReadingQuality& r = h.readings[i];
        const ReadingTests& t = r.tests;
        const bool high = t.standardized && std::fabs(*t.standardized) > snoopingCritical;
        rows.push_back(
            {zenithLabel(s.o, i), s.small(t.residual, 2), fixed(100.0 * t.redundancyNumber, 1),
             optionalFixed(t.standardized, 2), optionalFixed(t.studentized, 2),
             r.without.status == LeaveOneOut::Status::Computed ? fixed(r.heightWithout, 3)
                                                               : "indeterminada",
             t.suspected ? "<< SUSPEITA"
             : high      ? "<< |w| alto"
                         : ""});
    }
    writeTable(s.out, rows, 1);
}

} // namespace

void writeAnalysis(const ObservationSet& observations, const QualityAnalysis& analysis,
                   std::ostream& out) {
    const AngleUnit unit = observations.angleUnit;
    const Sheet sheet{
        observations,         analysis, analysis.planimetry, out, unit, smallAngleSymbol(unit),
        directionSymbol(unit)};
    writeOpening(sheet);
    if (sheet.q.determined) {
        writePlanimetricSummary(sheet);
        writeEllipses(sheet);
        writeReadings(sheet);
        writeStations(sheet);
        writeIntersections(sheet);
    }
    if (analysis.height) writeHeight(sheet, *analysis.height);
}

} // namespace interseccao
