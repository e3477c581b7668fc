// JSON text written as a document is walked, without building it first: the layout is the one
// nlohmann/json's dump gives with an indent of 2 (members and elements one a line, "key": value,
// empty objects and arrays as {} and []), and every number and string reads byte for byte as the
// library would write it: the digits of a double are its own Grisu2 conversion, and a string
// that needs escaping or checking as UTF-8 goes through its serializer. A tree of a large run
// took several times the run's memory and most of the time it cost to write it; the library's
// serializer, value by value, cost most of what was left.
#pragma once

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace interseccao {

class JsonText {
public:
    // Writes to `out`, the first value indented by `depth` levels (its members one more).
    explicit JsonText(std::ostream& out, unsigned depth = 0);
    JsonText(const JsonText&) = delete;
    JsonText& operator=(const JsonText&) = delete;

    // One value where a value goes: in an array, after a key or as the document itself.
    // A number that is not finite is null (JSON has no such numbers).
    // Flattened: the library's conversion, inlined here, keeps its digits' count and exponent
    // in registers, where called it writes them through references.
    [[gnu::flatten]] void value(double number);
    void value(std::optional<double> number);
    void value(bool truth);
    void value(std::nullptr_t);
    void value(std::string_view text);
    void value(const std::string& text) { value(std::string_view(text)); }
    void value(const char* text) { value(std::string_view(text)); }
    template <std::integral Integer>
    requires(!std::same_as<Integer, bool>) void value(Integer number) {
        beforeValue();
        // The library keeps a signed integer as a 64-bit signed one and any other as unsigned,
        // and writes either in plain decimal, as to_chars does.
        using Kept = std::conditional_t<std::is_signed_v<Integer>, std::int64_t, std::uint64_t>;
        char* at = room(integerRoom);
        end_ = std::to_chars(at, at + integerRoom, static_cast<Kept>(number)).ptr;
    }

    // An object or an array whose members or elements `fill` writes.
    template <std::invocable Fill> void object(Fill&& fill) {
        open('{');
        fill();
        close('}');
    }
    template <std::invocable Fill> void array(Fill&& fill) {
        open('[');
        fill();
        close(']');
    }

    // A member of the object being written: its key (a name of the document's, written as
    // it stands) and its value, given as a value or as a function that writes one.
    template <typename Value> void member(std::string_view key, Value&& value) {
        this->key(key);
        if constexpr (std::is_invocable_v<Value>)
            value();
        else
            this->value(std::forward<Value>(value));
    }

    // What has been written so far goes to the stream: text is kept in memory up to a limit,
    // and what is left at the end goes only when flushed (a document given up half way, by an
    // exception, writes no more of itself).
    void flush();

private:
    using Serializer = nlohmann::detail::serializer<nlohmann::ordered_json>;

    // Characters the longest 64-bit integer takes, with its sign.
    static constexpr std::size_t integerRoom = 20;
    // Indentation up to this is written as this many spaces, of which the line keeps its own:
    // one copy of a fixed size costs less than one of the size asked, and the documents' lines
    // are rarely indented more.
    static constexpr std::size_t usualIndent = 32;

    // Room for `size` more characters after end_, which it returns.
    char* room(std::size_t size) {
        if (static_cast<std::size_t>(limit_ - end_) < size) grow(size);
        return end_;
    }
    // Rare, and out of the way of the hot paths that call room().
    [[gnu::noinline]] void grow(std::size_t size);
    // An empty view may hold no address, which memcpy may not be given.
    static char* copied(char* at, std::string_view text) {
        if (!text.empty()) std::memcpy(at, text.data(), text.size());
        return at + text.size();
    }
    void append(std::string_view text) { end_ = copied(room(text.size()), text); }

    void key(std::string_view name) {
        beforeValue();
        char* at = room(name.size() + 4);
        *at++ = '"';
        at = copied(at, name);
        std::memcpy(at, "\": ", 3);
        end_ = at + 3;
        afterKey_ = true;
    }
    void beforeValue() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (filled_.empty()) return; // the document itself
        newLine(filled_.back() != 0);
        filled_.back() = 1;
    }
    void open(char bracket);
    void close(char bracket);
    // A line for the next member or element (after a comma when `comma`), indented.
    void newLine(bool comma) {
        if (indent_ > usualIndent) return deepLine(comma);
        char* at = room(2 + usualIndent);
        *at = ',';
        at += comma ? 1 : 0;
        *at++ = '\n';
        std::memset(at, ' ', usualIndent);
        end_ = at + indent_;
    }
    void deepLine(bool comma);
    void escaped(std::string_view text);

    // The text of doubles written lately, found by their bits: a document writes many a
    // figure again close by (the references of a station share their redundancy, their
    // minimal detectable bias), and copying its text costs far less than converting it.
    struct KnownNumber {
        std::uint64_t bits = 0;
        std::array<char, 24> text{}; // the longest a double takes: -1.2345678901234567e-308
        std::uint8_t length = 0;     // none known yet when 0
    };
    static constexpr std::size_t knownNumbers = 64;
    static constexpr int knownShift = 58; // 64 − log2(knownNumbers)

    std::ostream& out_;
    std::unique_ptr<char[]> text_;
    char* end_;   // where the next character goes
    char* limit_; // the end of the room of text_
    // Strings that need the library's escaping or its check of UTF-8, made only when one comes.
    std::string escapedText_;
    std::unique_ptr<Serializer> serializer_;
    // For each object or array open, whether it has a member or element yet.
    std::vector<unsigned char> filled_;
    // Spaces before a member or element of the innermost one open: its depth, in spaces.
    std::size_t indent_;
    bool afterKey_ = false;
    std::array<KnownNumber, knownNumbers> known_{};
};

} // namespace interseccao
