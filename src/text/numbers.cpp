// Numbers as text: the conversions of text/float_chars, the same digits on every platform.
#include "text/numbers.hpp"

#include "text/float_chars.hpp"

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
    if (!std::isfinite(value)) return "-";
    // From the exact binary value, rounded to nearest: the same digits on every platform.
    char buffer[400];
    const auto result = fixedChars(buffer, buffer + sizeof buffer, value, decimals);
    std::string text(buffer, result.ptr);
    // A value that rounds to zero shows no sign.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    if (point != '.')
        if (const std::size_t dot = text.find('.'); dot != std::string::npos) text[dot] = point;
    return text;
}

} // namespace interseccao
