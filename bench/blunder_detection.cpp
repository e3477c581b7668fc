// How often the quality analysis finds a blunder: over synthetic networks whose readings have
// noise equal to the a-priori precision, one reading of each made wrong by a chosen multiple
// of that precision, the share in which the verdict names that reading, and the share in
// which it names at least its station; and over the same networks without the blunder, the
// share in which it suspects a reading (a false alarm).
//
//   blunder_detection [NETWORKS]     (default 500 for each line of the table)
#include "analysis/quality.hpp"
#include "angles/orientation.hpp"
#include "input/observation_file.hpp"
#include "input/reader.hpp"
#include "model/errors.hpp"
#include "network_generator.hpp"
#include "planimetry/solution.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

using namespace interseccao;
using bench::NetworkOptions;

struct Design {
    const char* name;
    std::int32_t minStations, maxStations;
    std::int32_t minReferences, maxReferences;
};

struct Count {
    long networks = 0;
    long reading = 0;   // the verdict names the blundered reading alone
    long station = 0;   // the verdict points into the blundered reading's station
    long suspected = 0; // the verdict suspects some reading
    long skipped = 0;   // the program itself stopped on the file
};

// The verdict on one network, and whether it holds the blundered reading.
void assess(const bench::GeneratedNetwork& network, Count& count) {
    try {
        RecordReader reader(network.text, "rede.txt");
        const ObservationSet observations = readPlanimetricData(reader);
        checkSettings(observations);
        const Orientation orientation = orientStations(observations);
        if (orientation.stopMessage) throw RunError::stop(*orientation.stopMessage);
        const PlanimetricSolution solution = solvePlanimetry(observations, orientation);
        const QualityAnalysis analysis = analyseQuality(observations, solution, nullptr);
        const PlanimetricQuality& q = analysis.planimetry;
        ++count.networks;
        const Suspicion& s = q.suspicion;
        if (s.kind == Suspicion::Kind::None) return;
        ++count.suspected;
        if (!network.blunder) return;
        const ReadingIndex named = q.readings[s.reading].index;
        bool inStation = named.station == network.blunder->station;
        for (const std::size_t l : s.alike)
            inStation = inStation && q.readings[l].index.station == network.blunder->station;
        if (inStation) ++count.station;
        if (s.kind == Suspicion::Kind::Reading && inStation &&
            named.reference == network.blunder->reference)
            ++count.reading;
    } catch (const RunError&) {
        ++count.skipped;
    }
}

double percent(long part, long whole) { return whole > 0 ? 100.0 * part / whole : 0.0; }

} // namespace

int main(int argc, char** argv) {
    const long networks = argc > 1 ? std::atol(argv[1]) : 500;
    if (networks < 1) {
        std::fprintf(stderr, "usage: blunder_detection [NETWORKS]\n");
        return 2;
    }
    constexpr double precision = 5.0; // seconds of arc, and the readings' noise
    const Design designs[] = {
        {"6 to 12 stations, 2 or 3 references", 6, 12, 2, 3},
        {"4 or 5 stations, 1 reference", 4, 5, 1, 1},
    };
    const double blunders[] = {0.0, 5.0, 8.0, 12.0};
    std::printf("| network | blunder | networks | reading named | station named | any reading "
                "suspected |\n|---|---:|---:|---:|---:|---:|\n");
    for (const Design& design : designs) {
        for (const double blunder : blunders) {
            Count count;
            std::mt19937_64 shapes(20240614);
            for (long n = 0; n < networks; ++n) {
                NetworkOptions options;
                options.unit = "gc";
                options.stations = std::uniform_int_distribution<std::int32_t>(
                    design.minStations, design.maxStations)(shapes);
                options.minSightings = design.minReferences;
                options.maxSightings = design.maxReferences;
                options.zenithRecords = 0;
                options.precision = precision;
                options.readingNoise = precision;
                options.blunder = blunder;
                options.seed = static_cast<std::uint64_t>(n) + 1;
                assess(bench::generateNetworkWithBlunder(options), count);
            }
            if (blunder == 0)
                std::printf("| %s | none | %ld | - | - | %.1f %% |\n", design.name, count.networks,
                            percent(count.suspected, count.networks));
            else
                std::printf("| %s | %.0f σ | %ld | %.1f %% | %.1f %% | %.1f %% |\n", design.name,
                            blunder, count.networks, percent(count.reading, count.networks),
                            percent(count.station, count.networks),
                            percent(count.suspected, count.networks));
            if (count.skipped > 0)
                std::printf(
                    "|   (%ld networks on which the program stopped, left out) | | | | | |\n",
                    count.skipped);
            std::fflush(stdout);
        }
    }
    return 0;
}
