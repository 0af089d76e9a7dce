#pragma once

#include "delivery/SaveLocationStore.h"
#include "delivery/SavedFile.h"
#include "platform/EditServices.h"
#include "platform/Services.h"

#include <QImage>
#include <QStringList>

#include <optional>

namespace moxilane {

// Offers fileName in startFolder through the save dialog and writes the image where the user
// chose; a write that fails is reported and the dialog offered again, until a write succeeds
// or the user cancels (dropping it silently would lose the picture while looking saved).
// The path written, if any.
std::optional<QString> saveThroughDialog(SavePanel& panel, Alerts& alerts, const QImage& image,
                                         double scale, QString fileName, QString startFolder);

// Where an edited capture goes and how a capture is thrown away: edits are saved as a new
// time-stamped file (the captured file stays as it was); a discarded capture loses the files
// its delivery wrote and any image on the clipboard.
class EditedCaptureStore {
public:
    struct Services {
        SaveLocationStore& saveLocation;
        Clock& clock;
        SavePanel& savePanel;
        Alerts& alerts;
        Clipboard& clipboard;
    };
    explicit EditedCaptureStore(Services services) : m_services(services) {}

    // Into the save folder; without one, or when that write fails, the save dialog with the
    // same name. A write from the dialog that fails is reported and the dialog offered again
    // until a write succeeds or the user cancels. The path written, if any.
    std::optional<QString> saveEditedImage(const QImage& image, double scale);

    // Removes the files that are still the ones the delivery wrote (a file gone, moved or
    // replaced is skipped), then clears an image from the clipboard; text there stays.
    // Never reports anything.
    void discardCapture(const SavedFiles& savedFiles);

    static QString saveAlertMessage() { return QStringLiteral("Could Not Save the Screenshot"); }

private:
    Services m_services;
};

}  // namespace moxilane
