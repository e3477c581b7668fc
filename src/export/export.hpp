// Machine-readable lists of a command-line run: the coordinate list (CSV) and the JSON document.
#pragma once

#include "results/point_set.hpp"
#include "results/run_record.hpp"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace interseccao {

// A field as RFC 4180 writes it: quoted when it holds a comma, a quote or a line end.
std::string csvField(const std::string& text);

// A text cell as a spreadsheet shows it: one it would take for a formula (starting with =, +,
// -, @, a tab or a carriage return) behind an apostrophe, every other unchanged.
std::string textCell(std::string text);

// One row per input, in the order given, with a header row: RFC 4180, UTF-8, CR LF. Metres
// to 0.1 mm, precisions of a reading to 0.01" or 0.001 mgon; the last field, the input's
// warnings.
void writeCoordinateList(const std::vector<FileRun>& runs, std::ostream& out);

// The same list for a spreadsheet set to Portuguese: semicolons, decimal commas, and a UTF-8
// byte-order mark before the header.
void writeSpreadsheetList(const std::vector<FileRun>& runs, std::ostream& out);

// One document with every input and result; the format's version is `jsonFormatVersion`.
void writeJsonDocument(const std::vector<FileRun>& runs, std::ostream& out);

inline constexpr int jsonFormatVersion = 1;

// The lists give coordinates, heights and their precisions to 0.1 mm: beyond what the report
// prints, and the same on every platform (the last digits of an exact number are not).
inline constexpr int listMetreDecimals = 4;

// The same three written as the runs end, each run let go once it is written: the header,
// one call per run, and (for the JSON) the end. The bytes are those of the functions above.
void writeListHeader(std::ostream& out, bool spreadsheet);
void writeListRow(const FileRun& run, std::ostream& out, bool spreadsheet);
void writeJsonStart(std::ostream& out);
void writeJsonRun(const FileRun& run, bool first, std::ostream& out);
void writeJsonEnd(bool empty, std::ostream& out);

// A coordinate system's code as the URN the 2008 GeoJSON format names it by ("EPSG:3763" is
// "urn:ogc:def:crs:EPSG::3763"); none for a code that is not AUTHORITY:NUMBER.
std::optional<std::string> crsUrn(const std::string& code);

// One feature per point, in the points' plane coordinates (and C where computed), with the
// coordinate system named when stated: GeoJSON of 2008, UTF-8.
void writeGeoJson(const PointSet& points, std::ostream& out);

} // namespace interseccao
