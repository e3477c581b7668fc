// The records of the observation file and the two passes over it.
#pragma once

#include "run/observations.hpp"
#include "run/output.hpp"
#include "run/reader.hpp"

#include <string>

namespace interseccao {

struct Header {
    std::string code; // 2 characters
    double tolerance = 0;
    double precision = 0; // as written: seconds of arc or milligon
    std::string sightedPointName;
    std::int32_t stationCount = 0;
};

struct StationRecord {
    std::string name;
    double m = 0;
    double p = 0;
    std::int32_t sightingCount = 0;
    double pointReading = 0; // radians
};

Header readHeader(RecordReader& reader);
StationRecord readStationRecord(RecordReader& reader, AngleUnit unit);
ReferenceSighting readReferenceRecord(RecordReader& reader, AngleUnit unit);

// First pass: checks the unit code at the first station record (a stop for an invalid
// one), keeps every station's sighting count and leaves the reader rewound.
void countingPass(RecordReader& reader, ObservationSet& observations);

// Header part of the second pass: the unit, the settings with the precision in radians,
// the sighted point and the station count; stops for too few stations or an unusable
// precision. The reader is left at the first station record.
void loadingPass(RecordReader& reader, ObservationSet& observations);

// The altimetric count and the zenith records that follow the last reference record.
void readZenithObservations(RecordReader& reader, ObservationSet& observations);

} // namespace interseccao
