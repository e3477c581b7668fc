// Numbers as text: the conversions of text/float_chars, the same digits on every platform.
#include "text/numbers.hpp"

#include "text/float_chars.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace interseccao {

std::string exactNumber(double value) {
    if (!std::isfinite(value)) return {};
    char buffer[64];
    const auto result = shortestChars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string fixed(double value, int decimals, char point) {
    std::string text;
    appendFixed(text, value, decimals, point);
    return text;
}

void appendFixed(std::string& out, double value, int decimals, char point) {
    if (!std::isfinite(value)) {
        out += '-';
        return;
    }
    // From the exact binary value, rounded to nearest: the same digits on every platform.
    char buffer[400];
    const auto result = fixedChars(buffer, buffer + sizeof buffer, value, decimals);
    char* first = buffer;
    // A value that rounds to zero shows no sign.
    if (*first == '-' &&
        std::all_of(first + 1, result.ptr, [](char c) { return c == '0' || c == '.'; }))
        ++first;
    if (point != '.') std::replace(buffer, result.ptr, '.', point);
    out.append(first, static_cast<std::size_t>(result.ptr - first));
}

} // namespace interseccao
