#pragma once

#include "platform/CaptureService.h"
#include "platform/Screens.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <vector>

namespace moxilane {

// The windows the picker offers and which one lies under the pointer. Window frames are in
// global points from the top left of the primary screen, y down; the pointer and screen
// frames in global points, y up; the two meet through the primary screen's top edge.
class WindowCandidates {
public:
    static constexpr double kMinimumSizePt = 40.0;
    static constexpr int kTopLayer = 20;  // layers 0 to 19 can be picked

    // windows front to back, as the capture service lists them; screens primary first.
    WindowCandidates(const std::vector<WindowInfo>& windows, std::int64_t ownProcessID,
                     const std::vector<ScreenInfo>& screens);

    const std::vector<WindowInfo>& candidates() const { return m_candidates; }

    // The front-most candidate whose frame holds the point; nothing over the desktop.
    const WindowInfo* windowUnder(QPointF globalPoint) const;

    // The window's frame in the view points (y down) of the overlay over that screen.
    QRectF frameInView(const WindowInfo& window, const ScreenInfo& screen) const;

    // Where one screen's points lie: its rectangle in global points from the top left of
    // the primary screen (y down), and in root device pixels.
    struct ScreenPlacement {
        QRectF frameTopDown;
        QRect areaDevice;
        double scale = 1.0;
    };
    // A frame in root device pixels as global points (y down), through the screen that
    // holds its centre (else the first).
    static QRectF frameInPoints(const QRect& frameDevice,
                                const std::vector<ScreenPlacement>& screens);

    // "Application — Title", the application alone, or "Window".
    static QString labelText(const WindowInfo& window);

    // The name pill centred on the highlighted frame (view points): the text's width is
    // limited to the frame's width less 24 points.
    struct Pill {
        QRectF background;
        QRectF text;
    };
    static Pill labelPill(const QRectF& frameInView, QSizeF textSize);

private:
    std::vector<WindowInfo> m_candidates;
    double m_primaryScreenMaxY = 0;
};

}  // namespace moxilane
