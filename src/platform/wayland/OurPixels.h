#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

#include <vector>

namespace moxilane::wayland {

// Our own windows cannot be left out of a compositor's picture: where they lie in it (ours, in
// desktop device pixels; the picture's top left at origin) they are painted one flat colour,
// the same in every frame, so the stitcher sees a still patch there and never our moving text.
inline void paintOursFlat(QImage& picture, QPoint origin, const std::vector<QRect>& ours) {
    if (ours.empty()) return;
    QPainter painter(&picture);
    for (const QRect& rect : ours)
        painter.fillRect(rect.translated(-origin), Qt::black);
}

}  // namespace moxilane::wayland
