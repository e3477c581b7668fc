// Numbers as text: the conversions of text/float_chars, the same digits on every platform.
#include "text/numbers.hpp"

#include "text/float_chars.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

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

void appendFixed(std::string& text, double value, int decimals, char point) {
    char buffer[fixedRoom];
    text.append(buffer, writeFixed(buffer, value, decimals, point));
}

char* writeFixed(char* first, double value, int decimals, char point) {
    if (!std::isfinite(value)) {
        *first = '-';
        return first + 1;
    }
    // From the exact binary value, rounded to nearest: the same digits on every platform.
    char* end = fixedChars(first, first + fixedRoom, value, decimals).ptr;
    const std::string_view digits(first, static_cast<std::size_t>(end - first));
    // A value that rounds to zero shows no sign.
    if (digits.front() == '-' && digits.find_first_not_of("-0.") == std::string_view::npos) {
        std::memmove(first, first + 1, digits.size() - 1);
        --end;
    }
    if (point != '.') std::replace(first, end, '.', point);
    return end;
}

} // namespace interseccao
