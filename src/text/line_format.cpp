// The line formatter: parses a layout item by item and sets each value into its field.
#include "text/line_format.hpp"
#include "text/float_chars.hpp"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <system_error>

namespace interseccao {

namespace {

// Reads the decimal number at the front of `s` and advances past it; -1 when there is none.
int takeNumber(std::string_view& s) {
    int n = -1;
    while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
        n = (n < 0 ? 0 : n * 10) + (s.front() - '0');
        s.remove_prefix(1);
    }
    return n;
}

class ValueCursor {
public:
    explicit ValueCursor(std::span<const FieldValue> values) : values_(values) {}

    template <class T> T next(std::string_view layout) {
        if (index_ >= values_.size() || !std::holds_alternative<T>(values_[index_]))
            throw std::logic_error("layout " + std::string(layout) + ": missing or mistyped value");
        return std::get<T>(values_[index_++]);
    }

private:
    std::span<const FieldValue> values_;
    std::size_t index_ = 0;
};

void appendReal(std::string& out, double value, int width, int decimals) {
    if (!std::isfinite(value)) {
        out.append(width, '*');
        return;
    }
    // A zero is not below zero: negative zero is written like zero.
    if (value == 0) value = 0.0;
    // Wide enough for the largest double with more decimals than any layout asks for; a
    // number that does not fit here does not fit its field either.
    char buffer[400];
    auto [end, error] = fixedChars(buffer, buffer + sizeof buffer - 1, value, decimals);
    if (error != std::errc()) {
        out.append(width, '*');
        return;
    }
    if (decimals == 0) *end++ = '.';
    std::string_view s(buffer, static_cast<std::size_t>(end - buffer));
    const int length = static_cast<int>(s.size());
    if (length <= width) {
        out.append(width - length, ' ');
        out += s;
        return;
    }
    // One character too many and a leading zero before the point: the zero goes.
    if (length == width + 1) {
        const std::size_t zero = s.front() == '-' ? 1 : 0;
        if (s.substr(zero, 2) == "0.") {
            out += s.substr(0, zero);
            out += s.substr(zero + 1);
            return;
        }
    }
    out.append(width, '*');
}

void appendInteger(std::string& out, std::int64_t value, int width) {
    char buffer[24];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    const int length = static_cast<int>(end - buffer);
    if (error != std::errc() || length > width) {
        out.append(width, '*');
        return;
    }
    out.append(width - length, ' ');
    out.append(buffer, end);
}

void appendText(std::string& out, std::string_view text, int width, TextEncoding encoding) {
    const auto characters = static_cast<int>(characterCount(text, encoding));
    if (characters >= width) {
        out += text.substr(0, prefixLength(text, static_cast<std::size_t>(width), encoding));
        return;
    }
    out.append(static_cast<std::size_t>(width - characters), ' ');
    out += text;
}

// The layouts are written in Latin-1 (the report's degree sign is byte 0xBA).
void appendLiteral(std::string& out, std::string_view literal, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8)
        out += toUtf8(literal);
    else
        out += literal;
}

} // namespace

std::string formatReal(double value, int width, int decimals) {
    std::string s;
    appendReal(s, value, width, decimals);
    return s;
}

bool appendLine(std::string& out, std::string_view layout, std::span<const FieldValue> values,
                TextEncoding encoding) {
    const auto malformed = [&] {
        return std::logic_error("malformed layout " + std::string(layout));
    };
    std::string_view items = layout;
    if (items.size() < 2 || items.front() != '(' || items.back() != ')') throw malformed();
    items = items.substr(1, items.size() - 2);

    bool open = false;
    ValueCursor cursor(values);
    while (!items.empty()) {
        const char c = items.front();
        if (c == '\'') {
            const std::size_t close = items.find('\'', 1);
            if (close == std::string_view::npos) throw malformed();
            appendLiteral(out, items.substr(1, close - 1), encoding);
            items.remove_prefix(close + 1);
        } else if (c == 'A' || c == 'a') {
            items.remove_prefix(1);
            const std::string_view text = cursor.next<std::string_view>(layout);
            const int width = takeNumber(items);
            if (width < 0)
                out += text;
            else
                appendText(out, text, width, encoding);
        } else if (c == 'F') {
            items.remove_prefix(1);
            const int width = takeNumber(items);
            if (width < 0 || items.empty() || items.front() != '.') throw malformed();
            items.remove_prefix(1);
            const int decimals = takeNumber(items);
            if (decimals < 0) throw malformed();
            appendReal(out, cursor.next<double>(layout), width, decimals);
        } else if (c == 'I') {
            items.remove_prefix(1);
            const int width = takeNumber(items);
            if (width < 0) throw malformed();
            appendInteger(out, cursor.next<std::int64_t>(layout), width);
        } else if (c >= '0' && c <= '9') {
            const int count = takeNumber(items);
            if (items.empty() || items.front() != 'X') throw malformed();
            items.remove_prefix(1);
            out.append(count, ' ');
        } else if (c == '\\') {
            items.remove_prefix(1);
            open = true;
        } else {
            throw malformed();
        }
        // Items are separated by commas; the closing backslash may follow without one.
        if (!items.empty() && items.front() != '\\') {
            if (items.front() != ',' || open) throw malformed();
            items.remove_prefix(1);
        }
    }
    return open;
}

} // namespace interseccao
