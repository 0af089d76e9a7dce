#pragma once

#include "delivery/PreviewPresenter.h"
#include "delivery/SaveLocationStore.h"
#include "delivery/SavedFile.h"
#include "platform/Capture.h"
#include "platform/Scheduler.h"
#include "platform/Services.h"
#include "platform/Settings.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace moxilane {

// What happens to a finished capture: the clipboard, the files in the save folder,
// opening them, the alerts for what failed, and the thumbnail. Encoding and writing run
// on the worker; every visible effect happens on the main thread in this order:
// clipboard, files opened, alert, thumbnail.
class CaptureDelivery {
public:
    struct Services {
        Settings& settings;
        SaveLocationStore& saveLocation;
        Clipboard& clipboard;
        Desktop& desktop;
        Alerts& alerts;
        PreviewPresenter& preview;
        Clock& clock;
        Scheduler& scheduler;
    };
    // Opens the editor on the primary capture; savedFiles are the files this delivery wrote.
    using EditAction = std::function<void(const Capture& primary, const SavedFiles& savedFiles)>;
    // Pins the primary capture to the screen.
    using PinAction = std::function<void(const Capture& primary)>;

    explicit CaptureDelivery(Services services, EditAction onEdit = {}, PinAction onPin = {});

    // Runs as the thumbnail is shown; what it returns is kept for as long as the thumbnail can
    // still run the edit action (the editor made ready for that click).
    using PrepareEditAction = std::function<std::shared_ptr<void>(const Capture& primary)>;
    void setPrepareEdit(PrepareEditAction prepare) { m_prepareEdit = std::move(prepare); }

    // done runs on the main thread once the delivery has ended, after any alert was
    // dismissed and the thumbnail shown. An empty list ends at once and changes nothing.
    void deliver(CaptureList captures, std::function<void()> done);

    // An area was just chosen on our overlay, which still has the user's input: where the
    // settings ask for a copy, the clipboard is held for the capture that follows.
    void holdClipboard();

    // The alert for a capture that could not be taken. Returns once it is dismissed.
    void showCaptureError(const CaptureError& error);

    static QString folderAlertMessage() {
        return QStringLiteral("Could Not Access the Save Folder");
    }
    static QString nothingKeptText() {
        return QStringLiteral(
            "No save folder is available, and the screenshot is not on the clipboard. Use "
            "\"Save To…\" to choose a folder.");
    }
    static QString saveAlertMessage() { return QStringLiteral("Could Not Save the Screenshot"); }
    static QString captureAlertMessage() { return QStringLiteral("Could Not Capture the Screen"); }

    struct Job;

private:
    void putOnPasteboard(Job& job);
    static QString clipboardLine(const Job& job);
    void saveFiles(std::shared_ptr<Job> job);
    void reportSaved(const Job& job);
    void finish(const std::shared_ptr<Job>& job);

    Services m_services;
    EditAction m_onEdit;
    PinAction m_onPin;
    PrepareEditAction m_prepareEdit;
};

}  // namespace moxilane
