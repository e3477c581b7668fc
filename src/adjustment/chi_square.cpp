// Chi-square quantiles beyond the table, from the incomplete gamma function.
#include "adjustment/chi_square.hpp"
#include "model/thread_cache.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <mutex>
#include <stdexcept>

namespace interseccao {

double logGamma(double a) {
#ifdef __GLIBC__
    // The function std::lgamma wraps, with the sign kept here.
    int sign = 0;
    return ::lgamma_r(a, &sign);
#else
    static std::mutex shared;
    const std::lock_guard lock(shared);
    return std::lgamma(a);
#endif
}

double regularizedLowerGamma(double a, double x) {
    if (x <= 0) return 0.0;
    const double logPrefactor = a * std::log(x) - x - logGamma(a);
    if (x < a + 1.0) {
        // Series, converging fast below the mean.
        double term = 1.0 / a, sum = term;
        for (int n = 1; n < 100000; ++n) {
            term *= x / (a + n);
            sum += term;
            if (std::fabs(term) < std::fabs(sum) * 1e-17) break;
        }
        return sum * std::exp(logPrefactor);
    }
    // Continued fraction for the upper function (modified Lentz), above the mean.
    const double tiny = 1e-300;
    double b = x + 1.0 - a, c = 1.0 / tiny, d = 1.0 / b, h = d;
    for (int i = 1; i < 100000; ++i) {
        const double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < tiny) d = tiny;
        c = b + an / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1.0 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < 1e-16) break;
    }
    return 1.0 - std::exp(logPrefactor) * h;
}

namespace {

// The last values of a function of one key, in slots chosen by the key: a batch asks again and
// again for the same few degrees of freedom.
template <class Key> class RecentValues {
public:
    template <class Compute> double get(Key key, std::size_t hash, Compute&& compute) {
        Slot& slot = slots_[hash % slots_.size()];
        if (!slot.filled || !(slot.key == key)) slot = {true, key, compute()};
        return slot.value;
    }

private:
    struct Slot {
        bool filled = false;
        Key key{};
        double value = 0;
    };
    std::array<Slot, 64> slots_{};
};

struct QuantileKey {
    double p = 0;
    std::int32_t f = 0;
    bool operator==(const QuantileKey&) const = default;
};

double computedQuantile(double p, std::int32_t f) {
    const double a = f / 2.0;
    const auto cdf = [&](double x) { return regularizedLowerGamma(a, x / 2.0); };
    double high = f + 10.0 * std::sqrt(2.0 * f) + 10.0;
    while (cdf(high) < p) high *= 2.0;
    return bisectIncreasing(cdf, p, 0.0, high);
}

double computedTestValue(std::int64_t r) {
    const double k = static_cast<double>(r);
    const double a = k / 2.0;
    const auto cdf = [&](double x) { return regularizedLowerGamma(a, x / 2.0); };
    // Bracket around the Wilson-Hilferty approximation, then bisect to full precision.
    const double z = 1.6448536269514722;
    const double h = 2.0 / (9.0 * k);
    const double guess = k * std::pow(1.0 - h + z * std::sqrt(h), 3.0);
    double low = guess * 0.5, high = guess * 1.5;
    while (cdf(low) > 0.95) low *= 0.5;
    while (cdf(high) < 0.95) high *= 2.0;
    for (int i = 0; i < 200 && high - low > high * 1e-15; ++i) {
        const double middle = 0.5 * (low + high);
        if (cdf(middle) < 0.95)
            low = middle;
        else
            high = middle;
    }
    return 0.5 * (low + high);
}

} // namespace

double chiSquareQuantile(double p, std::int32_t f) {
    if (f < 1 || !(p > 0 && p < 1)) throw std::logic_error("chi-square quantile out of its domain");
    // Each thread keeps its own values: runs side by side share nothing.
    struct KnownQuantiles : RecentValues<QuantileKey> {};
    auto& known = threadCache<KnownQuantiles>();
    const std::size_t hash = std::hash<double>()(p) + static_cast<std::size_t>(f) * 7;
    return known.get({p, f}, hash, [&] { return computedQuantile(p, f); });
}

double chiSquareTestValue(std::int64_t r) {
    if (r < 1) throw std::logic_error("chi-square test value for fewer than one degree of freedom");
    if (r <= 6) return chiSquareTable[static_cast<std::size_t>(r - 1)];
    struct KnownTestValues : RecentValues<std::int64_t> {};
    auto& known = threadCache<KnownTestValues>();
    return known.get(r, static_cast<std::size_t>(r), [&] { return computedTestValue(r); });
}

} // namespace interseccao
