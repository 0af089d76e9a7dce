#include "platform/wayland/gnome/ScreenCastCapture.h"

#include "platform/wayland/OurPixels.h"
#include "platform/wayland/gnome/CastFrame.h"
#include "platform/wayland/gnome/PanelCanvas.h"
#include "platform/wayland/gnome/PipeWireStream.h"
#include "platform/wayland/gnome/ScreenCastPortal.h"

#include <algorithm>

namespace moxilane::wayland {

namespace {

using namespace std::chrono_literals;

// Time for the user to answer the desktop's question.
constexpr auto kAnswerTimeout = 60s;
// The compositor sends a first frame as soon as the stream runs.
constexpr auto kFirstFrameTimeout = 3s;

}  // namespace

ScreenCastCapture::ScreenCastCapture(std::unique_ptr<CaptureService> screenshots,
                                     PortalScreenshot::DisplaySource displays,
                                     CastTokenStore tokens)
    : m_screenshots(std::move(screenshots)),
      m_displays(std::move(displays)),
      m_tokens(std::move(tokens)) {}

ScreenCastCapture::~ScreenCastCapture() = default;

std::expected<void, CaptureError> ScreenCastCapture::openStream() {
    if (m_stream) return {};
    auto portal = ScreenCastPortal::start(m_tokens.load(), kAnswerTimeout);
    if (!portal) return std::unexpected(portal.error());
    // The old token is spent either way: keep the new one, or none.
    m_tokens.save((*portal)->restoreToken());
    auto fd = (*portal)->openPipeWireRemote();
    if (!fd) return std::unexpected(fd.error());
    auto stream = PipeWireStream::open(*fd, (*portal)->source().nodeId);
    if (!stream) return std::unexpected(stream.error());
    m_portal = std::move(*portal);
    m_stream = std::move(*stream);
    return {};
}

std::expected<QImage, CaptureError> ScreenCastCapture::captureRegion(
    const DisplayInfo& display, const QRect& area,
    const std::vector<std::uint32_t>& excludedWindows) {
    auto layout = m_displays();
    if (!layout) return std::unexpected(layout.error());
    const auto shown = std::ranges::find_if(
        *layout, [&](const LayoutDisplay& d) { return d.display.displayID == display.displayID; });
    if (shown == layout->end())
        return std::unexpected(
            CaptureError{CaptureError::Kind::Refused, QStringLiteral("the display has gone")});
    if (auto opened = openStream(); !opened) return std::unexpected(opened.error());
    const QRect shared = m_portal->source().geometryLogical;
    if (shared.topLeft() != shown->geometryLogical.topLeft()) {
        // Asking again shows the question, where the user can pick the right screen.
        m_tokens.save({});
        return std::unexpected(
            CaptureError{CaptureError::Kind::Declined,
                         QStringLiteral("the screen shared is not the one the area lies on")});
    }
    auto frame = m_stream->latestFrame(kFirstFrameTimeout);
    if (!frame) return std::unexpected(frame.error());
    QImage image = cutAreaFromFrame(*frame, display.areaDevice.size(), area);
    if (image.isNull())
        return std::unexpected(
            CaptureError{CaptureError::Kind::Refused, QStringLiteral("an empty frame")});
    const QRect areaOnDesktop = area.translated(display.areaDevice.topLeft());
    paintOursFlat(image, areaOnDesktop.topLeft(),
                  panelCanvasPixelsIn(areaOnDesktop, excludedWindows));
    return image;
}

void ScreenCastCapture::regionCapturesEnded() {
    m_stream.reset();
    m_portal.reset();
}

}  // namespace moxilane::wayland
