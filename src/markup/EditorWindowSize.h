#pragma once

#include <QSize>
#include <QSizeF>

#include <optional>

namespace moxilane {

inline constexpr double kEditorToolbarHeight = 48;
inline constexpr double kEditorMinimumWidth = 640;

// The tool bar's own minimum widths in points: all its items in one row, and with the
// trailing group (Share, Copy, Save, Done) on a second row.
struct EditorBarWidths {
    double oneRow = 0;
    double twoRows = 0;
};

struct EditorWindowLayout {
    QSizeF content;       // the window's content size in points
    double minimumWidth;  // the bar's minimum, at least 640
    int barRows;          // 1, or 2 when one row does not fit the available width
};

// The editor window for a capture of imagePixels at scale: the capture at its size in points,
// shrunk (never enlarged) to fit 90 % of the work area less one bar row, at least as wide as
// the bar needs (and 640), plus the bar. Where the bar's one row is wider than 90 % of the work
// area, its trailing group wraps to a second row and the window grows by that row, so the
// canvas keeps its height. Without a screen the area is 1080 × 672.
EditorWindowLayout markupEditorLayout(QSize imagePixels, double scale,
                                      std::optional<QSizeF> workAreaPoints, EditorBarWidths bar);

}  // namespace moxilane
