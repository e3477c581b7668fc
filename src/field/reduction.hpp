// The reduction of a set-up's readings: every sighting of a target reduced to face I and the
// readings of the target averaged, with their spread.
#pragma once

#include "input/field_book.hpp"

#include <optional>
#include <string>
#include <vector>

namespace interseccao {

struct ReducedReading {
    std::string target;
    double horizontal = 0;        // face I, the mean on the circle, in the book's unit
    double horizontalSpread = 0;  // largest minus smallest face-reduced reading
    std::optional<double> zenith; // face I, the mean
    std::optional<double> zenithSpread;
    std::optional<double> targetHeight; // metres, the first one recorded
    int faceI = 0, faceII = 0;          // readings in each face
    std::vector<std::size_t> lines;     // the lines of the record they came from
};

struct ReducedSetup {
    std::string station;
    std::string file;
    std::optional<double> m, p, height; // as the record gives them
    std::optional<double> instrumentHeight;
    std::size_t line = 0;
    std::vector<ReducedReading> readings; // targets in the order first sighted
};

// A target whose face-reduced readings are further apart than the limit.
struct FaceWarning {
    std::size_t setup = 0; // index in ReducedBook::setups
    std::string target;
    bool zenith = false; // the zenith readings, not the horizontal ones
    double spread = 0;   // in the book's unit
};

struct ReducedBook {
    RecordedUnit unit = RecordedUnit::Gon; // of every reading below
    // Readings of another unit (mil, or a record of mixed units) were converted.
    bool converted = false;
    std::vector<std::string> formats; // of each record, in order
    std::vector<ReducedSetup> setups;
    std::vector<FaceWarning> warnings;
    double faceLimit = 0; // in `unit`
};

// The unit a book's readings are reduced in: that of the first horizontal reading, gon for mil.
RecordedUnit reductionUnit(const std::vector<FieldBook>& books);

// The default limit between the readings of a target: 20" or 6 mgon, in `unit`.
double defaultFaceLimit(RecordedUnit unit);

// The mean of readings on the circle, in [0, full circle), and their spread: 399.9998 and
// 0.0004 gon average to 0.0001 with a spread of 0.0006.
struct CircularMean {
    double mean = 0;
    double spread = 0;
};
CircularMean circularMean(const std::vector<double>& readings, double circle);

// Reduces every set-up of the books, in order; `faceLimit` in the reduction unit.
ReducedBook reduceFieldBooks(const std::vector<FieldBook>& books, std::optional<double> faceLimit);

} // namespace interseccao
