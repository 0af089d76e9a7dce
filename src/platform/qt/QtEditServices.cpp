#include "platform/qt/QtEditServices.h"

#include "platform/qt/QtServices.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QMimeData>
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

bool QtClipboardImage::holdsImage() const {
    const QMimeData* data = QApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data) return false;
    for (const QString& format : data->formats()) {
        if (format.startsWith(QLatin1String("image/"))) return true;
    }
    return false;
}

void QtClipboardImage::clear() {
    QApplication::clipboard()->clear(QClipboard::Clipboard);
}

}  // namespace moxilane
