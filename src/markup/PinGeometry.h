#pragma once

#include <QSize>
#include <QSizeF>

#include <optional>

namespace moxilane {

// How large a pinned capture shows: 100 % is the size it first opens at.
inline constexpr double kPinZoomMin = 0.25;
inline constexpr double kPinZoomMax = 4.0;

// The pin's first size in points: the image at its own size in points (pixels / scale),
// shrunk with its aspect kept to fit 80 % of the work area; never below one point a side.
QSizeF pinSizePoints(QSize imagePixels, double scale, std::optional<QSizeF> workAreaPoints);

// The zoom after the wheel turned by angleDelta eighths of a degree (a notch is 120, away
// from the user positive): 10 % per notch, compounded, kept within 25–400 %.
double pinZoomAfterWheel(double zoom, int angleDelta);

}  // namespace moxilane
