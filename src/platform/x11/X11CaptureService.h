#pragma once

#include "platform/CaptureService.h"
#include "platform/x11/SharedMemoryPath.h"
#include "platform/x11/ShmSegment.h"
#include "platform/x11/X11RedirectKeeper.h"
#include "platform/x11/X11RegionCapture.h"
#include "platform/x11/X11WindowCapture.h"
#include "platform/x11/X11WindowList.h"
#include "platform/x11/Xcb.h"

#include <memory>
#include <optional>

namespace moxilane::x11 {

// Screen pixels from the X server: GetImage of the root window, through a shared-memory
// segment when the server offers MIT-SHM. Displays are the RandR monitors. Has its own
// connection, so captures on the worker never wait for the GUI's event traffic.
class X11CaptureService final : public CaptureService {
public:
    X11CaptureService();

    // Sets up the shared segment for the largest display and has the server write it once:
    // the first write into fresh shared memory costs the server a page fault per page.
    void prepare() override;
    // The shared segment goes: 32 MB of a 4K screen, resident in the agent since it read it.
    void releaseBuffers() override;
    std::expected<ShareableContent, CaptureError> shareableContent() override;
    std::expected<std::vector<DisplayInfo>, CaptureError> displays() override;
    std::expected<QImage, CaptureError> captureDisplay(const DisplayInfo& display) override;
    std::expected<QImage, CaptureError> captureWindow(const WindowInfo& window) override;
    std::expected<QImage, CaptureError> captureRegion(
        const DisplayInfo& display, const QRect& area,
        const std::vector<std::uint32_t>& excludedWindows) override;

private:
    std::expected<QImage, CaptureError> grab(const QRect& areaDevice);
    std::expected<QImage, CaptureError> grabShm(const QRect& areaDevice);
    std::expected<QImage, CaptureError> grabPlain(const QRect& areaDevice);
    bool makeSegment(std::size_t size);
    std::optional<CaptureError> connectionError() const;
    std::expected<QRect, CaptureError> rootArea() const;

    Connection m_connection;
    std::optional<CaptureError> m_formatError;  // set when the root's pixels are not 32-bit RGB
    bool m_hasRandrMonitors = false;
    SharedMemoryPath m_sharedMemory{false};
    std::unique_ptr<ShmSegment> m_segment;  // kept between captures, grown when needed
    X11WindowList m_windowList{m_connection.get(), m_connection.root()};
    X11WindowCapture m_windowCapture{m_connection.get(), m_connection.root()};
    X11RegionCapture m_regionCapture{m_connection.get(), m_connection.root()};
    // Reads its notifications on the main thread, where the service is made.
    X11RedirectKeeper m_redirects;
};

}  // namespace moxilane::x11
