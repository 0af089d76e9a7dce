#include "platform/qt/QtServices.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

namespace moxilane {

void QtDesktop::openFile(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtDesktop::revealFolder(const QString& path) {
    const QString uri = QUrl::fromLocalFile(path).toString();
    QDBusInterface fileManager(QStringLiteral("org.freedesktop.FileManager1"),
                               QStringLiteral("/org/freedesktop/FileManager1"),
                               QStringLiteral("org.freedesktop.FileManager1"),
                               QDBusConnection::sessionBus());
    if (fileManager.isValid()) {
        const QDBusMessage reply =
            fileManager.call(QStringLiteral("ShowItems"), QStringList{uri}, QString());
        if (reply.type() == QDBusMessage::ReplyMessage) return true;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

std::optional<QString> QtFolderPicker::pickFolder(const QString& message,
                                                  const QString& startPath) {
    QFileDialog dialog(nullptr, message, startPath);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Choose"));
    return runFileDialogOnTop(dialog);
}

std::optional<QString> runFileDialogOnTop(QFileDialog& dialog) {
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

}  // namespace moxilane
