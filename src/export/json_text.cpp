// The JSON text of a document, written as it is walked.
#include "export/json_text.hpp"

#include <cmath>
#include <stdexcept>

namespace interseccao {

namespace {

constexpr unsigned indentStep = 2; // spaces a level, as dump(2) indents
// Text kept before it goes to the stream: large enough that the stream is written in big
// pieces, small enough that a run of any size holds little of it.
constexpr std::size_t keptText = std::size_t{1} << 16;

// A comma, a line end and the indentation of any depth the documents reach: a new member or
// element is one piece of it (without the comma for the first).
const std::string& lineStarts() {
    static const std::string starts = ",\n" + std::string(256, ' ');
    return starts;
}

} // namespace

JsonText::JsonText(std::ostream& out, unsigned depth)
    : out_(out), serializer_(nlohmann::detail::output_adapter<char, std::string>(text_), ' '),
      depth_(depth) {
    text_.reserve(keptText + keptText / 4);
}

void JsonText::flush() {
    out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
    text_.clear();
}

void JsonText::newLine(std::size_t level, bool comma) {
    const std::size_t indent = (depth_ + level) * indentStep;
    const std::string& starts = lineStarts();
    if (indent + 2 > starts.size()) throw std::length_error("JSON nested too deep");
    text_.append(starts, comma ? 0 : 1, indent + (comma ? 2 : 1));
}

void JsonText::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (filled_.empty()) return; // the document itself
    newLine(filled_.size(), filled_.back());
    filled_.back() = true;
}

void JsonText::key(std::string_view name) {
    beforeValue();
    text_ += '"';
    text_ += name;
    text_ += "\": ";
    afterKey_ = true;
}

void JsonText::open(char bracket) {
    beforeValue();
    text_ += bracket;
    filled_.push_back(false);
}

void JsonText::close(char bracket) {
    const bool filled = filled_.back();
    filled_.pop_back();
    if (filled) newLine(filled_.size(), false);
    text_ += bracket;
    if (text_.size() >= keptText) flush();
}

void JsonText::write(const nlohmann::ordered_json& scalar) {
    beforeValue();
    serializer_.dump(scalar, false, false, 0);
}

void JsonText::value(double number) {
    if (std::isfinite(number))
        write(nlohmann::ordered_json(number));
    else
        value(nullptr);
}

void JsonText::value(std::optional<double> number) {
    if (number)
        value(*number);
    else
        value(nullptr);
}

void JsonText::value(bool truth) {
    beforeValue();
    text_ += truth ? "true" : "false";
}

void JsonText::value(std::nullptr_t) {
    beforeValue();
    text_ += "null";
}

void JsonText::value(const std::string& text) { write(nlohmann::ordered_json(text)); }

void JsonText::value(const char* text) { write(nlohmann::ordered_json(text)); }

} // namespace interseccao
