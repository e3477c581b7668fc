// How the analysis writes numbers, angles and readings in its Portuguese texts.
#pragma once

#include "analysis/direction_model.hpp"
#include "run/observations.hpp"

#include <string>

namespace interseccao {

// A value with a fixed number of decimals, "-" when it is not finite.
std::string fixed(double value, int decimals);

// Small angles (residuals, biases, precisions): seconds of arc for "gc" and "gs", milligon
// for "gr", as the file gives its precision.
double toSmallAngle(double radians, AngleUnit unit);
std::string smallAngleUnit(AngleUnit unit); // "\"" or " mgon"

// Directions and intersection angles: degrees for "gc" and "gs", gon for "gr".
double toDirection(double radians, AngleUnit unit);
std::string directionUnit(AngleUnit unit); // "°" or " gon"

// "EST3 -> PENHA": the station and the target of a horizontal reading.
std::string readingLabel(const ObservationSet& observations, ReadingIndex reading);
// The zenith record's station name, without its padding.
std::string zenithLabel(const ObservationSet& observations, std::size_t record);

} // namespace interseccao
