// Truncated power series of the sums of squares that leave-one-out minimises again: the
// change of a bearing or a zenith angle when the point or the height moves by a small step,
// as the series of the complex logarithm, and the squares of such changes summed over the
// readings. Evaluating a sum costs its degree, not the number of readings in it.
#pragma once

#include <array>
#include <complex>
#include <cstddef>

namespace interseccao {

// A polynomial in the plane step (dM, dP), metres, of total degree up to planeSeriesDegree.
inline constexpr int planeSeriesDegree = 6;

class PlaneSeries {
public:
    static constexpr int order = planeSeriesDegree + 1;

    // The bearing's change, radians, from a station at `toPoint` = (dM, dP) from the point:
    // Im log(1 + ε / z) with z = dP + i dM and ε = dP_step + i dM_step.
    static PlaneSeries bearingChange(double dM, double dP);

    double& coefficient(int m, int p) { return c_[index(m, p)]; }
    double coefficient(int m, int p) const { return c_[index(m, p)]; }

    PlaneSeries& operator+=(const PlaneSeries& other);
    PlaneSeries& operator-=(const PlaneSeries& other);
    PlaneSeries& operator*=(double factor);
    // The product, truncated at the degree.
    PlaneSeries operator*(const PlaneSeries& other) const;
    // a x + b y + c, each coefficient worked out in that order.
    static PlaneSeries scaledSum(const PlaneSeries& a, double x, const PlaneSeries& b, double y,
                                 const PlaneSeries& c);

    // The value, the gradient (∂/∂M, ∂/∂P) and the Hessian (MM, MP, PP) at a step.
    struct Local {
        double value = 0;
        std::array<double, 2> gradient{};
        std::array<double, 3> hessian{};
    };
    Local at(double dM, double dP) const;
    // The value alone, the same as at(dM, dP).value.
    double valueAt(double dM, double dP) const;

private:
    static std::size_t index(int m, int p) { return static_cast<std::size_t>(m * order + p); }
    // Whether every coefficient is far enough from overflow that, times any factor of the
    // derivatives, it stays finite.
    bool modest() const;
    // The powers of each step, with a zero below the first so that derivatives need no test.
    using Powers = std::array<double, order + 2>;
    static Powers powers(double step);
    std::array<double, static_cast<std::size_t>(order* order)> c_{};
};

// w (e − B)²: a station's term of the sum of squares, with its misclosure e at the point,
// B the series of its bearing's change and `square` = B².
PlaneSeries squaredTerm(double weight, double misclosure, const PlaneSeries& change,
                        const PlaneSeries& square);

// A polynomial in the height step, metres, up to lineSeriesDegree.
inline constexpr int lineSeriesDegree = 16;

class LineSeries {
public:
    static constexpr int order = lineSeriesDegree + 1;

    // The change of atan2(d, h) when h grows by the step: Im log(1 + step / (h + i d)).
    static LineSeries angleChange(double d, double h);

    double& operator[](int k) { return c_[static_cast<std::size_t>(k)]; }
    double operator[](int k) const { return c_[static_cast<std::size_t>(k)]; }
    LineSeries& operator+=(const LineSeries& other);
    LineSeries& operator-=(const LineSeries& other);

    // (v − A)²: a zenith reading's square, with its residual v and A its angle's change.
    static LineSeries squaredTerm(double residual, const LineSeries& change);

    // The value and the first and second derivatives at a step.
    std::array<double, 3> at(double step) const;

private:
    std::array<double, static_cast<std::size_t>(order)> c_{};
};

} // namespace interseccao
