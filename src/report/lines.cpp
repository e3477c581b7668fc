// The result line layout and the precision lines.
#include "report/lines.hpp"

#include "model/angle_units.hpp"
#include "model/thread_cache.hpp"
#include "text/encoding.hpp"

#include <array>
#include <stdexcept>
#include <string_view>

namespace interseccao {

std::string resultLayout(char letter, std::size_t length) {
    if (length < 1 || length > nameWidth)
        throw std::logic_error("result layout for a name of no length");
    if (letter != 'M' && letter != 'P' && letter != 'C')
        throw std::logic_error("result layout for an unknown letter");
    return "('     " + std::string(1, letter) + "(',A" + std::to_string(length) +
           ",') = ',F12.3,' m')";
}

void writeResultLine(Output& output, char letter, const std::string& name, double metres) {
    const std::size_t length = characterCount(trimmedName(name), output.encoding());
    if (length == 0) return;
    // Each layout made once and kept (by each thread: runs side by side share nothing): a line
    // is then written with a layout that stays put.
    static constexpr std::string_view letters = "MPC";
    struct ResultLayouts {
        std::array<std::array<std::string, nameWidth + 1>, letters.size()> byLetter;
    };
    auto& made = threadCache<ResultLayouts>().byLetter;
    const std::size_t which = letters.find(letter);
    if (which == std::string_view::npos || length > nameWidth)
        throw std::logic_error("result line for an unknown letter or a name too long");
    std::string& layout = made[which][length];
    if (layout.empty()) layout = resultLayout(letter, length);
    output.writeReportLine(layout, {name, metres});
}

void writePrecisionLine(Output& output, AngleUnit unit, std::string_view gonLayout,
                        std::string_view secondsLayout, double radians) {
    if (unit == AngleUnit::Gon)
        output.writeReportLine(gonLayout, {radiansToMilligon(radians)});
    else
        output.writeReportLine(secondsLayout, {radiansToArcSeconds(radians)});
}

void writePrecisionAndRedundancy(Output& output, AngleUnit unit, std::string_view gonLayout,
                                 std::string_view secondsLayout, double radians,
                                 std::string_view redundancyLayout, std::int64_t redundancy) {
    for (int i = 0; i < 3; ++i) output.writePlainLine(Channel::Report);
    writePrecisionLine(output, unit, gonLayout, secondsLayout, radians);
    output.writePlainLine(Channel::Report);
    output.writeReportLine(redundancyLayout, {redundancy});
    output.writePlainLine(Channel::Report);
}

} // namespace interseccao
