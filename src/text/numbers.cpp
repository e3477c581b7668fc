// Numbers as text: the conversions of text/float_chars, the same digits on every platform.
#include "text/numbers.hpp"

#include "text/float_chars.hpp"

#include <charconv>
#include <cmath>
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
    if (!std::isfinite(value)) {
        text += '-';
        return;
    }
    // From the exact binary value, rounded to nearest: the same digits on every platform.
    char buffer[400];
    const auto result = fixedChars(buffer, buffer + sizeof buffer, value, decimals);
    std::string_view digits(buffer, static_cast<std::size_t>(result.ptr - buffer));
    // A value that rounds to zero shows no sign.
    if (digits.front() == '-' && digits.find_first_not_of("-0.") == std::string_view::npos)
        digits.remove_prefix(1);
    const std::size_t start = text.size();
    text += digits;
    if (point != '.')
        if (const std::size_t dot = digits.find('.'); dot != std::string_view::npos)
            text[start + dot] = point;
}

} // namespace interseccao
