#pragma once

#include "platform/CaptureService.h"
#include "platform/KeyGrabber.h"
#include "platform/Screens.h"

#include <map>
#include <set>

namespace moxilane::test {

// Displays with scripted pictures; a display or the listing can be made to fail.
class FakeCaptureService final : public CaptureService {
public:
    std::expected<ShareableContent, CaptureError> shareableContent() override {
        ++listings;
        if (listingError) return std::unexpected(*listingError);
        return ShareableContent{displays, windows};
    }
    std::expected<QImage, CaptureError> captureDisplay(const DisplayInfo& display) override {
        captured.push_back(display.displayID);
        if (const auto failure = failures.find(display.displayID); failure != failures.end())
            return std::unexpected(failure->second);
        return pictures.at(display.displayID);
    }
    std::expected<QImage, CaptureError> captureWindow(const WindowInfo& window) override {
        capturedWindows.push_back(window.windowID);
        const auto picture = windowPictures.find(window.windowID);
        if (picture == windowPictures.end())
            return std::unexpected(CaptureError{CaptureError::Kind::Refused, "window gone"});
        return picture->second;
    }
    bool listsWindows() const override { return listsWindowsToo; }
    void releaseBuffers() override { ++bufferReleases; }
    bool capturesCoveredWindows() const override { return seesCoveredWindows; }
    bool picksWindowsItself() const override { return desktopPick.has_value(); }
    std::expected<std::optional<QImage>, CaptureError> pickWindow() override {
        return *desktopPick;
    }
    void addDisplay(std::uint32_t id, QSize size, QColor colour) {
        displays.push_back({id, QRect(QPoint(0, 0), size)});
        pictures[id] = QImage(size, QImage::Format_RGB32);
        pictures[id].fill(colour);
    }
    std::vector<DisplayInfo> displays;
    std::map<std::uint32_t, QImage> pictures;
    std::map<std::uint32_t, CaptureError> failures;
    std::optional<CaptureError> listingError;
    std::vector<std::uint32_t> captured;
    std::vector<WindowInfo> windows;
    std::map<std::uint32_t, QImage> windowPictures;  // a window without one has gone
    std::vector<std::uint32_t> capturedWindows;
    int listings = 0;
    int bufferReleases = 0;
    // Set: the desktop's picker chooses the window and answers this.
    std::optional<std::expected<std::optional<QImage>, CaptureError>> desktopPick;
    bool listsWindowsToo = true, seesCoveredWindows = true;
};

class FakeScreens final : public ScreenList {
public:
    ScreenLayout layout() const override { return ScreenLayout(list); }
    std::vector<ScreenLayout::Screen> list;
};

class FakeKeyGrabber final : public KeyGrabber {
public:
    void setPressHandler(std::function<void(HotKeyID)> handler) override {
        onPress = std::move(handler);
    }
    bool grab(std::uint32_t keyCode, std::uint32_t modifiers, HotKeyID hotKey) override {
        if (refusedKeys.contains(keyCode)) return false;
        grabs.push_back({keyCode, modifiers, hotKey});
        return true;
    }
    void press(std::uint32_t id) { onPress(HotKeyID{hotkeys::kSignature, id}); }
    struct Grab {
        std::uint32_t keyCode, modifiers;
        HotKeyID hotKey;
    };
    std::vector<Grab> grabs;
    std::set<std::uint32_t> refusedKeys;
    std::function<void(HotKeyID)> onPress;
};

}  // namespace moxilane::test
