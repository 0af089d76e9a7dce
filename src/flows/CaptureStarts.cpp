#include "flows/CaptureStarts.h"

#include <cstddef>
#include <iterator>

namespace moxilane {

namespace {

struct Starts {
    CaptureCommand command;
    CaptureStart start;
    CaptureStart fromMenu;
};

// In the enumerators' order, as the kinds' table.
constexpr Starts kStarts[] = {
    {CaptureCommand::Area, &CaptureFlows::startRegionCapture, &CaptureFlows::startRegionCapture},
    {CaptureCommand::Window, &CaptureFlows::startWindowCapture, &CaptureFlows::startWindowCapture},
    {CaptureCommand::Screen, &CaptureFlows::startFullScreenCapture,
     &CaptureFlows::captureFullScreenFromMenu},
    {CaptureCommand::ScreenDelayed, &CaptureFlows::captureFullScreenDelayed,
     &CaptureFlows::captureFullScreenDelayed},
    {CaptureCommand::Scroll, &CaptureFlows::startScrollingCapture,
     &CaptureFlows::startScrollingCapture},
    {CaptureCommand::Text, &CaptureFlows::startTextCapture, &CaptureFlows::startTextCapture},
};

constexpr bool rowsFollowTheEnumerators() {
    for (std::size_t i = 0; i < std::size(kStarts); ++i)
        if (static_cast<std::size_t>(kStarts[i].command) != i) return false;
    return std::size(kStarts) == std::size_t(CaptureCommand::Text) + 1;
}
static_assert(rowsFollowTheEnumerators());

}  // namespace

CaptureStart captureStart(CaptureCommand command) {
    return kStarts[static_cast<std::size_t>(command)].start;
}

CaptureStart captureStartFromMenu(CaptureCommand command) {
    return kStarts[static_cast<std::size_t>(command)].fromMenu;
}

}  // namespace moxilane
