// The quality analysis in Portuguese words, for every output that shows it: the names of the
// readings, the verdict and each warning. Every text is UTF-8, whatever the encoding of the
// names in the observation file.
#pragma once

#include "analysis/quality.hpp"
#include "model/observations.hpp"

#include <string>

namespace interseccao {

// "EST3 -> PENHA": the station and the target of a horizontal reading.
std::string readingLabel(const ObservationSet& observations, ReadingIndex reading);
// The zenith record's station name, without its padding.
std::string zenithLabel(const ObservationSet& observations, std::size_t record);
// The station's name, without its padding.
std::string stationLabel(const ObservationSet& observations, std::int32_t station);

// The verdict: the planimetric one, then, with a height, the height's on a line of its own.
std::string verdictText(const ObservationSet& observations, const QualityAnalysis& analysis);

// One warning, a sentence.
std::string warningText(const Warning& warning, const ObservationSet& observations);

} // namespace interseccao
