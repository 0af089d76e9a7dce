#include "platform/qt/QtQuestions.h"

#include "platform/qt/QtAlerts.h"

#include <QMessageBox>
#include <QPushButton>

namespace moxilane {

namespace {

bool askIn(QMessageBox& box, const QString& message, const QString& informativeText,
           const QString& firstButton, const QString& secondButton, bool warning) {
    prepareMessageBox(box, message, informativeText, warning);
    QPushButton* first = box.addButton(firstButton, QMessageBox::AcceptRole);
    QPushButton* second = box.addButton(secondButton, QMessageBox::RejectRole);
    box.setDefaultButton(first);
    box.setEscapeButton(second);
    runMessageBox(box);
    return box.clickedButton() == first;
}

}  // namespace

bool QtQuestions::ask(const QString& message, const QString& informativeText,
                      const QString& firstButton, const QString& secondButton) {
    QMessageBox box;
    return askIn(box, message, informativeText, firstButton, secondButton, false);
}

bool QtQuestions::askWarning(QWidget* window, const QString& message,
                             const QString& informativeText, const QString& firstButton,
                             const QString& secondButton) {
    // A child of the window: transient for it, and opening over it.
    QMessageBox box(window);
    return askIn(box, message, informativeText, firstButton, secondButton, true);
}

}  // namespace moxilane
