// Doubles to text and back, as std::to_chars and std::from_chars do them. Where the C++ library
// has no floating-point versions of these (the build's check says), the same results come from
// the C library's exact printf and correctly rounded strtod.
#pragma once

#include <charconv>
#include <cstddef>
#include <string_view>

namespace interseccao {

// As std::to_chars(first, last, value): the shortest text that reads back to `value`, in fixed
// or scientific notation, whichever is shorter (fixed on a tie).
std::to_chars_result shortestChars(char* first, char* last, double value);

// As std::to_chars(first, last, value, std::chars_format::fixed, decimals).
std::to_chars_result fixedChars(char* first, char* last, double value, int decimals);

// The text of fixedChars(value, decimals) written just before `end`, at most fixedCharsRoom
// characters, for the values whose digits fit in 64 bits with at most 19 decimals (every
// number of a survey's lines): where it begins. Null, nothing written, for any other.
inline constexpr std::size_t fixedCharsRoom = 48;
char* fixedCharsBefore(char* end, double value, int decimals);

// As std::from_chars(first, last, value) in the general format.
std::from_chars_result readDouble(const char* first, const char* last, double& value);

// A plain decimal, the whole text: an optional minus, digits with at most one point among them,
// no exponent ("12345.678", "-.5"), read as from_chars reads it. False, the value untouched,
// for any other text and for the plain decimals of too many digits (readDouble reads those).
bool readPlainDecimal(std::string_view text, double& value);

// The plain decimal at the front of [first, last), the longest there, read as readPlainDecimal
// reads a whole text: where it ends, and its value. Null, the value untouched, when the front
// holds none, or one of too many digits.
const char* readPlainDecimalPrefix(const char* first, const char* last, double& value);

// The versions made from printf and strtod, built everywhere so that the tests can hold them
// against the C++ library's own.
namespace portable {
std::to_chars_result shortestChars(char* first, char* last, double value);
std::to_chars_result fixedChars(char* first, char* last, double value, int decimals);
std::from_chars_result readDouble(const char* first, const char* last, double& value);
} // namespace portable

} // namespace interseccao
