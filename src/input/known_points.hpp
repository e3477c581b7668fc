// The list of the known points of a job (--pontos).
#pragma once

#include "input/field_book.hpp"

#include <string>
#include <string_view>

namespace interseccao {

// Reads one point a line: name, M, P and optionally C, separated by commas, semicolons, tabs or
// blanks, with one header row or none (a header names the columns, in any order). With ';' a
// decimal comma is read; a decimal comma in a comma-separated list is a file error (RunError)
// quoting the line. So is the same name twice with other coordinates, and two names equal when cut
// to the observation file's 12 characters.
KnownPoints readKnownPoints(std::string_view bytes, const std::string& fileName);

} // namespace interseccao
