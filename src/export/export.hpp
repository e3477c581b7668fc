// Machine-readable lists of a command-line run: the coordinate list (CSV) and the JSON document.
#pragma once

#include "cli/file_run.hpp"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace interseccao {

// A name's bytes as UTF-8: bytes that already form UTF-8 are kept, any other byte is taken
// as Latin-1, the encoding of the reports.
std::string toUtf8(std::string_view bytes);

// The number that reads back to the same double, with a dot: the shortest such text.
std::string exactNumber(double value);

// One row per input, in the order given, with a header row: RFC 4180, UTF-8, CR LF.
void writeCoordinateList(const std::vector<FileRun>& runs, std::ostream& out);

// One document with every input and result; the format's version is `jsonFormatVersion`.
void writeJsonDocument(const std::vector<FileRun>& runs, std::ostream& out);

inline constexpr int jsonFormatVersion = 1;

} // namespace interseccao
