// The stations of an observation set found by name and by position, as the zenith records
// are matched to them, in a time that does not grow with the number of stations (a few are
// looked through one by one, which finds the same).
#pragma once

#include "model/observations.hpp"

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace interseccao {

// Coordinates written to the millimetre match when they differ by less than half of it.
inline constexpr double positionMatch = 0.0005; // metres

// Both coordinates within `positionMatch` of each other.
bool samePosition(double m1, double p1, double m2, double p2);

class StationIndex {
public:
    // Up to this many stations are looked through rather than filed.
    static constexpr std::size_t scannedStations = 16;

    // The stations are looked at, not copied: the set must outlive the index. Up to `scanned`
    // of them are looked through; more are filed by name and by position.
    explicit StationIndex(const std::vector<Station>& stations,
                          std::size_t scanned = scannedStations);

    // The first station named `name` (trimmed) at (m, p); else the first named so and the
    // first at (m, p), each null when there is none.
    struct Match {
        const Station* named = nullptr;
        const Station* placed = nullptr;
    };
    Match find(std::string_view name, double m, double p) const;

    // The first station at (m, p), or null.
    const Station* at(double m, double p) const;

private:
    const Station* scannedAt(double m, double p) const;

    const std::vector<Station>& stations_;
    bool filed_ = false;
    // The stations of each trimmed name, in file order.
    std::unordered_map<std::string_view, std::vector<std::size_t>> byName_;
    // The stations of finite M, in cells of M `positionMatch` wide, in file order: a position
    // matches only stations of its own cell and the next ones.
    std::unordered_map<std::int64_t, std::vector<std::size_t>> byColumn_;
    // The stations of finite M too large for a cell, by M itself, in file order.
    std::unordered_map<double, std::vector<std::size_t>> byValue_;
};

} // namespace interseccao
