#pragma once

#include <QPoint>

class QImage;
class QRegion;
class QWidget;

namespace moxilane {

// The screen held still under the overlays of one selection: nothing below them changes on
// screen while it is held, and an overlay placed on it shows the screen's own pixels
// wherever it has painted nothing. So an overlay paints only what differs from the screen
// instead of a full copy of it. Main thread.
class HeldScreen {
public:
    // The screen moves again; overlays still on the hold are hidden and taken off it.
    virtual ~HeldScreen() = default;
    // Puts an overlay's window on the hold; before it is shown.
    virtual void place(QWidget& overlay) = 0;
    // Darkens the area (device pixels) of a placed overlay with black at alpha (0–255).
    virtual void shade(QWidget& overlay, const QRegion& area, int alpha) = 0;
    // Shows image (Format_RGB32, device pixels) on a placed overlay with its corner at at.
    virtual void put(QWidget& overlay, QPoint at, const QImage& image) = 0;
};

}  // namespace moxilane
