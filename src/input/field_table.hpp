// The plain field book: a table with a header row, one sighting a row.
#pragma once

#include "input/field_book.hpp"

#include <string>
#include <string_view>

namespace interseccao {

// Whether a text's first row that is not blank names the columns of a field book.
bool looksLikeFieldTable(std::string_view text);

// Reads the columns estacao, altura_instrumento, alvo, horizontal, zenital and altura_alvo (in
// any order; zenital and the heights may be empty). Rows of one set-up are consecutive: a
// set-up begins where the station or its instrument height changes. The readings are in
// `unit`; "gs" as DDD.MMSSs.
FieldBook readFieldTable(std::string_view text, const std::string& fileName, RecordedUnit unit);

} // namespace interseccao
