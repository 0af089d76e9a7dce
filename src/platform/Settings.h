#pragma once

#include "platform/IniFormat.h"

#include <QString>
#include <QVariant>

#include <expected>
#include <optional>

namespace moxilane {

// The per-user settings, an INI file ($XDG_CONFIG_HOME/Moxilane/Moxilane.conf). Nothing is
// cached: every read goes to the file, every write is synced at once, so a value changed
// by hand or by another copy of the program counts from the next use. A file that is
// missing or unreadable reads as if every key were absent; a line that cannot be read
// loses its own key only. Only a regular file is read, opened without blocking, and a
// writer waits at most a moment for the lock. A write changes only the lines of its key,
// atomically. A read or write that fails is said once on standard error.
class Settings {
public:
    explicit Settings(QString filePath);
    static QString userFilePath();

    bool copyToClipboard() const;      // absent: false
    bool alsoCopyToClipboard() const;  // absent or not a Boolean: true
    bool openAfterCapture() const;     // absent: false
    bool windowShadow() const;         // absent or not a Boolean: true
    bool didAskLaunchAtLogin() const;
    bool didRequestScreenRecording() const;
    bool didOfferDesktopShortcuts() const;
    std::optional<QVariant> saveFolderBookmark() const;
    QString textLanguages() const;  // Tesseract's form, "eng+deu"; absent: empty
    // What lets the desktop share the screen again without asking; absent: empty.
    QString screenCastRestoreToken() const;

    void setCopyToClipboard(bool on) { write(QStringLiteral("copyToClipboard"), on); }
    void setAlsoCopyToClipboard(bool on) { write(QStringLiteral("alsoCopyToClipboard"), on); }
    void setOpenAfterCapture(bool on) { write(QStringLiteral("openAfterCapture"), on); }
    void setWindowShadow(bool on) { write(QStringLiteral("windowShadow"), on); }
    void setDidAskLaunchAtLogin(bool on) { write(QStringLiteral("didAskLaunchAtLogin"), on); }
    void setDidOfferDesktopShortcuts(bool on) {
        write(QStringLiteral("didOfferDesktopShortcuts"), on);
    }
    void setDidRequestScreenRecording(bool on) {
        write(QStringLiteral("didRequestScreenRecording"), on);
    }
    void setScreenCastRestoreToken(const QString& token) {
        write(QStringLiteral("screenCastRestoreToken"), token);
    }
    void setSaveFolderBookmark(const QVariant& reference) {
        write(QStringLiteral("saveFolderBookmark"), reference);
    }

private:
    std::optional<IniDocument> readDocument() const;
    std::optional<QVariant> read(const QString& key) const;
    std::optional<bool> readBool(const QString& key) const;
    void write(const QString& key, const QVariant& value);
    std::expected<void, QString> writeLocked(const QString& key, const QVariant& value);

    QString m_filePath;
    bool m_reportedWriteFailure = false;         // said once, not at every write
    mutable bool m_reportedReadFailure = false;  // likewise for reads
};

}  // namespace moxilane
