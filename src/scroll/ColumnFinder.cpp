#include "scroll/ColumnFinder.h"

#include <algorithm>

namespace moxilane {

using pixelrows::ColumnRange;

namespace {

// Scroll bars are at most this wide (a 2x display's is about 30 pixels).
constexpr int kSideStripColumns = 48;

const QRgb* rowOf(const QImage& image, qint64 y) {
    return reinterpret_cast<const QRgb*>(image.constBits() + y * image.bytesPerLine());
}

}  // namespace

ColumnFinder::ColumnFinder(int width)
    : m_width(width), m_difference(std::size_t(width)), m_variation(std::size_t(width)) {}

ColumnSet ColumnFinder::fixed(const QImage& last, const QImage& frame,
                              const std::vector<quint8>& rowChanged) {
    const ColumnRange everything{0, m_width};
    std::fill(m_difference.begin(), m_difference.end(), 0u);
    for (std::size_t y = 0; y < rowChanged.size(); ++y) {
        if (!rowChanged[y]) continue;
        pixelrows::accumulateDifference(rowOf(frame, qint64(y)), rowOf(last, qint64(y)),
                                        {&everything, 1}, m_difference.data());
    }
    const auto unchanged = [&](int x) { return m_difference[std::size_t(x)] == 0; };
    const ColumnSet still = ColumnSet::where(m_width, unchanged);
    if (still.empty()) return {};
    for (const ColumnRange range : still.ranges())
        std::fill(m_variation.begin() + range.begin, m_variation.begin() + range.end, 0u);
    const QRgb* top = rowOf(frame, 0);
    for (qint64 y = 1; y < frame.height(); ++y)
        pixelrows::accumulateDifference(rowOf(frame, y), top, still.ranges(), m_variation.data());
    return ColumnSet::where(
        m_width, [&](int x) { return unchanged(x) && m_variation[std::size_t(x)] != 0; });
}

ColumnSet ColumnFinder::sideStrips(int width) {
    const int strip = std::min(width / 8, kSideStripColumns);
    return ColumnSet::where(width, [&](int x) { return x < strip || x >= width - strip; });
}

// A column can stay the same in place by chance, so following the shift makes it content,
// unless it is one colour over the rows while, unchanged in place and not of one colour
// elsewhere, it shows a sidebar.
ColumnSet ColumnFinder::notFollowing(const ColumnSet& leftOut, const ColumnSet& sidebar,
                                     const QImage& last, const QImage& frame, qint64 shift,
                                     qint64 begin, qint64 end) {
    for (const ColumnRange range : leftOut.ranges()) {
        std::fill(m_difference.begin() + range.begin, m_difference.begin() + range.end, 0u);
        std::fill(m_variation.begin() + range.begin, m_variation.begin() + range.end, 0u);
    }
    for (qint64 y = begin; y < end; ++y) {
        pixelrows::accumulateDifference(rowOf(frame, y), rowOf(last, y + shift), leftOut.ranges(),
                                        m_difference.data());
        pixelrows::accumulateDifference(rowOf(frame, y), rowOf(frame, begin), leftOut.ranges(),
                                        m_variation.data());
    }
    return ColumnSet::where(m_width, [&](int x) {
        const auto i = std::size_t(x);
        const bool followsShift = m_difference[i] == 0;
        const bool oneColour = m_variation[i] == 0;
        return leftOut.contains(x) && (!followsShift || (oneColour && sidebar.contains(x)));
    });
}

}  // namespace moxilane
