#pragma once

#include "platform/Capture.h"
#include "platform/Screens.h"

#include <QObject>

#include <expected>
#include <mutex>
#include <vector>

namespace moxilane::wayland {

// Qt's screens on Wayland, where their geometry is in points and a display's device pixels
// start at its origin times its scale, as the capture service counts them.
class WaylandScreens final : public ScreenList {
public:
    ScreenLayout layout() const override;
};

// The screens as the worker may read them (it may not read Qt's): taken on the main thread now
// and whenever they change.
class ScreensForWorker final : public QObject {
public:
    ScreensForWorker();
    [[nodiscard]] std::expected<std::vector<ScreenLayout::Screen>, CaptureError> screens() const;

private:
    void update();

    mutable std::mutex m_mutex;
    std::vector<ScreenLayout::Screen> m_screens;
};

}  // namespace moxilane::wayland
