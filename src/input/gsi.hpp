// The Leica GSI record, in its 8- and 16-character forms.
#pragma once

#include "input/field_book.hpp"

#include <string>
#include <string_view>

namespace interseccao {

// Whether a text looks like a GSI record: its first line that is not blank starts with '*'
// or with a word of two digits, four header characters and a sign.
bool looksLikeGsi(std::string_view text);

// Reads a GSI record into the field-book model. A sighting before any set-up, a word that
// cannot be read or an angle word whose unit is not an angle is a file error (RunError) naming the
// file, the line, the word and its text.
FieldBook readGsi(std::string_view text, const std::string& fileName);

} // namespace interseccao
