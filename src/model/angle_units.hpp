// Angle units: the codes of the observation file, the conversions between radians and the units
// of the file and the outputs, and the one place that decides how a run shows its angles.
#pragma once

#include "model/observations.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace interseccao {

// The only value of pi in the program, 4 · atan(1).
extern const double PI;

// Input conversions; the order of operations fixes the last bits of each result.
double decimalDegreesToRadians(double degrees); // (x · PI) / 180
double gonToRadians(double gon);                // (x · PI) / 200
// Horizontal "gs" reading; each part keeps its own sign: (10, -30, 0) is 9.5 degrees.
double dmsToRadians(std::int32_t degrees, std::int32_t minutes, double seconds);
// Zenith "gs" reading: (s / 3600 + m / 60) + d degrees, then to radians.
double zenithDmsToRadians(double degrees, double minutes, double seconds);
// The header's a-priori precision: seconds of arc for "gc" and "gs", milligon for "gr".
double precisionToRadians(AngleUnit unit, double precision);

// Output conversions.
double radiansToDegrees(double radians);              // (x · 180) / PI
double radiansToGon(double radians);                  // (x · 200) / PI
double radiansToArcSeconds(double radians);           // ((x · 180) / PI) · 3600
double radiansToMilligon(double radians);             // ((x · 200) / PI) · 1000
double varianceToSquareDegrees(double squareRadians); // (180 / PI)² · q
double degreesToGon(double degrees);                  // (x · 400) / 360

struct DegreesMinutesSeconds {
    std::int64_t degrees = 0;
    std::int64_t minutes = 0;
    double seconds = 0;
};

// Truncates towards zero with no carry: seconds of 59.95 or more print as 60.0.
// Parts beyond the integer range saturate (and so print as asterisks).
DegreesMinutesSeconds splitDegrees(double degrees);

// Step of the precision searches: 0.1 second of arc, or 0.1 milligon for "gr", in radians.
double precisionStep(AngleUnit unit);

// The unit of an exact, lower-case two-character code ("gc", "gs", "gr"); none for any other.
std::optional<AngleUnit> angleUnitFromCode(std::string_view code);
std::string_view angleUnitCode(AngleUnit unit);

// How a run shows its angles. Directions and intersection angles: degrees for "gc" and "gs",
// gon for "gr". Small angles (precisions, residuals, biases): seconds of arc for "gc" and
// "gs", milligon for "gr", as the file gives its precision.
bool showsGon(AngleUnit unit);
double toDirection(double radians, AngleUnit unit);
double toSmallAngle(double radians, AngleUnit unit);
std::string directionSymbol(AngleUnit unit);  // "°" or " gon"
std::string directionName(AngleUnit unit);    // "graus (°)" or "grados (gon)"
std::string smallAngleSymbol(AngleUnit unit); // "\"" or " mgon"
std::string smallAngleWord(AngleUnit unit);   // "segundos" or "mgon"
std::string smallAngleName(AngleUnit unit);   // "segundos de arco (\")" or "miligrados (mgon)"

} // namespace interseccao
