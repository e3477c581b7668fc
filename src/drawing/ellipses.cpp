// The ellipses on the page.
#include "drawing/ellipses.hpp"

#include "model/angle_units.hpp"

#include <algorithm>
#include <cmath>

namespace interseccao {

PageEllipse pageEllipse(const ErrorEllipse& ellipse, PagePoint centre, double scale,
                        double factor) {
    // A bearing θ points to (sin θ, −cos θ) on the page: from +x, θ − 90° clockwise.
    return {centre, ellipse.a * factor * scale, ellipse.b * factor * scale,
            ellipse.bearing * 180 / PI - 90};
}

std::vector<PagePoint> ellipseOutline(const PageEllipse& ellipse) {
    constexpr int sides = ellipseSides;
    const double turn = ellipse.rotation * PI / 180;
    std::vector<PagePoint> outline;
    for (int k = 0; k <= sides; ++k) {
        const double t = 2 * PI * k / sides;
        const double x = ellipse.rx * std::cos(t), y = ellipse.ry * std::sin(t);
        outline.push_back({ellipse.centre.x + x * std::cos(turn) - y * std::sin(turn),
                           ellipse.centre.y + x * std::sin(turn) + y * std::cos(turn)});
    }
    return outline;
}

bool hasDrawableEllipses(const PlanimetricQuality* quality) {
    const auto drawable = [](const std::optional<ErrorEllipse>& ellipse) {
        return ellipse && std::isfinite(ellipse->a) && ellipse->a > 0 && std::isfinite(ellipse->b);
    };
    return quality && drawable(quality->rigorousEllipse) && drawable(quality->confidenceEllipse);
}

double ellipseEnlargement(double semiMajorAxis, double scale) {
    // The enlarged standard ellipse's semi-major axis is about this on the page, mm (from 3.2
    // to 7.9 with a rounded factor): the 95 % ellipse, 2.45 times larger, is then 1.5 to 4 cm
    // across.
    constexpr double ellipseVisibleAxis = 5.0;
    return std::max(1.0, roundFactorNear(ellipseVisibleAxis / (semiMajorAxis * scale)));
}

void enlargeEllipses(const PlanimetricQuality& quality, PagePoint centre, DrawingLayout& layout) {
    const double factor = ellipseEnlargement(quality.rigorousEllipse->a, layout.map.scale);
    layout.ellipseFactor = factor;
    layout.standard = pageEllipse(*quality.rigorousEllipse, centre, layout.map.scale, factor);
    layout.confidence = pageEllipse(*quality.confidenceEllipse, centre, layout.map.scale, factor);
}

} // namespace interseccao
