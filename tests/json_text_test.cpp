// JSON text written as it goes against nlohmann/json's dump(2) of the same document as a tree:
// the same bytes for the edges of the layout, of numbers and of strings, and for random
// documents; the same refusal of text that is not UTF-8.
#include "export/json_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>

namespace interseccao {
namespace {

using json = nlohmann::ordered_json;

// The tree written through JsonText, value by value.
void writeTree(JsonText& j, const json& value) {
    switch (value.type()) {
    case json::value_t::object:
        j.object([&] {
            for (auto member = value.begin(); member != value.end(); ++member)
                j.member(member.key(), [&] { writeTree(j, *member); });
        });
        return;
    case json::value_t::array:
        j.array([&] {
            for (const json& element : value) writeTree(j, element);
        });
        return;
    case json::value_t::string: return j.value(value.get<std::string>());
    case json::value_t::boolean: return j.value(value.get<bool>());
    case json::value_t::number_integer: return j.value(value.get<std::int64_t>());
    case json::value_t::number_unsigned: return j.value(value.get<std::uint64_t>());
    case json::value_t::number_float: return j.value(value.get<double>());
    default: return j.value(nullptr);
    }
}

std::string streamed(const json& document, unsigned depth = 0) {
    std::ostringstream out;
    {
        JsonText j(out, depth);
        writeTree(j, document);
        j.flush();
    }
    return out.str();
}

// The library's text with every line after the first indented by `depth` levels.
std::string indented(const std::string& text, unsigned depth) {
    std::string result;
    for (const char c : text) {
        result += c;
        if (c == '\n') result.append(2 * depth, ' ');
    }
    return result;
}

TEST(JsonText, WritesWhatTheLibraryDumps) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const json documents[] = {
        json::object(),
        json::array(),
        json{{"a", json::object()}, {"b", json::array()}, {"c", {json::array(), json::object()}}},
        json{{"zero", 0.0},
             {"minus_zero", -0.0},
             {"five", 5.0},
             {"big", 1e21},
             {"small", 2.4e-5},
             {"tenth", 0.1},
             {"third", 1.0 / 3},
             {"max", std::numeric_limits<double>::max()},
             {"tiny", std::numeric_limits<double>::denorm_min()},
             {"fourth", 1e-4},
             {"long", 121.83036800000002}},
        json{{"ints",
              {0, -1, std::numeric_limits<std::int64_t>::min(),
               std::numeric_limits<std::uint64_t>::max()}}},
        json{{"texts",
              {"", "ESTAÇÃO", "a\"b\\c/d", "\x01\x1f\x7f", "\b\f\n\r\t",
               std::string("nul\0in", 6)}}},
        json{{"truth", {true, false, nullptr}}},
        json{{"deep", {{{"x", {{{"y", {1, {2, {3}}}}}}}}}}},
        json("a string alone"),
        json(42),
    };
    for (const json& document : documents)
        for (const unsigned depth : {0u, 2u}) {
            EXPECT_EQ(streamed(document, depth), indented(document.dump(2), depth))
                << document.dump();
        }
    // Numbers that are not finite are null, as the library writes them.
    EXPECT_EQ(streamed(json{nan, inf, -inf}), "[\n  null,\n  null,\n  null\n]");
    std::ostringstream out;
    {
        JsonText j(out);
        j.array([&] {
            j.value(std::optional<double>());
            j.value(std::optional<double>(2.5));
            j.value("text");
        });
        j.flush();
    }
    EXPECT_EQ(out.str(), "[\n  null,\n  2.5,\n  \"text\"\n]");
}

// Random documents: objects and arrays nested to random depths, doubles of any bit pattern,
// integers of every size, strings of every byte below 0x80; more text than is kept before it
// goes to the stream.
json randomValue(std::mt19937_64& random, int depth) {
    const int kind = static_cast<int>(random() % (depth > 4 ? 5 : 7));
    switch (kind) {
    case 0: {
        // memcpy, not std::bit_cast: the WebAssembly build's C++ library has none.
        const std::uint64_t bits = random();
        double pattern = 0;
        std::memcpy(&pattern, &bits, sizeof pattern);
        return pattern;
    }
    case 1: return static_cast<std::int64_t>(random());
    case 2: return random() % 2 == 0;
    case 3: return nullptr;
    case 4: {
        std::string text(random() % 12, ' ');
        for (char& c : text) c = static_cast<char>(random() % 0x80);
        return text;
    }
    case 5: {
        json array = json::array();
        for (std::uint64_t n = random() % 6; n > 0; --n)
            array.push_back(randomValue(random, depth + 1));
        return array;
    }
    default: {
        json object = json::object();
        for (std::uint64_t n = random() % 6; n > 0; --n)
            object["k" + std::to_string(n)] = randomValue(random, depth + 1);
        return object;
    }
    }
}

TEST(JsonText, RandomDocumentsAsTheLibraryDumpsThem) {
    std::mt19937_64 random(2026);
    for (int round = 0; round < 300; ++round) {
        json document = json::array();
        for (int i = 0; i < 40; ++i) document.push_back(randomValue(random, 0));
        ASSERT_EQ(streamed(document), document.dump(2)) << round;
    }
    json large = json::array();
    for (int i = 0; i < 20000; ++i) large.push_back({{"i", i}, {"x", i / 7.0}});
    EXPECT_EQ(streamed(large, 1), indented(large.dump(2), 1));
}

TEST(JsonText, RefusesTextThatIsNotUtf8AsTheLibraryDoes) {
    const std::string latin1 = "ESTA\xC7\xC3O";
    EXPECT_THROW(json(latin1).dump(), json::type_error);
    std::ostringstream out;
    EXPECT_THROW(
        {
            JsonText j(out);
            j.object([&] { j.member("nome", latin1); });
        },
        json::type_error);
    // Nothing of a document left by an error reaches the stream.
    EXPECT_EQ(out.str(), "");
}

} // namespace
} // namespace interseccao
