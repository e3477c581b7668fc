// The JSON text of a document, written as it is walked.
#include "export/json_text.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace interseccao {

namespace {

constexpr unsigned indentStep = 2; // spaces a level, as dump(2) indents
// Text kept before it goes to the stream: large enough that the stream is written in big
// pieces, small enough that a run of any size holds little of it.
constexpr std::size_t keptText = std::size_t{1} << 16;
// Room made at first: what is kept, and a value more than the limit before it goes.
constexpr std::size_t firstRoom = keptText + keptText / 4;
// The deepest indentation written, in spaces: deeper is an error, not a document.
constexpr std::size_t deepestIndent = 256;
// Room for the text of a double: the library's own buffer for it.
constexpr std::size_t numberRoom = 64;

// Whether the library writes `text` as it stands: printable ASCII without quotes or
// backslashes (bytes of 0x80 and above it checks as UTF-8, control bytes it escapes).
bool plain(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x80 || byte == '"' || byte == '\\') return false;
    }
    return true;
}

} // namespace

JsonText::JsonText(std::ostream& out, unsigned depth)
    : out_(out), text_(new char[firstRoom]), end_(text_.get()), limit_(text_.get() + firstRoom),
      indent_(depth * indentStep) {}

void JsonText::flush() {
    out_.write(text_.get(), static_cast<std::streamsize>(end_ - text_.get()));
    end_ = text_.get();
}

void JsonText::grow(std::size_t size) {
    const auto used = static_cast<std::size_t>(end_ - text_.get());
    const auto had = static_cast<std::size_t>(limit_ - text_.get());
    const std::size_t wanted = std::max(2 * had, used + size);
    std::unique_ptr<char[]> larger(new char[wanted]);
    if (used > 0) std::memcpy(larger.get(), text_.get(), used);
    text_ = std::move(larger);
    end_ = text_.get() + used;
    limit_ = text_.get() + wanted;
}

void JsonText::deepLine(bool comma) {
    if (indent_ > deepestIndent) throw std::length_error("JSON nested too deep");
    char* at = room(2 + indent_);
    *at = ',';
    at += comma ? 1 : 0;
    *at++ = '\n';
    std::memset(at, ' ', indent_);
    end_ = at + indent_;
}

void JsonText::open(char bracket) {
    beforeValue();
    *room(1) = bracket;
    ++end_;
    filled_.push_back(0);
    indent_ += indentStep;
}

void JsonText::close(char bracket) {
    const bool filled = filled_.back() != 0;
    filled_.pop_back();
    indent_ -= indentStep;
    if (filled) newLine(false);
    *room(1) = bracket;
    ++end_;
    if (static_cast<std::size_t>(end_ - text_.get()) >= keptText) flush();
}

void JsonText::value(double number) {
    if (!std::isfinite(number)) return value(nullptr);
    beforeValue();
    std::uint64_t bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    // Fibonacci hashing: the top bits of the product mix every bit of the double's.
    constexpr std::uint64_t golden = 0x9E3779B97F4A7C15u;
    KnownNumber& known = known_[static_cast<std::size_t>((bits * golden) >> knownShift)];
    char* at = room(numberRoom);
    if (known.length != 0 && known.bits == bits) {
        std::memcpy(at, known.text.data(), known.text.size());
        end_ = at + known.length;
        return;
    }
    end_ = nlohmann::detail::to_chars(at, at + numberRoom, number);
    known.bits = bits;
    known.length = static_cast<std::uint8_t>(end_ - at);
    // A copy of a fixed size: what follows the number in the room is kept but never written.
    std::memcpy(known.text.data(), at, known.text.size());
}

void JsonText::value(std::optional<double> number) {
    if (number)
        value(*number);
    else
        value(nullptr);
}

void JsonText::value(bool truth) {
    beforeValue();
    append(truth ? std::string_view("true") : std::string_view("false"));
}

void JsonText::value(std::nullptr_t) {
    beforeValue();
    append("null");
}

void JsonText::value(std::string_view text) {
    beforeValue();
    if (!plain(text)) return escaped(text);
    char* at = room(text.size() + 2);
    *at++ = '"';
    at = copied(at, text);
    *at++ = '"';
    end_ = at;
}

// The library escapes the string and checks its UTF-8 (throwing, as its dump does, on text
// that is not UTF-8); what it wrote joins the text only when it took all of the string.
void JsonText::escaped(std::string_view text) {
    if (!serializer_)
        serializer_ = std::make_unique<Serializer>(
            nlohmann::detail::output_adapter<char, std::string>(escapedText_), ' ');
    escapedText_.clear();
    serializer_->dump(nlohmann::ordered_json(std::string(text)), false, false, 0);
    append(escapedText_);
}

} // namespace interseccao
