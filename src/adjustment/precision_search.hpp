// The stepwise search for the precision of one reading that the fit test supports.
#pragma once

#include "adjustment/fit.hpp"

#include <optional>

namespace interseccao {

// A search still going after this many tests has moved the precision by a million seconds
// of arc or milligon, far beyond any reading and beyond what the report can print, and
// could go on for an unbounded number of passes (residuals that are not finite reject
// every precision): the search gives up instead.
inline constexpr long searchTestLimit = 10'000'000;

// Starting from `start` (radians), tests one precision at a time with `verdictAt` and steps
// it down after an acceptance and up after a rejection, until the verdict changes; the
// precision found is then one step beyond the last value tested. The search also ends,
// with the precision not stepped, when an accepted precision would step to zero or below,
// or when a step leaves it unchanged in floating point: without these two ends, residuals
// of zero would step it through zero forever. No search (nullopt) when `testLimit` tests have
// not changed the verdict.
template <class VerdictAt>
std::optional<PrecisionSearch> searchPrecision(double start, double step, VerdictAt&& verdictAt,
                                               long testLimit = searchTestLimit) {
    PrecisionSearch search{start, step, 0, Verdict::Accepted, Verdict::Accepted, start};
    double& precision = search.precision;
    for (;;) {
        if (search.tests == testLimit) return std::nullopt;
        const Verdict verdict = verdictAt(precision);
        if (++search.tests == 1) search.firstVerdict = verdict;
        search.lastVerdict = verdict;
        const bool accepted = verdict == Verdict::Accepted;
        const double stepped = accepted ? precision - step : precision + step;
        if ((accepted && !(stepped > 0)) || stepped == precision) return search;
        precision = stepped;
        if (search.lastVerdict != search.firstVerdict) return search;
        // A verdict that is known over a run of precisions (MonotoneVerdict) needs no test
        // there: the run is stepped as the tests above would step it.
        if constexpr (requires { verdictAt.rejectedBelow(); }) {
            if (verdict == Verdict::Rejected) {
                for (const double below = verdictAt.rejectedBelow(); precision < below;) {
                    if (search.tests == testLimit) return std::nullopt;
                    ++search.tests;
                    const double up = precision + step;
                    if (up == precision) return search;
                    precision = up;
                }
            } else {
                for (const double above = verdictAt.acceptedAbove(); precision > above;) {
                    if (search.tests == testLimit) return std::nullopt;
                    ++search.tests;
                    const double down = precision - step;
                    if (!(down > 0) || down == precision) return search;
                    precision = down;
                }
            }
        }
    }
}

} // namespace interseccao
