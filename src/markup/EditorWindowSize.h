#pragma once

#include <QSize>
#include <QSizeF>

#include <optional>

namespace moxilane {

inline constexpr double kEditorToolbarHeight = 48;
inline constexpr double kEditorMinimumWidth = 640;

// The editor window's content size in points for a capture of imagePixels at scale: the
// capture at its size in points, shrunk (never enlarged) to fit 90 % of the work area less
// the tool bar, at least 640 wide, plus the 48-point tool bar. Without a screen the area
// is 1080 × 672.
QSizeF markupEditorContentSize(QSize imagePixels, double scale,
                               std::optional<QSizeF> workAreaPoints);

}  // namespace moxilane
