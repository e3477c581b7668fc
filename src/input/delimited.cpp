// Rows and fields of user tables.
#include "input/delimited.hpp"

#include "text/encoding.hpp"
#include "text/float_chars.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace interseccao {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string trimmed(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    std::string field(text.substr(begin, end - begin));
    // A field between double quotes, as spreadsheets write one that holds the separator.
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
        std::string unquoted;
        for (std::size_t i = 1; i + 1 < field.size(); ++i) {
            unquoted += field[i];
            if (field[i] == '"' && field[i + 1] == '"') ++i;
        }
        return unquoted;
    }
    return field;
}

std::vector<std::string> splitFields(std::string_view line, char separator) {
    std::vector<std::string> fields;
    if (separator == ' ') {
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && isBlank(line[i])) ++i;
            const std::size_t begin = i;
            while (i < line.size() && !isBlank(line[i])) ++i;
            if (i > begin) fields.emplace_back(line.substr(begin, i - begin));
        }
        return fields;
    }
    bool quoted = false;
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] == '"') quoted = !quoted;
        if (i == line.size() || (line[i] == separator && !quoted)) {
            fields.push_back(trimmed(line.substr(begin, i - begin)));
            begin = i + 1;
        }
    }
    return fields;
}

char separatorOf(std::string_view line) {
    for (const char candidate : {'\t', ';', ','})
        if (line.find(candidate) != std::string_view::npos) return candidate;
    return ' ';
}

} // namespace

Table readTable(std::string_view bytes) {
    const std::string text = latin1FromUserText(bytes);
    Table table;
    bool first = true;
    std::size_t lineNumber = 0;
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        std::string_view line = std::string_view(text).substr(begin, end - begin);
        begin = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        if (first) {
            table.separator = separatorOf(line);
            table.decimalComma = table.separator == ';';
            first = false;
        }
        table.rows.push_back({splitFields(line, table.separator), lineNumber, std::string(line)});
    }
    return table;
}

std::optional<double> tableNumber(std::string_view field, bool decimalComma) {
    std::string text(field);
    if (decimalComma) std::replace(text.begin(), text.end(), ',', '.');
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    double value = 0;
    const auto [end, error] = readDouble(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string headerKey(std::string_view field) {
    std::string key;
    for (const char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        // The accented letters of Portuguese headers, in Latin-1.
        if (byte >= 0xE0 && byte <= 0xE5)
            key += 'a';
        else if (byte >= 0xC0 && byte <= 0xC5)
            key += 'a';
        else if (byte == 0xE7 || byte == 0xC7)
            key += 'c';
        else if ((byte >= 0xE8 && byte <= 0xEB) || (byte >= 0xC8 && byte <= 0xCB))
            key += 'e';
        else if ((byte >= 0xEC && byte <= 0xEF) || (byte >= 0xCC && byte <= 0xCF))
            key += 'i';
        else if ((byte >= 0xF2 && byte <= 0xF6) || (byte >= 0xD2 && byte <= 0xD6))
            key += 'o';
        else if ((byte >= 0xF9 && byte <= 0xFC) || (byte >= 0xD9 && byte <= 0xDC))
            key += 'u';
        else
            key += static_cast<char>(std::tolower(byte));
    }
    return key;
}

} // namespace interseccao
