#pragma once

#include "platform/Services.h"

namespace moxilane {

// The CLIPBOARD selection, offering the image as image/png.
class QtClipboard final : public Clipboard {
public:
    void setPngImage(const QByteArray& png) override;
    void setText(const QString& text) override;
    bool holdsImage() const override;
    void clear() override;
};

}  // namespace moxilane
