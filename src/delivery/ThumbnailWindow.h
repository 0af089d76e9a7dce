#pragma once

#include "delivery/ThumbnailPresenter.h"
#include "platform/Screens.h"

namespace moxilane {

// Thumbnail windows on the desktop: borderless, above other windows, never focused, at
// the primary screen's work area (which the window manager takes from panels).
class QtThumbnailWindows final : public ThumbnailWindows {
public:
    explicit QtThumbnailWindows(const ScreenList& screens) : m_screens(screens) {}

    std::optional<Screen> mainScreen() const override;
    std::unique_ptr<ThumbnailPanel> open(const QImage& image, const QRectF& framePoints,
                                         std::function<void()> onClick) override;

    static QString windowTitle() { return QStringLiteral("Moxilane Thumbnail"); }

private:
    const ScreenList& m_screens;
};

}  // namespace moxilane
