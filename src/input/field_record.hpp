// The instrument's record, whatever its format: recognised by content and read into the
// field-book model.
#pragma once

#include "input/field_book.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace interseccao {

struct FieldRecordOptions {
    // The unit of a plain field book's readings (--unidade); a GSI record carries its own.
    std::optional<RecordedUnit> tableUnit;
};

// Reads a record in any of the formats known: a file error (RunError) when none recognises it or it
// cannot be read.
FieldBook readFieldRecord(std::string_view bytes, const std::string& fileName,
                          const FieldRecordOptions& options);

} // namespace interseccao
