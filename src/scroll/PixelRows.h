#pragma once

#include <QRgb>
#include <QtGlobal>

#include <span>
#include <vector>

// The per-pixel loops of the stitcher, on rows of 32-bit pixels. Every frame passes through
// them at four frames per second, so they are built for speed (see CMakeLists.txt).
namespace moxilane::pixelrows {

// Columns [begin, end) of a row.
struct ColumnRange {
    int begin = 0;
    int end = 0;
    friend bool operator==(const ColumnRange&, const ColumnRange&) = default;
};

// The signature's bands: band c covers [floor(c·W/C), max(that + 1, floor((c+1)·W/C))).
std::vector<ColumnRange> bands(int width, int columns);

// Each band's mean luminance, (77 R + 150 G + 29 B) / 256 of the band's mean colour, 0 … 255.
void signatureRow(const QRgb* row, std::span<const ColumnRange> bands, quint8* out);

// Whether the rows hold the same pixels in all the given ranges.
bool equalIn(const QRgb* a, const QRgb* b, std::span<const ColumnRange> ranges);

// For every column x of the ranges: difference[x] |= row[x] ^ reference[x].
void accumulateDifference(const QRgb* row, const QRgb* reference,
                          std::span<const ColumnRange> ranges, quint32* difference);

// The maximal ranges of [0, width) where keep(x) holds.
template <typename Predicate>
std::vector<ColumnRange> rangesWhere(int width, Predicate keep) {
    std::vector<ColumnRange> ranges;
    for (int x = 0; x < width; ++x) {
        if (!keep(x)) continue;
        if (!ranges.empty() && ranges.back().end == x) {
            ++ranges.back().end;
        } else {
            ranges.push_back({x, x + 1});
        }
    }
    return ranges;
}

}  // namespace moxilane::pixelrows
