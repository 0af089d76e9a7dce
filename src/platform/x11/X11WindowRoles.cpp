#include "platform/x11/X11WindowRoles.h"

#include "platform/x11/X11Compositing.h"
#include "platform/x11/X11ScreenHold.h"
#include "platform/x11/Xcb.h"

#include <QBackingStore>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <xcb/shm.h>

#include <algorithm>
#include <chrono>

namespace moxilane::x11 {

void X11WindowRoles::prepare(QWidget& window, WindowRole role) {
    if (role == WindowRole::menu) return;  // Qt's own pop-up window does
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::X11BypassWindowManagerHint;
    // A pin stays focusable: outside the window manager's care, Qt gives it the input focus
    // itself when asked (on a click), which Esc then needs.
    if (role == WindowRole::thumbnail || role == WindowRole::marker)
        flags |= Qt::WindowDoesNotAcceptFocus;
    if (role == WindowRole::marker) flags |= Qt::WindowTransparentForInput;
    window.setWindowFlags(flags);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
}

bool X11WindowRoles::takeKeyboard(QWidget& overlay) {
    return overlay.windowHandle() && overlay.windowHandle()->setKeyboardGrabEnabled(true);
}

bool X11WindowRoles::showsTranslucency() const {
    return compositingManagerRunning();
}

std::unique_ptr<HeldScreen> X11WindowRoles::holdScreen() {
    xcb_connection_t* c = qtConnection();
    if (!c || m_held) return nullptr;  // one hold at a time
    if (!m_shadeFormat) m_shadeFormat = X11ScreenHold::shadeFormat(c);
    auto hold = X11ScreenHold::take(c, *m_shadeFormat, [this] { m_held = nullptr; });
    m_held = hold.get();
    return hold;
}

namespace {

// About a megabyte at a time, a few milliseconds apart: a capture that starts meanwhile waits
// for the server to read one band at most, and stops the rest by letting the window go.
constexpr qsizetype kBandBytes = qsizetype(1) << 20;
constexpr std::chrono::milliseconds kBandGap{3};

// Qt sends a store's requests when it next flushes its connection, which may be at the click.
void sendNow() {
    if (xcb_connection_t* c = qtConnection()) xcb_flush(c);
}

// Without shared memory Qt sends the store over the socket as it paints: nothing to read ahead.
bool storesInSharedMemory(xcb_connection_t* c) {
    if (qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) return false;
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    return shm && shm->present;
}

void readyStoreFrom(QWidget& window, int top) {
    QBackingStore* store = window.backingStore();
    // Shown meanwhile, its first paint sends the whole store anyway.
    if (!store || window.isVisible()) return;
    const QSize size = store->size();
    if (top >= size.height()) {
        // A new size frees the server's copy; the shared memory, large enough still, stays.
        store->resize(size - QSize(0, 1));
        store->resize(size);
        sendNow();
        return;
    }
    const int rows = int(std::max<qsizetype>(1, kBandBytes / (qsizetype(size.width()) * 4)));
    store->scroll(QRegion(0, top, size.width(), std::min(rows, size.height() - top)), 0, 0);
    sendNow();
    QTimer::singleShot(kBandGap, &window,
                       [&window, next = top + rows] { readyStoreFrom(window, next); });
}

}  // namespace

// The server's first read of each page of a store's shared memory costs about as much as our
// first write to it (40-50 ms for a 4K editor on a virtual machine). Qt's store copies a
// scrolled area into a pixmap of the server's, which reads those pages.
void X11WindowRoles::readyStore(QWidget& window) {
    xcb_connection_t* c = qtConnection();
    QBackingStore* store = window.backingStore();
    if (!c || !storesInSharedMemory(c) || !store || store->size().isEmpty()) return;
    readyStoreFrom(window, 0);
}

}  // namespace moxilane::x11
