#pragma once

#include <QImage>
#include <QtGlobal>

#include <optional>

// Where a frame continues the last one when no whole-row shift fits both: when a page's layout
// changes as scrolling starts (a banner gives way to a shorter pinned bar, by a fractional
// height), its lines move by d or d + 1 rows, every line whole. Lines are runs of rows between
// rows of one colour.
namespace moxilane::lineseam {

// Keep the last frame's rows above lastRow, then the frame's rows from frameRow on. Both rows
// are blank rows right below the same line.
struct Seam {
    qint64 lastRow;
    qint64 frameRow;
};

// The last lines the last frame shows whole (two or three), found pixel for pixel, in order and
// at one place only, in the frame, each moved up by 1 to maxShift rows and by about the same.
// Both frames: the same size, 32-bit pixels.
std::optional<Seam> find(const QImage& last, const QImage& frame, qint64 maxShift);

}  // namespace moxilane::lineseam
