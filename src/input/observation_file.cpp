// Reads the header, station, reference and zenith records of the observation file.
#include "input/observation_file.hpp"

#include "model/angle_units.hpp"
#include "model/errors.hpp"
#include "model/station_index.hpp"
#include "text/encoding.hpp"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

namespace interseccao {

namespace {

// The names of a reading and of its three parts in messages.
struct ReadingNames {
    std::string_view whole, degrees, minutes, seconds;
};

constexpr ReadingNames readingToSightedPoint{
    "leitura ao ponto visado", "graus da leitura ao ponto visado",
    "minutos da leitura ao ponto visado", "segundos da leitura ao ponto visado"};
constexpr ReadingNames readingToReference{"leitura", "graus da leitura", "minutos da leitura",
                                          "segundos da leitura"};

// One horizontal reading in the layout of the unit, in radians; a "gs" reading also as written.
double readHorizontalReading(RecordReader& reader, AngleUnit unit, const ReadingNames& names,
                             std::optional<WrittenSexagesimal>& written) {
    switch (unit) {
    case AngleUnit::DecimalDegrees: return decimalDegreesToRadians(reader.readReal(names.whole));
    case AngleUnit::Gon: return gonToRadians(reader.readReal(names.whole));
    case AngleUnit::Sexagesimal: {
        const std::int32_t degrees = reader.readInteger(names.degrees);
        const std::int32_t minutes = reader.readInteger(names.minutes);
        const double seconds = reader.readReal(names.seconds);
        written =
            WrittenSexagesimal{static_cast<double>(degrees), static_cast<double>(minutes), seconds};
        return dmsToRadians(degrees, minutes, seconds);
    }
    }
    return 0;
}

// Storage is never reserved beyond what a file of reasonable size could hold: counts
// come from the file and may be far larger than the records that follow them.
std::size_t reservation(std::int64_t count) {
    return static_cast<std::size_t>(std::clamp<std::int64_t>(count, 0, 4096));
}

} // namespace

Station readStation(RecordReader& reader, AngleUnit unit) {
    Station station;
    station.name = reader.readText(nameWidth, "nome da estacao");
    const std::string_view stationName = trimmedName(station.name);
    reader.describeRecord({"da estacao ", stationName});
    station.m = reader.readReal("M");
    station.p = reader.readReal("P");
    const std::int32_t sightingCount = reader.readInteger("numero de pontos de referencia");
    station.pointReading =
        readHorizontalReading(reader, unit, readingToSightedPoint, station.pointReadingWritten);
    reader.endRecord();
    station.references.reserve(reservation(sightingCount));
    for (std::int32_t j = 1; j <= sightingCount; ++j) {
        ReferenceSighting sighting;
        reader.describeRecord({"da estacao ", stationName});
        sighting.name = reader.readText(nameWidth, "nome do ponto de referencia");
        reader.describeRecord(
            {"do ponto de referencia ", trimmedName(sighting.name), " da estacao ", stationName});
        sighting.m = reader.readReal("M");
        sighting.p = reader.readReal("P");
        sighting.reading =
            readHorizontalReading(reader, unit, readingToReference, sighting.written);
        reader.endRecord();
        station.references.push_back(std::move(sighting));
    }
    return station;
}

ObservationSet readHeader(RecordReader& reader, std::optional<AngleUnit>& unit) {
    ObservationSet observations;
    const std::string code = reader.readText(2, "codigo da unidade angular");
    observations.tolerance = reader.readReal("tolerancia");
    const double precision = reader.readReal("precisao a priori");
    reader.endRecord();
    observations.sightedPointName = reader.readText(nameWidth, "nome do ponto visado");
    observations.stationCount = reader.readInteger("numero de estacoes");
    reader.endRecord();
    unit = angleUnitFromCode(code);
    observations.angleUnit = unit.value_or(AngleUnit::Gon);
    observations.aprioriPrecision = precisionToRadians(observations.angleUnit, precision);
    return observations;
}

ObservationSet readPlanimetricData(RecordReader& reader) {
    std::optional<AngleUnit> unit;
    ObservationSet observations = readHeader(reader, unit);
    // The code is checked at the first station record. Without one, an invalid code takes
    // the gon branch; the run then stops for too few stations before it matters.
    observations.stations.reserve(reservation(observations.stationCount));
    for (std::int32_t i = 1; i <= observations.stationCount; ++i) {
        if (!unit) throw RunError::stop({}, {"Opcao de unidade angular invalida!", ""});
        observations.stations.push_back(readStation(reader, *unit));
    }
    return observations;
}

void checkSettings(const ObservationSet& observations) {
    if (observations.stationCount < 2) throw RunError::stop("Numero insuficiente de dados");
    // A precision whose square is not a positive normal number would make every
    // pass divide zero by zero or never end its search.
    const double precision = observations.aprioriPrecision;
    const double variance = precision * precision;
    if (!(precision > 0) || std::fpclassify(variance) != FP_NORMAL)
        throw RunError::stop("Precisao a priori invalida!");
}

void readZenithObservations(RecordReader& reader, ObservationSet& observations) {
    observations.zenithCount = reader.readInteger("numero de leituras zenitais");
    reader.endRecord();
    observations.zenithObservations.clear();
    observations.zenithObservations.reserve(reservation(observations.zenithCount));
    for (std::int32_t i = 1; i <= observations.zenithCount; ++i) {
        ZenithObservation z;
        reader.describeRecord({"do registo zenital"});
        z.stationName = reader.readText(nameWidth, "nome da estacao");
        reader.describeRecord({"do registo zenital de ", trimmedName(z.stationName)});
        z.m = reader.readReal("M");
        z.p = reader.readReal("P");
        z.stationHeight = reader.readReal("cota da estacao");
        if (observations.angleUnit == AngleUnit::Sexagesimal) {
            const double degrees = reader.readReal("graus da leitura");
            const double minutes = reader.readReal("minutos da leitura");
            const double seconds = reader.readReal("segundos da leitura");
            z.zenithReading = zenithDmsToRadians(degrees, minutes, seconds);
            z.zenithReadingWritten = WrittenSexagesimal{degrees, minutes, seconds};
        } else {
            const double reading = reader.readReal("leitura");
            z.zenithReading = observations.angleUnit == AngleUnit::Gon
                                  ? gonToRadians(reading)
                                  : decimalDegreesToRadians(reading);
        }
        // A reading so large that its conversion to radians overflows has no zenith angle.
        if (!std::isfinite(z.zenithReading)) throw RunError::stop(outOfRangeMessage);
        z.instrumentHeight = reader.readReal("altura do instrumento");
        z.targetHeight = reader.readReal("altura do alvo");
        reader.endRecord();
        observations.zenithObservations.push_back(std::move(z));
    }
}

std::optional<std::size_t> dataAfterRecords(RecordReader& reader,
                                            RecordReader::Place afterPlanimetry,
                                            const ObservationSet& observations, bool zenithRead) {
    if (zenithRead) {
        if (reader.atEnd()) return std::nullopt;
        return reader.nextDataLine();
    }
    reader.moveTo(afterPlanimetry);
    if (reader.atEnd()) return std::nullopt;
    const std::size_t line = reader.nextDataLine();
    try {
        ObservationSet zenith;
        zenith.angleUnit = observations.angleUnit;
        readZenithObservations(reader, zenith);
    } catch (const RunError&) {
        return line;
    }
    if (reader.atEnd()) return std::nullopt;
    return reader.nextDataLine();
}

void checkCutNames(const std::vector<CutName>& cutNames, const ObservationSet& observations,
                   const std::string& fileName) {
    // A clash takes two names cut.
    if (cutNames.size() < 2) return;
    // Of each name as kept, the first cut to it and the first cut of another writing after it.
    std::unordered_map<std::string_view, std::pair<const CutName*, const CutName*>> clashes;
    for (const CutName& cut : cutNames) {
        auto& [first, other] = clashes.try_emplace(cut.kept, &cut, nullptr).first->second;
        if (other == nullptr && cut.written != first->written) other = &cut;
    }
    // The stations' positions match as the analysis matches them: written to the millimetre.
    const StationIndex stations(observations.stations);
    for (const ZenithObservation& z : observations.zenithObservations) {
        const auto clash = clashes.find(trimmedName(z.stationName));
        if (clash == clashes.end() || clash->second.second == nullptr) continue;
        if (stations.at(z.m, z.p) != nullptr) continue;
        const CutName& first = *clash->second.first;
        const CutName& cut = *clash->second.second;
        throw RunError::inFile(
            fileName, "os nomes " + escapedControls(first.written) + " (linha " +
                          std::to_string(first.line) + ") e " + escapedControls(cut.written) +
                          " (linha " + std::to_string(cut.line) + ") ficam ambos " +
                          escapedControls(cut.kept) +
                          " cortados a 12 caracteres, e um registo zenital " +
                          "fora das coordenadas das estacoes so se liga a uma pelo "
                          "nome; encurte um dos nomes");
    }
}

} // namespace interseccao
