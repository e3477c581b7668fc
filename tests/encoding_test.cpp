// The encodings of observation files, text cut by characters, numbers at fixed decimals, the
// program's own outputs told apart, and what a file holds after its last record.
#include "input/observation_file.hpp"
#include "model/errors.hpp"
#include "platform/system_reason.hpp"
#include "results/own_outputs.hpp"
#include "text/encoding.hpp"
#include "text/line_format.hpp"
#include "text/numbers.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace interseccao::testing {
namespace {

using namespace std::string_literals;

TEST(Encoding, FilesAreUtf8OnlyWithAMarkOrValidBytesBeyondAscii) {
    const std::vector<std::pair<std::string, TextEncoding>> cases = {
        {"gc 0.001 5\nV 2\n", TextEncoding::Latin1},       // ASCII
        {"\xEF\xBB\xBFgc 0.001 5\n", TextEncoding::Utf8},  // mark alone
        {"ESTA\xC3\x87\xC3\x83O 2\n", TextEncoding::Utf8}, // accents in UTF-8
        {"ESTA\xC7\xC3O 2\n", TextEncoding::Latin1},       // the same in Latin-1
        {"\xC3\x81GUA \xC1GUA\n", TextEncoding::Latin1},   // one Latin-1 byte: all of it
        {"\xE0\x80\xAF\n", TextEncoding::Latin1},          // overlong form
        {"\xED\xA0\x80\n", TextEncoding::Latin1},          // surrogate
        {"\xF0\x9F\x98\x80 ok\n", TextEncoding::Utf8},     // beyond the plane
    };
    for (const auto& [contents, expected] : cases)
        EXPECT_EQ(detectEncoding(contents), expected) << contents;
}

TEST(Encoding, WideTextsAreToldByTheirMarkOrTheirNuls) {
    EXPECT_TRUE(isWideText("\xFF\xFEg\0c\0"s));
    EXPECT_TRUE(isWideText("\xFE\xFF\0g\0c"s));
    EXPECT_TRUE(isWideText("\0\0\xFE\xFF"s));
    EXPECT_TRUE(isWideText("g\0c\0 \0\x30\0.\0\x30\0"s)); // UTF-16 without a mark
    EXPECT_TRUE(isWideText("g\0\0\0c\0\0\0 \0\0\0"s));    // UTF-32 without a mark
    EXPECT_FALSE(isWideText(std::string(64, '\0')));      // NULs alone are no text
    EXPECT_FALSE(isWideText("gc 0.001 5\nN\0L 2\n"s));    // one NUL in a name
    EXPECT_FALSE(isWideText("gc"));
}

TEST(Encoding, PrefixesNeverEndInsideACharacter) {
    const std::string name = "ESTA\xC3\x87\xC3\x83O-F\xC3\x81TIMA"; // 14 characters, 17 bytes
    EXPECT_EQ(characterCount(name, TextEncoding::Utf8), 14u);
    EXPECT_EQ(characterCount(name, TextEncoding::Latin1), 17u);
    EXPECT_EQ(name.substr(0, prefixLength(name, 12, TextEncoding::Utf8)),
              "ESTA\xC3\x87\xC3\x83O-F\xC3\x81TI");
    EXPECT_EQ(prefixLength(name, 12, TextEncoding::Latin1), 12u);
    EXPECT_EQ(prefixLength("AB", 12, TextEncoding::Utf8), 2u);
    // A byte that starts no sequence counts as one character.
    EXPECT_EQ(characterCount("A\x80"
                             "B",
                             TextEncoding::Utf8),
              3u);
}

TEST(Encoding, ControlCharactersAreEscapedForTheConsole) {
    EXPECT_EQ(escapedControls("TOR\x1B[31mRE"), "TOR\\x1B[31mRE");
    EXPECT_EQ(escapedControls("a\nb\x7F"), "a\\x0Ab\\x7F");
    EXPECT_EQ(escapedControls("ESTA\xC3\x87\xC3\x83O"), "ESTA\xC3\x87\xC3\x83O");
}

TEST(Encoding, Utf8LinesCountCharactersAndConvertTheLayoutsLiterals) {
    const std::string name = "\xC3\x81GUA"; // 4 characters
    std::string line;
    const std::array<FieldValue, 1> values = {std::string_view(name)};
    appendLine(line, "('[',A6,']')", values, TextEncoding::Utf8);
    EXPECT_EQ(line, "[  \xC3\x81GUA]");
    line.clear();
    appendLine(line, "('[',A2,']')", values, TextEncoding::Utf8);
    EXPECT_EQ(line, "[\xC3\x81G]");
    line.clear();
    const std::array<FieldValue, 1> angle = {90.0};
    appendLine(line, "(F5.1,' \xBA')", angle, TextEncoding::Utf8);
    EXPECT_EQ(line, " 90.0 \xC2\xBA");
    line.clear();
    appendLine(line, "(F5.1,' \xBA')", angle); // Latin-1, as the report always was
    EXPECT_EQ(line, " 90.0 \xBA");
}

// Text the drawing writes as it is: ASCII that neither the conversion to UTF-8 nor XML
// escaping changes, every printable character but the five XML marks.
TEST(Encoding, PlainForXmlIsTextXmlTakesAsItIs) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text = std::string("A") + static_cast<char>(byte) + "z";
        if (plainForXml(text)) {
            EXPECT_EQ(xmlEscaped(toUtf8(text)), text) << byte;
        }
        const bool printable = byte >= 0x20 && byte < 0x7F;
        const bool mark =
            std::string_view("<>&\"'").find(static_cast<char>(byte)) != std::string_view::npos;
        if (printable && !mark) {
            EXPECT_TRUE(plainForXml(text)) << byte;
        }
    }
    EXPECT_TRUE(plainForXml(""));
    EXPECT_FALSE(plainForXml("S\xC3\xA9"));
}

// ASCII, which the conversion to UTF-8 keeps as it is, wherever a byte beyond it comes; and
// the conversion of text that begins with ASCII and goes on beyond it.
TEST(Encoding, AsciiIsWhatUtf8KeepsAsItIs) {
    for (int byte = 0; byte < 256; ++byte)
        for (const std::string& text : {std::string(1, static_cast<char>(byte)),
                                        "AB" + std::string(1, static_cast<char>(byte)),
                                        std::string(1, static_cast<char>(byte)) + "yz"}) {
            EXPECT_EQ(isAscii(text), byte < 0x80) << byte;
            if (byte < 0x80) {
                EXPECT_EQ(toUtf8(text), text) << byte;
            }
        }
    EXPECT_TRUE(isAscii(""));
    EXPECT_EQ(toUtf8("ESTA\xC7\xC3O"), "ESTA\xC3\x87\xC3\x83O");
    EXPECT_EQ(toUtf8("ESTA\xC3\x87\xC3\x83O"), "ESTA\xC3\x87\xC3\x83O");
    EXPECT_EQ(toUtf8("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
}

TEST(Numbers, FixedDecimalsFromTheExactValue) {
    const std::vector<std::tuple<double, int, char, std::string>> cases = {
        {49.999999999999986, 4, '.', "50.0000"},
        {2.9000000000000035, 2, '.', "2.90"},
        {0.00045, 3, '.', "0.000"},   // the double is below 0.00045
        {-0.00004, 4, '.', "0.0000"}, // no sign on a zero
        {48732.42225728279, 4, ',', "48732,4223"},
        {-1.5, 1, ',', "-1,5"},
        {1e23, 0, '.', "99999999999999991611392"}, // the double's own digits
        {0.125, 2, '.', "0.12"},                   // a tie, to even
        {-0.0, 1, '.', "0.0"},
        {-0.05, 1, ',', "-0,1"}, // the double is above 0.05 in size: not a zero
        {INFINITY, 2, '.', "-"},
        {NAN, 2, ',', "-"},
    };
    for (const auto& [value, decimals, point, expected] : cases) {
        EXPECT_EQ(fixed(value, decimals, point), expected) << value;
        // Appended, the same text after what was there.
        std::string text = "x ";
        appendFixed(text, value, decimals, point);
        EXPECT_EQ(text, "x " + expected) << value;
    }
}

TEST(OwnOutputs, AreToldByHowTheyBegin) {
    const std::string stars(72, '*');
    const std::vector<std::pair<std::string, bool>> cases = {
        {stars + "\r\nCalculo por interseccao inversa das coordenadas do ponto V", true},
        {"AN\xC3\x81LISE DA QUALIDADE \xE2\x80\x94 ponto V\n", true},
        {"ficheiro,ponto,M,P,C\r\n", true},
        {"\xEF\xBB\xBF"
         "ficheiro;ponto;M;P;C\r\n",
         true},
        {"{\n  \"versao\": 1,\n  \"programa\": \"interseccao 1.0.0\",\n", true},
        {"{\n  \"type\": \"FeatureCollection\",\n  \"name\": \"interseccao\",\n", true},
        {"<?xml version=\"1.0\"?>\n<svg>\n<title>Intersec\xC3\xA7\xC3\xA3o directa</title>", true},
        {"999\r\ninterseccao 1.0.0\r\n  0\r\nSECTION\r\n", true},
        {"gc 0.001 5\nV 2\n", false},
        {stars + "\r\n", false}, // stars alone: an observation file may begin with a remark
        {"", false},
    };
    for (const auto& [contents, own] : cases)
        EXPECT_EQ(ownOutputKind(contents).has_value(), own) << contents;
}

// The rest of a file after its records: the line where data starts that no count calls for.
std::optional<std::size_t> after(const std::string& contents, bool readZenith) {
    RecordReader reader(contents, "obs.txt");
    const ObservationSet observations = readPlanimetricData(reader);
    const RecordReader::Place place = reader.place();
    ObservationSet withZenith = observations;
    if (readZenith) readZenithObservations(reader, withZenith);
    return dataAfterRecords(reader, place, withZenith, readZenith);
}

TEST(DataAfterRecords, IsNamedByTheLineWhereItStarts) {
    const std::string planimetry = "gc 0.001 5\nV 2\nE1 0 0 1 45\nR1 0 100 0\nE2 100 0 1 325\n"
                                   "R2 100 100 10\n";
    const std::string zenith = "1\nE1 0 0 10 88 1.5 1.3\n";
    EXPECT_EQ(after(planimetry, false), std::nullopt);
    EXPECT_EQ(after(planimetry + "\n  \n", false), std::nullopt);
    EXPECT_EQ(after(planimetry + zenith, false), std::nullopt); // a block of zenith records
    EXPECT_EQ(after(planimetry + zenith, true), std::nullopt);
    EXPECT_EQ(after(planimetry + zenith + "\n" + planimetry, true), 10u);
    EXPECT_EQ(after(planimetry + zenith + planimetry, false), 9u);
    EXPECT_EQ(after(planimetry + "E3 50 50 0 10\n", false), 7u); // a station too many
}

TEST(CutNames, TwoNamesOneOnceCutAreAnErrorOnlyWhereANameAlonePairs) {
    const std::string head = "gc 0.001 5\nV 2\nALTO-DA-SERRA-1 0 0 1 45\nR1 0 100 0\n"
                             "ALTO-DA-SERRA-2 100 0 1 325\nR2 100 100 10\n1\n";
    const auto check = [&](const std::string& zenith) {
        RecordReader reader(head + zenith, "obs.txt");
        ObservationSet observations = readPlanimetricData(reader);
        readZenithObservations(reader, observations);
        checkCutNames(reader.cutNames(), observations, "obs.txt");
    };
    EXPECT_NO_THROW(check("ALTO-DA-SERRA-2 100 0 10 88 1.5 1.3\n")); // paired by position
    EXPECT_THROW(check("ALTO-DA-SERRA-2 100.5 0 10 88 1.5 1.3\n"), RunError);
}

TEST(SystemReason, CommonCausesInPortuguese) {
    using platform::systemReason;
    EXPECT_EQ(systemReason({}), "");
    EXPECT_EQ(systemReason(std::make_error_code(std::errc::permission_denied)), "sem permissao");
    EXPECT_EQ(systemReason(std::make_error_code(std::errc::no_such_file_or_directory)),
              "o ficheiro ou a pasta nao existe");
    EXPECT_EQ(systemReason(std::make_error_code(std::errc::no_space_on_device)),
              "o disco esta cheio");
    // Anything else: the system's words, said to be its own.
    EXPECT_TRUE(systemReason(std::make_error_code(std::errc::broken_pipe))
                    .starts_with("erro do sistema ("));
}

} // namespace
} // namespace interseccao::testing
