// The drawing's geometry: scales rounded as a surveyor states them, marks and rays on the
// map, the enlarged ellipses, the inset, and labels put where they hide the least.
#include "drawing/layout.hpp"

#include "analysis/direction_model.hpp"
#include "results/analysis_wording.hpp"
#include "text/numbers.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <utility>

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

// Marks are drawn within this distance of their centre, mm.
constexpr double markRadius = 1.8;
// How far a name stands from its mark's centre, mm.
constexpr double labelOffset = 2.6;
// How far the w of a suspected ray stands from the ray, mm.
constexpr double rayLabelOffset = 2.0;
// The enlarged standard ellipse's semi-major axis is about this on the page, mm (from 3.2 to
// 7.9 with a rounded factor): the 95 % ellipse, 2.45 times larger, is then 1.5 to 4 cm across.
constexpr double ellipseVisibleAxis = 5.0;
// A label outside the map frame, or over another thing, costs this much per mm² (or per mm of
// a ray crossing it): leaving the frame is never worth it.
constexpr double outsideCost = 1e6;
constexpr double overlapCost = 10;
constexpr double crossingCost = 5;

// The part of segment a-b inside the box, as the parameters along it where it enters and
// leaves (Liang–Barsky clipping); none when it misses the box.
std::optional<std::pair<double, double>> clipSegment(PagePoint a, PagePoint b, const Box& box) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - box.left, box.right() - a.x, a.y - box.top, box.bottom() - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return std::nullopt;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return std::nullopt;
    }
    return std::pair{t0, t1};
}

double lengthInside(PagePoint a, PagePoint b, const Box& box) {
    const auto inside = clipSegment(a, b, box);
    return inside ? (inside->second - inside->first) * std::hypot(b.x - a.x, b.y - a.y) : 0;
}

double overlapArea(const Box& a, const Box& b) {
    const double w = std::min(a.right(), b.right()) - std::max(a.left, b.left);
    const double h = std::min(a.bottom(), b.bottom()) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

struct Segment {
    PagePoint a, b;
};

// What a label should not cover, and the room it must stay in.
struct Obstacles {
    std::vector<Box> boxes;
    std::vector<Segment> segments;
    Box room;

    double cost(const Box& box, std::size_t skippedSegment) const {
        double total = 0;
        if (box.left < room.left || box.top < room.top || box.right() > room.right() ||
            box.bottom() > room.bottom())
            total += outsideCost;
        for (const Box& other : boxes) total += overlapCost * overlapArea(box, other);
        for (std::size_t k = 0; k < segments.size(); ++k)
            if (k != skippedSegment)
                total += crossingCost * lengthInside(segments[k].a, segments[k].b, box);
        return total;
    }
};

// The candidate places of a mark's name, most wanted first: right, left, above, below and
// the four diagonals.
std::vector<Label> markLabelCandidates(const std::string& text, PagePoint at, double offset) {
    const double f = labelFontSize;
    // The baseline a third of the font below the mark's centre centres the capitals on it.
    const double centred = at.y + 0.35 * f;
    const double d = offset, diagonal = offset * std::numbers::sqrt2 / 2;
    const struct {
        double x, y;
        Anchor anchor;
    } places[] = {
        {at.x + d, centred, Anchor::Start},
        {at.x - d, centred, Anchor::End},
        {at.x, at.y - d, Anchor::Middle},
        {at.x, at.y + d + 0.7 * f, Anchor::Middle},
        {at.x + diagonal, at.y - diagonal, Anchor::Start},
        {at.x - diagonal, at.y - diagonal, Anchor::End},
        {at.x + diagonal, at.y + diagonal + 0.7 * f, Anchor::Start},
        {at.x - diagonal, at.y + diagonal + 0.7 * f, Anchor::End},
    };
    std::vector<Label> candidates;
    for (const auto& place : places) {
        const PagePoint baseline{place.x, place.y};
        candidates.push_back(
            {text, baseline, place.anchor, f, textBox(text, baseline, place.anchor, f)});
    }
    return candidates;
}

// Candidates for the w of a ray: beside it, at points along it, on either side.
std::vector<Label> rayLabelCandidates(const std::string& text, const Ray& ray) {
    const double f = labelFontSize;
    const double dx = ray.to.x - ray.from.x, dy = ray.to.y - ray.from.y;
    const double length = std::max(std::hypot(dx, dy), 1e-9);
    const double nx = -dy / length, ny = dx / length;
    std::vector<Label> candidates;
    for (const double t : {0.5, 0.4, 0.6, 0.3, 0.7, 0.2, 0.8})
        for (const double side : {1.0, -1.0}) {
            const PagePoint along{ray.from.x + t * dx, ray.from.y + t * dy};
            // Far enough off the ray that the text's box clears it at any slope: half its
            // width across a steep ray, half its height across a flat one.
            const double width = textBox(text, {}, Anchor::Start, f).width;
            const double away =
                rayLabelOffset + 0.5 * std::abs(nx) * width + 0.5 * std::abs(ny) * f;
            const PagePoint centre{along.x + side * nx * away, along.y + side * ny * away};
            const PagePoint baseline{centre.x, centre.y + 0.35 * f};
            candidates.push_back(
                {text, baseline, Anchor::Middle, f, textBox(text, baseline, Anchor::Middle, f)});
        }
    return candidates;
}

// The ellipse as a closed polygon of page points.
std::vector<PagePoint> ellipseOutline(const PageEllipse& ellipse) {
    constexpr int sides = 36;
    const double turn = ellipse.rotation * std::numbers::pi / 180;
    std::vector<PagePoint> outline;
    for (int k = 0; k <= sides; ++k) {
        const double t = 2 * std::numbers::pi * k / sides;
        const double x = ellipse.rx * std::cos(t), y = ellipse.ry * std::sin(t);
        outline.push_back({ellipse.centre.x + x * std::cos(turn) - y * std::sin(turn),
                           ellipse.centre.y + x * std::sin(turn) + y * std::cos(turn)});
    }
    return outline;
}

Label cheapest(const std::vector<Label>& candidates, const Obstacles& obstacles,
               std::size_t skippedSegment) {
    const Label* best = &candidates.front();
    double bestCost = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        // Among equals, the earlier (more wanted) place.
        const double cost = obstacles.cost(candidates[k].box, skippedSegment) + 1e-3 * k;
        if (cost < bestCost) {
            bestCost = cost;
            best = &candidates[k];
        }
    }
    return *best;
}

std::string formatW(double w) { return "w = " + fixed(w, 1); }

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

double ellipseEnlargement(double semiMajorAxis, double scale) {
    return std::max(1.0, roundFactorNear(ellipseVisibleAxis / (semiMajorAxis * scale)));
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

PageEllipse pageEllipse(const ErrorEllipse& ellipse, PagePoint centre, double scale,
                        double factor) {
    // A bearing θ points to (sin θ, −cos θ) on the page: from +x, θ − 90° clockwise.
    return {centre, ellipse.a * factor * scale, ellipse.b * factor * scale,
            ellipse.bearing * 180 / std::numbers::pi - 90};
}

Box textBox(const std::string& text, PagePoint at, Anchor anchor, double fontSize) {
    // Characters, not bytes: a name may hold accented letters in UTF-8.
    const auto characters = std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    const double width = characterWidth * fontSize * static_cast<double>(characters);
    const double left = anchor == Anchor::Start    ? at.x
                        : anchor == Anchor::Middle ? at.x - width / 2
                                                   : at.x - width;
    // Capitals rise about 0.72 of the font above the baseline; descenders go 0.22 below.
    return {left, at.y - 0.75 * fontSize, width, 0.97 * fontSize};
}

DrawingLayout layOutDrawing(const ObservationSet& observations,
                            const PlanimetricSolution& planimetry, const Orientation* orientation,
                            const QualityAnalysis* analysis) {
    DrawingLayout layout;
    layout.adjusted = planimetry.adjusted;
    layout.point = planimetry.adjusted ? planimetry.point : planimetry.approximate;

    // Every point once: the sighted point, the stations, then the references that are not
    // one of the stations.
    const auto name = [](const std::string& padded) { return std::string(trimmedName(padded)); };
    layout.marks.push_back(
        {MarkKind::SightedPoint, name(observations.sightedPointName), layout.point, {}});
    for (const Station& station : observations.stations)
        layout.marks.push_back({MarkKind::Station, name(station.name), {station.m, station.p}, {}});
    const auto known = [&](const std::string& text, double m, double p) {
        return std::any_of(layout.marks.begin(), layout.marks.end(), [&](const Mark& mark) {
            return mark.kind != MarkKind::SightedPoint && mark.name == text && mark.ground.m == m &&
                   mark.ground.p == p;
        });
    };
    for (const Station& station : observations.stations)
        for (const ReferenceSighting& reference : station.references)
            if (!known(name(reference.name), reference.m, reference.p))
                layout.marks.push_back(
                    {MarkKind::Reference, name(reference.name), {reference.m, reference.p}, {}});

    std::vector<PlanePoint> grounds;
    for (const Mark& mark : layout.marks) grounds.push_back(mark.ground);
    layout.map = fitProjection(grounds, mapFitArea);
    for (Mark& mark : layout.marks) mark.page = layout.map.toPage(mark.ground);

    // The suspected readings: the one the analysis names and those it cannot tell from it.
    std::vector<std::pair<ReadingIndex, double>> suspected;
    const PlanimetricQuality* quality = analysis ? &analysis->planimetry : nullptr;
    if (quality && quality->suspicion.kind != Suspicion::Kind::None) {
        std::vector<std::size_t> readings = quality->suspicion.alike;
        readings.push_back(quality->suspicion.reading);
        for (const std::size_t k : readings)
            if (k < quality->readings.size() && quality->readings[k].tests.standardized)
                suspected.emplace_back(quality->readings[k].index,
                                       *quality->readings[k].tests.standardized);
    }
    const auto suspicionOf = [&](std::size_t station, std::int32_t reference) {
        for (const auto& [index, w] : suspected)
            if (index.station == static_cast<std::int32_t>(station) && index.reference == reference)
                return std::optional<double>(w);
        return std::optional<double>();
    };

    const PagePoint pointPage = layout.map.toPage(layout.point);
    for (std::size_t s = 0; s < observations.stations.size(); ++s) {
        const Station& station = observations.stations[s];
        const PagePoint from = layout.map.toPage({station.m, station.p});
        for (std::size_t r = 0; r < station.references.size(); ++r) {
            const ReferenceSighting& reference = station.references[r];
            const auto w = suspicionOf(s, static_cast<std::int32_t>(r));
            layout.rays.push_back({RayKind::ToReference, s, from,
                                   layout.map.toPage({reference.m, reference.p}), w.has_value(),
                                   w.value_or(0)});
        }
        const auto w = suspicionOf(s, sightedPointTarget);
        layout.rays.push_back({RayKind::ToPoint, s, from, pointPage, w.has_value(), w.value_or(0)});
    }

    // The ellipses, enlarged by the round factor that makes the standard one visible.
    const auto drawable = [](const std::optional<ErrorEllipse>& ellipse) {
        return ellipse && std::isfinite(ellipse->a) && ellipse->a > 0 && std::isfinite(ellipse->b);
    };
    if (quality && drawable(quality->rigorousEllipse) && drawable(quality->confidenceEllipse)) {
        const double factor = ellipseEnlargement(quality->rigorousEllipse->a, layout.map.scale);
        layout.ellipseFactor = factor;
        layout.standard =
            pageEllipse(*quality->rigorousEllipse, pointPage, layout.map.scale, factor);
        layout.confidence =
            pageEllipse(*quality->confidenceEllipse, pointPage, layout.map.scale, factor);
    }

    layout.scaleBar = scaleBarFor(layout.map, {mapFrame.left + 6, mapFrame.bottom() - 6}, 50);
    layout.northArrow = {mapFrame.right() - 10, mapFrame.bottom() - 3};

    // The names, the sighted point's first, then the stations' and the references'; each
    // where it covers the least of the marks, the rays, the ellipse and the names already
    // placed.
    Obstacles obstacles;
    obstacles.room = {mapFrame.left + 1, mapFrame.top + 1, mapFrame.width - 2, mapFrame.height - 2};
    for (const Mark& mark : layout.marks)
        obstacles.boxes.push_back(
            {mark.page.x - markRadius, mark.page.y - markRadius, 2 * markRadius, 2 * markRadius});
    // The filled standard ellipse is in the way of every name but the point's, which stands
    // just outside it; the outlines of both ellipses are in the way like rays.
    std::optional<Box> standardBox;
    if (layout.standard) {
        const double r = layout.standard->rx;
        standardBox = Box{pointPage.x - r, pointPage.y - r, 2 * r, 2 * r};
    }
    // The scale bar with its figures, and the north arrow with its letter.
    obstacles.boxes.push_back({layout.scaleBar.start.x - 2, layout.scaleBar.start.y - 6,
                               layout.scaleBar.pageLength + 14, 9});
    obstacles.boxes.push_back({layout.northArrow.x - 4, layout.northArrow.y - 15, 8, 15});
    for (const Ray& ray : layout.rays) obstacles.segments.push_back({ray.from, ray.to});
    for (const auto& ellipse : {layout.standard, layout.confidence})
        if (ellipse) {
            const std::vector<PagePoint> outline = ellipseOutline(*ellipse);
            for (std::size_t k = 0; k + 1 < outline.size(); ++k)
                obstacles.segments.push_back({outline[k], outline[k + 1]});
        }

    layout.labelOfMark.resize(layout.marks.size());
    for (std::size_t k = 0; k < layout.marks.size(); ++k) {
        const Mark& mark = layout.marks[k];
        const bool isPoint = mark.kind == MarkKind::SightedPoint;
        const double offset = isPoint && layout.standard
                                  ? std::max(labelOffset, layout.standard->rx + 1)
                                  : labelOffset;
        const Label label = cheapest(markLabelCandidates(mark.name, mark.page, offset), obstacles,
                                     obstacles.segments.size());
        layout.labelOfMark[k] = layout.labels.size();
        layout.labels.push_back(label);
        obstacles.boxes.push_back(label.box);
        if (isPoint && standardBox) obstacles.boxes.push_back(*standardBox);
    }
    for (std::size_t k = 0; k < layout.rays.size(); ++k) {
        const Ray& ray = layout.rays[k];
        if (!ray.suspected) continue;
        const Label label = cheapest(rayLabelCandidates(formatW(ray.w), ray), obstacles, k);
        layout.labels.push_back(label);
        obstacles.boxes.push_back(label.box);
    }

    if (layout.standard) layout.inset = Inset{};
    if (layout.inset) {
        Inset& inset = *layout.inset;
        // Below the inset's heading, above its scale bar.
        inset.plot = {insetFrame.left + 3, insetFrame.top + 8, insetFrame.width - 6,
                      insetFrame.height - 20};
        const double a95 = quality->confidenceEllipse->a;
        inset.approximateDistance = std::hypot(planimetry.approximate.m - layout.point.m,
                                               planimetry.approximate.p - layout.point.p);
        // The approximate position is shown beside the ellipse unless so far off that the
        // ellipse would shrink to a dot.
        constexpr double approximateReach = 6; // times the 95 % semi-major axis
        inset.approximateInside = inset.approximateDistance <= approximateReach * a95;
        const double reach =
            1.15 * std::max(a95, inset.approximateInside ? inset.approximateDistance : 0.0);
        const double halfSide = std::min(inset.plot.width, inset.plot.height) / 2;
        inset.projection.denominator = roundScaleDenominator(1000 * reach / halfSide);
        inset.projection.scale = 1000 / inset.projection.denominator;
        inset.projection.centre = layout.point;
        inset.projection.pageCentre = inset.plot.centre();
        inset.point = inset.plot.centre();
        inset.approximate = inset.projection.toPage(planimetry.approximate);
        inset.standard =
            pageEllipse(*quality->rigorousEllipse, inset.point, inset.projection.scale, 1);
        inset.confidence =
            pageEllipse(*quality->confidenceEllipse, inset.point, inset.projection.scale, 1);
        if (orientation)
            for (std::size_t s = 0;
                 s < orientation->stations.size() && s < observations.stations.size(); ++s) {
                if (!orientation->stations[s].complete) continue;
                const Station& station = observations.stations[s];
                const double bearing = orientation->stations[s].meanBearing;
                const double dm = std::sin(bearing), dp = std::cos(bearing);
                // The foot of the perpendicular from the point to the station's ray.
                const double along =
                    (layout.point.m - station.m) * dm + (layout.point.p - station.p) * dp;
                const PlanePoint foot{station.m + along * dm, station.p + along * dp};
                const double half = 4 * reach; // metres: beyond the plot on both sides
                bool stationSuspected = false;
                for (const auto& [index, w] : suspected)
                    stationSuspected |= index.station == static_cast<std::int32_t>(s);
                const Inset::ObservedRay ray{
                    s, inset.projection.toPage({foot.m - half * dm, foot.p - half * dp}),
                    inset.projection.toPage({foot.m + half * dm, foot.p + half * dp}),
                    stationSuspected};
                inset.observedRays.push_back(ray);
                // The station's name on its ray, where it comes into the plot or further in,
                // clear of the names already there and of the ellipse.
                constexpr double nameInside = 4; // mm
                const Box inner{inset.plot.left + nameInside, inset.plot.top + nameInside,
                                inset.plot.width - 2 * nameInside,
                                inset.plot.height - 2 * nameInside};
                const auto inside = clipSegment(ray.from, ray.to, inner);
                if (!inside) continue;
                const std::string text = name(station.name);
                const double rayLength = std::hypot(ray.to.x - ray.from.x, ray.to.y - ray.from.y);
                std::optional<Label> chosen;
                double chosenCost = std::numeric_limits<double>::infinity();
                constexpr double stepIn = 3; // mm along the ray
                for (int step = 0; step < 8; ++step) {
                    const double t = inside->first + step * stepIn / rayLength;
                    if (t > inside->second) break;
                    const PagePoint at{ray.from.x + t * (ray.to.x - ray.from.x),
                                       ray.from.y + t * (ray.to.y - ray.from.y)};
                    PagePoint baseline{at.x, at.y + 0.35 * insetFontSize};
                    Box box = textBox(text, baseline, Anchor::Middle, insetFontSize);
                    // Kept whole within the plot.
                    const double shift = std::max(0.0, inset.plot.left + 1 - box.left) -
                                         std::max(0.0, box.right() - (inset.plot.right() - 1));
                    baseline.x += shift;
                    box.left += shift;
                    double cost = 1e-3 * step;
                    for (const Label& other : inset.rayLabels)
                        cost += overlapCost * overlapArea(box, other.box);
                    const double r = inset.confidence->rx;
                    cost += overlapCost *
                            overlapArea(box, {inset.point.x - r, inset.point.y - r, 2 * r, 2 * r});
                    if (cost < chosenCost) {
                        chosenCost = cost;
                        chosen = Label{text, baseline, Anchor::Middle, insetFontSize, box};
                    }
                }
                if (chosen) inset.rayLabels.push_back(*chosen);
            }
        inset.scaleBar =
            scaleBarFor(inset.projection, {inset.plot.left + 2, insetFrame.bottom() - 5}, 30);
    }
    return layout;
}

} // namespace interseccao
