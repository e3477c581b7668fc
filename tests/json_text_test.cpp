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
#include <vector>

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

// An empty view holds no address at all (a name the file left empty): written as "" under
// the sanitizers too.
TEST(JsonText, EmptyViewsWithoutAnAddress) {
    std::ostringstream out;
    {
        JsonText j(out);
        j.object([&] {
            j.member(std::string_view(), std::string_view());
            j.member("b", std::string_view());
        });
        j.flush();
    }
    EXPECT_EQ(out.str(), "{\n  \"\": \"\",\n  \"b\": \"\"\n}");
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

// One value written alone as a document.
template <typename Value> std::string alone(const Value& value) {
    std::ostringstream out;
    JsonText j(out);
    j.value(value);
    j.flush();
    return out.str();
}

// Doubles of every bit pattern and the edges of the library's layout of them: the exponent
// form beyond 1e15 and below 1e-4, ".0" after a whole number, zeros of either sign,
// denormals, the largest and the smallest.
TEST(JsonText, DoublesAsTheLibraryWritesThem) {
    const double edges[] = {0.0,
                            -0.0,
                            1.0,
                            -1.0,
                            1e15,
                            1e16,
                            1e17,
                            999999999999999.9,
                            123456789012345680.0,
                            1e21,
                            1e-4,
                            9.999999999999999e-5,
                            1e-5,
                            0.1,
                            5e-324,
                            -5e-324,
                            2.2250738585072009e-308,
                            2.2250738585072014e-308,
                            std::numeric_limits<double>::max(),
                            -std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::epsilon(),
                            9007199254740993.0,
                            4503599627370496.5,
                            0.30000000000000004};
    for (const double x : edges) EXPECT_EQ(alone(x), json(x).dump()) << x;
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t bits = random();
        double x = 0;
        std::memcpy(&x, &bits, sizeof x);
        ASSERT_EQ(alone(x), json(x).dump()) << bits;
        // Values of a survey's size too: metres, radians, small deviations.
        const double scaled =
            static_cast<double>(bits >> 11) * 0x1p-53 * std::pow(10.0, i % 12 - 6);
        ASSERT_EQ(alone(scaled), json(scaled).dump()) << scaled;
    }
}

// Doubles written again in one document, near and far apart, among others that share the
// place kept for them: zeros of either sign, the longest texts, neighbours one bit apart.
TEST(JsonText, DoublesWrittenAgainAsTheLibraryWritesThem) {
    std::mt19937_64 random(11);
    std::vector<double> pool = {0.0, -0.0, -1.2345678901234567e-308, 1e21, 0.1, 5e-324};
    for (int i = 0; i < 300; ++i) {
        const std::uint64_t bits = random();
        double x = 0;
        std::memcpy(&x, &bits, sizeof x);
        if (!std::isfinite(x)) continue;
        pool.push_back(x);
        pool.push_back(std::nextafter(x, 0.0));
    }
    json document = json::array();
    for (int i = 0; i < 20000; ++i) {
        const std::size_t near = static_cast<std::size_t>(random() % 8);
        const std::size_t any = static_cast<std::size_t>(random() % pool.size());
        document.push_back(pool[i % 3 == 0 ? any : near]);
    }
    EXPECT_EQ(streamed(document), document.dump(2));
}

TEST(JsonText, IntegersOfEveryTypeAsTheLibraryWritesThem) {
    EXPECT_EQ(alone(std::numeric_limits<std::int64_t>::min()),
              json(std::numeric_limits<std::int64_t>::min()).dump());
    EXPECT_EQ(alone(std::numeric_limits<std::uint64_t>::max()),
              json(std::numeric_limits<std::uint64_t>::max()).dump());
    EXPECT_EQ(alone(std::numeric_limits<int>::min()), json(std::numeric_limits<int>::min()).dump());
    EXPECT_EQ(alone(std::numeric_limits<unsigned>::max()),
              json(std::numeric_limits<unsigned>::max()).dump());
    EXPECT_EQ(alone(short{-7}), json(short{-7}).dump());
    EXPECT_EQ(alone(static_cast<unsigned char>(200)), json(static_cast<unsigned char>(200)).dump());
    EXPECT_EQ(alone(std::size_t{0}), json(std::size_t{0}).dump());
    EXPECT_EQ(alone(-1L), json(-1L).dump());
}

// Strings written as they stand and strings the library escapes or checks, at the edges of
// the one and the other; and text longer than is kept at first.
TEST(JsonText, StringsAsTheLibraryWritesThem) {
    std::string printable;
    for (int c = 0x20; c < 0x7F; ++c) printable += static_cast<char>(c);
    const std::string texts[] = {"",
                                 "plain",
                                 printable,
                                 "\x7f at the end\x7f",
                                 "\"",
                                 "\\",
                                 "tab\tinside",
                                 std::string(1, '\0'),
                                 "\x1f",
                                 "\xC3\x87 first",
                                 "last \xC3\x87",
                                 "\xE2\x82\xAC \xF0\x9F\x98\x80 wide",
                                 std::string(100000, 'a'),
                                 std::string(70000, 'b') + "\n" + std::string(70000, 'c')};
    for (const std::string& text : texts) EXPECT_EQ(alone(text), json(text).dump()) << text;
    std::ostringstream out;
    {
        JsonText j(out, 1);
        j.array([&] {
            for (const std::string& text : texts) j.value(std::string_view(text));
        });
        j.flush();
    }
    json all = json::array();
    for (const std::string& text : texts) all.push_back(text);
    EXPECT_EQ(out.str(), indented(all.dump(2), 1));
}

// Nested to the deepest the text is indented and one level more.
TEST(JsonText, NestedDeeplyAsTheLibraryDumps) {
    for (const int levels : {15, 16, 17, 40, 127}) {
        json document = json::array({1});
        for (int level = 1; level < levels; ++level)
            document = level % 2 == 0 ? json::array({document, 2}) : json{{"k", document}};
        EXPECT_EQ(streamed(document), document.dump(2)) << levels;
        EXPECT_EQ(streamed(document, 1), indented(document.dump(2), 1)) << levels;
    }
    json tooDeep = json::array({1});
    for (int level = 1; level < 129; ++level) tooDeep = json::array({tooDeep});
    EXPECT_THROW(streamed(tooDeep), std::length_error);
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
    // A lone continuation byte, a sequence cut short, an overlong form, a surrogate, beyond
    // the last code point.
    for (const std::string bad :
         {"\x80", "a\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_THROW(json(bad).dump(), json::type_error) << bad;
        EXPECT_THROW(alone(bad), json::type_error) << bad;
    }
}

} // namespace
} // namespace interseccao
