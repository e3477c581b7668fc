// The records of the observation file: the planimetric data, then the zenith records.
#pragma once

#include "input/reader.hpp"
#include "model/observations.hpp"

namespace interseccao {

// The two header records: unit, tolerance, precision, sighted point and station count.
// An invalid unit code is kept as none, and the settings then take the gon branch.
ObservationSet readHeader(RecordReader& reader, std::optional<AngleUnit>& unit);

// One station record and its reference records.
Station readStation(RecordReader& reader, AngleUnit unit);

// The header, every station record and its reference records, read before the report file
// is named. Stops at the first station record when the unit code is invalid; a malformed
// record is a file error (RunError). Leaves the reader after the last reference record.
ObservationSet readPlanimetricData(RecordReader& reader);

// The checks made once the report file is open: at least two stations, and an a-priori
// precision whose square is a positive normal number.
void checkSettings(const ObservationSet& observations);

// The zenith count and the zenith records that follow the last reference record.
void readZenithObservations(RecordReader& reader, ObservationSet& observations);

} // namespace interseccao
