// Layout of the analysis text: one table per question, every line naming its reading.
#include "analysis_text/analysis_text.hpp"

#include "analysis/statistics.hpp"
#include "model/angle_units.hpp"
#include "results/analysis_wording.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace interseccao {

namespace {

// Characters, not bytes: names and headings may hold accented letters.
std::size_t displayWidth(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string unitName(AngleUnit unit) {
    switch (unit) {
    case AngleUnit::DecimalDegrees: return "graus decimais (gc)";
    case AngleUnit::Sexagesimal: return "graus, minutos e segundos (gs)";
    case AngleUnit::Gon: return "grados (gr)";
    }
    return {};
}

// Columns: the first left-aligned, the others right-aligned, two blanks apart; the first row
// is the heading. Cells go into one text as they come, each column's width kept as it grows.
class Table {
public:
    Table(std::initializer_list<std::string_view> heading) : widths_(heading.size(), 0) {
        for (std::string_view h : heading) cell(h);
    }

    Table& cell(std::string_view text) {
        text_ += text;
        return close();
    }
    Table& fixedCell(double value, int decimals, std::string_view suffix = {}) {
        appendFixed(text_, value, decimals);
        // A number's text is ASCII: a character a byte.
        const std::size_t width = text_.size() - start(ends_.size()) + displayWidth(suffix);
        text_ += suffix;
        return close(width);
    }
    Table& fixedCell(const std::optional<double>& value, int decimals) {
        return value ? fixedCell(*value, decimals) : cell("-");
    }

    // The whole table as one text: every line laid into blanks, which the padding skips over.
    void write(std::ostream& out, std::size_t indent) const {
        const std::size_t rows = ends_.size() / widths_.size();
        std::size_t line = indent * 2 + 2 * (widths_.size() - 1) + 1;
        for (const std::size_t w : widths_) line += w;
        // Each cell's bytes beyond its characters come on top of the widths.
        std::size_t extra = text_.size();
        for (const std::size_t w : cellWidths_) extra -= w;
        std::string text(rows * line + extra, ' ');
        char* o = text.data();
        for (std::size_t first = 0; first < ends_.size(); first += widths_.size()) {
            char* const lineStart = o;
            o += indent * 2;
            for (std::size_t c = 0; c < widths_.size(); ++c) {
                const std::size_t k = first + c;
                const std::size_t pad = widths_[c] - cellWidths_[k];
                if (c > 0) o += 2 + pad;
                o = std::copy(text_.data() + start(k), text_.data() + ends_[k], o);
                if (c == 0) o += pad;
            }
            // The last column is a mark: left-aligned, no trailing blanks.
            while (o > lineStart && o[-1] == ' ') --o;
            *o++ = '\n';
        }
        out.write(text.data(), o - text.data());
    }

private:
    std::size_t start(std::size_t k) const { return k == 0 ? 0 : ends_[k - 1]; }

    Table& close() {
        const std::size_t k = ends_.size();
        return close(
            displayWidth(std::string_view(text_.data() + start(k), text_.size() - start(k))));
    }
    Table& close(std::size_t width) {
        const std::size_t k = ends_.size();
        std::size_t& column = widths_[k % widths_.size()];
        column = std::max(column, width);
        ends_.push_back(text_.size());
        cellWidths_.push_back(width);
        return *this;
    }

    std::string text_;
    std::vector<std::size_t> ends_, cellWidths_, widths_;
};

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
    // The same as cells: a small angle, and a direction with its symbol.
    Table& smallCell(Table& table, double radians, int decimals) const {
        return table.fixedCell(toSmallAngle(radians, unit), decimals);
    }
    Table& smallCell(Table& table, const std::optional<double>& radians, int decimals) const {
        return radians ? smallCell(table, *radians, decimals) : table.cell("-");
    }
    Table& directionCell(Table& table, double radians) const {
        return table.fixedCell(toDirection(radians, unit), 1, directionSymbol);
    }
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
    Table table{"", "a (m)", "b (m)", "rumo de a"};
    const auto row = [&](const std::string& name, const std::optional<ErrorEllipse>& e) {
        if (e) s.directionCell(table.cell(name).fixedCell(e->a, 4).fixedCell(e->b, 4), e->bearing);
    };
    row("do relatório (redundância " + std::to_string(s.q.reportRedundancy) + ")",
        s.q.reportEllipse);
    row("rigorosa (f = " + std::to_string(s.q.degreesOfFreedom) + ")", s.q.rigorousEllipse);
    row("de confiança 95 % (x " + fixed(confidenceEllipseFactor(), 4) + ")", s.q.confidenceEllipse);
    table.write(s.out, 1);
}

// The shift, its bearing and s0 without a reading or a station.
void appendLeaveOneOut(const Sheet& s, Table& table, const LeaveOneOut& w) {
    switch (w.status) {
    case LeaveOneOut::Status::Computed:
        s.directionCell(table.fixedCell(w.shift, 3), w.shiftBearing);
        if (w.unitDeviation)
            s.smallCell(table, *w.unitDeviation, 2);
        else
            table.cell("sem redundância");
        return;
    case LeaveOneOut::Status::Indeterminate:
        table.cell("ponto indeterminado").cell("").cell("");
        return;
    case LeaveOneOut::Status::NotConverged: table.cell("não converge").cell("").cell(""); return;
    }
}

// The mark of a reading under suspicion or with a high |w|.
std::string_view mark(const Sheet& s, std::size_t k, const ReadingTests& t) {
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
    Table table{"leitura",
                "resíduo",
                "r %",
                "w",
                "τ",
                "EMD",
                "EMD move o ponto (m)",
                "sem ela: desloc. (m)",
                "rumo",
                "s0",
                ""};
    for (std::size_t k = 0; k < s.q.readings.size(); ++k) {
        const HorizontalReadingQuality& r = s.q.readings[k];
        const ReadingTests& t = r.tests;
        table.cell(readingLabel(s.o, r.index));
        s.smallCell(table, t.residual, 2)
            .fixedCell(100.0 * t.redundancyNumber, 1)
            .fixedCell(t.standardized, 2)
            .fixedCell(t.studentized, 2);
        s.smallCell(table, t.minimalDetectableBias, 1);
        if (t.minimalDetectableBias)
            table.fixedCell(r.biasShift, 3);
        else
            table.cell("-");
        appendLeaveOneOut(s, table, r.without);
        table.cell(mark(s, k, t));
    }
    table.write(s.out, 1);
    if (const auto most = s.q.readingLoweringDeviationMost)
        s.out << "  Sem " << readingLabel(s.o, s.q.readings[*most].index)
              << ", s0 desce mais: para "
              << s.smallOptional(s.q.readings[*most].without.unitDeviation, 2) << s.smallSymbol
              << ".\n";
}

// The point and s0 without each station's readings.
void writeStations(const Sheet& s) {
    s.out << "\n  Sem cada estação\n";
    Table table{"estação", "desloc. (m)", "rumo", "s0", "f"};
    for (std::size_t i = 0; i < s.q.withoutStation.size(); ++i) {
        const LeaveOneOut& w = s.q.withoutStation[i];
        table.cell(s.station(static_cast<std::int32_t>(i)));
        appendLeaveOneOut(s, table, w);
        table.cell(w.status == LeaveOneOut::Status::Computed ? std::to_string(w.degreesOfFreedom)
                                                             : "-");
    }
    table.write(s.out, 1);
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
    Table table{"raios", "ângulo", ""};
    for (const RayIntersection& pair : s.q.intersections)
        s.directionCell(table.cell(s.pair(pair)), pair.angle)
            .cell(pair.strength < weakIntersectionBound() ? "fraco" : "");
    table.write(s.out, 1);
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
    Table table{"estação", "resíduo", "r %", "w", "τ", "cota sem ela (m)", ""};
    for (std::size_t i = 0; i < h.readings.size(); ++i) {
        const ZenithReadingQuality& r = h.readings[i];
        const ReadingTests& t = r.tests;
        const bool high = t.standardized && std::fabs(*t.standardized) > snoopingCritical;
        table.cell(zenithLabel(s.o, i));
        s.smallCell(table, t.residual, 2)
            .fixedCell(100.0 * t.redundancyNumber, 1)
            .fixedCell(t.standardized, 2)
            .fixedCell(t.studentized, 2);
        if (r.without.status == LeaveOneOut::Status::Computed)
            table.fixedCell(r.heightWithout, 3);
        else
            table.cell("indeterminada");
        table.cell(t.suspected ? "<< SUSPEITA" : high ? "<< |w| alto" : "");
    }
    table.write(s.out, 1);
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
