// What both adjustments share: their vocabulary, the fit test, and the residual arithmetic.
//
// The vocabulary, the same for the planimetric and the height adjustment:
// - pass: one least-squares solution iterated from an approximate value until a correction
//   falls below its bound. The height calls it a cycle: its search runs one per test,
//   each starting from the height the last one left.
// - iteration count: the number of corrections a pass computed (the planimetric pass
//   counts the last one, not applied; the height cycle counts one more than it applied).
// - misclosure w: the observed value minus the one computed at the approximation.
// - residual v: the observed minus the adjusted value, v = w − A · x.
// - variance factor s0²: vᵀ · W · v divided by the redundancy, in square radians.
// - fit test: the statistic s0² · r / σ² against the 95 % chi-square quantile for the
//   redundancy r; its verdict accepts σ when the statistic does not exceed the quantile.
// - precision search: steps σ down after an acceptance and up after a rejection until the
//   verdict changes; the precision found is one step beyond the last value tested.
#pragma once

#include <cstdint>

namespace interseccao {

enum class Verdict { Accepted, Rejected };

// The part of the fit that does not depend on the precision tested.
struct FitTest {
    std::int32_t redundancy = 0; // r
    double varianceFactor = 0;   // s0², square radians
    double testValue = 0;        // the 95 % chi-square quantile for r

    // s0² · r / σ² for a precision σ in radians.
    double statistic(double precision) const {
        return varianceFactor * redundancy / (precision * precision);
    }
    Verdict verdict(double precision) const {
        return statistic(precision) > testValue ? Verdict::Rejected : Verdict::Accepted;
    }

    // The test for a redundancy, its variance factor still to be set.
    static FitTest forRedundancy(std::int32_t redundancy);
};

// The verdicts of one fit at every precision, as `FitTest::verdict` gives them, with most of
// them known without the division. The statistic (s0² · r) / σ² never grows as σ grows (each
// rounded operation keeps the order), so one precision rejected means every smaller one is,
// and one accepted every larger one. A precision search of millions of steps far from where
// the verdict changes is so stepped at the speed of its additions.
class MonotoneVerdict {
public:
    explicit MonotoneVerdict(const FitTest& fit);
    Verdict operator()(double precision) const {
        if (precision < rejectedBelow_) return Verdict::Rejected;
        if (precision > acceptedAbove_) return Verdict::Accepted;
        return fit_.verdict(precision);
    }
    double rejectedBelow() const { return rejectedBelow_; }
    double acceptedAbove() const { return acceptedAbove_; }

private:
    FitTest fit_;
    double rejectedBelow_; // every precision below is rejected; 0 when none is known to be
    double acceptedAbove_; // every precision above is accepted; infinite when none is known to be
};

// What a precision search did: `tests` verdicts, every one but the last equal to the first.
struct PrecisionSearch {
    double start = 0; // the a-priori precision, radians
    double step = 0;  // radians
    long tests = 0;   // the precisions tested
    Verdict firstVerdict = Verdict::Accepted;
    Verdict lastVerdict = Verdict::Accepted;
    double precision = 0; // the a-posteriori precision found, radians
};

} // namespace interseccao
