#pragma once

#include <QImage>

namespace moxilane::test {

// A tall page whose rows all differ, so any shift of a stitched strip shows.
inline QImage tallPage(int width = 600, int height = 3000) {
    QImage page(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(page.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb((y * 7 + x * 3) & 255, (y * 13 + (x >> 3)) & 255, ((y >> 3) ^ x) & 255);
    }
    return page;
}

}  // namespace moxilane::test
