#pragma once

#include "platform/Capture.h"

#include <QRect>

#include <cstdint>
#include <expected>
#include <vector>

namespace moxilane {

// A display as the capture service sees it: its identifier and where its pixels lie
// in the server's root window.
struct DisplayInfo {
    std::uint32_t displayID = 0;
    QRect areaDevice;
};

// What can be captured right now, in the service's order (the primary display first).
struct ShareableContent {
    std::vector<DisplayInfo> displays;
};

// Takes pixels from the display server. Called off the main thread, one call at a time.
class CaptureService {
public:
    virtual ~CaptureService() = default;
    // Readies what the first capture would otherwise set up while the user waits.
    virtual void prepare() {}
    [[nodiscard]] virtual std::expected<ShareableContent, CaptureError> shareableContent() = 0;
    // The whole display in device pixels; never shows the pointer.
    [[nodiscard]] virtual std::expected<QImage, CaptureError> captureDisplay(
        const DisplayInfo& display) = 0;
};

}  // namespace moxilane
