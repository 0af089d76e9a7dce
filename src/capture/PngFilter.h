#pragma once

#include <QImage>

namespace moxilane::png {

// Rows as PNG compresses them: a filter-type byte, then the row's bytes in PNG channel order.
// The image must be Format_RGB32 (stored as RGB) or Format_ARGB32 (stored as straight RGBA).
qsizetype filteredRowSize(const QImage& image);

// Writes row y of image, filtered, to out (filteredRowSize bytes). Only reads the image, so
// several threads may filter rows of the same image at once.
void filterRow(const QImage& image, int y, uchar* out);

}  // namespace moxilane::png
