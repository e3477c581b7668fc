// Reads the header, station, reference and zenith records and runs the two passes over the file.
#include "run/observation_file.hpp"

#include "angles/conversions.hpp"
#include "run/errors.hpp"

#include <algorithm>
#include <cmath>

namespace interseccao {

std::optional<AngleUnit> angleUnitFromCode(std::string_view code) {
    if (code == "gc") return AngleUnit::DecimalDegrees;
    if (code == "gs") return AngleUnit::Sexagesimal;
    if (code == "gr") return AngleUnit::Gon;
    return std::nullopt;
}

namespace {

// One horizontal reading in the layout of the unit, in radians.
double readHorizontalReading(RecordReader& reader, AngleUnit unit, std::string_view what) {
    switch (unit) {
    case AngleUnit::DecimalDegrees: return decimalDegreesToRadians(reader.readReal(what));
    case AngleUnit::Gon: return gonToRadians(reader.readReal(what));
    case AngleUnit::Sexagesimal: {
        const std::int32_t degrees = reader.readInteger("graus da leitura");
        const std::int32_t minutes = reader.readInteger("minutos da leitura");
        const double seconds = reader.readReal("segundos da leitura");
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

Header readHeader(RecordReader& reader) {
    Header header;
    header.code = reader.readText(2, "codigo da unidade angular");
    header.tolerance = reader.readReal("tolerancia");
    header.precision = reader.readReal("precisao a priori");
    reader.endRecord();
    header.sightedPointName = reader.readText(nameWidth, "nome do ponto visado");
    header.stationCount = reader.readInteger("numero de estacoes");
    reader.endRecord();
    return header;
}

StationRecord readStationRecord(RecordReader& reader, AngleUnit unit) {
    StationRecord record;
    record.name = reader.readText(nameWidth, "nome da estacao");
    record.m = reader.readReal("M da estacao");
    record.p = reader.readReal("P da estacao");
    record.sightingCount = reader.readInteger("numero de pontos de referencia");
    record.pointReading = readHorizontalReading(reader, unit, "leitura para o ponto visado");
    reader.endRecord();
    return record;
}

ReferenceSighting readReferenceRecord(RecordReader& reader, AngleUnit unit) {
    ReferenceSighting sighting;
    sighting.name = reader.readText(nameWidth, "nome do ponto de referencia");
    sighting.m = reader.readReal("M do ponto de referencia");
    sighting.p = reader.readReal("P do ponto de referencia");
    sighting.reading = readHorizontalReading(reader, unit, "leitura para o ponto de referencia");
    reader.endRecord();
    return sighting;
}

void countingPass(RecordReader& reader, ObservationSet& observations) {
    const Header header = readHeader(reader);
    observations.sightingCounts.clear();
    observations.sightingCounts.reserve(reservation(header.stationCount));
    for (std::int32_t i = 1; i <= header.stationCount; ++i) {
        const std::optional<AngleUnit> unit = angleUnitFromCode(header.code);
        if (!unit) throw Stop({}, {"Opcao de unidade angular invalida!", ""});
        const StationRecord station = readStationRecord(reader, *unit);
        observations.sightingCounts.push_back(station.sightingCount);
        for (std::int32_t j = 1; j <= station.sightingCount; ++j)
            readReferenceRecord(reader, *unit);
    }
    reader.rewind();
    observations.referenceCount = 0;
    for (std::int32_t count : observations.sightingCounts) observations.referenceCount += count;
}

void loadingPass(RecordReader& reader, ObservationSet& observations) {
    const Header header = readHeader(reader);
    // Every other code takes the gon branch; with fewer than two stations the code was
    // never checked, and the run stops below before it matters.
    observations.angleUnit = angleUnitFromCode(header.code).value_or(AngleUnit::Gon);
    observations.tolerance = header.tolerance;
    observations.aprioriPrecision = precisionToRadians(observations.angleUnit, header.precision);
    observations.zenithSigma = observations.aprioriPrecision;
    observations.sightedPointName = header.sightedPointName;
    observations.stationCount = header.stationCount;
    if (observations.stationCount < 2) throw Stop("Numero insuficiente de dados");
    // A precision whose square is not a positive normal number would make every
    // pass divide zero by zero or never end its search.
    const double precision = observations.aprioriPrecision;
    const double variance = precision * precision;
    if (!(precision > 0) || std::fpclassify(variance) != FP_NORMAL)
        throw Stop("Precisao a priori invalida!");
    observations.redundancy = observations.stationCount - 2;
    observations.stations.clear();
    observations.stations.reserve(reservation(observations.stationCount));
}

void readZenithObservations(RecordReader& reader, ObservationSet& observations) {
    observations.zenithObservationCount = reader.readInteger("numero de leituras zenitais");
    reader.endRecord();
    observations.zenithObservations.clear();
    observations.zenithObservations.reserve(reservation(observations.zenithObservationCount));
    for (std::int32_t i = 1; i <= observations.zenithObservationCount; ++i) {
        ZenithObservation z;
        z.stationName = reader.readText(nameWidth, "nome da estacao");
        z.m = reader.readReal("M da estacao");
        z.p = reader.readReal("P da estacao");
        z.stationHeight = reader.readReal("cota da estacao");
        if (observations.angleUnit == AngleUnit::Sexagesimal) {
            const double degrees = reader.readReal("graus da leitura zenital");
            const double minutes = reader.readReal("minutos da leitura zenital");
            const double seconds = reader.readReal("segundos da leitura zenital");
            z.zenithReading = zenithDmsToRadians(degrees, minutes, seconds);
        } else {
            const double reading = reader.readReal("leitura zenital");
            z.zenithReading = observations.angleUnit == AngleUnit::Gon
                                  ? gonToRadians(reading)
                                  : decimalDegreesToRadians(reading);
        }
        // A reading so large that its conversion to radians overflows has no zenith angle.
        if (!std::isfinite(z.zenithReading)) throw Stop(outOfRangeMessage);
        z.instrumentHeight = reader.readReal("altura do instrumento");
        z.targetHeight = reader.readReal("altura do alvo");
        reader.endRecord();
        observations.zenithObservations.push_back(std::move(z));
    }
}

} // namespace interseccao
