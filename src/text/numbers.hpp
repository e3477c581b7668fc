// Numbers as text outside the report's layouts: exact for machines, fixed for people.
#pragma once

#include <string>

namespace interseccao {

// The number that reads back to the same double, with a dot: the shortest such text; empty
// for a value that is not finite.
std::string exactNumber(double value);

// A value with a fixed number of decimals, rounded from its exact value, and `point` (a dot,
// or a comma for Portuguese); "-" when it is not finite; a value that rounds to zero shows
// no sign.
std::string fixed(double value, int decimals, char point = '.');

// The same text appended to `out`: for a caller that builds one text from many numbers.
void appendFixed(std::string& out, double value, int decimals, char point = '.');

} // namespace interseccao
