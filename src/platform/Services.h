#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace moxilane {

// Modal messages. Each blocks its caller (running a nested event loop) until dismissed.
class Alerts {
public:
    virtual ~Alerts() = default;
    // Brings the program to the front, then shows a message with one "OK" button.
    virtual void showAlert(const QString& message, const QString& informativeText) = 0;
};

// The system clipboard (the CLIPBOARD selection on X11).
class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Replaces the contents with this PNG image. An X11 selection offers one item per
    // type, so the clipboard holds one image.
    virtual void setPngImage(const QByteArray& png) = 0;
};

// The user's desktop: default applications and the file manager.
class Desktop {
public:
    virtual ~Desktop() = default;
    // Opens the file in the user's default application; the outcome is not awaited.
    virtual void openFile(const QString& path) = 0;
    // Shows the folder in the file manager. False when nothing could show it.
    virtual bool revealFolder(const QString& path) = 0;
};

// Asks the user for a folder.
class FolderPicker {
public:
    virtual ~FolderPicker() = default;
    // Modal; nothing when cancelled. startPath may be empty.
    virtual std::optional<QString> pickFolder(const QString& message, const QString& startPath) = 0;
};

// Permission to read other applications' pixels. X11 has none to ask for; a desktop
// that has one (a Wayland portal) answers here.
class CapturePermission {
public:
    virtual ~CapturePermission() = default;
    virtual bool preflight() = 0;  // granted, without asking
    virtual void request() = 0;    // may prompt; the answer comes with a later preflight
    virtual void openSettings() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

}  // namespace moxilane
