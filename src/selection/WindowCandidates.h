#pragma once

#include "platform/CaptureService.h"
#include "platform/ScreenLayout.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <vector>

namespace moxilane {

// The windows the picker offers and which one lies under the pointer. Window frames are in
// global points, y down; the pointer and screen frames in global points, y up; the
// layout converts between them.
class WindowCandidates {
public:
    static constexpr double kMinimumSizePt = 40.0;
    static constexpr int kTopLayer = 20;  // layers 0 to 19 can be picked

    // windows front to back, as the capture service lists them.
    WindowCandidates(const std::vector<WindowInfo>& windows, std::int64_t ownProcessID,
                     ScreenLayout layout);

    const std::vector<WindowInfo>& candidates() const { return m_candidates; }

    // The front-most candidate whose frame holds the point; nothing over the desktop.
    const WindowInfo* windowUnder(QPointF globalPoint) const;

    // The window's frame in the view points (y down) of the overlay over that screen.
    QRectF frameInView(const WindowInfo& window, const ScreenInfo& screen) const;

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
    ScreenLayout m_layout;
};

}  // namespace moxilane
