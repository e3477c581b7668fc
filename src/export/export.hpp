// Machine-readable lists of a command-line run: the coordinate list (CSV) and the JSON document.
#pragma once

#include "results/run_record.hpp"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace interseccao {

// One row per input, in the order given, with a header row: RFC 4180, UTF-8, CR LF.
void writeCoordinateList(const std::vector<FileRun>& runs, std::ostream& out);

// One document with every input and result; the format's version is `jsonFormatVersion`.
void writeJsonDocument(const std::vector<FileRun>& runs, std::ostream& out);

inline constexpr int jsonFormatVersion = 1;

} // namespace interseccao
