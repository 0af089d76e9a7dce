#include "app/PinBoard.h"

#include "delivery/FileNames.h"
#include "delivery/SaveLocationStore.h"
#include "markup/PinGeometry.h"
#include "platform/Services.h"

#include <algorithm>

namespace moxilane {

namespace {

constexpr QPoint kCascadeStep(24, 24);
constexpr std::size_t kCascadeSteps = 4;

}  // namespace

PinBoard::~PinBoard() = default;

void PinBoard::pin(const QImage& image, double scale, std::optional<QRectF> workAreaPoints) {
    const QSizeF size = pinSizePoints(
        image.size(), scale, workAreaPoints ? std::optional(workAreaPoints->size()) : std::nullopt);
    const PinWindow::SaveOffer offer{
        screenshotFileName(screenshotBaseName(m_services.clock.now()), 0),
        m_services.saveLocation.currentFolder().value_or(QString())};
    auto window = std::make_unique<PinWindow>(image, scale, size, offer, m_services.window);
    PinWindow* raw = window.get();
    raw->onClosed = [this, raw] { pinClosed(raw); };
    if (workAreaPoints) {
        QRect frame(QPoint(), raw->size());
        frame.moveCenter(workAreaPoints->toRect().center());
        // Stepped down and right while others are open, so a new pin never hides the last.
        raw->move(frame.topLeft() + kCascadeStep * int(m_pins.size() % kCascadeSteps));
    }
    m_pins.push_back(std::move(window));
    raw->show();
    raw->raise();
}

void PinBoard::pinClosed(PinWindow* pin) {
    const auto found = std::find_if(m_pins.begin(), m_pins.end(),
                                    [pin](const auto& open) { return open.get() == pin; });
    if (found == m_pins.end()) return;
    // The window tells us from inside its own close event: let it finish first.
    found->release()->deleteLater();
    m_pins.erase(found);
}

}  // namespace moxilane
