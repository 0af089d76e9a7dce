#pragma once

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QStringList>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace moxilane::test {

// Waits for a condition with a deadline instead of sleeping blindly.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = std::chrono::seconds(10));

// A private X server for one test: Xvfb on a free display number, openbox as window
// manager, RandR monitors as asked, and a home of temporary XDG folders. Everything it
// starts is stopped when it goes.
class XSession {
public:
    struct Monitor {
        QString name;
        QRect areaDevice;
        bool primary = false;
    };
    // serverOptions go to Xvfb, for example {"-extension", "MIT-SHM"}.
    explicit XSession(QSize rootSize, const std::vector<Monitor>& monitors = {},
                      bool withWindowManager = true, const QStringList& serverOptions = {});
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool isReady() const { return m_connection != nullptr; }
    QString display() const { return m_display; }
    QString home() const { return m_home.path(); }
    // DISPLAY, XDG folders in home(), no session bus (Qt uses the XEmbed tray).
    QProcessEnvironment environment() const;
    xcb_connection_t* connection() const { return m_connection; }
    xcb_window_t root() const;

    // Makes image the root window's background, so whatever no window covers shows it.
    bool paintRoot(const QImage& image);
    // Adds a RandR monitor, or replaces the one of that name.
    bool setMonitor(const Monitor& monitor);
    // Runs a command on this display and returns its standard output.
    std::optional<QByteArray> run(const QString& program, const QStringList& args,
                                  std::chrono::milliseconds deadline = std::chrono::seconds(10));
    // Starts a program on this display in the background; stopped with the session. Its
    // standard error goes to errorFile when one is named.
    QProcess& start(const QString& program, const QStringList& args,
                    const QProcessEnvironment& environment, const QString& errorFile = {});

    // Key presses through XTest, as a user would type them: "ctrl+shift+3"; "#12" is the
    // key with that keycode.
    bool pressKeys(const QString& chord);
    enum class GrabResult { Grabbed, HeldElsewhere, Failed };
    // Holds the chord ourselves, so no one else can grab it.
    GrabResult grabChord(const QString& chord);
    // True when another client holds a passive grab of the chord on the root window.
    bool isChordGrabbedElsewhere(const QString& chord);
    // True when some client owns the selection of that name.
    bool hasSelectionOwner(const QByteArray& selection);

private:
    struct Chord {
        std::vector<xcb_keycode_t> keys;
        std::uint16_t modifiers = 0;
    };
    std::optional<Chord> resolveChord(const QString& chord);

    QTemporaryDir m_home;
    QString m_display;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    xcb_connection_t* m_connection = nullptr;
};

}  // namespace moxilane::test
