#include "scroll/LineSeam.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace moxilane::lineseam {

namespace {

// Lines matched: at most this many, the last lines the last frame shows whole.
constexpr std::size_t kMatchedLines = 3;
// Enough rows matched that a repeated line (a closing brace, a table row) is not taken for
// another: two lines of text, or one taller block (a photo, a table).
constexpr qint64 kMatchedRowsOfLines = 24;
constexpr qint64 kMatchedRowsOfOneLine = 48;

struct Line {
    qint64 begin, end;
};

const QRgb* rowOf(const QImage& image, qint64 y) {
    return reinterpret_cast<const QRgb*>(image.constBits() + y * image.bytesPerLine());
}

bool blank(const QImage& image, qint64 y) {
    const QRgb* row = rowOf(image, y);
    return std::all_of(row, row + image.width(), [&](QRgb p) { return p == row[0]; });
}

// Lines with a blank row above and below: a line at the frame's edge may be cut.
std::vector<Line> wholeLines(const QImage& image) {
    std::vector<Line> lines;
    const qint64 height = image.height();
    for (qint64 y = 0; y < height;) {
        if (blank(image, y)) {
            ++y;
            continue;
        }
        const qint64 begin = y;
        while (y < height && !blank(image, y))
            ++y;
        if (begin > 0 && y < height) lines.push_back({begin, y});
    }
    return lines;
}

// Whether the frame's line shows the last frame's line, or its bottom part when it is the first
// line matched (the rest of it may be under a pinned bar).
bool sameLine(const QImage& last, Line before, const QImage& frame, Line after, bool mayBeCut) {
    const qint64 height = after.end - after.begin;
    if (height > before.end - before.begin) return false;
    if (!mayBeCut && height != before.end - before.begin) return false;
    const auto bytes = std::size_t(last.width()) * sizeof(QRgb);
    for (qint64 i = 1; i <= height; ++i) {
        if (std::memcmp(rowOf(last, before.end - i), rowOf(frame, after.end - i), bytes) != 0)
            return false;
    }
    return true;
}

// Where the last `count` lines of `lastLines` show, one after the other, in frameLines:
// the index of the first, or nothing when nowhere or at several places.
std::optional<std::size_t> place(const QImage& last, const std::vector<Line>& lastLines,
                                 const QImage& frame, const std::vector<Line>& frameLines,
                                 std::size_t count, qint64 maxShift) {
    const auto tail = lastLines.end() - std::ptrdiff_t(count);
    std::optional<std::size_t> found;
    for (std::size_t j = 0; j + count <= frameLines.size(); ++j) {
        const qint64 move = tail->end - frameLines[j].end;
        qint64 rows = 0;
        bool fits = true;
        for (std::size_t k = 0; k < count && fits; ++k) {
            const Line before = tail[std::ptrdiff_t(k)], after = frameLines[j + k];
            const qint64 moved = before.end - after.end;
            fits = moved >= 1 && moved <= maxShift && std::abs(moved - move) <= 1 &&
                   sameLine(last, before, frame, after, k == 0);
            rows += after.end - after.begin;
        }
        if (!fits || rows < (count > 1 ? kMatchedRowsOfLines : kMatchedRowsOfOneLine)) continue;
        if (found) return std::nullopt;
        found = j;
    }
    return found;
}

}  // namespace

std::optional<Seam> find(const QImage& last, const QImage& frame, qint64 maxShift) {
    const std::vector<Line> lastLines = wholeLines(last);
    const std::vector<Line> frameLines = wholeLines(frame);
    for (std::size_t count = std::min(kMatchedLines, lastLines.size()); count > 0; --count) {
        if (const auto at = place(last, lastLines, frame, frameLines, count, maxShift))
            return Seam{lastLines.back().end + 1, frameLines[*at + count - 1].end + 1};
    }
    return std::nullopt;
}

}  // namespace moxilane::lineseam
