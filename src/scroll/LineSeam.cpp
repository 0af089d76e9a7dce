#include "scroll/LineSeam.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace moxilane::lineseam {

namespace {

// Lines matched: at most this many, the last lines of the last frame.
constexpr std::size_t kMatchedLines = 3;
// Enough rows matched that a repeated line (a closing brace, a table row) is not taken for
// another: two lines of text, or one taller block (a photo, a table).
constexpr qint64 kMatchedRowsOfLines = 24;
constexpr qint64 kMatchedRowsOfOneLine = 48;

// A run of rows that are not blank, below a blank row; it may run to the frame's bottom edge.
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

// A line at the top edge may be cut, and is left out.
std::vector<Line> linesOf(const QImage& image) {
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
        if (begin > 0) lines.push_back({begin, y});
    }
    return lines;
}

bool sameRows(const QImage& a, qint64 aRow, const QImage& b, qint64 bRow, qint64 rows) {
    const auto bytes = std::size_t(a.width()) * sizeof(QRgb);
    for (qint64 i = 0; i < rows; ++i) {
        if (std::memcmp(rowOf(a, aRow + i), rowOf(b, bRow + i), bytes) != 0) return false;
    }
    return true;
}

// How far the last frame's line moved up to show as the frame's line, and over how many rows
// that was seen; nothing when it does not show there. A line the last frame cuts at its bottom
// edge shows as the top part of the frame's; the first line matched may show as its bottom
// part (the rest under a pinned bar); others must show whole.
struct Moved {
    qint64 rows, seen;
};
std::optional<Moved> moved(const QImage& last, Line before, const QImage& frame, Line after,
                           bool first) {
    const qint64 height = last.height();
    const qint64 beforeRows = before.end - before.begin, afterRows = after.end - after.begin;
    if (before.end == height) {
        const qint64 rows = after.end == height ? std::min(beforeRows, afterRows) : beforeRows;
        if (rows > afterRows || !sameRows(last, before.begin, frame, after.begin, rows))
            return std::nullopt;
        return Moved{before.begin - after.begin, rows};
    }
    if (after.end == height) return std::nullopt;
    if (afterRows > beforeRows || (!first && afterRows != beforeRows)) return std::nullopt;
    if (!sameRows(last, before.end - afterRows, frame, after.begin, afterRows)) return std::nullopt;
    return Moved{before.end - after.end, afterRows};
}

// Where the last `count` lines of the last frame show, one after the other, in the frame: the
// index of the first, or nothing when nowhere or at several places.
std::optional<std::size_t> place(const QImage& last, const std::vector<Line>& lastLines,
                                 const QImage& frame, const std::vector<Line>& frameLines,
                                 std::size_t count, qint64 maxShift) {
    const auto tail = lastLines.end() - std::ptrdiff_t(count);
    std::optional<std::size_t> found;
    for (std::size_t j = 0; j + count <= frameLines.size(); ++j) {
        std::optional<qint64> move;
        qint64 seen = 0;
        bool fits = true;
        for (std::size_t k = 0; k < count && fits; ++k) {
            const auto m = moved(last, tail[std::ptrdiff_t(k)], frame, frameLines[j + k], k == 0);
            if (!move && m) move = m->rows;
            fits = m && m->rows >= 1 && m->rows <= maxShift && std::abs(m->rows - *move) <= 1;
            seen += m ? m->seen : 0;
        }
        if (!fits || seen < (count > 1 ? kMatchedRowsOfLines : kMatchedRowsOfOneLine)) continue;
        if (found) return std::nullopt;
        found = j;
    }
    return found;
}

// The last frame's line cut at its bottom edge, where the frame shows a part of it further on
// that the last frame had cut at its top, a block (a code panel, a table) moved as a whole: the
// one shift that fits their common rows, over at least kMatchedRowsOfOneLine rows.
std::optional<qint64> blockShift(const QImage& last, Line before, const QImage& frame,
                                 const std::vector<Line>& frameLines, qint64 maxShift) {
    const qint64 height = last.height();
    std::optional<qint64> found;
    for (const Line after : frameLines) {
        const qint64 lowest = std::max({qint64(1), before.begin - after.begin, height - after.end});
        for (qint64 shift = lowest; shift <= maxShift; ++shift) {
            const qint64 rows = height - shift - after.begin;
            if (rows < kMatchedRowsOfOneLine) break;
            if (!sameRows(last, after.begin + shift, frame, after.begin, rows)) continue;
            if (found) return std::nullopt;
            found = shift;
        }
    }
    return found;
}

}  // namespace

std::optional<Seam> find(const QImage& last, const QImage& frame, qint64 maxShift) {
    const std::vector<Line> lastLines = linesOf(last);
    const std::vector<Line> frameLines = linesOf(frame);
    for (std::size_t count = std::min(kMatchedLines, lastLines.size()); count > 0; --count) {
        const auto at = place(last, lastLines, frame, frameLines, count, maxShift);
        if (!at) continue;
        const Line before = lastLines.back(), after = frameLines[*at + count - 1];
        // Below a whole line, or above one the last frame cuts.
        if (before.end == last.height()) return Seam{before.begin, after.begin};
        return Seam{before.end + 1, after.end + 1};
    }
    if (!lastLines.empty() && lastLines.back().end == last.height()) {
        if (const auto shift = blockShift(last, lastLines.back(), frame, frameLines, maxShift))
            return Seam{last.height(), last.height() - *shift};
    }
    return std::nullopt;
}

}  // namespace moxilane::lineseam
