#include "scroll/BlankGap.h"

#include <algorithm>
#include <utility>

namespace moxilane::blankgap {

namespace {

const QRgb* rowOf(const QImage& image, qint64 y) {
    return reinterpret_cast<const QRgb*>(image.constBits() + y * image.bytesPerLine());
}

bool rowOfColour(const QImage& image, qint64 y, QRgb colour) {
    const QRgb* row = rowOf(image, y);
    return std::all_of(row, row + image.width(), [colour](QRgb p) { return p == colour; });
}

}  // namespace

std::optional<Join> find(const QImage& last, const QImage& frame, qint64 stillTop,
                         qint64 stillBottom) {
    const qint64 height = last.height();
    const qint64 bottom = height - stillBottom;  // rows from here on stayed: a footer
    // The gap's colour: a row of one colour where the content ends or starts.
    std::optional<QRgb> gap;
    for (const auto& [image, y] : {std::pair{&last, bottom - 1}, std::pair{&last, bottom},
                                   std::pair{&frame, stillTop}, std::pair{&frame, stillTop - 1}}) {
        if (y < 0 || y >= height) continue;
        const QRgb colour = rowOf(*image, y)[0];
        if (!rowOfColour(*image, y, colour)) continue;
        gap = colour;
        break;
    }
    if (!gap) return std::nullopt;
    const auto blank = [&](const QImage& image, qint64 y) { return rowOfColour(image, y, *gap); };
    // Blank rows that stayed in place at the top belong to the gap, not to a header.
    qint64 top = stillTop;
    while (top > 0 && blank(frame, top - 1))
        --top;
    qint64 lastContentEnd = bottom;
    while (lastContentEnd > top && blank(last, lastContentEnd - 1))
        --lastContentEnd;
    qint64 newContentBegin = top;
    while (newContentBegin < bottom && blank(frame, newContentBegin))
        ++newContentBegin;
    const qint64 contentOut = lastContentEnd - top;  // the shift that moves it above the top
    if (newContentBegin == bottom) return Join{Join::Kind::blankFrame, contentOut, top};
    return Join{Join::Kind::join, std::max(contentOut, bottom - newContentBegin), top};
}

bool blankRows(const QImage& image, qint64 begin, qint64 end) {
    if (begin >= end) return false;
    const QRgb colour = rowOf(image, begin)[0];
    for (qint64 y = begin; y < end; ++y) {
        if (!rowOfColour(image, y, colour)) return false;
    }
    return true;
}

}  // namespace moxilane::blankgap
