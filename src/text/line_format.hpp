// Line layouts: turns a layout such as "('M = ',F12.3,' m')" and its values into one line of text.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace interseccao {

// One value for a layout item: F takes a real, I an integer, A a text.
using FieldValue = std::variant<double, std::int64_t, std::string_view>;

// Appends one line to `out` (a caller reuses one buffer); true when the line stays open: the
// layout ends in a backslash, the cursor stays on the line. Values are consumed in the order
// of the layout's value items; a missing or mistyped value, like a malformed layout, is a
// programming error (std::logic_error), never an input's.
bool appendLine(std::string& out, std::string_view layout, std::span<const FieldValue> values);

// Fw.d alone: rounded to nearest (ties to even on the exact binary value), right-aligned;
// the zero before the point is dropped when only it does not fit; w asterisks when the
// number does not fit or is not finite.
std::string formatReal(double value, int width, int decimals);

} // namespace interseccao
