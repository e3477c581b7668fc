// Doubles to text and back: the C++ library's conversions where it has them, and otherwise the
// same results from printf, exact in every C library the program is built with, and strtod,
// correctly rounded.
#include "text/float_chars.hpp"

#include <bit>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace interseccao {

namespace {

std::to_chars_result copyOut(char* first, char* last, std::string_view text) {
    if (static_cast<std::size_t>(last - first) < text.size())
        return {last, std::errc::value_too_large};
    std::memcpy(first, text.data(), text.size());
    return {first + text.size(), std::errc()};
}

// A positive finite value with `digits` significant digits, correctly rounded: the digits
// without the point, and the power of ten of the first.
struct Decimal {
    std::string digits;
    int exponent = 0;
};

Decimal rounded(double magnitude, int digits) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, magnitude);
    const std::string_view text(buffer);
    const std::size_t e = text.find('e');
    Decimal decimal;
    for (char c : text.substr(0, e))
        if (c != '.') decimal.digits += c;
    decimal.exponent = std::atoi(buffer + e + 1);
    return decimal;
}

// The decimal one unit of its last digit above.
Decimal nextUp(Decimal decimal) {
    std::size_t i = decimal.digits.size();
    while (i > 0 && decimal.digits[i - 1] == '9') decimal.digits[--i] = '0';
    if (i == 0) {
        decimal.digits.insert(decimal.digits.begin(), '1');
        decimal.digits.pop_back();
        ++decimal.exponent;
    } else {
        ++decimal.digits[i - 1];
    }
    return decimal;
}

double valueOf(const Decimal& decimal) {
    const int lastDigit = decimal.exponent - static_cast<int>(decimal.digits.size()) + 1;
    std::string text = decimal.digits;
    text.append("e").append(std::to_string(lastDigit));
    return std::strtod(text.c_str(), nullptr);
}

// The fewest digits that read back to `magnitude`. The nearest decimal of a length is the one
// to try, except at a power of two, where the doubles below are closer together than those
// above and the next decimal up may read back where the nearest does not.
Decimal shortestDecimal(double magnitude) {
    int binaryExponent = 0;
    const bool powerOfTwo = std::frexp(magnitude, &binaryExponent) == 0.5;
    for (int digits = 1;; ++digits) {
        const Decimal nearest = rounded(magnitude, digits);
        if (digits >= 17 || valueOf(nearest) == magnitude) return nearest;
        if (powerOfTwo) {
            const Decimal above = nextUp(nearest);
            if (valueOf(above) == magnitude) return above;
        }
    }
}

std::string scientific(const Decimal& decimal) {
    std::string text(1, decimal.digits.front());
    if (decimal.digits.size() > 1) text.append(".").append(decimal.digits, 1);
    const int exponent = std::abs(decimal.exponent);
    text.append(decimal.exponent < 0 ? "e-" : "e+");
    if (exponent < 10) text.push_back('0');
    return text.append(std::to_string(exponent));
}

std::string plain(const Decimal& decimal) {
    const auto length = static_cast<int>(decimal.digits.size());
    std::string text;
    if (decimal.exponent < 0) {
        text.append("0.").append(static_cast<std::size_t>(-decimal.exponent - 1), '0');
        return text.append(decimal.digits);
    }
    if (length <= decimal.exponent + 1)
        return text.append(decimal.digits)
            .append(static_cast<std::size_t>(decimal.exponent + 1 - length), '0');
    const auto point = static_cast<std::size_t>(decimal.exponent + 1);
    return text.append(decimal.digits, 0, point).append(".").append(decimal.digits, point);
}

bool startsWithWord(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
    return true;
}

// The length of an infinity or a NaN at the start of `text`, or 0.
std::size_t specialLength(std::string_view text) {
    if (startsWithWord(text, "infinity")) return 8;
    if (startsWithWord(text, "inf")) return 3;
    if (!startsWithWord(text, "nan")) return 0;
    if (text.size() > 3 && text[3] == '(') {
        std::size_t i = 4;
        while (i < text.size() &&
               (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_'))
            ++i;
        if (i < text.size() && text[i] == ')') return i + 1;
    }
    return 3;
}

std::size_t digitsAt(std::string_view text, std::size_t i) {
    std::size_t end = i;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    return end - i;
}

// The digits of `whole` after `sign`, then its last `decimals` digits after a point.
std::to_chars_result writeFixed(char* first, char* last, bool sign, std::uint64_t whole,
                                int decimals) {
    char digits[24];
    char* start = digits + sizeof digits;
    for (int k = 0; k < decimals; ++k, whole /= 10) *--start = static_cast<char>('0' + whole % 10);
    if (decimals > 0) *--start = '.';
    do {
        *--start = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole > 0);
    if (sign) *--start = '-';
    const auto length = static_cast<std::size_t>(digits + sizeof digits - start);
    if (static_cast<std::size_t>(last - first) < length) return {last, std::errc::value_too_large};
    // A few characters: copied one by one.
    for (std::size_t k = 0; k < length; ++k) first[k] = start[k];
    return {first + length, std::errc()};
}

// The fixed text of a value from its exact binary value in 64-bit integers: its significand
// times 10^decimals, shifted right with the rounding of printf and std::to_chars, to nearest
// and a tie to even. Nothing where the value or that product is too large for it, or the
// value too small (zero and the subnormals among them), or the buffer too short.
std::optional<std::to_chars_result> integerFixedChars(char* first, char* last, double value,
                                                      int decimals) {
    static constexpr std::uint64_t powers[] = {1,      10,      100,      1000,      10000,
                                               100000, 1000000, 10000000, 100000000, 1000000000};
    constexpr int significandBits = 52;
    if (decimals < 0 || decimals > 9) return std::nullopt;
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto biased = static_cast<int>((bits >> significandBits) & 0x7FF);
    if (biased == 0 || biased == 0x7FF) return std::nullopt;
    std::uint64_t significand =
        (bits & ((std::uint64_t{1} << significandBits) - 1)) | std::uint64_t{1} << significandBits;
    int exponent = biased - 1075; // value = ± significand · 2^exponent
    const int zeros = std::countr_zero(significand);
    significand >>= zeros;
    exponent += zeros;
    const std::uint64_t power = powers[decimals];
    constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t scaled = 0; // the value times 10^decimals, rounded
    if (exponent >= 0) {
        if (exponent >= 64 - static_cast<int>(std::bit_width(significand))) return std::nullopt;
        const std::uint64_t whole = significand << exponent;
        if (whole > most / power) return std::nullopt;
        scaled = whole * power;
    } else {
        const int shift = -exponent;
        if (shift >= 64 || significand > most / power) return std::nullopt;
        const std::uint64_t product = significand * power;
        scaled = product >> shift;
        const std::uint64_t rest = product & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (scaled & 1) != 0)) ++scaled;
    }
    const std::to_chars_result result =
        writeFixed(first, last, std::signbit(value), scaled, decimals);
    if (result.ec != std::errc()) return std::nullopt;
    return result;
}

} // namespace

namespace portable {

std::to_chars_result shortestChars(char* first, char* last, double value) {
    std::string text(std::signbit(value) ? "-" : "");
    if (std::isnan(value)) return copyOut(first, last, text.append("nan"));
    if (std::isinf(value)) return copyOut(first, last, text.append("inf"));
    if (value == 0) return copyOut(first, last, text.append("0"));
    const Decimal decimal = shortestDecimal(std::fabs(value));
    const std::string fixedText = plain(decimal), scientificText = scientific(decimal);
    if (scientificText.size() < fixedText.size())
        return copyOut(first, last, text.append(scientificText));
    // A whole number longer than its shortest digits is written with all its exact digits,
    // as printf's %.0f writes it.
    if (decimal.exponent + 1 > static_cast<int>(decimal.digits.size()))
        return fixedChars(first, last, value, 0);
    return copyOut(first, last, text.append(fixedText));
}

std::to_chars_result fixedChars(char* first, char* last, double value, int decimals) {
    const int length = std::snprintf(nullptr, 0, "%.*f", decimals, value);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
    text.pop_back();
    return copyOut(first, last, text);
}

std::from_chars_result readDouble(const char* first, const char* last, double& value) {
    const std::string_view text(first, static_cast<std::size_t>(last - first));
    std::size_t i = !text.empty() && text.front() == '-' ? 1 : 0;
    bool nonZero = false;
    if (const std::size_t special = specialLength(text.substr(i)); special > 0) {
        i += special;
    } else {
        const std::size_t whole = digitsAt(text, i);
        const std::size_t start = i;
        i += whole;
        std::size_t fraction = 0;
        if (i < text.size() && text[i] == '.') fraction = digitsAt(text, i + 1);
        if (whole + fraction == 0) return {first, std::errc::invalid_argument};
        if (i < text.size() && text[i] == '.') i += 1 + fraction;
        nonZero =
            text.substr(start, i - start).find_first_of("123456789") != std::string_view::npos;
        if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
            const std::size_t sign =
                i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-');
            if (const std::size_t exponent = digitsAt(text, i + 1 + sign); exponent > 0)
                i += 1 + sign + exponent;
        }
    }
    const std::string copy(text.substr(0, i));
    const double result = std::strtod(copy.c_str(), nullptr);
    if (nonZero && (std::isinf(result) || result == 0))
        return {first + i, std::errc::result_out_of_range};
    value = result;
    return {first + i, std::errc()};
}

} // namespace portable

#if INTERSECCAO_FLOAT_CHARCONV

std::to_chars_result shortestChars(char* first, char* last, double value) {
    return std::to_chars(first, last, value);
}

std::to_chars_result fixedChars(char* first, char* last, double value, int decimals) {
    if (const auto quick = integerFixedChars(first, last, value, decimals)) return *quick;
    return std::to_chars(first, last, value, std::chars_format::fixed, decimals);
}

std::from_chars_result readDouble(const char* first, const char* last, double& value) {
    return std::from_chars(first, last, value);
}

#else

std::to_chars_result shortestChars(char* first, char* last, double value) {
    return portable::shortestChars(first, last, value);
}

std::to_chars_result fixedChars(char* first, char* last, double value, int decimals) {
    if (const auto quick = integerFixedChars(first, last, value, decimals)) return *quick;
    return portable::fixedChars(first, last, value, decimals);
}

std::from_chars_result readDouble(const char* first, const char* last, double& value) {
    return portable::readDouble(first, last, value);
}

#endif

} // namespace interseccao
