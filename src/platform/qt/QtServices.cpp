#include "platform/qt/QtServices.h"

#include <QFileDialog>

namespace moxilane {

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
