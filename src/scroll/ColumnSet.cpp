#include "scroll/ColumnSet.h"

#include <algorithm>

namespace moxilane {

ColumnSet ColumnSet::complement(int width) const {
    std::vector<pixelrows::ColumnRange> result;
    int next = 0;
    for (const pixelrows::ColumnRange range : m_ranges) {
        if (range.begin > next) result.push_back({next, range.begin});
        next = range.end;
    }
    if (next < width) result.push_back({next, width});
    return ColumnSet(std::move(result));
}

ColumnSet ColumnSet::united(const ColumnSet& other, int width) const {
    return where(width, [&](int x) { return contains(x) || other.contains(x); });
}

bool ColumnSet::contains(int x) const {
    const auto it = std::upper_bound(m_ranges.begin(), m_ranges.end(), x,
                                     [](int v, pixelrows::ColumnRange r) { return v < r.end; });
    return it != m_ranges.end() && it->begin <= x;
}

bool ColumnSet::overlaps(pixelrows::ColumnRange range) const {
    return std::any_of(m_ranges.begin(), m_ranges.end(), [&](pixelrows::ColumnRange r) {
        return r.begin < range.end && range.begin < r.end;
    });
}

}  // namespace moxilane
