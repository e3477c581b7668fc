// The plain field book.
#include "input/field_table.hpp"

#include "input/delimited.hpp"
#include "model/errors.hpp"

#include <array>
#include <cctype>
#include <cmath>

namespace interseccao {

double fullCircle(RecordedUnit unit) {
    switch (unit) {
    case RecordedUnit::Gon: return 400;
    case RecordedUnit::DecimalDegrees: return 360;
    case RecordedUnit::ArcSeconds: return 1296000;
    case RecordedUnit::Mil: return 6400;
    }
    return 400;
}

double convertReading(double value, RecordedUnit from, RecordedUnit to) {
    if (from == to) return value;
    return value / fullCircle(from) * fullCircle(to);
}

namespace {

enum Column { Station, InstrumentHeight, Target, Horizontal, Zenith, TargetHeight };
constexpr std::array<const char*, 6> columnNames = {
    "estacao", "altura_instrumento", "alvo", "horizontal", "zenital", "altura_alvo"};
using Columns = std::array<int, 6>;

[[noreturn]] void refuse(const std::string& file, const TableRow& row, const std::string& why) {
    throw RunError::inFile(file, why + ": \"" + row.text + "\"", row.line);
}

Columns columnsOf(const TableRow& header, const std::string& file) {
    Columns columns;
    columns.fill(-1);
    for (std::size_t i = 0; i < header.fields.size(); ++i)
        for (std::size_t c = 0; c < columnNames.size(); ++c)
            if (headerKey(header.fields[i]) == columnNames[c]) columns[c] = static_cast<int>(i);
    for (const Column required : {Station, Target, Horizontal})
        if (columns[required] < 0)
            refuse(file, header,
                   std::string("falta a coluna ") + columnNames[required] + " no cabecalho");
    return columns;
}

// A "gs" reading as DDD.MMSSs, in seconds of arc, read from its digits.
std::optional<double> sexagesimalSeconds(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative || (!text.empty() && text.front() == '+')) text.remove_prefix(1);
    const std::size_t point = text.find_first_of(".,");
    const std::string_view whole = text.substr(0, point);
    std::string fraction(point == std::string_view::npos ? "" : text.substr(point + 1));
    if (whole.empty()) return std::nullopt;
    for (const char c : std::string(whole) + fraction)
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    fraction.resize(std::max<std::size_t>(fraction.size(), 4), '0');
    const double minutes = std::stod(fraction.substr(0, 2));
    const double seconds = std::stod(fraction.substr(2, 2) + "." + fraction.substr(4) + "0");
    if (minutes >= 60 || seconds >= 60) return std::nullopt;
    const double value = std::stod(std::string(whole)) * 3600 + minutes * 60 + seconds;
    return negative ? -value : value;
}

struct RowReader {
    const Table& table;
    const TableRow& row;
    const Columns& columns;
    const std::string& file;

    std::string text(Column column) const {
        const int i = columns[column];
        return i < 0 || static_cast<std::size_t>(i) >= row.fields.size()
                   ? std::string()
                   : row.fields[static_cast<std::size_t>(i)];
    }
    std::optional<double> number(Column column) const {
        const std::string field = text(column);
        if (field.empty()) return std::nullopt;
        const auto value = tableNumber(field, table.decimalComma);
        if (!value) refuse(file, row, std::string("esperado um numero em ") + columnNames[column]);
        return value;
    }
    std::optional<double> reading(Column column, RecordedUnit unit) const {
        if (unit != RecordedUnit::ArcSeconds) return number(column);
        const std::string field = text(column);
        if (field.empty()) return std::nullopt;
        const auto value = sexagesimalSeconds(field);
        if (!value)
            refuse(file, row,
                   std::string("esperado DDD.MMSSs em ") + columnNames[column] +
                       " (graus, minutos e segundos num so numero)");
        return value;
    }
};

} // namespace

bool looksLikeFieldTable(std::string_view text) {
    const Table table = readTable(text.substr(0, text.find('\n')));
    if (table.rows.empty()) return false;
    for (const std::string& field : table.rows.front().fields)
        if (headerKey(field) == "estacao") return true;
    return false;
}

FieldBook readFieldTable(std::string_view text, const std::string& fileName, RecordedUnit unit) {
    const Table table = readTable(text);
    FieldBook book;
    book.file = fileName;
    book.format = "caderneta de campo";
    if (table.rows.empty()) return book;
    const Columns columns = columnsOf(table.rows.front(), fileName);
    const std::size_t width = table.rows.front().fields.size();
    for (std::size_t i = 1; i < table.rows.size(); ++i) {
        const TableRow& row = table.rows[i];
        if (row.fields.size() > width)
            refuse(fileName, row,
                   unit == RecordedUnit::ArcSeconds
                       ? "valores a mais (em gs cada leitura e um so numero DDD.MMSSs, nao tres "
                         "colunas)"
                       : "valores a mais");
        const RowReader read{table, row, columns, fileName};
        const std::string station = read.text(Station);
        const std::optional<double> instrumentHeight = read.number(InstrumentHeight);
        if (station.empty()) refuse(fileName, row, "falta a estacao");
        if (book.setups.empty() || book.setups.back().station != station ||
            book.setups.back().instrumentHeight != instrumentHeight)
            book.setups.push_back({station, fileName, {}, {}, {}, instrumentHeight, row.line, {}});
        FieldSighting sighting;
        sighting.target = read.text(Target);
        const auto horizontal = read.reading(Horizontal, unit);
        if (sighting.target.empty() || !horizontal)
            refuse(fileName, row, "faltam o alvo ou a leitura horizontal");
        sighting.horizontal = *horizontal;
        sighting.zenith = read.reading(Zenith, unit);
        sighting.targetHeight = read.number(TargetHeight);
        sighting.unit = unit;
        sighting.line = row.line;
        book.setups.back().sightings.push_back(std::move(sighting));
    }
    return book;
}

} // namespace interseccao
