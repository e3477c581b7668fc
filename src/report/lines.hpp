// Line pieces the report's sections share.
#pragma once

#include "model/observations.hpp"
#include "text/output.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace interseccao {

// The result line of one adjusted coordinate, "('     M(',A<length>,') = ',F12.3,' m')"
// for a name of the given length (1 to 12) and the letter M, P or C.
std::string resultLayout(char letter, std::size_t length);

// Writes the result line of `letter` for the sighted point; a name of blanks writes none.
void writeResultLine(Output& output, char letter, const std::string& name, double metres);

// A precision line: milligon with `gonLayout` for "gr", seconds of arc with `secondsLayout`
// for the other units; `radians` converted to the unit the layout names.
void writePrecisionLine(Output& output, AngleUnit unit, std::string_view gonLayout,
                        std::string_view secondsLayout, double radians);

// The close of both headings: three blank lines, the precision line (as above), a blank
// line, the redundancy with `redundancyLayout` and a blank line.
void writePrecisionAndRedundancy(Output& output, AngleUnit unit, std::string_view gonLayout,
                                 std::string_view secondsLayout, double radians,
                                 std::string_view redundancyLayout, std::int64_t redundancy);

} // namespace interseccao
