// The line formatter: F, I and A fields, blanks, quoted texts and the open prompt line.
#include "support.hpp"
#include "text/line_format.hpp"
#include "text/output.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace interseccao {
namespace {

using testing::formatInteger;
using testing::formatLine;
using testing::FormattedLine;
using testing::formatText;

struct RealCase {
    double value;
    int width;
    int decimals;
    const char* expected;
};

TEST(FormatReal, RoundsAndAlignsInItsField) {
    const std::vector<RealCase> cases = {
        {0.0123, 5, 3, "0.012"},
        {12.5, 5, 3, "*****"}, // 12.500 needs six characters
        {-1234.5678, 12, 3, "   -1234.568"},
        {90.0, 11, 6, "  90.000000"},
        {2.25, 5, 1, "  2.2"}, // a tie on the exact binary value goes to even
        {2.35, 5, 1, "  2.4"}, // 2.35 is stored a little above 2.35
        {0.125, 5, 2, " 0.12"},
        {0.375, 5, 2, " 0.38"},
        {-0.0123, 5, 3, "-.012"}, // one character short: the zero before the point goes
        {0.5, 2, 1, ".5"},
        {-0.5, 2, 1, "**"},
        {-0.001, 5, 2, "-0.00"}, // rounds to zero from below: the sign stays
        {-0.0, 5, 2, " 0.00"},   // negative zero is not below zero
        {0.0, 5, 3, "0.000"},
        {99.96, 5, 1, "100.0"},  // rounding carries into a new digit that still fits
        {999.96, 5, 1, "*****"}, // ... and one that does not
        {59.96, 5, 1, " 60.0"},
    };
    for (const RealCase& c : cases)
        EXPECT_EQ(formatReal(c.value, c.width, c.decimals), c.expected)
            << c.value << " in F" << c.width << "." << c.decimals;
}

// Random values of every magnitude, ties on the exact binary value among them, against the C
// library's fixed notation cut into the field as the layouts cut it.
TEST(FormatReal, AgreesWithTheCLibraryOnEveryWidthAndDecimals) {
    std::mt19937_64 random(17);
    const auto reference = [](double value, int width, int decimals) {
        if (value == 0) value = 0.0;
        std::vector<char> buffer(400);
        std::snprintf(buffer.data(), buffer.size(), "%.*f", decimals, value);
        std::string s = buffer.data();
        if (decimals == 0) s += '.';
        if (static_cast<int>(s.size()) <= width) return std::string(width - s.size(), ' ') + s;
        const std::size_t zero = s.front() == '-' ? 1 : 0;
        if (static_cast<int>(s.size()) == width + 1 && s.compare(zero, 2, "0.") == 0)
            return s.erase(zero, 1);
        return std::string(width, '*');
    };
    for (int i = 0; i < 20000; ++i) {
        double value = 0;
        switch (random() % 4) {
        case 0: // a multiple of a power of two: many ties at a few decimals
            value = std::ldexp(static_cast<double>(random() % 100000),
                               -static_cast<int>(random() % 12));
            break;
        case 1:
            value =
                std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 80));
            break;
        case 2: value = std::pow(10.0, static_cast<double>(random() % 40) - 20.0) * 1.5; break;
        default: {
            const std::uint64_t bits = random();
            std::memcpy(&value, &bits, sizeof value);
            if (!std::isfinite(value)) value = 0.0;
        }
        }
        if (random() % 2 == 0) value = -value;
        const int width = 1 + static_cast<int>(random() % 20);
        const int decimals = static_cast<int>(random() % 10);
        EXPECT_EQ(formatReal(value, width, decimals), reference(value, width, decimals))
            << std::hexfloat << value << " in F" << width << "." << decimals;
    }
    // The largest values with a field wide enough for them.
    const double largest = std::numeric_limits<double>::max();
    EXPECT_EQ(formatReal(largest, 320, 3), reference(largest, 320, 3));
    EXPECT_EQ(formatReal(-largest, 320, 6), reference(-largest, 320, 6));
}

TEST(FormatReal, NonFiniteValuesFillTheField) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<RealCase> cases = {
        {std::nan(""), 5, 1, "*****"},
        {inf, 11, 6, "***********"},
        {-inf, 3, 1, "***"},
    };
    for (const RealCase& c : cases)
        EXPECT_EQ(formatReal(c.value, c.width, c.decimals), c.expected)
            << c.value << " in F" << c.width << "." << c.decimals;
}

TEST(FormatInteger, RightAlignsOrFillsWithAsterisks) {
    const std::vector<std::tuple<std::int64_t, int, const char*>> cases = {
        {0, 3, "  0"},    {999, 3, "999"}, {1000, 3, "***"}, {-99, 3, "-99"},
        {-100, 3, "***"}, {7, 1, "7"},     {-1, 1, "*"},     {2, 3, "  2"},
    };
    for (const auto& [value, width, expected] : cases)
        EXPECT_EQ(formatInteger(value, width), expected) << value << " in I" << width;
}

TEST(FormatText, CutsLongTextsAndRightAlignsShortOnes) {
    const std::string name = "ABC         "; // a 12-character name
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {name, 5, "ABC  "},
        {name, 12, name},
        {name, 3, "ABC"},
        {name, 1, "A"},
        {"Angulos zenitais ajustados:", 28, " Angulos zenitais ajustados:"},
        {"", 3, "   "},
        {std::string(72, '*'), 72, std::string(72, '*')},
    };
    for (const auto& [text, width, expected] : cases)
        EXPECT_EQ(formatText(text, width), expected) << "\"" << text << "\" in A" << width;
}

struct LineCase {
    const char* layout;
    std::vector<FieldValue> values;
    std::string expected;
    bool open;
};

std::vector<LineCase> lineCases() {
    static const std::string stars(72, '*'); // the cases' values point into it
    return {
        {"(5X,F7.2,' \"')", {1.5}, "        1.50 \"", false},
        {"('Precisao da cota = ',F5.3,' m')", {0.0123}, "Precisao da cota = 0.012 m", false},
        {"(5X,I3,I3,F5.1)", {std::int64_t{12}, std::int64_t{30}, 0.0}, "      12 30  0.0", false},
        {"('     M(',A5,') = ',F12.3,' m')",
         {"ABC         ", 50.0},
         "     M(ABC  ) =       50.000 m",
         false},
        {"('     M(',A3,') = ',F12.3,' m')",
         {"ABC         ", -1234.5678},
         "     M(ABC) =    -1234.568 m",
         false},
        {"('Redundancia (planimetria): ',I3)",
         {std::int64_t{1}},
         "Redundancia (planimetria):   1",
         false},
        {"(' Mp=',F12.3,' m',' ;Pp=',F12.3,' m')",
         {1234.5678, -98.7654},
         " Mp=    1234.568 m ;Pp=     -98.765 m",
         false},
        {"('    Rumo de ',A12,' para ',A12,' a partir de ',A12,'=',F11.6)",
         {"E1          ", "V           ", "R1          ", 45.0},
         "    Rumo de E1           para V            a partir de R1          =  45.000000",
         false},
        {"('a, b (c)',A)",
         {"E1          "},
         "a, b (c)E1          ",
         false}, // A alone: the whole text
        {"(A72)", {stars}, stars, false},
        {"(a\\)", {" Nome do ficheiro de input: "}, " Nome do ficheiro de input: ", true},
        {"('x',\\)", {}, "x", true},
    };
}

TEST(FormatLine, BuildsWholeLinesFromTheirItems) {
    for (const LineCase& c : lineCases()) {
        const FormattedLine line = formatLine(c.layout, c.values);
        EXPECT_EQ(line.text, c.expected) << c.layout;
        EXPECT_EQ(line.open, c.open) << c.layout;
    }
}

// A layout is taken apart once and kept by where it stands: a line written with it again, or
// with another layout written since at that same place, is the line of its own layout.
TEST(FormatLine, LayoutsWrittenAgainOrInTheSamePlaceGiveTheirOwnLines) {
    const std::vector<LineCase> cases = lineCases();
    std::string reused;
    reused.reserve(256); // one place for every layout below
    for (int round = 0; round < 3; ++round)
        for (const LineCase& c : cases) {
            reused.assign(c.layout);
            for (const std::string_view layout :
                 {std::string_view(c.layout), std::string_view(reused)}) {
                const FormattedLine line = formatLine(layout, c.values);
                EXPECT_EQ(line.text, c.expected) << layout << " in round " << round;
                EXPECT_EQ(line.open, c.open) << layout << " in round " << round;
            }
        }
    // Layouts of the same length, one after the other in one place.
    for (int width = 1; width <= 9; ++width) {
        reused.assign("(I" + std::to_string(width) + ")");
        EXPECT_EQ(formatLine(reused, {std::int64_t{7}}).text, std::string(width - 1, ' ') + "7");
    }
    // Far more layouts than are kept, each in a place of its own, twice over.
    std::vector<std::string> many;
    for (int width = 1; width <= 600; ++width)
        many.push_back("(I" + std::to_string(width) + ",'|')");
    for (int round = 0; round < 2; ++round)
        for (std::size_t i = 0; i < many.size(); ++i) {
            const std::size_t k = round == 0 ? i : many.size() - 1 - i;
            // I1 cannot hold the two characters of -3.
            const std::string expected = k == 0 ? "*|" : std::string(k - 1, ' ') + "-3|";
            EXPECT_EQ(formatLine(many[k], {std::int64_t{-3}}).text, expected) << many[k];
        }
}

TEST(FormatLine, MalformedLayoutsAreRefusedEveryTime) {
    std::string reused;
    reused.reserve(64);
    for (const char* malformed : {"(F5)", "(I)", "('x)", "(5)", "('a'\\,'b')", "(Q3)", "I3", ""}) {
        reused.assign("(I3)");
        EXPECT_EQ(formatLine(reused, {std::int64_t{1}}).text, "  1");
        reused.assign(malformed);
        for (int again = 0; again < 2; ++again)
            EXPECT_THROW(formatLine(reused, {1.0}), std::logic_error) << malformed;
        EXPECT_THROW(formatLine(malformed, {1.0}), std::logic_error) << malformed;
    }
    // Values that do not match the layout, on its first line and on later ones.
    for (int again = 0; again < 2; ++again) {
        EXPECT_THROW(formatLine("(F5.1,I3)", {1.0}), std::logic_error);
        EXPECT_THROW(formatLine("(F5.1,I3)", {1.0, 2.0}), std::logic_error);
    }
}

// The literals are written in Latin-1 and converted on a UTF-8 run, the same kept layout on
// runs of either encoding.
TEST(FormatLine, KeptLayoutsWriteTheLiteralsOfEachEncoding) {
    const std::string_view layout = "(5X,F10.5,' \xBA',A4)";
    const std::vector<FieldValue> values = {90.0, std::string_view("\xC3\xA9")};
    for (int round = 0; round < 2; ++round) {
        std::string latin1, utf8;
        appendLine(latin1, layout, values, TextEncoding::Latin1);
        appendLine(utf8, layout, values, TextEncoding::Utf8);
        EXPECT_EQ(latin1, "       90.00000 \xBA  \xC3\xA9");
        EXPECT_EQ(utf8, "       90.00000 \xC2\xBA   \xC3\xA9"); // one character, three blanks
    }
}

TEST(Output, PromptStaysOpenAndLinesEndInCarriageReturnLineFeed) {
    std::ostringstream console;
    Output output(console);
    output.writeConsoleLine("(a\\)", {" Nome do ficheiro de input: "});
    output.writePlainLine(Channel::Console);
    output.writePlainLine(Channel::Console, "Opcao de unidade angular invalida!");
    output.writeStopMessage("Matriz singular!");
    EXPECT_EQ(console.str(), " Nome do ficheiro de input: \r\n"
                             " Opcao de unidade angular invalida!\r\n"
                             "Matriz singular!\r\n");
}

} // namespace
} // namespace interseccao
