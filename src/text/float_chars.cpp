// Doubles to text and back: the C++ library's conversions where it has them, and otherwise the
// same results from printf, exact in every C library the program is built with, and strtod,
// correctly rounded. Fixed notation of up to 19 decimals, whose digits fit in 64 bits, is worked
// out in integers, and plain decimals are read as an exact quotient: the same results in a
// fraction of the time.
#include "text/float_chars.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace interseccao {

namespace {

#ifdef __SIZEOF_INT128__

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t powersOfTen[] = {1u,
                                         10u,
                                         100u,
                                         1000u,
                                         10000u,
                                         100000u,
                                         1000000u,
                                         10000000u,
                                         100000000u,
                                         1000000000u,
                                         10000000000u,
                                         100000000000u,
                                         1000000000000u,
                                         10000000000000u,
                                         100000000000000u,
                                         1000000000000000u,
                                         10000000000000000u,
                                         100000000000000000u,
                                         1000000000000000000u,
                                         10000000000000000000u};

// The finite double m·2^e with `decimals` decimals as a count of its last decimal unit:
// m·10^decimals·2^e rounded to nearest, ties to even, worked out exactly in 128 bits. False when
// that count would not fit in 64 bits.
bool decimalUnits(double value, int decimals, std::uint64_t& units) {
    // memcpy, not std::bit_cast: the WebAssembly build's C++ library has none.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const auto field = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    if (field != 0) mantissa |= std::uint64_t{1} << 52;
    const int exponent = (field == 0 ? 1 : field) - 1075;
    // Below 2^53 · 10^19 < 2^117.
    const Wide scaled = static_cast<Wide>(mantissa) * powersOfTen[decimals];
    Wide count = 0;
    if (exponent >= 0) {
        if (exponent > 10) return false;
        count = scaled << exponent;
    } else if (const int shift = -exponent; shift < 118) {
        count = scaled >> shift;
        const Wide rest = scaled - (count << shift);
        const Wide half = Wide{1} << (shift - 1);
        if (rest > half || (rest == half && (count & 1) != 0)) ++count;
    } // else below half a unit: zero
    if (count > std::numeric_limits<std::uint64_t>::max()) return false;
    units = static_cast<std::uint64_t>(count);
    return true;
}

} // namespace

char* fixedCharsBefore(char* end, double value, int decimals) {
    std::uint64_t units = 0;
    if (decimals < 0 || decimals > 19 || !std::isfinite(value) ||
        !decimalUnits(value, decimals, units))
        return nullptr;
    // The text from its last character: the decimals and then the whole part two digits at a
    // time, the point between them, at least one digit before it, and the sign.
    static constexpr char pairs[] = "00010203040506070809101112131415161718192021222324"
                                    "25262728293031323334353637383940414243444546474849"
                                    "50515253545556575859606162636465666768697071727374"
                                    "75767778798081828384858687888990919293949596979899";
    char* at = end;
    int k = 0;
    for (; k + 2 <= decimals; k += 2, units /= 100) {
        at -= 2;
        std::memcpy(at, pairs + 2 * (units % 100), 2);
    }
    if (k < decimals) {
        *--at = static_cast<char>('0' + units % 10);
        units /= 10;
    }
    if (decimals > 0) *--at = '.';
    for (; units >= 100; units /= 100) {
        at -= 2;
        std::memcpy(at, pairs + 2 * (units % 100), 2);
    }
    if (units >= 10) {
        at -= 2;
        std::memcpy(at, pairs + 2 * units, 2);
    } else {
        *--at = static_cast<char>('0' + units);
    }
    if (std::signbit(value)) *--at = '-';
    return at;
}

namespace {

// As std::to_chars(first, last, value, std::chars_format::fixed, decimals), for the values
// whose digits fit in 64 bits (every number of a survey's lines); false for the others.
bool integerFixedChars(char* first, char* last, double value, int decimals,
                       std::to_chars_result& result) {
    char text[fixedCharsRoom];
    char* const end = text + sizeof text;
    const char* const at = fixedCharsBefore(end, value, decimals);
    if (at == nullptr) return false;
    const auto length = static_cast<std::size_t>(end - at);
    if (static_cast<std::size_t>(last - first) < length) {
        result = {last, std::errc::value_too_large};
        return true;
    }
    std::memcpy(first, at, length);
    result = {first + length, std::errc()};
    return true;
}

#else

bool integerFixedChars(char*, char*, double, int, std::to_chars_result&) { return false; }

} // namespace

char* fixedCharsBefore(char*, double, int) { return nullptr; }

namespace {

#endif

// The powers of ten that doubles hold exactly.
constexpr double exactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

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

} // namespace

// Digits below 2^53 and at most 22 of them after the point: that value and the power of ten are
// exact doubles, and their quotient, correctly rounded, is the double nearest the decimal.
const char* readPlainDecimalPrefix(const char* first, const char* last, double& value) {
    const char* at = first;
    const bool negative = at != last && *at == '-';
    if (negative) ++at;
    // More than 19 digits wrap around, and are then refused by their count.
    std::uint64_t digits = 0;
    const auto readDigits = [&] {
        const char* const start = at;
        for (; at != last && static_cast<unsigned char>(*at - '0') < 10; ++at)
            digits = digits * 10 + static_cast<std::uint64_t>(*at - '0');
        return static_cast<std::size_t>(at - start);
    };
    const std::size_t whole = readDigits();
    std::size_t decimals = 0;
    if (at != last && *at == '.') {
        ++at;
        decimals = readDigits();
    }
    if (whole + decimals == 0 || whole + decimals > 19 || decimals > 22 ||
        digits > (std::uint64_t{1} << 53))
        return nullptr;
    const double quotient = static_cast<double>(digits) / exactPowersOfTen[decimals];
    value = negative ? -quotient : quotient;
    return at;
}

bool readPlainDecimal(std::string_view text, double& value) {
    const char* const last = text.data() + text.size();
    double read = 0;
    const char* const end = readPlainDecimalPrefix(text.data(), last, read);
    if (end == nullptr || end != last) return false;
    value = read;
    return true;
}

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
    if (std::to_chars_result result; integerFixedChars(first, last, value, decimals, result))
        return result;
    return std::to_chars(first, last, value, std::chars_format::fixed, decimals);
}

std::from_chars_result readDouble(const char* first, const char* last, double& value) {
    if (readPlainDecimal({first, static_cast<std::size_t>(last - first)}, value))
        return {last, std::errc()};
    return std::from_chars(first, last, value);
}

#else

std::to_chars_result shortestChars(char* first, char* last, double value) {
    return portable::shortestChars(first, last, value);
}

std::to_chars_result fixedChars(char* first, char* last, double value, int decimals) {
    if (std::to_chars_result result; integerFixedChars(first, last, value, decimals, result))
        return result;
    return portable::fixedChars(first, last, value, decimals);
}

std::from_chars_result readDouble(const char* first, const char* last, double& value) {
    if (readPlainDecimal({first, static_cast<std::size_t>(last - first)}, value))
        return {last, std::errc()};
    return portable::readDouble(first, last, value);
}

#endif

} // namespace interseccao
