// JSON text written as a document is walked, without building it first: the layout is the one
// nlohmann/json's dump gives with an indent of 2 (members and elements one a line, "key": value,
// empty objects and arrays as {} and []), and the text of every number and string is made by
// nlohmann/json's own serializer, so a document reads byte for byte as the library would write
// the same values. A tree of a large run took several times the run's memory and most of the
// time it cost to write it.
#pragma once

#include <nlohmann/json.hpp>

#include <concepts>
#include <cstddef>
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
    void value(double number);
    void value(std::optional<double> number);
    void value(bool truth);
    void value(std::nullptr_t);
    void value(const std::string& text);
    void value(const char* text);
    template <std::integral Integer>
    requires(!std::same_as<Integer, bool>) void value(Integer number) {
        write(nlohmann::ordered_json(number));
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
    void key(std::string_view name);
    void open(char bracket);
    void close(char bracket);
    void beforeValue();
    void newLine(std::size_t level, bool comma);
    void write(const nlohmann::ordered_json& scalar);

    std::ostream& out_;
    std::string text_;
    nlohmann::detail::serializer<nlohmann::ordered_json> serializer_;
    unsigned depth_;
    // For each object or array open, whether it has a member or element yet.
    std::vector<bool> filled_;
    bool afterKey_ = false;
};

} // namespace interseccao
