// The labels of the drawing: the places a name or a w may take, what each place would cover,
// and the one search that picks the cheapest, for the map and the inset alike.
#pragma once

#include "drawing/layout.hpp"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace interseccao {

struct Segment {
    PagePoint a, b;
};

// The part of segment a-b inside the box, as the parameters along it where it enters and
// leaves (Liang–Barsky clipping); none when it misses the box.
std::optional<std::pair<double, double>> clipSegment(PagePoint a, PagePoint b, const Box& box);

// What labels should not cover, and the room they must stay in. The boxes and segments are
// filed in square cells over the page, so that a place is scored only against what lies in
// its cells; what lies elsewhere would add nothing to its cost. A place is scored against the
// first `scoredNear` boxes and the first `scoredNear` segments of its cells, in the order they
// were added: a place over more than that is buried whatever comes after, and on a crowded
// page (thousands of rays meeting at the point, thousands of names around it) each place
// costs a constant instead of the number of things already near it.
class Obstacles {
public:
    static constexpr std::size_t noSegment = std::numeric_limits<std::size_t>::max();
    static constexpr std::size_t scoredNear = 48;

    explicit Obstacles(std::optional<Box> room = std::nullopt) : room_(room) {}
    void add(const Box& box);
    void add(const Segment& segment);
    std::size_t segmentCount() const { return segments_.size(); }

    // The cost of a label in `box` plus `penalty`: leaving the room, the area over each box,
    // the length of each segment but `skipped` across it, summed in the order they were
    // added. Stops early, with a value not below `bound`, once the sum cannot be below it.
    double cost(const Box& box, std::size_t skipped, double penalty, double bound) const;

private:
    struct Cells {
        std::int32_t firstColumn, lastColumn, firstRow, lastRow;
    };
    Cells cellsOf(const Box& box) const;
    std::size_t cellIndex(std::int32_t column, std::int32_t row) const;
    // The items of each cell, in the order they were added; and the last merge of the cells
    // of a place, by their first and last cell, with the count of items it merged from.
    struct Filed {
        struct Merge {
            std::size_t counted = 0;
            std::vector<std::uint32_t> items;
        };
        std::vector<std::vector<std::uint32_t>> cells;
        mutable std::unordered_map<std::uint64_t, Merge> merged;
    };
    // The first `scoredNear` items filed in the cells, each once, in the order they were
    // added: the cells' lists, each in that order, merged.
    const std::vector<std::uint32_t>& near(const Filed& filed, const Cells& cells) const;

    std::optional<Box> room_;
    std::vector<Box> boxes_;
    std::vector<Segment> segments_;
    std::vector<double> segmentLengths_;
    Filed boxesFiled_, segmentsFiled_;
    mutable std::vector<std::uint32_t> found_;
    // Where the merge stands in a cell's list: its next item, and the list's end.
    struct Cursor {
        const std::uint32_t* at;
        const std::uint32_t* end;
    };
    mutable std::vector<Cursor> cursors_;
};

// The cheapest place among the candidates, the earlier (more wanted) among equals; the
// segment `skipped` is the labelled ray itself. None without candidates.
std::optional<Label> cheapest(const std::vector<Label>& candidates, const Obstacles& obstacles,
                              std::size_t skipped = Obstacles::noSegment);

// The places of a mark's name, `offset` from its centre, most wanted first: right, left,
// above, below and the four diagonals.
std::vector<Label> markLabelCandidates(const std::string& text, PagePoint at, double offset);

// The places of the w of a ray: beside it, at points along it, on either side.
std::vector<Label> rayLabelCandidates(const std::string& text, PagePoint from, PagePoint to);

// The places of a station's name on its ray in the inset: where the ray comes into `inner`
// and on at steps along it, each kept whole within `plot`.
std::vector<Label> rayNameCandidates(const std::string& text, PagePoint from, PagePoint to,
                                     const Box& inner, const Box& plot);

// Costs of a label, per mm² over another thing or per mm of a ray across it: leaving the room
// is never worth it.
inline constexpr double outsideCost = 1e6;
inline constexpr double overlapCost = 10;
inline constexpr double crossingCost = 5;

} // namespace interseccao
