// Layout of the analysis text: one table per question, every line naming its reading.
#include "analysis_text/analysis_text.hpp"

#include "analysis/statistics.hpp"
#include "analysis/wording.hpp"
#include "model/angle_units.hpp"
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

class Writer {
public:
    Writer(const ObservationSet& observations, const QualityAnalysis& analysis, std::ostream& out)
        : o_(observations), a_(analysis), q_(analysis.planimetry), out_(out),
          unit_(observations.angleUnit), small_(smallAngleSymbol(observations.angleUnit)),
          direction_(directionSymbol(observations.angleUnit)) {}

    void write() {
        out_ << "ANÁLISE DA QUALIDADE — ponto " << trimmedName(o_.sightedPointName) << "\n\n";
        out_ << "VEREDICTO\n";
        std::string verdict = a_.verdict;
        for (std::size_t start = 0; start <= verdict.size();) {
            const std::size_t end = std::min(verdict.find('\n', start), verdict.size());
            out_ << "  " << verdict.substr(start, end - start) << "\n";
            start = end + 1;
        }
        out_ << "\nAVISOS\n";
        if (a_.warnings.empty()) out_ << "  Nenhum.\n";
        for (const std::string& warning : a_.warnings) out_ << "  - " << warning << "\n";
        out_ << "\nLeituras em " << unitName(unit_) << "; resíduos, enviesamentos e s0 em "
             << (unit_ == AngleUnit::Gon ? "miligrados (mgon)" : "segundos de arco (\")")
             << "; deslocamentos em metros; rumos em "
             << (unit_ == AngleUnit::Gon ? "grados (gon)" : "graus (°)")
             << ", a partir de +P no sentido do movimento dos ponteiros do relógio.\n";
        if (q_.determined) planimetry();
        if (a_.height) height(*a_.height);
    }

private:
    std::string small(double radians, int decimals = 1) const {
        return fixed(toSmallAngle(radians, unit_), decimals);
    }
    std::string smallOptional(const std::optional<double>& radians, int decimals = 1) const {
        return radians ? small(*radians, decimals) : "-";
    }
    std::string direction(double radians) const { return fixed(toDirection(radians, unit_), 1); }
    std::string stationName(std::int32_t i) const {
        return std::string(trimmedName(o_.stations[static_cast<std::size_t>(i)].name));
    }

    void planimetry() {
        planimetricSummary();
        ellipseTable();
        readingTable();
        stationTable();
        intersectionTable();
    }

    // Readings, unknowns, degrees of freedom, s0 and the global test, and the point.
    void planimetricSummary() {
        const double sigma = o_.aprioriPrecision;
        out_ << "\nPLANIMETRIA (modelo de direcções: uma orientação por estação)\n";
        out_ << "  Leituras azimutais: " << q_.readingCount
             << "; incógnitas: " << q_.readingCount - q_.degreesOfFreedom
             << " (M, P e uma orientação por estação)\n";
        out_ << "  Graus de liberdade: " << q_.degreesOfFreedom
             << " (o relatório usa a redundância " << q_.reportRedundancy << " = estações - 2)\n";
        out_ << "  Precisão a priori de uma leitura: " << small(sigma) << small_ << "\n";
        if (q_.unitDeviation) {
            out_ << "  s0 a posteriori: " << small(*q_.unitDeviation, 2) << small_
                 << "; intervalo de 95 % para a precisão de uma leitura: "
                 << smallOptional(q_.unitDeviationLower, 2) << small_ << " a "
                 << smallOptional(q_.unitDeviationUpper, 2) << small_ << "\n";
            out_ << "  Teste global (95 %): Ω/σ² = " << fixed(*q_.globalStatistic, 2)
                 << " para o quantil " << fixed(*q_.globalQuantile, 2) << ": "
                 << (q_.globalTest == Verdict::Accepted ? "aceite" : "rejeitado") << "\n";
        } else {
            out_ << "  Sem graus de liberdade: nem s0 nem testes.\n";
        }
        out_ << "  Ponto: M = " << fixed(q_.point.m, 3) << " m, P = " << fixed(q_.point.p, 3)
             << " m; correlação de M e P: " << fixed(q_.correlation, 3) << "\n";
    }

    // The point's error ellipse, with each variance factor.
    void ellipseTable() {
        out_ << "\n  Elipse de erro do ponto\n";
        std::vector<std::vector<std::string>> rows;
        rows.push_back({"", "a (m)", "b (m)", "rumo de a"});
        const auto ellipseRow = [&](const std::string& name, const std::optional<ErrorEllipse>& e) {
            if (e)
                rows.push_back(
                    {name, fixed(e->a, 4), fixed(e->b, 4), direction(e->bearing) + direction_});
        };
        ellipseRow("do relatório (redundância " + std::to_string(q_.reportRedundancy) + ")",
                   q_.reportEllipse);
        ellipseRow("rigorosa (f = " + std::to_string(q_.degreesOfFreedom) + ")",
                   q_.rigorousEllipse);
        ellipseRow("de confiança 95 % (x " + fixed(confidenceEllipseFactor, 4) + ")",
                   q_.confidenceEllipse);
        table(rows, 1);
    }

    // Every reading's tests and the point without it.
    void readingTable() {
        out_ << "\n  Leituras: w com a precisão a priori (suspeito se |w| > "
             << fixed(snoopingCritical, 2) << "); τ com s0";
        if (q_.studentizedCritical)
            out_ << " (crítico " << fixed(*q_.studentizedCritical, 2) << ")";
        out_ << "; EMD: menor erro detectável (α = 0,1 %, potência 80 %)\n";
        std::vector<std::vector<std::string>> rows;
        rows.push_back({"leitura", "resíduo", "r %", "w", "τ", "EMD", "EMD move o ponto (m)",
                        "sem ela: desloc. (m)", "rumo", "s0", ""});
        for (std::size_t k = 0; k < q_.readings.size(); ++k) {
            const HorizontalReadingQuality& r = q_.readings[k];
            const ReadingTests& t = r.tests;
            std::vector<std::string> row = {readingLabel(o_, r.index),
                                            small(t.residual, 2),
                                            fixed(100.0 * t.redundancyNumber, 1),
                                            optionalFixed(t.standardized, 2),
                                            optionalFixed(t.studentized, 2),
                                            smallOptional(t.minimalDetectableBias, 1),
                                            t.minimalDetectableBias ? fixed(r.biasShift, 3) : "-"};
            appendLeaveOneOut(row, r.without);
            row.push_back(mark(k, t));
            rows.push_back(row);
        }
        table(rows, 1);
        if (q_.readingLoweringDeviationMost)
            out_ << "  Sem "
                 << readingLabel(o_, q_.readings[*q_.readingLoweringDeviationMost].index)
                 << ", s0 desce mais: para "
                 << smallOptional(
                        q_.readings[*q_.readingLoweringDeviationMost].without.unitDeviation, 2)
                 << small_ << ".\n";
    }

    // The point and s0 without each station's readings.
    void stationTable() {
        out_ << "\n  Sem cada estação\n";
        std::vector<std::vector<std::string>> rows;
        rows.push_back({"estação", "desloc. (m)", "rumo", "s0", "f"});
        for (std::size_t i = 0; i < q_.withoutStation.size(); ++i) {
            const LeaveOneOut& w = q_.withoutStation[i];
            std::vector<std::string> row = {stationName(static_cast<std::int32_t>(i))};
            appendLeaveOneOut(row, w);
            row.push_back(w.outcome == LeaveOneOut::Outcome::Computed
                              ? std::to_string(w.degreesOfFreedom)
                              : "-");
            rows.push_back(row);
        }
        table(rows, 1);
        if (q_.stationLoweringDeviationMost)
            out_ << "  Sem a estação "
                 << stationName(static_cast<std::int32_t>(*q_.stationLoweringDeviationMost))
                 << ", s0 desce mais: para "
                 << smallOptional(q_.withoutStation[*q_.stationLoweringDeviationMost].unitDeviation,
                                  2)
                 << small_ << ".\n";
    }

    // The angle of every pair of rays at the point.
    void intersectionTable() {
        out_ << "\n  Ângulos de intersecção no ponto (fraco abaixo de 20 gon do alinhamento)\n";
        std::vector<std::vector<std::string>> rows;
        rows.push_back({"raios", "ângulo", ""});
        for (const RayIntersection& pair : q_.intersections)
            rows.push_back({stationName(pair.first) + " / " + stationName(pair.second),
                            direction(pair.angle) + direction_,
                            pair.strength < weakIntersectionBound ? "fraco" : ""});
        if (q_.intersections.empty() && q_.weakest)
            rows.push_back(
                {stationName(q_.weakest->first) + " / " + stationName(q_.weakest->second),
                 direction(q_.weakest->angle) + direction_, "o mais fraco"});
        table(rows, 1);
        if (q_.weakest)
            out_ << "  O mais fraco: " << stationName(q_.weakest->first) << " / "
                 << stationName(q_.weakest->second) << ", " << direction(q_.weakest->angle)
                 << direction_ << ".\n";
    }

    void height(const HeightQuality& h) {
        out_ << "\nALTIMETRIA (leituras zenitais)\n";
        out_ << "  Cota: " << fixed(h.height, 3)
             << " m; graus de liberdade: " << h.degreesOfFreedom;
        if (h.unitDeviation) out_ << "; s0 a posteriori: " << small(*h.unitDeviation, 2) << small_;
        if (h.studentizedCritical) out_ << "; τ crítico: " << fixed(*h.studentizedCritical, 2);
        out_ << "\n";
        std::vector<std::vector<std::string>> rows;
        rows.push_back({"estação", "resíduo", "r %", "w", "τ", "cota sem ela (m)", ""});
        for (std::size_t i = 0; i < h.readings.size(); ++i) {
            const ZenithReadingQuality& r = h.readings[i];
            const ReadingTests& t = r.tests;
            rows.push_back(
                {zenithLabel(o_, i), small(t.residual, 2), fixed(100.0 * t.redundancyNumber, 1),
                 optionalFixed(t.standardized, 2), optionalFixed(t.studentized, 2),
                 r.without.outcome == LeaveOneOut::Outcome::Computed ? fixed(r.heightWithout, 3)
                                                                     : "indeterminada",
                 t.suspected                                                       ? "<< SUSPEITA"
                 : t.standardized && std::fabs(*t.standardized) > snoopingCritical ? "<< |w| alto"
                                                                                   : ""});
        }
        table(rows, 1);
    }

    // The shift, its bearing and s0 without a reading or a station.
    void appendLeaveOneOut(std::vector<std::string>& row, const LeaveOneOut& w) const {
        switch (w.outcome) {
        case LeaveOneOut::Outcome::Computed:
            row.push_back(fixed(w.shift, 3));
            row.push_back(direction(w.shiftBearing) + direction_);
            row.push_back(w.unitDeviation ? small(*w.unitDeviation, 2) : "sem redundância");
            return;
        case LeaveOneOut::Outcome::Indeterminate:
            row.insert(row.end(), {"ponto indeterminado", "", ""});
            return;
        case LeaveOneOut::Outcome::NotConverged:
            row.insert(row.end(), {"não converge", "", ""});
            return;
        }
    }

    std::string mark(std::size_t k, const ReadingTests& t) const {
        if (t.suspected) return "<< SUSPEITA";
        const Suspicion& s = q_.suspicion;
        if (s.kind == Suspicion::Kind::OneOf &&
            (k == s.reading || std::find(s.alike.begin(), s.alike.end(), k) != s.alike.end()))
            return "<< SUSPEITA (uma das duas)";
        if (t.standardized && std::fabs(*t.standardized) > snoopingCritical) return "<< |w| alto";
        return "";
    }

    // Columns: the first left-aligned, the others right-aligned, two blanks apart; the
    // first row is the heading.
    void table(const std::vector<std::vector<std::string>>& rows, std::size_t indent) {
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
            out_ << line << "\n";
        }
    }

    const ObservationSet& o_;
    const QualityAnalysis& a_;
    const PlanimetricQuality& q_;
    std::ostream& out_;
    AngleUnit unit_;
    std::string small_;
    std::string direction_;
};

} // namespace

void writeAnalysis(const ObservationSet& observations, const QualityAnalysis& analysis,
                   std::ostream& out) {
    Writer(observations, analysis, out).write();
}

} // namespace interseccao
