// The stations found by name and position through the index must be the ones a search of
// every station in file order finds: on the cells' borders, with repeated names and places,
// and with coordinates that are not finite or far too large to be a cell.
#include "model/station_index.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace interseccao::testing {
namespace {

StationIndex::Match everyStation(const std::vector<Station>& stations, std::string_view name,
                                 double m, double p) {
    StationIndex::Match match;
    for (const Station& s : stations)
        if (trimmedName(s.name) == trimmedName(name) && samePosition(s.m, s.p, m, p))
            return {&s, &s};
    for (const Station& s : stations) {
        if (!match.named && trimmedName(s.name) == trimmedName(name)) match.named = &s;
        if (!match.placed && samePosition(s.m, s.p, m, p)) match.placed = &s;
    }
    return match;
}

Station station(const std::string& name, double m, double p) {
    Station s;
    s.name = name;
    s.name.resize(nameWidth, ' ');
    s.m = m;
    s.p = p;
    return s;
}

TEST(StationIndex, FindsWhatSearchingEveryStationFinds) {
    std::mt19937_64 random(23);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // Places a few tenths of a millimetre apart, on and beside the cells' borders (multiples
    // of half a millimetre), at large coordinates and at none.
    const std::vector<double> places = {0.0,          0.0004999, 0.0005,    0.00051,   0.001,
                                        -0.0004,      -0.0005,   1000.0002, 1000.0007, 4.5e6,
                                        4.5e6 + 4e-4, 1e300,     -1e300,    nan,       inf};
    const std::vector<std::string> names = {"E1", "E2", "E3", "E1 "};
    // Networks of up to 24 stations, each through an index that looks through its stations
    // (when they are few enough) and one that files them all.
    for (int network = 0; network < 400; ++network) {
        std::vector<Station> stations;
        const int count = 1 + static_cast<int>(random() % 24);
        for (int k = 0; k < count; ++k)
            stations.push_back(station(names[random() % names.size()],
                                       places[random() % places.size()],
                                       places[random() % places.size()]));
        const StationIndex index(stations, network % 2 == 0 ? StationIndex::scannedStations : 0);
        for (int query = 0; query < 40; ++query) {
            const std::string name = names[random() % names.size()] + (query % 5 == 0 ? "X" : "");
            const double m = places[random() % places.size()] + (query % 3 == 0 ? 3e-4 : 0);
            const double p = places[random() % places.size()];
            const auto expected = everyStation(stations, name, m, p);
            const auto found = index.find(name, m, p);
            EXPECT_EQ(found.named, expected.named) << network << ' ' << query;
            EXPECT_EQ(found.placed, expected.placed) << network << ' ' << query;
            // Alone, the first at the place, whatever its name.
            EXPECT_EQ(index.at(m, p), everyStation(stations, "", m, p).placed)
                << network << ' ' << query;
        }
    }
}

TEST(StationIndex, TheFirstInFileOrderAmongStationsOfOnePlace) {
    const std::vector<Station> stations = {station("A", 10.0004, 5), station("B", 10.0, 5),
                                           station("A", 10.0, 5)};
    for (const std::size_t scanned : {StationIndex::scannedStations, std::size_t{0}}) {
        const StationIndex index(stations, scanned);
        // "A" at 10.0 is the third station, though the first "A" is near enough by M alone.
        EXPECT_EQ(index.find("A", 10.0, 5.0).named, &stations[0]);
        EXPECT_EQ(index.find("A", 9.99995, 5.0).placed, &stations[0]);
        EXPECT_EQ(index.at(9.99955, 5.0), &stations[1]);
        EXPECT_EQ(index.find("C", 10.0, 5.0).named, nullptr);
        EXPECT_EQ(index.at(10.0, 5.0006), nullptr);
    }
}

} // namespace
} // namespace interseccao::testing
