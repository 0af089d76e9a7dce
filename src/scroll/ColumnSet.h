#pragma once

#include "scroll/PixelRows.h"

#include <span>
#include <utility>
#include <vector>

namespace moxilane {

// A set of pixel columns of a frame, as sorted, disjoint ranges.
class ColumnSet {
public:
    ColumnSet() = default;
    explicit ColumnSet(std::vector<pixelrows::ColumnRange> ranges) : m_ranges(std::move(ranges)) {}
    static ColumnSet all(int width) { return ColumnSet({{0, width}}); }
    template <typename Predicate>
    static ColumnSet where(int width, Predicate keep) {
        return ColumnSet(pixelrows::rangesWhere(width, keep));
    }

    ColumnSet complement(int width) const;
    ColumnSet united(const ColumnSet& other, int width) const;
    bool contains(int x) const;
    bool overlaps(pixelrows::ColumnRange range) const;
    bool empty() const { return m_ranges.empty(); }
    std::span<const pixelrows::ColumnRange> ranges() const { return m_ranges; }

    friend bool operator==(const ColumnSet&, const ColumnSet&) = default;

private:
    std::vector<pixelrows::ColumnRange> m_ranges;
};

}  // namespace moxilane
