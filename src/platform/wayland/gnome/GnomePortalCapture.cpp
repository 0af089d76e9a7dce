#include "platform/wayland/gnome/GnomePortalCapture.h"

#include "platform/wayland/PortalScreenshot.h"

namespace moxilane::wayland {

namespace {
using namespace std::chrono_literals;
// The user takes their time in GNOME's picker; past this the flow gives up and says so.
constexpr auto kPickerTimeout = 5min;
}  // namespace

GnomePortalCapture::GnomePortalCapture(std::unique_ptr<CaptureService> portal)
    : m_portal(std::move(portal)) {}

std::expected<std::optional<QImage>, CaptureError> GnomePortalCapture::pickWindow() {
    auto picture = takePortalScreenshot(kPickerTimeout, true);
    if (picture) return std::optional(std::move(*picture));
    if (picture.error().kind == CaptureError::Kind::Cancelled) return std::optional<QImage>();
    return std::unexpected(picture.error());
}

}  // namespace moxilane::wayland
