// The layout of a run's drawing: the map fitted to its points, the rays, the enlarged
// ellipses and the names where they hide the least; the inset; the title block.
#include "drawing/placement.hpp"

#include "drawing/drawing.hpp"
#include "drawing/ellipses.hpp"
#include "drawing/labels.hpp"
#include "drawing/rays.hpp"
#include "text/encoding.hpp"
#include "text/numbers.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace interseccao {

namespace {

std::string nameOf(const std::string& padded) { return std::string(trimmedName(padded)); }

// Marks are drawn within this distance of their centre, mm.
constexpr double markRadius = 1.8;
// How far a name stands from its mark's centre, mm.
constexpr double labelOffset = 2.6;

// What the names on the map keep clear of: the marks, the scale bar with its figures, the
// north arrow with its letter, the rays and the outlines of both ellipses.
Obstacles mapObstacles(const DrawingLayout& layout) {
    Obstacles obstacles(
        Box{mapFrame.left + 1, mapFrame.top + 1, mapFrame.width - 2, mapFrame.height - 2});
    // The marks, the scale bar, the north arrow, the standard ellipse and the names; the rays
    // and the outlines.
    obstacles.reserve(2 * layout.marks.size() + layout.rays.size() + 3,
                      layout.rays.size() + 2 * static_cast<std::size_t>(ellipseSides));
    for (const Mark& mark : layout.marks)
        obstacles.add(Box{mark.page.x - markRadius, mark.page.y - markRadius, 2 * markRadius,
                          2 * markRadius});
    obstacles.add(Box{layout.scaleBar.start.x - 2, layout.scaleBar.start.y - 6,
                      layout.scaleBar.pageLength + 14, 9});
    obstacles.add(Box{layout.northArrow.x - 4, layout.northArrow.y - 15, 8, 15});
    for (const Ray& ray : layout.rays) obstacles.add(Segment{ray.from, ray.to});
    for (const auto& ellipse : {layout.standard, layout.confidence})
        if (ellipse) {
            const std::vector<PagePoint> outline = ellipseOutline(*ellipse);
            for (std::size_t k = 0; k + 1 < outline.size(); ++k)
                obstacles.add(Segment{outline[k], outline[k + 1]});
        }
    return obstacles;
}

// The names, the sighted point's first, then the stations' and the references'; then the w
// of each suspected ray. Each where it covers the least of the marks, the rays, the ellipse
// and the names already placed.
void placeMapLabels(DrawingLayout& layout, PagePoint pointPage) {
    Obstacles obstacles = mapObstacles(layout);
    // The filled standard ellipse is in the way of every name but the point's, which stands
    // just outside it.
    std::optional<Box> standardBox;
    if (layout.standard) {
        const double r = layout.standard->rx;
        standardBox = Box{pointPage.x - r, pointPage.y - r, 2 * r, 2 * r};
    }
    layout.labelOfMark.resize(layout.marks.size());
    layout.labels.reserve(layout.marks.size() + static_cast<std::size_t>(std::count_if(
                                                    layout.rays.begin(), layout.rays.end(),
                                                    [](const Ray& ray) { return ray.suspected; })));
    for (std::size_t k = 0; k < layout.marks.size(); ++k) {
        const Mark& mark = layout.marks[k];
        const bool isPoint = mark.kind == MarkKind::SightedPoint;
        const double offset = isPoint && layout.standard
                                  ? std::max(labelOffset, layout.standard->rx + 1)
                                  : labelOffset;
        const std::array<LabelPlace, markPlaces> places =
            markLabelPlaces(mark.name, mark.page, offset);
        std::array<Box, markPlaces> boxes;
        for (std::size_t p = 0; p < markPlaces; ++p) boxes[p] = places[p].box;
        const LabelPlace& place = places[obstacles.cheapestOf(boxes, Obstacles::noSegment)];
        layout.labelOfMark[k] = layout.labels.size();
        layout.labels.push_back({mark.name, place.at, place.anchor, labelFontSize, place.box});
        obstacles.add(place.box);
        if (isPoint && standardBox) obstacles.add(*standardBox);
    }
    for (std::size_t k = 0; k < layout.rays.size(); ++k) {
        const Ray& ray = layout.rays[k];
        if (!ray.suspected) continue;
        const std::string w = "w = " + fixed(ray.w, 1);
        const Label label = *cheapest(rayLabelCandidates(w, ray.from, ray.to), obstacles, k);
        layout.labels.push_back(label);
        obstacles.add(label.box);
    }
}

// The inset's scale: the 95 % ellipse and the approximate position, when near, fill it.
// Returns the reach of the plot around the point, metres.
double fitInset(Inset& inset, double a95, PlanePoint point, PlanePoint approximate) {
    // Below the inset's heading, above its scale bar.
    inset.plot = {insetFrame.left + 3, insetFrame.top + 8, insetFrame.width - 6,
                  insetFrame.height - 20};
    inset.approximateDistance = std::hypot(approximate.m - point.m, approximate.p - point.p);
    // The approximate position is shown beside the ellipse unless so far off that the
    // ellipse would shrink to a dot.
    constexpr double approximateReach = 6; // times the 95 % semi-major axis
    inset.approximateInside = inset.approximateDistance <= approximateReach * a95;
    const double reach =
        1.15 * std::max(a95, inset.approximateInside ? inset.approximateDistance : 0.0);
    const double halfSide = std::min(inset.plot.width, inset.plot.height) / 2;
    inset.projection.denominator = roundScaleDenominator(1000 * reach / halfSide);
    inset.projection.scale = 1000 / inset.projection.denominator;
    inset.projection.centre = point;
    inset.projection.pageCentre = inset.plot.centre();
    inset.point = inset.plot.centre();
    inset.approximate = inset.projection.toPage(approximate);
    return reach;
}

// Each station's name on its ray, where it comes into the plot or further in, clear of the
// names already there and of the 95 % ellipse.
void placeInsetLabels(Inset& inset, const ObservationSet& observations) {
    constexpr double nameInside = 4; // mm
    const Box inner{inset.plot.left + nameInside, inset.plot.top + nameInside,
                    inset.plot.width - 2 * nameInside, inset.plot.height - 2 * nameInside};
    Obstacles obstacles;
    const double r = inset.confidence->rx;
    obstacles.add(Box{inset.point.x - r, inset.point.y - r, 2 * r, 2 * r});
    for (const Inset::ObservedRay& ray : inset.observedRays) {
        const std::string name = nameOf(observations.stations[ray.station].name);
        const auto label =
            cheapest(rayNameCandidates(name, ray.from, ray.to, inner, inset.plot), obstacles);
        if (!label) continue;
        inset.rayLabels.push_back(*label);
        obstacles.add(label->box);
    }
}

Inset layOutInset(const DrawingLayout& layout, const RunValues& values,
                  const PlanimetricQuality& quality, const SuspectedReadings& suspected) {
    Inset inset;
    const double a95 = quality.confidenceEllipse->a;
    const double reach = fitInset(inset, a95, layout.point, values.planimetry->approximate);
    inset.standard = pageEllipse(*quality.rigorousEllipse, inset.point, inset.projection.scale, 1);
    inset.confidence =
        pageEllipse(*quality.confidenceEllipse, inset.point, inset.projection.scale, 1);
    if (values.orientation) {
        inset.observedRays = observedRays(values.observations, *values.orientation,
                                          inset.projection, layout.point, reach, suspected);
        placeInsetLabels(inset, values.observations);
    }
    inset.scaleBar =
        scaleBarFor(inset.projection, {inset.plot.left + 2, insetFrame.bottom() - 5}, 30);
    return inset;
}

// The marks of named places, found by name and place: a table of open addressing over the
// marks, each a name of the observation file and a place of numbers (no NaN).
class KnownPlaces {
public:
    KnownPlaces(const std::vector<Mark>& marks, std::size_t most) : marks_(marks) {
        std::size_t size = 4;
        while (size < 2 * most) size *= 2;
        slots_.resize(size);
    }

    // The slot of the place, holding a mark of it (from 1) or 0 where one would go.
    std::uint32_t& slotOf(std::string_view name, PlanePoint place) {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hashOf(name, place) & mask;; at = (at + 1) & mask) {
            std::uint32_t& slot = slots_[at];
            if (slot == 0) return slot;
            const Mark& mark = marks_[slot - 1];
            if (mark.ground.m == place.m && mark.ground.p == place.p && mark.name == name)
                return slot;
        }
    }

private:
    static std::size_t hashOf(std::string_view name, PlanePoint place) {
        std::uint64_t hash = 14695981039346656037u;
        for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
        // Zeros of either sign are the same place. memcpy, not std::bit_cast: the WebAssembly
        // build's C++ library has none.
        for (const double coordinate : {place.m, place.p}) {
            const double value = coordinate == 0 ? 0.0 : coordinate;
            std::uint64_t bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            hash = (hash ^ bits) * 1099511628211u;
        }
        return static_cast<std::size_t>(hash ^ (hash >> 29));
    }

    const std::vector<Mark>& marks_;
    std::vector<std::uint32_t> slots_;
};

} // namespace

std::vector<Mark> marksOf(const ObservationSet& observations, PlanePoint point) {
    std::size_t most = 1 + observations.stations.size();
    for (const Station& station : observations.stations) most += station.references.size();
    std::vector<Mark> marks;
    marks.reserve(most);
    marks.push_back({MarkKind::SightedPoint, nameOf(observations.sightedPointName), point, {}});
    // A reference is known when a station or an earlier reference has its name and place.
    KnownPlaces known(marks, most);
    const auto add = [&](MarkKind kind, std::string_view name, PlanePoint ground) {
        const bool comparable = !std::isnan(ground.m) && !std::isnan(ground.p);
        marks.push_back({kind, std::string(name), ground, {}});
        if (!comparable) return;
        std::uint32_t& slot = known.slotOf(name, ground);
        if (slot == 0) slot = static_cast<std::uint32_t>(marks.size());
    };
    for (const Station& station : observations.stations)
        add(MarkKind::Station, trimmedName(station.name), {station.m, station.p});
    for (const Station& station : observations.stations)
        for (const ReferenceSighting& reference : station.references) {
            const std::string_view name = trimmedName(reference.name);
            const PlanePoint ground{reference.m, reference.p};
            const bool comparable = !std::isnan(ground.m) && !std::isnan(ground.p);
            if (!comparable || known.slotOf(name, ground) == 0)
                add(MarkKind::Reference, name, ground);
        }
    return marks;
}

bool hasDrawing(const FileRun& run) {
    return run.dataRead && run.outcome != Outcome::Failed && run.values.planimetry.has_value();
}

DrawingLayout layOutDrawing(const FileRun& run) {
    const RunValues& values = run.values;
    const PlanimetricSolution& planimetry = *values.planimetry;
    const PlanimetricQuality* quality = run.analysis ? &run.analysis->planimetry : nullptr;
    DrawingLayout layout;
    layout.adjusted = planimetry.adjusted;
    layout.point = planimetry.adjusted ? planimetry.point : planimetry.approximate;
    layout.analysed = quality != nullptr;
    layout.title = titleBlockOf(run);
    for (const Station& station : values.observations.stations)
        layout.stationNames.push_back(toUtf8(trimmedName(station.name)));

    layout.marks = marksOf(values.observations, layout.point);
    std::vector<PlanePoint> grounds;
    for (const Mark& mark : layout.marks) grounds.push_back(mark.ground);
    layout.map = fitProjection(grounds, mapFitArea);
    for (Mark& mark : layout.marks) mark.page = layout.map.toPage(mark.ground);

    const SuspectedReadings suspected = suspectedReadings(quality);
    layout.rays = mapRays(values.observations, layout.map, layout.point, suspected);
    const PagePoint pointPage = layout.map.toPage(layout.point);
    if (hasDrawableEllipses(quality)) enlargeEllipses(*quality, pointPage, layout);
    layout.scaleBar = scaleBarFor(layout.map, {mapFrame.left + 6, mapFrame.bottom() - 6}, 50);
    layout.northArrow = {mapFrame.right() - 10, mapFrame.bottom() - 3};
    placeMapLabels(layout, pointPage);
    if (layout.standard) layout.inset = layOutInset(layout, values, *quality, suspected);
    return layout;
}

} // namespace interseccao
