#pragma once

#include "platform/CaptureService.h"
#include "platform/Screens.h"

#include <QImage>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace moxilane {

// A frozen full-resolution picture of every display, by display identifier.
using SnapshotMap = std::map<std::uint32_t, QImage>;

// An area the user selected: a rectangle in global points (y up) on one screen.
struct RegionSelection {
    QRectF rectGlobal;
    ScreenInfo screen;
};

// The area overlay: shows the snapshots dimmed and lets the user drag out an area.
// The completion runs once, on the main thread; nothing means cancelled.
class RegionSelector {
public:
    virtual ~RegionSelector() = default;
    virtual void begin(const std::optional<QString>& hint, const SnapshotMap& snapshots,
                       std::function<void(std::optional<RegionSelection>)> completion) = 0;
};

// The window picker: the user points at a window and clicks it. The snapshots are the
// screens as they were when the command arrived, shown slightly dimmed under the picker.
// The completion runs once, on the main thread, with one of the windows passed in;
// nothing means cancelled (Esc, or a click where no window can be picked).
class WindowPicker {
public:
    virtual ~WindowPicker() = default;
    virtual void begin(const std::vector<WindowInfo>& windows, const SnapshotMap& snapshots,
                       std::function<void(std::optional<WindowInfo>)> completion) = 0;
};

// A running scrolling capture over a selected area. The completion runs once, on the
// main thread, with the stitched image, or nothing when cancelled or empty.
class ScrollCaptureRunner {
public:
    virtual ~ScrollCaptureRunner() = default;
    virtual void begin(const RegionSelection& area,
                       std::function<void(std::optional<QImage>)> completion) = 0;
    virtual bool isRunning() const = 0;
    // Finishes a running capture as its Done button does.
    virtual void finish() = 0;
};

// Capture Text's result on screen: a brief note with the first lines of what was read and
// whether it was copied (a desktop may refuse a copy), or that nothing was found. Main thread.
class TextPresenter {
public:
    virtual ~TextPresenter() = default;
    virtual void showText(const QString& text, bool copied) = 0;
    virtual void showNoText() = 0;
};

}  // namespace moxilane
