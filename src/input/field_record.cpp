// The formats of the instrument's record: one more format is one more row of `readers`.
#include "input/field_record.hpp"

#include "input/field_table.hpp"
#include "input/gsi.hpp"
#include "model/errors.hpp"

#include <array>

namespace interseccao {

namespace {

FieldBook readTableRecord(std::string_view bytes, const std::string& fileName,
                          const FieldRecordOptions& options) {
    if (!options.tableUnit)
        throw RunError::inFile(fileName, "caderneta de campo sem unidade: indique --unidade "
                                         "gc, gs ou gr");
    return readFieldTable(bytes, fileName, *options.tableUnit);
}

FieldBook readGsiRecord(std::string_view bytes, const std::string& fileName,
                        const FieldRecordOptions&) {
    return readGsi(bytes, fileName);
}

struct RecordReaderEntry {
    bool (*recognises)(std::string_view);
    FieldBook (*read)(std::string_view, const std::string&, const FieldRecordOptions&);
};

constexpr std::array<RecordReaderEntry, 2> readers = {{
    {looksLikeGsi, readGsiRecord},
    {looksLikeFieldTable, readTableRecord},
}};

} // namespace

FieldBook readFieldRecord(std::string_view bytes, const std::string& fileName,
                          const FieldRecordOptions& options) {
    std::string_view text = bytes;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    for (const RecordReaderEntry& reader : readers)
        if (reader.recognises(text)) return reader.read(text, fileName, options);
    throw RunError::inFile(fileName, "formato do registo nao reconhecido (esperado Leica GSI-8 "
                                     "ou GSI-16, ou uma caderneta com a linha de cabecalho "
                                     "estacao,altura_instrumento,alvo,horizontal,zenital,"
                                     "altura_alvo)");
}

} // namespace interseccao
