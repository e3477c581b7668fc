// Face reduction and averaging of the readings of each set-up.
#include "field/reduction.hpp"

#include <algorithm>
#include <cmath>

namespace interseccao {

RecordedUnit reductionUnit(const std::vector<FieldBook>& books) {
    for (const FieldBook& book : books)
        for (const FieldSetup& setup : book.setups)
            for (const FieldSighting& sighting : setup.sightings)
                return sighting.unit == RecordedUnit::Mil ? RecordedUnit::Gon : sighting.unit;
    return RecordedUnit::Gon;
}

double defaultFaceLimit(RecordedUnit unit) {
    if (unit == RecordedUnit::Gon) return 0.006;
    return convertReading(20, RecordedUnit::ArcSeconds, unit);
}

CircularMean circularMean(const std::vector<double>& readings, double circle) {
    if (readings.empty()) return {};
    const double first = readings.front();
    double sum = 0, lowest = 0, highest = 0;
    for (const double reading : readings) {
        double difference = std::fmod(reading - first, circle);
        if (difference > circle / 2) difference -= circle;
        if (difference <= -circle / 2) difference += circle;
        sum += difference;
        lowest = std::min(lowest, difference);
        highest = std::max(highest, difference);
    }
    double mean = std::fmod(first + sum / static_cast<double>(readings.size()), circle);
    if (mean < 0) mean += circle;
    if (mean >= circle) mean -= circle;
    return {mean, highest - lowest};
}

namespace {

// The readings of one target within a set-up, reduced to face I.
struct TargetReadings {
    ReducedReading reduced;
    std::vector<double> horizontal, zenith;
};

void addSighting(std::vector<TargetReadings>& targets, const FieldSighting& sighting,
                 RecordedUnit unit) {
    const double circle = fullCircle(unit);
    auto target = std::find_if(targets.begin(), targets.end(), [&](const TargetReadings& t) {
        return t.reduced.target == sighting.target;
    });
    if (target == targets.end()) {
        target = targets.insert(targets.end(), TargetReadings{});
        target->reduced.target = sighting.target;
    }
    double horizontal = convertReading(sighting.horizontal, sighting.unit, unit);
    std::optional<double> zenith;
    if (sighting.zenith) zenith = convertReading(*sighting.zenith, sighting.unit, unit);
    // Without a zenith reading, the face is the one nearer the target's first reading.
    bool faceII = zenith && *zenith > circle / 2;
    if (!zenith && !target->horizontal.empty()) {
        const double apart =
            std::fabs(std::remainder(horizontal - target->horizontal.front(), circle));
        faceII = apart > circle / 4;
    }
    if (faceII) {
        horizontal -= circle / 2;
        *zenith = circle - *zenith;
    }
    ++(faceII ? target->reduced.faceII : target->reduced.faceI);
    target->horizontal.push_back(horizontal);
    if (zenith) target->zenith.push_back(*zenith);
    if (!target->reduced.targetHeight) target->reduced.targetHeight = sighting.targetHeight;
    target->reduced.lines.push_back(sighting.line);
}

ReducedSetup reduceSetup(const FieldSetup& setup, RecordedUnit unit) {
    ReducedSetup reduced{setup.station,          setup.file, setup.m, setup.p, setup.height,
                         setup.instrumentHeight, setup.line, {}};
    std::vector<TargetReadings> targets;
    for (const FieldSighting& sighting : setup.sightings) addSighting(targets, sighting, unit);
    for (TargetReadings& target : targets) {
        const CircularMean horizontal = circularMean(target.horizontal, fullCircle(unit));
        target.reduced.horizontal = horizontal.mean;
        target.reduced.horizontalSpread = horizontal.spread;
        if (!target.zenith.empty()) {
            // Zenith readings of face I lie within half the circle: a plain mean.
            const CircularMean zenith = circularMean(target.zenith, 2 * fullCircle(unit));
            target.reduced.zenith = zenith.mean;
            target.reduced.zenithSpread = zenith.spread;
        }
        reduced.readings.push_back(std::move(target.reduced));
    }
    return reduced;
}

} // namespace

ReducedBook reduceFieldBooks(const std::vector<FieldBook>& books, std::optional<double> faceLimit) {
    ReducedBook reduced;
    reduced.unit = reductionUnit(books);
    reduced.faceLimit = faceLimit.value_or(defaultFaceLimit(reduced.unit));
    for (const FieldBook& book : books) {
        reduced.formats.push_back(book.format);
        for (const FieldSetup& setup : book.setups) {
            for (const FieldSighting& sighting : setup.sightings)
                if (sighting.unit != reduced.unit) reduced.converted = true;
            reduced.setups.push_back(reduceSetup(setup, reduced.unit));
        }
    }
    for (std::size_t i = 0; i < reduced.setups.size(); ++i)
        for (const ReducedReading& reading : reduced.setups[i].readings) {
            if (reading.horizontalSpread > reduced.faceLimit)
                reduced.warnings.push_back({i, reading.target, false, reading.horizontalSpread});
            if (reading.zenithSpread && *reading.zenithSpread > reduced.faceLimit)
                reduced.warnings.push_back({i, reading.target, true, *reading.zenithSpread});
        }
    return reduced;
}

} // namespace interseccao
