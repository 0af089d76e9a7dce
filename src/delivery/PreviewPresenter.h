#pragma once

#include <QImage>

#include <functional>

namespace moxilane {

// The floating thumbnail shown after a capture. Main thread only.
class PreviewPresenter {
public:
    virtual ~PreviewPresenter() = default;
    // Replaces any thumbnail on screen; onEdit runs when the user clicks it.
    virtual void show(const QImage& image, double scale, std::function<void()> onEdit) = 0;
    virtual void dismiss(bool animated) = 0;
};

}  // namespace moxilane
