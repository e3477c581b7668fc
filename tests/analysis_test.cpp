// The quality analysis: the independent reference figures, the record checks, leave-one-out
// against a recomputation from the file without the reading, and blunders found.
#include "support.hpp"

#include "adjustment/chi_square.hpp"
#include "analysis/quality.hpp"
#include "analysis/statistics.hpp"
#include "analysis_text/analysis_text.hpp"
#include "angles/orientation.hpp"
#include "input/observation_file.hpp"
#include "input/reader.hpp"
#include "model/angle_units.hpp"
#include "network_generator.hpp"
#include "results/analysis_wording.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace interseccao::testing {
namespace {

constexpr double arcSecond = 3.14159265358979323846 / 180.0 / 3600.0; // radians

struct AnalysedRun {
    ObservationSet observations;
    PlanimetricSolution planimetry;
    std::optional<HeightSolution> height;
    QualityAnalysis analysis;
};

// Reads the file as a run does, adjusts it with the program's own routines and analyses it.
AnalysedRun analyse(const std::string& text, bool withHeight = false) {
    AnalysedRun run;
    RecordReader reader(text, "obs.txt");
    run.observations = readPlanimetricData(reader);
    readZenithObservations(reader, run.observations);
    run.planimetry = solvePlanimetry(run.observations, orientStations(run.observations));
    if (withHeight)
        run.height =
            solveHeight(run.observations, {run.planimetry.point, run.planimetry.linearisation});
    run.analysis =
        analyseQuality(run.observations, run.planimetry, run.height ? &*run.height : nullptr);
    return run;
}

std::string referenceFile(const std::string& name) {
    return readFile(sourceDir() + "/tests/cases/" + name + "/obs.txt");
}

// The figures of ../shared/reference/README.md, from an independent adjustment engine.
struct ReferenceFigures {
    std::string file;
    double m, p; // metres
    std::int32_t degreesOfFreedom;
    double unitDeviation;            // seconds of arc
    double a, b;                     // millimetres
    double bearing;                  // degrees
    double confidenceA, confidenceB; // millimetres, the engine's own 95 % factor
};

TEST(QualityAnalysis, ReproducesTheReferenceFigures) {
    const std::vector<ReferenceFigures> cases = {
        {"reference-three-stations", 15234.566139, 48765.434159, 1, 1.759, 12.2, 8.8, 18.7, 244.0,
         176.4},
        {"reference-four-stations", 42817.253081, 103455.838280, 6, 2.906, 16.0, 13.4, 93.5, 51.2,
         43.0},
    };
    for (const ReferenceFigures& c : cases) {
        SCOPED_TRACE(c.file);
        const AnalysedRun run = analyse(referenceFile(c.file));
        const PlanimetricQuality& q = run.analysis.planimetry;
        ASSERT_TRUE(q.determined);
        EXPECT_NEAR(q.point.m, c.m, 1e-5);
        EXPECT_NEAR(q.point.p, c.p, 1e-5);
        // The direction model gives the program's own point.
        EXPECT_NEAR(q.point.m, run.planimetry.point.m, 1e-6);
        EXPECT_NEAR(q.point.p, run.planimetry.point.p, 1e-6);
        EXPECT_EQ(q.degreesOfFreedom, c.degreesOfFreedom);
        EXPECT_EQ(q.reportRedundancy, run.observations.stationCount - 2);
        // The engine prints 2.906" where this gives 2.9048": the last digit is not matched.
        EXPECT_NEAR(*q.unitDeviation / arcSecond, c.unitDeviation, 0.002);
        EXPECT_NEAR(q.rigorousEllipse->a * 1000, c.a, 0.05 + 1e-9);
        EXPECT_NEAR(q.rigorousEllipse->b * 1000, c.b, 0.05 + 1e-9);
        EXPECT_NEAR(radiansToDegrees(q.rigorousEllipse->bearing), c.bearing, 0.05 + 1e-9);
        // The engine's 95 % ellipse takes √(2 · F(2, f; 95 %)), F = f/2 · (0.05^(−2/f) − 1).
        const double f = c.degreesOfFreedom;
        const double factor = std::sqrt(f * (std::pow(0.05, -2.0 / f) - 1.0));
        EXPECT_NEAR(q.rigorousEllipse->a * factor * 1000, c.confidenceA, 0.5);
        EXPECT_NEAR(q.rigorousEllipse->b * factor * 1000, c.confidenceB, 0.5);
        EXPECT_NEAR(q.confidenceEllipse->a, q.rigorousEllipse->a * confidenceEllipseFactor(),
                    1e-12);
        // The report's ellipse has the report's variance factor: its axes' squares add up to
        // the squares of the report's standard deviations of M and P.
        const double reportSum =
            q.reportEllipse->a * q.reportEllipse->a + q.reportEllipse->b * q.reportEllipse->b;
        const double programSum = run.planimetry.deviationM * run.planimetry.deviationM +
                                  run.planimetry.deviationP * run.planimetry.deviationP;
        EXPECT_NEAR(reportSum / programSum, 1.0, 1e-6);
        // Redundancy numbers add up to the degrees of freedom.
        double sum = 0;
        for (const HorizontalReadingQuality& r : q.readings) sum += r.tests.redundancyNumber;
        EXPECT_NEAR(sum, f, 1e-9);
    }
}

TEST(QualityAnalysis, ReproducesTheReferenceResiduals) {
    // The engine's residuals are adjusted − observed; this program's are observed − adjusted.
    struct Residual {
        const char* station;
        const char* target;
        double engine; // seconds of arc
    };
    const std::vector<Residual> residuals = {
        {"S1", "V", -1.564},  {"S1", "T1", 1.332}, {"S1", "T2", 0.232}, {"S2", "V", -2.138},
        {"S2", "T2", 0.969},  {"S2", "T3", 1.169}, {"S3", "V", -1.115}, {"S3", "T3", 4.307},
        {"S3", "T4", -3.192}, {"S4", "V", -1.572}, {"S4", "T4", 2.486}, {"S4", "T1", -0.914},
    };
    const AnalysedRun run = analyse(referenceFile("reference-four-stations"));
    const PlanimetricQuality& q = run.analysis.planimetry;
    ASSERT_EQ(q.readings.size(), residuals.size());
    for (std::size_t k = 0; k < residuals.size(); ++k) {
        const std::string label = readingLabel(run.observations, q.readings[k].index);
        EXPECT_EQ(label, std::string(residuals[k].station) + " -> " + residuals[k].target);
        EXPECT_NEAR(q.readings[k].tests.residual / arcSecond, -residuals[k].engine, 0.005) << label;
    }
    // The engine's largest studentized residual.
    std::size_t largest = 0;
    for (std::size_t k = 0; k < q.readings.size(); ++k)
        if (std::fabs(*q.readings[k].tests.studentized) >
            std::fabs(*q.readings[largest].tests.studentized))
            largest = k;
    EXPECT_EQ(readingLabel(run.observations, q.readings[largest].index), "S3 -> T3");
    EXPECT_EQ(q.suspicion.kind, Suspicion::Kind::None);
}

TEST(QualityAnalysis, DistributionValues) {
    EXPECT_NEAR(chiSquareQuantile(0.95, 1), 3.841, 5e-4);
    EXPECT_NEAR(chiSquareQuantile(0.95, 2), 5.991, 5e-4);
    EXPECT_NEAR(chiSquareQuantile(0.95, 6), 12.592, 5e-4);
    EXPECT_NEAR(chiSquareQuantile(0.025, 10), 3.247, 5e-4);
    EXPECT_NEAR(chiSquareQuantile(0.975, 10), 20.483, 5e-4);
    EXPECT_EQ(confidenceEllipseFactor(), 2.4477);
    EXPECT_NEAR(confidenceEllipseFactor(), std::sqrt(chiSquareQuantile(0.95, 2)), 1e-4);
    // τ from Student's t for f − 1 degrees of freedom: τ = √f · t / √(f − 1 + t²).
    const struct {
        std::int32_t f;
        double t; // two-sided 0.1 % quantile for f − 1
    } tau[] = {{6, 6.869}, {11, 4.587}, {31, 3.646}};
    for (const auto& c : tau)
        EXPECT_NEAR(*studentizedCritical(0.001, c.f),
                    std::sqrt(c.f) * c.t / std::sqrt(c.f - 1 + c.t * c.t), 2e-3)
            << c.f;
    EXPECT_FALSE(studentizedCritical(0.001, 1));
    EXPECT_NEAR(*studentizedCritical(0.001, 100000), snoopingCritical, 2e-3);
}

// Replaces the first occurrence of `from` in `text`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) throw std::logic_error("not in the text: " + from);
    return text.replace(at, from.size(), to);
}

TEST(QualityAnalysis, LeavingOneOutIsTheFileWithoutIt) {
    const std::string text = referenceFile("reference-four-stations");
    const AnalysedRun full = analyse(text);
    const PlanimetricQuality& q = full.analysis.planimetry;
    struct Removal {
        std::size_t reading; // in the analysis's order
        std::string edited;  // the file without it
    };
    // Without S3's reading to T3; without S1's reading to T2; without S2's reading to the
    // point, which leaves S2 nothing to intersect with: the file without S2.
    const std::vector<Removal> removals = {
        {7, replaced(replaced(text, "S3   43602.905 104390.067 2", "S3   43602.905 104390.067 1"),
                     "T3   45411.207 104120.884 2.4153214\n", "")},
        {2, replaced(replaced(text, "S1   41905.640 102611.275 2", "S1   41905.640 102611.275 1"),
                     "T2   43126.733 101154.560 127.6783739\n", "")},
        {3, replaced(replaced(text, "V 4", "V 3"),
                     "S2   43950.118 102870.493 2 45.6253547\nT2   43126.733 101154.560 "
                     "313.9332058\nT3   45411.207 104120.884 157.7425692\n",
                     "")},
    };
    for (const Removal& removal : removals) {
        const AnalysedRun without = analyse(removal.edited);
        const LeaveOneOut& out = q.readings[removal.reading].without;
        SCOPED_TRACE(readingLabel(full.observations, q.readings[removal.reading].index));
        ASSERT_EQ(out.status, LeaveOneOut::Status::Computed);
        EXPECT_NEAR(out.point.m, without.planimetry.point.m, 1e-5);
        EXPECT_NEAR(out.point.p, without.planimetry.point.p, 1e-5);
        EXPECT_NEAR(out.shift,
                    std::hypot(without.planimetry.point.m - q.point.m,
                               without.planimetry.point.p - q.point.p),
                    1e-5);
        // A station without its reading to the point still orients its circle: the file
        // without the station has the degrees of freedom of its references fewer.
        if (q.readings[removal.reading].index.reference != sightedPointTarget) {
            EXPECT_EQ(out.degreesOfFreedom, without.analysis.planimetry.degreesOfFreedom);
            EXPECT_NEAR(*out.unitDeviation, *without.analysis.planimetry.unitDeviation, 1e-12);
        }
    }
    // Without the station S2 is the file without S2.
    const AnalysedRun withoutS2 = analyse(removals[2].edited);
    EXPECT_NEAR(q.withoutStation[1].point.m, withoutS2.planimetry.point.m, 1e-5);
    EXPECT_NEAR(*q.withoutStation[1].unitDeviation, *withoutS2.analysis.planimetry.unitDeviation,
                1e-12);
}

TEST(QualityAnalysis, LeavingOutTooMuchIsSaidNotCrashed) {
    // Three stations with one reference each: without a station nothing is left over, and
    // without two readings to the point only one station sees it.
    const AnalysedRun run = analyse(referenceFile("reference-three-stations"));
    const PlanimetricQuality& q = run.analysis.planimetry;
    for (const LeaveOneOut& out : q.withoutStation) {
        EXPECT_EQ(out.status, LeaveOneOut::Status::Computed);
        EXPECT_EQ(out.degreesOfFreedom, 0);
        EXPECT_FALSE(out.unitDeviation);
    }
    const std::string two = "gc 0.001 5\nV 2\nE1 0 0 1 45.0\nR1 0 100 0.0\nE2 100 0 1 315.0\n"
                            "R2 100 100 0.0\n0\n";
    RecordReader reader(two, "obs.txt");
    ObservationSet observations = readPlanimetricData(reader);
    const PlanimetricSolution solution =
        solvePlanimetry(observations, orientStations(observations));
    const QualityAnalysis analysis = analyseQuality(observations, solution, nullptr);
    ASSERT_TRUE(analysis.planimetry.determined);
    EXPECT_EQ(analysis.planimetry.degreesOfFreedom, 0);
    for (const LeaveOneOut& out : analysis.planimetry.withoutStation)
        EXPECT_EQ(out.status, LeaveOneOut::Status::Indeterminate);
    EXPECT_EQ(analysis.planimetry.suspicion.kind, Suspicion::Kind::None);
    std::ostringstream text;
    writeAnalysis(observations, analysis, text);
    EXPECT_NE(text.str().find("ponto indeterminado"), std::string::npos);
}

struct CheckCase {
    const char* what;
    std::string file;
    std::vector<std::string> expected; // a piece of each warning, in order
};

TEST(QualityAnalysis, RecordChecks) {
    const std::string stations = "E1 0.0 0.0 1 45.0\nR1 0.0 100.0 0.0\n"
                                 "E2 100.0 0.0 1 315.0\nR2 100.0 100.0 0.0\n";
    const std::string header = "gc 0.001 5\nV 2\n";
    const std::vector<CheckCase> cases = {
        {"records that match",
         header + stations +
             "2\nE1 0.0 0.0 10 88.0 1.5 1.3\n"
             "E2 100.0 0.0 10 88.0 1.5 1.3\n",
         {}},
        {"a name of no station",
         header + stations + "1\nE9 0.0 0.0 10 88.0 1.5 1.3\n",
         {"nenhuma estação com este nome; as coordenadas são as da estação E1"}},
        {"coordinates of another place",
         header + stations + "1\nE2 100.0 0.5 10 88.0 1.5 1.3\n",
         {"não são as da estação E2"}},
        {"neither",
         header + stations + "1\nX 5.0 5.0 10 88.0 1.5 1.3\n",
         {"nem o nome nem as coordenadas"}},
        {"an elevation angle",
         header + stations + "1\nE1 0.0 0.0 10 2.0 1.5 1.3\n",
         {"fora de 50 a 150 gon"}},
        {"a sight far below",
         header + stations + "1\nE1 0.0 0.0 10 136.0 1.5 1.3\n",
         {"fora de 50 a 150 gon"}},
        {"just inside", header + stations + "1\nE1 0.0 0.0 10 134.9 1.5 1.3\n", {}},
        {"gon just outside",
         "gr 0.001 1\nV 2\nE1 0 0 1 50.0\nR1 0 100 0.0\nE2 100 0 1 350.0\n"
         "R2 100 100 0.0\n1\nE1 0 0 10 150.01 1.5 1.3\n",
         {"fora de 50 a 150 gon"}},
        {"gs minutes of 60",
         "gs 0.001 5\nV 2\nE1 0 0 1 45 60 0.0\nR1 0 100 0 0 0.0\n"
         "E2 100 0 1 315 0 0.0\nR2 100 100 0 0 0.0\n0\n",
         {"Leitura de E1 para V escrita como 45 60 0.00"}},
        {"gs seconds of 60 to a reference",
         "gs 0.001 5\nV 2\nE1 0 0 1 45 0 0.0\nR1 0 100 0 0 60.0\n"
         "E2 100 0 1 315 0 0.0\nR2 100 100 0 0 0.0\n0\n",
         {"Leitura de E1 para R1 escrita como 0 0 60.00"}},
        {"gs zenith seconds",
         "gs 0.001 5\nV 2\nE1 0 0 1 45 0 0.0\nR1 0 100 0 0 0.0\n"
         "E2 100 0 1 315 0 0.0\nR2 100 100 0 0 0.0\n"
         "1\nE1 0 0 10 88 0 75.5 1.5 1.3\n",
         {"leitura zenital escrita como 88 0 75.50"}},
        {"gs within range",
         "gs 0.001 5\nV 2\nE1 0 0 1 45 59 59.99\nR1 0 100 0 0 0.0\n"
         "E2 100 0 1 315 0 0.0\nR2 100 100 0 0 0.0\n"
         "1\nE1 0 0 10 88 59 59.9 1.5 1.3\n",
         {}},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.what);
        RecordReader reader(c.file, "obs.txt");
        ObservationSet observations = readPlanimetricData(reader);
        readZenithObservations(reader, observations);
        const std::vector<Warning> warnings = consistencyWarnings(observations);
        ASSERT_EQ(warnings.size(), c.expected.size());
        for (std::size_t i = 0; i < warnings.size(); ++i) {
            const std::string text = warningText(warnings[i], observations);
            EXPECT_NE(text.find(c.expected[i]), std::string::npos) << text;
        }
    }
}

TEST(QualityAnalysis, FindsTheWrongReadingOfTheExample) {
    const AnalysedRun run = analyse(readFile(sourceDir() + "/examples/leitura-errada.txt"), true);
    const PlanimetricQuality& q = run.analysis.planimetry;
    ASSERT_EQ(q.suspicion.kind, Suspicion::Kind::Reading);
    EXPECT_EQ(readingLabel(run.observations, q.readings[q.suspicion.reading].index),
              "PENEDO -> DEPOSITO");
    std::size_t suspected = 0;
    for (const HorizontalReadingQuality& r : q.readings) suspected += r.tests.suspected ? 1 : 0;
    EXPECT_EQ(suspected, 1u);
    EXPECT_EQ(q.readingLoweringDeviationMost, q.suspicion.reading);
    EXPECT_EQ(q.globalTest, Verdict::Rejected);
    ASSERT_TRUE(run.analysis.height);
    EXPECT_EQ(run.analysis.height->suspicion.kind, Suspicion::Kind::None);
    EXPECT_NEAR(run.analysis.height->height, run.height->height, 1e-3);
    EXPECT_TRUE(run.analysis.warnings.empty());
    // The text gives the verdict first and marks the reading's line.
    std::ostringstream text;
    writeAnalysis(run.observations, run.analysis, text);
    const std::string shown = text.str();
    EXPECT_LT(shown.find("Leitura suspeita: PENEDO -> DEPOSITO"), shown.find("PLANIMETRIA"));
    const std::size_t line = shown.find("\n  PENEDO -> DEPOSITO ");
    ASSERT_NE(line, std::string::npos);
    EXPECT_LT(shown.find("<< SUSPEITA", line), shown.find('\n', line + 1));
}

TEST(QualityAnalysis, FindsAnElevationAngleAmongZenithReadings) {
    // MOINHO's zenith reading written as the elevation angle: the height goes hundreds of
    // metres wrong without the program stopping; the analysis warns and names the reading.
    const std::string text = replaced(readFile(sourceDir() + "/examples/leitura-errada.txt"),
                                      " 85.0261920 ", " 4.9738080 ");
    const AnalysedRun run = analyse(text, true);
    EXPECT_GT(std::fabs(run.height->height - 214.9), 100.0);
    ASSERT_TRUE(run.analysis.height);
    const HeightQuality& h = *run.analysis.height;
    ASSERT_EQ(h.suspicion.kind, Suspicion::Kind::Reading);
    EXPECT_EQ(zenithLabel(run.observations, h.suspicion.reading), "MOINHO");
    EXPECT_NEAR(h.readings[h.suspicion.reading].heightWithout, 214.86, 0.05);
    ASSERT_EQ(run.analysis.warnings.size(), 1u);
    EXPECT_EQ(run.analysis.warnings[0].kind, WarningKind::ZenithLikeElevation);
    EXPECT_NE(
        warningText(run.analysis.warnings[0], run.observations).find("Registo zenital 2 (MOINHO)"),
        std::string::npos);
    // The height without a reading is the height from the file without its record.
    const std::string withoutRecord =
        replaced(replaced(text, "\n4\n", "\n3\n"),
                 "MOINHO      39329.986 177091.099 131.849 4.9738080 1.596 1.337\n", "");
    const AnalysedRun without = analyse(withoutRecord, true);
    EXPECT_NEAR(h.readings[1].heightWithout, without.analysis.height->height, 1e-6);
}

TEST(QualityAnalysis, NamesABlunderInSyntheticNetworks) {
    // Strong networks, a blunder of 12 times the precision: named in each of these seeds;
    // the same networks without it: nothing suspected.
    for (std::uint64_t seed : {3u, 5u, 8u, 13u}) {
        SCOPED_TRACE(seed);
        bench::NetworkOptions options;
        options.stations = 8;
        options.minSightings = 3;
        options.maxSightings = 3;
        options.zenithRecords = 0;
        options.precision = 5.0;
        options.readingNoise = 5.0;
        options.seed = seed;
        options.blunder = 12.0;
        const bench::GeneratedNetwork network = bench::generateNetworkWithBlunder(options);
        ASSERT_TRUE(network.blunder);
        const PlanimetricQuality& q = analyse(network.text).analysis.planimetry;
        ASSERT_EQ(q.suspicion.kind, Suspicion::Kind::Reading);
        EXPECT_EQ(q.readings[q.suspicion.reading].index.station, network.blunder->station);
        EXPECT_EQ(q.readings[q.suspicion.reading].index.reference, network.blunder->reference);
        options.blunder = 0;
        const bench::GeneratedNetwork clean = bench::generateNetworkWithBlunder(options);
        EXPECT_FALSE(clean.blunder);
        EXPECT_EQ(clean.text, bench::generateNetwork(options));
        EXPECT_EQ(analyse(clean.text).analysis.planimetry.suspicion.kind, Suspicion::Kind::None);
    }
}

TEST(QualityAnalysis, OneReferenceStationsAreOneTest) {
    // A station with one reference measures one angle: a blunder in either reading is named
    // as one of the two.
    bench::NetworkOptions options;
    options.stations = 6;
    options.minSightings = 1;
    options.maxSightings = 1;
    options.zenithRecords = 0;
    options.readingNoise = 5.0;
    options.blunder = 30.0;
    for (std::uint64_t seed : {2u, 4u}) {
        options.seed = seed;
        const bench::GeneratedNetwork network = bench::generateNetworkWithBlunder(options);
        const PlanimetricQuality& q = analyse(network.text).analysis.planimetry;
        ASSERT_EQ(q.suspicion.kind, Suspicion::Kind::OneOf) << seed;
        ASSERT_EQ(q.suspicion.alike.size(), 1u);
        EXPECT_EQ(q.readings[q.suspicion.reading].index.station, network.blunder->station);
        EXPECT_EQ(q.readings[q.suspicion.alike[0]].index.station, network.blunder->station);
        for (const HorizontalReadingQuality& r : q.readings) EXPECT_FALSE(r.tests.suspected);
    }
}

// Tables whose last column is never empty: every line as wide as its heading, counted in
// characters (the headings and the degree sign are more bytes than characters), with no
// trailing blanks.
TEST(AnalysisText, TablesAlignTheirColumnsInCharacters) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"leitura-errada.txt", "  Sem cada estação\n"},
        {"leitura-errada.txt", "  Elipse de erro do ponto\n"},
        {"levantamento-gs.txt", "  Sem cada estação\n"},
        {"levantamento-gs.txt", "  Elipse de erro do ponto\n"},
    };
    const auto characters = [](std::string_view s) {
        return std::count_if(s.begin(), s.end(),
                             [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    };
    for (const auto& [file, title] : cases) {
        const AnalysedRun run = analyse(readFile(sourceDir() + "/examples/" + file), true);
        std::ostringstream text;
        writeAnalysis(run.observations, run.analysis, text);
        const std::string shown = text.str();
        std::size_t at = shown.find(title);
        ASSERT_NE(at, std::string::npos) << file << title;
        at += title.size();
        std::vector<std::string> lines;
        for (std::size_t end; (end = shown.find('\n', at)) != at && end != std::string::npos;
             at = end + 1) {
            const std::string line = shown.substr(at, end - at);
            if (line.rfind("  Sem a estação", 0) == 0) break;
            lines.push_back(line);
        }
        ASSERT_GE(lines.size(), 3u) << file << title;
        for (const std::string& line : lines) {
            EXPECT_EQ(characters(line), characters(lines[0])) << file << ": " << line;
            EXPECT_NE(line.back(), ' ') << file << ": " << line;
        }
    }
}

} // namespace
} // namespace interseccao::testing

namespace interseccao {
namespace {

// The reading with the largest |w|: a difference in the last bits, which another C library
// could turn the other way, is a tie, and a tie goes to the first reading.
TEST(LargestStandardized, LastBitsDoNotChoose) {
    const double w = 0.10381790291536401;
    struct Case {
        const char* what;
        std::vector<std::optional<double>> ws;
        std::size_t expected;
    };
    const Case cases[] = {
        {"none has a w", {std::nullopt, std::nullopt}, 2},
        {"no readings", {}, 0},
        {"the clearly largest", {0.5, -2.0, 1.0}, 1},
        {"an exact tie of opposite signs", {-1.16, 1.16}, 0},
        {"a later one larger in the last bits", {w, -std::nextafter(w, 1.0) * (1 + 4e-11)}, 0},
        {"a later one larger by a relative 1e-8", {w, w * (1 + 1e-8)}, 1},
        {"readings without a w are passed over", {std::nullopt, 0.3, std::nullopt, 0.2}, 1},
    };
    for (const Case& c : cases) {
        std::vector<ReadingTests> tests;
        for (const auto& value : c.ws) {
            ReadingTests reading;
            reading.standardized = value;
            tests.push_back(reading);
        }
        EXPECT_EQ(largestStandardized(
                      tests, [](const ReadingTests& t) -> const ReadingTests& { return t; }),
                  c.expected)
            << c.what;
    }
}

} // namespace
} // namespace interseccao
