// A day in the field that could have been measured: stations on a grid 800 m apart (each
// moved up to 100 m), new points scattered among them, every circle with its own zero, and
// each target read in face I and then in face II.
#include "session_generator.hpp"

#include "network_generator.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <stdexcept>

namespace interseccao::bench {

namespace {

struct Target {
    std::size_t point = 0; // index into the session's points: stations first
    double horizontal = 0; // degrees, face I, without noise
    double zenith = 0;
    double targetHeight = 0; // metres
};

struct Ground {
    std::vector<TruePoint> points;            // the stations, then the new points
    std::vector<std::vector<Target>> targets; // per set-up, references first
    std::vector<double> instrumentHeights;
};

// The indices of the `count` points of [first, last) nearest to `at`, nearest first,
// leaving out `except`.
std::vector<std::size_t> nearest(const std::vector<TruePoint>& points, std::size_t first,
                                 std::size_t last, Point at, std::size_t count,
                                 std::size_t except) {
    std::vector<std::size_t> indices;
    for (std::size_t i = first; i < last; ++i)
        if (i != except) indices.push_back(i);
    const auto distance = [&](std::size_t i) {
        return std::hypot(points[i].m - at.m, points[i].p - at.p);
    };
    count = std::min(count, indices.size());
    std::partial_sort(indices.begin(), indices.begin() + static_cast<std::ptrdiff_t>(count),
                      indices.end(),
                      [&](std::size_t a, std::size_t b) { return distance(a) < distance(b); });
    indices.resize(count);
    return indices;
}

std::string numbered(const char* prefix, std::int32_t number, int width) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s%0*d", prefix, width, number);
    return buffer;
}

Ground layGround(const SessionOptions& options, std::mt19937_64& random) {
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    Ground ground;
    const auto columns = static_cast<std::int32_t>(std::ceil(std::sqrt(2.0 * options.setups)));
    const std::int32_t rows = (options.setups + columns - 1) / columns;
    for (std::int32_t i = 0; i < options.setups; ++i)
        ground.points.push_back(
            {numbered("E", i + 1, 2), 30000 + options.spacing * (i % columns) + uniform(-100, 100),
             180000 + options.spacing * (i / columns) + uniform(-100, 100), uniform(100, 300)});
    // The stations as the list gives them, to the millimetre.
    for (TruePoint& station : ground.points)
        for (double* value : {&station.m, &station.p, &station.height})
            *value = std::round(*value * 1000) / 1000;
    for (std::int32_t i = 0; i < options.newPoints; ++i)
        ground.points.push_back(
            {numbered("P", i + 1, 3), 30000 + options.spacing * uniform(0.2, columns - 1.2),
             180000 + options.spacing * uniform(0.2, rows - 1.2), uniform(100, 300)});
    return ground;
}

Target targetOf(const Ground& ground, std::size_t setup, std::size_t point, double targetHeight,
                double circleZero) {
    const TruePoint& s = ground.points[setup];
    const TruePoint& t = ground.points[point];
    const double horizontal = bearingDegrees({s.m, s.p}, {t.m, t.p}) - circleZero;
    return {point, std::fmod(horizontal + 720.0, 360.0),
            zenithDegrees({s.m, s.p}, s.height, ground.instrumentHeights[setup], {t.m, t.p},
                          t.height, targetHeight),
            targetHeight};
}

// Which set-ups sight which points: each set-up its nearest stations, each new point from
// its nearest set-ups.
void chooseSightings(const SessionOptions& options, Ground& ground, std::mt19937_64& random) {
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const auto setups = static_cast<std::size_t>(options.setups);
    ground.targets.resize(setups);
    std::vector<double> circleZero;
    for (std::size_t s = 0; s < setups; ++s) {
        circleZero.push_back(uniform(0, 360));
        ground.instrumentHeights.push_back(uniform(1.40, 1.65));
        const TruePoint& at = ground.points[s];
        for (const std::size_t r : nearest(ground.points, 0, setups, {at.m, at.p},
                                           static_cast<std::size_t>(options.references), s))
            ground.targets[s].push_back(targetOf(ground, s, r, 0, circleZero[s]));
    }
    for (std::size_t n = setups; n < ground.points.size(); ++n) {
        const TruePoint& point = ground.points[n];
        for (const std::size_t s :
             nearest(ground.points, 0, setups, {point.m, point.p},
                     static_cast<std::size_t>(options.setupsPerPoint), ground.points.size()))
            ground.targets[s].push_back(targetOf(ground, s, n, 1.30, circleZero[s]));
    }
}

std::string word(const char* header, long long value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, " %s%c%016lld", header, value < 0 ? '-' : '+',
                  std::llabs(value));
    return buffer;
}

std::string nameWord(std::size_t block, const std::string& name) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "*11%04zu+%s%s", block % 10000,
                  std::string(16 - name.size(), '0').c_str(), name.c_str());
    return buffer;
}

long long gon(double degrees) { return std::llround(degrees * 400.0 / 360.0 * 1e5); }
long long millimetres(double metres) { return std::llround(metres * 1000); }

// One set-up: the station's line, every target in face I, then every target in face II.
void writeSetup(const Ground& ground, std::size_t s, std::normal_distribution<double>& noise,
                std::mt19937_64& random, GeneratedSession& session, std::size_t& block) {
    const TruePoint& station = ground.points[s];
    session.record += nameWord(++block, station.name) + word("84..10", millimetres(station.m)) +
                      word("85..10", millimetres(station.p)) +
                      word("86..10", millimetres(station.height)) +
                      word("88..10", millimetres(ground.instrumentHeights[s])) + " \n";
    ++session.recordLines;
    for (const bool faceTwo : {false, true})
        for (const Target& target : ground.targets[s]) {
            const double h = target.horizontal + noise(random) + (faceTwo ? 180 : 0);
            const double z = target.zenith + noise(random);
            session.record += nameWord(++block, ground.points[target.point].name) +
                              word("21.322", gon(std::fmod(h, 360.0))) +
                              word("22.322", gon(faceTwo ? 360 - z : z)) +
                              word("87..10", millimetres(target.targetHeight)) + " \n";
            ++session.recordLines;
        }
}

} // namespace

GeneratedSession generateSession(const SessionOptions& options) {
    if (options.setups < 3 || options.setupsPerPoint < 2 || options.references < 1 ||
        options.setupsPerPoint > options.setups)
        throw std::invalid_argument("at least three set-ups, two per new point, one reference");
    std::mt19937_64 random(options.seed);
    Ground ground = layGround(options, random);
    chooseSightings(options, ground, random);
    std::normal_distribution<double> noise(0.0, options.readingNoise / 3600.0); // degrees

    GeneratedSession session;
    session.knownPoints = "nome,M,P,C\n";
    const auto setups = static_cast<std::size_t>(options.setups);
    for (std::size_t s = 0; s < setups; ++s) {
        const TruePoint& station = ground.points[s];
        char line[128];
        std::snprintf(line, sizeof line, "%s,%.3f,%.3f,%.3f\n", station.name.c_str(), station.m,
                      station.p, station.height);
        session.knownPoints += line;
    }
    std::size_t block = 0;
    for (std::size_t s = 0; s < setups; ++s) writeSetup(ground, s, noise, random, session, block);
    session.newPoints.assign(ground.points.begin() + options.setups, ground.points.end());
    return session;
}

} // namespace interseccao::bench
