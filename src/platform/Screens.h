#pragma once

#include "platform/ScreenLayout.h"

#include <vector>

namespace moxilane {

// The screens of the window system, primary first. Main thread only.
class ScreenList {
public:
    virtual ~ScreenList() = default;
    // The screens as they are now; a flow reads this once and keeps it.
    virtual ScreenLayout layout() const = 0;
    std::vector<ScreenInfo> screens() const { return layout().screenInfos(); }
};

}  // namespace moxilane
