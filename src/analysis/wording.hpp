// How the analysis names readings in its Portuguese texts.
#pragma once

#include "analysis/direction_model.hpp"
#include "model/observations.hpp"

#include <string>

namespace interseccao {

// "EST3 -> PENHA": the station and the target of a horizontal reading.
std::string readingLabel(const ObservationSet& observations, ReadingIndex reading);
// The zenith record's station name, without its padding.
std::string zenithLabel(const ObservationSet& observations, std::size_t record);

} // namespace interseccao
