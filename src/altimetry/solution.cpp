// The height precision search and the adjusted height.
#include "altimetry/solution.hpp"

#include "adjustment/block_diagonal.hpp"
#include "adjustment/stops.hpp"
#include "model/angle_units.hpp"
#include "model/errors.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace interseccao {

namespace {

// What the search needs of a cycle: the height it ends at and its variance factor.
struct CycleOutcome {
    double height = 0;
    double varianceFactor = 0;
};

// The outcomes of the cycles run so far, by the exact height each started from, in storage
// sized once. Once the heights repeat (one value, or a few in turn, as the last bits
// settle), every further cycle of a long search is one already run. Heights that settle
// slowly can fill the table first: it then starts afresh, so that the heights they settle
// to are remembered. The last two outcomes are kept apart, for the two heights a search
// often ends up alternating between.
// The bits of a height, its exact identity.
std::uint64_t keyOf(double height) {
    std::uint64_t key = 0;
    static_assert(sizeof key == sizeof height);
    std::memcpy(&key, &height, sizeof key);
    return key;
}

class CycleOutcomes {
public:
    CycleOutcomes() : slots_(initialSlots) {}

    const CycleOutcome* find(double start) const {
        const std::uint64_t key = keyOf(start);
        for (const Slot& recent : recent_)
            if (recent.used && recent.key == key) return &recent.outcome;
        for (std::size_t i = slotOf(key);; i = (i + 1) % slots_.size()) {
            if (!slots_[i].used) return nullptr;
            if (slots_[i].key == key) return &slots_[i].outcome;
        }
    }
    void add(double start, CycleOutcome outcome) {
        const std::uint64_t key = keyOf(start);
        recent_[next_] = {true, key, outcome};
        next_ = 1 - next_;
        if (count_ == capacity) {
            std::fill(slots_.begin(), slots_.end(), Slot{});
            count_ = 0;
        } else if (count_ * 2 == slots_.size()) {
            grow();
        }
        insert(key, outcome);
        ++count_;
    }

private:
    // At most this many outcomes, in twice as many slots. Most searches end after a few
    // cycles, so the slots start few and double as they fill: a short search neither
    // allocates nor clears the whole table.
    static constexpr std::size_t capacity = 4096;
    static constexpr std::size_t initialSlots = 32;
    struct Slot {
        bool used = false;
        std::uint64_t key = 0;
        CycleOutcome outcome;
    };
    std::size_t slotOf(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 40) % slots_.size();
    }
    void insert(std::uint64_t key, CycleOutcome outcome) {
        std::size_t i = slotOf(key);
        while (slots_[i].used) i = (i + 1) % slots_.size();
        slots_[i] = {true, key, outcome};
    }
    void grow() {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& slot : old)
            if (slot.used) insert(slot.key, slot.outcome);
    }
    std::vector<Slot> slots_;
    std::size_t count_ = 0;
    std::array<Slot, 2> recent_{};
    std::size_t next_ = 0;
};

} // namespace

HeightSolution heightResults(const std::vector<ZenithObservation>& readings,
                             const HeightCycle& cycle, const FitTest& fit,
                             const PrecisionSearch& search, const Matrix& zenithCofactorDiagonal) {
    HeightSolution s;
    s.height = cycle.height;
    s.iterationCount = cycle.iterationCount;
    s.fit = fit;
    s.search = search;
    s.cofactor = cycle.normalInverse;
    const double heightVariance = cycle.normalInverse * fit.varianceFactor; // square metres
    // A height that ran away can leave values without meaning; the report would show them
    // only as asterisks.
    bool computable = std::isfinite(search.precision) && std::isfinite(cycle.height) &&
                      heightVariance >= 0 && std::isfinite(heightVariance);
    s.deviation = std::sqrt(heightVariance);
    s.residuals.reserve(readings.size());
    s.adjustedAngles.reserve(readings.size());
    s.adjustedAngleDeviations.reserve(readings.size());
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const double v = cycle.residual[i];
        const double adjusted = readings[i].zenithReading - v;
        const auto k = static_cast<std::int32_t>(i + 1);
        const double angleVariance =
            varianceToSquareDegrees(zenithCofactorDiagonal(k, 1) * fit.varianceFactor);
        computable = computable && std::isfinite(v) && std::isfinite(adjusted) &&
                     angleVariance >= 0 && std::isfinite(angleVariance);
        s.residuals.push_back(v);
        s.adjustedAngles.push_back(adjusted);
        s.adjustedAngleDeviations.push_back(std::sqrt(angleVariance));
    }
    if (!computable) throw RunError::stop(outOfRangeMessage);
    return s;
}

HeightSolution solveHeight(const ObservationSet& observations, HeightGeometry geometry) {
    const std::vector<ZenithObservation>& readings = observations.zenithObservations;
    const auto n = static_cast<std::int32_t>(readings.size());
    const double first = firstHeight(readings.front(), geometry.adjusted);
    FitTest fit = FitTest::forRedundancy(n - 1);

    // Cycles are run only from heights not seen before; the cycle whose results are
    // reported is run again at the end when its outcome came from an earlier one.
    HeightCycle cycle(readings, geometry);
    CycleOutcomes outcomes;
    bool lastCycleRun = false;
    double height = first;
    double lastStart = first;
    const PrecisionSearch search = searchedOrStop(searchPrecision(
        observations.aprioriPrecision, precisionStep(observations.angleUnit), [&](double sigma) {
            lastStart = height;
            CycleOutcome outcome;
            if (const CycleOutcome* seen = outcomes.find(height)) {
                outcome = *seen;
                lastCycleRun = false;
            } else {
                cycle.run(height);
                outcome = {cycle.height, cycle.varianceFactor};
                outcomes.add(height, outcome);
                lastCycleRun = true;
            }
            height = outcome.height;
            fit.varianceFactor = outcome.varianceFactor;
            return fit.verdict(sigma);
        }));
    if (!lastCycleRun) cycle.run(lastStart);
    fit.varianceFactor = cycle.varianceFactor;

    Matrix design(n, 1);
    for (std::int32_t i = 1; i <= n; ++i)
        design(i, 1) = cycle.design[static_cast<std::size_t>(i - 1)];
    Matrix normalInverse(1, 1);
    normalInverse(1, 1) = cycle.normalInverse;
    HeightSolution solution = heightResults(readings, cycle, fit, search,
                                            adjustedCofactorDiagonal(n, 1, design, normalInverse));
    solution.firstHeight = first;
    return solution;
}

} // namespace interseccao
