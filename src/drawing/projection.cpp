// Scales rounded as a surveyor states them, and the plane fitted to the page at one.
#include "drawing/projection.hpp"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace interseccao {

namespace {

// The value of `mantissas` times a power of ten that rounds `value` up (or down): the
// power of ten at or below the value, then the first mantissa that reaches it.
double roundUp(double value, std::initializer_list<double> mantissas) {
    const double decade = std::pow(10.0, std::floor(std::log10(value)));
    for (const double mantissa : mantissas)
        // A value a rounding error below a round one is that round value.
        if (mantissa * decade >= value * (1 - 1e-12)) return mantissa * decade;
    return 10 * decade;
}

double roundDown(double value, std::initializer_list<double> mantissas) {
    const double decade = std::pow(10.0, std::floor(std::log10(value)));
    double rounded = decade;
    for (const double mantissa : mantissas)
        if (mantissa * decade <= value * (1 + 1e-12)) rounded = mantissa * decade;
    return rounded;
}

} // namespace

double roundScaleDenominator(double atLeast) {
    return roundUp(atLeast, {1, 1.25, 1.5, 2, 2.5, 3, 4, 5, 6, 7.5, 10});
}
double roundLengthBelow(double atMost) { return roundDown(atMost, {1, 2, 5}); }
double roundFactorNear(double value) {
    // The nearer on a logarithmic scale of the 1-2-5 values on either side.
    const double below = roundDown(value, {1, 2, 5});
    const double above = roundUp(value, {1, 2, 5, 10});
    return value / below <= above / value ? below : above;
}

Projection fitProjection(const std::vector<PlanePoint>& points, const Box& area) {
    double minM = points.front().m, maxM = minM, minP = points.front().p, maxP = minP;
    for (const PlanePoint& point : points) {
        minM = std::min(minM, point.m);
        maxM = std::max(maxM, point.m);
        minP = std::min(minP, point.p);
        maxP = std::max(maxP, point.p);
    }
    const double width = std::max(maxM - minM, minimumExtent);
    const double height = std::max(maxP - minP, minimumExtent);
    const double fitting = std::min(area.width / width, area.height / height); // mm per m
    Projection projection;
    // 1 m on the ground is 1000 mm: at 1 : N it is 1000 / N mm on the page.
    projection.denominator = roundScaleDenominator(1000 / fitting);
    projection.scale = 1000 / projection.denominator;
    projection.centre = {(minM + maxM) / 2, (minP + maxP) / 2};
    projection.pageCentre = area.centre();
    return projection;
}

ScaleBar scaleBarFor(const Projection& projection, PagePoint start, double maxPageLength) {
    ScaleBar bar;
    bar.start = start;
    bar.length = roundLengthBelow(maxPageLength / projection.scale);
    bar.pageLength = bar.length * projection.scale;
    return bar;
}

} // namespace interseccao
