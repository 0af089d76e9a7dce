#pragma once

#include "platform/Services.h"

class QFileDialog;

namespace moxilane {

// A folder chooser dialog.
class QtFolderPicker final : public FolderPicker {
public:
    std::optional<QString> pickFolder(const QString& message, const QString& startPath) override;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// X11, and the Wayland compositors that offer screencopy, let every client read the screen:
// nothing to ask for.
class NoCapturePermission final : public CapturePermission {
public:
    bool preflight() override { return true; }
    void request() override {}
    void openSettings() override {}
};

// Runs a file dialog above every other window, with the focus, as the program has no
// window of its own to lift it; the first file chosen, or nothing when cancelled.
std::optional<QString> runFileDialogOnTop(QFileDialog& dialog);

}  // namespace moxilane
