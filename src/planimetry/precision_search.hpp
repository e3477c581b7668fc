// The stepwise search for the precision of one reading that the fit test supports.
#pragma once

#include "run/errors.hpp"

namespace interseccao {

// Starting from `precision` (radians), tests one pass at a time with `accepts` and steps
// the precision down after an acceptance and up after a rejection, until the verdict
// changes; the result is then one step beyond the last value tested. The search also
// ends, with the precision not stepped, when an accepted precision would step to zero or
// below, or when a step leaves it unchanged in floating point: without these two ends,
// residuals of zero would step it through zero forever.
//
// A search still going after `searchTestLimit` tests has moved the precision by a million
// seconds of arc or milligon, far beyond any reading and beyond what the report can print,
// and could go on for an unbounded number of passes (residuals that are not finite reject
// every precision): the run stops instead.
inline constexpr long searchTestLimit = 10'000'000;

template <class Accepts> double searchPrecision(double precision, double step, Accepts&& accepts,
                                                long testLimit = searchTestLimit) {
    char previous = '?';
    char current = '?';
    for (long tests = 0;; ++tests) {
        if (tests == testLimit) throw Stop("Pesquisa da precisao nao convergente!");
        const bool accepted = accepts(precision);
        previous = current;
        current = accepted ? 'a' : 'r';
        const double stepped = accepted ? precision - step : precision + step;
        if ((accepted && !(stepped > 0)) || stepped == precision) return precision;
        precision = stepped;
        if (previous != '?' && previous != current) return precision;
    }
}

} // namespace interseccao
