// Builds a survey that could have been measured: stations 400 m to 4 km around the sighted
// point, reference points up to 6 km from their station, every circle with its own zero.
#include "network_generator.hpp"

#include <cmath>
#include <cstdio>
#include <random>
#include <stdexcept>

namespace interseccao::bench {

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double curvatureRefraction = 6.82e-08; // metres per square metre, as the program uses it

double wrapDegrees(double d) {
    d = std::fmod(d, 360.0);
    if (d < 0) d += 360.0;
    return d;
}

std::string format(const char* layout, auto... values) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, layout, values...);
    return buffer;
}

// A horizontal reading in the file's layout.
std::string horizontalReading(const std::string& unit, double degrees) {
    if (unit == "gr") return format("%.7f", degrees * 400.0 / 360.0);
    if (unit == "gs") {
        // Whole hundredths of a second, so that the seconds never print as 60.00.
        const auto hundredths =
            static_cast<long long>(std::llround(degrees * 360000.0)) % (360LL * 360000);
        return format("%lld %lld %.2f", hundredths / 360000, hundredths / 6000 % 60,
                      static_cast<double>(hundredths % 6000) / 100.0);
    }
    return format("%.7f", degrees);
}

// A zenith reading in the file's layout ("gs": three reals).
std::string zenithReading(const std::string& unit, double degrees) {
    if (unit == "gs") {
        const auto hundredths = static_cast<long long>(std::llround(degrees * 360000.0));
        return format("%lld %lld %.2f", hundredths / 360000, hundredths / 6000 % 60,
                      static_cast<double>(hundredths % 6000) / 100.0);
    }
    return horizontalReading(unit, degrees);
}

// The blunder's size in degrees: the precision is in seconds of arc, or milligon for "gr".
double blunderDegrees(const NetworkOptions& options) {
    const double precisionDegrees = options.unit == "gr"
                                        ? options.precision / 1000.0 * 360.0 / 400.0
                                        : options.precision / 3600.0;
    return options.blunder * precisionDegrees;
}

// Writes the network; `blunderAt` counts the horizontal readings in the file's order
// (each station's reading to the point, then its references) and `blunderDegrees` is
// added to that one. `readings` receives how many there are, and `where` the station and
// target of the reading `blunderAt`.
std::string writeNetwork(const NetworkOptions& options, std::int64_t blunderAt, double blunder,
                         std::int64_t& readings, BlunderedReading& where) {
    if (options.unit != "gc" && options.unit != "gs" && options.unit != "gr")
        throw std::invalid_argument("unit must be gc, gs or gr");
    if (options.stations < 2 || options.minSightings < 1 ||
        options.maxSightings < options.minSightings)
        throw std::invalid_argument("at least two stations and one sighting per station");

    std::mt19937_64 random(options.seed);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    std::normal_distribution<double> noise(0.0, options.readingNoise / 3600.0); // degrees

    const Point sighted{uniform(20000, 60000), uniform(150000, 250000)};
    const double sightedHeight = uniform(150, 450);

    std::string text =
        format("%s %.3f %.1f\n", options.unit.c_str(), options.tolerance, options.precision);
    text += format("VERTICE %d\n", options.stations);

    std::vector<Point> stations;
    readings = 0;
    // The reading's error: its noise, and the blunder when it is the reading drawn.
    const auto error = [&](std::int32_t station, std::int32_t reference) {
        double e = noise(random);
        if (readings++ == blunderAt) {
            e += blunder;
            where = {station, reference};
        }
        return e;
    };
    const double firstDirection = uniform(0, 2 * pi);
    for (std::int32_t i = 1; i <= options.stations; ++i) {
        // The first two stations see the point at a good angle: they give its approximate position.
        const double direction = i == 1   ? firstDirection
                                 : i == 2 ? firstDirection + uniform(pi / 3, 2 * pi / 3)
                                          : uniform(0, 2 * pi);
        const double distance = uniform(400, 4000);
        const Point station{sighted.m + distance * std::sin(direction),
                            sighted.p + distance * std::cos(direction)};
        stations.push_back(station);
        const double circleZero = uniform(0, 360);
        const std::int32_t sightings = std::uniform_int_distribution<std::int32_t>(
            options.minSightings, options.maxSightings)(random);
        text += format("E%d %.3f %.3f %d ", i, station.m, station.p, sightings);
        text += horizontalReading(options.unit, wrapDegrees(bearingDegrees(station, sighted) -
                                                            circleZero + error(i - 1, -1)));
        text += '\n';
        for (std::int32_t j = 1; j <= sightings; ++j) {
            const double referenceDirection = uniform(0, 2 * pi);
            const double referenceDistance = uniform(300, 6000);
            const Point reference{station.m + referenceDistance * std::sin(referenceDirection),
                                  station.p + referenceDistance * std::cos(referenceDirection)};
            text += format("R%d_%d %.3f %.3f ", i, j, reference.m, reference.p);
            text += horizontalReading(options.unit, wrapDegrees(bearingDegrees(station, reference) -
                                                                circleZero + error(i - 1, j - 1)));
            text += '\n';
        }
    }

    text += format("%d\n", options.zenithRecords);
    for (std::int32_t i = 1; i <= options.zenithRecords; ++i) {
        const std::size_t s = static_cast<std::size_t>(i - 1) % stations.size();
        const Point station = stations[s];
        const double stationHeight = sightedHeight + uniform(-150, 150);
        const double instrumentHeight = uniform(1.40, 1.65);
        const double targetHeight = uniform(1.20, 1.60);
        const double zenith = zenithDegrees(station, stationHeight, instrumentHeight, sighted,
                                            sightedHeight, targetHeight) +
                              noise(random);
        text += format("E%zu %.3f %.3f %.3f ", s + 1, station.m, station.p, stationHeight);
        text += zenithReading(options.unit, zenith);
        text += format(" %.3f %.3f\n", instrumentHeight, targetHeight);
    }
    return text;
}

} // namespace

double bearingDegrees(Point from, Point to) {
    double b = std::atan2(to.m - from.m, to.p - from.p) * 180.0 / pi;
    if (b < 0) b += 360.0;
    return b;
}

double zenithDegrees(Point station, double stationHeight, double instrumentHeight, Point point,
                     double pointHeight, double targetHeight) {
    const double d = std::hypot(station.m - point.m, station.p - point.p);
    const double dH =
        pointHeight - stationHeight - instrumentHeight + targetHeight - curvatureRefraction * d * d;
    return std::atan2(d, dH) * 180.0 / pi;
}

std::string generateNetwork(const NetworkOptions& options) {
    std::int64_t readings = 0;
    BlunderedReading where;
    return writeNetwork(options, -1, 0.0, readings, where);
}

GeneratedNetwork generateNetworkWithBlunder(const NetworkOptions& options) {
    GeneratedNetwork network;
    std::int64_t readings = 0;
    BlunderedReading where;
    network.text = writeNetwork(options, -1, 0.0, readings, where);
    if (options.blunder == 0) return network;
    // The reading and the sign from a generator of their own, so that every other reading
    // is drawn as without the blunder.
    std::mt19937_64 choice(options.seed ^ 0x9E3779B97F4A7C15ull);
    const std::int64_t at = std::uniform_int_distribution<std::int64_t>(0, readings - 1)(choice);
    const double sign = std::uniform_int_distribution<int>(0, 1)(choice) == 0 ? -1.0 : 1.0;
    network.text = writeNetwork(options, at, sign * blunderDegrees(options), readings, where);
    network.blunder = where;
    return network;
}

} // namespace interseccao::bench
