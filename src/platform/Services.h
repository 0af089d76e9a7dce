#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <expected>
#include <optional>
#include <vector>

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
    // Replaces the contents with this text, offered as UTF-8 text/plain.
    virtual void setText(const QString& text) = 0;
    // True when the clipboard offers an image (PNG, TIFF or any other), whoever put it there.
    virtual bool holdsImage() const = 0;
    virtual void clear() = 0;
    // Whether a copy made now reaches the clipboard. A desktop may take one only from the
    // program whose window the user is working in; then a copy held for below still does.
    virtual bool copiesNow() const { return true; }
    // Called while one of our windows has the user's input and an image follows: claims the
    // clipboard now, and the next setPngImage fills it. Nothing to do where any moment will do.
    virtual void holdForImage() {}
};

// An installed application that opens some type of file.
struct DesktopApplication {
    QString id;    // its desktop entry's file name, "org.gnome.eog.desktop"
    QString name;  // as menus show it
};

// The user's desktop: default and other applications, the file manager, and files on the
// clipboard. A refusal comes with the system's reason, for the user to read.
class Desktop {
public:
    virtual ~Desktop() = default;
    // Opens the file in the user's default application; the application is not awaited.
    virtual std::expected<void, QString> openFile(const QString& path) = 0;
    // Shows the file or folder in the file manager.
    virtual std::expected<void, QString> revealFolder(const QString& path) = 0;
    // The shown applications that open the MIME type, the user's choices first.
    virtual std::vector<DesktopApplication> applicationsFor(const QString& mimeType) = 0;
    // Starts the application with the file; it is not awaited.
    [[nodiscard]] virtual std::expected<void, QString> launch(const DesktopApplication& application,
                                                              const QString& path) = 0;
    // Puts the file itself on the clipboard, as a file manager pastes a copied file.
    [[nodiscard]] virtual std::expected<void, QString> copyFile(const QString& path) = 0;
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
