// Labels put where they hide the least, scored against a grid of what is on the page.
#include "drawing/labels.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace interseccao {

namespace {

// The grid: square cells over the page; whatever lies beyond its edges is filed in the cells
// along them.
constexpr double cellSize = 4; // mm
constexpr std::int32_t columns = static_cast<std::int32_t>(pageWidth / cellSize) + 1;
constexpr std::int32_t rows = static_cast<std::int32_t>(pageHeight / cellSize) + 1;
// A segment is filed in the cells it passes within this of, against rounding, mm.
constexpr double filingMargin = 1e-3;
// What ends a list of items: no item.
constexpr std::uint32_t pastItems = std::numeric_limits<std::uint32_t>::max();

std::int32_t cellAlong(double coordinate, std::int32_t count) {
    // What is not at or beyond 0 is in the first cell, NaN included; at or beyond 0, the
    // whole part is the cell.
    const double cell = coordinate / cellSize;
    if (!(cell >= 0)) return 0;
    return cell >= count - 1 ? count - 1 : static_cast<std::int32_t>(cell);
}

bool finite(double left, double top, double right, double bottom) {
    return std::isfinite(left) && std::isfinite(top) && std::isfinite(right) &&
           std::isfinite(bottom);
}

// Coordinates within this of the page's corner, mm, and the steps of segments nothing or at
// least this, keep the parameters of clipping finite: below 2e9 / 1e-200.
constexpr double reach = 1e9, leastStep = 1e-200;
bool withinReach(double left, double top, double right, double bottom) {
    return std::fabs(left) <= reach && std::fabs(top) <= reach && std::fabs(right) <= reach &&
           std::fabs(bottom) <= reach;
}

// Liang–Barsky clipping of a-b, whose b − a is (dx, dy), to the box of those edges.
std::optional<std::pair<double, double>> clipped(PagePoint a, double dx, double dy, double left,
                                                 double top, double right, double bottom) {
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - left, right - a.x, a.y - top, bottom - a.y};
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

// The rows a segment passes through within a column of the grid (the first and last
// columns reaching out without end), with the margin; none when it passes beside it.
std::optional<std::pair<std::int32_t, std::int32_t>> rowsInColumn(const Segment& s,
                                                                  std::int32_t column) {
    constexpr double endless = std::numeric_limits<double>::infinity();
    const double left = column == 0 ? -endless : column * cellSize - filingMargin;
    const double right = column == columns - 1 ? endless : (column + 1) * cellSize + filingMargin;
    // The parameters along the segment where it is between left and right.
    const double dx = s.b.x - s.a.x;
    double t0 = 0, t1 = 1;
    if (dx == 0) {
        if (s.a.x < left || s.a.x > right) return std::nullopt;
    } else {
        const double atLeft = (left - s.a.x) / dx, atRight = (right - s.a.x) / dx;
        t0 = std::max(t0, std::min(atLeft, atRight));
        t1 = std::min(t1, std::max(atLeft, atRight));
        if (t0 > t1) return std::nullopt;
    }
    const double y0 = s.a.y + t0 * (s.b.y - s.a.y), y1 = s.a.y + t1 * (s.b.y - s.a.y);
    return std::pair{cellAlong(std::min(y0, y1) - filingMargin, rows),
                     cellAlong(std::max(y0, y1) + filingMargin, rows)};
}

} // namespace

std::optional<std::pair<double, double>> clipSegment(PagePoint a, PagePoint b, const Box& box) {
    return clipped(a, b.x - a.x, b.y - a.y, box.left, box.top, box.right(), box.bottom());
}

Obstacles::Cells Obstacles::cellsOf(const Box& box) const {
    return {cellAlong(box.left, columns), cellAlong(box.right(), columns), cellAlong(box.top, rows),
            cellAlong(box.bottom(), rows)};
}

std::size_t Obstacles::cellIndex(std::int32_t column, std::int32_t row) const {
    return static_cast<std::size_t>(row) * columns + static_cast<std::size_t>(column);
}

void Obstacles::Filed::file(std::size_t cell, std::uint32_t index) {
    if (sizes.empty()) {
        const std::size_t cellCount = static_cast<std::size_t>(columns) * rows;
        sizes.resize(cellCount);
        items.reset(new std::uint32_t[cellCount * cellSlots]);
    }
    if (sizes[cell] == scoredNear) return;
    std::uint32_t* list = &items[cell * cellSlots];
    list[sizes[cell]++] = index;
    list[sizes[cell]] = pastItems;
}

void Obstacles::reserve(std::size_t boxes, std::size_t segments) {
    boxes_.reserve(boxes);
    segments_.reserve(segments);
    extents_.reserve(segments);
}

void Obstacles::add(const Box& box) {
    const Cells cells = cellsOf(box);
    const auto index = static_cast<std::uint32_t>(boxes_.size());
    for (std::int32_t row = cells.firstRow; row <= cells.lastRow; ++row)
        for (std::int32_t column = cells.firstColumn; column <= cells.lastColumn; ++column)
            boxesFiled_.file(cellIndex(column, row), index);
    boxes_.push_back({Pair{box.left, box.top}, Pair{box.right(), box.bottom()}});
    finite_ = finite_ && finite(box.left, box.top, box.right(), box.bottom());
    boxesFiled_.count = index + 1;
}

void Obstacles::add(const Segment& segment) {
    const auto index = static_cast<std::uint32_t>(segments_.size());
    const std::int32_t first =
        cellAlong(std::min(segment.a.x, segment.b.x) - filingMargin, columns);
    const std::int32_t last = cellAlong(std::max(segment.a.x, segment.b.x) + filingMargin, columns);
    for (std::int32_t column = first; column <= last; ++column)
        if (const auto span = rowsInColumn(segment, column))
            for (std::int32_t row = span->first; row <= span->second; ++row)
                segmentsFiled_.file(cellIndex(column, row), index);
    const PagePoint a = segment.a, b = segment.b;
    const double dx = b.x - a.x, dy = b.y - a.y;
    segments_.push_back({Pair{a.x, a.y}, Pair{dx, dy}, std::hypot(dx, dy), dx == 0 || dy == 0});
    extents_.push_back(
        {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)});
    const auto moving = [](double step) { return step == 0 || std::fabs(step) >= leastStep; };
    withinReach_ =
        withinReach_ && withinReach(a.x, a.y, b.x, b.y) && moving(b.x - a.x) && moving(b.y - a.y);
    segmentsFiled_.count = index + 1;
}

void Obstacles::addNew(Near& near, const Filed& filed, const Cells& cells) const {
    // The items of each cell not yet seen are at the end of its list, after those of the
    // place: those of all its cells merged follow them.
    cursors_.clear();
    for (std::int32_t row = cells.firstRow; row <= cells.lastRow; ++row)
        for (std::int32_t column = cells.firstColumn; column <= cells.lastColumn; ++column) {
            const std::size_t cell = cellIndex(column, row);
            const std::uint32_t* list = &filed.items[cell * cellSlots];
            const std::uint32_t* end = list + filed.sizes[cell];
            const std::uint32_t* at = near.seen == 0 ? list : end;
            while (at != list && at[-1] >= near.seen) --at;
            if (at != end) cursors_.push_back(at);
        }
    near.seen = filed.count;
    // Each list is in the order of adding and ends with pastItems: the least of their next
    // items is the next one, and every list holding it steps past it, while the least of
    // their items then is found for the step after. Which lists step is never predictable:
    // they step by their comparison, without branching.
    heads_.clear();
    std::uint32_t next = pastItems;
    for (const std::uint32_t* cursor : cursors_) {
        heads_.push_back(*cursor);
        next = std::min(next, *cursor);
    }
    const std::size_t lists = cursors_.size();
    const std::uint32_t** const cursors = cursors_.data();
    std::uint32_t* const heads = heads_.data();
    std::array<std::uint32_t, scoredNear> merged;
    std::size_t count = 0;
    const std::size_t room = scoredNear - near.size;
    while (count < room && next != pastItems) {
        merged[count++] = next;
        std::uint32_t after = pastItems;
        for (std::size_t k = 0; k < lists; ++k) {
            cursors[k] += heads[k] == next ? 1 : 0;
            heads[k] = *cursors[k];
            after = std::min(after, heads[k]);
        }
        next = after;
    }
    std::copy(merged.begin(), merged.begin() + static_cast<std::ptrdiff_t>(count),
              near.items.begin() + near.size);
    near.size += static_cast<std::uint32_t>(count);
}

namespace {

// The parameters along a segment from `from`, moving `step` a unit of it, where it crosses the
// lines `low` and `high` (low ≤ high) across the axis: entering and leaving the band between
// them, the same doubles as clipped() makes, whichever way the segment runs; a segment along
// the band enters it nowhere, or everywhere, and is `beside` it when outside.
struct Band {
    double enters, leaves;
    bool beside;
};
Band crossing(double from, double step, double low, double high) {
    constexpr double endless = std::numeric_limits<double>::infinity();
    // As (from − low) / −step: rounding to nearest is the same either side of zero.
    const double towardsLow = low - from, towardsHigh = high - from;
    if (step == 0) return {-endless, endless, towardsLow > 0 || towardsHigh < 0};
    // Rounding keeps the two in their order.
    const double atLow = towardsLow / step, atHigh = towardsHigh / step;
    return {std::min(atLow, atHigh), std::max(atLow, atHigh), false};
}

// The places found by their first cell and size: up to this many cells across and down.
constexpr std::int32_t placeColumns = 8, placeRows = 2;

} // namespace

Obstacles::Place& Obstacles::placeOf(const Cells& cells) const {
    const std::int32_t across = cells.lastColumn - cells.firstColumn;
    const std::int32_t down = cells.lastRow - cells.firstRow;
    std::uint32_t* found = nullptr;
    if (across < placeColumns && down < placeRows) {
        if (placeOf_.empty())
            placeOf_.resize(static_cast<std::size_t>(columns) * rows * placeColumns * placeRows);
        found = &placeOf_[(cellIndex(cells.firstColumn, cells.firstRow) * placeColumns +
                           static_cast<std::size_t>(across)) *
                              placeRows +
                          static_cast<std::size_t>(down)];
    } else {
        const std::uint64_t key =
            (static_cast<std::uint64_t>(cellIndex(cells.firstColumn, cells.firstRow)) << 32) |
            cellIndex(cells.lastColumn, cells.lastRow);
        found = &widePlaces_[key];
    }
    if (*found == 0) {
        places_.emplace_back();
        *found = static_cast<std::uint32_t>(places_.size());
    }
    return places_[*found - 1];
}

// With every edge finite, the overlap along an axis, max(high, low) − low, is its length or
// nothing, made without branching on which.
double Obstacles::overlapCostOf(Pair leftTop, Pair rightBottom, const PairedEdges& other) {
    const Pair low = leftTop < other.leftTop ? other.leftTop : leftTop;
    const Pair high = other.rightBottom < rightBottom ? other.rightBottom : rightBottom;
    const Pair overlap = (high < low ? low : high) - low;
    return overlapCost * (overlap[0] * overlap[1]);
}

// The terms are not negative: a partial sum already at the bound only grows, and a term of
// nothing leaves the sum as it is.
double Obstacles::boxesCost(const Box& box, const Near& near, double total, double penalty,
                            double bound) const {
    const double left = box.left, top = box.top, right = box.right(), bottom = box.bottom();
    if (finite_ && finite(left, top, right, bottom)) {
        const Pair leftTop{left, top}, rightBottom{right, bottom};
        for (std::uint32_t n = 0; n < near.size; ++n) {
            total += overlapCostOf(leftTop, rightBottom, boxes_[near.items[n]]);
            if (total + penalty >= bound) break;
        }
        return total;
    }
    for (std::uint32_t n = 0; n < near.size; ++n) {
        const PairedEdges& other = boxes_[near.items[n]];
        const double w = std::min(right, other.rightBottom[0]) - std::max(left, other.leftTop[0]);
        const double h = std::min(bottom, other.rightBottom[1]) - std::max(top, other.leftTop[1]);
        total += overlapCost * (w > 0 && h > 0 ? w * h : 0);
        if (total + penalty >= bound) break;
    }
    return total;
}

double Obstacles::boxesCost(const Box& box, const Near& near) const {
    const Pair leftTop{box.left, box.top}, rightBottom{box.right(), box.bottom()};
    if (!(finite_ && finite(box.left, box.top, rightBottom[0], rightBottom[1])))
        return boxesCost(box, near, 0, 0, std::numeric_limits<double>::infinity());
    double total = 0;
    for (std::uint32_t n = 0; n < near.size; ++n)
        total += overlapCostOf(leftTop, rightBottom, boxes_[near.items[n]]);
    return total;
}

double Obstacles::segmentsCost(const Box& box, const Near& near, std::size_t skipped, double total,
                               double penalty, double bound) const {
    const double left = box.left, top = box.top, right = box.right(), bottom = box.bottom();
    if (!(withinReach_ && withinReach(left, top, right, bottom) && left <= right &&
          top <= bottom)) {
        for (std::uint32_t n = 0; n < near.size; ++n) {
            const std::uint32_t k = near.items[n];
            const Stretch& s = segments_[k];
            const Edges& extent = extents_[k];
            // Most segments near a place pass beside it: their extent misses the box.
            if (extent.right < left || extent.left > right || extent.bottom < top ||
                extent.top > bottom || k == skipped)
                continue;
            const auto inside =
                clipped({s.from[0], s.from[1]}, s.step[0], s.step[1], left, top, right, bottom);
            if (!inside) continue;
            total += crossingCost * ((inside->second - inside->first) * s.length);
            if (total + penalty >= bound) break;
        }
        return total;
    }
    // Everything within reach: each segment clipped without branching on whether it misses the
    // box. One whose extent misses it enters at the end or after, or leaves at the start or
    // before (rounding keeps it so) and is inside for no length; the parameters are finite,
    // and max(t1, t0) − t0 is t1 − t0 or nothing.
    const Pair leftTop{left, top}, rightBottom{right, bottom};
    for (std::uint32_t n = 0; n < near.size; ++n) {
        const std::uint32_t k = near.items[n];
        const Stretch& s = segments_[k];
        // The latest entering, the earliest leaving.
        double t0, t1;
        bool beside = false;
        if (s.along) {
            const Band x = crossing(s.from[0], s.step[0], left, right);
            const Band y = crossing(s.from[1], s.step[1], top, bottom);
            t0 = std::max(std::max(segmentStart_, x.enters), y.enters);
            t1 = std::min(std::min(segmentEnd_, x.leaves), y.leaves);
            beside = x.beside || y.beside;
        } else {
            // As crossing() makes them, across and down at once.
            const Pair atLow = (leftTop - s.from) / s.step,
                       atHigh = (rightBottom - s.from) / s.step;
            const Pair enters = atHigh < atLow ? atHigh : atLow;
            const Pair leaves = atLow < atHigh ? atHigh : atLow;
            t0 = std::max(std::max(segmentStart_, enters[0]), enters[1]);
            t1 = std::min(std::min(segmentEnd_, leaves[0]), leaves[1]);
        }
        const double share = beside || k == skipped ? 0.0 : std::max(t1, t0) - t0;
        total += crossingCost * (share * s.length);
        if (total + penalty >= bound) break;
    }
    return total;
}

bool Obstacles::leavesRoom(const Box& box) const {
    return room_ && (box.left < room_->left || box.top < room_->top ||
                     box.right() > room_->right() || box.bottom() > room_->bottom());
}

double Obstacles::cost(const Box& box, std::size_t skipped, double penalty, double bound) const {
    double total = 0;
    if (leavesRoom(box)) total += outsideCost;
    if (total + penalty >= bound) return total + penalty;
    const Cells cells = cellsOf(box);
    Place& place = placeOf(cells);
    if (boxesFiled_.count > 0) {
        update(place.boxes, boxesFiled_, cells);
        total = boxesCost(box, place.boxes, total, penalty, bound);
        if (total + penalty >= bound) return total + penalty;
    }
    if (segmentsFiled_.count > 0) {
        update(place.segments, segmentsFiled_, cells);
        total = segmentsCost(box, place.segments, skipped, total, penalty, bound);
    }
    return total + penalty;
}

// The costs are made in two steps: the boxes of every candidate in the room first, then the
// segments of those that could still be cheapest, the cheapest boxes first, each stopped at
// the cost to beat. A cost is its boxes' cost and more, and a place loses to an earlier one
// of the same cost: the one chosen, and every cost that decides it, are those of scoring each
// place in turn.
// Each candidate's place, its boxes' cost and its penalty, and their order, the cheapest
// boxes first.
void Obstacles::startCandidates(std::span<const Box> candidates) const {
    starts_.clear();
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        const Box& box = candidates[k];
        // Among equals, the earlier (more wanted) place.
        Start start{0, 1e-3 * static_cast<double>(k), nullptr, {}, false};
        start.outside = leavesRoom(box);
        if (start.outside) {
            start.total = outsideCost;
        } else {
            start.cells = cellsOf(box);
            start.place = &placeOf(start.cells);
            // Asked for from memory now, all the places at once (a builtin of GCC and Clang).
            __builtin_prefetch(start.place);
        }
        starts_.push_back(start);
    }
    for (std::size_t k = 0; k < starts_.size(); ++k) {
        Start& start = starts_[k];
        if (start.outside || boxesFiled_.count == 0) continue;
        update(start.place->boxes, boxesFiled_, start.cells);
        start.total = boxesCost(candidates[k], start.place->boxes);
    }
    // Equals in their order: a few places, sorted by insertion.
    order_.clear();
    for (std::size_t k = 0; k < starts_.size(); ++k) {
        const double least = starts_[k].total + starts_[k].penalty;
        std::size_t at = order_.size();
        order_.push_back(k);
        for (; at > 0 && least < starts_[order_[at - 1]].total + starts_[order_[at - 1]].penalty;
             --at)
            order_[at] = order_[at - 1];
        order_[at] = k;
    }
}

std::size_t Obstacles::cheapestOf(std::span<const Box> candidates, std::size_t skipped) const {
    constexpr double endless = std::numeric_limits<double>::infinity();
    startCandidates(candidates);
    double best = endless;
    std::size_t chosen = candidates.size();
    for (const std::size_t k : order_) {
        const Start& start = starts_[k];
        // What costs no less than the best, coming after it, cannot be chosen.
        const double least = start.total + start.penalty;
        if (!(least < best) && !(least == best && k < chosen)) continue;
        const double bound = k < chosen ? std::nextafter(best, endless) : best;
        double cost = 0;
        if (start.outside) {
            cost = this->cost(candidates[k], skipped, start.penalty, bound);
        } else {
            double total = start.total;
            if (segmentsFiled_.count > 0) {
                update(start.place->segments, segmentsFiled_, start.cells);
                total = segmentsCost(candidates[k], start.place->segments, skipped, total,
                                     start.penalty, bound);
            }
            cost = total + start.penalty;
        }
        if (cost < endless && (cost < best || (cost == best && k < chosen))) {
            best = cost;
            chosen = k;
        }
    }
    return chosen == candidates.size() ? 0 : chosen;
}

std::optional<Label> cheapest(const std::vector<Label>& candidates, const Obstacles& obstacles,
                              std::size_t skipped) {
    if (candidates.empty()) return std::nullopt;
    std::vector<Box> boxes;
    for (const Label& candidate : candidates) boxes.push_back(candidate.box);
    return candidates[obstacles.cheapestOf(boxes, skipped)];
}

namespace {

double textWidth(const std::string& text, double fontSize) {
    // Characters, not bytes: a name may hold accented letters in UTF-8.
    const auto characters = std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    return characterWidth * fontSize * static_cast<double>(characters);
}

// The box of a text `width` wide.
Box textBoxOf(double width, PagePoint at, Anchor anchor, double fontSize) {
    const double left = anchor == Anchor::Start    ? at.x
                        : anchor == Anchor::Middle ? at.x - width / 2
                                                   : at.x - width;
    // Capitals rise about 0.72 of the font above the baseline; descenders go 0.22 below.
    return {left, at.y - 0.75 * fontSize, width, 0.97 * fontSize};
}

} // namespace

Box textBox(const std::string& text, PagePoint at, Anchor anchor, double fontSize) {
    return textBoxOf(textWidth(text, fontSize), at, anchor, fontSize);
}

std::array<LabelPlace, markPlaces> markLabelPlaces(const std::string& text, PagePoint at,
                                                   double offset) {
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
    const double width = textWidth(text, f);
    std::array<LabelPlace, markPlaces> candidates;
    for (std::size_t k = 0; k < markPlaces; ++k) {
        const PagePoint baseline{places[k].x, places[k].y};
        candidates[k] = {baseline, places[k].anchor,
                         textBoxOf(width, baseline, places[k].anchor, f)};
    }
    return candidates;
}

std::vector<Label> rayLabelCandidates(const std::string& text, PagePoint from, PagePoint to) {
    // How far the w stands from the ray, mm.
    constexpr double rayLabelOffset = 2.0;
    const double f = labelFontSize;
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double length = std::max(std::hypot(dx, dy), 1e-9);
    const double nx = -dy / length, ny = dx / length;
    std::vector<Label> candidates;
    for (const double t : {0.5, 0.4, 0.6, 0.3, 0.7, 0.2, 0.8})
        for (const double side : {1.0, -1.0}) {
            const PagePoint along{from.x + t * dx, from.y + t * dy};
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

std::vector<Label> rayNameCandidates(const std::string& text, PagePoint from, PagePoint to,
                                     const Box& inner, const Box& plot) {
    std::vector<Label> candidates;
    const auto inside = clipSegment(from, to, inner);
    if (!inside) return candidates;
    const double rayLength = std::hypot(to.x - from.x, to.y - from.y);
    constexpr double stepIn = 3; // mm along the ray
    for (int step = 0; step < 8; ++step) {
        const double t = inside->first + step * stepIn / rayLength;
        if (t > inside->second) break;
        const PagePoint at{from.x + t * (to.x - from.x), from.y + t * (to.y - from.y)};
        PagePoint baseline{at.x, at.y + 0.35 * insetFontSize};
        Box box = textBox(text, baseline, Anchor::Middle, insetFontSize);
        // Kept whole within the plot.
        const double shift = std::max(0.0, plot.left + 1 - box.left) -
                             std::max(0.0, box.right() - (plot.right() - 1));
        baseline.x += shift;
        box.left += shift;
        candidates.push_back({text, baseline, Anchor::Middle, insetFontSize, box});
    }
    return candidates;
}

} // namespace interseccao
