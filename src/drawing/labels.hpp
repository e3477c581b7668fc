// The labels of the drawing: the places a name or a w may take, what each place would cover,
// and the one search that picks the cheapest, for the map and the inset alike.
#pragma once

#include "drawing/layout.hpp"

#include <array>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <optional>
#include <span>
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
    // Room for so many of each, to be added.
    void reserve(std::size_t boxes, std::size_t segments);
    std::size_t segmentCount() const { return segments_.size(); }

    // The cost of a label in `box` plus `penalty`: leaving the room, the area over each box,
    // the length of each segment but `skipped` across it, summed in the order they were
    // added. Stops early, with a value not below `bound`, once the sum cannot be below it.
    double cost(const Box& box, std::size_t skipped, double penalty, double bound) const;

    // Of the candidates, the one cheapest() chooses: the least cost() with a penalty of 1e-3
    // a place after the first, the first of equals; 0 when none costs less than infinity.
    std::size_t cheapestOf(std::span<const Box> candidates, std::size_t skipped) const;

private:
    struct Cells {
        std::int32_t firstColumn, lastColumn, firstRow, lastRow;
    };
    Cells cellsOf(const Box& box) const;
    std::size_t cellIndex(std::int32_t column, std::int32_t row) const;

    // The first `scoredNear` items filed in some cells, each once, in the order they were
    // added, as far as the first `seen` items added.
    struct Near {
        std::uint32_t seen = 0;
        std::uint32_t size = 0;
        std::array<std::uint32_t, scoredNear> items;
    };
    // The items of each cell, in the order they were added, the first `scoredNear` of them:
    // those after can never be among the first of a place over the cell.
    struct Filed {
        // `cellSlots` a cell, one cell after another: its items, then an end (labels.cpp).
        std::unique_ptr<std::uint32_t[]> items;
        std::vector<std::uint8_t> sizes; // how many each cell holds
        std::uint32_t count = 0;         // items added
        void file(std::size_t cell, std::uint32_t index);
    };
    // Brings `near` of the cells up to the items added since it last saw them. Items are only
    // ever added after the others, so that a place's first items only grow at their end,
    // until there are `scoredNear` of them.
    void update(Near& near, const Filed& filed, const Cells& cells) const {
        if (near.size < scoredNear && near.seen != filed.count) addNew(near, filed, cells);
    }
    void addNew(Near& near, const Filed& filed, const Cells& cells) const;

    // For scoring: a segment's extent, by its edges; a box by its edges in pairs; a segment
    // by where it starts, its step and its length.
    struct Edges {
        double left, top, right, bottom;
    };
    // Across and down together, worked out at once: the vectors of GCC and Clang, the
    // compilers of the program, the same arithmetic as each of the two alone.
    typedef double Pair __attribute__((vector_size(16)));
    struct PairedEdges {
        Pair leftTop, rightBottom;
    };
    struct Stretch {
        Pair from; // a
        Pair step; // b − a
        double length;
        bool along; // along an axis of the page: its step one way is nothing
    };
    static double overlapCostOf(Pair leftTop, Pair rightBottom, const PairedEdges& other);
    double boxesCost(const Box& box, const Near& near, double total, double penalty,
                     double bound) const;
    double boxesCost(const Box& box, const Near& near) const; // all of them, from nothing
    double segmentsCost(const Box& box, const Near& near, std::size_t skipped, double total,
                        double penalty, double bound) const;

    // Whether a label in `box` would leave the room it must stay in.
    bool leavesRoom(const Box& box) const;
    std::optional<Box> room_;
    // A segment's parameters run from 0 to 1: held here, where the compiler clamps to them
    // with minsd and maxsd rather than branches, as it does with constants.
    double segmentStart_ = 0, segmentEnd_ = 1;
    bool finite_ = true;      // every box added is of finite edges
    bool withinReach_ = true; // every segment added is near the page (labels.cpp)
    std::vector<PairedEdges> boxes_;
    std::vector<Stretch> segments_;
    std::vector<Edges> extents_; // of the segments, for scoring outside reach
    Filed boxesFiled_, segmentsFiled_;
    // The places scored, by their first and last cell: their first boxes and segments. A
    // place of a few cells either way is found by its first cell and its size (`placeOf`,
    // from 1, 0 for none yet), any other by its cells in `widePlaces_`.
    struct Place {
        Near boxes, segments;
    };
    Place& placeOf(const Cells& cells) const;
    mutable std::deque<Place> places_;
    mutable std::vector<std::uint32_t> placeOf_;
    mutable std::unordered_map<std::uint64_t, std::uint32_t> widePlaces_;
    static constexpr std::size_t cellSlots = scoredNear + 1;
    // A candidate of cheapestOf() with the cost of its boxes, before its segments.
    struct Start {
        double total, penalty;
        Place* place;
        Cells cells;
        bool outside; // of the room: its boxes left for when it could still be cheapest
    };
    void startCandidates(std::span<const Box> candidates) const;
    mutable std::vector<Start> starts_;
    mutable std::vector<std::size_t> order_;
    // Where the merge of update() stands in each cell's list.
    mutable std::vector<const std::uint32_t*> cursors_;
    mutable std::vector<std::uint32_t> heads_; // the items they stand at
};

// The cheapest place among the candidates, the earlier (more wanted) among equals; the
// segment `skipped` is the labelled ray itself. None without candidates.
std::optional<Label> cheapest(const std::vector<Label>& candidates, const Obstacles& obstacles,
                              std::size_t skipped = Obstacles::noSegment);

// A place of a label of the map's font: the anchor on its baseline and the room it takes.
struct LabelPlace {
    PagePoint at;
    Anchor anchor = Anchor::Start;
    Box box;
};
// The places of a mark's name, `offset` from its centre, most wanted first: right, left,
// above, below and the four diagonals.
inline constexpr std::size_t markPlaces = 8;
std::array<LabelPlace, markPlaces> markLabelPlaces(const std::string& text, PagePoint at,
                                                   double offset);

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
