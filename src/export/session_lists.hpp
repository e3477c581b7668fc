// The machine-readable lists of a session: the summary (--resumo) and the JSON document.
#pragma once

#include "results/session.hpp"

#include <ostream>
#include <string>

namespace interseccao {

// A difference of readings of the book's unit as a person reads it: seconds of arc, or milligon.
std::string sessionAngleText(const ReducedBook& book, double difference);

// The unit the session's observation files are in, as the guide names it.
std::string sessionUnitName(const ReducedBook& book);

// The warnings of one new point: face differences over the limit on its readings and its
// stations' references, heights the record did not have.
std::vector<std::string> pointWarnings(const SessionRun& session, const SessionPoint& point);

// One row per new point, determined or not, with its reason: RFC 4180, UTF-8, CR LF.
void writeSessionList(const SessionRun& session, std::ostream& out);

// The set-ups with every reduced reading, its spread and its lines, and every new point with
// its results.
void writeSessionJson(const SessionRun& session, std::ostream& out);

} // namespace interseccao
