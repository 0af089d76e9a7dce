#include "platform/qt/QtQuestions.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace moxilane {

bool QtQuestions::ask(const QString& message, const QString& informativeText,
                      const QString& firstButton, const QString& secondButton) {
    QMessageBox box;
    box.setWindowTitle(message);
    box.setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    box.setText(QStringLiteral("<b>%1</b>").arg(message.toHtmlEscaped()));
    box.setTextFormat(Qt::RichText);
    box.setInformativeText(informativeText);
    QPushButton* first = box.addButton(firstButton, QMessageBox::AcceptRole);
    QPushButton* second = box.addButton(secondButton, QMessageBox::RejectRole);
    box.setDefaultButton(first);
    box.setEscapeButton(second);
    // A tray program has no window in front: bring the question there.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
    return box.clickedButton() == first;
}

}  // namespace moxilane
