// The list of known points.
#include "input/known_points.hpp"

#include "input/delimited.hpp"
#include "model/errors.hpp"
#include "model/observations.hpp"

#include <array>
#include <map>

namespace interseccao {

const KnownPoint* KnownPoints::find(const std::string& name) const {
    if (indexed_ > points.size()) { // points taken away: index them afresh
        byName_.clear();
        indexed_ = 0;
    }
    for (; indexed_ < points.size(); ++indexed_) byName_.emplace(points[indexed_].name, indexed_);
    const auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : &points[found->second];
}

namespace {

// The columns of name, M, P and C, by position in the row; -1 for a column not there.
using Columns = std::array<int, 4>;

// The columns a header names, or none when the row is not a header.
std::optional<Columns> headerColumns(const TableRow& row) {
    static const std::array<std::array<const char*, 3>, 4> names = {
        {{"nome", "ponto", "name"}, {"m", "e", "x"}, {"p", "n", "y"}, {"c", "h", "z"}}};
    Columns columns{-1, -1, -1, -1};
    for (std::size_t i = 0; i < row.fields.size(); ++i) {
        const std::string key = headerKey(row.fields[i]);
        for (std::size_t c = 0; c < names.size(); ++c)
            for (const char* name : names[c])
                if (key == name) columns[c] = static_cast<int>(i);
    }
    if (columns[0] < 0 && columns[1] < 0 && columns[2] < 0) return std::nullopt;
    if (columns[0] < 0 || columns[1] < 0 || columns[2] < 0) return std::nullopt;
    return columns;
}

[[noreturn]] void refuse(const std::string& file, const TableRow& row, const std::string& why) {
    throw RunError::inFile(file, why + ": \"" + row.text + "\"", row.line);
}

KnownPoint readPoint(const Table& table, const TableRow& row, const Columns& columns,
                     std::size_t width, const std::string& file) {
    if (row.fields.size() > width)
        refuse(file, row,
               table.separator == ','
                   ? "valores a mais (uma virgula decimal numa lista separada por virgulas?)"
                   : "valores a mais");
    const auto number = [&](int column, const char* what) -> std::optional<double> {
        if (column < 0 || static_cast<std::size_t>(column) >= row.fields.size() ||
            row.fields[static_cast<std::size_t>(column)].empty())
            return std::nullopt;
        const auto value =
            tableNumber(row.fields[static_cast<std::size_t>(column)], table.decimalComma);
        if (!value) refuse(file, row, std::string("esperado um numero (") + what + ")");
        return value;
    };
    KnownPoint point;
    if (static_cast<std::size_t>(columns[0]) < row.fields.size())
        point.name = row.fields[static_cast<std::size_t>(columns[0])];
    if (point.name.empty()) refuse(file, row, "falta o nome do ponto");
    const auto m = number(columns[1], "M"), p = number(columns[2], "P");
    if (!m || !p) refuse(file, row, "faltam M e P");
    point.m = *m;
    point.p = *p;
    point.height = number(columns[3], "C");
    point.line = row.line;
    return point;
}

void checkNames(const KnownPoints& list) {
    std::map<std::string, const KnownPoint*> byCutName;
    for (const KnownPoint& point : list.points) {
        const std::string cut = point.name.substr(0, nameWidth);
        const auto [earlier, added] = byCutName.emplace(cut, &point);
        if (added) continue;
        const KnownPoint& first = *earlier->second;
        if (first.name != point.name)
            throw RunError::inFile(list.file,
                                   "os nomes " + first.name + " (linha " +
                                       std::to_string(first.line) + ") e " + point.name +
                                       " ficam iguais cortados a 12 caracteres",
                                   point.line);
        if (first.m != point.m || first.p != point.p || first.height != point.height)
            throw RunError::inFile(list.file,
                                   "o ponto " + point.name + " repete a linha " +
                                       std::to_string(first.line) + " com outras coordenadas",
                                   point.line);
    }
}

} // namespace

KnownPoints readKnownPoints(std::string_view bytes, const std::string& fileName) {
    const Table table = readTable(bytes);
    KnownPoints list;
    list.file = fileName;
    if (table.rows.empty()) throw RunError::inFile(fileName, "a lista de pontos esta vazia");
    Columns columns{0, 1, 2, 3};
    std::size_t first = 0, width = 4;
    if (const auto header = headerColumns(table.rows.front())) {
        columns = *header;
        first = 1;
        width = table.rows.front().fields.size();
    }
    for (std::size_t i = first; i < table.rows.size(); ++i) {
        KnownPoint point = readPoint(table, table.rows[i], columns, width, fileName);
        const KnownPoint* same = list.find(point.name);
        if (same != nullptr && same->m == point.m && same->p == point.p &&
            same->height == point.height)
            continue; // the same point written twice
        list.points.push_back(std::move(point));
    }
    checkNames(list);
    return list;
}

} // namespace interseccao
