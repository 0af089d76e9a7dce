#pragma once

#include "platform/Services.h"

class QMessageBox;

namespace moxilane {

// Modal message boxes, raised above other programs' windows.
class QtAlerts final : public Alerts {
public:
    void showAlert(const QString& message, const QString& informativeText) override;
};

// What every message box of the program shares: the program's name as title, the message in
// bold above the text, the warning icon or the program's, and a width that reads as a line.
void prepareMessageBox(QMessageBox& box, const QString& message, const QString& informativeText,
                       bool warning);

// Shows the box in front and runs it until answered.
void runMessageBox(QMessageBox& box);

}  // namespace moxilane
