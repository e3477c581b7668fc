// The series of the complex logarithm, log(1 + x) = Σ (−1)^(k+1) x^k / k, for small steps.
#include "analysis/series.hpp"

#include <cmath>

namespace interseccao {

namespace {

using Complex = std::complex<double>;

// (−1)^(k+1) / (k z^k) for k = 1 .. degree: the coefficients of log(1 + ε / z) in ε.
template <std::size_t Size> std::array<Complex, Size> logCoefficients(Complex z, int degree) {
    std::array<Complex, Size> c{};
    const Complex inverse = 1.0 / z;
    Complex power = inverse;
    for (int k = 1; k <= degree; ++k) {
        c[static_cast<std::size_t>(k)] = (k % 2 == 1 ? 1.0 : -1.0) * power / static_cast<double>(k);
        power *= inverse;
    }
    return c;
}

} // namespace

PlaneSeries PlaneSeries::bearingChange(double dM, double dP) {
    const auto c = logCoefficients<order>(Complex(dP, dM), planeSeriesDegree);
    PlaneSeries s;
    // ε^k = Σ_j C(k, j) dP^(k−j) (i dM)^j.
    for (int k = 1; k <= planeSeriesDegree; ++k) {
        double binomial = 1;
        Complex unit(1, 0);
        for (int j = 0; j <= k; ++j) {
            s.coefficient(j, k - j) = (c[static_cast<std::size_t>(k)] * unit * binomial).imag();
            binomial = binomial * (k - j) / (j + 1);
            unit *= Complex(0, 1);
        }
    }
    return s;
}

PlaneSeries& PlaneSeries::operator+=(const PlaneSeries& other) {
    for (std::size_t i = 0; i < c_.size(); ++i) c_[i] += other.c_[i];
    return *this;
}

PlaneSeries& PlaneSeries::operator-=(const PlaneSeries& other) {
    for (std::size_t i = 0; i < c_.size(); ++i) c_[i] -= other.c_[i];
    return *this;
}

PlaneSeries& PlaneSeries::operator*=(double factor) {
    for (double& c : c_) c *= factor;
    return *this;
}

PlaneSeries PlaneSeries::operator*(const PlaneSeries& other) const {
    PlaneSeries product;
    for (int m1 = 0; m1 <= planeSeriesDegree; ++m1)
        for (int p1 = 0; m1 + p1 <= planeSeriesDegree; ++p1) {
            const double a = coefficient(m1, p1);
            if (a == 0) continue;
            for (int m2 = 0; m1 + p1 + m2 <= planeSeriesDegree; ++m2)
                for (int p2 = 0; m1 + p1 + m2 + p2 <= planeSeriesDegree; ++p2)
                    product.coefficient(m1 + m2, p1 + p2) += a * other.coefficient(m2, p2);
        }
    return product;
}

PlaneSeries PlaneSeries::scaledSum(const PlaneSeries& a, double x, const PlaneSeries& b, double y,
                                   const PlaneSeries& c) {
    PlaneSeries sum;
    for (std::size_t i = 0; i < sum.c_.size(); ++i) sum.c_[i] = a.c_[i] * x + b.c_[i] * y + c.c_[i];
    return sum;
}

PlaneSeries::Powers PlaneSeries::powers(double step) {
    Powers power{};
    power[2] = 1;
    for (std::size_t k = 3; k < power.size(); ++k) power[k] = power[k - 1] * step;
    return power;
}

bool PlaneSeries::modest() const {
    // Far above any sum of squares of angles, far below where a factor of 30 overflows.
    constexpr double modestBound = 1e300;
    for (int i = 0; i <= planeSeriesDegree; ++i)
        for (int j = 0; i + j <= planeSeriesDegree; ++j)
            if (!(std::abs(coefficient(i, j)) <= modestBound)) return false;
    return true;
}

PlaneSeries::Local PlaneSeries::at(double dM, double dP) const {
    Local local;
    if (dM == 0 && dP == 0 && modest()) {
        // At no step every term but one of each sum is a zero, which leaves that term as it
        // is (a zero of either sign added to the sum's first zero is a positive zero).
        local.value = 0.0 + coefficient(0, 0);
        local.gradient = {0.0 + coefficient(1, 0), 0.0 + coefficient(0, 1)};
        local.hessian = {0.0 + coefficient(2, 0) * 2, 0.0 + coefficient(1, 1),
                         0.0 + coefficient(0, 2) * 2};
        return local;
    }
    const Powers m = powers(dM), p = powers(dP);
    // Unrolled, every factor of i and j is a constant.
#pragma GCC unroll 8
    for (int i = 0; i <= planeSeriesDegree; ++i)
#pragma GCC unroll 8
        for (int j = 0; i + j <= planeSeriesDegree; ++j) {
            const double c = coefficient(i, j);
            const auto I = static_cast<std::size_t>(i + 2);
            const auto J = static_cast<std::size_t>(j + 2);
            local.value += c * m[I] * p[J];
            local.gradient[0] += c * i * m[I - 1] * p[J];
            local.gradient[1] += c * j * m[I] * p[J - 1];
            local.hessian[0] += c * i * (i - 1) * m[I - 2] * p[J];
            local.hessian[1] += c * i * j * m[I - 1] * p[J - 1];
            local.hessian[2] += c * j * (j - 1) * m[I] * p[J - 2];
        }
    return local;
}

double PlaneSeries::valueAt(double dM, double dP) const {
    const Powers m = powers(dM), p = powers(dP);
    double value = 0;
#pragma GCC unroll 8
    for (int i = 0; i <= planeSeriesDegree; ++i)
#pragma GCC unroll 8
        for (int j = 0; i + j <= planeSeriesDegree; ++j)
            value += coefficient(i, j) * m[static_cast<std::size_t>(i + 2)] *
                     p[static_cast<std::size_t>(j + 2)];
    return value;
}

PlaneSeries squaredTerm(double weight, double misclosure, const PlaneSeries& change,
                        const PlaneSeries& square) {
    PlaneSeries term = square;
    PlaneSeries linear = change;
    linear *= -2.0 * misclosure;
    term += linear;
    term.coefficient(0, 0) += misclosure * misclosure;
    term *= weight;
    return term;
}

LineSeries LineSeries::angleChange(double d, double h) {
    const auto c = logCoefficients<order>(Complex(h, d), lineSeriesDegree);
    LineSeries s;
    for (int k = 1; k <= lineSeriesDegree; ++k) s[k] = c[static_cast<std::size_t>(k)].imag();
    return s;
}

LineSeries& LineSeries::operator+=(const LineSeries& other) {
    for (std::size_t i = 0; i < c_.size(); ++i) c_[i] += other.c_[i];
    return *this;
}

LineSeries& LineSeries::operator-=(const LineSeries& other) {
    for (std::size_t i = 0; i < c_.size(); ++i) c_[i] -= other.c_[i];
    return *this;
}

LineSeries LineSeries::squaredTerm(double residual, const LineSeries& change) {
    LineSeries term;
    term[0] = residual * residual;
    for (int i = 1; i <= lineSeriesDegree; ++i) {
        term[i] -= 2.0 * residual * change[i];
        for (int j = 1; i + j <= lineSeriesDegree; ++j) term[i + j] += change[i] * change[j];
    }
    return term;
}

std::array<double, 3> LineSeries::at(double step) const {
    std::array<double, 3> local{};
    for (int k = lineSeriesDegree; k >= 0; --k) {
        // Horner for the value and both derivatives together.
        local[2] = local[2] * step + 2.0 * local[1];
        local[1] = local[1] * step + local[0];
        local[0] = local[0] * step + (*this)[k];
    }
    return local;
}

} // namespace interseccao
