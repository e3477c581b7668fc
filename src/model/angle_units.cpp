// Angle conversions, each in the order of operations that fixes its last bits, and the units a
// run shows.
#include "model/angle_units.hpp"

#include <cmath>

namespace interseccao {

const double PI = 4.0 * std::atan(1.0);

double decimalDegreesToRadians(double degrees) { return (degrees * PI) / 180.0; }

double gonToRadians(double gon) { return (gon * PI) / 200.0; }

double dmsToRadians(std::int32_t degrees, std::int32_t minutes, double seconds) {
    const double decimal =
        (static_cast<double>(minutes) / 60.0 + static_cast<double>(degrees)) + seconds / 3600.0;
    return decimal * PI / 180.0;
}

double zenithDmsToRadians(double degrees, double minutes, double seconds) {
    return decimalDegreesToRadians((seconds / 3600.0 + minutes / 60.0) + degrees);
}

double precisionToRadians(AngleUnit unit, double precision) {
    if (unit == AngleUnit::Gon) return ((precision / 1000.0) * PI) / 200.0;
    return ((precision / 3600.0) * PI) / 180.0;
}

double radiansToDegrees(double radians) { return (radians * 180.0) / PI; }

double radiansToGon(double radians) { return (radians * 200.0) / PI; }

double radiansToArcSeconds(double radians) { return ((radians * 180.0) / PI) * 3600.0; }

double radiansToMilligon(double radians) { return ((radians * 200.0) / PI) * 1000.0; }

double varianceToSquareDegrees(double squareRadians) {
    const double factor = 180.0 / PI;
    return (factor * factor) * squareRadians;
}

double degreesToGon(double degrees) { return (degrees * 400.0) / 360.0; }

namespace {
// Truncation towards zero that saturates instead of overflowing.
std::int64_t truncateToInteger(double x) {
    constexpr double limit = 9.0e18;
    if (std::isnan(x)) return INT64_MAX;
    if (x >= limit) return INT64_MAX;
    if (x <= -limit) return INT64_MIN;
    return static_cast<std::int64_t>(x);
}
} // namespace

DegreesMinutesSeconds splitDegrees(double degrees) {
    DegreesMinutesSeconds dms;
    dms.degrees = truncateToInteger(degrees);
    const double minutes = (degrees - static_cast<double>(dms.degrees)) * 60.0;
    dms.minutes = truncateToInteger(minutes);
    dms.seconds = (minutes - static_cast<double>(dms.minutes)) * 60.0;
    return dms;
}

double precisionStep(AngleUnit unit) {
    // 0.1 milligon is 1e-4 gon, written as the single-precision 1e-4 widened to double
    // (0.00010000000149011611): the steps of the search, and so its results, depend on it.
    if (unit == AngleUnit::Gon) return (PI * 0.00010000000149011611) / 200.0;
    return (PI * (1.0 / 36000.0)) / 180.0;
}

std::optional<AngleUnit> angleUnitFromCode(std::string_view code) {
    if (code == "gc") return AngleUnit::DecimalDegrees;
    if (code == "gs") return AngleUnit::Sexagesimal;
    if (code == "gr") return AngleUnit::Gon;
    return std::nullopt;
}

std::string_view angleUnitCode(AngleUnit unit) {
    switch (unit) {
    case AngleUnit::DecimalDegrees: return "gc";
    case AngleUnit::Sexagesimal: return "gs";
    case AngleUnit::Gon: return "gr";
    }
    return {};
}

bool showsGon(AngleUnit unit) { return unit == AngleUnit::Gon; }

double toDirection(double radians, AngleUnit unit) {
    return showsGon(unit) ? radiansToGon(radians) : radiansToDegrees(radians);
}

double toSmallAngle(double radians, AngleUnit unit) {
    return showsGon(unit) ? radiansToMilligon(radians) : radiansToArcSeconds(radians);
}

std::string directionSymbol(AngleUnit unit) { return showsGon(unit) ? " gon" : "°"; }

std::string directionName(AngleUnit unit) { return showsGon(unit) ? "grados (gon)" : "graus (°)"; }

std::string smallAngleSymbol(AngleUnit unit) { return showsGon(unit) ? " mgon" : "\""; }

std::string smallAngleWord(AngleUnit unit) { return showsGon(unit) ? "mgon" : "segundos"; }

std::string smallAngleName(AngleUnit unit) {
    return showsGon(unit) ? "miligrados (mgon)" : "segundos de arco (\")";
}

} // namespace interseccao
