// The line formatter: parses a layout item by item and sets each value into its field.
#include "text/line_format.hpp"
#include "model/thread_cache.hpp"
#include "text/float_chars.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

namespace interseccao {

namespace {

// Reads the decimal number at the front of `s` and advances past it; -1 when there is none.
int takeNumber(std::string_view& s) {
    int n = -1;
    while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
        n = (n < 0 ? 0 : n * 10) + (s.front() - '0');
        s.remove_prefix(1);
    }
    return n;
}

class ValueCursor {
public:
    explicit ValueCursor(std::span<const FieldValue> values) : values_(values) {}

    template <class T> T next(std::string_view layout) {
        if (index_ >= values_.size() || !std::holds_alternative<T>(values_[index_]))
            throw std::logic_error("layout " + std::string(layout) + ": missing or mistyped value");
        return std::get<T>(values_[index_++]);
    }

private:
    std::span<const FieldValue> values_;
    std::size_t index_ = 0;
};

void appendReal(std::string& out, double value, int width, int decimals) {
    if (!std::isfinite(value)) {
        out.append(width, '*');
        return;
    }
    // A zero is not below zero: negative zero is written like zero.
    if (value == 0) value = 0.0;
    // Wide enough for the largest double with more decimals than any layout asks for; a
    // number that does not fit here does not fit its field either. A survey's numbers are
    // written at once at the end of the room that they need, with the point after them.
    char buffer[400];
    char* const numberEnd = buffer + fixedCharsRoom;
    const char* begin = fixedCharsBefore(numberEnd, value, decimals);
    char* end = numberEnd;
    if (begin == nullptr) {
        std::to_chars_result written =
            fixedChars(buffer, buffer + sizeof buffer - 1, value, decimals);
        if (written.ec != std::errc()) {
            out.append(width, '*');
            return;
        }
        begin = buffer;
        end = written.ptr;
    }
    if (decimals == 0) *end++ = '.';
    std::string_view s(begin, static_cast<std::size_t>(end - begin));
    const int length = static_cast<int>(s.size());
    if (length <= width) {
        out.append(width - length, ' ');
        out += s;
        return;
    }
    // One character too many and a leading zero before the point: the zero goes.
    if (length == width + 1) {
        const std::size_t zero = s.front() == '-' ? 1 : 0;
        if (s.substr(zero, 2) == "0.") {
            out += s.substr(0, zero);
            out += s.substr(zero + 1);
            return;
        }
    }
    out.append(width, '*');
}

void appendInteger(std::string& out, std::int64_t value, int width) {
    char buffer[24];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    const int length = static_cast<int>(end - buffer);
    if (error != std::errc() || length > width) {
        out.append(width, '*');
        return;
    }
    out.append(width - length, ' ');
    out.append(buffer, end);
}

void appendText(std::string& out, std::string_view text, int width, TextEncoding encoding) {
    const auto characters = static_cast<int>(characterCount(text, encoding));
    if (characters >= width) {
        out += text.substr(0, prefixLength(text, static_cast<std::size_t>(width), encoding));
        return;
    }
    out.append(static_cast<std::size_t>(width - characters), ' ');
    out += text;
}

} // namespace

std::string formatReal(double value, int width, int decimals) {
    std::string s;
    appendReal(s, value, width, decimals);
    return s;
}

namespace {

// One item of a layout, as its parse leaves it.
enum class ItemKind : unsigned char { Literal, Text, WholeText, Real, Integer, Blanks };

struct LayoutItem {
    ItemKind kind = ItemKind::Literal;
    int width = 0; // of a field, or the count of blanks
    int decimals = 0;
    std::size_t begin = 0, length = 0; // a literal's bytes within the layout
    std::string utf8;                  // the literal in UTF-8
};

// A layout taken apart once: every line written with it afterwards only fills its fields.
struct ParsedLayout {
    std::string layout; // as parsed, to tell it from another layout found in its place
    std::vector<LayoutItem> items;
    bool open = false;
};

void parseItem(std::string_view& items, const std::string& layout, ParsedLayout& parsed) {
    const auto malformed = [&] { return std::logic_error("malformed layout " + layout); };
    LayoutItem item;
    const char c = items.front();
    if (c == '\\') {
        items.remove_prefix(1);
        parsed.open = true;
        return;
    }
    if (c == '\'') {
        const std::size_t close = items.find('\'', 1);
        if (close == std::string_view::npos) throw malformed();
        item.begin = static_cast<std::size_t>(items.data() + 1 - layout.data());
        item.length = close - 1;
        item.utf8 = toUtf8(items.substr(1, close - 1));
        items.remove_prefix(close + 1);
    } else if (c == 'A' || c == 'a') {
        items.remove_prefix(1);
        item.width = takeNumber(items);
        item.kind = item.width < 0 ? ItemKind::WholeText : ItemKind::Text;
    } else if (c == 'F') {
        items.remove_prefix(1);
        item.kind = ItemKind::Real;
        item.width = takeNumber(items);
        if (item.width < 0 || items.empty() || items.front() != '.') throw malformed();
        items.remove_prefix(1);
        item.decimals = takeNumber(items);
        if (item.decimals < 0) throw malformed();
    } else if (c == 'I') {
        items.remove_prefix(1);
        item.kind = ItemKind::Integer;
        item.width = takeNumber(items);
        if (item.width < 0) throw malformed();
    } else if (c >= '0' && c <= '9') {
        item.kind = ItemKind::Blanks;
        item.width = takeNumber(items);
        if (items.empty() || items.front() != 'X') throw malformed();
        items.remove_prefix(1);
    } else {
        throw malformed();
    }
    parsed.items.push_back(std::move(item));
}

void parseLayout(std::string_view layout, ParsedLayout& parsed) {
    parsed.layout.assign(layout);
    parsed.items.clear();
    parsed.open = false;
    const std::string& text = parsed.layout;
    try {
        if (text.size() < 2 || text.front() != '(' || text.back() != ')')
            throw std::logic_error("malformed layout " + text);
        std::string_view items = std::string_view(text).substr(1, text.size() - 2);
        while (!items.empty()) {
            parseItem(items, text, parsed);
            // Items are separated by commas; the closing backslash may follow without one.
            if (!items.empty() && items.front() != '\\') {
                if (items.front() != ',' || parsed.open)
                    throw std::logic_error("malformed layout " + text);
                items.remove_prefix(1);
            }
        }
    } catch (...) {
        // Left as no layout at all, so that it is parsed (and refused) again the next time.
        parsed.layout.clear();
        throw;
    }
}

// The parsed layouts of the lines written so far, found by where the layout's text stands:
// nearly every layout is a literal of the program, written again for every station. A slot
// holds the text it was parsed from, so that another layout at that place (a layout built
// for the line) is told apart and parsed anew. Each thread keeps its own table: runs side by
// side share nothing.
const ParsedLayout& parsedLayout(std::string_view layout) {
    constexpr std::size_t slotBits = 8; // 256 slots: a few times the program's layouts
    constexpr std::size_t probes = 8;   // slots looked at from the first before one is taken
    struct ParsedLayouts {
        std::vector<ParsedLayout> slots = std::vector<ParsedLayout>(std::size_t{1} << slotBits);
    };
    std::vector<ParsedLayout>& slots = threadCache<ParsedLayouts>().slots;
    const auto address =
        static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(layout.data()));
    // Fibonacci hashing of the address: neighbouring literals start in different slots.
    const std::size_t first =
        static_cast<std::size_t>((address * 0x9E3779B97F4A7C15u) >> (64 - slotBits));
    const std::size_t mask = slots.size() - 1;
    // No layout is empty: an empty slot is one never filled, or one whose layout was refused.
    for (std::size_t probe = 0; probe < probes; ++probe) {
        ParsedLayout& parsed = slots[(first + probe) & mask];
        if (parsed.layout.empty()) {
            parseLayout(layout, parsed);
            return parsed;
        }
        if (parsed.layout == layout) return parsed;
    }
    // Every slot looked at holds another layout: the first gives way.
    ParsedLayout& parsed = slots[first];
    parseLayout(layout, parsed);
    return parsed;
}

} // namespace

bool appendLine(std::string& out, std::string_view layout, std::span<const FieldValue> values,
                TextEncoding encoding) {
    const ParsedLayout& parsed = parsedLayout(layout);
    ValueCursor cursor(values);
    const std::string_view text = parsed.layout;
    for (const LayoutItem& item : parsed.items) {
        switch (item.kind) {
        case ItemKind::Literal:
            // The layouts are written in Latin-1 (the report's degree sign is byte 0xBA).
            if (encoding == TextEncoding::Utf8)
                out += item.utf8;
            else
                out.append(text.data() + item.begin, item.length);
            break;
        case ItemKind::Text:
            appendText(out, cursor.next<std::string_view>(text), item.width, encoding);
            break;
        case ItemKind::WholeText: out += cursor.next<std::string_view>(text); break;
        case ItemKind::Real:
            appendReal(out, cursor.next<double>(text), item.width, item.decimals);
            break;
        case ItemKind::Integer:
            appendInteger(out, cursor.next<std::int64_t>(text), item.width);
            break;
        case ItemKind::Blanks: out.append(static_cast<std::size_t>(item.width), ' '); break;
        }
    }
    return parsed.open;
}

} // namespace interseccao
