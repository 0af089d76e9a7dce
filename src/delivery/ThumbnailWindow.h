#pragma once

#include "delivery/ThumbnailPresenter.h"
#include "platform/Screens.h"

namespace moxilane {

class WindowRoles;

// Thumbnail windows on the desktop: borderless, above other windows, never focused, at
// the primary screen's work area (which the window manager takes from panels).
class QtThumbnailWindows final : public ThumbnailWindows {
public:
    QtThumbnailWindows(const ScreenList& screens, WindowRoles& roles)
        : m_screens(screens), m_roles(roles) {}

    std::optional<Screen> mainScreen() const override;
    std::unique_ptr<ThumbnailPanel> open(const QImage& image, const QRectF& framePoints,
                                         std::function<void()> onClick,
                                         std::function<void()> onPin) override;

    static QString windowTitle() { return QStringLiteral("Moxilane Thumbnail"); }

private:
    const ScreenList& m_screens;
    WindowRoles& m_roles;
};

}  // namespace moxilane
