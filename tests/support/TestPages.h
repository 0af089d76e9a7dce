#pragma once

#include <QImage>
#include <QRandomGenerator>

namespace moxilane::scrolltest {

// Noise: every row differs from every other, unless `period` > 0 makes rows repeat that often.
inline QImage noisePage(int width, int height, quint32 seed = 7, int period = 0) {
    QImage page(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        if (period > 0) random.seed(seed + quint32(y % period));
        auto* row = reinterpret_cast<QRgb*>(page.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0xff000000u | (random.generate() & 0xffffffu);
    }
    return page;
}

inline QImage frameAt(const QImage& page, int top, int height) {
    return page.copy(0, top, page.width(), height);
}

}  // namespace moxilane::scrolltest
