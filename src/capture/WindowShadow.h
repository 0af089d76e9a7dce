#pragma once

#include <QImage>

#include <optional>

namespace moxilane {

// The window image centred on a larger transparent canvas, over a soft shadow: margins of
// 40 points, the shadow 8 points down, blurred by 24 points, black at 0.45. Nothing when
// the canvas cannot be allocated. Safe off the main thread.
std::optional<QImage> compositeShadow(const QImage& window, double scale);

}  // namespace moxilane
