#pragma once

#include <QImage>

#include <functional>

namespace moxilane {

// What the user can do with a capture from its thumbnail; either may be empty.
struct PreviewActions {
    std::function<void()> edit;  // a click
    std::function<void()> pin;   // "Pin to Screen" in its menu
    // What became of the capture, for a preview that says so.
    bool saved = false;        // a file in the save folder
    bool copied = false;       // on the clipboard
    bool copyRefused = false;  // a copy was asked for, and the desktop would not take it
};

// The floating thumbnail shown after a capture. Main thread only.
class PreviewPresenter {
public:
    virtual ~PreviewPresenter() = default;
    // Replaces any thumbnail on screen, which offers the actions.
    virtual void show(const QImage& image, double scale, PreviewActions actions) = 0;
    virtual void dismiss(bool animated) = 0;
    // True when the preview goes within seconds, so that readying the editor its click would
    // open holds memory only that long.
    virtual bool leavesSoon() const { return true; }
};

}  // namespace moxilane
