// The observation file reader: the free form, the records of each unit, refused values and
// the reading of the planimetric data.
#include "input/observation_file.hpp"
#include "input/reader.hpp"
#include "model/angle_units.hpp"
#include "model/errors.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace interseccao {
namespace {

// Header, first station record and its reference record.
struct FirstRecords {
    ObservationSet header;
    std::optional<AngleUnit> unit;
    Station station;
    ReferenceSighting reference;
};

FirstRecords readFirstRecords(const std::string& contents, AngleUnit unit) {
    RecordReader reader(contents, "obs.txt");
    FirstRecords r;
    r.header = readHeader(reader, r.unit);
    r.station = readStation(reader, unit);
    r.reference = r.station.references.at(0);
    return r;
}

TEST(RecordReader, FreeFormSpellingsReadTheSame) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"blanks", "gc 0.001 5\nV 2\nE1 0.0 0.0 1 45.0\nR1 0.0 100.0 0.0\n"},
        {"commas", "gc,0.001,5\nV,2\nE1,0.0,0.0,1,45.0\nR1,0.0,100.0,0.0\n"},
        {"commas between blanks",
         "gc , 0.001 ,5\nV ,2\nE1, 0.0 , 0.0,1 ,45.0\nR1 , 0.0, 100.0 , 0.0\n"},
        {"apostrophes", "'gc' 0.001 5\n'V' 2\n'E1' 0.0 0.0 1 45.0\n'R1',0.0,100.0,0.0\n"},
        {"records split over lines",
         "gc\n0.001\n\n5\nV\n2\nE1 0.0\n0.0 1\n45.0\nR1 0.0 100.0\n   0.0\n"},
        {"comma ending a line", "gc 0.001,\n5\nV,\n2\nE1,0.0,0.0,\n1,45.0\nR1 0.0 100.0 ,\n0.0\n"},
        {"remarks after the records",
         "gc 0.001 5 unidade, tolerancia / precisao\nV 2 'ponto visado\n"
         "E1 0.0 0.0 1 45.0 3*0 nan\nR1 0.0 100.0 0.0,,\n"},
        {"CR LF, byte-order mark and tabs",
         "\xEF\xBB\xBFgc\t0.001\t5\r\nV\t2\r\n\tE1\t0.0 \t0.0\t1\t45.0\r\nR1\t0.0\t100.0\t0.0\r\n"},
        {"no line end at the end", "gc 0.001 5\nV 2\nE1 0.0 0.0 1 45.0\nR1 0.0 100.0 0.0"},
        {"blank lines", "\ngc 0.001 5\n\n \nV 2\nE1 0.0 0.0 1 45.0\n\t\nR1 0.0 100.0 0.0\n"},
        {"other number spellings", "gc 1.0e-3 5.\nV +2\nE1 0 0.000 +1 4.5E1\nR1 .0 1E2 0\n"},
        // Commas between digits that are separators, not decimal commas.
        {"lone commas between integers", "gc,0.001,5\nV,2\nE1,0,0,1,45\nR1,0,100,0\n"},
        {"lone commas and a further column of numbers",
         "gc,0.001,5,1\nV,2,1\nE1,0,0,1,45,1\nR1,0,100,0,3\n"},
        {"lone commas and numbers after the records",
         "gc,0.001,5 1\nV,2 7\nE1,0,0,1,45 2\nR1,0,100,0 1,5\n"},
        {"numbers after the records", "gc 0.001 5 1\nV 2 3\nE1 0.0 0.0 1 45.0 2 3\nR1 0 100 0 7\n"},
        {"remarks beginning with a word or a sign",
         "gc 0.001 5 marco novo\nV 2 ! 2a serie\nE1 0 0 1 45,marco\nR1 0 100 0,2a serie\n"},
        {"comma and digits in a remark",
         "gc 0.001 5 serie 1,5\nV 2 '1,5'\nE1 0 0 1 45 -1,5\nR1 0 100 0.0 n 1,5\n"},
        {"a comma between digits and more numbers after it than such commas",
         "gc 0.001 5\nV 2\nE1 0 0 1,45 3 4\nR1 0.0 100.0 0.0\n"},
        {"commas with blanks, records split over lines",
         "gc, 0.001, 5\nV, 2\nE1, 0,\n0, 1,\n45\nR1, 0, 100,\n0\n"},
    };
    for (const auto& [label, contents] : cases) {
        SCOPED_TRACE(label);
        const FirstRecords r = readFirstRecords(contents, AngleUnit::DecimalDegrees);
        EXPECT_EQ(r.unit, AngleUnit::DecimalDegrees);
        EXPECT_EQ(r.header.tolerance, 0.001);
        EXPECT_EQ(r.header.aprioriPrecision, precisionToRadians(AngleUnit::DecimalDegrees, 5.0));
        EXPECT_EQ(r.header.sightedPointName, "V           ");
        EXPECT_EQ(r.header.stationCount, 2);
        EXPECT_EQ(r.station.name, "E1          ");
        EXPECT_EQ(r.station.m, 0.0);
        EXPECT_EQ(r.station.p, 0.0);
        EXPECT_EQ(r.station.references.size(), 1u);
        EXPECT_EQ(r.station.pointReading, decimalDegreesToRadians(45.0));
        EXPECT_EQ(r.reference.name, "R1          ");
        EXPECT_EQ(r.reference.m, 0.0);
        EXPECT_EQ(r.reference.p, 100.0);
        EXPECT_EQ(r.reference.reading, 0.0);
    }
}

TEST(RecordReader, TextsAreCutAndPaddedToTheirWidth) {
    const std::vector<std::tuple<std::string, std::size_t, std::string>> cases = {
        {"ABCDEFGHIJKLMNOP", 12, "ABCDEFGHIJKL"},
        {"E1", 12, "E1          "},
        {"'PONTO ALTO, N/S'", 12, "PONTO ALTO, "},
        {"'O''NEILL'", 12, "O'NEILL     "},
        // A file in UTF-8 pads and cuts its names by characters; one in Latin-1 by bytes.
        {"\xC3\x81GUA", 12, "\xC3\x81GUA        "},
        {"\xC1GUA", 12, "\xC1GUA        "},
        {"\xC3\x81\xC3\x81\xC3\x81\xC3\x81\xC3\x81\xC3\x81\xC3\x81X\xC3\x81\xC3\x81\xC3\x81\xC3\x81"
         "\xC3\x81",
         12,
         "\xC3\x81\xC3\x81\xC3\x81\xC3\x81\xC3\x81\xC3\x81\xC3\x81X\xC3\x81\xC3\x81\xC3\x81\xC3"
         "\x81"},
        {"grados", 2, "gr"},
        {"g", 2, "g "},
    };
    for (const auto& [written, width, expected] : cases) {
        RecordReader reader(written + " 1\n", "obs.txt");
        EXPECT_EQ(reader.readText(width, "nome"), expected) << written;
    }
}

TEST(RecordReader, SexagesimalReadingsHaveIntegerDegreesAndMinutes) {
    const FirstRecords plain = readFirstRecords(
        "gs 0.001 3\nV 2\nE1 0.0 0.0 1 45 30 0\nR1 0.0 100.0 10 -30 0.0\n", AngleUnit::Sexagesimal);
    EXPECT_EQ(plain.station.pointReading, dmsToRadians(45, 30, 0.0));
    EXPECT_EQ(plain.reference.reading, dmsToRadians(10, -30, 0.0));

    // Name, M, P and the count on one line, degrees, minutes and seconds on the next.
    const FirstRecords split =
        readFirstRecords("gs 0.001 3\nV 2\nE1 0.0 0.0 1\n45 30 0\nR1 0.0 100.0\n10 -30 0.0\n",
                         AngleUnit::Sexagesimal);
    EXPECT_EQ(split.station.pointReading, plain.station.pointReading);
    EXPECT_EQ(split.reference.reading, plain.reference.reading);

    // Zenith readings take real degrees and minutes.
    RecordReader reader("2\nE1 0 0 10.0 89.5 0 0 1.5 1.3\nE2 5 6 12.0 88 30.5 1.5 1.4 1.2\n",
                        "obs.txt");
    ObservationSet observations;
    observations.angleUnit = AngleUnit::Sexagesimal;
    readZenithObservations(reader, observations);
    ASSERT_EQ(observations.zenithObservations.size(), 2u);
    EXPECT_EQ(observations.zenithObservations[0].zenithReading, decimalDegreesToRadians(89.5));
    EXPECT_EQ(observations.zenithObservations[1].zenithReading, zenithDmsToRadians(88, 30.5, 1.5));
    EXPECT_EQ(observations.zenithObservations[1].targetHeight, 1.2);
}

// Reads the planimetric data and returns the file-layer error it ends in.
std::string countingError(const std::string& contents) {
    RecordReader reader(contents, "obs.txt");
    try {
        readPlanimetricData(reader);
    } catch (const RunError& error) {
        return error.what();
    }
    return "no error";
}

TEST(RecordReader, RefusedValuesNameTheFileAndTheLine) {
    const std::string head = "gc 0.001 5\nV 2\nE1 0.0 0.0 1 45.0\nR1 0.0 100.0 0.0\n";
    const std::string at5 = "Erro no ficheiro obs.txt, linha 5: ";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {head + "E2 100.0 0.0 3.0 325.0\n", at5 + "esperado um numero inteiro em vez de \"3.0\" "
                                                  "(numero de pontos de referencia da estacao E2)"},
        {head + "E2 100.0 0.0 3*0 325.0\n",
         at5 + "contagem de repeticao nao permitida em \"3*0\"; esperado um numero inteiro (numero "
               "de pontos de referencia da estacao E2)"},
        {head + "E2,100.0,,0.0,1,325.0\n",
         at5 + "valor vazio entre virgulas; esperado um numero real (P da estacao E2)"},
        {head + "E2 100.0 / 1 325.0\n",
         at5 + "barra nao permitida em \"/\" (um nome com barra escreve-se entre apostrofos); "
               "esperado um numero real (P da estacao E2)"},
        {head + "E2 nan 0.0 1 325.0\n",
         at5 + "esperado um numero real em vez de \"nan\" (M da estacao E2)"},
        {head + "E2 inf 0.0 1 325.0\n",
         at5 + "esperado um numero real em vez de \"inf\" (M da estacao E2)"},
        {head + "E2 1e400 0.0 1 325.0\n",
         at5 + "esperado um numero real finito em vez de \"1e400\" (M da estacao E2)"},
        {head + "E2 100.0 0.0 1 abc\n",
         at5 + "esperado um numero real em vez de \"abc\" (leitura ao ponto visado da estacao E2)"},
        {head + "E2 100.0 0.0 3000000000 325.0\n",
         at5 + "esperado um numero inteiro entre -2147483648 e 2147483647 em vez de \"3000000000\" "
               "(numero de pontos de referencia da estacao E2)"},
        {head + "'E2 100.0 0.0 1 325.0\n",
         at5 + "texto entre apostrofos sem apostrofo final; esperado um texto (nome da estacao)"},
        {head + "E2 100.0\n0.0 x 325.0\n",
         "Erro no ficheiro obs.txt, linha 6: esperado um numero inteiro em vez de \"x\" (numero de "
         "pontos de referencia da estacao E2, registo iniciado na linha 5)"},
        {"gc 0.001 5\r\nV 2\r\nE1 0.0 0.0 1 45.0\r\nR1 0.0 100.0 0.0\r\nE2 100.0 0.0 3.0 325.0\r\n",
         at5 + "esperado um numero inteiro em vez de \"3.0\" (numero de pontos de referencia da "
               "estacao E2)"},
        {head + "E2 100.0 0.0 1 325.0\n",
         at5 + "fim do ficheiro antes do fim do registo; esperado "
               "um texto (nome do ponto de referencia da estacao E2)"},
        {head + "E2 100.0 0.0 1", at5 + "fim do ficheiro antes do fim do registo; esperado um "
                                        "numero real (leitura ao ponto visado da estacao E2)"},
        {"gc 0.001 5\nV 2000000000\nE1 0.0 0.0 1 45.0\nR1 0.0 100.0 0.0\n",
         "Erro no ficheiro obs.txt, linha 4: fim do ficheiro antes do fim do registo; esperado um "
         "texto (nome da estacao)"},
        {"", "Erro no ficheiro obs.txt: o ficheiro esta vazio; esperado um texto (codigo da "
             "unidade angular)"},
        {"\xEF\xBB\xBF", "Erro no ficheiro obs.txt: o ficheiro esta vazio; esperado um texto "
                         "(codigo da unidade angular)"},
    };
    for (const auto& [contents, expected] : cases)
        EXPECT_EQ(countingError(contents), expected) << contents;
}

// The value of one number read on its own, or the file-layer error it ends in.
struct ReadNumber {
    double value = 0;
    std::string error;
};

ReadNumber readOneReal(const std::string& text) {
    RecordReader reader(text + "\n", "obs.txt");
    ReadNumber r;
    try {
        r.value = reader.readReal("valor");
    } catch (const RunError& error) {
        r.error = error.what();
    }
    return r;
}

ReadNumber readOneInteger(const std::string& text) {
    RecordReader reader(text + "\n", "obs.txt");
    ReadNumber r;
    try {
        r.value = reader.readInteger("valor");
    } catch (const RunError& error) {
        r.error = error.what();
    }
    return r;
}

TEST(RecordReader, NumberSpellingsAtTheEdgesOfTheRange) {
    const std::string notFinite = "esperado um numero real finito";
    const double tiniest = 4.9406564584124654e-324;
    const std::vector<std::tuple<std::string, double, std::string>> reals = {
        {"+1.5", 1.5, ""},
        {"-.5", -0.5, ""},
        {"+5.", 5.0, ""},
        {"1.5D2", 150.0, ""},
        {"1.5d-2", 0.015, ""},
        {"+2D+1", 20.0, ""},
        {"1.7976931348623157e308", 1.7976931348623157e308, ""},
        {"1.7976931348623158D308", 1.7976931348623157e308, ""}, // rounds down to the largest
        {"1.7976931348623159e308", 0, notFinite},
        {"+1D309", 0, notFinite},
        {"-1d400", 0, notFinite},
        {"1e99999999999999999999", 0, notFinite},
        {"4.9e-324", tiniest, ""},
        {"3e-324", tiniest, ""},
        {"2e-324", 0.0, ""}, // below half the smallest: zero, as with any value too small
        {"1e-400", 0.0, ""},
        {"+1D-400", 0.0, ""},
        {"1e-99999999999999999999", 0.0, ""},
        {"0e99999999999999999999", 0.0, ""},
        {"0." + std::string(400, '0') + "1e401", 1.0, ""},
        {"1" + std::string(400, '0') + "D-400", 1.0, ""},
    };
    for (const auto& [text, value, error] : reals) {
        const ReadNumber r = readOneReal(text);
        if (error.empty()) {
            EXPECT_EQ(r.error, "") << text;
            EXPECT_EQ(r.value, value) << text;
        } else {
            EXPECT_NE(r.error.find(error), std::string::npos) << text << ": " << r.error;
        }
    }
    // A value too small keeps its sign.
    EXPECT_TRUE(std::signbit(readOneReal("-1e-400").value));
    EXPECT_TRUE(std::signbit(readOneReal("-0D0").value));
    EXPECT_FALSE(std::signbit(readOneReal("+1e-400").value));

    const std::string outOfRange = "esperado um numero inteiro entre -2147483648 e 2147483647";
    const std::vector<std::tuple<std::string, double, std::string>> integers = {
        {"+2147483647", 2147483647.0, ""},
        {"-2147483648", -2147483648.0, ""},
        {"+0", 0.0, ""},
        {"-0", 0.0, ""},
        {"0000000000000000000000000007", 7.0, ""},
        {"2147483648", 0, outOfRange},
        {"-2147483649", 0, outOfRange},
        {"+99999999999999999999999", 0, outOfRange},
        {"+-1", 0, "esperado um numero inteiro em vez de"},
    };
    for (const auto& [text, value, error] : integers) {
        const ReadNumber r = readOneInteger(text);
        if (error.empty()) {
            EXPECT_EQ(r.error, "") << text;
            EXPECT_EQ(r.value, value) << text;
        } else {
            EXPECT_NE(r.error.find(error), std::string::npos) << text << ": " << r.error;
        }
    }
}

// What reading a real gives, as the value's bits or the message, and the text that follows it.
struct RealAndNext {
    std::uint64_t bits = 0;
    std::string error;
    std::string next;
    bool operator==(const RealAndNext&) const = default;
};

RealAndNext readRealThenText(const std::string& contents, bool secondOfRecord) {
    RecordReader reader(contents, "obs.txt");
    RealAndNext r;
    try {
        if (secondOfRecord) reader.readText(2, "codigo");
        const double value = reader.readReal("valor");
        std::memcpy(&r.bits, &value, sizeof value);
        r.next = reader.readText(4, "seguinte");
    } catch (const RunError& error) {
        r.error = error.what();
    }
    return r;
}

// A plain decimal followed by a blank, a tab or a line end is read where it stands; followed
// by a comma it is read as a token. Both ways give the same value, the same message and the
// same place after it, first in its record or after another value.
TEST(RecordReader, PlainDecimalsReadWhereTheyStandAsTheirTokens) {
    const std::vector<std::string> spellings = {"1.5",
                                                "+1.5",
                                                "-1.5",
                                                "+-1.5",
                                                "-.5",
                                                "5.",
                                                ".5",
                                                ".",
                                                "-",
                                                "+",
                                                "0",
                                                "-0",
                                                "007",
                                                "1e5",
                                                "1.5D2",
                                                "12345678901234567890",
                                                "1234567890123456789",
                                                "9007199254740993",
                                                "9007199254740992",
                                                "0.1234567890123456789",
                                                "1.2.3",
                                                "5/2",
                                                "5*2",
                                                "1-",
                                                "--1",
                                                "0x10",
                                                "inf",
                                                "nan",
                                                "'5'",
                                                "00000000000000000001.5",
                                                "4.9e-324",
                                                "1.7976931348623159e308"};
    for (const std::string& spelling : spellings)
        for (const bool second : {false, true}) {
            const std::string before = second ? "gc " : "";
            const RealAndNext asToken = readRealThenText(before + spelling + ", NEXT\n", second);
            for (const char* after : {" NEXT\n", "\tNEXT\n", "  NEXT\n", "\r\nNEXT\n", "\nNEXT"}) {
                const RealAndNext whereItStands =
                    readRealThenText(before + spelling + after, second);
                EXPECT_EQ(whereItStands.bits, asToken.bits) << spelling << " then " << after;
                EXPECT_EQ(whereItStands.error, asToken.error) << spelling << " then " << after;
                EXPECT_EQ(whereItStands.next, asToken.error.empty() ? "NEXT" : "")
                    << spelling << " then " << after;
            }
            // At the very end of the file, with nothing after it.
            RecordReader reader(before + spelling, "obs.txt");
            RealAndNext atEnd;
            try {
                if (second) reader.readText(2, "codigo");
                const double value = reader.readReal("valor");
                std::memcpy(&atEnd.bits, &value, sizeof value);
                EXPECT_TRUE(reader.atEnd()) << spelling;
            } catch (const RunError& error) {
                atEnd.error = error.what();
            }
            EXPECT_EQ(atEnd.bits, asToken.bits) << spelling << " at the end";
            EXPECT_EQ(atEnd.error.empty(), asToken.error.empty()) << spelling << " at the end";
        }
}

// A comma between digits in a record whose line then holds as many numbers left over as such
// commas: read with them as decimal points, the line would hold the record exactly.
TEST(RecordReader, RefusesADecimalComma) {
    const std::string gc = "gc 0.001 5\nV 1\nE1 0.0 0.0 1 45.0\nR1 0.0 100.0 0.0\n";
    const std::string gs = "gs 0.001 3\nV 1\nE1 0.0 0.0 1 45 30 0\nR1 0.0 100.0 10 30 0.0\n";
    const std::string zenith = "\nE1 0 0 10.0 88.0 1.5 1.3\n";
    const std::string at = "Erro no ficheiro obs.txt, linha ";
    const std::string point = "; o separador decimal e o ponto (";
    const std::vector<std::tuple<const char*, std::string, std::string>> cases = {
        {"tolerance", "gs 0,001 3\nV 2\n",
         at + "1: virgula decimal em \"0,001\"" + point + "tolerancia)"},
        {"precision", "gc 0.001 5,0\nV 2\n",
         at + "1: virgula decimal em \"5,0\"" + point + "precisao a priori)"},
        {"last seconds of a station line", "gs 0.001 3\nV 2\nE1 0.0 0.0 1 45 30 10,14\n",
         at + "3: virgula decimal em \"10,14\"" + point +
             "segundos da leitura ao ponto visado da estacao E1)"},
        {"reading of a reference", gc.substr(0, gc.find("R1")) + "R1 0.0 100.0 0,5\n",
         at + "4: virgula decimal em \"0,5\"" + point +
             "leitura do ponto de referencia R1 da estacao E1)"},
        {"M of a reference, with a remark", gc.substr(0, gc.find("R1")) + "R1 0,5 100.0 0.0 novo\n",
         at + "4: virgula decimal em \"0,5\"" + point +
             "M do ponto de referencia R1 da estacao E1)"},
        {"a record split over lines", "gc 0.001 5\nV 2\nE1 0.0\n0,5 1 45.0\n",
         at + "4: virgula decimal em \"0,5\"" + point +
             "P da estacao E1, registo iniciado na linha 3)"},
        {"target height", gc + "1\nE1 0 0 10.0 88.0 1.5 1,300" + zenith,
         at + "6: virgula decimal em \"1,300\"" + point +
             "altura do alvo do registo zenital de E1)"},
        {"two in one record", gc + "1\nE1 0 0 10.0 88.0 1,552 1,300" + zenith,
         at + "6: virgula decimal em \"1,552\"" + point +
             "altura do instrumento do registo zenital de E1)"},
        {"zenith seconds in the middle of a record",
         gs + "1\nE1 0 0 10.0 84 36 45,26 1.512 1.400 alvo novo" + zenith,
         at + "6: virgula decimal em \"45,26\"" + point +
             "segundos da leitura do registo zenital de E1)"},
        {"fraction with an exponent", gc + "1\nE1 0 0 10.0 88,5e1 1.5 1.3\n",
         at + "6: virgula decimal em \"88,5e1\"" + point + "leitura do registo zenital de E1)"},
    };
    for (const auto& [label, contents, expected] : cases) {
        SCOPED_TRACE(label);
        RecordReader reader(contents, "obs.txt");
        try {
            ObservationSet observations = readPlanimetricData(reader);
            readZenithObservations(reader, observations);
            ADD_FAILURE() << "read without an error";
        } catch (const RunError& error) {
            EXPECT_EQ(error.what(), expected);
        }
    }
}

// Random spellings of reals, long mantissas and every exponent letter included, read as the C
// library reads them: correctly rounded, to the last bit.
TEST(RecordReader, RealsAreCorrectlyRounded) {
    std::mt19937_64 random(17);
    const auto digits = [&](int count) {
        std::string s;
        for (int i = 0; i < count; ++i) s += static_cast<char>('0' + random() % 10);
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        text += "+- "[random() % 3];
        if (text == " ") text.clear();
        const int before = static_cast<int>(random() % 20);
        const int after = static_cast<int>(random() % 20);
        text += digits(before);
        if (after > 0 || before == 0) text += '.' + digits(std::max(after, 1));
        if (random() % 2 == 0) {
            text += "eEdD"[random() % 4];
            text += "+- "[random() % 3];
            if (text.back() == ' ') text.pop_back();
            text += std::to_string(random() % 340);
        }
        std::string forC = text;
        for (char& c : forC)
            if (c == 'd' || c == 'D') c = 'e';
        const double expected = std::strtod(forC.c_str(), nullptr);
        const ReadNumber r = readOneReal(text);
        if (!std::isfinite(expected)) {
            EXPECT_NE(r.error, "") << text;
        } else {
            EXPECT_EQ(r.error, "") << text;
            EXPECT_EQ(r.value, expected) << text;
            EXPECT_EQ(std::signbit(r.value), std::signbit(expected)) << text;
        }
    }
}

// Each kind of record in messages, and the line it began on when that is not the line of the
// bad value.
TEST(RecordReader, MessagesNameTheRecord) {
    const std::string gs = "gs 0.001 3\nV 1\nE1 0.0 0.0 1 45 30 0\nR1 0.0 100.0 10 30 0.0\n";
    const std::string at = "Erro no ficheiro obs.txt, linha ";
    const std::vector<std::tuple<const char*, std::string, std::string>> cases = {
        {"header split over lines", "gs 0.001\nV 2\n",
         at + "2: esperado um numero real em vez de \"V\" (precisao a priori, registo iniciado na "
              "linha 1)"},
        {"station missing its seconds",
         "gs 0.001 3\nV 2\nE1 0.0 0.0 1 45 30\nR1 0.0 100.0 10 30 0.0\n",
         at + "4: esperado um numero real em vez de \"R1\" (segundos da leitura ao ponto visado da "
              "estacao E1, registo iniciado na linha 3)"},
        {"reference missing its seconds",
         "gs 0.001 3\nV 2\nE1 0.0 0.0 2 45 30 0\nR1 0.0 100.0 10 30\nR2 0 0 1 1 1\n",
         at + "5: esperado um numero real em vez de \"R2\" (segundos da leitura do ponto de "
              "referencia R1 da estacao E1, registo iniciado na linha 4)"},
        {"reference count too large",
         "gs 0.001 3\nV 2\nE1 0.0 0.0 2 45 30 0\nR1 0.0 100.0 10 30 0.0\n",
         at + "4: fim do ficheiro antes do fim do registo; esperado um texto (nome do ponto de "
              "referencia da estacao E1)"},
        {"zenith count", gs + "x\n",
         at + "5: esperado um numero inteiro em vez de \"x\" (numero de leituras zenitais)"},
        {"zenith record", gs + "1\nE1 0 0 10.0 88 0 0 1.5 alvo\n",
         at + "6: esperado um numero real em vez de \"alvo\" (altura do alvo do registo zenital de "
              "E1)"},
        {"zenith record over two lines", gs + "1\nE1 0 0\n10.0 88 0 0 1.5\n",
         at + "7: fim do ficheiro antes do fim do registo; esperado um numero real (altura do alvo "
              "do registo zenital de E1, registo iniciado na linha 6)"},
        {"zenith record missing", gs + "2\nE1 0 0 10.0 88 0 0 1.5 1.3\n",
         at + "6: fim do ficheiro antes do fim do registo; esperado um texto (nome da estacao do "
              "registo zenital)"},
        {"name with a control byte", gs + "1\n'E\x01' 0 0 x\n",
         at + "6: esperado um numero real em vez de \"x\" (cota da estacao do registo zenital de "
              "E?)"},
    };
    for (const auto& [label, contents, expected] : cases) {
        SCOPED_TRACE(label);
        RecordReader reader(contents, "obs.txt");
        try {
            ObservationSet observations = readPlanimetricData(reader);
            readZenithObservations(reader, observations);
            ADD_FAILURE() << "read without an error";
        } catch (const RunError& error) {
            EXPECT_EQ(error.what(), expected);
        }
    }
}

TEST(PlanimetricData, KeepsEveryStationWithItsReferences) {
    RecordReader reader("gc 0.001 5\nV 3\nE1 0 0 2 45\nR1 0 100 0\nR2 100 0 90\n"
                        "E2 100 0 0 325\nE3 50 -50 1 0.01\nR3 150 -50 90\n2\n",
                        "obs.txt");
    const ObservationSet observations = readPlanimetricData(reader);
    ASSERT_EQ(observations.stations.size(), 3u);
    EXPECT_EQ(observations.stations[0].references.size(), 2u);
    EXPECT_EQ(observations.stations[1].references.size(), 0u);
    EXPECT_EQ(observations.stations[2].references[0].name, "R3          ");
    EXPECT_EQ(observations.angleCount(), 3);
    EXPECT_EQ(reader.readInteger("numero de leituras zenitais"), 2); // after the last reference
}

TEST(PlanimetricData, ChecksTheUnitCodeAtTheFirstStationRecord) {
    for (const char* code : {"GC", "xx", "g"}) {
        RecordReader reader(std::string(code) + " 0.001 5\nV 2\nE1 0 0 1 45\nR1 0 100 0\n",
                            "obs.txt");
        try {
            readPlanimetricData(reader);
            ADD_FAILURE() << code << " accepted";
        } catch (const RunError& stop) {
            EXPECT_EQ(stop.message(), "") << code;
            EXPECT_EQ(stop.plainLines(),
                      (std::vector<std::string>{"Opcao de unidade angular invalida!", ""}))
                << code;
        }
    }
    // Without station records the code is never looked at.
    RecordReader none("xx 0.001 5\nV 0\n", "obs.txt");
    EXPECT_NO_THROW(readPlanimetricData(none));
}

TEST(PlanimetricData, ReadsGradosAsGon) {
    RecordReader reader(
        "grados 0.001 1.0\nV 2\nE1 0 0 1 100\nR1 0 100 0\nE2 100 -100 1 50\nR2 100 100 50\n",
        "obs.txt");
    const ObservationSet observations = readPlanimetricData(reader);
    EXPECT_EQ(observations.angleUnit, AngleUnit::Gon);
    EXPECT_EQ(observations.aprioriPrecision, precisionToRadians(AngleUnit::Gon, 1.0));
    EXPECT_EQ(observations.stations.at(0).pointReading, gonToRadians(100));
}

} // namespace
} // namespace interseccao
