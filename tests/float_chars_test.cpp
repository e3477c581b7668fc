// The conversions of doubles made from printf and strtod against the C++ library's own: the
// same text for every value, the same value and end for every text. They hold where the C
// library's printf is exact and its strtod correctly rounded (glibc here, musl in the
// WebAssembly build, which has no C++ conversions to compare with); the Windows C library's
// strtod is not, and there the tests are skipped, as where the C++ library has none.
#include "text/float_chars.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace interseccao {
namespace {

#if INTERSECCAO_TEST_FLOAT_CHARCONV && !defined(_WIN32)

std::string text(std::to_chars_result result, const char* buffer) {
    if (result.ec != std::errc()) return "error";
    return std::string(buffer, static_cast<const char*>(result.ptr));
}

std::string libraryShortest(double value) {
    char buffer[64];
    return text(std::to_chars(buffer, buffer + sizeof buffer, value), buffer);
}

std::string portableShortest(double value) {
    char buffer[64];
    return text(portable::shortestChars(buffer, buffer + sizeof buffer, value), buffer);
}

std::string libraryFixed(double value, int decimals) {
    static char buffer[400];
    return text(
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals),
        buffer);
}

std::string portableFixed(double value, int decimals) {
    static char buffer[400];
    return text(portable::fixedChars(buffer, buffer + sizeof buffer, value, decimals), buffer);
}

// The values where the choices lie: the ends of the range, the powers of two (where the
// doubles below are closer together), the changes from fixed to scientific notation, the
// numbers the program's files hold.
std::vector<double> edgeValues() {
    constexpr double max = std::numeric_limits<double>::max();
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1.0,
                                  -1.0,
                                  0.1,
                                  0.2,
                                  0.3,
                                  1.0 / 3,
                                  2.0 / 3,
                                  5e-324,
                                  2.2250738585072014e-308,
                                  2.2250738585072009e-308,
                                  max,
                                  -max,
                                  1e22,
                                  1e23,
                                  9007199254740993.0,
                                  123456.0,
                                  1234567.0,
                                  1e15,
                                  1e16,
                                  1e17,
                                  1.5e-5,
                                  1e-4,
                                  1e-5,
                                  0.001,
                                  100.0,
                                  200.0,
                                  399.99999999999994,
                                  359.99999999999994,
                                  63.6619772367581,
                                  206264.80624709636,
                                  1e300,
                                  4.35e-7,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN()};
    for (int exponent = -1074; exponent <= 1023; ++exponent) {
        values.push_back(std::ldexp(1.0, exponent));
        values.push_back(std::nextafter(std::ldexp(1.0, exponent), 0.0));
    }
    for (int power = -30; power <= 30; ++power) values.push_back(std::pow(10.0, power));
    return values;
}

// Doubles of every magnitude (random bit patterns), and doubles of a survey's magnitudes.
std::vector<double> randomValues(std::size_t count) {
    std::mt19937_64 generator(20261209);
    std::uniform_real_distribution<double> survey(-1e6, 1e6);
    std::vector<double> values;
    while (values.size() < count) {
        const double pattern = std::bit_cast<double>(generator());
        if (std::isfinite(pattern)) values.push_back(pattern);
        values.push_back(survey(generator));
    }
    return values;
}

TEST(FloatChars, ShortestTextIsTheLibrarys) {
    std::vector<double> values = edgeValues();
    for (double value : randomValues(300000)) values.push_back(value);
    int failures = 0;
    for (double value : values) {
        const std::string expected = libraryShortest(value), actual = portableShortest(value);
        if (expected != actual && ++failures <= 10)
            ADD_FAILURE() << std::hexfloat << value << ": " << expected << " but " << actual;
    }
    EXPECT_EQ(failures, 0);
}

TEST(FloatChars, FixedTextIsTheLibrarys) {
    std::vector<double> values = edgeValues();
    for (double value : randomValues(40000)) values.push_back(value);
    // Halves of the last decimal, where the rounding of the exact value decides.
    for (double half : {0.5, 1.5, 2.5, 0.125, 0.375, 1.0005, 2.675, 1.005, 0.0625})
        values.push_back(half);
    int failures = 0;
    for (double value : values) {
        for (int decimals : {0, 1, 3, 4, 6, 9, 12, 20}) {
            const std::string expected = libraryFixed(value, decimals);
            const std::string actual = portableFixed(value, decimals);
            if (expected != actual && ++failures <= 10)
                ADD_FAILURE() << std::hexfloat << value << " with " << decimals << ": " << expected
                              << " but " << actual;
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(FloatChars, TooSmallABufferIsAnErrorInBoth) {
    char buffer[4];
    EXPECT_EQ(portable::shortestChars(buffer, buffer + sizeof buffer, 123.25).ec,
              std::errc::value_too_large);
    EXPECT_EQ(portable::fixedChars(buffer, buffer + sizeof buffer, 12.5, 2).ec,
              std::errc::value_too_large);
    EXPECT_EQ(text(portable::fixedChars(buffer, buffer + sizeof buffer, 1.5, 2), buffer), "1.50");
}

std::string programFixed(double value, int decimals) {
    static char buffer[400];
    return text(fixedChars(buffer, buffer + sizeof buffer, value, decimals), buffer);
}

// The values whose fixed text is worked out in integers, and those just beyond: exact ties of
// every number of decimals (odd multiples of 2^-(d+1)) and their neighbours, carries through
// every digit, the largest counts of 64 bits, and whole numbers near 2^63.
std::vector<double> integerFixedValues() {
    std::vector<double> values = {
        9.9995,  99.9995,  0.9999995, 999999.9995, 0.05,   0.005,  0.0005,
        1e-300,  -1e-300,  4.9e-324,  1e19,        1.8e19, 1.9e19, 1.8446744073709552e19,
        -0.0001, -0.00049, 0.0,       -0.0};
    std::mt19937_64 generator(7082026);
    for (int decimals = 0; decimals <= 19; ++decimals)
        for (int i = 0; i < 400; ++i) {
            const auto odd = static_cast<double>((generator() >> 24) | 1);
            const double tie = std::ldexp(odd, -(decimals + 1) - static_cast<int>(i % 8));
            for (const double value : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300)})
                values.push_back(i % 2 == 0 ? value : -value);
        }
    for (int exponent = 50; exponent <= 66; ++exponent) {
        values.push_back(std::ldexp(1.0, exponent));
        values.push_back(std::nextafter(std::ldexp(1.0, exponent), 0.0));
    }
    return values;
}

TEST(FloatChars, FixedTextInIntegersIsTheLibrarys) {
    std::vector<double> values = edgeValues();
    for (double value : randomValues(40000)) values.push_back(value);
    for (double value : integerFixedValues()) values.push_back(value);
    int failures = 0;
    for (double value : values)
        for (int decimals = 0; decimals <= 21; ++decimals) {
            const std::string expected = libraryFixed(value, decimals);
            const std::string actual = programFixed(value, decimals);
            if (expected != actual && ++failures <= 10)
                ADD_FAILURE() << std::hexfloat << value << " with " << decimals << ": " << expected
                              << " but " << actual;
        }
    EXPECT_EQ(failures, 0);
    char small[4];
    EXPECT_EQ(fixedChars(small, small + sizeof small, 12.5, 2).ec, std::errc::value_too_large);
    EXPECT_EQ(text(fixedChars(small, small + sizeof small, -1.5, 1), small), "-1.5");
}

struct Reading {
    int status = 0; // 0: read, 1: invalid, 2: out of range
    std::ptrdiff_t length = 0;
    std::uint64_t bits = 0;
    bool operator==(const Reading&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Reading& reading) {
    return out << "status " << reading.status << ", length " << reading.length << ", bits "
               << std::hex << reading.bits << std::dec;
}

template <typename Read> Reading reading(const std::string& text, Read read) {
    double value = -7.25;
    const auto result = read(text.data(), text.data() + text.size(), value);
    Reading outcome;
    outcome.status = result.ec == std::errc()                      ? 0
                     : result.ec == std::errc::invalid_argument    ? 1
                     : result.ec == std::errc::result_out_of_range ? 2
                                                                   : 3;
    outcome.length = result.ptr - text.data();
    // A NaN's payload is the library's own affair.
    outcome.bits = std::isnan(value) ? 1 : std::bit_cast<std::uint64_t>(value);
    return outcome;
}

Reading libraryReading(const std::string& text) {
    return reading(text, [](const char* first, const char* last, double& value) {
        return std::from_chars(first, last, value);
    });
}

Reading portableReading(const std::string& text) { return reading(text, portable::readDouble); }

TEST(FloatChars, ReadingIsTheLibrarys) {
    std::vector<std::string> texts = {"",
                                      "-",
                                      "+1",
                                      ".",
                                      "-.",
                                      ".5",
                                      "5.",
                                      "-0",
                                      "0",
                                      "00012.50",
                                      "1e",
                                      "1e+",
                                      "1e-x",
                                      "1E5",
                                      "1e+05x",
                                      "1.5e-3",
                                      "12,5",
                                      " 1",
                                      "1 ",
                                      "inf",
                                      "-INF",
                                      "infinity",
                                      "Infinit",
                                      "nan",
                                      "NaN(abc_1)",
                                      "nan(",
                                      "nan()",
                                      "0x1p3",
                                      "1e400",
                                      "-1e400",
                                      "1e-400",
                                      "1e-320",
                                      "4.9e-324",
                                      "2.4e-324",
                                      "2.5e-324",
                                      "0e999",
                                      "0.000e-999",
                                      "179769313486231580793e288",
                                      "1.7976931348623157e308",
                                      "1.7976931348623159e308",
                                      "2.2250738585072011e-308",
                                      "123456789012345678901234567890",
                                      "0.1234567890123456789012345678901",
                                      "1d5",
                                      "9007199254740993",
                                      "7.038531e-26",
                                      "45,",
                                      "-45.1230e+00"};
    std::mt19937_64 generator(9122026);
    for (const double value : randomValues(100000)) texts.push_back(libraryShortest(value));
    // Long digit strings, nearer to the middle of two doubles than any shortest text.
    std::uniform_int_distribution<int> digit(0, 9), exponent(-330, 310);
    for (int i = 0; i < 20000; ++i) {
        std::string digits;
        for (int j = 0; j < 25; ++j) digits += static_cast<char>('0' + digit(generator));
        texts.push_back(digits.substr(0, 1) + "." + digits.substr(1) + "e" +
                        std::to_string(exponent(generator)));
    }
    int failures = 0;
    for (const std::string& text : texts) {
        const Reading expected = libraryReading(text), actual = portableReading(text);
        if (!(expected == actual) && ++failures <= 10)
            ADD_FAILURE() << "\"" << text << "\": " << expected << " but " << actual;
    }
    EXPECT_EQ(failures, 0);
}

// The plain decimals read at once must be read as from_chars reads them, and every other text
// left to it.
TEST(FloatChars, PlainDecimalsReadAsTheLibraryReadsThem) {
    std::vector<std::string> plain = {"0",
                                      "-0",
                                      "5.",
                                      ".5",
                                      "-.5",
                                      "-5.",
                                      "00012.50",
                                      "25574.139",
                                      "-0.000",
                                      "0.1",
                                      "9007199254740992",
                                      "9007199254740993",
                                      "0.1234567890123456789",
                                      "1.0000000000000000000000",
                                      "12345678901234567890"};
    std::mt19937_64 generator(1207026);
    std::uniform_int_distribution<int> digit(0, 9), length(1, 21);
    for (int i = 0; i < 100000; ++i) {
        std::string digits;
        for (int j = length(generator); j > 0; --j)
            digits += static_cast<char>('0' + digit(generator));
        const std::size_t point = static_cast<std::size_t>(generator() % (digits.size() + 1));
        std::string decimal = i % 3 == 0 ? "-" : "";
        decimal.append(digits, 0, point).append(".").append(digits, point);
        plain.push_back(decimal);
        plain.push_back(digits);
    }
    int failures = 0, readAtOnce = 0;
    for (const std::string& text : plain) {
        double value = -7.25;
        if (!readPlainDecimal(text, value)) {
            EXPECT_EQ(value, -7.25) << text;
            continue;
        }
        ++readAtOnce;
        const Reading expected = libraryReading(text);
        const Reading actual{0, static_cast<std::ptrdiff_t>(text.size()),
                             std::bit_cast<std::uint64_t>(value)};
        if (!(expected == actual) && ++failures <= 10)
            ADD_FAILURE() << "\"" << text << "\": " << expected << " but " << actual;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GT(readAtOnce, 100000);
    for (const std::string text : {"",
                                   "-",
                                   ".",
                                   "-.",
                                   "+1",
                                   "1e5",
                                   "1.5e-3",
                                   "1d5",
                                   "1..2",
                                   "1.2.3",
                                   "--1",
                                   "1-",
                                   " 1",
                                   "1 ",
                                   "inf",
                                   "nan",
                                   "0x10",
                                   "1,5",
                                   "123456789012345678901",
                                   "1.00000000000000000000000"}) {
        double value = -7.25;
        EXPECT_FALSE(readPlainDecimal(text, value)) << text;
        EXPECT_EQ(value, -7.25) << text;
    }
}

#else

TEST(FloatChars, ShortestTextIsTheLibrarys) {
#ifdef _WIN32
    GTEST_SKIP() << "the Windows C library's strtod does not round every text correctly";
#else
    GTEST_SKIP() << "the C++ library has no floating-point to_chars to compare with";
#endif
}

#endif

} // namespace
} // namespace interseccao
