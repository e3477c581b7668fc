// Every point a run computed or stood on, with the rays to the new points and their error
// ellipses: the value the CAD and GIS writers draw, made from the runs of a command line or
// from a field session.
#pragma once

#include "analysis/quality.hpp"
#include "results/run_record.hpp"
#include "results/session.hpp"

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace interseccao {

enum class PointRole {
    Station,   // a known point the instrument stood on
    Reference, // a known point sighted for the orientation only
    NewPoint,  // a point the run computed
};

struct SurveyPoint {
    PointRole role = PointRole::Station;
    std::string name;             // the file's bytes without their padding
    PlanePoint position;          // M, P, metres
    std::optional<double> height; // C, metres: a new point's, when computed
    // A new point without an adjustment is the approximate position of two stations: it has
    // no precisions and no ellipse.
    bool adjusted = false;
    std::optional<double> deviationM, deviationP, deviationC; // metres
    std::optional<ErrorEllipse> ellipse; // the standard error ellipse, at true size
    std::string source;                  // the observation file, as given (the first one)
};

// A ray from a station to a new point, or a suspected reading to a reference point.
struct SurveyRay {
    std::size_t station = 0; // index into the points
    std::size_t target = 0;  // index into the points
    bool suspected = false;
    std::optional<double> w; // the suspected reading's Baarda w
};

struct PointSet {
    std::vector<SurveyPoint> points; // new points in the order computed; known points once each
    std::vector<SurveyRay> rays;
    std::string coordinateSystem; // as given (--crs); empty when not stated
};

// The points of the runs that reached a plane position. A known point named alike at the same
// coordinates in several runs is one point, a station when any run stood on it.
PointSet pointSet(const std::vector<FileRun>& runs);

// The same, gathered one run at a time, so that a run can be let go once it is added.
class RunPoints {
public:
    using KnownIndex = std::map<std::tuple<std::string, double, double>, std::size_t>;

    void add(const FileRun& run);
    const PointSet& points() const { return set_; }

private:
    PointSet set_;
    KnownIndex index_; // the known points added, by name and coordinates
};

// The points of a field session: every known point of the list (a station when a set-up stood
// on it), every station the record alone gives coordinates to, and every new point that
// reached a plane position, with the rays of the set-ups that sighted it.
PointSet pointSet(const SessionRun& session);

} // namespace interseccao
