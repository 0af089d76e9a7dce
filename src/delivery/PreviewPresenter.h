#pragma once

#include <QImage>

#include <functional>

namespace moxilane {

// What the user can do with a capture from its thumbnail; either may be empty.
struct PreviewActions {
    std::function<void()> edit;  // a click
    std::function<void()> pin;   // "Pin to Screen" in its menu
};

// The floating thumbnail shown after a capture. Main thread only.
class PreviewPresenter {
public:
    virtual ~PreviewPresenter() = default;
    // Replaces any thumbnail on screen, which offers the actions.
    virtual void show(const QImage& image, double scale, PreviewActions actions) = 0;
    virtual void dismiss(bool animated) = 0;
};

}  // namespace moxilane
