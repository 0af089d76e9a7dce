#include "platform/qt/QtAlerts.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

namespace moxilane {

namespace {

// Narrower, the first-launch question and About wrap into a tall column.
constexpr int kMinimumBoxWidth = 400;

}  // namespace

void prepareMessageBox(QMessageBox& box, const QString& message, const QString& informativeText,
                       bool warning) {
    box.setWindowTitle(QStringLiteral("Moxilane"));
    if (warning)
        box.setIcon(QMessageBox::Warning);
    else
        box.setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    box.setText(QStringLiteral("<b>%1</b>").arg(message.toHtmlEscaped()));
    box.setTextFormat(Qt::RichText);
    box.setInformativeText(informativeText);
    // A message box sizes itself and ignores a minimum width; a spacer in its grid does not.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(kMinimumBoxWidth, 0, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
}

void runMessageBox(QMessageBox& box) {
    // A tray program has no window in front: bring the box there, or over its own window.
    if (!box.parentWidget()) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
}

void QtAlerts::showAlert(const QString& message, const QString& informativeText) {
    QMessageBox box;
    // Failures ("Could Not Save the Screenshot", …) warn; About and the instructions inform.
    prepareMessageBox(box, message, informativeText,
                      message.startsWith(QStringLiteral("Could Not")));
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    runMessageBox(box);
}

}  // namespace moxilane
