// The rows of the tables users export from spreadsheets and CAD programs: the lists of points
// and the plain field books. Shared by their readers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace interseccao {

struct TableRow {
    std::vector<std::string> fields; // blanks around each field taken off
    std::size_t line = 0;
    std::string text; // the line as read, for messages
};

struct Table {
    char separator = ' ';       // ',', ';', '\t', or ' ' for runs of blanks
    bool decimalComma = false;  // ';'-separated: a comma in a number is its decimal separator
    std::vector<TableRow> rows; // every line that is not blank, in order
};

// Splits a user's text (UTF-8 with or without a byte-order mark, or Latin-1; CR LF or LF) into
// rows, names made Latin-1. The separator is the first of tab, ';' and ',' found in the first
// row that is not blank; blanks otherwise.
Table readTable(std::string_view bytes);

// A number of a field: a point, or with `decimalComma` a comma, as its decimal separator.
std::optional<double> tableNumber(std::string_view field, bool decimalComma);

// A header name made comparable: lower case, Latin-1 accents taken off ("Estação" -> "estacao").
std::string headerKey(std::string_view field);

} // namespace interseccao
