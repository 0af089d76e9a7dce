#pragma once

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QStringList>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <array>
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
    // The first visible window whose name matches the pattern (xdotool's), or empty.
    QString findWindow(const QString& namePattern);
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
    // Owns the selection from a window of its own, as a compositing manager owns its own.
    bool claimSelection(const QByteArray& selection);

    // The pointer through XTest, in root device pixels.
    void movePointer(QPoint at);
    void pressButton(QPoint at) { fakeButton(XCB_BUTTON_PRESS, at); }
    void releaseButton(QPoint at) { fakeButton(XCB_BUTTON_RELEASE, at); }
    void click(QPoint at) {
        pressButton(at);
        releaseButton(at);
    }
    // Presses at from, moves halfway and releases at to.
    void drag(QPoint from, QPoint to) {
        pressButton(from);
        movePointer((from + to) / 2);
        releaseButton(to);
    }
    // The keyboard taken actively, as a program with a menu open does. False if refused.
    bool grabKeyboard();
    void ungrabKeyboard();
    // True while another client holds the keyboard (found by trying to take it).
    bool isKeyboardGrabbedElsewhere();

    // A managed top-level window that shows picture (the server paints it; nothing has to
    // redraw). Waits until the window manager has framed and shown it; 0 on failure.
    xcb_window_t showWindow(const QImage& picture, QPoint at, const QByteArray& title);
    // The frame's decorations around a client window: left, right, top, bottom.
    std::array<int, 4> frameExtents(xcb_window_t client);
    // Whether the server keeps the window's top-level ancestor in a pixmap of its own
    // (Composite), so that its covered parts can be read.
    bool hasOwnPixmap(xcb_window_t window);
    // Our program's override-redirect windows that are shown: the selection overlays,
    // directly on the root or in the layer that holds the screen still.
    int shownOverlays();
    int shownOverlaysOnRoot();
    // A few pixels of the screen (root device pixels) around a point, as raw bytes.
    QByteArray pixelsAround(QPoint at);
    // Puts the pointer at `at`, presses chord and waits for that many overlays; with
    // withKeyboard also until they hold the keyboard (keys reach them only then).
    bool openOverlays(const QString& chord, QPoint at, int overlays, bool withKeyboard = false);
    bool overlaysGone() {
        return waitUntil([&] { return shownOverlays() == 0; });
    }

private:
    struct Chord {
        std::vector<xcb_keycode_t> keys;
        std::uint16_t modifiers = 0;
    };
    std::optional<Chord> resolveChord(const QString& chord);
    void fakeButton(std::uint8_t type, QPoint at);
    xcb_atom_t atom(const QByteArray& name);
    // A server pixmap holding the picture; the caller frees it.
    xcb_pixmap_t uploadPixmap(const QImage& picture);

    QTemporaryDir m_home;
    QString m_display;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    xcb_connection_t* m_connection = nullptr;
};

}  // namespace moxilane::test
