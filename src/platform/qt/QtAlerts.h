#pragma once

#include "platform/Services.h"

namespace moxilane {

// Modal message boxes, raised above other programs' windows.
class QtAlerts final : public Alerts {
public:
    void showAlert(const QString& message, const QString& informativeText) override;
};

}  // namespace moxilane
