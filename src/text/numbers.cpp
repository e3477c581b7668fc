// Numbers as text: std::to_chars for the exact form, the C library's fixed notation for people.
#include "text/numbers.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace interseccao {

std::string exactNumber(double value) {
    if (!std::isfinite(value)) return {};
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string fixed(double value, int decimals) {
    if (!std::isfinite(value)) return "-";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    // A value that rounds to zero shows no sign.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

} // namespace interseccao
