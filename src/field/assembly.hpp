// The assembly of one observation set per new point from the reduced set-ups and the list
// of known points.
#pragma once

#include "field/reduction.hpp"
#include "input/field_book.hpp"
#include "model/observations.hpp"

#include <optional>
#include <string>
#include <vector>

namespace interseccao {

// Readings below are in the problem's unit: gon ("gr"), decimal degrees ("gc"), or seconds of
// arc written as degrees, minutes and seconds ("gs").
struct AssembledReference {
    std::string name;
    double m = 0, p = 0;
    double reading = 0;
};

struct AssembledStation {
    std::string name;
    double m = 0, p = 0;
    double reading = 0; // to the new point
    std::vector<AssembledReference> references;
    std::size_t setup = 0; // index in ReducedBook::setups
};

struct AssembledZenith {
    std::string station;
    double m = 0, p = 0;
    double stationHeight = 0;
    double reading = 0;
    double instrumentHeight = 0;
    double targetHeight = 0;
};

struct PointProblem {
    AngleUnit unit = AngleUnit::Gon;
    double tolerance = 0; // metres
    double precision = 0; // seconds of arc, or milligon for "gr"
    std::vector<AssembledStation> stations;
    std::vector<AssembledZenith> zenith;
    bool targetHeightMissing = false;     // a zenith record without a target height: 0 taken
    bool instrumentHeightMissing = false; // one without an instrument height: 0 taken
};

struct NewPoint {
    std::string name;                    // as recorded (Latin-1)
    std::vector<std::size_t> setups;     // every set-up that sighted it, in order
    std::optional<PointProblem> problem; // none when not determined
    std::string reason;                  // why not, when not determined
};

struct AssemblySettings {
    double precision = 0;     // seconds of arc, or milligon for gon
    double tolerance = 0.001; // metres
};

// The observation file's unit of a reduction unit.
AngleUnit problemUnit(RecordedUnit unit);

// Every new point (a target not in the list), in the order first sighted.
std::vector<NewPoint> assemblePoints(const ReducedBook& book, const KnownPoints& known,
                                     const AssemblySettings& settings);

} // namespace interseccao
