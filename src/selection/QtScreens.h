#pragma once

#include "platform/Screens.h"
#include "selection/WindowCandidates.h"

#include <vector>

class QScreen;

// Between the screens as the flows see them (global points, y up) and Qt's.
namespace moxilane::QtScreens {

// The Qt screen with that frame; null when it has gone.
QScreen* find(const ScreenInfo& screen);

// Every Qt screen's points and device pixels, the primary first. Qt keeps a screen's
// origin in device pixels and divides only its size by the scale.
std::vector<WindowCandidates::ScreenPlacement> placements();

}  // namespace moxilane::QtScreens
