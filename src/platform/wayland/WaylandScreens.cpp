#include "platform/wayland/WaylandScreens.h"

#include "platform/qt/QtScreens.h"
#include "platform/wayland/WaylandIds.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace moxilane::wayland {

ScreenLayout WaylandScreens::layout() const {
    std::vector<ScreenLayout::Screen> result;
    const QScreen* primary = QGuiApplication::primaryScreen();
    QList<QScreen*> screens = QGuiApplication::screens();
    std::stable_partition(screens.begin(), screens.end(), [&](QScreen* s) { return s == primary; });
    for (const QScreen* screen : screens) {
        const QRect points = screen->geometry();
        const double scale = screen->devicePixelRatio();
        const QRect device(
            int(std::lround(points.x() * scale)), int(std::lround(points.y() * scale)),
            int(std::lround(points.width() * scale)), int(std::lround(points.height() * scale)));
        result.push_back({.displayID = displayIdForName(screen->name()),
                          .name = screen->name(),
                          .frame = QRectF(points),
                          .areaDevice = device,
                          .scale = scale,
                          .workArea = QRectF(screen->availableGeometry())});
    }
    return ScreenLayout(std::move(result));
}

ScreensForWorker::ScreensForWorker() {
    update();
    QtScreens::watchLayoutChanges(this, [this] { update(); });
}

std::expected<std::vector<ScreenLayout::Screen>, CaptureError> ScreensForWorker::screens() const {
    std::lock_guard lock(m_mutex);
    if (m_screens.empty())
        return std::unexpected(CaptureError{CaptureError::Kind::NoDisplay, QString()});
    return m_screens;
}

void ScreensForWorker::update() {
    const ScreenLayout layout = WaylandScreens().layout();
    std::lock_guard lock(m_mutex);
    m_screens = layout.screens();
}

}  // namespace moxilane::wayland
