// The observation file reader: the free form, the records of each unit, refused values and
// the reading of the planimetric data.
#include "angles/conversions.hpp"
#include "run/errors.hpp"
#include "run/observation_file.hpp"
#include "run/reader.hpp"

#include <gtest/gtest.h>

#include <optional>
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
        {"\xC3\x81GUA", 12, "\xC3\x81GUA       "}, // bytes are kept as they are
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
    } catch (const FileError& error) {
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
        } catch (const Stop& stop) {
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
