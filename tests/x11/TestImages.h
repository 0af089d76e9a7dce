#pragma once

#include <QImage>
#include <QString>

namespace moxilane::test {

// Every pixel differs from its neighbours, so an offset, a flip, a swapped channel or a
// scaled copy shows in a comparison; a seed makes pictures that differ from each other.
inline QImage pattern(QSize size, int seed = 0) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            row[x] = qRgb((x * 7 + y + seed) & 255, (y * 3 + (x >> 8) + seed * 5) & 255,
                          ((x >> 4) ^ (y >> 2)) & 255);
        }
    }
    return image;
}

// A saved PNG as opaque pixels, to compare with a pattern.
inline QImage loadOpaque(const QString& path) {
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

}  // namespace moxilane::test
