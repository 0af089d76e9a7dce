#include "platform/qt/QtAlerts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace moxilane {

void QtAlerts::showAlert(const QString& message, const QString& informativeText) {
    QMessageBox box;
    box.setWindowTitle(message);
    box.setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    box.setText(QStringLiteral("<b>%1</b>").arg(message.toHtmlEscaped()));
    box.setInformativeText(informativeText);
    box.setTextFormat(Qt::RichText);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    // A tray program has no window in front: bring the alert there.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
}

}  // namespace moxilane
