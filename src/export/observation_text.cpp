// The program's own observation layout, written.
#include "export/observation_text.hpp"

#include "model/angle_units.hpp"
#include "text/encoding.hpp"
#include "text/line_format.hpp"
#include "text/numbers.hpp"

#include <cmath>

namespace interseccao {

namespace {

std::string nameText(const std::string& name) {
    const std::string cut = name.substr(0, nameWidth);
    if (cut.find_first_of(" ,/\t'\"") == std::string::npos && !cut.empty()) return cut;
    std::string quoted = "'";
    for (const char c : cut) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

// A real to `decimals` places, without the trailing zeros.
std::string fixedText(double value, int decimals) {
    std::string text = formatReal(value, 40, decimals);
    text.erase(0, text.find_first_not_of(' '));
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
    }
    if (text.starts_with(".")) return "0" + text;
    if (text.starts_with("-.")) return "-0" + text.substr(1);
    return text;
}

// A reading in the layout of the unit; a "gs" reading (held in seconds) as D M S.
std::string readingText(AngleUnit unit, double reading) {
    if (unit != AngleUnit::Sexagesimal) return fixedText(reading, 6);
    const auto hundredths = static_cast<long long>(std::llround(reading * 100));
    const long long degrees = hundredths / 360000;
    const long long minutes = hundredths % 360000 / 6000;
    const double seconds = static_cast<double>(hundredths % 6000) / 100;
    return std::to_string(degrees) + " " + std::to_string(minutes) + " " + fixedText(seconds, 2);
}

} // namespace

std::string observationFileText(const std::string& pointName, const PointProblem& problem,
                                std::string_view remark) {
    const AngleUnit unit = problem.unit;
    std::string text;
    const auto line = [&text](std::initializer_list<std::string> values) {
        bool first = true;
        for (const std::string& value : values) {
            if (!first) text += ' ';
            text += value;
            first = false;
        }
        text += '\n';
    };
    line({std::string(angleUnitCode(unit)), exactNumber(problem.tolerance),
          exactNumber(problem.precision),
          remark.empty() ? std::string() : "  " + std::string(remark)});
    line({nameText(pointName), std::to_string(problem.stations.size())});
    for (const AssembledStation& station : problem.stations) {
        line({nameText(station.name), exactNumber(station.m), exactNumber(station.p),
              std::to_string(station.references.size()), readingText(unit, station.reading)});
        for (const AssembledReference& reference : station.references)
            line({nameText(reference.name), exactNumber(reference.m), exactNumber(reference.p),
                  readingText(unit, reference.reading)});
    }
    if (problem.zenith.empty()) return text;
    line({std::to_string(problem.zenith.size())});
    for (const AssembledZenith& z : problem.zenith)
        line({nameText(z.station), exactNumber(z.m), exactNumber(z.p), exactNumber(z.stationHeight),
              readingText(unit, z.reading), exactNumber(z.instrumentHeight),
              exactNumber(z.targetHeight)});
    return text;
}

} // namespace interseccao
