#pragma once

#include "markup/PinWindow.h"

#include <QRectF>

#include <memory>
#include <optional>
#include <vector>

namespace moxilane {

class Clock;
class SaveLocationStore;

// Every capture pinned to the screen, each kept until its window closes; all close with
// the board (when the program quits). Main thread.
class PinBoard {
public:
    struct Services {
        PinWindow::Services window;
        SaveLocationStore& saveLocation;  // where Save As starts
        Clock& clock;                     // Save As offers a name of the pinning time
    };
    explicit PinBoard(Services services) : m_services(services) {}
    ~PinBoard();

    // Shows image at its size in points (fitted to 80 % of the work area, global points),
    // centred on the work area (stepped aside from open pins), without taking the focus.
    void pin(const QImage& image, double scale, std::optional<QRectF> workAreaPoints);

private:
    void pinClosed(PinWindow* pin);

    Services m_services;
    std::vector<std::unique_ptr<PinWindow>> m_pins;
};

}  // namespace moxilane
