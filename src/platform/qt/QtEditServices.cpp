#include "platform/qt/QtEditServices.h"

#include "platform/qt/QtServices.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace moxilane {

std::optional<QString> QtSavePanel::askSavePath(const QString& fileName,
                                                const QString& startFolder) {
    const QString folder = startFolder.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)
                               : startFolder;
    QFileDialog dialog(nullptr, QStringLiteral("Save Screenshot"), QDir(folder).filePath(fileName),
                       QStringLiteral("PNG image (*.png)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    return runFileDialogOnTop(dialog);
}

}  // namespace moxilane
