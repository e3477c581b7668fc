// The line formatter: parses a layout item by item and sets each value into its field.
#include "run/format.hpp"

#include <cmath>
#include <cstdio>
#include <stdexcept>

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

} // namespace

std::string formatReal(double value, int width, int decimals) {
    if (!std::isfinite(value)) return std::string(width, '*');
    // A zero is not below zero: negative zero is written like zero.
    if (value == 0) value = 0.0;
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string s(buffer);
    if (decimals == 0) s += '.';
    if (static_cast<int>(s.size()) <= width) return std::string(width - s.size(), ' ') + s;
    // One character too many and a leading zero before the point: the zero goes.
    if (static_cast<int>(s.size()) == width + 1) {
        const std::size_t zero = s.front() == '-' ? 1 : 0;
        if (s.compare(zero, 2, "0.") == 0) return s.erase(zero, 1);
    }
    return std::string(width, '*');
}

std::string formatInteger(std::int64_t value, int width) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) > width) return std::string(width, '*');
    return std::string(width - s.size(), ' ') + s;
}

std::string formatText(std::string_view text, int width) {
    if (static_cast<int>(text.size()) >= width) return std::string(text.substr(0, width));
    return std::string(width - text.size(), ' ') + std::string(text);
}

FormattedLine formatLine(std::string_view layout, std::span<const FieldValue> values) {
    const auto malformed = [&] {
        return std::logic_error("malformed layout " + std::string(layout));
    };
    std::string_view items = layout;
    if (items.size() < 2 || items.front() != '(' || items.back() != ')') throw malformed();
    items = items.substr(1, items.size() - 2);

    FormattedLine line;
    ValueCursor cursor(values);
    while (!items.empty()) {
        const char c = items.front();
        if (c == '\'') {
            const std::size_t close = items.find('\'', 1);
            if (close == std::string_view::npos) throw malformed();
            line.text += items.substr(1, close - 1);
            items.remove_prefix(close + 1);
        } else if (c == 'A' || c == 'a') {
            items.remove_prefix(1);
            const std::string_view text = cursor.next<std::string_view>(layout);
            const int width = takeNumber(items);
            line.text += width < 0 ? std::string(text) : formatText(text, width);
        } else if (c == 'F') {
            items.remove_prefix(1);
            const int width = takeNumber(items);
            if (width < 0 || items.empty() || items.front() != '.') throw malformed();
            items.remove_prefix(1);
            const int decimals = takeNumber(items);
            if (decimals < 0) throw malformed();
            line.text += formatReal(cursor.next<double>(layout), width, decimals);
        } else if (c == 'I') {
            items.remove_prefix(1);
            const int width = takeNumber(items);
            if (width < 0) throw malformed();
            line.text += formatInteger(cursor.next<std::int64_t>(layout), width);
        } else if (c >= '0' && c <= '9') {
            const int count = takeNumber(items);
            if (items.empty() || items.front() != 'X') throw malformed();
            items.remove_prefix(1);
            line.text.append(count, ' ');
        } else if (c == '\\') {
            items.remove_prefix(1);
            line.open = true;
        } else {
            throw malformed();
        }
        // Items are separated by commas; the closing backslash may follow without one.
        if (!items.empty() && items.front() != '\\') {
            if (items.front() != ',' || line.open) throw malformed();
            items.remove_prefix(1);
        }
    }
    return line;
}

FormattedLine formatLine(std::string_view layout, std::initializer_list<FieldValue> values) {
    return formatLine(layout, std::span<const FieldValue>(values.begin(), values.size()));
}

} // namespace interseccao
