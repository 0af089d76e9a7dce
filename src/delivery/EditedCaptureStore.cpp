#include "delivery/EditedCaptureStore.h"

#include "capture/PngWriter.h"
#include "delivery/FileNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace moxilane {

std::optional<QString> EditedCaptureStore::saveEditedImage(const QImage& image, double scale) {
    const QString fileName = screenshotFileName(screenshotBaseName(m_services.clock.now()), 0);
    const auto folder = m_services.saveLocation.currentFolder();
    if (folder) {
        const QString path = QDir(*folder).filePath(fileName);
        if (writePNG(image, path, scale)) return path;
        // An unwritable folder: the dialog lets the user put the edit elsewhere.
    }
    return saveThroughDialog(m_services.savePanel, m_services.alerts, image, scale, fileName,
                             folder.value_or(QString()));
}

std::optional<QString> saveThroughDialog(SavePanel& panel, Alerts& alerts, const QImage& image,
                                         double scale, QString fileName, QString startFolder) {
    while (const auto chosen = panel.askSavePath(fileName, startFolder)) {
        const auto written = writePNG(image, *chosen, scale);
        if (written) return *chosen;
        alerts.showAlert(EditedCaptureStore::saveAlertMessage(), written.error().description());
        fileName = QFileInfo(*chosen).fileName();
        startFolder = QFileInfo(*chosen).path();
    }
    return std::nullopt;
}

void EditedCaptureStore::discardCapture(const SavedFiles& savedFiles) {
    for (const SavedFile& file : savedFiles) {
        // Only the file the delivery wrote: one saved over the same name since, a link or a
        // folder put in its place stays.
        if (regularFileIdentity(file.path) == file.identity) QFile::remove(file.path);
    }
    if (m_services.clipboard.holdsImage()) m_services.clipboard.clear();
}

}  // namespace moxilane
