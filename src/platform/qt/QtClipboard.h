#pragma once

#include "platform/Services.h"

namespace moxilane {

// The CLIPBOARD selection. It offers one item per type, so of several images only the
// first is offered, as image/png.
class QtClipboard final : public Clipboard {
public:
    void setPngImages(const std::vector<QByteArray>& pngs) override;
};

}  // namespace moxilane
